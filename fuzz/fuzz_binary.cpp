// Binary scenes (.wrb) through the open by extension, then the scene
// operations, including a save and reload.
#include "fuzz_common.h"
#include "io/lod.h"
#include "io/open.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::write_input("in.wrb", data, size);
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    if (open_by_extension(path, scene, lod, FinishFn()) == OpenResult::Scene && scene)
        fuzz::exercise_scene(*scene);
    current_scene() = nullptr;
    return 0;
}
