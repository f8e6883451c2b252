// Image files through CTexture::ReadFile. The first byte picks the kind:
// 0 BMP, 1 JPEG, 2 RAW (the next three bytes give width, height and depth
// choice), 3 lumi (the next two bytes give the length of a chroma companion
// taken from the end of the input), 4 PNG, 5 GIF; 6 and 7 are not used.
#include "fuzz_common.h"
#include "image/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int kind = data[0] & 7;
    ++data;
    --size;
    CTexture t;
    switch (kind) {
    case 0:
        t.ReadFile(fuzz::write_input("in.bmp", data, size));
        break;
    case 1:
        t.ReadFile(fuzz::write_input("in.jpg", data, size));
        break;
    case 2: {
        if (size < 3) return 0;
        static const int depths[4] = {8, 24, 32, 16};
        int w = data[0] + 1, h = data[1] + 1, d = depths[data[2] & 3];
        t.ReadFile(fuzz::write_input("in.raw", data + 3, size - 3), w, h, d);
        break;
    }
    case 3: {
        if (size < 2) return 0;
        size_t chro = (size_t(data[0]) << 8 | data[1]);
        data += 2;
        size -= 2;
        if (chro > size) chro = size;
        std::string chro_path = fuzz::scratch() + "/in.chro";
        std::remove(chro_path.c_str());
        if (chro) fuzz::write_input("in.chro", data + size - chro, chro);
        t.ReadFile(fuzz::write_input("in.lumi", data, size - chro));
        break;
    }
    case 4:
        t.ReadFile(fuzz::write_input("in.png", data, size));
        break;
    case 5:
        t.ReadFile(fuzz::write_input("in.gif", data, size));
        break;
    default:
        return 0;
    }
    // (The readers allow up to 2^26 pixels; the operations below on such a
    // block take seconds under the sanitizers, so they run on smaller ones.)
    if (t.IsValid() && (long long)t.width * t.height <= (1 << 22)) {
        t.FlipVertical();
        t.SaveFile(fuzz::scratch() + "/out.bmp");
    }
    return 0;
}
