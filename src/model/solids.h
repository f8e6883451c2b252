// Ready-made solids and the point operations shared by every generator.
// Each Make* replaces the object's points, faces and (where it makes them)
// texture coordinates, forgets its normals (the next compilation builds
// them) and stores the name. Materials stay as they are.
#pragma once
#include <cstdint>
#include <string>

#include "math/vec3.h"

class OBJECT3D;
class SCENE3D;
class CMatrix;

// Full turn used by the ring generators, computed in double precision.
constexpr double kTurn = 6.28318530717958;

struct CylinderParams {
    int n = 20;                     // segments
    Vec3 centre{0.f, 0.f, 0.f};     // centre of the bottom ring
    Vec3 size{1.f, 1.f, 5.f};       // radius x, radius y, height (along z)
    std::string texture;            // empty: no texture
};

struct ConeParams {
    int n = 10;
    float bottom_radius = 1.f;
    float top_radius = 5.f;
    float height = 10.f;
};

struct GridParams {
    float ax = 1.f, az = 1.f;   // spacing along x and z
    int n = 100, p = 100;       // points along x and z
    int orientation = 1;        // 1: quads (m, m+1, m+1+n, m+n); else the opposite winding
};

// Largest grid made: n * p points (a 2000 x 2000 grid).
constexpr long long kMaxGridPoints = 4000000;

// Unit cube of 6 quads with the shared square texture vertices; sets
// m_needs_rebuild. With a texture name, binds it (see bind_texture).
int MakeCube(OBJECT3D& o, SCENE3D& scene, const std::string& name, const std::string& texture);
// Open cylinder side about the z axis: 2n points, n quads, 2n texture
// vertices. 0 (object unchanged) when n < 1 or n is absurdly large.
int MakeCylinder(OBJECT3D& o, SCENE3D& scene, const std::string& name, const CylinderParams& p);
// Open truncated cone standing on the origin, winding opposite to the
// cylinder's, no texture. 0 (object unchanged) for n < 1 or absurd n.
int MakeCone(OBJECT3D& o, const std::string& name, const ConeParams& p);
// Flat grid in the plane y = 0: n*p points, (n-1)(p-1) quads. 0 (object
// unchanged) when a count is below 1 or n*p exceeds kMaxGridPoints.
// The name is not touched; m_list_built is cleared.
int MakeGrid(OBJECT3D& o, const GridParams& p);
// One quad in the plane z = origin.z with the square texture vertices;
// m_texture_name = texture, bound through the scene's texture table.
int MakeRectangle(OBJECT3D& o, SCENE3D& scene, const std::string& name, const Vec3& origin,
                  const Vec3& size, const std::string& texture);
// One triangle (o), (o + sx), (o + sx + sy) in the plane z = origin.z.
int MakeTriangle(OBJECT3D& o, const std::string& name, const Vec3& origin, const Vec3& size);

// Point operations: only the points change (no rebuild flag).
void ScalePoints(OBJECT3D& o, const Vec3& factor);
void TranslatePoints(OBJECT3D& o, const Vec3& delta);
// Every point as a 3x1 column is replaced by m times it; 0 (nothing done)
// unless m is 3 x 3.
int TransformPoints(OBJECT3D& o, const CMatrix& m);

// Material colours from a packed 0x00BBGGRR value (byte / 255) for one
// material number; set m_needs_rebuild. 0 and nothing done when the object
// has no points, no such list, or the number lies outside the list.
int SetAmbientColor(OBJECT3D& o, int material, uint32_t packed);
int SetDiffuseColor(OBJECT3D& o, int material, uint32_t packed);
int SetSpecularColor(OBJECT3D& o, int material, uint32_t packed);
Vec3 unpack_colour(uint32_t packed);

// Gives the object its texture slot (-1 until bound), sets m_texture_mode 1
// and looks the file up in (or loads it into) the scene's texture table
// with the object's transparency. 1 when the slot names a texture
// afterwards; an empty name binds nothing and changes nothing.
int bind_texture(OBJECT3D& o, SCENE3D& scene, const std::string& file);
