#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "image/jpegfile.h"
#include "image/lumi.h"
#include "image/texture.h"
#include "image_test_util.h"
#include "support/recorder.h"

using namespace imgtest;

static void rgb_pattern(int x, int y, unsigned char* p)
{
    p[0] = (unsigned char)(200 - 30 * y);
    p[1] = (unsigned char)(40 * x);
    p[2] = (unsigned char)(60 + 10 * (x + y));
}

TEST(JpegFile, ColourImageOfWidthFiveIsPaddedTopLineFirst)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("c.JPG", make_jpeg(5, 4, 3, rgb_pattern));
    CTexture t;
    ASSERT_EQ(t.ReadFile("c.JPG"), 1);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(t.width, 5);
    EXPECT_EQ(t.height, 4);
    EXPECT_EQ(t.depth, 24);
    EXPECT_EQ(t.widthbyte32, 16u);
    EXPECT_EQ(t.data_size, 15 * 4);
    EXPECT_EQ(t.header.biSizeImage, 64u);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(t.data[y * 16 + 15], 0) << "padding of row " << y;
        for (int x = 0; x < 5; ++x) {
            unsigned char e[3];
            rgb_pattern(x, y, e);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(t.data[y * 16 + x * 3 + k], e[k], 6) << x << "," << y << "," << k;
        }
    }
    // After the display flip: bottom line first, blue-green-red.
    unsigned char top_left[3] = {t.data[0], t.data[1], t.data[2]};
    ASSERT_EQ(t.FlipVertical(), 1);
    EXPECT_EQ(t.data[3 * 16 + 0], top_left[2]);
    EXPECT_EQ(t.data[3 * 16 + 2], top_left[0]);
}

TEST(JpegFile, GreyscaleExpandsToThreeEqualBytes)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("g.jpg",
                     make_jpeg(7, 3, 1, [](int x, int y, unsigned char* p) { p[0] = (unsigned char)(30 * x + 5 * y); }));
    CTexture t;
    ASSERT_EQ(t.ReadFile("g.jpg"), 1);
    EXPECT_EQ(t.widthbyte32, 24u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            const unsigned char* p = t.data + y * 24 + x * 3;
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            EXPECT_NEAR(p[0], 30 * x + 5 * y, 4);
        }
}

TEST(JpegFile, NotAJpegShowsLibraryMessageAndContinues)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("n.jpg", "BMxxxxxxxxxxxxxxxxxxxxxxxx");
    CTexture t;
    EXPECT_EQ(t.ReadFile("n.jpg"), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].caption, "JPEG Fatal Error");
    EXPECT_EQ(rec.boxes[0].text, "Not a JPEG file: starts with 0x42 0x4d");
    EXPECT_EQ(t.width, 0);
    EXPECT_EQ(t.height, 0);
    EXPECT_EQ(t.data, nullptr);
}

TEST(JpegFile, MissingFileIsReportedNotFatal)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    EXPECT_EQ(t.ReadFile("none.jpg"), 0);
    EXPECT_TRUE(rec.has_box("JPEG :\nCan't open none.jpg\n"));
    int w = 9, h = 9;
    EXPECT_EQ(JpegFile::LoadRGB("none.jpg", w, h), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST(JpegFile, DirectReadWithBlockPresentIsRefused)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("c.jpg", make_jpeg(2, 2, 3, rgb_pattern));
    CTexture t;
    ASSERT_EQ(t.Alloc(1, 1, 24), 1);
    EXPECT_EQ(t.ReadFileJpg("c.jpg"), 0);
    EXPECT_TRUE(rec.has_box("***memory not desallocated in ReadFileJpg!"));
    EXPECT_EQ(t.width, 1);
}

TEST(JpegFile, CmykIsRefused)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("k.jpg", make_jpeg(4, 4, 4, [](int x, int y, unsigned char* p) {
                         p[0] = (unsigned char)x; p[1] = (unsigned char)y; p[2] = 9; p[3] = 200; }));
    CTexture t;
    EXPECT_EQ(t.ReadFile("k.jpg"), 0);
    EXPECT_TRUE(rec.has_box_containing("4 components"));
    EXPECT_EQ(t.data, nullptr);
    EXPECT_EQ(t.width, 0);
}

// ------------------------------------------------------------------ lumi

static unsigned char lum_pattern(int f, int x, int y) { return (unsigned char)(f * 50 + x + 2 * y); }

TEST(LumiFile, DataOffsetsAndChroName)
{
    EXPECT_EQ(lumi_data_offset(256), 512);
    EXPECT_EQ(lumi_data_offset(720), 720);
    EXPECT_EQ(lumi_data_offset(100), 500);
    EXPECT_EQ(lumi_data_offset(1), 512);
    EXPECT_EQ(lumi_chro_path("a/scene.lumi"), "a/scene.chro");
    EXPECT_EQ(lumi_chro_path("data/lumi/x.lumi"), "data/chro");
}

TEST(LumiFile, LayoutsAAndBReadFrameZeroGreyWithoutChro)
{
    RecordingReporter rec;
    ScratchDir dir;
    for (char layout : {'A', 'B'}) {
        std::string name = std::string("seq") + layout + ".lumi";
        write_whole_file(name, make_lumi(layout, 100, 3, 2, false, lum_pattern));
        CTexture t;
        ASSERT_EQ(t.ReadFile(name), 1) << layout;
        ASSERT_NE(t.lumi, nullptr);
        EXPECT_EQ(t.width, 100);
        EXPECT_EQ(t.height, 3);
        EXPECT_EQ(t.depth, 32);
        EXPECT_EQ(t.frame_count, 2);
        EXPECT_EQ(t.lumi->data_offset, 500);
        EXPECT_EQ(t.lumi->m_lumi_size, 300);
        EXPECT_EQ(t.lumi->chroma, nullptr);
        EXPECT_EQ(t.widthbyte32, 400u);
        EXPECT_EQ(t.name, name);
        // Source line 0 goes to the last block row.
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 100; x += 33) {
                const unsigned char* p = t.data + (2 - y) * 400 + x * 4;
                EXPECT_EQ(p[0], lum_pattern(0, x, y));
                EXPECT_EQ(p[1], p[0]);
                EXPECT_EQ(p[2], p[0]);
            }
        t.ReadLumiFrame(t.lumi, 1);
        t.LumiToRGB(t.lumi);
        EXPECT_EQ(t.data[2 * 400 + 0], lum_pattern(1, 0, 0));
        // Playback shows frames 0..frame_count: past the file the last frame stays.
        t.ReadLumiFrame(t.lumi, 2);
        t.LumiToRGB(t.lumi);
        EXPECT_EQ(t.data[2 * 400 + 4], lum_pattern(1, 1, 0));
    }
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(LumiFile, NegativeFlagInvertsLuminance)
{
    ScratchDir dir;
    write_whole_file("n.lumi", make_lumi('A', 256, 2, 1, true, [](int, int, int) { return (unsigned char)0; }));
    CTexture t;
    ASSERT_EQ(t.ReadFile("n.lumi"), 1);
    EXPECT_EQ(t.lumi->data_offset, 512);
    EXPECT_EQ(t.data[0], 255);
    EXPECT_EQ(t.data[2], 255);
}

TEST(LumiFile, ChromaConversionClampsAndSamplesC2Ahead)
{
    ScratchDir dir;
    // 4 x 2: Y = 128 except pixel 5 = 255; chroma bytes chosen per offset.
    write_whole_file("c.lumi", make_lumi('B', 4, 2, 1, false,
                                         [](int, int x, int y) { return (unsigned char)(y * 4 + x == 5 ? 255 : 128); }));
    const unsigned char chro[8] = {128, 128, 150, 100, 255, 90, 128, 60};
    write_whole_file("c.chro", make_chro(4, 2, 1, [&](int, int i) { return chro[i]; }));
    CTexture t;
    ASSERT_EQ(t.ReadFile("c.lumi"), 1);
    ASSERT_NE(t.lumi->chroma, nullptr);
    auto px = [&](int n) { return t.data + (1 - n / 4) * 16 + (n % 4) * 4; };
    auto expect = [&](int n, int Y, int c1, int c2) {
        int a = Y + c1 - 128, d = Y + c2 - 128;
        int g = (1744 * Y - 522 * a - 199 * d) >> 10;
        auto cl = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
        EXPECT_EQ(px(n)[0], cl(a)) << "pixel " << n;
        EXPECT_EQ(px(n)[1], cl(g)) << "pixel " << n;
        EXPECT_EQ(px(n)[2], cl(d)) << "pixel " << n;
    };
    // Pixel 0: Y = C1 = C2 = 128 gives 128, 127, 128.
    EXPECT_EQ(px(0)[0], 128);
    EXPECT_EQ(px(0)[1], 127);
    EXPECT_EQ(px(0)[2], 128);
    expect(1, 128, chro[0], chro[3]);
    expect(2, 128, chro[2], chro[3]);
    expect(3, 128, chro[2], chro[5]);
    expect(4, 128, chro[4], chro[5]);
    EXPECT_EQ(px(4)[0], 255);   // 128 + 255 - 128 clamped
    expect(5, 255, chro[4], chro[7]);
    expect(6, 128, chro[6], chro[7]);
    expect(7, 128, chro[6], chro[7]);   // past the frame: the last C2 byte
}

TEST(LumiFile, ShortChroTurnsGreyFromTheMissingFrame)
{
    ScratchDir dir;
    write_whole_file("s.lumi", make_lumi('A', 8, 2, 2, false, lum_pattern));
    write_whole_file("s.chro", make_chro(8, 2, 1, [](int, int i) { return (unsigned char)(i % 2 ? 60 : 200); }));
    CTexture t;
    ASSERT_EQ(t.ReadFile("s.lumi"), 1);
    EXPECT_NE(t.data[0], t.data[2]);   // coloured
    t.ReadLumiFrame(t.lumi, 1);
    EXPECT_EQ(t.lumi->chroma, nullptr);
    t.LumiToRGB(t.lumi);
    EXPECT_EQ(t.data[0], t.data[2]);
}

TEST(LumiFile, RefusalsDoNotEndTheProcess)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    EXPECT_EQ(t.ReadFile("none.lumi"), 0);
    EXPECT_TRUE(rec.has_box("Could not open none.lumi\n"));
    EXPECT_TRUE(rec.has_box("Read_Image impossible in_File lumi errone\n"));
    EXPECT_EQ(t.lumi, nullptr);
    EXPECT_EQ(t.data, nullptr);

    write_whole_file("zero.lumi", make_lumi('A', 0, 2, 1, false, lum_pattern).substr(0, 720));
    rec.boxes.clear();
    EXPECT_EQ(t.ReadFile("zero.lumi"), 0);
    EXPECT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(t.width, 0);

    // Declared frame larger than the file.
    Bytes big = make_lumi('A', 64, 64, 1, false, lum_pattern);
    write_whole_file("big.lumi", big.substr(0, big.size() - 10));
    EXPECT_EQ(t.ReadFile("big.lumi"), 0);
    EXPECT_EQ(t.data, nullptr);

    std::string longname(140, 'x');
    longname += ".lumi";
    rec.boxes.clear();
    EXPECT_EQ(t.ReadFile(longname), 0);
    EXPECT_TRUE(rec.has_box_containing("Lumi file name too long"));

    // Conversion without a luminance buffer reports instead of exiting.
    CLumiImage r;
    rec.boxes.clear();
    t.LumiToRGB(&r);
    EXPECT_TRUE(rec.has_box("Y ou DRDB non cree\n"));
    t.ReadLumiFrame(&r, 0);
    EXPECT_TRUE(rec.has_box("Read_Image impossible in_File lumi errone\n"));
}
