// Compressed scene files: inflated by the loader and read as their text.
#include <gtest/gtest.h>

#include <zlib.h>

#include <memory>
#include <random>
#include <string>

#include "io/lod.h"
#include "io/open.h"
#include "io/scene_loader.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"

namespace {
// One gzip member holding `text`.
std::string gzip(const std::string& text)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = (Bytef*)text.data();
    z.avail_in = (uInt)text.size();
    z.next_out = (Bytef*)out.data();
    z.avail_out = (uInt)out.size();
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The scene dump of a document open of `path`, or "" when refused.
std::string dump_of(const std::string& path, bool by_extension)
{
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    bool ok = by_extension ? open_by_extension(path, scene, lod, nullptr) == OpenResult::Scene
                           : open_document(path, scene, nullptr);
    current_scene() = nullptr;
    if (!ok || !scene) return "";
    EXPECT_EQ(check_scene(*scene), "");
    dump_scene(*scene, "dump.out");
    return read_whole_file("dump.out");
}
} // namespace

TEST(Gzip, EveryCompressedFormOpensAsItsText)
{
    ScratchDir dir;
    RecordingReporter rec;
    for (const char* image : {"ground.bmp", "brick.bmp", "cube.bmp"})
        write_whole_file(image, read_whole_file(source_path(std::string("samples/") + image)));
    const std::string samples[] = {"house.wrl", "separators_v1.wrl", "cube.x", "building.ign", "terrain.igz"};
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        const std::string text = read_whole_file(source_path("samples/" + sample));
        ASSERT_FALSE(text.empty());
        write_whole_file(sample, text);
        const std::string ext = sample.substr(sample.find('.'));
        const std::string z = gzip(text);
        // Two members in a row read as one text.
        const size_t half = text.size() / 2;
        const std::string names[][2] = {
            {"a" + ext + ".gz", z},
            {"b" + ext, z},   // compressed under the plain name
            {"c" + ext + ".gz", gzip(text.substr(0, half)) + gzip(text.substr(half))},
            {"d" + ext + ".gz", z + std::string(7, '\0')},   // padding after the stream
        };
        for (bool by_extension : {false, true}) {
            if (by_extension && ext == ".igz") continue;   // the grid's own extension is tested below
            const std::string want = dump_of(sample, by_extension);
            ASSERT_NE(want, "");
            for (const auto& [name, bytes] : names) {
                write_whole_file(name, bytes);
                EXPECT_EQ(dump_of(name, by_extension), want) << name << (by_extension ? " by extension" : "");
            }
        }
    }
    // The companion script of a compressed scene is the one of its text.
    write_whole_file("house.scr", read_whole_file(source_path("samples/house.scr")));
    write_whole_file("house.wrl.gz", gzip(read_whole_file(source_path("samples/house.wrl"))));
    {
        std::unique_ptr<SCENE3D> scene;
        ASSERT_TRUE(open_document("house.wrl.gz", scene, nullptr));
        EXPECT_NE(scene->m_script, nullptr);
        current_scene() = nullptr;
    }
    write_whole_file("e.wrz", gzip(read_whole_file(source_path("samples/house.wrl"))));
    EXPECT_EQ(dump_of("e.wrz", true), dump_of("house.wrl", true));
    EXPECT_TRUE(rec.boxes.empty()) << rec.boxes[0].text;
}

TEST(Gzip, DamagedTruncatedAndOversizedStreamsAreRefusedCleanly)
{
    ScratchDir dir;
    const std::string text = read_whole_file(source_path("samples/house.wrl"));
    const std::string z = gzip(text);
    std::string flipped = z;
    flipped[z.size() / 2] ^= 0x55;
    std::string bad_crc = z;
    bad_crc[z.size() - 6] ^= 1;
    const struct {
        const char* what;
        std::string bytes;
        size_t limit;
        const char* reason;
    } cases[] = {
        {"cut short", z.substr(0, z.size() / 2), 0, "the compressed data ends too early (the file is cut short)"},
        {"header only", z.substr(0, 10), 0, "the compressed data ends too early"},
        {"byte flipped", flipped, 0, "the compressed data is damaged"},
        {"wrong check", bad_crc, 0, "the compressed data is damaged (incorrect data check)"},
        {"bomb", gzip(std::string(3 << 20, ' ')), 2 << 20, "it inflates to more than 2 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_whole_file("bad.wrl.gz", c.bytes);
        size_t old = c.limit ? set_inflate_limit(c.limit) : 0;
        {
            // Document open: the scene is kept, one message only.
            RecordingReporter rec;
            std::unique_ptr<SCENE3D> scene = std::make_unique<SCENE3D>();
            SCENE3D* before = scene.get();
            EXPECT_FALSE(open_document("bad.wrl.gz", scene, nullptr));
            EXPECT_EQ(scene.get(), before);
            ASSERT_EQ(rec.boxes.size(), 1u);
            EXPECT_EQ(rec.boxes[0].text.rfind("File bad.wrl.gz is a compressed file that cannot be read: ", 0), 0u);
            EXPECT_NE(rec.boxes[0].text.find(c.reason), std::string::npos) << rec.boxes[0].text;
            EXPECT_EQ(scene->nbobjects, 0);
        }
        {
            // File Open: the scene is kept.
            RecordingReporter rec;
            std::unique_ptr<SCENE3D> scene = std::make_unique<SCENE3D>();
            SCENE3D* before = scene.get();
            std::unique_ptr<LODSET> lod;
            EXPECT_EQ(open_by_extension("bad.wrl.gz", scene, lod, nullptr), OpenResult::Failed);
            EXPECT_EQ(scene.get(), before);
            EXPECT_EQ(rec.boxes.size(), 1u);
            EXPECT_FALSE(rec.has_status("NOM INCONNU"));
        }
        if (c.limit) set_inflate_limit(old);
        current_scene() = nullptr;
    }
}

TEST(Gzip, SurvivesEveryTruncationAndRandomMutations)
{
    ScratchDir dir;
    RecordingReporter rec;
    const std::string z = gzip(read_whole_file(source_path("samples/separators_v1.wrl")));
    std::mt19937 rng(77u);
    for (int round = 0; round < (int)z.size() + 400; ++round) {
        std::string b = round < (int)z.size() ? z.substr(0, (size_t)round) : z;
        if (round >= (int)z.size())
            for (int e = 0; e < 3; ++e) b[2 + rng() % (b.size() - 2)] = (char)(rng() & 0xff);
        write_whole_file("m.wrl", b);
        SCENE3D s;
        Scene L;
        if (L.load_buffer("m.wrl", s) && L.read_file(s)) {
            ASSERT_EQ(check_scene(s), "") << round;
        }
    }
}
