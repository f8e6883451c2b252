// Open-to-first-image, stage by stage: what `quorvel --snapshot` does for
// one scene file, with the time, the peak resident memory and the page
// faults after each stage.
//
//   bench_open [--window | --lists-first | --whole-lists]
//              [--huge-pages | --small-pages] [--size WxH] [--out OUT.bmp]
//              [--runs N] [FILE]
//
// FILE defaults to tiles_1m.v2.wrl of gen_scenes.py (made when missing).
// Each of the N runs (default 5) is a fresh process; the stages are printed
// as medians with their least and greatest values.
//
// The file is read on a second thread while the context is made, as the
// program does: "context" is the time to make it, "read (rest)" the time
// then spent waiting for the read.
//
// By default the objects are drawn straight from their arrays, as the
// snapshot does. --window opens as the window does: the first frame is
// drawn from the arrays and the lists are compiled after it (faces in
// buffer objects where GL has them), the stage "lists (after)", which
// open-to-image leaves out. --lists-first compiles the lists before the
// first frame, --whole-lists into whole display lists as where GL has no
// buffer objects. The heap gets 2 MiB pages as the
// program gives them (window yes, snapshot no) unless told otherwise. Only scene files whose
// reading finishes the scene (not level-of-detail sets). The process should be
// fresh for each run: the memory figures are those of the whole process.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <GL/gl.h>

#include "bench_scenes.h"
#include "app/memory.h"
#include "image/texture.h"
#include "io/lod.h"
#include "io/open.h"
#include "render/display_list.h"
#include "render/gl_hooks.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/scene3d.h"

namespace {
using Clock = std::chrono::steady_clock;

// Stages are written one a line, "name ms peak_mb faults", to `out`.
struct Stage {
    FILE* out;
    Clock::time_point t0 = Clock::now();
    double total_ms = 0;

    void mark(const char* name)
    {
        Clock::time_point t = Clock::now();
        double ms = std::chrono::duration<double, std::milli>(t - t0).count();
        total_ms += ms;
        rusage u {};
        getrusage(RUSAGE_SELF, &u);
        std::fprintf(out, "%s\t%.3f\t%.1f\t%ld\n", name, ms, u.ru_maxrss / 1024.0, u.ru_minflt);
        t0 = Clock::now();
    }
};

struct Options {
    bool lists = false, whole = false, first = false;
    int pages = -1;   // as the program: 2 MiB heap pages for the window only
    int w = 800, h = 600;
    std::string file, out;
};

int run_once(const Options& o, FILE* report);

struct Figures {
    std::vector<double> ms, peak;
    std::vector<long> faults;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--window")) o.lists = true;
        else if (!std::strcmp(argv[i], "--lists-first")) o.lists = o.first = true;
        else if (!std::strcmp(argv[i], "--whole-lists")) o.lists = o.whole = true;
        else if (!std::strcmp(argv[i], "--huge-pages")) o.pages = 1;
        else if (!std::strcmp(argv[i], "--small-pages")) o.pages = 0;
        else if (!std::strcmp(argv[i], "--size") && i + 1 < argc) std::sscanf(argv[++i], "%dx%d", &o.w, &o.h);
        else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) o.out = argv[++i];
        else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::atoi(argv[++i]);
        else o.file = argv[i];
    }
    if (o.file.empty()) o.file = bench_scene("tiles_1m.v2.wrl", "tiles_1m");
    if (o.file.empty() || o.w <= 0 || o.h <= 0 || runs < 1) {
        std::fprintf(stderr, "usage: bench_open [--window | --lists-first | --whole-lists] [--huge-pages | --small-pages] [--size WxH] "
                             "[--out OUT.bmp] [--runs N] [FILE]\n");
        return 2;
    }
    std::printf("machine: %s\n", bench_machine().c_str());
    std::printf("%s, %dx%d, %s, %d runs (fresh processes)\n", o.file.c_str(), o.w, o.h,
                o.whole ? "whole display lists" : o.first ? "lists before the first frame" : o.lists ? "as the window" : "direct drawing", runs);
    std::fflush(stdout);
    std::vector<std::string> order;
    std::map<std::string, Figures> stages;
    for (int r = 0; r < runs; ++r) {
        int fd[2];
        if (pipe(fd) != 0) return 1;
        pid_t pid = fork();
        if (pid < 0) return 1;
        if (pid == 0) {
            close(fd[0]);
            FILE* out = fdopen(fd[1], "w");
            int rc = run_once(o, out);
            std::fflush(nullptr);
            _exit(rc);
        }
        close(fd[1]);
        FILE* in = fdopen(fd[0], "r");
        char name[64];
        double ms, peak;
        long faults;
        while (std::fscanf(in, "%63[^\t]\t%lf\t%lf\t%ld\n", name, &ms, &peak, &faults) == 4) {
            if (!stages.count(name)) order.push_back(name);
            Figures& f = stages[name];
            f.ms.push_back(ms);
            f.peak.push_back(peak);
            f.faults.push_back(faults);
        }
        std::fclose(in);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "run %d failed\n", r + 1);
            return 1;
        }
    }
    std::printf("%-16s %9s %19s   %9s   %s\n", "stage", "median ms", "(min - max)", "peak MB", "faults");
    for (const std::string& n : order) {
        const Figures& f = stages[n];
        std::printf("%-16s %9.1f   (%6.1f - %6.1f)   %9.1f   %ld\n", n.c_str(), median(f.ms),
                    *std::min_element(f.ms.begin(), f.ms.end()), *std::max_element(f.ms.begin(), f.ms.end()),
                    *std::max_element(f.peak.begin(), f.peak.end()), f.faults.back());
    }
    std::printf("after: %s\n", bench_machine().c_str());
    return 0;
}

namespace {
int run_once(const Options& o, FILE* report)
{
    const bool lists = o.lists, whole = o.whole, after = o.lists && !o.first && !o.whole;
    const int pages = o.pages, w = o.w, h = o.h;
    const std::string& file = o.file;
    const std::string& out = o.out;
    prefer_large_heap_pages(pages < 0 ? lists : pages == 1);
    Stage st{report};
    st.mark("start");
    // As the snapshot and the window: the file is read on a thread of its
    // own while the context is made.
    install_gl_hooks();
    BackgroundOpen reading(file);
    HeadlessGL gl;
    if (!gl.create(w, h)) {
        std::fprintf(stderr, "no GL context: %s\n", gl.error().c_str());
        return 1;
    }
    InitGlobalState(k_default_clear_rgb[0], k_default_clear_rgb[1], k_default_clear_rgb[2]);
    set_direct_drawing(!lists);
    set_buffer_objects(!whole);
    st.mark("context");
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r = reading.collect(scene, lod, [&](SCENE3D& s) {
        st.mark("read (rest)");
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        if (after) {
            // As the window: prepared for a first frame from the arrays.
            set_direct_drawing(false);
            BuildTexturesForFirstFrame(s);
            st.mark("prepare");
        } else {
            PrepareSceneGL(s);
            st.mark("prepare");
            CompileSceneLists(s);
        }
        glFinish();
        st.mark(lists && !after ? "compile" : "compile (none)");
        BuildLights(s);
        return 1;
    });
    if (r != OpenResult::Scene || !scene) {
        std::fprintf(stderr, "cannot open %s\n", file.c_str());
        return 1;
    }
    std::vector<uint8_t> rgb = render_scene_frame(*scene, w, h);
    st.mark("first frame");
    CTexture image;
    if (!image_from_frame(rgb, w, h, image) || (!out.empty() && !image.SaveFile(out))) {
        std::fprintf(stderr, "cannot save the image\n");
        return 1;
    }
    st.mark("image");
    const double open_ms = st.total_ms;
    if (after) {
        CompileDeferredLists(*scene);
        glFinish();
        st.mark("lists (after)");
        std::vector<uint8_t> again = render_scene_frame(*scene, w, h);
        st.mark("second frame");
        if (again != rgb) std::fprintf(stderr, "the frame drawn from the lists differs from the first\n");
    }
    std::fprintf(report, "open-to-image\t%.3f\t0\t0\n", open_ms);
    if (current_scene() == scene.get()) current_scene() = nullptr;
    return 0;
}
} // namespace
