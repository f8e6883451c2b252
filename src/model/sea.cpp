#include "model/sea.h"

#include <cmath>
#include <string>
#include <vector>

#include "base/data_files.h"
#include "io/scene_loader.h"
#include "model/solids.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {
// 0.01 as the single-precision value the texture mapping uses.
constexpr float kSeaTexStep = 0.01f;

// Loads one fixed scene file, appending its objects; the first object it
// added, or null (reported) when the file is missing or gave nothing.
OBJECT3D* load_part(SCENE3D& scene, const char* name, const std::string& folder)
{
    const int before = scene.nbobjects;
    std::string path = find_data_file(name, folder);
    Scene loader;
    if (path.empty() || !loader.load_buffer(path.c_str(), scene)) {
        MessageBox("File not found");
        return nullptr;
    }
    loader.read_file(scene);
    // The reader leaves an empty object behind the last one of a file: the
    // sea scene addresses its objects by position, so only filled ones stay.
    for (int i = scene.nbobjects - 1; i >= before; --i)
        if (scene.m_objects[i]->nbpts <= 0) scene.remove_object(i);
    return scene.nbobjects > before ? scene.m_objects[before] : nullptr;
}

bool holds(const SCENE3D& scene, const OBJECT3D* o)
{
    if (!o) return false;
    for (int i = 0; i < scene.nbobjects; ++i)
        if (scene.m_objects[i] == o) return true;
    return false;
}

void set_colours(OBJECT3D& o, uint32_t ambient, uint32_t diffuse, uint32_t specular)
{
    SetAmbientColor(o, 0, ambient);
    SetDiffuseColor(o, 0, diffuse);
    SetSpecularColor(o, 0, specular);
}
} // namespace

SeaState& sea_state()
{
    static SeaState state;
    return state;
}

SeaState make_sea_state(int N, int P)
{
    SeaState s;
    s.N = N;
    s.P = P;
    s.centre_x = N * 1.0 / 2;
    s.centre_z = P * 1.0 / 2;
    s.R = (double)(N / 4);
    s.L = (double)(N / 100);
    s.sphere_scale = (double)(N / 50);
    s.T = 10;
    s.U = 1.0;
    s.impact = 0;
    s.t0 = 0.0;
    s.sphere = Vec3((float)(N / 2), (float)(P / 10), (float)(N / 2));
    return s;
}

int SeaScene(SCENE3D& scene, const std::string& folder)
{
    scene.delete_objects();
    SeaState& st = sea_state();
    st = make_sea_state();

    // Sea.
    OBJECT3D* sea = new OBJECT3D();
    GridParams grid;
    grid.n = st.N;
    grid.p = st.P;
    MakeGrid(*sea, grid);
    sea->m_name = "Mer";
    sea->m_needs_rebuild = 1;
    if (!scene.add_object(sea)) {
        delete sea;
        return scene.nbobjects;
    }
    st.scene = &scene;
    st.water = sea;
    ScalePoints(*sea, Vec3(1.1f, 1.1f, 1.1f));
    AnimateSea(scene, 0.0);
    std::vector<TexVertex> tex((size_t)sea->nbpts);
    for (int i = 0; i < sea->nbpts; ++i) {
        const Vec3& v = sea->m_vertices[i];
        tex[(size_t)i] = {(v.x + 10) * kSeaTexStep, kSeaTexStep * v.z};
    }
    sea->take_texture_coords(tex, std::span<const int32_t>(sea->m_index, (size_t)sea->nbindex));
    sea->m_transparency = 0.5f;
    sea->m_texture_name = "mer_quad.jpg";
    bind_texture(*sea, scene, data_file_or_name("mer_quad.jpg", folder));

    // Sphere, falling from above the middle of the sea.
    if (OBJECT3D* sphere = load_part(scene, "sphere_01.wrl", folder)) {
        const float k = (float)st.sphere_scale;
        ScalePoints(*sphere, Vec3(k, k, k));
        sphere->m_dyn_translation = st.sphere;
        sphere->m_dynamic = 1;
        set_colours(*sphere, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
        sphere->m_transparency = 0.5f;
        sphere->m_texture_name = "water_quad.jpg";
        bind_texture(*sphere, scene, data_file_or_name("water_quad.jpg", folder));
        sphere->m_needs_rebuild = 1;
        st.ball = sphere;
    }

    // Cloud.
    if (OBJECT3D* cloud = load_part(scene, "meteo.wrl", folder)) {
        ScalePoints(*cloud, Vec3(4.f, 4.f, 5.f));
        TranslatePoints(*cloud, Vec3((float)(st.N / 2), 0.5f, (float)(-st.P / 10)));
        set_colours(*cloud, 0xF2BE68, 0xF2BE68, 0xF2BE68);
        cloud->m_needs_rebuild = 1;
    }

    // Base.
    if (OBJECT3D* base = load_part(scene, "socle.wrl", folder)) {
        TranslatePoints(*base, Vec3((float)(st.N / 2), 1.0f, (float)(st.P / 2)));
        set_colours(*base, 0xFFAE00, 0xFFAE00, 0x000000);
        base->m_needs_rebuild = 1;
    }

    for (int i = 0; i < scene.nbobjects; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (!o) continue;
        o->m_o_max_xyz.set(-1e10f);
        o->m_o_min_xyz.set(1e10f);
        o->compute_bounds();
        o->compute_center();
        scene.compute_world_bounds(i);
    }
    return scene.nbobjects;
}

void AnimateSea(SCENE3D& scene, double t)
{
    SeaState& st = sea_state();
    if (st.scene != &scene) return;
    OBJECT3D* sea = holds(scene, st.water) ? st.water : nullptr;
    if (sea && sea->m_vertices) {
        const double wave = st.T * t;
        for (int i = 0; i < sea->nbpts; ++i) {
            Vec3& v = sea->m_vertices[i];
            double y;
            if (st.impact == 1) {
                const double dx = v.x - st.centre_x, dz = v.z - st.centre_z;
                const double r = std::sqrt(dx * dx + dz * dz);
                y = std::sin(wave + dx / st.U) * std::sin(wave + dz / st.U) * 0.2;
                y = y + std::exp(-(r - st.R) * (r - st.R) / st.R) * std::sin(r / st.L) *
                            std::sin((t - st.t0) / st.U) * 10;
            } else {
                y = std::sin(wave + v.x / st.U) * std::sin(wave + v.z / st.U) * 0.2;
            }
            v.y = (float)y;
        }
        sea->m_needs_rebuild = 1;
    }
    OBJECT3D* sphere = holds(scene, st.ball) ? st.ball : nullptr;
    if (!sphere) return;
    st.sphere.y = (float)(st.sphere.y - st.P / 100.0);
    if (st.sphere.y - st.sphere_scale < 0 && st.impact == 0) {
        st.impact = 1;
        st.t0 = t;
    }
    sphere->m_dyn_translation = st.sphere;
    sphere->m_dynamic = 1;
    sphere->m_needs_rebuild = 1;
}
