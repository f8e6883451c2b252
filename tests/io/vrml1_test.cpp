#include <gtest/gtest.h>

#include <cmath>

#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {
const char* k_hdr = "#VRML V1.0 ascii\n";
}

using Vrml1Reader = VrmlLoad;
using Loader = VrmlLoad;

TEST_F(Vrml1Reader, MarkedObjectsGiveAFinalEmptyObject)
{
    std::string text = std::string(k_hdr) +
                       "Separator {\n# Object \"A\"\n Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                       " IndexedFaceSet { coordIndex [ 0 1 2 -1 ] }\n# end Object \"A\"\n}\n"
                       "Separator {\n# Object \"B\"\n Coordinate3 { point [ 0 0 0, 2 0 0, 0 2 0, 2 2 0 ] }\n"
                       " IndexedFaceSet { coordIndex [ 0 1 2 -1, 1 3 2 -1 ] }\n# end Object \"B\"\n}\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(names_of(s), (Names{"A", "B", ""}));
    EXPECT_EQ(s.m_objects[0]->nbpts, 3);
    EXPECT_EQ(s.m_objects[1]->nbface, 2);
    EXPECT_EQ(index_of(*s.m_objects[1]), (std::vector<int>{0, 1, 2, -1, 1, 3, 2, -1}));
    EXPECT_EQ(s.m_objects[2]->nbpts, 0);
    EXPECT_EQ(s.m_objects[2]->m_vertices, nullptr);
    EXPECT_TRUE(rec.has_status("End Read t.wrl"));
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml1Reader, DefNamesObjectsAndTheSecondDefStartsTheNext)
{
    std::string text = std::string(k_hdr) +
                       "DEF A Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                       " IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"
                       "DEF B Separator { Coordinate3 { point [ 5 5 5 ] } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(names_of(s), (Names{"A", "B"}));
    EXPECT_EQ(s.m_objects[0]->nbpts, 3);
    ASSERT_EQ(s.m_objects[1]->nbpts, 1);
    EXPECT_EQ(s.m_objects[1]->m_vertices[0], Vec3(5, 5, 5));
}

TEST_F(Vrml1Reader, DefBeforeNodeTypes)
{
    // Passed-over node types do not name; a DEF before Coordinate3 names an
    // unnamed object and ends a named one.
    std::string text = std::string(k_hdr) + "DEF F IndexedFaceSet { }\nDEF C Coordinate3 { }\nDEF D Coordinate3 { }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(names_of(s), (Names{"C", "D"}));
}

TEST_F(Vrml1Reader, MaterialsOnlyForNamedObjects)
{
    std::string text = std::string(k_hdr) +
                       "Separator { Material { diffuseColor 1 0 0 } Coordinate3 { point [ 0 0 0 ] } }\n"
                       "Separator { Coordinate3 { point [ 1 1 1 ] } }\n";
    // Without a DEF the second Coordinate3 ends the file.
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 1);
    EXPECT_EQ(s.m_objects[0]->T_diffuseColor, nullptr);
    EXPECT_EQ(s.m_objects[0]->nbmaterial, 0);

    SCENE3D s2;
    text = std::string(k_hdr) +
           "DEF M Separator { Material { diffuseColor [ 1 0 0, 0 1 0 ] # two\n shininess 0.5 transparency 0.25 }\n"
           " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0 ] }\n"
           " IndexedFaceSet { coordIndex [ 0 1 2 -1 1 3 2 -1 0 2 3 -1 ] materialIndex [ 1 2 -3 ] } }\n";
    ASSERT_EQ(load_text(s2, text), 1);
    const OBJECT3D& o = *s2.m_objects[0];
    ASSERT_EQ(o.m_nb_diffuse, 2);
    EXPECT_EQ(o.T_diffuseColor[1], Vec3(0, 1, 0));
    EXPECT_EQ(o.m_mat_binding, 2);
    ASSERT_EQ(o.m_nb_shininess, 1);
    EXPECT_EQ(o.nbmaterial, 1);   // the field read last
    EXPECT_FLOAT_EQ(o.m_transparency, 0.25f);
    EXPECT_EQ(o.m_transparent, 1);
    ASSERT_NE(o.m_materialindex, nullptr);
    // 1 and 2 are not below nbmaterial (1): read as 0; -3 is kept as read.
    EXPECT_EQ(o.m_materialindex[0], 0);
    EXPECT_EQ(o.m_materialindex[1], 0);
    EXPECT_EQ(o.m_materialindex[2], -3);
    EXPECT_EQ(check_scene(s2), "");
}

TEST_F(Vrml1Reader, TransformsAndLights)
{
    std::string text = std::string(k_hdr) +
                       "DEF T Separator {\n"
                       " Translation { translation 1 2 3 }\n Translation { translation 4 5 6 }\n"
                       " Rotation { rotation 0 1 0 1.5707963 }\n Scale { scaleFactor 2 3 4 }\n"
                       " MatrixTransform { matrix 1 0 0 0 0 1 0 0 0 0 1 0 7 8 9 1 }\n"
                       " PointLight { on TRUE intensity 0.5 color 1 0.5 0.25 location 0 10 0 }\n"
                       " SpotLight { on 1 direction 0 -1 0 }\n"
                       " DirectionalLight { }\n"
                       "}\n";
    ASSERT_EQ(load_text(s, text), 1);
    const OBJECT3D& o = *s.m_objects[0];
    EXPECT_EQ(o.translation, Vec3(4, 5, 6));   // the last one wins
    EXPECT_EQ(o.rotation, Vec3(0, 1, 0));
    EXPECT_NEAR(o.angle, 90.f, 1e-4);
    EXPECT_EQ(o.echelle, Vec3(2, 3, 4));
    EXPECT_EQ(o.m_has_matrix, 1);
    EXPECT_FLOAT_EQ(o.m_matrix[12], 7.f);
    ASSERT_EQ(s.m_lights.size(), 3u);
    EXPECT_EQ(s.m_lights[0]->type, (uint32_t)LIGHT_POINT);
    EXPECT_EQ(s.m_lights[0]->on, 1);
    EXPECT_FLOAT_EQ(s.m_lights[0]->intensity, 0.5f);
    EXPECT_EQ(s.m_lights[0]->location, Vec3(0, 10, 0));
    EXPECT_EQ(s.m_lights[1]->type, (uint32_t)LIGHT_SPOT);
    EXPECT_EQ(s.m_lights[1]->on, 1);
    EXPECT_EQ(s.m_lights[2]->type, (uint32_t)LIGHT_DIRECTIONAL);
    EXPECT_EQ(s.m_lights[2]->on, 1);   // a light is on unless the file says otherwise
}

TEST_F(Vrml1Reader, SecondCoordinateBlockStartsTheNextObject)
{
    // After a DEF the object ends at the second vertex block, which then
    // belongs to the next object with its index list.
    std::string text = std::string(k_hdr) +
                       "DEF A Separator {\n"
                       " Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0 1 2 ] } }\n"
                       " Separator { Coordinate3 { point [ 0 0 1, 1 0 1, 0 1 1, 1 1 1 ] }"
                       " IndexedFaceSet { coordIndex [ 0 1 2 -1 1 3 2 -1 ] } }\n}\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 2);
    EXPECT_EQ(s.m_objects[0]->nbpts, 3);
    EXPECT_EQ(index_of(*s.m_objects[0]), (std::vector<int>{0, 1, 2, -1}));   // the last face is closed
    EXPECT_EQ(s.m_objects[1]->nbpts, 4);
    EXPECT_EQ(s.m_objects[1]->nbface, 2);
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml1Reader, CornerListsAreAlignedWithTheIndex)
{
    std::string text = std::string(k_hdr) +
                       "DEF N Separator {\n"
                       " normalIndex [ 9 9 ]\n"   // before coordIndex: nothing to align with
                       " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0 ] }\n"
                       " Normal { vector [ 0 0 1 ] }\n"
                       " TextureCoordinate2 { point [ 0 0, 1 0, 0 1 ] }\n"
                       " IndexedFaceSet { coordIndex [ 0 1 2 -1 1 3 2 -1 ]\n"
                       "  normalIndex [ 0 0 0 0 0 0 0 -1 5 5 ]\n"
                       "  textureCoordIndex [ 0 1 2 -1 1 ] }\n}\n";
    ASSERT_EQ(load_text(s, text), 1);
    const OBJECT3D& o = *s.m_objects[0];
    ASSERT_EQ(o.nbindex, 8);
    ASSERT_NE(o.normalindex, nullptr);
    EXPECT_EQ(std::vector<int>(o.normalindex, o.normalindex + 8), (std::vector<int>{0, 0, 0, -1, 0, 0, 0, -1}));
    ASSERT_NE(o.texindex, nullptr);
    EXPECT_EQ(std::vector<int>(o.texindex, o.texindex + 8), (std::vector<int>{0, 1, 2, -1, 1, -1, -1, -1}));
    EXPECT_EQ(o.nbnormal, 1);
    EXPECT_EQ(o.nbtexvertex, 3);
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml1Reader, TextureNamesAndInlines)
{
    write_whole_file("part.wrl", std::string(k_hdr) + "DEF P1 Separator { Coordinate3 { point [ 1 1 1 ] } }\n"
                                                      "DEF P2 Separator { Coordinate3 { point [ 2 2 2 ] } }\n");
    std::string text = std::string(k_hdr) +
                       "DEF Outer Separator { Texture2 { filename \"wood.bmp\" }\n"
                       " WWWInline { name \"part.wrl\" }\n"
                       " Coordinate3 { point [ 0 0 0, 1 0 0 ] } }\n"
                       "DEF After Separator { Texture2 { filename stone.jpg } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(names_of(s), (Names{"Outer", "P1", "P2", "After"}));
    EXPECT_EQ(s.m_objects[0]->nbpts, 2);   // the inline did not take its slot
    EXPECT_EQ(s.m_objects[0]->m_texture_name, "wood.bmp");
    EXPECT_EQ(s.m_objects[0]->m_texture_mode, 1);
    ASSERT_NE(s.m_objects[0]->m_texture, nullptr);
    EXPECT_EQ(*s.m_objects[0]->m_texture, -1);   // no such file: no texture
    EXPECT_EQ(s.m_objects[3]->m_texture_name, "stone.jpg");   // unquoted names are taken whole
    EXPECT_TRUE(s.m_textures.empty());
    EXPECT_EQ(check_scene(s), "");
}

TEST_F(Vrml1Reader, SelfInlineIsRefused)
{
    std::string text = std::string(k_hdr) + "DEF Loop Separator { WWWInline { name \"t.wrl\" } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_LE(s.nbobjects, 20);
    EXPECT_TRUE(rec.has_box_containing("WWWInline t.wrl ignored"));
}

TEST_F(Loader, HeadersAndMissingFiles)
{
    EXPECT_EQ(load_text(s, "#VRML V1.5 ascii\n"), 0);
    EXPECT_TRUE(rec.has_box("Invalid vrml version"));
    EXPECT_EQ(load_text(s, "hello"), 0);
    EXPECT_TRUE(rec.has_box("File t.wrl is not a vrml one"));
    EXPECT_EQ(load_text(s, ""), 0);
    EXPECT_EQ(s.nbobjects, 0);
    EXPECT_EQ(load_text(s, "#VRML V1.0 anything"), 1);
    Scene L;
    EXPECT_EQ(L.load_buffer("missing.wrl", s), 0);
    EXPECT_TRUE(rec.has_status("Read scene:t.wrl"));
}

TEST_F(Loader, CompanionScriptIsAttached)
{
    write_whole_file("scene.scr", "A first\n");
    Scene L;
    write_whole_file("scene.wrl", "#VRML V2.0 utf8\n");
    ASSERT_EQ(L.load_buffer("scene.wrl", s), 1);
    ASSERT_NE(s.m_script, nullptr);
    EXPECT_EQ(std::string(s.m_script, (size_t)s.m_script_len), "A first\n");
}

TEST_F(Loader, ObjectCapacity)
{
    s.m_capacity = 3;   // the array holds 20000 slots; a lower limit is enough here
    std::string text = std::string(k_hdr);
    for (int i = 0; i < 6; ++i) text += "DEF O" + std::to_string(i) + " Separator { }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(names_of(s), (Names{"O0", "O1", "O2"}));
    EXPECT_TRUE(rec.has_box("** Scene::read_file : overflow"));
    s.m_capacity = 20000;
}

TEST_F(Loader, LongIndexListIsReadWhole)
{
    std::string text = std::string(k_hdr) + "DEF Good Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                                            " IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"
                                            "DEF Big Separator { Coordinate3 { point [ 0 0 0 ] }\n"
                                            " IndexedFaceSet { coordIndex [\n";
    for (int i = 0; i < 100001; ++i) text += "0 ";
    text += "] } }\nDEF Later Separator { }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(names_of(s), (Names{"Good", "Big", "Later"}));
    EXPECT_EQ(s.m_objects[0]->nbface, 1);
    EXPECT_EQ(s.m_objects[1]->nbindex, 100002);   // the missing final -1 added
    EXPECT_EQ(s.m_objects[1]->nbface, 1);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(check_scene(s), "");

    // When the memory runs out the file ends there with a message naming
    // the list, the file and the line; the objects before stay whole.
    SCENE3D s2;
    size_t old = set_reader_temp_limit(200000);
    ASSERT_EQ(load_text(s2, text), 1);
    set_reader_temp_limit(old);
    ASSERT_EQ(names_of(s2), (Names{"Good", "Big"}));
    EXPECT_EQ(s2.m_objects[1]->m_index, nullptr);
    EXPECT_TRUE(rec.has_box_containing("list coordIndex"));
    EXPECT_TRUE(rec.has_box_containing("line 4"));
    EXPECT_EQ(check_scene(s2), "");
}
