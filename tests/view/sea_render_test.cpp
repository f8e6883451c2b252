// The sea scene drawn headlessly, right after "Mesh_Sphere" and after a few
// animation ticks, against checked-in baselines. A missing baseline is
// written to the build folder (and the test fails) so that it can be
// inspected and checked in; on a mismatch the actual frame is saved there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "image/texture.h"
#include "render/frame.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"

namespace {
constexpr int kW = 160, kH = 120;

long differing_pixels(const CTexture& a, const CTexture& b, int tol)
{
    long n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned char* p = a.data + (size_t)y * a.widthbyte32 + (size_t)x * 3;
            const unsigned char* q = b.data + (size_t)y * b.widthbyte32 + (size_t)x * 3;
            if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > tol) ++n;
        }
    return n;
}

void expect_baseline(CTexture& image, const std::string& name)
{
    const std::string actual = std::string(QV_BINARY_DIR) + "/" + name;
    CTexture expected;
    if (!expected.ReadFile(source_path("tests/view/baselines/" + name))) {
        image.SaveFile(actual);
        FAIL() << "no baseline; the frame is in " << actual;
    }
    ASSERT_EQ(expected.width, kW);
    ASSERT_EQ(expected.height, kH);
    // A channel sum differing by more than 12 counts as a changed pixel
    // (rasteriser rounding and texture filtering move a few by less); up to
    // 0.5% of the pixels may change.
    const long changed = differing_pixels(image, expected, 12);
    if (changed >= kW * kH / 200) image.SaveFile(actual);
    EXPECT_LT(changed, kW * kH / 200) << "frame saved as " << actual;
}
} // namespace

TEST(SeaRender, MeshSphereAndItsAnimationMatchTheBaselines)
{
    RecordingReporter rec;
    ScratchDir dir;
    HeadlessGL gl;
    ASSERT_TRUE(gl.create(kW, kH)) << gl.error();
    InitGlobalState(0.f, 0.f, 0.f);
    CQuorvelDoc doc;
    doc.OnNewDocument();
    HeadlessHost host(&gl);
    ViewBehaviour view(doc, host);
    host.attach(&view);
    view.SceneChanged();
    ASSERT_TRUE(run_command(view, 32880));
    ASSERT_EQ(doc.scene()->nbobjects, 4);
    ResizeView(view.m_gl, kW, kH);
    // Seen from above the near edge of the sea, looking down at its middle.
    view.m_gl.walk_pos = Vec3(-55.f, -30.f, -150.f);
    doc.scene()->m_camera->rotation = Vec3(20.f, 0.f, 0.f);

    int w = 0, h = 0;
    CTexture first;
    std::vector<uint8_t> rgb = host.read_frame(w, h);
    ASSERT_TRUE(image_from_frame(rgb, w, h, first));
    expect_baseline(first, "sea_scene.bmp");

    for (int i = 0; i < 12; ++i) view.OnTimer(TIMER_MESH);   // the sphere is in the water
    CTexture later;
    rgb = host.read_frame(w, h);
    ASSERT_TRUE(image_from_frame(rgb, w, h, later));
    expect_baseline(later, "sea_scene_t12.bmp");
    EXPECT_GT(differing_pixels(first, later, 12), 50);   // the waves moved
    EXPECT_TRUE(rec.boxes.empty());
}
