// Locale-independent number conversion and formatting.
//
// The application runs under the user's locale (Qt sets LC_ALL from the
// environment), which makes atof/strtod/printf read and write "1,5" under a
// French locale. Every number the system reads from text or writes as text
// goes through these helpers, which always use the C locale.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>

// atof semantics in the C locale: leading blanks, optional sign, the longest
// valid prefix; a word that is not a number gives 0.
double qv_atof(const char* s);
// Same on [begin, end); *stop (when given) receives the first unread char.
double qv_strtod(const char* begin, const char* end, const char** stop = nullptr);
// atoi semantics in the C locale (saturates instead of overflowing).
int qv_atoi(const char* s);
long qv_atol(const char* s);

// printf family with C-locale numbers.
std::string qv_format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string qv_vformat(const char* fmt, va_list ap);
int qv_fprintf(FILE* f, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
int qv_snprintf(char* buf, size_t n, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

// Makes stdio numerics of the calling thread use the C locale while alive.
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;
private:
    void* m_prev;
};
