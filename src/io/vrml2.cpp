// VRML 2.0 reader: a keyword scanner that fills one object per call.
#include <algorithm>
#include <cstring>

#include "io/scene_loader.h"
#include "io/vrml_common.h"
#include "base/cformat.h"
#include "base/report.h"
#include "scene/scene3d.h"

using namespace vrml;

namespace {

constexpr double k_rad_to_deg = 180.0 / 3.14159265358979;

void viewpoint(Scene& L, OBJECT3D& obj)
{
    if (!expect(L, &obj, "{")) return;
    if (!obj.m_viewpoint) obj.m_viewpoint = new VIEWPOINT3D();
    for (;;) {
        next_token2(obj, L);
        if (at_end(L) || is(L, "}")) return;
        if (is(L, "position")) numbers(L, &obj, &obj.m_viewpoint->position.x, 3);
        else if (is(L, "orientation")) {
            numbers(L, &obj, &obj.m_viewpoint->orientation.x, 3);
            obj.m_viewpoint->angle = number(L, &obj);
        } else if (is(L, "fieldOfView")) {
            obj.m_viewpoint->field_of_view = number(L, &obj);
        }
        // description: its value passes as ignored tokens.
    }
}

void time_sensor(Scene& L, OBJECT3D& obj)
{
    if (!obj.m_anim) obj.m_anim = new ANIM3D();
    if (!expect(L, &obj, "{") || !expect(L, &obj, "loop") || !expect(L, &obj, "FALSE") ||
        !expect(L, &obj, "cycleInterval"))
        return;
    float t = number(L, &obj);
    obj.m_anim->cycleInterval = t;
    if (expect(L, &obj, "}")) obj.m_anim->m_active = 1;
}

// Key list and key values of a position (3 numbers a value) or orientation
// (4 numbers, the angle not kept) interpolator.
void interpolator(Scene& L, OBJECT3D& obj, bool orientation)
{
    if (!obj.m_anim) obj.m_anim = new ANIM3D();
    ANIM3D& a = *obj.m_anim;
    if (!expect(L, &obj, "{") || !expect(L, &obj, "key") || !expect(L, &obj, "[")) return;
    int nk = 0;
    if (read_float_list(L, &obj, reader_temp().values, nk, "key") != 1) return;
    const float* keys = reader_temp().values.as<float>();
    float*& key_arr = orientation ? a.m_rot_key : a.m_pos_key;
    delete[] key_arr;
    key_arr = nk ? new float[(size_t)nk] : nullptr;
    std::copy(keys, keys + nk, key_arr);
    (orientation ? a.m_rot_nkey : a.m_pos_nkey) = nk;

    if (!expect(L, &obj, "keyValue") || !expect(L, &obj, "[")) return;
    int nv = 0;
    if (read_float_list(L, &obj, reader_temp().vertices, nv, "keyValue") != 1) return;
    const float* vals = reader_temp().vertices.as<float>();
    int group = orientation ? 4 : 3;
    nv /= group;
    Vec3*& val_arr = orientation ? a.m_rot_value : a.m_pos_value;
    delete[] val_arr;
    val_arr = nv ? new Vec3[(size_t)nv] : nullptr;
    for (int i = 0; i < nv; ++i) val_arr[i] = Vec3(vals[i * group], vals[i * group + 1], vals[i * group + 2]);
    (orientation ? a.m_rot_nvalue : a.m_pos_nvalue) = nv;
}

// 0: the object ends here (the caller returns 1); 1: reading goes on.
int def_node(Scene& L, OBJECT3D& obj)
{
    int32_t def_start = L.m_tok_start;
    int32_t depth = L.m_depth;
    next_token2(obj, L);
    if (at_end(L)) return 0;
    std::string name = L.m_word;
    next_token2(obj, L);
    if (is(L, "TimeSensor")) time_sensor(L, obj);
    else if (is(L, "PositionInterpolator")) interpolator(L, obj, false);
    else if (is(L, "OrientationInterpolator")) interpolator(L, obj, true);
    else if (is(L, "IndexedFaceSet") || is(L, "Coordinate") || is(L, "TextureCoordinate")) {
    } else if (is(L, "Transform")) {
        if (obj.m_named) {
            unread(L, def_start, depth);
            return 0;
        }
        obj.m_named = 1;
        obj.m_name = name;
        ++L.m_def_depth;
    } else if (is(L, "geometry")) {
        next_token2(obj, L);
        if (!is(L, "DEF")) MessageBoxF("corrupted VRML2 input file: geometry! Line #:%ld", (long)L.line_at(L.m_tok_start));
        else next_token2(obj, L);
    } else if (is(L, "Viewpoint")) {
        // A viewpoint after a named object starts an object of its own.
        if (obj.m_named) {
            unread(L, def_start, depth);
            return 0;
        }
        obj.m_name = name;
        obj.m_named = 1;
        viewpoint(L, obj);
        return 0;
    }
    return 1;
}

void script_lookup(const SCENE3D& scene, OBJECT3D& obj)
{
    const char* s = scene.m_script;
    if (!s || scene.m_script_len <= 0) return;
    const char* end = s + scene.m_script_len;
    const std::string& name = obj.m_name;
    while (s < end) {
        const char* eol = s;
        while (eol < end && *eol != '\n' && *eol != '\r') ++eol;
        const char* blank = static_cast<const char*>(std::memchr(s, ' ', (size_t)(eol - s)));
        if (blank && (size_t)(blank - s) == name.size() && std::equal(s, blank, name.begin()))
            obj.m_url.assign(blank + 1, eol);
        s = eol;
        while (s < end && (*s == '\n' || *s == '\r')) ++s;
    }
}

void texture_transform(Scene& L, OBJECT3D& obj)
{
    for (;;) {
        next_token2(obj, L);
        if (at_end(L) || is(L, "}")) return;
        if (is(L, "center")) {
            numbers(L, &obj, obj.m_texcenter, 2);
            obj.m_texcenter_on = 1;
        } else if (is(L, "rotation")) {
            obj.m_texrotation = (float)(number(L, &obj) * k_rad_to_deg);
            obj.m_texrotation_on = 1;
        } else if (is(L, "translation")) {
            numbers(L, &obj, obj.m_textranslation, 2);
            obj.m_textranslation_on = 1;
        } else if (is(L, "scale")) {
            numbers(L, &obj, obj.m_texscale, 2);
            obj.m_texscale_on = 1;
        } else {
            continue;
        }
        obj.m_textransform = 1;
    }
}

// "coord" / "texCoord": the node that follows, possibly named by DEF.
bool node_after_field(Scene& L, OBJECT3D& obj, const char* node)
{
    next_token2(obj, L);
    if (is(L, "DEF")) {
        next_token2(obj, L);
        next_token2(obj, L);
    }
    if (is(L, node)) return true;
    // The line is counted in the whole file, so that it can be found however
    // long the file is.
    if (!at_end(L)) MessageBoxF("corrupted VRML2 input file: coord! Line #:%ld", (long)L.line_at(L.m_tok_start));
    return false;
}

int read_object(OBJECT3D& obj, SCENE3D& scene, Scene& L)
{
    int result = 0;
    std::strcpy(L.m_word, " ");
    while (L.m_word[0]) {
        next_token2(obj, L);
        if (!L.m_word[0] || L.m_abort) break;

        if (L.m_word[0] == '#' && !is(L, "#Shape")) {   // object markers
            next_token2(obj, L);
            if (is(L, "end")) {
                next_token2(obj, L);
                next_token2(obj, L);
                return 0;
            }
            if (is(L, "Object")) {
                next_token2(obj, L);
                size_t n = std::strlen(L.m_word);
                obj.m_name = n >= 2 ? std::string(L.m_word + 1, n - 2) : std::string();
                obj.m_named = 1;
            }
            continue;
        }
        if (is(L, "DEF")) {
            int more = def_node(L, obj);
            result = 1;
            if (!more) return 1;
            continue;
        }
        if (is(L, "coord")) {
            if (!node_after_field(L, obj, "Coordinate")) continue;
        } else if (is(L, "texCoord")) {
            if (!node_after_field(L, obj, "TextureCoordinate")) continue;
        }

        read_light(L, &obj, scene);

        if (is(L, "Material")) {
            read_material(L, &obj, obj, true);
        } else if (is(L, "translation")) {
            Vec3 t;
            numbers(L, &obj, &t.x, 3);
            if (L.m_depth == 1) {
                obj.translation = t;
                L.m_top_translation = t;
            } else {
                obj.translation = L.m_top_translation + t;
            }
        } else if (is(L, "rotation")) {
            numbers(L, &obj, &obj.rotation.x, 3);
            obj.angle = (float)(number(L, &obj) * k_rad_to_deg);
        } else if (is(L, "scale")) {
            numbers(L, &obj, &obj.echelle.x, 3);
        } else if (is(L, "scaleOrientation")) {
            numbers(L, &obj, &obj.m_scale_axis.x, 3);
            obj.m_scale_angle = (float)(number(L, &obj) * k_rad_to_deg);
        } else if (is(L, "Viewpoint")) {
            viewpoint(L, obj);
        } else if (is(L, "Coordinate")) {
            if (obj.m_has_coords) {   // the next object begins with this node
                unread(L, L.m_tok_start, L.m_depth);
                return result;
            }
            if (!expect(L, &obj, "{")) continue;
            next_token2(obj, L);
            skip_comment_tokens(L, &obj);
            if (!is(L, "point")) continue;
            read_points(L, &obj, obj);
        } else if (is(L, "coordIndex")) {
            if (obj.m_has_index) {
                unread(L, L.m_tok_start, L.m_depth);
                return result;
            }
            read_coord_index(L, &obj, obj);
        } else if (is(L, "Normal")) {
            if (read_normals(L, &obj, obj) < 0) return result;
        } else if (is(L, "normalIndex")) {
            if (read_corner_list(L, &obj, obj, obj.normalindex, "normalIndex") < 0) return result;
        } else if (is(L, "materialIndex")) {
            read_material_index(L, &obj, obj, false);
        } else if (is(L, "texture")) {
            if (!expect(L, &obj, "ImageTexture") || !expect(L, &obj, "{") || !expect(L, &obj, "url")) continue;
            next_token2(obj, L);
            if (is(L, "[")) next_token2(obj, L);   // url given as a list
            if (L.m_word[0] != '"') continue;
            set_texture(L, scene, obj, quoted_name(L.m_word));
        } else if (is(L, "TextureCoordinate2") || is(L, "TextureCoordinate") || is(L, "TexCoord")) {
            read_tex_points(L, &obj, obj);
        } else if (is(L, "textureCoordIndex") || is(L, "texCoordIndex")) {
            read_corner_list(L, &obj, obj, obj.texindex, "texCoordIndex");
        } else if (is(L, "textureTransform")) {
            texture_transform(L, obj);
        } else if (is(L, "Shape") || is(L, "#Shape")) {
            if (!obj.m_named) {
                if (!obj.m_def_open) {
                    obj.m_def_open = 1;
                    ++L.m_def_depth;
                } else {
                    obj.m_def_open = 0;
                    --L.m_def_depth;
                }
            }
            script_lookup(scene, obj);
        }
    }
    return L.m_abort ? 0 : result;
}

} // namespace

int read_vrml2_object(OBJECT3D& obj, SCENE3D& scene, Scene& L)
{
    begin_object(obj);
    int result = read_object(obj, scene, L);
    // Texture coordinates without their own index follow the vertex index.
    if (obj.texvertex && !obj.texindex && obj.m_index && obj.nbindex > 0) {
        obj.texindex = new int32_t[(size_t)obj.nbindex];
        std::copy(obj.m_index, obj.m_index + obj.nbindex, obj.texindex);
    }
    return result;
}
