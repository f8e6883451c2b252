// Load speed of the VRML readers on the tiles_1m scenes (in-process: read
// the file and parse it), medians and spreads over repetitions. The scenes
// are generated when missing (bench_scenes.h).
// Whole-process figures: bench/bench_load.sh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "bench_scenes.h"
#include "io/scene_loader.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {
std::string scene_path(const char* name)
{
    return bench_scene(name, "tiles_1m");
}

void load(benchmark::State& state, const char* name)
{
    std::string path = scene_path(name);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        state.SkipWithError(("missing " + path + " (gen_scenes.py not found)").c_str());
        return;
    }
    for (auto _ : state) {
        SCENE3D scene;
        Scene loader;
        loader.load_buffer(path.c_str(), scene);
        loader.read_file(scene);
        benchmark::DoNotOptimize(scene.nbobjects);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)st.st_size);
}
} // namespace

BENCHMARK_CAPTURE(load, vrml2_tiles_1m, "tiles_1m.v2.wrl")->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(load, vrml1_tiles_1m, "tiles_1m.v1.wrl")->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true);

int main(int argc, char** argv) { return bench_main(argc, argv); }
