// The command-line --dump and --save-binary prepare a scene without GL; what
// they write must equal what the viewer writes after compiling the same
// file for real.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gl_fixture.h"
#include "io/open.h"
#include "io/readers.h"
#include "render/snapshot.h"
#include "scene/compile_prep.h"
#include "support/recorder.h"

TEST(DumpEquivalence, CompiledSceneDumpsAndSavesAsThePreparedOne)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    ScratchDir dir;
    RecordingReporter rec;
    for (const char* rel : {"samples/house.wrl", "samples/anim.wrl", "samples/markers_v1.wrl",
                            "samples/separators_v1.wrl", "samples/cube.x", "samples/terrain.igz"}) {
        SCOPED_TRACE(rel);
        std::unique_ptr<SCENE3D> compiled, prepared;
        ASSERT_TRUE(open_document(source_path(rel), compiled, [](SCENE3D& s) { return finish_scene_gl(s); }));
        ASSERT_TRUE(open_document(source_path(rel), prepared, [](SCENE3D& s) {
            prepare_scene_for_compile(s);
            return 1;
        }));
        ASSERT_EQ(dump_scene(*compiled, dir.file("gl.out").c_str()), 1);
        ASSERT_EQ(dump_scene(*prepared, dir.file("core.out").c_str()), 1);
        std::string gl_dump = read_whole_file(dir.file("gl.out"));
        EXPECT_FALSE(gl_dump.empty());
        EXPECT_EQ(gl_dump, read_whole_file(dir.file("core.out")));
        ASSERT_EQ(save_binary(dir.file("gl.wrb").c_str(), *compiled), 1);
        ASSERT_EQ(save_binary(dir.file("core.wrb").c_str(), *prepared), 1);
        EXPECT_EQ(read_whole_file(dir.file("gl.wrb")), read_whole_file(dir.file("core.wrb")));
        current_scene() = nullptr;
    }
}
