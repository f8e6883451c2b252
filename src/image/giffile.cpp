// GIF textures through giflib: the first picture of the file, its colours
// looked up in its own or the global colour table, stored in the order of a
// BMP read (bottom line first, blue-green-red). A picture with a transparent
// colour becomes 32-bit with alpha 0 there and 255 elsewhere; the others
// are 24-bit.
#include <gif_lib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/jpegfile.h"
#include "image/texture.h"
#include "base/file_lookup.h"
#include "base/report.h"

namespace {

// Graphic control extension: the transparent colour index, or -1.
int transparent_index(const GifByteType* ext)
{
    if (!ext || ext[0] < 4) return -1;
    return (ext[1] & 1) ? ext[4] : -1;
}

// 1 when the first picture was decoded into t; 0 with the reason.
int decode(GifFileType* gif, CTexture& t, std::string& why)
{
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return 0;
        if (type == TERMINATE_RECORD_TYPE) {
            why = "it holds no picture";
            return 0;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return 0;
            if (code == GRAPHICS_EXT_FUNC_CODE) transparent = transparent_index(ext);
            while (ext)
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return 0;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) return 0;
        const int w = gif->Image.Width, h = gif->Image.Height;
        if (w <= 0 || h <= 0 || (long long)w * h > JpegFile::kMaxPixels) {
            why = "the picture is empty or too large";
            return 0;
        }
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        if (!map || !map->Colors) {
            why = "it has no colour table";
            return 0;
        }
        // Rows in the order they are stored: interlaced pictures come in
        // four passes.
        std::vector<GifPixelType> pixels((size_t)w * (size_t)h);
        if (gif->Image.Interlace) {
            static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < h; y += step[pass])
                    if (DGifGetLine(gif, &pixels[(size_t)y * w], w) == GIF_ERROR) return 0;
        } else {
            for (int y = 0; y < h; ++y)
                if (DGifGetLine(gif, &pixels[(size_t)y * w], w) == GIF_ERROR) return 0;
        }
        const int bpp = transparent >= 0 ? 4 : 3;
        if (!t.Alloc(w, h, bpp * 8)) return 0;   // Alloc has shown its message
        for (int y = 0; y < h; ++y) {
            unsigned char* dst = t.data + (size_t)(h - 1 - y) * t.widthbyte32;
            const GifPixelType* src = &pixels[(size_t)y * w];
            for (int x = 0; x < w; ++x, dst += bpp) {
                const int k = src[x];
                GifColorType c{0, 0, 0};
                if (k < map->ColorCount) c = map->Colors[k];
                dst[0] = c.Blue;
                dst[1] = c.Green;
                dst[2] = c.Red;
                if (bpp == 4) dst[3] = k == transparent ? 0 : 255;
            }
        }
        return 1;
    }
}

} // namespace

int CTexture::ReadFileGIF(const std::string& path)
{
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) {
        MessageBoxF("Unable to open file for reading %s", path.c_str());
        return 0;
    }
    Free();
    int fd = dup(fileno(f));
    std::fclose(f);
    int error = 0;
    GifFileType* gif = fd >= 0 ? DGifOpenFileHandle(fd, &error) : nullptr;
    if (!gif) {
        MessageBoxF("Invalid GIF file %s: %s", path.c_str(),
                    fd < 0 ? "it cannot be opened" : (GifErrorString(error) ? GifErrorString(error) : "unknown error"));
        return 0;
    }
    std::string why;
    int ok = decode(gif, *this, why);
    if (!ok && why.empty() && gif->Error) why = GifErrorString(gif->Error) ? GifErrorString(gif->Error) : "";
    DGifCloseFile(gif, &error);
    if (!ok) {
        Free();
        if (!why.empty()) MessageBoxF("Invalid GIF file %s: %s", path.c_str(), why.c_str());
        return 0;
    }
    name = path;
    data_size = 0;
    return 1;
}
