// A window shows an opened scene drawn from its arrays and compiles the
// display lists afterwards: the frames before and after, and the scene the
// lists leave behind, must be those of a scene compiled before its first
// frame.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "io/open.h"
#include "io/readers.h"
#include "render/display_list.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/object3d.h"
#include "support/recorder.h"

namespace {
constexpr int k_w = 160, k_h = 120;

std::unique_ptr<SCENE3D> open_finished(const std::string& rel, bool smooth, bool lists_after)
{
    std::unique_ptr<SCENE3D> s;
    const bool ok = open_document(source_path(rel), s, [&](SCENE3D& sc) {
        if (smooth) sc.set_norm_binding(1);
        return finish_scene_gl(sc, lists_after);
    });
    return ok ? std::move(s) : nullptr;
}

int objects_with_lists(const SCENE3D& s)
{
    int n = 0;
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && s.m_objects[i]->m_list) ++n;
    return n;
}
} // namespace

TEST(FirstFrame, ListsMadeAfterTheFirstFrameDrawAndDumpAsListsMadeBefore)
{
    ASSERT_TRUE(prepare_gl(k_w, k_h));
    ScratchDir dir;
    RecordingReporter rec;
    for (const char* rel : {"samples/house.wrl", "samples/anim.wrl", "samples/separators_v1.wrl", "samples/cube.x",
                            "samples/terrain.igz", "samples/building.ign"}) {
        for (bool smooth : {false, true}) {
            SCOPED_TRACE(std::string(rel) + (smooth ? " smoothed" : ""));
            std::unique_ptr<SCENE3D> before = open_finished(rel, smooth, false);
            ASSERT_TRUE(before);
            const std::vector<uint8_t> reference = render_scene_frame(*before, k_w, k_h);
            ASSERT_EQ(dump_scene(*before, dir.file("before.out").c_str()), 1);
            const int lists = objects_with_lists(*before);
            EXPECT_GT(lists, 0);
            current_scene() = nullptr;
            before.reset();

            std::unique_ptr<SCENE3D> after = open_finished(rel, smooth, true);
            ASSERT_TRUE(after);
            EXPECT_TRUE(after->m_lists_deferred);
            EXPECT_EQ(render_scene_frame(*after, k_w, k_h), reference) << "first frame, from the arrays";
            EXPECT_EQ(objects_with_lists(*after), 0);
            EXPECT_FALSE(direct_drawing()) << "the frame leaves the drawing mode as it found it";

            ASSERT_EQ(CompileDeferredLists(*after), 1);
            EXPECT_FALSE(after->m_lists_deferred);
            EXPECT_EQ(objects_with_lists(*after), lists);
            EXPECT_EQ(CompileDeferredLists(*after), 0) << "made once";
            EXPECT_EQ(render_scene_frame(*after, k_w, k_h), reference) << "from the lists";
            ASSERT_EQ(dump_scene(*after, dir.file("after.out").c_str()), 1);
            EXPECT_EQ(read_whole_file(dir.file("after.out")), read_whole_file(dir.file("before.out")));
            current_scene() = nullptr;
        }
    }
}

// A command that rebuilds everything before the deferred lists were made
// (smoothing, the texture switch) makes them itself, once.
TEST(FirstFrame, ARebuildBeforeTheListsMakesThem)
{
    ASSERT_TRUE(prepare_gl(k_w, k_h));
    RecordingReporter rec;
    std::unique_ptr<SCENE3D> ref = open_finished("samples/house.wrl", true, false);
    ASSERT_TRUE(ref);
    const std::vector<uint8_t> reference = render_scene_frame(*ref, k_w, k_h);
    current_scene() = nullptr;
    ref.reset();

    std::unique_ptr<SCENE3D> s = open_finished("samples/house.wrl", false, true);
    ASSERT_TRUE(s);
    render_scene_frame(*s, k_w, k_h);   // flat normals made face by face
    s->set_norm_binding(1);
    ASSERT_EQ(BuildTextures(*s), 1);
    EXPECT_FALSE(s->m_lists_deferred);
    EXPECT_GT(objects_with_lists(*s), 0);
    EXPECT_EQ(CompileDeferredLists(*s), 0);
    EXPECT_EQ(render_scene_frame(*s, k_w, k_h), reference);
    current_scene() = nullptr;
}
