// Document open: the reader is chosen by the first bytes (VRML 1.0/2.0, X,
// building, grid, point set), then the scene operations run on the result.
// Inputs of odd length are read with the layout looked at on a second
// thread and lists read ahead there, as large files are.
#include "fuzz_common.h"
#include "io/open.h"
#include "io/scene_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::write_input("in.wrl", data, size);
    set_layout_look_aside(size % 2 ? 0 : 1 << 20);
    std::unique_ptr<SCENE3D> scene;
    if (open_document(path, scene, FinishFn()) && scene) fuzz::exercise_scene(*scene);
    current_scene() = nullptr;
    return 0;
}
