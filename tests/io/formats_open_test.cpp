// The non-VRML samples through the two open paths.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "io/lod.h"
#include "io/open.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
int finish_count = 0;
int count_finish(SCENE3D&)
{
    ++finish_count;
    return 1;
}
} // namespace

TEST(FormatsOpen, DocumentOpenChoosesTheReaderByTheFirstBytes)
{
    struct Case {
        const char* sample;
        int objects;
        int first_nbpts;
        bool finished;
    } cases[] = {
        {"samples/cube.x", 1, 8, true},
        {"samples/building.ign", 2, 12, true},
        {"samples/terrain.igz", 1, 30, true},
        {"samples/points.pts", 1, 250, false},   // a point set compiles its own list
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        RecordingReporter rec;
        std::unique_ptr<SCENE3D> scene;
        finish_count = 0;
        ASSERT_TRUE(open_document(source_path(c.sample), scene, count_finish));
        EXPECT_TRUE(rec.boxes.empty());
        ASSERT_EQ(scene->nbobjects, c.objects);
        EXPECT_EQ(scene->m_objects[0]->nbpts, c.first_nbpts);
        EXPECT_EQ(finish_count, c.finished ? 1 : 0);
        current_scene() = nullptr;
    }
}

TEST(FormatsOpen, OpenByExtensionReadsBinaryScenesAndLevelSets)
{
    RecordingReporter rec;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    EXPECT_EQ(open_by_extension(source_path("samples/house.wrb"), scene, lod, count_finish), OpenResult::Scene);
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->nbobjects, 6);
    EXPECT_EQ(scene->m_objects[1]->m_name, "House");

    EXPECT_EQ(open_by_extension(source_path("samples/levels.lod"), scene, lod, count_finish), OpenResult::Lod);
    ASSERT_TRUE(lod);
    EXPECT_EQ(lod->m_nlevels, 2);
    EXPECT_TRUE(rec.boxes.empty());
    current_scene() = nullptr;
}
