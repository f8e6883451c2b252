#include "scene/view_fit.h"

#include <algorithm>
#include <cmath>

#include "scene/scene3d.h"
#include "scene/viewpoints.h"
#include "scene/scene_animation.h"

const char* const k_framed_status = "View All: the scene was out of view, it is now framed";

namespace {
constexpr double k_pi = 3.14159265358979;
// Depth below which a point counts as level with the eye.
constexpr double k_near = 1e-6;

// p through the object's placement, as its display list and the frame draw
// it (in double: the placement's origin is taken away from the images of
// the axes, and a far translation would leave little of them in floats).
struct Point {
    double x, y, z;
};
Point place(const OBJECT3D& o, Point p)
{
    auto rot = [](Point v, Vec3 axis, double deg) {
        double len = std::sqrt((double)axis.x * axis.x + (double)axis.y * axis.y + (double)axis.z * axis.z);
        if (!(len > 0.0) || deg == 0.0) return v;
        double ax = axis.x / len, ay = axis.y / len, az = axis.z / len, a = deg * k_pi / 180.0;
        double c = std::cos(a), s = std::sin(a), d = (ax * v.x + ay * v.y + az * v.z) * (1 - c);
        return Point{v.x * c + (ay * v.z - az * v.y) * s + ax * d, v.y * c + (az * v.x - ax * v.z) * s + ay * d,
                     v.z * c + (ax * v.y - ay * v.x) * s + az * d};
    };
    // A point-set file's points are drawn at a hundredth of their size,
    // whatever the scale before their first draw.
    const Vec3 scale = o.m_points_only == k_point_set_file ? Vec3(0.01f, 0.01f, 0.01f) : o.echelle;
    p = rot(p, o.m_scale_axis, o.m_scale_angle);
    p = Point{p.x * scale.x, p.y * scale.y, p.z * scale.z};
    p = rot(p, o.m_scale_axis, -o.m_scale_angle);
    p = rot(p, o.rotation, o.angle);
    p = Point{p.x + o.translation.x, p.y + o.translation.y, p.z + o.translation.z};
    if (o.m_has_matrix) {
        const float* m = o.m_matrix;
        p = Point{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                  m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    }
    return p;
}

} // namespace

bool scene_world_box(const SCENE3D& scene, Vec3& mn, Vec3& mx)
{
    bool any = false;
    mn = Vec3(1e30f, 1e30f, 1e30f);
    mx = Vec3(-1e30f, -1e30f, -1e30f);
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o || !o->m_vertices || o->nbpts <= 0) continue;
        // The placement is affine: its origin and the images of the three
        // axes give every vertex's place, so the box is that of the placed
        // vertices themselves (a turned object's own box, turned, would be
        // larger than what is drawn, and the same object with its placement
        // applied to its vertices would frame differently).
        const Point o0 = place(*o, {0, 0, 0}), ax = place(*o, {1, 0, 0}), ay = place(*o, {0, 1, 0}),
                    az = place(*o, {0, 0, 1});
        const double m[12] = {o0.x,        o0.y,        o0.z,        ax.x - o0.x, ax.y - o0.y, ax.z - o0.z,
                              ay.x - o0.x, ay.y - o0.y, ay.z - o0.z, az.x - o0.x, az.y - o0.y, az.z - o0.z};
        double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
        bool placed = false;
        for (int k = 0; k < o->nbpts; ++k) {
            const Vec3& v = o->m_vertices[k];
            double p[3];
            for (int c = 0; c < 3; ++c) p[c] = m[c] + v.x * m[3 + c] + v.y * m[6 + c] + v.z * m[9 + c];
            if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], p[c]);
                hi[c] = std::max(hi[c], p[c]);
            }
            placed = true;
        }
        if (!placed) continue;
        mn = Vec3(std::min(mn.x, (float)lo[0]), std::min(mn.y, (float)lo[1]), std::min(mn.z, (float)lo[2]));
        mx = Vec3(std::max(mx.x, (float)hi[0]), std::max(mx.y, (float)hi[1]), std::max(mx.z, (float)hi[2]));
        any = true;
    }
    // A world that moves is framed over the whole of its motion.
    Vec3 a, b;
    if (scene.m_animation && scene.m_animation->swept_box(a, b)) {
        mn = Vec3(std::min(mn.x, a.x), std::min(mn.y, a.y), std::min(mn.z, a.z));
        mx = Vec3(std::max(mx.x, b.x), std::max(mx.y, b.y), std::max(mx.z, b.z));
        any = true;
    }
    return any;
}

bool view_all_camera(const SCENE3D& scene, double fovy, double aspect, CAMERA3D& camera)
{
    Vec3 mn, mx;
    if (!scene_world_box(scene, mn, mx)) return false;
    if (!(fovy > 0.0 && fovy < 180.0)) fovy = 45.0;
    if (!(aspect > 0.0) || !std::isfinite(aspect)) aspect = 1.0;
    double cx = ((double)mn.x + mx.x) / 2, cy = ((double)mn.y + mx.y) / 2, cz = ((double)mn.z + mx.z) / 2;
    double dx = (double)mx.x - mn.x, dy = (double)mx.y - mn.y, dz = (double)mx.z - mn.z;
    double r = std::sqrt(dx * dx + dy * dy + dz * dz) / 2;
    double half = fovy * k_pi / 360.0;
    double half_w = std::atan(std::tan(half) * aspect);
    // The frame's near and far planes follow the scene, so the distance
    // only has to keep the eye outside the bounding sphere.
    double d = r > 0.0 ? r / std::sin(std::min(half, half_w)) : 1.0;
    // The frame translates by the camera position: the centre goes to
    // (0, 0, -d) in front of the eye.
    camera.position = Vec3((float)-cx, (float)-cy, (float)(-cz - d));
    camera.rotation = Vec3(0.f, 0.f, 0.f);
    return true;
}

double view_coverage(const SCENE3D& scene, const CAMERA3D& camera, double fovy, double aspect)
{
    Vec3 mn, mx;
    if (!scene_world_box(scene, mn, mx)) return 0.0;
    if (!(aspect > 0.0) || !std::isfinite(aspect)) aspect = 1.0;
    double t = std::tan(fovy * k_pi / 360.0);
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    int front = 0, behind = 0;
    for (int c = 0; c < 8; ++c) {
        double ex = (c & 1 ? mx.x : mn.x) + (double)camera.position.x;
        double ey = (c & 2 ? mx.y : mn.y) + (double)camera.position.y;
        double ez = (c & 4 ? mx.z : mn.z) + (double)camera.position.z;
        if (ez >= -k_near) {
            ++behind;
            continue;
        }
        ++front;
        double px = ex / -ez / (t * aspect), py = ey / -ez / t;
        x0 = std::min(x0, px);
        x1 = std::max(x1, px);
        y0 = std::min(y0, py);
        y1 = std::max(y1, py);
    }
    if (front == 0) return 0.0;
    if (behind > 0) {
        // The box reaches the eye: it spreads from what is in front to the
        // edges of the view on the side of the eye.
        bool around = mn.x + camera.position.x <= 0 && mx.x + camera.position.x >= 0 &&
                      mn.y + camera.position.y <= 0 && mx.y + camera.position.y >= 0;
        if (around) return 1.0;
    }
    double w = std::max(0.0, std::min(x1, 1.0) - std::max(x0, -1.0));
    double h = std::max(0.0, std::min(y1, 1.0) - std::max(y0, -1.0));
    return w * h / 4.0;
}

bool frame_scene_if_lost(SCENE3D& scene, double aspect, bool always)
{
    if (!scene.m_camera) return false;
    if (scene.m_frame_on_open) always = true;
    if (!always && view_coverage(scene, *scene.m_camera, scene.m_fovy, aspect) >= 0.01) return false;
    return view_all_camera(scene, scene.m_fovy, aspect, *scene.m_camera);
}

OpenCamera place_opening_camera(SCENE3D& scene, double aspect, bool fit)
{
    if (!scene.m_camera) return OpenCamera::Reset;
    if (fit && view_all_camera(scene, scene.m_fovy, aspect, *scene.m_camera)) return OpenCamera::Framed;
    if (scene.m_file_camera && go_to_viewpoint(scene, 0)) return OpenCamera::Viewpoint;
    if (scene.m_file_camera && view_all_camera(scene, scene.m_fovy, aspect, *scene.m_camera))
        return OpenCamera::Framed;
    if (frame_scene_if_lost(scene, aspect)) return OpenCamera::Lost;
    return OpenCamera::Reset;
}
