// Saving over an existing file: every writer of the program goes through
// the one safe road, and a failure at any step leaves the old file as it
// was and nothing else in its folder.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "image/texture.h"
#include "io/readers.h"
#include "base/safe_write.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
using Step = safe_write_faults::Step;

struct FaultReset {
    ~FaultReset() { safe_write_faults::reset(); }
};

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

SCENE3D& one_triangle()
{
    static SCENE3D s;
    if (s.nbobjects == 0) {
        auto* o = new OBJECT3D();
        o->m_name = "Tri";
        o->nbpts = 3;
        o->m_vertices = new Vec3[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        o->nbindex = 4;
        o->nbface = 1;
        o->m_index = new int32_t[4]{0, 1, 2, -1};
        s.add_object(o);
    }
    return s;
}

// Each writer of the program, saving to `path`.
struct Writer {
    const char* name;
    const char* file;
    std::function<int(const std::string&)> save;
};

CTexture& picture(int w, int h)
{
    static CTexture t;
    if (t.width != w || t.height != h) {
        t.Alloc(w, h, 24);
        for (uint32_t i = 0; i < t.widthbyte32 * (uint32_t)h; ++i) t.data[i] = (unsigned char)(i * 7);
    }
    return t;
}

const Writer k_writers[] = {
    {"binary scene", "scene.wrb", [](const std::string& p) { return save_binary(p.c_str(), one_triangle()); }},
    {"scene dump", "vrml.out", [](const std::string& p) { return dump_scene(one_triangle(), p.c_str()); }},
    {"BMP image", "snap.bmp", [](const std::string& p) { return picture(300, 200).SaveFile(p); }},
    {"RAW image", "pict.raw", [](const std::string& p) { return picture(300, 200).SaveFile(p); }},
};
} // namespace

TEST(SafeWrite, EveryWriterReplacesTheFileAndLeavesNothingBeside)
{
    for (const Writer& w : k_writers) {
        SCOPED_TRACE(w.name);
        ScratchDir dir;
        RecordingReporter rec;
        write_whole_file(w.file, "old");
        ASSERT_EQ(w.save(w.file), 1);
        EXPECT_NE(read_whole_file(w.file), "old");
        EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{w.file});
        EXPECT_TRUE(rec.boxes.empty());
    }
}

TEST(SafeWrite, AFailureAtAnyStepKeepsTheOldFileByteForByte)
{
    const std::string old = std::string("previous content \0\xff", 19) + std::string(5000, 'x');
    struct Fault {
        Step step;
        int nth;
        int error;
        const char* said;
    } faults[] = {
        {Step::Create, 1, EACCES, "no permission to create a file in the folder "},
        {Step::Write, 1, ENOSPC, "writing in the folder "},
        {Step::Write, 2, ENOSPC, "No space left on device"},   // after bytes already went out
        {Step::Sync, 1, EIO, "flushing to the disk in the folder "},
        {Step::Close, 1, EDQUOT, "closing the new file in the folder "},
        {Step::Rename, 1, EXDEV, "replacing "},
    };
    for (const Writer& w : k_writers) {
        for (const Fault& f : faults) {
            SCOPED_TRACE(std::string(w.name) + ", step " + std::to_string((int)f.step) + " #" +
                         std::to_string(f.nth));
            ScratchDir dir;
            RecordingReporter rec;
            FaultReset reset;
            write_whole_file(w.file, old);
            ::chmod(w.file, 0640);
            // The pixel blocks (180 KB) go out in several writes, the small
            // scene in one.
            const bool image = std::string(w.name).find("image") != std::string::npos;
            if (f.nth == 2 && !image) continue;
            safe_write_faults::fail(f.step, f.nth, f.error);
            EXPECT_EQ(w.save(w.file), 0);
            EXPECT_EQ(read_whole_file(w.file), old);
            EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{w.file});
            struct stat st;
            ASSERT_EQ(::stat(w.file, &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0640u);
            ASSERT_EQ(rec.boxes.size(), 1u);
            EXPECT_NE(rec.boxes[0].text.find(f.said), std::string::npos) << rec.boxes[0].text;
            EXPECT_NE(rec.boxes[0].text.find(dir.path()), std::string::npos) << rec.boxes[0].text;
            if (f.step != Step::Create) {
                EXPECT_NE(rec.boxes[0].text.find(std::string("The file ") + w.file + " is unchanged."),
                          std::string::npos);
            }
        }
    }
}

TEST(SafeWrite, AFileSizeLimitCutsTheWriteShortAndTheOldFileStays)
{
    // The kernel itself refuses the bytes past the limit: a short write,
    // then an error, as on a full disk.
    ScratchDir dir;
    RecordingReporter rec;
    write_whole_file("snap.bmp", "old picture");
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int r = picture(300, 200).SaveFile("snap.bmp");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(read_whole_file("snap.bmp"), "old picture");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"snap.bmp"});
    EXPECT_TRUE(rec.has_box_containing("Error during writing image\nwriting in the folder "));
    EXPECT_TRUE(rec.has_box_containing("File too large. The file snap.bmp is unchanged."));
}

TEST(SafeWrite, LinksAreFollowedFoldersRefusedAndALongerRawFileKeepsItsEnd)
{
    ScratchDir dir;
    RecordingReporter rec;
    std::filesystem::create_directory("real");
    write_whole_file("real/scene.wrb", "old");
    std::filesystem::create_symlink("real/scene.wrb", "link.wrb");
    ASSERT_EQ(save_binary("link.wrb", one_triangle()), 1);
    EXPECT_TRUE(std::filesystem::is_symlink("link.wrb"));
    EXPECT_EQ(read_whole_file("real/scene.wrb").size(), 4u + 20 + 64 + 36 + 16);

    EXPECT_EQ(save_binary("real", one_triangle()), 0);
    EXPECT_TRUE(rec.has_box("Cannot write real\nreal is a folder."));

    CTexture t;
    ASSERT_EQ(t.Alloc(2, 2, 24), 1);   // 12 bytes written
    std::fill(t.data, t.data + 16, (unsigned char)'a');
    write_whole_file("p.raw", std::string(20, 'z'));
    ASSERT_EQ(t.SaveFile("p.raw"), 1);
    EXPECT_EQ(read_whole_file("p.raw"), std::string(12, 'a') + std::string(8, 'z'));
}
