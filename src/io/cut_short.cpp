#include "io/cut_short.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "io/scene_loader.h"
#include "base/cformat.h"
#include "base/report.h"

namespace {

enum : unsigned char { OTHER, OPEN, CLOSE, QUOTE, HASH };

struct Classes {
    unsigned char c[256];
    constexpr Classes() : c()
    {
        c[(unsigned char)'{'] = OPEN;
        c[(unsigned char)'['] = OPEN;
        c[(unsigned char)'}'] = CLOSE;
        c[(unsigned char)']'] = CLOSE;
        c[(unsigned char)'"'] = QUOTE;
        c[(unsigned char)'#'] = HASH;
    }
};
constexpr Classes k_classes;

bool is_separator(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == ',' || ch == ';';
}

bool ends_word(char ch)
{
    return is_separator(ch) || k_classes.c[(unsigned char)ch] != OTHER;
}

int line_of(const char* buf, int32_t pos)
{
    return 1 + (int)std::count(buf, buf + pos, '\n');
}

// The word just before the bracket at `at` (the node type before "{", the
// field name before "["), or "" when there is none.
std::string word_before(const char* buf, int32_t at)
{
    int32_t e = at;
    while (e > 0 && is_separator(buf[e - 1])) --e;
    int32_t b = e;
    while (b > 0 && e - b < 64 && !ends_word(buf[b - 1])) --b;
    return std::string(buf + b, (size_t)(e - b));
}

std::string node_at(const char* buf, int32_t at)
{
    std::string name = word_before(buf, at);
    return (name.empty() ? std::string("a node") : name) + qv_format(" opened at line %d", line_of(buf, at));
}

// Words after the last top-level node: only complete "ROUTE a TO b" and
// "USE a" statements (and quoted strings) may end a file; anything else is
// a node whose body is missing.
std::string dangling_tail(const char* buf, int32_t from, int32_t len)
{
    std::vector<std::pair<int32_t, int32_t>> words;   // [begin, end)
    for (int32_t i = from; i < len;) {
        char ch = buf[i];
        if (is_separator(ch)) {
            ++i;
        } else if (ch == '#') {
            const void* nl = std::memchr(buf + i, '\n', (size_t)(len - i));
            i = nl ? (int32_t)(static_cast<const char*>(nl) - buf) + 1 : len;
        } else if (ch == '"') {
            int32_t j = i + 1;
            while (j < len && buf[j] != '"') j += buf[j] == '\\' ? 2 : 1;
            words.push_back({i, i + 1});   // a string stands for itself
            i = j + 1;
        } else {
            int32_t j = i;
            while (j < len && !ends_word(buf[j])) ++j;
            if (j == i) j = i + 1;   // a stray closing bracket
            words.push_back({i, j});
            i = j;
        }
    }
    auto is = [&](size_t k, const char* w) {
        return k < words.size() && (size_t)(words[k].second - words[k].first) == std::strlen(w) &&
               std::memcmp(buf + words[k].first, w, std::strlen(w)) == 0;
    };
    for (size_t k = 0; k < words.size();) {
        if (is(k, "ROUTE") && k + 3 < words.size() && is(k + 2, "TO")) k += 4;
        else if (is(k, "USE") && k + 1 < words.size()) k += 2;
        else if (buf[words[k].first] == '"' || buf[words[k].first] == '}' || buf[words[k].first] == ']') k += 1;
        else {
            int32_t b = words[k].first;
            int32_t n = std::min<int32_t>(words[k].second - b, 64);
            return qv_format("ends after %.*s at line %d", (int)n, buf + b, line_of(buf, b));
        }
    }
    return {};
}

} // namespace

namespace {
// Sixteen bytes compared at once (SSE2 or NEON, as the compiler chooses):
// 0xff where the byte is a bracket, a quotation mark or '#'.
typedef unsigned char v16 __attribute__((vector_size(16)));

inline v16 specials(v16 v)
{
    const v16 o = v | 0x20;   // '[' -> '{', ']' -> '}'
    return (v16)((o == 0x7B) | (o == 0x7D) | ((v & 0xFE) == 0x22));   // '"' and '#'
}

// True when none of the 32 bytes at p matters to the scan.
inline bool plain32(const unsigned char* p)
{
    v16 a, b;
    std::memcpy(&a, p, 16);
    std::memcpy(&b, p + 16, 16);
    const v16 m = specials(a) | specials(b);
    uint64_t w[2];
    std::memcpy(w, &m, 16);
    return (w[0] | w[1]) == 0;
}
} // namespace

std::string vrml_left_open(const char* buf, int32_t len)
{
    if (!buf || len <= 0) return {};
    const auto* p = reinterpret_cast<const unsigned char*>(buf);
    std::vector<int32_t> open;   // positions of the "{" and "[" not yet closed
    int32_t string_at = -1;
    int32_t top_end = 0;         // just after the last bracket closed at the top level
    int32_t i = 0;
    while (i < len) {
        // Long number lists hold none of the characters looked for.
        if (len - i >= 32 && plain32(p + i)) {
            i += 32;
            continue;
        }
        switch (k_classes.c[p[i]]) {
        case OTHER: break;
        case OPEN: open.push_back(i); break;
        case CLOSE:
            if (!open.empty()) open.pop_back();
            if (open.empty()) top_end = i + 1;
            break;
        case HASH: {   // a comment runs to the end of its line
            const void* nl = std::memchr(p + i, '\n', (size_t)(len - i));
            i = nl ? (int32_t)(static_cast<const unsigned char*>(nl) - p) : len;
            break;
        }
        case QUOTE: {
            int32_t j = i + 1;
            while (j < len && p[j] != '"') j += p[j] == '\\' ? 2 : 1;
            if (j >= len) {
                string_at = i;
                i = len;
            } else {
                i = j;
            }
            break;
        }
        }
        ++i;
    }
    if (string_at < 0 && open.empty()) return dangling_tail(buf, top_end, len);

    // The innermost open node, for the lists and strings inside it.
    auto enclosing = [&](size_t below) -> std::string {
        for (size_t k = below; k-- > 0;)
            if (buf[open[k]] == '{') return ", in " + node_at(buf, open[k]);
        return {};
    };
    if (string_at >= 0)
        return qv_format("ends inside a string opened at line %d", line_of(buf, string_at)) + enclosing(open.size());
    const int32_t top = open.back();
    if (buf[top] == '{') return "ends inside " + node_at(buf, top);
    std::string list = word_before(buf, top);
    return "ends inside " + (list.empty() ? std::string("a list") : "the list " + list) +
           qv_format(" opened at line %d", line_of(buf, top)) + enclosing(open.size() - 1);
}

void report_cut_short(const std::string& path, const std::string& what)
{
    MessageBox("File " + path + " " + what + ": the file may be cut short");
}

void check_cut_short(const Scene& L)
{
    int32_t last = L.m_len;
    while (last > 0 && is_separator(L.m_buf[last - 1])) --last;
    const bool closed = last > 0 && (L.m_buf[last - 1] == '}' || L.m_buf[last - 1] == ']');
    if (L.m_depth == 0 && closed) return;
    std::string open = vrml_left_open(L.m_buf, L.m_len);
    if (!open.empty()) report_cut_short(L.m_filename, open);
}
