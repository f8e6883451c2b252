#include "render/compile_hooks.h"

#include <vector>

#include "scene/scene3d.h"

void prepare_lit_object(OBJECT3D& o) { o.build_vertex_normals(); }

void order_objects_for_compile(SCENE3D& scene)
{
    std::vector<OBJECT3D*> opaque, transparent;
    for (int i = 0; i < scene.nbobjects; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (o && o->m_transparency != 0.f) transparent.push_back(o);
        else opaque.push_back(o);
    }
    int i = 0;
    for (OBJECT3D* o : opaque) scene.m_objects[i++] = o;
    for (auto it = transparent.rbegin(); it != transparent.rend(); ++it) scene.m_objects[i++] = *it;
    for (int k = 0; k < scene.nbobjects; ++k)
        if (scene.m_objects[k]) scene.m_objects[k]->m_pick_id = k;
}
