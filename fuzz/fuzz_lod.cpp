// Level-of-detail scripts (.lod). The levels they name are looked up in the
// scratch folder, where the two sample levels are copied at start-up
// (QV_FUZZ_SAMPLES names the samples folder).
#include <fstream>

#include "fuzz_common.h"
#include "io/lod.h"
#include "io/open.h"

static void copy_sample(const char* name)
{
    const char* dir = std::getenv("QV_FUZZ_SAMPLES");
    std::string from = std::string(dir ? dir : "samples") + "/" + name;
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(fuzz::scratch() + "/" + name, std::ios::binary);
    out << in.rdbuf();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        copy_sample("levels_hi.wrl");
        copy_sample("levels_lo.wrl");
        copy_sample("house.wrl");
        copy_sample("cube.x");
        return true;
    }();
    (void)ready;
    std::string path = fuzz::write_input("in.lod", data, size);
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    if (open_by_extension(path, scene, lod, FinishFn()) == OpenResult::Lod && lod) {
        for (int i = 0; i < lod->m_nlevels && i < lod->m_capacity; ++i)
            if (lod->m_levels[i]) fuzz::exercise_scene(*lod->m_levels[i]);
    }
    current_scene() = nullptr;
    return 0;
}
