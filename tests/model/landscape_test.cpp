#include <gtest/gtest.h>

#include <cmath>

#include "image/texture.h"
#include "model/landscape.h"
#include "model/solids.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"

TEST(Relief, RandomSequenceIsThePlatformOne)
{
    relief_srand(1);
    // First values of the classic sequence from state 1.
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int v : expected) EXPECT_EQ(relief_rand(), v);
    relief_srand(1);
}

TEST(Relief, FractalCommandGivesSixteenTrianglesOnTheQuarterLattice)
{
    RecordingReporter rec;
    relief_srand(1);
    SCENE3D scene;
    ASSERT_EQ(AddFractal(scene), 1);
    ASSERT_EQ(scene.nbobjects, 1);
    const OBJECT3D& o = *scene.m_objects[0];
    EXPECT_EQ(o.m_name, "Triangle");
    EXPECT_EQ(o.nbpts, 18);
    EXPECT_EQ(o.nbface, 16);
    EXPECT_EQ(o.nbindex, 64);
    EXPECT_EQ(check_object(o), "");
    float zmax = 0;
    for (int i = 0; i < o.nbpts; ++i) {
        const Vec3& v = o.m_vertices[i];
        EXPECT_EQ(v.x * 4, std::round(v.x * 4)) << i;
        EXPECT_EQ(v.y * 4, std::round(v.y * 4)) << i;
        EXPECT_LE(v.y, v.x);   // inside the unit triangle
        EXPECT_GE(v.z, 0.f);
        zmax = std::max(zmax, v.z);
    }
    EXPECT_LE(zmax, 0.65534f);
    EXPECT_GT(zmax, 0.f);
    // Every texture index names a texture vertex; the texture is the data file.
    for (int k = 0; k < o.nbindex; ++k) EXPECT_LT(o.texindex[k], o.nbtexvertex);
    EXPECT_EQ(o.texvertex[2].s, 1.f);
    EXPECT_EQ(o.texvertex[2].t, 1.f);
    ASSERT_NE(o.m_texture, nullptr);
    EXPECT_NE(scene.get_texture(*o.m_texture), nullptr);
    EXPECT_TRUE(rec.boxes.empty());
    relief_srand(1);
}

TEST(Relief, SubdivisionRefusesWhatItCannotServe)
{
    OBJECT3D quad, big;
    GridParams g;
    g.n = g.p = 2;
    MakeGrid(quad, g);
    EXPECT_EQ(SubdivideFractal(quad), 0);   // faces are not triangles
    EXPECT_EQ(quad.nbpts, 4);
    MakeTriangle(big, "t", Vec3(), Vec3(1, 1, 1));
    int passes = 0;
    while (SubdivideFractal(big)) ++passes;
    // 4^7 faces (65536 entries) fit the 100000-entry index table; 4^8 would not.
    EXPECT_EQ(passes, 7);
    EXPECT_EQ(big.nbface, 16384);
    EXPECT_EQ(check_object(big), "");
    relief_srand(1);
}

TEST(Relief, EdgeListOfTwoTriangles)
{
    OBJECT3D o;
    const Vec3 pts[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const int32_t idx[8] = {0, 1, 2, -1, 0, 2, 3, -1};
    o.take_points(pts);
    o.take_faces(idx);
    auto edges = build_edge_list(o);
    ASSERT_EQ(edges.size(), 5u);
    EXPECT_EQ(edges[1].a, 0);
    EXPECT_EQ(edges[1].b, 2);
    EXPECT_EQ(edges[1].faces, (std::vector<int>{0, 1}));   // the shared diagonal
}

TEST(Landscape, TerrainAndCloudsBox)
{
    SCENE3D scene;
    EXPECT_EQ(AddCloudsBox(scene), 0);   // no points: nothing to wrap
    EXPECT_EQ(scene.nbobjects, 0);
    ASSERT_EQ(AddTerrain(scene), 1);
    const OBJECT3D& t = *scene.m_objects[0];
    EXPECT_EQ(t.m_name, "TERRAIN");
    EXPECT_EQ(t.m_vertices[2], Vec3(1, 1, 0));

    SCENE3D s2;
    OBJECT3D* cube = new OBJECT3D();
    MakeCube(*cube, s2, "Cube", "");
    ScalePoints(*cube, Vec3(10, 10, 10));
    s2.add_object(cube);
    ASSERT_EQ(AddCloudsBox(s2), 1);
    OBJECT3D& box = *s2.m_objects[1];
    EXPECT_EQ(box.m_name, "Cube");
    box.m_o_max_xyz.set(-1e10f);
    box.m_o_min_xyz.set(1e10f);
    box.compute_bounds();
    EXPECT_EQ(box.m_o_min_xyz, Vec3(-20, -0.5f, -20));
    EXPECT_EQ(box.m_o_max_xyz, Vec3(30, 49.5f, 30));
}

TEST(Landscape, TreeTransparencyThreshold)
{
    SCENE3D scene;
    EXPECT_EQ(SetTreeTransparency(scene), -1);
    // Tree texture of two pixels: grey 40 and grey 41.
    CTexture* tex = new CTexture();
    ASSERT_TRUE(tex->Alloc(2, 1, 24));
    for (int k = 0; k < 3; ++k) tex->data[k] = 40, tex->data[3 + k] = 41;
    scene.m_textures.push_back(new CTexture());   // another texture at 0
    scene.m_textures.push_back(tex);
    OBJECT3D* tree = new OBJECT3D();
    MakeRectangle(*tree, scene, "tree", Vec3(), Vec3(1, 1, 1), "");
    tree->m_texture_name = "arbre.jpg";
    tree->m_texture = new int32_t(1);
    tree->T_diffuseColor = new Vec3[2]{{0.1f, 0.2f, 0.3f}, {0.5f, 0.5f, 0.5f}};
    tree->m_nb_diffuse = 2;
    OBJECT3D* other = new OBJECT3D();
    MakeRectangle(*other, scene, "other", Vec3(), Vec3(1, 1, 1), "");
    scene.add_object(tree);
    scene.add_object(other);

    ASSERT_EQ(SetTreeTransparency(scene), 1);
    ASSERT_TRUE(tex->HasAlpha());
    EXPECT_EQ(tex->data[3], 0);     // (40 + 40 + 40) / 3 = 40: transparent
    EXPECT_EQ(tex->data[7], 255);   // 41: opaque
    EXPECT_EQ(tree->T_diffuseColor[0], Vec3(1, 1, 1));
    EXPECT_EQ(tree->T_diffuseColor[1], Vec3(0.5f, 0.5f, 0.5f));
    EXPECT_FALSE(scene.m_textures[0]->HasAlpha());

    // A tree whose texture never loaded names no texture at all.
    delete tree->m_texture;
    tree->m_texture = nullptr;
    EXPECT_EQ(SetTreeTransparency(scene), -1);
    EXPECT_FALSE(scene.m_textures[0]->HasAlpha());
}
