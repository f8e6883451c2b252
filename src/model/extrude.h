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

// The section repeated at every point of the curve (translated, not
// rotated): n*m points, and for each pair of neighbouring curve points a
// closed ring of n quads. result is cleared and filled; 0 (result left
// empty) when either object has no points or the result would be absurdly
// large.
int ExtrudeCurve(OBJECT3D& result, const OBJECT3D& section, const OBJECT3D& curve);

class SCENE3D;

// The "Extrude" command on the indices stored in the scene: nothing when no
// section is chosen or an index names no object; along (0, 0, 1) as
// "Extrude" without a curve, else along the curve as "Extrude_curve".
// Returns the number of objects added (0 or 1).
int AddExtrude(SCENE3D& scene);

// Wall of the 2D drawing: one quad 20 high per shape that has an outline
// point (pictures and patches have none), standing on z = 0 in drawing
// coordinates. For a such shapes: bottom points at each shape's start and
// at the end of the last, top points 20 above them, and the quads (k, k+1,
// k+a+2, k+a+1). result is cleared and filled; 0 (result left empty) when no
// shape has an outline point.
int ExtrudeDrawing(OBJECT3D& result, const ShapeList& shapes);
