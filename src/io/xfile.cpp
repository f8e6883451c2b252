// DirectX-style text meshes (".x", first bytes "xof"): the vertex and face
// lists of a Mesh block, a texture file name and texture coordinates. Every
// other block (templates, frames, normals, materials) is passed over.
#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <cstring>
#include <string>
#include <vector>

#include "io/reader_util.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "io/vrml_graph.h"
#include "base/cformat.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {

struct XMaterial {
    Vec3 colour{0.8f, 0.8f, 0.8f};
    float alpha = 1.f;
    float power = 0.f;
    Vec3 specular, emissive;
    std::string texture;
};

// One mesh of a file read frame by frame, before it becomes an object.
struct XMesh {
    OBJECT3D* obj = nullptr;
    std::string texture;
};

struct XReader {
    OBJECT3D& obj;
    Scene& L;
    std::string why;
    // TextureFilename entries, in file order; added to the scene's texture
    // table once the file is accepted.
    std::vector<std::string> textures;
    // Frame-by-frame reading: every mesh an object, placed by its frames.
    std::vector<XMesh> meshes;
    std::map<std::string, XMaterial> named_materials;

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
    bool mesh() { return open_block() ? mesh_lists(obj) : true; }

    bool mesh_lists(OBJECT3D& obj)
    {
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

    bool texture_coords() { return open_block() ? texture_coord_list(obj) : true; }

    bool texture_coord_list(OBJECT3D& obj)
    {
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
        // X files count t from the top of the picture, scene files from its
        // bottom: the drawing takes t as it is.
        obj.m_tex_t_sign = 1;
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
        texture_index(obj);
        return true;
    }

    // The texture index is the face index, taken once the mesh is known.
    // Fewer coordinates than vertex numbers are kept as they are: the
    // corners without one are checked where the mesh is drawn.
    void texture_index(OBJECT3D& obj)
    {
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
    }

    bool word(const char* w) const { return std::strcmp(L.m_word, w) == 0; }

    // Passes over the rest of a block whose "{" was read.
    bool skip_block()
    {
        int depth = 1;
        while (depth > 0) {
            next();
            if (at_end()) return fail("the file ends inside a block");
            if (word("{")) ++depth;
            else if (word("}")) --depth;
        }
        return true;
    }

    // After a block's keyword: its optional name and "{". False at the end.
    bool open_named(std::string& name)
    {
        next();
        if (at_end()) return false;
        if (!word("{")) {
            name = L.m_word;
            next();
        }
        return word("{");
    }

    bool material(XMaterial& m)
    {
        float a[4];
        for (float& v : a)
            if (!number(v, "material")) return false;
        m.colour = Vec3(a[0], a[1], a[2]);
        m.alpha = a[3];
        if (!number(m.power, "material") || !number(m.specular.x, "material") || !number(m.specular.y, "material") ||
            !number(m.specular.z, "material") || !number(m.emissive.x, "material") ||
            !number(m.emissive.y, "material") || !number(m.emissive.z, "material"))
            return false;
        for (;;) {
            next();
            if (at_end()) return fail("the file ends inside a material");
            if (word("}")) return true;
            if (word("TextureFilename") || word("TextureFileName")) {
                std::string nm;
                if (!open_named(nm)) return fail("the file ends inside a material");
                next();
                if (at_end()) return fail("the file ends inside a material");
                std::string name = L.m_word;
                if (!name.empty() && name[0] == '"') {
                    size_t q = name.find('"', 1);
                    name = name.substr(1, q == std::string::npos ? std::string::npos : q - 1);
                }
                m.texture = name;
                if (!skip_block()) return false;
            } else if (word("{")) {
                if (!skip_block()) return false;
            }
        }
    }

    // MeshMaterialList: per-face material numbers and the materials.
    bool material_list(XMesh& xm)
    {
        OBJECT3D& o = *xm.obj;
        int nmat = 0, nidx = 0;
        if (!count("material", "materials", INT_MAX, nmat)) return false;
        if (!count("face material", "face materials", INT_MAX, nidx)) return false;
        std::vector<int32_t> fm((size_t)std::max(o.nbface, 0), 0);
        for (int i = 0; i < nidx; ++i) {
            float v = 0.f;
            if (!number(v, "face materials")) return false;
            if (i < o.nbface) fm[(size_t)i] = v >= 0.f && v < 1e9f ? (int32_t)v : -1;
        }
        // With fewer numbers than faces, the last one goes on.
        for (int i = std::max(nidx, 1); i < o.nbface && nidx > 0; ++i) fm[(size_t)i] = fm[(size_t)(nidx - 1)];
        std::vector<XMaterial> mats;
        for (;;) {
            next();
            if (at_end()) return fail("the file ends inside a material list");
            if (word("}")) break;
            if (word("Material")) {
                std::string nm;
                if (!open_named(nm)) return fail("the file ends inside a material list");
                XMaterial m;
                if (!material(m)) return false;
                mats.push_back(m);
            } else if (word("{")) {
                next();   // a reference to a named material
                std::string ref = L.m_word;
                auto it = named_materials.find(ref);
                mats.push_back(it != named_materials.end() ? it->second : XMaterial());
                if (!word("}") && !skip_block()) return false;
            } else {
                std::string nm;
                if (open_named(nm) && !skip_block()) return false;
            }
        }
        if (mats.empty()) return true;
        int n = (int)mats.size();
        auto fill = [&](Vec3*& arr, int32_t& len, auto get) {
            delete[] arr;
            arr = new Vec3[(size_t)n];
            for (int i = 0; i < n; ++i) arr[i] = get(mats[(size_t)i]);
            len = n;
        };
        fill(o.T_diffuseColor, o.m_nb_diffuse, [](const XMaterial& m) { return m.colour; });
        fill(o.T_ambientColor, o.m_nb_ambient, [](const XMaterial& m) { return m.colour * 0.2f; });
        fill(o.T_specularColor, o.m_nb_specular, [](const XMaterial& m) { return m.specular; });
        fill(o.T_emissive, o.m_nb_emissive, [](const XMaterial& m) { return m.emissive; });
        delete[] o.T_shininess;
        o.T_shininess = new float[(size_t)n];
        for (int i = 0; i < n; ++i) o.T_shininess[i] = mats[(size_t)i].power;
        o.m_nb_shininess = n;
        o.nbmaterial = n;
        o.m_mat_binding = n > 1 ? 2 : 1;
        delete[] o.m_materialindex;
        o.m_materialindex = nullptr;
        if (o.nbface > 0) {
            o.m_materialindex = new int32_t[(size_t)o.nbface];
            for (int i = 0; i < o.nbface; ++i) o.m_materialindex[i] = fm[(size_t)i] >= 0 && fm[(size_t)i] < n ? fm[(size_t)i] : 0;
        }
        for (const XMaterial& m : mats)
            if (m.alpha < 1.f && m.alpha >= 0.f) {
                o.m_transparency = 1.f - m.alpha;
                o.m_transparent = 1;
                break;
            }
        for (const XMaterial& m : mats)
            if (!m.texture.empty()) {
                xm.texture = m.texture;
                break;
            }
        return true;
    }

    // MeshNormals: normals and their faces, which follow the mesh's faces.
    bool mesh_normals(OBJECT3D& o)
    {
        int n = 0, faces = 0;
        if (!count("normal", "normals", INT_MAX, n)) return false;
        std::vector<Vec3> nv;   // grows as read: a count is no promise
        for (int i = 0; i < n; ++i) {
            Vec3 v;
            if (!number(v.x, "normals") || !number(v.y, "normals") || !number(v.z, "normals")) return false;
            nv.push_back(v);
        }
        if (!count("normal face", "normal faces", INT_MAX, faces)) return false;
        std::vector<int32_t> ni;
        for (int f = 0; f < faces; ++f) {
            int k = 0;
            if (!count("corner", "corners", INT_MAX, k)) return false;
            for (int c = 0; c < k; ++c) {
                float v = 0.f;
                if (!number(v, "normal faces")) return false;
                ni.push_back(v >= 0.f && v < (float)n ? (int32_t)v : 0);
            }
            ni.push_back(-1);
        }
        if (n > 0 && (int)ni.size() == o.nbindex) {
            bool aligned = true;
            for (int k = 0; k < o.nbindex; ++k)
                if ((ni[(size_t)k] == -1) != (o.m_index[k] == -1)) aligned = false;
            if (aligned) {
                delete[] o.m_normals;
                delete[] o.normalindex;
                o.m_normals = new Vec3[(size_t)n];
                std::copy(nv.begin(), nv.end(), o.m_normals);
                o.nbnormal = n;
                o.normalindex = new int32_t[ni.size()];
                std::copy(ni.begin(), ni.end(), o.normalindex);
            }
        }
        return skip_block();
    }

    // The blocks of one mesh after its faces, up to its "}".
    bool mesh_blocks(XMesh& xm)
    {
        for (;;) {
            next();
            if (at_end()) return true;   // a mesh cut short keeps what it has
            if (word("}")) return true;
            std::string nm;
            if (word("MeshNormals")) {
                if (!open_named(nm)) return true;
                if (!mesh_normals(*xm.obj)) return false;
            } else if (word("MeshTextureCoords")) {
                if (!open_named(nm)) return true;
                if (!texture_coord_list(*xm.obj)) return false;
                if (!skip_block()) return false;
            } else if (word("MeshMaterialList")) {
                if (!open_named(nm)) return true;
                if (!material_list(xm)) return false;
            } else if (word("{")) {
                if (!skip_block()) return false;
            } else if (!word(";")) {
                if (open_named(nm) && !skip_block()) return false;
            }
        }
    }

    // Contents of the file or of a frame, up to its "}" (or the end).
    bool frame_contents(const vrml::Mat4& world, const std::string& frame_name, int depth)
    {
        if (depth > 64) return fail("frames nested too deep");
        vrml::Mat4 local;
        bool have_local = false;
        for (;;) {
            next();
            if (at_end() || word("}")) return true;
            std::string nm;
            if (word("template")) {
                if (open_named(nm) && !skip_block()) return false;
            } else if (word("FrameTransformMatrix")) {
                if (!open_named(nm)) return true;
                float v[16];
                for (float& x : v)
                    if (!number(x, "frame matrix")) return false;
                for (int i = 0; i < 16; ++i) local.m[i] = v[i];
                have_local = true;
                if (!skip_block()) return false;
            } else if (word("Frame")) {
                if (!open_named(nm)) return true;
                if (!frame_contents(have_local ? world * local : world, nm, depth + 1)) return false;
            } else if (word("Mesh")) {
                if (!open_named(nm)) return true;
                auto* o = new OBJECT3D();
                meshes.push_back(XMesh{o, {}});
                o->m_name = nm.empty() ? frame_name : nm;
                o->m_named = o->m_name.empty() ? 0 : 1;
                if (!mesh_lists(*o)) return false;
                if (!mesh_blocks(meshes.back())) return false;
                texture_index(*o);
                place(*o, have_local ? world * local : world);
            } else if (word("Material")) {
                if (!open_named(nm)) return true;
                XMaterial m;
                if (!material(m)) return false;
                if (!nm.empty()) named_materials[nm] = m;
            } else if (word("{")) {
                if (!skip_block()) return false;
            } else {
                if (open_named(nm) && !skip_block()) return false;
            }
        }
    }

    static void place(OBJECT3D& o, const vrml::Mat4& m)
    {
        if (m.identity()) return;
        for (int i = 0; i < o.nbpts; ++i) o.m_vertices[i] = m.point(o.m_vertices[i]);
        for (int i = 0; i < o.nbnormal; ++i) o.m_normals[i] = m.normal(o.m_normals[i]);
    }
};

// A file of frames, or of several named meshes, is read mesh by mesh;
// otherwise the single mesh of the file (the last one) is read.
bool frame_layout(const Scene& L)
{
    const char* b = L.m_buf;
    int32_t n = L.m_len;
    int named_meshes = 0;
    for (int32_t p = 0; p + 5 < n; ++p) {
        if (b[p] != 'F' && b[p] != 'M') continue;
        if (p > 0 && (std::isalnum((unsigned char)b[p - 1]) || b[p - 1] == '_')) continue;
        if (n - p > 6 && std::memcmp(b + p, "Frame", 5) == 0 && (b[p + 5] == ' ' || b[p + 5] == '{' || b[p + 5] == '\t'))
            return true;
        if (std::memcmp(b + p, "Mesh", 4) == 0 && b[p + 4] == ' ') {
            int32_t q = p + 5;
            while (q < n && b[q] == ' ') ++q;
            if (q < n && b[q] != '{' && b[q] != '\n' && b[q] != '\r') ++named_meshes;
        }
    }
    return named_meshes > 1;
}

} // namespace

namespace {
// The normals of a file are drawn with both sides lit: GL takes the side a
// face shows from its winding and turns the normal round on its back. Files
// written for the other winding (or whose frame matrix mirrors them) give
// normals that point against the winding, and their faces would be lit
// from behind. When most corners disagree, the mesh's normals are turned.
void orient_file_normals(OBJECT3D& o)
{
    if (!o.m_normals || !o.normalindex || !o.m_index || o.nbnormal <= 0) return;
    long agree = 0, disagree = 0;
    for (int pos = 0; pos < o.nbindex;) {
        int end = pos;
        while (end < o.nbindex && o.m_index[end] != -1) ++end;
        if (end - pos >= 3) {
            const Vec3 f = o.face_normal(pos);
            for (int k = pos; k < end; ++k) {
                const int n = o.normalindex[k];
                if (n < 0 || n >= o.nbnormal) continue;
                const Vec3& v = o.m_normals[n];
                const double d = (double)v.x * f.x + (double)v.y * f.y + (double)v.z * f.z;
                if (d > 0) ++agree;
                else if (d < 0) ++disagree;
            }
        }
        pos = end + 1;
    }
    if (disagree <= agree) return;
    for (int i = 0; i < o.nbnormal; ++i) o.m_normals[i] = o.m_normals[i] * -1.f;
}

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

int read_x_frames(Scene& loader, SCENE3D& scene)
{
    OBJECT3D unused;
    XReader r{unused, loader, {}, {}, {}, {}};
    loader.m_pos = 0;
    loader.m_depth = 0;
    loader.m_comments = 0;
    bool ok = r.frame_contents(vrml::Mat4(), std::string(), 0);
    if (!ok || r.meshes.empty()) {
        for (XMesh& m : r.meshes) delete m.obj;
        refuse_file("X", r.why.empty() ? std::string("nothing to read") : r.why, loader.m_filename);
        return 0;
    }
    scene.delete_objects();
    for (XMesh& m : r.meshes) {
        if (!scene.add_object(m.obj)) {
            delete m.obj;
            m.obj = nullptr;
            continue;
        }
        OBJECT3D* o = m.obj;
        orient_file_normals(*o);
        if (!m.texture.empty()) {
            o->m_texture_name = m.texture;
            o->m_texture = new int32_t(-1);
            scene.add_texture(loader.resolve(m.texture), *o->m_texture, o->m_transparency, o->m_transparent);
            o->m_texture_mode = 1;
        }
        o->compute_bounds();
        o->compute_center();
        scene.compute_world_bounds(scene.nbobjects - 1);
    }
    return 1;
}

int read_x_file(Scene& loader, SCENE3D& scene)
{
    // Every X file begins with "xof"; anything else (opened by its name
    // alone) is not read as an empty mesh that would replace the scene.
    if (!loader.m_buf || loader.m_len < 3 || std::strncmp(loader.m_buf, "xof", 3) != 0) {
        refuse_file("X", "it does not begin with \"xof\"", loader.m_filename);
        return 0;
    }
    // A mesh file has no camera of its own: it opens framed whole.
    scene.m_file_camera = 1;
    if (loader.m_buf && frame_layout(loader) &&
        !(loader.m_len >= 12 && std::strncmp(loader.m_buf, "xof ", 4) == 0 &&
          (std::strncmp(loader.m_buf + 8, "bin ", 4) == 0 || std::strncmp(loader.m_buf + 9, "zip", 3) == 0)))
        return read_x_frames(loader, scene);
    auto* obj = new OBJECT3D();
    XReader r{*obj, loader, {}, {}, {}, {}};
    if (!read_x_mesh(*obj, loader, r)) {
        delete obj;
        return 0;
    }
    orient_file_normals(*obj);
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
