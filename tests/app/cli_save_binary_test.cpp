// quorvel --save-binary, run as a separate process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "io/open.h"
#include "io/readers.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
int run_quorvel(const std::string& args)
{
    std::string cmd = std::string("'") + QV_QUORVEL_EXE + "' " + args + " 2>/dev/null";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}
} // namespace

TEST(CliSaveBinary, WritesTheSceneAsOpenedAndPreparedForDrawing)
{
    ScratchDir dir;
    const std::string samples[] = {"samples/house.wrl", "samples/anim.wrl", "samples/cube.x",
                                   "samples/building.ign", "samples/terrain.igz"};
    for (const std::string& rel : samples) {
        SCOPED_TRACE(rel);
        std::string in = source_path(rel);
        ASSERT_EQ(run_quorvel("--save-binary '" + dir.file("out.wrb") + "' '" + in + "'"), 0);
        // The same steps in this process: document open, then the
        // preparation that compiling the display lists performs.
        RecordingReporter rec;
        std::unique_ptr<SCENE3D> scene;
        ASSERT_TRUE(open_document(in, scene, [](SCENE3D& s) { return prepare_scene_for_compile(s); }));
        ASSERT_EQ(save_binary(dir.file("expected.wrb").c_str(), *scene), 1);
        std::string got = read_whole_file(dir.file("out.wrb"));
        EXPECT_GT(got.size(), 4u);
        EXPECT_EQ(got, read_whole_file(dir.file("expected.wrb")));
        SCENE3D back;
        EXPECT_EQ(load_binary(dir.file("out.wrb").c_str(), back), 1);
        EXPECT_EQ(back.nbobjects, scene->nbobjects);
        current_scene() = nullptr;
    }
}

TEST(CliSaveBinary, FailsWithoutWritingWhenTheInputCannotBeRead)
{
    ScratchDir dir;
    EXPECT_EQ(run_quorvel("--save-binary '" + dir.file("out.wrb") + "' '" + dir.file("absent.wrl") + "'"), 1);
    EXPECT_EQ(read_whole_file(dir.file("out.wrb")), "");
    EXPECT_EQ(run_quorvel("--save-binary '" + dir.file("out.wrb") + "'"), 1);
}
