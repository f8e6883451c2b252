// Landscape generators: random midpoint relief (fractal), the terrain seed,
// the cloud box around a scene, and the tree texture's transparency.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "math/vec3.h"

class OBJECT3D;
class SCENE3D;

// The pseudo-random sequence of the relief: the classic runtime generator
// of the platform the scenes come from (state = state * 214013 + 2531011,
// value = bits 16..30 of the state, 0 ... 32767), never seeded, so every run
// of the program draws the same sequence. glibc's rand differs: not used.
int relief_rand();
// Restarts the sequence (the state of a fresh program is 1).
void relief_srand(uint32_t seed);

// Height step of one random unit: the single-precision float nearest 0.00001.
constexpr float kReliefStep = 0.00001f;
// Capacities of the relief's scratch tables: a pass whose result would not
// fit is not run.
constexpr int kReliefMaxPoints = 500000;
constexpr int kReliefMaxIndex = 100000;

// One unique undirected edge of a mesh and the faces that meet at it
// (face numbers in m_index order).
struct MeshEdge {
    int a = 0, b = 0;           // a < b
    std::vector<int> faces;
};
// The object's edge list, sorted by (a, b). Corners naming no point are
// left out.
std::vector<MeshEdge> build_edge_list(const OBJECT3D& o);

// One pass of random midpoint subdivision: every triangle gets its three
// edge midpoints (z raised by relief_rand() * kReliefStep, drawn for ab,
// bc, ca in that order; midpoints not shared) and is replaced by four.
// 0 and the object unchanged when a face is not a triangle of existing
// points, or the result would exceed the scratch capacities.
int SubdivideFractal(OBJECT3D& o);

// The relief: `depth` passes (each after refreshing the edge list), then
// the four square texture vertices for texture indices 0..3 and, for the
// corners numbered above 3, texture vertices taken from their points'
// (x, y); the texture index is a copy of the face index. texture_file is
// bound through the scene's table (empty: none). 1 when every pass ran.
int MakeFractal(OBJECT3D& o, SCENE3D& scene, const std::string& name, int depth,
                const std::string& texture_file);

// Scene commands: each appends what it builds and returns the number of
// objects added (0: scene unchanged). The caller rebuilds, dumps, redraws.
// The data files ("mer_texture.jpg", ...) are looked up in `folder` first
// (see find_data_file).
int AddFractal(SCENE3D& scene, const std::string& folder = {});   // "Triangle", depth 2
int AddTerrain(SCENE3D& scene);     // "TERRAIN", the unit triangle
// A cube five times the extent of the scene's points, standing on y = -0.5
// and centred on the scene in x and z. Extends the scene bounds first.
// Nothing is added when the scene holds no points.
int AddCloudsBox(SCENE3D& scene);

// Makes the dark pixels of the tree texture "arbre.jpg" transparent: every
// object using it gets a white diffuse colour 0; the texture of the last one
// gets an alpha layer where (R + G + B) / 3 > 40 is opaque. Returns the
// texture index to hand to the renderer again, -1 when none was changed.
int SetTreeTransparency(SCENE3D& scene);
