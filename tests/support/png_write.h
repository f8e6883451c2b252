// Test helper: writes small PNG files of every colour type with libpng.
#pragma once
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

namespace png_test {

struct Picture {
    int width = 0, height = 0;
    int color_type = PNG_COLOR_TYPE_RGB;
    int bit_depth = 8;
    std::vector<std::vector<unsigned char>> rows;   // top line first, packed as PNG stores them
    std::vector<png_color> palette;
    std::vector<unsigned char> trans;               // palette alphas
    bool trans_grey = false;                        // grey value trans_value is transparent
    int trans_value = 0;
    bool interlaced = false;
};

inline bool write(const std::string& path, const Picture& p)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)p.width, (png_uint_32)p.height, p.bit_depth, p.color_type,
                 p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!p.palette.empty()) png_set_PLTE(png, info, p.palette.data(), (int)p.palette.size());
    if (!p.trans.empty()) png_set_tRNS(png, info, p.trans.data(), (int)p.trans.size(), nullptr);
    if (p.trans_grey) {
        png_color_16 c{};
        c.gray = (png_uint_16)p.trans_value;
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const auto& r : p.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// A width x height RGB picture of one colour.
inline Picture solid_rgb(int width, int height, unsigned char r, unsigned char g, unsigned char b)
{
    Picture p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y) {
        std::vector<unsigned char> row;
        for (int x = 0; x < width; ++x) row.insert(row.end(), {r, g, b});
        p.rows.push_back(row);
    }
    return p;
}

} // namespace png_test
