// The preset animated sea scene: a sea grid with ripples, a textured sphere
// that falls into it and starts rings, a cloud and a base, loaded from the
// program's fixed scene files.
#pragma once
#include <string>

#include "math/vec3.h"

class SCENE3D;
class OBJECT3D;

// One sea at a time; SeaScene initialises it.
struct SeaState {
    int N = 100;                // sea points along x
    int P = 100;                // sea points along z
    double centre_x = 50.0;     // centre of the impact rings
    double centre_z = 50.0;
    double R = 25.0;            // ring radius and width of its envelope
    double L = 1.0;             // ring wavelength divisor
    double sphere_scale = 2.0;  // scale of the sphere; touching height
    int T = 10;                 // wave speed
    double U = 1.0;             // wave divisor
    int impact = 0;             // 0 calm; 1 after the sphere touched the water
    double t0 = 0.0;            // time of the impact
    Vec3 sphere{50.f, 10.f, 50.f};
    // The scene the sea was built in, and its sea and sphere. Rebuilding
    // the lists moves transparent objects (the sea and the sphere) to the
    // end of the scene, so the animation follows the objects themselves,
    // not their first positions.
    const SCENE3D* scene = nullptr;
    OBJECT3D* water = nullptr;
    OBJECT3D* ball = nullptr;
};
SeaState& sea_state();
// The values of a fresh sea for a grid of N x P points.
SeaState make_sea_state(int N = 100, int P = 100);

// Sky colour the view clears to while the sea scene is shown.
constexpr float kSeaSky[4] = {0.f, 0.68235296f, 1.f, 1.f};

// Objects of the sea scene, by their positions when it is built (before
// the lists are rebuilt).
enum SeaObject { kSeaWater = 0, kSeaSphere = 1, kSeaCloud = 2, kSeaBase = 3 };

// Builds the sea scene into `scene`, emptying it first (the scene's
// positions 0 to 3 belong to the sea). A missing scene file is reported
// ("File not found") and its object is left out; the later steps skip what
// is missing. The files are looked up in `folder` first (find_data_file).
// Returns the number of objects in the scene afterwards.
// The caller sets the clear colour and rebuilds the lists.
int SeaScene(SCENE3D& scene, const std::string& folder = {});

// One step of the sea at time t (s): ripples (and rings after the impact)
// on the sea's heights, and one fall step of the sphere. Only y of the
// sea's points changes. Nothing happens to a scene the sea was not built
// in, nor to a sea or sphere no longer in it.
void AnimateSea(SCENE3D& scene, double t);
