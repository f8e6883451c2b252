// One frame of the scene: projection, camera, objects, level-of-detail
// levels, bounding boxes, stereo shift, camera reset and picking. The
// platform view owns a GlView and calls it with its context current; it
// swaps buffers itself after a normal frame.
#pragma once
#include <string>
#include <vector>

#include "math/vec3.h"

class SCENE3D;

// A level-of-detail set as the frame draws it: level j owns the distance
// band between bounds[j] and bounds[j+1].
struct LodLevels {
    std::vector<SCENE3D*> levels;
    std::vector<float> bounds;   // levels.size() + 1 entries
};

struct GlView {
    SCENE3D* scene = nullptr;      // not owned
    int width = 0, height = 0;
    float clear_rgb[3] = {0.f, 0.f, 0.f};

    bool examine = false;
    bool fog = false;
    bool stereo = false;
    bool pick_pass = false;
    bool rotate = false, walk = false;
    bool left_down = false, right_down = false;
    int last_dx = 0, last_dy = 0;
    float trans_speed = 0.02f, rot_speed = 0.02f;
    Vec3 walk_pos{0.f, 0.f, -20.f};
    Vec3 last_cam{0.f, 0.f, -20.f};

    // Depth range of the last frame: near and far planes around the
    // scene's world box as seen from the eye (far / near at most 10^4).
    double near_plane = 0.1, far_plane = 10000.0;
    // World box of the scene the depth range follows, kept until the scene,
    // its object count or its vertex count changes.
    const SCENE3D* box_scene = nullptr;
    long long box_key = -1;
    bool box_valid = false;
    Vec3 box_min, box_max;

    const LodLevels* lod = nullptr;   // not owned
    int lod_shown_active = -1;        // active count last written to the status line
    int lod_active = 0;
    int lod_level = 0;
};

// Viewport and projection for a w x h view (aspect w when h is 0).
void ResizeView(GlView& v, int w, int h);
// Draws one whole frame into the bound framebuffer (no swap): the normal
// frame, or the pick frame when v.pick_pass is set.
void PaintView(GlView& v);
// Draws the scene's objects (and shown boxes). 0 without objects.
int DrawScene(SCENE3D& scene, bool pick_pass);
// Appends one wire box object per object with vertices (once).
void BuildBoxes(SCENE3D& scene);
// Walk composition: the camera moves since the last frame, turned by the
// heading, accumulate in the walk position.
void UpdateWalkPosition(GlView& v, const Vec3& cam_pos, const Vec3& cam_rot);
// The walk position that shows what the camera record shows in the
// examine composition (the record's position turned back by its angles),
// taken as seen: the next frame adds no move.
void PlaceWalkFromCamera(GlView& v);
// Near and far planes for the current modelview: around the scene's world
// box, the near plane a ten-thousandth of the far one. Sets the projection.
void FitDepthRange(GlView& v);
// Stereo View command: +2 / -2 on the camera's x, alternately.
void StereoShift(GlView& v);
// Reset command: speeds, flags, walk position and the scene camera.
void ResetCamera(GlView& v);
// Draws the level-of-detail set (within PaintView; exposed for tests).
void DrawLod(GlView& v);

// Picks at client point (x, y) (y downwards from the top): draws the pick
// frame, reads the pixel and returns the object index or -1. Reports nothing.
int PickIndex(GlView& v, int x, int y);
// The pick result on the status line: "ERREUR DESIGNATION" for -1, else
// the object's index, the object count and its name.
void ReportPick(const SCENE3D* scene, int index);
// PickIndex, then ReportPick.
int PickObject(GlView& v, int x, int y);
