#include "app/mainframe.h"

#include <QLabel>
#include <QStatusBar>

#include "io/open.h"
#include "scene/scene3d.h"
#include "view/qt/view.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Quorvel");
    m_view = new CQuorvelView(this);
    setCentralWidget(m_view);
    m_status = new QLabel(this);
    statusBar()->addWidget(m_status, 1);
    resize(800, 600);
}

CMainFrame::~CMainFrame()
{
    // The scene's GL objects go while the view's context is current.
    m_view->SetScene(nullptr);
    if (m_scene) {
        if (current_scene() == m_scene.get()) current_scene() = nullptr;
        m_view->makeCurrent();
        m_scene.reset();
        m_view->doneCurrent();
    }
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_status->setText(text);
    m_status->repaint();
}

QString CMainFrame::statusText() const { return m_status->text(); }

bool CMainFrame::OpenFile(const QString& path)
{
    m_view->SetScene(nullptr);
    if (m_view->isValid()) m_view->makeCurrent();   // the old scene's lists go with it
    bool ok = open_document(path.toStdString(), m_scene,
                            [this](SCENE3D& s) { return m_view->FinishScene(s); });
    if (m_view->isValid()) m_view->doneCurrent();
    m_view->SetScene(m_scene.get());
    return ok;
}
