#include "model/extrude.h"

#include <vector>

#include "scene/object3d.h"

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
