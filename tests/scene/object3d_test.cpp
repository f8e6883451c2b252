#include <gtest/gtest.h>

#include <cmath>

#include "image/texture.h"
#include "scene/glconst.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

static unsigned g_deleted_list = 0;

TEST(Object3D, ClearDeletesDisplayListAndArrays)
{
    gl_hooks().delete_list = [](unsigned l) { g_deleted_list = l; };
    OBJECT3D o;
    o.nbpts = 2;
    o.m_vertices = new Vec3[2];
    o.m_anim = new ANIM3D();
    o.m_list = 7;
    o.m_list_built = 1;
    o.clear();
    gl_hooks().delete_list = nullptr;
    EXPECT_EQ(g_deleted_list, 7u);
    EXPECT_EQ(o.m_list, 0);
    EXPECT_EQ(o.m_list_built, 0);
    EXPECT_EQ(o.m_vertices, nullptr);
    EXPECT_EQ(o.nbpts, 0);
    EXPECT_EQ(o.m_anim, nullptr);
}

TEST(Object3D, GetSpecularCreatesBlackEntry)
{
    OBJECT3D o;
    Vec3* s = o.get_specular(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(*s, Vec3(0, 0, 0));
    EXPECT_NE(o.T_specularColor, nullptr);
    // A number past the one entry never reads outside it.
    EXPECT_EQ(o.get_specular(5), s);
}

TEST(Object3D, BoundsCenterAndFit)
{
    OBJECT3D o;
    o.nbpts = 2;
    o.m_vertices = new Vec3[2]{{-2, 0, 4}, {6, 2, 8}};
    o.compute_bounds();
    o.compute_center();
    EXPECT_EQ(o.m_o_max_xyz, Vec3(6, 2, 8));
    EXPECT_EQ(o.m_o_min_xyz, Vec3(-2, 0, 4));
    EXPECT_EQ(o.m_o_center_xyz, Vec3(2, 1, 6));
    o.fit_to_size10();
    EXPECT_EQ(o.m_needs_rebuild, 1);
    EXPECT_FLOAT_EQ(o.m_vertices[0].x, -5.f);
    EXPECT_FLOAT_EQ(o.m_vertices[1].x, 5.f);
    EXPECT_FLOAT_EQ(o.m_vertices[0].z, 5.f - 7.5f);

    // A single point: no division by zero.
    OBJECT3D p;
    p.nbpts = 1;
    p.m_vertices = new Vec3[1]{{3, 3, 3}};
    p.compute_bounds();
    p.fit_to_size10();
    EXPECT_EQ(p.m_vertices[0], Vec3(3, 3, 3));
    // Bounds of an empty object stay inverted.
    OBJECT3D e;
    e.compute_bounds();
    EXPECT_EQ(e.m_o_max_xyz.x, -1e10f);
    EXPECT_EQ(e.m_o_min_xyz.x, 1e10f);
}

TEST(Object3D, MaterialLookupsStayInsideShorterArrays)
{
    OBJECT3D o;
    o.nbmaterial = 3;
    o.T_diffuseColor = new Vec3[3]{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    o.m_nb_diffuse = 3;
    o.T_ambientColor = new Vec3[1]{{0.2f, 0.2f, 0.2f}};
    o.m_nb_ambient = 1;
    EXPECT_EQ(*o.diffuse(2), Vec3(0, 0, 1));
    EXPECT_EQ(*o.ambient(2), Vec3(0.2f, 0.2f, 0.2f));
    EXPECT_EQ(o.specular(0), nullptr);
    EXPECT_EQ(o.diffuse(-1), nullptr);
}

TEST(Scene3D, AccessorsRefuseOutOfRange)
{
    SCENE3D s;
    s.add_object(new OBJECT3D());
    EXPECT_NE(s.get_object(0), nullptr);
    EXPECT_EQ(s.get_object(1), nullptr);
    EXPECT_EQ(s.get_object(-1), nullptr);
    EXPECT_EQ(s.get_texture(0), nullptr);
    int idx = 42;
    EXPECT_FALSE(s.find_texture("a.bmp", idx));
    EXPECT_EQ(idx, 42);
}

TEST(Scene3D, AddObjectRefusesBeyondCapacity)
{
    SCENE3D s;
    s.nbobjects = s.m_capacity - 1;
    OBJECT3D* last = new OBJECT3D();
    EXPECT_EQ(s.add_object(last), 1);
    OBJECT3D extra;
    EXPECT_EQ(s.add_object(&extra), 0);
    EXPECT_EQ(s.nbobjects, s.m_capacity);
    s.m_objects[s.m_capacity - 1] = nullptr;
    delete last;
    s.nbobjects = 0;
}

TEST(Scene3D, UnreadableTextureIsNotAdded)
{
    SCENE3D s;
    int idx = -7;
    EXPECT_EQ(s.add_texture("/nonexistent/file.bmp", idx, 0.f, 0), 0);
    EXPECT_EQ(idx, -7);
    EXPECT_TRUE(s.m_textures.empty());
}

TEST(Scene3D, DeleteObjectsKeepsCameraAndPath)
{
    SCENE3D s;
    s.delete_objects();   // empty scene: harmless
    s.add_object(new OBJECT3D());
    s.add_light(new LIGHT3D());
    s.m_lists_built = 1;
    CAMERA3D* cam = s.m_camera;
    s.delete_objects();
    EXPECT_EQ(s.nbobjects, 0);
    EXPECT_EQ(s.m_objects[0], nullptr);
    EXPECT_TRUE(s.m_lights.empty());
    EXPECT_EQ(s.m_lists_built, 0);
    EXPECT_EQ(s.m_camera, cam);
    EXPECT_NE(s.m_path, nullptr);
}

TEST(Scene3D, SettersMarkEveryObject)
{
    SCENE3D s;
    s.add_object(new OBJECT3D());
    s.add_object(new OBJECT3D());
    s.set_norm_binding(1);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s.m_objects[i]->m_norm_binding, 1);
        EXPECT_EQ(s.m_objects[i]->m_needs_rebuild, 1);
    }
    s.set_lighting(0);
    s.set_show_normals(1);
    s.set_polygon_face(glc::FRONT);
    EXPECT_EQ(s.m_objects[1]->m_lighting, 0);
    EXPECT_EQ(s.m_objects[1]->m_show_normals, 1);
    EXPECT_EQ(s.m_objects[1]->m_polygon_face, glc::FRONT);
}

TEST(Scene3D, WorldBoundsWithoutAndWithRotation)
{
    SCENE3D s;
    OBJECT3D* o = new OBJECT3D();
    o->m_o_max_xyz = Vec3(1, 2, 3);
    o->m_o_min_xyz = Vec3(-1, -2, -3);
    o->translation = Vec3(10, 0, 0);
    s.add_object(o);
    s.compute_world_bounds(0);
    EXPECT_EQ(o->m_world_max, Vec3(11, 2, 3));
    EXPECT_EQ(o->m_world_min, Vec3(9, -2, -3));
    EXPECT_EQ(o->m_world_center, Vec3(10, 0, 0));
    EXPECT_EQ(o->m_world_center2, o->m_world_center);
    EXPECT_NEAR(o->m_radius, std::sqrt(81.f + 4 + 9), 1e-5);

    // c = pi/2 about the third angle: (1, 0, 0) -> (0, 1, 0)
    Vec3 r = euler_rotate(Vec3(1, 0, 0), Vec3(0, 0, 1.5707963f));
    EXPECT_NEAR(r.x, 0, 1e-6);
    EXPECT_NEAR(r.y, 1, 1e-6);
    // b = pi/2: (1, 0, 0) -> z' = sb * x = 1
    r = euler_rotate(Vec3(1, 0, 0), Vec3(0, 1.5707963f, 0));
    EXPECT_NEAR(r.z, 1, 1e-6);
}

TEST(Scene3D, AddObjectKeepsBoundingBoxesAfterTheObjects)
{
    SCENE3D s;
    OBJECT3D* a = new OBJECT3D();
    s.add_object(a);
    OBJECT3D* box = new OBJECT3D();
    s.m_objects[1] = box;   // one box stored after the regular object
    s.m_nbboxes = 1;
    OBJECT3D* b = new OBJECT3D();
    ASSERT_EQ(s.add_object(b), 1);
    EXPECT_EQ(s.nbobjects, 2);
    EXPECT_EQ(s.m_objects[0], a);
    EXPECT_EQ(s.m_objects[1], b);
    EXPECT_EQ(s.m_objects[2], box);
}
