// Face normals without their corner index (a one-shot flat frame): the same
// normals as with it, face by face, empty and open faces included.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scene/object3d.h"

namespace {
OBJECT3D* mesh(const std::vector<Vec3>& pts, const std::vector<int32_t>& idx)
{
    auto* o = new OBJECT3D();
    o->nbpts = (int)pts.size();
    o->m_vertices = new Vec3[pts.size()];
    for (size_t i = 0; i < pts.size(); ++i) o->m_vertices[i] = pts[i];
    o->nbindex = (int)idx.size();
    o->m_index = new int32_t[idx.size()];
    o->nbface = 0;
    for (size_t i = 0; i < idx.size(); ++i) {
        o->m_index[i] = idx[i];
        if (idx[i] == -1) ++o->nbface;
    }
    return o;
}
} // namespace

TEST(FaceNormalsByFace, EqualTheIndexedOnesFaceByFace)
{
    const std::vector<Vec3> pts = {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1), Vec3(1, 1, 1)};
    // A triangle, an empty face, a quad, a degenerate face and an open one.
    const std::vector<int32_t> idx = {0, 1, 2, -1, -1, 0, 3, 4, 1, -1, 2, 2, 2, -1, 1, 4, 3};
    std::unique_ptr<OBJECT3D> indexed(mesh(pts, idx)), by_face(mesh(pts, idx));
    indexed->build_face_normals();
    by_face->build_face_normals(false);
    ASSERT_NE(indexed->normalindex, nullptr);
    EXPECT_FALSE(indexed->m_normals_by_face);
    EXPECT_EQ(by_face->normalindex, nullptr);
    EXPECT_TRUE(by_face->m_normals_by_face);
    ASSERT_EQ(by_face->nbnormal, indexed->nbnormal);
    EXPECT_EQ(by_face->nbnormal, 5);
    // Corner k's normal is its face's.
    int face = 0;
    for (int k = 0; k < indexed->nbindex; ++k) {
        if (idx[(size_t)k] == -1) {
            ++face;
            continue;
        }
        const Vec3& a = indexed->m_normals[indexed->normalindex[k]];
        const Vec3& b = by_face->m_normals[face];
        EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << "corner " << k;
    }
    EXPECT_FLOAT_EQ(by_face->m_normals[0].z, 1.f);
    // Forgotten, they are made again with their index.
    by_face->forget_normals();
    EXPECT_FALSE(by_face->m_normals_by_face);
    by_face->build_vertex_normals();
    EXPECT_NE(by_face->normalindex, nullptr);
    EXPECT_NE(by_face->m_vertex_normals, nullptr);
}

TEST(FaceNormalsByFace, ACornerIndexFromTheFileIsKept)
{
    std::unique_ptr<OBJECT3D> o(mesh({Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0)}, {0, 1, 2, -1}));
    o->normalindex = new int32_t[4]{0, 0, 0, -1};
    o->build_face_normals(false);
    EXPECT_FALSE(o->m_normals_by_face);
    EXPECT_EQ(o->normalindex[1], 0);
    ASSERT_NE(o->m_normals, nullptr);
    EXPECT_FLOAT_EQ(o->m_normals[0].z, 1.f);
}
