#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/formats_support.h"
#include "io/lod.h"
#include "io/readers.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

using fmt_test::loader_for;

namespace {
// Objects of a level scene that hold geometry.
int solid_objects(const SCENE3D& s)
{
    int n = 0;
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && s.m_objects[i]->nbpts > 0) ++n;
    return n;
}

const OBJECT3D* named(const SCENE3D& s, const std::string& name)
{
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && s.m_objects[i]->m_name == name) return s.m_objects[i];
    return nullptr;
}
} // namespace

TEST(LodScript, SampleGivesTwoLevelScenesAndTheirDistances)
{
    RecordingReporter rec;
    std::string path = source_path("samples/levels.lod");
    auto L = loader_for(read_whole_file(path), path);
    LODSET set;
    ASSERT_EQ(read_lod_script(*L, set), 1);
    EXPECT_TRUE(rec.boxes.empty()) << rec.boxes[0].text;
    ASSERT_EQ(set.m_nlevels, 2);
    EXPECT_EQ(set.m_distances[0], -1000.f);
    EXPECT_EQ(set.m_distances[1], 50.f);
    EXPECT_EQ(set.m_distances[2], 200.f);
    EXPECT_EQ(set.center, Vec3(0, 0, 0));
    EXPECT_EQ(set.m_camera->position, Vec3(0, 0, -1000));
    ASSERT_NE(set.m_levels[0], nullptr);
    ASSERT_NE(set.m_levels[1], nullptr);
    EXPECT_EQ(set.m_levels[2], nullptr);
    const OBJECT3D* hi = named(*set.m_levels[0], "Detailed");
    const OBJECT3D* lo = named(*set.m_levels[1], "Coarse");
    ASSERT_NE(hi, nullptr);
    ASSERT_NE(lo, nullptr);
    EXPECT_EQ(hi->nbface, 8);
    EXPECT_EQ(lo->nbface, 4);
    EXPECT_EQ(hi->m_lighting, 1);
    EXPECT_NE(set.m_loader, nullptr);
}

TEST(LodScript, MissingLevelFileLeavesThatLevelEmpty)
{
    ScratchDir dir;
    write_whole_file(dir.file("one.wrl"), read_whole_file(source_path("samples/levels_lo.wrl")));
    std::string script = "LOD: 2\ncenter: 1 2 3\na one.wrl 10\nb absent.wrl 20\n";
    RecordingReporter rec;
    auto L = loader_for(script, dir.file("set.lod"));
    LODSET set;
    ASSERT_EQ(read_lod_script(*L, set), 1);
    ASSERT_EQ(set.m_nlevels, 2);
    EXPECT_EQ(set.center, Vec3(1, 2, 3));
    EXPECT_EQ(solid_objects(*set.m_levels[0]), 1);
    EXPECT_EQ(solid_objects(*set.m_levels[1]), 0);
    EXPECT_TRUE(rec.has_box_containing("absent.wrl"));
}

TEST(LodScript, CorruptedScriptsAreRefusedAndEmptyASetThatHeldLevels)
{
    const std::string path = source_path("samples/levels.lod");
    const std::string scripts[] = {
        "",
        "LOD 2\ncenter: 0 0 0\n",
        "LOD: 2\nCenter: 0 0 0\na x.wrl 1\nb y.wrl 2\n",
        "LOD: 3\nnothing",
    };
    for (const std::string& s : scripts) {
        SCOPED_TRACE(s.substr(0, 40));
        for (bool held_levels : {false, true}) {
            LODSET set;
            if (held_levels) {
                auto good = loader_for(read_whole_file(path), path);
                ASSERT_EQ(read_lod_script(*good, set), 1);
            }
            RecordingReporter rec;
            auto L = loader_for(s, "bad.lod");
            EXPECT_EQ(read_lod_script(*L, set), 0);
            EXPECT_TRUE(rec.has_box("corrupted LOD input script!"));
            EXPECT_EQ(rec.boxes.size(), 1u);   // nothing was loaded
            EXPECT_EQ(set.m_nlevels, 0);
            EXPECT_EQ(set.m_levels, nullptr);
            EXPECT_EQ(set.m_distances, nullptr);
        }
    }
}

TEST(LodScript, ScriptsCutShortLoadTheLevelsTheyName)
{
    ScratchDir dir;
    const std::string level = read_whole_file(source_path("samples/levels_lo.wrl"));
    ASSERT_FALSE(level.empty());
    write_whole_file(dir.file("a.wrl"), level);
    std::string many = "LOD: 101\ncenter: 0 0 0\n";
    for (int i = 0; i < 101; ++i) many += "l a.wrl " + std::to_string(i) + "\n";
    const struct {
        std::string script;
        int levels;
        std::vector<float> distances;
        Vec3 center;
        std::vector<std::string> boxes;
        int empty_level;   // the level left empty, or -1
    } cases[] = {
        {"LOD: 2\ncenter: 1 2\nA a.wrl 5\nB a.wrl 9\n", 2, {-1000, 5, 9}, {1, 2, 0}, {}, -1},
        {"LOD: 3\ncenter: 1 2 3\nA a.wrl 5\nB a.wrl\n", 2, {-1000, 5, 0}, {1, 2, 3},
         {"File " + dir.file("s.lod") + " ends after 2 of the 3 levels announced: the file may be cut short"}, -1},
        {"LOD: 2\ncenter: 0 0 0\nA absent.wrl 1\nB a.wrl 2\n", 2, {-1000, 1, 2}, {},
         {"File " + dir.file("absent.wrl") + " is not a vrml one"}, 0},
        {"LOD: 1\ncenter: 0 0 0\nA notvrml.lod 1\n", 1, {-1000, 1}, {},
         {"File " + dir.file("notvrml.lod") + " is not a vrml one"}, 0},
        {"LOD: -1\ncenter: 0 0 0\n", 0, {-1000}, {}, {}, -1},
        {many, 100, {}, {}, {"LOD script " + dir.file("s.lod") + " announces 101 levels; the first 100 are read"},
         -1},
    };
    write_whole_file(dir.file("notvrml.lod"), "LOD: 0\ncenter: 0 0 0\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script.substr(0, 40));
        RecordingReporter rec;
        auto L = loader_for(c.script, dir.file("s.lod"));
        LODSET set;
        ASSERT_EQ(read_lod_script(*L, set), 1);
        ASSERT_EQ(set.m_nlevels, c.levels);
        if (!c.distances.empty()) {
            EXPECT_EQ(std::vector<float>(set.m_distances, set.m_distances + c.levels + 1), c.distances);
        }
        EXPECT_EQ(set.center, c.center);
        std::vector<std::string> boxes;
        for (const auto& b : rec.boxes) boxes.push_back(b.text);
        EXPECT_EQ(boxes, c.boxes);
        for (int i = 0; i < c.levels; ++i) EXPECT_EQ(solid_objects(*set.m_levels[i]) == 0, i == c.empty_level) << i;
    }
}

TEST(LodScript, SurvivesEveryTruncationAndRandomMutations)
{
    std::string path = source_path("samples/levels.lod");
    std::string text = read_whole_file(path);
    auto reader = [&](const std::string& bytes) {
        RecordingReporter rec;
        auto L = loader_for(bytes, path);
        LODSET set;
        int ok = read_lod_script(*L, set);
        if (!ok) {
            EXPECT_EQ(set.m_nlevels, 0);
            EXPECT_TRUE(rec.has_box("corrupted LOD input script!"));
            return;
        }
        ASSERT_GE(set.m_nlevels, 0);
        ASSERT_LE(set.m_nlevels, 100);
        for (int i = 0; i < set.m_nlevels; ++i) {
            ASSERT_NE(set.m_levels[i], nullptr);
            for (int k = 0; k < set.m_levels[i]->nbobjects; ++k)
                ASSERT_NO_FATAL_FAILURE(fmt_test::expect_consistent(*set.m_levels[i]->m_objects[k]));
        }
    };
    for (size_t len = 0; len <= text.size(); ++len) reader(text.substr(0, len));
    std::mt19937 rng(5150);
    for (int r = 0; r < 300; ++r) {
        std::string b = text;
        for (int e = 0; e < 3; ++e) b[rng() % b.size()] = "0123456789 \n:.-x"[rng() % 16];
        reader(b);
    }
}
