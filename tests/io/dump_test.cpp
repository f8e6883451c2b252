#include <gtest/gtest.h>

#include <clocale>

#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
SCENE3D* small_scene()
{
    SCENE3D* s = new SCENE3D();
    LIGHT3D* l = new LIGHT3D();
    l->type = LIGHT_POINT;
    l->intensity = 1.f;
    l->color = Vec3(1, 0.5f, 0.25f);
    l->location = Vec3(0, 10, -3.5f);
    s->add_light(l);

    OBJECT3D* o = new OBJECT3D();
    o->m_name = "Tri";
    o->nbpts = 3;
    o->m_vertices = new Vec3[3]{{0, 0, 0}, {1.5f, 0, 0}, {0, 2.25f, 0}};
    o->nbindex = 4;
    o->nbface = 1;
    o->m_index = new int32_t[4]{0, 1, 2, -1};
    o->nbmaterial = 1;
    o->T_diffuseColor = new Vec3[1]{{0.8f, 0.1f, 0.1f}};
    o->m_nb_diffuse = 1;
    o->T_shininess = new float[1]{0.2f};
    o->m_nb_shininess = 1;
    o->nbtexvertex = 3;
    o->texvertex = new TexVertex[3]{{0, 0}, {1, 0}, {0, 1}};
    o->texindex = new int32_t[4]{0, 1, 2, -1};
    o->translation = Vec3(1, 2, 3);
    o->compute_bounds();
    o->build_vertex_normals();
    s->add_object(o);

    s->add_object(new OBJECT3D());   // no vertices: writes nothing
    return s;
}
} // namespace

TEST(Dump, EmptySceneGivesEmptyFile)
{
    ScratchDir dir;
    SCENE3D s;
    ASSERT_EQ(dump_scene(s), 1);
    EXPECT_EQ(read_whole_file("vrml.out"), "");
}

TEST(Dump, LightLines)
{
    ScratchDir dir;
    SCENE3D* s = small_scene();
    ASSERT_EQ(dump_scene(*s), 1);
    std::string out = read_whole_file("vrml.out");
    EXPECT_EQ(out.substr(0, 42), std::string("Type de lumi\xe8re :1\nintensity :   1.000000\n"));
    delete s;
}

TEST(Dump, MatchesExpectedFileByteForByte)
{
    ScratchDir dir;
    SCENE3D* s = small_scene();
    ASSERT_EQ(dump_scene(*s), 1);
    std::string out = read_whole_file("vrml.out");
    std::string expected = read_whole_file(source_path("tests/io/data/dump_small.expected"));
    if (out != expected) write_whole_file(std::string(QV_BINARY_DIR) + "/dump_small.actual", out);
    EXPECT_EQ(out, expected);
    delete s;
}

TEST(Dump, SameBytesUnderFrenchLocale)
{
    ScratchDir dir;
    SCENE3D* s = small_scene();
    ASSERT_EQ(dump_scene(*s), 1);
    std::string c_out = read_whole_file("vrml.out");
    ASSERT_NE(std::setlocale(LC_ALL, "fr_FR.UTF-8"), nullptr) << "fr_FR.UTF-8 locale not generated";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    EXPECT_STREQ(buf, "1,5");   // the trap is armed
    ASSERT_EQ(dump_scene(*s), 1);
    std::string fr_out = read_whole_file("vrml.out");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(fr_out, c_out);
    delete s;
}

TEST(Dump, UnwritablePathFails)
{
    SCENE3D s;
    EXPECT_EQ(dump_scene(s, "/nonexistent-dir/vrml.out"), 0);
}
