#pragma once
// Faces that GL cannot fill as they are: a polygon of four or more corners
// with a corner turning the other way (concave) is cut into triangles by
// the GLU tessellator before it is drawn. Convex faces are drawn whole.
#include <cstdint>
#include <vector>

#include "math/vec3.h"

// Whether the face through these corners (positions verts[idx[k]] for k in
// `corners`) turns the same way at every corner. Corners on a line and
// repeated corners do not count against it.
bool face_is_convex(const Vec3* verts, const int32_t* idx, const std::vector<int>& corners);

// Cuts the face into triangles: `out` receives three entries of `corners`
// for each triangle, in the face's own turning order. False (and `out`
// empty) when the tessellator would have to add corners (the face crosses
// itself) or cannot cut it; the face is then drawn as it is.
bool triangulate_face(const Vec3* verts, const int32_t* idx, const std::vector<int>& corners, std::vector<int>& out);
