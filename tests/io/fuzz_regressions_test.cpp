// Inputs found by fuzzing the readers (fuzz/), cut down to a few bytes, with
// what must happen to each: the sound behaviour, not merely no crash.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "image/texture.h"
#include "io/open.h"
#include "io/readers.h"
#include "scene/compile_prep.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {

// Opens `text` as a document in `dir`; the scene, or null when refused.
std::unique_ptr<SCENE3D> open_text(const ScratchDir& dir, const std::string& name, const std::string& text)
{
    write_whole_file(dir.file(name), text);
    std::unique_ptr<SCENE3D> scene;
    if (!open_document(dir.file(name), scene, FinishFn())) scene.reset();
    current_scene() = nullptr;
    return scene;
}

} // namespace

// An index naming vertices that do not exist (here none at all, then one
// beyond the three given): the binary save wrote it as it was, and the file
// it wrote was refused when opened again.
TEST(FuzzRegressions, FacesNamingMissingVerticesSaveToAFileThatReopens)
{
    struct Case {
        const char* text;
        std::vector<int32_t> index_back;
    };
    const Case cases[] = {
        {"#VRML V1.0 ascii\nSeparator {\n IndexedFaceSet { coordIndex [0,1,2,3,-1] }\n}\n", {}},
        {"#VRML V1.0 ascii\nSeparator {\n Coordinate3 { point [0 0 0, 1 0 0, 1 1 0] }\n"
         " IndexedFaceSet { coordIndex [0,1,2,3,-1] }\n}\n",
         {0, 1, 2, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScratchDir dir;
        RecordingReporter rec;
        auto scene = open_text(dir, "in.wrl", c.text);
        ASSERT_TRUE(scene);
        ASSERT_EQ(scene->nbobjects, 1);
        prepare_scene_for_compile(*scene);
        ASSERT_EQ(save_binary(dir.file("out.wrb").c_str(), *scene), 1);
        SCENE3D back;
        ASSERT_EQ(load_binary(dir.file("out.wrb").c_str(), back), 1)
            << (rec.boxes.empty() ? "" : rec.boxes.back().text);
        ASSERT_EQ(back.nbobjects, 1);
        const OBJECT3D& o = *back.m_objects[0];
        EXPECT_EQ(std::vector<int32_t>(o.m_index, o.m_index + o.nbindex), c.index_back);
        EXPECT_EQ(o.nbface, c.index_back.empty() ? 0 : 1);
    }
}

// A glTF binary header before a word another format's reader looks for:
// the glTF reader declined it and the library then gave it to that reader,
// which read past the end of the bytes. Only the readers of the format the
// file shows are offered it now; it is refused with a message.
TEST(FuzzRegressions, FilesAreOfferedOnlyToTheReadersOfTheirFormat)
{
    for (const char* name : {"in.glb", "in.wrb"}) {
        SCOPED_TRACE(name);
        ScratchDir dir;
        RecordingReporter rec;
        EXPECT_FALSE(open_text(dir, name, "glTF{indexarray"));
        ASSERT_EQ(rec.boxes.size(), 1u);
        EXPECT_NE(rec.boxes[0].text.find("its content is not of this format"), std::string::npos) << rec.boxes[0].text;
    }
}

// A PLY header declaring its vertices twice: the library read the second
// list into the room it made for the first, writing past its end (seen
// with valgrind; the library is not built with the address checks). It is
// refused before the library reads it.
TEST(FuzzRegressions, PlyElementsDeclaredTwiceAreRefused)
{
    ScratchDir dir;
    RecordingReporter rec;
    const std::string head = "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
                             "property float z\nelement vertex 6\nproperty float x\nproperty float y\n"
                             "property float z\nend_header\n";
    std::string body;
    for (int i = 0; i < 8; ++i) body += "0 0 " + std::to_string(i) + "\n";
    EXPECT_FALSE(open_text(dir, "in.ply", head + body));
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_NE(rec.boxes[0].text.find("declares the element \"vertex\" twice"), std::string::npos) << rec.boxes[0].text;
}

// A name that leads to a pipe or a device: opening blocked (a pipe) or read
// without end (a device). Each is now refused at once like a missing file.
TEST(FuzzRegressions, PipesAndDevicesAreNotReadAsFiles)
{
    ScratchDir dir;
    RecordingReporter rec;
    ASSERT_EQ(mkfifo(dir.file("pipe.wrl").c_str(), 0600), 0);
    std::unique_ptr<SCENE3D> scene;
    EXPECT_FALSE(open_document(dir.file("pipe.wrl"), scene, FinishFn()));
    EXPECT_TRUE(rec.has_box("File not found"));
    EXPECT_FALSE(open_document("/dev/zero", scene, FinishFn()));
    current_scene() = nullptr;

    // Inline and texture names leading to the pipe are skipped.
    ASSERT_EQ(mkfifo(dir.file("pipe.bmp").c_str(), 0600), 0);
    scene = open_text(dir, "scene.wrl",
                      "#VRML V1.0 ascii\n"
                      "Separator { WWWInline { name \"pipe.wrl\" } }\n"
                      "Separator { Texture2 { filename \"pipe.bmp\" }\n"
                      " Coordinate3 { point [0 0 0, 1 0 0, 0 1 0] } IndexedFaceSet { coordIndex [0,1,2,-1] } }\n");
    ASSERT_NE(scene, nullptr);
    EXPECT_TRUE(scene->m_textures.empty());
    CTexture t;
    EXPECT_EQ(t.ReadFile(dir.file("pipe.bmp")), 0);
}

// PROTO instances inside PROTO bodies: a body that names its own PROTO (a
// declaration cut short swallowed the instances after it), and eight
// PROTOs each holding ten instances of the next, which would expand 10^8
// times. Both load in bounded work; the instances left out are reported.
TEST(FuzzRegressions, ProtoInstancesThatMultiplyAreNotExpandedWithoutEnd)
{
    ScratchDir dir;
    RecordingReporter rec;
    const std::string shape = "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                              " coordIndex [ 0 1 2 -1 ] } }\n";
    std::string self = "#VRML V2.0 utf8\nPROTO Bar [ ] { Group { children [ " + shape + " Bar { } ] } }\n";
    for (int i = 0; i < 50; ++i) self += "Bar { }\n";
    auto s = open_text(dir, "self.wrl", self);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->nbobjects, 50);   // one triangle per instance; the inner Bar not expanded
    EXPECT_FALSE(s->m_not_read.empty());

    std::string nested = "#VRML V2.0 utf8\nPROTO P8 [ ] { " + shape + " }\n";
    for (int level = 7; level >= 0; --level) {
        nested += "PROTO P" + std::to_string(level) + " [ ] { Group { children [";
        for (int k = 0; k < 10; ++k) nested += " P" + std::to_string(level + 1) + " { }";
        nested += " ] } }\n";
    }
    nested += "P0 { }\n";
    s = open_text(dir, "nested.wrl", nested);
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->m_not_read.empty());
}
