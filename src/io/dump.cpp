// The scene dump "vrml.out": lights, then every object's text dump.
#include <cstdio>

#include "base/safe_write.h"
#include "base/cformat.h"
#include "scene/compile_prep.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

int dump_scene(const SCENE3D& scene, const char* path)
{
    return write_file_safely(path ? path : "", [&](FILE* f) {
        {
            CLocaleScope c_numbers;
            for (const LIGHT3D* l : scene.m_lights) {
                // "lumière" with a Latin-1 è, as the listing has always been written.
                std::fprintf(f, "Type de lumi\xe8re :%1d\n", (int)l->type);
                std::fprintf(f, "intensity : %10f\n", l->intensity);
                std::fprintf(f, "color : %10f %10f %10f\n", l->color.x, l->color.y, l->color.z);
                std::fprintf(f, "location : %10f %10f %10f\n", l->location.x, l->location.y, l->location.z);
                std::fprintf(f, "direction : %10f %10f %10f\n\n", l->direction.x, l->direction.y, l->direction.z);
            }
        }
        for (int i = 0; i < scene.nbobjects; ++i)
            if (const OBJECT3D* o = scene.m_objects[i]) o->dump(f, compiles_lit(scene, *o) && !o->m_points_only);
        return std::ferror(f) == 0;
    });
}
