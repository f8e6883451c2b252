// Reading of the formats that the asset library reads for us.
#pragma once
#include "io/formats.h"

class Scene;
class SCENE3D;

// Reads the file held by `loader` (its name and bytes) as `format` into the
// scene, which it empties first. 0 after one message naming the file and
// the library's reason; the scene then holds nothing of the file.
int read_with_library(Scene& loader, SCENE3D& scene, const FileFormat& format);
