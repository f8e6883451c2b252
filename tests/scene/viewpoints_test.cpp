#include <gtest/gtest.h>

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
        {1, 0, "A", {1, 2, -3}}, {1, 1, "B", {-4, 5, 6}}, {1, 2, "C", {7, 8, -9}},
        {1, 0, "A", {1, 2, -3}}, {-1, 2, "C", {7, 8, -9}}, {-1, 1, "B", {-4, 5, 6}},
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
