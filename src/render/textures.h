// GL texture objects of the scene's texture table, and the pass that
// rebuilds everything GL holds for a scene.
#pragma once

class SCENE3D;
class CTexture;

// Recreates the GL textures (when the scene is textured), orders the
// objects for drawing and picking and compiles every display list.
// 0 when the scene has no objects.
int BuildTextures(SCENE3D& scene);
// Its two halves, in this order: textures, object order and pick ids, and
// the normals every list is compiled with (PrepareSceneGL); then the lists
// and the scene bounds (CompileSceneLists). 0 when the scene has no objects.
int PrepareSceneGL(SCENE3D& scene, bool lists_follow = false);
int CompileSceneLists(SCENE3D& scene);
// BuildTextures for a window that should show the scene soon: the textures
// and the preparation of a frame drawn straight from the arrays, without
// the lists (the scene is marked m_lists_deferred). CompileDeferredLists
// then makes the lists, after the first frame; the pixels are the same.
// Each 0 when there was nothing to do.
int BuildTexturesForFirstFrame(SCENE3D& scene);
int CompileDeferredLists(SCENE3D& scene);
// Uploads table entry k (resampled to power-of-two sizes first) with a full
// mipmap chain into its GL texture object. 1.
int UploadTexture(SCENE3D& scene, int k);
// Entry k of the texture table, or null.
CTexture* GetTexture(SCENE3D& scene, int k);

// The GL texture name an object is drawn with, or 0 for none (no texture,
// mode -1, or a slot that holds no valid texture index).
unsigned object_texture_name(const SCENE3D& scene, int object_index);
