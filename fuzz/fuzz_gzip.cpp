// Compressed scene files through the document open. An input that begins
// with the gzip bytes 1F 8B is taken as it is (damaged and cut-short
// streams); any other input is compressed first, in one or two members
// (the last byte chooses), so that the readers see the inflated text.

#include <string>

#include "fuzz_common.h"
#include "gzip_member.h"
#include "io/open.h"
#include "io/scene_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Bombs are refused well below the memory limit of the fuzzer.
    static const size_t limit = (set_inflate_limit(64 << 20), 64 << 20);
    (void)limit;
    std::string bytes;
    if (size >= 2 && data[0] == 0x1F && data[1] == 0x8B) {
        bytes.assign((const char*)data, size);
    } else if (size > 0 && (data[size - 1] & 1)) {
        bytes = fuzz::gzip(data, size / 2) + fuzz::gzip(data + size / 2, size - size / 2);
    } else {
        bytes = fuzz::gzip(data, size);
    }
    std::string path = fuzz::write_input("in.wrl", (const uint8_t*)bytes.data(), bytes.size());
    std::unique_ptr<SCENE3D> scene;
    if (open_document(path, scene, FinishFn()) && scene) fuzz::exercise_scene(*scene);
    current_scene() = nullptr;
    return 0;
}
