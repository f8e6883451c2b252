// Open-to-first-image, stage by stage: what `quorvel --snapshot` does for
// one scene file, with the time, the peak resident memory and the page
// faults after each stage.
//
//   bench_open [--window | --whole-lists] [--huge-pages | --small-pages]
//              [--size WxH] [--out OUT.bmp] FILE
//
// By default the objects are drawn straight from their arrays, as the
// snapshot does; --window compiles them first as the window does (faces in
// buffer objects where GL has them), --whole-lists into whole display lists
// as where GL has no buffer objects. The heap gets 2 MiB pages as the
// program gives them (window yes, snapshot no) unless told otherwise. Only scene files whose
// reading finishes the scene (not level-of-detail sets). The process should be
// fresh for each run: the memory figures are those of the whole process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <GL/gl.h>

#include "app/memory.h"
#include "image/texture.h"
#include "io/lod.h"
#include "io/open.h"
#include "render/display_list.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/scene3d.h"

namespace {
using Clock = std::chrono::steady_clock;

struct Stage {
    Clock::time_point t0 = Clock::now();
    double total_ms = 0;

    void mark(const char* name)
    {
        Clock::time_point t = Clock::now();
        double ms = std::chrono::duration<double, std::milli>(t - t0).count();
        total_ms += ms;
        rusage u {};
        getrusage(RUSAGE_SELF, &u);
        std::printf("%-16s %9.1f ms   peak %7.1f MB   faults %7ld\n", name, ms, u.ru_maxrss / 1024.0,
                    u.ru_minflt);
        t0 = Clock::now();
    }
};

} // namespace

int main(int argc, char** argv)
{
    bool lists = false, whole = false;
    int pages = -1;   // as the program: 2 MiB heap pages for the window only
    int w = 800, h = 600;
    std::string file, out;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--window")) lists = true;
        else if (!std::strcmp(argv[i], "--whole-lists")) lists = whole = true;
        else if (!std::strcmp(argv[i], "--huge-pages")) pages = 1;
        else if (!std::strcmp(argv[i], "--small-pages")) pages = 0;
        else if (!std::strcmp(argv[i], "--size") && i + 1 < argc) std::sscanf(argv[++i], "%dx%d", &w, &h);
        else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) out = argv[++i];
        else file = argv[i];
    }
    if (file.empty() || w <= 0 || h <= 0) {
        std::fprintf(stderr, "usage: bench_open [--window | --whole-lists] [--huge-pages | --small-pages] [--size WxH] "
                             "[--out OUT.bmp] FILE\n");
        return 2;
    }
    prefer_large_heap_pages(pages < 0 ? lists : pages == 1);
    std::printf("%s, %dx%d, %s\n", file.c_str(), w, h, whole ? "whole display lists" : lists ? "as the window" : "direct drawing");

    Stage st;
    st.mark("start");
    HeadlessGL gl;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    // As the snapshot: the context is made once the file has been read.
    OpenResult r = open_for_command_line(file, scene, lod, [&](SCENE3D& s) {
        st.mark("read");
        if (!gl.create(w, h)) {
            std::fprintf(stderr, "no GL context: %s\n", gl.error().c_str());
            return 0;
        }
        InitGlobalState(k_default_clear_rgb[0], k_default_clear_rgb[1], k_default_clear_rgb[2]);
        set_direct_drawing(!lists);
        set_buffer_objects(!whole);
        st.mark("context");
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        PrepareSceneGL(s);
        st.mark("prepare");
        CompileSceneLists(s);
        glFinish();
        st.mark(lists ? "compile" : "compile (none)");
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
    std::printf("%-16s %9.1f ms\n", "open-to-image", st.total_ms);
    if (current_scene() == scene.get()) current_scene() = nullptr;
    return 0;
}
