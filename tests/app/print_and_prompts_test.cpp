// Printing through a PDF printer read back as pixels, the status-line help
// of menu items and toolbar buttons, the snapshot of the 2D board and the
// object editor's scale, all in the real window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <cstdlib>
#include <string>

#include "app/mainframe.h"
#include "app/printing.h"
#include "app/qt_reporter.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/qt/view.h"

namespace {
// The quad is object 0; the viewpoint (where the reset camera stands) comes after it.
const char k_red_quad[] = "#VRML V2.0 utf8\n"
                          "Shape { appearance Appearance { material Material {\n"
                          "  diffuseColor 1 0 0 emissiveColor 1 0 0 } }\n"
                          "  geometry IndexedFaceSet { solid FALSE\n"
                          "    coord Coordinate { point [ -3 -3 0, 3 -3 0, 3 3 0, -3 3 0 ] }\n"
                          "    coordIndex [ 0, 1, 2, 3, -1 ] } }\n"
                          "Viewpoint { position 0 0 20 }\n";

bool is_red(QRgb c) { return qRed(c) > 100 && qGreen(c) < 60 && qBlue(c) < 60; }

struct Window {
    CMainFrame frame;
    QtReporter rep;
    Reporter* prev;
    ScratchDir dir;
    Window()
    {
        rep.on_status = [this](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
        prev = set_reporter(&rep);
        frame.resize(640, 480);
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
    ~Window() { set_reporter(prev); }
    void open_red_quad()
    {
        write_whole_file(dir.file("red_quad.wrl"), k_red_quad);
        ASSERT_TRUE(frame.OpenDocument(QString::fromStdString(dir.file("red_quad.wrl"))));
    }
    // The bounding box of the red pixels of `img`.
    static QRect red_box(const QImage& img)
    {
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (is_red(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
        return box;
    }
};

// The pages of a PDF rasterised at `dpi`, or none when it cannot be read.
std::vector<QImage> pdf_pages(const std::string& pdf, const std::string& prefix, int dpi)
{
    QProcess p;
    p.start("pdftoppm", {"-r", QString::number(dpi), "-png", QString::fromStdString(pdf),
                         QString::fromStdString(prefix)});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return {};
    std::vector<QImage> pages;
    for (int i = 1; i < 100; ++i) {
        QImage img;
        // pdftoppm numbers pages with as many digits as the count needs.
        if (!img.load(QString::fromStdString(prefix) + QString("-%1.png").arg(i)) &&
            !img.load(QString::fromStdString(prefix) + QString("-%1.png").arg(i, 2, 10, QChar('0'))))
            break;
        pages.push_back(img);
    }
    return pages;
}
} // namespace

TEST(Printing, PicturesAreCentredAndFitTheirArea)
{
    EXPECT_EQ(fit_centred(QSize(400, 300), QRect(10, 20, 1000, 1000)), QRect(10, 145, 1000, 750));
    EXPECT_EQ(fit_centred(QSize(300, 600), QRect(0, 0, 1000, 500)), QRect(375, 0, 250, 500));
    EXPECT_EQ(fit_centred(QSize(5, 5), QRect(0, 0, 3, 7)), QRect(0, 2, 3, 3));
    EXPECT_TRUE(fit_centred(QSize(0, 5), QRect(0, 0, 3, 7)).isEmpty());
    EXPECT_TRUE(fit_centred(QSize(5, 5), QRect(0, 0, 0, 7)).isEmpty());
}

TEST(Printing, PrintDirectWritesOnePdfPageWithTheSceneCentred)
{
    Window w;
    w.open_red_quad();
    CQuorvelView* view = w.frame.view();
    // Drawn anew at a size larger than the window, the picture keeps what
    // the window shows, not its pixels enlarged.
    const QImage big = view->renderImage(1600, 1200);
    ASSERT_EQ(big.size(), QSize(1600, 1200));
    const QRect big_red = Window::red_box(big);
    ASSERT_FALSE(big_red.isEmpty());
    EXPECT_NEAR(big_red.center().x(), 800, 4);
    EXPECT_NEAR(big_red.center().y(), 600, 4);
    // 6 units at 20 units away with a 45 degree field: 6 / 16.57 of the height.
    EXPECT_NEAR(big_red.height(), 1200 * 6 / 16.57, 12);
    EXPECT_EQ(big.pixel(3, 3), view->clearColour().rgb());

    const std::string pdf = w.dir.file("page.pdf");
    QPrinter& printer = w.frame.printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageOrientation(QPageLayout::Landscape);
    QAction* direct = w.frame.commandAction(57608);
    ASSERT_NE(direct, nullptr);
    EXPECT_TRUE(direct->isEnabled());
    direct->trigger();

    const std::vector<QImage> pages = pdf_pages(pdf, w.dir.file("page"), 30);
    ASSERT_EQ(pages.size(), 1u) << "pdftoppm could not read " << pdf;
    const QImage& page = pages[0];
    ASSERT_GT(page.width(), page.height());   // landscape
    EXPECT_TRUE(is_red(page.pixel(page.width() / 2, page.height() / 2)));
    const QRect red = Window::red_box(page);
    EXPECT_NEAR(red.center().x(), page.width() / 2.0, page.width() * 0.02);
    EXPECT_NEAR(red.center().y(), page.height() / 2.0, page.height() * 0.03);
    // The scene's background fills the picture around the quad.
    const QRgb clear = view->clearColour().rgb();
    const QRgb beside = page.pixel(red.left() - red.width() / 2, page.height() / 2);
    EXPECT_NEAR(qRed(beside), qRed(clear), 12);
    EXPECT_NEAR(qGreen(beside), qGreen(clear), 12);
    EXPECT_NEAR(qBlue(beside), qBlue(clear), 12);
}

TEST(Printing, PreviewShowsOnePageAndTheCommandsAreEnabled)
{
    Window w;
    w.open_red_quad();
    for (int id : {57606, 57607, 57608, 57609}) {
        ASSERT_NE(w.frame.commandAction(id), nullptr) << id;
        EXPECT_TRUE(w.frame.commandAction(id)->isEnabled()) << id;
    }
    EXPECT_EQ(w.frame.commandAction(57607)->shortcut(), QKeySequence("Ctrl+P"));
    QToolBar* bar = w.frame.toolBar(128);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->actions().contains(w.frame.commandAction(57607)));

    w.frame.printer().setOutputFormat(QPrinter::PdfFormat);
    int pages = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        auto* preview = dlg->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        preview->updatePreview();
        pages = preview->pageCount();
        dlg->reject();
    });
    w.frame.commandAction(57609)->trigger();
    EXPECT_EQ(title, "Print Preview");
    EXPECT_EQ(pages, 1);
}

TEST(StatusPrompts, HighlightedMenuItemShowsItsPromptThenReady)
{
    Window w;
    QMenu* file = w.frame.findChild<QMenu*>("&File");
    ASSERT_NE(file, nullptr);
    QAction* bmp = w.frame.commandAction(32796);
    ASSERT_NE(bmp, nullptr);
    file->popup(w.frame.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    // Highlighted as the keyboard does it (the pointer's path over a menu
    // depends on where the real cursor happens to be).
    file->setActiveAction(bmp);
    EXPECT_EQ(file->activeAction(), bmp);
    EXPECT_EQ(w.frame.statusText().toStdString(), command_prompt(32796));
    file->hide();
    EXPECT_EQ(w.frame.statusText(), "Ready");
}

TEST(StatusPrompts, ToolbarButtonsShowThePromptOfTheirCommand)
{
    Window w;
    QToolBar* bar = w.frame.toolBar(128);
    ASSERT_NE(bar, nullptr);
    QWidget* print = bar->widgetForAction(w.frame.commandAction(57607));
    ASSERT_NE(print, nullptr);
    const QPointF local(4, 4);
    QEnterEvent enter(local, local, print->mapToGlobal(local));
    QApplication::sendEvent(print, &enter);
    EXPECT_EQ(w.frame.statusText().toStdString(), command_prompt(57607));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(print, &leave);
    EXPECT_EQ(w.frame.statusText(), "Ready");
}

TEST(BoardSnapshot, SaveAsBmpIn2DModeReadsTheBoard)
{
    Window w;
    w.open_red_quad();
    CQuorvelView* view = w.frame.view();
    auto count_red = [](const std::vector<uint8_t>& px) {
        long n = 0;
        for (size_t i = 0; i + 2 < px.size(); i += 3)
            if (px[i] > 100 && px[i + 1] < 60 && px[i + 2] < 60) ++n;
        return n;
    };
    int fw = 0, fh = 0;
    EXPECT_GT(count_red(view->read_frame(fw, fh)), 100);
    w.frame.RunCommand(32854);   // the board
    w.frame.RunCommand(32856);   // Lines: two clicks make one
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(20, 30));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(200, 30));
    std::vector<uint8_t> px = view->read_frame(fw, fh);
    ASSERT_EQ(px.size(), (size_t)fw * 3 * fh);
    const QColor clear = view->clearColour();
    // Where the scene showed the quad, the board shows its background.
    const size_t centre = ((size_t)(fh / 2) * fw + fw / 2) * 3;
    EXPECT_EQ(QColor(px[centre], px[centre + 1], px[centre + 2]), clear) << "the hidden scene is not in the picture";
    long background = 0, other = 0;
    for (size_t i = 0; i + 2 < px.size(); i += 3) {
        if (px[i] == clear.red() && px[i + 1] == clear.green() && px[i + 2] == clear.blue()) ++background;
        else ++other;
    }
    EXPECT_GT(background, (long)fw * fh / 2);
    EXPECT_GT(other, 50) << "the line drawn on the board";
}

TEST(ObjectEditorScale, TheSliderResizesTheChosenObjectLiveAndAfterOk)
{
    Window w;
    w.open_red_quad();
    CQuorvelView* view = w.frame.view();
    const QRect before = Window::red_box(view->renderImage(400, 300));
    ASSERT_FALSE(before.isEmpty());
    w.frame.RunCommand(32833);   // Edit Object
    QWidget* panel = w.frame.findChild<QWidget*>("Object Editor");
    ASSERT_NE(panel, nullptr);
    auto* objects = panel->findChild<QComboBox*>("ctl1050");
    auto* range = panel->findChild<QSlider*>("ctl1073");
    auto* scale = panel->findChild<QSlider*>("ctl1069");
    ASSERT_TRUE(objects && range && scale);
    // Without a chosen object the slider changes no object.
    scale->setValue(60);
    EXPECT_EQ(Window::red_box(view->renderImage(400, 300)).size(), before.size());
    scale->setValue(50);
    ASSERT_GE(objects->count(), 1);
    objects->setCurrentIndex(0);
    emit objects->activated(0);
    range->setValue(10);   // range 0.10
    scale->setValue(43);   // e^(-0.7): about half the size
    const QRect smaller = Window::red_box(view->renderImage(400, 300));
    EXPECT_NEAR(smaller.width(), before.width() * 0.4966, 3);
    scale->setValue(57);   // e^(0.7), from the size it had when chosen
    const QRect larger = Window::red_box(view->renderImage(400, 300));
    EXPECT_NEAR(larger.width(), before.width() * 2.0138, 4);

    // The texture transform fields act on the object when confirmed.
    auto* tex_scale = panel->findChild<QLineEdit*>("ctl1064");
    auto* tex_rotation = panel->findChild<QLineEdit*>("ctl1066");
    ASSERT_TRUE(tex_scale && tex_rotation);
    const OBJECT3D* quad = w.frame.scene()->m_objects[0];
    tex_scale->clear();
    QTest::keyClicks(tex_scale, "2 0.5");
    QTest::keyClick(tex_scale, Qt::Key_Return);
    EXPECT_EQ(quad->m_texscale[0], 2.f);
    EXPECT_EQ(quad->m_texscale[1], 0.5f);
    EXPECT_TRUE(quad->m_textransform && quad->m_texscale_on);
    tex_rotation->clear();
    QTest::keyClicks(tex_rotation, "1,5");   // not a number of the C form: refused, shown again
    QTest::keyClick(tex_rotation, Qt::Key_Return);
    EXPECT_EQ(quad->m_texrotation_on, 0);
    EXPECT_EQ(tex_rotation->text(), "0.000");

    QTest::mouseClick(panel->findChild<QPushButton*>("ctl1"), Qt::LeftButton);   // OK
    EXPECT_EQ(Window::red_box(view->renderImage(400, 300)).size(), larger.size());
}
