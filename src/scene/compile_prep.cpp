#include "scene/compile_prep.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "base/report.h"

#include "image/texture.h"
#include "scene/scene3d.h"

bool has_texel_alpha(const SCENE3D& scene, const OBJECT3D& o)
{
    if (o.m_texture_mode == -1 || !o.m_texture) return false;
    const CTexture* t = scene.get_texture(*o.m_texture);
    return t && t->texel_alpha && t->HasAlpha();
}

void order_objects_for_compile(SCENE3D& scene)
{
    int n = scene.nbobjects;
    if (n <= 0) return;
    std::vector<OBJECT3D*> opaque, transparent;
    opaque.reserve((size_t)n);
    for (int i = 0; i < n; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (o && (o->m_transparency != 0.f || has_texel_alpha(scene, *o))) transparent.push_back(o);
        else opaque.push_back(o);
    }
    int k = 0;
    for (OBJECT3D* o : opaque) scene.m_objects[k++] = o;
    for (auto it = transparent.rbegin(); it != transparent.rend(); ++it) scene.m_objects[k++] = *it;
    for (int i = 0; i < n; ++i)
        if (scene.m_objects[i]) scene.m_objects[i]->m_pick_id = i;
}

bool compiles_lit(const SCENE3D& scene, const OBJECT3D& obj) { return obj.m_lighting && scene.m_textured; }

void build_compile_normals(SCENE3D& scene, OBJECT3D& obj)
{
    if (obj.m_points_only) {
        if (obj.m_points_only == k_point_set_file) obj.echelle.set(0.01f);
        return;
    }
    if (!obj.m_vertices && !obj.m_shape2d) return;
    if (!compiles_lit(scene, obj)) return;
    // A flat object is drawn with its face normals: the vertex normals are
    // made for a smoothed one only (the dump lists them for both).
    if (obj.m_norm_binding == 1) obj.build_vertex_normals();
    else obj.build_face_normals();
}

namespace {
std::atomic<bool> g_second_thread{true};
}

bool set_second_thread(bool allowed) { return g_second_thread.exchange(allowed); }
bool second_thread_allowed() { return g_second_thread.load(); }

void for_each_object_on_two_threads(SCENE3D& scene, const std::function<void(OBJECT3D&)>& fn)
{
    const int n = scene.nbobjects;
    if (n <= 0) return;
    // The work of an object goes with its index list.
    std::vector<long long> upto((size_t)n);
    long long total = 0;
    for (int i = 0; i < n; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        total += o ? (long long)std::max(o->nbindex, 0) + std::max(o->nbpts, 0) : 0;
        upto[(size_t)i] = total;
    }
    // Below this a second thread costs more than it saves.
    constexpr long long k_worth_a_thread = 1 << 16;
    int split = n;
    if (n >= 2 && total >= k_worth_a_thread && std::thread::hardware_concurrency() != 1 &&
        g_second_thread.load()) {
        split = 1;
        while (split < n - 1 && upto[(size_t)split - 1] * 2 < total) ++split;
    }
    auto run = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            if (scene.m_objects[i]) fn(*scene.m_objects[i]);
    };
    if (split >= n) {
        run(0, n);
        return;
    }
    HeldReporter held;
    std::thread second([&] {
        set_thread_reporter(&held);
        run(split, n);
        set_thread_reporter(nullptr);
    });
    run(0, split);
    second.join();
    held.deliver(reporter());
}

void compute_scene_bounds(SCENE3D& scene)
{
    Vec3 mx(-1e10f, -1e10f, -1e10f), mn(1e10f, 1e10f, 1e10f);
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o || !o->m_vertices || o->nbpts <= 0) continue;
        const Vec3* pts[2] = {&o->m_world_max, &o->m_world_min};
        for (const Vec3* p : pts) {
            if (p->x > mx.x) mx.x = p->x;
            if (p->y > mx.y) mx.y = p->y;
            if (p->z > mx.z) mx.z = p->z;
            if (p->x < mn.x) mn.x = p->x;
            if (p->y < mn.y) mn.y = p->y;
            if (p->z < mn.z) mn.z = p->z;
        }
    }
    scene.m_max = mx;
    scene.m_min = mn;
    scene.m_center = (mx + mn) * 0.5f;
}

int prepare_scene_for_compile(SCENE3D& scene)
{
    if (scene.nbobjects <= 0) return 0;
    order_objects_for_compile(scene);
    for_each_object_on_two_threads(scene, [&scene](OBJECT3D& o) { build_compile_normals(scene, o); });
    compute_scene_bounds(scene);
    return 1;
}
