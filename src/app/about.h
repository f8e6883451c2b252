// The About box of the "&?" menu: modal, closed with OK.
#pragma once
#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
