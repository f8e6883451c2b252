#include <gtest/gtest.h>

#include <memory>

#include "io/lod.h"
#include "io/open.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {
const char* k_two = "#VRML V2.0 utf8\nDEF A Transform { children [ Shape { geometry IndexedFaceSet {"
                    " coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } ] }\n";
}

TEST(OpenDocument, ReadsAndFinishes)
{
    ScratchDir dir;
    write_whole_file("a.wrl", k_two);
    write_whole_file("a.scr", "A hello\n");
    std::unique_ptr<SCENE3D> scene;
    int finished = 0;
    ASSERT_TRUE(open_document("a.wrl", scene, [&](SCENE3D& s) {
        ++finished;
        return s.nbobjects > 0 ? 1 : 0;
    }));
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(current_scene(), scene.get());
    ASSERT_NE(scene->m_script, nullptr);
    current_scene() = nullptr;
}

TEST(OpenDocument, FailuresLeaveTheSceneAsItWas)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_whole_file("a.wrl", k_two);
    std::unique_ptr<SCENE3D> scene;
    ASSERT_TRUE(open_document("a.wrl", scene, nullptr));
    SCENE3D* old = scene.get();
    const int objects = scene->nbobjects;
    EXPECT_FALSE(open_document("nothing.wrl", scene, nullptr));
    EXPECT_TRUE(rec.has_box("File not found"));
    EXPECT_EQ(scene.get(), old);
    EXPECT_EQ(scene->nbobjects, objects);
    EXPECT_EQ(current_scene(), old);

    write_whole_file("bad.wrl", "#VRML V3.0\n");
    EXPECT_FALSE(open_document("bad.wrl", scene, nullptr));
    EXPECT_TRUE(rec.has_box("Invalid vrml version"));
    EXPECT_TRUE(rec.has_box("Document : unable to build OpenGL lists"));
    EXPECT_EQ(scene.get(), old);

    // A read that succeeds but whose finishing steps fail replaces nothing.
    EXPECT_FALSE(open_document("a.wrl", scene, [](SCENE3D&) { return 0; }));
    EXPECT_EQ(scene.get(), old);
    EXPECT_EQ(current_scene(), old);

    // A first blank goes to the grid reader whatever the extension.
    rec.boxes.clear();
    write_whole_file("grid.wrl", " 1 2 3\n");
    open_document("grid.wrl", scene, nullptr);
    EXPECT_FALSE(rec.has_box("File grid.wrl is not a vrml one"));
    current_scene() = nullptr;
}

TEST(OpenByExtension, NotFoundKeepsTheSceneAndTheScriptGoesToTheNewScene)
{
    ScratchDir dir;
    RecordingReporter rec;
    std::unique_ptr<SCENE3D> scene = std::make_unique<SCENE3D>();
    std::unique_ptr<LODSET> lod;
    SCENE3D* old = scene.get();
    EXPECT_EQ(open_by_extension("", scene, lod, nullptr), OpenResult::Nothing);
    EXPECT_EQ(open_by_extension("gone.wrl", scene, lod, nullptr), OpenResult::NotFound);
    EXPECT_EQ(rec.last_status(), "NOM INCONNU");
    EXPECT_EQ(scene.get(), old);

    write_whole_file("b.WRL", k_two);
    write_whole_file("b.scr", "A from script\n");
    EXPECT_EQ(open_by_extension("b.WRL", scene, lod, nullptr), OpenResult::Scene);
    EXPECT_NE(scene.get(), old);
    ASSERT_NE(scene->m_script, nullptr);
    EXPECT_EQ(scene->nbobjects, 1);
    EXPECT_EQ(scene->m_objects[0]->m_url, "from script");

    // Extensions compare exactly: ".Wrl" has no reader, and the scene read
    // before stays.
    SCENE3D* read = scene.get();
    write_whole_file("c.Wrl", k_two);
    EXPECT_EQ(open_by_extension("c.Wrl", scene, lod, nullptr), OpenResult::Failed);
    EXPECT_EQ(scene.get(), read);
    EXPECT_EQ(scene->nbobjects, 1);
    // A name ending in ".x" whose content is no X file is refused.
    write_whole_file("junk.x", "junk");
    EXPECT_EQ(open_by_extension("junk.x", scene, lod, nullptr), OpenResult::Failed);
    EXPECT_TRUE(rec.has_box_containing("Invalid X file"));
    EXPECT_EQ(scene.get(), read);
    current_scene() = nullptr;
}

TEST(CompilePrep, NormalsOfLitObjects)
{
    SCENE3D s;
    auto square = [] {
        OBJECT3D* o = new OBJECT3D();
        o->nbpts = 4;
        o->m_vertices = new Vec3[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        o->nbindex = 5;
        o->nbface = 1;
        o->m_index = new int32_t[5]{0, 1, 2, 3, -1};
        return o;
    };
    OBJECT3D* lit = square();
    OBJECT3D* smooth = square();
    smooth->m_norm_binding = 1;
    OBJECT3D* bare = square();
    bare->m_lighting = 0;
    OBJECT3D* empty = new OBJECT3D();
    s.add_object(lit);
    s.add_object(bare);
    s.add_object(empty);
    s.add_object(smooth);
    for (int i = 0; i < 4; ++i) {
        s.m_objects[i]->compute_bounds();
        s.compute_world_bounds(i);
    }
    ASSERT_EQ(prepare_scene_for_compile(s), 1);
    ASSERT_NE(lit->m_normals, nullptr);
    EXPECT_EQ(lit->m_normals[0], Vec3(0, 0, 1));
    // Flat objects are drawn with their face normals; smoothed ones get
    // vertex normals too.
    EXPECT_EQ(lit->m_vertex_normals, nullptr);
    ASSERT_NE(smooth->m_vertex_normals, nullptr);
    EXPECT_EQ(smooth->m_vertex_normals[2], Vec3(0, 0, 1));
    EXPECT_EQ(bare->m_normals, nullptr);
    EXPECT_EQ(empty->m_normals, nullptr);
    EXPECT_EQ(s.m_max, Vec3(1, 1, 0));
    // A second compilation keeps the directions.
    build_compile_normals(s, *smooth);
    EXPECT_EQ(smooth->m_vertex_normals[2], Vec3(0, 0, 1));
    // The dump lists the vertex normals of both, flat or smoothed; not of
    // an object drawn unlit.
    {
        ScratchDir dir;
        ASSERT_EQ(dump_scene(s, dir.file("d.out").c_str()), 1);
        const std::string dump = read_whole_file(dir.file("d.out"));
        const std::string listed = "Normales per Vertex\nnbnormal:         1\n"
                                   "      0.00       0.00       1.00\n      0.00       0.00       1.00\n"
                                   "      0.00       0.00       1.00\n      0.00       0.00       1.00\n";
        size_t first = dump.find(listed);
        ASSERT_NE(first, std::string::npos) << dump;
        EXPECT_NE(dump.find(listed, first + 1), std::string::npos) << "flat and smoothed";
        EXPECT_EQ(dump.find(listed, dump.find(listed, first + 1) + 1), std::string::npos) << "not the unlit one";
    }
    // An untextured scene compiles bare geometry.
    SCENE3D u;
    u.m_textured = 0;
    OBJECT3D* o = square();
    u.add_object(o);
    prepare_scene_for_compile(u);
    EXPECT_EQ(o->m_normals, nullptr);
    EXPECT_EQ(o->m_lighting, 1);
    SCENE3D none;
    EXPECT_EQ(prepare_scene_for_compile(none), 0);
}

// A file that a reader refuses says what is wrong once: it is not tried as
// VRML afterwards.
TEST(OpenDocument, RefusedFilesGiveOneMessage)
{
    ScratchDir dir;
    const struct {
        const char* name;
        const char* text;
        const char* message;
    } cases[] = {
        {"bad.x", "xof 0302txt 0064\nMesh { 3; 0;0;0;, 1;0;0;; }", "Invalid X file: "},
        {"bad.pts", "POINTS x -1", "Invalid point set file: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_whole_file(c.name, c.text);
        RecordingReporter rec;
        std::unique_ptr<SCENE3D> scene;
        EXPECT_FALSE(open_document(c.name, scene, nullptr));
        ASSERT_EQ(rec.boxes.size(), 1u);
        EXPECT_EQ(rec.boxes[0].text.rfind(c.message, 0), 0u) << rec.boxes[0].text;
        EXPECT_EQ(scene, nullptr);   // nothing replaced the caller's (empty) slot
        current_scene() = nullptr;
    }
}
