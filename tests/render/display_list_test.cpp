// Display lists: pick colours, one primitive per face, unusable corners,
// point sets, hidden objects and the overlays.
#include <gtest/gtest.h>

#include "gl_fixture.h"
#include "render/display_list.h"
#include "render/textures.h"
#include "support/recorder.h"

namespace {
// Pick-pass drawing of one object with the identity camera looking at it
// from 20 units.
void draw_pick(SCENE3D& scene, int w, int h)
{
    GlView v;
    setup_view(v, &scene, w, h);
    v.pick_pass = true;
    PaintView(v);
}
// The window pixel of scene coordinate x (or y) in an 80-pixel view from 20
// units: 8.28 units of half height over 40 pixels.
int px(float x) { return (int)(40.f + x * 40.f / 8.2843f); }
} // namespace

TEST(PickColours, ObjectIndexInRedAndGreenFaceLowByteInBlue)
{
    PickColour c = pick_colour(7, 300);
    EXPECT_EQ(c.r, 7);
    EXPECT_EQ(c.g, 0);
    EXPECT_EQ(c.b, 44);
    c = pick_colour(65534, 5);
    EXPECT_EQ(pick_decode(c.r, c.g), 65534);
    c = pick_colour(300, 70000);
    EXPECT_EQ(pick_decode(c.r, c.g), 300);
    // Small objects with small faces decode to themselves.
    for (int obj : {0, 3, 255})
        for (int face : {0, 255}) {
            c = pick_colour(obj, face);
            EXPECT_EQ(pick_decode(c.r, c.g), obj);
        }
    // The pick background (white) names no object of a 65535-object scene.
    EXPECT_EQ(pick_decode(255, 255), 65535);
}

TEST(DisplayList, Face300OfObject7CarriesItsPickColourAndIsPicked)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    RecordingReporter rec;
    SCENE3D scene;
    for (int i = 0; i < 7; ++i) scene.add_object(make_square(100.f, 100.f, 101.f, 101.f, 0.f, "far"));
    // 300 degenerate faces, then face 300 covering the middle of the view.
    OBJECT3D* o = new OBJECT3D();
    o->m_name = "seven";
    o->nbpts = 4;
    o->m_vertices = new Vec3[4]{Vec3(-4, -4, 0), Vec3(4, -4, 0), Vec3(4, 4, 0), Vec3(-4, 4, 0)};
    o->nbface = 301;
    o->nbindex = 300 * 4 + 5;
    o->m_index = new int32_t[(size_t)o->nbindex];
    for (int f = 0; f < 300; ++f) {
        o->m_index[f * 4] = o->m_index[f * 4 + 1] = o->m_index[f * 4 + 2] = 0;
        o->m_index[f * 4 + 3] = -1;
    }
    int32_t last[5] = {0, 1, 2, 3, -1};
    std::copy(last, last + 5, o->m_index + 1200);
    scene.add_object(o);
    ASSERT_EQ(BuildTextures(scene), 1);
    ASSERT_EQ(o->m_pick_id, 7);
    draw_pick(scene, 64, 64);
    EXPECT_EQ(read_pixel(32, 32), (Rgb{7, 0, 44}));
    EXPECT_EQ(read_pixel(1, 1), (Rgb{255, 255, 255}));

    GlView v;
    setup_view(v, &scene, 64, 64);
    EXPECT_EQ(PickObject(v, 32, 32), 7);
    EXPECT_EQ(rec.last_status(), "Objet: 7 Nombre d'objets:8 Nom objet: seven");
    EXPECT_EQ(PickObject(v, 1, 1), -1);
    EXPECT_EQ(rec.last_status(), "ERREUR DESIGNATION");
    // Outside the view: no read, a clear failure.
    EXPECT_EQ(PickObject(v, 64, 10), -1);
    EXPECT_EQ(PickObject(v, 10, -1), -1);
    EXPECT_EQ(PickObject(v, 10, 64), -1);
    EXPECT_EQ(rec.last_status(), "ERREUR DESIGNATION");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(DisplayList, EachFaceIsItsOwnPrimitiveAndShortFacesDrawNothing)
{
    ASSERT_TRUE(prepare_gl(80, 80));
    SCENE3D scene;
    // Left column: a triangle (face 0) low, a quad (face 1) high.
    // Face 2 has two corners; face 3 is a pentagon on the right.
    OBJECT3D* o = make_mesh(
        {Vec3(-7, -7, 0), Vec3(-1, -7, 0), Vec3(-4, -1, 0),                  // 0..2 triangle
         Vec3(-7, 1, 0), Vec3(-1, 1, 0), Vec3(-1, 7, 0), Vec3(-7, 7, 0),     // 3..6 quad
         Vec3(1, -3, 0), Vec3(7, -3, 0), Vec3(7, 3, 0), Vec3(4, 6, 0), Vec3(1, 3, 0)},   // 7..11
        {0, 1, 2, -1, 3, 4, 5, 6, -1, 0, 5, -1, 7, 8, 9, 10, 11, -1});
    scene.add_object(o);
    ASSERT_EQ(BuildTextures(scene), 1);
    draw_pick(scene, 80, 80);
    EXPECT_EQ(read_pixel(px(-4), px(-5)), (Rgb{0, 0, 0}));   // triangle
    EXPECT_EQ(read_pixel(px(-4), px(4)), (Rgb{0, 0, 1}));    // quad
    EXPECT_EQ(read_pixel(px(4), px(0)), (Rgb{0, 0, 3}));     // pentagon, after the two-corner face
    EXPECT_EQ(read_pixel(px(4), px(-6)), (Rgb{255, 255, 255}));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(DisplayList, CornersWithNumbersOutOfRangeAreSkipped)
{
    ASSERT_TRUE(prepare_gl(80, 80));
    SCENE3D scene;
    // Face 0: a quad whose fourth corner names vertex 99: drawn as the
    // triangle of its three good corners. Face 1: two bad corners of four,
    // nothing drawn. Face 2: a bad texture number in a lit, textured mesh.
    OBJECT3D* o = make_mesh({Vec3(-7, -7, 0), Vec3(-1, -7, 0), Vec3(-1, -1, 0), Vec3(-7, -1, 0),
                             Vec3(1, 1, 0), Vec3(7, 1, 0), Vec3(7, 7, 0), Vec3(1, 7, 0)},
                            {0, 1, 2, 99, -1, 4, -5, 6, 12345, -1, 4, 5, 6, 7, -1});
    o->texvertex = new TexVertex[1];
    o->nbtexvertex = 1;
    o->texindex = new int32_t[15]{0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 7, 0, -1};
    o->m_normals = new Vec3[1]{Vec3(0, 0, 1)};
    o->nbnormal = 1;
    o->normalindex = new int32_t[15]{0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1};
    o->m_materialindex = new int32_t[3]{5, -3, 1000};   // all out of range: material 0
    scene.add_object(o);
    ASSERT_EQ(BuildTextures(scene), 1);
    draw_pick(scene, 80, 80);
    EXPECT_EQ(read_pixel(px(-2), px(-5)), (Rgb{0, 0, 0}));          // inside triangle 0,1,2
    EXPECT_EQ(read_pixel(px(-6), px(-2)), (Rgb{255, 255, 255}));    // the dropped corner's half
    // Face 2 loses its corner with texture number 7: the triangle 4, 5, 7.
    EXPECT_EQ(read_pixel(px(2), px(5)), (Rgb{0, 0, 2}));
    EXPECT_EQ(read_pixel(px(6), px(6)), (Rgb{255, 255, 255}));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(DisplayList, PointSetDrawsAtOneHundredth)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    SCENE3D scene;
    OBJECT3D* o = new OBJECT3D();
    o->m_points_only = 1;
    o->nbpts = 1;
    o->m_vertices = new Vec3[1]{Vec3(500.f, 0.f, 0.f)};
    scene.add_object(o);
    ASSERT_EQ(BuildTextures(scene), 1);
    EXPECT_EQ(o->echelle, Vec3(0.01f, 0.01f, 0.01f));
    EXPECT_TRUE(o->m_list_built);
    GlView v;
    setup_view(v, &scene, 64, 64);
    PaintView(v);
    // (5, 0, 0) seen from 20 units: 32 + 5 * 32 / 8.28 = 51.3.
    EXPECT_GE(count_pixels(49, 30, 54, 35), 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// A point cloud's own colours are drawn as they are, whatever the light; a
// click on
// one of its points picks what lies behind, never a number read from
// the point's colour.
TEST(DisplayList, ColouredPointsShowTheirColoursAndPickWhatIsBehind)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    RecordingReporter rec;
    SCENE3D scene;
    scene.add_object(make_square(-3, -3, 3, 3, 0, "behind"));
    OBJECT3D* o = new OBJECT3D();
    o->m_name = "cloud";
    o->m_points_only = k_point_cloud;
    o->nbpts = 25;
    o->m_vertices = new Vec3[25];
    o->m_point_rgb = new uint8_t[25 * 3];
    for (int i = 0; i < 25; ++i) {
        o->m_vertices[i] = Vec3(-1.f + 0.5f * (float)(i % 5), -1.f + 0.5f * (float)(i / 5), 1.f);
        const uint8_t c[3] = {10, 200, 30};
        std::copy(c, c + 3, o->m_point_rgb + i * 3);
    }
    scene.add_object(o);
    ASSERT_EQ(BuildTextures(scene), 1);
    GlView v;
    setup_view(v, &scene, 64, 64);
    PaintView(v);
    int x = -1, y = -1;
    for (int j = 20; j < 44 && x < 0; ++j)
        for (int i = 20; i < 44 && x < 0; ++i)
            if (read_pixel(i, j) == (Rgb{10, 200, 30})) x = i, y = j;
    ASSERT_GE(x, 0);
    EXPECT_EQ(PickObject(v, x, 63 - y), 0);
    EXPECT_EQ(rec.last_status(), "Objet: 0 Nombre d'objets:2 Nom objet: behind");
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(DisplayList, HiddenObjectIsNeitherSeenNorPicked)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    RecordingReporter rec;
    SCENE3D scene;
    scene.add_object(make_square(-8, -8, -6, -6, 0, "corner"));
    scene.add_object(make_square(-3, -3, 3, 3, 0, "hidden"));
    ASSERT_EQ(BuildTextures(scene), 1);
    scene.m_objects[1]->m_ready = 0;
    GlView v;
    setup_view(v, &scene, 64, 64);
    PaintView(v);
    EXPECT_EQ(read_pixel(32, 32), (Rgb{0, 0, 0}));
    EXPECT_EQ(PickObject(v, 32, 32), -1);
    EXPECT_EQ(rec.last_status(), "ERREUR DESIGNATION");
    // Still hidden in the next normal frame; the shown object is picked.
    PaintView(v);
    EXPECT_EQ(read_pixel(32, 32), (Rgb{0, 0, 0}));
    EXPECT_EQ(PickObject(v, 4, 60), 0);
    // Shown again, it is picked at its place.
    scene.m_objects[1]->m_ready = 1;
    EXPECT_EQ(PickObject(v, 32, 32), 1);
    EXPECT_EQ(rec.last_status(), "Objet: 1 Nombre d'objets:2 Nom objet: hidden");
}

TEST(DisplayList, NormalsDisplayDrawsRedSegmentsOfTheNormalsLength)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    SCENE3D scene;
    // A square seen edge-on (in the plane y = 0): only its normals show.
    OBJECT3D* o = make_mesh({Vec3(-2, 0, -2), Vec3(2, 0, -2), Vec3(2, 0, 2), Vec3(-2, 0, 2)}, {0, 1, 2, 3, -1});
    o->m_normals = new Vec3[1]{Vec3(0, 4, 0)};
    o->nbnormal = 1;
    o->normalindex = new int32_t[5]{0, 0, 0, 0, -1};
    o->m_show_normals = 1;
    scene.add_object(o);
    ASSERT_EQ(BuildTextures(scene), 1);
    draw_pick(scene, 64, 64);
    // Segments from y = 0 up to y = 4 at x = +-2 (z = +-2 projects nearby).
    const int top = (int)(32 + 4 * 32 / 8.28f * 1.15f + 1);   // last row the segments may reach
    auto red = [](const Rgb& c) { return c == (Rgb{255, 0, 0}); };
    EXPECT_GT(count_pixels(0, 33, 64, top + 1, red), 8);
    EXPECT_EQ(count_pixels(0, top + 1, 64, 64, red), 0);
}
