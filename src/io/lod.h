// Level-of-detail set: several scenes showing the same thing at different
// levels of detail, each with the camera distance from which it applies.
// Filled by read_lod_script; the frame renderer picks the level to draw.
#pragma once
#include <cstdint>

#include "math/vec3.h"

class SCENE3D;
class Scene;
struct CAMERA3D;

struct LODSET {
    Vec3 center;                     // centre of the object, from the script
    int32_t m_nlevels = 0;           // number of levels; 0 after a refused script
    int32_t m_nactive = 0;           // objects drawn now (kept by the renderer)
    float* m_distances = nullptr;    // m_nlevels + 1 entries: -1000, then the distance of each level
    SCENE3D** m_levels = nullptr;    // m_capacity slots, one scene per level in script order
    CAMERA3D* m_camera = nullptr;    // owned; position (0, 0, -1000)
    Scene* m_loader = nullptr;       // loader of the last level read, owned
    int32_t m_capacity = 100;

    LODSET();
    ~LODSET();
    LODSET(const LODSET&) = delete;
    LODSET& operator=(const LODSET&) = delete;

    // Deletes the levels, the distances and the loader: no levels left.
    void clear();
};
