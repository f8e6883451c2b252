// Entry point of the viewer window, loaded by the program only when it opens
// a window (the command-line modes never load Qt).
#include <QApplication>
#include <QSurfaceFormat>
#include <clocale>

#include "app/mainframe.h"
#include "app/qt_reporter.h"
#include "view/qt/view.h"

extern "C" __attribute__((visibility("default"))) int quorvel_gui_main(int argc, char** argv)
{
    QSurfaceFormat::setDefaultFormat(CQuorvelView::surfaceFormat());

    QApplication app(argc, argv);
    // Numbers in files and texts never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    QtReporter rep;
    set_reporter(&rep);
    CMainFrame frame;
    rep.on_status = [&frame](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
    frame.show();
    // A file named on the command line is opened like File Open.
    if (argc > 1) frame.OpenFile(QString::fromLocal8Bit(argv[1]));
    int rc = app.exec();
    set_reporter(nullptr);
    return rc;
}
