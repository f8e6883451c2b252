// Image files through CTexture::ReadFile. The first byte picks the kind:
// 0 BMP, 1 JPEG, 2 RAW (the next three bytes give width, height and depth
// choice), 3 lumi (the next two bytes give the length of a chroma companion
// taken from the end of the input), 4 PNG, 5 GIF, 6 TGA; 7 BMP behind a
// 124-byte header of the newest kind with the next byte as its bit count
// and the one after as its compression, so that the colour-table,
// channel-mask and run-length paths are reached from short inputs.
#include "fuzz_common.h"
#include "image/texture.h"

#include <string>

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
    case 6:
        t.ReadFile(fuzz::write_input("in.tga", data, size));
        break;
    case 7: {
        if (size < 6) return 0;
        static const uint16_t bits[8] = {1, 4, 8, 16, 24, 32, 8, 4};
        static const uint32_t comp[4] = {0, 1, 2, 3};
        std::string f(138, '\0');
        auto put = [&](size_t at, uint32_t v, int n) {
            for (int i = 0; i < n; ++i) f[at + (size_t)i] = (char)(v >> (8 * i));
        };
        put(0, 0x4D42, 2);
        put(10, 138, 4);
        put(14, 124, 4);
        put(18, (uint32_t)data[2] % 64 + 1, 4);
        put(22, (uint32_t)((int8_t)data[3]) % 64, 4);
        put(26, 1, 2);
        put(28, bits[data[0] & 7], 2);
        put(30, comp[data[1] & 3], 4);
        put(46, data[4] % 20, 4);
        put(54, 0x00FF0000, 4);
        put(58, 0x0000FF00, 4);
        put(62, 0x000000FF, 4);
        put(66, data[5] & 1 ? 0xFF000000 : 0, 4);
        f.append((const char*)data + 6, size - 6);
        t.ReadFile(fuzz::write_input("in.bmp", (const uint8_t*)f.data(), f.size()));
        break;
    }
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
