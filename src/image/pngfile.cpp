// PNG textures through libpng, and PNG pictures written from a block. Every colour type ends as 8-bit samples in
// the order of a BMP read: bottom line first, blue-green-red; images with
// an alpha channel or a transparent colour keep their alpha as a fourth
// byte (32-bit), the others are 24-bit. Palettes are expanded and 16-bit
// samples keep their high byte.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "image/jpegfile.h"
#include "image/texture.h"
#include "base/file_lookup.h"
#include "base/cformat.h"
#include "base/report.h"
#include "base/safe_write.h"

namespace {

struct PngError {
    char text[200];
};

void on_error(png_structp png, png_const_charp msg)
{
    auto* e = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(e->text, sizeof e->text, "%s", msg ? msg : "unknown error");
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// Nothing with a destructor may live in this frame: errors come back to the
// setjmp with longjmp. 1 when the image was decoded into t; 0 with the
// reason in err (empty when a message was shown already).
int decode(FILE* f, CTexture& t, PngError& err)
{
    err.text[0] = 0;
    unsigned char sig[8];
    if (std::fread(sig, 1, 8, f) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
        std::snprintf(err.text, sizeof err.text, "it has no PNG signature");
        return 0;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, on_error, on_warning);
    if (!png) {
        std::snprintf(err.text, sizeof err.text, "not enough memory");
        return 0;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(err.text, sizeof err.text, "not enough memory");
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        t.Free();
        return 0;
    }
    png_init_io(png, f);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int bit_depth = 0, color_type = 0;
    png_get_IHDR(png, info, &w, &h, &bit_depth, &color_type, nullptr, nullptr, nullptr);
    if (w == 0 || h == 0 || (long long)w * (long long)h > JpegFile::kMaxPixels)
        png_error(png, "the picture is too large");

    bool alpha = (color_type & PNG_COLOR_MASK_ALPHA) != 0;
    if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        alpha = true;
    }
    if (bit_depth == 16) png_set_strip_16(png);
    if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int channels = alpha ? 4 : 3;
    if (png_get_channels(png, info) != channels || png_get_bit_depth(png, info) != 8 ||
        png_get_rowbytes(png, info) != (size_t)w * (size_t)channels)
        png_error(png, "unsupported sample layout");
    if (!t.Alloc((int)w, (int)h, channels * 8)) {   // Alloc has shown its message
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    // Interlaced pictures are read in several passes over the same rows.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y)
            png_read_row(png, t.data + (size_t)(h - 1 - y) * t.widthbyte32, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
}

// The writing side: like decode(), no object with a destructor lives in
// this frame. `rows` holds the block's lines top line first.
bool encode(FILE* f, const CTexture& t, unsigned char** rows, PngError& err)
{
    err.text[0] = 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, on_error, on_warning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)t.width, (png_uint_32)t.height, 8,
                 t.depth == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Small pictures written often (snapshots, thumbnails): a quick level.
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int CTexture::SaveFilePNG(const std::string& path)
{
    if (!IsValid() || width <= 0 || height <= 0) return 0;
    const size_t pitch = ComputeWidthByte32((unsigned)width, (unsigned)depth);
    std::vector<unsigned char*> rows((size_t)height);
    for (int y = 0; y < height; ++y) rows[(size_t)y] = data + (size_t)(height - 1 - y) * pitch;
    SafeWriteOptions o;
    o.create_failure = qv_format("Unable to open file for reading %s", path.c_str());
    o.write_failure = "Error during writing image";
    return write_file_safely(path, [&](FILE* f) {
        PngError err;
        return encode(f, *this, rows.data(), err) && !std::ferror(f);
    }, o);
}

int CTexture::ReadFilePNG(const std::string& path)
{
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) {
        MessageBoxF("Unable to open file for reading %s", path.c_str());
        return 0;
    }
    Free();
    PngError err;
    int ok = decode(f, *this, err);
    std::fclose(f);
    if (!ok) {
        Free();
        if (err.text[0]) MessageBoxF("Invalid PNG file %s: %s", path.c_str(), err.text);
        return 0;
    }
    name = path;
    data_size = 0;
    return 1;
}
