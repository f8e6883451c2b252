// Scene files with text, sky, fog and pixel images, read through the
// document open with the outline tessellator installed, so that glyph
// filling runs too; then the scene operations run on the result.
#include "fuzz_common.h"
#include "io/open.h"
#include "render/outline_tess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool installed = (install_outline_tessellator(), true);
    (void)installed;
    std::string path = fuzz::write_input("in.wrl", data, size);
    std::unique_ptr<SCENE3D> scene;
    if (open_document(path, scene, FinishFn()) && scene) fuzz::exercise_scene(*scene);
    current_scene() = nullptr;
    return 0;
}
