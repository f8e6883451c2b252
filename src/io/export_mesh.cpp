// The parts of the exports that do not depend on the format: the scene's
// objects as triangle meshes, their placement and their pictures, and the
// choice of the writer by the file's extension.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <stb/stb_image_write.h>

#include "base/file_lookup.h"
#include "base/report.h"
#include "image/texture.h"
#include "io/export.h"
#include "io/formats.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
constexpr double k_deg = 3.14159265358979323846 / 180.0;

void mul(const double a[16], const double b[16], double out[16])
{
    double r[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a[k * 4 + row] * b[c * 4 + k];
            r[c * 4 + row] = s;
        }
    std::memcpy(out, r, sizeof r);
}

void identity(double m[16])
{
    std::fill(m, m + 16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1.0;
}

// As glRotate: angle in degrees about an axis (a zero axis turns nothing).
void rotation(double angle, const Vec3& axis, double m[16])
{
    identity(m);
    double x = axis.x, y = axis.y, z = axis.z;
    double len = std::sqrt(x * x + y * y + z * z);
    if (!(len > 0) || !std::isfinite(len) || !std::isfinite(angle) || angle == 0) return;
    x /= len;
    y /= len;
    z /= len;
    double c = std::cos(angle * k_deg), s = std::sin(angle * k_deg), t = 1 - c;
    m[0] = x * x * t + c;
    m[1] = y * x * t + z * s;
    m[2] = x * z * t - y * s;
    m[4] = x * y * t - z * s;
    m[5] = y * y * t + c;
    m[6] = y * z * t + x * s;
    m[8] = x * z * t + y * s;
    m[9] = y * z * t - x * s;
    m[10] = z * z * t + c;
}

float finite(float v) { return std::isfinite(v) ? v : 0.f; }

struct Normal3 {
    float x, y, z;
};

Normal3 unit(double x, double y, double z)
{
    double len = std::sqrt(x * x + y * y + z * z);
    if (!(len > 1e-20) || !std::isfinite(len)) return {0.f, 0.f, 1.f};
    return {(float)(x / len), (float)(y / len), (float)(z / len)};
}

// The normal matrix of a placement: the inverse transpose of its 3x3 part.
void normal_matrix(const double m[16], double n[9])
{
    const double a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
    const double A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const double D = -(b * i - c * h), E = a * i - c * g, F = -(a * h - b * g);
    const double G = b * f - c * e, H = -(a * f - c * d), I = a * e - b * d;
    // Rows of the inverse transpose are the cofactors (the determinant only
    // scales, and the normals are made unit again).
    n[0] = A; n[1] = B; n[2] = C;
    n[3] = D; n[4] = E; n[5] = F;
    n[6] = G; n[7] = H; n[8] = I;
}

// Which corners of the object are drawn, and with what.
struct Corners {
    const OBJECT3D& o;
    const Vec3* normals = nullptr;
    const int32_t* nindex = nullptr;
    int nnormals = 0;
    const int32_t* tindex = nullptr;
    int ntex = 0;

    explicit Corners(const OBJECT3D& obj) : o(obj)
    {
        if (!o.m_lighting) return;
        if (o.m_norm_binding == 1) {
            if (o.m_vertex_normals && o.m_vertex_normalindex) {
                normals = o.m_vertex_normals;
                nindex = o.m_vertex_normalindex;
                nnormals = o.nbpts;
            }
        } else if (o.m_normals && o.normalindex && o.nbnormal > 0) {
            normals = o.m_normals;
            nindex = o.normalindex;
            nnormals = o.nbnormal;
        }
        if (o.texvertex && o.texindex && o.nbtexvertex > 0) {
            tindex = o.texindex;
            ntex = o.nbtexvertex;
        }
    }
    bool ok(int k) const
    {
        int v = o.m_index[k];
        if (v < 0 || v >= o.nbpts) return false;
        if (nindex && (unsigned)nindex[k] >= (unsigned)nnormals) return false;
        if (tindex && (unsigned)tindex[k] >= (unsigned)ntex) return false;
        return true;
    }
    bool usable() const { return o.m_index && o.m_vertices && o.nbpts > 0 && o.nbindex > 0; }
};

// Calls fn(first, count) for every face: the positions in m_index of its
// usable corners are in `corners`.
template <class Fn>
void for_each_face(const Corners& c, std::vector<int>& corners, Fn fn)
{
    const OBJECT3D& o = c.o;
    int face = 0;
    for (int pos = 0; pos < o.nbindex; ++face) {
        corners.clear();
        int end = pos;
        for (; end < o.nbindex && o.m_index[end] != -1; ++end)
            if (c.ok(end)) corners.push_back(end);
        if (corners.size() >= 3) fn(face);
        pos = end + 1;
    }
}
} // namespace

bool Placement::identity() const
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5) == 0 ? 1.0 : 0.0)) return false;
    return true;
}

bool Placement::decompose(double t[3], double q[4], double s[3]) const
{
    if (m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1) return false;
    for (double v : m)
        if (!std::isfinite(v)) return false;
    t[0] = m[12];
    t[1] = m[13];
    t[2] = m[14];
    double r[9];
    for (int c = 0; c < 3; ++c) {
        s[c] = std::sqrt(m[c * 4] * m[c * 4] + m[c * 4 + 1] * m[c * 4 + 1] + m[c * 4 + 2] * m[c * 4 + 2]);
        if (!(s[c] > 1e-12)) return false;
    }
    const double det = m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
                       m[8] * (m[1] * m[6] - m[5] * m[2]);
    if (det < 0) s[0] = -s[0];
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row) r[c * 3 + row] = m[c * 4 + row] / s[c];
    // The columns must be orthonormal: otherwise the matrix shears.
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            double dot = r[a * 3] * r[b * 3] + r[a * 3 + 1] * r[b * 3 + 1] + r[a * 3 + 2] * r[b * 3 + 2];
            if (std::fabs(dot - (a == b ? 1.0 : 0.0)) > 1e-5) return false;
        }
    // Rotation matrix (column-major r[c*3+row]) to a unit quaternion.
    const double m00 = r[0], m11 = r[4], m22 = r[8];
    const double m01 = r[3], m10 = r[1], m02 = r[6], m20 = r[2], m12 = r[7], m21 = r[5];
    const double tr = m00 + m11 + m22;
    if (tr > 0) {
        double k = std::sqrt(tr + 1.0) * 2;
        q[3] = 0.25 * k;
        q[0] = (m21 - m12) / k;
        q[1] = (m02 - m20) / k;
        q[2] = (m10 - m01) / k;
    } else if (m00 > m11 && m00 > m22) {
        double k = std::sqrt(1.0 + m00 - m11 - m22) * 2;
        q[3] = (m21 - m12) / k;
        q[0] = 0.25 * k;
        q[1] = (m01 + m10) / k;
        q[2] = (m02 + m20) / k;
    } else if (m11 > m22) {
        double k = std::sqrt(1.0 + m11 - m00 - m22) * 2;
        q[3] = (m02 - m20) / k;
        q[0] = (m01 + m10) / k;
        q[1] = 0.25 * k;
        q[2] = (m12 + m21) / k;
    } else {
        double k = std::sqrt(1.0 + m22 - m00 - m11) * 2;
        q[3] = (m10 - m01) / k;
        q[0] = (m02 + m20) / k;
        q[1] = (m12 + m21) / k;
        q[2] = 0.25 * k;
    }
    double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (int i = 0; i < 4; ++i) q[i] /= len;
    return true;
}

Placement object_placement(const OBJECT3D& o)
{
    Placement p;
    identity(p.m);
    if (o.m_has_matrix)
        for (int i = 0; i < 16; ++i) p.m[i] = o.m_matrix[i];
    double t[16], r[16], so[16], sinv[16], s[16];
    identity(t);
    t[12] = o.translation.x;
    t[13] = o.translation.y;
    t[14] = o.translation.z;
    rotation(o.angle, o.rotation, r);
    rotation(-o.m_scale_angle, o.m_scale_axis, sinv);
    rotation(o.m_scale_angle, o.m_scale_axis, so);
    identity(s);
    s[0] = o.echelle.x;
    s[5] = o.echelle.y;
    s[10] = o.echelle.z;
    mul(p.m, t, p.m);
    mul(p.m, r, p.m);
    mul(p.m, sinv, p.m);
    mul(p.m, s, p.m);
    mul(p.m, so, p.m);
    return p;
}

long long held_triangles(const OBJECT3D& o)
{
    Corners c(o);
    if (!c.usable()) return 0;
    long long n = 0;
    std::vector<int> corners;
    for_each_face(c, corners, [&](int) { n += (long long)corners.size() - 2; });
    return n;
}

ExportMesh export_mesh(const OBJECT3D& o, const Placement* bake, bool colours, bool flat_normals)
{
    ExportMesh out;
    out.name = o.m_name;
    Corners c(o);
    if (!c.usable()) return out;
    std::vector<int> corners;
    corners.reserve(8);

    // Normals given face by face (every corner of a face the same entry)
    // are the flat shading that readers of the formats compute themselves.
    bool face_normals = c.nindex != nullptr;
    if (c.nindex)
        for_each_face(c, corners, [&](int) {
            for (int k : corners)
                if (c.nindex[k] != c.nindex[corners[0]]) face_normals = false;
        });
    const bool with_normals = c.nindex && !face_normals;
    const bool with_tex = c.tindex != nullptr;
    const bool flat = !with_normals && flat_normals;

    // Vertices shared by their faces when every face gives a vertex the
    // same normal and texture coordinate; else one vertex per corner.
    bool shared = !flat;
    if (shared && (with_normals || with_tex)) {
        std::vector<int32_t> seen_n(with_normals ? (size_t)o.nbpts : 0, -1), seen_t(with_tex ? (size_t)o.nbpts : 0, -1);
        for_each_face(c, corners, [&](int) {
            if (!shared) return;
            for (int k : corners) {
                const int v = o.m_index[k];
                if (with_normals) {
                    if (seen_n[(size_t)v] < 0) seen_n[(size_t)v] = c.nindex[k];
                    else if (seen_n[(size_t)v] != c.nindex[k]) shared = false;
                }
                if (with_tex) {
                    if (seen_t[(size_t)v] < 0) seen_t[(size_t)v] = c.tindex[k];
                    else if (seen_t[(size_t)v] != c.tindex[k]) shared = false;
                }
            }
        });
    }

    double nm[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (bake) normal_matrix(bake->m, nm);
    auto position = [&](int v, float* dst) {
        const Vec3& p = o.m_vertices[v];
        double x = finite(p.x), y = finite(p.y), z = finite(p.z);
        if (bake) {
            const double* m = bake->m;
            double X = m[0] * x + m[4] * y + m[8] * z + m[12];
            double Y = m[1] * x + m[5] * y + m[9] * z + m[13];
            double Z = m[2] * x + m[6] * y + m[10] * z + m[14];
            double W = m[3] * x + m[7] * y + m[11] * z + m[15];
            if (W != 0 && W != 1) {
                X /= W;
                Y /= W;
                Z /= W;
            }
            x = X;
            y = Y;
            z = Z;
        }
        dst[0] = finite((float)x);
        dst[1] = finite((float)y);
        dst[2] = finite((float)z);
    };
    auto normal = [&](const Vec3& n) {
        double x = finite(n.x), y = finite(n.y), z = finite(n.z);
        return unit(nm[0] * x + nm[1] * y + nm[2] * z, nm[3] * x + nm[4] * y + nm[5] * z,
                    nm[6] * x + nm[7] * y + nm[8] * z);
    };
    const float tsign = o.m_tex_t_sign < 0 ? -1.f : 1.f;
    auto colour_of = [&](int face, uint8_t* dst) {
        int m = o.m_materialindex && face < o.nbface ? o.m_materialindex[face] : 0;
        if (m < 0 || m >= o.nbmaterial) m = 0;
        const Vec3* d = o.diffuse(m);
        const float rgb[3] = {d ? d->x : 1.f, d ? d->y : 1.f, d ? d->z : 1.f};
        for (int i = 0; i < 3; ++i) dst[i] = (uint8_t)(std::min(std::max(finite(rgb[i]), 0.f), 1.f) * 255.f);
    };

    std::vector<int32_t> map(shared ? (size_t)o.nbpts : 0, -1);
    auto add_vertex = [&](int k, int face, const Normal3* flat_n) -> uint32_t {
        const int v = o.m_index[k];
        if (shared && map[(size_t)v] >= 0) return (uint32_t)map[(size_t)v];
        const uint32_t id = (uint32_t)(out.positions.size() / 3);
        out.positions.resize(out.positions.size() + 3);
        position(v, &out.positions[out.positions.size() - 3]);
        if (with_normals) {
            Normal3 n = normal(c.normals[c.nindex[k]]);
            out.normals.insert(out.normals.end(), {n.x, n.y, n.z});
        } else if (flat_n) {
            out.normals.insert(out.normals.end(), {flat_n->x, flat_n->y, flat_n->z});
        }
        if (with_tex) {
            const TexVertex& t = o.texvertex[c.tindex[k]];
            // The picture's first line is drawn at t * sign = 0; the formats
            // count v down from the top line.
            float tv = finite(t.t) * tsign;
            out.texcoords.insert(out.texcoords.end(), {finite(t.s), tsign < 0 ? 1.f + tv : tv});
        }
        if (colours) {
            out.colours.resize(out.colours.size() + 3);
            colour_of(face, &out.colours[out.colours.size() - 3]);
        }
        if (shared) map[(size_t)v] = (int32_t)id;
        return id;
    };

    for_each_face(c, corners, [&](int face) {
        Normal3 fn{0.f, 0.f, 1.f};
        if (flat) {
            // Newell's normal of the face, in the exported coordinates.
            double nx = 0, ny = 0, nz = 0;
            float a[3], b[3];
            for (size_t i = 0; i < corners.size(); ++i) {
                position(o.m_index[corners[i]], a);
                position(o.m_index[corners[(i + 1) % corners.size()]], b);
                nx += ((double)a[1] - b[1]) * ((double)a[2] + b[2]);
                ny += ((double)a[2] - b[2]) * ((double)a[0] + b[0]);
                nz += ((double)a[0] - b[0]) * ((double)a[1] + b[1]);
            }
            fn = unit(nx, ny, nz);
        }
        const uint32_t first = add_vertex(corners[0], face, flat ? &fn : nullptr);
        uint32_t prev = add_vertex(corners[1], face, flat ? &fn : nullptr);
        for (size_t i = 2; i < corners.size(); ++i) {
            uint32_t cur = add_vertex(corners[i], face, flat ? &fn : nullptr);
            out.indices.insert(out.indices.end(), {first, prev, cur});
            prev = cur;
        }
    });
    if (!out.positions.empty()) {
        for (int a = 0; a < 3; ++a) out.min[a] = out.max[a] = out.positions[(size_t)a];
        for (size_t i = 0; i < out.positions.size(); i += 3)
            for (int a = 0; a < 3; ++a) {
                out.min[a] = std::min(out.min[a], out.positions[i + (size_t)a]);
                out.max[a] = std::max(out.max[a], out.positions[i + (size_t)a]);
            }
    }
    return out;
}

const CTexture* object_texture(const SCENE3D& scene, const OBJECT3D& o, int* index)
{
    if (o.m_texture_mode == -1 || !o.m_texture || *o.m_texture < 0) return nullptr;
    const CTexture* t = scene.get_texture(*o.m_texture);
    if (!t || !t->GetData() || t->GetWidth() <= 0 || t->GetHeight() <= 0) return nullptr;
    if (index) *index = *o.m_texture;
    return t;
}

namespace {
std::vector<unsigned char> file_bytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) return bytes;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

void append_png(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* p = static_cast<const unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}
} // namespace

void split_path(const std::string& path, std::string& folder, std::string& stem)
{
    size_t slash = path.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    stem = dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

ExportPicture export_picture(const CTexture& t)
{
    ExportPicture pic;
    // The picture's own file, when it is one the formats take as it is and
    // the image was not changed (an alpha layer added, a resampling).
    std::string lower = t.name;
    for (char& ch : lower) ch = (char)std::tolower((unsigned char)ch);
    auto ends = [&](const char* e) {
        size_t n = std::strlen(e);
        return lower.size() > n && lower.compare(lower.size() - n, n, e) == 0;
    };
    const bool png = ends(".png"), jpg = ends(".jpg") || ends(".jpeg");
    if ((png || jpg) && t.depth == 24) {
        pic.bytes = file_bytes(t.name);
        if (!pic.bytes.empty()) {
            pic.mime = png ? "image/png" : "image/jpeg";
            pic.ext = png ? ".png" : ".jpg";
            return pic;
        }
    }
    if (t.depth != 24 && t.depth != 32) return pic;
    const int w = t.GetWidth(), h = t.GetHeight(), comp = t.depth / 8;
    const size_t pitch = CTexture::ComputeWidthByte32((unsigned)w, (unsigned)t.depth);
    std::vector<unsigned char> rgba((size_t)w * (size_t)h * (size_t)comp);
    const bool dib = t.IsDibOrdered();
    for (int y = 0; y < h; ++y) {
        const unsigned char* src = t.GetData() + (size_t)(dib ? h - 1 - y : y) * pitch;
        unsigned char* dst = rgba.data() + (size_t)y * (size_t)w * (size_t)comp;
        for (int x = 0; x < w; ++x, src += comp, dst += comp) {
            dst[0] = dib ? src[2] : src[0];
            dst[1] = src[1];
            dst[2] = dib ? src[0] : src[2];
            if (comp == 4) dst[3] = src[3];
        }
    }
    if (!stbi_write_png_to_func(append_png, &pic.bytes, w, h, comp, rgba.data(), w * comp)) {
        pic.bytes.clear();
        return pic;
    }
    pic.mime = "image/png";
    pic.ext = ".png";
    return pic;
}

int export_scene(const SCENE3D& scene, const std::string& path) { return export_scene(scene, path, nullptr); }

int export_scene(const SCENE3D& scene, const std::string& path, ExportSummary* summary)
{
    ExportSummary local;
    ExportSummary& s = summary ? *summary : local;
    const FileFormat* f = export_format_for(path);
    if (!f) {
        MessageBoxF("Cannot export to %s: the name must end with one of %s", path.c_str(),
                    export_extensions_text().c_str());
        return 0;
    }
    // The writers take faces: point sets are not written. A scene of points
    // alone is refused rather than written empty; otherwise the file is
    // written and the message says what it lacks.
    int point_sets = 0;
    long long triangles = 0;
    for (int i = 0; i < scene.nbobjects; ++i)
        if (const OBJECT3D* o = scene.m_objects[i]) {
            if (o->m_points_only && o->nbpts > 0) ++point_sets;
            else triangles += held_triangles(*o);
        }
    if (point_sets > 0 && triangles == 0) {
        MessageBoxF("Cannot export %s: the scene holds only points, and the export writes faces", path.c_str());
        return 0;
    }
    int written = 0;
    switch (f->id) {
    case FormatId::Glb: written = export_gltf(scene, path, true, s); break;
    case FormatId::Gltf: written = export_gltf(scene, path, false, s); break;
    case FormatId::Obj: written = export_obj(scene, path, s); break;
    case FormatId::Stl: written = export_stl(scene, path, s); break;
    case FormatId::Ply: written = export_ply(scene, path, s); break;
    default:
        MessageBoxF("Cannot export to %s", path.c_str());
        return 0;
    }
    if (written && point_sets > 0)
        MessageBoxF("%s is written without the scene's %d point set%s: the export writes faces", path.c_str(),
                    point_sets, point_sets > 1 ? "s" : "");
    return written;
}
