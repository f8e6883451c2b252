// Mouse, wheel, keys and the navigation tick, driven without a window.
#include <gtest/gtest.h>

#include "support/recorder.h"
#include "view/commands.h"
#include "view/view_support.h"

namespace {
constexpr float k_eps = 1e-4f;

void drag(ViewBehaviour& v, bool left, bool right, int x0, int y0, int x1, int y1)
{
    if (left) v.OnButtonDown(MB_LEFT, x0, y0);
    if (right) v.OnButtonDown(MB_RIGHT, x0, y0);
    v.OnMouseMove(x1, y1);
}
} // namespace

TEST(Navigation, DragsAndWheelMoveTheCameraBySpeedTimesPixels)
{
    struct Case {
        const char* what;
        bool left, right, collision;
        int dx, dy;            // mouse motion in client pixels (y down)
        Vec3 pos, rot;         // expected camera change
    };
    const Case cases[] = {
        {"right drag right", false, true, false, 10, 0, {0.2f, 0, 0}, {}},
        {"right drag up", false, true, false, 0, -10, {0, 0.2f, 0}, {}},
        {"left drag up", true, false, false, 0, -10, {0, 0, 0.2f}, {}},
        {"left drag right", true, false, false, 10, 0, {0.2f, 0, 0}, {}},
        {"both up", true, true, false, 0, -10, {}, {0.2f, 0, 0}},
        {"both right", true, true, false, 10, 0, {}, {0, 0, 0.2f}},
        {"both up, collision", true, true, true, 0, -10, {}, {}},
    };
    for (const Case& c : cases) {
        TestView t;
        t.scene().m_collision = c.collision;
        t.view->m_collision_radius = 20.f;
        const Vec3 p0 = t.cam().position, r0 = t.cam().rotation;
        drag(*t.view, c.left, c.right, 100, 100, 100 + c.dx, 100 + c.dy);
        const Vec3 dp = t.cam().position - p0, dr = t.cam().rotation - r0;
        EXPECT_NEAR(dp.x, c.pos.x, k_eps) << c.what;
        EXPECT_NEAR(dp.y, c.pos.y, k_eps) << c.what;
        EXPECT_NEAR(dp.z, c.pos.z, k_eps) << c.what;
        EXPECT_NEAR(dr.x, c.rot.x, k_eps) << c.what;
        EXPECT_NEAR(dr.z, c.rot.z, k_eps) << c.what;
        EXPECT_EQ(t.host->m_captured, true) << c.what;
    }

    TestView t;
    t.view->OnMouseWheel(120, 5, 6);
    EXPECT_NEAR(t.cam().position.z, -20.f + 2.4f, k_eps);
    // The walk position already follows: a frame has nothing left to move.
    EXPECT_NEAR(t.view->m_gl.walk_pos.z, -20.f + 2.4f, k_eps);
    EXPECT_EQ(last_mouse_point().x, 5);
}

TEST(Navigation, CollisionCylinderOfThePanorama)
{
    TestView t;
    t.view->m_collision_radius = 20.f;
    t.scene().m_collision = 1;
    const std::pair<Vec3, bool> cases[] = {
        {{0, 0, -36}, true}, {{0, 0, -38}, false}, {{0, 3.5f, -20}, false},
        {{0, -3, -20}, true}, {{17, 0, -20}, true}, {{17.5f, 0, -20}, false},
    };
    for (const auto& [p, ok] : cases) EXPECT_EQ(t.view->CollisionAccepts(p), ok) << p.x << " " << p.y << " " << p.z;
    t.scene().m_collision_off = 1;
    EXPECT_TRUE(t.view->CollisionAccepts(Vec3(0, 0, -38)));

    // A rejected drag leaves the camera where it was.
    t.scene().m_collision_off = 0;
    t.cam().position = Vec3(0, 0, -36);
    drag(*t.view, true, false, 50, 0, 50, 100);   // 100 px down: z - 2.0 would leave the cylinder
    EXPECT_NEAR(t.cam().position.z, -36.f, k_eps);
}

TEST(Navigation, RotateAndWalkRunOnTheTimerUntilAPressStopsThem)
{
    TestView t;
    ASSERT_TRUE(run_command(*t.view, 32797));   // Rotate
    EXPECT_EQ(t.host->m_timers.at(TIMER_NAVIGATION), 10);
    EXPECT_TRUE(command_state(*t.view, 32797).checked);
    t.view->OnTimer(TIMER_NAVIGATION);
    EXPECT_NEAR(t.cam().rotation.y, -1.f, k_eps);
    t.view->OnButtonDown(MB_LEFT, 1, 1);
    EXPECT_FALSE(t.view->m_gl.rotate);
    EXPECT_EQ(t.host->m_timers.count(TIMER_NAVIGATION), 0u);
    t.view->OnButtonUp(MB_LEFT, 1, 1);
    EXPECT_FALSE(t.host->m_captured);

    // Walking keeps the last drag step as its velocity, and a press does
    // not stop it.
    ASSERT_TRUE(run_command(*t.view, 32801));
    drag(*t.view, false, true, 10, 10, 14, 5);   // last delta (-4, 5)
    t.view->OnButtonUp(MB_RIGHT, 14, 5);
    EXPECT_EQ(t.host->m_timers.count(TIMER_NAVIGATION), 1u);
    const Vec3 p = t.cam().position, r = t.cam().rotation;
    t.view->OnTimer(TIMER_NAVIGATION);
    EXPECT_NEAR(t.cam().position.z - p.z, 5 * 0.02f, k_eps);
    EXPECT_NEAR(t.cam().rotation.y - r.y, 4 * 0.005f, k_eps);
}

TEST(Navigation, KeysAndModes)
{
    TestView t;
    RecordingReporter rec;
    t.view->OnKeyDown(VK_ADD_KEY);
    EXPECT_NEAR(t.scene().m_drag_scale.y, 1.1f, k_eps);
    t.view->OnKeyDown(VK_SUBTRACT_KEY);
    EXPECT_NEAR(t.scene().m_drag_scale.y, 1.f, k_eps);
    t.view->OnKeyDown(VK_LEFT_KEY);   // moves the camera record, which the frame reads
    EXPECT_NEAR(t.cam().position.x, -0.02f, k_eps);
    EXPECT_NEAR(t.scene().m_view_pos.x, -0.02f, k_eps);
    t.view->OnKeyDown(VK_P_KEY);
    EXPECT_TRUE(command_state(*t.view, 32795).checked);
    t.view->OnKeyDown(VK_F1_KEY);
    EXPECT_FALSE(command_state(*t.view, 32795).checked);
    t.view->OnKeyDown(VK_F11_KEY);   // no 2D board: nothing starts
    EXPECT_EQ(t.host->m_timers.count(TIMER_SLIDE_SHOW), 0u);
    t.view->OnKeyDown(VK_ESCAPE_KEY);
    EXPECT_EQ(t.host->m_exit_status, 999);

    // Light editing: the direction follows the left drag and is shown.
    t.scene().m_light_edit = 1;
    drag(*t.view, true, false, 20, 20, 10, 20);
    EXPECT_NEAR(t.scene().m_light_dir.x, 1.2f, k_eps);
    EXPECT_EQ(rec.last_status(), "1.200000 1.000000 1.000000");
    t.view->OnButtonUp(MB_LEFT, 10, 20);
    t.scene().m_light_edit = 0;

    // Object drag: the camera record becomes the selected object's dynamic
    // transform; an invalid selection drags nothing.
    t.scene().m_object_drag = 1;
    t.scene().m_selected = 3;
    const Vec3 before = t.cam().position;
    drag(*t.view, false, true, 10, 10, 0, 10);
    EXPECT_NEAR(t.cam().position.x, before.x, k_eps);
    t.view->OnButtonUp(MB_RIGHT, 0, 10);
    OBJECT3D* o = t.add_square(0, 0, 1, 1);
    t.scene().m_selected = 0;
    drag(*t.view, false, true, 10, 10, 0, 10);
    EXPECT_TRUE(o->m_dynamic);
    EXPECT_NEAR(o->m_dyn_translation.x, before.x - 0.2f, k_eps);
    EXPECT_EQ(rec.last_status(), "Translations Dyn: -0.220000 0.000000 -20.000000");
}

TEST(Navigation, NothingHappensWithoutAScene)
{
    TestView t(false);
    drag(*t.view, true, true, 0, 0, 10, 10);
    t.view->OnMouseWheel(120, 0, 0);
    t.view->OnTimer(TIMER_NAVIGATION);
    t.view->OnTimer(TIMER_CAMERA_PATH);
    t.view->OnKeyDown(VK_UP_KEY);
    EXPECT_EQ(t.host->m_redraws, 0);
    // Every command of the table, as the menu runs it: no scene, no context,
    // choosers cancelled.
    for (const Command& c : command_table()) {
        EXPECT_TRUE(run_command(*t.view, c.id)) << c.id;
        command_state(*t.view, c.id);
    }
    EXPECT_EQ(t.doc.scene(), nullptr);
}

TEST(Navigation, PageKeysStepThroughTheViewpointsInObjectOrder)
{
    TestView t;
    RecordingReporter rec;
    t.view->OnKeyDown(VK_NEXT_KEY);   // no viewpoint yet: nothing moves
    EXPECT_EQ(t.cam().position, Vec3(0, 0, -20));
    for (int i = 0; i < 3; ++i) {
        OBJECT3D* o = t.add_square(0, 0, 1, 1);
        o->m_name = "vp" + std::to_string(i);
        if (i == 1) continue;   // the middle object has none
        o->m_viewpoint = new VIEWPOINT3D();
        o->m_viewpoint->position = Vec3((float)i, 2.f, 3.f);
    }
    // The eye goes to the viewpoint: the world moves the other way.
    t.view->OnKeyDown(VK_NEXT_KEY);
    EXPECT_EQ(t.cam().position, Vec3(0, -2, -3));
    EXPECT_EQ(t.view->m_gl.walk_pos, Vec3(0, -2, -3));
    EXPECT_EQ(rec.last_status(), "vp0");
    t.view->OnKeyDown(VK_NEXT_KEY);
    EXPECT_EQ(rec.last_status(), "vp2");
    EXPECT_EQ(t.cam().position, Vec3(-2, -2, -3));
    t.view->OnKeyDown(VK_NEXT_KEY);   // round to the first
    EXPECT_EQ(rec.last_status(), "vp0");
    t.view->OnKeyDown(VK_PRIOR_KEY);
    EXPECT_EQ(rec.last_status(), "vp2");
}
