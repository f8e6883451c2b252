#include <gtest/gtest.h>

#include <string>

#include "io/formats_support.h"
#include "image/texture.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

using fmt_test::loader_for;

namespace {
std::string cube_sample() { return read_whole_file(source_path("samples/cube.x")); }

struct XRead {
    RecordingReporter rec;
    SCENE3D scene;
    int result = 0;
    explicit XRead(const std::string& text, const std::string& filename = "test.x")
    {
        auto L = loader_for(text, filename);
        result = read_x_file(*L, scene);
    }
    const OBJECT3D& obj() const { return *scene.m_objects[0]; }
};
} // namespace

TEST(XFile, CubeSampleGivesEightVerticesSixQuadsAndItsTexture)
{
    std::string text = cube_sample();
    ASSERT_FALSE(text.empty());
    XRead r(text, source_path("samples/cube.x"));
    ASSERT_EQ(r.result, 1);
    EXPECT_TRUE(r.rec.boxes.empty());
    ASSERT_EQ(r.scene.nbobjects, 1);
    const OBJECT3D& o = r.obj();
    EXPECT_EQ(o.nbpts, 8);
    EXPECT_EQ(o.nbface, 6);
    ASSERT_EQ(o.nbindex, 30);
    for (int k = 4; k < 30; k += 5) EXPECT_EQ(o.m_index[k], -1) << k;
    EXPECT_EQ(o.m_index[0], 3);
    EXPECT_EQ(o.m_index[29 - 1], 7);
    EXPECT_EQ(o.m_vertices[6], Vec3(1, 1, 1));
    // Texture coordinates: one per vertex, the index is the face index.
    ASSERT_EQ(o.nbtexvertex, 8);
    EXPECT_EQ(o.texvertex[2].s, 1.0f);
    EXPECT_EQ(o.texvertex[2].t, 1.0f);
    ASSERT_NE(o.texindex, nullptr);
    for (int k = 0; k < 30; ++k) EXPECT_EQ(o.texindex[k], o.m_index[k]);
    // The texture beside the file, found through the folder of the file.
    EXPECT_EQ(o.m_texture_name, "cube.bmp");
    EXPECT_EQ(o.m_texture_mode, 1);
    ASSERT_NE(o.m_texture, nullptr);
    EXPECT_EQ(*o.m_texture, 0);
    EXPECT_EQ(r.scene.m_textures.size(), 1u);
    EXPECT_EQ(o.m_o_max_xyz, Vec3(1, 1, 1));
}

TEST(XFile, SmallFilesReadAsOneConsistentMesh)
{
    const std::string cube = cube_sample();
    const struct {
        const char* what;
        std::string text;
        int nbpts, nbface, nbindex, nbtexvertex;
        const char* texture_name;
        int texture_mode;
    } cases[] = {
        {"templates alone: an empty mesh", cube.substr(0, cube.find("Mesh Cube")), 0, 0, 0, 0, "", -1},
        {"the last mesh wins, unnamed meshes read",
         "xof 0302txt 0064\n"
         "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"
         "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;; }\n",
         4, 2, 8, 0, "", -1},
        {"named blocks read like unnamed ones",
         "xof 0302txt 0064\n"
         "Mesh quad { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;;\n"
         " MeshTextureCoords tc { 4; 0;0;, 1;0;, 1;1;, 0;1;; }\n"
         " TextureFilename tf { \"absent.bmp\"; } }\n",
         4, 1, 5, 4, "absent.bmp", 1},
        {"fewer texture coordinates than vertices are kept",
         "xof 0302txt 0064\n"
         "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;;\n"
         " MeshTextureCoords { 2; 0;0;, 1;1;; } }\n",
         4, 1, 5, 2, "", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        XRead r(c.text);
        ASSERT_EQ(r.result, 1);
        ASSERT_EQ(r.scene.nbobjects, 1);
        const OBJECT3D& o = r.obj();
        EXPECT_EQ(o.nbpts, c.nbpts);
        EXPECT_EQ(o.nbface, c.nbface);
        EXPECT_EQ(o.nbindex, c.nbindex);
        EXPECT_EQ(o.nbtexvertex, c.nbtexvertex);
        EXPECT_EQ(o.m_texture_name, c.texture_name);
        EXPECT_EQ(o.m_texture_mode, c.texture_mode);
        EXPECT_EQ(o.texindex != nullptr, c.nbtexvertex > 0);
        if (c.nbtexvertex) {
            EXPECT_EQ(o.texvertex[1].s, 1.0f);
            EXPECT_EQ(r.rec.traces.empty(), c.nbtexvertex >= c.nbpts);   // fewer: said on the trace
        }
        ASSERT_NO_FATAL_FAILURE(fmt_test::expect_consistent(o));
    }
}

TEST(XFile, BadCountsAreRefusedAndTheSceneKept)
{
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"xof Mesh { 3; 0;0;0;, 1;0;0;; 1; 3;0,1,2;;", "the file ends inside the faces"},
        {"xof Mesh { 3; 0;0;0;, 1;0;0;; }", "a block ends inside the vertices"},
        {"xof Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;; }", "a block ends where the corner count belongs"},
        {"xof Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }", "face 0 names vertex 7 but the mesh has 3 vertices"},
        {"xof Mesh { -2; 1; }", "negative vertex count -2"},
        {"xof Mesh { 300001; 1;2;3;", "the file ends inside the vertices"},
        {"xof Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 100000;0,1,2;; }", "a block ends inside the faces"},
        {"xof Mesh { 0; 0; } MeshTextureCoords { 5; 0;0; }", "a block ends inside the texture coordinates"},
        {"xof Mesh { 0; 0; } MeshTextureCoords { 5; 0;0;", "the file ends inside the texture coordinates"},
    };
    for (const Case& c : cases) {
        fmt_test::expect_refused(read_x_file, c.text, "bad.x", "Invalid X file: ", c.reason);
        fmt_test::expect_refused(read_x_file, c.text, "bad.x", "Invalid X file: ", "bad.x");
    }
}

TEST(XFile, MeshesOfAnySizeReadWholeUntilTheMemoryRunsOut)
{
    // 400000 vertices and 200000 quads: beyond the first size of every
    // temporary array.
    const int side = 400, rows = 1000;
    std::string text = "xof 0302txt 0064\nMesh {\n" + std::to_string(side * rows) + ";\n";
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < side; ++x) text += std::to_string(x) + ";" + std::to_string(y) + ";0;,\n";
    text += std::to_string((side - 1) * (rows - 1)) + ";\n";
    for (int y = 0; y + 1 < rows; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            int v = y * side + x;
            text += "4;" + std::to_string(v) + "," + std::to_string(v + 1) + "," + std::to_string(v + side + 1) +
                    "," + std::to_string(v + side) + ";,\n";
        }
    text += "}\n";
    {
        XRead r(text, "big.x");
        ASSERT_EQ(r.result, 1);
        EXPECT_TRUE(r.rec.boxes.empty());
        EXPECT_EQ(r.obj().nbpts, side * rows);
        EXPECT_EQ(r.obj().nbface, (side - 1) * (rows - 1));
        EXPECT_EQ(r.obj().nbindex, 5 * (side - 1) * (rows - 1));
        EXPECT_EQ(r.obj().m_vertices[side * rows - 1], Vec3(side - 1, rows - 1, 0));
        EXPECT_EQ(r.obj().m_index[5 * (side - 1) * (rows - 1) - 2], side * rows - 2);
    }
    // When the memory runs out the file is refused, naming the file and the
    // line, and the scene stays as it was.
    size_t old = set_reader_temp_limit(1 << 20);
    fmt_test::expect_refused(read_x_file, text, "big.x", "Invalid X file: ", "not enough memory for the vertices at line");
    fmt_test::expect_refused(read_x_file, text, "big.x", "Invalid X file: ", "big.x");
    set_reader_temp_limit(old);
}

TEST(XFile, EveryTextureFilenameGoesIntoTheTextureTable)
{
    ScratchDir dir;
    for (const char* name : {"a.bmp", "b.bmp"}) {
        CTexture t;
        ASSERT_EQ(t.Alloc(2, 2, 24), 1);
        ASSERT_EQ(t.SaveFile(dir.file(name)), 1);
    }
    XRead r("xof 0302txt 0064\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
            " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"a.bmp\"; } }\n"
            " Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"b.bmp\"; } }\n"
            " TextureFilename { \"a.bmp\"; } }\n",
            dir.file("two.x"));
    ASSERT_EQ(r.result, 1);
    ASSERT_EQ(r.scene.m_textures.size(), 2u);
    EXPECT_EQ(r.scene.m_textures[0]->name, dir.file("a.bmp"));
    EXPECT_EQ(r.scene.m_textures[1]->name, dir.file("b.bmp"));
    EXPECT_EQ(r.obj().m_texture_name, "a.bmp");   // the last one named
    EXPECT_EQ(*r.obj().m_texture, 0);
}

TEST(XFile, SurvivesEveryTruncationAndRandomMutations)
{
    // Without the texture name, so that no image is looked up on every run.
    std::string text = cube_sample();
    size_t t = text.find("TextureFilename");
    ASSERT_NE(t, std::string::npos);
    text.replace(t, 15, "NoTextureHere__");
    fmt_test::sweep(read_x_file, text, 4242, 1500);
}

TEST(XFile, ReadsTheTextFilesOfOtherToolsAndRefusesBinaryOnes)
{
    std::string root = source_path("../shared/corpus");
    const char* text_files[] = {
        "assimp-assimp/models/X/test_cube_text.x",
        "assimp-assimp/models-nonbsd/X/dwarf.x",
        "blitz-research-blitz3d/samples/mak/xfighter/biplane.x",
        "blitz-research-blitz3d/samples/si/fps/ladders.X",
        "blitz-research-blitz3d/samples/birdie/dolphin/dolphin.x",
        "blitz-research-blitz3d/samples/Hi-Toro/Death Island/msh/747.X",
    };
    std::string probe = read_whole_file(root + "/" + text_files[0]);
    if (probe.empty()) GTEST_SKIP() << "NOT RUN: the corpus folder ../shared/corpus is absent";
    for (const char* f : text_files) {
        SCOPED_TRACE(f);
        std::string text = read_whole_file(root + "/" + f);
        ASSERT_FALSE(text.empty());
        XRead r(text, root + "/" + f);
        EXPECT_EQ(r.result, 1) << (r.rec.boxes.empty() ? "" : r.rec.boxes[0].text);
        if (r.result) {
            EXPECT_GT(r.obj().nbpts, 0);
            EXPECT_GT(r.obj().nbface, 0);
            fmt_test::expect_consistent(r.obj());
        }
    }
    XRead bin(read_whole_file(root + "/assimp-assimp/models/X/test_cube_compressed.x"));
    EXPECT_EQ(bin.result, 0);
    EXPECT_TRUE(bin.rec.has_box_containing("only text X files can be read"));
}

// Normals that point against the faces' winding (the other winding's
// files, or a frame that mirrors) are turned to the side the faces show;
// normals that agree stay as written.
TEST(XFile, FileNormalsFaceTheSideTheWindingShows)
{
    auto quad = [](const char* winding, const char* matrix, float nz) {
        std::string t = "xof 0303txt 0032\nFrame F {\n FrameTransformMatrix { " + std::string(matrix) +
                        ";; }\n Mesh Q {\n  4;\n  0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n  1;\n  4;" + winding +
                        ";;\n  MeshNormals {\n   1;\n   0;0;" + std::to_string(nz) + ";;\n   1;\n   4;0,0,0,0;;\n  }\n }\n}\n";
        return t;
    };
    const char* identity = "1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1";
    const char* mirror = "-1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1";   // x to -x
    struct Case {
        const char* winding;
        const char* matrix;
        float file_nz, want_nz;
    } cases[] = {
        {"0,1,2,3", identity, 1.f, 1.f},    // counter-clockwise about +z, normal +z: kept
        {"0,3,2,1", identity, 1.f, -1.f},   // clockwise about +z: turned
        {"0,1,2,3", mirror, 1.f, -1.f},     // the mirror turns the winding, not this normal
        {"0,1,2,3", mirror, -1.f, -1.f},
    };
    for (const Case& c : cases) {
        XRead r(quad(c.winding, c.matrix, c.file_nz));
        ASSERT_EQ(r.result, 1) << c.winding << " " << c.matrix;
        const OBJECT3D& o = r.obj();
        ASSERT_EQ(o.nbnormal, 1);
        EXPECT_FLOAT_EQ(o.m_normals[0].z, c.want_nz) << c.winding << " " << c.matrix << " " << c.file_nz;
    }
}
