#include "render/face_tess.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <deque>
#include <memory>

namespace {

using D3 = std::array<double, 3>;

D3 at(const Vec3* verts, const int32_t* idx, int k) { return {verts[idx[k]].x, verts[idx[k]].y, verts[idx[k]].z}; }

// The face's normal by Newell's sums: right for any simple polygon, whatever
// its first corners are.
D3 newell(const Vec3* verts, const int32_t* idx, const std::vector<int>& corners)
{
    D3 n{0, 0, 0};
    const size_t c = corners.size();
    for (size_t i = 0; i < c; ++i) {
        const D3 a = at(verts, idx, corners[i]), b = at(verts, idx, corners[(i + 1) % c]);
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

struct TessRun {
    std::vector<int>* out;
    bool failed = false;
};

void GLAPIENTRY on_begin(GLenum, void*) {}
void GLAPIENTRY on_edge_flag(GLboolean, void*) {}   // asks for separate triangles
void GLAPIENTRY on_vertex(void* vertex, void* data)
{
    static_cast<TessRun*>(data)->out->push_back(*static_cast<int*>(vertex));
}
void GLAPIENTRY on_combine(GLdouble[3], void* near[4], GLfloat[4], void** out, void* data)
{
    // A new corner would have no normal, colour or texture coordinate of
    // the file's: such a face is left to be drawn whole.
    static_cast<TessRun*>(data)->failed = true;
    *out = near[0];
}
void GLAPIENTRY on_error(GLenum, void* data) { static_cast<TessRun*>(data)->failed = true; }

// Quads, the most common faces of all, in single precision without a
// scratch list: the cross product of the diagonals is the quad's normal; a
// repeated corner makes a turn of zero.
bool quad_is_convex(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d)
{
    const Vec3 n = cross(c - a, d - b);
    const Vec3 ab = b - a, bc = c - b, cd = d - c, da = a - d;
    auto dot = [](const Vec3& u, const Vec3& v) { return u.x * v.x + u.y * v.y + u.z * v.z; };
    const float t0 = dot(cross(da, ab), n), t1 = dot(cross(ab, bc), n), t2 = dot(cross(bc, cd), n),
                t3 = dot(cross(cd, da), n);
    // Turns are compared with the size of the quad: float rounding on a
    // flat or nearly straight corner is not a concave one.
    const float scale = 1e-5f * dot(n, n);
    return t0 >= -scale && t1 >= -scale && t2 >= -scale && t3 >= -scale;
}

// A concave quad has one corner turning the other way: the diagonal from
// it cuts the quad into two triangles that stay inside.
bool split_quad(const Vec3* verts, const int32_t* idx, const std::vector<int>& corners, std::vector<int>& out)
{
    const Vec3* p[4];
    for (int i = 0; i < 4; ++i) p[i] = &verts[idx[corners[i]]];
    const Vec3 n = cross(*p[2] - *p[0], *p[3] - *p[1]);
    int reflex = -1;
    for (int i = 0; i < 4; ++i) {
        const Vec3 t = cross(*p[i] - *p[(i + 3) % 4], *p[(i + 1) % 4] - *p[i]);
        if (t.x * n.x + t.y * n.y + t.z * n.z < 0.f) {
            if (reflex >= 0) return false;   // two: the quad crosses itself
            reflex = i;
        }
    }
    if (reflex < 0) return false;
    const int a = reflex, b = (reflex + 1) % 4, c = (reflex + 2) % 4, d = (reflex + 3) % 4;
    out = {corners[a], corners[b], corners[c], corners[c], corners[d], corners[a]};
    return true;
}

} // namespace

bool face_is_convex(const Vec3* verts, const int32_t* idx, const std::vector<int>& corners)
{
    if (corners.size() <= 3) return true;
    if (corners.size() == 4)
        return quad_is_convex(verts[idx[corners[0]]], verts[idx[corners[1]]], verts[idx[corners[2]]],
                              verts[idx[corners[3]]]);
    // Repeated corners are passed over: the turn is between the edges
    // around them.
    thread_local std::vector<D3> p;   // reused: faces are tested one after another
    p.clear();
    for (int k : corners) {
        const D3 q = at(verts, idx, k);
        if (p.empty() || q != p.back()) p.push_back(q);
    }
    while (p.size() > 1 && p.back() == p.front()) p.pop_back();
    const size_t c = p.size();
    if (c <= 3) return true;
    const D3 n = newell(verts, idx, corners);
    const double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(nl > 0.0) || !std::isfinite(nl)) return true;   // no area: nothing to fill anyway
    for (size_t i = 0; i < c; ++i) {
        const D3& a = p[(i + c - 1) % c];
        const D3& b = p[i];
        const D3& d = p[(i + 1) % c];
        const D3 e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, f{d[0] - b[0], d[1] - b[1], d[2] - b[2]};
        const D3 x{e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
        const double turn = (x[0] * n[0] + x[1] * n[1] + x[2] * n[2]) / nl;
        const double el = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
        const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
        if (turn < -1e-6 * el * fl) return false;
    }
    return true;
}

bool triangulate_face(const Vec3* verts, const int32_t* idx, const std::vector<int>& corners, std::vector<int>& out)
{
    out.clear();
    if (corners.size() < 3) return false;
    if (corners.size() == 4) return split_quad(verts, idx, corners, out);
    const D3 n = newell(verts, idx, corners);
    // One tessellator a thread, made on first use and kept.
    thread_local std::unique_ptr<GLUtesselator, void (*)(GLUtesselator*)> tess(nullptr, &gluDeleteTess);
    if (!tess) {
        tess.reset(gluNewTess());
        if (!tess) return false;
        GLUtesselator* t = tess.get();
        using Fn = void(GLAPIENTRY*)();
        gluTessCallback(t, GLU_TESS_BEGIN_DATA, reinterpret_cast<Fn>(&on_begin));
        gluTessCallback(t, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Fn>(&on_edge_flag));
        gluTessCallback(t, GLU_TESS_VERTEX_DATA, reinterpret_cast<Fn>(&on_vertex));
        gluTessCallback(t, GLU_TESS_COMBINE_DATA, reinterpret_cast<Fn>(&on_combine));
        gluTessCallback(t, GLU_TESS_ERROR_DATA, reinterpret_cast<Fn>(&on_error));
    }
    GLUtesselator* t = tess.get();
    TessRun run{&out, false};
    // Triangles come out turning about the normal as the face turns.
    gluTessNormal(t, n[0], n[1], n[2]);
    std::deque<D3> coords;   // stable addresses for GLU
    std::deque<int> ids;
    gluTessBeginPolygon(t, &run);
    gluTessBeginContour(t);
    for (int k : corners) {
        // A corner repeated at once adds nothing but a merge the
        // tessellator would ask for.
        const D3 q = at(verts, idx, k);
        if ((!coords.empty() && q == coords.back()) || (k == corners.back() && q == coords.front())) continue;
        coords.push_back(q);
        ids.push_back(k);
        gluTessVertex(t, coords.back().data(), &ids.back());
    }
    gluTessEndContour(t);
    gluTessEndPolygon(t);
    if (run.failed || out.empty() || out.size() % 3 != 0) {
        out.clear();
        return false;
    }
    return true;
}
