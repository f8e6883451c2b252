#pragma once
// The scene file's sky and fog in a frame.
class SCENE3D;
struct GlView;

// Clears the frame: with the scene's sky colour when it has a Background
// (the clear colour is put back afterwards), else with the current one.
void ClearWithSky(const SCENE3D* scene, bool pick_pass);
// Draws the sky gradient (when the Background has one) around the eye,
// turned by the view's rotation only; touches no depth.
void DrawSky(const SCENE3D& scene, const GlView& v);
// The scene's Fog node through GL fog; false when the scene has none.
bool ApplySceneFog(const SCENE3D& scene);
