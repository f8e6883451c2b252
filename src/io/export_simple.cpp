// OBJ (with its MTL and pictures), binary STL and binary PLY: formats with
// no node transforms, so every object's placement is applied to its
// vertices and normals.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "base/cformat.h"
#include "base/report.h"
#include "base/safe_write.h"
#include "image/texture.h"
#include "io/export.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
bool put(FILE* f, const void* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f) == n; }

template <class T>
bool put_le(FILE* f, T v)
{
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));   // the program runs on little-endian machines only
    return put(f, b, sizeof(T));
}

// Every object with its placement applied, one at a time.
template <class Fn>
void for_each_baked(const SCENE3D& scene, bool colours, bool flat_normals, Fn fn)
{
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o) continue;
        const Placement p = object_placement(*o);
        fn(*o, export_mesh(*o, p.identity() ? nullptr : &p, colours, flat_normals));
    }
}

// Names usable in OBJ and MTL statements: no blanks.
std::string word(const std::string& name, const char* fallback)
{
    std::string out;
    for (char c : name) out += (c == ' ' || c == '\t' || c == '\n' || c == '\r') ? '_' : c;
    return out.empty() ? std::string(fallback) : out;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}
} // namespace

int export_stl(const SCENE3D& scene, const std::string& path, ExportSummary& summary)
{
    long long triangles = 0;
    for (int i = 0; i < scene.nbobjects; ++i)
        if (scene.m_objects[i]) triangles += held_triangles(*scene.m_objects[i]);
    if (triangles > 0xffffffffLL) {
        MessageBoxF("Cannot export %s: %lld triangles are more than an STL file can hold", path.c_str(), triangles);
        return 0;
    }
    summary.objects = 0;
    summary.triangles = 0;
    int ok = write_file_safely(path, [&](FILE* f) {
        char header[80] = {};
        std::snprintf(header, sizeof header, "binary STL written by Quorvel");
        if (!put(f, header, 80) || !put_le<uint32_t>(f, (uint32_t)triangles)) return false;
        bool good = true;
        long long written = 0;
        for_each_baked(scene, false, false, [&](const OBJECT3D&, const ExportMesh& m) {
            ++summary.objects;
            const float* p = m.positions.data();
            for (size_t t = 0; good && t + 2 < m.indices.size(); t += 3) {
                const float* a = p + 3 * (size_t)m.indices[t];
                const float* b = p + 3 * (size_t)m.indices[t + 1];
                const float* c = p + 3 * (size_t)m.indices[t + 2];
                double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
                double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
                double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
                double len = std::sqrt(nx * nx + ny * ny + nz * nz);
                float n[3] = {0.f, 0.f, 0.f};
                if (len > 0 && std::isfinite(len)) {
                    n[0] = (float)(nx / len);
                    n[1] = (float)(ny / len);
                    n[2] = (float)(nz / len);
                }
                unsigned char rec[50];
                std::memcpy(rec, n, 12);
                std::memcpy(rec + 12, a, 12);
                std::memcpy(rec + 24, b, 12);
                std::memcpy(rec + 36, c, 12);
                rec[48] = rec[49] = 0;
                good = put(f, rec, 50);
                ++written;
            }
        });
        summary.triangles = written;
        return good && written == triangles;
    });
    return ok;
}

int export_ply(const SCENE3D& scene, const std::string& path, ExportSummary& summary)
{
    // The objects are gathered first: the header gives the counts.
    std::vector<ExportMesh> meshes;
    size_t vertices = 0, faces = 0;
    bool tex = false;
    for_each_baked(scene, true, true, [&](const OBJECT3D&, ExportMesh m) {
        vertices += m.vertex_count();
        faces += m.indices.size() / 3;
        tex = tex || !m.texcoords.empty();
        meshes.push_back(std::move(m));
    });
    if (vertices > 0x7fffffffu || faces > 0x7fffffffu) {
        MessageBoxF("Cannot export %s: the scene is larger than a PLY file can index", path.c_str());
        return 0;
    }
    summary.objects = (int)meshes.size();
    summary.triangles = (long long)faces;
    return write_file_safely(path, [&](FILE* f) {
        std::string header = "ply\nformat binary_little_endian 1.0\ncomment written by Quorvel\n";
        header += "element vertex " + std::to_string(vertices) + "\n";
        header += "property float x\nproperty float y\nproperty float z\n";
        header += "property float nx\nproperty float ny\nproperty float nz\n";
        if (tex) header += "property float s\nproperty float t\n";
        header += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
        header += "element face " + std::to_string(faces) + "\n";
        header += "property list uchar int vertex_indices\nend_header\n";
        if (!put(f, header.data(), header.size())) return false;
        std::vector<unsigned char> rec;
        for (const ExportMesh& m : meshes) {
            const size_t n = m.vertex_count();
            for (size_t v = 0; v < n; ++v) {
                rec.clear();
                auto add = [&](const void* p, size_t b) {
                    const auto* c = static_cast<const unsigned char*>(p);
                    rec.insert(rec.end(), c, c + b);
                };
                add(&m.positions[3 * v], 12);
                if (m.normals.size() >= 3 * (v + 1)) add(&m.normals[3 * v], 12);
                else {
                    const float up[3] = {0.f, 0.f, 1.f};
                    add(up, 12);
                }
                if (tex) {
                    float st[2] = {0.f, 0.f};
                    if (m.texcoords.size() >= 2 * (v + 1)) {
                        st[0] = m.texcoords[2 * v];
                        st[1] = 1.f - m.texcoords[2 * v + 1];   // t grows upwards in PLY
                    }
                    add(st, 8);
                }
                add(&m.colours[3 * v], 3);
                if (!put(f, rec.data(), rec.size())) return false;
            }
        }
        uint32_t base = 0;
        for (const ExportMesh& m : meshes) {
            for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
                unsigned char rec3[13];
                rec3[0] = 3;
                for (int k = 0; k < 3; ++k) {
                    int32_t idx = (int32_t)(base + m.indices[t + (size_t)k]);
                    std::memcpy(rec3 + 1 + 4 * k, &idx, 4);
                }
                if (!put(f, rec3, 13)) return false;
            }
            base += (uint32_t)m.vertex_count();
        }
        return true;
    });
}

int export_obj(const SCENE3D& scene, const std::string& path, ExportSummary& summary)
{
    std::string folder, stem;
    split_path(path, folder, stem);
    const std::string mtl_name = stem + ".mtl";

    // Pictures beside the OBJ, one per texture of the scene used.
    std::map<int, std::string> picture_file;
    std::vector<std::string> created;
    auto undo = [&] {
        for (const std::string& c : created) ::unlink(c.c_str());
        return 0;
    };
    std::string mtl = "# written by Quorvel\n";
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o) continue;
        const std::string mat = "m" + std::to_string(i) + "_" + word(o->m_name, "object");
        const Vec3* d = o->diffuse(0);
        const Vec3* a = o->ambient(0);
        const Vec3* s = o->specular(0);
        const Vec3* e = o->emissive(0);
        auto rgb = [](const Vec3* c, float r, float g, float b) {
            return qv_format("%.6g %.6g %.6g", c ? c->x : r, c ? c->y : g, c ? c->z : b);
        };
        mtl += "newmtl " + mat + "\n";
        // What the object does not say is written as drawing shows it.
        const float* sh = o->shininess(0);
        mtl += "Ka " + rgb(a, 0.2f, 0.2f, 0.2f) + "\n";
        mtl += "Kd " + rgb(d, 1.f, 1.f, 1.f) + "\n";
        mtl += "Ks " + rgb(s, 0.2f, 0.2f, 0.2f) + "\n";
        mtl += "Ke " + rgb(e, 0.f, 0.f, 0.f) + "\n";
        mtl += qv_format("Ns %.6g\n", sh && std::isfinite(*sh) ? std::min(std::max((double)*sh, 0.0), 128.0) : 0.0);
        mtl += qv_format("d %.6g\n", o->m_transparency > 0.f ? 1.0 - std::min(1.0, (double)o->m_transparency) : 1.0);
        int tex_index = -1;
        if (const CTexture* t = object_texture(scene, *o, &tex_index)) {
            auto found = picture_file.find(tex_index);
            if (found == picture_file.end()) {
                ExportPicture pic = export_picture(*t);
                std::string file;
                if (!pic.bytes.empty()) {
                    file = stem + "_" + std::to_string(picture_file.size()) + pic.ext;
                    const std::string p = folder + file;
                    const bool was = exists(p);
                    if (!write_file_safely(p, [&](FILE* f) { return put(f, pic.bytes.data(), pic.bytes.size()); }))
                        return undo();
                    if (!was) created.push_back(p);
                }
                found = picture_file.emplace(tex_index, file).first;
            }
            if (!found->second.empty()) mtl += "map_Kd " + found->second + "\n";
        }
        mtl += "\n";
    }
    {
        const std::string p = folder + mtl_name;
        const bool was = exists(p);
        if (!write_file_safely(p, [&](FILE* f) { return put(f, mtl.data(), mtl.size()); })) return undo();
        if (!was) created.push_back(p);
    }
    summary.objects = 0;
    summary.triangles = 0;
    int ok = write_file_safely(path, [&](FILE* f) {
        if (qv_fprintf(f, "# written by Quorvel\nmtllib %s\n", mtl_name.c_str()) < 0) return false;
        size_t base_v = 1, base_n = 1, base_t = 1;
        int i = -1;
        bool good = true;
        char line[160];
        for_each_baked(scene, false, false, [&](const OBJECT3D& o, const ExportMesh& m) {
            ++i;
            while (i < scene.nbobjects && scene.m_objects[i] != &o) ++i;
            if (!good) return;
            ++summary.objects;
            summary.triangles += (long long)(m.indices.size() / 3);
            good = qv_fprintf(f, "o %s\nusemtl m%d_%s\n", word(o.m_name, "object").c_str(), i,
                              word(o.m_name, "object").c_str()) >= 0;
            const size_t n = m.vertex_count();
            for (size_t v = 0; good && v < n; ++v) {
                int len = qv_snprintf(line, sizeof line, "v %.7g %.7g %.7g\n", m.positions[3 * v], m.positions[3 * v + 1],
                                      m.positions[3 * v + 2]);
                good = len > 0 && put(f, line, (size_t)len);
            }
            const bool has_n = !m.normals.empty(), has_t = !m.texcoords.empty();
            for (size_t v = 0; good && has_n && v < n; ++v) {
                int len = qv_snprintf(line, sizeof line, "vn %.6g %.6g %.6g\n", m.normals[3 * v], m.normals[3 * v + 1],
                                      m.normals[3 * v + 2]);
                good = len > 0 && put(f, line, (size_t)len);
            }
            for (size_t v = 0; good && has_t && v < n; ++v) {
                // OBJ counts t upwards from the picture's bottom line.
                int len = qv_snprintf(line, sizeof line, "vt %.6g %.6g\n", m.texcoords[2 * v], 1.f - m.texcoords[2 * v + 1]);
                good = len > 0 && put(f, line, (size_t)len);
            }
            for (size_t t = 0; good && t + 2 < m.indices.size(); t += 3) {
                std::string face = "f";
                for (int k = 0; k < 3; ++k) {
                    const size_t idx = m.indices[t + (size_t)k];
                    face += " " + std::to_string(base_v + idx);
                    if (has_t || has_n) face += "/" + (has_t ? std::to_string(base_t + idx) : std::string());
                    if (has_n) face += "/" + std::to_string(base_n + idx);
                }
                face += "\n";
                good = put(f, face.data(), face.size());
            }
            base_v += n;
            if (has_n) base_n += n;
            if (has_t) base_t += n;
        });
        return good;
    });
    if (!ok) return undo();
    return 1;
}
