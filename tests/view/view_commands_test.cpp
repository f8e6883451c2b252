// The view's commands: switches with their check marks, scene operations,
// animations, the snapshot and the open, on a view without a window.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <filesystem>

#include "image/texture.h"
#include "support/recorder.h"
#include "view/commands.h"
#include "view/view_support.h"

TEST(ViewCommands, SwitchesShowTheirCheckMark)
{
    // id, checked at start, checked after one use.
    const int cases[][3] = {
        {32786, 0, 1}, {32787, 1, 0}, {32792, 0, 1}, {32795, 0, 1}, {32797, 0, 1}, {32785, 1, 0},
        {32799, 0, 1}, {32800, 1, 0}, {32801, 0, 1}, {32804, 0, 1}, {32807, 0, 1}, {32812, 0, 1},
        {32813, 0, 1}, {32814, 1, 0}, {32817, 0, 1}, {32818, 1, 0}, {32838, 0, 1}, {32887, 0, 1},
    };
    TestView t;
    t.add_square(0, 0, 1, 1);
    for (const auto& c : cases) {
        EXPECT_EQ(command_state(*t.view, c[0]).checked, (bool)c[1]) << c[0];
        ASSERT_TRUE(run_command(*t.view, c[0]));
        EXPECT_EQ(command_state(*t.view, c[0]).checked, (bool)c[2]) << c[0];
    }
}

TEST(ViewCommands, SceneSwitchesReachTheObjects)
{
    TestView t;
    OBJECT3D* o = t.add_square(0, 0, 1, 1);
    o->m_needs_rebuild = 0;
    run_command(*t.view, 32812);   // Double sided
    EXPECT_EQ(o->m_polygon_face, GL_FRONT);
    run_command(*t.view, 32812);
    EXPECT_EQ(o->m_polygon_face, GL_FRONT_AND_BACK);

    const int sign = o->m_tex_t_sign;
    run_command(*t.view, 32838);   // Reverse Texture
    EXPECT_EQ(o->m_tex_t_sign, -sign);
    EXPECT_EQ(o->m_needs_rebuild, 1);
    run_command(*t.view, 32838);
    EXPECT_EQ(o->m_tex_t_sign, sign);
    EXPECT_EQ(t.scene().m_tex_orientation, 1);

    run_command(*t.view, 32800);   // Texture removed: objects unlit
    EXPECT_EQ(o->m_lighting, 0);
    run_command(*t.view, 32813);   // Diffuse Color White
    EXPECT_FLOAT_EQ(o->T_diffuseColor[0].x, 1.f);

    // Boxes are built on the first use only; later uses show or hide them.
    t.add_square(2, 2, 3, 3);
    run_command(*t.view, 32817);
    EXPECT_EQ(t.scene().m_nbboxes, 2);
    EXPECT_TRUE(t.scene().m_boxes_shown);
    run_command(*t.view, 32817);
    run_command(*t.view, 32817);
    EXPECT_EQ(t.scene().m_nbboxes, 2);
    EXPECT_TRUE(t.scene().m_boxes_shown);

    // Speeds: x0.8 and /0.8, both ways.
    run_command(*t.view, 32776);
    run_command(*t.view, 32779);
    EXPECT_NEAR(t.view->m_gl.rot_speed, 0.016f, 1e-6);
    EXPECT_NEAR(t.view->m_gl.trans_speed, 0.025f, 1e-6);
    run_command(*t.view, 32782);   // Reset
    EXPECT_FLOAT_EQ(t.view->m_gl.rot_speed, 0.02f);
}

TEST(ViewCommands, MeshCenterAndMapPicture)
{
    ScratchDir dir;
    TestView t;
    t.doc.m_folder = dir.path() + "/sub";
    std::filesystem::create_directory(t.doc.m_folder);
    run_command(*t.view, 32809);   // Mesh
    ASSERT_EQ(t.scene().nbobjects, 1);
    OBJECT3D& g = *t.scene().m_objects[0];
    EXPECT_EQ(g.nbpts, 10000);
    EXPECT_EQ(g.nbface, 99 * 99);
    EXPECT_EQ(g.m_index[0], 0);
    EXPECT_EQ(g.m_index[2], 101);
    EXPECT_EQ(t.doc.m_modified, 1);
    // The dump goes to the document's folder, not the current one.
    EXPECT_TRUE(std::filesystem::exists(t.doc.m_folder + "/vrml.out"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("vrml.out")));

    run_command(*t.view, 32775);   // Center: largest extent 10, centred
    run_command(*t.view, 32775);   // and a second use changes nothing
    g.m_o_max_xyz = Vec3(-1e10f, -1e10f, -1e10f);
    g.m_o_min_xyz = Vec3(1e10f, 1e10f, 1e10f);
    g.compute_bounds();
    EXPECT_FLOAT_EQ(g.m_o_max_xyz.x, 5.f);
    EXPECT_FLOAT_EQ(g.m_o_min_xyz.z, -5.f);

    // Fewer than 44 objects: nothing to map.
    run_command(*t.view, 32827);
    EXPECT_EQ(g.texvertex, nullptr);
    for (int i = 1; i < 44; ++i) t.add_square(1, 1, 2, 2, -2.f);
    run_command(*t.view, 32827);
    OBJECT3D& m = *t.scene().m_objects[43];
    ASSERT_NE(m.texvertex, nullptr);
    EXPECT_FLOAT_EQ(m.texvertex[2].s, -1.f);   // x / z of (2, 2, -2)
    EXPECT_EQ(m.texindex[4], -1);
    EXPECT_TRUE(m.m_show_texcoords);
}

TEST(ViewCommands, CameraPathPlaysTheKeysOfTheAnimatedObject)
{
    TestView t;
    OBJECT3D* o = t.add_square(0, 0, 1, 1);
    o->m_anim = new ANIM3D();
    o->m_anim->cycleInterval = 4.f;
    o->m_anim->m_pos_nkey = o->m_anim->m_pos_nvalue = 3;
    o->m_anim->m_pos_key = new float[3]{0.f, 0.5f, 1.f};
    o->m_anim->m_pos_value = new Vec3[3]{{0, 0, 0}, {3, 4, 5}, {0, 0, 0}};

    run_command(*t.view, 32836);
    ASSERT_EQ(t.host->m_modeless, std::vector<std::string>{"Animate Virtual Visit"});
    EXPECT_EQ(t.host->m_timers.at(TIMER_CAMERA_PATH), 10);
    EXPECT_TRUE(command_state(*t.view, 32836).checked);
    const int expected[] = {2000, 4000, 4000};
    for (int ms : expected) {
        t.view->OnTimer(TIMER_CAMERA_PATH);
        EXPECT_EQ(t.host->m_timers.at(TIMER_CAMERA_PATH), ms);
    }
    EXPECT_FALSE(command_state(*t.view, 32836).checked);   // stopped on its last key
    EXPECT_EQ(t.scene().m_path->m_key, 2);

    // Without animated objects the path has no keys and stops at once.
    delete o->m_anim;
    o->m_anim = nullptr;
    run_command(*t.view, 32836);
    t.view->OnTimer(TIMER_CAMERA_PATH);
    EXPECT_FALSE(t.scene().m_path->m_active);
}

TEST(ViewCommands, MeshAnimationTimeRunsToThreeThenRestarts)
{
    TestView t;
    RecordingReporter rec;
    double seen = -1;
    t.view->m_wave_step = [](SCENE3D& s, double time) { s.m_fog_start = (float)time; };
    run_command(*t.view, 32881);
    EXPECT_EQ(t.host->m_timers.at(TIMER_MESH), 500);
    for (int i = 1; i <= 31; ++i) {
        t.view->OnTimer(TIMER_MESH);
        seen = t.view->m_mesh_time;
        if (i == 30) {
            EXPECT_EQ(rec.last_status(), "Time:3.00");
        }
    }
    EXPECT_EQ(seen, 0.0);
    EXPECT_EQ(rec.last_status(), "Time:0.00");
    EXPECT_EQ(rec.statuses.front(), "Time:0.10");
    EXPECT_FLOAT_EQ(t.scene().m_fog_start, 0.f);
    // Opening the menu stops it.
    EXPECT_FALSE(command_state(*t.view, 32881).checked);
    EXPECT_EQ(t.host->m_timers.count(TIMER_MESH), 0u);
}

TEST(ViewCommands, TextureEnlightedFollowsTheSwitch)
{
    TestView t(true, true);
    GLfloat mode = 0;
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ((GLenum)mode, (GLenum)GL_MODULATE);
    run_command(*t.view, 32785);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ((GLenum)mode, (GLenum)GL_MODULATE);
    EXPECT_FALSE(command_state(*t.view, 32785).checked);
    run_command(*t.view, 32785);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ((GLenum)mode, (GLenum)GL_DECAL);
}

TEST(ViewCommands, SnapshotOfAnOddWidthView)
{
    ScratchDir dir;
    RecordingReporter rec;
    TestView t(true, true, 301, 40);
    t.add_square(-100, -100, 100, 100, -5.f);
    run_command(*t.view, 32796);   // cancelled: nothing written
    ASSERT_EQ(t.host->m_file_requests.size(), 1u);
    EXPECT_EQ(t.host->m_file_requests[0].default_name, "Snapshot.bmp");
    EXPECT_EQ(t.host->m_file_requests[0].filter, "BMP Files (*.bmp)|*.bmp");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    t.host->queue_file(dir.file("shot.bmp"));
    run_command(*t.view, 32796);
    CTexture img;
    ASSERT_TRUE(img.ReadFile(dir.file("shot.bmp")));
    EXPECT_EQ(img.GetWidth(), 301);
    EXPECT_EQ(img.GetHeight(), 40);
    EXPECT_TRUE(rec.boxes.empty());

    // Picking at the centre names the square.
    t.view->m_pick_mode = 1;
    t.view->OnButtonDown(MB_RIGHT, 150, 20);
    t.view->OnButtonUp(MB_RIGHT, 150, 20);
    EXPECT_EQ(rec.last_status(), "Objet: 0 Nombre d'objets:1 Nom objet: ");
}

TEST(ViewCommands, OpenKeepsTheViewSwitchesAndResetsTheCamera)
{
    TestView t(true, true);
    run_command(*t.view, 32777);
    t.cam().position = Vec3(1, 2, 3);
    t.host->queue_file(source_path("samples/house.wrl"));
    run_command(*t.view, 57601);
    ASSERT_EQ(t.host->m_file_requests.back().title, "File to load");
    ASSERT_GT(t.scene().nbobjects, 0);
    EXPECT_GT(t.scene().m_script_len, 0);   // the companion script stays
    EXPECT_FLOAT_EQ(t.cam().position.z, -20.f);
    EXPECT_NEAR(t.view->m_gl.rot_speed, 0.025f, 1e-6);
    EXPECT_EQ(t.scene().m_objects[0]->m_list_built, 1);
    EXPECT_NE(t.doc.m_folder.find("samples"), std::string::npos);
}

TEST(ViewCommands, ViewAllFramesTheWholeScene)
{
    TestView t;
    t.add_square(500, 0, 502, 2);
    const Command* c = find_command(33001);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::string(c->shortcut), "Home");
    EXPECT_NE(c->run, nullptr);
    ASSERT_TRUE(run_command(*t.view, 33001));
    // Centred in front of the camera, at a distance where it fills the view.
    EXPECT_NEAR(t.cam().position.x, -501.f, 1e-3);
    EXPECT_NEAR(t.cam().position.y, -1.f, 1e-3);
    EXPECT_LT(t.cam().position.z, -1.f);
    EXPECT_GT(t.cam().position.z, -10.f);
    EXPECT_EQ(t.cam().rotation, Vec3(0, 0, 0));
}
