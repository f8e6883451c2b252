// A window shows an opened scene drawn from its arrays and compiles the
// display lists afterwards: the frames before and after, and the scene the
// lists leave behind, must be those of a scene compiled before its first
// frame.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "io/open.h"
#include "io/readers.h"
#include "render/display_list.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/compile_prep.h"
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

namespace {
// A wavy grid of side x side quads, flat or smoothed, lit.
OBJECT3D* make_wavy_grid(int side, float x0, bool smooth)
{
    std::vector<Vec3> points;
    std::vector<int32_t> index;
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i)
            points.emplace_back(x0 + i * 0.1f, j * 0.1f - 3.f, 0.3f * std::sin(i * 0.4f) * std::cos(j * 0.3f));
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const int a = j * (side + 1) + i;
            index.insert(index.end(), {a, a + 1, a + side + 2, a + side + 1, -1});
        }
    OBJECT3D* o = new OBJECT3D();
    o->take_points(points);
    o->take_faces(index);
    o->m_lighting = 1;
    o->m_norm_binding = smooth ? 1 : 0;
    o->compute_bounds();
    o->compute_center();
    return o;
}

std::unique_ptr<SCENE3D> wavy_scene()
{
    auto s = std::make_unique<SCENE3D>();
    for (int k = 0; k < 6; ++k) s->add_object(make_wavy_grid(60, -4.f + k * 1.2f, k % 2 == 1));
    return s;
}
} // namespace

// Large scenes gather the faces of their lists on two threads: the lists
// draw as one thread makes them, and as the arrays draw.
TEST(FirstFrame, ListsGatheredOnTwoThreadsDrawAsOnOne)
{
    ASSERT_TRUE(prepare_gl(k_w, k_h));
    RecordingReporter rec;
    std::vector<uint8_t> frames[3];
    int lists[3] = {};
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        std::unique_ptr<SCENE3D> s = wavy_scene();
        const bool two = run != 1;
        const bool was = set_second_thread(two);
        if (run == 0) {
            ASSERT_EQ(BuildTexturesForFirstFrame(*s), 1);   // drawn from the arrays
        } else {
            ASSERT_EQ(BuildTexturesForFirstFrame(*s), 1);
            ASSERT_EQ(CompileDeferredLists(*s), 1);
            lists[run] = objects_with_lists(*s);
        }
        set_second_thread(was);
        frames[run] = render_scene_frame(*s, k_w, k_h, nullptr, true);
        current_scene() = nullptr;
    }
    EXPECT_EQ(lists[1], 6);
    EXPECT_EQ(lists[2], 6);
    EXPECT_EQ(frames[1], frames[0]) << "one thread";
    EXPECT_EQ(frames[2], frames[0]) << "two threads";
    // The frame shows the grids, lit.
    std::set<std::vector<uint8_t>> colours;
    for (size_t i = 0; i + 2 < frames[2].size(); i += 3)
        colours.insert({frames[2][i], frames[2][i + 1], frames[2][i + 2]});
    EXPECT_GT(colours.size(), 20u);
}
