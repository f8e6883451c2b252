#include "view/small_dialogs.h"

#include "scene/scene3d.h"
#include "scene/viewpoints.h"
#include "view/behaviour.h"

bool camera_to_viewpoint(SCENE3D& scene, int object) { return go_to_viewpoint_of(scene, object); }

bool ViewpointsRequest::choose(int e)
{
    if (e < 0 || e >= (int)objects.size()) return false;
    choice = e;
    if (!view || !view->scene()) return false;
    if (!camera_to_viewpoint(*view->scene(), objects[(size_t)e])) return false;
    view->CameraPlaced();
    view->host().redraw(true);
    return true;
}

void IgnFileRequest::fill()
{
    entries = {"TOTO", "TUTU"};
    text = "TOTO";
}
