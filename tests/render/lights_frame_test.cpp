// Lights, global state, projection, camera composition, stereo, LOD bands,
// transparency order and bounding boxes.
#include <gtest/gtest.h>

#include <cmath>

#include "gl_fixture.h"
#include "render/textures.h"
#include "support/recorder.h"

namespace {
std::array<float, 4> light_param(int k, GLenum what)
{
    std::array<float, 4> v{-9, -9, -9, -9};
    glGetLightfv((GLenum)(GL_LIGHT0 + k), what, v.data());
    return v;
}
LIGHT3D* make_light(uint32_t type, Vec3 colour, Vec3 location, Vec3 direction)
{
    LIGHT3D* l = new LIGHT3D();
    l->type = type;
    l->color = colour;
    l->location = location;
    l->direction = direction;
    return l;
}
GLint tex_env_mode()
{
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return mode;
}
} // namespace

TEST(Lights, SceneWithoutLightsGetsTheDefaultLightThenViewStateModulates)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    SCENE3D scene;
    EXPECT_TRUE(BuildLights(scene));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(light_param(0, GL_AMBIENT), (std::array<float, 4>{0.2f, 0.2f, 0.2f, 1.f}));
    EXPECT_EQ(light_param(0, GL_DIFFUSE), (std::array<float, 4>{0.8f, 0.8f, 0.8f, 1.f}));
    EXPECT_EQ(light_param(0, GL_SPECULAR), (std::array<float, 4>{0.3f, 0.3f, 0.3f, 1.f}));
    EXPECT_EQ(light_param(0, GL_POSITION), (std::array<float, 4>{1.f, 1.f, 1.f, 0.f}));
    GLfloat two_side = 0;
    glGetFloatv(GL_LIGHT_MODEL_TWO_SIDE, &two_side);
    EXPECT_EQ(two_side, 1.f);
    EXPECT_EQ(tex_env_mode(), GL_DECAL);
    InitGlobalState(0.f, 0.f, 0.f);
    EXPECT_EQ(tex_env_mode(), GL_MODULATE);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST(Lights, NineLightsEnableTheFirstEightOnly)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    SCENE3D scene;
    for (int k = 0; k < 9; ++k)
        scene.add_light(make_light(LIGHT_POINT, Vec3((float)k, 1.f, 1.f), Vec3(0, 0, 10), Vec3(0, 0, -1)));
    EXPECT_TRUE(BuildLights(scene));
    for (int k = 0; k < 8; ++k) {
        EXPECT_TRUE(glIsEnabled((GLenum)(GL_LIGHT0 + k))) << k;
        EXPECT_FLOAT_EQ(light_param(k, GL_DIFFUSE)[0], 0.7f * (float)k) << k;
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(Lights, PointLightIsDirectionalAndDirectionalKeepsItsPosition)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    SCENE3D scene;
    scene.add_light(make_light(LIGHT_POINT, Vec3(1, 1, 1), Vec3(0, 0, 10), Vec3(0, 0, 0)));
    scene.add_light(make_light(LIGHT_DIRECTIONAL, Vec3(1, 0.5f, 0), Vec3(7, 7, 7), Vec3(0, -1, 0)));
    scene.add_light(make_light(LIGHT_SPOT, Vec3(1, 1, 1), Vec3(1, 2, 3), Vec3(0, 0, -1)));
    const GLfloat before[4] = {5.f, 6.f, 7.f, 1.f};
    glLightfv(GL_LIGHT1, GL_POSITION, before);
    BuildLights(scene);
    EXPECT_EQ(light_param(0, GL_POSITION), (std::array<float, 4>{0.f, 0.f, 10.f, 0.f}));
    EXPECT_EQ(light_param(1, GL_POSITION), (std::array<float, 4>{5.f, 6.f, 7.f, 1.f}));
    auto dir = light_param(1, GL_SPOT_DIRECTION);
    EXPECT_EQ(dir[1], -1.f);
    EXPECT_EQ(light_param(2, GL_POSITION), (std::array<float, 4>{1.f, 2.f, 3.f, 0.f}));
    EXPECT_FLOAT_EQ(light_param(1, GL_AMBIENT)[0], 0.2f);
    EXPECT_FLOAT_EQ(light_param(1, GL_DIFFUSE)[1], 0.35f);
    EXPECT_FLOAT_EQ(light_param(1, GL_SPECULAR)[0], 0.1f);
    EXPECT_EQ(light_param(1, GL_SPECULAR)[3], 1.f);
}

TEST(Lights, OffLightsAndLightsOfAnEarlierSceneStayDark)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    SCENE3D scene;
    scene.add_light(make_light(LIGHT_POINT, Vec3(1, 0, 0), Vec3(0, 0, 10), Vec3()));
    scene.add_light(make_light(LIGHT_POINT, Vec3(0, 1, 0), Vec3(0, 0, 10), Vec3()));
    scene.add_light(make_light(LIGHT_POINT, Vec3(0, 0, 1), Vec3(0, 0, 10), Vec3()));
    scene.m_lights[1]->on = 0;
    // Lights left on by a scene opened before, with more lights.
    glEnable(GL_LIGHT2);
    glEnable(GL_LIGHT7);
    BuildLights(scene);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT7));
    EXPECT_EQ(light_param(0, GL_DIFFUSE), (std::array<float, 4>{0.7f, 0.f, 0.f, 1.f}));
    EXPECT_EQ(light_param(1, GL_DIFFUSE), (std::array<float, 4>{0.f, 0.f, 0.7f, 1.f}));

    // Every light off: lit as a scene without lights, nothing else enabled.
    scene.m_lights[0]->on = 0;
    scene.m_lights[2]->on = 0;
    BuildLights(scene);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    EXPECT_EQ(light_param(0, GL_DIFFUSE), (std::array<float, 4>{0.8f, 0.8f, 0.8f, 1.f}));
    EXPECT_EQ(light_param(0, GL_POSITION), (std::array<float, 4>{1.f, 1.f, 1.f, 0.f}));

    // So is a scene without lights opened after one with lights.
    glEnable(GL_LIGHT3);
    SCENE3D bare;
    BuildLights(bare);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(Frame, HeightZeroUsesTheWidthAsAspect)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    GlView v;
    ResizeView(v, 100, 0);
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[5] / p[0], 100.f, 1e-3f);
    EXPECT_NEAR(p[5], 1.f / std::tan(22.5 * M_PI / 180.0), 1e-5);
    ResizeView(v, 200, 100);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[5] / p[0], 2.f, 1e-5f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(Frame, WalkUpdateTurnsCameraMovesByTheHeading)
{
    GlView v;
    SCENE3D scene;
    v.scene = &scene;
    ResetCamera(v);
    UpdateWalkPosition(v, Vec3(0, 0, -19), Vec3(0, 90, 0));
    EXPECT_NEAR(v.walk_pos.x, -1.f, 1e-5f);
    EXPECT_NEAR(v.walk_pos.z, -20.f, 1e-5f);
    // Moves accumulate; the camera position is only a source of increments.
    UpdateWalkPosition(v, Vec3(0, 2, -19), Vec3(0, 0, 0));
    EXPECT_NEAR(v.walk_pos.y, 2.f, 1e-6f);
    EXPECT_EQ(v.last_cam, Vec3(0, 2, -19));
}

TEST(Frame, TwoStereoShiftsRestoreTheCameraAndResetSetsStereo)
{
    SCENE3D scene;
    GlView v;
    v.scene = &scene;
    scene.m_camera->position.x = 3.f;
    v.walk = v.examine = true;
    v.trans_speed = 1.f;
    ResetCamera(v);
    EXPECT_TRUE(v.stereo);
    EXPECT_FALSE(v.walk || v.examine);
    EXPECT_EQ(v.trans_speed, 0.02f);
    EXPECT_EQ(scene.m_camera->position, Vec3(0, 0, -20));
    StereoShift(v);
    EXPECT_EQ(scene.m_camera->position.x, 2.f);
    StereoShift(v);
    EXPECT_EQ(scene.m_camera->position.x, 0.f);
}

TEST(Frame, LodBandsDrawOnlyObjectsInsideTheirBand)
{
    ASSERT_TRUE(prepare_gl(32, 32));
    RecordingReporter rec;
    SCENE3D main_scene, level;
    main_scene.m_camera->position = Vec3(0, 0, 0);
    // Centres at z = -10, -30, -50: distances 10, 30, 50.
    for (float z : {-10.f, -30.f, -50.f}) level.add_object(make_square(-1, -1, 1, 1, z));
    ASSERT_EQ(BuildTextures(level), 1);
    LodLevels set;
    set.levels = {&level};
    set.bounds = {10.f, 50.f};
    GlView v;
    setup_view(v, &main_scene, 32, 32);
    main_scene.m_camera->position = Vec3(0, 0, 0);
    v.lod = &set;
    PaintView(v);
    EXPECT_EQ(level.m_objects[0]->m_ready, 0);
    EXPECT_EQ(level.m_objects[1]->m_ready, 1);
    EXPECT_EQ(level.m_objects[2]->m_ready, 0);
    EXPECT_EQ(v.lod_active, 1);
    EXPECT_EQ(rec.last_status(), "Z:  0.000000,LOD: 0 Nb objets actifs 1");
    Rgb c = read_pixel(16, 16);
    EXPECT_TRUE(c.r || c.g || c.b);
    // Same count again: the status line is not rewritten.
    size_t n = rec.statuses.size();
    PaintView(v);
    EXPECT_EQ(rec.statuses.size(), n);
}

TEST(Order, TransparentObjectsGoLastInReverseOrderAndAreNumbered)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    RecordingReporter rec;
    SCENE3D scene;
    const char* names[4] = {"first", "second", "third", "fourth"};
    float tr[4] = {0.f, 0.5f, 0.f, 0.3f};
    for (int i = 0; i < 4; ++i) {
        OBJECT3D* o = make_square(0, 0, 1, 1, 0, names[i]);
        o->m_transparency = tr[i];
        scene.add_object(o);
    }
    EXPECT_EQ(BuildTextures(scene), 1);
    const char* want[4] = {"first", "third", "fourth", "second"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(scene.m_objects[i]->m_name, want[i]);
        EXPECT_EQ(scene.m_objects[i]->m_pick_id, i);
        EXPECT_TRUE(scene.m_objects[i]->m_list_built);
    }
    EXPECT_TRUE(rec.has_status("Ready"));
    EXPECT_EQ(scene.m_lists_built, 1);
    SCENE3D empty;
    EXPECT_EQ(BuildTextures(empty), 0);
}

TEST(Order, UntexturedSceneCompilesBareGeometryAndKeepsEachObjectsLighting)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    SCENE3D scene;
    scene.m_textured = 0;
    OBJECT3D* lit = make_square(0, 0, 1, 1);
    OBJECT3D* bare = make_square(0, 0, 1, 1);
    bare->m_lighting = 0;
    scene.add_object(lit);
    scene.add_object(bare);
    BuildTextures(scene);
    EXPECT_EQ(lit->m_lighting, 1);
    EXPECT_EQ(bare->m_lighting, 0);
    EXPECT_EQ(lit->m_normals, nullptr);   // compiled bare: no normals were built
    EXPECT_EQ(scene.m_texture_names, nullptr);
}

TEST(Boxes, OneWireBoxPerObjectWithItsBoundsAndPlacement)
{
    ASSERT_TRUE(prepare_gl(64, 64));
    SCENE3D scene;
    OBJECT3D* o = make_mesh({Vec3(-1, -2, -3), Vec3(4, 5, 6), Vec3(0, 0, 0)}, {0, 1, 2, -1}, "tri");
    o->translation = Vec3(1, 2, 3);
    o->echelle = Vec3(2, 2, 2);
    scene.add_object(o);
    scene.add_object(new OBJECT3D());   // no vertices: no box
    BuildTextures(scene);
    BuildBoxes(scene);
    BuildBoxes(scene);   // once only
    ASSERT_EQ(scene.m_nbboxes, 1);
    EXPECT_EQ(scene.m_polygon_mode, GL_LINE);
    OBJECT3D* b = scene.m_objects[scene.nbobjects];
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->m_name, "tri");
    EXPECT_EQ(b->nbpts, 8);
    EXPECT_EQ(b->nbface, 6);
    EXPECT_EQ(b->nbindex, 30);
    EXPECT_EQ(b->m_vertices[0], Vec3(-1, -2, -3));
    EXPECT_EQ(b->m_vertices[2], Vec3(4, 5, -3));
    EXPECT_EQ(b->m_vertices[6], Vec3(4, 5, 6));
    EXPECT_EQ(b->m_vertices[4], Vec3(-1, -2, 6));
    EXPECT_EQ(b->translation, Vec3(1, 2, 3));
    EXPECT_EQ(b->echelle, Vec3(2, 2, 2));
    // Shown boxes are drawn in lines: the middle of the box face stays empty.
    scene.m_draw_objects = 0;
    scene.m_boxes_shown = 1;
    GlView v;
    setup_view(v, &scene, 64, 64);
    PaintView(v);
    const int drawn = count_pixels(0, 0, 64, 64);
    EXPECT_GT(drawn, 20);
    EXPECT_LT(drawn, 64 * 64 / 3);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(Frame, FogTintsTheNormalFrameButNotThePickFrame)
{
    ASSERT_TRUE(prepare_gl(32, 32));
    SCENE3D scene;
    scene.add_object(make_square(-5, -5, 5, 5, 0, "wall"));
    BuildTextures(scene);
    GlView v;
    setup_view(v, &scene, 32, 32);
    PaintView(v);
    Rgb plain = read_pixel(16, 16);
    v.fog = true;
    scene.m_fog_start = 0.f;
    scene.m_fog_end = 21.f;   // the wall at 20 is almost all fog
    PaintView(v);
    Rgb fogged = read_pixel(16, 16);
    EXPECT_NE(plain, fogged);
    EXPECT_NEAR(fogged.r, 122, 12);
    v.pick_pass = true;
    PaintView(v);
    EXPECT_EQ(read_pixel(16, 16), (Rgb{0, 0, 0}));
    v.pick_pass = false;
}
