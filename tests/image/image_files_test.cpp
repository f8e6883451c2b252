#include <gtest/gtest.h>

#include <memory>

#include <cstring>

#include "image/lumi.h"
#include "image/texture.h"
#include "image_test_util.h"
#include "support/recorder.h"

using namespace imgtest;

// ------------------------------------------------------------------ BMP

TEST(BmpFile, ReadsRowsBottomUpWithPadding)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("a.bmp", make_bmp(3, 2, pattern, {.size_image = 0, .off_bits = 54, .xpels = 2835}));
    CTexture t;
    ASSERT_EQ(t.ReadFile("a.bmp"), 1);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(t.width, 3);
    EXPECT_EQ(t.height, 2);
    EXPECT_EQ(t.depth, 24);
    EXPECT_EQ(t.widthbyte32, 12u);   // 9 bytes of pixels, 3 of padding
    EXPECT_EQ(t.name, "a.bmp");
    EXPECT_EQ(t.header.biXPelsPerMeter, 2835);   // header kept as read
    EXPECT_EQ(t.header.biSizeImage, 24u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            unsigned char e[3];
            pattern(x, y, e);
            EXPECT_EQ(std::memcmp(t.data + (1 - y) * 12 + x * 3, e, 3), 0) << x << "," << y;
        }
    // A JPEG-style flip changes nothing on a BMP image.
    std::string before((char*)t.data, 24);
    t.FlipVertical();
    EXPECT_EQ(std::string((char*)t.data, 24), before);
}

TEST(BmpFile, UpperCaseEndingAndTopDownRowsAndColourTableOffset)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("PHOTO.BMP", make_bmp(2, 3, pattern, {.top_down = true}));
    write_whole_file("table.bmp", make_bmp(2, 3, pattern, {.off_bits = 54 + 16, .gap = 16}));
    CTexture a, b;
    ASSERT_EQ(a.ReadFile("PHOTO.BMP"), 1);
    ASSERT_EQ(b.ReadFile("table.bmp"), 1);
    EXPECT_EQ(a.height, 3);
    EXPECT_EQ(a.header.biHeight, 3);   // rows now bottom-up
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) {
            unsigned char e[3];
            pattern(x, y, e);
            EXPECT_EQ(std::memcmp(a.data + (2 - y) * 8 + x * 3, e, 3), 0);
            EXPECT_EQ(std::memcmp(b.data + (2 - y) * 8 + x * 3, e, 3), 0);
        }
}

TEST(BmpFile, OtherDepthsAndBadSignatures)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("p8.bmp", make_bmp(4, 4, pattern, {.bit_count = 8}));
    write_whole_file("p32.bmp", make_bmp(4, 4, pattern, {.bit_count = 32}));
    write_whole_file("planes.bmp", make_bmp(4, 4, pattern, {.planes = 2}));
    Bytes bad = make_bmp(4, 4, pattern);
    bad[0] = 'X';
    write_whole_file("sig.bmp", bad);
    write_whole_file("short.bmp", bad.substr(0, 10));
    write_whole_file("shortinfo.bmp", make_bmp(4, 4, pattern).substr(0, 40));
    CTexture t;
    // 8 bits without the colour table they need; 2 planes.
    EXPECT_EQ(t.ReadFile("p8.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Invalid BMP file: colour table cut short : p8.bmp"));
    EXPECT_EQ(t.data, nullptr);
    EXPECT_EQ(t.ReadFile("planes.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Unsupported BMP file planes.bmp: 24 bits per pixel, compression 0, 2 planes"));
    EXPECT_EQ(t.data, nullptr);
    // 32 bits: read, the fourth byte of each pixel left out.
    ASSERT_EQ(t.ReadFile("p32.bmp"), 1);
    EXPECT_EQ(t.depth, 24);
    unsigned char e[3];
    pattern(1, 3, e);
    EXPECT_EQ(std::memcmp(t.data + 3, e, 3), 0);
    rec.boxes.clear();
    EXPECT_EQ(t.ReadFile("sig.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Invalid BMP file"));
    EXPECT_EQ(t.ReadFile("short.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Error during reading file header"));
    EXPECT_EQ(t.ReadFile("shortinfo.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Error during reading image header"));
    EXPECT_EQ(t.ReadFile("missing.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Unable to open file for reading missing.bmp"));
}

TEST(BmpFile, SizesBeyondTheFileAreRefusedSmallSizeImageIsPadded)
{
    RecordingReporter rec;
    ScratchDir dir;
    Bytes huge = make_bmp(4, 4, pattern);
    put32(huge, 18, 0x40000000);   // width far beyond the file
    write_whole_file("huge.bmp", huge);
    Bytes neg = make_bmp(4, 4, pattern);
    put32(neg, 18, (uint32_t)-4);
    write_whole_file("negw.bmp", neg);
    // biSizeImage smaller than the rows need: the block keeps the full size.
    write_whole_file("small.bmp", make_bmp(3, 3, pattern, {.size_image = 5}));
    CTexture t;
    EXPECT_EQ(t.ReadFile("huge.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Invalid BMP file size : huge.bmp"));
    EXPECT_EQ(t.ReadFile("negw.bmp"), 0);
    EXPECT_EQ(t.data, nullptr);
    ASSERT_EQ(t.ReadFile("small.bmp"), 1);
    EXPECT_EQ(t.header.biSizeImage, 36u);
    unsigned char e[3];
    pattern(2, 0, e);
    EXPECT_EQ(std::memcmp(t.data + 2 * 12 + 6, e, 3), 0);   // top line, last pixel
    ASSERT_EQ(t.SaveFile("small_out.bmp"), 1);
    EXPECT_EQ(read_whole_file("small_out.bmp").size(), 54u + 36u);
}

TEST(BmpFile, SaveWritesExactFileAndRoundTrips)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    ASSERT_EQ(t.Alloc(4, 2, 24), 1);
    for (int i = 0; i < 24; ++i) t.data[i] = (unsigned char)(i * 3);
    ASSERT_EQ(t.SaveFile("out.bmp"), 1);
    Bytes f = read_whole_file("out.bmp");
    ASSERT_EQ(f.size(), 78u);
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(get32(f, 2), 78u);
    EXPECT_EQ(get32(f, 10), 54u);
    EXPECT_EQ(get32(f, 14), 40u);
    EXPECT_EQ(get32(f, 34), 24u);
    EXPECT_EQ(f.substr(54), std::string((char*)t.data, 24));
    CTexture u;
    ASSERT_EQ(u.ReadFile("out.bmp"), 1);
    EXPECT_EQ(std::memcmp(u.data, t.data, 24), 0);
    // A file read and saved keeps its header values.
    write_whole_file("pels.bmp", make_bmp(2, 2, pattern, {.xpels = 3780}));
    ASSERT_EQ(u.ReadFile("pels.bmp"), 1);
    ASSERT_EQ(u.SaveFile("pels2.bmp"), 1);
    EXPECT_EQ(read_whole_file("pels2.bmp"), read_whole_file("pels.bmp"));
}

TEST(BmpFile, SaveRefusals)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    ASSERT_EQ(t.Alloc(2, 2, 32), 1);
    EXPECT_EQ(t.SaveFile("a.bmp"), 0);   // 32-bit: silently refused
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(t.SaveFile("a.jpg"), 0);
    EXPECT_TRUE(rec.has_box("CTexture::SaveFile : invalid file redirection : a.jpg\n"));
    ASSERT_EQ(t.Alloc(2, 2, 24), 1);
    EXPECT_EQ(t.SaveFile("nodir/a.bmp"), 0);
    EXPECT_TRUE(rec.has_box("Unable to open file for reading nodir/a.bmp\nthe folder nodir does not exist."));
}

TEST(ReadFileRouting, ByLowerCasedEnding)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    EXPECT_EQ(t.ReadFile("photo.jpeg"), 0);
    EXPECT_TRUE(rec.has_box("CTexture::ReadFile : invalid file redirection : photo.jpeg\n"));
    rec.boxes.clear();
    EXPECT_EQ(t.ReadFile("sequencelumi"), 0);   // routed to the lumi reader
    EXPECT_TRUE(rec.has_box("Could not open sequencelumi\n"));
    EXPECT_EQ(t.lumi, nullptr);
}

// ------------------------------------------------------------------ RAW

TEST(RawFile, RoundTripAndRefusals)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture t;
    ASSERT_EQ(t.Alloc(4, 4, 24), 1);
    for (int i = 0; i < 48; ++i) t.data[i] = (unsigned char)(200 - i);
    ASSERT_EQ(t.SaveFile("x.RAW"), 1);   // created although missing
    EXPECT_EQ(read_whole_file("x.RAW").size(), 48u);
    CTexture u;
    ASSERT_EQ(u.ReadFileRAW("x.RAW", 4, 4, 24), 1);
    EXPECT_EQ(std::memcmp(u.data, t.data, 48), 0);
    EXPECT_EQ(u.name, "x.RAW");
    // An existing longer file is overwritten from its start, not truncated.
    write_whole_file("long.raw", std::string(60, 'z'));
    ASSERT_EQ(t.SaveFile("long.raw"), 1);
    Bytes f = read_whole_file("long.raw");
    EXPECT_EQ(f.size(), 60u);
    EXPECT_EQ(f.substr(48), std::string(12, 'z'));
    // Callers that do not know the size are refused.
    EXPECT_EQ(u.ReadFile("x.RAW"), 0);
    EXPECT_TRUE(rec.has_box_containing("CTexture::ReadFileRAW : invalid image size"));
    EXPECT_EQ(u.data, nullptr);
    CTexture empty;
    EXPECT_EQ(empty.SaveFileRAW("y.raw"), 0);
    EXPECT_TRUE(rec.has_box("CTexture::SaveFileRAW : invalid image"));
}

TEST(RawFile, PaddedRowsAreCutToThePackedLength)
{
    ScratchDir dir;
    CTexture t;
    ASSERT_EQ(t.Alloc(3, 2, 24), 1);   // rows of 12, 9 bytes of pixels
    for (int i = 0; i < 24; ++i) t.data[i] = (unsigned char)i;
    ASSERT_EQ(t.SaveFileRAW("p.raw"), 1);
    Bytes f = read_whole_file("p.raw");
    ASSERT_EQ(f.size(), 18u);
    EXPECT_EQ(f, std::string((char*)t.data, 18));
    CTexture u;
    ASSERT_EQ(u.ReadFileRAW("p.raw", 3, 2, 24), 1);
    EXPECT_EQ(std::memcmp(u.data, t.data, 18), 0);
    // The block's bytes past the packed pixels, and those a short file does
    // not reach, are black, not what the memory held before (a block of the
    // same size is dirtied and given back first, for the reader to reuse).
    write_whole_file("short.raw", std::string(5, '\x7f'));
    for (const char* file : {"p.raw", "short.raw"}) {
        SCOPED_TRACE(file);
        {
            std::unique_ptr<unsigned char[]> junk(new unsigned char[24]);
            std::memset(junk.get(), 0xAB, 24);
        }
        CTexture v;
        ASSERT_EQ(v.ReadFileRAW(file, 3, 2, 24), 1);
        const size_t read = std::string(file) == "p.raw" ? 18 : 5;
        EXPECT_EQ(std::string((const char*)v.data + read, 24 - read), std::string(24 - read, '\0'));
    }
}
