// The generated benchmark scenes, wherever the benchmark runs from: the
// folder QV_BENCH_DIR names, else /tmp/benchscenes; a missing scene is made
// there with gen_scenes.py of the shared folder beside the source tree.
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef QV_SOURCE_DIR
#define QV_SOURCE_DIR "."
#endif

inline bool bench_file_exists(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// Path of the scene `name` (e.g. "tiles_1m.v2.wrl") of the group `group`
// (e.g. "tiles_1m"), generated when missing; empty when that fails.
inline std::string bench_scene(const std::string& name, const std::string& group)
{
    const char* env = std::getenv("QV_BENCH_DIR");
    std::string dir = env && *env ? env : "/tmp/benchscenes";
    std::string path = dir + "/" + name;
    if (bench_file_exists(path)) return path;
    const std::string candidates[] = {std::string(QV_SOURCE_DIR) + "/../shared/bench/gen_scenes.py",
                                      "../shared/bench/gen_scenes.py", "../../shared/bench/gen_scenes.py"};
    for (const std::string& gen : candidates) {
        if (!bench_file_exists(gen)) continue;
        std::fprintf(stderr, "generating %s into %s\n", group.c_str(), dir.c_str());
        std::string cmd = "python3 '" + gen + "' --out '" + dir + "' --only " + group + " > /dev/null";
        if (std::system(cmd.c_str()) == 0 && bench_file_exists(path)) return path;
    }
    std::fprintf(stderr, "%s missing and gen_scenes.py not found beside the source tree\n", path.c_str());
    return std::string();
}

// The processor and its count, for the head of every figure.
inline std::string bench_machine()
{
    std::string model = "unknown processor";
    if (FILE* f = std::fopen("/proc/cpuinfo", "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, f)) {
            std::string s = line;
            if (s.rfind("model name", 0) == 0 && s.find(':') != std::string::npos) {
                model = s.substr(s.find(':') + 2);
                while (!model.empty() && (model.back() == '\n' || model.back() == ' ')) model.pop_back();
                break;
            }
        }
        std::fclose(f);
    }
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    char buf[128];
    std::snprintf(buf, sizeof buf, ", %ld cores, load %.2f", (long)sysconf(_SC_NPROCESSORS_ONLN), load);
    return model + buf;
}

// The main of a benchmark program: the machine first, then the runs.
// Defined where <benchmark/benchmark.h> is included.
#ifdef BENCHMARK_BENCHMARK_H_
inline int bench_main(int argc, char** argv)
{
    std::printf("machine: %s\n", bench_machine().c_str());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
#endif
