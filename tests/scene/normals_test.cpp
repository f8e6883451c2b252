#include <gtest/gtest.h>
#include <algorithm>

#include <climits>

#include "scene/object3d.h"
#include "support/recorder.h"

namespace {
void set_mesh(OBJECT3D& o, std::initializer_list<Vec3> pts, const std::vector<int>& idx)
{
    o.nbpts = (int)pts.size();
    o.m_vertices = new Vec3[pts.size()];
    int i = 0;
    for (auto& p : pts) o.m_vertices[i++] = p;
    o.nbindex = (int)idx.size();
    o.m_index = new int32_t[idx.size()];
    i = 0;
    o.nbface = 0;
    for (int v : idx) {
        o.m_index[i++] = v;
        if (v == -1) ++o.nbface;
    }
}
std::vector<int> index_of(const OBJECT3D& o) { return std::vector<int>(o.m_index, o.m_index + o.nbindex); }
} // namespace

TEST(Normals, UnitSquareFaceNormal)
{
    OBJECT3D o;
    set_mesh(o, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 3, -1});
    o.build_face_normals();
    ASSERT_EQ(o.nbnormal, 1);
    EXPECT_EQ(o.m_normals[0], Vec3(0, 0, 1));
    EXPECT_EQ(std::vector<int>(o.normalindex, o.normalindex + 5), (std::vector<int>{0, 0, 0, 0, -1}));
    // A second call changes nothing.
    Vec3* before = o.m_normals;
    o.build_face_normals();
    EXPECT_EQ(o.m_normals, before);
}

TEST(Normals, DegenerateFacesAndNormalize)
{
    OBJECT3D o;
    set_mesh(o, {{0, 0, 0}, {1, 0, 0}}, {0, 1, -1});
    EXPECT_EQ(o.face_normal(0), Vec3(0, 0, 0));
    Vec3 z(0, 0, 0);
    EXPECT_FALSE(OBJECT3D::normalize(z));
    Vec3 v(3, 0, 4);
    EXPECT_TRUE(OBJECT3D::normalize(v));
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
}

TEST(Normals, OutOfRangePositionsAndVerticesAreReported)
{
    RecordingReporter rec;
    OBJECT3D o;
    set_mesh(o, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {0, 1, 7, -1, 0, INT_MAX, 2, -1});
    EXPECT_EQ(o.face_normal(100), Vec3(0, 0, 0));
    EXPECT_EQ(rec.last_status(), "Erreur débordement Index");
    rec.statuses.clear();
    EXPECT_EQ(o.face_normal(0), Vec3(0, 0, 0));
    EXPECT_EQ(rec.last_status(), "Erreur débordement Index");
    EXPECT_EQ(o.face_normal(-3), Vec3(0, 0, 0));
    // Building normals over the damaged list stays inside every array.
    o.build_face_normals();
    o.build_vertex_normals();
    EXPECT_EQ(o.nbnormal, 2);
}

TEST(Normals, VertexNormalAveragesFaces)
{
    OBJECT3D o;
    // Vertex 0 is shared by a face in the x-y plane (normal +z) and a face in
    // the y-z plane (normal +x).
    set_mesh(o, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, -1}, {0, 1, -1}}, {0, 1, 2, -1, 0, 3, 4, -1});
    o.build_vertex_normals();
    ASSERT_NE(o.m_vertex_normals, nullptr);
    EXPECT_NEAR(o.m_normals[1].x, 1.f, 1e-6);
    EXPECT_NEAR(o.m_vertex_normals[0].x, 0.7071f, 1e-4);
    EXPECT_NEAR(o.m_vertex_normals[0].y, 0.f, 1e-6);
    EXPECT_NEAR(o.m_vertex_normals[0].z, 0.7071f, 1e-4);
    EXPECT_EQ(o.m_vertex_normalindex[4], 0);
    EXPECT_EQ(o.m_vertex_normalindex[3], -1);
    // Recompiling adds onto the normalised sums: same direction.
    o.build_vertex_normals();
    EXPECT_NEAR(o.m_vertex_normals[0].x, 0.7071f, 1e-4);
    EXPECT_NEAR(o.m_vertex_normals[0].z, 0.7071f, 1e-4);
}

TEST(Normals, VertexNormalsStopOnBadNormalIndex)
{
    OBJECT3D o;
    set_mesh(o, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {0, 1, 2, -1});
    o.nbnormal = 1;
    o.m_normals = new Vec3[1]{{0, 0, 2}};
    o.normalindex = new int32_t[4]{0, 5, 0, -1};
    o.build_vertex_normals();
    // Stopped at the second corner: vertex 0 got its sum, left unnormalised.
    EXPECT_EQ(o.m_vertex_normals[0], Vec3(0, 0, 2));
    EXPECT_EQ(o.m_vertex_normals[1], Vec3(0, 0, 0));
}

TEST(Statistics, Differences)
{
    // Largest and mean difference of consecutive corners within faces (-1:
    // not checked); an unterminated list never reads past its end.
    const struct {
        std::vector<int> index;
        int max, mean;
    } cases[] = {{{0, 5, 9, -1}, 5, 4}, {{0, -1, 3, -1}, 0, 0}, {{}, -1, 0}, {{0, 4}, 4, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.index));
        OBJECT3D o;
        if (!c.index.empty()) set_mesh(o, {}, c.index);
        o.index_statistics();
        if (c.max >= 0) {
            EXPECT_EQ(o.m_index_ecart_max, c.max);
        }
        if (c.mean >= 0) {
            EXPECT_EQ(o.m_index_ecart_moy, c.mean);
        }
    }
}

TEST(TestEdges, ConsistentNeighboursUnchanged)
{
    OBJECT3D o;
    set_mesh(o, {}, {0, 1, 2, -1, 0, 2, 3, -1});
    EXPECT_EQ(o.test_edges(), 1);
    EXPECT_EQ(index_of(o), (std::vector<int>{0, 1, 2, -1, 0, 2, 3, -1}));
}

TEST(TestEdges, ReversesDisagreeingFace)
{
    OBJECT3D o;
    set_mesh(o, {}, {0, 1, 2, -1, 1, 2, 3, -1});
    o.test_edges();
    EXPECT_EQ(index_of(o), (std::vector<int>{0, 1, 2, -1, 3, 2, 1, -1}));
}

namespace {
// The repair as it reads, face after face: for each edge, the faces after
// its own, in order, searched for the same two vertices.
int test_edges_by_search(std::vector<int>& idx)
{
    std::vector<std::pair<int, int>> faces;
    for (int i = 0; i < (int)idx.size();) {
        int s = i;
        while (i < (int)idx.size() && idx[(size_t)i] != -1) ++i;
        faces.push_back({s, i - s});
        ++i;
    }
    auto corner = [&](const std::pair<int, int>& f, int k) { return idx[(size_t)(f.first + k % f.second)]; };
    int shared = 0;
    for (size_t fi = 0; fi < faces.size(); ++fi)
        for (int e = 0; e < faces[fi].second; ++e) {
            const int a = corner(faces[fi], e), b = corner(faces[fi], e + 1);
            bool found = false;
            for (size_t gi = fi + 1; gi < faces.size() && !found; ++gi)
                for (int k = 0; k < faces[gi].second && !found; ++k) {
                    const int c = corner(faces[gi], k), d = corner(faces[gi], k + 1);
                    if (c == b && d == a) {
                        ++shared;
                        found = true;
                    } else if (c == a && d == b) {
                        std::reverse(idx.begin() + faces[gi].first, idx.begin() + faces[gi].first + faces[gi].second);
                        found = true;
                    }
                }
        }
    return shared;
}
} // namespace

// Random meshes of few vertices (so that edges are shared often, by many
// faces, in both directions), with faces of one and two corners, corners
// repeated, empty faces and a last face left open: the repair turns the
// same faces and counts the same edges as the face-by-face search.
TEST(TestEdges, SameAsSearchingEveryLaterFace)
{
    uint32_t seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return (int)((seed >> 8) % (uint32_t)n);
    };
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const int vertices = 3 + next(6);
        std::vector<int> idx;
        const int faces = 1 + next(40);
        for (int f = 0; f < faces; ++f) {
            const int len = next(8) == 0 ? next(3) : 3 + next(3);
            for (int k = 0; k < len; ++k) idx.push_back(next(vertices));
            if (f + 1 < faces || next(4)) idx.push_back(-1);
        }
        std::vector<int> expected = idx;
        const int shared = test_edges_by_search(expected);
        OBJECT3D o;
        set_mesh(o, {}, idx);
        EXPECT_EQ(o.test_edges(), shared);
        EXPECT_EQ(index_of(o), expected);
    }
}

// Grids of squares, every other one turned the wrong way: as the search
// repairs them on a grid it can search in a moment, and a grid of 160,000
// squares (which the search took minutes over) in a moment too.
TEST(TestEdges, LargeMeshesAreRepairedAsBySearching)
{
    auto grid = [](int n) {
        std::vector<int> idx;
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const int a = y * (n + 1) + x, b = a + 1, c = a + n + 2, d = a + n + 1;
                if ((x + y) % 2) idx.insert(idx.end(), {a, d, c, b, -1});
                else idx.insert(idx.end(), {a, b, c, d, -1});
            }
        return idx;
    };
    std::vector<int> expected = grid(40);
    const int shared = test_edges_by_search(expected);
    OBJECT3D o;
    set_mesh(o, {}, grid(40));
    EXPECT_EQ(o.test_edges(), shared);
    EXPECT_EQ(index_of(o), expected);

    OBJECT3D big;
    set_mesh(big, {}, grid(400));
    EXPECT_GT(big.test_edges(), 400 * 399);
}

// A face whose first corners repeat one, or turn against the face, takes
// the normal of its whole outline; its other faces keep the first three's.
TEST(Normals, FirstCornersThatDoNotShowTheFace)
{
    OBJECT3D o;
    // An L in the z = 0 plane, counter-clockwise: starting at the repeated
    // corner, then starting at the notch (a concave corner).
    set_mesh(o, {{0, 0, 0}, {3, 0, 0}, {3, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}},
             {1, 1, 2, 3, 4, 5, 0, -1, 3, 4, 5, 0, 1, 2, -1, 0, 1, 2, 3, 4, 5, -1});
    o.build_face_normals();
    ASSERT_EQ(o.nbnormal, 3);
    for (int f = 0; f < 3; ++f) EXPECT_EQ(o.m_normals[f], Vec3(0, 0, 1)) << f;
    // A quad whose first three corners agree keeps their product as it was.
    OBJECT3D q;
    set_mesh(q, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0.5f}, {0, 2, 0}}, {0, 1, 2, 3, -1});
    const Vec3 first = cross(Vec3(2, 0, 0), Vec3(0, 2, 0.5f));
    EXPECT_EQ(q.face_normal(0), first);
}
