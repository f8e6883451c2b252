#include <gtest/gtest.h>

#include <vector>

#include "model/extrude.h"
#include "scene/object3d.h"

namespace {
void make_section(OBJECT3D& o, int npts, const std::vector<int32_t>& index)
{
    o.nbpts = npts;
    o.m_vertices = new Vec3[(size_t)npts];
    for (int i = 0; i < npts; ++i) o.m_vertices[i] = Vec3((float)i, (float)(i * i), 0.f);
    o.nbindex = (int)index.size();
    o.m_index = new int32_t[index.size()];
    for (size_t i = 0; i < index.size(); ++i) o.m_index[i] = index[i];
}

std::vector<int32_t> index_of(const OBJECT3D& o) { return std::vector<int32_t>(o.m_index, o.m_index + o.nbindex); }
} // namespace

TEST(ExtrudeVector, SquareGivesFourClosedSideQuads)
{
    OBJECT3D sec, out;
    make_section(sec, 4, {0, 1, 2, 3, -1});
    ASSERT_EQ(ExtrudeVector(out, sec, Vec3(0, 0, 1)), 1);
    EXPECT_EQ(out.nbpts, 8);
    EXPECT_EQ(out.nbface, 4);
    EXPECT_EQ(index_of(out), (std::vector<int32_t>{0, 1, 5, 4, -1, 1, 2, 6, 5, -1, 2, 3, 7, 6, -1, 3, 0, 4, 7, -1}));
    EXPECT_EQ(out.m_vertices[2], Vec3(2, 4, 0));
    EXPECT_EQ(out.m_vertices[6], Vec3(2, 4, 1));
}

TEST(ExtrudeVector, EachFaceClosesOnItsOwnFirstCorner)
{
    // A triangle then a square, as two outlines of one object; an empty face
    // between them and a last face left open must not disturb the quads.
    OBJECT3D sec, out;
    make_section(sec, 7, {0, 1, 2, -1, -1, 3, 4, 5, 6});
    ASSERT_EQ(ExtrudeVector(out, sec, Vec3(0, 0, 30)), 1);
    EXPECT_EQ(out.nbpts, 14);
    EXPECT_EQ(out.nbface, 7);
    EXPECT_EQ(out.nbindex, 35);
    EXPECT_EQ(index_of(out), (std::vector<int32_t>{0, 1, 8,  7,  -1, 1, 2, 9,  8,  -1, 2, 0, 7,  9,  -1,
                                                   3, 4, 11, 10, -1, 4, 5, 12, 11, -1, 5, 6, 13, 12, -1,
                                                   6, 3, 10, 13, -1}));
    EXPECT_EQ(out.m_vertices[13], Vec3(6, 36, 30));
}

TEST(ExtrudeVector, RefusesSectionsItCannotServe)
{
    OBJECT3D empty, out, shared;
    EXPECT_EQ(ExtrudeVector(out, empty, Vec3(0, 0, 1)), 0);
    // Faces sharing points: more corners than points.
    make_section(shared, 4, {0, 1, 2, -1, 0, 2, 3, -1});
    EXPECT_EQ(ExtrudeVector(out, shared, Vec3(0, 0, 1)), 0);
    EXPECT_EQ(out.nbpts, 0);
    EXPECT_EQ(out.m_vertices, nullptr);
}
