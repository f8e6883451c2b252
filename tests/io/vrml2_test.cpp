#include <gtest/gtest.h>

#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {
const char* k_hdr = "#VRML V2.0 utf8\n";

std::string shape(const std::string& points, const std::string& index, const std::string& extra = "")
{
    return "children [ Shape { geometry IndexedFaceSet { coord Coordinate { point [ " + points +
           " ] } coordIndex [ " + index + " ] " + extra + " } } ]";
}
} // namespace

using Vrml2Reader = VrmlLoad;

TEST_F(Vrml2Reader, TopLevelTransformsAndNestedTranslation)
{
    std::string text = std::string(k_hdr) + "DEF First Transform { translation 1 2 3 children [ Transform {"
                                            " translation 1 0 0 " +
                       shape("0 0 0, 1 0 0, 0 1 0", "0 1 2 -1") + " } ] }\n" + "DEF Second Transform { " +
                       shape("0 0 0, 1 0 0, 0 1 0", "0 2 1") + " }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(names_of(s), (Names{"First", "Second"}));
    EXPECT_EQ(s.m_objects[0]->translation, Vec3(2, 2, 3));
    EXPECT_EQ(index_of(*s.m_objects[1]), (std::vector<int>{0, 2, 1, -1}));
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml2Reader, AnimationRecords)
{
    std::string text = std::string(k_hdr) +
                       "DEF Looping Transform { }\nDEF T1 TimeSensor { loop TRUE cycleInterval 3 }\n"
                       "DEF Once Transform { }\nDEF T2 TimeSensor { loop FALSE cycleInterval 4.5 }\n"
                       "DEF P PositionInterpolator { key [ 0 0.5 1 ] keyValue [ 0 0 0, 1 2 3, 4 5 6 ] }\n"
                       "DEF R OrientationInterpolator { key [ 0 1 ] keyValue [ 0 1 0 1.57, 1 0 0 3.14 ] }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 2);
    ASSERT_NE(s.m_objects[0]->m_anim, nullptr);
    EXPECT_EQ(s.m_objects[0]->m_anim->m_active, 0);
    const ANIM3D& a = *s.m_objects[1]->m_anim;
    EXPECT_EQ(a.m_active, 1);
    EXPECT_FLOAT_EQ(a.cycleInterval, 4.5f);
    ASSERT_EQ(a.m_pos_nkey, 3);
    ASSERT_EQ(a.m_pos_nvalue, 3);
    EXPECT_EQ(a.m_pos_value[1], Vec3(1, 2, 3));
    ASSERT_EQ(a.m_rot_nvalue, 2);
    EXPECT_EQ(a.m_rot_value[0], Vec3(0, 1, 0));
    EXPECT_EQ(a.m_rot_value[1], Vec3(1, 0, 0));
    EXPECT_FLOAT_EQ(a.m_rot_key[1], 1.f);
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml2Reader, TextureCoordinatesFollowTheIndexWithoutTheirOwn)
{
    std::string text = std::string(k_hdr) + "DEF Quad Transform { " +
                       shape("0 0 0, 1 0 0, 1 1 0, 0 1 0", "0 1 2 3 -1",
                             "texCoord TextureCoordinate { point [ 0 0, 1 0, 1 1, 0 1 ] }") +
                       " appearance Appearance { texture ImageTexture { url [ \"pic.bmp\" ] }"
                       " textureTransform TextureTransform { center 0.5 0.5 rotation 1.5707963 scale 2 3 } } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    const OBJECT3D& o = *s.m_objects[0];
    ASSERT_NE(o.texindex, nullptr);
    EXPECT_EQ(std::vector<int>(o.texindex, o.texindex + o.nbindex), index_of(o));
    EXPECT_EQ(o.nbtexvertex, 4);
    EXPECT_EQ(o.m_texture_name, "pic.bmp");
    EXPECT_EQ(o.m_texture_mode, 1);
    EXPECT_EQ(o.m_textransform, 1);
    EXPECT_EQ(o.m_texcenter_on, 1);
    EXPECT_NEAR(o.m_texrotation, 90.f, 1e-4);
    EXPECT_FLOAT_EQ(o.m_texscale[1], 3.f);
    EXPECT_EQ(o.m_textranslation_on, 0);
}

TEST_F(Vrml2Reader, ScriptLinesGiveTheUrl)
{
    write_whole_file("t.scr", "Door first text\r\nDoorway other\nDoor second text\nWall x\n");
    std::string text = std::string(k_hdr) + "DEF Door Transform { children [ Shape { } ] }\n"
                                            "DEF Doo Transform { children [ Shape { } ] }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 2);
    EXPECT_EQ(s.m_objects[0]->m_url, "second text");
    EXPECT_EQ(s.m_objects[1]->m_url, "");
}

TEST_F(Vrml2Reader, MessagesGiveTheLineInTheFile)
{
    std::string text = std::string(k_hdr) + "DEF A Transform {\n\n coord Box { }\n}\n"
                                            "DEF B Transform {\n texCoord USE TC\n}\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_EQ(rec.boxes[0].text, "corrupted VRML2 input file: coord! Line #:4");
    EXPECT_EQ(rec.boxes[1].text, "corrupted VRML2 input file: coord! Line #:7");
}

TEST_F(Vrml2Reader, MarkersMaterialsAndViewpoints)
{
    std::string text = std::string(k_hdr) +
                       "# Object \"Lamp\"\n"
                       "Shape { appearance Appearance { material Material { diffuseColor [ 1 0 0 0 1 0 ]\n"
                       " # a comment inside the material\n ambientIntensity 0.3 shininess [ 0.1 0.2 0.3 ]"
                       " transparency 0 } } }\n"
                       "DEF Cam Viewpoint { position 1 2 3 orientation 0 1 0 0.5 description \"Front view\" }\n"
                       "# end Object \"Lamp\"\n"
                       "DEF Never Transform { }\n";
    ASSERT_EQ(load_text(s, text), 1);
    // Lamp, then Cam (a viewpoint ends its object), then the object that
    // meets the end marker: the file ends there.
    ASSERT_EQ(names_of(s), (Names{"Lamp", "Cam", ""}));
    const OBJECT3D& lamp = *s.m_objects[0];
    EXPECT_EQ(lamp.m_nb_diffuse, 2);
    EXPECT_EQ(lamp.m_nb_ambient_intensity, 1);
    EXPECT_EQ(lamp.nbmaterial, 3);
    EXPECT_EQ(lamp.m_transparent, 0);
    // A viewpoint after a named object is an object of its own.
    const OBJECT3D& cam = *s.m_objects[1];
    ASSERT_NE(cam.m_viewpoint, nullptr);
    EXPECT_EQ(cam.m_viewpoint->position, Vec3(1, 2, 3));
    EXPECT_EQ(cam.m_viewpoint->orientation, Vec3(0, 1, 0));
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml2Reader, EndMarkerEndsTheFile)
{
    std::string text = std::string(k_hdr) + "DEF A Transform { }\n# end of file\nDEF B Transform { }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(names_of(s), (Names{"A"}));
}

TEST_F(Vrml2Reader, TruncatedFileKeepsWholeObjects)
{
    std::string text = std::string(k_hdr) + "DEF A Transform { " + shape("0 0 0, 1 0 0, 0 1 0", "0 1 2 -1") +
                       " }\nDEF B Transform { children [ Shape { geometry IndexedFaceSet {"
                       " coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 0 2";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 2);
    EXPECT_EQ(s.m_objects[0]->nbface, 1);
    EXPECT_EQ(s.m_objects[1]->nbpts, 3);
    EXPECT_EQ(s.m_objects[1]->m_index, nullptr);   // the unfinished list is not kept
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml2Reader, HostileIndicesAreSafeForEveryConsumer)
{
    std::string text =
        std::string(k_hdr) + "DEF Bad Transform { children [ Shape { appearance Appearance { material Material {"
                             " diffuseColor [ 1 0 0 ] specularColor [ 1 1 1, 0 0 0 ] } }"
                             " geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                             " coordIndex [ 0 1 2 -1 0 7 -5 -1 2147483647 1 0 -1 -1 ]"
                             " normal Normal { vector [ 0 0 1 ] } normalIndex [ 0 0 0 -1 3 3 3 -1 -9 ]"
                             " texCoord TextureCoordinate { point [ 0 0 ] } texCoordIndex [ 5 5 5 -1 ]"
                             " materialIndex [ 0 40 -2 ] } } ] }\n";
    ASSERT_EQ(load_text(s, text), 1);
    const OBJECT3D& o = *s.m_objects[0];
    EXPECT_EQ(o.nbface, 4);   // an empty face between the last two terminators
    EXPECT_EQ(o.m_index[5], 7);   // values are kept as read
    EXPECT_EQ(o.m_materialindex[1], 40);
    EXPECT_EQ(check_scene(s), "");
    // Compile preparation and the dump read only what exists.
    prepare_scene_for_compile(s);
    EXPECT_EQ(check_scene(s), "");
    ASSERT_EQ(dump_scene(s, "out.txt"), 1);
    std::string dump = read_whole_file("out.txt");
    EXPECT_NE(dump.find("   0    7   -5   -1"), std::string::npos);
    s.m_objects[0]->index_statistics();
    s.m_objects[0]->test_edges();
    EXPECT_EQ(check_scene(s), "");
}
