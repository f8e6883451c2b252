// Sweeps that build a new object from the faces of another.
#pragma once
#include "math/vec3.h"

class OBJECT3D;

// Prism side of a section: the section's points, then the same points moved
// by v, and one quad per corner of each section face joining the corner to
// the next one (the last corner of a face closes back to its first). The
// corners of the section's faces are taken as its points in order, each
// point once (as the outline and 2D polygon objects list them).
// result is cleared and filled; 0 (and result left empty) when the section
// has no points, or more corners than points.
int ExtrudeVector(OBJECT3D& result, const OBJECT3D& section, const Vec3& v);
