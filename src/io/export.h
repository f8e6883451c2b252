// Export of a scene to the mesh formats of other programs: glTF 2.0 (.glb,
// .gltf with its buffer and pictures beside it), OBJ with its MTL and
// pictures, binary STL and binary PLY. Every file goes through the atomic
// writer: on failure nothing written by the export is left behind.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class SCENE3D;
class OBJECT3D;
class CTexture;

// Writes the scene to `path`, in the format of its extension. 1 when
// written; 0 after one message saying why.
int export_scene(const SCENE3D& scene, const std::string& path);

// What an export holds of a scene, for the callers that report it.
struct ExportSummary {
    int objects = 0;
    long long triangles = 0;
};
int export_scene(const SCENE3D& scene, const std::string& path, ExportSummary* summary);

// The triangles the object draws: every face of three or more usable
// corners gives its corner count less two.
long long held_triangles(const OBJECT3D& o);

// --- Shared by the writers ---

// The placement of an object (translation, rotation, scale with its
// orientation, matrix) as a column-major 4x4 matrix.
struct Placement {
    double m[16];
    bool identity() const;
    // Translation, rotation (quaternion x, y, z, w) and scale that give the
    // same matrix; false when the matrix has shear or projection.
    bool decompose(double t[3], double q[4], double s[3]) const;
};
Placement object_placement(const OBJECT3D& o);

// One object as triangles over vertices that carry their own normal and
// texture coordinate, ready for the writers.
struct ExportMesh {
    std::string name;
    std::vector<float> positions;   // 3 per vertex
    std::vector<float> normals;     // 3 per vertex, or empty: flat faces
    std::vector<float> texcoords;   // 2 per vertex (v downwards), or empty
    std::vector<uint8_t> colours;   // 3 per vertex when asked for
    std::vector<uint32_t> indices;  // 3 per triangle
    float min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
    size_t vertex_count() const { return positions.size() / 3; }
};
// `bake`: a placement applied to the positions and normals (null: the
// object's own coordinates). `colours`: per-vertex colours from the faces'
// diffuse colours. `flat_normals`: faces without normals of their own get
// their geometric normal (corner vertices), for formats that need normals.
ExportMesh export_mesh(const OBJECT3D& o, const Placement* bake, bool colours, bool flat_normals);

// The bytes of the object's texture as a PNG or JPEG file: the picture's
// own file when it is one of these, else its pixels encoded as PNG. Empty
// when the object has no texture that can be written.
struct ExportPicture {
    std::vector<unsigned char> bytes;
    std::string mime;   // "image/png" or "image/jpeg"
    std::string ext;    // ".png" or ".jpg"
};
ExportPicture export_picture(const CTexture& t);
// The folder of an output path (with its slash, empty when none) and its
// name without the extension: where and under what name files beside it go.
void split_path(const std::string& path, std::string& folder, std::string& stem);
// The texture an object shows (null when none).
const CTexture* object_texture(const SCENE3D& scene, const OBJECT3D& o, int* index = nullptr);

int export_gltf(const SCENE3D& scene, const std::string& path, bool binary, ExportSummary& summary);
int export_obj(const SCENE3D& scene, const std::string& path, ExportSummary& summary);
int export_stl(const SCENE3D& scene, const std::string& path, ExportSummary& summary);
int export_ply(const SCENE3D& scene, const std::string& path, ExportSummary& summary);
