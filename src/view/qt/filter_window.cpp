#include "view/qt/filter_window.h"

#include <QScrollArea>

QWidget* ViewFilterWindow(QWidget* view)
{
    if (!view) return nullptr;
    static const char kName[] = "Filtre";
    if (auto* w = view->findChild<QScrollArea*>(kName, Qt::FindDirectChildrenOnly)) return w;
    // A tool window keeps its caption and stays with the view's window; it
    // is destroyed with the view.
    auto* w = new QScrollArea(view);
    w->setObjectName(kName);
    w->setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);
    w->setWindowTitle(kName);
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w->setGeometry(QRect(view->mapToGlobal(QPoint(0, 0)), QSize(300, 200)));
    w->hide();
    return w;
}
