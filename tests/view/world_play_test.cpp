// Playback of a world that moves: it starts on opening, runs on the view's
// timer from a clock, pauses and goes on with "Play / Pause", and the seed's
// camera path does not move it a second time.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "image/texture.h"
#include "scene/scene_animation.h"
#include "support/recorder.h"
#include "view/commands.h"
#include "view_support.h"

namespace {
const int k_play = 32891;
const int k_animate = 32836;

double g_now = 100.0;
double fake_clock() { return g_now; }

// A box of 1 at 20: alone it would be a speck, but its path is framed.
const char* k_mover =
    "#VRML V2.0 utf8\n"
    "DEF Mover Transform { translation -5 0 0\n"
    "  children Shape { appearance Appearance { material Material { diffuseColor 0 0.8 0 } }\n"
    "    geometry Box { size 1 1 1 } } }\n"
    "DEF Clock TimeSensor { cycleInterval 4 loop TRUE }\n"
    "DEF Path PositionInterpolator { key [ 0 0.5 1 ] keyValue [ -5 0 0, 5 0 0, -5 0 0 ] }\n"
    "ROUTE Clock.fraction_changed TO Path.set_fraction\n"
    "ROUTE Path.value_changed TO Mover.set_translation\n";

float box_x(TestView& t)
{
    for (int i = 0; i < t.scene().nbobjects; ++i) {
        const OBJECT3D* o = t.scene().m_objects[i];
        if (o && o->nbface > 0 && o->m_has_matrix) return o->m_matrix[12];
    }
    return 1e9f;
}

// Mean column of the green pixels of the view's frame.
double green_x(TestView& t)
{
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = t.host->read_frame(w, h);
    double sum = 0;
    long n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[((size_t)y * w + x) * 3];
            if (p[1] > 60 && p[1] > p[0] + 30 && p[1] > p[2] + 30) {
                sum += x;
                ++n;
            }
        }
    return n ? sum / (double)n : -1.0;
}
} // namespace

TEST(WorldPlay, PlaysFromOpeningPausesAndGoesOn)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("mover.wrl", k_mover);
    TestView t(true, false);
    t.view->m_clock = fake_clock;
    g_now = 100.0;
    t.view->OpenPath(dir.file("mover.wrl"));
    ASSERT_TRUE(t.scene().m_animation);
    EXPECT_TRUE(t.view->WorldPlaying());
    ASSERT_EQ(t.host->m_timers.count(TIMER_WORLD), 1u);
    EXPECT_EQ(t.host->m_timers[TIMER_WORLD], k_world_tick_ms);
    EXPECT_NEAR(box_x(t), -5.f, 1e-4);
    EXPECT_TRUE(command_state(*t.view, k_play).checked);

    g_now = 101.0;
    t.view->OnTimer(TIMER_WORLD);
    EXPECT_NEAR(box_x(t), 0.f, 1e-4);
    EXPECT_EQ(rec.last_status(), "Time:1.00");

    // Paused at 1 s: the clock runs on, the world does not.
    ASSERT_TRUE(run_command(*t.view, k_play));
    EXPECT_FALSE(t.view->WorldPlaying());
    EXPECT_EQ(t.host->m_timers.count(TIMER_WORLD), 0u);
    EXPECT_FALSE(command_state(*t.view, k_play).checked);
    g_now = 150.0;
    t.view->OnTimer(TIMER_WORLD);   // a tick left over changes nothing
    EXPECT_NEAR(box_x(t), 0.f, 1e-4);
    // Goes on from where it stopped.
    ASSERT_TRUE(run_command(*t.view, k_play));
    g_now = 151.0;
    t.view->OnTimer(TIMER_WORLD);
    EXPECT_NEAR(box_x(t), 5.f, 1e-4);
    EXPECT_EQ(rec.last_status(), "Time:2.00");
    // The world's tick is not a navigation step.
    t.view->m_gl.rotate = true;
    float before = t.cam().rotation.y;
    t.view->OnTimer(TIMER_WORLD);
    EXPECT_EQ(t.cam().rotation.y, before);
}

TEST(WorldPlay, StillWorldsStartNoTimerAndPlayIsDisabled)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("still.wrl", "#VRML V2.0 utf8\nShape { geometry Box { } }\n");
    TestView t(true, false);
    t.view->OpenPath(dir.file("still.wrl"));
    EXPECT_FALSE(t.view->WorldPlaying());
    EXPECT_EQ(t.host->m_timers.count(TIMER_WORLD), 0u);
    EXPECT_FALSE(command_state(*t.view, k_play).enabled);
    run_command(*t.view, k_play);
    EXPECT_FALSE(t.view->WorldPlaying());
}

TEST(WorldPlay, ClockThatEndsStopsTheTimerAndPlayStartsAgain)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("once.wrl", std::string(k_mover).replace(std::string(k_mover).find("loop TRUE"), 9, "loop FALSE"));
    TestView t(true, false);
    t.view->m_clock = fake_clock;
    g_now = 10.0;
    t.view->OpenPath(dir.file("once.wrl"));
    ASSERT_TRUE(t.view->WorldPlaying());
    g_now = 20.0;
    t.view->OnTimer(TIMER_WORLD);
    EXPECT_FALSE(t.view->WorldPlaying());
    EXPECT_EQ(t.host->m_timers.count(TIMER_WORLD), 0u);
    EXPECT_NEAR(box_x(t), -5.f, 1e-4);   // the last key
    ASSERT_TRUE(run_command(*t.view, k_play));
    EXPECT_TRUE(t.view->WorldPlaying());
    g_now = 21.0;
    t.view->OnTimer(TIMER_WORLD);
    EXPECT_NEAR(box_x(t), 0.f, 1e-4);
}

// The seed's "Animate" plays the camera path of its own animation records;
// a routed Transform gives it none, so the box is moved once, by its route.
TEST(WorldPlay, CameraPathDoesNotMoveARoutedBoxAgain)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("mover.wrl", k_mover);
    TestView t(true, true, 160, 120);
    t.view->m_clock = fake_clock;
    g_now = 0.0;
    t.view->OpenPath(dir.file("mover.wrl"));
    g_now = 1.0;
    t.view->OnTimer(TIMER_WORLD);   // the box at x = 0
    double before = green_x(t);
    ASSERT_GT(before, 0);
    EXPECT_NEAR(before, 79.5, 2.0);
    ASSERT_TRUE(run_command(*t.view, k_animate));
    for (int i = 0; i < 3; ++i) t.view->OnTimer(TIMER_CAMERA_PATH);
    EXPECT_NEAR(green_x(t), before, 0.5);
}

// A viewpoint the world moves takes the camera along; one that stands
// still leaves the camera to the user.
TEST(WorldPlay, CameraFollowsTheViewpointTheWorldMoves)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("dolly.wrl", std::string(k_mover) +
                                      "DEF V Viewpoint { position 0 0 20 }\n"
                                      "DEF D PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 20, 0 0 40 ] }\n"
                                      "ROUTE Clock.fraction_changed TO D.set_fraction\n"
                                      "ROUTE D.value_changed TO V.set_position\n");
    TestView t(true, false);
    t.view->m_clock = fake_clock;
    g_now = 0.0;
    t.view->OpenPath(dir.file("dolly.wrl"));
    ASSERT_EQ(t.view->m_viewpoint_entry, 0);
    const float z0 = t.cam().position.z;
    g_now = 1.0;
    t.view->OnTimer(TIMER_WORLD);
    g_now = 2.0;
    t.view->OnTimer(TIMER_WORLD);
    // Eye from 20 to 30: the world moves 10 further away.
    EXPECT_NEAR(t.cam().position.z - z0, -10.f, 1e-3);

    write_whole_file("still_eye.wrl", std::string(k_mover) + "DEF V Viewpoint { position 0 0 20 }\n");
    t.view->OpenPath(dir.file("still_eye.wrl"));
    g_now = 3.0;
    t.view->OnTimer(TIMER_WORLD);
    t.cam().position.x = 7.f;   // the user moved
    g_now = 4.0;
    t.view->OnTimer(TIMER_WORLD);
    EXPECT_EQ(t.cam().position.x, 7.f);
}

// The command line at a given time: --snapshot and --thumbnail.
namespace {
int quorvel(const std::string& args, std::string* err = nullptr)
{
    std::string cmd = std::string("env -u DISPLAY -u WAYLAND_DISPLAY '") + QV_QUORVEL_EXE + "' " + args +
                      " >/dev/null 2>stderr.txt";
    int rc = std::system(cmd.c_str());
    if (err) *err = read_whole_file("stderr.txt");
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Mean column of the pixels where green leads (3 or 4 bytes a pixel, green second).
double green_column(const CTexture& img, int bytes)
{
    double sum = 0;
    long n = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char* p = img.data + (size_t)y * img.widthbyte32 + (size_t)x * bytes;
            if (p[1] > 60 && p[1] > p[0] + 30 && p[1] > p[2] + 30) {
                sum += x;
                ++n;
            }
        }
    return n ? sum / (double)n : -1.0;
}
} // namespace

TEST(WorldPlayCli, SnapshotAndThumbnailAtATime)
{
    ScratchDir dir;
    write_whole_file("mover.wrl", k_mover);
    double cx[2];
    for (int i = 0; i < 2; ++i) {
        const std::string out = "at" + std::to_string(i) + ".bmp";
        ASSERT_EQ(quorvel("--snapshot " + out + " --size 200x150 --time " + (i ? "2" : "0") + " mover.wrl"), 0);
        CTexture img;
        ASSERT_TRUE(img.ReadFile(out));
        cx[i] = green_column(img, 3);
    }
    EXPECT_LT(cx[0], 80.0);
    EXPECT_GT(cx[1], 120.0);
    // Thumbnails are framed over the whole path: the box moves within it.
    ASSERT_EQ(quorvel("--thumbnail mover.wrl t0.png 64"), 0);
    ASSERT_EQ(quorvel("--thumbnail mover.wrl t2.png 64 --time 2"), 0);
    EXPECT_NE(read_whole_file("t0.png"), read_whole_file("t2.png"));
    // A time that is not a number of seconds is refused.
    std::string err;
    EXPECT_EQ(quorvel("--snapshot x.bmp --time soon mover.wrl", &err), 1);
    EXPECT_NE(err.find("--time wants a number of seconds"), std::string::npos);
    EXPECT_EQ(quorvel("--snapshot x.bmp --time -1 mover.wrl"), 1);
    EXPECT_EQ(quorvel("--thumbnail mover.wrl t.png 64 --time nan"), 1);
}

namespace {
// Mean x of the vertices of an OBJ file.
double obj_mean_x(const std::string& text)
{
    double sum = 0;
    long n = 0;
    size_t at = 0;
    while ((at = text.find("\nv ", at)) != std::string::npos) {
        at += 3;
        sum += std::strtod(text.c_str() + at, nullptr);
        ++n;
    }
    return n ? sum / (double)n : 1e9;
}

// Pixels darker than the light background: the grey box.
long box_pixels(const CTexture& img)
{
    long n = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char* p = img.data + (size_t)y * img.widthbyte32 + (size_t)x * 3;
            if (p[0] + p[1] + p[2] < 3 * 180) ++n;
        }
    return n;
}
} // namespace

// --export writes the world as it stands at the time asked, and a viewpoint
// the world moves takes the snapshot's eye along.
TEST(WorldPlayCli, ExportAndFileViewpointAtATime)
{
    ScratchDir dir;
    write_whole_file("mover.wrl", k_mover);
    ASSERT_EQ(quorvel("--export t0.obj mover.wrl"), 0);
    ASSERT_EQ(quorvel("--export t2.obj mover.wrl --time 2"), 0);
    ASSERT_EQ(quorvel("--export t1.obj --time 1 mover.wrl"), 0);
    EXPECT_NEAR(obj_mean_x(read_whole_file("t0.obj")), -5.0, 1e-3);
    EXPECT_NEAR(obj_mean_x(read_whole_file("t1.obj")), 0.0, 1e-3);
    EXPECT_NEAR(obj_mean_x(read_whole_file("t2.obj")), 5.0, 1e-3);
    std::string err;
    EXPECT_EQ(quorvel("--export t.obj mover.wrl --time", &err), 1);
    EXPECT_NE(err.find("--time wants a number of seconds"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("t.obj")));

    // The eye backs away from 10 to 30: the still box shrinks.
    write_whole_file("dolly.wrl",
                     "#VRML V2.0 utf8\n"
                     "Shape { geometry Box { size 2 2 2 } }\n"
                     "DEF V Viewpoint { position 0 0 10 }\n"
                     "DEF Clock TimeSensor { cycleInterval 2 loop TRUE }\n"
                     "DEF D PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 10, 0 0 50 ] }\n"
                     "ROUTE Clock.fraction_changed TO D.set_fraction\n"
                     "ROUTE D.value_changed TO V.set_position\n");
    long lit[2];
    for (int i = 0; i < 2; ++i) {
        const std::string out = "eye" + std::to_string(i) + ".bmp";
        ASSERT_EQ(quorvel("--snapshot " + out + " --size 160x120 --time " + (i ? "1" : "0") + " dolly.wrl"), 0);
        CTexture img;
        ASSERT_TRUE(img.ReadFile(out));
        lit[i] = box_pixels(img);
    }
    // Three times further: about a ninth of the area.
    EXPECT_GT(lit[1], 0);
    EXPECT_LT(lit[1] * 5, lit[0]);
}
