// Consistency checks of the scene model, for tests of every reader and
// generator: an empty text when the object (or scene) is consistent, else a
// description of the first fault found.
//
// Object: counts are not negative and an array is present exactly when its
// count is positive; the index list closes every face with -1, the last one
// included; nbface is the number of -1 entries; normalindex, texindex and
// m_vertex_normalindex (when present) hold nbindex entries with -1 where
// m_index holds -1; m_materialindex (when present) holds nbface entries;
// each material array has its recorded length and nbmaterial is 0 or one of
// those lengths; a textured object (m_texture_mode 1) has its texture slot;
// the animation arrays match their counts.
// Scene: object slots below nbobjects are filled and the others empty,
// texture and light entries are not null.
//
// The checks read every entry of every array, so that under
// AddressSanitizer an array shorter than its count is reported too.
#pragma once
#include <string>

class OBJECT3D;
class SCENE3D;

std::string check_object(const OBJECT3D& obj);
std::string check_scene(const SCENE3D& scene);
