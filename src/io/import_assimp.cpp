// Reading of the mesh formats that the asset library knows (glTF 2.0, OBJ,
// STL, PLY, 3DS, COLLADA, OFF): the library's scene becomes our objects,
// one per mesh of every node, with the node's transform applied to the
// vertices and normals, per-vertex normals and texture coordinates, and
// the diffuse colour, transparency and texture of the mesh's material.
#include "io/import_assimp.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/report.h"
#include "image/texture.h"
#include "io/reader_util.h"
#include "io/scene_loader.h"
#include "scene/scene3d.h"

namespace {
// Largest mesh one object may hold: counts are kept in 32-bit integers,
// and an index list holds four entries per triangle.
constexpr uint64_t k_max_vertices = 100u * 1000u * 1000u;
constexpr uint64_t k_max_faces = 100u * 1000u * 1000u;

std::string trim_reason(std::string why)
{
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
    // The reader of the format found nothing it recognises (the library's
    // words name a made-up file).
    if (why.find("No suitable reader found") != std::string::npos) return "its content is not of this format";
    return why.empty() ? std::string("the library gave no reason") : why;
}

// Reads an unsigned decimal number at p (skipping blanks); false when none.
bool header_number(const char*& p, const char* end, uint64_t& v)
{
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p >= end || !std::isdigit((unsigned char)*p)) return false;
    v = 0;
    while (p < end && std::isdigit((unsigned char)*p)) {
        if (v > (UINT64_MAX - 9) / 10) return false;
        v = v * 10 + (uint64_t)(*p++ - '0');
    }
    return true;
}

// PLY: the element counts of the header against what the file can hold
// (every element takes at least one byte in a binary file, two characters
// in a text one).
std::string ply_counts(const char* data, size_t len)
{
    const char* end = data + std::min<size_t>(len, 65536);
    const char* header_end = nullptr;
    for (const char* p = data; p + 10 <= end; ++p)
        if ((p == data || p[-1] == '\n' || p[-1] == '\r') && std::memcmp(p, "end_header", 10) == 0) {
            header_end = p + 10;
            break;
        }
    // The library's header parser does not stop on a header cut short, nor
    // on an end_header line followed by data on the same line.
    const char* q = header_end;
    while (q && q < data + len && (*q == ' ' || *q == '\t')) ++q;
    if (!header_end || q >= data + len || (*q != '\n' && *q != '\r'))
        return "its header does not end (no end_header line)";
    uint64_t total = 0;
    std::set<std::string> names;
    for (const char* p = data; p < header_end; ++p) {
        if ((p == data || p[-1] == '\n') && header_end - p > 8 && std::memcmp(p, "element ", 8) == 0) {
            const char* q = p + 8;
            while (q < header_end && *q != ' ' && *q != '\n') ++q;
            // The library fills an element declared twice into the room it
            // made for the first one, past its end.
            if (!names.insert(std::string(p + 8, q)).second)
                return "its header declares the element \"" + std::string(p + 8, q) + "\" twice";
            uint64_t n = 0;
            const char* digits = q;
            while (digits < header_end && (*digits == ' ' || *digits == '\t')) ++digits;
            if (!header_number(q, header_end, n)) {
                // Digits too many for any count are no smaller a count.
                if (digits < header_end && std::isdigit((unsigned char)*digits))
                    return "its header announces more elements than the file holds";
                continue;
            }
            if (n > (uint64_t)len || total + n > (uint64_t)len) return "its header announces more elements than the file holds";
            total += n;
        }
    }
    return "";
}

// PLY: whether the header announces vertices and no faces (a point cloud).
bool ply_points_only(const char* data, size_t len)
{
    const char* end = data + std::min<size_t>(len, 65536);
    uint64_t vertices = 0, faces = 0;
    for (const char* p = data; p < end; ++p) {
        if (p != data && p[-1] != '\n') continue;
        if (end - p >= 10 && std::memcmp(p, "end_header", 10) == 0) break;
        for (const char* kind : {"element vertex ", "element face ", "element tristrips "}) {
            const size_t n = std::strlen(kind);
            if ((size_t)(end - p) <= n || std::memcmp(p, kind, n) != 0) continue;
            const char* q = p + n;
            uint64_t count = 0;
            if (!header_number(q, end, count)) continue;
            (kind[8] == 'v' ? vertices : faces) += count;
        }
    }
    return vertices > 0 && faces == 0;
}

// OFF: "OFF", then the vertex, face and edge counts.
std::string off_counts(const char* data, size_t len)
{
    const char* p = data;
    const char* end = data + len;
    while (p < end && !std::isspace((unsigned char)*p)) ++p;
    // Comments may stand between the keyword and the counts.
    for (;;) {
        while (p < end && std::isspace((unsigned char)*p)) ++p;
        if (p < end && *p == '#') {
            while (p < end && *p != '\n') ++p;
            continue;
        }
        break;
    }
    uint64_t nv = 0, nf = 0;
    for (uint64_t* count : {&nv, &nf}) {
        const char* at = p;
        while (at < end && (*at == ' ' || *at == '\t')) ++at;
        if (header_number(p, end, *count)) continue;
        // Digits too many for any count: the library reads them into a
        // number it then allocates for.
        return at < end && std::isdigit((unsigned char)*at) ? "its header announces more vertices or faces than the file holds" : "";
    }
    // A vertex is three numbers, a face at least four: two characters each.
    if (nv > len / 6 || nf > len / 8) return "its header announces more vertices or faces than the file holds";
    return "";
}

// Counts the file announces that it cannot hold are refused before the
// library allocates for them.
std::string implausible_counts(const char* data, size_t len, FormatId id)
{
    if (!data) return "";
    if (id == FormatId::Ply) return ply_counts(data, len);
    if (id == FormatId::Off) return off_counts(data, len);
    return "";
}

struct Converter {
    const aiScene& ai;
    Scene& loader;
    SCENE3D& scene;
    std::vector<OBJECT3D*> objects;
    // The texture each object names, taken once the objects are the
    // scene's (the scene is not touched before the file is read whole).
    std::vector<std::string> textures;
    std::string why;

    ~Converter()
    {
        for (OBJECT3D* o : objects) delete o;
    }

    // Formats without a material model of their own (STL, PLY, OFF) hold at
    // most a colour; the library fills the rest of their material with
    // values of its own choosing, which are not the file's.
    bool colour_only = false;

    // The material's colour under `key`, when the material has one.
    static bool colour(const aiMaterial* m, const char* key, unsigned type, unsigned idx, Vec3& out, float* alpha = nullptr)
    {
        aiColor4D c;
        if (!m || aiGetMaterialColor(m, key, type, idx, &c) != AI_SUCCESS) return false;
        if (alpha) *alpha = c.a;
        auto ok = [](float v) { return std::isfinite(v) ? std::min(std::max(v, 0.f), 1.f) : 0.f; };
        out = Vec3(ok(c.r), ok(c.g), ok(c.b));
        return true;
    }

    // The material's colours; what it does not say is left unset, so that
    // drawing gives it the same defaults as our own formats' materials.
    void material(OBJECT3D& o, const aiMesh& mesh)
    {
        const aiMaterial* m = mesh.mMaterialIndex < ai.mNumMaterials ? ai.mMaterials[mesh.mMaterialIndex] : nullptr;
        float diffuse_alpha = 1.f;
        Vec3 c(0.8f, 0.8f, 0.8f);
        colour(m, AI_MATKEY_COLOR_DIFFUSE, c, &diffuse_alpha);
        o.T_diffuseColor = new Vec3[1]{c};
        o.m_nb_diffuse = 1;
        if (!colour_only) {
            if (colour(m, AI_MATKEY_COLOR_AMBIENT, c)) {
                o.T_ambientColor = new Vec3[1]{c};
                o.m_nb_ambient = 1;
            }
            if (colour(m, AI_MATKEY_COLOR_SPECULAR, c)) {
                o.T_specularColor = new Vec3[1]{c};
                o.m_nb_specular = 1;
            }
            if (colour(m, AI_MATKEY_COLOR_EMISSIVE, c)) {
                o.T_emissive = new Vec3[1]{c};
                o.m_nb_emissive = 1;
            }
            float shininess = 0.f;
            if (m && aiGetMaterialFloat(m, AI_MATKEY_SHININESS, &shininess) == AI_SUCCESS) {
                if (!(shininess >= 0.f)) shininess = 0.f;
                o.T_shininess = new float[1]{std::min(shininess, 128.f)};
                o.m_nb_shininess = 1;
            }
        }
        o.nbmaterial = 1;
        o.m_mat_binding = 1;
        float opacity = diffuse_alpha;
        if (m) {
            float v = 1.f;
            if (aiGetMaterialFloat(m, AI_MATKEY_OPACITY, &v) == AI_SUCCESS) opacity = std::min(opacity, v);
        }
        if (std::isfinite(opacity) && opacity < 1.f && opacity >= 0.f) {
            o.m_transparency = 1.f - opacity;
            o.m_transparent = o.m_transparency > 0.f;
        }
        if (!m) return;
        aiString path;
        if (m->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS ||
            m->GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS)
            textures.back() = path.C_Str();
    }

    // An embedded picture: a compressed file (PNG, JPEG...) goes through our
    // image readers from a file of its own for the time of the read; raw
    // texels become an image block directly.
    bool embedded_texture(OBJECT3D& o, const aiTexture& t, int number)
    {
        std::string ext = t.achFormatHint;
        for (char& c : ext) c = (char)std::tolower((unsigned char)c);
        if (ext == "jpeg") ext = "jpg";
        const std::string shown = loader.m_filename + "#texture" + std::to_string(number);
        int index = -1;
        if (scene.find_texture(shown + "." + ext, index) || scene.find_texture(shown + ".bmp", index)) {
            set_texture(o, shown, index);
            return true;
        }
        if (t.mHeight == 0) {
            if (ext != "png" && ext != "jpg" && ext != "bmp" && ext != "gif") {
                MessageBoxF("The embedded texture %d of %s is a \"%s\" picture, which cannot be read", number,
                            loader.m_filename.c_str(), t.achFormatHint);
                return false;
            }
            const char* tmpdir = std::getenv("TMPDIR");
            std::string tmpl = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/quorvel-texture-XXXXXX." + ext;
            std::vector<char> name(tmpl.begin(), tmpl.end());
            name.push_back(0);
            int fd = mkstemps(name.data(), (int)ext.size() + 1);
            if (fd < 0) {
                MessageBoxF("The embedded texture %d of %s cannot be read: no temporary file", number, loader.m_filename.c_str());
                return false;
            }
            const char* bytes = reinterpret_cast<const char*>(t.pcData);
            size_t left = t.mWidth, at = 0;
            bool written = true;
            while (left > 0) {
                ssize_t n = ::write(fd, bytes + at, left);
                if (n <= 0) {
                    written = false;
                    break;
                }
                at += (size_t)n;
                left -= (size_t)n;
            }
            ::close(fd);
            int ok = written && scene.add_texture(name.data(), index, o.m_transparency, o.m_transparent);
            ::unlink(name.data());
            if (!ok || index < 0) return false;
            scene.m_textures[(size_t)index]->name = shown + "." + ext;
            set_texture(o, shown + "." + ext, index);
            return true;
        }
        // Raw texels, blue-green-red-alpha, top line first.
        if (t.mWidth > 16384 || t.mHeight > 16384) return false;
        auto* img = new CTexture();
        if (!img->Alloc((int)t.mWidth, (int)t.mHeight, 32)) {
            delete img;
            return false;
        }
        const unsigned pitch = CTexture::ComputeWidthByte32(t.mWidth, 32);
        for (unsigned y = 0; y < t.mHeight; ++y) {
            unsigned char* row = img->data + (size_t)(t.mHeight - 1 - y) * pitch;
            for (unsigned x = 0; x < t.mWidth; ++x) {
                const aiTexel& px = t.pcData[(size_t)y * t.mWidth + x];
                row[x * 4 + 0] = px.b;
                row[x * 4 + 1] = px.g;
                row[x * 4 + 2] = px.r;
                row[x * 4 + 3] = px.a;
            }
        }
        img->name = shown + ".bmp";
        scene.m_textures.push_back(img);
        set_texture(o, img->name, (int)scene.m_textures.size() - 1);
        return true;
    }

    void set_texture(OBJECT3D& o, const std::string& name, int index)
    {
        o.m_texture_name = name;
        if (!o.m_texture) o.m_texture = new int32_t(-1);
        *o.m_texture = index;
        o.m_texture_mode = 1;
    }

    void texture(OBJECT3D& o, const std::string& path)
    {
        if (path.empty()) return;
        if (const aiTexture* t = ai.GetEmbeddedTexture(path.c_str())) {
            int number = 0;
            for (unsigned i = 0; i < ai.mNumTextures; ++i)
                if (ai.mTextures[i] == t) number = (int)i;
            embedded_texture(o, *t, number);
            return;
        }
        // A file named by the model, relative to the model's folder.
        std::string name = path;
        for (char& c : name)
            if (c == '\\') c = '/';
        o.m_texture_name = name;
        o.m_texture = new int32_t(-1);
        scene.add_texture(loader.resolve(name), *o.m_texture, o.m_transparency, o.m_transparent);
        o.m_texture_mode = 1;
    }

    // A new object named `name` holding the mesh's vertices placed by the node.
    static std::unique_ptr<OBJECT3D> placed_vertices(const aiMesh& mesh, const aiMatrix4x4& world,
                                                     const std::string& name)
    {
        auto o = std::make_unique<OBJECT3D>();
        o->m_name = name;
        o->nbpts = (int32_t)mesh.mNumVertices;
        o->m_vertices = new Vec3[mesh.mNumVertices];
        for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
            aiVector3D p = world * mesh.mVertices[i];
            o->m_vertices[i] = Vec3(p.x, p.y, p.z);
        }
        return o;
    }

    // A mesh of points alone (no face of three corners or more): one point
    // cloud object, its points placed by the node.
    void points(const aiMesh& mesh, const aiMatrix4x4& world, const std::string& name)
    {
        std::unique_ptr<OBJECT3D> o = placed_vertices(mesh, world, name);
        o->m_points_only = k_point_cloud;
        if (mesh.mColors[0]) {
            o->m_point_rgb = new uint8_t[(size_t)mesh.mNumVertices * 3];
            for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
                const aiColor4D& c = mesh.mColors[0][i];
                const float rgb[3] = {c.r, c.g, c.b};
                for (int k = 0; k < 3; ++k) {
                    const float v = std::isfinite(rgb[k]) ? std::min(std::max(rgb[k], 0.f), 1.f) : 0.f;
                    o->m_point_rgb[(size_t)i * 3 + k] = (uint8_t)(v * 255.f + 0.5f);
                }
            }
        }
        objects.push_back(o.release());
        textures.emplace_back();
    }

    bool mesh(const aiMesh& mesh, const aiMatrix4x4& world, const std::string& name)
    {
        if (!mesh.mVertices || mesh.mNumVertices == 0) return true;
        if (mesh.mNumVertices > k_max_vertices || mesh.mNumFaces > k_max_faces) {
            why = "a mesh of " + std::to_string(mesh.mNumVertices) + " vertices and " +
                  std::to_string(mesh.mNumFaces) + " faces is more than one object can hold";
            return false;
        }
        const bool only_points = !mesh.mFaces || mesh.mNumFaces == 0 ||
                                 mesh.mPrimitiveTypes == aiPrimitiveType_POINT;
        if (only_points) {
            points(mesh, world, name);
            return true;
        }
        size_t nindex = 0;
        int nface = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f)
            if (mesh.mFaces[f].mNumIndices >= 3 && mesh.mFaces[f].mIndices) {
                nindex += mesh.mFaces[f].mNumIndices + 1u;
                ++nface;
            }
        if (nface == 0) return true;
        if (nindex > (size_t)INT32_MAX) {
            why = "a mesh has more face corners than one object can hold";
            return false;
        }
        std::unique_ptr<OBJECT3D> o = placed_vertices(mesh, world, name);
        o->nbindex = (int32_t)nindex;
        o->nbface = nface;
        o->m_index = new int32_t[nindex];
        size_t k = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices < 3 || !face.mIndices) continue;
            // A corner naming no vertex keeps a number out of range, which
            // drawing and export leave out.
            for (unsigned c = 0; c < face.mNumIndices; ++c)
                o->m_index[k++] = (int32_t)std::min(face.mIndices[c], mesh.mNumVertices);
            o->m_index[k++] = -1;
        }
        if (mesh.mNormals) {
            aiMatrix3x3 nm(world);
            nm.Inverse().Transpose();
            o->m_normals = new Vec3[mesh.mNumVertices];
            o->nbnormal = (int32_t)mesh.mNumVertices;
            for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
                aiVector3D n = nm * mesh.mNormals[i];
                float len = n.Length();
                if (std::isfinite(len) && len > 0.f) n /= len;
                o->m_normals[i] = Vec3(n.x, n.y, n.z);
            }
            o->normalindex = new int32_t[nindex];
            std::memcpy(o->normalindex, o->m_index, nindex * sizeof(int32_t));
        }
        if (mesh.mTextureCoords[0]) {
            // The library's coordinates have t growing upwards in the picture;
            // the objects' t is drawn negated (m_tex_t_sign), which the
            // repeating textures show the same way.
            o->texvertex = new TexVertex[mesh.mNumVertices];
            o->nbtexvertex = (int32_t)mesh.mNumVertices;
            for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
                o->texvertex[i].s = mesh.mTextureCoords[0][i].x;
                o->texvertex[i].t = mesh.mTextureCoords[0][i].y;
            }
            o->texindex = new int32_t[nindex];
            std::memcpy(o->texindex, o->m_index, nindex * sizeof(int32_t));
        }
        objects.push_back(o.release());
        textures.emplace_back();
        material(*objects.back(), mesh);
        if (mesh.mColors[0]) vertex_colours(*objects.back(), mesh);
        return true;
    }

    // Vertex colours become face colours: each face takes the mean of its
    // corners' colours, and the distinct colours make the object's
    // materials.
    static void vertex_colours(OBJECT3D& o, const aiMesh& mesh)
    {
        std::map<uint32_t, int> palette;
        std::vector<Vec3> colours;
        std::vector<int32_t> face_material((size_t)o.nbface, 0);
        int face = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& fc = mesh.mFaces[f];
            if (fc.mNumIndices < 3 || !fc.mIndices) continue;
            float sum[3] = {0, 0, 0};
            for (unsigned c = 0; c < fc.mNumIndices; ++c) {
                const aiColor4D& col = mesh.mColors[0][std::min(fc.mIndices[c], mesh.mNumVertices - 1)];
                sum[0] += std::isfinite(col.r) ? col.r : 0.f;
                sum[1] += std::isfinite(col.g) ? col.g : 0.f;
                sum[2] += std::isfinite(col.b) ? col.b : 0.f;
            }
            uint32_t key = 0;
            for (int k = 0; k < 3; ++k) {
                float v = std::min(std::max(sum[k] / (float)fc.mNumIndices, 0.f), 1.f);
                key = key << 8 | (uint32_t)(v * 255.f + 0.5f);
            }
            auto found = palette.find(key);
            if (found == palette.end()) {
                found = palette.emplace(key, (int)colours.size()).first;
                colours.emplace_back((float)(key >> 16 & 255) / 255.f, (float)(key >> 8 & 255) / 255.f,
                                     (float)(key & 255) / 255.f);
            }
            face_material[(size_t)face++] = found->second;
        }
        if (colours.empty()) return;
        const int n = (int)colours.size();
        delete[] o.T_diffuseColor;
        o.T_diffuseColor = new Vec3[(size_t)n];
        std::copy(colours.begin(), colours.end(), o.T_diffuseColor);
        o.m_nb_diffuse = n;
        o.nbmaterial = n;
        o.m_mat_binding = n > 1 ? 2 : 1;
        o.m_materialindex = new int32_t[(size_t)o.nbface];
        std::copy(face_material.begin(), face_material.end(), o.m_materialindex);
    }

    bool node(const aiNode& n, const aiMatrix4x4& parent, int depth)
    {
        if (depth > 256) {
            why = "its nodes are nested more than 256 deep";
            return false;
        }
        const aiMatrix4x4 world = parent * n.mTransformation;
        const std::string node_name = n.mName.C_Str();
        for (unsigned i = 0; i < n.mNumMeshes; ++i) {
            if (!n.mMeshes || n.mMeshes[i] >= ai.mNumMeshes || !ai.mMeshes[n.mMeshes[i]]) continue;
            const aiMesh& m = *ai.mMeshes[n.mMeshes[i]];
            std::string name = node_name.empty() ? std::string(m.mName.C_Str()) : node_name;
            if (name.empty()) name = "mesh" + std::to_string(n.mMeshes[i]);
            if (n.mNumMeshes > 1) name += "_" + std::to_string(i);
            if (!mesh(m, world, name)) return false;
        }
        for (unsigned i = 0; i < n.mNumChildren; ++i)
            if (n.mChildren && n.mChildren[i] && !node(*n.mChildren[i], world, depth + 1)) return false;
        return true;
    }
};

std::string lower_ext(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string e = path.substr(dot);
    for (char& c : e) c = (char)std::tolower((unsigned char)c);
    return e;
}

// Leaves `importer` only the library's readers of files ending in `ext`.
// Otherwise a file the reader of its format declines is offered to every
// other reader whose signature it happens to show, readers of formats we
// never open, some of which read past the end of damaged input.
void keep_readers_of(Assimp::Importer& importer, const std::string& ext)
{
    std::vector<Assimp::BaseImporter*> others;
    bool any = false;
    for (size_t i = 0; i < importer.GetImporterCount(); ++i) {
        Assimp::BaseImporter* reader = importer.GetImporter(i);
        if (!reader) continue;
        std::set<std::string> exts;
        reader->GetExtensionList(exts);
        if (exts.count(ext)) any = true;
        else others.push_back(reader);
    }
    if (!any) return;   // none claims it: the library chooses as it would
    for (Assimp::BaseImporter* reader : others)
        if (importer.UnregisterLoader(reader) == aiReturn_SUCCESS) delete reader;
}

// The extension the library should take the file for.
std::string hint_of(const FileFormat& format)
{
    std::string e = format.extensions;
    size_t semi = e.find(';');
    if (semi != std::string::npos) e.resize(semi);
    return e.empty() ? e : e.substr(1);
}
} // namespace

int read_with_library(Scene& loader, SCENE3D& scene, const FileFormat& format)
{
    const std::string& path = loader.m_filename;
    const std::string kind = format.name;
    if (!loader.m_buf || loader.m_len <= 0) {
        refuse_file(kind.c_str(), "the file is empty", path);
        return 0;
    }
    std::string absurd = implausible_counts(loader.m_buf, (size_t)loader.m_len, format.id);
    if (!absurd.empty()) {
        refuse_file(kind.c_str(), absurd, path);
        return 0;
    }
    Assimp::Importer importer;
    keep_readers_of(importer, hint_of(format));
    // Only the library's check of its own result: its other steps end the
    // process on damaged input (their internal checks abort), and faces of
    // any corner count are ours to draw anyway. Points and lines are left
    // out below.
    // A PLY file of vertices alone is a point cloud, which the library's
    // check refuses (a mesh without faces): it is read without it, and only
    // its vertices are taken.
    const bool cloud = format.id == FormatId::Ply && ply_points_only(loader.m_buf, (size_t)loader.m_len);
    const unsigned flags = cloud ? 0u : (unsigned)aiProcess_ValidateDataStructure;
    // Formats that name other files (materials, buffers) are read from the
    // file itself when its name says what it holds, so that the library
    // finds them in its folder; everything else from the bytes already read.
    const std::string ext = lower_ext(path);
    struct stat st;
    const bool names_files = format.id == FormatId::Obj || format.id == FormatId::Gltf;
    const bool by_name = names_files && !loader.m_inflated && !ext.empty() &&
                         std::string(format.extensions).find(ext) != std::string::npos &&
                         ::stat(path.c_str(), &st) == 0 && st.st_size == (off_t)loader.m_len;
    const aiScene* ai = nullptr;
    if (by_name)
        ai = importer.ReadFile(path, flags);
    else
        ai = importer.ReadFileFromMemory(loader.m_buf, (size_t)loader.m_len, flags, hint_of(format).c_str());
    if (!ai || !ai->mRootNode) {
        refuse_file(kind.c_str(), trim_reason(importer.GetErrorString()), path);
        return 0;
    }
    Converter c{*ai, loader, scene, {}, {}, {}};
    c.colour_only = format.id == FormatId::Stl || format.id == FormatId::Ply || format.id == FormatId::Off;
    if (!c.node(*ai->mRootNode, aiMatrix4x4(), 0) || c.objects.empty()) {
        refuse_file(kind.c_str(), c.why.empty() ? std::string("it holds no faces and no points") : c.why, path);
        return 0;
    }
    // Textures go into the table of the scene's new content.
    scene.delete_objects();
    size_t taken = 0;
    for (size_t i = 0; i < c.objects.size(); ++i) {
        OBJECT3D* obj = c.objects[i];
        if (!scene.add_object(obj)) break;
        c.objects[i] = nullptr;
        ++taken;
        c.texture(*obj, c.textures[i]);
        obj->compute_bounds();
        obj->compute_center();
        scene.compute_world_bounds(scene.nbobjects - 1);
    }
    if (taken < c.objects.size())
        MessageBoxF("%s holds %zu meshes; only the first %zu are shown", path.c_str(), c.objects.size(), taken);
    scene.m_frame_on_open = 1;
    return 1;
}
