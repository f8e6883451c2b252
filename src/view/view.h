#pragma once
#include <QOpenGLWidget>

class CQuorvelView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CQuorvelView(QWidget* parent = nullptr);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
};
