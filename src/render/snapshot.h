// Rendering a scene file without a window: the same open path, finishing
// steps, camera reset and frame as the view, into an off-screen context.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class SCENE3D;
class CTexture;
struct LODSET;
struct LodLevels;

// The levels of a set as the frame draws them.
LodLevels lod_levels_of(const LODSET& set);
// The finishing steps of every level scene of a set.
void finish_lod_gl(LODSET& set);

// The finishing steps of an open, with the view's context current:
// textures and display lists, then the lights. 1. With
// `lists_after_first_frame` the lists are left for CompileDeferredLists,
// to be made once the first frame is shown.
int finish_scene_gl(SCENE3D& scene, bool lists_after_first_frame = false);

// Draws one normal frame of `scene` (and of the level-of-detail set, when
// given) into the bound w x h framebuffer and returns it as packed RGB
// rows, bottom row first. The camera is placed as an open places it: the
// file's first viewpoint, the whole scene, or the reset camera (framed when
// it would show less than 1% of the frame); every scene is framed whole
// with `fit`.
std::vector<uint8_t> render_scene_frame(SCENE3D& scene, int w, int h, const LodLevels* lod = nullptr,
                                        bool fit = false);

// Fills `image` (24 bits, DIB order) from packed RGB rows, bottom row first.
bool image_from_frame(const std::vector<uint8_t>& rgb, int w, int h, CTexture& image);

// Opens `scene_path` as the command line does (the document open; binary
// scenes and level-of-detail sets by their extension) and renders it at w x h with
// clear colour `clear_rgb` into `image`. false with a reason in `error`.
// A world that moves is shown as it is `seconds` after opening.
bool snapshot_scene(const std::string& scene_path, int w, int h, const float clear_rgb[3], CTexture& image,
                    std::string& error, bool fit = false, double seconds = 0.0);
