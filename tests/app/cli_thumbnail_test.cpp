// The desktop's command lines, run as separate processes as a file manager
// or a user runs them: thumbnails, PNG snapshots, and the manual page
// against --help.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "image/texture.h"
#include "support/recorder.h"

namespace {
struct Outcome {
    int rc = -1;
    std::string out, err;
    double seconds = 0;
};

Outcome quorvel(const std::string& args, const ScratchDir& dir)
{
    const std::string cmd = std::string("'") + QV_QUORVEL_EXE + "' " + args + " >'" + dir.file("stdout") + "' 2>'" +
                            dir.file("stderr") + "'";
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = std::system(cmd.c_str());
    Outcome r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.rc = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read_whole_file(dir.file("stdout"));
    r.err = read_whole_file(dir.file("stderr"));
    return r;
}

std::string q(const std::string& path) { return "'" + path + "'"; }

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// What a file manager wants of a thumbnail: SIZE x SIZE with alpha, a
// transparent border and something opaque. Returns the opaque pixels' box
// (x0, y0, x1, y1 in picture lines, top first) through `box`.
void expect_thumbnail(const std::string& png, int size, int box[4])
{
    RecordingReporter rec;
    CTexture t;
    ASSERT_EQ(t.ReadFile(png), 1) << png;
    ASSERT_EQ(t.depth, 32) << png;
    ASSERT_EQ(t.width, size);
    ASSERT_EQ(t.height, size);
    box[0] = box[1] = size;
    box[2] = box[3] = -1;
    int opaque = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const unsigned char a = t.data[(size_t)(size - 1 - y) * t.widthbyte32 + (size_t)x * 4 + 3];
            if (a != 255) continue;
            ++opaque;
            box[0] = std::min(box[0], x);
            box[1] = std::min(box[1], y);
            box[2] = std::max(box[2], x);
            box[3] = std::max(box[3], y);
        }
    EXPECT_GT(opaque, 0) << png;
    EXPECT_EQ(t.data[3], 0) << png << ": a corner is transparent";
}

std::string gzip(const std::string& bytes)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, bytes.size()) + 32, '\0');
    z.next_in = (Bytef*)bytes.data();
    z.avail_in = (uInt)bytes.size();
    z.next_out = (Bytef*)out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}
} // namespace

TEST(CliThumbnail, FramesEveryKindOfSceneOnATransparentSquare)
{
    ScratchDir dir;
    const std::string house = read_whole_file(source_path("samples/house.wrl"));
    write_whole_file(dir.file("house.wrl.gz"), gzip(house));
    // The view points away from the house and stands far from it: the
    // thumbnail frames the whole scene all the same.
    std::string away = house;
    const size_t header_end = away.find('\n') + 1;
    away.insert(header_end, "Viewpoint { position 5000 9000 -7000 orientation 0 1 0 3.1 }\n");
    write_whole_file(dir.file("away.wrl"), away);
    const std::string files[] = {source_path("samples/house.wrl"), dir.file("house.wrl.gz"), dir.file("away.wrl"),
                                 source_path("samples/cube.x"),      source_path("samples/house.wrb"),
                                 source_path("samples/building.ign"), source_path("samples/terrain.igz"),
                                 source_path("samples/levels.lod")};
    for (const std::string& f : files) {
        const std::string out = dir.file("t.png");
        std::remove(out.c_str());
        Outcome r = quorvel("--thumbnail " + q(f) + " " + q(out) + " 128", dir);
        ASSERT_EQ(r.rc, 0) << f << "\n" << r.err;
        EXPECT_EQ(r.out, "") << f;
        int box[4];
        expect_thumbnail(out, 128, box);
        if (f.find(".lod") != std::string::npos) continue;
        // Framed: the scene spans most of the picture one way or the other.
        EXPECT_GT(std::max(box[2] - box[0], box[3] - box[1]), 128 * 6 / 10) << f;
    }
}

TEST(CliThumbnail, DamagedOrHostileFilesGiveNoPictureAndAFailure)
{
    ScratchDir dir;
    const std::string house = read_whole_file(source_path("samples/house.wrl"));
    write_whole_file(dir.file("cut.wrl"), house.substr(0, house.size() / 2));
    write_whole_file(dir.file("cut.wrl.gz"), gzip(house).substr(0, 60));
    write_whole_file(dir.file("empty.wrl"), "#VRML V2.0 utf8\n");
    write_whole_file(dir.file("junk.x"), "not a scene");
    // A gzip member whose trailer says it inflates to 4 GiB - 1: refused by
    // its size, before anything is read.
    std::string bomb = gzip(house);
    bomb.replace(bomb.size() - 4, 4, "\xff\xff\xff\xff");
    write_whole_file(dir.file("big.wrl.gz"), bomb);
    ASSERT_EQ(mkfifo(dir.file("fifo.wrl").c_str(), 0600), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"cut.wrl", "cut short"},          {"cut.wrl.gz", "no thumbnail"}, {"empty.wrl", "nothing to show"},
        {"junk.x", "no thumbnail"},        {"big.wrl.gz", "too long to read"},
        {"fifo.wrl", "not a regular file"}, {"absent.wrl", "No such file"}};
    for (const auto& [name, why] : cases) {
        write_whole_file(dir.file("old.png"), "previous");
        Outcome r = quorvel("--thumbnail " + q(dir.file(name)) + " " + q(dir.file("new.png")) + " 256", dir);
        EXPECT_EQ(r.rc, 1) << name;
        EXPECT_NE(r.err.find(why), std::string::npos) << name << ": " << r.err;
        EXPECT_FALSE(exists(dir.file("new.png"))) << name;
        EXPECT_LT(r.seconds, 10.0) << name;
        Outcome again = quorvel("--thumbnail " + q(dir.file(name)) + " " + q(dir.file("old.png")) + " 256", dir);
        EXPECT_EQ(again.rc, 1) << name;
        EXPECT_EQ(read_whole_file(dir.file("old.png")), "previous") << name;
    }
    // A damaged file is refused before the drawing context is made: with
    // no GL driver to be found, the cut file is still told cut short (and
    // a whole one says the context failed, else the variable is not heeded
    // here and there is nothing to tell).
    const char* drivers = std::getenv("LIBGL_DRIVERS_PATH");
    const std::string kept = drivers ? drivers : "";
    setenv("LIBGL_DRIVERS_PATH", dir.file("no-drivers").c_str(), 1);
    Outcome cut = quorvel("--thumbnail " + q(dir.file("cut.wrl")) + " " + q(dir.file("new.png")) + " 64", dir);
    Outcome whole = quorvel("--thumbnail " + q(source_path("samples/house.wrl")) + " " + q(dir.file("new.png")) + " 64", dir);
    if (drivers) setenv("LIBGL_DRIVERS_PATH", kept.c_str(), 1);
    else unsetenv("LIBGL_DRIVERS_PATH");
    if (whole.rc != 0) {
        EXPECT_NE(whole.err.find("OpenGL context"), std::string::npos) << whole.err;
        EXPECT_EQ(cut.rc, 1);
        EXPECT_NE(cut.err.find("damaged or cut short"), std::string::npos) << cut.err;
        EXPECT_EQ(cut.err.find("OpenGL"), std::string::npos) << cut.err;
    }
    std::remove(dir.file("new.png").c_str());

    // Wrong command lines.
    for (const char* args : {"--thumbnail", "--thumbnail a.wrl b.png", "--thumbnail a.wrl b.png 0",
                             "--thumbnail a.wrl b.png 5000", "--thumbnail a.wrl b.png 12px",
                             "--thumbnail a.wrl b.png 64 extra"}) {
        Outcome r = quorvel(args, dir);
        EXPECT_EQ(r.rc, 1) << args;
        EXPECT_FALSE(exists(dir.file("b.png"))) << args;
    }
}

TEST(CliThumbnail, MutatedScenesNeverHangAndFailCleanly)
{
    ScratchDir dir;
    const std::string sources[] = {read_whole_file(source_path("samples/house.wrl")),
                                   read_whole_file(source_path("samples/cube.x")),
                                   read_whole_file(source_path("samples/building.ign"))};
    const char* names[] = {"m.wrl", "m.x", "m.ign"};
    std::mt19937 rng(25);
    for (int round = 0; round < 12; ++round) {
        const int k = round % 3;
        std::string bytes = sources[k];
        for (int flips = 0; flips < 8; ++flips) bytes[rng() % bytes.size()] = (char)(rng() % 256);
        if (round % 4 == 3) bytes.resize(rng() % bytes.size());
        write_whole_file(dir.file(names[k]), bytes);
        const std::string out = dir.file("m.png");
        std::remove(out.c_str());
        Outcome r = quorvel("--thumbnail " + q(dir.file(names[k])) + " " + q(out) + " 64", dir);
        EXPECT_LT(r.seconds, 10.0) << "round " << round;
        ASSERT_TRUE(r.rc == 0 || r.rc == 1) << "round " << round << ": status " << r.rc << "\n" << r.err;
        EXPECT_EQ(exists(out), r.rc == 0) << "round " << round;
        if (r.rc == 0) {
            int box[4];
            expect_thumbnail(out, 64, box);
        }
    }
}

TEST(CliSnapshot, PngNamesGetTheSamePixelsAsBmp)
{
    ScratchDir dir;
    Outcome bmp = quorvel("--snapshot " + q(dir.file("s.bmp")) + " --size 40x30 " + q(source_path("samples/house.wrl")), dir);
    Outcome png = quorvel("--snapshot " + q(dir.file("s.PNG")) + " --size 40x30 " + q(source_path("samples/house.wrl")), dir);
    ASSERT_EQ(bmp.rc, 0) << bmp.err;
    ASSERT_EQ(png.rc, 0) << png.err;
    EXPECT_EQ(read_whole_file(dir.file("s.PNG")).substr(1, 3), "PNG");
    RecordingReporter rec;
    CTexture a, b;
    ASSERT_EQ(a.ReadFile(dir.file("s.bmp")), 1);
    ASSERT_EQ(b.ReadFile(dir.file("s.PNG")), 1);
    ASSERT_EQ(b.depth, 24);
    ASSERT_EQ(b.width, 40);
    ASSERT_EQ(b.height, 30);
    EXPECT_EQ(std::string((char*)a.data, (size_t)a.widthbyte32 * 30), std::string((char*)b.data, (size_t)b.widthbyte32 * 30));
}

// --help and the manual page name the same options: each one missing on
// either side is named, with where it is missing.
TEST(CliManual, HelpAndManualPageNameTheSameOptions)
{
    ScratchDir dir;
    Outcome help = quorvel("--help", dir);
    ASSERT_EQ(help.rc, 0);
    std::ifstream man(source_path("desktop/quorvel.1"));
    ASSERT_TRUE(man.good()) << "desktop/quorvel.1";
    std::stringstream text;
    text << man.rdbuf();
    // In the page, dashes are written \-.
    const std::string page = std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");
    auto options = [](const std::string& s) {
        std::set<std::string> found;
        const std::regex option(R"((^|[^A-Za-z0-9-])(--?[a-z][a-z0-9-]*))");
        for (auto it = std::sregex_iterator(s.begin(), s.end(), option); it != std::sregex_iterator(); ++it)
            found.insert((*it)[2]);
        return found;
    };
    const std::set<std::string> in_help = options(help.out), in_page = options(page);
    for (const std::string& o : in_help)
        EXPECT_TRUE(in_page.count(o)) << o << " is in --help but not in the manual page desktop/quorvel.1";
    for (const std::string& o : in_page)
        EXPECT_TRUE(in_help.count(o)) << o << " is in the manual page desktop/quorvel.1 but not in --help";
    for (const char* o : {"--thumbnail", "--snapshot", "--command", "--version"}) EXPECT_TRUE(in_help.count(o)) << o;
}

// The thumbnailer entry covers every type the desktop entry opens, with the
// Exec line file managers substitute; our shared MIME description declares
// each private type the system's database lacks.
TEST(DesktopFiles, ThumbnailerCoversEveryTypeTheDesktopEntryOpens)
{
    auto key = [](const std::string& file, const std::string& name) {
        std::ifstream in(source_path(file));
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
        return std::string();
    };
    auto split = [](const std::string& list) {
        std::set<std::string> out;
        std::stringstream s(list);
        std::string item;
        while (std::getline(s, item, ';'))
            if (!item.empty()) out.insert(item);
        return out;
    };
    const std::set<std::string> opened = split(key("desktop/quorvel.desktop", "MimeType"));
    const std::set<std::string> thumbnailed = split(key("desktop/quorvel.thumbnailer", "MimeType"));
    ASSERT_FALSE(opened.empty());
    for (const std::string& t : opened)
        EXPECT_TRUE(thumbnailed.count(t)) << t << " is opened (desktop/quorvel.desktop) but has no thumbnail";
    for (const std::string& t : thumbnailed)
        EXPECT_TRUE(opened.count(t)) << t << " has thumbnails but is not in desktop/quorvel.desktop";
    EXPECT_EQ(key("desktop/quorvel.thumbnailer", "Exec"), "quorvel --thumbnail %i %o %s");
    EXPECT_EQ(key("desktop/quorvel.thumbnailer", "TryExec"), "quorvel");
    const std::string mime = read_whole_file(source_path("desktop/quorvel-mime.xml"));
    const std::string system = read_whole_file("/usr/share/mime/packages/freedesktop.org.xml");
    for (const std::string& t : opened) {
        if (t.find("x-") == std::string::npos || system.find("type=\"" + t + "\"") != std::string::npos) continue;
        EXPECT_NE(mime.find("type=\"" + t + "\""), std::string::npos) << t << " is not described in desktop/quorvel-mime.xml";
    }
}
