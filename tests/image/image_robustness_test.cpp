// Damaged files: every truncation point and seeded random byte mutations of
// a BMP, a JPEG and a lumi header. Each read must either refuse cleanly
// (0, empty image) or give a consistent image.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "image/lumi.h"
#include "image/texture.h"
#include "image_test_util.h"
#include "support/recorder.h"

using namespace imgtest;

namespace {

void check_read(const std::string& file, const Bytes& bytes)
{
    write_whole_file(file, bytes);
    CTexture t;
    int ok = t.ReadFile(file);
    if (ok) {
        ASSERT_TRUE(t.IsValid()) << file;
        ASSERT_GT(t.width, 0);
        ASSERT_GT(t.height, 0);
        ASSERT_GE((unsigned long long)t.widthbyte32 * 8, (unsigned long long)t.width * t.depth);
        // Touch every byte of the block as the display and GL would.
        unsigned sum = 0;
        for (size_t i = 0; i < (size_t)t.widthbyte32 * t.height; ++i) sum += t.data[i];
        (void)sum;
        t.FlipVertical();
        if (t.depth == 24) t.AddAlphaLayer(128);
    } else {
        ASSERT_EQ(t.data, nullptr) << file;
        ASSERT_EQ(t.lumi, nullptr) << file;
    }
}

void truncations_and_mutations(const std::string& file, const Bytes& good, int mutations,
                               size_t mutate_prefix)
{
    for (size_t n = 0; n < good.size(); ++n) {
        check_read(file, good.substr(0, n));
        if (::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << "truncated at " << n;
            return;
        }
    }
    std::mt19937 rng(12345);
    const size_t span = std::min(mutate_prefix, good.size());
    for (int i = 0; i < mutations; ++i) {
        Bytes b = good;
        int count = 1 + (int)(rng() % 4);
        for (int k = 0; k < count; ++k) {
            size_t at = rng() % span;
            switch (rng() % 3) {
            case 0: b[at] = (char)(rng() & 0xff); break;
            case 1: b[at] = (char)(b[at] ^ (1 << (rng() % 8))); break;
            default: b[at] = (char)(rng() % 2 ? 0xff : 0x00); break;
            }
        }
        check_read(file, b);
        if (::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << "mutation " << i;
            return;
        }
    }
}

} // namespace

TEST(ImageRobustness, DamagedBmp)
{
    RecordingReporter rec;
    ScratchDir dir;
    truncations_and_mutations("d.bmp", make_bmp(5, 3, pattern), 3000, 54);
}

TEST(ImageRobustness, DamagedJpeg)
{
    RecordingReporter rec;
    ScratchDir dir;
    Bytes j = make_jpeg(5, 6, 3, [](int x, int y, unsigned char* p) {
        p[0] = (unsigned char)(x * 40);
        p[1] = (unsigned char)(y * 30);
        p[2] = 77;
    }, 90);
    // libjpeg's warnings on corrupt data go to stderr; silence them here.
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int null_fd = ::open("/dev/null", O_WRONLY);
    if (null_fd >= 0) ::dup2(null_fd, 2);
    truncations_and_mutations("d.jpg", j, 3000, j.size());
    Bytes g = make_jpeg(9, 2, 1, [](int x, int, unsigned char* p) { p[0] = (unsigned char)(x * 20); });
    truncations_and_mutations("g.jpg", g, 1000, g.size());
    std::fflush(stderr);
    if (saved >= 0) ::dup2(saved, 2);
    if (saved >= 0) ::close(saved);
    if (null_fd >= 0) ::close(null_fd);
}

TEST(ImageRobustness, DamagedLumiHeader)
{
    RecordingReporter rec;
    ScratchDir dir;
    Bytes l = make_lumi('A', 16, 8, 2, false, [](int f, int x, int y) { return (unsigned char)(f + x + y); });
    write_whole_file("d.chro", make_chro(16, 8, 1, [](int, int i) { return (unsigned char)(i * 3); }));
    truncations_and_mutations("d.lumi", l, 3000, 720);
    Bytes b = make_lumi('B', 600, 1, 1, true, [](int, int x, int) { return (unsigned char)x; });
    truncations_and_mutations("e.lumi", b, 1000, 720);
}
