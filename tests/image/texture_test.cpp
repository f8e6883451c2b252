#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/texture.h"
#include "support/recorder.h"

TEST(TextureBuffer, RowSizeTable)
{
    const unsigned w24[][2] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {256, 768}};
    for (auto& c : w24) EXPECT_EQ(CTexture::ComputeWidthByte32(c[0], 24), c[1]) << "width " << c[0];
    for (unsigned w : {1u, 3u, 5u, 7u, 1000u}) EXPECT_EQ(CTexture::ComputeWidthByte32(w, 32), w * 4);
}

TEST(TextureBuffer, PowerOfTwoTables)
{
    EXPECT_EQ(CTexture::IsPowerOf2(1), 0);
    EXPECT_EQ(CTexture::IsPowerOf2(2), 1);
    EXPECT_EQ(CTexture::IsPowerOf2(2048), 1);
    EXPECT_EQ(CTexture::IsPowerOf2(4096), 0);
    EXPECT_EQ(CTexture::IsPowerOf2(0), 0);
    EXPECT_EQ(CTexture::IsPowerOf2(96), 0);
    EXPECT_EQ(CTexture::NextPowerOf2(0), 0);
    EXPECT_EQ(CTexture::NextPowerOf2(-5), -5);
    EXPECT_EQ(CTexture::NextPowerOf2(1), 2);
    EXPECT_EQ(CTexture::NextPowerOf2(2), 2);
    EXPECT_EQ(CTexture::NextPowerOf2(3000), 4096);
    EXPECT_EQ(CTexture::NextPowerOf2(5000), 8192);   // no upper bound
}

TEST(TextureBuffer, AllocSetsHeaderAndFreeKeepsRowSize)
{
    CTexture t;
    EXPECT_EQ(t.kind, 0);
    EXPECT_EQ(t.data, nullptr);
    EXPECT_FALSE(t.IsValid());
    t.Free();   // harmless on an empty image
    ASSERT_EQ(t.Alloc(5, 3, 24), 1);
    EXPECT_EQ(t.widthbyte32, 16u);
    EXPECT_EQ(t.header.biSize, 40u);
    EXPECT_EQ(t.header.biWidth, 5);
    EXPECT_EQ(t.header.biHeight, 3);
    EXPECT_EQ(t.header.biPlanes, 1);
    EXPECT_EQ(t.header.biBitCount, 24);
    EXPECT_EQ(t.header.biSizeImage, 48u);
    EXPECT_TRUE(t.IsValid());
    EXPECT_FALSE(t.HasAlpha());
    EXPECT_TRUE(t.IsPowerOf2Size() == 0);
    t.Free();
    EXPECT_EQ(t.width, 0);
    EXPECT_EQ(t.depth, 0);
    EXPECT_EQ(t.widthbyte32, 16u);   // until the next UpdateHeader
    EXPECT_FALSE(t.IsValid());
}

TEST(TextureBuffer, FailedAllocLeavesImageEmpty)
{
    RecordingReporter rec;
    CTexture t;
    ASSERT_EQ(t.Alloc(4, 4, 24), 1);
    EXPECT_EQ(t.Alloc(0x7fffffff, 0x7fffffff, 32), 0);
    EXPECT_TRUE(rec.has_box("CTexture::Alloc : Insufisant memory"));
    EXPECT_EQ(t.width, 0);
    EXPECT_EQ(t.height, 0);
    EXPECT_EQ(t.depth, 0);
    EXPECT_FALSE(t.IsValid());
}

TEST(TextureBuffer, CopyFromPackedPadsRows)
{
    std::vector<unsigned char> src(3 * 2 * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = (unsigned char)(i + 1);
    CTexture t;
    EXPECT_EQ(t.CopyFromPacked(nullptr, 3, 2, 24), 0);
    ASSERT_EQ(t.CopyFromPacked(src.data(), 3, 2, 24), 1);
    EXPECT_EQ(t.widthbyte32, 12u);
    EXPECT_EQ(std::memcmp(t.data, src.data(), 9), 0);
    EXPECT_EQ(std::memcmp(t.data + 12, src.data() + 9, 9), 0);
    // The padding bytes are zero, so that saved files are reproducible.
    for (int r = 0; r < 2; ++r)
        for (int i = 9; i < 12; ++i) EXPECT_EQ(t.data[r * 12 + i], 0) << r << " " << i;
}

TEST(TextureBuffer, AttachAdoptsBlockWithoutRefreshingHeader)
{
    CTexture t;
    ASSERT_EQ(t.Alloc(3, 3, 24), 1);
    unsigned char* block = new unsigned char[4 * 4 * 3];
    t.Attach(block, 4, 4, 24);
    EXPECT_EQ(t.GetData(), block);
    EXPECT_EQ(t.GetWidth(), 4);
    EXPECT_EQ(t.header.biWidth, 3);
    EXPECT_EQ(t.widthbyte32, 12u);
    CTexture u;
    ASSERT_EQ(u.Alloc(4, 4, 32), 1);
    EXPECT_TRUE(t.SameSize(u));
}

// A 3 x 3 image as JPEG decoding leaves it: top line first, red-green-blue.
static void fill_3x3(CTexture& t)
{
    ASSERT_EQ(t.Alloc(3, 3, 24), 1);
    for (int r = 0; r < 3; ++r)
        for (int x = 0; x < 3; ++x)
            for (int k = 0; k < 3; ++k) t.data[r * 12 + x * 3 + k] = (unsigned char)(100 * k + 10 * r + x);
}

TEST(TextureBuffer, FlipVerticalOnJpegOrderSwapsRowsAndCrossesBytes)
{
    CTexture t;
    fill_3x3(t);
    t.data_size = 27;
    std::vector<unsigned char> before(t.data, t.data + 36);
    ASSERT_EQ(t.FlipVertical(), 1);
    for (int r = 0; r < 3; ++r)
        for (int x = 0; x < 3; ++x)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(t.data[r * 12 + x * 3 + k], before[(2 - r) * 12 + x * 3 + (2 - k)])
                    << r << "," << x << "," << k;
    ASSERT_EQ(t.FlipVertical(), 1);   // a second flip restores the block
    EXPECT_EQ(std::memcmp(t.data, before.data(), 9), 0);
    EXPECT_EQ(std::memcmp(t.data + 12, before.data() + 12, 9), 0);
    EXPECT_EQ(std::memcmp(t.data + 24, before.data() + 24, 9), 0);
}

TEST(TextureBuffer, FlipVerticalLeavesOtherImagesAlone)
{
    CTexture t;
    fill_3x3(t);   // data_size 0: not from JPEG
    std::vector<unsigned char> before(t.data, t.data + 36);
    EXPECT_EQ(t.FlipVertical(), 1);
    EXPECT_EQ(std::memcmp(t.data, before.data(), 36), 0);
    CTexture empty;
    EXPECT_EQ(empty.FlipVertical(), 0);
}

TEST(TextureBuffer, FlipVerticalNeverPassesTheBlockWhateverDataSize)
{
    CTexture t;
    ASSERT_EQ(t.Alloc(5, 4, 24), 1);
    std::memset(t.data, 7, 64);
    t.data_size = 1 << 30;   // stale value larger than the block
    EXPECT_EQ(t.FlipVertical(), 1);
    ASSERT_EQ(t.Alloc(1, 1, 24), 1);
    t.data_size = 3;
    EXPECT_EQ(t.FlipVertical(), 1);
}

TEST(TextureBuffer, DrawShowsBottomUpBlockTopLineFirst)
{
    CTexture t;
    ASSERT_EQ(t.Alloc(2, 2, 24), 1);
    // Block row 0 is the bottom line; bytes are blue, green, red.
    const unsigned char rows[2][6] = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    std::memcpy(t.data, rows[0], 6);
    std::memcpy(t.data + 8, rows[1], 6);
    std::vector<unsigned char> dst(4 * 3 * 3, 0);   // 4 x 3 RGB888
    EXPECT_EQ(t.Draw(dst.data(), 4, 3, 12, 1, 1), 2);
    const unsigned char top_left[3] = {9, 8, 7};   // red, green, blue of the top line
    EXPECT_EQ(std::memcmp(&dst[12 + 3], top_left, 3), 0);
    const unsigned char bottom_right[3] = {6, 5, 4};
    EXPECT_EQ(std::memcmp(&dst[24 + 6], bottom_right, 3), 0);
    EXPECT_EQ(dst[0], 0);   // outside the destination rectangle
    // Clipped at the buffer's edge, no write outside.
    std::vector<unsigned char> small(3, 0);
    EXPECT_EQ(t.Draw(small.data(), 1, 1, 3, -1, -1), 1);
    EXPECT_EQ(small[0], 6);
    CTexture empty;
    EXPECT_EQ(empty.Draw(dst.data(), 4, 3, 12, 0, 0), 0);
}
