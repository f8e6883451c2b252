// quorvel --snapshot OUT.bmp [--size WxH] FILE: one frame of FILE, drawn as
// the view draws it after opening, saved as a 24-bit BMP. Needs no display.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli.h"
#include "image/texture.h"
#include "render/gl_state.h"
#include "render/snapshot.h"

namespace {
int usage()
{
    std::fprintf(stderr, "usage: quorvel --snapshot OUT.bmp [--size WxH] [--fit] [--time SECONDS] FILE\n");
    return k_exit_failed;
}
} // namespace

int cli_snapshot(int argc, char** argv)
{
    // argv[1] is --snapshot.
    std::string out, file;
    int w = 800, h = 600;
    bool fit = false;
    double seconds = 0.0;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--time")) {
            if (!take_time_option(i, argc, argv, seconds)) return k_exit_failed;
        } else if (!std::strcmp(argv[i], "--fit")) {
            fit = true;
        } else if (!std::strcmp(argv[i], "--size")) {
            if (i + 1 >= argc || !parse_size(argv[i + 1], w, h)) {
                std::fprintf(stderr, "quorvel: --size wants WIDTHxHEIGHT, for example 800x600\n");
                return k_exit_failed;
            }
            ++i;
        } else if (out.empty()) {
            out = argv[i];
        } else if (file.empty()) {
            file = argv[i];
        } else {
            return usage();
        }
    }
    if (out.empty() || file.empty()) return usage();

    StderrReporter rep;
    CTexture image;
    std::string error;
    if (!snapshot_scene(file, w, h, k_default_clear_rgb, image, error, fit, seconds)) {
        std::fprintf(stderr, "quorvel: snapshot failed: %s\n", error.c_str());
        return k_exit_failed;
    }
    const int status = rep.written_status();
    if (!image.SaveFile(out)) {   // the writer has said why
        std::fprintf(stderr, "quorvel: snapshot failed\n");
        return k_exit_failed;
    }
    std::printf("%s: %dx%d\n", out.c_str(), w, h);
    return status;
}
