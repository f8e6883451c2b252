// Loading the tiles_1m scene (100 objects, 980,000 triangles) from the
// binary scene format against loading it from VRML 2.0 text.
//
// Figures: see main() for the malloc settings.
//
// The scene comes from gen_scenes.py (see the platform notes), written to
// $QV_BENCH_DIR (default /tmp/qv_bench) on first use; the binary file is
// made from it as the --save-binary conversion makes it (normals included).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "io/readers.h"
#include "io/scene_loader.h"
#include "scene/compile_prep.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {

bool exists(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

std::string bench_dir()
{
    const char* d = std::getenv("QV_BENCH_DIR");
    return d && *d ? d : "/tmp/qv_bench";
}

// Generates the VRML scene when it is missing; empty string when impossible.
std::string vrml_path()
{
    static std::string path = [] {
        std::string dir = bench_dir();
        std::string wrl = dir + "/tiles_1m.v2.wrl";
        if (exists(wrl)) return wrl;
        const char* env = std::getenv("QV_GEN_SCENES");
        const std::string candidates[] = {env ? env : "", "../shared/bench/gen_scenes.py",
                                          "../../shared/bench/gen_scenes.py"};
        for (const std::string& gen : candidates) {
            if (gen.empty() || !exists(gen)) continue;
            std::string cmd = "python3 '" + gen + "' --out '" + dir + "' --only tiles_1m > /dev/null";
            if (std::system(cmd.c_str()) == 0 && exists(wrl)) return wrl;
        }
        return std::string();
    }();
    return path;
}

std::unique_ptr<SCENE3D> load_vrml(const std::string& path)
{
    auto scene = std::make_unique<SCENE3D>();
    Scene loader;
    if (!loader.load_buffer(path.c_str(), *scene) || !loader.read_file(*scene)) return nullptr;
    return scene;
}

std::string binary_path()
{
    static std::string path = [] {
        std::string wrl = vrml_path();
        if (wrl.empty()) return std::string();
        std::string wrb = bench_dir() + "/tiles_1m.wrb";
        if (exists(wrb)) return wrb;
        auto scene = load_vrml(wrl);
        if (!scene) return std::string();
        prepare_scene_for_compile(*scene);
        return save_binary(wrb.c_str(), *scene) ? wrb : std::string();
    }();
    return path;
}

class Quiet : public Reporter {
public:
    void status(const std::string&) override {}
};

void BM_LoadVrml2Text(benchmark::State& state)
{
    Quiet quiet;
    Reporter* prev = set_reporter(&quiet);
    std::string wrl = vrml_path();
    if (wrl.empty()) state.SkipWithError("tiles_1m.v2.wrl missing: run gen_scenes.py --out $QV_BENCH_DIR --only tiles_1m");
    long triangles = 0;
    for (auto _ : state) {
        auto scene = load_vrml(wrl);
        if (!scene) {
            state.SkipWithError("the VRML scene could not be read");
            break;
        }
        triangles = 0;
        for (int i = 0; i < scene->nbobjects; ++i) triangles += 2L * scene->m_objects[i]->nbface;
    }
    state.counters["triangles"] = (double)triangles;
    set_reporter(prev);
}

void BM_LoadBinary(benchmark::State& state)
{
    Quiet quiet;
    Reporter* prev = set_reporter(&quiet);
    std::string wrb = binary_path();
    if (wrb.empty()) state.SkipWithError("the binary scene could not be made");
    long triangles = 0;
    for (auto _ : state) {
        SCENE3D scene;
        if (!load_binary(wrb.c_str(), scene)) {
            state.SkipWithError("the binary scene could not be read");
            break;
        }
        triangles = 0;
        for (int i = 0; i < scene.nbobjects; ++i) triangles += 2L * scene.m_objects[i]->nbface;
    }
    state.counters["triangles"] = (double)triangles;
    set_reporter(prev);
}

} // namespace

BENCHMARK(BM_LoadVrml2Text)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Both loaders allocate some 16 to 32 MB of arrays per load. With the
// default malloc settings the freed heap goes back to the system after each
// iteration and the next load spends most of its time in page faults (about
// 10 us each on the virtual machines of this project), whatever the format.
// Keeping freed memory in the process measures the loaders themselves; run
// with QV_BENCH_DEFAULT_MALLOC=1 to measure the cold, fault-bound case (and
// add GLIBC_TUNABLES=glibc.malloc.hugetlb=1 to see it with huge pages).
int main(int argc, char** argv)
{
    const char* cold = std::getenv("QV_BENCH_DEFAULT_MALLOC");
    if (!(cold && *cold == '1')) {
        mallopt(M_MMAP_THRESHOLD, 256 << 20);
        mallopt(M_TRIM_THRESHOLD, 1024 << 20);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
