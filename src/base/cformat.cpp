#include "base/cformat.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstring>
#include <locale.h>
#include <vector>

namespace {
locale_t c_locale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return loc;
}
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
} // namespace

CLocaleScope::CLocaleScope() : m_prev(uselocale(c_locale())) {}
CLocaleScope::~CLocaleScope() { uselocale((locale_t)m_prev); }

double qv_strtod(const char* begin, const char* end, const char** stop)
{
    const char* p = begin;
    while (p < end && is_blank(*p)) ++p;
    bool neg = false;
    if (p < end && (*p == '+' || *p == '-')) {
        neg = (*p == '-');
        ++p;
    }
    double v = 0.0;
    auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument || (r.ptr > p && *p == '-')) {
        if (stop) *stop = begin;
        return 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        // Same answer as strtod in the C locale.
        std::string tmp(p, r.ptr);
        v = strtod_l(tmp.c_str(), nullptr, c_locale());
    }
    if (stop) *stop = r.ptr;
    return neg ? -v : v;
}

double qv_atof(const char* s)
{
    if (!s) return 0.0;
    return qv_strtod(s, s + strlen(s));
}

long qv_atol(const char* s)
{
    if (!s) return 0;
    while (is_blank(*s)) ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') {
        neg = (*s == '-');
        ++s;
    }
    long long v = 0;
    const long long cap = (long long)1 << 62;
    while (*s >= '0' && *s <= '9') {
        if (v < cap / 10) v = v * 10 + (*s - '0');
        else v = cap;
        ++s;
    }
    if (neg) v = -v;
    if (v > LONG_MAX) v = LONG_MAX;
    if (v < LONG_MIN) v = LONG_MIN;
    return (long)v;
}

int qv_atoi(const char* s)
{
    long v = qv_atol(s);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

std::string qv_vformat(const char* fmt, va_list ap)
{
    CLocaleScope c;
    char buf[512];
    va_list ap2;
    va_copy(ap2, ap);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    if (n < 0) {
        va_end(ap2);
        return std::string();
    }
    if ((size_t)n < sizeof buf) {
        va_end(ap2);
        return std::string(buf, (size_t)n);
    }
    std::vector<char> big((size_t)n + 1);
    vsnprintf(big.data(), big.size(), fmt, ap2);
    va_end(ap2);
    return std::string(big.data(), (size_t)n);
}

std::string qv_format(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    return s;
}

int qv_fprintf(FILE* f, const char* fmt, ...)
{
    CLocaleScope c;
    va_list ap;
    va_start(ap, fmt);
    int n = vfprintf(f, fmt, ap);
    va_end(ap);
    return n;
}

int qv_snprintf(char* buf, size_t n, const char* fmt, ...)
{
    CLocaleScope c;
    va_list ap;
    va_start(ap, fmt);
    int r = vsnprintf(buf, n, fmt, ap);
    va_end(ap);
    return r;
}
