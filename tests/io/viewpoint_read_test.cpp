// The file's own camera: what the readers keep of a viewpoint, and where an
// open puts the camera (first viewpoint, whole scene, or the reset one).
#include <gtest/gtest.h>

#include <cmath>

#include "io/open.h"
#include "scene/scene3d.h"
#include "scene/view_fit.h"
#include "scene/viewpoints.h"
#include "vrml_test_util.h"

namespace {
const std::string k_v2 = "#VRML V2.0 utf8\n";

const VIEWPOINT3D* first_viewpoint(const SCENE3D& s)
{
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && s.m_objects[i]->m_viewpoint) return s.m_objects[i]->m_viewpoint;
    return nullptr;
}

void expect_near(const Vec3& a, const Vec3& b, float eps = 1e-3f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// The view direction of a viewpoint: -Z turned by its orientation.
Vec3 looking(const VIEWPOINT3D& vp)
{
    double q[9];
    axis_angle_matrix(vp.orientation, vp.angle, q);
    return Vec3((float)-q[2], (float)-q[5], (float)-q[8]);
}

const std::string k_shape = "Shape { geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }"
                            " coordIndex [ 0 1 2 3 -1 ] } }\n";
// The same shape as the object readers' layout has it: one DEF'd node each.
std::string seed_object(const char* name, const char* translation = "0 0 0")
{
    return std::string("DEF ") + name + " Transform { translation " + translation + " children [ " + k_shape + "] }\n";
}
} // namespace

using ViewpointRead = VrmlLoad;

TEST_F(ViewpointRead, BothReadersKeepOrientationAngleAndFieldOfView)
{
    // Object layout (a DEF'd shape): the object reader.
    ASSERT_EQ(load_text(s, k_v2 + "DEF V Viewpoint { position 1 2 3 orientation 0 1 0 1.5 fieldOfView 0.5 "
                                  "description \"Side\" }\n" + seed_object("S")),
              1);
    const VIEWPOINT3D* vp = first_viewpoint(s);
    ASSERT_NE(vp, nullptr);
    EXPECT_EQ(s.m_file_camera, 0);   // the seed's layout keeps the reset camera
    EXPECT_EQ(vp->position, Vec3(1, 2, 3));
    EXPECT_EQ(vp->orientation, Vec3(0, 1, 0));
    EXPECT_FLOAT_EQ(vp->angle, 1.5f);
    EXPECT_FLOAT_EQ(vp->field_of_view, 0.5f);

    // A scene graph with the viewpoint inside a turned and moved group: the
    // eye and its direction follow the group.
    SCENE3D g;
    ASSERT_EQ(load_text(g, k_v2 + "Transform { translation 10 0 0 rotation 0 1 0 1.5707963 children [\n"
                                  "  Viewpoint { position 0 0 5 fieldOfView 0.3 }\n  " + k_shape + "] }\n"),
              1);
    EXPECT_EQ(g.m_file_camera, 1);
    vp = first_viewpoint(g);
    ASSERT_NE(vp, nullptr);
    expect_near(vp->position, Vec3(15, 0, 0));   // (0, 0, 5) turned to +X, then moved
    expect_near(looking(*vp), Vec3(-1, 0, 0));
    EXPECT_FLOAT_EQ(vp->field_of_view, 0.3f);

    // Under a scale, only lengths change.
    SCENE3D sc;
    ASSERT_EQ(load_text(sc, k_v2 + "Transform { scale 2 1 3 children [ Viewpoint { position 0 1 1 "
                                   "orientation 1 0 0 -0.7853982 } " + k_shape + "] }\n"),
              1);
    vp = first_viewpoint(sc);
    ASSERT_NE(vp, nullptr);
    expect_near(vp->position, Vec3(0, 1, 3));
    const Vec3 d = looking(*vp);
    EXPECT_NEAR(d.x * d.x + d.y * d.y + d.z * d.z, 1.f, 1e-4);
    expect_near(d, Vec3(0, -0.31623f, -0.94868f), 1e-3f);   // (0, -1, -3) made unit
}

// A VRML 1.0 camera given by its looking direction and up vector, inlining
// its world: it looks that way, that side up; a degenerate up or direction
// still gives a camera.
TEST_F(ViewpointRead, CameraByDirectionAndUpLooksThatWay)
{
    write_whole_file("world.wrl", "#VRML V1.0 ascii\nSeparator { Cube { } }\n");
    // Up the Y axis, Z upwards: a quarter turn about X.
    ASSERT_EQ(load_text(s, "#VRML V1.0 ascii\nGroup { PerspectiveCamera { position 0 -10 0 direction 0 1 0 "
                           "up 0 0 1 }\n WWWInline { name \"world.wrl\" } }\n"),
              1);
    EXPECT_EQ(s.m_file_camera, 1);
    const VIEWPOINT3D* vp = first_viewpoint(s);
    ASSERT_NE(vp, nullptr);
    expect_near(vp->position, Vec3(0, -10, 0));
    expect_near(looking(*vp), Vec3(0, 1, 0));
    double q[9];
    axis_angle_matrix(vp->orientation, vp->angle, q);
    expect_near(Vec3((float)q[1], (float)q[4], (float)q[7]), Vec3(0, 0, 1));   // the view's up
    EXPECT_EQ(place_opening_camera(s, 4.0 / 3.0), OpenCamera::Viewpoint);

    // An up along the direction, and no up at all: still looking that way.
    for (const char* up : {"up 2 0 0", ""}) {
        SCENE3D t;
        ASSERT_EQ(load_text(t, std::string("#VRML V1.0 ascii\nSeparator { PerspectiveCamera { direction 3 0 0 ") + up +
                                   " } Cube { } }\n"),
                  1);
        vp = first_viewpoint(t);
        ASSERT_NE(vp, nullptr);
        expect_near(looking(*vp), Vec3(1, 0, 0));
        EXPECT_TRUE(std::isfinite(vp->angle));
    }
    // A zero direction is no direction: the default view.
    SCENE3D z;
    ASSERT_EQ(load_text(z, "#VRML V1.0 ascii\nSeparator { PerspectiveCamera { direction 0 0 0 } Cube { } }\n"), 1);
    vp = first_viewpoint(z);
    ASSERT_NE(vp, nullptr);
    expect_near(looking(*vp), Vec3(0, 0, -1));
}

TEST_F(ViewpointRead, AnOpenStartsAtTheFirstViewpointOrSeesTheWholeScene)
{
    // A scene graph with two viewpoints: the first one.
    ASSERT_EQ(load_text(s, k_v2 + "Viewpoint { position 10 20 0 orientation 1 0 0 -1.5708 fieldOfView 0.6 }\n"
                                  "Viewpoint { position 0 0 50 }\n" + k_shape + k_shape),
              1);
    EXPECT_EQ(place_opening_camera(s, 4.0 / 3.0), OpenCamera::Viewpoint);
    EXPECT_NEAR(s.m_fovy, 0.6 * 180 / 3.14159265358979, 1e-4);
    EXPECT_NEAR(s.m_camera->rotation.x, 90.f, 1e-3);
    // Asked to fit, the whole scene wins over the file's camera.
    EXPECT_EQ(place_opening_camera(s, 4.0 / 3.0, true), OpenCamera::Framed);

    // A scene graph without one, far from the origin and wide: framed
    // whole, the box inside the view.
    SCENE3D far;
    ASSERT_EQ(load_text(far, k_v2 + "Transform { translation 50000 5900 181200 scale 200 200 200 children " + k_shape +
                                    "}\n"),
              1);
    EXPECT_EQ(place_opening_camera(far, 4.0 / 3.0), OpenCamera::Framed);
    EXPECT_GT(view_coverage(far, *far.m_camera, far.m_fovy, 4.0 / 3.0), 0.2);

    // The seed's own layout at the reset camera: stays there when seen...
    SCENE3D seed;
    ASSERT_EQ(load_text(seed, k_v2 + seed_object("S")), 1);
    EXPECT_EQ(place_opening_camera(seed, 4.0 / 3.0), OpenCamera::Reset);
    EXPECT_EQ(seed.m_camera->position, Vec3(0, 0, -20));
    // ...and is framed when it would be a speck.
    SCENE3D speck;
    ASSERT_EQ(load_text(speck, k_v2 + seed_object("S", "0 0 -5000")), 1);
    EXPECT_EQ(speck.m_file_camera, 0);
    EXPECT_EQ(place_opening_camera(speck, 4.0 / 3.0), OpenCamera::Lost);

    // An X file has no camera of its own: framed whole.
    std::unique_ptr<SCENE3D> x;
    ASSERT_TRUE(open_document(source_path("samples/cube.x"), x, {}));
    EXPECT_EQ(x->m_file_camera, 1);
    EXPECT_EQ(place_opening_camera(*x, 1.0), OpenCamera::Framed);
}

TEST(ViewFit, TinyAndHugeScenesAreFramedWhole)
{
    for (float size : {0.001f, 1.f, 500000.f}) {
        SCENE3D s;
        auto* o = new OBJECT3D();
        o->nbpts = 2;
        o->m_vertices = new Vec3[2]{Vec3(3 * size, 0, 0), Vec3(4 * size, size, size)};
        s.add_object(o);
        ASSERT_TRUE(view_all_camera(s, 45.0, 4.0 / 3.0, *s.m_camera)) << size;
        const double c = view_coverage(s, *s.m_camera, 45.0, 4.0 / 3.0);
        // Whole (the box's corners all in front) and not a speck.
        EXPECT_GT(c, 0.1) << size;
        EXPECT_LE(c, 1.0) << size;
        EXPECT_LT(s.m_camera->position.z + size, 0.f) << size;
        EXPECT_GT(s.m_camera->position.z, -10.f * size) << size;
    }
}

// The framed box is that of the vertices where they are drawn: an object
// turned by its placement frames exactly like the same object with the turn
// applied to its vertices (as files of other programs store it), and a far
// translation leaves the box exact.
TEST(ViewFit, TurnedObjectsFrameByTheirPlacedVertices)
{
    // A diamond of half-width 1 turned by 45 degrees about Z: its corners land on the diagonals, at 0.7071 from the
    // centre in X and Y (its own box turned would reach 1.414).
    auto diamond = [](Vec3 at, float angle) {
        auto* o = new OBJECT3D();
        o->nbpts = 4;
        o->m_vertices = new Vec3[4]{Vec3(1, 0, 0), Vec3(-1, 0, 0), Vec3(0, 1, 0.5f), Vec3(0, -1, -0.5f)};
        o->translation = at;
        o->rotation = Vec3(0, 0, 1);
        o->angle = angle;
        return o;
    };
    const float r = std::sqrt(0.5f);
    for (float far : {0.f, 1e6f}) {
        SCENE3D s;
        s.add_object(diamond(Vec3(far, 2, 0), 45.f));
        Vec3 mn, mx;
        ASSERT_TRUE(scene_world_box(s, mn, mx));
        const float eps = far > 0 ? 0.07f : 1e-4f;   // a float's step at a million
        expect_near(mn, Vec3(far - r, 2 - r, -0.5f), eps);
        expect_near(mx, Vec3(far + r, 2 + r, 0.5f), eps);

        // The same corners placed in the vertices: the same View All camera.
        SCENE3D baked;
        auto* b = diamond(Vec3(0, 0, 0), 0.f);
        for (int k = 0; k < 4; ++k) {
            const Vec3 v = b->m_vertices[k];
            b->m_vertices[k] = Vec3(far + (v.x - v.y) * r, 2 + (v.x + v.y) * r, v.z);
        }
        baked.add_object(b);
        CAMERA3D turned_cam{}, baked_cam{};
        ASSERT_TRUE(view_all_camera(s, 45.0, 1.5, turned_cam));
        ASSERT_TRUE(view_all_camera(baked, 45.0, 1.5, baked_cam));
        expect_near(turned_cam.position, baked_cam.position, eps);
    }
}
