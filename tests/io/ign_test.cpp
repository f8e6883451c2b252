#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/formats_support.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

using fmt_test::loader_for;

namespace {
struct Read {
    RecordingReporter rec;
    SCENE3D scene;
    int result = 0;
    Read(int (*reader)(Scene&, SCENE3D&), const std::string& text)
    {
        auto L = loader_for(text, "map.ign");
        result = reader(*L, scene);
    }
    const OBJECT3D& obj(int i) const { return *scene.m_objects[i]; }
};

std::vector<int32_t> index_of(const OBJECT3D& o) { return std::vector<int32_t>(o.m_index, o.m_index + o.nbindex); }

// A grid text: `lines` lines of constant x, `per_line[i]` points each.
std::string grid_text(const std::vector<int>& per_line)
{
    std::string t;
    for (size_t i = 0; i < per_line.size(); ++i)
        for (int j = 0; j < per_line[i]; ++j)
            t += " " + std::to_string(1000 + 5 * (int)i) + " " + std::to_string(2000 + 5 * j) + " " +
                 std::to_string(10 + (int)i + j) + " " + std::to_string(j % 3) + " x\n";
    return t;
}
} // namespace

TEST(BuildingFile, OneSquareGivesFourVerticesAndFourWallsOfHeight30)
{
    Read r(read_building_file, "CODE\nBAT. 0 0 0  10 0 0  10 10 0  0 10 0\n");
    ASSERT_EQ(r.result, 1);
    EXPECT_TRUE(r.rec.boxes.empty());
    ASSERT_EQ(r.scene.nbobjects, 2);
    const OBJECT3D& g = r.obj(0);
    EXPECT_EQ(g.m_name, "IGN");
    EXPECT_EQ(g.nbpts, 4);
    EXPECT_EQ(g.nbface, 1);
    EXPECT_EQ(index_of(g), (std::vector<int32_t>{0, 1, 2, 3, -1}));
    ASSERT_NE(g.m_materialindex, nullptr);
    EXPECT_EQ(g.m_materialindex[0], 0);
    EXPECT_EQ(g.nbmaterial, 5);
    EXPECT_EQ(g.T_diffuseColor[0], Vec3(100, 0, 0));
    EXPECT_EQ(g.T_diffuseColor[1], Vec3(0, 100, 0));
    EXPECT_EQ(g.T_diffuseColor[2], Vec3(0, 0, 1));
    EXPECT_EQ(g.T_diffuseColor[3], Vec3(0, 1, 1));
    EXPECT_EQ(g.m_normals, nullptr);

    const OBJECT3D& w = r.obj(1);
    EXPECT_EQ(w.nbpts, 8);
    EXPECT_EQ(w.nbface, 4);
    EXPECT_EQ(index_of(w), (std::vector<int32_t>{0, 1, 5, 4, -1, 1, 2, 6, 5, -1, 2, 3, 7, 6, -1, 3, 0, 4, 7, -1}));
    EXPECT_EQ(w.m_vertices[6], Vec3(10, 10, 30));
    EXPECT_EQ(w.nbmaterial, 5);
    EXPECT_EQ(w.T_diffuseColor[0], Vec3(100, 0, 0));
}

TEST(BuildingFile, SampleWithBuildingsAndWoodsKeepsEveryPolygon)
{
    Read r(read_building_file, read_whole_file(source_path("samples/building.ign")));
    ASSERT_EQ(r.result, 1);
    const OBJECT3D& g = r.obj(0);
    // Consecutive polygons: the tag that ends one polygon starts the next.
    EXPECT_EQ(g.nbpts, 4 + 5 + 3);
    ASSERT_EQ(g.nbface, 3);
    EXPECT_EQ(g.m_materialindex[0], 0);
    EXPECT_EQ(g.m_materialindex[1], 0);
    EXPECT_EQ(g.m_materialindex[2], 1);
    EXPECT_EQ(g.m_vertices[8], Vec3(30, 20, 0));
    const OBJECT3D& w = r.obj(1);
    EXPECT_EQ(w.nbpts, 24);
    EXPECT_EQ(w.nbface, 12);
    // The pentagon's last wall closes back to its own first corner (4).
    EXPECT_EQ(index_of(w)[5 * 8], 8);
    EXPECT_EQ(index_of(w)[5 * 8 + 1], 4);
    EXPECT_EQ(index_of(w)[5 * 8 + 2], 16);
    EXPECT_EQ(index_of(w)[5 * 8 + 3], 20);
    fmt_test::expect_consistent(g);
    fmt_test::expect_consistent(w);
}

TEST(BuildingFile, EmptyTagsGiveEmptyFacesAndIncompleteCornersAreDropped)
{
    Read r(read_building_file, "CODE BAT. BOIS 1 2 3 4 5 6 7 8 9 10 11 BAT.");
    ASSERT_EQ(r.result, 1);
    EXPECT_EQ(r.obj(0).nbpts, 3);
    EXPECT_EQ(index_of(r.obj(0)), (std::vector<int32_t>{-1, 0, 1, 2, -1, -1}));
    ASSERT_EQ(r.obj(0).nbface, 3);
    EXPECT_EQ(std::vector<int32_t>(r.obj(0).m_materialindex, r.obj(0).m_materialindex + 3),
              (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(r.obj(1).nbface, 3);
}

TEST(BuildingFile, TablesGrowAndKeepWhatWasReadWhenTheMemoryRunsOut)
{
    // Beyond the first size of the vertex and index tables: read whole.
    std::string many = "CODE BAT.";
    for (int i = 0; i < QV_TMP_VERTICES + 1; ++i) many += " 1 2 3";
    {
        Read r(read_building_file, many);
        ASSERT_EQ(r.result, 1);
        EXPECT_TRUE(r.rec.boxes.empty());
        EXPECT_EQ(r.obj(0).nbpts, QV_TMP_VERTICES + 1);
        EXPECT_EQ(r.obj(0).nbindex, QV_TMP_VERTICES + 2);
    }
    // With the memory running out: a full vertex table ends the reading with
    // what was read; a polygon whose index entries do not fit gets no face.
    size_t old = set_reader_temp_limit(sizeof(Vec3) * 10);
    {
        Read r(read_building_file, "CODE BAT. 0 0 0 1 0 0 1 1 0 BOIS" + std::string(30, ' ') +
                                       " 0 0 0 1 0 0 1 1 0 2 2 2 3 3 3 4 4 4 5 5 5 6 6 6 7 7 7 BAT. 1 1 1");
        EXPECT_EQ(r.result, 1);
        EXPECT_TRUE(r.rec.has_box("***Débordement table Vertex dans parse_ign"));
        EXPECT_EQ(r.obj(0).nbpts, 10);
        EXPECT_EQ(r.obj(0).nbface, 2);
        EXPECT_EQ(r.scene.nbobjects, 2);
    }
    set_reader_temp_limit(sizeof(int32_t) * 6);   // 6 index entries, 2 vertices
    {
        Read r(read_building_file, "CODE BOIS 0 0 0 1 0 0 BAT. BAT. BAT. BAT.");
        EXPECT_EQ(r.result, 1);
        ASSERT_EQ(r.rec.boxes.size(), 1u);
        EXPECT_EQ(r.rec.boxes[0].text, "***Débordement table Index coord dans parse_ign");
        EXPECT_EQ(index_of(r.obj(0)), (std::vector<int32_t>{0, 1, -1, -1, -1, -1}));
        EXPECT_EQ(r.obj(0).nbface, 4);
    }
    set_reader_temp_limit(old);
}

TEST(GridFile, ThreeLinesOfFourPoints)
{
    Read r(read_grid_file, grid_text({4, 4, 4}));
    ASSERT_EQ(r.result, 1);
    EXPECT_TRUE(r.rec.boxes.empty());
    ASSERT_EQ(r.scene.nbobjects, 1);
    const OBJECT3D& g = r.obj(0);
    EXPECT_EQ(g.nbpts, 12);
    EXPECT_EQ(g.nbface, 6);
    ASSERT_EQ(g.nbindex, 30);
    EXPECT_EQ(g.m_vertices[0], Vec3(0, 0, 0));
    // Record (1005, 2010, height 13): x - x0, height - h0, y - y0.
    EXPECT_EQ(g.m_vertices[6], Vec3(5, 3, 10));
    EXPECT_EQ(std::vector<int32_t>(g.m_index, g.m_index + 5), (std::vector<int32_t>{0, 1, 5, 4, -1}));
    EXPECT_EQ(std::vector<int32_t>(g.m_index + 25, g.m_index + 30), (std::vector<int32_t>{6, 7, 11, 10, -1}));
    // Codes 0..2: three materials, the fixed diffuse colours first.
    EXPECT_EQ(g.nbmaterial, 3);
    EXPECT_EQ(g.T_diffuseColor[0], Vec3(100, 0, 0));
    EXPECT_EQ(g.T_diffuseColor[2], Vec3(0, 0, 100));
    EXPECT_EQ(g.T_ambientColor[2], Vec3(0, 0, 0));
    EXPECT_EQ(g.m_materialindex, nullptr);
    fmt_test::expect_consistent(g);
}

TEST(GridFile, UnevenLinesWarnButBuildOnlyExistingQuads)
{
    Read r(read_grid_file, grid_text({4, 3, 4, 2}));
    ASSERT_EQ(r.result, 1);
    int x_boxes = 0;
    for (const auto& b : r.rec.boxes) x_boxes += b.text == "fichier inhomogene en x";
    EXPECT_EQ(x_boxes, 3);
    EXPECT_TRUE(r.rec.has_box("fichier inhomogene en y"));
    EXPECT_EQ(r.obj(0).nbpts, 13);
    fmt_test::expect_consistent(r.obj(0));
}

TEST(GridFile, ProgressEveryRecordOfEveryTenthLine)
{
    Read r(read_grid_file, grid_text(std::vector<int>(12, 3)));
    ASSERT_EQ(r.result, 1);
    EXPECT_EQ(r.rec.statuses, (std::vector<std::string>{"28", "29", "30"}));
}

TEST(GridFile, ShortLastRecordReadsItsMissingValuesAsZero)
{
    Read r(read_grid_file, " 1 2 3 0 x\n 1 3 4 1 x\n 2 2 5 0 x\n 2 3");
    ASSERT_EQ(r.result, 1);
    ASSERT_EQ(r.rec.boxes.size(), 1u);   // and the file may be cut short
    EXPECT_NE(r.rec.boxes[0].text.find("ends inside the record at line 4"), std::string::npos);
    ASSERT_EQ(r.obj(0).nbpts, 4);
    EXPECT_EQ(r.obj(0).m_vertices[3], Vec3(1, -3, 1));   // height 0 less the origin's 3
    EXPECT_EQ(r.obj(0).nbface, 1);
}

TEST(GridFile, RefusalsLeaveTheSceneAlone)
{
    struct Case {
        std::string text;
        const char* reason;
    } cases[] = {
        {" 1 2 3 200000 x\n", "code 200000"},
    };
    for (const Case& c : cases)
        fmt_test::expect_refused(read_grid_file, c.text, "map.ign", "Invalid elevation grid file: ", c.reason);
}

TEST(IgnFiles, SurviveEveryTruncationAndRandomMutations)
{
    fmt_test::sweep(read_building_file, read_whole_file(source_path("samples/building.ign")), 77, 1000);
    fmt_test::sweep(read_grid_file, read_whole_file(source_path("samples/terrain.igz")), 78, 1000);
}
