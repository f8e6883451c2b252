#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "image/texture.h"
#include "model/drawing_board.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/board_view.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"

namespace {
struct BoardView {
    CQuorvelDoc doc;
    HeadlessHost host;
    std::unique_ptr<ViewBehaviour> view;
    BoardView()
    {
        doc.OnNewDocument();
        view = std::make_unique<ViewBehaviour>(doc, host);
        host.attach(view.get());
    }
    void click(int x, int y) { view->OnButtonDown(MB_LEFT, x, y); }
};
} // namespace

TEST(BoardCommands, ClicksReachTheBoardOnlyWhenItIsShown)
{
    BoardView v;
    ASSERT_TRUE(run_command(*v.view, 32856));   // Lines
    v.click(0, 0);
    v.click(40, 40);
    EXPECT_TRUE(board_of(*v.view).shapes.empty());
    ASSERT_TRUE(run_command(*v.view, 32854));   // 2D Polygon
    v.click(0, 0);
    v.click(40, 40);
    v.click(40, 40);
    v.click(0, 40);
    ASSERT_EQ(board_of(*v.view).shapes.size(), 2u);

    // Extrude raises the drawing into a wall appended to the scene.
    const int before = v.doc.scene()->nbobjects;
    ASSERT_TRUE(run_command(*v.view, 40006));
    ASSERT_EQ(v.doc.scene()->nbobjects, before + 1);
    const OBJECT3D* wall = v.doc.scene()->get_object(before);
    EXPECT_EQ(wall->nbpts, 6);
    EXPECT_EQ(wall->nbface, 2);
    EXPECT_EQ(wall->m_vertices[5], Vec3(0, 40, 20));
    // Its box is that of its points, not the empty box's +-1e10.
    Vec3 lo = wall->m_vertices[0], hi = wall->m_vertices[0];
    for (int i = 1; i < wall->nbpts; ++i) {
        const Vec3& p = wall->m_vertices[i];
        lo = Vec3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = Vec3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    EXPECT_EQ(wall->m_o_min_xyz, lo);
    EXPECT_EQ(wall->m_o_max_xyz, hi);
    EXPECT_LT(std::fabs(wall->m_o_center_xyz.y - (lo.y + hi.y) / 2), 1e-4f);

    // Spline 3D without two splines, then Clear.
    ASSERT_TRUE(run_command(*v.view, 32874));
    EXPECT_EQ(board_of(*v.view).shapes.size(), 2u);
    ASSERT_TRUE(run_command(*v.view, 32870));
    EXPECT_TRUE(board_of(*v.view).shapes.empty());
    EXPECT_EQ(board_of(*v.view).m_mode, 0);
    ASSERT_TRUE(run_command(*v.view, 40006));   // nothing left to extrude
    EXPECT_EQ(v.doc.scene()->nbobjects, before + 1);
    EXPECT_TRUE(command_state(*v.view, 40009).enabled);   // Arc: no effect
    EXPECT_TRUE(run_command(*v.view, 40009));
}

TEST(BoardCommands, OptionsAndPicture)
{
    RecordingReporter rec;
    ScratchDir dir;
    BoardView v;
    ASSERT_TRUE(run_command(*v.view, 32872));
    ASSERT_EQ(v.host.m_modals, std::vector<std::string>{"2D OPTIONS"});
    EXPECT_EQ(board_of(*v.view).m_snap, 1);   // OK without a click keeps it

    ASSERT_TRUE(run_command(*v.view, 32871));   // cancelled
    EXPECT_EQ(v.host.m_wait_shown, 0);
    ASSERT_EQ(v.host.m_file_requests.size(), 1u);
    EXPECT_EQ(v.host.m_file_requests[0].title, "File to load");
    EXPECT_EQ(v.host.m_file_requests[0].filter, "JPEG File (*.jpg)|*.jpg;|All files (*.*)|*.*||");
    CTexture t;
    ASSERT_TRUE(t.Alloc(6, 3, 24));
    ASSERT_TRUE(t.SaveFileBMP(dir.file("p.bmp")));
    v.host.queue_file(dir.file("p.bmp"));
    ASSERT_TRUE(run_command(*v.view, 32871));
    ASSERT_EQ(board_of(*v.view).shapes.size(), 1u);
    EXPECT_EQ(board_of(*v.view).shapes[0]->kind, 10);
    EXPECT_EQ(v.host.m_wait_shown, 1);   // the wait cursor while the picture was read, and no longer
    EXPECT_FALSE(v.host.m_wait_on);
}

TEST(BoardCommands, F11RunsTheSlideShowOnTimer3)
{
    RecordingReporter rec;
    ScratchDir dir;
    BoardView v;
    v.view->OnKeyDown(VK_F11_KEY);
    EXPECT_TRUE(v.view->m_2d_mode);
    EXPECT_TRUE(rec.has_box("Unable to open file for reading listeimages.txt"));
    EXPECT_EQ(v.host.m_timers.count(TIMER_SLIDE_SHOW), 0u);

    CTexture t;
    ASSERT_TRUE(t.Alloc(4, 4, 24));
    ASSERT_TRUE(t.SaveFileBMP(dir.file("a.bmp")));
    write_whole_file(dir.file("listeimages.txt"), "a.bmp 250\na.bmp 40\n");
    v.view->OnKeyDown(VK_F11_KEY);
    EXPECT_EQ(v.host.m_timers[TIMER_SLIDE_SHOW], 250);
    v.view->OnTimer(TIMER_SLIDE_SHOW);
    EXPECT_EQ(v.host.m_timers[TIMER_SLIDE_SHOW], 40);
    v.view->OnTimer(TIMER_SLIDE_SHOW);
    EXPECT_EQ(v.host.m_timers[TIMER_SLIDE_SHOW], 250);
}
