#include "scene/scene3d.h"
#include "scene/scene_animation.h"

#include "base/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "image/texture.h"
#include "scene/glconst.h"

SCENE3D*& current_scene()
{
    static SCENE3D* scene = nullptr;
    return scene;
}

SCENE3D::SCENE3D() : m_min_filter(glc::LINEAR_MIPMAP_LINEAR), m_polygon_mode(glc::LINE)
{
    m_objects = new OBJECT3D*[(size_t)m_capacity]();
    m_camera = new CAMERA3D();
    m_path = new ANIM3D();
}

SCENE3D::~SCENE3D()
{
    delete_objects();
    // Textures and lights may exist without objects (a failed load).
    for (CTexture* t : m_textures) delete t;
    m_textures.clear();
    for (LIGHT3D* l : m_lights) delete l;
    m_lights.clear();
    delete[] m_texture_names;
    for (int i = 0; i < m_capacity; ++i) delete m_objects[i];
    delete[] m_objects;
    delete m_camera;
    delete m_path;
    delete[] m_script;
}

void SCENE3D::delete_objects()
{
    m_animation.reset();   // it points at the objects
    if (nbobjects <= 0 && m_nbboxes <= 0) return;
    if (m_texture_names && gl_hooks().delete_textures && m_nb_texture_names > 0)
        gl_hooks().delete_textures(m_nb_texture_names, m_texture_names);
    for (CTexture* t : m_textures) delete t;
    m_textures.clear();
    delete[] m_texture_names;
    m_texture_names = nullptr;
    m_nb_texture_names = 0;
    for (LIGHT3D* l : m_lights) delete l;
    m_lights.clear();
    for (int i = 0; i < m_capacity; ++i) {
        delete m_objects[i];
        m_objects[i] = nullptr;
    }
    nbobjects = 0;
    m_nbboxes = 0;
    m_boxes_built = 0;
    m_lists_built = 0;
    m_lists_deferred = 0;
}

int SCENE3D::append_generated(OBJECT3D* o)
{
    if (!add_object(o)) {
        delete o;
        return 0;
    }
    o->compute_bounds();
    o->compute_center();
    compute_world_bounds(nbobjects - 1);
    return 1;
}

int SCENE3D::add_object(OBJECT3D* obj)
{
    if (!obj || nbobjects + m_nbboxes >= m_capacity) return 0;
    // Bounding-box objects follow the regular ones: move them up one slot.
    for (int i = nbobjects + m_nbboxes; i > nbobjects; --i) m_objects[i] = m_objects[i - 1];
    m_objects[nbobjects++] = obj;
    return 1;
}

int SCENE3D::remove_object(int i)
{
    if (i < 0 || i >= nbobjects) return 0;
    delete m_objects[i];
    const int used = nbobjects + m_nbboxes;
    for (int k = i; k + 1 < used; ++k) m_objects[k] = m_objects[k + 1];
    m_objects[used - 1] = nullptr;
    --nbobjects;
    if (m_selected == i) m_selected = -1;
    else if (m_selected > i) --m_selected;
    return 1;
}

OBJECT3D* SCENE3D::get_object(int i) const
{
    if (i < 0 || i >= nbobjects) return nullptr;
    return m_objects[i];
}

CTexture* SCENE3D::get_texture(int i) const
{
    if (m_textures.empty() || i < 0 || i >= (int)m_textures.size()) return nullptr;
    return m_textures[(size_t)i];
}

bool SCENE3D::find_texture(const std::string& name, int& index) const
{
    for (size_t i = 0; i < m_textures.size(); ++i) {
        if (m_textures[i]->name == name) {
            index = (int)i;
            return true;
        }
    }
    return false;
}

int SCENE3D::add_texture(const std::string& name, int& index, float alpha, int use_alpha)
{
    if (find_texture(name, index)) return 0;
    CTexture* t = new CTexture();
    // Whatever the picture's reader says names the texture file.
    ReportAbout about(name);
    if (!t->ReadFile(name.c_str())) {
        delete t;
        return 0;
    }
    t->texel_alpha = t->HasAlpha() && !use_alpha;
    if (use_alpha) t->AddAlphaLayer((int)(alpha * 255.f));
    m_textures.push_back(t);
    index = (int)m_textures.size() - 1;
    return 1;
}

void SCENE3D::add_light(LIGHT3D* light)
{
    if (light) m_lights.push_back(light);
}

#define QV_FOR_EACH_OBJECT(stmt)                       \
    for (int i = 0; i < nbobjects; ++i) {             \
        OBJECT3D* o = m_objects[i];                   \
        if (!o) continue;                             \
        stmt;                                         \
        o->m_needs_rebuild = 1;                       \
    }

void SCENE3D::set_show_normals(int v) { QV_FOR_EACH_OBJECT(o->m_show_normals = v) }
void SCENE3D::set_lighting(int v) { QV_FOR_EACH_OBJECT(o->m_lighting = (uint8_t)v) }
void SCENE3D::set_norm_binding(int v) { QV_FOR_EACH_OBJECT(o->m_norm_binding = v) }
void SCENE3D::set_polygon_face(int v) { QV_FOR_EACH_OBJECT(o->m_polygon_face = v) }

#undef QV_FOR_EACH_OBJECT

Vec3 euler_rotate(const Vec3& v, const Vec3& angles)
{
    double ca = std::cos((double)angles.x), sa = std::sin((double)angles.x);
    double cb = std::cos((double)angles.y), sb = std::sin((double)angles.y);
    double cc = std::cos((double)angles.z), sc = std::sin((double)angles.z);
    double x = v.x, y = v.y, z = v.z;
    return Vec3((float)(cb * cc * x - (cc * sa * sb + ca * sc) * y + (sa * sc - ca * cc * sb) * z),
                (float)(cb * sc * x + (ca * cc - sa * sb * sc) * y + (cc * sa + ca * sb * sc) * z),
                (float)(sb * x - cb * sa * y + ca * cb * z));
}

void SCENE3D::compute_world_bounds(int i)
{
    OBJECT3D* o = get_object(i);
    if (!o) return;
    o->m_world_max = euler_rotate(o->m_o_max_xyz, o->rotation) + o->translation;
    o->m_world_min = euler_rotate(o->m_o_min_xyz, o->rotation) + o->translation;
    o->m_world_center = (o->m_world_max + o->m_world_min) * 0.5f;
    o->m_world_center2 = o->m_world_center;
    Vec3 d = o->m_world_center - o->m_o_max_xyz;
    o->m_radius_d = std::sqrt((double)d.x * d.x + (double)d.y * d.y + (double)d.z * d.z);
    o->m_radius = (float)o->m_radius_d;
}

void SCENE3D::index_statistics()
{
    m_index_ecart_max = 0;
    m_index_ecart_moy = 0;
    for (int i = 0; i < nbobjects; ++i) {
        OBJECT3D* o = m_objects[i];
        if (!o) continue;
        o->index_statistics();
        if (o->m_index_ecart_max > m_index_ecart_max) m_index_ecart_max = o->m_index_ecart_max;
        m_index_ecart_moy = o->m_index_ecart_moy;
    }
}

namespace {
template <class T> T* copy_array(const T* src, int n)
{
    if (!src || n <= 0) return nullptr;
    T* dst = new T[(size_t)n];
    for (int i = 0; i < n; ++i) dst[i] = src[i];
    return dst;
}
} // namespace

void SCENE3D::BuildCameraPath()
{
    if (!m_path) m_path = new ANIM3D();
    ANIM3D& path = *m_path;
    int key_len = path.m_pos_nkey;
    for (int i = 0; i < nbobjects; ++i) {
        const OBJECT3D* o = m_objects[i];
        if (!o || !o->m_anim) continue;
        const ANIM3D& a = *o->m_anim;
        path.m_active = 1;
        if (a.cycleInterval != 0.f) {
            path.cycleInterval = a.cycleInterval;
            path.m_pos_nkey = a.m_pos_nkey;
        }
        // Each array is copied for the record's key count, but never past
        // the entries the record really holds.
        const int n = a.m_pos_nkey;
        if (a.m_pos_key) {
            delete[] path.m_pos_key;
            key_len = std::max(0, n);
            path.m_pos_key = copy_array(a.m_pos_key, key_len);
        }
        if (a.m_pos_value) {
            delete[] path.m_pos_value;
            path.m_pos_nvalue = std::max(0, std::min(n, a.m_pos_nvalue));
            path.m_pos_value = copy_array(a.m_pos_value, path.m_pos_nvalue);
        }
        if (a.m_rot_key) {
            delete[] path.m_rot_key;
            path.m_rot_nkey = std::max(0, std::min(n, a.m_rot_nkey));
            path.m_rot_key = copy_array(a.m_rot_key, path.m_rot_nkey);
        }
        if (a.m_rot_value) {
            delete[] path.m_rot_value;
            path.m_rot_nvalue = std::max(0, std::min(n, a.m_rot_nvalue));
            path.m_rot_value = copy_array(a.m_rot_value, path.m_rot_nvalue);
        }
    }
    path.m_active = 1;
    // Playback reads the key array at every index below the key count.
    if (path.m_pos_key) path.m_pos_nkey = std::min(path.m_pos_nkey, key_len);
    path.m_pos_nkey = std::max(0, path.m_pos_nkey);
}
