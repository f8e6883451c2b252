// Peer measurement, not part of the program: Coin3D reads a VRML file and
// renders it into an off-screen w x h image, as `quorvel --snapshot` does,
// so that both can be timed side by side as whole processes.
//
//   coin_read_render [--size WxH] [--out OUT.ppm] [--read-only] FILE
//
// Built only where Coin3D (Debian libcoin-dev) is installed.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "render/headless_gl.h"

int main(int argc, char** argv)
{
    int w = 800, h = 600;
    const char *file = nullptr, *out = nullptr;
    bool readOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--size") && i + 1 < argc) std::sscanf(argv[++i], "%dx%d", &w, &h);
        else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) out = argv[++i];
        else if (!std::strcmp(argv[i], "--read-only")) readOnly = true;
        else file = argv[i];
    }
    if (!file) {
        std::fprintf(stderr, "usage: coin_read_render [--size WxH] [--out OUT.ppm] [--read-only] FILE\n");
        return 2;
    }
    SoDB::init();
    SoInput in;
    if (!in.openFile(file)) return 1;
    SoSeparator* scene = SoDB::readAll(&in);
    if (!scene) return 1;
    if (readOnly) return 0;
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoPerspectiveCamera* cam = new SoPerspectiveCamera;
    root->addChild(cam);
    root->addChild(new SoDirectionalLight);
    root->addChild(scene);

    HeadlessGL gl;
    if (!gl.create(w, h)) {
        std::fprintf(stderr, "no GL context: %s\n", gl.error().c_str());
        return 1;
    }
    SbViewportRegion vp((short)w, (short)h);
    cam->viewAll(root, vp);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0.f, 0.f, 0.f, 1.f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SoGLRenderAction render(vp);
    render.setCacheContext(SoGLCacheContextElement::getUniqueCacheContext());
    render.apply(root);
    glFinish();
    std::vector<uint8_t> rgb = read_frame_rgb(w, h);
    long lit = 0;
    for (uint8_t c : rgb) lit += c != 0;
    if (out) {
        FILE* f = std::fopen(out, "wb");
        if (!f) return 1;
        std::fprintf(f, "P6\n%d %d\n255\n", w, h);
        for (int y = h - 1; y >= 0; --y) std::fwrite(rgb.data() + (size_t)y * w * 3, 1, (size_t)w * 3, f);
        std::fclose(f);
    }
    std::printf("%s: %dx%d, %ld non-black channels\n", file, w, h, lit);
    root->unref();
    return 0;
}
