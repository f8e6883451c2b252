#include "io/vrml_common.h"

#include <algorithm>
#include <cstring>

#include "base/cformat.h"
#include "scene/scene3d.h"

namespace vrml {

void skip_comment_tokens(Scene& L, OBJECT3D* lines)
{
    while (L.m_word[0] == '#') {
        // The token may already have ended at its line feed.
        bool line_done = L.m_pos > 0 && L.m_buf[L.m_pos - 1] == '\n';
        if (!line_done) {
            const void* nl = std::memchr(L.m_buf + L.m_pos, '\n', (size_t)(L.m_len - L.m_pos));
            L.m_pos = nl ? (int32_t)((const char*)nl - L.m_buf) + 1 : L.m_len;
        }
        tok(L, lines);
    }
}

float number(Scene& L, OBJECT3D* lines)
{
    tok(L, lines);
    return (float)qv_atof(L.m_word);
}

void numbers(Scene& L, OBJECT3D* lines, float* out, int n)
{
    for (int i = 0; i < n; ++i) out[i] = number(L, lines);
}

std::string quoted_name(const char* word)
{
    if (word[0] != '"') return std::string(word);
    const char* end = std::strchr(word + 1, '"');
    return end ? std::string(word + 1, (size_t)(end - word - 1)) : std::string(word + 1);
}

void read_light(Scene& L, OBJECT3D* lines, SCENE3D& scene)
{
    uint32_t type;
    if (is(L, "PointLight")) type = LIGHT_POINT;
    else if (is(L, "DirectionalLight")) type = LIGHT_DIRECTIONAL;
    else if (is(L, "SpotLight")) type = LIGHT_SPOT;
    else return;
    if (!expect(L, lines, "{")) return;
    LIGHT3D light;
    light.type = type;
    // The VRML defaults of the fields a file may leave out.
    light.intensity = 1.f;
    light.color = Vec3(1.f, 1.f, 1.f);
    if (type != LIGHT_POINT) light.direction = Vec3(0.f, 0.f, -1.f);
    for (;;) {
        tok(L, lines);
        if (at_end(L)) return;   // the file ended inside the node: no light
        if (is(L, "}")) break;
        if (is(L, "intensity")) light.intensity = number(L, lines);
        else if (is(L, "color")) numbers(L, lines, &light.color.x, 3);
        else if (is(L, "location")) numbers(L, lines, &light.location.x, 3);
        else if (is(L, "direction")) numbers(L, lines, &light.direction.x, 3);
        else if (is(L, "on")) {
            // TRUE / FALSE, or a number (0 is off); any other word leaves
            // the light on.
            tok(L, lines);
            const char c = L.m_word[0];
            if (is(L, "TRUE")) light.on = 1;
            else if (is(L, "FALSE")) light.on = 0;
            else if ((c >= '0' && c <= '9') || c == '-' || c == '+') light.on = qv_atoi(L.m_word) != 0 ? 1 : 0;
        }
    }
    scene.add_light(new LIGHT3D(light));
}

namespace {
// A colour, or a list of colours in brackets. Replaces arr / len.
void read_colours(Scene& L, OBJECT3D* lines, OBJECT3D& obj, Vec3*& arr, int32_t& len)
{
    tok(L, lines);
    if (at_end(L)) return;
    if (is(L, "[")) {
        int n = 0;
        int r = read_float_list(L, lines, reader_temp().vertices, n, "of colours");
        if (r != 1) return;
        const Vec3* tmp = reader_temp().vertices.as<Vec3>();
        n /= 3;
        delete[] arr;
        arr = n ? new Vec3[(size_t)n] : nullptr;
        std::copy(tmp, tmp + n, arr);
        len = n;
        obj.m_mat_binding = 2;
        obj.nbmaterial = n;
        return;
    }
    Vec3 c;
    c.x = (float)qv_atof(L.m_word);
    c.y = number(L, lines);
    c.z = number(L, lines);
    delete[] arr;
    arr = new Vec3[1];
    arr[0] = c;
    len = 1;
    obj.m_mat_binding = 1;
    obj.nbmaterial = 1;
}

void read_values(Scene& L, OBJECT3D* lines, OBJECT3D& obj, float*& arr, int32_t& len, const char* name)
{
    tok(L, lines);
    if (at_end(L)) return;
    if (is(L, "[")) {
        int n = 0;
        if (read_float_list(L, lines, reader_temp().values, n, name) != 1) return;
        const float* tmp = reader_temp().values.as<float>();
        delete[] arr;
        arr = n ? new float[(size_t)n] : nullptr;
        std::copy(tmp, tmp + n, arr);
        len = n;
        obj.nbmaterial = n;
        return;
    }
    delete[] arr;
    arr = new float[1];
    arr[0] = (float)qv_atof(L.m_word);
    len = 1;
    obj.nbmaterial = 1;
}
} // namespace

void read_material(Scene& L, OBJECT3D* lines, OBJECT3D& obj, bool v2)
{
    L.m_comments = 1;
    if (expect(L, lines, "{")) {
        for (;;) {
            tok(L, lines);
            if (at_end(L) || is(L, "}")) break;
            if (is(L, "ambientColor")) read_colours(L, lines, obj, obj.T_ambientColor, obj.m_nb_ambient);
            else if (is(L, "diffuseColor")) read_colours(L, lines, obj, obj.T_diffuseColor, obj.m_nb_diffuse);
            else if (is(L, "specularColor")) read_colours(L, lines, obj, obj.T_specularColor, obj.m_nb_specular);
            else if (is(L, "emissiveColor")) read_colours(L, lines, obj, obj.T_emissive, obj.m_nb_emissive);
            else if (is(L, "shininess"))
                read_values(L, lines, obj, obj.T_shininess, obj.m_nb_shininess, "shininess");
            else if (v2 && is(L, "ambientIntensity"))
                read_values(L, lines, obj, obj.m_ambient_intensity, obj.m_nb_ambient_intensity, "ambientIntensity");
            else if (is(L, "transparency")) {
                obj.m_transparency = number(L, lines);
                if (obj.m_transparency > 0.f) obj.m_transparent = 1;
            }
        }
    }
    L.m_comments = 0;
}

namespace {
// The object's array becomes an exact-size copy of the first n read values.
template <class T>
void replace_with_copy(T*& array, const T* values, int n)
{
    delete[] array;
    array = n ? new T[(size_t)n] : nullptr;
    std::copy(values, values + n, array);
}
} // namespace

void begin_object(OBJECT3D& obj)
{
    obj.clear();
    ReaderTemp& tmp = reader_temp();
    obj.m_tmp_vertices = tmp.vertices.as<Vec3>();
    obj.m_tmp_texvertex = tmp.texvertices.as<TexVertex>();
    obj.m_tmp_index = tmp.indices.as<int32_t>();
}

int read_points(Scene& L, OBJECT3D* lines, OBJECT3D& obj)
{
    if (!expect(L, lines, "[")) return 0;
    int n = 0;
    if (read_float_list(L, lines, reader_temp().vertices, n, "point") != 1) return 0;
    Vec3* tmp = reader_temp().vertices.as<Vec3>();
    obj.m_tmp_vertices = tmp;
    n /= 3;
    replace_with_copy(obj.m_vertices, tmp, n);
    obj.nbpts = n;
    obj.m_has_coords = 1;
    return 1;
}

namespace {
// Re-aligns a per-corner list with m_index: -1 at every terminator.
void align(const OBJECT3D& obj, int32_t* list)
{
    for (int i = 0; i < obj.nbindex; ++i)
        if (obj.m_index[i] == -1) list[i] = -1;
}
} // namespace

int read_coord_index(Scene& L, OBJECT3D* lines, OBJECT3D& obj)
{
    if (!expect(L, lines, "[")) return 0;
    int n = 0;
    if (read_int_list(L, lines, reader_temp().indices, n, "coordIndex") != 1) return 0;
    int32_t* tmp = reader_temp().indices.as<int32_t>();
    obj.m_tmp_index = tmp;
    if (n > 0 && tmp[n - 1] != -1) tmp[n++] = -1;   // the last face is closed too
    int faces = 0;
    for (int i = 0; i < n; ++i)
        if (tmp[i] == -1) ++faces;
    delete[] obj.m_index;
    obj.m_index = n ? new int32_t[(size_t)n] : nullptr;
    std::copy(tmp, tmp + n, obj.m_index);
    obj.nbindex = n;
    obj.nbface = faces;
    obj.m_has_index = 1;
    // Lists read for an earlier index list no longer line up.
    for (int32_t** l : {&obj.normalindex, &obj.texindex, &obj.m_vertex_normalindex}) {
        delete[] *l;
        *l = nullptr;
    }
    delete[] obj.m_materialindex;
    obj.m_materialindex = nullptr;
    return 1;
}

int read_normals(Scene& L, OBJECT3D* lines, OBJECT3D& obj)
{
    if (!expect(L, lines, "{") || !expect(L, lines, "vector") || !expect(L, lines, "[")) return -1;
    int n = 0;
    if (read_float_list(L, lines, reader_temp().vertices, n, "vector") != 1) return 0;
    const Vec3* tmp = reader_temp().vertices.as<Vec3>();
    n /= 3;
    delete[] obj.m_normals;
    obj.m_normals = n ? new Vec3[(size_t)n] : nullptr;
    std::copy(tmp, tmp + n, obj.m_normals);
    obj.nbnormal = n;
    return 1;
}

int read_corner_list(Scene& L, OBJECT3D* lines, OBJECT3D& obj, int32_t*& dst, const char* name)
{
    if (!expect(L, lines, "[")) return -1;
    int n = 0;
    // Only the first nbindex values are kept; without an index list there is
    // nothing to align with and the list is passed over.
    if (!reader_temp().indices.reserve<int32_t>((size_t)std::max(obj.nbindex, 0))) {
        L.refuse_list(name, L.m_pos);
        return 0;
    }
    int32_t* tmp = reader_temp().indices.as<int32_t>();
    int r = read_int_list(L, lines, tmp, obj.nbindex, n);
    if (r != 1 || !obj.m_index || obj.nbindex <= 0) return 0;
    delete[] dst;
    dst = new int32_t[(size_t)obj.nbindex];
    std::copy(tmp, tmp + n, dst);
    std::fill(dst + n, dst + obj.nbindex, -1);
    align(obj, dst);
    return 1;
}

int read_material_index(Scene& L, OBJECT3D* lines, OBJECT3D& obj, bool v1)
{
    if (!expect(L, lines, "[")) return 0;
    int n = 0;
    if (!reader_temp().indices.reserve<int32_t>((size_t)std::max(obj.nbface, 0))) {
        L.refuse_list("materialIndex", L.m_pos);
        return 0;
    }
    int32_t* tmp = reader_temp().indices.as<int32_t>();
    int r = read_int_list(L, lines, tmp, obj.nbface, n);
    if (r != 1 || obj.nbface <= 0) return 0;
    delete[] obj.m_materialindex;
    obj.m_materialindex = new int32_t[(size_t)obj.nbface];
    for (int i = 0; i < n; ++i) obj.m_materialindex[i] = (v1 && tmp[i] >= obj.nbmaterial) ? 0 : tmp[i];
    std::fill(obj.m_materialindex + n, obj.m_materialindex + obj.nbface, 0);
    return 1;
}

int read_tex_points(Scene& L, OBJECT3D* lines, OBJECT3D& obj)
{
    if (!expect(L, lines, "{") || !expect(L, lines, "point") || !expect(L, lines, "[")) return 0;
    int n = 0;
    if (read_float_list(L, lines, reader_temp().texvertices, n, "of texture coordinates") != 1) return 0;
    TexVertex* tmp = reader_temp().texvertices.as<TexVertex>();
    obj.m_tmp_texvertex = tmp;
    n /= 2;
    replace_with_copy(obj.texvertex, tmp, n);
    obj.nbtexvertex = n;
    return 1;
}

void set_texture(Scene& L, SCENE3D& scene, OBJECT3D& obj, const std::string& name)
{
    obj.m_texture_name = name;
    if (!obj.m_texture) obj.m_texture = new int32_t(-1);
    scene.add_texture(L.resolve(name), *obj.m_texture, obj.m_transparency, obj.m_transparent);
    obj.m_texture_mode = 1;
}

} // namespace vrml
