#include "model/solids.h"

#include <cmath>
#include <vector>

#include "math/matrix.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {

// Ring generators refuse segment counts no display could use.
constexpr int kMaxSegments = 1000000;

const Vec3 kUnitCube[8] = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1},
                           {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}};
const int32_t kCubeFaces[30] = {0, 1, 5, 4, -1, 1, 2, 6, 5, -1, 3, 7, 6, 2, -1,
                                0, 4, 7, 3, -1, 0, 3, 2, 1, -1, 4, 5, 6, 7, -1};
const int32_t kCubeTexIndex[30] = {0, 1, 2, 3, -1, 1, 0, 3, 2, -1, 0, 3, 2, 1, -1,
                                   0, 1, 2, 3, -1, 0, 1, 2, 3, -1, 0, 1, 2, 3, -1};
const TexVertex kSquareTex[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
const float kUnitSquare[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

void start(OBJECT3D& o, const std::string& name)
{
    o.forget_normals();
    o.m_name = name;
}

int set_colour(OBJECT3D& o, Vec3* list, int len, int material, uint32_t packed)
{
    if (o.nbpts <= 0 || !o.m_vertices || !list || material < 0 || material >= len) return 0;
    list[material] = unpack_colour(packed);
    o.m_needs_rebuild = 1;
    return 1;
}

} // namespace

int bind_texture(OBJECT3D& o, SCENE3D& scene, const std::string& file)
{
    // An empty name (a cancelled file dialog) means no texture; asking the
    // table for it would only report an unreadable file.
    if (file.empty()) return 0;
    if (!o.m_texture) o.m_texture = new int32_t(-1);
    // Drawn with the texture in its slot (untextured while the slot names
    // none), as the readers do.
    o.m_texture_mode = 1;
    scene.add_texture(file, *o.m_texture, o.m_transparency, o.m_transparent);
    return *o.m_texture >= 0 && scene.get_texture(*o.m_texture) != nullptr;
}

int MakeCube(OBJECT3D& o, SCENE3D& scene, const std::string& name, const std::string& texture)
{
    start(o, name);
    o.take_points(kUnitCube);
    o.take_faces(kCubeFaces);
    o.take_texture_coords(kSquareTex, kCubeTexIndex);
    bind_texture(o, scene, texture);
    o.m_needs_rebuild = 1;
    return 1;
}

int MakeCylinder(OBJECT3D& o, SCENE3D& scene, const std::string& name, const CylinderParams& p)
{
    const int n = p.n;
    if (n < 1 || n > kMaxSegments) return 0;
    start(o, name);
    std::vector<Vec3> pts((size_t)(2 * n));
    std::vector<TexVertex> tex((size_t)(2 * n));
    for (int i = 0; i < n; ++i) {
        const double a = (i * kTurn) / n;
        const float x = (float)(std::cos(a) * p.size.x + p.centre.x);
        const float y = (float)(std::sin(a) * p.size.y + p.centre.y);
        pts[(size_t)i] = Vec3(x, y, p.centre.z + 0.f);
        pts[(size_t)(n + i)] = Vec3(x, y, p.centre.z + p.size.z);
        const float u = (float)i / (float)n;
        tex[(size_t)i] = {u, 0.f};
        tex[(size_t)(n + i)] = {u, 1.f};
    }
    std::vector<int32_t> idx;
    idx.reserve((size_t)(5 * n));
    for (int i = 0; i < n - 1; ++i) idx.insert(idx.end(), {i, n + i, n + i + 1, i + 1, -1});
    idx.insert(idx.end(), {n - 1, 2 * n - 1, n, 0, -1});
    o.take_points(pts);
    o.take_faces(idx);
    o.take_texture_coords(tex, idx);
    bind_texture(o, scene, p.texture);
    return 1;
}

int MakeCone(OBJECT3D& o, const std::string& name, const ConeParams& p)
{
    const int n = p.n;
    if (n < 1 || n > kMaxSegments) return 0;
    start(o, name);
    std::vector<Vec3> pts((size_t)(2 * n));
    for (int i = 0; i < n; ++i) {
        const double a = (i * kTurn) / n;
        const double c = std::cos(a), s = std::sin(a);
        pts[(size_t)i] = Vec3((float)(c * p.bottom_radius), (float)(s * p.bottom_radius), 0.f);
        pts[(size_t)(n + i)] = Vec3((float)(c * p.top_radius), (float)(s * p.top_radius), p.height);
    }
    std::vector<int32_t> idx;
    idx.reserve((size_t)(5 * n));
    for (int i = 0; i < n - 1; ++i) idx.insert(idx.end(), {i, i + 1, n + i + 1, n + i, -1});
    idx.insert(idx.end(), {n - 1, 0, n, 2 * n - 1, -1});
    o.take_points(pts);
    o.take_faces(idx);
    o.take_texture_coords({}, {});
    return 1;
}

int MakeGrid(OBJECT3D& o, const GridParams& p)
{
    const int n = p.n, q = p.p;
    if (n < 1 || q < 1 || (long long)n * q > kMaxGridPoints) return 0;
    o.forget_normals();
    const int nbpts = n * q;
    std::vector<Vec3> pts((size_t)nbpts);
    for (int j = 0; j < q; ++j)
        for (int k = 0; k < n; ++k) pts[(size_t)(j * n + k)] = Vec3(k * p.ax, 0.f, j * p.az);
    std::vector<int32_t> idx;
    idx.reserve((size_t)(5 * (n - 1) * (q - 1)));
    for (int m = 0; m < nbpts - n - 1; ++m) {
        if ((m + 1) % n == 0) continue;   // last column: no quad to its right
        if (p.orientation == 1) idx.insert(idx.end(), {m, m + 1, m + 1 + n, m + n, -1});
        else idx.insert(idx.end(), {m, m + n, m + n + 1, m + 1, -1});
    }
    o.take_points(pts);
    o.take_faces(idx);
    o.take_texture_coords({}, {});
    o.m_list_built = 0;
    return 1;
}

int MakeRectangle(OBJECT3D& o, SCENE3D& scene, const std::string& name, const Vec3& origin,
                  const Vec3& size, const std::string& texture)
{
    start(o, name);
    Vec3 pts[4];
    for (int i = 0; i < 4; ++i)
        pts[i] = Vec3(kUnitSquare[i][0] * size.x + origin.x, kUnitSquare[i][1] * size.y + origin.y, origin.z);
    const int32_t face[5] = {0, 1, 2, 3, -1};
    o.take_points(pts);
    o.take_faces(face);
    o.take_texture_coords(kSquareTex, face);
    o.m_texture_name = texture;
    bind_texture(o, scene, texture);
    return 1;
}

int MakeTriangle(OBJECT3D& o, const std::string& name, const Vec3& origin, const Vec3& size)
{
    start(o, name);
    Vec3 pts[3];
    for (int i = 0; i < 3; ++i)
        pts[i] = Vec3(kUnitSquare[i][0] * size.x + origin.x, kUnitSquare[i][1] * size.y + origin.y, origin.z);
    const int32_t face[4] = {0, 1, 2, -1};
    o.take_points(pts);
    o.take_faces(face);
    o.take_texture_coords({}, {});
    return 1;
}

void ScalePoints(OBJECT3D& o, const Vec3& factor)
{
    if (!o.m_vertices) return;
    for (int i = 0; i < o.nbpts; ++i) o.m_vertices[i] *= factor;
}

void TranslatePoints(OBJECT3D& o, const Vec3& delta)
{
    if (!o.m_vertices) return;
    for (int i = 0; i < o.nbpts; ++i) o.m_vertices[i] += delta;
}

int TransformPoints(OBJECT3D& o, const CMatrix& m)
{
    if (m.rows != 3 || m.cols != 3) return 0;
    if (!o.m_vertices) return 1;
    CMatrix column(3, 1), out(3, 1);
    for (int i = 0; i < o.nbpts; ++i) {
        Vec3& v = o.m_vertices[i];
        column.Set(0, 0, v.x);
        column.Set(1, 0, v.y);
        column.Set(2, 0, v.z);
        out.Multiply(m, column);
        v = Vec3((float)out.Get(0, 0), (float)out.Get(1, 0), (float)out.Get(2, 0));
    }
    return 1;
}

Vec3 unpack_colour(uint32_t packed)
{
    return Vec3((float)(packed & 0xFF) / 255.f, (float)((packed >> 8) & 0xFF) / 255.f,
                (float)((packed >> 16) & 0xFF) / 255.f);
}

int SetAmbientColor(OBJECT3D& o, int material, uint32_t packed)
{
    return set_colour(o, o.T_ambientColor, o.m_nb_ambient, material, packed);
}

int SetDiffuseColor(OBJECT3D& o, int material, uint32_t packed)
{
    return set_colour(o, o.T_diffuseColor, o.m_nb_diffuse, material, packed);
}

int SetSpecularColor(OBJECT3D& o, int material, uint32_t packed)
{
    return set_colour(o, o.T_specularColor, o.m_nb_specular, material, packed);
}
