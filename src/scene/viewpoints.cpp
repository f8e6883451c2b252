#include "scene/viewpoints.h"

#include <algorithm>
#include <cmath>

#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
constexpr double k_pi = 3.14159265358979323846;
constexpr double k_deg = 180.0 / k_pi;

// The object of entry `entry`, or null.
OBJECT3D* entry_object(const SCENE3D& scene, int entry)
{
    if (entry < 0) return nullptr;
    for (int i = 0; i < scene.nbobjects; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (o && o->m_viewpoint && entry-- == 0) return o;
    }
    return nullptr;
}

void identity(double r[9])
{
    for (int i = 0; i < 9; ++i) r[i] = i % 4 == 0 ? 1.0 : 0.0;
}

void multiply(const double a[9], const double b[9], double out[9])
{
    double t[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    std::copy(t, t + 9, out);
}
} // namespace

void axis_angle_matrix(const Vec3& axis, double angle, double r[9])
{
    identity(r);
    double x = axis.x, y = axis.y, z = axis.z;
    const double len = std::sqrt(x * x + y * y + z * z);
    if (!(len > 0.0) || !std::isfinite(len) || !std::isfinite(angle) || angle == 0.0) return;
    x /= len;
    y /= len;
    z /= len;
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    r[0] = t * x * x + c;
    r[1] = t * x * y - s * z;
    r[2] = t * x * z + s * y;
    r[3] = t * x * y + s * z;
    r[4] = t * y * y + c;
    r[5] = t * y * z - s * x;
    r[6] = t * x * z - s * y;
    r[7] = t * y * z + s * x;
    r[8] = t * z * z + c;
}

void matrix_axis_angle(const double r[9], Vec3& axis, float& angle)
{
    // Through the quaternion, which stays exact near a half turn.
    double w, x, y, z;
    const double tr = r[0] + r[4] + r[8];
    if (tr > 0.0) {
        const double s = std::sqrt(tr + 1.0) * 2.0;
        w = 0.25 * s;
        x = (r[7] - r[5]) / s;
        y = (r[2] - r[6]) / s;
        z = (r[3] - r[1]) / s;
    } else if (r[0] > r[4] && r[0] > r[8]) {
        const double s = std::sqrt(1.0 + r[0] - r[4] - r[8]) * 2.0;
        w = (r[7] - r[5]) / s;
        x = 0.25 * s;
        y = (r[1] + r[3]) / s;
        z = (r[2] + r[6]) / s;
    } else if (r[4] > r[8]) {
        const double s = std::sqrt(1.0 + r[4] - r[0] - r[8]) * 2.0;
        w = (r[2] - r[6]) / s;
        x = (r[1] + r[3]) / s;
        y = 0.25 * s;
        z = (r[5] + r[7]) / s;
    } else {
        const double s = std::sqrt(1.0 + r[8] - r[0] - r[4]) * 2.0;
        w = (r[3] - r[1]) / s;
        x = (r[2] + r[6]) / s;
        y = (r[5] + r[7]) / s;
        z = 0.25 * s;
    }
    const double v = std::sqrt(x * x + y * y + z * z);
    if (!(v > 1e-12) || !std::isfinite(v)) {
        axis = Vec3(0.f, 0.f, 1.f);
        angle = 0.f;
        return;
    }
    if (w < 0.0) {
        w = -w;
        x = -x;
        y = -y;
        z = -z;
    }
    axis = Vec3((float)(x / v), (float)(y / v), (float)(z / v));
    angle = (float)(2.0 * std::atan2(v, w));
}

Vec3 matrix_euler_xyz(const double r[9])
{
    // r = Rx(a) Ry(b) Rz(c): r[2] = sin b, r[5] = -sin a cos b,
    // r[8] = cos a cos b, r[1] = -cos b sin c, r[0] = cos b cos c.
    const double sb = std::clamp(r[2], -1.0, 1.0);
    const double b = std::asin(sb);
    double a, c;
    if (std::fabs(sb) < 1.0 - 1e-9) {
        a = std::atan2(-r[5], r[8]);
        c = std::atan2(-r[1], r[0]);
    } else {
        // Looking straight along Y: only a + c or a - c is defined; c = 0.
        c = 0.0;
        a = std::atan2(r[7], r[4]);
    }
    return Vec3((float)(a * k_deg), (float)(b * k_deg), (float)(c * k_deg));
}

void euler_xyz_matrix(const Vec3& angles, double r[9])
{
    double rx[9], ry[9], rz[9];
    axis_angle_matrix(Vec3(1.f, 0.f, 0.f), angles.x / k_deg, rx);
    axis_angle_matrix(Vec3(0.f, 1.f, 0.f), angles.y / k_deg, ry);
    axis_angle_matrix(Vec3(0.f, 0.f, 1.f), angles.z / k_deg, rz);
    multiply(rx, ry, r);
    multiply(r, rz, r);
}

void viewpoint_camera(const VIEWPOINT3D& vp, CAMERA3D& camera, double& fovy)
{
    double q[9], v[9];
    axis_angle_matrix(vp.orientation, vp.angle, q);
    // The view turns the world by the inverse (the transpose).
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) v[i * 3 + j] = q[j * 3 + i];
    camera.rotation = matrix_euler_xyz(v);
    // Rebuilt from the angles, so that position and rotation agree to the
    // last bit the frame will use.
    euler_xyz_matrix(camera.rotation, v);
    const Vec3& e = vp.position;
    camera.position = Vec3((float)-(v[0] * e.x + v[1] * e.y + v[2] * e.z),
                           (float)-(v[3] * e.x + v[4] * e.y + v[5] * e.z),
                           (float)-(v[6] * e.x + v[7] * e.y + v[8] * e.z));
    const double deg = (double)vp.field_of_view * k_deg;
    fovy = (std::isfinite(deg) && deg > 0.0 && deg < 180.0) ? deg : 45.0;
}

int viewpoint_count(const SCENE3D& scene)
{
    int n = 0;
    for (int i = 0; i < scene.nbobjects; ++i)
        if (scene.m_objects[i] && scene.m_objects[i]->m_viewpoint) ++n;
    return n;
}

bool go_to_viewpoint_of(SCENE3D& scene, int object)
{
    OBJECT3D* o = scene.get_object(object);
    if (!o || !o->m_viewpoint || !scene.m_camera) return false;
    viewpoint_camera(*o->m_viewpoint, *scene.m_camera, scene.m_fovy);
    return true;
}

bool go_to_viewpoint(SCENE3D& scene, int entry, std::string* name)
{
    OBJECT3D* o = entry_object(scene, entry);
    if (!o || !scene.m_camera) return false;
    viewpoint_camera(*o->m_viewpoint, *scene.m_camera, scene.m_fovy);
    if (name) *name = o->m_name;
    return true;
}

int step_viewpoint(SCENE3D& scene, int current, int step, std::string* name)
{
    if (name) name->clear();
    const int n = viewpoint_count(scene);
    if (n == 0 || step == 0) return -1;
    int entry;
    if (current < 0 || current >= n) entry = step > 0 ? 0 : n - 1;
    else entry = ((current + (step > 0 ? 1 : -1)) % n + n) % n;
    return go_to_viewpoint(scene, entry, name) ? entry : -1;
}
