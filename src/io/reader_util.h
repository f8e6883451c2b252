// Small helpers shared by the readers of the non-VRML formats.
#pragma once
#include <initializer_list>
#include <string>

#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"

// Makes `objects` the content of the scene (any earlier objects, with the
// textures and lights that went with them, are deleted first) and gives each
// its box, centre and world bounds, as the loader does after every object.
inline void replace_objects(SCENE3D& scene, std::initializer_list<OBJECT3D*> objects)
{
    scene.delete_objects();
    for (OBJECT3D* o : objects) {
        if (!scene.add_object(o)) {
            delete o;
            continue;
        }
        o->compute_bounds();
        o->compute_center();
        scene.compute_world_bounds(scene.nbobjects - 1);
    }
}

// The message box of a refused file: "Invalid <kind> file: <why>" and the path.
inline void refuse_file(const char* kind, const std::string& why, const std::string& path)
{
    MessageBox(std::string("Invalid ") + kind + " file: " + why + (path.empty() ? "" : "\n" + path));
}
