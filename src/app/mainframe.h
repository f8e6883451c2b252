#pragma once
#include <QMainWindow>

class CQuorvelView;
class QLabel;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    CQuorvelView* view() const { return m_view; }
    // First pane of the status line, updated at once.
    void SetStatusText(const QString& text);
    QString statusText() const;

private:
    CQuorvelView* m_view;
    QLabel* m_status;
};
