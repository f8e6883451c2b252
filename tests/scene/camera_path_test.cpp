#include <gtest/gtest.h>

#include "scene/scene3d.h"

namespace {
OBJECT3D* animated(float cycle, std::initializer_list<float> keys, int nvalues)
{
    OBJECT3D* o = new OBJECT3D();
    o->m_anim = new ANIM3D();
    ANIM3D& a = *o->m_anim;
    a.cycleInterval = cycle;
    a.m_pos_nkey = (int)keys.size();
    a.m_pos_key = new float[keys.size()];
    std::copy(keys.begin(), keys.end(), a.m_pos_key);
    a.m_pos_nvalue = nvalues;
    a.m_pos_value = new Vec3[(size_t)nvalues];
    for (int i = 0; i < nvalues; ++i) a.m_pos_value[i] = Vec3((float)i, cycle, 0.f);
    return o;
}
} // namespace

TEST(CameraPath, LastAnimatedObjectWinsWithoutReadingPastItsArrays)
{
    SCENE3D s;
    s.add_object(animated(4.f, {0.f, 0.5f, 1.f}, 3));
    s.add_object(new OBJECT3D());   // not animated: skipped
    // No cycle interval: its arrays replace the path's, its key count does
    // not, and it holds fewer values than keys.
    s.add_object(animated(0.f, {0.f, 0.25f}, 1));
    s.BuildCameraPath();
    ASSERT_NE(s.m_path, nullptr);
    const ANIM3D& p = *s.m_path;
    EXPECT_TRUE(p.m_active);
    EXPECT_FLOAT_EQ(p.cycleInterval, 4.f);
    EXPECT_EQ(p.m_pos_nkey, 2);   // never more keys than the key array holds
    EXPECT_FLOAT_EQ(p.m_pos_key[1], 0.25f);
    EXPECT_EQ(p.m_pos_nvalue, 1);
    EXPECT_FLOAT_EQ(p.m_pos_value[0].y, 0.f);

    SCENE3D empty;
    empty.BuildCameraPath();
    EXPECT_TRUE(empty.m_path->m_active);
    EXPECT_EQ(empty.m_path->m_pos_nkey, 0);
}
