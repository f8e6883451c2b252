#include "io/marker_layout.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "io/scene_loader.h"

namespace vrml {

namespace {

bool word_char(unsigned char c)
{
    return !(c <= ' ' || c == '{' || c == '}' || c == '[' || c == ']' || c == '"' || c == '#' || c == ',' ||
             c == 127);
}

bool geometry_word(std::string_view w, int version)
{
    static constexpr std::string_view v2[] = {"IndexedFaceSet", "IndexedLineSet", "PointSet", "Box", "Sphere",
                                              "Cone", "Cylinder", "ElevationGrid", "Extrusion", "Text"};
    static constexpr std::string_view v1[] = {"IndexedFaceSet", "IndexedLineSet", "PointSet", "Cube", "Sphere",
                                              "Cone", "Cylinder", "AsciiText", "FaceSet", "TriangleStripSet",
                                              "QuadMesh", "IndexedTriangleStripSet"};
    if (version == 1) {
        for (std::string_view g : v1)
            if (w == g) return true;
    } else {
        for (std::string_view g : v2)
            if (w == g) return true;
    }
    return false;
}

// One open brace or bracket; for a brace, whether it opens a Separator.
struct Frame {
    bool brace;
    bool separator;
};

} // namespace

MarkerScan scan_markers(const Scene& L, int version)
{
    MarkerScan r;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(L.m_buf);
    const size_t n = L.m_len > 0 ? (size_t)L.m_len : 0;
    std::vector<Frame> stack;
    size_t word_at = 0, word_len = 0;   // the last word before the current position
    size_t i = 0;
    // The header line is a comment.
    if (n && b[0] == '#') {
        const void* nl = std::memchr(b, '\n', n);
        i = nl ? (size_t)((const unsigned char*)nl - b) + 1 : n;
    }
    while (i < n) {
        unsigned char c = b[i];
        if (word_char(c)) {
            size_t s = i;
            while (i < n && word_char(b[i])) ++i;
            word_at = s;
            word_len = i - s;
            continue;
        }
        switch (c) {
        case '"':
            for (++i; i < n && b[i] != '"'; ++i)
                if (b[i] == '\\') ++i;
            ++i;
            word_len = 0;
            continue;
        case '#': {
            size_t q = i + 1;
            while (q < n && (b[q] == ' ' || b[q] == '\t')) ++q;
            if (n - q >= 8 && std::memcmp(b + q, "Object", 6) == 0 && (b[q + 6] == ' ' || b[q + 6] == '\t')) {
                size_t t = q + 6;
                while (t < n && (b[t] == ' ' || b[t] == '\t')) ++t;
                if (t < n && b[t] == '"') {
                    ++r.markers;
                    bool top = stack.empty();
                    bool in_separator = version == 1 && stack.size() == 1 && stack[0].brace && stack[0].separator;
                    if (!top && !in_separator) ++r.misplaced;
                }
            }
            const void* nl = std::memchr(b + i, '\n', n - i);
            i = nl ? (size_t)((const unsigned char*)nl - b) + 1 : n;
            continue;
        }
        case '{': {
            std::string_view w(reinterpret_cast<const char*>(b) + word_at, word_len);
            if (geometry_word(w, version)) ++r.geometry;
            stack.push_back(Frame{true, w == "Separator"});
            break;
        }
        case '[':
            stack.push_back(Frame{false, false});
            break;
        case '}':
        case ']':
            if (!stack.empty()) stack.pop_back();
            break;
        default:   // blanks and commas keep the word before them
            ++i;
            continue;
        }
        word_len = 0;
        ++i;
    }
    return r;
}

bool markers_in_place(const Scene& L, int version)
{
    MarkerScan s = scan_markers(L, version);
    return s.markers > 0 && s.misplaced == 0;
}

} // namespace vrml
