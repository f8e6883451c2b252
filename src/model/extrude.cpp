#include "model/extrude.h"

#include <vector>

#include "scene/object3d.h"
#include "scene/scene3d.h"

int ExtrudeVector(OBJECT3D& result, const OBJECT3D& section, const Vec3& v)
{
    result.clear();
    const int n = section.nbpts;
    if (n <= 0 || !section.m_vertices) return 0;
    const int len = section.m_index ? section.nbindex : 0;
    int corners = 0;
    for (int k = 0; k < len; ++k)
        if (section.m_index[k] != -1) ++corners;
    // The corner counter stands for the point number: more corners than
    // points would name points that do not exist.
    if (corners > n) return 0;

    result.nbpts = 2 * n;
    result.m_vertices = new Vec3[(size_t)(2 * n)];
    for (int i = 0; i < n; ++i) {
        result.m_vertices[i] = section.m_vertices[i];
        result.m_vertices[n + i] = section.m_vertices[i] + v;
    }
    // One quad per corner: faces without corners give none, and a last face
    // left open by the list is closed like the others.
    result.nbface = corners;
    result.nbindex = 5 * corners;
    result.m_index = new int32_t[(size_t)(5 * corners) + 1];
    int32_t* q = result.m_index;
    int e = 0;   // corner counter
    int s = 0;   // counter at the first corner of the current face
    auto close_face = [&]() {
        if (e > s) {   // rewrite the last quad written so it closes back to the face's first corner
            q[-4] = s;
            q[-3] = s + n;
        }
        s = e;
    };
    for (int k = 0; k < len; ++k) {
        if (section.m_index[k] == -1) {
            close_face();
            continue;
        }
        q[0] = e;
        q[1] = e + 1;
        q[2] = e + 1 + n;
        q[3] = e + n;
        q[4] = -1;
        q += 5;
        ++e;
    }
    close_face();
    return 1;
}

namespace {
// Sweeps larger than this many points are refused (they would not fit the
// index arithmetic of a single object).
constexpr long long kMaxSweepPoints = 50000000;
} // namespace

int ExtrudeCurve(OBJECT3D& result, const OBJECT3D& section, const OBJECT3D& curve)
{
    result.clear();
    const int n = section.nbpts, m = curve.nbpts;
    if (n <= 0 || m <= 0 || !section.m_vertices || !curve.m_vertices) return 0;
    if ((long long)n * m > kMaxSweepPoints || 5LL * (m - 1) * n > kMaxSweepPoints) return 0;
    std::vector<Vec3> pts((size_t)n * (size_t)m);
    for (int j = 0; j < m; ++j)
        for (int k = 0; k < n; ++k) pts[(size_t)j * n + k] = section.m_vertices[k] + curve.m_vertices[j];
    std::vector<int32_t> idx;
    idx.reserve((size_t)5 * (size_t)(m - 1) * (size_t)n);
    for (int j = 0; j + 1 < m; ++j)
        for (int k = 0; k < n; ++k) {
            const int k2 = (k + 1) % n;
            idx.insert(idx.end(), {k + n * j, k2 + n * j, k2 + n * (j + 1), k + n * (j + 1), -1});
        }
    result.take_points(pts);
    result.take_faces(idx);
    return 1;
}

int AddExtrude(SCENE3D& scene)
{
    const OBJECT3D* section = scene.get_object(scene.m_extrude_section);
    if (!section) return 0;
    const int k = scene.m_extrude_curve;
    const OBJECT3D* curve = k >= 0 ? scene.get_object(k) : nullptr;
    if (k >= 0 && !curve) return 0;   // a stored curve that no longer exists
    OBJECT3D* o = new OBJECT3D();
    const int ok = curve ? ExtrudeCurve(*o, *section, *curve) : ExtrudeVector(*o, *section, Vec3(0.f, 0.f, 1.f));
    if (!ok) {
        delete o;
        return 0;
    }
    o->m_name = curve ? "Extrude_curve" : "Extrude";
    o->m_needs_rebuild = 1;
    return scene.append_generated(o);
}

int ExtrudeDrawing(OBJECT3D& result, const ShapeList& shapes)
{
    result.clear();
    std::vector<PointI> base;
    PointI end;
    for (const auto& s : shapes) {
        PointI a, b;
        if (!s || !ShapeEnds(*s, a, b)) continue;
        base.push_back(a);
        end = b;
    }
    const int a = (int)base.size();
    if (a == 0) return 0;
    base.push_back(end);

    const float height = 20.f;
    result.nbpts = 2 * a + 2;
    result.m_vertices = new Vec3[(size_t)result.nbpts];
    for (int i = 0; i <= a; ++i) {
        result.m_vertices[i] = Vec3((float)base[(size_t)i].x, (float)base[(size_t)i].y, 0.f);
        result.m_vertices[a + 1 + i] = Vec3((float)base[(size_t)i].x, (float)base[(size_t)i].y, height);
    }
    result.nbface = a;
    result.nbindex = 5 * a;
    result.m_index = new int32_t[(size_t)(5 * a) + 1];
    int32_t* q = result.m_index;
    for (int k = 0; k < a; ++k, q += 5) {
        q[0] = k;
        q[1] = k + 1;
        q[2] = k + a + 2;
        q[3] = k + a + 1;
        q[4] = -1;
    }
    return 1;
}
