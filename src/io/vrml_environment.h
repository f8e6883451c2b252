// Background and Fog nodes of VRML 2.0 files: the first of each kind
// sets the scene's sky and fog.
#pragma once

class SCENE3D;

namespace vrml {

struct VNode;

void read_background(const VNode& n, SCENE3D& scene);
void read_fog(const VNode& n, SCENE3D& scene);

} // namespace vrml
