#include "app/about.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

#include "app/toolbar_icons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About quorvel");
    setObjectName("about");
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(application_icon().pixmap(32, 32));
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(new QLabel("quorvel version 1.73", this), 0, 1);
    grid->addWidget(new QLabel("Viewer and light editor of textured 3D scenes", this), 1, 1);
    grid->addWidget(new QLabel("Help file: README.md", this), 2, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, 0, 2, 1, 1, Qt::AlignTop);
    setModal(true);
}
