// The document's OpenGL view: a QOpenGLWidget that draws the scene through
// the render layer. Qt renders it into its own framebuffer object, which is
// the "back buffer" of the frame and of the pick pass.
#pragma once
#include <QOpenGLWidget>

#include "render/frame.h"

class SCENE3D;

class CQuorvelView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CQuorvelView(QWidget* parent = nullptr);
    ~CQuorvelView() override;

    // The pixel format of the view: RGBA 8-8-8, depth, 8-bit stencil,
    // double buffered, compatibility profile, single-sampled so that the
    // pick pass can read back.
    static QSurfaceFormat surfaceFormat();

    // The scene shown (owned by the document); the camera is reset.
    void SetScene(SCENE3D* scene);
    SCENE3D* scene() const { return m_gl.scene; }
    // Runs the finishing steps of an open (textures, lists, lights) in this
    // view's context; deferred to the context's creation when it has none.
    int FinishScene(SCENE3D& scene);
    // Camera reset (Reset command).
    void ResetView();
    // Picks the object under client point (x, y), reports it on the status
    // line and schedules a normal frame. Object index or -1.
    int PickObject(int x, int y);

    GlView& glView() { return m_gl; }
    // Clear colour: the desktop's button-face colour.
    QColor clearColour() const;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    GlView m_gl;
    SCENE3D* m_pending_finish = nullptr;
};
