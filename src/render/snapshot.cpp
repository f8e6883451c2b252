#include "render/snapshot.h"
#include "scene/scene_animation.h"

#include <GL/gl.h>

#include <cstdio>
#include <memory>

#include "image/texture.h"
#include "io/lod.h"
#include "io/open.h"
#include "render/display_list.h"
#include "render/frame.h"
#include "render/gl_hooks.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/textures.h"
#include "scene/scene3d.h"
#include "base/report.h"
#include "scene/view_fit.h"

int finish_scene_gl(SCENE3D& scene, bool lists_after_first_frame)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (lists_after_first_frame) BuildTexturesForFirstFrame(scene);
    else BuildTextures(scene);
    BuildLights(scene);
    return 1;
}

LodLevels lod_levels_of(const LODSET& set)
{
    LodLevels levels;
    if (set.m_nlevels <= 0 || !set.m_levels || !set.m_distances) return levels;
    for (int j = 0; j < set.m_nlevels; ++j) levels.levels.push_back(set.m_levels[j]);
    levels.bounds.assign(set.m_distances, set.m_distances + set.m_nlevels + 1);
    return levels;
}

void finish_lod_gl(LODSET& set)
{
    for (int j = 0; j < set.m_nlevels && set.m_levels; ++j)
        if (set.m_levels[j]) finish_scene_gl(*set.m_levels[j]);
}

std::vector<uint8_t> render_scene_frame(SCENE3D& scene, int w, int h, const LodLevels* lod, bool fit)
{
    GlView v;
    v.scene = &scene;
    v.lod = lod;
    GLfloat clear[4] = {0, 0, 0, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    v.clear_rgb[0] = clear[0];
    v.clear_rgb[1] = clear[1];
    v.clear_rgb[2] = clear[2];
    ResetCamera(v);
    if (!lod) {
        const OpenCamera placed = place_opening_camera(scene, h > 0 ? (double)w / h : (double)w, fit);
        if (placed == OpenCamera::Lost) SetStatusTextRaw(k_framed_status);
        PlaceWalkFromCamera(v);
    }
    ResizeView(v, w, h);
    PaintView(v);
    glFinish();
    return read_frame_rgb(w, h);
}

bool image_from_frame(const std::vector<uint8_t>& rgb, int w, int h, CTexture& image)
{
    if (w <= 0 || h <= 0 || rgb.size() != (size_t)w * 3 * (size_t)h) return false;
    // GL gives red first; the image block holds blue first (DIB order).
    std::vector<uint8_t> bgr(rgb);
    for (size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    return image.CopyFromPacked(bgr.data(), w, h, 24) != 0;
}

bool snapshot_scene(const std::string& scene_path, int w, int h, const float clear_rgb[3], CTexture& image,
                    std::string& error, bool fit, double seconds)
{
    // One frame only: the objects are drawn straight from their arrays, as
    // their lists would draw them, without the cost of compiling the lists.
    DirectDrawing direct(true);
    // The file is read on a thread of its own while the context is made
    // here: the two do not depend on each other.
    install_gl_hooks();
    BackgroundOpen reading(scene_path);
    HeadlessGL gl;
    const bool gl_made = gl.create(w, h);
    if (gl_made) InitGlobalState(clear_rgb[0], clear_rgb[1], clear_rgb[2]);
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    bool finish_asked = false;
    OpenResult opened = reading.collect(scene, lod, [&](SCENE3D& s) {
        finish_asked = true;
        return gl_made ? finish_scene_gl(s) : 0;
    });
    const bool read = (opened == OpenResult::Scene || opened == OpenResult::Lod) && scene;
    // A context that could not be made is the reason once the file was
    // read; a file that could not be read is the reason before it.
    if (!gl_made && (read || finish_asked)) {
        error = "cannot create an off-screen OpenGL context: " + gl.error();
        return false;
    }
    if (!read) {
        error = "cannot open the scene " + scene_path;
        return false;
    }
    LodLevels levels;
    if (lod) {
        finish_lod_gl(*lod);
        levels = lod_levels_of(*lod);
    }
    if (scene->m_animation) scene->m_animation->evaluate(*scene, seconds);
    std::vector<uint8_t> rgb = render_scene_frame(*scene, w, h, lod ? &levels : nullptr, fit);
    GLenum err = glGetError();
    if (err != GL_NO_ERROR) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "OpenGL error 0x%04x while drawing", (unsigned)err);
        error = buf;
        return false;
    }
    if (!image_from_frame(rgb, w, h, image)) {
        error = "Unable to save client";
        return false;
    }
    // The scene goes with its GL objects while the context is still current.
    if (current_scene() == scene.get()) current_scene() = nullptr;
    scene.reset();
    lod.reset();
    return true;
}
