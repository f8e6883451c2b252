// Messages about a file name it, whichever reader gives them.
#include <gtest/gtest.h>

#include "base/report.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

TEST(Report, MessagesInsideAboutNameTheirFileOnce)
{
    RecordingReporter rec;
    {
        ReportAbout about("tex/wood.bmp");
        MessageBox("Texture file must have 24 bits depth");
        MessageBoxF("Unable to open file for reading %s", "tex/wood.bmp");
        MessageBoxF("JPEG :\nCan't open %s\n", "x");
        {
            ReportAbout inner("b.jpg");
            MessageBox("inner");
        }
        MessageBox("outer again");
    }
    MessageBox("after");
    ASSERT_EQ(rec.boxes.size(), 6u);
    EXPECT_EQ(rec.boxes[0].text, "Texture file must have 24 bits depth (tex/wood.bmp)");
    EXPECT_EQ(rec.boxes[1].text, "Unable to open file for reading tex/wood.bmp");
    EXPECT_EQ(rec.boxes[2].text, "JPEG :\nCan't open x (tex/wood.bmp)\n");
    EXPECT_EQ(rec.boxes[3].text, "inner (b.jpg)");
    EXPECT_EQ(rec.boxes[4].text, "outer again (tex/wood.bmp)");
    EXPECT_EQ(rec.boxes[5].text, "after");
}

TEST(Report, EveryTextureMessageOfASceneNamesTheTexture)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("short.bmp", std::string("BM\x10\x00", 4));
    SCENE3D scene;
    int index = -1;
    for (const char* name : {"short.bmp", "missing.jpg", "missing.gif"}) {
        rec.boxes.clear();
        EXPECT_EQ(scene.add_texture(name, index, 1.f, 0), 0) << name;
        ASSERT_FALSE(rec.boxes.empty()) << name;
        for (const RecordedBox& b : rec.boxes) EXPECT_NE(b.text.find(name), std::string::npos) << b.text;
    }
}

namespace {
struct GroupCounter : RecordingReporter {
    int begun = 0, ended = 0;
    void begin_group() override { ++begun; }
    void end_group() override { ++ended; }
};
} // namespace

TEST(Report, AGroupReachesTheReporterThatWasCurrentWhenItBegan)
{
    GroupCounter outer;
    {
        ReportGroup g;
        EXPECT_EQ(outer.begun, 1);
        RecordingReporter inner;   // installed and removed inside the group
    }
    EXPECT_EQ(outer.ended, 1);
}
