// Scenes exported to the formats of other programs and opened again: the
// same triangles, and a framed snapshot close to the original's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "gl_fixture.h"
#include "image/texture.h"
#include "io/export.h"
#include "io/lod.h"
#include "io/open.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
constexpr int W = 200, H = 150;

// Three coloured boxes side by side, turned and stretched by their
// placements, and a diamond turned by 45 degrees at one end: the files of
// other programs hold the placed vertices, and the reopened scene must frame
// the same (a turned object framed by its own box turned would not).
// Nothing gives a specular or ambient colour: the reopened materials must
// leave them to the same defaults.
const char* k_boxes = R"(#VRML V2.0 utf8
DEF Red Transform { translation -2.2 0 0 rotation 0 1 0 1.5707963
  children Shape { appearance Appearance { material Material { diffuseColor 0.9 0.1 0.1 } }
    geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 -1, 1 -1 -1, 1 1 -1, -1 1 -1, -1 -1 1, 1 -1 1, 1 1 1, -1 1 1 ] }
      coordIndex [ 0 3 2 1 -1 4 5 6 7 -1 0 1 5 4 -1 2 3 7 6 -1 1 2 6 5 -1 0 4 7 3 -1 ] } } }
DEF Green Transform { translation 0 0 0 scale 1 1.4 1
  children Shape { appearance Appearance { material Material { diffuseColor 0.1 0.8 0.2 } }
    geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 -1, 1 -1 -1, 1 1 -1, -1 1 -1, -1 -1 1, 1 -1 1, 1 1 1, -1 1 1 ] }
      coordIndex [ 0 3 2 1 -1 4 5 6 7 -1 0 1 5 4 -1 2 3 7 6 -1 1 2 6 5 -1 0 4 7 3 -1 ] } } }
DEF Blue Transform { translation 2.2 0 0 rotation 1 0 0 3.1415927
  children Shape { appearance Appearance { material Material { diffuseColor 0.2 0.3 0.9 } }
    geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 -1, 1 -1 -1, 1 1 -1, -1 1 -1, -1 -1 1, 1 -1 1, 1 1 1, -1 1 1 ] }
      coordIndex [ 0 3 2 1 -1 4 5 6 7 -1 0 1 5 4 -1 2 3 7 6 -1 1 2 6 5 -1 0 4 7 3 -1 ] } } }
DEF Gem Transform { translation 4.4 0 0 rotation 0 0 1 0.7853982
  children Shape { appearance Appearance { material Material { diffuseColor 0.9 0.8 0.1 } }
    geometry IndexedFaceSet { coord Coordinate { point [ 1 0 0, -1 0 0, 0 1 0, 0 -1 0, 0 0 1, 0 0 -1 ] }
      coordIndex [ 0 2 4 -1 2 1 4 -1 1 3 4 -1 3 0 4 -1 2 0 5 -1 1 2 5 -1 3 1 5 -1 0 3 5 -1 ] } } }
)";

// Mean over every pixel and channel of the absolute difference (0..255).
double mean_difference(const CTexture& a, const CTexture& b)
{
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 3; ++x)
            sum += std::abs((int)a.data[(size_t)y * a.widthbyte32 + (size_t)x] - (int)b.data[(size_t)y * b.widthbyte32 + (size_t)x]);
    return sum / ((double)a.width * a.height * 3);
}

// Share of the pixels covered in one image and not in the other.
double silhouette_difference(const CTexture& a, const CTexture& b)
{
    const unsigned char* bg = a.data;   // a corner pixel is background
    long n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned char* p = a.data + (size_t)y * a.widthbyte32 + (size_t)x * 3;
            const unsigned char* q = b.data + (size_t)y * b.widthbyte32 + (size_t)x * 3;
            bool pa = p[0] != bg[0] || p[1] != bg[1] || p[2] != bg[2];
            bool qb = q[0] != bg[0] || q[1] != bg[1] || q[2] != bg[2];
            if (pa != qb) ++n;
        }
    return (double)n / ((double)a.width * a.height);
}

long long triangles_of(const std::string& path)
{
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    if (open_for_command_line(path, scene, lod, nullptr) != OpenResult::Scene) return -1;
    long long n = 0;
    for (int i = 0; i < scene->nbobjects; ++i) n += held_triangles(*scene->m_objects[i]);
    current_scene() = nullptr;
    return n;
}

CTexture* framed(const std::string& path)
{
    auto* image = new CTexture();
    std::string error;
    EXPECT_TRUE(snapshot_scene(path, W, H, k_default_clear_rgb, *image, error, true)) << path << ": " << error;
    return image;
}

void export_file(const std::string& in, const std::string& out)
{
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    ASSERT_EQ(open_for_command_line(in, scene, lod, nullptr), OpenResult::Scene);
    ASSERT_TRUE(export_scene(*scene, out));
    current_scene() = nullptr;
}
} // namespace

// The thresholds (mean over every pixel and channel, 0 to 255): the
// geometry and its framing come back exactly, so the outlines match to the
// rasterised edge (0.1% of the pixels). glTF and OBJ carry the colours the
// drawing uses, less what their materials have no place for (glTF has no
// specular colour; textures come back through PNG): measured 0.0 to 0.5,
// allowed 1.5. PLY keeps one colour per face and corner, not the texture's
// detail (the house's textured faces come back in their colour): measured
// 1.4, allowed 3. STL has no colour at all: its outline alone is compared.
TEST(ExportRoundTrip, ReopenedScenesMatchTheOriginal)
{
    ASSERT_TRUE(prepare_gl(W, H));
    RecordingReporter rec;
    ScratchDir dir;
    {
        std::ofstream f(dir.file("boxes.wrl"));
        f << k_boxes;
    }
    struct Case {
        std::string scene;
        const char* ext;
        double max_mean;   // < 0: compare outlines only
    };
    const std::string house = source_path("samples/house.wrl");
    const Case cases[] = {
        {dir.file("boxes.wrl"), ".glb", 1.5}, {dir.file("boxes.wrl"), ".obj", 1.5},
        {dir.file("boxes.wrl"), ".ply", 3.0}, {dir.file("boxes.wrl"), ".stl", -1},
        {house, ".glb", 1.5},                 {house, ".gltf", 1.5},
        {house, ".obj", 1.5},                 {house, ".ply", 3.0},
        {house, ".stl", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene + " as " + c.ext);
        const std::string out = dir.file(std::string("out") + c.ext);
        ASSERT_NO_FATAL_FAILURE(export_file(c.scene, out));
        EXPECT_EQ(triangles_of(out), triangles_of(c.scene));
        std::unique_ptr<CTexture> a(framed(c.scene)), b(framed(out));
        ASSERT_EQ(a->width, b->width);
        if (c.max_mean >= 0) {
            EXPECT_LT(mean_difference(*a, *b), c.max_mean);
        }
        EXPECT_LT(silhouette_difference(*a, *b), 0.001);
    }
}
