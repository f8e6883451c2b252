#include "view/properties_ops.h"

#include <GL/gl.h>

#include <algorithm>

#include "image/texture.h"
#include "base/cformat.h"
#include "model/solids.h"
#include "render/gl_state.h"
#include "render/textures.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"

uint32_t packed_colour(const Vec3& c)
{
    auto byte = [](float f) -> uint32_t {
        // Out-of-range colours of a file stay a byte each.
        int v = (int)(f * 255.f);
        return (uint32_t)std::clamp(v, 0, 255);
    };
    return byte(c.x) | (byte(c.y) << 8) | (byte(c.z) << 16);
}

Vec3 colour_of_packed(uint32_t p)
{
    return Vec3{(float)(p & 0xFF) / 255.f, (float)((p >> 8) & 0xFF) / 255.f, (float)((p >> 16) & 0xFF) / 255.f};
}

namespace {
std::string rgb_text(const Vec3& c) { return qv_format("%1.2f %1.2f %1.2f", c.x, c.y, c.z); }

LIGHT3D* light_at(const SCENE3D& s, int i)
{
    if (i < 0 || i >= (int)s.m_lights.size()) return nullptr;
    return s.m_lights[(size_t)i];
}

} // namespace

PropertiesFields properties_fields(const SCENE3D* scene, int i)
{
    PropertiesFields f;
    if (!scene) return f;
    OBJECT3D* o = scene->get_object(i);
    if (!o) return f;
    f.valid = true;
    f.spin_max = std::max(0, scene->nbobjects - 1);
    f.name = o->m_name;
    f.nbpts = qv_format("%d", o->nbpts);
    f.nbface = qv_format("%d", o->nbface);
    f.nbnormal = qv_format("%d", o->nbnormal);
    long total = 0;
    for (int k = 0; k < scene->nbobjects; ++k)
        if (const OBJECT3D* ok = scene->get_object(k)) total += ok->nbface;
    f.face_total = qv_format("%ld", total);
    f.nbobjects = qv_format("%d", scene->nbobjects);
    f.index = qv_format("%d", i);
    for (int k = 0; k < scene->nbobjects; ++k) {
        const OBJECT3D* ok = scene->get_object(k);
        f.names.push_back(ok ? ok->m_name : std::string());
    }
    if (const Vec3* c = o->ambient(0)) { f.ambient = rgb_text(*c); f.sw_ambient = packed_colour(*c); }
    if (const Vec3* c = o->diffuse(0)) { f.diffuse = rgb_text(*c); f.sw_diffuse = packed_colour(*c); }
    if (const Vec3* c = o->specular(0)) { f.specular = rgb_text(*c); f.sw_specular = packed_colour(*c); }
    if (const LIGHT3D* l = light_at(*scene, i)) {
        f.has_light = true;
        f.intensity = qv_format("%1.2f", l->intensity);
        f.light_colour = rgb_text(l->color);
        f.light_location = rgb_text(l->location);
        f.light_direction = rgb_text(l->direction);
        f.sw_light = packed_colour(l->color);
    }
    f.transparency = qv_format("%d", (int)(o->m_transparency * 100.f));
    f.texture = o->m_texture_name;
    f.box_x = qv_format("%5.2f %5.2f", o->m_o_min_xyz.x, o->m_o_max_xyz.x);
    f.box_y = qv_format("%5.2f %5.2f", o->m_o_min_xyz.y, o->m_o_max_xyz.y);
    f.box_z = qv_format("%5.2f %5.2f", o->m_o_min_xyz.z, o->m_o_max_xyz.z);
    return f;
}

CTexture* object_texture(const SCENE3D& scene, int i)
{
    OBJECT3D* o = scene.get_object(i);
    if (!o || !o->m_texture) return nullptr;
    return scene.get_texture(*o->m_texture);
}

int set_material_colour(SCENE3D& scene, int i, MaterialSlot slot, uint32_t packed)
{
    OBJECT3D* o = scene.get_object(i);
    if (!o) return 0;
    switch (slot) {
    case MaterialSlot::Ambient: return SetAmbientColor(*o, 0, packed);
    case MaterialSlot::Diffuse: return SetDiffuseColor(*o, 0, packed);
    case MaterialSlot::Specular: return SetSpecularColor(*o, 0, packed);
    }
    return 0;
}

int set_light_colour(SCENE3D& scene, int i, uint32_t packed)
{
    LIGHT3D* l = light_at(scene, i);
    if (!l) return 0;
    l->color = colour_of_packed(packed);
    return 1;
}

int light_intensity(SCENE3D& scene, int i, int k)
{
    LIGHT3D* l = light_at(scene, i);
    if (!l) return 0;
    l->intensity = (float)k * 0.1f;
    return 1;
}

void fog_from_spin(SCENE3D& scene, int k) { scene.m_fog_start = (float)k * 10.f; }

int percent_of_text(const std::string& text) { return std::clamp(qv_atoi(text.c_str()), 0, 100); }

namespace {
int texture_index_of(const SCENE3D& scene, int i)
{
    if (!object_texture(scene, i)) return -1;
    return *scene.get_object(i)->m_texture;
}
int alpha_of_percent(int percent) { return (int)((double)percent / 100.0 * 255.0); }
} // namespace

int apply_transparency(SCENE3D& scene, int i, int percent)
{
    const int k = texture_index_of(scene, i);
    if (k < 0) return -1;
    CTexture* t = scene.get_texture(k);
    const int alpha = alpha_of_percent(percent);
    if (t->HasAlpha()) t->SetAlpha(alpha);
    else t->AddAlphaLayer(alpha);
    scene.get_object(i)->m_transparency = (float)percent / 100.f;
    return k;
}

int tree_threshold(SCENE3D& scene, int i, int percent)
{
    const int k = texture_index_of(scene, i);
    if (k < 0) return -1;
    CTexture* t = scene.get_texture(k);
    const int alpha = alpha_of_percent(percent);
    if (!t->HasAlpha()) t->AddAlphaLayer(alpha);
    t->SetAlphaThreshold(alpha);
    return k;
}

int change_texture(SCENE3D& scene, int i, const std::string& path)
{
    OBJECT3D* o = scene.get_object(i);
    if (!o || path.empty()) return -1;
    int index = -1;
    scene.add_texture(path, index, 0.f, 0);
    if (index < 0) return -1;   // unreadable: the object keeps its texture
    const size_t slash = path.find_last_of('/');
    o->m_texture_name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!o->m_texture) o->m_texture = new int32_t(-1);
    *o->m_texture = index;
    o->m_needs_rebuild = 1;
    return index;
}

int set_displayed(SCENE3D& scene, int i, bool shown)
{
    OBJECT3D* o = scene.get_object(i);
    if (!o) return 0;
    if (shown) {
        o->m_ready = 1;
        o->m_needs_rebuild = 1;
    } else {
        o->m_ready = 0;
    }
    return 1;
}

void properties_gl_lights(ViewHost& host, SCENE3D& scene)
{
    if (host.make_current()) {
        // Lights are given in eye coordinates.
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        BuildLights(scene);
        glPopMatrix();
        host.done_current();
    }
    host.redraw();
}

void properties_gl_textures(ViewHost& host, SCENE3D& scene, int texture_index)
{
    if (texture_index >= 0 && host.make_current()) {
        if (scene.m_texture_names && texture_index < scene.m_nb_texture_names) UploadTexture(scene, texture_index);
        BuildTextures(scene);
        host.done_current();
    }
    host.redraw();
}

void set_background(ViewBehaviour& view, uint32_t packed)
{
    const Vec3 c = colour_of_packed(packed);
    view.m_gl.clear_rgb[0] = c.x;
    view.m_gl.clear_rgb[1] = c.y;
    view.m_gl.clear_rgb[2] = c.z;
    if (view.host().make_current()) {
        glClearColor(c.x, c.y, c.z, 1.f);
        view.host().done_current();
    }
    view.host().redraw();
}
