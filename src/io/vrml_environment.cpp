#include "io/vrml_environment.h"

#include <algorithm>
#include <cmath>

#include "io/vrml_tree.h"
#include "scene/scene3d.h"

namespace vrml {

namespace {
float unit(float v) { return std::isfinite(v) ? std::clamp(v, 0.f, 1.f) : 0.f; }

std::vector<Vec3> colours(const VNode& n, const char* field)
{
    std::vector<Vec3> r;
    if (const VField* f = n.field(field))
        for (size_t i = 0; i + 2 < f->nums.size(); i += 3)
            r.push_back(Vec3(unit(f->nums[i]), unit(f->nums[i + 1]), unit(f->nums[i + 2])));
    return r;
}

// Angles in radians, kept within [0, pi] and never decreasing.
std::vector<float> angles(const VNode& n, const char* field)
{
    std::vector<float> r;
    float prev = 0.f;
    if (const VField* f = n.field(field))
        for (float a : f->nums) {
            float v = std::isfinite(a) ? std::clamp(a, 0.f, (float)M_PI) : prev;
            prev = std::max(prev, v);
            r.push_back(prev);
        }
    return r;
}
} // namespace

void read_background(const VNode& n, SCENE3D& scene)
{
    SceneBackground& b = scene.m_background;
    if (b.set) return;   // the first one is bound
    b.sky = colours(n, "skyColor");
    if (b.sky.empty()) b.sky.push_back(Vec3(0.f, 0.f, 0.f));
    b.sky_angle = angles(n, "skyAngle");
    b.ground = colours(n, "groundColor");
    b.ground_angle = angles(n, "groundAngle");
    b.set = true;
}

void read_fog(const VNode& n, SCENE3D& scene)
{
    SceneFog& f = scene.m_scene_fog;
    if (f.set) return;
    float range = n.num("visibilityRange", 0.f);
    if (!(range > 0.f) || !std::isfinite(range)) return;   // a range of 0 means no fog
    const float* c = n.nums("color", 3);
    f.color = c ? Vec3(unit(c[0]), unit(c[1]), unit(c[2])) : Vec3(1.f, 1.f, 1.f);
    f.type = n.word("fogType") == "EXPONENTIAL" ? SceneFog::Exponential : SceneFog::Linear;
    f.range = range;
    f.set = true;
}

} // namespace vrml
