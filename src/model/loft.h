// The lofted boat hull and the panorama cylinder, with the panorama's
// walking limits.
#pragma once
#include <string>

#include "math/vec3.h"

class OBJECT3D;
class SCENE3D;

// One skin of the boat: the 9-entry cross-section swept along the 7-entry
// longitudinal profile (9 x 7 points, 48 quads), textured with
// "pirogue_pattern_quad_1.bmp" (texture_file; empty: none). Orientation 1
// gives the quads (m, m+1, m+10, m+9), any other value the opposite winding.
int MakeHull(OBJECT3D& o, SCENE3D& scene, const std::string& name, int orientation,
             const std::string& texture_file);

// Size of the panorama: radius x, radius y, height.
constexpr Vec3 kPanoramaSize{20.f, 20.f, 30.f};
constexpr int kPanoramaSegments = 30;

// Inside-textured vertical cylinder of 30 segments around the y axis (bottom
// ring at y = 0, top at y = size.z) with the picture wrapped once round;
// the seam quad runs from u = 29/30 to u = 1. Sets m_needs_rebuild.
int MakePanorama(OBJECT3D& o, SCENE3D& scene, const std::string& name, const Vec3& size,
                 const std::string& picture);

// Scene commands; each returns the number of objects added.
// "Loft": two "Bateau" skins, the first (outer) 0.2 higher; the pattern is
// looked up in `folder` first (find_data_file).
int AddLoft(SCENE3D& scene, const std::string& folder = {});
// "Panoramique": a scene of exactly one object loses it (a new panorama
// replaces the old one); the panorama "pano" is placed around the camera
// and the scene is switched to panorama walking (m_collision 1,
// m_collision_off 0). picture may be empty (a cancelled file dialog).
int AddPanorama(SCENE3D& scene, const std::string& picture, const Vec3& size = kPanoramaSize);

// Whether walking may move the camera to `pos`: always outside panorama
// mode or with the test disabled; else only inside the cylinder of radius
// radius_x - 3 about (0, -20) in x, z and within 3 of y = 0.
bool panorama_accepts(const SCENE3D& scene, const Vec3& pos, float radius_x = kPanoramaSize.x);
