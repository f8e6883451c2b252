#include "app/mainframe.h"

#include <QLabel>
#include <QStatusBar>

#include "view/view.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Quorvel");
    m_view = new CQuorvelView(this);
    setCentralWidget(m_view);
    m_status = new QLabel(this);
    statusBar()->addWidget(m_status, 1);
    resize(800, 600);
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_status->setText(text);
    m_status->repaint();
}

QString CMainFrame::statusText() const { return m_status->text(); }
