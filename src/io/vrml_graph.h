// The scene-graph reader of VRML 1.0 and 2.0 files: every shape of the
// file becomes an object, in world coordinates (the enclosing transforms
// are applied to its points and normals), with its appearance, as the
// node tree says. Files in the layout of the object readers (marker
// comments, one shape per DEF'd top-level node) stay with those readers.
#pragma once
#include <string>
#include <vector>

#include "math/vec3.h"

class Scene;
class SCENE3D;
class OBJECT3D;

namespace vrml {

struct VTree;
struct NumberListSpan;

// True when the object readers read the file whole: every shape lies in
// its own DEF'd top-level node (or the file has object markers), and the
// file uses nothing those readers would drop or misplace.
bool object_layout(const Scene& L, const VTree& tree, int version);

// The same test on the loader's file (its node tree read without numbers).
// geometry_nodes, when given, receives the number of geometry nodes the
// file holds.
// lists, when given, receives where the number lists lie (none when the
// file's markers decided).
bool object_layout_file(Scene& L, int version, int* geometry_nodes = nullptr,
                        std::vector<NumberListSpan>* lists = nullptr);

// Reads the file as a scene graph into the scene. 1 when read. parsed: the
// file's node tree when it was read already (null: it is read here).
int read_scene_graph(Scene& L, SCENE3D& scene, int version, VTree* parsed = nullptr);

// Column-major 4x4 matrix, as GL takes it.
struct Mat4 {
    double m[16];
    Mat4();
    static Mat4 translate(double x, double y, double z);
    static Mat4 rotate(double ax, double ay, double az, double angle);   // radians
    static Mat4 scale(double x, double y, double z);
    Mat4 operator*(const Mat4& b) const;
    Vec3 point(const Vec3& p) const;
    Vec3 vector(const Vec3& v) const;
    // Normals: the inverse transpose, renormalised.
    Vec3 normal(const Vec3& n) const;
    bool identity() const;
};

// The orientation (axis, angle) of a view placed under the transform m:
// its looking and up directions go through m, and the rotation that takes
// the default view to them is the new orientation. A scale, even an
// uneven one, only changes lengths here.
void world_orientation(const Mat4& m, Vec3& axis, float& angle);

// The orientation (axis, angle) of a view looking along `direction` with
// `up` upwards (made square to the direction). False, leaving axis and
// angle as they were, when the direction is zero or not finite.
bool look_orientation(const Vec3& direction, const Vec3& up, Vec3& axis, float& angle);

} // namespace vrml
