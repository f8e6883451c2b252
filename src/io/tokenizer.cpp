// The VRML token scanner (both variants), the line skip and the number
// lists of the readers.
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/cformat.h"
#include "io/list_ahead.h"
#include "io/scene_loader.h"
#include "scene/object3d.h"
#include "base/report.h"

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
    if (--L.m_tick_countdown < 0) L.progress_tick();
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

enum { TOK_END, TOK_CLOSE, TOK_WORD, TOK_NUM };

constexpr double k_pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Plain decimal numbers ("-12", "0.500000") converted while scanning, with
// the same result as the full conversion: a mantissa below 2^53 divided by
// an exact power of ten is correctly rounded. Anything else (exponents,
// long mantissas, words) returns false and takes the general road.
// Number of leading decimal digits (0 to 8) in the 8 bytes at p, and their
// value in *val. Eight digits at a time, without a loop over the bytes.
inline int lead_digits(const unsigned char* p, uint64_t* val)
{
    uint64_t w;
    std::memcpy(&w, p, 8);
    uint64_t x = w - 0x3030303030303030ULL;
    uint64_t non_digit = ((w + 0x4646464646464646ULL) | x) & 0x8080808080808080ULL;
    int k = non_digit ? __builtin_ctzll(non_digit) >> 3 : 8;
    if (k == 0) {
        *val = 0;
        return 0;
    }
    x <<= (8 - k) * 8;   // the k digits last, leading zeros before them
    x = (x * 10) + (x >> 8);
    x = (((x & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
         (((x >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
        32;
    *val = x;
    return k;
}

// Skips separators; blanks eight at a time. Counts line feeds in `lines`.
template <bool V2>
inline const unsigned char* skip_separators(const unsigned char* p, const unsigned char* end, int& lines)
{
    for (;;) {
        if (end - p >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            uint64_t x = w ^ 0x2020202020202020ULL;   // zero bytes are blanks
            if (x == 0) {
                p += 8;
                continue;
            }
            p += __builtin_ctzll(x) >> 3;
        }
        if (p >= end) return p;
        unsigned char c = *p;
        if (!is_sep<V2>(c)) return p;
        if (V2 && c == '\n') ++lines;
        ++p;
    }
}

constexpr uint64_t k_ipow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Characters that end a word: separators and brackets.
template <bool V2>
inline bool ends_word(unsigned char ch)
{
    return (k_chars.c[ch] & (V2 ? (1 | 2 | 16) : (1 | 2))) != 0;
}

// p < end. The common case (at most 7 digits before and after the point,
// 18 bytes or more left) is read with two eight-byte loads.
template <bool V2, bool INT>
__attribute__((always_inline)) inline bool fast_number(const unsigned char* p, const unsigned char* end,
                                                       const unsigned char** stop, double* out)
{
    const bool neg = *p == '-';
    if (neg || *p == '+') ++p;
    uint64_t m = 0;
    int digits = 0, frac = 0;
    if (end - p >= 18) {
        uint64_t v;
        int k = lead_digits(p, &v);
        if (k == 8) goto bytewise;
        const unsigned char* q = p + k;
        m = v;
        digits = k;
        if (!INT && *q == '.') {
            ++q;
            int k2 = lead_digits(q, &v);
            if (k2 == 8) goto bytewise;
            m = m * k_ipow10[k2] + v;
            digits += k2;
            frac = k2;
            q += k2;
        }
        if (digits == 0 || !ends_word<V2>(*q)) return false;
        p = q;
    } else {
    bytewise:
        m = 0;
        digits = frac = 0;
        while (p < end && (unsigned)(*p - '0') < 10u) {
            m = m * 10 + (unsigned)(*p - '0');
            ++digits;
            ++p;
        }
        if (!INT && p < end && *p == '.') {
            ++p;
            while (p < end && (unsigned)(*p - '0') < 10u) {
                m = m * 10 + (unsigned)(*p - '0');
                ++digits;
                ++frac;
                ++p;
            }
        }
        if (digits == 0 || digits > (INT ? 9 : 15) || frac > 22) return false;
        if (p < end && !ends_word<V2>(*p)) return false;
    }
    double v = INT ? (double)(int64_t)m : (double)(int64_t)m / k_pow10[frac];
    *out = neg ? -v : v;
    *stop = p;
    return true;
}

// Reads the next token of a number list. A plain word is left in the
// buffer as [*b, *e) (the token buffer is not touched); a bracket or a word
// that needs the full scanner goes through it and is then found in m_word.
template <bool V2, bool INT>
inline int next_list_token(Scene& L, OBJECT3D* obj, const char** b, const char** e, double* num)
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
    int32_t start = pos;
    const unsigned char* stop;
    if (fast_number<V2, INT>(buf + pos, buf + len, &stop, num)) {
        L.m_tok_start = start;
        L.m_pos = (int32_t)(stop - buf);
        return TOK_NUM;
    }
    // A plain word: ordinary characters up to a separator or a bracket.
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

// Values between two looks at the load progress.
constexpr size_t k_progress_chunk = 1 << 16;

// Reads a list into dst (cap entries). With `grow`, dst is the storage of
// that block and the block grows when the list is longer; without, values
// beyond cap are read and dropped.
template <bool V2, bool INT, class T, class Conv>
int read_list(Scene& L, OBJECT3D* obj, TempBlock* grow, T* dst, size_t cap, int& n, const char* list, Conv conv)
{
    n = 0;
    size_t stored = 0;
    bool closed = false;
    const int32_t list_start = L.m_pos > 0 ? L.m_pos - 1 : 0;   // just after "["
    const unsigned char* buf = (const unsigned char*)L.m_buf;
    const unsigned char* end = buf + L.m_len;
    // A list holds at most one value per two bytes of the file, so the
    // count fits in an int.
    auto make_room = [&]() {
        if (!grow->reserve<T>(stored + 1)) {
            n = (int)stored;
            L.refuse_list(list, list_start);
            return false;
        }
        dst = grow->as<T>();
        cap = grow->capacity<T>();
        return true;
    };
    for (;;) {
        // Fast lane: runs of plain numbers between plain separators, in
        // chunks, with a look at the load progress between them.
        const unsigned char* p = buf + L.m_pos;
        int lines = 0;
        const size_t lim = std::min(cap, stored + k_progress_chunk);
        while (stored < lim) {
            p = skip_separators<V2>(p, end, lines);
            double v;
            const unsigned char* stop;
            if (p >= end || !fast_number<V2, INT>(p, end, &stop, &v)) break;
            dst[stored++] = (T)v;
            p = stop;
        }
        L.m_pos = (int32_t)(p - buf);
        if (V2 && obj) obj->m_line += lines;
        if (stored == lim) {
            L.progress_tick();
            if (lim < cap) continue;
            if (grow) {
                if (!make_room()) return -1;
                continue;
            }
        }
        // Anything else, one token at a time.
        const char* b;
        const char* e;
        double num;
        int t = next_list_token<V2, INT>(L, obj, &b, &e, &num);
        if (t == TOK_END || t == TOK_CLOSE) {
            n = (int)stored;
            closed = t == TOK_CLOSE;
            break;
        }
        if (stored >= cap) {
            if (!grow) continue;   // stored "at most cap": the rest is dropped
            if (!make_room()) return -1;
        }
        dst[stored++] = t == TOK_NUM ? (T)num : conv(b, e);
    }
    L.release_read_pages();
    L.stop_if_unwanted();
    // Room for one more entry: the closing -1 the index readers may add.
    if (grow && INT && !grow->reserve<T>(stored + 1)) {
        L.refuse_list(list, list_start);
        return -1;
    }
    return closed ? 1 : 0;
}

} // namespace

void next_token(Scene& loader) { scan<false>(loader, nullptr); }

int64_t count_line_feeds(const char* b, const char* e)
{
    int64_t n = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    while (e - b >= 16 * 255) {
        // Up to 255 blocks add into byte counters before they are summed.
        __m128i acc = _mm_setzero_si128();
        for (int i = 0; i < 255; ++i, b += 16)
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), lf));
        __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
        n += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
    while (e - b >= 16) {
        n += __builtin_popcount((unsigned)_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), lf)));
        b += 16;
    }
#endif
    for (; b < e; ++b) n += *b == '\n';
    return n;
}

void next_token2(OBJECT3D& obj, Scene& loader) { scan<true>(loader, &obj.m_line); }

void skip_line(Scene& loader)
{
    if (loader.m_pos < loader.m_len) skip_comment(loader);
    next_token(loader);
}

namespace {
auto float_conv = [](const char* b, const char* e) { return (float)qv_strtod(b, e); };
auto int_conv = [](const char* b, const char* e) { return parse_int(b, e); };
} // namespace

namespace {
// A list read ahead on another thread: taken as the reading would have
// left it, with the reading's looks at the pages, the clock and a stop.
int taken_ahead(Scene& L, OBJECT3D* obj, bool ints, TempBlock* dst, void* capped, int cap, int& n)
{
    if (!L.m_ahead) return ListsAhead::k_not_ahead;
    int r = L.m_ahead->take(L, obj, ints, dst, capped, cap, n);
    if (r == ListsAhead::k_not_ahead) return r;
    L.release_read_pages();
    if (!L.stop_if_unwanted() && --L.m_tick_countdown < 0) L.progress_tick();
    return r;
}
} // namespace

int read_float_list(Scene& L, OBJECT3D* obj, TempBlock& dst, int& n, const char* list)
{
    int ahead = taken_ahead(L, obj, false, &dst, nullptr, 0, n);
    if (ahead != ListsAhead::k_not_ahead) return ahead;
    float* p = dst.as<float>();
    size_t cap = dst.capacity<float>();
    return obj ? read_list<true, false>(L, obj, &dst, p, cap, n, list, float_conv)
               : read_list<false, false>(L, obj, &dst, p, cap, n, list, float_conv);
}

int read_int_list(Scene& L, OBJECT3D* obj, TempBlock& dst, int& n, const char* list)
{
    int ahead = taken_ahead(L, obj, true, &dst, nullptr, 0, n);
    if (ahead != ListsAhead::k_not_ahead) return ahead;
    int32_t* p = dst.as<int32_t>();
    size_t cap = dst.capacity<int32_t>();
    return obj ? read_list<true, true>(L, obj, &dst, p, cap, n, list, int_conv)
               : read_list<false, true>(L, obj, &dst, p, cap, n, list, int_conv);
}

int read_float_list(Scene& L, OBJECT3D* obj, float* dst, int cap, int& n)
{
    int ahead = taken_ahead(L, obj, false, nullptr, dst, cap, n);
    if (ahead != ListsAhead::k_not_ahead) return ahead;
    size_t c = cap > 0 ? (size_t)cap : 0;
    return obj ? read_list<true, false>(L, obj, nullptr, dst, c, n, nullptr, float_conv)
               : read_list<false, false>(L, obj, nullptr, dst, c, n, nullptr, float_conv);
}

int read_int_list(Scene& L, OBJECT3D* obj, int32_t* dst, int cap, int& n)
{
    int ahead = taken_ahead(L, obj, true, nullptr, dst, cap, n);
    if (ahead != ListsAhead::k_not_ahead) return ahead;
    size_t c = cap > 0 ? (size_t)cap : 0;
    return obj ? read_list<true, true>(L, obj, nullptr, dst, c, n, nullptr, int_conv)
               : read_list<false, true>(L, obj, nullptr, dst, c, n, nullptr, int_conv);
}
