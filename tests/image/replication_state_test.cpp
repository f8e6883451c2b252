// The image editor's rules without a window: the mouse selection, the mirror
// tile from it, the movie of a lumi sequence and a failed open.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/lumi.h"
#include "image/replication_state.h"
#include "image_test_util.h"
#include "support/recorder.h"

using namespace imgtest;

namespace {
struct Point {
    int x, y;
};

// Blue, green, red of picture point (x, y).
std::vector<unsigned char> pixel(const CTexture& t, int x, int y)
{
    const unsigned char* p = t.data + (size_t)(t.height - 1 - y) * t.widthbyte32 + (size_t)x * (t.depth / 8);
    return {p[0], p[1], p[2]};
}
} // namespace

TEST(ReplicationState, MouseSelectionRules)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("p.bmp", make_bmp(10, 8, pattern));
    struct Case {
        const char* what;
        Point press;
        std::vector<Point> moves;
        SelectionRect after_press, after_release;
    } cases[] = {
        {"inside", {3, 2}, {{5, 4}, {7, 5}}, {3, 2, 3, 2}, {3, 2, 7, 5}},
        {"press on the last column starts at x = 0", {9, 2}, {{4, 6}}, {0, 2, 0, 2}, {0, 2, 4, 6}},
        {"press beyond the right edge", {40, 3}, {}, {0, 3, 0, 3}, {0, 3, 0, 3}},
        {"press on the last line starts at y = 0", {4, 7}, {{6, 3}}, {4, 0, 4, 0}, {4, 0, 6, 3}},
        {"drag beyond the picture clamps", {5, 5}, {{50, 40}}, {5, 5, 5, 5}, {5, 5, 9, 7}},
        {"drag up and left is normalised", {6, 6}, {{2, 1}}, {6, 6, 6, 6}, {2, 1, 6, 6}},
        {"drag outside the window on the left and top", {5, 5}, {{-20, -3}}, {5, 5, 5, 5}, {0, 0, 5, 5}},
    };
    for (const Case& c : cases) {
        ReplicationState st;
        ASSERT_EQ(st.Open("p.bmp"), 1);
        EXPECT_EQ(st.selection, (SelectionRect{0, 0, 9, 7})) << c.what;
        st.MouseDown(c.press.x, c.press.y);
        EXPECT_EQ(st.dragging, 1);
        EXPECT_EQ(st.selection, c.after_press) << c.what;
        for (Point m : c.moves) EXPECT_TRUE(st.MouseMove(m.x, m.y));
        st.MouseUp();
        EXPECT_EQ(st.dragging, 0);
        EXPECT_EQ(st.selection, c.after_release) << c.what;
        EXPECT_FALSE(st.MouseMove(1, 1)) << "no drag without the button";
    }
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(ReplicationState, DuplicateMirrorTilesTheSelectionOrLeavesThePicture)
{
    ScratchDir dir;
    write_whole_file("p.bmp", make_bmp(6, 5, pattern));
    struct Case {
        SelectionRect sel;
        int w, h;
    } cases[] = {
        {{2, 1, 2, 1}, 6, 5},   // one pixel
        {{2, 1, 2, 4}, 6, 5},   // one pixel wide
        {{0, 0, -1, -1}, 6, 5},   // empty: not "up to the last column"
        {{1, 1, 3, 2}, 6, 4},
    };
    for (const Case& c : cases) {
        ReplicationState st;
        ASSERT_EQ(st.Open("p.bmp"), 1);
        const std::vector<unsigned char> corner = pixel(st.image, 1, 1);
        st.selection = c.sel;
        const unsigned rev = st.revision;
        EXPECT_TRUE(st.DuplicateMirror());
        EXPECT_EQ(st.image.width, c.w);
        EXPECT_EQ(st.image.height, c.h);
        EXPECT_EQ(st.selection, (SelectionRect{0, 0, c.w - 1, c.h - 1}));
        if (c.h == 5) {
            EXPECT_EQ(pixel(st.image, 1, 1), corner);
        } else {
            EXPECT_GT(st.revision, rev);
            // Upright in the lower left quarter, mirrored above it.
            EXPECT_EQ(pixel(st.image, 0, 2), corner);
            EXPECT_EQ(pixel(st.image, 0, 1), corner);
            EXPECT_EQ(pixel(st.image, 5, 1), corner);
        }
    }
}

TEST(ReplicationState, PlayCyclesLumiFramesAndKeepsTheLastOnePastTheFile)
{
    RecordingReporter rec;
    ScratchDir dir;
    // Frame f is uniformly 40 * f + 10, stored inverted; chroma neutral.
    write_whole_file("m.lumi", make_lumi('A', 16, 4, 3, true, [](int f, int, int) { return (unsigned char)~(40 * f + 10); }));
    write_whole_file("m.chro", make_chro(16, 4, 3, [](int, int) { return (unsigned char)128; }));
    write_whole_file("p.bmp", make_bmp(4, 4, pattern));

    ReplicationState bmp;
    ASSERT_EQ(bmp.Open("p.bmp"), 1);
    EXPECT_FALSE(bmp.Play());
    EXPECT_EQ(bmp.playing, 0);
    EXPECT_TRUE(bmp.OutlineShown());
    EXPECT_FALSE(bmp.Tick());

    ReplicationState st;
    ASSERT_EQ(st.Open("m.lumi"), 1);
    ASSERT_EQ(st.image.frame_count, 3);
    EXPECT_EQ(st.image.frame, 0);
    EXPECT_EQ(pixel(st.image, 3, 2)[0], 128 + 10 - 128);   // blue = Y + C1 - 128
    EXPECT_TRUE(st.OutlineShown());
    ASSERT_TRUE(st.Play());
    EXPECT_FALSE(st.OutlineShown());
    const int frames[] = {1, 2, 3, 0, 1, 2, 3, 0};
    const int shown[] = {50, 90, 90, 10, 50, 90, 90, 10};   // frame 3 is not in the file
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(st.Tick());
        EXPECT_EQ(st.image.frame, frames[i]);
        EXPECT_EQ(pixel(st.image, 7, 1)[0], shown[i]) << "tick " << i;
        EXPECT_NE(st.image.lumi->chroma, nullptr) << "colours are kept after frame " << frames[i];
    }
    // The frame shown is saved as a 24-bit BMP file.
    ASSERT_EQ(st.Save("frame.BMP"), 1);
    CTexture saved;
    ASSERT_EQ(saved.ReadFile("frame.BMP"), 1);
    EXPECT_EQ(saved.depth, 24);
    EXPECT_EQ(saved.width, 16);
    EXPECT_EQ(pixel(saved, 7, 1), pixel(st.image, 7, 1));
    // As a PNG too: the fourth byte of a movie frame is no alpha, the
    // picture is written as shown (opaque), not invisible.
    ASSERT_EQ(st.Save("frame.png"), 1);
    CTexture png;
    ASSERT_EQ(png.ReadFile("frame.png"), 1);
    EXPECT_EQ(png.depth, 24);
    EXPECT_EQ(pixel(png, 7, 1), pixel(st.image, 7, 1));
    st.Stop();
    EXPECT_EQ(st.playing, 0);
    EXPECT_TRUE(st.OutlineShown());
    EXPECT_FALSE(st.Tick());
    EXPECT_EQ(st.image.frame, 0);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(ReplicationState, AfterAFailedOpenEveryCommandIsHarmless)
{
    ScratchDir dir;
    write_whole_file("m.lumi", make_lumi('A', 16, 4, 2, false, [](int f, int x, int) { return (unsigned char)(f + x); }));
    write_whole_file("bad.bmp", "BM not really");
    for (const char* failing : {"photo.jpeg", "bad.bmp", "missing.bmp", "plain.raw"}) {
        RecordingReporter rec;
        ReplicationState st;
        ASSERT_EQ(st.Open("m.lumi"), 1);
        ASSERT_TRUE(st.Play());
        EXPECT_EQ(st.Open(failing), 0) << failing;
        ASSERT_EQ(rec.boxes.size(), 1u) << failing;
        if (std::strcmp(failing, "photo.jpeg") == 0) {
            EXPECT_EQ(rec.boxes[0].text, "CTexture::ReadFile : invalid file redirection : photo.jpeg\n");
        }
        EXPECT_FALSE(st.HasPicture());
        EXPECT_EQ(st.image.lumi, nullptr) << "the old sequence is closed";
        EXPECT_EQ(st.image.width, 0);
        EXPECT_EQ(st.playing, 0);
        EXPECT_TRUE(st.selection.empty());
        EXPECT_FALSE(st.OutlineShown());

        st.MouseDown(0, 0);
        EXPECT_EQ(st.dragging, 0);
        EXPECT_FALSE(st.MouseMove(5, 5));
        st.MouseUp();
        EXPECT_FALSE(st.BlackAndWhite());
        EXPECT_FALSE(st.Threshold());
        EXPECT_FALSE(st.Filter());
        EXPECT_FALSE(st.ReverseColor());
        st.DuplicateMirror();
        st.SelectAll();
        EXPECT_FALSE(st.Play());
        EXPECT_FALSE(st.Tick());
        EXPECT_EQ(st.Save("out.bmp"), 0);
        EXPECT_FALSE(st.HasPicture());
        EXPECT_TRUE(st.selection.empty());
        EXPECT_EQ(rec.boxes.size(), 1u) << "no further message for " << failing;
    }
}
