// Render benchmark on a generated scene of about one million triangles
// (QV_BENCH_SCENE, default: tiles_1m.v2.wrl of gen_scenes.py, made when
// missing, see bench_scenes.h): display-list compile time and frame time at
// 800 x 600, medians and spreads over repetitions.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>
#include <memory>
#include <string>

#include "bench_scenes.h"
#include "io/open.h"
#include "render/frame.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/scene3d.h"

namespace {
std::string scene_path()
{
    if (const char* p = std::getenv("QV_BENCH_SCENE")) return p;
    return bench_scene("tiles_1m.v2.wrl", "tiles_1m");
}

struct Fixture {
    HeadlessGL gl;
    std::unique_ptr<SCENE3D> scene;
    bool ok = false;
    Fixture()
    {
        if (!gl.create(800, 600)) return;
        InitGlobalState(k_default_clear_rgb[0], k_default_clear_rgb[1], k_default_clear_rgb[2]);
        std::string path = scene_path();
        ok = !path.empty() && open_document(path, scene, FinishFn()) && scene && scene->nbobjects > 0;
    }
};
Fixture& fixture()
{
    static Fixture f;
    return f;
}
} // namespace

static void BM_CompileDisplayLists(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.ok) {
        state.SkipWithError("scene or GL context unavailable");
        return;
    }
    for (auto _ : state) {
        BuildTextures(*f.scene);
        glFinish();
    }
    long tris = 0;
    for (int i = 0; i < f.scene->nbobjects; ++i) tris += f.scene->m_objects[i]->nbface;
    state.counters["faces"] = (double)tris;
}
BENCHMARK(BM_CompileDisplayLists)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->ReportAggregatesOnly(true);

static void BM_Frame800x600(benchmark::State& state)
{
    Fixture& f = fixture();
    if (!f.ok) {
        state.SkipWithError("scene or GL context unavailable");
        return;
    }
    if (!f.scene->m_lists_built) BuildTextures(*f.scene);
    BuildLights(*f.scene);
    GlView v;
    v.scene = f.scene.get();
    ResetCamera(v);
    ResizeView(v, 800, 600);
    for (auto _ : state) {
        PaintView(v);
        glFinish();
    }
}
// One frame per repetition, 50 repetitions: the median is reported.
BENCHMARK(BM_Frame800x600)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true);

int main(int argc, char** argv) { return bench_main(argc, argv); }
