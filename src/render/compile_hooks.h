// Preparation of objects before they are compiled, shared with the
// command-line dump so that both see the same normals and order.
#pragma once

class OBJECT3D;
class SCENE3D;

// Builds the normals a lit object is compiled with.
void prepare_lit_object(OBJECT3D& o);
// Moves transparent objects to the back (first transparent one last) and
// numbers every object for picking.
void order_objects_for_compile(SCENE3D& scene);
