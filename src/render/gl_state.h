// Global GL state of the view and the scene's lights.
#pragma once

class SCENE3D;

// GL light 0 as a white directional light from (1, 1, 1), lighting on,
// two-sided lighting, texture environment GL_DECAL.
void SetDefaultLight();

// Programs the scene's first eight lights that are on as GL lights 0..7
// (eye coordinates: call with the identity modelview matrix, between
// frames). A light that is off lights nothing; a scene without lights, or
// whose lights are all off, gets the default light. The GL lights left
// over are switched off. Always true.
bool BuildLights(SCENE3D& scene);

// The state the view sets once its context exists: clear colour (given by
// the caller, alpha 1), default light, GL_MODULATE, blending and hints.
void InitGlobalState(float clear_r, float clear_g, float clear_b);

// Clear colour of a view when the desktop gives none (a light grey, as the
// default button face).
constexpr float k_default_clear_rgb[3] = {239.f / 255.f, 239.f / 255.f, 239.f / 255.f};
