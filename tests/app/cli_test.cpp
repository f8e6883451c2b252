// The command-line modes --info, --dump and --snapshot, run as separate
// processes, as users script them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/recorder.h"

namespace {
struct ProcessResult {
    int rc = -1;
    std::string out, err;
};

// `env` prefixes the program ("env -u DISPLAY ", or "").
ProcessResult run_quorvel_env(const std::string& env, const std::string& args, const ScratchDir& dir)
{
    std::string cmd = env + "'" + QV_QUORVEL_EXE + "' " + args + " >'" + dir.file("stdout") + "' 2>'" +
                      dir.file("stderr") + "'";
    int rc = std::system(cmd.c_str());
    ProcessResult r;
    r.rc = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read_whole_file(dir.file("stdout"));
    r.err = read_whole_file(dir.file("stderr"));
    return r;
}

ProcessResult run_quorvel(const std::string& args, const ScratchDir& dir) { return run_quorvel_env("", args, dir); }

std::string q(const std::string& rel) { return "'" + source_path(rel) + "'"; }
} // namespace

TEST(CliInfo, SummariesOfEachKindOfFile)
{
    ScratchDir dir;
    // The binary scene written from the house reads back with the same counts.
    ASSERT_EQ(run_quorvel("--save-binary '" + dir.file("h.wrb") + "' " + q("samples/house.wrl"), dir).rc, 0);
    const std::pair<std::string, std::vector<const char*>> cases[] = {
        {q("samples/house.wrl"),
         {"objects: 6 (points 24, faces 10, indices 48)", "\"Ground\": points 4, faces 1, indices 5", "viewpoint"}},
        {"'" + dir.file("h.wrb") + "'", {"objects: 6 (points 24, faces 10, indices 48)"}},
        {q("samples/levels.lod"), {"level-of-detail set: 2 levels", "level 0: from -1000 to 50"}},
        {q("samples/cube.x"), {"points 8, faces 6, indices 30"}},
    };
    for (const auto& [file, wanted] : cases) {
        ProcessResult r = run_quorvel("--info " + file, dir);
        ASSERT_EQ(r.rc, 0) << r.err;
        for (const char* w : wanted) EXPECT_NE(r.out.find(w), std::string::npos) << w << "\n" << r.out;
    }
    // A light that is off says so; one that shines says nothing more.
    write_whole_file(dir.file("lamps.wrl"), "#VRML V2.0 utf8\nPointLight { on FALSE }\nSpotLight { }\n"
                                            "Shape { geometry Box { } }\n");
    ProcessResult lamps = run_quorvel("--info '" + dir.file("lamps.wrl") + "'", dir);
    ASSERT_EQ(lamps.rc, 0) << lamps.err;
    EXPECT_NE(lamps.out.find("0 PointLight: intensity 1, color 1 1 1, off\n"), std::string::npos) << lamps.out;
    EXPECT_NE(lamps.out.find("1 SpotLight: intensity 1, color 1 1 1\n"), std::string::npos) << lamps.out;
}

TEST(CliInfo, RefusedFilesExitNonZeroWithTheMessage)
{
    ScratchDir dir;
    write_whole_file(dir.file("notvrml.wrl"), "hello world\n");
    write_whole_file(dir.file("v15.wrl"), "#VRML V1.5 ascii\n");
    write_whole_file(dir.file("junk.wrb"), "not a binary scene at all");
    const std::pair<const char*, const char*> cases[] = {{"notvrml.wrl", "is not a vrml one"},
                                                         {"v15.wrl", "Invalid vrml version"},
                                                         {"absent.wrl", "File not found"},
                                                         {"junk.wrb", "Invalid binary scene file"}};
    for (const auto& [file, message] : cases) {
        ProcessResult r = run_quorvel("--info '" + dir.file(file) + "'", dir);
        EXPECT_EQ(r.rc, 1) << file;
        EXPECT_EQ(r.out, "") << file;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }

    EXPECT_EQ(run_quorvel("--info", dir).rc, 1);   // a wrong command line opens nothing
}

TEST(CliInfo, ProgressMayStandAnywhereAndQuickLoadsPrintNoProgress)
{
    ScratchDir dir;
    ProcessResult plain = run_quorvel("--info " + q("samples/house.wrl"), dir);
    ASSERT_EQ(plain.rc, 0);
    for (const std::string& args :
         {"--progress --info " + q("samples/house.wrl"), "--info " + q("samples/house.wrl") + " --progress"}) {
        ProcessResult r = run_quorvel(args, dir);
        EXPECT_EQ(r.rc, 0) << args;
        EXPECT_EQ(r.out, plain.out) << args;
        EXPECT_EQ(r.err, "") << args;
    }
}

TEST(CliDump, WritesVrmlOutInTheCurrentFolder)
{
    ScratchDir dir;
    ProcessResult r = run_quorvel("--dump " + q("samples/markers_v1.wrl"), dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string dump = read_whole_file(dir.file("vrml.out"));
    EXPECT_EQ(dump.rfind("AFFICHAGE DE L'OBJET: Pyramid\n", 0), 0u) << dump.substr(0, 80);
    // Lit objects are dumped with the normals that compiling builds.
    EXPECT_NE(dump.find("Normales per Vertex\n"), std::string::npos);
}

TEST(CliSnapshot, WritesABmpOfTheRequestedSize)
{
    ScratchDir dir;
    ProcessResult r = run_quorvel("--snapshot '" + dir.file("s.bmp") + "' --size 301x200 " + q("samples/levels.lod"), dir);
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string bmp = read_whole_file(dir.file("s.bmp"));
    ASSERT_EQ(bmp.size(), 54u + 904u * 200u);   // rows of 301 * 3 bytes padded to 904
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    // The nearer level is drawn: something other than the background in the middle.
    size_t mid = 54 + 100 * 904 + 150 * 3;
    EXPECT_NE(bmp.substr(mid, 3), bmp.substr(54, 3));

    r = run_quorvel("--snapshot '" + dir.file("t.bmp") + "' '" + dir.file("absent.wrl") + "'", dir);
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("snapshot failed"), std::string::npos);
    EXPECT_EQ(run_quorvel("--snapshot '" + dir.file("t.bmp") + "' --size 0x5 " + q("samples/house.wrl"), dir).rc, 1);
}

TEST(CliExitStatus, WholeFileReportedFileAndNothingRead)
{
    ScratchDir dir;
    std::string house = read_whole_file(source_path("samples/house.wrl"));
    write_whole_file(dir.file("cut.wrl"), house.substr(0, house.rfind("}", house.size() - 3)));
    struct Case {
        std::string args;
        int rc;
        const char* err;   // a part of stderr, or "" for nothing at all
    } cases[] = {
        {"--info " + q("samples/house.wrl"), 0, ""},
        {"--info '" + dir.file("cut.wrl") + "'", 2, "the file may be cut short"},
        {"--info '" + dir.file("absent.wrl") + "'", 1, "File not found"},
        {"--dump '" + dir.file("cut.wrl") + "'", 2, "the file may be cut short"},
        {"--save-binary '" + dir.file("cut.wrb") + "' '" + dir.file("cut.wrl") + "'", 2, "the file may be cut short"},
        {"--save-binary '" + dir.file("no/dir.wrb") + "' " + q("samples/house.wrl"), 1, "does not exist"},
        {"--snapshot '" + dir.file("cut.bmp") + "' --size 40x30 '" + dir.file("cut.wrl") + "'", 2, "cut short"},
    };
    for (const Case& c : cases) {
        ProcessResult r = run_quorvel(c.args, dir);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.err;
        if (*c.err) EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        else EXPECT_EQ(r.err, "") << c.args;
    }
    // What the reported loads wrote is there.
    EXPECT_GT(read_whole_file(dir.file("cut.wrb")).size(), 4u);
    EXPECT_GT(read_whole_file(dir.file("vrml.out")).size(), 0u);
    EXPECT_EQ(read_whole_file(dir.file("cut.bmp")).size(), 54u + 120u * 30u);
    // The help says what the statuses mean.
    EXPECT_NE(run_quorvel("--help", dir).out.find("2  FILE was read and the output written, but"), std::string::npos);
}

TEST(CliWindowArguments, UnknownOptionsAndExtraFilesAreRefusedBeforeAnyWindow)
{
    ScratchDir dir;
    const std::string house = q("samples/house.wrl");
    for (const std::string& args : {std::string("--bogus"), "--bogus '" + dir.file("a.glb") + "' " + house,
                                   house + " --frobnicate", std::string("-x"), house + " " + house}) {
        // Without a display as well: the refusal comes first.
        ProcessResult r = run_quorvel(args, dir);
        EXPECT_EQ(r.rc, 1) << args;
        EXPECT_NE(r.err.find("usage: quorvel"), std::string::npos) << args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << args;
    }
    EXPECT_TRUE(read_whole_file(dir.file("a.glb")).empty());
    // The help stays on stdout with status 0.
    ProcessResult help = run_quorvel("--help", dir);
    EXPECT_EQ(help.rc, 0);
    EXPECT_NE(help.out.find("usage: quorvel"), std::string::npos);
}

TEST(CliWindowArguments, NoDisplayIsSaidAndTheProgramEnds)
{
    ScratchDir dir;
    const char* message =
        "quorvel: no display: the window needs X11 or Wayland; use --snapshot OUT.bmp FILE to render without one\n";
    // No display named at all, and a display number no server listens on.
    for (const char* env : {"env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ",
                            "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4711 "}) {
        ProcessResult r = run_quorvel_env(env, q("samples/house.wrl"), dir);
        EXPECT_EQ(r.rc, 1) << env << r.err;
        EXPECT_EQ(r.err, message) << env;
        r = run_quorvel_env(env, "", dir);
        EXPECT_EQ(r.rc, 1) << env;
        EXPECT_EQ(r.err, message) << env;
    }
    // The command-line modes need no display.
    ProcessResult info = run_quorvel_env("env -u DISPLAY -u WAYLAND_DISPLAY ", "--info " + q("samples/house.wrl"), dir);
    EXPECT_EQ(info.rc, 0) << info.err;
}
