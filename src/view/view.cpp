#include "view/view.h"

#include <GL/gl.h>

CQuorvelView::CQuorvelView(QWidget* parent) : QOpenGLWidget(parent) {}

void CQuorvelView::initializeGL() {}

void CQuorvelView::resizeGL(int w, int h) { glViewport(0, 0, w, h); }

void CQuorvelView::paintGL()
{
    glClearColor(0.94f, 0.94f, 0.94f, 1.f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
