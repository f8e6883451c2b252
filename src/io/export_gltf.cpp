// glTF 2.0 export: the document's structure (nodes, meshes, accessors,
// materials, textures) is described through tinygltf's model and written
// as JSON by it; the binary data is made object by object as it is written,
// straight into the .glb's binary chunk or the .bin file beside a .gltf.
#include <tiny_gltf.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/report.h"
#include "base/utf8.h"
#include "base/safe_write.h"
#include "image/texture.h"
#include "io/export.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
size_t pad4(size_t n) { return (n + 3) & ~(size_t)3; }

// A piece of the binary buffer: bytes held (pictures), or one array of an
// object's mesh, made again when it is written so that the meshes of the
// whole scene are never held at once beside the scene itself.
enum class Part { Held, Positions, Normals, Texcoords, Indices };
struct Chunk {
    const void* data;
    size_t bytes;
    Part part = Part::Held;
    const OBJECT3D* object = nullptr;
    bool baked = false;   // the object's placement applied to its mesh
};

struct Picture {
    ExportPicture pic;
    int view = -1;
    std::string uri;
};

// A name as the document's JSON must hold it, in UTF-8: valid sequences as
// they are, any other byte taken as the Latin-1 letter it was most likely
// written as (older exporters wrote names in their own code page).
std::string utf8_name(const std::string& name)
{
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const size_t at = i;
        uint32_t cp = 0;
        if (utf8_next(name, i, cp)) {
            if (cp != 0) out.append(name, at, i - at);
            continue;
        }
        const unsigned char c = (unsigned char)name[at];
        out += (char)(0xC0 | c >> 6);
        out += (char)(0x80 | (c & 0x3F));
    }
    return out;
}

// A URI for a file name beside the document: unreserved characters as they
// are, every other byte percent-encoded.
std::string uri_of(const std::string& name)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += (char)c;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool put(FILE* f, const void* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f) == n; }

bool put_chunks(FILE* f, const std::vector<Chunk>& chunks)
{
    static const unsigned char zeros[4] = {0, 0, 0, 0};
    // The chunks of one object follow each other: its mesh is made once.
    const OBJECT3D* made_for = nullptr;
    ExportMesh m;
    for (const Chunk& c : chunks) {
        const void* data = c.data;
        if (c.part != Part::Held) {
            if (c.object != made_for) {
                const Placement place = object_placement(*c.object);
                m = export_mesh(*c.object, c.baked ? &place : nullptr, false, false);
                made_for = c.object;
            }
            const auto bytes_of = [](const auto& v) { return std::make_pair((const void*)v.data(), v.size() * 4); };
            const std::pair<const void*, size_t> got = c.part == Part::Positions ? bytes_of(m.positions)
                                                       : c.part == Part::Normals ? bytes_of(m.normals)
                                                       : c.part == Part::Texcoords ? bytes_of(m.texcoords)
                                                                                   : bytes_of(m.indices);
            // The document already says how long it is.
            if (got.second != c.bytes) return false;
            data = got.first;
        }
        if (!put(f, data, c.bytes) || !put(f, zeros, pad4(c.bytes) - c.bytes)) return false;
    }
    return true;
}

bool image_writer_keeps_uri(const std::string*, const std::string*, const tinygltf::Image*, bool, std::string*, void*)
{
    return false;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}
} // namespace

int export_gltf(const SCENE3D& scene, const std::string& path, bool binary, ExportSummary& summary)
{
    std::string folder, stem;
    split_path(path, folder, stem);

    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Quorvel";
    model.buffers.emplace_back();
    model.defaultScene = 0;
    model.scenes.emplace_back();

    std::vector<Chunk> chunks;
    size_t offset = 0;
    auto add_view = [&](const Chunk& chunk, int target) {
        const size_t bytes = chunk.bytes;
        tinygltf::BufferView v;
        v.buffer = 0;
        v.byteOffset = offset;
        v.byteLength = bytes;
        v.target = target;
        model.bufferViews.push_back(v);
        chunks.push_back(chunk);
        offset += pad4(bytes);
        return (int)model.bufferViews.size() - 1;
    };
    auto add_accessor = [&](int view, int component, int type, size_t count) {
        tinygltf::Accessor a;
        a.bufferView = view;
        a.componentType = component;
        a.type = type;
        a.count = count;
        model.accessors.push_back(a);
        return (int)model.accessors.size() - 1;
    };

    std::map<int, int> texture_of_picture;   // scene texture -> glTF texture
    std::vector<Picture> pictures;
    bool sampler_made = false;

    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o) continue;
        tinygltf::Node node;
        node.name = utf8_name(o->m_name);
        const Placement place = object_placement(*o);
        double t[3], q[4], s[3];
        const bool trs = place.identity() || place.decompose(t, q, s);
        if (trs && !place.identity()) {
            if (t[0] != 0 || t[1] != 0 || t[2] != 0) node.translation = {t[0], t[1], t[2]};
            if (q[0] != 0 || q[1] != 0 || q[2] != 0 || q[3] != 1) node.rotation = {q[0], q[1], q[2], q[3]};
            if (s[0] != 1 || s[1] != 1 || s[2] != 1) node.scale = {s[0], s[1], s[2]};
        }
        // A placement that shears is applied to the vertices instead.
        // The mesh is measured here and made again when it is written.
        const ExportMesh m = export_mesh(*o, trs ? nullptr : &place, false, false);
        auto part = [&](Part which, const auto& v) { return Chunk{nullptr, v.size() * 4, which, o, !trs}; };
        ++summary.objects;
        if (!m.indices.empty()) {
            summary.triangles += (long long)(m.indices.size() / 3);
            tinygltf::Primitive prim;
            prim.mode = TINYGLTF_MODE_TRIANGLES;
            const size_t n = m.vertex_count();
            int pos = add_accessor(add_view(part(Part::Positions, m.positions), TINYGLTF_TARGET_ARRAY_BUFFER),
                                   TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, n);
            model.accessors[(size_t)pos].minValues = {m.min[0], m.min[1], m.min[2]};
            model.accessors[(size_t)pos].maxValues = {m.max[0], m.max[1], m.max[2]};
            prim.attributes["POSITION"] = pos;
            if (!m.normals.empty())
                prim.attributes["NORMAL"] =
                    add_accessor(add_view(part(Part::Normals, m.normals), TINYGLTF_TARGET_ARRAY_BUFFER),
                                 TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, n);
            if (!m.texcoords.empty())
                prim.attributes["TEXCOORD_0"] =
                    add_accessor(add_view(part(Part::Texcoords, m.texcoords), TINYGLTF_TARGET_ARRAY_BUFFER),
                                 TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, n);
            prim.indices = add_accessor(add_view(part(Part::Indices, m.indices), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER),
                                        TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, m.indices.size());

            // The object's first material, as metal-free roughness.
            tinygltf::Material mat;
            mat.name = utf8_name(o->m_name);
            const Vec3* d = o->diffuse(0);
            const Vec3* e = o->emissive(0);
            const float* sh = o->shininess(0);
            auto unit = [](float v) { return std::isfinite(v) ? std::min(std::max((double)v, 0.0), 1.0) : 0.0; };
            const double alpha = o->m_transparency > 0.f ? 1.0 - unit(o->m_transparency) : 1.0;
            mat.pbrMetallicRoughness.baseColorFactor = {d ? unit(d->x) : 1.0, d ? unit(d->y) : 1.0, d ? unit(d->z) : 1.0, alpha};
            mat.pbrMetallicRoughness.metallicFactor = 0.0;
            double shin = sh && std::isfinite(*sh) ? std::max(0.f, *sh) : 0.0;
            if (shin > 1.0) shin = std::min(shin / 128.0, 1.0);
            mat.pbrMetallicRoughness.roughnessFactor = 1.0 - 0.8 * shin;
            if (e) mat.emissiveFactor = {unit(e->x), unit(e->y), unit(e->z)};
            if (alpha < 1.0) mat.alphaMode = "BLEND";
            mat.doubleSided = true;
            int tex_index = -1;
            const CTexture* tex = m.texcoords.empty() ? nullptr : object_texture(scene, *o, &tex_index);
            if (tex) {
                auto found = texture_of_picture.find(tex_index);
                int gl_tex = -1;
                if (found != texture_of_picture.end()) {
                    gl_tex = found->second;
                } else {
                    Picture p;
                    p.pic = export_picture(*tex);
                    if (!p.pic.bytes.empty()) {
                        if (!sampler_made) {
                            tinygltf::Sampler smp;
                            smp.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
                            smp.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
                            smp.wrapS = smp.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
                            model.samplers.push_back(smp);
                            sampler_made = true;
                        }
                        tinygltf::Image img;
                        img.mimeType = p.pic.mime;
                        const std::string file = stem + "_" + std::to_string(pictures.size()) + p.pic.ext;
                        if (!binary) p.uri = file;
                        img.uri = binary ? std::string() : uri_of(file);
                        model.images.push_back(img);
                        tinygltf::Texture gt;
                        gt.source = (int)model.images.size() - 1;
                        gt.sampler = 0;
                        model.textures.push_back(gt);
                        gl_tex = (int)model.textures.size() - 1;
                        pictures.push_back(std::move(p));
                    }
                    texture_of_picture[tex_index] = gl_tex;
                }
                if (gl_tex >= 0) mat.pbrMetallicRoughness.baseColorTexture.index = gl_tex;
            }
            model.materials.push_back(mat);
            prim.material = (int)model.materials.size() - 1;
            tinygltf::Mesh mesh;
            mesh.name = utf8_name(o->m_name);
            mesh.primitives.push_back(prim);
            model.meshes.push_back(mesh);
            node.mesh = (int)model.meshes.size() - 1;
        }
        model.nodes.push_back(node);
        model.scenes[0].nodes.push_back((int)model.nodes.size() - 1);
    }
    // Pictures follow the meshes in the binary chunk.
    if (binary)
        for (size_t i = 0; i < pictures.size(); ++i) {
            pictures[i].view = add_view(Chunk{pictures[i].pic.bytes.data(), pictures[i].pic.bytes.size()}, 0);
            model.bufferViews[(size_t)pictures[i].view].target = 0;
            model.images[i].bufferView = pictures[i].view;
        }

    // The document's JSON, with the buffer's length and place filled in.
    tinygltf::TinyGLTF writer;
    writer.SetImageWriter(image_writer_keeps_uri, nullptr);
    std::ostringstream json_out;
    bool made = false;
    try {
        made = writer.WriteGltfSceneToStream(&model, json_out, !binary, false);
    } catch (const std::exception&) {
        made = false;
    }
    if (!made) {
        MessageBoxF("Cannot export %s: the glTF document could not be made", path.c_str());
        return 0;
    }
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(json_out.str());
    } catch (const std::exception& ex) {
        MessageBoxF("Cannot export %s: %s", path.c_str(), ex.what());
        return 0;
    }
    // An object without a name or a mesh is an empty node, and a scene
    // without objects an empty scene, which the serialiser leaves as null.
    for (const char* list : {"nodes", "scenes"})
        if (doc.contains(list))
            for (auto& n : doc[list])
                if (n.is_null()) n = nlohmann::json::object();
    const std::string bin_name = stem + ".bin";
    if (offset == 0) {
        doc.erase("buffers");
        doc.erase("bufferViews");
    } else {
        nlohmann::json buf = nlohmann::json::object();
        buf["byteLength"] = offset;
        if (!binary) buf["uri"] = uri_of(bin_name);
        doc["buffers"] = nlohmann::json::array({buf});
    }
    std::string json = doc.dump(binary ? -1 : 2);

    if (binary) {
        const size_t json_len = pad4(json.size());
        json.append(json_len - json.size(), ' ');
        const uint64_t total = 12 + 8 + json_len + (offset ? 8 + offset : 0);
        if (total > 0xffffffffu) {
            MessageBoxF("Cannot export %s: the scene needs %llu bytes, more than a .glb file can hold", path.c_str(),
                        (unsigned long long)total);
            return 0;
        }
        return write_file_safely(path, [&](FILE* f) {
            auto u32 = [&](uint32_t v) {
                unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16), (unsigned char)(v >> 24)};
                return put(f, b, 4);
            };
            if (!put(f, "glTF", 4) || !u32(2) || !u32((uint32_t)total)) return false;
            if (!u32((uint32_t)json_len) || !put(f, "JSON", 4) || !put(f, json.data(), json.size())) return false;
            if (offset == 0) return true;
            return u32((uint32_t)offset) && put(f, "BIN\0", 4) && put_chunks(f, chunks);
        });
    }

    // .gltf: the buffer and the pictures beside it first, the document
    // last; a failure takes back the files this export created.
    std::vector<std::string> created;
    auto undo = [&] {
        for (const std::string& c : created) ::unlink(c.c_str());
        return 0;
    };
    auto side_file = [&](const std::string& name, const std::function<bool(FILE*)>& fill) {
        const std::string p = folder + name;
        const bool was = exists(p);
        if (!write_file_safely(p, fill)) return false;
        if (!was) created.push_back(p);
        return true;
    };
    if (offset && !side_file(bin_name, [&](FILE* f) { return put_chunks(f, chunks); })) return undo();
    for (const Picture& p : pictures)
        if (!side_file(p.uri, [&](FILE* f) { return put(f, p.pic.bytes.data(), p.pic.bytes.size()); })) return undo();
    if (!write_file_safely(path, [&](FILE* f) { return put(f, json.data(), json.size()) && put(f, "\n", 1); }))
        return undo();
    return 1;
}
