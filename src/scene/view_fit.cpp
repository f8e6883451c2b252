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

// p through the object's placement, as its display list and the frame draw it.
Vec3 place(const OBJECT3D& o, Vec3 p)
{
    auto rot = [](Vec3 v, Vec3 axis, double deg) {
        double len = std::sqrt((double)axis.x * axis.x + (double)axis.y * axis.y + (double)axis.z * axis.z);
        if (!(len > 0.0) || deg == 0.0) return v;
        double ax = axis.x / len, ay = axis.y / len, az = axis.z / len, a = deg * k_pi / 180.0;
        double c = std::cos(a), s = std::sin(a), d = (ax * v.x + ay * v.y + az * v.z) * (1 - c);
        return Vec3((float)(v.x * c + (ay * v.z - az * v.y) * s + ax * d),
                    (float)(v.y * c + (az * v.x - ax * v.z) * s + ay * d),
                    (float)(v.z * c + (ax * v.y - ay * v.x) * s + az * d));
    };
    p = rot(p, o.m_scale_axis, o.m_scale_angle);
    p = Vec3(p.x * o.echelle.x, p.y * o.echelle.y, p.z * o.echelle.z);
    p = rot(p, o.m_scale_axis, -o.m_scale_angle);
    p = rot(p, o.rotation, o.angle);
    p = p + o.translation;
    if (o.m_has_matrix) {
        const float* m = o.m_matrix;
        p = Vec3(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                 m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
    }
    return p;
}

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
} // namespace

bool scene_world_box(const SCENE3D& scene, Vec3& mn, Vec3& mx)
{
    bool any = false;
    mn = Vec3(1e30f, 1e30f, 1e30f);
    mx = Vec3(-1e30f, -1e30f, -1e30f);
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o || !o->m_vertices || o->nbpts <= 0) continue;
        Vec3 lo = o->m_vertices[0], hi = o->m_vertices[0];
        for (int k = 1; k < o->nbpts; ++k) {
            const Vec3& v = o->m_vertices[k];
            lo = Vec3(std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z));
            hi = Vec3(std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z));
        }
        for (int c = 0; c < 8; ++c) {
            Vec3 p = place(*o, Vec3(c & 1 ? hi.x : lo.x, c & 2 ? hi.y : lo.y, c & 4 ? hi.z : lo.z));
            if (!finite(p)) continue;
            mn = Vec3(std::min(mn.x, p.x), std::min(mn.y, p.y), std::min(mn.z, p.z));
            mx = Vec3(std::max(mx.x, p.x), std::max(mx.y, p.y), std::max(mx.z, p.z));
            any = true;
        }
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
