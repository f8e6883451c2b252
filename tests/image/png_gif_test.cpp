// PNG and GIF textures: every colour type decodes to the bytes of a BMP
// read (bottom line first, blue-green-red, alpha as a fourth byte).
#include <gtest/gtest.h>

#include <gif_lib.h>
#include <png.h>

#include <cerrno>
#include <cstring>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "base/safe_write.h"
#include "image/texture.h"
#include "support/png_write.h"
#include "support/recorder.h"

namespace {
using RGBA = std::array<int, 4>;

// Checks the block against six pixels given top line first (3 x 2).
void expect_pixels(const CTexture& t, int depth, const std::vector<RGBA>& px)
{
    ASSERT_EQ(t.width, 3);
    ASSERT_EQ(t.height, 2);
    ASSERT_EQ(t.depth, depth);
    ASSERT_EQ(t.widthbyte32, 12u);
    ASSERT_EQ(t.data_size, 0);
    const int bpp = depth / 8;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const unsigned char* p = t.data + (size_t)(1 - y) * t.widthbyte32 + (size_t)x * bpp;
            const RGBA& want = px[(size_t)(y * 3 + x)];
            RGBA got{p[2], p[1], p[0], bpp == 4 ? p[3] : 255};
            EXPECT_EQ(got, want) << "pixel " << x << "," << y;
        }
}

png_test::Picture picture(int color_type, int bit_depth, std::vector<std::vector<unsigned char>> rows)
{
    png_test::Picture p;
    p.width = 3;
    p.height = 2;
    p.color_type = color_type;
    p.bit_depth = bit_depth;
    p.rows = std::move(rows);
    return p;
}

const std::vector<RGBA> k_rgb = {{10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255},
                                 {1, 2, 3, 255},    {4, 5, 6, 255},    {7, 8, 9, 255}};

png_test::Picture rgb8()
{
    return picture(PNG_COLOR_TYPE_RGB, 8, {{10, 20, 30, 40, 50, 60, 70, 80, 90}, {1, 2, 3, 4, 5, 6, 7, 8, 9}});
}

bool write_gif(const std::string& path, int transparent)
{
    int err = 0;
    GifFileType* g = EGifOpenFileName(path.c_str(), false, &err);
    if (!g) return false;
    GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    bool ok = EGifPutScreenDesc(g, 3, 2, 2, 0, map) == GIF_OK;
    if (transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = transparent;
        GifByteType ext[4];
        size_t n = EGifGCBToExtension(&gcb, ext);
        ok = ok && EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, (int)n, ext) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(g, 0, 0, 3, 2, false, nullptr) == GIF_OK;
    GifPixelType rows[2][3] = {{0, 1, 2}, {3, 0, 1}};
    for (auto& r : rows) ok = ok && EGifPutLine(g, r, 3) == GIF_OK;
    GifFreeMapObject(map);
    return EGifCloseFile(g, &err) == GIF_OK && ok;
}
} // namespace

TEST(PngFile, EveryColourTypeDecodesToBmpOrder)
{
    ScratchDir dir;
    RecordingReporter rec;
    auto grey = picture(PNG_COLOR_TYPE_GRAY, 8, {{0, 100, 255}, {1, 2, 3}});
    auto grey_trns = grey;
    grey_trns.trans_grey = true;
    grey_trns.trans_value = 100;
    auto palette = picture(PNG_COLOR_TYPE_PALETTE, 8, {{0, 1, 2}, {3, 0, 1}});
    palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    auto palette_trns = palette;
    palette_trns.trans = {0, 128};   // entries 2 and 3 stay opaque
    auto interlaced = rgb8();
    interlaced.interlaced = true;
    const struct {
        const char* what;
        png_test::Picture pic;
        int depth;
        std::vector<RGBA> want;
    } cases[] = {
        {"RGB", rgb8(), 24, k_rgb},
        {"RGB interlaced", interlaced, 24, k_rgb},
        {"RGBA", picture(PNG_COLOR_TYPE_RGB_ALPHA, 8, {{10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255},
                                                        {1, 2, 3, 4, 4, 5, 6, 5, 7, 8, 9, 6}}),
         32, {{10, 20, 30, 0}, {40, 50, 60, 128}, {70, 80, 90, 255}, {1, 2, 3, 4}, {4, 5, 6, 5}, {7, 8, 9, 6}}},
        {"RGB 16-bit keeps the high byte",
         picture(PNG_COLOR_TYPE_RGB, 16, {{0xAB, 0xCD, 0, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 0x80, 0, 0, 0, 0, 0},
                                          {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34}}),
         24, {{0xAB, 0, 0xFF, 255}, {1, 3, 5, 255}, {0x80, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255},
              {0, 0, 0x12, 255}}},
        {"grey", grey, 24, {{0, 0, 0, 255}, {100, 100, 100, 255}, {255, 255, 255, 255}, {1, 1, 1, 255},
                            {2, 2, 2, 255}, {3, 3, 3, 255}}},
        {"grey with a transparent value", grey_trns, 32,
         {{0, 0, 0, 255}, {100, 100, 100, 0}, {255, 255, 255, 255}, {1, 1, 1, 255}, {2, 2, 2, 255}, {3, 3, 3, 255}}},
        {"grey and alpha", picture(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{5, 0, 6, 1, 7, 2}, {8, 3, 9, 4, 10, 5}}), 32,
         {{5, 5, 5, 0}, {6, 6, 6, 1}, {7, 7, 7, 2}, {8, 8, 8, 3}, {9, 9, 9, 4}, {10, 10, 10, 5}}},
        {"grey 1-bit", picture(PNG_COLOR_TYPE_GRAY, 1, {{0xA0}, {0x40}}), 24,
         {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255},
          {0, 0, 0, 255}}},
        {"palette", palette, 24,
         {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {9, 8, 7, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}}},
        {"palette with transparency", palette_trns, 32,
         {{255, 0, 0, 0}, {0, 255, 0, 128}, {0, 0, 255, 255}, {9, 8, 7, 255}, {255, 0, 0, 0}, {0, 255, 0, 128}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("t.png");
        ASSERT_TRUE(png_test::write(path, c.pic));
        CTexture t;
        ASSERT_EQ(t.ReadFile(path), 1);
        EXPECT_EQ(t.name, path);
        EXPECT_TRUE(t.IsDibOrdered());
        expect_pixels(t, c.depth, c.want);
        // Read through an upper-case name as well.
        ASSERT_EQ(std::rename(path.c_str(), dir.file("T.PNG").c_str()), 0);
        CTexture u;
        ASSERT_EQ(u.ReadFile(dir.file("T.PNG")), 1);
        EXPECT_EQ(u.depth, c.depth);
    }
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(GifFile, FirstPictureDecodesToBmpOrderWithItsTransparency)
{
    ScratchDir dir;
    RecordingReporter rec;
    const std::vector<RGBA> colours = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                                       {9, 8, 7, 255},   {255, 0, 0, 255}, {0, 255, 0, 255}};
    for (int transparent : {-1, 1}) {
        SCOPED_TRACE(transparent);
        ASSERT_TRUE(write_gif(dir.file("t.gif"), transparent));
        CTexture t;
        ASSERT_EQ(t.ReadFile(dir.file("t.gif")), 1);
        std::vector<RGBA> want = colours;
        if (transparent >= 0)
            for (size_t i : {1u, 5u}) want[i][3] = 0;
        expect_pixels(t, transparent >= 0 ? 32 : 24, want);
    }
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(PngGifFiles, BadFilesGiveOneMessageAndNoImage)
{
    ScratchDir dir;
    ASSERT_TRUE(png_test::write(dir.file("good.png"), rgb8()));
    ASSERT_TRUE(write_gif(dir.file("good.gif"), 1));
    const std::string png = read_whole_file(dir.file("good.png"));
    const std::string gif = read_whole_file(dir.file("good.gif"));
    std::string bad_crc = png;
    bad_crc[40] ^= 0x10;
    const struct {
        std::string name, bytes, message;
    } cases[] = {
        {"absent.png", "", "Unable to open file for reading "},
        {"text.png", "not a picture at all", "Invalid PNG file "},
        {"cut.png", png.substr(0, png.size() / 2), "Invalid PNG file "},
        {"crc.png", bad_crc, "Invalid PNG file "},
        {"text.gif", "GIF? no", "Invalid GIF file "},
        {"cut.gif", gif.substr(0, gif.size() - 8), "Invalid GIF file "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.bytes.empty()) write_whole_file(dir.file(c.name), c.bytes);
        RecordingReporter rec;
        CTexture t;
        EXPECT_EQ(t.ReadFile(dir.file(c.name)), 0);
        ASSERT_EQ(rec.boxes.size(), 1u);
        EXPECT_EQ(rec.boxes[0].text.rfind(c.message + dir.file(c.name), 0), 0u) << rec.boxes[0].text;
        EXPECT_FALSE(t.IsValid());
    }
}

TEST(PngGifFiles, SurviveEveryTruncationAndRandomMutations)
{
    ScratchDir dir;
    RecordingReporter rec;
    auto big = png_test::solid_rgb(37, 23, 1, 2, 3);
    big.interlaced = true;
    ASSERT_TRUE(png_test::write(dir.file("s.png"), big));
    ASSERT_TRUE(write_gif(dir.file("s.gif"), 2));
    std::mt19937 rng(5150u);
    for (const char* name : {"s.png", "s.gif"}) {
        const std::string good = read_whole_file(dir.file(name));
        for (size_t round = 0; round < good.size() + 600; ++round) {
            std::string b = good.substr(0, std::min(round, good.size()));
            if (round >= good.size())
                for (int e = 0; e < 1 + (int)(rng() % 3); ++e) b[rng() % b.size()] = (char)(rng() & 0xff);
            write_whole_file(dir.file(std::string("m") + (name + 1)), b);
            CTexture t;
            if (t.ReadFile(dir.file(std::string("m") + (name + 1)))) {
                ASSERT_TRUE(t.IsValid() && t.width > 0 && t.height > 0) << round;
            }
        }
    }
}

// Writing: what a PNG read of the written file gives back is the block,
// padding aside, with or without alpha; the picture's top line is the
// block's last row, as in a BMP file.
TEST(PngWrite, RoundTripsBlocksOfBothDepthsWithOddWidths)
{
    RecordingReporter rec;
    ScratchDir dir;
    for (int depth : {24, 32}) {
        CTexture t;
        ASSERT_EQ(t.Alloc(5, 3, depth), 1);
        const size_t row = (size_t)5 * (size_t)(depth / 8);
        for (int y = 0; y < 3; ++y)
            for (size_t i = 0; i < t.widthbyte32; ++i)
                t.data[(size_t)y * t.widthbyte32 + i] = i < row ? (unsigned char)(y * 70 + i * 9 + 1) : 0xEE;
        const std::string name = "d" + std::to_string(depth) + ".PNG";
        ASSERT_EQ(t.SaveFile(name), 1) << depth;
        CTexture u;
        ASSERT_EQ(u.ReadFile(name), 1) << depth;
        ASSERT_EQ(u.depth, depth);
        ASSERT_EQ(u.width, 5);
        ASSERT_EQ(u.height, 3);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(std::memcmp(u.data + (size_t)y * u.widthbyte32, t.data + (size_t)y * t.widthbyte32, row), 0)
                << "depth " << depth << " row " << y;
    }
    // Read by libpng itself: the first pixel is the top-left one, red first,
    // and a 24-bit block gives a picture without alpha.
    CTexture t;
    ASSERT_EQ(t.Alloc(1, 2, 24), 1);
    const unsigned char bottom[3] = {1, 2, 3}, top[3] = {30, 20, 10};   // blue, green, red
    std::memcpy(t.data, bottom, 3);
    std::memcpy(t.data + t.widthbyte32, top, 3);
    ASSERT_EQ(t.SaveFile("o.png"), 1);
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&img, "o.png"));
    EXPECT_EQ(img.width, 1u);
    EXPECT_EQ(img.height, 2u);
    EXPECT_EQ(img.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    img.format = PNG_FORMAT_RGB;
    unsigned char px[6] = {};
    ASSERT_TRUE(png_image_finish_read(&img, nullptr, px, 0, nullptr));
    EXPECT_EQ(std::vector<int>(px, px + 6), (std::vector<int>{10, 20, 30, 3, 2, 1}));
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(PngWrite, FailuresLeaveTheTargetAsItWasAndSayWhy)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    ASSERT_EQ(t.Alloc(2, 2, 24), 1);
    EXPECT_EQ(t.SaveFile("nodir/a.png"), 0);
    EXPECT_TRUE(rec.has_box_containing("Unable to open file for reading nodir/a.png")) << rec.boxes.size();
    write_whole_file("keep.png", "old bytes");
    safe_write_faults::fail(safe_write_faults::Step::Write, 1, ENOSPC);
    EXPECT_EQ(t.SaveFile("keep.png"), 0);
    safe_write_faults::reset();
    EXPECT_EQ(read_whole_file("keep.png"), "old bytes");
    EXPECT_TRUE(rec.has_box_containing("Error during writing image"));
    CTexture empty;
    EXPECT_EQ(empty.SaveFile("e.png"), 0);   // nothing to write: no file
    EXPECT_EQ(read_whole_file("e.png"), "");
}
