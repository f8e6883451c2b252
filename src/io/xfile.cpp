// DirectX-style text meshes (".x", first bytes "xof"): the vertex and face
// lists of a Mesh block, a texture file name and texture coordinates. Every
// other block (templates, frames, normals, materials) is passed over.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

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
    // TextureFilename entries, in file order; added to the scene's texture
    // table once the file is accepted.
    std::vector<std::string> textures;

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

    // Room in a temporary array for entry i; false (file refused) when the
    // memory runs out.
    template <class T>
    bool room(TempBlock& block, size_t i, const char* what)
    {
        if (block.reserve<T>(i + 1)) return true;
        return fail(qv_format("not enough memory for the %s at line %d", what, L.line_at(L.m_pos)));
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
        if (!count("vertex", "vertices", INT_MAX, n)) return false;
        TempBlock& vb = reader_temp().vertices;
        for (int i = 0; i < n; ++i) {
            if (!room<Vec3>(vb, (size_t)i, "vertices")) return false;
            Vec3& p = vb.as<Vec3>()[i];
            if (!number(p.x, "vertices") || !number(p.y, "vertices") || !number(p.z, "vertices")) return false;
        }
        const Vec3* v = vb.as<Vec3>();
        int faces = 0;
        if (!count("face", "faces", INT_MAX, faces)) return false;
        TempBlock& ib = reader_temp().indices;
        int len = 0;
        for (int f = 0; f < faces; ++f) {
            int k = 0;
            if (!count("corner", "corners", INT_MAX, k)) return false;
            for (int c = 0; c < k; ++c) {
                next();
                if (at_end()) return fail("the file ends inside the faces");
                if (at_brace()) return fail(qv_format("a block ends inside the faces (line %d)", L.line_at(L.m_pos)));
                int vi = qv_atoi(L.m_word);
                if (vi < 0 || vi >= n)
                    return fail(qv_format("face %d names vertex %d but the mesh has %d vertices (line %d)", f, vi,
                                          n, L.line_at(L.m_pos)));
                if (!room<int32_t>(ib, (size_t)len, "faces")) return false;
                ib.as<int32_t>()[len++] = vi;
            }
            if (!room<int32_t>(ib, (size_t)len, "faces")) return false;
            ib.as<int32_t>()[len++] = -1;
        }
        const int32_t* idx = ib.as<int32_t>();
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
        textures.push_back(name);
        return true;
    }

    bool texture_coords()
    {
        if (!open_block()) return true;
        int n = 0;
        if (!count("texture coordinate", "texture coordinates", INT_MAX, n)) return false;
        TempBlock& tb = reader_temp().texvertices;
        for (int i = 0; i < n; ++i) {
            if (!room<TexVertex>(tb, (size_t)i, "texture coordinates")) return false;
            TexVertex& c = tb.as<TexVertex>()[i];
            if (!number(c.s, "texture coordinates") || !number(c.t, "texture coordinates")) return false;
        }
        const TexVertex* t = tb.as<TexVertex>();
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
        // known. Fewer coordinates than vertex numbers are kept as they are:
        // the corners without one are checked where the mesh is drawn.
        delete[] obj.texindex;
        obj.texindex = nullptr;
        if (obj.texvertex && obj.m_index) {
            int largest = -1;
            for (int k = 0; k < obj.nbindex; ++k) largest = std::max(largest, obj.m_index[k]);
            if (largest >= obj.nbtexvertex)
                Trace("X file %s: %d texture coordinates for vertex numbers up to %d; the corners beyond them have "
                      "none",
                      L.m_filename.c_str(), obj.nbtexvertex, largest);
            obj.texindex = new int32_t[(size_t)obj.nbindex];
            std::copy(obj.m_index, obj.m_index + obj.nbindex, obj.texindex);
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
    XReader r{*obj, loader, {}, {}};
    if (!read_x_mesh(*obj, loader, r)) {
        delete obj;
        return 0;
    }
    replace_objects(scene, {obj});
    // Every texture named goes into the table of the scene's new content;
    // the mesh takes the last one.
    for (const std::string& name : r.textures) {
        obj->m_texture_name = name;
        if (!obj->m_texture) obj->m_texture = new int32_t(-1);
        scene.add_texture(loader.resolve(name), *obj->m_texture, obj->m_transparency, obj->m_transparent);
        obj->m_texture_mode = 1;
    }
    return 1;
}
