// Sweeps that build a new object from the faces of another.
#pragma once
#include "math/vec3.h"
#include "model/shape2d.h"

class OBJECT3D;

// Prism side of a section: the section's points, then the same points moved
// by v, and one quad per corner of each section face joining the corner to
// the next one (the last corner of a face closes back to its first). The
// corners of the section's faces are taken as its points in order, each
// point once (as the outline and 2D polygon objects list them).
// result is cleared and filled; 0 (and result left empty) when the section
// has no points, or more corners than points.
int ExtrudeVector(OBJECT3D& result, const OBJECT3D& section, const Vec3& v);

// Wall of the 2D drawing: one quad 20 high per shape that has an outline
// point (pictures and patches have none), standing on z = 0 in drawing
// coordinates. For a such shapes: bottom points at each shape's start and
// at the end of the last, top points 20 above them, and the quads (k, k+1,
// k+a+2, k+a+1). result is cleared and filled; 0 (result left empty) when no
// shape has an outline point.
int ExtrudeDrawing(OBJECT3D& result, const ShapeList& shapes);
