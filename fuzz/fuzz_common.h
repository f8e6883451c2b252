// Shared pieces of the fuzz targets: a silent reporter, a private scratch
// folder per process, and the scene operations that run on whatever a
// reader produced.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "io/readers.h"
#include "scene/compile_prep.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"

namespace fuzz {

class SilentReporter : public Reporter {
public:
    void message_box(const std::string&, const std::string&) override {}
    void status(const std::string&) override {}
    void trace(const std::string&) override {}
};

// A folder of our own under $TMPDIR, made on first use, removed at exit.
inline const std::string& scratch()
{
    static std::string dir = [] {
        static SilentReporter quiet;
        set_reporter(&quiet);
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/qvfuzz.XXXXXX";
        if (!mkdtemp(tmpl.data())) std::abort();
        return tmpl;
    }();
    // Registered once `dir` is made, so it runs before `dir` goes away.
    static const bool cleanup = (std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch(), ignored);
    }), true);
    (void)cleanup;
    return dir;
}

inline std::string write_input(const std::string& name, const uint8_t* data, size_t size)
{
    std::string path = scratch() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

// Everything that consumes a loaded scene without GL.
inline void exercise_scene(SCENE3D& scene)
{
    // A world that moves, at a few times (any order, past its end).
    if (scene.m_animation)
        for (double t : {0.0, 0.37, 2.5, 1e7, 0.0}) scene.m_animation->evaluate(scene, t);
    prepare_scene_for_compile(scene);
    scene.index_statistics();
    for (int i = 0; i < scene.nbobjects; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (o && o->nbindex < 4000) o->test_edges();
    }
    std::string dump = scratch() + "/vrml.out";
    dump_scene(scene, dump.c_str());
    std::string bin = scratch() + "/round.wrb";
    if (save_binary(bin.c_str(), scene)) {
        // What the writer produced, the reader must take back.
        SCENE3D again;
        if (!load_binary(bin.c_str(), again)) std::abort();
        again.index_statistics();
    }
}

}  // namespace fuzz
