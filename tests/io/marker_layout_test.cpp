// Which reader a VRML file gets: our own layout only when its object
// markers stand where we write them; and no shape lost to that choice.
#include <gtest/gtest.h>

#include "io/marker_layout.h"
#include "scene/view_fit.h"
#include "vrml_test_util.h"

namespace {
const std::string k_v2 = "#VRML V2.0 utf8\n";
const std::string k_v1 = "#VRML V1.0 ascii\n";

std::string square(const char* x0, const char* x1)
{
    return std::string("Shape { geometry IndexedFaceSet { coord Coordinate { point [ ") + x0 + " 0 0, " + x1 + " 0 0, " +
           x1 + " 2 0, " + x0 + " 2 0 ] } coordIndex [ 0, 1, 2, 3, -1 ] } }\n";
}

long long triangles(const SCENE3D& s)
{
    long long t = 0;
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i]) t += s.m_objects[i]->nbindex - 3LL * s.m_objects[i]->nbface;
    return t;
}

vrml::MarkerScan scan(const std::string& text, int version)
{
    Scene L;
    set_buffer(L, text);
    return vrml::scan_markers(L, version);
}

struct ReaderChoice : VrmlLoad {};
} // namespace

TEST(MarkerScan, PlacesCountsAndStrings)
{
    // Top level (VRML 2.0) and the body of a top-level Separator (VRML 1.0)
    // are where our files write markers.
    auto top = scan(k_v2 + "# Object \"a\"\n" + square("0", "1") + "# end Object \"a\"\n", 2);
    EXPECT_EQ(top.markers, 1);
    EXPECT_EQ(top.misplaced, 0);
    EXPECT_EQ(top.geometry, 1);
    auto sep = scan(k_v1 + "DEF S Separator {\n# Object \"a\"\n Cube { }\n}\n", 1);
    EXPECT_EQ(sep.markers, 1);
    EXPECT_EQ(sep.misplaced, 0);
    EXPECT_EQ(sep.geometry, 1);
    // A Separator is not our place in a VRML 2.0 file, nor a nested one in 1.0.
    EXPECT_EQ(scan(k_v2 + "Separator {\n# Object \"a\"\n}\n", 2).misplaced, 1);
    EXPECT_EQ(scan(k_v1 + "Separator { Separator {\n# Object \"a\"\n} }\n", 1).misplaced, 1);
    // Inside a list of children, inside a Group.
    auto grouped = scan(k_v2 + "Group { children [\n# Object \"a\"\n" + square("0", "1") + "# Object \"b\"\n" +
                            square("1", "2") + "] }\n",
                        2);
    EXPECT_EQ(grouped.markers, 2);
    EXPECT_EQ(grouped.misplaced, 2);
    EXPECT_EQ(grouped.geometry, 2);
    // Markers without a quoted name, and marker words in strings, are not markers;
    // braces in strings and comments do not count.
    auto quiet = scan(k_v2 + "# Object without quotes\nWorldInfo { info [ \"# Object \\\"x\\\" {\" ] }\n"
                             "# Box {\n",
                      2);
    EXPECT_EQ(quiet.markers, 0);
    EXPECT_EQ(quiet.geometry, 0);
    EXPECT_EQ(scan(k_v2 + "Group { children [ Box { } ] }\n# Object \"late\"\n", 2).misplaced, 0);
}

TEST_F(ReaderChoice, MarkerCommentsInsideAGroupReadEveryShape)
{
    std::string text = k_v2 + "Group {\nchildren [\n# Object \"left\"\n" + square("-3", "-1") +
                       "# Object \"middle\"\n" + square("-1", "1") + "# Object \"right\"\n" + square("1", "3") +
                       "]\n}\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(s.nbobjects, 3);
    EXPECT_EQ(triangles(s), 6);
}

TEST_F(ReaderChoice, OurOwnMarkedFilesKeepTheObjectReader)
{
    // The object reader names objects after the markers and ends the file
    // with an empty object; the scene-graph reader would do neither.
    std::string text = k_v2 + "# Object \"Lamp\"\n" + square("0", "1") + "# end Object \"Lamp\"\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_GE(s.nbobjects, 1);
    EXPECT_EQ(s.m_objects[0]->m_name, "Lamp");
    EXPECT_EQ(triangles(s), 2);
    for (const std::string& t : rec.traces) EXPECT_EQ(t.find("read again"), std::string::npos) << t;
}

TEST_F(ReaderChoice, ShapesTheObjectReaderDropsAreReadAgainAsAGraph)
{
    // Marked in our places, but holding a cube the object reader passes over.
    std::string text = k_v1 + "Separator {\n# Object \"A\"\n Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                              " IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }\n# end Object \"A\"\n}\n"
                              "Separator {\n# Object \"B\"\n Translation { translation 5 0 0 }\n Cube { }\n"
                              "# end Object \"B\"\n}\n"
                              "PointLight { location 0 9 0 }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(triangles(s), 1 + 12);
    bool said = false;
    for (const std::string& t : rec.traces) said |= t.find("read again as a scene graph") != std::string::npos;
    EXPECT_TRUE(said);
    // What the first read added is gone: one light, not two.
    EXPECT_EQ(s.m_lights.size(), 1u);
    // The cube stands where its Translation puts it.
    float max_x = -1e9f;
    for (int i = 0; i < s.nbobjects; ++i)
        for (int k = 0; k < s.m_objects[i]->nbpts; ++k) max_x = std::max(max_x, s.m_objects[i]->m_vertices[k].x);
    EXPECT_FLOAT_EQ(max_x, 6.f);
}

TEST_F(ReaderChoice, AFileThatOnlyInlinesOthersOpensFramedAsASceneGraph)
{
    // A cube at the right edge of the reset view: seen, but cut off.
    write_whole_file("part.wrl", k_v1 + "Separator { Translation { translation 10 0 0 }"
                                        " Cube { width 4 height 4 depth 4 } }\n");
    ASSERT_EQ(load_text(s, k_v1 + "# gathers the parts\nWWWInline { name \"part.wrl\" }\n"), 1);
    EXPECT_EQ(s.m_file_camera, 1);
    EXPECT_EQ(s.nbobjects, 1);   // no empty object for the gathering file
    EXPECT_EQ(triangles(s), 12);
    EXPECT_EQ(place_opening_camera(s, 4.0 / 3.0), OpenCamera::Framed);
    EXPECT_NEAR(s.m_camera->position.x, -10.f, 1e-3);
    EXPECT_NEAR(s.m_camera->position.y, 0.f, 1e-3);

    // An inline inside one of our objects keeps the object reader and the
    // reset camera.
    SCENE3D own;
    ASSERT_EQ(load_text(own, k_v1 + "DEF Holder Separator { WWWInline { name \"part.wrl\" } }\n", "own.wrl"), 1);
    EXPECT_EQ(own.m_file_camera, 0);
    ASSERT_GE(own.nbobjects, 2);
    EXPECT_EQ(own.m_objects[0]->m_name, "Holder");
    EXPECT_EQ(place_opening_camera(own, 4.0 / 3.0), OpenCamera::Reset);
    EXPECT_EQ(own.m_camera->position, Vec3(0, 0, -20));
    // So does a free inline beside objects of our own.
    SCENE3D beside;
    ASSERT_EQ(load_text(beside, k_v1 + "DEF Tri Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                                        " IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"
                                        "WWWInline { name \"part.wrl\" }\n",
                        "beside.wrl"),
              1);
    EXPECT_EQ(beside.m_file_camera, 0);
    EXPECT_EQ(beside.m_objects[0]->m_name, "Tri");
    EXPECT_EQ(triangles(beside), 1 + 12);
}
