#pragma once
#include <QMainWindow>
#include <memory>

class CQuorvelView;
class QLabel;
class SCENE3D;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;
    CQuorvelView* view() const { return m_view; }
    // First pane of the status line, updated at once.
    void SetStatusText(const QString& text);
    QString statusText() const;

    // Opens a scene file as File Open does and shows it at the reset camera.
    bool OpenFile(const QString& path);
    SCENE3D* scene() const { return m_scene.get(); }

private:
    CQuorvelView* m_view;
    QLabel* m_status;
    std::unique_ptr<SCENE3D> m_scene;   // the document's scene
};
