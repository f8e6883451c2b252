// Worlds that move, drawn at given times after opening: the pixels show
// what the clocks and routes say.
#include <gtest/gtest.h>

#include <string>

#include "gl_fixture.h"
#include "image/texture.h"
#include "render/snapshot.h"
#include "support/recorder.h"

namespace {
// A box of 1 at 20: alone it would be a speck, but its path is framed.
const char* k_mover =
    "#VRML V2.0 utf8\n"
    "Viewpoint { position 0 0 20 description \"Front\" }\n"
    "DEF Mover Transform { translation -5 0 0\n"
    "  children Shape { appearance Appearance { material Material { diffuseColor 0 0.8 0 } }\n"
    "    geometry Box { size 1 1 1 } } }\n"
    "DEF Clock TimeSensor { cycleInterval 4 loop TRUE }\n"
    "DEF Path PositionInterpolator { key [ 0 0.5 1 ] keyValue [ -5 0 0, 5 0 0, -5 0 0 ] }\n"
    "ROUTE Clock.fraction_changed TO Path.set_fraction\n"
    "ROUTE Path.value_changed TO Mover.set_translation\n";

// Mean column of the pixels where one channel (0, 1, 2 of the stored
// order) clearly leads the other two; -1 when there is none.
double centroid_x(const CTexture& img, int channel, long* count = nullptr)
{
    double sum = 0;
    long n = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char* p = img.data + (size_t)y * img.widthbyte32 + (size_t)x * 3;
            int c = p[channel], o1 = p[(channel + 1) % 3], o2 = p[(channel + 2) % 3];
            if (c > 40 && c > o1 + 30 && c > o2 + 30) {
                sum += x;
                ++n;
            }
        }
    if (count) *count = n;
    return n ? sum / (double)n : -1.0;
}
} // namespace

TEST(WorldAnimRender, RoutedBoxIsLeftCentreAndRightAtZeroOneAndTwoSeconds)
{
    RecordingReporter rec;
    ScratchDir dir;
    const std::string file = dir.file("mover.wrl");
    write_whole_file(file, k_mover);
    const int w = 200, h = 150;
    double cx[3];
    for (int t = 0; t < 3; ++t) {
        CTexture shot;
        std::string error;
        ASSERT_TRUE(snapshot_scene(file, w, h, k_default_clear_rgb, shot, error, false, (double)t)) << error;
        long n = 0;
        cx[t] = centroid_x(shot, 1, &n);   // green
        EXPECT_GT(n, 20) << "t=" << t;
    }
    EXPECT_LT(cx[0], w / 2.0 - 20);
    EXPECT_NEAR(cx[1], (w - 1) / 2.0, 2.0);
    EXPECT_GT(cx[2], w / 2.0 + 20);
    EXPECT_NEAR(cx[0] + cx[2], (double)(w - 1), 3.0);   // mirror images
}

TEST(WorldAnimRender, ColourKeysShowAtTheirTimes)
{
    RecordingReporter rec;
    ScratchDir dir;
    const std::string file = dir.file("colour.wrl");
    write_whole_file(file, "#VRML V2.0 utf8\n"
                           "Shape { appearance Appearance { material DEF M Material { } }\n"
                           "  geometry Box { size 6 6 6 } }\n"
                           "DEF C TimeSensor { cycleInterval 2 }\n"
                           "DEF K ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0, 0 0 1 ] }\n"
                           "ROUTE C.fraction_changed TO K.set_fraction\n"
                           "ROUTE K.value_changed TO M.set_diffuseColor\n");
    CTexture at0, at2;
    std::string error;
    ASSERT_TRUE(snapshot_scene(file, 80, 60, k_default_clear_rgb, at0, error, false, 0.0)) << error;
    ASSERT_TRUE(snapshot_scene(file, 80, 60, k_default_clear_rgb, at2, error, false, 2.0)) << error;
    // The stored order is blue, green, red.
    long red0 = 0, blue0 = 0, red2 = 0, blue2 = 0;
    centroid_x(at0, 2, &red0);
    centroid_x(at0, 0, &blue0);
    centroid_x(at2, 2, &red2);
    centroid_x(at2, 0, &blue2);
    EXPECT_GT(red0, 200);
    EXPECT_EQ(blue0, 0);
    EXPECT_GT(blue2, 200);
    EXPECT_EQ(red2, 0);
}
