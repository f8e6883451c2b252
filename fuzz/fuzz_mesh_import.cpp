// The formats read through the asset library: the first byte picks the
// name the input is given (and so the format tried when its bytes do not
// say), the rest is the file. Whatever is read is exercised like the other
// readers' scenes and exported to glTF again.
#include "fuzz_common.h"
#include "io/export.h"
#include "io/open.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const names[] = {"in.glb", "in.gltf", "in.obj", "in.stl", "in.ply", "in.3ds", "in.dae", "in.off"};
    if (size < 1) return 0;
    std::string path = fuzz::write_input(names[data[0] % 8], data + 1, size - 1);
    std::unique_ptr<SCENE3D> scene;
    if (open_document(path, scene, FinishFn()) && scene) {
        fuzz::exercise_scene(*scene);
        export_scene(*scene, path + ".out.glb");
    }
    current_scene() = nullptr;
    return 0;
}
