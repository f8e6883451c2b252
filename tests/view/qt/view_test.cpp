// The real view under a display: a file opened through the document path
// is drawn at the reset camera exactly as the headless snapshot draws it,
// "Ready" reaches the status line, and picking reads the widget's own
// framebuffer.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QImage>
#include <QTest>
#include <cstdlib>
#include <string>

#include "app/mainframe.h"
#include "app/qt_reporter.h"
#include "image/texture.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "view/qt/view.h"

namespace {
std::string sample(const char* name) { return std::string(QV_SOURCE_DIR) + "/samples/" + name; }

struct FrameFixture {
    CMainFrame frame;
    QtReporter rep;
    Reporter* prev;
    FrameFixture()
    {
        rep.on_status = [this](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
        prev = set_reporter(&rep);
        frame.show();
    }
    ~FrameFixture() { set_reporter(prev); }
};
} // namespace

TEST(View, OpensASampleAtTheResetCameraLikeTheSnapshot)
{
    FrameFixture f;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.frame));
    CQuorvelView* view = f.frame.view();
    ASSERT_TRUE(view->isValid()) << "the view has no OpenGL context";
    ASSERT_TRUE(f.frame.OpenFile(QString::fromStdString(sample("house.wrl"))));
    EXPECT_EQ(f.frame.statusText().toStdString(), "Ready");
    ASSERT_NE(f.frame.scene(), nullptr);
    EXPECT_GT(f.frame.scene()->nbobjects, 0);
    EXPECT_EQ(f.frame.scene()->m_camera->position, Vec3(0, 0, -20));

    QImage shown = view->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    const int w = shown.width(), h = shown.height();
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    view->makeCurrent();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    view->doneCurrent();

    QColor c = view->clearColour();
    const float clear[3] = {(float)c.redF(), (float)c.greenF(), (float)c.blueF()};
    CTexture image;
    std::string error;
    Reporter* quiet = set_reporter(nullptr);
    bool ok = snapshot_scene(sample("house.wrl"), w, h, clear, image, error);
    set_reporter(quiet);
    ASSERT_TRUE(ok) << error;
    // Compare every pixel (the image block is bottom row first, BGR).
    long differing = 0;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = image.GetData() + (size_t)(h - 1 - y) * image.widthbyte32;
        for (int x = 0; x < w; ++x) {
            QRgb p = shown.pixel(x, y);
            int d = std::abs(qRed(p) - row[x * 3 + 2]) + std::abs(qGreen(p) - row[x * 3 + 1]) +
                    std::abs(qBlue(p) - row[x * 3]);
            if (d > 6) ++differing;
        }
    }
    EXPECT_LT(differing, (long)w * h / 1000) << "of " << w * h << " pixels";
    // Something besides the background is shown.
    EXPECT_NE(shown.pixel(w / 2, h / 3), shown.pixel(2, 2));
}

TEST(View, PickingReadsTheWidgetFramebuffer)
{
    FrameFixture f;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.frame));
    ASSERT_TRUE(f.frame.OpenFile(QString::fromStdString(sample("house.wrl"))));
    CQuorvelView* view = f.frame.view();
    QImage shown = view->grabFramebuffer();
    // Find a pixel that is not background and pick there.
    int px = -1, py = -1;
    for (int y = view->height() / 3; y < view->height() && px < 0; y += 4)
        if (shown.pixel(view->width() / 2, y) != shown.pixel(2, 2)) {
            px = view->width() / 2;
            py = y;
        }
    ASSERT_GE(px, 0);
    int idx = view->PickObject(px, py);
    ASSERT_GE(idx, 0);
    SCENE3D* s = f.frame.scene();
    std::string want = "Objet: " + std::to_string(idx) + " Nombre d'objets:" + std::to_string(s->nbobjects) +
                       " Nom objet: " + s->m_objects[idx]->m_name;
    EXPECT_EQ(f.frame.statusText().toStdString(), want);
    EXPECT_EQ(view->PickObject(2, 2), -1);
    EXPECT_EQ(f.frame.statusText().toStdString(), "ERREUR DESIGNATION");
    EXPECT_EQ(view->PickObject(-5, 10), -1);
    view->makeCurrent();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    view->doneCurrent();
    // The next normal frame is the scene again, not the pick colours.
    QImage after = view->grabFramebuffer();
    EXPECT_EQ(after.pixel(px, py), shown.pixel(px, py));
}

// Only the keypad's + and - scale the drag; the main keyboard's do nothing
// to it. The arrows move the camera.
TEST(View, KeypadPlusMinusScaleTheDragMainKeyboardOnesDoNot)
{
    FrameFixture f;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.frame));
    CQuorvelView* view = f.frame.view();
    ASSERT_TRUE(f.frame.OpenFile(QString::fromStdString(sample("house.wrl"))));
    SCENE3D* s = f.frame.scene();
    ASSERT_NE(s, nullptr);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Plus);
    QTest::keyClick(view, Qt::Key_Minus);
    QTest::keyClick(view, Qt::Key_Minus);
    EXPECT_EQ(s->m_drag_scale, Vec3(1, 1, 1));
    QTest::keyClick(view, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_NEAR(s->m_drag_scale.x, 1.1f, 1e-5);
    QTest::keyClick(view, Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(view, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_NEAR(s->m_drag_scale.z, 1.f / 1.1f, 1e-5);

    const Vec3 before = s->m_camera->position;
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_NEAR(s->m_camera->position.z - before.z, 0.02f, 1e-5);
    EXPECT_NEAR(s->m_camera->position.x - before.x, -0.02f, 1e-5);
}
