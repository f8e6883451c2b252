// Scripts of menu commands on the command line, run as separate processes
// without a display server, as batch users run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/recorder.h"

namespace {
struct ProcRun {
    int rc = -1;
    std::string out, err;
};

ProcRun quorvel(const std::string& args, const ScratchDir& dir)
{
    std::string cmd = std::string("env -u DISPLAY -u WAYLAND_DISPLAY '") + QV_QUORVEL_EXE + "' " + args + " >'" +
                      dir.file("stdout") + "' 2>'" + dir.file("stderr") + "'";
    int rc = std::system(cmd.c_str());
    ProcRun r;
    r.rc = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read_whole_file(dir.file("stdout"));
    r.err = read_whole_file(dir.file("stderr"));
    return r;
}

std::string sample(const char* name) { return "'" + source_path(std::string("samples/") + name) + "'"; }
} // namespace

TEST(CliScript, DumpsAsTheDumpModeAndAfterCenter)
{
    ScratchDir dir;
    ASSERT_EQ(quorvel("--dump " + sample("house.wrl"), dir).rc, 0);
    const std::string plain = read_whole_file(dir.file("vrml.out"));
    ProcRun r = quorvel(sample("house.wrl") + " --command 32839", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(read_whole_file(dir.file("vrml.out")), plain);
    r = quorvel("--command 32775 " + sample("house.wrl") + " --command 40007", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    const std::string centred = read_whole_file(dir.file("vrml.out"));
    EXPECT_NE(centred, plain);
    EXPECT_EQ(centred.substr(0, 30), plain.substr(0, 30));
}

TEST(CliScript, SnapshotsOfCommandsAndThroughSaveAsBmp)
{
    ScratchDir dir;
    ASSERT_EQ(quorvel("--snapshot old.bmp --size 320x240 " + sample("house.wrl"), dir).rc, 0);
    ProcRun r = quorvel(sample("house.wrl") + " --size 320x240 --file menu.bmp --command 32796", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(read_whole_file(dir.file("menu.bmp")), read_whole_file(dir.file("old.bmp")));
    // The new form of the snapshot alone gives the same picture.
    ASSERT_EQ(quorvel(sample("house.wrl") + " --snapshot new.bmp --size 320x240", dir).rc, 0);
    EXPECT_EQ(read_whole_file(dir.file("new.bmp")), read_whole_file(dir.file("old.bmp")));

    r = quorvel(sample("house.wrl") + " --size 320x240 --command 32780 --snapshot wire.bmp", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    const std::string wire = read_whole_file(dir.file("wire.bmp"));
    EXPECT_EQ(wire.size(), read_whole_file(dir.file("old.bmp")).size());
    EXPECT_NE(wire, read_whole_file(dir.file("old.bmp")));

    // A new scene with a generated mesh, its dump here.
    r = quorvel("--command 32809 --snapshot mesh.bmp", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(read_whole_file(dir.file("vrml.out")).find("nbpts      :     10000"), std::string::npos);
}

TEST(CliScript, SaveAsWritesTheBinarySceneOnlyWhenAnswered)
{
    ScratchDir dir;
    ProcRun r = quorvel(sample("house.wrl") + " --command 57604 --file out.wrb --command 57604", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    r = quorvel("--info out.wrb", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("objects: 6"), std::string::npos) << r.out;
}

TEST(CliScript, InfoTellsTextObjectsFromTheRest)
{
    ScratchDir dir;
    write_whole_file(dir.file("t.wrl"), "#VRML V2.0 utf8\nShape { geometry Text { string \"Hi\" } }\n"
                                        "Shape { geometry Box { } }\n");
    ProcRun r = quorvel("--info t.wrl", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    size_t first = r.out.find("  0 \""), second = r.out.find("  1 \"");
    ASSERT_NE(second, std::string::npos) << r.out;
    std::string text = r.out.substr(first, second - first), box = r.out.substr(second);
    EXPECT_NE(text.find(", text\n"), std::string::npos) << r.out;
    EXPECT_EQ(box.find(", text\n"), std::string::npos) << r.out;   // not ", texture vertices"
    EXPECT_NE(box.find("faces 6, indices 30"), std::string::npos) << r.out;
}

TEST(CliScript, MistakesAreRefusedBeforeAnythingRuns)
{
    const char* cases[] = {
        "--command 32839 --command 12345",   // unknown id, after a dump that must not run
        "--command 32839 --command dump",
        "--command 32839 --file x.bmp",      // an answer no command asks for
        "--command 32839 --bogus",
        "--command 32839 --size 0x10",
    };
    for (const char* args : cases) {
        ScratchDir dir;
        ProcRun r = quorvel(sample("house.wrl") + " " + args, dir);
        EXPECT_NE(r.rc, 0) << args;
        EXPECT_FALSE(r.err.empty()) << args;
        EXPECT_FALSE(std::filesystem::exists(dir.file("vrml.out"))) << args;
    }
    ScratchDir dir;
    ProcRun r = quorvel("'" + dir.file("absent.wrl") + "' --command 32839", dir);
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("File not found"), std::string::npos) << r.err;

    r = quorvel("--help", dir);
    EXPECT_NE(r.out.find("--command ID"), std::string::npos);
}

namespace {
// Mean column of the red pixels of a 24-bit BMP, or -1 without any.
double red_centre_x(const std::string& bmp)
{
    if (bmp.size() < 54) return -1;
    auto u32 = [&](size_t at) {
        return (uint32_t)(uint8_t)bmp[at] | (uint32_t)(uint8_t)bmp[at + 1] << 8 | (uint32_t)(uint8_t)bmp[at + 2] << 16 |
               (uint32_t)(uint8_t)bmp[at + 3] << 24;
    };
    const uint32_t offset = u32(10), w = u32(18), h = u32(22);
    const size_t row = (w * 3 + 3) / 4 * 4;
    double sum = 0;
    long n = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const size_t at = offset + y * row + x * 3;
            if (at + 2 >= bmp.size()) return -1;
            const uint8_t b = (uint8_t)bmp[at], g = (uint8_t)bmp[at + 1], r = (uint8_t)bmp[at + 2];
            if (r > 100 && g < 60 && b < 60) {
                sum += x;
                ++n;
            }
        }
    return n ? sum / n : -1;
}
} // namespace

TEST(CliScript, FirstStereoViewMovesThePictureLeft)
{
    ScratchDir dir;
    write_whole_file(dir.file("red_quad.wrl"), "#VRML V2.0 utf8\n"
                                               "Shape { appearance Appearance { material Material {\n"
                                               "  diffuseColor 1 0 0 emissiveColor 1 0 0 } }\n"
                                               "  geometry IndexedFaceSet { solid FALSE\n"
                                               "    coord Coordinate { point [ -2 -2 0, 2 -2 0, 2 2 0, -2 2 0 ] }\n"
                                               "    coordIndex [ 0, 1, 2, 3, -1 ] } }\n");
    const std::string quad = "'" + dir.file("red_quad.wrl") + "'";
    ASSERT_EQ(quorvel(quad + " --size 200x200 --snapshot plain.bmp", dir).rc, 0);
    ProcRun r = quorvel(quad + " --size 200x200 --command 32886 --snapshot stereo.bmp", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    r = quorvel(quad + " --size 200x200 --command 32886 --command 32886 --snapshot back.bmp", dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    const double plain = red_centre_x(read_whole_file(dir.file("plain.bmp")));
    const double stereo = red_centre_x(read_whole_file(dir.file("stereo.bmp")));
    const double back = red_centre_x(read_whole_file(dir.file("back.bmp")));
    ASSERT_GT(plain, 90);
    ASSERT_LT(plain, 110);
    // The camera's x goes down by 2 units: about 24 pixels at 20 units away
    // with a 45 degree field across 200 pixels.
    EXPECT_LT(stereo, plain - 15) << stereo << " vs " << plain;
    EXPECT_NEAR(back, plain, 1.0);
}
