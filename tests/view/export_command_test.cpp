// File > Export... and File > Open of the formats of other programs.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/recorder.h"
#include "view/commands.h"
#include "view/view_support.h"

TEST(ExportCommand, WritesTheSceneHeldAndOpensFramed)
{
    ScratchDir dir;
    RecordingReporter rec;
    TestView t(true, true, 80, 60);
    // Large enough that the reset camera shows it well: only the import frames it.
    t.add_square(-1.5f, -1.5f, 1.5f, 1.5f, 0.f)->m_name = "Tile";
    run_command(*t.view, 33004);   // cancelled: nothing written
    ASSERT_EQ(t.host->m_file_requests.size(), 1u);
    EXPECT_TRUE(t.host->m_file_requests[0].save);
    EXPECT_EQ(t.host->m_file_requests[0].default_ext, "glb");
    EXPECT_NE(t.host->m_file_requests[0].filter.find("*.stl"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    t.host->queue_file(dir.file("tile.glb"));
    run_command(*t.view, 33004);
    ASSERT_TRUE(std::filesystem::exists(dir.file("tile.glb")));
    EXPECT_EQ(rec.last_status(), "Exported 1 objects (2 triangles) to " + dir.file("tile.glb"));

    // A name the exports do not know: one message, nothing written.
    t.host->queue_file(dir.file("tile.fbx"));
    run_command(*t.view, 33004);
    EXPECT_EQ(rec.boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("tile.fbx")));

    // Opened again, it is the same tile, framed although it is small.
    t.host->queue_file(dir.file("tile.glb"));
    run_command(*t.view, 57601);
    ASSERT_EQ(t.scene().nbobjects, 1);
    EXPECT_EQ(t.scene().m_objects[0]->m_name, "Tile");
    EXPECT_EQ(t.scene().m_objects[0]->nbface, 2);
    EXPECT_GT(t.cam().position.z, -20.f);   // moved in from the reset camera
    EXPECT_EQ(t.scene().m_objects[0]->m_list_built, 1);
}
