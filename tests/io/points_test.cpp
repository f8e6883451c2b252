#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/formats_support.h"
#include "io/readers.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

using fmt_test::loader_for;

TEST(PointSet, SampleGivesOnePointSetObjectAndProgress)
{
    RecordingReporter rec;
    SCENE3D scene;
    auto L = loader_for(read_whole_file(source_path("samples/points.pts")), "points.pts");
    ASSERT_EQ(read_point_set(*L, scene), 1);
    EXPECT_TRUE(rec.boxes.empty());
    ASSERT_EQ(scene.nbobjects, 1);
    const OBJECT3D& o = *scene.m_objects[0];
    EXPECT_EQ(o.m_points_only, 1);
    EXPECT_EQ(o.nbpts, 250);
    EXPECT_EQ(o.m_vertices[0], Vec3(100, 0, 0));
    EXPECT_EQ(o.m_vertices[249].y, 249.f);
    EXPECT_EQ(o.nbindex, 0);
    EXPECT_EQ(scene.m_lists_built, 1);
    EXPECT_EQ(rec.statuses, (std::vector<std::string>{"0", "100", "200"}));
}

TEST(PointSet, OtherFilesAreNotTaken)
{
    RecordingReporter rec;
    SCENE3D scene;
    auto L = loader_for("POINT 1 1 0 0 0", "p.pts");
    EXPECT_EQ(read_point_set(*L, scene), 0);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(scene.nbobjects, 0);
}

TEST(PointSet, CountsBeyondTheDataOrTheTableAreRefused)
{
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"POINTS x 3 0 0", "3 points announced but the file ends inside point 0: the file may be cut short"},
        {"POINTS x -1", "negative point count -1"},
        {"POINTS x", "the file ends before the point count"},
    };
    for (const auto& c : cases)
        fmt_test::expect_refused(read_point_set, c.text, "p.pts", "Invalid point set file: ", c.reason);
}

TEST(PointSet, SurvivesEveryTruncationAndRandomMutations)
{
    // The sample's first ten points, announced as ten.
    std::string text = read_whole_file(source_path("samples/points.pts"));
    size_t end = text.find('\n');
    for (int i = 0; i < 10; ++i) end = text.find('\n', end + 1);
    text = "POINTS spiral 10" + text.substr(text.find('\n'), end - text.find('\n') + 1);
    fmt_test::sweep(read_point_set, text, 99, 1500);
}
