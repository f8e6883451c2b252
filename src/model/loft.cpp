#include "model/loft.h"

#include <cmath>
#include <vector>

#include "base/data_files.h"
#include "math/matrix.h"
#include "model/solids.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
struct XY {
    float x, y;
};
// Boat cross-section (x, y) and longitudinal profile (station, width).
const XY kSection[9] = {{-8, 0}, {-7, -1}, {-4.5f, -1.65f}, {-2, -1.86f}, {0, -2},
                        {2, -1.86f}, {4.5f, -1.65f}, {7, -1}, {8, 0}};
const XY kProfile[7] = {{0, 0}, {1.3f, 0.52f}, {3.85f, 0.9f}, {8.5f, 1.3f},
                        {12.4f, 1.08f}, {15.2f, 0.56f}, {17.2f, 0}};
// 0.02 as the single-precision value of the hull's texture mapping.
constexpr float kHullTexStep = 0.02f;

int append(SCENE3D& scene, OBJECT3D* o) { return scene.append_generated(o); }

} // namespace

int MakeHull(OBJECT3D& o, SCENE3D& scene, const std::string& name, int orientation, const std::string& texture_file)
{
    GridParams grid;
    grid.ax = grid.az = 10.f;
    grid.n = 9;
    grid.p = 7;
    grid.orientation = orientation;
    MakeGrid(o, grid);
    o.m_name = name;
    std::vector<TexVertex> tex(63);
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 9; ++j) {
            Vec3& v = o.m_vertices[9 * i + j];
            v = Vec3((kProfile[i].y + 1) * kSection[j].x, kSection[j].y, kProfile[i].x * 10);
            tex[(size_t)(9 * i + j)] = {(v.x + 10) * kHullTexStep, v.z * kHullTexStep};
        }
    o.take_texture_coords(tex, std::span<const int32_t>(o.m_index, (size_t)o.nbindex));
    o.m_texture_name = texture_file;
    bind_texture(o, scene, texture_file);
    return 1;
}

int MakePanorama(OBJECT3D& o, SCENE3D& scene, const std::string& name, const Vec3& size, const std::string& picture)
{
    const int n = kPanoramaSegments;
    CylinderParams cyl;
    cyl.n = n;
    cyl.centre = Vec3(0, 0, 0);
    cyl.size = size;
    cyl.texture = picture;
    MakeCylinder(o, scene, name, cyl);
    // A quarter turn about x (the double -pi/2) stands the axis along y.
    const double a = -1.5707963267948966;
    CMatrix rot(3, 3);
    rot.Set(0, 0, 1);
    rot.Set(1, 1, std::cos(a));
    rot.Set(1, 2, -std::sin(a));
    rot.Set(2, 1, std::sin(a));
    rot.Set(2, 2, std::cos(a));
    TransformPoints(o, rot);
    std::vector<TexVertex> tex((size_t)(2 * n + 2));
    for (int i = 0; i < n; ++i) {
        tex[(size_t)i] = {(float)i / (float)n, 0.f};
        tex[(size_t)(n + i)] = {(float)i / (float)n, 1.f};
    }
    tex[(size_t)(2 * n)] = {1.f, 1.f};
    tex[(size_t)(2 * n + 1)] = {1.f, 0.f};
    std::vector<int32_t> ti(o.m_index, o.m_index + o.nbindex);
    // The closing quad takes u = 1 on its last two corners, so the picture
    // does not run backwards across the seam.
    ti[(size_t)(o.nbindex - 3)] = 2 * n;
    ti[(size_t)(o.nbindex - 2)] = 2 * n + 1;
    o.take_texture_coords(tex, ti);
    if (!picture.empty()) bind_texture(o, scene, picture);
    o.m_needs_rebuild = 1;
    return 1;
}

int AddLoft(SCENE3D& scene, const std::string& folder)
{
    const std::string pattern = data_file_or_name("pirogue_pattern_quad_1.bmp", folder);
    OBJECT3D* outer = new OBJECT3D();
    OBJECT3D* inner = new OBJECT3D();
    MakeHull(*outer, scene, "Bateau", 1, pattern);
    MakeHull(*inner, scene, "Bateau", 0, pattern);
    TranslatePoints(*outer, Vec3(0.f, 0.2f, 0.f));
    outer->m_needs_rebuild = inner->m_needs_rebuild = 1;
    if (scene.nbobjects + scene.m_nbboxes + 2 > scene.m_capacity) {
        delete outer;
        delete inner;
        return 0;
    }
    return append(scene, outer) + append(scene, inner);
}

int AddPanorama(SCENE3D& scene, const std::string& picture, const Vec3& size)
{
    if (scene.nbobjects == 1) scene.remove_object(0);
    OBJECT3D* o = new OBJECT3D();
    MakePanorama(*o, scene, "pano", size, picture);
    TranslatePoints(*o, Vec3(0.f, -size.z / 2, 20.f));
    if (!append(scene, o)) return 0;
    scene.m_collision = 1;
    scene.m_collision_off = 0;
    return 1;
}

bool panorama_accepts(const SCENE3D& scene, const Vec3& pos, float radius_x)
{
    if (scene.m_collision_off == 1 || scene.m_collision != 1) return true;
    const double R = radius_x;
    const double x = pos.x, y = pos.y, z = pos.z;
    if (x * x + (z + 20) * (z + 20) - (R - 3) * (R - 3) > 0) return false;
    if (y > 3 || y < -3) return false;
    return true;
}
