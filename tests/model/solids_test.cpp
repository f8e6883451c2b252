#include <gtest/gtest.h>

#include <vector>

#include "math/matrix.h"
#include "model/solids.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/invariants.h"

namespace {
std::vector<int32_t> face(const OBJECT3D& o, int f)
{
    // Face f of an object whose faces all have the same corner count.
    const int per = o.nbindex / o.nbface;
    return std::vector<int32_t>(o.m_index + per * f, o.m_index + per * (f + 1));
}

void expect_box(OBJECT3D& o, Vec3 lo, Vec3 hi)
{
    o.compute_bounds();
    EXPECT_EQ(o.m_o_min_xyz, lo);
    EXPECT_EQ(o.m_o_max_xyz, hi);
}
} // namespace

TEST(Solids, CubeScaledSpansTenWithSixQuads)
{
    SCENE3D scene;
    OBJECT3D o;
    ASSERT_EQ(MakeCube(o, scene, "Cube", ""), 1);
    ScalePoints(o, Vec3(10, 10, 10));
    EXPECT_EQ(o.m_name, "Cube");
    EXPECT_EQ(o.nbpts, 8);
    EXPECT_EQ(o.nbface, 6);
    EXPECT_EQ(o.nbindex, 30);
    EXPECT_EQ(o.nbtexvertex, 4);
    EXPECT_EQ(face(o, 2), (std::vector<int32_t>{3, 7, 6, 2, -1}));
    EXPECT_EQ(o.texindex[5], 1);   // second face's texture corners start 1 0 3 2
    EXPECT_EQ(o.m_needs_rebuild, 1);
    EXPECT_EQ(o.m_texture, nullptr);   // no texture asked, none bound
    expect_box(o, Vec3(0, 0, 0), Vec3(10, 10, 10));
    EXPECT_EQ(check_object(o), "");
}

TEST(Solids, CylinderAndConeRings)
{
    SCENE3D scene;
    OBJECT3D cyl, cone;
    ASSERT_EQ(MakeCylinder(cyl, scene, "Cylinder", CylinderParams{}), 1);
    EXPECT_EQ(cyl.nbpts, 40);
    EXPECT_EQ(cyl.nbface, 20);
    EXPECT_EQ(cyl.m_vertices[0], Vec3(1, 0, 0));
    EXPECT_EQ(cyl.m_vertices[20], Vec3(1, 0, 5));
    EXPECT_EQ(face(cyl, 0), (std::vector<int32_t>{0, 20, 21, 1, -1}));
    EXPECT_EQ(face(cyl, 19), (std::vector<int32_t>{19, 39, 20, 0, -1}));
    EXPECT_EQ(cyl.nbtexvertex, 40);
    EXPECT_FLOAT_EQ(cyl.texvertex[25].s, 0.25f);
    EXPECT_EQ(cyl.texvertex[25].t, 1.f);
    EXPECT_EQ(check_object(cyl), "");

    ASSERT_EQ(MakeCone(cone, "cone", ConeParams{}), 1);
    EXPECT_EQ(cone.nbpts, 20);
    EXPECT_EQ(face(cone, 0), (std::vector<int32_t>{0, 1, 11, 10, -1}));
    EXPECT_EQ(face(cone, 9), (std::vector<int32_t>{9, 0, 10, 19, -1}));
    EXPECT_EQ(cone.m_vertices[10], Vec3(5, 0, 10));
    for (int i = 0; i < 10; ++i) {
        const Vec3& b = cone.m_vertices[i];
        EXPECT_NEAR(b.x * b.x + b.y * b.y, 1.0, 1e-5);
        EXPECT_EQ(b.z, 0.f);
    }
    EXPECT_EQ(cone.nbtexvertex, 0);

    OBJECT3D none;
    CylinderParams no_segments;
    no_segments.n = 0;
    ConeParams negative;
    negative.n = -3;
    EXPECT_EQ(MakeCylinder(none, scene, "x", no_segments), 0);
    EXPECT_EQ(MakeCone(none, "x", negative), 0);
    EXPECT_EQ(none.nbpts, 0);
}

TEST(Solids, GridCountsAndWinding)
{
    struct Case {
        int n, p, orientation;
        int ok, points, quads;
        std::vector<int32_t> first, last;
    } cases[] = {
        {10, 10, 1, 1, 100, 81, {0, 1, 11, 10, -1}, {88, 89, 99, 98, -1}},
        {10, 10, 0, 1, 100, 81, {0, 10, 11, 1, -1}, {88, 98, 99, 89, -1}},
        {2, 3, 1, 1, 6, 2, {0, 1, 3, 2, -1}, {2, 3, 5, 4, -1}},
        {1, 10, 1, 1, 10, 0, {}, {}},
        {10, 1, 1, 1, 10, 0, {}, {}},
        {0, 10, 1, 0, 0, 0, {}, {}},
        {10, -1, 1, 0, 0, 0, {}, {}},
        {100000, 100000, 1, 0, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " x " << c.p << " orientation " << c.orientation);
        OBJECT3D o;
        GridParams g;
        g.n = c.n;
        g.p = c.p;
        g.orientation = c.orientation;
        ASSERT_EQ(MakeGrid(o, g), c.ok);
        EXPECT_EQ(o.nbpts, c.points);
        EXPECT_EQ(o.nbface, c.quads);
        EXPECT_EQ(check_object(o), "");
        if (c.quads) {
            EXPECT_EQ(face(o, 0), c.first);
            EXPECT_EQ(face(o, c.quads - 1), c.last);
            EXPECT_EQ(o.m_vertices[c.points - 1], Vec3((float)(c.n - 1), 0, (float)(c.p - 1)));
        }
    }
}

TEST(Solids, RectangleTriangleAndPointOperations)
{
    SCENE3D scene;
    OBJECT3D r, t;
    // A cancelled file dialog: no texture, and no message about one.
    ASSERT_EQ(MakeRectangle(r, scene, "Rectangle", Vec3(-100, 0, -100), Vec3(500, 500, 500), ""), 1);
    expect_box(r, Vec3(-100, 0, -100), Vec3(400, 500, -100));
    EXPECT_EQ(r.m_texture, nullptr);
    EXPECT_TRUE(scene.m_textures.empty());
    EXPECT_EQ(r.nbtexvertex, 4);
    EXPECT_EQ(check_object(r), "");

    ASSERT_EQ(MakeTriangle(t, "TERRAIN", Vec3(0, 0, 0), Vec3(1, 1, 1)), 1);
    EXPECT_EQ(t.m_vertices[1], Vec3(1, 0, 0));
    EXPECT_EQ(t.m_vertices[2], Vec3(1, 1, 0));
    EXPECT_EQ(t.nbindex, 4);

    TranslatePoints(t, Vec3(1, 2, 3));
    EXPECT_EQ(t.m_vertices[2], Vec3(2, 3, 3));
    CMatrix swap(3, 3);   // (x, y, z) -> (y, z, x)
    swap.Set(0, 1, 1);
    swap.Set(1, 2, 1);
    swap.Set(2, 0, 1);
    ASSERT_EQ(TransformPoints(t, swap), 1);
    EXPECT_EQ(t.m_vertices[2], Vec3(3, 3, 2));
    CMatrix wrong(3, 1);
    EXPECT_EQ(TransformPoints(t, wrong), 0);
    EXPECT_EQ(t.m_vertices[2], Vec3(3, 3, 2));
}

TEST(Solids, PackedColoursFillOnlyExistingEntries)
{
    OBJECT3D o;
    EXPECT_EQ(SetDiffuseColor(o, 0, 0xFFFFFF), 0);   // no points
    MakeTriangle(o, "t", Vec3(), Vec3(1, 1, 1));
    EXPECT_EQ(SetAmbientColor(o, 0, 0xFFFFFF), 0);   // no list
    o.T_ambientColor = new Vec3[1];
    o.m_nb_ambient = 1;
    EXPECT_EQ(SetAmbientColor(o, 1, 0xFFFFFF), 0);   // beyond the list
    ASSERT_EQ(SetAmbientColor(o, 0, 0xF2BE68), 1);
    EXPECT_FLOAT_EQ(o.T_ambientColor[0].x, 0.40784314f);
    EXPECT_FLOAT_EQ(o.T_ambientColor[0].y, 0.74509804f);
    EXPECT_FLOAT_EQ(o.T_ambientColor[0].z, 0.94901961f);
    EXPECT_EQ(o.m_needs_rebuild, 1);
}
