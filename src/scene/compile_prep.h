// The scene preparation that compiling the display lists performs, without
// GL: the render layer calls these from BuildTextures / BuildList, and the
// command-line dump and binary save call them so that their output equals
// what the viewer holds after opening a file.
#pragma once
#include <functional>

class SCENE3D;
class OBJECT3D;

// Reorders the objects for drawing: objects with a transparency of 0 keep
// their relative order at the front; the others go to the back in reverse
// order (the first transparent object ends up last). Then every object's
// m_pick_id is set to its new index. An empty scene is left as it is.
void order_objects_for_compile(SCENE3D& scene);
// The object's texture has see-through texels (such objects are ordered
// with the transparent ones).
bool has_texel_alpha(const SCENE3D& scene, const OBJECT3D& obj);

// True when compiling `obj` in `scene` sends normals, materials and texture
// coordinates: the object is lit (m_lighting) and the scene is textured
// (m_textured; otherwise every object is compiled as bare geometry).
bool compiles_lit(const SCENE3D& scene, const OBJECT3D& obj);

// The normals that compiling builds for the object: for a lit object that
// has vertices (or an attached 2D shape) and is not a point set, face
// normals when it has none, then, when it is smoothed, vertex normals
// (added to the existing sums and normalised again on every compilation).
// A point set gets the scale (0.01, 0.01, 0.01) that its compilation
// forces.
void build_compile_normals(SCENE3D& scene, OBJECT3D& obj);

// Runs fn on every object of the scene (null slots passed over), split in
// two runs of consecutive objects of about equal size, the second on a
// thread of its own when the scene is large enough to gain from it. fn
// must touch nothing but its object. What fn reports comes in the order of
// the objects. Objects are independent: the result equals one run in order.
void for_each_object_on_two_threads(SCENE3D& scene, const std::function<void(OBJECT3D&)>& fn);

// Allows (the default) or forbids the second thread of the loop above;
// returns the previous setting. For comparisons with a run on one thread.
bool set_second_thread(bool allowed);
bool second_thread_allowed();

// Scene bounds (m_max, m_min, m_center) from the world bounds of the
// objects that have vertices.
void compute_scene_bounds(SCENE3D& scene);

// Everything above, in the order of BuildTextures: ordering and pick ids,
// the normals of every object in the new order, the scene bounds.
// 0 when the scene has no objects (nothing changes), else 1.
int prepare_scene_for_compile(SCENE3D& scene);
