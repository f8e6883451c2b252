#include "support/invariants.h"

#include <string>

#include "base/cformat.h"
#include "scene/scene3d.h"

namespace {
template <class T>
std::string array_count(const char* name, const T* arr, long long n)
{
    if (n < 0) return qv_format("%s: negative count %lld", name, n);
    if ((arr != nullptr) != (n > 0)) return qv_format("%s: array %s with count %lld", name, arr ? "present" : "absent", n);
    volatile char sink = 0;
    for (long long i = 0; i < n; ++i) sink = sink + *reinterpret_cast<const volatile char*>(&arr[i]);
    (void)sink;
    return {};
}

std::string corner_list(const OBJECT3D& o, const char* name, const int32_t* list)
{
    if (!list) return {};
    if (!o.m_index) return qv_format("%s present without an index list", name);
    for (int i = 0; i < o.nbindex; ++i)
        if (o.m_index[i] == -1 && list[i] != -1)
            return qv_format("%s[%d] = %d at a face terminator", name, i, list[i]);
    return {};
}
} // namespace

std::string check_object(const OBJECT3D& o)
{
    std::string e;
    const std::string who = "object \"" + o.m_name + "\": ";
#define QV_CHECK(expr)                      \
    do {                                    \
        e = (expr);                         \
        if (!e.empty()) return who + e;     \
    } while (0)
    QV_CHECK(array_count("m_vertices", o.m_vertices, o.nbpts));
    QV_CHECK(array_count("m_index", o.m_index, o.nbindex));
    QV_CHECK(array_count("m_normals", o.m_normals, o.nbnormal));
    QV_CHECK(array_count("texvertex", o.texvertex, o.nbtexvertex));
    if (o.m_index) {
        if (o.m_index[o.nbindex - 1] != -1) return who + "the last face is not closed by -1";
        int faces = 0;
        for (int i = 0; i < o.nbindex; ++i)
            if (o.m_index[i] == -1) ++faces;
        if (faces != o.nbface) return who + qv_format("nbface %d but %d terminators", o.nbface, faces);
    } else if (o.nbface != 0) {
        return who + qv_format("nbface %d without an index list", o.nbface);
    }
    QV_CHECK(corner_list(o, "normalindex", o.normalindex));
    QV_CHECK(corner_list(o, "texindex", o.texindex));
    QV_CHECK(corner_list(o, "m_vertex_normalindex", o.m_vertex_normalindex));
    if (o.m_materialindex) QV_CHECK(array_count("m_materialindex", o.m_materialindex, o.nbface));
    if (o.m_vertex_normals) QV_CHECK(array_count("m_vertex_normals", o.m_vertex_normals, o.nbpts));
    QV_CHECK(array_count("T_ambientColor", o.T_ambientColor, o.m_nb_ambient));
    QV_CHECK(array_count("T_diffuseColor", o.T_diffuseColor, o.m_nb_diffuse));
    QV_CHECK(array_count("T_specularColor", o.T_specularColor, o.m_nb_specular));
    QV_CHECK(array_count("T_emissive", o.T_emissive, o.m_nb_emissive));
    QV_CHECK(array_count("T_shininess", o.T_shininess, o.m_nb_shininess));
    QV_CHECK(array_count("m_ambient_intensity", o.m_ambient_intensity, o.m_nb_ambient_intensity));
    if (o.nbmaterial != 0 && o.nbmaterial != o.m_nb_ambient && o.nbmaterial != o.m_nb_diffuse &&
        o.nbmaterial != o.m_nb_specular && o.nbmaterial != o.m_nb_emissive && o.nbmaterial != o.m_nb_shininess &&
        o.nbmaterial != o.m_nb_ambient_intensity)
        return who + qv_format("nbmaterial %d matches no material array", o.nbmaterial);
    if (o.m_texture_mode == 1 && !o.m_texture) return who + "textured without a texture slot";
    if (o.m_anim) {
        const ANIM3D& a = *o.m_anim;
        QV_CHECK(array_count("m_pos_key", a.m_pos_key, a.m_pos_nkey));
        QV_CHECK(array_count("m_pos_value", a.m_pos_value, a.m_pos_nvalue));
        QV_CHECK(array_count("m_rot_key", a.m_rot_key, a.m_rot_nkey));
        QV_CHECK(array_count("m_rot_value", a.m_rot_value, a.m_rot_nvalue));
    }
#undef QV_CHECK
    return {};
}

std::string check_scene(const SCENE3D& s)
{
    if (s.nbobjects < 0 || s.nbobjects + s.m_nbboxes > s.m_capacity)
        return qv_format("scene: nbobjects %d out of range", s.nbobjects);
    for (int i = 0; i < s.nbobjects + s.m_nbboxes; ++i) {
        if (!s.m_objects[i]) return qv_format("scene: slot %d is empty", i);
        std::string e = check_object(*s.m_objects[i]);
        if (!e.empty()) return qv_format("scene: object %d: ", i) + e;
    }
    for (int i = s.nbobjects + s.m_nbboxes; i < s.m_capacity; ++i)
        if (s.m_objects[i]) return qv_format("scene: slot %d beyond the objects is used", i);
    for (size_t i = 0; i < s.m_textures.size(); ++i)
        if (!s.m_textures[i]) return qv_format("scene: texture %d is null", (int)i);
    for (size_t i = 0; i < s.m_lights.size(); ++i)
        if (!s.m_lights[i]) return qv_format("scene: light %d is null", (int)i);
    return {};
}
