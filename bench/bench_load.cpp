// Load speed of the VRML readers on the tiles_1m scenes (in-process: read
// the file and parse it). Generate the scenes first:
//   python3 ../shared/bench/gen_scenes.py --out /tmp/benchscenes --only tiles_1m
// and point QV_BENCH_SCENES at the folder (default /tmp/benchscenes).
// Whole-process figures: bench/bench_load.sh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "io/scene_loader.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {
std::string scene_path(const char* name)
{
    const char* dir = std::getenv("QV_BENCH_SCENES");
    return std::string(dir ? dir : "/tmp/benchscenes") + "/" + name;
}

void load(benchmark::State& state, const char* name)
{
    std::string path = scene_path(name);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        state.SkipWithError(("missing " + path + " (see the comment at the top of bench_load.cpp)").c_str());
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

BENCHMARK_CAPTURE(load, vrml2_tiles_1m, "tiles_1m.v2.wrl")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(load, vrml1_tiles_1m, "tiles_1m.v1.wrl")->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
