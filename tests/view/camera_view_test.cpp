// The camera as a user meets it: the arrow keys move it, a file opens at
// its own viewpoint or framed whole (a 1 mm part and a 500 km site alike,
// drawn sharp), the Page keys go to each viewpoint, and New or an open
// start from the view's first state.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "render/snapshot.h"
#include "support/recorder.h"
#include "view/commands.h"
#include "view/view_support.h"

namespace {
// The size every view test draws at (the shared context keeps it).
constexpr int kW = 64, kH = 48;

struct Frame {
    std::vector<uint8_t> rgb;   // bottom row first
    int w = 0, h = 0;
    std::array<int, 3> at(int x, int y) const   // y from the top
    {
        const uint8_t* p = rgb.data() + ((size_t)(h - 1 - y) * w + x) * 3;
        return {p[0], p[1], p[2]};
    }
    // Pixels where pred holds, and the mean column of them.
    template <class Pred>
    int count(Pred pred, double* mean_x = nullptr, bool* touches_edge = nullptr) const
    {
        int n = 0;
        double sx = 0;
        if (touches_edge) *touches_edge = false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (pred(at(x, y))) {
                    ++n;
                    sx += x;
                    if (touches_edge && (x == 0 || y == 0 || x == w - 1 || y == h - 1)) *touches_edge = true;
                }
        if (mean_x) *mean_x = n ? sx / n : -1;
        return n;
    }
};

Frame frame_of(TestView& t)
{
    Frame f;
    f.rgb = t.host->read_frame(f.w, f.h);
    return f;
}

bool lit(const std::array<int, 3>& c) { return c[0] + c[1] + c[2] > 30; }
bool reddish(const std::array<int, 3>& c) { return c[0] > 80 && c[0] > 2 * c[1] && c[0] > 2 * c[2]; }
bool bluish(const std::array<int, 3>& c) { return c[2] > 80 && c[2] > 2 * c[0] && c[2] > 2 * c[1]; }

// Two squares facing +Z: a red one at depth z_red and a blue one
// behind it at z_blue, both of side `size` around (cx, cy).
std::string two_squares(double cx, double cy, double size, double z_red, double z_blue)
{
    auto square = [&](double z, const char* colour) {
        const double h = size / 2;
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "Shape { appearance Appearance { material Material { diffuseColor %s } }\n"
                      " geometry IndexedFaceSet { coord Coordinate { point [ %.9g %.9g %.9g, %.9g %.9g %.9g, "
                      "%.9g %.9g %.9g, %.9g %.9g %.9g ] } coordIndex [ 0 1 2 3 -1 ] solid FALSE } }\n",
                      colour, cx - h, cy - h, z, cx + h, cy - h, z, cx + h, cy + h, z, cx - h, cy + h, z);
        return std::string(buf);
    };
    return "#VRML V2.0 utf8\n" + square(z_red, "1 0 0") + square(z_blue, "0 0 1");
}
} // namespace

TEST(CameraKeys, ArrowsMoveTheCameraByTheTranslationSpeedAndTheFrameFollows)
{
    TestView t(true, true, kW, kH);
    RecordingReporter rec;
    t.add_square(-2, -2, 2, 2);
    ASSERT_TRUE(finish_scene_gl(t.scene()));
    t.view->SceneChanged();
    double x0 = 0;
    const int n0 = frame_of(t).count(lit, &x0);
    ASSERT_GT(n0, 50);
    EXPECT_NEAR(x0, kW / 2.0, 2.0);

    t.view->m_gl.trans_speed = 3.f;
    t.view->OnKeyDown(VK_RIGHT_KEY);
    EXPECT_EQ(t.cam().position, Vec3(3, 0, -20));
    double x1 = 0;
    frame_of(t).count(lit, &x1);
    EXPECT_GT(x1, x0 + 5);   // the scene moved right on the screen
    t.view->OnKeyDown(VK_LEFT_KEY);
    t.view->OnKeyDown(VK_LEFT_KEY);
    EXPECT_EQ(t.cam().position, Vec3(-3, 0, -20));
    double x2 = 0;
    frame_of(t).count(lit, &x2);
    EXPECT_LT(x2, x0 - 5);
    t.view->OnKeyDown(VK_RIGHT_KEY);
    t.view->OnKeyDown(VK_UP_KEY);   // closer: larger
    EXPECT_EQ(t.cam().position, Vec3(0, 0, -17));
    EXPECT_GT(frame_of(t).count(lit), n0 * 5 / 4);
    t.view->OnKeyDown(VK_DOWN_KEY);
    t.view->OnKeyDown(VK_DOWN_KEY);
    EXPECT_LT(frame_of(t).count(lit), n0);

    // Turned by 90 degrees about Y in the walk composition, a move along
    // the record's z goes along the heading.
    t.cam().rotation = Vec3(0, 90, 0);
    t.view->SyncFrame();
    const Vec3 w0 = t.view->m_gl.walk_pos;
    t.view->OnKeyDown(VK_UP_KEY);
    EXPECT_NEAR(t.view->m_gl.walk_pos.x - w0.x, -3.f, 1e-4);
    EXPECT_NEAR(t.view->m_gl.walk_pos.z - w0.z, 0.f, 1e-4);

    // The panorama's cylinder refuses a move out of it.
    t.scene().m_collision = 1;
    t.view->m_collision_radius = 20.f;
    t.cam().position = Vec3(0, 0, -36);
    t.view->OnKeyDown(VK_DOWN_KEY);
    EXPECT_EQ(t.cam().position, Vec3(0, 0, -36));
}

TEST(CameraKeys, TheFileViewpointIsWhereAnOpenAndThePageKeysPutTheEye)
{
    RecordingReporter rec;
    ScratchDir dir;
    // A red square on the ground at x = 10, a blue box far to the left; the
    // first viewpoint looks straight down on the square, the second one
    // looks at the box from the front.
    write_whole_file("vp.wrl",
                     "#VRML V2.0 utf8\n"
                     "Viewpoint { position 10 20 0 orientation 1 0 0 -1.5708 description \"Top\" }\n"
                     "Viewpoint { position -30 0 10 fieldOfView 0.4 description \"Box\" }\n"
                     "Transform { translation 10 0 0 children Shape { appearance Appearance { material Material {"
                     " diffuseColor 1 0 0 } } geometry IndexedFaceSet { coord Coordinate {"
                     " point [ -2 0 -2, 2 0 -2, 2 0 2, -2 0 2 ] } coordIndex [ 3 2 1 0 -1 ] solid FALSE } } }\n"
                     "Transform { translation -30 0 0 children Shape { appearance Appearance { material Material {"
                     " diffuseColor 0 0 1 } } geometry IndexedFaceSet { coord Coordinate {"
                     " point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] } coordIndex [ 0 1 2 3 -1 ] solid FALSE } } }\n");
    TestView t(true, true, kW, kH);
    ASSERT_EQ(t.view->OpenPath("vp.wrl"), OpenResult::Scene);
    Frame f = frame_of(t);
    EXPECT_TRUE(reddish(f.at(kW / 2, kH / 2))) << f.at(kW / 2, kH / 2)[0];
    bool edge = true;
    const int red = f.count(reddish, nullptr, &edge);
    EXPECT_FALSE(edge);   // the whole square, in the middle
    EXPECT_GT(red, 100);
    EXPECT_EQ(f.count(bluish), 0);

    t.view->OnKeyDown(VK_NEXT_KEY);   // the second one, with its narrow field of view
    EXPECT_EQ(rec.last_status(), "Box");
    EXPECT_NEAR(t.scene().m_fovy, 0.4 * 180 / 3.14159265358979, 1e-4);
    f = frame_of(t);
    EXPECT_TRUE(bluish(f.at(kW / 2, kH / 2)));
    EXPECT_EQ(f.count(reddish), 0);
    t.view->OnKeyDown(VK_NEXT_KEY);   // round to the first
    EXPECT_TRUE(reddish(frame_of(t).at(kW / 2, kH / 2)));
    EXPECT_NEAR(t.scene().m_fovy, 45.0, 1e-4);
}

TEST(CameraKeys, TinyPartsAndWideSitesOpenWholeAndSharp)
{
    RecordingReporter rec;
    ScratchDir dir;
    struct Case {
        const char* what;
        double cx, cy, size, z_red, z_blue;
    };
    const Case cases[] = {
        {"a 1 mm part", 0.0005, 0.0003, 0.001, 0.0, -0.00002},
        {"a 500 km site far from the origin", 180000, 5900, 500000, 0, -2000},
        {"a 10 km site, 30 m apart", 0, 0, 10000, 0, -30},
    };
    for (const Case& c : cases) {
        write_whole_file("s.wrl", two_squares(c.cx, c.cy, c.size, c.z_red, c.z_blue));
        TestView t(true, true, kW, kH);
        ASSERT_EQ(t.view->OpenPath("s.wrl"), OpenResult::Scene) << c.what;
        Frame f = frame_of(t);
        bool edge = true;
        const int red = f.count(reddish, nullptr, &edge);
        EXPECT_GT(red, kW * kH / 8) << c.what;
        EXPECT_FALSE(edge) << c.what;   // whole
        EXPECT_EQ(f.count(bluish), 0) << c.what;   // the one behind stays hidden
        EXPECT_LE(t.view->m_gl.far_plane / t.view->m_gl.near_plane, 1.0001e4) << c.what;
    }
}

TEST(CameraKeys, NewAndOpenStartFromTheFirstViewState)
{
    RecordingReporter rec;
    ScratchDir dir;
    TestView t(true, true, kW, kH);
    t.add_square(-2, -2, 2, 2);
    ASSERT_TRUE(finish_scene_gl(t.scene()));
    // What a session leaves behind: fog, a sky colour, animations running,
    // 2D mode, an animation's time on the status line.
    run_command(*t.view, 32804);   // Fog
    run_command(*t.view, 32797);   // Rotate
    t.view->StartMeshAnimation();
    t.view->MeshTick();
    EXPECT_EQ(rec.last_status(), "Time:0.10");
    t.view->m_2d_mode = true;
    t.view->m_gl.clear_rgb[2] = 0.8f;
    glClearColor(0.f, 0.f, 0.8f, 1.f);
    ASSERT_TRUE(t.view->m_gl.fog);
    ASSERT_FALSE(t.host->m_timers.empty());

    t.doc.OnNewDocument();
    t.view->SceneChanged();
    EXPECT_TRUE(t.host->m_timers.empty());
    EXPECT_FALSE(t.view->m_gl.fog);
    EXPECT_FALSE(t.view->m_gl.rotate);
    EXPECT_FALSE(command_state(*t.view, 32797).checked);
    EXPECT_FALSE(t.view->m_2d_mode);
    EXPECT_EQ(rec.last_status(), "Ready");
    EXPECT_EQ(t.view->m_gl.clear_rgb[2], 0.f);
    // The new scene's frame is cleared to the first colour.
    t.add_square(-2, -2, 2, 2, -500);
    const Frame f = frame_of(t);
    EXPECT_EQ(f.at(1, 1), (std::array<int, 3>{0, 0, 0}));

    // The same after an open.
    run_command(*t.view, 32804);
    write_whole_file("a.wrl", two_squares(0, 0, 1, 0, -1));
    ASSERT_EQ(t.view->OpenPath("a.wrl"), OpenResult::Scene);
    EXPECT_FALSE(t.view->m_gl.fog);
}
