// quorvel --thumbnail IN OUT.png SIZE: the picture a file manager shows for
// a scene file. The whole scene is framed (as "View All" frames it, whatever
// viewpoint the file sets) on a transparent background, in a SIZE x SIZE
// PNG. Exit 0 with the picture written, non-zero with nothing written.
//
// File managers run this for every scene file a folder shows and kill what
// takes long, so a file is refused before it is read when its size says the
// read would take too long, and a watchdog ends anything that runs past the
// same limit (a hostile file never keeps a thumbnailer busy).
#include <GL/gl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/cli.h"
#include "image/texture.h"
#include "io/lod.h"
#include "io/open.h"
#include "io/thumbnail_read.h"
#include "render/display_list.h"
#include "render/frame.h"
#include "render/gl_hooks.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"

namespace {
constexpr int k_largest_thumbnail = 4096;

void on_watchdog(int)
{
    static const char text[] = "quorvel: thumbnail given up: the file takes too long to read\n";
    ssize_t n = write(STDERR_FILENO, text, sizeof text - 1);
    (void)n;
    _exit(k_exit_failed);
}

int usage()
{
    std::fprintf(stderr, "usage: quorvel --thumbnail IN OUT.png SIZE [--time SECONDS]\n");
    return k_exit_failed;
}

bool parse_thumbnail_size(const char* text, int& size)
{
    if (!text || !*text || std::strlen(text) > 5) return false;
    int n = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        n = n * 10 + (*p - '0');
    }
    if (n < 1 || n > k_largest_thumbnail) return false;
    size = n;
    return true;
}

// Shows what the readers say on stderr and keeps whether anything was said
// about the scene file itself: a file cut short, damaged or partly dropped
// gets no thumbnail (a file manager then shows its own icon).
class ThumbnailReporter : public StderrReporter {
public:
    void message_box(const std::string& text, const std::string& caption) override
    {
        StderrReporter::message_box(text, caption);
        if (!message_about_a_picture(text)) m_damaged = true;
    }
    bool damaged() const { return m_damaged; }

private:
    bool m_damaged = false;
};

// Opens `path`, draws it framed at s x s on a transparent background and
// returns the frame as RGBA rows, bottom row first (empty on failure, with
// the reason in `error`).
std::vector<uint8_t> render_thumbnail(const std::string& path, int s, std::string& error, double seconds,
                                      const ThumbnailReporter& rep)
{
    set_direct_drawing(true);   // one frame: no lists to compile
    // The file is read on a thread of its own while the context is made.
    install_gl_hooks();
    BackgroundOpen reading(path);
    HeadlessGL gl;
    const bool gl_made = gl.create(s, s);
    if (gl_made) InitGlobalState(k_default_clear_rgb[0], k_default_clear_rgb[1], k_default_clear_rgb[2]);
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    // The scene read is no longer the current one once it goes, whichever
    // way this returns.
    struct Forget {
        std::unique_ptr<SCENE3D>& s;
        ~Forget()
        {
            if (s && current_scene() == s.get()) current_scene() = nullptr;
        }
    } forget{scene};
    // A file the readers found damaged or cut short gets no picture.
    bool damaged = false, finish_asked = false;
    OpenResult opened = reading.collect(scene, lod, [&](SCENE3D& sc) {
        finish_asked = true;
        damaged = rep.damaged();
        return !damaged && gl_made ? finish_scene_gl(sc) : 0;
    });
    if (damaged || rep.damaged()) {
        error = "the file is damaged or cut short";
        return {};
    }
    const bool read = (opened == OpenResult::Scene || opened == OpenResult::Lod) && scene;
    if (!gl_made && (read || finish_asked)) {
        error = "cannot create an off-screen OpenGL context: " + gl.error();
        return {};
    }
    if (!read) {
        error = "the scene cannot be opened";
        return {};
    }
    LodLevels levels;
    if (lod) {
        finish_lod_gl(*lod);
        levels = lod_levels_of(*lod);
    }
    GlView v;
    v.scene = scene.get();
    v.lod = lod ? &levels : nullptr;
    ResetCamera(v);
    if (!lod) frame_for_thumbnail(*scene, seconds);
    else if (scene->m_animation) scene->m_animation->evaluate(*scene, seconds);
    ResizeView(v, s, s);
    glClearColor(0.f, 0.f, 0.f, 0.f);
    PaintView(v);
    glFinish();
    std::vector<uint8_t> px((size_t)s * (size_t)s * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, s, s, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    const GLenum err = glGetError();
    if (current_scene() == scene.get()) current_scene() = nullptr;
    scene.reset();
    lod.reset();
    if (err != GL_NO_ERROR) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "OpenGL error 0x%04x while drawing", (unsigned)err);
        error = buf;
        return {};
    }
    return px;
}

// Halves an RGBA frame of 2s x 2s pixels: each pixel is the mean of four,
// weighted by their alpha, so that edges against the transparent
// background keep their colour.
std::vector<uint8_t> halve(const std::vector<uint8_t>& src, int s)
{
    std::vector<uint8_t> out((size_t)s * (size_t)s * 4);
    const size_t pitch = (size_t)s * 2 * 4;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            unsigned sum[3] = {0, 0, 0}, alpha = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const uint8_t* p = &src[(size_t)(2 * y + dy) * pitch + (size_t)(2 * x + dx) * 4];
                    for (int c = 0; c < 3; ++c) sum[c] += (unsigned)p[c] * p[3];
                    alpha += p[3];
                }
            uint8_t* d = &out[((size_t)y * (size_t)s + (size_t)x) * 4];
            for (int c = 0; c < 3; ++c) d[c] = alpha ? (uint8_t)((sum[c] + alpha / 2) / alpha) : 0;
            d[3] = (uint8_t)((alpha + 2) / 4);
        }
    return out;
}
} // namespace

int cli_thumbnail(int argc, char** argv)
{
    // argv[1] is --thumbnail.
    int size = 0;
    double seconds = 0.0;   // a world that moves, as it is this long after opening
    if (argc == 7 && !std::strcmp(argv[5], "--time")) {
        int at = 5;
        if (!take_time_option(at, argc, argv, seconds)) return k_exit_failed;
        argc = 5;
    }
    if (argc != 5) return usage();
    if (!parse_thumbnail_size(argv[4], size)) {
        std::fprintf(stderr, "quorvel: the thumbnail size must be a number of pixels from 1 to %d\n",
                     k_largest_thumbnail);
        return k_exit_failed;
    }
    const std::string in = argv[2], out = argv[3];

    signal(SIGALRM, on_watchdog);
    alarm(k_thumbnail_time_limit_s);
    std::string why;
    const long long text = scene_text_estimate(in, why);
    if (text < 0) {
        std::fprintf(stderr, "quorvel: %s\n", why.c_str());
        return k_exit_failed;
    }
    if (!within_read_budget(text)) {
        std::fprintf(stderr, "quorvel: no thumbnail for %s: %lld MB of scene would take too long to read\n",
                     in.c_str(), text >> 20);
        return k_exit_failed;
    }

    ThumbnailReporter rep;
    // Small pictures are drawn at twice their size and halved: smooth edges
    // for what the pixels of the thumbnail would show jagged.
    const bool twice = size <= 1024;
    const int drawn = twice ? size * 2 : size;
    std::string error;
    std::vector<uint8_t> rgba = render_thumbnail(in, drawn, error, seconds, rep);
    if (rgba.empty()) {
        std::fprintf(stderr, "quorvel: no thumbnail for %s: %s\n", in.c_str(), error.c_str());
        return k_exit_failed;
    }
    if (rep.damaged()) {
        std::fprintf(stderr, "quorvel: no thumbnail for %s: the file is damaged or cut short\n", in.c_str());
        return k_exit_failed;
    }
    if (twice) rgba = halve(rgba, size);
    bool any = false;
    for (size_t i = 3; i < rgba.size() && !any; i += 4) any = rgba[i] != 0;
    if (!any) {
        std::fprintf(stderr, "quorvel: no thumbnail for %s: nothing to show\n", in.c_str());
        return k_exit_failed;
    }

    // The picture block holds blue first, bottom row first, as the frame.
    CTexture image;
    if (!image.Alloc(size, size, 32)) return k_exit_failed;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        image.data[i] = rgba[i + 2];
        image.data[i + 1] = rgba[i + 1];
        image.data[i + 2] = rgba[i];
        image.data[i + 3] = rgba[i + 3];
    }
    // Past this point the watchdog could leave a half-written file beside OUT.
    alarm(0);
    if (!image.SaveFilePNG(out)) {   // the writer has said why
        std::fprintf(stderr, "quorvel: no thumbnail written\n");
        return k_exit_failed;
    }
    return k_exit_whole;
}
