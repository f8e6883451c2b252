#include "image_test_util.h"

#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "image/lumi.h"

namespace imgtest {

void put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = (char)(v & 0xff);
    b[at + 1] = (char)(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = (char)((v >> (8 * i)) & 0xff);
}
uint32_t get32(const Bytes& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= (uint32_t)(unsigned char)b[at + i] << (8 * i);
    return v;
}

void pattern(int x, int y, unsigned char bgr[3])
{
    bgr[0] = (unsigned char)(10 * x + 1);
    bgr[1] = (unsigned char)(20 * y + 2);
    bgr[2] = (unsigned char)(x * 7 + y * 13 + 100);
}

Bytes make_bmp(int w, int h, const PixelFn& px, const BmpOptions& o)
{
    const int bpp = o.bit_count / 8 > 0 ? o.bit_count / 8 : 1;
    size_t pitch = ((size_t)w * bpp + 3) / 4 * 4;
    size_t rows = pitch * (size_t)h;
    Bytes b(54 + o.gap, '\0');
    put16(b, 0, 0x4D42);
    put32(b, 2, (uint32_t)(54 + o.gap + rows));
    put32(b, 10, o.off_bits);
    put32(b, 14, 40);
    put32(b, 18, (uint32_t)w);
    put32(b, 22, (uint32_t)(o.top_down ? -h : h));
    put16(b, 26, (uint16_t)o.planes);
    put16(b, 28, (uint16_t)o.bit_count);
    put32(b, 34, (uint32_t)(o.size_image < 0 ? rows : (uint64_t)o.size_image));
    put32(b, 38, (uint32_t)o.xpels);
    for (size_t i = 54; i < b.size(); ++i) b[i] = (char)0xEE;   // colour table or gap
    Bytes pix(rows, '\0');
    for (int r = 0; r < h; ++r) {
        int y = o.top_down ? r : h - 1 - r;   // picture line stored in file row r
        for (int x = 0; x < w; ++x) {
            unsigned char bgr[3];
            px(x, y, bgr);
            for (int k = 0; k < bpp && k < 3; ++k) pix[(size_t)r * pitch + (size_t)x * bpp + k] = (char)bgr[k];
        }
    }
    return b + pix;
}

Bytes make_jpeg(int w, int h, int components, const std::function<void(int, int, unsigned char*)>& px,
                int quality)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&c, &out, &out_size);
    c.image_width = (JDIMENSION)w;
    c.image_height = (JDIMENSION)h;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    for (int k = 0; k < c.num_components; ++k) c.comp_info[k].h_samp_factor = c.comp_info[k].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row((size_t)w * components);
    while (c.next_scanline < c.image_height) {
        int y = (int)c.next_scanline;
        for (int x = 0; x < w; ++x) {
            unsigned char p[4] = {0, 0, 0, 0};
            px(x, y, p);
            for (int k = 0; k < components; ++k) row[(size_t)x * components + k] = p[k];
        }
        JSAMPROW rp = row.data();
        jpeg_write_scanlines(&c, &rp, 1);
    }
    jpeg_finish_compress(&c);
    Bytes result((const char*)out, out_size);
    jpeg_destroy_compress(&c);
    free(out);
    return result;
}

static void put_field(Bytes& b, size_t at, int v)
{
    char t[8];
    std::snprintf(t, sizeof t, "%4d", v);
    std::memcpy(&b[at], t, 4);
}

Bytes make_lumi(char layout, int w, int h, int frames, bool negative,
                const std::function<unsigned char(int, int, int)>& luma)
{
    const int D = lumi_data_offset(w);
    Bytes b((size_t)D + (size_t)w * h * frames, ' ');
    if ((size_t)D < 720) b.resize(720 > b.size() ? 720 : b.size(), ' ');
    std::memcpy(&b[0], layout == 'B' ? "IMAG03" : "IMAG02", 6);
    if (layout == 'B') std::memcpy(&b[8], "4:2:2", 5);
    const size_t base = layout == 'B' ? 82 : 76;
    put_field(b, base, w);
    put_field(b, base + 4, h);
    put_field(b, base + 8, frames);
    b[214] = negative ? 1 : 0;
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b[(size_t)D + (size_t)f * w * h + (size_t)y * w + x] = (char)luma(f, x, y);
    return b;
}

Bytes make_chro(int w, int h, int frames, const std::function<unsigned char(int, int)>& chroma)
{
    const int D = lumi_data_offset(w);
    Bytes b((size_t)D + (size_t)w * h * frames, ' ');
    for (int f = 0; f < frames; ++f)
        for (int i = 0; i < w * h; ++i) b[(size_t)D + (size_t)f * w * h + i] = (char)chroma(f, i);
    return b;
}

} // namespace imgtest
