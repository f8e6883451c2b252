// Entry points of the readers other than VRML. Each works on the loader's
// whole-file buffer (m_buf, m_len, m_filename) and fills the scene.
#pragma once
#include <cstddef>

class Scene;
class SCENE3D;
struct LODSET;

// X text mesh; nonzero when it took the file.
int read_x_file(Scene& loader, SCENE3D& scene);
// Building outlines (first bytes "CODE") and elevation grids (first byte a blank).
int read_building_file(Scene& loader, SCENE3D& scene);
int read_grid_file(Scene& loader, SCENE3D& scene);
// Point set (text beginning with "POINTS"); 1 when it took the file.
int read_point_set(Scene& loader, SCENE3D& scene);
// Level-of-detail script into a set; 0 when refused.
int read_lod_script(Scene& loader, LODSET& set);
// Binary scene format.
int load_binary(const char* path, SCENE3D& scene);
// The same from a file already held in memory (path names it in messages).
int load_binary_buffer(const char* data, size_t len, const char* path, SCENE3D& scene);
int save_binary(const char* path, const SCENE3D& scene);
