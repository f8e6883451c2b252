// DirectX-style text meshes (".x", first bytes "xof"): the vertex and face
// lists of a Mesh block, a texture file name and texture coordinates. Every
// other block (templates, frames, normals, materials) is passed over.
#include <algorithm>
#include <cstring>
#include <string>

#include "io/reader_util.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "math/cformat.h"
#include "scene/object3d.h"
#include "scene/report.h"
#include "scene/scene3d.h"

namespace {

struct XReader {
    OBJECT3D& obj;
    Scene& L;
    std::string why;
    std::string texture;   // file name, added to the scene once the file is accepted
    bool has_texture = false;

    const char* next()
    {
        next_token2(obj, L);
        return L.m_word;
    }
    bool at_end() const { return L.m_word[0] == 0; }
    // A brace where a number belongs: the block ended before its data.
    bool at_brace() const { return (L.m_word[0] == '{' || L.m_word[0] == '}') && L.m_word[1] == 0; }

    bool fail(std::string text)
    {
        if (at_end()) text += ": the file may be cut short";
        if (why.empty()) why = std::move(text);
        return false;
    }

    // A count: a number token within 0..cap.
    bool count(const char* what, const char* plural, int cap, int& n)
    {
        next();
        if (at_end()) return fail(qv_format("the file ends before the %s count", what));
        if (at_brace())
            return fail(qv_format("a block ends where the %s count belongs (line %d)", what, L.line_at(L.m_pos)));
        n = qv_atoi(L.m_word);
        if (n < 0) return fail(qv_format("negative %s count %d at line %d", what, n, L.line_at(L.m_pos)));
        if (n > cap)
            return fail(qv_format("%d %s, more than the %d a mesh may hold (line %d)", n, plural, cap,
                                  L.line_at(L.m_pos)));
        return true;
    }

    bool number(float& v, const char* what)
    {
        next();
        if (at_end()) return fail(qv_format("the file ends inside the %s", what));
        if (at_brace()) return fail(qv_format("a block ends inside the %s (line %d)", what, L.line_at(L.m_pos)));
        v = (float)qv_atof(L.m_word);
        return true;
    }

    // After a block's keyword: "{" or "name {". False at the end of the file.
    bool open_block()
    {
        next();
        if (at_end()) return false;
        if (std::strcmp(L.m_word, "{") != 0) next();
        return !at_end();
    }

    // Mesh: vertex list, then face list. The last mesh of the file wins.
    bool mesh()
    {
        if (!open_block()) return true;
        int n = 0;
        if (!count("vertex", "vertices", QV_TMP_VERTICES, n)) return false;
        Vec3* v = reader_temp().vertices;
        for (int i = 0; i < n; ++i)
            if (!number(v[i].x, "vertices") || !number(v[i].y, "vertices") || !number(v[i].z, "vertices"))
                return false;
        int faces = 0;
        if (!count("face", "faces", QV_TMP_INDICES, faces)) return false;
        int32_t* idx = reader_temp().indices;
        int len = 0;
        for (int f = 0; f < faces; ++f) {
            int k = 0;
            if (!count("corner", "corners", QV_TMP_INDICES, k)) return false;
            if (len + k + 1 > QV_TMP_INDICES)
                return fail(qv_format("more than %d index entries in a mesh", QV_TMP_INDICES));
            for (int c = 0; c < k; ++c) {
                next();
                if (at_end()) return fail("the file ends inside the faces");
                if (at_brace()) return fail(qv_format("a block ends inside the faces (line %d)", L.line_at(L.m_pos)));
                int vi = qv_atoi(L.m_word);
                if (vi < 0 || vi >= n)
                    return fail(qv_format("face %d names vertex %d but the mesh has %d vertices (line %d)", f, vi,
                                          n, L.line_at(L.m_pos)));
                idx[len++] = vi;
            }
            idx[len++] = -1;
        }
        delete[] obj.m_vertices;
        delete[] obj.m_index;
        obj.m_vertices = n > 0 ? new Vec3[(size_t)n] : nullptr;
        obj.m_index = len > 0 ? new int32_t[(size_t)len] : nullptr;
        if (n > 0) std::copy(v, v + n, obj.m_vertices);
        if (len > 0) std::copy(idx, idx + len, obj.m_index);
        obj.nbpts = n;
        obj.nbface = faces;
        obj.nbindex = len;
        return true;
    }

    bool texture_filename()
    {
        if (!open_block()) return true;
        next();
        if (at_end()) return true;
        std::string name = L.m_word;
        if (!name.empty() && name[0] == '"') {
            size_t q = name.find('"', 1);
            name = name.substr(1, q == std::string::npos ? std::string::npos : q - 1);
        }
        texture = name;
        has_texture = true;
        return true;
    }

    bool texture_coords()
    {
        if (!open_block()) return true;
        int n = 0;
        if (!count("texture coordinate", "texture coordinates", QV_TMP_TEXVERTICES, n)) return false;
        TexVertex* t = reader_temp().texvertices;
        for (int i = 0; i < n; ++i)
            if (!number(t[i].s, "texture coordinates") || !number(t[i].t, "texture coordinates")) return false;
        delete[] obj.texvertex;
        obj.texvertex = n > 0 ? new TexVertex[(size_t)n] : nullptr;
        if (n > 0) std::copy(t, t + n, obj.texvertex);
        obj.nbtexvertex = n;
        return true;
    }

    bool run()
    {
        for (;;) {
            next();
            if (at_end()) break;
            const char* w = L.m_word;
            bool ok = true;
            if (std::strcmp(w, "Mesh") == 0) ok = mesh();
            else if (std::strcmp(w, "TextureFilename") == 0) ok = texture_filename();
            else if (std::strcmp(w, "MeshTextureCoords") == 0) ok = texture_coords();
            if (!ok) return false;
        }
        // The texture index is the face index, taken once the last mesh is
        // known; coordinates that do not cover its vertices are dropped.
        delete[] obj.texindex;
        obj.texindex = nullptr;
        if (obj.texvertex && obj.m_index) {
            bool covered = true;
            for (int k = 0; k < obj.nbindex; ++k)
                if (obj.m_index[k] >= obj.nbtexvertex) covered = false;
            if (covered) {
                obj.texindex = new int32_t[(size_t)obj.nbindex];
                std::copy(obj.m_index, obj.m_index + obj.nbindex, obj.texindex);
            } else {
                Trace("X file: %d texture coordinates do not cover the %d vertices; dropped", obj.nbtexvertex,
                      obj.nbpts);
                delete[] obj.texvertex;
                obj.texvertex = nullptr;
                obj.nbtexvertex = 0;
            }
        }
        return true;
    }
};

} // namespace

namespace {
// Reads the mesh into obj; on refusal shows the message and leaves obj empty.
int read_x_mesh(OBJECT3D& obj, Scene& loader, XReader& r)
{
    obj.clear();
    loader.m_pos = 0;
    loader.m_depth = 0;
    loader.m_comments = 0;
    // "xof 0302bin 0032": the format word at bytes 8..11 says text ("txt "),
    // binary ("bin ") or compressed ("tzip", "bzip"); only text is read.
    if (loader.m_buf && loader.m_len >= 12 && std::strncmp(loader.m_buf, "xof ", 4) == 0 &&
        (std::strncmp(loader.m_buf + 8, "bin ", 4) == 0 || std::strncmp(loader.m_buf + 9, "zip", 3) == 0)) {
        refuse_file("X", "only text X files can be read, this one is \"" + std::string(loader.m_buf + 8, 4) + "\"",
                    loader.m_filename);
        return 0;
    }
    if (!loader.m_buf || !r.run()) {
        obj.clear();
        refuse_file("X", r.why.empty() ? std::string("nothing to read") : r.why, loader.m_filename);
        return 0;
    }
    return 1;
}
} // namespace

int read_x_file(Scene& loader, SCENE3D& scene)
{
    auto* obj = new OBJECT3D();
    XReader r{*obj, loader, {}, {}, false};
    if (!read_x_mesh(*obj, loader, r)) {
        delete obj;
        return 0;
    }
    replace_objects(scene, {obj});
    // The texture goes into the table of the scene's new content.
    if (r.has_texture) {
        obj->m_texture_name = r.texture;
        if (!obj->m_texture) obj->m_texture = new int32_t(-1);
        scene.add_texture(loader.resolve(r.texture), *obj->m_texture, obj->m_transparency, obj->m_transparent);
        obj->m_texture_mode = 1;
    }
    return 1;
}
