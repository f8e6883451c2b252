// BMP pictures as other programs write them: colour tables of 1, 4 and 8
// bits, run-length coding, 16 and 32 bits with fixed or declared channel
// masks; all become the 24-bit block (32 bits when a declared alpha is
// used). Damaged files are refused with the file's name, never read beyond
// their bytes. Targa pictures through the same entry.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

#include "image/texture.h"
#include "image_test_util.h"
#include "support/recorder.h"

using namespace imgtest;

namespace {

// A BMP file: 40-byte info header (plus `info_extra` bytes that make it
// longer), then `between` (masks, colour table), then the pixel bytes.
Bytes bmp_file(int w, int h, int bits, uint32_t compression, const Bytes& between, const Bytes& pixels,
               uint32_t colours_used = 0, const Bytes& info_extra = {})
{
    Bytes info(40, '\0');
    put32(info, 0, (uint32_t)(40 + info_extra.size()));
    put32(info, 4, (uint32_t)w);
    put32(info, 8, (uint32_t)h);
    put16(info, 12, 1);
    put16(info, 14, (uint16_t)bits);
    put32(info, 16, compression);
    put32(info, 20, (uint32_t)pixels.size());
    put32(info, 32, colours_used);
    Bytes head(14, '\0');
    const size_t off = 14 + info.size() + info_extra.size() + between.size();
    put16(head, 0, 0x4D42);
    put32(head, 2, (uint32_t)(off + pixels.size()));
    put32(head, 10, (uint32_t)off);
    return head + info + info_extra + between + pixels;
}

// Colour table entries (blue, green, red, unused).
Bytes table(std::initializer_list<std::array<int, 3>> bgr)
{
    Bytes t;
    for (const auto& c : bgr) t += Bytes{(char)c[0], (char)c[1], (char)c[2], '\0'};
    return t;
}

Bytes bytes(std::initializer_list<int> v)
{
    Bytes b;
    for (int x : v) b += (char)x;
    return b;
}

// Pixel (x, y) of the block, y = 0 the bottom line: b, g, r (and alpha).
std::array<int, 4> px(const CTexture& t, int x, int y)
{
    const unsigned char* p = t.data + (size_t)y * t.widthbyte32 + (size_t)x * (t.depth / 8);
    return {p[0], p[1], p[2], t.depth == 32 ? p[3] : 255};
}

const std::array<int, 4> k_black{0, 0, 0, 255}, k_red{0, 0, 255, 255}, k_green{0, 255, 0, 255},
    k_blue{255, 0, 0, 255}, k_white{255, 255, 255, 255};

struct Read {
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    int read(const std::string& name, const Bytes& file)
    {
        write_whole_file(name, file);
        rec.boxes.clear();
        return t.ReadFile(name);
    }
};

} // namespace

TEST(BmpKinds, ColourTablesOfOneFourAndEightBits)
{
    Read r;
    // 1 bit, 10 wide: the rows carry two bytes and two of padding.
    ASSERT_EQ(r.read("one.bmp", bmp_file(10, 2, 1, 0, table({{0, 0, 255}, {255, 0, 0}}),
                                        bytes({0xA0, 0x40, 0, 0, 0x00, 0xC0, 0, 0}))),
              1);
    EXPECT_TRUE(r.rec.boxes.empty());
    EXPECT_EQ(r.t.depth, 24);
    EXPECT_EQ(r.t.widthbyte32, 32u);
    EXPECT_EQ(px(r.t, 0, 0), k_blue);
    EXPECT_EQ(px(r.t, 1, 0), k_red);
    EXPECT_EQ(px(r.t, 2, 0), k_blue);
    EXPECT_EQ(px(r.t, 9, 0), k_blue);   // bit 1 of the second byte
    EXPECT_EQ(px(r.t, 8, 1), k_blue);
    EXPECT_EQ(px(r.t, 9, 1), k_blue);
    EXPECT_EQ(px(r.t, 0, 1), k_red);
    EXPECT_EQ(r.t.header.biBitCount, 24);   // the header says what the block holds
    EXPECT_EQ(r.t.header.biSizeImage, 64u);

    // 4 bits with a table of three colours: index 7 is beyond it (black).
    ASSERT_EQ(r.read("four.bmp", bmp_file(3, 1, 4, 0, table({{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}),
                                         bytes({0x12, 0x70, 0, 0}), 3)),
              1);
    EXPECT_EQ(px(r.t, 0, 0), k_green);
    EXPECT_EQ(px(r.t, 1, 0), k_blue);
    EXPECT_EQ(px(r.t, 2, 0), k_black);

    // 8 bits, written top line first.
    Bytes eight = bmp_file(2, 2, 8, 0, table({{0, 0, 0}, {255, 255, 255}, {0, 0, 255}}),
                           bytes({1, 2, 0, 0, 2, 1, 0, 0}), 3);
    put32(eight, 22, (uint32_t)-2);
    ASSERT_EQ(r.read("eight.bmp", eight), 1);
    EXPECT_EQ(r.t.height, 2);
    EXPECT_EQ(px(r.t, 0, 1), k_white);   // first file row: the top line
    EXPECT_EQ(px(r.t, 1, 1), k_red);
    EXPECT_EQ(px(r.t, 0, 0), k_red);
}

TEST(BmpKinds, SixteenAndThirtyTwoBitsWithTheirMasks)
{
    Read r;
    // 16 bits, plain: 5 bits a channel (x1555).
    ASSERT_EQ(r.read("p16.bmp", bmp_file(2, 1, 16, 0, {}, bytes({0x00, 0x7C, 0x1F, 0x00}))), 1);
    EXPECT_EQ(px(r.t, 0, 0), k_red);
    EXPECT_EQ(px(r.t, 1, 0), k_blue);
    // 16 bits with declared masks after a 40-byte header: 5-6-5.
    Bytes masks565;
    masks565.resize(12);
    put32(masks565, 0, 0xF800);
    put32(masks565, 4, 0x07E0);
    put32(masks565, 8, 0x001F);
    ASSERT_EQ(r.read("m16.bmp", bmp_file(2, 1, 16, 3, masks565, bytes({0xE0, 0x07, 0x10, 0x00}))), 1);
    EXPECT_EQ(px(r.t, 0, 0), k_green);
    EXPECT_EQ(px(r.t, 1, 0), (std::array<int, 4>{132, 0, 0, 255}));   // 16 of 31, rounded

    // 32 bits, plain: the fourth byte is not alpha.
    ASSERT_EQ(r.read("p32.bmp", bmp_file(1, 1, 32, 0, {}, bytes({10, 20, 30, 0}))), 1);
    EXPECT_EQ(r.t.depth, 24);
    EXPECT_EQ(px(r.t, 0, 0), (std::array<int, 4>{10, 20, 30, 255}));

    // A longer header that declares alpha, used by the picture: 32 bits kept.
    Bytes v4(68, '\0');
    put32(v4, 0, 0x00FF0000);
    put32(v4, 4, 0x0000FF00);
    put32(v4, 8, 0x000000FF);
    put32(v4, 12, 0xFF000000);
    ASSERT_EQ(r.read("a32.bmp", bmp_file(2, 1, 32, 3, {}, bytes({1, 2, 3, 128, 4, 5, 6, 255}), 0, v4)), 1);
    EXPECT_EQ(r.t.depth, 32);
    EXPECT_TRUE(r.t.HasAlpha());
    EXPECT_EQ(px(r.t, 0, 0), (std::array<int, 4>{1, 2, 3, 128}));
    EXPECT_EQ(px(r.t, 1, 0), (std::array<int, 4>{4, 5, 6, 255}));
    EXPECT_EQ(r.t.header.biBitCount, 32);
    // The same with every pixel opaque, or every alpha left at 0: 24 bits.
    for (int a : {255, 0}) {
        ASSERT_EQ(r.read("o32.bmp", bmp_file(2, 1, 32, 3, {}, bytes({1, 2, 3, a, 4, 5, 6, a}), 0, v4)), 1);
        EXPECT_EQ(r.t.depth, 24) << a;
        EXPECT_EQ(px(r.t, 1, 0), (std::array<int, 4>{4, 5, 6, 255}));
    }
}

TEST(BmpKinds, RunLengthCodedPictures)
{
    Read r;
    const Bytes pal = table({{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}});
    // 8 bits, 4 x 3: a move right by one, a run of two, end of line; three
    // indices written out (padded to a word), a move right by 0 and up by
    // one, a run of one, end of picture.
    Bytes rle8 = bytes({0, 2, 1, 0, 2, 1, 0, 0, /* line 1 */ 0, 3, 2, 3, 2, 0, 0, 2, 0, 1, 1, 3, 0, 1});
    ASSERT_EQ(r.read("r8.bmp", bmp_file(4, 3, 8, 1, pal, rle8, 4)), 1);
    EXPECT_TRUE(r.rec.boxes.empty());
    EXPECT_EQ(px(r.t, 0, 0), k_black);   // skipped: index 0
    EXPECT_EQ(px(r.t, 1, 0), k_red);
    EXPECT_EQ(px(r.t, 2, 0), k_red);
    EXPECT_EQ(px(r.t, 3, 0), k_black);
    EXPECT_EQ(px(r.t, 0, 1), k_green);
    EXPECT_EQ(px(r.t, 1, 1), k_blue);
    EXPECT_EQ(px(r.t, 2, 1), k_green);
    EXPECT_EQ(px(r.t, 3, 1), k_black);
    EXPECT_EQ(px(r.t, 3, 2), k_blue);   // after the move up
    EXPECT_EQ(px(r.t, 2, 2), k_black);

    // 4 bits: a run alternates its two indices; an escape of three.
    Bytes rle4 = bytes({5, 0x12, 0, 0, 0, 3, 0x32, 0x10, 0, 1});
    ASSERT_EQ(r.read("r4.bmp", bmp_file(5, 2, 4, 2, pal, rle4, 4)), 1);
    EXPECT_EQ(px(r.t, 0, 0), k_red);
    EXPECT_EQ(px(r.t, 1, 0), k_green);
    EXPECT_EQ(px(r.t, 4, 0), k_red);
    EXPECT_EQ(px(r.t, 0, 1), k_blue);
    EXPECT_EQ(px(r.t, 1, 1), k_green);
    EXPECT_EQ(px(r.t, 2, 1), k_red);
}

TEST(BmpKinds, DamagedFilesAreRefusedWithTheirNameOrClipped)
{
    Read r;
    const Bytes pal = table({{0, 0, 255}, {255, 0, 0}});
    // The colour table is cut short by the end of the file.
    Bytes cut = bmp_file(2, 1, 8, 0, pal, {}, 200);
    ASSERT_EQ(r.read("cut.bmp", cut), 0);
    EXPECT_TRUE(r.rec.has_box("Invalid BMP file: colour table cut short : cut.bmp")) << r.rec.boxes.size();
    EXPECT_EQ(r.t.data, nullptr);
    // Kinds that do not exist.
    Bytes odd = bmp_file(2, 1, 2, 0, pal, bytes({0, 0, 0, 0}));
    ASSERT_EQ(r.read("odd.bmp", odd), 0);
    EXPECT_TRUE(r.rec.has_box("Unsupported BMP file odd.bmp: 2 bits per pixel, compression 0, 1 planes"));
    ASSERT_EQ(r.read("rle24.bmp", bmp_file(2, 1, 24, 1, {}, bytes({0, 0, 0, 0, 0, 0, 0, 0}))), 0);
    // Sizes no file of this length can hold, even run-length coded.
    ASSERT_EQ(r.read("huge.bmp", bmp_file(30000, 30000, 8, 1, pal, bytes({0, 1}))), 0);
    EXPECT_TRUE(r.rec.has_box("Invalid BMP file size : huge.bmp"));
    ASSERT_EQ(r.read("wide.bmp", bmp_file(0x7fffffff, 1, 4, 0, pal, bytes({0, 0, 0, 0}))), 0);
    ASSERT_EQ(r.read("rows.bmp", bmp_file(4, 100, 8, 0, pal, bytes({0, 0, 0, 0}))), 0);

    // Runs beyond the line and the picture, moves beyond it, an escape
    // whose bytes the file does not have: clipped, never written outside.
    const Bytes overruns[] = {
        bytes({255, 1, 255, 1, 255, 1}),            // runs far longer than the picture
        bytes({0, 2, 200, 200, 3, 1}),              // a move out of it
        bytes({0, 200, 1, 1, 1}),                   // an escape of 200 bytes, 3 given
        bytes({0, 0, 0, 0, 0, 0, 0, 0, 2, 1}),      // more lines than it has
        bytes({0, 2}),                              // a move cut short
    };
    for (const Bytes& px8 : overruns) {
        ASSERT_EQ(r.read("over.bmp", bmp_file(3, 2, 8, 1, pal, px8, 2)), 1);
        EXPECT_EQ(r.t.width, 3);
        EXPECT_EQ(r.t.height, 2);
        ASSERT_EQ(r.read("over4.bmp", bmp_file(3, 2, 4, 2, pal, px8, 2)), 1);
    }
}

TEST(BmpKinds, EveryTruncationAndRandomDamageGivesNothingOrAWholePicture)
{
    Read r;
    const Bytes pal = table({{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {9, 9, 9}});
    Bytes v4(68, '\0');
    put32(v4, 0, 0x00FF0000);
    put32(v4, 4, 0x0000FF00);
    put32(v4, 8, 0x000000FF);
    put32(v4, 12, 0xFF000000);
    const Bytes files[] = {
        bmp_file(5, 3, 1, 0, pal.substr(0, 8), bytes({0xA8, 0, 0, 0, 0x50, 0, 0, 0, 0xF8, 0, 0, 0}), 2),
        bmp_file(5, 2, 4, 0, pal, bytes({0x01, 0x23, 0x10, 0, 0x32, 0x10, 0x30, 0}), 4),
        bmp_file(4, 3, 8, 1, pal, bytes({0, 2, 1, 0, 2, 1, 0, 0, 0, 3, 2, 3, 2, 0, 0, 2, 0, 1, 1, 3, 0, 1}), 4),
        bmp_file(5, 2, 4, 2, pal, bytes({5, 0x12, 0, 0, 0, 3, 0x32, 0x10, 0, 1}), 4),
        bmp_file(2, 2, 16, 0, {}, bytes({0, 0x7C, 0x1F, 0, 0xE0, 0x03, 0xFF, 0x7F})),
        bmp_file(2, 1, 32, 3, {}, bytes({1, 2, 3, 128, 4, 5, 6, 255}), 0, v4),
    };
    std::mt19937 rng(99);
    for (size_t f = 0; f < std::size(files); ++f) {
        const Bytes& good = files[f];
        auto check = [&](const Bytes& b, const char* what, size_t n) {
            if (r.read("d.bmp", b)) {
                ASSERT_NE(r.t.data, nullptr) << what << n;
                ASSERT_TRUE(r.t.depth == 24 || r.t.depth == 32);
                ASSERT_GE(r.t.widthbyte32, (uint32_t)r.t.width * (uint32_t)(r.t.depth / 8));
                unsigned sum = 0;
                for (size_t i = 0; i < (size_t)r.t.widthbyte32 * (size_t)r.t.height; ++i) sum += r.t.data[i];
                (void)sum;
            } else {
                ASSERT_EQ(r.t.data, nullptr) << what << n;
            }
        };
        for (size_t n = 0; n < good.size(); ++n) {
            check(good.substr(0, n), "file kind / truncated at ", f * 1000 + n);
            if (HasFatalFailure()) return;
        }
        for (int i = 0; i < 400; ++i) {
            Bytes b = good;
            for (int k = 0; k < 3; ++k) b[rng() % b.size()] = (char)(rng() & 0xff);
            check(b, "file kind / mutation ", f * 1000 + (size_t)i);
            if (HasFatalFailure()) return;
        }
    }
}

// ------------------------------------------------------------------ TGA

namespace {
// An uncompressed Targa file (type 2), bottom line first, of w x h pixels
// given as b, g, r (, a).
Bytes tga_file(int w, int h, int bits, const Bytes& pixels, int type = 2)
{
    Bytes head(18, '\0');
    head[2] = (char)type;
    put16(head, 12, (uint16_t)w);
    put16(head, 14, (uint16_t)h);
    head[16] = (char)bits;
    head[17] = (char)(bits == 32 ? 8 : 0);
    return head + pixels;
}
} // namespace

TEST(TgaFile, ReadAsTheBmpOrderWithAlphaWhenUsed)
{
    Read r;
    // 2 x 2, 24 bits: bottom line red, green; top line blue, white.
    ASSERT_EQ(r.read("c.tga", tga_file(2, 2, 24, bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}))), 1);
    EXPECT_TRUE(r.rec.boxes.empty());
    EXPECT_EQ(r.t.depth, 24);
    EXPECT_TRUE(r.t.IsDibOrdered());
    EXPECT_EQ(px(r.t, 0, 0), k_red);
    EXPECT_EQ(px(r.t, 1, 0), k_green);
    EXPECT_EQ(px(r.t, 0, 1), k_blue);
    EXPECT_EQ(px(r.t, 1, 1), k_white);
    // Upper-case ending, 32 bits with alpha that is used.
    ASSERT_EQ(r.read("A.TGA", tga_file(2, 1, 32, bytes({0, 0, 255, 255, 255, 0, 0, 64}))), 1);
    EXPECT_EQ(r.t.depth, 32);
    EXPECT_EQ(px(r.t, 1, 0), (std::array<int, 4>{255, 0, 0, 64}));
    // 32 bits, all opaque: 24.
    ASSERT_EQ(r.read("o.tga", tga_file(1, 1, 32, bytes({1, 2, 3, 255}))), 1);
    EXPECT_EQ(r.t.depth, 24);
    EXPECT_EQ(px(r.t, 0, 0), (std::array<int, 4>{1, 2, 3, 255}));

    // Damaged: refused with the file's name, or read whole.
    ASSERT_EQ(r.read("bad.tga", tga_file(60000, 60000, 24, bytes({1, 2, 3}))), 0);
    EXPECT_EQ(r.t.data, nullptr);
    ASSERT_FALSE(r.rec.boxes.empty());
    EXPECT_NE(r.rec.boxes.back().text.find("bad.tga"), std::string::npos);
    ASSERT_EQ(r.read("empty.tga", {}), 0);
    EXPECT_NE(r.rec.boxes.back().text.find("empty.tga"), std::string::npos);
    const Bytes good = tga_file(3, 2, 24, Bytes(18, 'x'));
    for (size_t n = 0; n < good.size(); ++n) {
        if (r.read("t.tga", good.substr(0, n))) {
            ASSERT_NE(r.t.data, nullptr) << n;
            EXPECT_EQ(r.t.width, 3);
        } else {
            EXPECT_EQ(r.t.data, nullptr) << n;
        }
    }
}
