#include <gtest/gtest.h>

#include <filesystem>

#include "image/texture.h"
#include "base/file_lookup.h"
#include "support/recorder.h"

namespace fs = std::filesystem;

TEST(FileLookup, ExactBackslashAndCaseInsensitiveNames)
{
    ScratchDir dir;
    fs::create_directories("Tex/Sub");
    write_whole_file("Tex/Sub/Stone.bmp", "x");
    write_whole_file("plain.jpg", "x");
    EXPECT_EQ(resolve_path("plain.jpg"), "plain.jpg");
    EXPECT_EQ(resolve_path("Tex\\Sub\\Stone.bmp"), "Tex/Sub/Stone.bmp");
    EXPECT_EQ(resolve_path("tex\\sub\\STONE.BMP"), "Tex/Sub/Stone.bmp");
    EXPECT_EQ(resolve_path("TEX/sub/stone.bmp"), "Tex/Sub/Stone.bmp");
    EXPECT_EQ(resolve_path("./tex//SUB/stone.BMP"), "./Tex/Sub/Stone.bmp");
    EXPECT_EQ(resolve_path(dir.path() + "/TEX/SUB/STONE.BMP"), dir.path() + "/Tex/Sub/Stone.bmp");
    EXPECT_EQ(resolve_path("PLAIN.JPG"), "plain.jpg");
    // Nothing matches: the name comes back unchanged.
    EXPECT_EQ(resolve_path("tex\\sub\\missing.bmp"), "tex\\sub\\missing.bmp");
    EXPECT_EQ(resolve_path("nofolder/plain.jpg"), "nofolder/plain.jpg");
    EXPECT_EQ(resolve_path(""), "");
    // A file name is not a folder.
    EXPECT_EQ(resolve_path("plain.jpg/x"), "plain.jpg/x");
}

TEST(FileLookup, SeveralCaseVariantsPickTheFirstInNameOrder)
{
    ScratchDir dir;
    write_whole_file("a.BMP", "1");
    write_whole_file("a.bmp", "2");
    EXPECT_EQ(resolve_path("A.Bmp"), "a.BMP");
    EXPECT_EQ(resolve_path("a.bmp"), "a.bmp");   // an exact name always wins
}

TEST(FileLookup, TexturesWithPlatformNamesAreRead)
{
    RecordingReporter rec;
    ScratchDir dir;
    fs::create_directories("maps");
    CTexture src;
    ASSERT_EQ(src.Alloc(2, 2, 24), 1);
    for (int i = 0; i < 16; ++i) src.data[i] = (unsigned char)i;
    ASSERT_EQ(src.SaveFile("maps/wall.bmp"), 1);
    CTexture t;
    ASSERT_EQ(t.ReadFile("MAPS\\Wall.BMP"), 1);
    EXPECT_EQ(t.name, "MAPS\\Wall.BMP");   // the name as the scene gave it
    EXPECT_EQ(t.data[4], 4);
}

TEST(FileLookup, NamesFromAnotherMachineAreFoundBesideTheDocument)
{
    ScratchDir dir;
    fs::create_directories("scene/maps");
    write_whole_file("scene/checker8.bmp", "x");
    write_whole_file("scene/maps/Wood.gif", "x");
    write_whole_file("elsewhere.bmp", "x");
    // The path as written wins when it leads somewhere.
    EXPECT_EQ(resolve_beside("scene", "maps/wood.GIF"), "scene/maps/Wood.gif");
    EXPECT_EQ(resolve_beside("scene", dir.path() + "/elsewhere.bmp"), dir.path() + "/elsewhere.bmp");
    // A Windows path, in other letter case, of a picture that lies beside
    // the document.
    EXPECT_EQ(resolve_beside("scene", "C:\\Models\\Textures\\Checker8.BMP"), "scene/checker8.bmp");
    EXPECT_EQ(resolve_beside("scene", "C:\\Models\\Textures\\checker8.bmp"), "scene/checker8.bmp");
    EXPECT_EQ(resolve_beside("scene", "D:/art/CHECKER8.bmp"), "scene/checker8.bmp");
    EXPECT_EQ(resolve_beside("scene", "/home/someone/Wood.gif"), "/home/someone/Wood.gif");   // not beside: no match
    EXPECT_EQ(resolve_beside("", "C:\\x\\ELSEWHERE.BMP"), "elsewhere.bmp");   // the current folder
    // Nothing of that name: the joined name unchanged.
    EXPECT_EQ(resolve_beside("scene", "C:\\x\\missing.bmp"), "scene/C:\\x\\missing.bmp");
    EXPECT_EQ(resolve_beside("scene", "dir\\"), "scene/dir\\");
    EXPECT_EQ(resolve_beside("scene", ""), "");
}

// Real files from other tools; their texture names differ from the stored
// files in case only.
TEST(FileLookup, CorpusTextureNames)
{
    const std::string root = source_path("../shared/corpus/blitz-research-blitz3d/samples");
    if (!fs::exists(root)) GTEST_SKIP() << "corpus folder absent: test not run";
    RecordingReporter rec;
    struct Case {
        const char* asked;
        const char* found;
    } cases[] = {
        {"si/fps/stone_yellow1.BMP", "si/fps/stone_yellow1.bmp"},
        {"halo/Lightmap/LIGHTMAP.BMP", "halo/Lightmap/lightmap.bmp"},
        {"mak/anim/makbot/PANELS.JPG", "mak/anim/makbot/Panels.jpg"},
        {"mak\\anim\\makbot\\DKSHINE.JPG", "mak/anim/makbot/dkshine.jpg"},
    };
    for (auto& c : cases) EXPECT_EQ(resolve_path(root + "/" + c.asked), root + "/" + c.found);
    CTexture bmp, jpg;
    ASSERT_EQ(bmp.ReadFile(root + "/halo/Lightmap/LIGHTMAP.BMP"), 1);
    EXPECT_EQ(bmp.width, 256);
    EXPECT_EQ(bmp.height, 256);
    ASSERT_EQ(jpg.ReadFile(root + "/mak/anim/makbot/PANELS.JPG"), 1);
    EXPECT_GT(jpg.width, 0);
    EXPECT_TRUE(rec.boxes.empty());
}
