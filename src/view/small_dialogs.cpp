#include "view/small_dialogs.h"

#include "scene/scene3d.h"
#include "view/behaviour.h"

bool camera_to_viewpoint(SCENE3D& scene, int object)
{
    OBJECT3D* o = scene.get_object(object);
    if (!o || !o->m_viewpoint || !scene.m_camera) return false;
    const Vec3& p = o->m_viewpoint->position;
    scene.m_camera->position = Vec3{p.x, p.y, -p.z};
    return true;
}

bool ViewpointsRequest::choose(int e)
{
    if (e < 0 || e >= (int)objects.size()) return false;
    choice = e;
    if (!view || !view->scene()) return false;
    if (!camera_to_viewpoint(*view->scene(), objects[(size_t)e])) return false;
    view->host().redraw(true);
    return true;
}

void IgnFileRequest::fill()
{
    entries = {"TOTO", "TUTU"};
    text = "TOTO";
}
