// Targa pictures, decoded by stb_image and stored in the order of a BMP
// read (bottom line first, blue-green-red), with their alpha channel when
// it is used.
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <stb_image.h>

#include "base/file_lookup.h"
#include "base/report.h"
#include "image/jpegfile.h"
#include "image/texture.h"

int CTexture::ReadFileTGA(const std::string& path)
{
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) {
        MessageBoxF("Unable to open file for reading %s", path.c_str());
        return 0;
    }
    Free();
    data_size = 0;
    std::vector<unsigned char> file;
    bool read = std::fseek(f, 0, SEEK_END) == 0;
    const long size = read ? std::ftell(f) : -1;
    read = read && size > 0 && size < 0x7fffffffL && std::fseek(f, 0, SEEK_SET) == 0;
    if (read) {
        try {
            file.resize((size_t)size);
        } catch (const std::bad_alloc&) {
            read = false;
        }
    }
    read = read && std::fread(file.data(), 1, file.size(), f) == file.size();
    std::fclose(f);
    if (!read) {
        MessageBoxF("Invalid TGA file %s: cannot be read", path.c_str());
        return 0;
    }
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), (int)file.size(), &w, &h, &channels) || w <= 0 || h <= 0 ||
        (long long)w * h > JpegFile::kMaxPixels) {
        const char* why = stbi_failure_reason();
        MessageBoxF("Invalid TGA file %s: %s", path.c_str(), w > 0 && h > 0 ? "picture too large" : why ? why : "");
        return 0;
    }
    // Grey pictures come as colour; the alpha channel, when there is one,
    // is kept only if some pixel is not opaque.
    const bool has_alpha = channels == 2 || channels == 4;
    stbi_uc* px = stbi_load_from_memory(file.data(), (int)file.size(), &w, &h, &channels, has_alpha ? 4 : 3);
    if (!px) {
        const char* why = stbi_failure_reason();
        MessageBoxF("Invalid TGA file %s: %s", path.c_str(), why ? why : "");
        return 0;
    }
    const int in = has_alpha ? 4 : 3;
    bool translucent = false;
    if (has_alpha)
        for (size_t i = 0; i < (size_t)w * (size_t)h && !translucent; ++i) translucent = px[i * 4 + 3] != 255;
    const int d = translucent ? 32 : 24;
    if (!Alloc(w, h, d)) {
        stbi_image_free(px);
        return 0;
    }
    const int bpp = d / 8;
    for (int y = 0; y < h; ++y) {
        const stbi_uc* s = px + (size_t)(h - 1 - y) * (size_t)w * (size_t)in;
        unsigned char* o = data + (size_t)y * widthbyte32;
        for (int x = 0; x < w; ++x, s += in, o += bpp) {
            o[0] = s[2];
            o[1] = s[1];
            o[2] = s[0];
            if (bpp == 4) o[3] = s[3];
        }
    }
    stbi_image_free(px);
    name = path;
    data_size = 0;
    return 1;
}
