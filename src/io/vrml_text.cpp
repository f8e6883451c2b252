#include "io/vrml_text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "base/cformat.h"
#include "base/utf8.h"
#include "io/vrml_mesh.h"
#include "io/vrml_tree.h"

namespace vrml {

namespace {

OutlineTriangulator& triangulator()
{
    static OutlineTriangulator fn;
    return fn;
}

// Curve pieces: a quadratic arc becomes this many segments, a cubic one
// twice as many.
constexpr int k_conic_steps = 8;
// Slant of an italic drawn from an upright face.
constexpr double k_slant = 0.2;

struct Glyph {
    bool made = false;   // outline filled (or empty, as a blank)
    bool failed = false;
    double advance = 0;  // font units
    std::vector<std::array<double, 2>> points;
    std::vector<int32_t> tris;
};

struct Font {
    FT_Face face = nullptr;
    bool slant = false;   // italic asked, upright face found
    std::map<FT_UInt, Glyph> glyphs;
};

// Fonts, opened once per process and kept.
struct FontLibrary {
    FT_Library ft = nullptr;
    bool tried = false;
    std::map<std::string, std::unique_ptr<Font>> fonts;   // by family, style
    std::map<std::string, FT_Face> faces;                  // by file and index

    bool init()
    {
        if (!tried) {
            tried = true;
            if (FT_Init_FreeType(&ft) != 0) ft = nullptr;
            if (!FcInit()) ft = nullptr;
        }
        return ft != nullptr;
    }

    FT_Face open_face(const std::string& file, int index)
    {
        std::string key = file + "#" + std::to_string(index);
        auto it = faces.find(key);
        if (it != faces.end()) return it->second;
        FT_Face f = nullptr;
        if (FT_New_Face(ft, file.c_str(), index, &f) != 0 || !(f->face_flags & FT_FACE_FLAG_SCALABLE)) {
            if (f) FT_Done_Face(f);
            f = nullptr;
        }
        faces[key] = f;
        return f;
    }
};

FontLibrary& library()
{
    static FontLibrary lib;
    return lib;
}

std::string generic_family(const std::string& w)
{
    if (w == "SERIF") return "serif";
    if (w == "SANS") return "sans-serif";
    if (w == "TYPEWRITER") return "monospace";
    return "";
}

std::string lower(std::string s)
{
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

// The font file fontconfig gives for a family and style; `exact` tells
// whether it is of the family asked for (always for the generic names).
bool match_font(const std::string& family, bool bold, bool italic, std::string& file, int& index, bool& upright,
                bool& exact, std::string& found_family)
{
    std::string generic = generic_family(family);
    FcPattern* pat = FcPatternCreate();
    if (!pat) return false;
    const std::string asked = generic.empty() ? family : generic;
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(asked.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    FcPatternDestroy(pat);
    if (!m) return false;
    FcChar8* f = nullptr;
    bool ok = FcPatternGetString(m, FC_FILE, 0, &f) == FcResultMatch && f;
    if (ok) {
        file = reinterpret_cast<const char*>(f);
        int idx = 0;
        index = FcPatternGetInteger(m, FC_INDEX, 0, &idx) == FcResultMatch ? idx : 0;
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(m, FC_SLANT, 0, &slant);
        upright = slant == FC_SLANT_ROMAN;
        FcChar8* fam = nullptr;
        found_family = FcPatternGetString(m, FC_FAMILY, 0, &fam) == FcResultMatch && fam
                           ? reinterpret_cast<const char*>(fam)
                           : std::string();
        exact = !generic.empty() || lower(found_family) == lower(family);
    }
    FcPatternDestroy(m);
    return ok;
}

using Note = std::function<void(const std::string&, const std::string&)>;

// The font of a style: the first family of the list that is installed,
// else any installed font (said once).
Font* font_for(const TextStyle& st, const Note& note)
{
    FontLibrary& lib = library();
    if (!lib.init()) {
        note("font library", "Text: the font library cannot be started; text is not drawn");
        return nullptr;
    }
    std::string key;
    for (const std::string& f : st.family) key += f + "|";
    key += st.bold ? "B" : "";
    key += st.italic ? "I" : "";
    auto it = lib.fonts.find(key);
    if (it != lib.fonts.end()) return it->second.get();

    std::vector<std::string> families = st.family;
    if (families.empty()) families.push_back("SERIF");
    FT_Face face = nullptr;
    bool upright = true;
    std::string first_found;
    for (const std::string& fam : families) {
        std::string file, found;
        int index = 0;
        bool up = true, exact = false;
        if (!match_font(fam, st.bold, st.italic, file, index, up, exact, found)) continue;
        FT_Face f = lib.open_face(file, index);
        if (!f) continue;
        if (exact) {
            face = f;
            upright = up;
            break;
        }
        if (!face) {
            face = f;
            upright = up;
            first_found = found;
        }
    }
    if (face && !first_found.empty())
        note("font " + families[0], qv_format("Text: font \"%s\" is not installed; %s is used", families[0].c_str(),
                                              first_found.c_str()));
    if (!face) {
        // Whatever scalable font fontconfig knows of.
        std::string file, found;
        int index = 0;
        bool up = true, exact = false;
        if (match_font("sans-serif", false, false, file, index, up, exact, found)) face = lib.open_face(file, index);
        if (face)
            note("font " + families[0], qv_format("Text: font \"%s\" is not installed; %s is used",
                                                  families[0].c_str(), found.c_str()));
    }
    if (!face) {
        note("no font", "Text: no font is installed; text is not drawn");
        return nullptr;
    }
    auto font = std::make_unique<Font>();
    font->face = face;
    font->slant = st.italic && upright;
    Font* r = font.get();
    lib.fonts[key] = std::move(font);
    return r;
}

// ------------------------------------------------------------ outlines

struct Flatten {
    Contours contours;
    double x = 0, y = 0;

    void point(double px, double py)
    {
        if (contours.empty()) contours.emplace_back();
        contours.back().push_back({px, py});
        x = px;
        y = py;
    }
    static int move_to(const FT_Vector* to, void* u)
    {
        auto* f = static_cast<Flatten*>(u);
        f->contours.emplace_back();
        f->point((double)to->x, (double)to->y);
        return 0;
    }
    static int line_to(const FT_Vector* to, void* u)
    {
        static_cast<Flatten*>(u)->point((double)to->x, (double)to->y);
        return 0;
    }
    static int conic_to(const FT_Vector* c, const FT_Vector* to, void* u)
    {
        auto* f = static_cast<Flatten*>(u);
        double x0 = f->x, y0 = f->y;
        for (int i = 1; i <= k_conic_steps; ++i) {
            double t = (double)i / k_conic_steps, s = 1 - t;
            f->point(s * s * x0 + 2 * s * t * (double)c->x + t * t * (double)to->x,
                     s * s * y0 + 2 * s * t * (double)c->y + t * t * (double)to->y);
        }
        return 0;
    }
    static int cubic_to(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u)
    {
        auto* f = static_cast<Flatten*>(u);
        double x0 = f->x, y0 = f->y;
        const int steps = 2 * k_conic_steps;
        for (int i = 1; i <= steps; ++i) {
            double t = (double)i / steps, s = 1 - t;
            f->point(s * s * s * x0 + 3 * s * s * t * (double)c1->x + 3 * s * t * t * (double)c2->x + t * t * t * (double)to->x,
                     s * s * s * y0 + 3 * s * s * t * (double)c1->y + 3 * s * t * t * (double)c2->y + t * t * t * (double)to->y);
        }
        return 0;
    }
};

// Contours without repeated points, and without the closing point that
// repeats the first; contours of fewer than three points dropped.
void clean(Contours& cs)
{
    Contours out;
    for (auto& c : cs) {
        std::vector<std::array<double, 2>> k;
        for (const auto& p : c)
            if (k.empty() || k.back() != p) k.push_back(p);
        while (k.size() > 1 && k.back() == k.front()) k.pop_back();
        if (k.size() >= 3) out.push_back(std::move(k));
    }
    cs = std::move(out);
}

Glyph& glyph_of(Font& font, FT_UInt index)
{
    Glyph& g = font.glyphs[index];
    if (g.made || g.failed) return g;
    FT_Face face = font.face;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        g.failed = true;
        return g;
    }
    g.advance = (double)face->glyph->advance.x;
    Flatten fl;
    FT_Outline_Funcs funcs{};
    funcs.move_to = &Flatten::move_to;
    funcs.line_to = &Flatten::line_to;
    funcs.conic_to = &Flatten::conic_to;
    funcs.cubic_to = &Flatten::cubic_to;
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &fl) != 0) {
        g.failed = true;
        return g;
    }
    clean(fl.contours);
    if (fl.contours.empty()) {
        g.made = true;   // a blank
        return g;
    }
    if (font.slant)
        for (auto& c : fl.contours)
            for (auto& p : c) p[0] += k_slant * p[1];
    const OutlineTriangulator& tri = triangulator();
    if (!tri || !tri(fl.contours, g.points, g.tris) || g.tris.size() % 3 != 0) {
        g.points.clear();
        g.tris.clear();
        g.failed = true;
        return g;
    }
    for (int32_t v : g.tris)
        if (v < 0 || (size_t)v >= g.points.size()) {
            g.points.clear();
            g.tris.clear();
            g.failed = true;
            return g;
        }
    g.made = true;
    return g;
}

// Code points of a UTF-8 text; a byte that starts no valid sequence reads
// as U+FFFD.
std::vector<uint32_t> code_points(const std::string& s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        uint32_t cp = 0;
        out.push_back(utf8_next(s, i, cp) ? cp : 0xFFFD);
    }
    return out;
}

} // namespace

OutlineTriangulator set_outline_triangulator(OutlineTriangulator fn)
{
    OutlineTriangulator old = std::move(triangulator());
    triangulator() = std::move(fn);
    return old;
}

bool has_outline_triangulator() { return (bool)triangulator(); }

void text_style_words(TextStyle& st, const std::string& style)
{
    st.bold = style.find("BOLD") != std::string::npos;
    st.italic = style.find("ITALIC") != std::string::npos;
}

int text_major(const std::string& w)
{
    if (w == "MIDDLE" || w == "CENTER") return 1;
    if (w == "END" || w == "RIGHT") return 2;
    return 0;
}

int text_minor(const std::string& w)
{
    if (w == "BEGIN") return 1;
    if (w == "MIDDLE") return 2;
    if (w == "END") return 3;
    return 0;
}

bool make_text(Mesh& mesh, const std::vector<std::string>& lines, const TextStyle& st, const Note& note)
{
    if (lines.empty()) return false;
    if (!has_outline_triangulator()) {
        note("no tessellator", "Text: no outline tessellator; text is not drawn");
        return false;
    }
    Font* font = font_for(st, note);
    if (!font) return false;
    FT_Face face = font->face;
    const double em = face->units_per_EM > 0 ? (double)face->units_per_EM : 2048.0;
    const double size = std::isfinite(st.size) && st.size > 0 ? st.size : 1.0;
    const double scale = size / em;
    const double spacing = std::isfinite(st.spacing) ? st.spacing : 1.0;
    const bool kerning = FT_HAS_KERNING(face);

    // Glyphs and natural widths of every line (font units).
    struct Placed {
        const Glyph* g;
        double x;
    };
    std::vector<std::vector<Placed>> placed(lines.size());
    std::vector<double> widths(lines.size(), 0.0);
    int failed = 0;
    uint32_t failed_cp = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        double x = 0;
        FT_UInt prev = 0;
        for (uint32_t cp : code_points(lines[i])) {
            if (cp == '\n' || cp == '\r') continue;
            FT_UInt gi = FT_Get_Char_Index(face, cp);
            if (kerning && prev && gi) {
                FT_Vector k{};
                if (FT_Get_Kerning(face, prev, gi, FT_KERNING_UNSCALED, &k) == 0) x += (double)k.x;
            }
            const Glyph& g = glyph_of(*font, gi);
            if (g.failed) {
                if (!failed++) failed_cp = cp;
            } else {
                placed[i].push_back(Placed{&g, x});
            }
            x += g.advance;
            prev = gi;
        }
        widths[i] = x;
    }
    if (failed)
        note("glyphs", qv_format("Text: %d glyph%s could not be filled (the first U+%04X); left out", failed,
                                 failed > 1 ? "s" : "", failed_cp));

    // Horizontal scale of each line: its length, then the longest extent.
    std::vector<double> sx(lines.size(), 1.0);
    double longest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        double want = i < st.length.size() ? st.length[i] : 0.0;
        if (want > 0 && std::isfinite(want) && widths[i] > 0) sx[i] = want / (widths[i] * scale);
        longest = std::max(longest, widths[i] * scale * sx[i]);
    }
    if (st.max_extent > 0 && std::isfinite(st.max_extent) && longest > st.max_extent)
        for (double& s : sx) s *= st.max_extent / longest;

    // Baselines: the first at y = 0, the others below it.
    const double step = size * spacing;
    const double n = (double)lines.size();
    const double ascent = (double)face->ascender * scale;
    double y0 = 0;
    if (st.minor == 1) y0 = -ascent;
    else if (st.minor == 2) y0 = (n - 1) * step / 2 - ascent / 2;
    else if (st.minor == 3) y0 = (n - 1) * step;

    bool any = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        double w = widths[i] * scale * sx[i];
        double x0 = st.major == 1 ? -w / 2 : st.major == 2 ? -w : 0.0;
        double y = y0 - (double)i * step;
        for (const Placed& p : placed[i]) {
            const Glyph& g = *p.g;
            if (g.tris.empty()) continue;
            int32_t base = (int32_t)mesh.pts.size();
            for (const auto& q : g.points)
                mesh.pts.push_back(Vec3((float)(x0 + (p.x + q[0]) * scale * sx[i]), (float)(y + q[1] * scale), 0.f));
            for (size_t t = 0; t + 2 < g.tris.size(); t += 3) {
                int32_t a = base + g.tris[t], b = base + g.tris[t + 1], c = base + g.tris[t + 2];
                const Vec3 &A = mesh.pts[(size_t)a], &B = mesh.pts[(size_t)b], &C = mesh.pts[(size_t)c];
                double area = ((double)B.x - A.x) * ((double)C.y - A.y) - ((double)B.y - A.y) * ((double)C.x - A.x);
                if (area == 0) continue;
                if (area < 0) std::swap(b, c);   // every face turned to +z
                mesh.idx.insert(mesh.idx.end(), {a, b, c, -1});
                any = true;
            }
        }
    }
    if (!any) return false;
    mesh.glyphs = true;
    mesh.nrm = {Vec3(0.f, 0.f, 1.f)};
    mesh.nidx.assign(mesh.idx.size(), 0);
    for (size_t k = 0; k < mesh.idx.size(); ++k)
        if (mesh.idx[k] == -1) mesh.nidx[k] = -1;
    return true;
}

namespace {
std::vector<std::string> strings_of(const VNode& n)
{
    const VField* f = n.field("string");
    return f ? f->words : std::vector<std::string>();
}

std::vector<float> finite_list(const VNode& n, const char* field)
{
    std::vector<float> r;
    if (const VField* f = n.field(field))
        for (float v : f->nums) r.push_back(std::isfinite(v) ? v : 0.f);
    return r;
}
} // namespace

bool text_node2(Mesh& mesh, const VNode& text, const Note& note)
{
    TextStyle st;
    if (const VNode* fs = text.node("fontStyle")) {
        if (const VField* f = fs->field("family"); f && !f->words.empty()) st.family = f->words;
        text_style_words(st, fs->word("style"));
        st.size = fs->num("size", 1.f);
        st.spacing = fs->num("spacing", 1.f);
        if (const VField* j = fs->field("justify")) {
            if (!j->words.empty()) st.major = text_major(j->words[0]);
            if (j->words.size() > 1) st.minor = text_minor(j->words[1]);
        }
    }
    st.length = finite_list(text, "length");
    st.max_extent = text.num("maxExtent", 0.f);
    return make_text(mesh, strings_of(text), st, note);
}

bool text_node1(Mesh& mesh, const VNode& text, const VNode* fs, const Note& note)
{
    TextStyle st;
    st.size = 10.f;
    if (fs) {
        if (std::string fam = fs->word("family"); !fam.empty()) st.family = {fam};
        if (const VField* f = fs->field("style")) {
            std::string all;
            for (const std::string& w : f->words) all += w;
            text_style_words(st, all);
        }
        st.size = fs->num("size", 10.f);
    }
    st.spacing = text.num("spacing", 1.f);
    st.major = text_major(text.word("justification"));
    st.length = finite_list(text, "width");
    return make_text(mesh, strings_of(text), st, note);
}

} // namespace vrml
