// What a scene file says about its surroundings: the sky behind the scene
// and the fog that veils far objects.
#pragma once
#include <vector>

#include "math/vec3.h"

struct SceneBackground {
    bool set = false;
    // Colours from the zenith down, each at its angle from the zenith
    // (radians; the first colour at 0, angles one fewer than colours).
    std::vector<Vec3> sky;
    std::vector<float> sky_angle;
    // Colours from the nadir up, each at its angle from the nadir.
    std::vector<Vec3> ground;
    std::vector<float> ground_angle;

    // A sky of one colour is the clear colour; otherwise a gradient is drawn.
    bool gradient() const { return sky.size() > 1 || !ground.empty(); }
    // The colour seen in the direction `theta` radians from the zenith.
    Vec3 colour_at(double theta) const;
};

struct SceneFog {
    enum Type { Linear, Exponential };
    bool set = false;            // a Fog node with a visibility range
    Vec3 color{1.f, 1.f, 1.f};
    Type type = Linear;
    float range = 0.f;           // objects this far away are hidden
};
