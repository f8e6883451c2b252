// Point-set files: "POINTS", one word that is passed over, the point count,
// then x y z per point. The scene then holds one point-set object.
#include <cstring>
#include <string>

#include "io/cut_short.h"
#include "io/reader_util.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "base/cformat.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {
const char* next(Scene& L)
{
    next_token(L);
    return L.m_word;
}

// Reads the points into obj; false with the reason when refused.
bool read_points(OBJECT3D& obj, Scene& L, std::string& why)
{
    next(L);   // POINTS
    next(L);   // passed over
    const char* w = next(L);
    if (!w[0]) {
        why = "the file ends before the point count";
        return false;
    }
    const int n = qv_atoi(w);
    if (n < 0) {
        why = qv_format("negative point count %d", n);
        return false;
    }
    TempBlock& v = reader_temp().vertices;
    int read = 0;
    for (int i = 0; i < n; ++i) {
        if (!v.reserve<Vec3>((size_t)i + 1)) {
            why = qv_format("not enough memory for more than %d points (line %d)", i, L.line_at(L.m_pos));
            return false;
        }
        float c[3];
        for (float& x : c) {
            w = next(L);
            if (!w[0]) break;
            x = (float)qv_atof(w);
        }
        if (!w[0]) break;
        v.as<Vec3>()[read++] = Vec3(c[0], c[1], c[2]);
        if (i % 100 == 0) SetStatusText("%ld", (long)i);
    }
    if (read < n) {
        // A file that ends early keeps the points it holds.
        if (read == 0) {
            why = qv_format("%d points announced but the file ends inside point 0: the file may be cut short", n);
            return false;
        }
        report_cut_short(L.m_filename, qv_format("ends after %d of the %d points announced", read, n));
    }
    obj.nbpts = read;
    obj.m_vertices = read > 0 ? new Vec3[(size_t)read] : nullptr;
    if (read > 0) std::copy(v.as<Vec3>(), v.as<Vec3>() + read, obj.m_vertices);
    obj.m_points_only = k_point_set_file;
    return true;
}
} // namespace

int read_point_set(Scene& loader, SCENE3D& scene)
{
    if (!loader.m_buf || loader.m_len < 6 || std::strncmp(loader.m_buf, "POINTS", 6) != 0) return 0;
    loader.m_pos = 0;
    loader.m_depth = 0;
    loader.m_comments = 0;
    auto* obj = new OBJECT3D();
    std::string why;
    if (!read_points(*obj, loader, why)) {
        delete obj;
        refuse_file("point set", why, loader.m_filename);
        return 0;
    }
    replace_objects(scene, {obj});
    // Point sets are compiled on their first draw; the scene needs no other
    // preparation.
    scene.m_lists_built = 1;
    return 1;
}
