// Text shapes filled from font outlines, the scene file's sky and fog:
// geometry of the glyphs as layout asks, and pixels of the frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "gl_fixture.h"
#include "image/texture.h"
#include "io/open.h"
#include "io/vrml_text.h"
#include "render/outline_tess.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
const std::string k_v2 = "#VRML V2.0 utf8\n";
const std::string k_v1 = "#VRML V1.0 ascii\n";

struct Box2 {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
};

struct TextScene : ::testing::Test {
    ScratchDir dir;
    RecordingReporter rec;
    std::unique_ptr<SCENE3D> s;
    void SetUp() override { install_outline_tessellator(); }

    bool load(const std::string& text)
    {
        write_whole_file("t.wrl", text);
        return open_document("t.wrl", s, FinishFn()) && s;
    }
    // The text object of a file of one shape.
    const OBJECT3D* only() const { return s && s->nbobjects >= 1 ? s->m_objects[0] : nullptr; }
    static Box2 box(const OBJECT3D& o)
    {
        Box2 b;
        for (int i = 0; i < o.nbpts; ++i) {
            const Vec3& p = o.m_vertices[i];
            b.x0 = std::min(b.x0, p.x);
            b.x1 = std::max(b.x1, p.x);
            b.y0 = std::min(b.y0, p.y);
            b.y1 = std::max(b.y1, p.y);
        }
        return b;
    }
    // Covered area of the faces (each one a triangle).
    static double area(const OBJECT3D& o)
    {
        double a = 0;
        for (int k = 0; k + 3 < o.nbindex; k += 4) {
            const Vec3 &A = o.m_vertices[o.m_index[k]], &B = o.m_vertices[o.m_index[k + 1]],
                       &C = o.m_vertices[o.m_index[k + 2]];
            a += ((double)B.x - A.x) * ((double)C.y - A.y) - ((double)B.y - A.y) * ((double)C.x - A.x);
        }
        return a / 2;
    }
    std::string text2(const std::string& strings, const std::string& style, const std::string& extra = "")
    {
        return k_v2 + "Shape { geometry Text { string [ " + strings + " ] " + extra + " fontStyle FontStyle { " + style +
               " } } }\n";
    }
};

Box2 text_box(TextScene& t, const std::string& file)
{
    EXPECT_TRUE(t.load(file));
    const OBJECT3D* o = t.only();
    if (!o) return Box2();
    return TextScene::box(*o);
}
} // namespace

TEST_F(TextScene, GlyphsAreTrianglesFacingTheViewerWithOneNormal)
{
    ASSERT_TRUE(load(text2("\"R12 ok\"", "family \"SANS\" style \"BOLD\" size 1.2")));
    const OBJECT3D* o = only();
    ASSERT_NE(o, nullptr);
    ASSERT_GT(o->nbface, 20);
    EXPECT_EQ(o->nbindex, 4 * o->nbface);   // triangles only
    for (int k = 0; k + 3 < o->nbindex; k += 4) {
        ASSERT_EQ(o->m_index[k + 3], -1);
        const Vec3 &A = o->m_vertices[o->m_index[k]], &B = o->m_vertices[o->m_index[k + 1]],
                   &C = o->m_vertices[o->m_index[k + 2]];
        ASSERT_GT((B.x - A.x) * (C.y - A.y) - (B.y - A.y) * (C.x - A.x), 0.f) << "face " << k / 4;
        ASSERT_EQ(A.z, 0.f);
    }
    ASSERT_EQ(o->nbnormal, 1);
    EXPECT_EQ(o->m_normals[0].z, 1.f);
    // BEGIN: the line starts at x = 0 and stands on the baseline; capitals
    // are about 0.73 of the size high.
    Box2 b = box(*o);
    EXPECT_GE(b.x0, 0.f);
    EXPECT_LT(b.x0, 0.2f);
    EXPECT_NEAR(b.y1, 1.2f * 0.73f, 0.1f);
    EXPECT_NEAR(b.y0, 0.f, 0.05f);
    EXPECT_TRUE(s->m_not_read.empty());
}

TEST_F(TextScene, JustifyLengthAndMaxExtentPlaceAndScaleLines)
{
    Box2 middle = text_box(*this, text2("\"centred\"", "justify \"MIDDLE\""));
    EXPECT_NEAR(middle.x0, -middle.x1, 0.05f * (middle.x1 - middle.x0));
    Box2 end = text_box(*this, text2("\"to the end\"", "justify [ \"END\" \"FIRST\" ]"));
    EXPECT_LE(end.x1, 0.f);
    EXPECT_GT(end.x1, -0.15f);
    // A length stretches or squeezes the line's advance to it, whatever
    // the natural width.
    Box2 natural = text_box(*this, text2("\"abc\"", "size 1"));
    Box2 stretched = text_box(*this, text2("\"abc\"", "size 1", "length [ 7 ]"));
    Box2 squeezed_one = text_box(*this, text2("\"abcdefghijklmnop\"", "size 1", "length [ 7 ]"));
    EXPECT_GT(stretched.x1 - stretched.x0, 2.f * (natural.x1 - natural.x0));
    EXPECT_NEAR(stretched.x1 - stretched.x0, 7.f, 0.5f);
    EXPECT_NEAR(squeezed_one.x1 - squeezed_one.x0, 7.f, 0.5f);
    EXPECT_NEAR(stretched.y1, natural.y1, 1e-4f);   // heights unchanged
    Box2 squeezed = text_box(*this, text2("\"a long line of text\" \"b\"", "size 1", "maxExtent 3"));
    EXPECT_LE(squeezed.x1 - squeezed.x0, 3.01f);
    EXPECT_GT(squeezed.x1 - squeezed.x0, 2.5f);
    // Minor END: the last line's baseline at y = 0, the first above it.
    Box2 two = text_box(*this, text2("\"x\" \"x\"", "size 2 spacing 1.5 justify [ \"BEGIN\" \"END\" ]"));
    EXPECT_NEAR(two.y0, 0.f, 0.05f);
    EXPECT_NEAR(two.y1, 3.f + (two.y1 - 3.f), 0.01f);
    EXPECT_GT(two.y1, 3.f);   // the first line's x stands 2 x 1.5 higher
    EXPECT_LT(two.y1, 3.f + 1.3f);
}

TEST_F(TextScene, FamilyAndStyleChooseTheFont)
{
    auto width = [&](const std::string& str, const std::string& style) {
        Box2 b = text_box(*this, text2("\"" + str + "\"", style));
        return b.x1 - b.x0;
    };
    // The typewriter face gives every letter the same advance.
    float narrow = width("i.i.", "family \"TYPEWRITER\"");
    float wide = width("WWWW", "family \"TYPEWRITER\"");
    EXPECT_GT(narrow, 0.55f * wide);
    EXPECT_LT(width("i.i.", "family \"SANS\""), 0.5f * width("WWWW", "family \"SANS\""));
    ASSERT_TRUE(load(text2("\"Heavy\"", "family \"SANS\" style \"PLAIN\"")));
    double plain = area(*only());
    ASSERT_TRUE(load(text2("\"Heavy\"", "family \"SANS\" style \"BOLD\"")));
    double bold = area(*only());
    EXPECT_GT(bold, 1.2 * plain);
    // An italic leans: the top of an "l" lies to the right of its foot.
    ASSERT_TRUE(load(text2("\"l\"", "family \"SANS\" style \"ITALIC\"")));
    const OBJECT3D& l = *only();
    float top_x = 0, foot_x = 0, top_y = -1e9f, foot_y = 1e9f;
    for (int i = 0; i < l.nbpts; ++i) {
        if (l.m_vertices[i].y > top_y) top_y = l.m_vertices[i].y, top_x = l.m_vertices[i].x;
        if (l.m_vertices[i].y < foot_y) foot_y = l.m_vertices[i].y, foot_x = l.m_vertices[i].x;
    }
    EXPECT_GT(top_x, foot_x + 0.05f);
}

TEST_F(TextScene, MissingFontsFallBackWithOneMessage)
{
    ASSERT_TRUE(load(k_v2 + "Shape { geometry Text { string \"abc\" fontStyle FontStyle { family \"NoSuchFont Zq\" } } }\n"
                            "Shape { geometry Text { string \"def\" fontStyle FontStyle { family \"NoSuchFont Zq\" } } }\n"));
    ASSERT_EQ(s->nbobjects, 2);
    EXPECT_GT(s->m_objects[0]->nbface, 0);
    EXPECT_GT(s->m_objects[1]->nbface, 0);
    int said = 0;
    for (const std::string& line : s->m_not_read) said += line.find("NoSuchFont Zq") != std::string::npos;
    EXPECT_EQ(said, 1);
}

TEST_F(TextScene, Utf8AndBadBytes)
{
    ASSERT_TRUE(load(text2("\"\xC3\xA9\xE2\x82\xAC\"", "family \"SANS\"")));   // é€
    EXPECT_GT(only()->nbface, 10);
    // Cut and stray sequences read as replacement glyphs; nothing breaks.
    ASSERT_TRUE(load(text2("\"a\xFF\xC3\" \"\xE2\x82\"", "family \"SANS\"")));
    ASSERT_NE(only(), nullptr);
    EXPECT_GT(only()->nbface, 0);
}

TEST_F(TextScene, AsciiTextTakesTheFontStyleInForce)
{
    ASSERT_TRUE(load(k_v1 + "Separator { FontStyle { family SANS style BOLD size 10 }\n"
                            " AsciiText { string [ \"Right\" \"R\" ] justification RIGHT spacing 2 } }\n"));
    const OBJECT3D* o = only();
    ASSERT_NE(o, nullptr);
    Box2 b = box(*o);
    EXPECT_LE(b.x1, 0.f);
    EXPECT_GT(b.x1, -1.5f);
    EXPECT_NEAR(b.y1, 7.3f, 0.8f);   // capitals of a size 10 font
    EXPECT_NEAR(b.y0, -20.f, 0.5f);  // the second line 2 x 10 lower
}

TEST_F(TextScene, GlyphObjectsAreKnownApartFromModelledShapes)
{
    // Counts of triangles compare text apart from the rest: only the objects
    // made of glyphs carry the mark, in either version of the language.
    const std::string files[] = {
        k_v2 + "Shape { geometry Box { } }\nShape { geometry Text { string \"Ab\" } }\n"
               "Shape { geometry Text { string \"   \" } }\nShape { geometry Sphere { } }\n",
        k_v1 + "Separator { Cube { } AsciiText { string \"Ab\" } Cylinder { } }\n",
    };
    for (const std::string& f : files) {
        ASSERT_TRUE(load(f));
        ASSERT_EQ(s->nbobjects, 3) << f;   // blank text makes no object
        EXPECT_FALSE(s->m_objects[0]->m_glyphs);
        EXPECT_TRUE(s->m_objects[1]->m_glyphs);
        EXPECT_GT(s->m_objects[1]->nbface, 10);
        EXPECT_FALSE(s->m_objects[2]->m_glyphs);
    }
}

TEST_F(TextScene, WithoutATessellatorTextIsLeftOutAndSaidOnce)
{
    auto keep = vrml::set_outline_triangulator({});
    bool ok = load(k_v2 + "Shape { geometry Text { string \"abc\" } }\nShape { geometry Text { string \"d\" } }\n"
                          "Shape { geometry Box { } }\n");
    vrml::set_outline_triangulator(keep);
    ASSERT_TRUE(ok);
    long faces = 0;
    for (int i = 0; i < s->nbobjects; ++i) faces += s->m_objects[i]->nbface;
    EXPECT_EQ(faces, 6);   // the box
    int said = 0;
    for (const std::string& line : s->m_not_read) said += line.find("tessellator") != std::string::npos;
    EXPECT_EQ(said, 1);
}

TEST_F(TextScene, HostileTextFieldsStaySafe)
{
    std::string big(5000, 'W');
    for (const std::string& f :
         {text2("\"\"", "size 0"), text2("\"a\"", "size -3 spacing -1"), text2("\"a\"", "size 1e38"),
          text2("\"a\" \"b\"", "justify [ ]", "length [ -5 1e38 ] maxExtent -1"), text2("\"" + big + "\"", "size 0.5"),
          text2("", ""), k_v2 + "Shape { geometry Text { } }\n",
          k_v1 + "FontStyle { size nan }\nAsciiText { string \"x\" width [ 0 ] }\n"}) {
        write_whole_file("t.wrl", f);
        std::unique_ptr<SCENE3D> sc;
        open_document("t.wrl", sc, FinishFn());
        if (!sc) continue;
        for (int i = 0; i < sc->nbobjects; ++i) {
            const OBJECT3D* o = sc->m_objects[i];
            for (int k = 0; k < o->nbindex; ++k) ASSERT_LT(o->m_index[k], o->nbpts);
            for (int k = 0; k < o->nbpts; ++k) ASSERT_TRUE(std::isfinite(o->m_vertices[k].x));
        }
    }
}

// ---------------------------------------------------------------- frames

namespace {
struct SceneFrame : ::testing::Test {
    ScratchDir dir;
    RecordingReporter rec;
    CTexture image;
    void SetUp() override { install_outline_tessellator(); }
    bool shoot(const std::string& text, int w = 200, int h = 150)
    {
        write_whole_file("f.wrl", text);
        std::string error;
        return snapshot_scene("f.wrl", w, h, k_default_clear_rgb, image, error);
    }
    // Pixel (x, y) from the top-left as red, green, blue.
    Rgb at(int x, int y) const
    {
        const unsigned char* p = image.data + (size_t)(image.height - 1 - y) * image.widthbyte32 + (size_t)x * 3;
        return Rgb{p[2], p[1], p[0]};
    }
};
} // namespace

TEST_F(SceneFrame, TextLabelDrawsRedGlyphsRightOfTheBox)
{
    ASSERT_TRUE(shoot(k_v2 + "Shape { appearance Appearance { material Material { diffuseColor 0.7 0.7 0.7 } }\n"
                             "  geometry Box { size 2 2 2 } }\n"
                             "Transform { translation 2 -0.5 0 children Shape {\n"
                             "  appearance Appearance { material Material { diffuseColor 1 0 0 } }\n"
                             "  geometry Text { string [ \"R12\" ] fontStyle FontStyle { family \"SANS\" style \"BOLD\""
                             " size 1.2 justify \"BEGIN\" } } } }\n",
                      400, 300));
    int red_left = 0, red_right = 0, grey = 0;
    long grey_x = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            Rgb c = at(x, y);
            bool red = c.r > 60 && c.r > 3 * c.g + 20 && c.r > 3 * c.b + 20;
            if (red) (x < 200 ? red_left : red_right)++;
            if (!red && std::abs(c.r - c.g) < 8 && c.r < 200 && c.r > 40) {
                ++grey;
                grey_x += x;
            }
        }
    ASSERT_GT(grey, 100);
    EXPECT_GT(red_right, 150);
    EXPECT_EQ(red_left, 0);
    // Every red pixel lies right of the grey box.
    int box_right = 0;
    for (int x = 0; x < 400; ++x) {
        Rgb c = at(x, 150);
        if (std::abs(c.r - c.g) < 8 && c.r < 200 && c.r > 40) box_right = x;
        else if (box_right) break;
    }
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x <= box_right; ++x) {
            Rgb c = at(x, y);
            ASSERT_FALSE(c.r > 60 && c.r > 3 * c.g + 20) << x << "," << y;
        }
}

TEST_F(SceneFrame, SkyColourClearsAndFogVeilsTheFarBoxMore)
{
    ASSERT_TRUE(shoot(k_v2 + "Background { skyColor [ 0.2 0.4 0.9 ] }\n"
                             "Fog { color 0.8 0.8 0.8 fogType \"LINEAR\" visibilityRange 60 }\n"
                             "Transform { translation 0 0 -10 children Shape {\n"
                             "  appearance Appearance { material Material { diffuseColor 0.9 0.5 0.1 } }\n"
                             "  geometry Box { size 3 3 3 } } }\n"
                             "Transform { translation 6 0 -45 children Shape {\n"
                             "  appearance Appearance { material Material { diffuseColor 0.9 0.5 0.1 } }\n"
                             "  geometry Box { size 3 3 3 } } }\n",
                      400, 300));
    Rgb corner = at(2, 2);
    EXPECT_NEAR(corner.r, 51, 2);
    EXPECT_NEAR(corner.g, 102, 2);
    EXPECT_NEAR(corner.b, 230, 2);
    // The boxes along the middle row: the near one, then the far one.
    std::vector<std::pair<int, Rgb>> spans;
    bool inside = false;
    for (int x = 0; x < 400; ++x) {
        Rgb c = at(x, 150);
        bool sky = std::abs(c.r - 51) < 6 && std::abs(c.b - 230) < 6;
        if (!sky && !inside) spans.push_back({x, c});
        inside = !sky;
    }
    ASSERT_EQ(spans.size(), 2u);
    Rgb nearc = at(spans[0].first + 3, 150), farc = at(spans[1].first + 3, 150);
    auto to_fog = [](const Rgb& c) { return std::abs(c.r - 204) + std::abs(c.g - 204) + std::abs(c.b - 204); };
    EXPECT_LT(to_fog(farc), to_fog(nearc));
    EXPECT_GT(to_fog(nearc) - to_fog(farc), 40);
}

TEST_F(SceneFrame, SkyGradientAndGroundBelowTheHorizon)
{
    ASSERT_TRUE(shoot(k_v2 + "Background { skyColor [ 0 0 1, 1 0 0 ] skyAngle [ 1.5708 ]\n"
                             "  groundColor [ 0 1 0, 0 1 0 ] groundAngle [ 1.55 ] }\n"
                             "Shape { geometry Box { size 0.1 0.1 0.1 } }\n"));
    // The box opens framed and fills the middle: the sky is read beside it.
    Rgb top = at(10, 0), bottom = at(10, 149), middle_up = at(10, 60);
    EXPECT_GT(bottom.g, 200);
    EXPECT_LT(bottom.r, 30);
    // Above the horizon: nearly all red near it, blue growing upwards.
    EXPECT_GT(middle_up.r, 200);
    EXPECT_GT(top.b, middle_up.b + 20);
    EXPECT_LT(top.g, 30);
}

TEST_F(SceneFrame, ScenesWithoutBackgroundKeepTheViewsClearColour)
{
    ASSERT_TRUE(shoot(k_v2 + "Shape { geometry Box { size 0.1 0.1 0.1 } }\n"));
    EXPECT_EQ(at(1, 1), (Rgb{239, 239, 239}));
    // A scene opened after one with a sky and fog has neither.
    write_whole_file("a.wrl", k_v2 + "Background { skyColor 1 0 0 }\nFog { visibilityRange 5 }\n");
    write_whole_file("b.wrl", k_v2 + "Shape { geometry Box { } }\n");
    std::unique_ptr<SCENE3D> sc;
    ASSERT_TRUE(open_document("a.wrl", sc, FinishFn()));
    EXPECT_TRUE(sc->m_background.set);
    EXPECT_TRUE(sc->m_scene_fog.set);
    ASSERT_TRUE(open_document("b.wrl", sc, FinishFn()));
    EXPECT_FALSE(sc->m_background.set);
    EXPECT_FALSE(sc->m_scene_fog.set);
}

TEST_F(SceneFrame, ClearTexelsShowWhatLiesBehindAndOpaqueOnesTheirColour)
{
    // In front: a texture of an opaque red texel and a clear one; behind,
    // a blue square.
    const std::string square = " geometry IndexedFaceSet { coord Coordinate { point [ -2 -2 Z, 2 -2 Z, 2 2 Z, -2 2 Z ] }"
                               " coordIndex [ 0 1 2 3 -1 ] texCoord TextureCoordinate { point [ 0 0, 1 0, 1 1, 0 1 ] } } }\n";
    auto at_depth = [&](const char* z) {
        std::string s = square;
        for (size_t p; (p = s.find('Z')) != std::string::npos;) s.replace(p, 1, z);
        return s;
    };
    ASSERT_TRUE(shoot(k_v2 + "Shape { appearance Appearance { material Material { diffuseColor 0 0 1 } }" +
                          at_depth("-1") +
                          "Shape { appearance Appearance { texture PixelTexture { image 2 1 4 0xFF0000FF 0x00FF0000 } }" +
                          at_depth("0"),
                      400, 300));
    // The squares span x = -2 .. 2; the texel centres lie at x = -1 and 1.
    int left = -1, right = -1;
    auto backdrop = [&](int x) { return at(x, 150) == (Rgb{239, 239, 239}); };
    for (int x = 0; x < 400 && left < 0; ++x)
        if (!backdrop(x)) left = x;
    for (int x = 399; x >= 0 && right < 0; --x)
        if (!backdrop(x)) right = x;
    ASSERT_GT(right - left, 60);
    int q1 = left + (right - left) / 4, q3 = left + 3 * (right - left) / 4;
    Rgb opaque = at(q1, 150), clear = at(q3, 150);
    EXPECT_GT(opaque.r, 200);
    EXPECT_LT(opaque.g, 40);
    EXPECT_LT(opaque.b, 40);
    EXPECT_LT(clear.r, 40);
    EXPECT_GT(clear.b, 60);   // the blue square, seen through
}

// A black material that glows yellow is drawn yellow; the dark box drawn
// after it does not take its glow.
TEST_F(SceneFrame, EmissiveColourGlowsOnlyOnItsOwnShape)
{
    ASSERT_TRUE(shoot(k_v2 + "Transform { translation -2 0 0 children Shape {\n"
                             "  appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 1 0 } }\n"
                             "  geometry Box { size 2 2 2 } } }\n"
                             "Transform { translation 2 0 0 children Shape {\n"
                             "  appearance Appearance { material Material { diffuseColor 0 0 0 } }\n"
                             "  geometry Box { size 2 2 2 } } }\n"));
    auto row = [this](int x0, int x1, bool yellow) {
        int n = 0;
        for (int x = x0; x < x1; ++x) {
            Rgb c = at(x, 75);
            if (yellow ? (c.r > 200 && c.g > 200 && c.b < 60) : (c.r < 60 && c.g < 60 && c.b < 60)) ++n;
        }
        return n;
    };
    EXPECT_GT(row(0, 100, true), 10);
    EXPECT_EQ(row(100, 200, true), 0);
    EXPECT_GT(row(100, 200, false), 10);
}
