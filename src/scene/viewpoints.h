// Viewpoints of a scene: the objects that carry a viewpoint record, in
// object order, as the Viewpoints dialog lists them (entry i is the i-th
// such object). Choosing one puts the camera at the viewpoint's position
// with its third coordinate negated.
#pragma once
#include <string>

class SCENE3D;

// Number of entries.
int viewpoint_count(const SCENE3D& scene);
// Moves the camera to the viewpoint of entry `entry`; the object's name in
// `name` when given. false (camera unchanged) when there is no such entry.
bool go_to_viewpoint(SCENE3D& scene, int entry, std::string* name = nullptr);
// The entry after (step > 0) or before (step < 0) `current`, going round at
// both ends; with `current` -1 (none chosen yet) the first or the last.
// Moves the camera there and gives the object's name. Returns the entry, or
// -1 (camera unchanged, name emptied) when no object has a viewpoint. The
// caller keeps the entry as the current one for the next step.
int step_viewpoint(SCENE3D& scene, int current, int step, std::string* name = nullptr);
