// VRML 1.0 reader: a keyword scanner that fills one object per call.
#include <cstring>

#include "base/file_lookup.h"
#include "io/scene_loader.h"
#include "io/vrml_common.h"
#include "base/cformat.h"
#include "base/report.h"
#include "scene/scene3d.h"

using namespace vrml;

namespace {

constexpr int k_max_inline_depth = 16;

// WWWInline: the tokens "{", "name" and the quoted file name have been
// read. The inlined objects are appended to the scene after the object
// being read.
void read_inline(Scene& L, SCENE3D& scene)
{
    std::string name = quoted_name(L.m_word);
    if (name.empty()) return;
    std::string path = L.resolve(name);
    int depth = 0;
    for (const Scene* p = &L; p; p = p->m_parent) {
        ++depth;
        if (p->m_filename == path || depth > k_max_inline_depth) {
            MessageBoxF("WWWInline %s ignored: it includes itself", name.c_str());
            return;
        }
    }
    Scene nested;
    nested.m_parent = &L;
    if (nested.load_buffer(path.c_str(), scene)) nested.read_file(scene);
}

} // namespace

int read_vrml1_object(OBJECT3D& obj, SCENE3D& scene, Scene& L)
{
    begin_object(obj);
    int result = 0;
    if (!L.m_word[0]) std::strcpy(L.m_word, " ");
    while (L.m_word[0]) {
        next_token(L);
        if (!L.m_word[0] || L.m_abort) break;
        const char* w = L.m_word;

        if (w[0] == '#') {   // object markers
            next_token(L);
            if (is(L, "Object")) {
                next_token(L);
                size_t n = std::strlen(L.m_word);
                obj.m_name = n >= 2 ? std::string(L.m_word + 1, n - 2) : std::string();
                obj.m_named = 1;
            } else if (is(L, "end")) {
                next_token(L);
                next_token(L);
                return 1;
            }
            continue;
        }

        if (is(L, "WWWInline")) {
            next_token(L);
            next_token(L);
            next_token(L);
            if (!L.m_word[0]) break;
            read_inline(L, scene);
            continue;
        }

        if (is(L, "DEF")) {
            int32_t def_start = L.m_tok_start;
            int32_t depth = L.m_depth;
            next_token(L);
            if (!L.m_word[0]) return 1;
            std::string name = L.m_word;
            next_token(L);
            if (is(L, "IndexedFaceSet") || is(L, "Coordinate") || is(L, "TextureCoordinate")) {
                result = 1;
                continue;
            }
            if (!obj.m_named) {
                obj.m_named = 1;
                obj.m_name = name;
                ++L.m_def_depth;
                result = 1;
                continue;
            }
            unread(L, def_start, depth);
            return 1;
        }

        read_light(L, nullptr, scene);

        if (is(L, "Material")) {
            if (obj.m_named) read_material(L, nullptr, obj, false);
        } else if (is(L, "MatrixTransform")) {
            if (!expect(L, nullptr, "{") || !expect(L, nullptr, "matrix")) continue;
            numbers(L, nullptr, obj.m_matrix, 16);
            if (expect(L, nullptr, "}")) obj.m_has_matrix = 1;
        } else if (is(L, "Translation")) {
            if (expect(L, nullptr, "{") && expect(L, nullptr, "translation"))
                numbers(L, nullptr, &obj.translation.x, 3);
        } else if (is(L, "Rotation")) {
            if (expect(L, nullptr, "{") && expect(L, nullptr, "rotation")) {
                numbers(L, nullptr, &obj.rotation.x, 3);
                obj.angle = (float)(number(L, nullptr) * 180.0 / 3.14159265358979);
            }
        } else if (is(L, "Scale")) {
            if (expect(L, nullptr, "{") && expect(L, nullptr, "scaleFactor")) numbers(L, nullptr, &obj.echelle.x, 3);
        } else if (is(L, "Coordinate3")) {
            if (obj.m_has_coords) {   // the next object begins with this node
                unread(L, L.m_tok_start, L.m_depth);
                return result;
            }
            if (!expect(L, nullptr, "{")) continue;
            next_token(L);
            skip_comment_tokens(L, nullptr);
            if (!is(L, "point")) continue;
            obj.m_scratch_a = obj.m_scratch_b = 0;
            read_points(L, nullptr, obj);
        } else if (is(L, "coordIndex")) {
            if (obj.m_has_index) {
                unread(L, L.m_tok_start, L.m_depth);
                return result;
            }
            obj.m_scratch_a = obj.m_scratch_b = 0;
            read_coord_index(L, nullptr, obj);
        } else if (is(L, "Normal")) {
            if (read_normals(L, nullptr, obj) < 0) return result;
        } else if (is(L, "normalIndex")) {
            if (read_corner_list(L, nullptr, obj, obj.normalindex, "normalIndex") < 0) return result;
        } else if (is(L, "materialIndex")) {
            read_material_index(L, nullptr, obj, true);
        } else if (is(L, "Texture2")) {
            if (expect(L, nullptr, "{") && expect(L, nullptr, "filename")) {
                next_token(L);
                if (L.m_word[0]) set_texture(L, scene, obj, quoted_name(L.m_word));
            }
        } else if (is(L, "TextureCoordinate2") || is(L, "TextureCoordinate")) {
            read_tex_points(L, nullptr, obj);
        } else if (is(L, "textureCoordIndex")) {
            read_corner_list(L, nullptr, obj, obj.texindex, "textureCoordIndex");
        }
    }
    return L.m_abort ? 0 : result;
}
