// The window shell under a display: start-up state, menus and toolbars
// built from the command table, check marks, the recent-file list, dropped
// files, "Open Binary" and the document's save, "Play", and the GL objects
// of replaced scenes.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <functional>
#include <memory>
#include <set>

#include "app/mainframe.h"
#include "app/qt_reporter.h"
#include "image/texture.h"
#include "io/scene_loader.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/qt/view.h"

namespace {
QString sample(const char* name) { return QString(QV_SOURCE_DIR) + "/samples/" + name; }

// Message boxes are recorded instead of waiting for a click.
struct TestReporter : QtReporter {
    std::vector<std::string> boxes;
    void message_box(const std::string& text, const std::string&) override { boxes.push_back(text); }
};

struct Shell {
    CMainFrame frame;
    TestReporter rep;
    Reporter* prev;
    Shell()
    {
        rep.on_status = [this](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
        prev = set_reporter(&rep);
        // "Save changes to NAME?" is answered Discard, as a script's is.
        frame.view()->save_question = [](const std::string&) { return SaveAnswer::Discard; };
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
    ~Shell() { set_reporter(prev); }
};

// Answers the next file chooser with `path`, typed into its name field,
// once it is open.
void answer_file_dialog(const QString& path)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, path] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
        if (!name) return;
        name->setText(path);
        const QStringList chosen = dlg->selectedFiles();
        if (chosen.size() != 1 || QFileInfo(chosen[0]).absoluteFilePath() != QFileInfo(path).absoluteFilePath())
            return;
        timer->stop();
        timer->deleteLater();
        static_cast<QDialog*>(dlg)->done(QDialog::Accepted);
    });
    timer->start(20);
}

// Every action of the menu bar that carries a command, with its menu path.
void walk(QMenu* menu, const QString& path, std::vector<std::pair<QAction*, QString>>& out)
{
    for (QAction* a : menu->actions()) {
        if (a->menu()) walk(a->menu(), path + "/" + a->menu()->title(), out);
        else if (a->property("qv_command").isValid()) out.push_back({a, path});
    }
}

std::vector<std::pair<QAction*, QString>> menu_actions(CMainFrame& f)
{
    std::vector<std::pair<QAction*, QString>> out;
    for (QAction* top : f.menuBar()->actions())
        if (top->menu()) walk(top->menu(), top->menu()->title(), out);
    return out;
}
} // namespace

TEST(Shell, StartsWithAnEmptySceneReadyAndTheThreeToolbars)
{
    Shell s;
    EXPECT_EQ(s.frame.statusText(), "Ready");
    ASSERT_NE(s.frame.scene(), nullptr);
    EXPECT_EQ(s.frame.scene()->nbobjects, 0);
    EXPECT_EQ(current_scene(), s.frame.scene());
    EXPECT_FALSE(s.frame.isWindowModified());

    s.frame.SetLockIndicators(true, false, true);
    EXPECT_EQ(s.frame.paneText(1), "MAJ");
    EXPECT_EQ(s.frame.paneText(2), "");
    EXPECT_EQ(s.frame.paneText(3), "DEF");

    const std::map<int, std::vector<int>> want = {
        {128, {57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 57664, 0, 32776, 32777, 0, 32778, 32779, 0, 32792,
               32878}},
        {160, {32863, 32864, 32865}},
        {163, {32883, 32884}},
    };
    for (const auto& [res, ids] : want) {
        QToolBar* bar = s.frame.toolBar(res);
        ASSERT_NE(bar, nullptr) << res;
        EXPECT_EQ(s.frame.toolBarArea(bar), Qt::TopToolBarArea);
        std::vector<int> got;
        for (QAction* a : bar->actions()) {
            got.push_back(a->isSeparator() ? 0 : a->property("qv_command").toInt());
            if (!a->isSeparator()) {
                EXPECT_EQ(a->icon().actualSize(QSize(16, 15)), QSize(16, 15)) << got.back();
                // Enabled exactly when something answers the button.
                const Command* c = find_command(got.back());
                if (!c || !c->run) {
                    EXPECT_EQ(a->isEnabled(), got.back() == 57600 || got.back() == 57664 || got.back() == 57607)
                        << got.back();
                }
            }
        }
        EXPECT_EQ(got, ids) << res;
    }
}

TEST(Shell, EveryMenuItemIsItsTableEntryAndEveryEntryWithAMenuIsShown)
{
    Shell s;
    QStringList tops;
    for (QAction* a : s.frame.menuBar()->actions()) tops << a->text();
    EXPECT_EQ(tops, QStringList({"&File", "&Display", "&Action", "View", "3D Modelling", "2D Modelling", "Transform",
                                 "Texture", "Sounds", "&?"}));
    std::set<int> shown;
    for (auto& [a, path] : menu_actions(s.frame)) {
        const int id = a->property("qv_command").toInt();
        const Command* c = find_command(id);
        ASSERT_NE(c, nullptr) << id;
        EXPECT_EQ(a->text().toStdString(), c->text) << id;
        EXPECT_EQ(path.toStdString(), c->menu) << id;
        EXPECT_EQ(a->shortcut().toString().toStdString(), c->shortcut) << id;
        EXPECT_TRUE(shown.insert(id).second) << id << " shown twice";
        // The menu item and the toolbar button are one action.
        EXPECT_EQ(s.frame.commandAction(id), a);
    }
    for (const Command& c : command_table()) EXPECT_EQ(shown.count(c.id), *c.menu ? 1u : 0u) << c.id;
    // Printing is the window's own.
    for (int id : {57607, 57608, 57609, 57606}) EXPECT_TRUE(s.frame.commandAction(id)->isEnabled()) << id;
}

TEST(Shell, CheckMarkFollowsItsSwitchWhenTheMenuOpens)
{
    Shell s;
    QAction* wire = s.frame.commandAction(32780);
    ASSERT_NE(wire, nullptr);
    QMenu* display = s.frame.findChild<QMenu*>("&Display");
    ASSERT_NE(display, nullptr);
    emit display->aboutToShow();
    EXPECT_FALSE(wire->isChecked());
    wire->trigger();
    EXPECT_TRUE(s.frame.scene()->m_wireframe);
    wire->setChecked(false);   // whatever the action thinks, the menu asks the switch
    emit display->aboutToShow();
    EXPECT_TRUE(wire->isChecked());
    wire->trigger();
    emit display->aboutToShow();
    EXPECT_FALSE(wire->isChecked());
}

TEST(Shell, RecentFileListKeepsTenNewestFirstAndSurvivesTheWindow)
{
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << dir.filePath(QString("scene%1.wrl").arg(i));
        ASSERT_TRUE(QFile::copy(sample("markers_v1.wrl"), files.back()));
    }
    {
        Shell s;
        for (const QString& f : files) ASSERT_TRUE(s.frame.OpenDocument(f));
        QStringList want;
        for (int i = 11; i >= 2; --i) want << files[i];
        EXPECT_EQ(s.frame.recentFiles().files(), want);
        // Reopening an entry moves it to the top.
        ASSERT_TRUE(s.frame.OpenDocument(files[5]));
        want.removeAll(files[5]);
        want.prepend(files[5]);
        EXPECT_EQ(s.frame.recentFiles().files(), want);
        // An entry that no longer opens says so and changes nothing.
        QFile::remove(files[7]);
        EXPECT_FALSE(s.frame.OpenDocument(files[7]));
        EXPECT_EQ(s.rep.boxes, std::vector<std::string>{"File not found"});
        EXPECT_EQ(s.frame.recentFiles().files(), want);
        EXPECT_EQ(s.frame.document().m_path, files[5].toStdString());
    }
    Shell again;
    ASSERT_EQ(again.frame.recentFiles().files().size(), 10);
    EXPECT_EQ(again.frame.recentFiles().files().first(), files[5]);
    // The "&File" menu lists them; choosing one opens it.
    QMenu* file = again.frame.findChild<QMenu*>("&File");
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    QList<QAction*> recent;
    for (QAction* a : file->actions())
        if (a->property("qv_recent").isValid()) recent << a;
    ASSERT_EQ(recent.size(), 10);
    EXPECT_TRUE(recent[0]->text().startsWith("&1 "));
    recent[2]->trigger();
    EXPECT_EQ(again.frame.document().m_path, recent[2]->property("qv_recent").toString().toStdString());
    EXPECT_EQ(again.frame.windowTitle(), QFileInfo(recent[2]->property("qv_recent").toString()).fileName() +
                                             "[*] - Quorvel");
}

TEST(Shell, ADroppedFileOpensLikeFileOpen)
{
    Shell s;
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(sample("house.wrl"))});
    const QPointF at(100, 100);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s.frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s.frame, &drop);
    QTRY_VERIFY_WITH_TIMEOUT(s.frame.scene()->nbobjects > 0, 60000);
    EXPECT_EQ(s.frame.windowTitle(), "house.wrl[*] - Quorvel");
    EXPECT_EQ(s.frame.recentFiles().files().value(0), QFileInfo(sample("house.wrl")).canonicalFilePath());
    delete mime;
}

TEST(Shell, SaveWritesTheNamedFileAndOpenBinaryReadsTheChosenOne)
{
    Shell s;
    ASSERT_TRUE(s.frame.OpenDocument(sample("house.wrl")));
    const int objects = s.frame.scene()->nbobjects;
    // A change marks the title until the scene is saved.
    s.frame.document().m_modified = 1;
    s.frame.view()->repaint();
    QTRY_VERIFY_WITH_TIMEOUT(s.frame.isWindowModified(), 60000);
    EXPECT_EQ(s.frame.document().m_modified, 0);   // the frame cleared the flag

    QTemporaryDir dir;
    const QString saved = dir.filePath("sub/../house copy.wrb");
    QDir().mkpath(dir.filePath("sub"));
    ASSERT_TRUE(s.frame.SaveDocument(saved));
    EXPECT_TRUE(QFile::exists(dir.filePath("house copy.wrb")));
    EXPECT_FALSE(QFile::exists("file"));
    EXPECT_FALSE(s.frame.isWindowModified());

    // "Open Binary" from its menu item, the chooser answered with the path.
    const QString cwd = QDir::currentPath();
    answer_file_dialog(dir.filePath("house copy.wrb"));
    s.frame.commandAction(33003)->trigger();
    EXPECT_EQ(QDir::currentPath(), cwd);
    EXPECT_EQ(s.frame.scene()->nbobjects, objects);
    EXPECT_EQ(current_scene(), s.frame.scene());
    // The loaded scene draws and picks like any other.
    s.frame.view()->makeCurrent();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    s.frame.view()->doneCurrent();
}

TEST(Shell, PlayWithoutASoundDeviceChangesNothingVisible)
{
    Shell s;
    ASSERT_TRUE(s.frame.OpenDocument(sample("house.wrl")));
    const QString status = s.frame.statusText();
    const int objects = s.frame.scene()->nbobjects;
    QAction* play = s.frame.commandAction(32877);
    ASSERT_NE(play, nullptr);
    EXPECT_TRUE(play->isEnabled());
    play->trigger();
    play->trigger();
    EXPECT_EQ(s.frame.statusText(), status);
    EXPECT_EQ(s.frame.scene()->nbobjects, objects);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Each use opens the device again, never two at once.
    const SoundDevice& dev = s.frame.view()->sound();
    EXPECT_EQ(dev.is_open(), dev.opens() > 0);
}

TEST(Shell, ReplacedScenesLeaveNoDisplayListsOrTexturesBehind)
{
    Shell s;
    CQuorvelView* view = s.frame.view();
    const char* files[] = {"house.wrl", "separators_v1.wrl", "cube.x", "markers_v1.wrl", "anim.wrl", "house.wrb"};
    std::vector<GLuint> lists, textures;
    auto collect = [&] {
        SCENE3D* sc = s.frame.scene();
        for (int i = 0; i < sc->nbobjects; ++i)
            if (sc->m_objects[i] && sc->m_objects[i]->m_list) lists.push_back((GLuint)sc->m_objects[i]->m_list);
        for (int i = 0; i < sc->m_nb_texture_names; ++i)
            if (sc->m_texture_names[i]) textures.push_back(sc->m_texture_names[i]);
    };
    for (int round = 0; round < 3; ++round)
        for (const char* f : files) {
            ASSERT_TRUE(s.frame.OpenDocument(sample(f))) << f;
            view->repaint();   // lists compiled lazily are made too
            // The lists come once the first frame has been shown.
            QTRY_VERIFY_WITH_TIMEOUT(!s.frame.scene()->m_lists_deferred, 60000);
            collect();
        }
    ASSERT_FALSE(lists.empty());
    ASSERT_FALSE(textures.empty());
    s.frame.NewDocument();
    view->makeCurrent();
    int live_lists = 0, live_textures = 0;
    for (GLuint l : lists) live_lists += glIsList(l) ? 1 : 0;
    for (GLuint t : textures) live_textures += glIsTexture(t) ? 1 : 0;
    view->doneCurrent();
    EXPECT_EQ(live_lists, 0) << "of " << lists.size();
    EXPECT_EQ(live_textures, 0) << "of " << textures.size();
}

// One user session: File Open with the chooser answered, a pick, and
// "Save as BMP..." gives the very image the command line renders.
TEST(Shell, OpenPickAndSnapshotThroughTheMenusMatchTheCommandLine)
{
    Shell s;
    CQuorvelView* view = s.frame.view();
    const QString cwd = QDir::currentPath();
    answer_file_dialog(sample("house.wrl"));
    s.frame.commandAction(57601)->trigger();
    ASSERT_GT(s.frame.scene()->nbobjects, 0);
    EXPECT_EQ(QDir::currentPath(), cwd);
    EXPECT_EQ(s.frame.windowTitle(), "house.wrl[*] - Quorvel");
    EXPECT_EQ(s.frame.recentFiles().files().value(0), QFileInfo(sample("house.wrl")).canonicalFilePath());

    // Mode Picking, then a right click on the middle of the house.
    s.frame.commandAction(32795)->trigger();
    QImage shown = view->grabFramebuffer();
    QPoint at(-1, -1);
    for (int y = view->height() / 3; y < view->height() && at.x() < 0; y += 4)
        if (shown.pixel(view->width() / 2, y) != shown.pixel(2, 2)) at = QPoint(view->width() / 2, y);
    ASSERT_GE(at.x(), 0);
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, at);
    EXPECT_TRUE(s.frame.statusText().startsWith("Objet: ")) << s.frame.statusText().toStdString();

    QTemporaryDir dir;
    const QString shot = dir.filePath("shot.bmp");
    answer_file_dialog(shot);
    s.frame.commandAction(32796)->trigger();
    ASSERT_TRUE(QFile::exists(shot));
    CTexture mine;
    ASSERT_TRUE(mine.ReadFile(shot.toStdString()));
    const int w = mine.GetWidth(), h = mine.GetHeight();
    EXPECT_EQ(w, view->width() * view->devicePixelRatio());
    EXPECT_EQ(h, view->height() * view->devicePixelRatio());

    const QString cli = dir.filePath("cli.bmp");
    QProcess p;
    p.start(QV_QUORVEL_EXE, {"--snapshot", cli, "--size", QString("%1x%2").arg(w).arg(h), sample("house.wrl")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    CTexture theirs;
    ASSERT_TRUE(theirs.ReadFile(cli.toStdString()));
    ASSERT_EQ(theirs.GetWidth(), w);
    ASSERT_EQ(theirs.GetHeight(), h);
    long differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) {
            const int a = mine.GetData()[(size_t)y * mine.widthbyte32 + x];
            const int b = theirs.GetData()[(size_t)y * theirs.widthbyte32 + x];
            if (std::abs(a - b) > 2) ++differing;
        }
    EXPECT_LT(differing, (long)w * h * 3 / 1000) << "of " << w * h * 3 << " bytes";
}

// Run by the test below in a process of its own: Escape in the view ends
// the program at once.
TEST(ShellChild, DISABLED_EscapeInTheView)
{
    Shell s;
    s.frame.view()->setFocus();
    QTest::keyClick(s.frame.view(), Qt::Key_Escape);
    ADD_FAILURE() << "still running after Escape";
}

TEST(Shell, EscapeEndsTheProgramWithStatus999)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(),
            {"--gtest_also_run_disabled_tests", "--gtest_filter=ShellChild.DISABLED_EscapeInTheView"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 999 & 0xFF) << p.readAllStandardOutput().toStdString();
}

TEST(Shell, VersionAndInstalledFiles)
{
    QProcess p;
    p.start(QV_QUORVEL_EXE, {"--version"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), "quorvel version 1.73");

    QTemporaryDir prefix;
    QProcess install;
    install.start("cmake", {"--install", QV_BINARY_DIR, "--prefix", prefix.path()});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    for (const char* f : {"bin/quorvel", "share/applications/quorvel.desktop", "share/icons/hicolor/scalable/apps/quorvel.svg",
                          "share/mime/packages/quorvel.xml", "share/thumbnailers/quorvel.thumbnailer",
                          "share/man/man1/quorvel.1.gz", "share/metainfo/org.quorvel.quorvel.metainfo.xml"})
        EXPECT_TRUE(QFile::exists(prefix.filePath(f))) << f;
    // The window module is in the program's library folder, not among the
    // programs; the installed program finds it from its own folder (a
    // window system plug-in that does not exist is as far as it gets).
    EXPECT_FALSE(QFile::exists(prefix.filePath("bin/libquorvel-gui.so")));
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "no-such-platform");
    window.setProcessEnvironment(env);
    window.start(prefix.filePath("bin/quorvel"), {});
    ASSERT_TRUE(window.waitForFinished(30000));
    const QString said = window.readAllStandardError();
    EXPECT_NE(window.exitCode(), 0);
    EXPECT_FALSE(said.contains("cannot load the viewer window")) << said.toStdString();
    EXPECT_TRUE(said.contains("no-such-platform")) << said.toStdString();
    EXPECT_TRUE(QDir(prefix.filePath("share/quorvel")).exists()) << "data files";
    QFile desktop(prefix.filePath("share/applications/quorvel.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QByteArray text = desktop.readAll();
    EXPECT_TRUE(text.contains("MimeType=model/vrml;")) << text.toStdString();
    EXPECT_TRUE(text.contains("Exec=quorvel %f"));
}

TEST(Shell, CommandsReachTheirDialogWindowsAndMarkTheTitle)
{
    Shell s;
    QString seen;
    QTimer::singleShot(0, [&seen] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen = d->windowTitle();
            d->reject();
        }
    });
    s.frame.commandAction(32824)->trigger();   // "Mesh n*p", cancelled
    EXPECT_EQ(seen, "Dialog_mesh");
    EXPECT_EQ(s.frame.scene()->nbobjects, 0);
    EXPECT_FALSE(s.frame.isWindowModified());

    s.frame.commandAction(32809)->trigger();   // "Mesh" adds an object
    EXPECT_EQ(s.frame.scene()->nbobjects, 1);
    EXPECT_TRUE(s.frame.isWindowModified());
    s.frame.view()->repaint();                  // the frame clears the flag, the mark stays
    EXPECT_EQ(s.frame.document().m_modified, 0);
    EXPECT_TRUE(s.frame.isWindowModified());
    s.frame.NewDocument();
    EXPECT_FALSE(s.frame.isWindowModified());
}

TEST(Shell, KeysOfTheViewReachItsBehaviour)
{
    Shell s;
    ASSERT_TRUE(s.frame.OpenDocument(sample("house.wrl")));
    CQuorvelView* view = s.frame.view();
    // Key events go to the view itself: whether the window manager made the
    // window active does not matter.
    const Vec3 before = s.frame.scene()->m_camera->position;
    QTest::keyClick(view, Qt::Key_PageDown);   // next viewpoint, named on the status line
    EXPECT_NE(s.frame.statusText(), "Ready");
    EXPECT_FALSE(s.frame.scene()->m_camera->position == before);
    const Vec3 at_viewpoint = s.frame.scene()->m_camera->position;
    // "View All" is bound to Home in its menu; shortcuts act only in the
    // active window, so the binding is checked and its action triggered.
    QAction* view_all = s.frame.commandAction(33001);
    ASSERT_NE(view_all, nullptr);
    EXPECT_EQ(view_all->shortcut(), QKeySequence(Qt::Key_Home));
    view_all->trigger();
    EXPECT_FALSE(s.frame.scene()->m_camera->position == at_viewpoint);
    EXPECT_EQ(s.frame.scene()->m_camera->rotation, Vec3(0, 0, 0));
}

TEST(Shell, LongLoadsShowTheirProgressInTheStatusBar)
{
    Shell s;
    auto* bar = s.frame.findChild<QProgressBar*>("loadProgress");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    // Every load counts as long here; the frame's own display is kept.
    LoadProgressFn shown = set_load_progress({});
    std::vector<int> seen;
    bool visible_while_loading = true;
    set_load_progress(
        [&](const std::string& f, int percent) {
            shown(f, percent);
            seen.push_back(percent);
            if (percent < 100) visible_while_loading = visible_while_loading && bar->isVisible();
        },
        std::chrono::milliseconds(0));
    ASSERT_TRUE(s.frame.OpenDocument(sample("house.wrl")));
    set_load_progress(shown);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    EXPECT_GT(seen.size(), 1u);
    EXPECT_TRUE(visible_while_loading);
    EXPECT_TRUE(bar->isHidden());
}

TEST(Shell, TheBoardIsDrawnInTheViewInTwoDimensionalMode)
{
    Shell s;
    CQuorvelView* view = s.frame.view();
    ASSERT_TRUE(run_command(view->behaviour(), 32854));   // 2D Polygon: the board is shown
    ASSERT_TRUE(run_command(view->behaviour(), 32856));   // Lines
    ASSERT_TRUE(view->behaviour().m_2d_mode);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(40, 60));
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(200, 60));
    view->update();
    QImage shown = view->grabFramebuffer();
    const QColor background = view->clearColour();
    // The line between the two clicks is drawn dark on the cleared window.
    EXPECT_LT(qGray(shown.pixel(120, 60)), 64);
    EXPECT_EQ(QColor(shown.pixel(131, 127)).rgb(), background.rgb());   // between grid dots
}
