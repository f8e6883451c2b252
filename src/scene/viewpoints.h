// Viewpoints of a scene: the objects that carry a viewpoint record, in
// object order, as the Viewpoints dialog lists them (entry i is the i-th
// such object). Choosing one puts the eye where the viewpoint says: at its
// position, looking along -Z turned by its orientation, with its field of
// view.
#pragma once
#include <string>

#include "math/vec3.h"

class SCENE3D;
struct CAMERA3D;
struct VIEWPOINT3D;

// Rotations as 3x3 matrices, row-major (r[row * 3 + column]), acting on
// column vectors.
// The rotation by `angle` radians about `axis` (right-handed); the identity
// for a zero or non-finite axis or angle.
void axis_angle_matrix(const Vec3& axis, double angle, double r[9]);
// Axis (unit) and angle (radians, 0 to pi) of a rotation matrix; (0, 0, 1)
// and 0 for the identity.
void matrix_axis_angle(const double r[9], Vec3& axis, float& angle);
// Angles (degrees) about X, Y and Z, applied in that order as the frame
// does (glRotate X, then Y, then Z), whose product is `r`.
Vec3 matrix_euler_xyz(const double r[9]);
// The product Rx(angles.x) Ry(angles.y) Rz(angles.z), angles in degrees.
void euler_xyz_matrix(const Vec3& angles, double r[9]);

// The camera record that shows the viewpoint: rotation the inverse of its
// orientation (as X, Y, Z angles), position the world translation that
// puts its eye at the origin. Its field of view in degrees in `fovy`
// (45 when the record's is not between 0 and 180 degrees).
void viewpoint_camera(const VIEWPOINT3D& vp, CAMERA3D& camera, double& fovy);

// Number of entries.
int viewpoint_count(const SCENE3D& scene);
// Puts the camera at the viewpoint of entry `entry` and the scene's field
// of view at its own; the object's name in `name` when given. false
// (camera unchanged) when there is no such entry.
bool go_to_viewpoint(SCENE3D& scene, int entry, std::string* name = nullptr);
// The same for the viewpoint carried by object `object`.
bool go_to_viewpoint_of(SCENE3D& scene, int object);
// The entry after (step > 0) or before (step < 0) `current`, going round at
// both ends; with `current` -1 (none chosen yet) the first or the last.
// Moves the camera there and gives the object's name. Returns the entry, or
// -1 (camera unchanged, name emptied) when no object has a viewpoint. The
// caller keeps the entry as the current one for the next step.
int step_viewpoint(SCENE3D& scene, int current, int step, std::string* name = nullptr);
