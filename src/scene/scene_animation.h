// A world that moves by itself: what a scene file declares to change with
// time (clocks, key-framed values and the connections between them). The
// scene owns one when its file has any; the view plays it on a timer and
// the command line evaluates it at a given time. Nothing here draws.
#pragma once
#include "math/vec3.h"

class SCENE3D;

class SceneAnimation {
public:
    virtual ~SceneAnimation() = default;
    // Brings the scene's objects to their state at `seconds` after the
    // world was opened. The result depends on the time only, never on the
    // times evaluated before.
    virtual void evaluate(SCENE3D& scene, double seconds) = 0;
    // True when something still changes after `seconds` (a looping clock,
    // or one whose cycle has not ended).
    virtual bool changes_after(double seconds) const = 0;
    // True when any clock is declared at all (a world to play).
    virtual bool has_clocks() const = 0;
    // The box the objects sweep over one run of the clocks (false when not
    // known), so that framing the scene keeps the whole motion in view.
    virtual bool swept_box(Vec3& mn, Vec3& mx) const = 0;
};
