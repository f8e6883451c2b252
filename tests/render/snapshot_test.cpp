// Snapshots: the sample scenes render as their checked-in baselines (made
// with `quorvel --snapshot OUT --size 160x120 FILE`), and odd widths give
// valid BMP files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "gl_fixture.h"
#include "image/texture.h"
#include "io/lod.h"
#include "io/open.h"
#include "io/readers.h"
#include "render/snapshot.h"
#include "scene/compile_prep.h"
#include "support/png_write.h"
#include "support/recorder.h"

namespace {
// Counts pixels whose channels differ by more than `tol` in total.
long differing_pixels(const CTexture& a, const CTexture& b, int tol)
{
    long n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned char* p = a.data + (size_t)y * a.widthbyte32 + (size_t)x * 3;
            const unsigned char* q = b.data + (size_t)y * b.widthbyte32 + (size_t)x * 3;
            int d = std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]);
            if (d > tol) ++n;
        }
    return n;
}
} // namespace

class SampleBaseline : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(SampleBaseline, MatchesTheCheckedInImage)
{
    RecordingReporter rec;
    auto [scene, baseline] = GetParam();
    CTexture image;
    std::string error;
    ASSERT_TRUE(snapshot_scene(source_path(std::string("samples/") + scene), 160, 120, k_default_clear_rgb, image,
                               error))
        << error;
    CTexture expected;
    ASSERT_TRUE(expected.ReadFile(source_path(std::string("tests/render/baselines/") + baseline)));
    ASSERT_EQ(expected.width, 160);
    ASSERT_EQ(expected.height, 120);
    EXPECT_LT(differing_pixels(image, expected, 12), 160 * 120 / 200);
    // The scene really drew something.
    long non_background = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            if (image.data[(size_t)y * image.widthbyte32 + (size_t)x * 3] != 239) ++non_background;
    EXPECT_GT(non_background, 20);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleBaseline,
                         ::testing::Values(std::make_pair("house.wrl", "house.bmp"),
                                           std::make_pair("anim.wrl", "anim.bmp"),
                                           std::make_pair("markers_v1.wrl", "markers_v1.bmp"),
                                           std::make_pair("separators_v1.wrl", "separators_v1.bmp"),
                                           std::make_pair("cube.x", "cube_x.bmp")));

TEST(Snapshot, OddWidthGivesAValidBmpOfThatWidth)
{
    RecordingReporter rec;
    ScratchDir dir;
    CTexture image;
    std::string error;
    ASSERT_TRUE(snapshot_scene(source_path("samples/house.wrl"), 301, 37, k_default_clear_rgb, image, error)) << error;
    ASSERT_TRUE(image.SaveFile(dir.file("odd.bmp")));
    std::string bytes = read_whole_file(dir.file("odd.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 904u * 37u);   // rows of 903 bytes padded to 904
    int32_t w = 0, h = 0;
    std::memcpy(&w, bytes.data() + 18, 4);
    std::memcpy(&h, bytes.data() + 22, 4);
    EXPECT_EQ(w, 301);
    EXPECT_EQ(h, 37);
    // The last pixel of the bottom row and the first of the next row are
    // background: the rows are where the header says.
    EXPECT_EQ((unsigned char)bytes[54 + 900], 239);
    EXPECT_EQ((unsigned char)bytes[54 + 904], 239);
}

TEST(Snapshot, MissingFileFailsWithAReason)
{
    RecordingReporter rec;
    CTexture image;
    std::string error;
    EXPECT_FALSE(snapshot_scene("/nonexistent/scene.wrl", 32, 32, k_default_clear_rgb, image, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_TRUE(rec.has_box("File not found"));
    EXPECT_FALSE(snapshot_scene(source_path("samples/house.wrl"), 0, 32, k_default_clear_rgb, image, error));
}

// A PNG texture draws exactly as the same picture stored as a BMP file:
// rows and colours in the same order.
TEST(Snapshot, PngTexturesDrawAsTheSamePictureInBmp)
{
    RecordingReporter rec;
    ScratchDir dir;
    // Four colours, top line first: red, green / blue, yellow.
    const unsigned char rgb[2][2][3] = {{{220, 20, 20}, {20, 220, 20}}, {{20, 20, 220}, {220, 220, 20}}};
    png_test::Picture png;
    png.width = png.height = 2;
    CTexture bmp;
    ASSERT_TRUE(bmp.Alloc(2, 2, 24));
    for (int y = 0; y < 2; ++y) {
        std::vector<unsigned char> row;
        for (int x = 0; x < 2; ++x) {
            row.insert(row.end(), rgb[y][x], rgb[y][x] + 3);
            unsigned char* p = bmp.data + (size_t)(1 - y) * bmp.widthbyte32 + (size_t)x * 3;
            p[0] = rgb[y][x][2];
            p[1] = rgb[y][x][1];
            p[2] = rgb[y][x][0];
        }
        png.rows.push_back(row);
    }
    ASSERT_TRUE(png_test::write(dir.file("tex.png"), png));
    ASSERT_TRUE(bmp.SaveFile(dir.file("tex.bmp")));
    CTexture shot[2];
    for (int i = 0; i < 2; ++i) {
        const std::string scene = dir.file(i ? "png.wrl" : "bmp.wrl");
        write_whole_file(scene, std::string("#VRML V2.0 utf8\nDEF Quad Transform { children [ Shape {\n"
                                            " appearance Appearance { material Material { diffuseColor 1 1 1 }\n"
                                            "  texture ImageTexture { url \"") +
                                    (i ? "tex.png" : "tex.bmp") +
                                    "\" } }\n"
                                    " geometry IndexedFaceSet { coord Coordinate { point [ -6 -6 0, 6 -6 0, 6 6 0, "
                                    "-6 6 0 ] }\n"
                                    "  texCoord TextureCoordinate { point [ 0 0, 1 0, 1 1, 0 1 ] }\n"
                                    "  coordIndex [ 0 1 2 3 -1 ] texCoordIndex [ 0 1 2 3 -1 ] } } ] }\n");
        std::string error;
        ASSERT_TRUE(snapshot_scene(scene, 64, 64, k_default_clear_rgb, shot[i], error)) << error;
    }
    EXPECT_TRUE(rec.boxes.empty()) << rec.boxes[0].text;
    EXPECT_EQ(differing_pixels(shot[0], shot[1], 0), 0);
    // And the texture is drawn: its four colours show.
    std::set<std::array<unsigned char, 3>> colours;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const unsigned char* p = shot[1].data + (size_t)y * shot[1].widthbyte32 + (size_t)x * 3;
            if (std::max({p[0], p[1], p[2]}) > 2 * std::min({p[0], p[1], p[2]}) + 40) colours.insert({p[0], p[1], p[2]});
        }
    EXPECT_GT(colours.size(), 4u);
}

TEST(Snapshot, PointSetsOfAVrmlSceneShowEveryPoint)
{
    RecordingReporter rec;
    ScratchDir dir;
    const std::string scene = dir.file("p.wrl");
    write_whole_file(scene, "#VRML V2.0 utf8\n"
                            "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 } }\n"
                            " geometry PointSet { coord Coordinate { point [ -2 0 0, 0 0 0, 2 0 0, 0 2 0, 0 -2 0 ] } } }\n");
    CTexture shot;
    std::string error;
    ASSERT_TRUE(snapshot_scene(scene, 200, 150, k_default_clear_rgb, shot, error)) << error;
    const unsigned char* bg = shot.data;
    long marked = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (std::memcmp(shot.data + (size_t)y * shot.widthbyte32 + (size_t)x * 3, bg, 3)) ++marked;
    EXPECT_EQ(marked, 5);   // one pixel per point
}

namespace {
// The colours of a snapshot's pixels other than the background's (as r g b),
// with how many pixels have each.
std::map<std::array<int, 3>, int> drawn_colours(const CTexture& shot)
{
    std::map<std::array<int, 3>, int> seen;
    const unsigned char* bg = shot.data;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const unsigned char* p = shot.data + (size_t)y * shot.widthbyte32 + (size_t)x * 3;
            if (std::memcmp(p, bg, 3)) ++seen[{p[2], p[1], p[0]}];
        }
    return seen;
}
} // namespace

// Lines and points have no surface to light: they show the colours their
// file gives them (a Color node, the material's glow, its diffuse colour,
// or the materials bound to their parts), wherever the light is.
TEST(Snapshot, LinesAndPointsShowTheColoursTheirFileGives)
{
    RecordingReporter rec;
    ScratchDir dir;
    const std::string v2 = "#VRML V2.0 utf8\nViewpoint { position 0 0 6 }\n";
    const std::string line = " IndexedLineSet { coord Coordinate { point [ -2 0 0, 0 0.5 0, 2 0 0 ] } coordIndex [ 0 1 2 ]";
    const std::string v1 = "#VRML V1.0 ascii\nSeparator { PerspectiveCamera { position 0 0 6 }"
                           " Coordinate3 { point [ -2 0 0, -1 0.5 0, 0 0 0, 1 0.5 0, 2 0 0 ] }"
                           " Material { diffuseColor [ 1 0 0, 0 1 0, 0 0 1, 1 1 0 ] }";
    using C = std::array<int, 3>;
    const struct {
        const char* what;
        std::string text;
        std::set<C> colours;   // every colour drawn
    } cases[] = {
        {"glowing line", v2 + "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 } } geometry" + line + " } }\n",
         {{255, 0, 0}}},
        {"diffuse line", v2 + "Shape { appearance Appearance { material Material { diffuseColor 0 1 0 } } geometry" + line + " } }\n",
         {{0, 255, 0}}},
        {"line of no colour", v2 + "Shape { geometry" + line + " } }\n", {{115, 115, 115}}},
        {"Color over glow", v2 + "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 } } geometry" + line +
                                 " colorPerVertex FALSE color Color { color [ 0 0 1 ] } } }\n",
         {{0, 0, 255}}},
        {"colours by corner", v2 + "Shape { geometry IndexedLineSet { coord Coordinate { point [ -2 0 0, 0 0.5 0, 2 0 0, 0 -1 0 ] }"
                                   " coordIndex [ 0 1 2 -1 2 3 ] color Color { color [ 1 0 0, 0 1 0, 0 0 1, 1 1 1 ] }"
                                   " colorIndex [ 3 0 1 -1 1 2 ] } }\n",
         {{255, 128, 128}, {128, 128, 0}, {0, 128, 128}}},
        {"colours by polyline", v2 + "Shape { geometry IndexedLineSet { coord Coordinate { point [ -2 0 0, 0 0.5 0, 2 0 0, 0 -1 0 ] }"
                                     " coordIndex [ 0 1 2 -1 2 3 ] colorPerVertex FALSE color Color { color [ 1 0 0, 0 0 1, 0 1 0 ] } } }\n",
         {{255, 0, 0}, {0, 0, 255}}},
        {"coloured points", v2 + "Shape { geometry PointSet { coord Coordinate { point [ -1 0 0, 1 0 0 ] }"
                                 " color Color { color [ 1 0 0, 0 1 0 ] } } }\n",
         {{255, 0, 0}, {0, 255, 0}}},
        {"points by vertex", v1 + " MaterialBinding { value PER_VERTEX } PointSet { startIndex 2 numPoints 2 } }\n",
         {{255, 0, 0}, {0, 255, 0}}},
        {"points overall", v1 + " MaterialBinding { value OVERALL } PointSet { startIndex 2 } }\n", {{255, 0, 0}}},
        {"segments by index", v1 + " MaterialBinding { value PER_PART_INDEXED }"
                                   " IndexedLineSet { coordIndex [ 0, 1, 2, -1, 2, 3, 4 ] materialIndex [ 2, 2, 3, 3 ] } }\n",
         {{0, 0, 255}, {255, 255, 0}}},
        {"segments by corner", v1 + " MaterialBinding { value PER_VERTEX_INDEXED }"
                                    " IndexedLineSet { coordIndex [ 0, 1, 2 ] materialIndex [ 0, 3, 1 ] } }\n",
         {{255, 128, 0}, {128, 255, 0}}},
    };
    auto colours_of = [](const std::string& path, std::set<C>& got) {
        CTexture shot;
        std::string error;
        ASSERT_TRUE(snapshot_scene(path, 200, 150, k_default_clear_rgb, shot, error)) << error;
        for (const auto& [colour, n] : drawn_colours(shot)) {
            // Half a unit of rounding either way.
            C near = colour;
            for (int& v : near) v = v == 127 || v == 129 ? 128 : v;
            got.insert(near);
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("lines.wrl");
        write_whole_file(path, c.text);
        std::set<C> got;
        colours_of(path, got);
        EXPECT_EQ(got, c.colours);
        // Saved in the binary format and opened again: lines and points
        // still, in their first colour (the format keeps one material).
        {
            std::unique_ptr<SCENE3D> scene;
            std::unique_ptr<LODSET> lod;
            ASSERT_EQ(open_for_command_line(path, scene, lod, nullptr), OpenResult::Scene);
            ASSERT_EQ(save_binary(dir.file("lines.wrb").c_str(), *scene), 1);
            current_scene() = nullptr;
        }
        std::set<C> again;
        colours_of(dir.file("lines.wrb"), again);
        EXPECT_EQ(again.size(), 1u);
        if (c.colours.size() == 1) {
            EXPECT_EQ(again, c.colours);
        }
    }

    // A scanner's point cloud keeps the colours of its points.
    write_whole_file(dir.file("cloud.ply"), "ply\nformat ascii 1.0\nelement vertex 3\n"
                                            "property float x\nproperty float y\nproperty float z\n"
                                            "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n"
                                            "-1 0 0 255 0 0\n0 1 0 0 255 0\n1 0 0 255 0 0\n");
    {
        CTexture shot;
        std::string error;
        ASSERT_TRUE(snapshot_scene(dir.file("cloud.ply"), 200, 150, k_default_clear_rgb, shot, error)) << error;
        const std::map<C, int> want = {{{255, 0, 0}, 2}, {{0, 255, 0}, 1}};
        EXPECT_EQ(drawn_colours(shot), want);
    }

    // A lit box after glowing lines is lit as it is alone.
    const std::string box = "Shape { appearance Appearance { material Material { diffuseColor 0.6 0.6 0.6 } }"
                            " geometry Box { size 1 1 1 } }\n";
    CTexture alone, after;
    std::string error;
    write_whole_file(dir.file("box.wrl"), v2 + box);
    write_whole_file(dir.file("both.wrl"),
                     v2 + "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 } } geometry" + line +
                         " } }\n" + box);
    ASSERT_TRUE(snapshot_scene(dir.file("box.wrl"), 200, 150, k_default_clear_rgb, alone, error)) << error;
    ASSERT_TRUE(snapshot_scene(dir.file("both.wrl"), 200, 150, k_default_clear_rgb, after, error)) << error;
    const size_t centre = (size_t)75 * alone.widthbyte32 + 100 * 3;
    EXPECT_EQ(std::memcmp(alone.data + centre, after.data + centre, 3), 0)
        << (int)after.data[centre + 2] << " " << (int)after.data[centre + 1] << " " << (int)after.data[centre];
}

namespace {
// A snapshot as a user looks at it: pixel (x, y) from the top left, r g b.
struct Shot {
    CTexture image;
    std::array<int, 3> at(int x, int y) const
    {
        const unsigned char* p = image.data + (size_t)(image.height - 1 - y) * image.widthbyte32 + (size_t)x * 3;
        return {p[2], p[1], p[0]};
    }
    // The box of the pixels that are not the background; false when none.
    bool drawn_box(int& x0, int& y0, int& x1, int& y1) const
    {
        const std::array<int, 3> bg = at(0, 0);
        x0 = y0 = 1 << 30;
        x1 = y1 = -1;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const auto c = at(x, y);
                if (std::abs(c[0] - bg[0]) + std::abs(c[1] - bg[1]) + std::abs(c[2] - bg[2]) <= 30) continue;
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        return x1 >= 0;
    }
};

bool red(const std::array<int, 3>& c) { return c[0] > 100 && c[1] < 60 && c[2] < 60; }
bool green(const std::array<int, 3>& c) { return c[1] > 100 && c[0] < 90 && c[2] < 90; }
} // namespace

// Files as other programs write them: the file's own camera, a site in map
// coordinates, textures named by a Windows path and in Targa format.
TEST(Snapshot, RealWorldFilesShowWhatTheirAuthorsMeant)
{
    RecordingReporter rec;
    const std::string dir = source_path("../shared/repro/real-world/");
    if (read_whole_file(dir + "README.md").empty()) GTEST_SKIP() << "NOT RUN: ../shared/repro/real-world is absent";
    const int w = 160, h = 120;
    std::string error;
    int x0, y0, x1, y1;

    // Seen from its viewpoint, straight down: the red square in the middle.
    Shot top;
    ASSERT_TRUE(snapshot_scene(dir + "14_viewpoint_orientation.wrl", w, h, k_default_clear_rgb, top.image, error))
        << error;
    EXPECT_TRUE(red(top.at(w / 2, h / 2)));
    ASSERT_TRUE(top.drawn_box(x0, y0, x1, y1));
    EXPECT_NEAR((x0 + x1) / 2.0, w / 2.0, 3);
    EXPECT_NEAR((y0 + y1) / 2.0, h / 2.0, 3);
    EXPECT_GT(x1 - x0, w / 8);

    // A site 180 km from the origin, without a viewpoint: all of it, framed.
    Shot site;
    ASSERT_TRUE(snapshot_scene(dir + "15_no_viewpoint_geo_coordinates.wrl", w, h, k_default_clear_rgb, site.image,
                               error))
        << error;
    ASSERT_TRUE(site.drawn_box(x0, y0, x1, y1));
    EXPECT_GT(x0, 0);
    EXPECT_GT(y0, 0);
    EXPECT_LT(x1, w - 1);
    EXPECT_LT(y1, h - 1);
    EXPECT_GT(x1 - x0, w / 2);   // not a speck

    // The checker's coloured block: red top left (a 4-bit BMP named by a
    // Windows path, the X file's texture coordinates counted from the top
    // of the picture); green on the right of a 32-bit Targa picture, on the
    // line its header puts first (origin at the bottom left: the bottom).
    const struct {
        const char* file;
        bool left, top;
        bool (*colour)(const std::array<int, 3>&);
    } textured[] = {{"17_x_windows_texture_path.x", true, true, red}, {"18_tga_texture.wrl", false, false, green}};
    for (const auto& c : textured) {
        Shot s;
        rec.boxes.clear();
        ASSERT_TRUE(snapshot_scene(dir + c.file, w, h, k_default_clear_rgb, s.image, error)) << error;
        EXPECT_TRUE(rec.boxes.empty()) << c.file << ": " << (rec.boxes.empty() ? std::string() : rec.boxes[0].text);
        ASSERT_TRUE(s.drawn_box(x0, y0, x1, y1)) << c.file;
        const int qw = (x1 - x0) / 8, qh = (y1 - y0) / 8;
        const int bx = c.left ? x0 + qw : x1 - qw, by = c.top ? y0 + qh : y1 - qh;
        EXPECT_TRUE(c.colour(s.at(bx, by))) << c.file;
        // The other corners on that line and that side are the grey checker.
        EXPECT_FALSE(c.colour(s.at(c.left ? x1 - qw : x0 + qw, by))) << c.file;
        EXPECT_FALSE(c.colour(s.at(bx, c.top ? y1 - qh : y0 + qh))) << c.file;
    }
}

// A light with "on FALSE" lights nothing: the white square under a red
// light and a green one that is off is the square under the red one alone;
// a scene whose only light is off is lit as one without lights. Our own
// layout's lights ("on TRUE", or no "on") still shine.
TEST(Snapshot, LightsThatAreOffLightNothing)
{
    RecordingReporter rec;
    ScratchDir dir;
    const int w = 64, h = 48;
    auto shot = [&](const std::string& name, const std::string& text) {
        write_whole_file(dir.file(name), text);
        Shot s;
        std::string error;
        EXPECT_TRUE(snapshot_scene(dir.file(name), w, h, k_default_clear_rgb, s.image, error)) << error;
        return s.image.data ? s.at(w / 2, h / 2) : std::array<int, 3>{-1, -1, -1};
    };
    const std::string square =
        "Shape { appearance Appearance { material Material { diffuseColor 1 1 1 } }\n"
        " geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }"
        " coordIndex [ 0 1 2 3 -1 ] } }\n";
    const std::string red = "PointLight { location 0 0 10 color 1 0 0 }\n";
    auto green_light = [](const char* on) {
        return "PointLight { location 0 0 10 color 0 1 0 " + std::string(on) + " }\n";
    };
    const std::string v2 = "#VRML V2.0 utf8\n";

    const auto red_only = shot("red.wrl", v2 + red + square);
    const auto red_green_off = shot("red_green_off.wrl", v2 + red + green_light("on FALSE") + square);
    const auto red_green_on = shot("red_green_on.wrl", v2 + red + green_light("on TRUE") + square);
    EXPECT_GT(red_only[0], red_only[1] + 80) << "the red light shines";
    EXPECT_EQ(red_green_off, red_only);
    EXPECT_GT(red_green_on[1], red_only[1] + 80) << "the green light, on, shines";

    const auto unlit = shot("none.wrl", v2 + square);
    const auto all_off = shot("all_off.wrl", v2 + green_light("on FALSE") + square);
    EXPECT_EQ(all_off, unlit);
    EXPECT_NEAR(unlit[0], unlit[1], 2) << "the viewer's own grey light";

    // Our own layout (a DEF'd Transform per object), read by the object
    // reader: a light marked "on TRUE" and one without "on" both shine, one
    // marked 0 does not.
    const std::string object = "DEF Sq Transform { children [ " + square + " ] }\n";
    const auto own_true = shot("own_true.wrl", v2 + "PointLight { location 0 0 10 color 1 0 0 on TRUE }\n" + object);
    const auto own_bare = shot("own_bare.wrl", v2 + red + object);
    const auto own_off = shot("own_off.wrl", v2 + "PointLight { location 0 0 10 color 1 0 0 on 0 }\n" + object);
    EXPECT_GT(own_true[0], own_true[1] + 80);
    EXPECT_EQ(own_bare, own_true);
    EXPECT_NEAR(own_off[0], own_off[1], 2);
    EXPECT_GT(own_off[1], 100);
}

// A scene large enough for its normals to be made on two threads draws
// exactly as when they are made on one, and says the same.
TEST(Snapshot, NormalsOnTwoThreadsDrawAsOnOne)
{
    ScratchDir dir;
    std::string text = "#VRML V2.0 utf8\n";
    const int n = 120;   // quads a side: four objects of 72,000 indices
    for (int k = 0; k < 4; ++k) {
        text += "DEF T" + std::to_string(k) + " Transform { translation " + std::to_string(k % 2 * n - n) + " " +
                std::to_string(k / 2 * n - n) + " 0 children [ Shape { appearance Appearance { material Material {"
                " diffuseColor 0.9 0.6 0.3 } } geometry IndexedFaceSet { coord Coordinate { point [\n";
        for (int y = 0; y <= n; ++y)
            for (int x = 0; x <= n; ++x)
                text += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(std::sin(x * 0.2 + k) * std::cos(y * 0.15) * 6) +
                        ",\n";
        text += "] } coordIndex [\n";
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const int a = y * (n + 1) + x;
                text += std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + n + 2) + " " +
                        std::to_string(a + n + 1) + " -1\n";
            }
        text += "] } } ] }\n";
    }
    write_whole_file("bent.wrl", text);
    CTexture shot[2];
    std::vector<std::string> said[2];
    for (int i = 0; i < 2; ++i) {
        RecordingReporter rec;
        const bool was = set_second_thread(i == 0);
        std::string error;
        ASSERT_TRUE(snapshot_scene("bent.wrl", 160, 120, k_default_clear_rgb, shot[i], error)) << error;
        set_second_thread(was);
        said[i] = rec.statuses;
    }
    ASSERT_EQ(shot[0].height, shot[1].height);
    EXPECT_EQ(differing_pixels(shot[0], shot[1], 0), 0);
    EXPECT_EQ(said[0], said[1]);
    // The lit relief shows shades, not one flat colour.
    std::set<int> shades;
    for (int y = 0; y < shot[0].height; ++y)
        for (int x = 0; x < shot[0].width; ++x) shades.insert(shot[0].data[(size_t)y * shot[0].widthbyte32 + (size_t)x * 3 + 2]);
    EXPECT_GT(shades.size(), 10u);
}

// Point files framed whole fill the view as they are drawn: the point-set
// format's points at a hundredth of their coordinates, another program's
// point cloud at its own (framing either at the other's scale leaves a speck
// or a few points in a corner).
TEST(Snapshot, PointFilesAreFramedAsTheyAreDrawn)
{
    RecordingReporter rec;
    ScratchDir dir;
    std::string ply = "ply\nformat ascii 1.0\nelement vertex 64\nproperty float x\nproperty float y\nproperty float z\n"
                      "end_header\n";
    for (int i = 0; i < 64; ++i) ply += std::to_string(500 + 40 * (i % 8)) + " " + std::to_string(-20 * (i / 8)) + " 7\n";
    write_whole_file(dir.file("grid.ply"), ply);
    // The cloud saved in the binary format and opened again is still drawn
    // as points (a record of points alone).
    {
        std::unique_ptr<SCENE3D> scene;
        std::unique_ptr<LODSET> lod;
        ASSERT_EQ(open_for_command_line(dir.file("grid.ply"), scene, lod, nullptr), OpenResult::Scene);
        ASSERT_EQ(save_binary(dir.file("grid.wrb").c_str(), *scene), 1);
        current_scene() = nullptr;
    }
    for (const std::string& file : {source_path("samples/points.pts"), dir.file("grid.ply"), dir.file("grid.wrb")}) {
        SCOPED_TRACE(file);
        Shot shot;
        std::string error;
        ASSERT_TRUE(snapshot_scene(file, 200, 150, k_default_clear_rgb, shot.image, error, true)) << error;
        int x0, y0, x1, y1;
        ASSERT_TRUE(shot.drawn_box(x0, y0, x1, y1));
        // Framed: the points spread over most of the height or the width,
        // around the middle.
        EXPECT_TRUE(x1 - x0 > 100 || y1 - y0 > 80) << x0 << "," << y0 << " " << x1 << "," << y1;
        EXPECT_NEAR((x0 + x1) / 2, 100, 12);
        EXPECT_NEAR((y0 + y1) / 2, 75, 12);
    }
}
