#include "scene/viewpoints.h"

#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
// The object of entry `entry`, or null.
OBJECT3D* entry_object(const SCENE3D& scene, int entry)
{
    if (entry < 0) return nullptr;
    for (int i = 0; i < scene.nbobjects; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (o && o->m_viewpoint && entry-- == 0) return o;
    }
    return nullptr;
}
} // namespace

int viewpoint_count(const SCENE3D& scene)
{
    int n = 0;
    for (int i = 0; i < scene.nbobjects; ++i)
        if (scene.m_objects[i] && scene.m_objects[i]->m_viewpoint) ++n;
    return n;
}

bool go_to_viewpoint(SCENE3D& scene, int entry, std::string* name)
{
    OBJECT3D* o = entry_object(scene, entry);
    if (!o || !scene.m_camera) return false;
    const Vec3& p = o->m_viewpoint->position;
    scene.m_camera->position = Vec3(p.x, p.y, -p.z);
    if (name) *name = o->m_name;
    return true;
}

int step_viewpoint(SCENE3D& scene, int current, int step, std::string* name)
{
    if (name) name->clear();
    const int n = viewpoint_count(scene);
    if (n == 0 || step == 0) return -1;
    int entry;
    if (current < 0 || current >= n) entry = step > 0 ? 0 : n - 1;
    else entry = ((current + (step > 0 ? 1 : -1)) % n + n) % n;
    return go_to_viewpoint(scene, entry, name) ? entry : -1;
}
