// Entry point of the viewer window, loaded by the program only when it opens
// a window (the command-line modes never load Qt).
#include <QApplication>
#include <QSurfaceFormat>
#include <clocale>
#include <memory>

#include "app/mainframe.h"
#include "app/qt_reporter.h"
#include "app/toolbar_icons.h"
#include "io/open.h"
#include "render/gl_hooks.h"
#include "view/qt/view.h"

extern "C" __attribute__((visibility("default"))) int quorvel_gui_main(int argc, char** argv)
{
    QSurfaceFormat::setDefaultFormat(CQuorvelView::surfaceFormat());

    QApplication app(argc, argv);
    // Numbers in files and texts never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    // The recent-file list lives in the user's settings under this key.
    QCoreApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QCoreApplication::setApplicationName("Quorvel");
    QCoreApplication::setApplicationVersion("1.73");
    QGuiApplication::setDesktopFileName("quorvel");
    QApplication::setWindowIcon(application_icon());

    QtReporter rep;
    set_reporter(&rep);
    // A file named on the command line is read on a thread of its own while
    // the window is built; the document collects it.
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    std::unique_ptr<BackgroundOpen> reading;
    if (argc > 1) {
        install_gl_hooks();
        reading = std::make_unique<BackgroundOpen>(path.toStdString());
    }
    int rc = 0;
    {
        CMainFrame frame;
        rep.on_status = [&frame](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
        rep.after_modal = [&frame] { frame.view()->RestoreCurrent(); };
        // A file named on the command line opens through the document; when
        // it cannot be opened the reader has said why and the program ends.
        if (argc > 1 && !frame.OpenDocument(path, reading.get())) {
            rc = 1;
        } else {
            frame.showMaximized();
            rc = app.exec();
        }
        rep.on_status = nullptr;
        rep.after_modal = nullptr;
    }
    set_reporter(nullptr);
    return rc;
}
