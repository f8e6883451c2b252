// The three ways an object reaches GL give the same frames, byte for byte,
// in the normal and the pick pass: whole display lists, faces in buffer
// objects (the window where GL has them) and direct drawing (the one-shot
// snapshot).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "gl_fixture.h"
#include "io/open.h"
#include "render/display_list.h"
#include "render/textures.h"
#include "support/recorder.h"

namespace {
constexpr int W = 96, H = 72;

enum class Path { Lists, Buffers, Direct };

struct PathScope {
    explicit PathScope(Path p)
    {
        set_direct_drawing(p == Path::Direct);
        set_buffer_objects(p == Path::Buffers);
    }
    ~PathScope()
    {
        set_direct_drawing(false);
        set_buffer_objects(true);
    }
};

// Opens `file` (or builds a scene with `make`), finishes it with or without
// lists and returns the normal frame followed by the pick frame.
std::vector<uint8_t> frames(Path path, const std::string& file, const std::function<void(SCENE3D&)>& make = {})
{
    std::vector<uint8_t> out;
    if (!prepare_gl(W, H)) return out;
    PathScope scope(path);
    std::unique_ptr<SCENE3D> scene;
    if (!file.empty()) {
        if (!open_document(source_path("samples/" + file), scene, FinishFn()) || !scene) return out;
    } else {
        scene = std::make_unique<SCENE3D>();
        make(*scene);
    }
    BuildTextures(*scene);
    BuildLights(*scene);
    GlView v;
    setup_view(v, scene.get(), W, H);
    for (bool pick : {false, true}) {
        v.pick_pass = pick;
        PaintView(v);
        std::vector<uint8_t> f = read_frame_rgb(W, H);
        out.insert(out.end(), f.begin(), f.end());
    }
    if (current_scene() == scene.get()) current_scene() = nullptr;
    return out;
}
} // namespace

TEST(GeometryPaths, SampleScenesDrawAsTheirLists)
{
    RecordingReporter rec;
    for (const char* f : {"house.wrl", "anim.wrl", "markers_v1.wrl", "separators_v1.wrl", "cube.x", "building.ign",
                          "terrain.igz", "points.pts"}) {
        SCOPED_TRACE(f);
        std::vector<uint8_t> lists = frames(Path::Lists, f);
        ASSERT_EQ(lists.size(), (size_t)W * H * 3 * 2);
        EXPECT_TRUE(lists == frames(Path::Buffers, f)) << "buffer objects";
        EXPECT_TRUE(lists == frames(Path::Direct, f)) << "direct drawing";
    }
}

TEST(GeometryPaths, StateLeftByOneObjectReachesTheNextAsFromItsList)
{
    RecordingReporter rec;
    // A lit object with slanted normals, then an unlit one (compiled without
    // normals: it is lit with whatever normal the first one left), a third
    // one with built normals, and the same as an untextured scene (no
    // normals at all). The third shows its normals and axes, drawn from its
    // list after the faces in every path.
    auto make = [](bool textured) {
        return [textured](SCENE3D& s) {
            OBJECT3D* a = make_square(-6, -6, -1, -1, 0, "lit");
            a->m_normals = new Vec3[1]{Vec3(0.6f, 0.f, 0.8f)};
            a->nbnormal = 1;
            a->normalindex = new int32_t[5]{0, 0, 0, 0, -1};
            s.add_object(a);
            OBJECT3D* b = make_square(1, 1, 6, 6, 0, "unlit");
            b->m_lighting = 0;
            s.add_object(b);
            OBJECT3D* c = make_square(1, -6, 6, -1, 0, "built");
            c->m_show_normals = 1;
            c->m_show_axes = 1;
            s.add_object(c);
            s.m_textured = textured;
        };
    };
    for (bool textured : {true, false}) {
        SCOPED_TRACE(textured ? "textured" : "untextured");
        std::vector<uint8_t> lists = frames(Path::Lists, "", make(textured));
        ASSERT_EQ(lists.size(), (size_t)W * H * 3 * 2);
        EXPECT_TRUE(lists == frames(Path::Buffers, "", make(textured))) << "buffer objects";
        EXPECT_TRUE(lists == frames(Path::Direct, "", make(textured))) << "direct drawing";
    }
}

TEST(GeometryPaths, AListNameOfAnotherContextDrawsItsOwnObject)
{
    RecordingReporter rec;
    SCENE3D first, second;
    OBJECT3D* a = make_square(-6, -6, -1, -1, 0, "a");
    a->translation = Vec3(-1.f, -1.f, 0.f);
    first.add_object(a);
    int name = 0;
    {
        // Faces in a buffer object of a context that then goes away with
        // the object still holding its list name.
        HeadlessGL gone;
        ASSERT_TRUE(gone.create(80, 80)) << gone.error();
        ASSERT_EQ(BuildList(*a), 1);
        name = a->m_list;
        a->m_list = 0;
        a->m_list_built = 0;
    }
    // A fresh context hands out the same first list name, here to a whole
    // list.
    HeadlessGL fresh;
    ASSERT_TRUE(fresh.create(80, 80)) << fresh.error();
    InitGlobalState(0.f, 0.f, 0.f);
    set_buffer_objects(false);
    OBJECT3D* b = make_square(1, 1, 6, 6, 0, "b");
    second.add_object(b);
    ASSERT_EQ(BuildList(*b), 1);
    set_buffer_objects(true);
    EXPECT_EQ(b->m_list, name);
    GlView v;
    setup_view(v, &second, 80, 80);
    PaintView(v);
    // Drawn where it is, not under the other object's transform.
    EXPECT_EQ(count_pixels(0, 0, 40, 40), 0);
    EXPECT_GT(count_pixels(46, 46, 68, 68), 400);
    if (current_scene() == &second) current_scene() = nullptr;
    second.m_objects[0]->m_list_built = 0;   // its list goes with this context
}

// Concave faces (an L with a corner given twice as exporters write them,
// and a dart of four corners) fill their own outline in every path, lit
// from their front: drawn whole, GL would fill the fan of their first
// corner over the notch.
TEST(GeometryPaths, ConcaveFacesFillTheirOutline)
{
    RecordingReporter rec;
    enum Shape { Whole, Ell, Dart };
    auto make = [](Shape shape) {
        return [shape](SCENE3D& s) {
            OBJECT3D* o = nullptr;
            if (shape == Ell)
                o = make_mesh({Vec3(0, -4, 0), Vec3(0, -5, 0), Vec3(0, -5, 0), Vec3(-5, -5, 0), Vec3(-5, 0, 0),
                               Vec3(-4, 0, 0), Vec3(-4, -4, 0)},
                              {0, 1, 2, 3, 4, 5, 6, -1}, "L");
            else if (shape == Dart)
                o = make_mesh({Vec3(0, -5, 0), Vec3(-4, -4, 0), Vec3(-5, 0, 0), Vec3(-5, -5, 0)}, {0, 1, 2, 3, -1},
                              "dart");
            else
                o = make_square(-5, -5, 0, 0, 0, "whole");
            s.add_object(o);
        };
    };
    auto filled = [](const std::vector<uint8_t>& f) {
        long n = 0;
        for (size_t i = 0; i < (size_t)W * H * 3; i += 3)
            if (f[i] + f[i + 1] + f[i + 2] > 60) ++n;
        return n;
    };
    const double whole = (double)filled(frames(Path::Lists, "", make(Whole)));
    // Of the square's 25 units the L covers 9 and the dart 5 (edge pixels
    // count for both); drawn as fans they would cover 17 and 12.5.
    const struct {
        Shape shape;
        double low, high;
    } cases[] = {{Ell, 0.30, 0.48}, {Dart, 0.14, 0.30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape == Ell ? "L" : "dart");
        const std::vector<uint8_t> lists = frames(Path::Lists, "", make(c.shape));
        ASSERT_EQ(lists.size(), (size_t)W * H * 3 * 2);
        const double share = (double)filled(lists) / whole;
        EXPECT_GT(share, c.low);
        EXPECT_LT(share, c.high);
        EXPECT_TRUE(lists == frames(Path::Buffers, "", make(c.shape))) << "buffer objects";
        EXPECT_TRUE(lists == frames(Path::Direct, "", make(c.shape))) << "direct drawing";
    }
}

// A bent mesh drawn flat draws as its list when drawn straight from its
// arrays, whose preparation then makes no vertex normals; smoothed, it
// draws the same whether it was smoothed before the preparation or after
// it (as a level of detail is while drawing): the draw makes them then.
TEST(GeometryPaths, SmoothedMeshesDrawAsTheirListsWhenSmoothedEarlyOrLate)
{
    RecordingReporter rec;
    auto frame = [](Path path, int binding, bool late) {
        std::vector<uint8_t> out;
        if (!prepare_gl(W, H)) return out;
        PathScope scope(path);
        SCENE3D scene;
        const int n = 6;
        auto* o = new OBJECT3D();
        o->nbpts = (n + 1) * (n + 1);
        o->m_vertices = new Vec3[(size_t)o->nbpts];
        for (int y = 0; y <= n; ++y)
            for (int x = 0; x <= n; ++x)
                o->m_vertices[y * (n + 1) + x] = Vec3(x - 3.f, y - 3.f, (float)((x * x + 2 * y) % 5) * 0.5f);
        o->nbface = n * n;
        o->nbindex = 5 * n * n;
        o->m_index = new int32_t[(size_t)o->nbindex];
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const int a = y * (n + 1) + x;
                int32_t* q = o->m_index + 5 * (y * n + x);
                q[0] = a, q[1] = a + 1, q[2] = a + n + 2, q[3] = a + n + 1, q[4] = -1;
            }
        o->compute_bounds();
        o->compute_center();
        o->m_norm_binding = late ? 0 : binding;
        scene.add_object(o);
        BuildTextures(scene);
        BuildLights(scene);
        if (late) o->m_norm_binding = binding;
        GlView v;
        setup_view(v, &scene, W, H);
        for (bool pick : {false, true}) {
            v.pick_pass = pick;
            PaintView(v);
            std::vector<uint8_t> f = read_frame_rgb(W, H);
            out.insert(out.end(), f.begin(), f.end());
        }
        if (current_scene() == &scene) current_scene() = nullptr;
        return out;
    };
    const std::vector<uint8_t> flat = frame(Path::Lists, 0, false);
    ASSERT_EQ(flat.size(), (size_t)W * H * 3 * 2);
    EXPECT_TRUE(flat == frame(Path::Direct, 0, false)) << "direct drawing";
    // Smoothed before or after the preparation: the same vertex normals.
    const std::vector<uint8_t> smooth = frame(Path::Direct, 1, false);
    EXPECT_TRUE(smooth == frame(Path::Direct, 1, true)) << "direct drawing, smoothed late";
    EXPECT_FALSE(flat == smooth);
}

// Flat normals made while drawing (every corner a vertex) or kept face by
// face (a corner past the vertices, which the making reports): both draw as
// the list does and say what it says.
TEST(GeometryPaths, FlatNormalsMadeWhileDrawingOrKeptDrawAsTheList)
{
    for (bool broken : {false, true}) {
        SCOPED_TRACE(broken ? "a corner past the vertices" : "sound");
        auto make = [broken](SCENE3D& s) {
            OBJECT3D* o = make_mesh({Vec3(-5, -5, 0), Vec3(0, -5, 1), Vec3(0, 0, 0), Vec3(-5, 0, 2), Vec3(5, 5, 3)},
                                    {0, 1, 2, 3, -1, 2, 1, broken ? 9 : 4, -1, 3, 2, 4, -1}, "bent");
            s.add_object(o);
        };
        std::vector<std::string> said[2];
        std::vector<uint8_t> f[2];
        for (int i = 0; i < 2; ++i) {
            RecordingReporter rec;
            f[i] = frames(i == 0 ? Path::Lists : Path::Direct, "", make);
            said[i] = rec.statuses;
        }
        ASSERT_EQ(f[0].size(), (size_t)W * H * 3 * 2);
        EXPECT_TRUE(f[0] == f[1]);
        EXPECT_EQ(said[0], said[1]);
        const bool complained = std::find(said[1].begin(), said[1].end(), "Erreur débordement Index") != said[1].end();
        EXPECT_EQ(complained, broken);
    }
}
