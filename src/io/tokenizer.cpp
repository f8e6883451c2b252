// The VRML token scanner (both variants), the line skip and the number
// lists of the readers.
#include <cstring>

#include "math/cformat.h"
#include "io/scene_loader.h"
#include "scene/object3d.h"
#include "scene/report.h"

namespace {

constexpr int k_max_word = 500;

// Character classes: 1 separator, 2 bracket, 4 '#', 8 line feed,
// 16 separator in the VRML 2.0 variant only (semicolon).
struct CharTable {
    unsigned char c[256];
    constexpr CharTable() : c()
    {
        c[(unsigned char)' '] = 1;
        c[(unsigned char)'\t'] = 1;
        c[(unsigned char)'\r'] = 1;
        c[(unsigned char)'\n'] = 1 | 8;
        c[(unsigned char)','] = 1;
        c[(unsigned char)';'] = 16;
        c[(unsigned char)'['] = 2;
        c[(unsigned char)']'] = 2;
        c[(unsigned char)'{'] = 2;
        c[(unsigned char)'}'] = 2;
        c[(unsigned char)'#'] = 4;
    }
};
constexpr CharTable k_chars;

template <bool V2>
inline bool is_sep(unsigned char ch)
{
    return (k_chars.c[ch] & (V2 ? (1 | 16) : 1)) != 0;
}

// Skips to just past the next line feed (or to the end of the buffer).
inline void skip_comment(Scene& L)
{
    const void* nl = std::memchr(L.m_buf + L.m_pos, '\n', (size_t)(L.m_len - L.m_pos));
    L.m_pos = nl ? (int32_t)((const char*)nl - L.m_buf) + 1 : L.m_len;
}

template <bool V2>
void scan(Scene& L, int32_t* line)
{
    char* w = L.m_word;
    int n = 0;
    const unsigned char* buf = (const unsigned char*)L.m_buf;
    for (;;) {
        if (L.m_pos >= L.m_len) {
            w[n] = 0;
            return;
        }
        unsigned char ch = buf[L.m_pos++];
        unsigned char k = k_chars.c[ch];
        if (k == 0) {
        ordinary:
            if (n < k_max_word) {
                if (n == 0) L.m_tok_start = L.m_pos - 1;
                w[n++] = (char)ch;
                continue;
            }
            MessageBox("** Buffer Mot overflow\n");
            w[0] = 0;
            return;
        }
        if (k & 4) {   // '#'
            if (L.m_comments == 1) {
                skip_comment(L);
                continue;
            }
            goto ordinary;
        }
        if (is_sep<V2>(ch)) {
            if (V2 && (k & 8) && line) ++*line;
            if (n > 0) {
                w[n] = 0;
                return;
            }
            continue;
        }
        if (k & 2) {   // bracket
            if (n > 0) {
                --L.m_pos;
                w[n] = 0;
                return;
            }
            L.m_tok_start = L.m_pos - 1;
            w[0] = (char)ch;
            w[1] = 0;
            if (ch == '{') ++L.m_depth;
            else if (ch == '}') --L.m_depth;
            return;
        }
        goto ordinary;   // ';' in the VRML 1.0 variant
    }
}

// atoi on [b, e): leading blanks, sign, digits; saturates.
inline int32_t parse_int(const char* b, const char* e)
{
    while (b < e && (*b == ' ' || *b == '\t' || *b == '\n' || *b == '\r' || *b == '\f' || *b == '\v')) ++b;
    bool neg = false;
    if (b < e && (*b == '+' || *b == '-')) {
        neg = (*b == '-');
        ++b;
    }
    long long v = 0;
    while (b < e && *b >= '0' && *b <= '9') {
        if (v < 10000000000LL) v = v * 10 + (*b - '0');
        ++b;
    }
    if (neg) v = -v;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (int32_t)v;
}

enum { TOK_END, TOK_CLOSE, TOK_WORD };

// Reads the next token of a number list. A plain word is left in the
// buffer as [*b, *e) (the token buffer is not touched); a bracket or a word
// that needs the full scanner goes through it and is then found in m_word.
template <bool V2>
inline int next_list_token(Scene& L, OBJECT3D* obj, const char** b, const char** e)
{
    const unsigned char* buf = (const unsigned char*)L.m_buf;
    int32_t pos = L.m_pos;
    const int32_t len = L.m_len;
    for (;;) {
        if (pos >= len) {
            L.m_pos = pos;
            L.m_word[0] = 0;
            return TOK_END;
        }
        unsigned char ch = buf[pos];
        unsigned char k = k_chars.c[ch];
        if (k == 0) break;
        if (is_sep<V2>(ch)) {
            if (V2 && (k & 8) && obj) ++obj->m_line;
            ++pos;
            continue;
        }
        if ((k & 4) && L.m_comments == 1) {
            L.m_pos = pos + 1;
            skip_comment(L);
            pos = L.m_pos;
            continue;
        }
        break;
    }
    // A plain word: ordinary characters up to a separator or a bracket.
    int32_t start = pos;
    for (;;) {
        if (pos >= len) break;
        unsigned char ch = buf[pos];
        unsigned char k = k_chars.c[ch];
        if (k == 0) {
            ++pos;
            continue;
        }
        if (is_sep<V2>(ch) || (k & 2)) break;
        if ((k & 4) && L.m_comments == 1) {   // comment inside a word: full scanner
            pos = -1;
            break;
        }
        ++pos;
    }
    if (pos > start && pos - start <= k_max_word) {
        L.m_tok_start = start;
        L.m_pos = pos;
        *b = L.m_buf + start;
        *e = L.m_buf + pos;
        return TOK_WORD;
    }
    L.m_pos = start;
    scan<V2>(L, V2 && obj ? &obj->m_line : nullptr);
    if (!L.m_word[0]) return TOK_END;
    if (L.m_word[0] == ']' && !L.m_word[1]) return TOK_CLOSE;
    *b = L.m_word;
    *e = L.m_word + std::strlen(L.m_word);
    return TOK_WORD;
}

template <bool V2, class T, class Conv>
int read_list(Scene& L, OBJECT3D* obj, T* dst, int cap, int& n, const char* list, Conv conv)
{
    n = 0;
    int stored = 0;
    const int32_t list_start = L.m_pos > 0 ? L.m_pos - 1 : 0;   // just after "["
    for (;;) {
        const char* b;
        const char* e;
        int t = next_list_token<V2>(L, obj, &b, &e);
        if (t == TOK_END) {
            n = stored;
            return 0;
        }
        if (t == TOK_CLOSE) {
            n = stored;
            return 1;
        }
        if (stored >= cap) {
            if (!list) continue;   // stored "at most cap": the rest is dropped
            n = stored;
            L.refuse_list(list, cap, list_start);
            return -1;
        }
        dst[stored++] = conv(b, e);
    }
}

} // namespace

void next_token(Scene& loader) { scan<false>(loader, nullptr); }

void next_token2(OBJECT3D& obj, Scene& loader) { scan<true>(loader, &obj.m_line); }

void skip_line(Scene& loader)
{
    if (loader.m_pos < loader.m_len) skip_comment(loader);
    next_token(loader);
}

int read_float_list(Scene& L, OBJECT3D* obj, float* dst, int cap, int& n, const char* list)
{
    auto conv = [](const char* b, const char* e) { return (float)qv_strtod(b, e); };
    return obj ? read_list<true>(L, obj, dst, cap, n, list, conv) : read_list<false>(L, obj, dst, cap, n, list, conv);
}

int read_int_list(Scene& L, OBJECT3D* obj, int32_t* dst, int cap, int& n, const char* list)
{
    auto conv = [](const char* b, const char* e) { return parse_int(b, e); };
    return obj ? read_list<true>(L, obj, dst, cap, n, list, conv) : read_list<false>(L, obj, dst, cap, n, list, conv);
}
