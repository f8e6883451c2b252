// Geometry of one shape before it becomes an object: faces (or lines, or
// points) in the VRML manner, with optional per-corner normals and texture
// coordinates and per-face colours; and the generators of the geometry
// nodes that are not face lists.
#pragma once
#include <cstdint>
#include <vector>

#include "math/vec3.h"

namespace vrml {

struct VNode;

struct Mesh {
    enum Kind { Faces, Lines, Points };
    Kind kind = Faces;
    bool glyphs = false;           // faces are filled glyphs of a text
    std::vector<Vec3> pts;
    std::vector<int32_t> idx;      // -1 closes every face
    std::vector<Vec3> nrm;
    std::vector<int32_t> nidx;     // per corner, aligned with idx; empty: none
    std::vector<TexVertex> tex;
    std::vector<int32_t> tidx;     // per corner, aligned with idx; empty: none
    std::vector<Vec3> colours;
    std::vector<int32_t> fcol;     // per face: colour number; empty: none

    int faces() const;
    // Closes the last face and aligns the corner lists (-1 at every
    // terminator, missing entries -1).
    void normalise_lists();
    // Reverses the corners of every face (clockwise files).
    void flip();
    // Texture coordinates by the VRML default: the two largest extents of
    // the bounding box give s and t.
    void default_tex();
};

// Primitives, centred on the origin, with texture coordinates and normals.
void make_box(Mesh& m, float sx, float sy, float sz);
void make_sphere(Mesh& m, float r);
// parts: 1 side, 2 top, 4 bottom.
void make_cylinder(Mesh& m, float r, float h, int parts);
void make_cone(Mesh& m, float r, float h, int parts);
void make_elevation_grid(Mesh& m, const VNode& n);
void make_extrusion(Mesh& m, const VNode& n);

} // namespace vrml
