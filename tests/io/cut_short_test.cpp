// Files that end too early: what they hold is kept, and one message says
// what was left open and where.
#include <gtest/gtest.h>

#include <string>

#include "io/cut_short.h"
#include "io/readers.h"
#include "scene/scene3d.h"
#include "formats_support.h"
#include "vrml_test_util.h"

namespace {
const std::string k_house2 = R"(#VRML V2.0 utf8
DEF Ground Shape {
  geometry IndexedFaceSet {
    coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }
    coordIndex [ 0 1 2 -1 ]
  }
}
DEF Roof Shape {
  appearance Appearance { texture ImageTexture { url "roof tiles.jpg" } }
  geometry IndexedFaceSet {
    coord Coordinate { point [ 0 0 1, 1 0 1, 1 1 1 ] }
    coordIndex [ 0 1 2 -1 ]
  }
}
ROUTE A.value_changed TO B.set_value
)";

// The text up to (not including) the first occurrence of `mark`.
std::string cut_before(const std::string& text, const std::string& mark)
{
    size_t at = text.find(mark);
    EXPECT_NE(at, std::string::npos) << mark;
    return text.substr(0, at);
}
} // namespace

TEST(CutShort, HowAVrmlTextEnds)
{
    const std::pair<std::string, std::string> cases[] = {
        {k_house2, ""},
        {cut_before(k_house2, "ROUTE"), ""},
        {cut_before(k_house2, "TO B"), "ends after ROUTE at line 15"},
        {cut_before(k_house2, "DEF Roof") + "DEF Roof Sha", "ends after DEF at line 8"},
        {cut_before(k_house2, "1 1 1"), "ends inside the list point opened at line 11, in Coordinate opened at line 11"},
        {cut_before(k_house2, "coordIndex [ 0 1 2 -1 ]\n  }\n}\nROUTE"),
         "ends inside IndexedFaceSet opened at line 10"},
        {cut_before(k_house2, "tiles.jpg"), "ends inside a string opened at line 9, in ImageTexture opened at line 9"},
        {"#VRML V1.0 ascii\n# a { comment\nSeparator { Coordinate3 { point [ 0 0 0 ] }\n",
         "ends inside Separator opened at line 3"},
        {"#VRML V2.0 utf8\nShape { geometry Text { string \"a \\\" } [ quote\" } }\n", ""},
        {"#VRML V2.0 utf8\n# header only\n", ""},
    };
    for (const auto& [text, how] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(vrml_left_open(text.data(), (int32_t)text.size()), how);
    }
}

TEST_F(VrmlLoad, ACutFileKeepsWhatItHoldsAndSaysSoOnce)
{
    // Cut inside the second shape's face list: the first shape is whole.
    std::string text = cut_before(k_house2, "1 1 1 ]");
    text.erase(text.find("url"), std::string("url \"roof tiles.jpg\"").size());
    ASSERT_EQ(load_text(s, text, "cut.wrl"), 1);
    ASSERT_GE(s.nbobjects, 1);
    EXPECT_EQ(s.m_objects[0]->nbface, 1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "File cut.wrl ends inside the list point opened at line 11, in Coordinate opened "
                                 "at line 11: the file may be cut short");

    // Whole files say nothing.
    rec.boxes.clear();
    SCENE3D whole;
    ASSERT_EQ(load_text(whole, cut_before(k_house2, "DEF Roof"), "whole.wrl"), 1);
    EXPECT_TRUE(rec.boxes.empty());
}

// Point sets and building files keep their complete records; a grid's last
// record reads its missing values as 0. All three say the file may be cut.
TEST(CutShort, PointSetsGridsAndBuildingsKeepWhatTheyHold)
{
    RecordingReporter rec;
    SCENE3D s;
    {
        auto L = fmt_test::loader_for("POINTS x 3 0 0 0 1 1 1 2 2", "p.pts");
        ASSERT_EQ(read_point_set(*L, s), 1);
        ASSERT_EQ(s.nbobjects, 1);
        EXPECT_EQ(s.m_objects[0]->nbpts, 2);
    }
    {
        auto L = fmt_test::loader_for(" 1 2 3 0 x\n 1 3 4 0 x\n 2 2 5 0 x\n 2 3", "map.igz");
        ASSERT_EQ(read_grid_file(*L, s), 1);
        ASSERT_EQ(s.nbobjects, 1);
        EXPECT_EQ(s.m_objects[0]->nbpts, 4);
    }
    {
        auto L = fmt_test::loader_for("CODE x\nBAT. 0 0 0 10 0 0 10 10 0 5\n", "b.ign");
        ASSERT_EQ(read_building_file(*L, s), 1);
        EXPECT_EQ(s.m_objects[0]->nbpts, 3);
    }
    ASSERT_EQ(rec.boxes.size(), 3u);
    EXPECT_EQ(rec.boxes[0].text, "File p.pts ends after 2 of the 3 points announced: the file may be cut short");
    EXPECT_EQ(rec.boxes[1].text, "File map.igz ends inside the record at line 4: the file may be cut short");
    EXPECT_EQ(rec.boxes[2].text, "File b.ign ends inside a corner at line 2: the file may be cut short");
}
