// The image editor window under a display: what it shows after an Open,
// the outline that follows the mouse, the movie on its timer, a name it
// cannot read, and files written where the user chose. File names are
// answered by a stand-in for the file dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <set>

#include "app/mainframe.h"
#include "dialogs/replication_dlg.h"
#include "image/texture.h"
#include "image/image_test_util.h"
#include "support/recorder.h"
#include "view/qt/filter_window.h"
#include "view/qt/view.h"
#include "view/view_host.h"

using namespace imgtest;

namespace {

// Answers file questions from a list, keeping what was asked.
struct FakeFileDialog {
    std::deque<QString> answers;
    std::vector<FileRequest> asked;
    FileDialogFn fn()
    {
        return [this](QWidget*, const FileRequest& r) {
            asked.push_back(r);
            if (answers.empty()) return QString();
            QString a = answers.front();
            answers.pop_front();
            return a;
        };
    }
};

QString q(const std::string& s) { return QString::fromStdString(s); }

QImage shown(CReplicationDlg& dlg) { return dlg.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB888); }

long count_red(const QImage& img)
{
    long n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == qRgb(255, 0, 0)) ++n;
    return n;
}

// The test picture's colour at (x, y).
QRgb expected(int x, int y)
{
    unsigned char bgr[3];
    pattern(x, y, bgr);
    return qRgb(bgr[2], bgr[1], bgr[0]);
}

} // namespace

TEST(ReplicationDlg, ShowsTheOpenedBmpAndLeavesTheViewsContextCurrent)
{
    ScratchDir dir;
    const int W = 37, H = 23;
    write_whole_file(dir.file("p.bmp"), make_bmp(W, H, pattern));
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    CQuorvelView* view = frame.view();
    ASSERT_TRUE(view->isValid());
    view->makeCurrent();
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    ASSERT_NE(ctx, nullptr);
    QWidget* filtre = ViewFilterWindow(view);
    ASSERT_NE(filtre, nullptr);
    EXPECT_FALSE(filtre->isVisible());

    FakeFileDialog files;
    files.answers = {q(dir.file("p.bmp"))};
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CReplicationDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle(), "Replication");
        dlg->SetFileDialog(files.fn());
        dlg->action(CReplicationDlg::ID_FILE_OPEN)->trigger();
        ASSERT_EQ(files.asked.size(), 1u);
        EXPECT_FALSE(files.asked[0].save);
        ASSERT_FALSE(files.asked[0].filters.isEmpty());
        // The first filter is named as the window always named it; the
        // patterns it matches (its last parentheses) take .jpeg pictures too.
        const QString first = files.asked[0].filters[0];
        EXPECT_TRUE(first.startsWith("Files (*.lumi,*.bmp,*.jpeg) (")) << first.toStdString();
        const QStringList patterns = first.mid(first.lastIndexOf('(') + 1).chopped(1).split(' ');
        for (const char* p : {"*lumi", "*.bmp", "*.jpg", "*.jpeg"}) EXPECT_TRUE(patterns.contains(p)) << p;
        EXPECT_TRUE(filtre->isVisible());
        EXPECT_EQ(filtre->windowTitle(), "Filtre");
        EXPECT_EQ(dlg->state().selection, (SelectionRect{0, 0, W - 1, H - 1}));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
        const QImage img = shown(*dlg);
        // Inside the outline every pixel is the picture's; the outline runs
        // dashed along its border; right of and below it is background.
        long wrong = 0;
        for (int y = 1; y < H - 1; ++y)
            for (int x = 1; x < W - 1; ++x)
                if (img.pixel(x, y) != expected(x, y)) ++wrong;
        EXPECT_EQ(wrong, 0);
        long red = 0, border = 0;
        for (int x = 0; x < W; ++x)
            for (int y : {0, H - 1}) {
                ++border;
                QRgb p = img.pixel(x, y);
                if (p == qRgb(255, 0, 0)) ++red;
                else EXPECT_EQ(p, expected(x, y)) << x << "," << y;
            }
        EXPECT_GT(red, 0);
        EXPECT_LT(red, border);
        const QRgb bg = dlg->canvas()->palette().color(QPalette::Window).rgb();
        EXPECT_EQ(img.pixel(W + 2, 3), bg);
        EXPECT_EQ(img.pixel(3, H + 2), bg);
        EXPECT_EQ(QOpenGLContext::currentContext(), ctx);
        checked = true;
        dlg->reject();
    });
    // As the view answers the Texture menu's "&Edit..." and "Filter".
    EXPECT_FALSE(RunReplicationRequest(view, DialogRequest("Dialog_mesh")));
    EXPECT_FALSE(checked);
    EXPECT_TRUE(RunReplicationRequest(view, DialogRequest("Replication")));
    EXPECT_TRUE(checked);
    EXPECT_FALSE(filtre->isVisible()) << "the Filtre window closes with the editor";
    EXPECT_EQ(QOpenGLContext::currentContext(), ctx) << "the view's context stays current";
    view->doneCurrent();
}

TEST(ReplicationDlg, MouseDragClampsToThePictureAndTheOutlineFollows)
{
    ScratchDir dir;
    write_whole_file("p.bmp", make_bmp(40, 30, pattern));
    CReplicationDlg dlg;
    FakeFileDialog files;
    files.answers = {q(dir.file("p.bmp"))};
    dlg.SetFileDialog(files.fn());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.RunCommand(CReplicationDlg::ID_FILE_OPEN);
    QWidget* c = dlg.canvas();
    ASSERT_GT(c->width(), 100);
    ASSERT_GT(c->height(), 60);

    QTest::mousePress(c, Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mouseMove(c, QPoint(20, 15));
    QTest::mouseMove(c, QPoint(90, 55));   // beyond the picture
    EXPECT_EQ(dlg.state().selection, (SelectionRect{5, 6, 39, 29}));
    QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(90, 55));
    const QImage img = shown(dlg);
    long red_right = 0;
    for (int y = 6; y <= 29; ++y)
        if (img.pixel(39, y) == qRgb(255, 0, 0)) ++red_right;
    EXPECT_GT(red_right, 0) << "the outline's right side runs on the last column";
    EXPECT_EQ(img.pixel(2, 2), expected(2, 2)) << "the old outline is gone";
    EXPECT_EQ(img.pixel(39, 3), expected(39, 3));
    // F5: the mirrored tile of the selection, then selected whole.
    // Its key is F5; shortcuts act only in the active window, so the binding
    // is checked and the action triggered.
    QAction* mirror = dlg.action(CReplicationDlg::ID_DUPLICATE_MIRROR);
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->shortcut(), QKeySequence(Qt::Key_F5));
    mirror->trigger();
    EXPECT_EQ(dlg.state().image.width, 70);
    EXPECT_EQ(dlg.state().image.height, 48);
    EXPECT_EQ(dlg.state().selection, (SelectionRect{0, 0, 69, 47}));
    EXPECT_EQ(shown(dlg).pixel(1, 24), expected(6, 6));   // upright in the lower left quarter
}

TEST(ReplicationDlg, PlayRunsTheLumiMovieWithoutOutlineAndBmpDoesNotPlay)
{
    ScratchDir dir;
    write_whole_file("p.bmp", make_bmp(20, 10, pattern));
    write_whole_file("m.lumi", make_lumi('A', 32, 12, 3, false, [](int f, int, int) { return (unsigned char)(60 * f + 20); }));
    CReplicationDlg dlg;
    FakeFileDialog files;
    files.answers = {q(dir.file("p.bmp")), q(dir.file("m.lumi"))};
    dlg.SetFileDialog(files.fn());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    dlg.RunCommand(CReplicationDlg::ID_FILE_OPEN);
    dlg.RunCommand(CReplicationDlg::ID_PLAY_MOVIE);
    EXPECT_FALSE(dlg.MovieRunning());
    EXPECT_GT(count_red(shown(dlg)), 0);

    dlg.RunCommand(CReplicationDlg::ID_FILE_OPEN);
    ASSERT_NE(dlg.state().image.lumi, nullptr);
    EXPECT_GT(count_red(shown(dlg)), 0);
    dlg.action(CReplicationDlg::ID_PLAY_MOVIE)->trigger();
    EXPECT_TRUE(dlg.MovieRunning());
    // Frames go 0, 1, 2, 3, 0, ... one per tick of the movie's timer, seen
    // after each tick however late the ticks come.
    std::vector<int> seen{dlg.state().image.frame};
    QObject::connect(&dlg.movieTimer(), &QTimer::timeout, &dlg,
                     [&] { seen.push_back(dlg.state().image.frame); });
    QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 6, 120000);
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], (seen[i - 1] + 1) % 4) << "step " << i;
    const QImage playing = shown(dlg);
    EXPECT_EQ(count_red(playing), 0);
    const QRgb grey = playing.pixel(5, 5);
    EXPECT_TRUE(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
    EXPECT_TRUE(std::set<int>({20, 80, 140}).count(qRed(grey)));

    dlg.action(CReplicationDlg::ID_STOP)->trigger();
    EXPECT_FALSE(dlg.MovieRunning());
    EXPECT_EQ(dlg.state().playing, 0);
    EXPECT_GT(count_red(shown(dlg)), 0);
}

TEST(ReplicationDlg, JpegNameGivesTheMessageAndNoPictureAndEveryCommandStaysHarmless)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_whole_file("p.bmp", make_bmp(20, 10, pattern));
    CReplicationDlg dlg;
    FakeFileDialog files;
    const std::string jpeg = dir.file("photo.jpeg");
    files.answers = {q(dir.file("p.bmp")), q(jpeg)};
    dlg.SetFileDialog(files.fn());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.RunCommand(CReplicationDlg::ID_FILE_OPEN);
    dlg.RunCommand(CReplicationDlg::ID_FILE_OPEN);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "CTexture::ReadFile : invalid file redirection : " + jpeg + "\n");
    EXPECT_TRUE(dlg.state().selection.empty());

    const QRgb bg = dlg.canvas()->palette().color(QPalette::Window).rgb();
    auto all_background = [&] {
        const QImage img = shown(dlg);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != bg) return false;
        return true;
    };
    EXPECT_TRUE(all_background());
    // Every item of the menu, the file questions cancelled.
    for (QAction* menu : dlg.menu()->actions())
        for (QAction* a : menu->menu()->actions()) a->trigger();
    QTest::mousePress(dlg.canvas(), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(dlg.canvas(), QPoint(30, 30));
    QTest::mouseRelease(dlg.canvas(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_FALSE(dlg.MovieRunning());
    EXPECT_TRUE(dlg.state().selection.empty());
    EXPECT_TRUE(all_background());
    EXPECT_EQ(rec.boxes.size(), 1u);
    for (const FileRequest& r : files.asked) EXPECT_FALSE(r.save) << "nothing to save, no question";
}

TEST(ReplicationDlg, OpenAndSaveUseTheFullPathChosen)
{
    RecordingReporter rec;
    ScratchDir other;   // where the files are
    ScratchDir dir;     // the current folder
    std::filesystem::create_directory(other.file("sub"));
    write_whole_file(other.file("in.bmp"), make_bmp(9, 5, pattern));
    CReplicationDlg dlg;
    FakeFileDialog files;
    files.answers = {q(other.file("in.bmp")), q(other.file("sub/out.bmp"))};
    dlg.SetFileDialog(files.fn());
    dlg.RunCommand(CReplicationDlg::ID_FILE_OPEN);
    ASSERT_TRUE(dlg.state().HasPicture());
    dlg.RunCommand(CReplicationDlg::ID_FILE_SAVE_AS);
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_TRUE(files.asked[1].save);
    EXPECT_EQ(files.asked[1].filters, QStringList{"BMP image file (*.bmp)"});
    EXPECT_EQ(files.asked[1].default_suffix, "bmp");
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.bmp")));
    EXPECT_EQ(read_whole_file(other.file("sub/out.bmp")), read_whole_file(other.file("in.bmp")));
}
