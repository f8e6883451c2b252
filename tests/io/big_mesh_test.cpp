// Meshes beyond the first size of the readers' temporary arrays, and the
// progress of long loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/scene_loader.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {
// One grid object of side x rows vertices (quads, texture coordinates per
// vertex) followed by a small second object, in VRML 1.0 or 2.0.
std::string grid_scene(int version, int side, int rows)
{
    std::string pts, idx, tex;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < side; ++x) {
            pts += std::to_string(x) + " " + std::to_string(y) + " 0,\n";
            tex += std::to_string(x) + " " + std::to_string(y) + ",\n";
        }
    for (int y = 0; y + 1 < rows; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            int v = y * side + x;
            idx += std::to_string(v) + " " + std::to_string(v + 1) + " " + std::to_string(v + side + 1) + " " +
                   std::to_string(v + side) + " -1\n";
        }
    const std::string small = "point [ 0 0 0, 1 0 0, 0 1 0 ]";
    if (version == 1)
        return "#VRML V1.0 ascii\nDEF Big Separator { Coordinate3 { point [\n" + pts +
               "] }\nTextureCoordinate2 { point [\n" + tex + "] }\nIndexedFaceSet { coordIndex [\n" + idx +
               "] } }\nDEF Small Separator { Coordinate3 { " + small +
               " } IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n";
    return "#VRML V2.0 utf8\nDEF Big Transform { children [ Shape { geometry IndexedFaceSet {\n"
           "coord Coordinate { point [\n" + pts + "] }\ntexCoord TextureCoordinate { point [\n" + tex +
           "] }\ncoordIndex [\n" + idx + "] } } ] }\nDEF Small Transform { children [ Shape { geometry "
           "IndexedFaceSet { coord Coordinate { " + small + " } coordIndex [ 0 1 2 -1 ] } } ] }\n";
}
} // namespace

TEST(BigMesh, FourHundredThousandVerticesLoadWholeInBothVersions)
{
    ScratchDir dir;
    RecordingReporter rec;
    const int side = 500, rows = 800;   // 400000 vertices, 398701 quads
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        SCENE3D s;
        ASSERT_EQ(load_text(s, grid_scene(version, side, rows)), 1);
        EXPECT_TRUE(rec.boxes.empty());
        ASSERT_EQ(names_of(s), (Names{"Big", "Small"}));
        const OBJECT3D& o = *s.m_objects[0];
        EXPECT_EQ(o.nbpts, side * rows);
        EXPECT_EQ(o.nbtexvertex, side * rows);
        EXPECT_EQ(o.nbface, (side - 1) * (rows - 1));
        EXPECT_EQ(o.nbindex, 5 * (side - 1) * (rows - 1));
        EXPECT_EQ(o.m_vertices[side * rows - 1], Vec3(side - 1, rows - 1, 0));
        EXPECT_EQ(o.m_index[o.nbindex - 2], side * rows - 2);
        EXPECT_EQ(s.m_objects[1]->nbface, 1);
        EXPECT_EQ(check_scene(s), "");
    }
}

TEST(BigMesh, LongLoadsReportTheirProgressPerFile)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_whole_file("big.wrl", grid_scene(2, 300, 300));
    std::vector<int> seen;
    std::vector<std::string> files;
    set_load_progress(
        [&](const std::string& file, int percent) {
            files.push_back(file);
            seen.push_back(percent);
        },
        std::chrono::milliseconds(0));
    SCENE3D s;
    Scene L;
    ASSERT_EQ(L.load_buffer("big.wrl", s), 1);
    ASSERT_EQ(L.read_file(s), 1);
    set_load_progress(nullptr);
    ASSERT_GE(seen.size(), 3u);
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1] + 5) << i;
    EXPECT_EQ(seen.back(), 100);
    EXPECT_EQ(files, std::vector<std::string>(files.size(), "big.wrl"));
    // The texts of the load are the usual ones.
    EXPECT_EQ(rec.last_status(), "End Read big.wrl");

    // A load shorter than the delay reports nothing.
    seen.clear();
    set_load_progress([&](const std::string&, int percent) { seen.push_back(percent); });
    SCENE3D s2;
    Scene L2;
    ASSERT_EQ(L2.load_buffer("big.wrl", s2), 1);
    ASSERT_EQ(L2.read_file(s2), 1);
    set_load_progress(nullptr);
    EXPECT_TRUE(seen.empty());
}

namespace {
// Resident kilobytes of the mapping that starts at `start`, from smaps.
long mapping_rss_kb(const void* start)
{
    std::FILE* f = std::fopen("/proc/self/smaps", "r");
    if (!f) return -1;
    char line[512];
    bool in = false;
    long rss = -1;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long lo, hi;
        if (std::sscanf(line, "%lx-%lx ", &lo, &hi) == 2 && std::strchr(line, '-') < std::strchr(line, ' ')) {
            in = lo == (unsigned long)start;
            continue;
        }
        if (in && std::sscanf(line, "Rss: %ld kB", &rss) == 1) break;
    }
    std::fclose(f);
    return rss;
}
} // namespace

TEST(BigMesh, TheFilesPagesGoBackAsTheyAreReadAndReadTheSameAgain)
{
    ScratchDir dir;
    RecordingReporter rec;
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        const std::string text = grid_scene(version, 500, 800);
        write_whole_file("big.wrl", text);
        SCENE3D from_memory;
        ASSERT_EQ(load_text(from_memory, text), 1);

        Scene L;
        SCENE3D s;
        ASSERT_EQ(L.load_buffer("big.wrl", s), 1);
        ASSERT_GT(L.m_mapped_len, 0u);
        ASSERT_EQ(L.read_file(s), 1);
        // Most of the file is no longer held once it has been read.
        long rss = mapping_rss_kb(L.m_buf);
        ASSERT_GE(rss, 0);
        EXPECT_LT(rss * 1024, (long)text.size() / 4) << "file " << text.size() / 1024 << " kB";

        // A second read of the same buffer (pages read from the file again)
        // gives the same objects as the text read from memory.
        SCENE3D again;
        ASSERT_EQ(L.read_file(again), 1);
        for (SCENE3D* r : {&s, &again}) {
            ASSERT_EQ(r->nbobjects, from_memory.nbobjects);
            for (int i = 0; i < r->nbobjects; ++i) {
                const OBJECT3D& a = *r->m_objects[i];
                const OBJECT3D& b = *from_memory.m_objects[i];
                ASSERT_EQ(a.nbpts, b.nbpts);
                ASSERT_EQ(a.nbindex, b.nbindex);
                EXPECT_TRUE(std::equal(a.m_vertices, a.m_vertices + a.nbpts, b.m_vertices));
                EXPECT_TRUE(std::equal(a.m_index, a.m_index + a.nbindex, b.m_index));
            }
        }
        EXPECT_TRUE(rec.boxes.empty());
    }
}
