#include "model/flat_grid.h"

#include <cstdint>

#include "scene/object3d.h"

int make_flat_grid(OBJECT3D& o, float ax, float az, int n, int p, int orientation)
{
    // The index list holds 5 entries per quad in 32-bit counts.
    constexpr int64_t k_max_points = 50'000'000;
    if (n < 1 || p < 1 || (int64_t)n * p > k_max_points) return 0;
    const int npts = n * p;
    const int nface = (n - 1) * (p - 1);

    Vec3* pts = new Vec3[(size_t)npts];
    for (int j = 0; j < p; ++j)
        for (int k = 0; k < n; ++k) pts[j * n + k] = Vec3((float)k * ax, 0.f, (float)j * az);
    int32_t* index = new int32_t[(size_t)nface * 5 + 1];
    int at = 0;
    for (int m = 0; m < npts - n - 1; ++m) {
        if ((m + 1) % n == 0) continue;   // last column: no quad starts there
        if (orientation == 1) {
            index[at++] = m;
            index[at++] = m + 1;
            index[at++] = m + 1 + n;
            index[at++] = m + n;
        } else {
            index[at++] = m;
            index[at++] = m + n;
            index[at++] = m + n + 1;
            index[at++] = m + 1;
        }
        index[at++] = -1;
    }

    delete[] o.m_vertices;
    delete[] o.m_index;
    delete[] o.m_normals;
    delete[] o.m_vertex_normals;
    delete[] o.normalindex;
    delete[] o.m_vertex_normalindex;
    delete[] o.texvertex;
    delete[] o.texindex;
    o.m_normals = o.m_vertex_normals = nullptr;
    o.normalindex = o.m_vertex_normalindex = nullptr;
    o.m_normals_by_face = 0;
    o.texvertex = nullptr;
    o.texindex = nullptr;
    o.nbnormal = 0;
    o.nbtexvertex = 0;
    o.m_vertices = pts;
    o.nbpts = npts;
    o.m_index = index;
    o.nbindex = at;
    o.nbface = at / 5;
    o.m_list_built = 0;
    o.m_needs_rebuild = 1;
    return 1;
}
