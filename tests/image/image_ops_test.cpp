#include <gtest/gtest.h>

#include <cstring>

#include "image/texture.h"
#include "support/recorder.h"

// Image of w x h where byte k of the pixel at block row r, column x is
// r * 100 + x * 10 + k (a value identifying its origin).
static void fill(CTexture& t, int w, int h, int d)
{
    ASSERT_EQ(t.Alloc(w, h, d), 1);
    std::memset(t.data, 0xAB, (size_t)t.widthbyte32 * h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < d / 8; ++k) t.data[r * t.widthbyte32 + x * (d / 8) + k] = (unsigned char)(r * 100 + x * 10 + k);
}
static int at(const CTexture& t, int r, int x, int k) { return t.data[r * t.widthbyte32 + x * (t.depth / 8) + k]; }

TEST(ImageOps, ExtractWholeReversesRowsAndSubRectangle)
{
    CTexture t;
    fill(t, 3, 2, 24);
    ASSERT_EQ(t.Extract(0, 0, -1, -1), 1);
    EXPECT_EQ(t.width, 3);
    EXPECT_EQ(at(t, 0, 1, 0), 110);   // new row 0 = picture top line = old block row 1
    EXPECT_EQ(at(t, 1, 2, 2), 22);
    fill(t, 5, 4, 32);
    ASSERT_EQ(t.Extract(1, 1, 3, 2), 1);   // picture lines 1..2 = block rows 2..1
    EXPECT_EQ(t.width, 3);
    EXPECT_EQ(t.height, 2);
    EXPECT_EQ(t.widthbyte32, 12u);
    EXPECT_EQ(t.header.biWidth, 3);
    EXPECT_EQ(at(t, 0, 0, 3), 200 + 10 + 3);
    EXPECT_EQ(at(t, 1, 2, 0), 100 + 30);
}

TEST(ImageOps, ExtractRefusesDegenerateOrOutsideRectangles)
{
    RecordingReporter rec;
    CTexture t;
    fill(t, 4, 4, 24);
    EXPECT_EQ(t.Extract(1, 0, 1, 3), 0);   // x0 == x1
    EXPECT_EQ(t.Extract(0, 0, 4, 3), 0);   // past the last column
    EXPECT_EQ(t.Extract(-1, 0, 2, 2), 0);
    EXPECT_EQ(t.Extract(0, 2, 3, 1), 0);
    EXPECT_EQ(t.width, 4);
    EXPECT_TRUE(rec.boxes.empty());
    fill(t, 1, 1, 24);
    EXPECT_EQ(t.Extract(0, 0, -1, -1), 0);   // a 1 x 1 image has no 2 x 2 rectangle
    CTexture empty;
    EXPECT_EQ(empty.Extract(0, 0, -1, -1), 0);
}

TEST(ImageOps, DuplicateMirrorBuildsMirroredTile)
{
    CTexture t;
    fill(t, 4, 4, 24);
    ASSERT_EQ(t.DuplicateMirror(0, 0, 2, 1), 1);   // a 3 x 2 rectangle
    EXPECT_EQ(t.width, 6);
    EXPECT_EQ(t.height, 4);
    EXPECT_EQ(t.widthbyte32, 20u);
    EXPECT_EQ(t.header.biSizeImage, 80u);
    // Extracted E: row 0 = old block row 3, row 1 = old block row 2.
    // N rows: 0 <- E1, 1 <- E0, 2 <- E0, 3 <- E1; columns 3..5 mirror 2..0.
    const int src_row[4] = {2, 3, 3, 2};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 6; ++j) {
            int sj = j < 3 ? j : 5 - j;
            EXPECT_EQ(at(t, i, j, 1), (unsigned char)(src_row[i] * 100 + sj * 10 + 1)) << i << "," << j;
        }
    EXPECT_EQ(t.DuplicateMirror(0, 0, 0, 0), 0);
}

TEST(ImageOps, AlphaLayers)
{
    CTexture t;
    fill(t, 5, 2, 24);   // rows at a 16-byte pitch
    ASSERT_EQ(t.AddAlphaLayer(77), 1);
    EXPECT_EQ(t.depth, 32);
    EXPECT_TRUE(t.HasAlpha());
    EXPECT_EQ(t.widthbyte32, 20u);
    EXPECT_EQ(t.header.biBitCount, 32);
    for (int r = 0; r < 2; ++r)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(at(t, r, x, 0), r * 100 + x * 10);
            EXPECT_EQ(at(t, r, x, 2), r * 100 + x * 10 + 2);
            EXPECT_EQ(at(t, r, x, 3), 77);
        }
    unsigned char* block = t.data;
    ASSERT_EQ(t.AddAlphaLayer(9), 1);   // 32-bit: only the alpha byte changes
    EXPECT_EQ(t.data, block);
    EXPECT_EQ(at(t, 1, 4, 3), 9);
    EXPECT_EQ(at(t, 1, 4, 1), 141);

    CTexture a;
    ASSERT_EQ(a.Alloc(2, 1, 32), 1);
    const unsigned char px[8] = {40, 40, 40, 1, 41, 41, 41, 1};
    std::memcpy(a.data, px, 8);
    ASSERT_EQ(a.SetAlphaThreshold(200), 1);
    EXPECT_EQ(a.data[3], 0);
    EXPECT_EQ(a.data[7], 200);
    ASSERT_EQ(a.SetAlpha(5), 1);
    EXPECT_EQ(a.data[3], 5);

    CTexture rgb;
    fill(rgb, 2, 2, 24);
    EXPECT_EQ(rgb.SetAlpha(5), 0);
    EXPECT_EQ(rgb.SetAlphaThreshold(5), 0);
    CTexture empty;
    EXPECT_EQ(empty.AddAlphaLayer(1), 0);
}

TEST(ImageOps, ToneFilters)
{
    CTexture t;
    ASSERT_EQ(t.Alloc(2, 1, 24), 1);
    const unsigned char px[6] = {0, 0, 128, 0, 0, 129};
    std::memcpy(t.data, px, 6);
    ASSERT_EQ(t.ThresholdImage(), 1);
    EXPECT_EQ(t.data[0], 0);
    EXPECT_EQ(t.data[2], 0);
    EXPECT_EQ(t.data[3], 255);
    EXPECT_EQ(t.data[4], 255);

    const unsigned char bw[6] = {10, 20, 31, 255, 255, 254};
    std::memcpy(t.data, bw, 6);
    ASSERT_EQ(t.MakeBlackAndWhite(), 1);
    EXPECT_EQ(t.data[0], 20);
    EXPECT_EQ(t.data[1], 20);
    EXPECT_EQ(t.data[5], 254);

    // Filter: the window starts at the pixel and spans two more columns/rows.
    CTexture f;
    ASSERT_EQ(f.Alloc(5, 5, 24), 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            unsigned char* p = f.data + y * f.widthbyte32 + x * 3;
            p[0] = 1;
            p[1] = 2;
            p[2] = (unsigned char)(10 * x + 40 * y);
        }
    ASSERT_EQ(f.FilterImage(), 1);
    auto red = [&](int x, int y) { return 10 * x + 40 * y; };
    int s = red(1, 1) + red(3, 1) + red(2, 2) + red(1, 3) + red(3, 3);
    const unsigned char* p = f.data + 1 * f.widthbyte32 + 1 * 3;
    EXPECT_EQ(p[2], (int)(s / 9.0));
    EXPECT_EQ(p[0], p[2]);
    EXPECT_EQ(p[1], p[2]);
    const unsigned char* q = f.data + 1 * f.widthbyte32 + 3 * 3;   // x = width - 2: untouched
    EXPECT_EQ(q[0], 1);

    CTexture thin;
    ASSERT_EQ(thin.Alloc(3, 6, 24), 1);
    std::memset(thin.data, 90, thin.widthbyte32 * 6);
    ASSERT_EQ(thin.FilterImage(), 1);
    for (unsigned i = 0; i < thin.widthbyte32 * 6; ++i) ASSERT_EQ(thin.data[i], 90);

    CTexture c32;
    ASSERT_EQ(c32.Alloc(4, 4, 32), 1);
    EXPECT_EQ(c32.FilterImage(), 0);
    EXPECT_EQ(c32.MakeBlackAndWhite(), 0);
    EXPECT_EQ(c32.ThresholdImage(), 0);
}

TEST(ImageOps, EveryOperationStaysInsideSmallAndOddBlocks)
{
    // Under the address sanitizer any stray access fails this test.
    for (int d : {24, 32})
        for (int w = 1; w <= 6; ++w)
            for (int h = 1; h <= 5; ++h) {
                CTexture t;
                fill(t, w, h, d);
                t.FilterImage();
                t.MakeBlackAndWhite();
                t.ThresholdImage();
                t.SetAlphaThreshold(3);
                t.data_size = w * h * 3;
                t.FlipVertical();
                t.DuplicateMirror(0, 0, -1, -1);
                t.AddAlphaLayer(4);
                t.Extract(0, 0, -1, -1);
                if (t.data) {
                    EXPECT_TRUE(t.IsValid());
                }
            }
}
