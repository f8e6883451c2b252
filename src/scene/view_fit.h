// "View All": the camera record that places the whole scene in view, and
// the part of the view a scene covers from a given camera. No GL: the
// projection is the one the frame sets (perspective of the scene's field
// of view, near and far planes around the scene), the camera the reset one
// turned to no angle.
#pragma once
#include "math/vec3.h"

class SCENE3D;
struct CAMERA3D;

// World box of everything drawn: each object's box through its own
// placement (translation, rotation, scale, matrix). False when the scene
// has no vertices.
bool scene_world_box(const SCENE3D& scene, Vec3& min, Vec3& max);

// The camera record (position; rotation (0, 0, 0)) from which the whole
// scene fills the view of vertical field fovy (degrees) and width/height
// aspect. False (camera unchanged) when the scene has no vertices.
bool view_all_camera(const SCENE3D& scene, double fovy, double aspect, CAMERA3D& camera);

// Fraction (0 to 1) of the view that the scene's world box covers, seen
// from `camera` (its rotation taken as zero).
double view_coverage(const SCENE3D& scene, const CAMERA3D& camera, double fovy, double aspect);

// What an open does after the camera reset: when the scene would cover
// less than 1% of the view (or none of it), or when `always` or the
// scene's m_frame_on_open is set, the scene's
// camera frames it. True when it did; the caller says so on the status line.
bool frame_scene_if_lost(SCENE3D& scene, double aspect, bool always = false);

// Where an open puts the camera, once it is reset.
enum class OpenCamera {
    Reset,       // left as reset
    Viewpoint,   // at the file's first viewpoint (with its field of view)
    Framed,      // framing the whole scene: a file without a camera of its own, or `fit`
    Lost,        // framed because the reset camera would show a speck or nothing
};
// A file read as a scene graph, or an X file (the scene's m_file_camera),
// opens at its first viewpoint, else framed whole; other scenes keep the
// reset camera unless it would show less than 1% of the view. `fit` frames
// every scene whole.
OpenCamera place_opening_camera(SCENE3D& scene, double aspect, bool fit = false);

// The status-line text of a framed open.
extern const char* const k_framed_status;
