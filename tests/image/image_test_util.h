// Builders of small image files for the image tests: BMP written byte by
// byte, JPEG made with libjpeg's compressor, lumi/chro sequences.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace imgtest {

using Bytes = std::string;

void put16(Bytes& b, size_t at, uint16_t v);
void put32(Bytes& b, size_t at, uint32_t v);
uint32_t get32(const Bytes& b, size_t at);

struct BmpOptions {
    int bit_count = 24;
    int planes = 1;
    bool top_down = false;         // negative height, rows top line first
    int64_t size_image = -1;       // -1: the padded rows' size
    uint32_t off_bits = 54;
    size_t gap = 0;                // bytes between the headers and the rows
    int32_t xpels = 0;
};

// Pixel (x, y) of the picture, y = 0 the top line, as blue, green, red.
using PixelFn = std::function<void(int x, int y, unsigned char bgr[3])>;

Bytes make_bmp(int w, int h, const PixelFn& px, const BmpOptions& o = {});
// The three bytes (b, g, r) that the test pattern gives to (x, y).
void pattern(int x, int y, unsigned char bgr[3]);

// JPEG of w x h with 1 or 3 components; rgb(x, y) gives r, g, b (grey: r).
Bytes make_jpeg(int w, int h, int components, const std::function<void(int, int, unsigned char*)>& px,
                int quality = 100);

// A lumi file: layout 'A' ("IMAG02") or 'B' ("IMAG03"), frames of w x h
// bytes at the data offset; luma(f, x, y).
Bytes make_lumi(char layout, int w, int h, int frames, bool negative,
                const std::function<unsigned char(int, int, int)>& luma);
// A chro file matching make_lumi's geometry; chroma(f, offset in frame).
Bytes make_chro(int w, int h, int frames, const std::function<unsigned char(int, int)>& chroma);

} // namespace imgtest
