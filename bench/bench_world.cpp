// A world of 4,000 boxes drawn still and moving: every box under its own
// Transform, routed (in the moving world) from a clock through position and
// orientation interpolators. A frame of the moving world evaluates the
// clock at the frame's time, then draws; both at 800 x 600.
//
//   build/bench/bench_world [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/cformat.h"
#include "io/open.h"
#include "render/frame.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"

namespace {
constexpr int k_objects = 4000;

std::string world_text(bool moving)
{
    std::string s = "#VRML V2.0 utf8\n";
    for (int i = 0; i < k_objects; ++i) {
        int x = i % 80, y = i / 80;
        s += qv_format("DEF T%d Transform { translation %d %d 0 children Shape { appearance Appearance "
                       "{ material Material { diffuseColor 0.2 0.6 0.3 } } geometry Box { size 0.6 0.6 0.6 } } }\n",
                       i, x - 40, y - 25);
    }
    if (moving) {
        s += "DEF C TimeSensor { cycleInterval 4 loop TRUE }\n";
        for (int k = 0; k < 4; ++k) {
            s += qv_format("DEF P%d PositionInterpolator { key [ 0 0.5 1 ] keyValue [ 0 0 0, 0 0 %d, 0 0 0 ] }\n", k, k + 1);
            s += qv_format("DEF R%d OrientationInterpolator { key [ 0 1 ] keyValue [ 0 1 0 0, 0 1 0 3 ] }\n", k);
            s += qv_format("ROUTE C.fraction_changed TO P%d.set_fraction\nROUTE C.fraction_changed TO R%d.set_fraction\n", k, k);
        }
        for (int i = 0; i < k_objects; ++i)
            s += qv_format("ROUTE %c%d.value_changed TO T%d.set_%s\n", i % 2 ? 'R' : 'P', (i / 2) % 4, i,
                           i % 2 ? "rotation" : "translation");
    }
    return s;
}

struct World {
    HeadlessGL* gl = nullptr;
    std::unique_ptr<SCENE3D> scene;
    bool ok = false;
};

HeadlessGL& context()
{
    static HeadlessGL gl;
    static bool made = false;
    if (!made) {
        made = true;
        if (gl.create(800, 600)) InitGlobalState(k_default_clear_rgb[0], k_default_clear_rgb[1], k_default_clear_rgb[2]);
    }
    return gl;
}

World& world(bool moving)
{
    static World w[2];
    World& r = w[moving ? 1 : 0];
    if (r.scene || !context().valid()) return r;
    std::string path = std::string("/tmp/qv_bench_world_") + (moving ? "moving" : "still") + ".wrl";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::string t = world_text(moving);
        std::fwrite(t.data(), 1, t.size(), f);
        std::fclose(f);
    }
    r.ok = open_document(path, r.scene, FinishFn()) && r.scene && r.scene->nbobjects >= k_objects &&
           (!moving || r.scene->m_animation);
    if (r.ok) {
        BuildTextures(*r.scene);
        BuildLights(*r.scene);
    }
    return r;
}

void frames(benchmark::State& state, bool moving)
{
    World& w = world(moving);
    if (!w.ok) {
        state.SkipWithError("scene or GL context unavailable");
        return;
    }
    context().make_current();
    GlView v;
    v.scene = w.scene.get();
    ResetCamera(v);
    w.scene->m_camera->position = Vec3(0.f, 0.f, -90.f);
    ResizeView(v, 800, 600);
    double t = 0.0;
    for (auto _ : state) {
        if (moving) w.scene->m_animation->evaluate(*w.scene, t);
        t += 1.0 / 60.0;
        PaintView(v);
        glFinish();
    }
    state.counters["objects"] = (double)w.scene->nbobjects;
}
} // namespace

// The moving world's share of a frame: the clocks, routes and placements.
static void BM_EvaluateMovingWorld(benchmark::State& state)
{
    World& w = world(true);
    if (!w.ok) {
        state.SkipWithError("scene or GL context unavailable");
        return;
    }
    double t = 0.0;
    for (auto _ : state) {
        w.scene->m_animation->evaluate(*w.scene, t);
        t += 1.0 / 60.0;
    }
}
BENCHMARK(BM_EvaluateMovingWorld)->Unit(benchmark::kMicrosecond);

static void BM_FrameStillWorld(benchmark::State& state) { frames(state, false); }
static void BM_FrameMovingWorld(benchmark::State& state) { frames(state, true); }
BENCHMARK(BM_FrameStillWorld)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(60)->ReportAggregatesOnly(true);
BENCHMARK(BM_FrameMovingWorld)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(60)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
