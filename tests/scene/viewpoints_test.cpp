#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "scene/viewpoints.h"

namespace {
OBJECT3D* object(const char* name, const Vec3* viewpoint)
{
    auto* o = new OBJECT3D();
    o->m_name = name;
    if (viewpoint) {
        o->m_viewpoint = new VIEWPOINT3D();
        o->m_viewpoint->position = *viewpoint;
    }
    return o;
}
} // namespace

TEST(Viewpoints, KeysCycleInObjectOrderAndPlaceTheCameraAsTheDialogDoes)
{
    SCENE3D scene;
    const Vec3 a(1, 2, 3), b(-4, 5, -6), c(7, 8, 9);
    scene.add_object(object("none", nullptr));
    scene.add_object(object("A", &a));
    scene.add_object(object("plain", nullptr));
    scene.add_object(object("B", &b));
    scene.add_object(object("C", &c));
    ASSERT_EQ(viewpoint_count(scene), 3);

    // Forward from no choice: A, B, C, then round to A; backward from A: C.
    const struct {
        int step;
        int entry;
        const char* name;
        Vec3 camera;
    } steps[] = {
        {1, 0, "A", {-1, -2, -3}}, {1, 1, "B", {4, -5, 6}}, {1, 2, "C", {-7, -8, -9}},
        {1, 0, "A", {-1, -2, -3}}, {-1, 2, "C", {-7, -8, -9}}, {-1, 1, "B", {4, -5, 6}},
    };
    int current = -1;
    for (const auto& s : steps) {
        std::string name;
        current = step_viewpoint(scene, current, s.step, &name);
        EXPECT_EQ(current, s.entry);
        EXPECT_EQ(name, s.name);
        EXPECT_EQ(scene.m_camera->position, s.camera);
    }
    std::string name = "x";
    EXPECT_EQ(step_viewpoint(scene, -1, -1, &name), 2);   // backward from no choice: the last
    EXPECT_EQ(name, "C");
    EXPECT_EQ(step_viewpoint(scene, 17, 1, &name), 0);    // a stale choice starts again

    SCENE3D empty;
    empty.add_object(object("none", nullptr));
    const Vec3 before = empty.m_camera->position;
    EXPECT_EQ(step_viewpoint(empty, -1, 1, &name), -1);
    EXPECT_EQ(name, "");
    EXPECT_EQ(empty.m_camera->position, before);
    EXPECT_FALSE(go_to_viewpoint(empty, 0));
}

namespace {
// A world point as the frame's examine composition shows it: the camera's
// angles turn it (X, then Y, then Z, as glRotate composes them), then its
// position moves it.
Vec3 to_eye(const CAMERA3D& c, const Vec3& p)
{
    double r[9];
    euler_xyz_matrix(c.rotation, r);
    return Vec3((float)(r[0] * p.x + r[1] * p.y + r[2] * p.z) + c.position.x,
                (float)(r[3] * p.x + r[4] * p.y + r[5] * p.z) + c.position.y,
                (float)(r[6] * p.x + r[7] * p.y + r[8] * p.z) + c.position.z);
}

void expect_near(const Vec3& a, const Vec3& b, float eps = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

Vec3 turn(const double r[9], const Vec3& v)
{
    return Vec3((float)(r[0] * v.x + r[1] * v.y + r[2] * v.z), (float)(r[3] * v.x + r[4] * v.y + r[5] * v.z),
                (float)(r[6] * v.x + r[7] * v.y + r[8] * v.z));
}
} // namespace

TEST(Viewpoints, TheEyeSitsAtThePositionAndLooksAlongTheTurnedMinusZ)
{
    struct Case {
        Vec3 position, axis;
        float angle;
    };
    const Case cases[] = {
        {{10, 20, 0}, {1, 0, 0}, -1.5708f},            // straight down
        {{0, 3, 18}, {0, 1, 0}, 0.f},                  // default view, moved
        {{-5, 2, 7}, {0, 1, 0}, 3.14159265f},          // turned round
        {{1, -2, 3}, {0.3f, -0.8f, 0.5f}, 2.2f},       // any turn
        {{4, 4, 4}, {1, 1, 1}, -0.7f},
        {{0, 50, 0}, {1, 0, 0}, 1.5707963f},           // straight up
        {{2, 0, 0}, {0.1f, 1, 0}, 1.5707963f},         // a quarter turn about Y (angles meet)
        {{2, 0, 0}, {0, -1, 0}, 1.5707963f},
    };
    for (const Case& c : cases) {
        VIEWPOINT3D vp;
        vp.position = c.position;
        vp.orientation = c.axis;
        vp.angle = c.angle;
        CAMERA3D cam;
        double fovy = 0;
        viewpoint_camera(vp, cam, fovy);
        double q[9];
        axis_angle_matrix(c.axis, c.angle, q);
        expect_near(to_eye(cam, c.position), Vec3(0, 0, 0), 1e-3f);
        expect_near(to_eye(cam, c.position + turn(q, Vec3(0, 0, -1))), Vec3(0, 0, -1), 1e-3f);
        expect_near(to_eye(cam, c.position + turn(q, Vec3(0, 1, 0))), Vec3(0, 1, 0), 1e-3f);
        EXPECT_NEAR(fovy, 45.0, 1e-4);
    }
    // Looking down from (10, 20, 0): the point below the eye is straight ahead.
    VIEWPOINT3D down;
    down.position = Vec3(10, 20, 0);
    down.orientation = Vec3(1, 0, 0);
    down.angle = -1.5708f;
    CAMERA3D cam;
    double fovy = 0;
    viewpoint_camera(down, cam, fovy);
    expect_near(to_eye(cam, Vec3(10, 0, 0)), Vec3(0, 0, -20), 1e-3f);
    expect_near(cam.rotation, Vec3(90, 0, 0), 1e-3f);

    // The field of view in degrees; nonsense gives the usual 45.
    const std::pair<float, double> fovs[] = {
        {0.5f, 0.5 * 180 / 3.14159265358979}, {0.f, 45.0}, {-1.f, 45.0}, {4.f, 45.0}, {std::nanf(""), 45.0}};
    for (const auto& [fov, deg] : fovs) {
        down.field_of_view = fov;
        viewpoint_camera(down, cam, fovy);
        EXPECT_NEAR(fovy, deg, 1e-4) << fov;
    }
    // A zero axis turns nothing.
    VIEWPOINT3D flat;
    flat.position = Vec3(1, 2, 3);
    flat.angle = 1.f;
    viewpoint_camera(flat, cam, fovy);
    EXPECT_EQ(cam.rotation, Vec3(0, 0, 0));
    EXPECT_EQ(cam.position, Vec3(-1, -2, -3));
}

TEST(Viewpoints, RotationsSurviveTheirRoundTrips)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1.f, 1.f);
    for (int i = 0; i < 500; ++i) {
        const Vec3 axis(u(rng), u(rng), u(rng));
        const float angle = u(rng) * 3.14159f;
        double r[9], back[9];
        axis_angle_matrix(axis, angle, r);
        // Axis and angle back, and the same matrix from them.
        Vec3 a;
        float t;
        matrix_axis_angle(r, a, t);
        axis_angle_matrix(a, t, back);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(back[k], r[k], 1e-5) << i;
        // X, Y, Z angles that compose to the same matrix.
        euler_xyz_matrix(matrix_euler_xyz(r), back);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(back[k], r[k], 1e-4) << i;
    }
    // Half turns (where the angle's sine vanishes) and the identity.
    for (const Vec3& axis : {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1), Vec3(1, 1, 0)}) {
        double r[9], back[9];
        axis_angle_matrix(axis, 3.14159265358979, r);
        Vec3 a;
        float t;
        matrix_axis_angle(r, a, t);
        EXPECT_NEAR(t, 3.14159265f, 1e-5);
        axis_angle_matrix(a, t, back);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(back[k], r[k], 1e-5);
    }
    const double id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vec3 a;
    float t = 5;
    matrix_axis_angle(id, a, t);
    EXPECT_EQ(t, 0.f);
    EXPECT_EQ(a, Vec3(0, 0, 1));
}
