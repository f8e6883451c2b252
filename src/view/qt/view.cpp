#include "view/qt/view.h"

#include <GL/gl.h>

#include <QPalette>

#include "render/gl_state.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "scene/report.h"
#include "scene/view_fit.h"

QSurfaceFormat CQuorvelView::surfaceFormat()
{
    QSurfaceFormat fmt;
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    fmt.setVersion(2, 1);
    fmt.setRedBufferSize(8);
    fmt.setGreenBufferSize(8);
    fmt.setBlueBufferSize(8);
    fmt.setDepthBufferSize(24);
    fmt.setStencilBufferSize(8);
    fmt.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    fmt.setSamples(0);
    return fmt;
}

CQuorvelView::CQuorvelView(QWidget* parent) : QOpenGLWidget(parent) { setFormat(surfaceFormat()); }

CQuorvelView::~CQuorvelView()
{
    // Display lists and textures of a scene the document still owns are
    // released with the context.
    makeCurrent();
    doneCurrent();
}

QColor CQuorvelView::clearColour() const { return palette().color(QPalette::Button); }

void CQuorvelView::SetScene(SCENE3D* scene)
{
    m_gl.scene = scene;
    m_gl.pick_pass = false;
    ResetCamera(m_gl);
    // A scene the reset camera would not show is framed whole.
    if (scene && frame_scene_if_lost(*scene, m_gl.height > 0 ? (double)m_gl.width / m_gl.height : 4.0 / 3.0))
        SetStatusTextRaw(k_framed_status);
    if (isValid()) {
        makeCurrent();
        ResizeView(m_gl, m_gl.width, m_gl.height);   // the scene's field of view
        doneCurrent();
    }
    update();
}

int CQuorvelView::FinishScene(SCENE3D& scene)
{

    if (!isValid()) {
        m_pending_finish = &scene;
        return 1;
    }
    makeCurrent();
    int r = finish_scene_gl(scene);
    doneCurrent();
    return r;
}

void CQuorvelView::ResetView()
{
    ResetCamera(m_gl);
    update();
}

void CQuorvelView::initializeGL()
{
    QColor c = clearColour();
    m_gl.clear_rgb[0] = (float)c.redF();
    m_gl.clear_rgb[1] = (float)c.greenF();
    m_gl.clear_rgb[2] = (float)c.blueF();
    InitGlobalState(m_gl.clear_rgb[0], m_gl.clear_rgb[1], m_gl.clear_rgb[2]);
    SCENE3D* s = m_gl.scene;
    if (m_pending_finish && m_pending_finish == s) {
        finish_scene_gl(*s);
    } else if (s && s->m_lists_built) {
        // Qt may give the widget a new context (sharing lists and textures
        // with the old one) when it is shown or moved: the global state and
        // the lights are set again, everything else is rebuilt only when it
        // did not survive.
        const OBJECT3D* first = s->nbobjects > 0 ? s->m_objects[0] : nullptr;
        if (first && first->m_list && !glIsList((GLuint)first->m_list)) {
            for (int i = 0; i < s->nbobjects; ++i)
                if (s->m_objects[i]) s->m_objects[i]->m_list = 0;
            finish_scene_gl(*s);
        } else {
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            BuildLights(*s);
        }
    }
    m_pending_finish = nullptr;
}

void CQuorvelView::resizeGL(int w, int h)
{
    const qreal dpr = devicePixelRatioF();
    ResizeView(m_gl, (int)(w * dpr), (int)(h * dpr));
}

void CQuorvelView::paintGL()
{
    // Qt binds the widget's framebuffer object; the draw buffer is left alone.
    // The widget's context does not reliably keep the light parameters from
    // one use to the next, so the scene's lights are programmed again (with
    // the identity matrix, as after an open) before each frame.
    if (m_gl.scene && m_gl.scene->m_lists_built) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        BuildLights(*m_gl.scene);
    }
    PaintView(m_gl);
}

int CQuorvelView::PickObject(int x, int y)
{
    if (!isValid()) return -1;
    const qreal dpr = devicePixelRatioF();
    makeCurrent();
    int r = ::PickObject(m_gl, (int)(x * dpr), (int)(y * dpr));
    doneCurrent();
    update();
    return r;
}
