// Text shapes: strings laid out with an installed font (found through
// fontconfig by family and style), their glyph outlines from FreeType,
// filled as triangles facing +z in the plane z = 0.
//
// Filling outlines needs a polygon tessellator, which the core does not
// carry: the render layer installs one (set_outline_triangulator). Without
// one, text is left out with a message.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vrml {

struct Mesh;
struct VNode;

// Closed contours (the last point joins the first) of one outline.
using Contours = std::vector<std::vector<std::array<double, 2>>>;
// Fills the region of nonzero winding of `contours`: `points` receives the
// corners (the contour points, then any the tessellator adds) and `tris`
// three corner numbers per triangle. false when it cannot be filled.
using OutlineTriangulator =
    std::function<bool(const Contours& contours, std::vector<std::array<double, 2>>& points, std::vector<int32_t>& tris)>;

// Installs the tessellator (empty: none) and returns the previous one.
OutlineTriangulator set_outline_triangulator(OutlineTriangulator fn);
bool has_outline_triangulator();

struct TextStyle {
    std::vector<std::string> family{"SERIF"};   // SERIF, SANS, TYPEWRITER or a font family name
    bool bold = false, italic = false;
    float size = 1.f;          // height of the em square in scene units
    float spacing = 1.f;       // line advance, in sizes
    int major = 0;             // 0 BEGIN, 1 MIDDLE, 2 END
    int minor = 0;             // 0 FIRST, 1 BEGIN, 2 MIDDLE, 3 END
    std::vector<float> length; // per line: stretched or squeezed to this width (0: natural)
    float max_extent = 0.f;    // the longest line squeezed to this width (0: no limit)
};

// Style words of FontStyle: "BOLD", "ITALIC", "BOLDITALIC", "PLAIN" (and
// the VRML 1.0 words "NONE", "BOLD|ITALIC").
void text_style_words(TextStyle& st, const std::string& style);
// Justify words: "BEGIN"/"LEFT", "MIDDLE"/"CENTER", "END"/"RIGHT" for the
// major direction, "FIRST", "BEGIN", "MIDDLE", "END" for the minor one.
int text_major(const std::string& w);
int text_minor(const std::string& w);

// Appends the filled glyphs of `lines` (UTF-8) to `mesh` as triangles with
// one normal (0, 0, 1). `note(key, text)` receives what went wrong (a font
// that was not found, glyphs that could not be filled); the caller says
// each key once. false when no glyph could be made at all.
bool make_text(Mesh& mesh, const std::vector<std::string>& lines, const TextStyle& st,
               const std::function<void(const std::string&, const std::string&)>& note);

// The nodes: a VRML 2.0 Text (with its FontStyle), a VRML 1.0 AsciiText
// with the FontStyle in force (null: the defaults).
bool text_node2(Mesh& mesh, const VNode& text, const std::function<void(const std::string&, const std::string&)>& note);
bool text_node1(Mesh& mesh, const VNode& text, const VNode* font_style,
                const std::function<void(const std::string&, const std::string&)>& note);

} // namespace vrml
