#include "scene/object3d.h"

#include <algorithm>
#include <cmath>

#include "scene/glconst.h"

GlHooks& gl_hooks()
{
    static GlHooks hooks;
    return hooks;
}

void ANIM3D::clear()
{
    delete[] m_pos_key;
    delete[] m_pos_value;
    delete[] m_rot_key;
    delete[] m_rot_value;
    m_pos_key = nullptr;
    m_pos_value = nullptr;
    m_rot_key = nullptr;
    m_rot_value = nullptr;
    m_active = 0;
    m_key = m_interval = 0;
    cycleInterval = 0.f;
    m_pos_nkey = m_pos_nvalue = m_rot_nkey = m_rot_nvalue = 0;
}

OBJECT3D::OBJECT3D() { reset(); }

OBJECT3D::~OBJECT3D() { clear(); }

void OBJECT3D::reset()
{
    m_normals = nullptr;
    m_vertex_normals = nullptr;
    normalindex = nullptr;
    m_shape2d = nullptr;
    nbnormal = 0;
    m_face_counter = 0;
    m_materialindex = nullptr;
    m_last_material = 0;
    m_vertex_normalindex = nullptr;
    m_last_face_size = 0;
    m_face_size = 0;
    m_face_material = 0;
    m_mat_on = 1;
    m_mat_binding = 0;
    m_scratch_a = m_scratch_b = 0;
    m_has_coords = 0;
    m_has_index = 0;
    m_named = 0;
    m_def_open = 0;
    m_list_built = 0;
    m_cursor = 0;
    m_show_normals = 0;
    m_show_axes = 0;
    nbmaterial = 0;
    m_textransform = 0;
    m_texrotation_on = 0;
    m_texrotation = 0.f;
    m_texture = nullptr;
    m_texture_mode = -1;
    m_texture_frame = 0;
    m_texcenter_on = 0;
    m_texcenter[0] = m_texcenter[1] = 0.f;
    m_texscale_on = 0;
    m_texscale[0] = m_texscale[1] = 0.f;
    m_transparent = 0;
    m_textranslation_on = 0;
    m_textranslation[0] = m_textranslation[1] = 0.f;
    m_lighting = 1;
    m_wireframe = 0;
    m_norm_binding = 0;
    m_vertices = nullptr;
    texvertex = nullptr;
    nbtexvertex = 0;
    texindex = nullptr;
    m_texture_name.clear();
    m_index = nullptr;
    m_index_ecart_max = 0;
    m_index_ecart_moy = 0;
    m_show_texcoords = 0;
    nbindex = 0;
    m_dynamic = 0;
    m_has_matrix = 0;
    // The first 15 elements are cleared; the last keeps what it held.
    for (int i = 0; i < 15; ++i) m_matrix[i] = 0.f;
    translation.set(0.f);
    m_dyn_translation.set(0.f);
    m_aux_a = nullptr;
    m_aux_b = nullptr;
    angle = 0.f;
    m_scale_angle = 0.f;
    rotation.set(0.f);
    m_dyn_angles.set(0.f);
    echelle.set(1.f);
    m_scale_axis.set(1.f);
    T_ambientColor = nullptr;
    m_ambient_intensity = nullptr;
    T_diffuseColor = nullptr;
    T_specularColor = nullptr;
    T_shininess = nullptr;
    T_emissive = nullptr;
    m_nb_ambient = m_nb_ambient_intensity = m_nb_diffuse = m_nb_specular = 0;
    m_nb_shininess = m_nb_emissive = 0;
    m_transparency = 0.f;
    m_needs_rebuild = 0;
    m_polygon_face = glc::FRONT_AND_BACK;
    m_polygon_mode = glc::FILL;
    m_points_only = 0;
    m_point_rgb = nullptr;
    m_line_colours = 0;
    m_glyphs = 0;
    m_tex_t_sign = -1;
    m_name.clear();
    m_url.clear();
    m_pick_id = 0;
    m_list = 0;
    m_ready = 0;
    m_direct_lit = 0;
    m_normals_by_face = 0;
    nbpts = 0;
    nbface = 0;
    m_aux_count = 0;
    m_line = 0;
    m_tmp_vertices = nullptr;
    m_tmp_texvertex = nullptr;
    m_tmp_index = nullptr;
    m_o_max_xyz.set(-1e10f);
    m_world_max.set(0.f);
    m_o_min_xyz.set(1e10f);
    m_world_min.set(0.f);
    m_o_center_xyz.set(0.f);
    m_world_center.set(0.f);
    m_world_center2.set(0.f);
    m_radius = 0.f;
    m_radius_d = 0.0;
    m_dialog_values[0] = m_dialog_values[1] = 0;
    m_viewpoint = nullptr;
    m_anim = nullptr;
}

void OBJECT3D::clear()
{
    delete[] m_vertices;
    delete[] m_index;
    delete[] m_normals;
    delete[] normalindex;
    delete[] m_vertex_normals;
    delete[] m_vertex_normalindex;
    delete[] m_materialindex;
    delete[] T_ambientColor;
    delete[] m_ambient_intensity;
    delete[] T_diffuseColor;
    delete[] T_specularColor;
    delete[] T_shininess;
    delete[] T_emissive;
    delete[] m_point_rgb;
    delete[] texvertex;
    delete[] texindex;
    delete[] m_aux_a;
    delete[] m_aux_b;
    delete m_texture;
    if (m_list_built && m_list && gl_hooks().delete_list) gl_hooks().delete_list((unsigned)m_list);
    delete m_anim;
    delete m_viewpoint;
    reset();
}

Vec3* OBJECT3D::get_specular(int i)
{
    if (!T_specularColor) {
        T_specularColor = new Vec3[1];
        T_specularColor[0].set(0.f);
        m_nb_specular = 1;
    }
    if (i < 0) i = 0;
    if (i >= m_nb_specular) i = m_nb_specular - 1;
    return &T_specularColor[i];
}

namespace {
template <class T>
const T* pick(const T* arr, int len, int i)
{
    if (!arr || len <= 0 || i < 0) return nullptr;
    return &arr[std::min(i, len - 1)];
}
} // namespace

const Vec3* OBJECT3D::ambient(int i) const { return pick(T_ambientColor, m_nb_ambient, i); }
const Vec3* OBJECT3D::diffuse(int i) const { return pick(T_diffuseColor, m_nb_diffuse, i); }
const Vec3* OBJECT3D::specular(int i) const { return pick(T_specularColor, m_nb_specular, i); }
const Vec3* OBJECT3D::emissive(int i) const { return pick(T_emissive, m_nb_emissive, i); }
const float* OBJECT3D::shininess(int i) const { return pick(T_shininess, m_nb_shininess, i); }

// The colours a file gives lines one by one, otherwise the material's glow
// (what worlds give their lines), otherwise its diffuse colour. Lines given
// no colour at all are drawn in a grey that shows on light and dark
// backgrounds alike (white, as such lines are meant, would vanish on the
// light one).
Vec3 OBJECT3D::line_colour(int i) const
{
    if (!m_line_colours) return Vec3(0.45f, 0.45f, 0.45f);
    const Vec3* d = diffuse(i);
    if (!m_materialindex) {
        const Vec3* e = emissive(i);
        if (e && (e->x > 0.f || e->y > 0.f || e->z > 0.f)) return *e;
    }
    return d ? *d : Vec3(0.8f, 0.8f, 0.8f);
}

void OBJECT3D::compute_bounds()
{
    if (!m_vertices) return;
    for (int i = 0; i < nbpts; ++i) {
        const Vec3& v = m_vertices[i];
        if (v.x > m_o_max_xyz.x) m_o_max_xyz.x = v.x;
        if (v.y > m_o_max_xyz.y) m_o_max_xyz.y = v.y;
        if (v.z > m_o_max_xyz.z) m_o_max_xyz.z = v.z;
        if (v.x < m_o_min_xyz.x) m_o_min_xyz.x = v.x;
        if (v.y < m_o_min_xyz.y) m_o_min_xyz.y = v.y;
        if (v.z < m_o_min_xyz.z) m_o_min_xyz.z = v.z;
    }
}

void OBJECT3D::compute_center()
{
    m_o_center_xyz.x = (m_o_max_xyz.x + m_o_min_xyz.x) / 2.f;
    m_o_center_xyz.y = (m_o_max_xyz.y + m_o_min_xyz.y) / 2.f;
    m_o_center_xyz.z = (m_o_max_xyz.z + m_o_min_xyz.z) / 2.f;
}

void OBJECT3D::fit_to_size10()
{
    if (!m_vertices || nbpts <= 0) return;
    float dx = m_o_max_xyz.x - m_o_min_xyz.x;
    float dy = m_o_max_xyz.y - m_o_min_xyz.y;
    float dz = m_o_max_xyz.z - m_o_min_xyz.z;
    float d = std::max(dx, std::max(dy, dz));
    if (!(d > 0.f) || !std::isfinite(d)) return;   // a flat point or an empty box: nothing to scale
    for (int i = 0; i < nbpts; ++i) {
        Vec3& v = m_vertices[i];
        v.x = v.x * 10.f / d - 5.f * (m_o_min_xyz.x + m_o_max_xyz.x) / d;
        v.y = v.y * 10.f / d - 5.f * (m_o_min_xyz.y + m_o_max_xyz.y) / d;
        v.z = v.z * 10.f / d - 5.f * (m_o_min_xyz.z + m_o_max_xyz.z) / d;
    }
    m_needs_rebuild = 1;
}
