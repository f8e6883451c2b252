// The document in the window: a failed open changes nothing, changes mark
// the title, the save question before New, Save of a text scene, and the
// messages of one load in one box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/mainframe.h"
#include "app/qt_reporter.h"
#include "dialogs/view_dialogs.h"
#include "io/open.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/qt/view.h"

namespace {
QString sample(const char* name) { return QString(QV_SOURCE_DIR) + "/samples/" + name; }

// Every box the window would show, kept instead of waiting for a click.
struct BoxReporter : QtReporter {
    std::vector<std::string> shown;
    void show_box(const std::string& text, const std::string&) override { shown.push_back(text); }
};

struct Window {
    CMainFrame frame;
    BoxReporter rep;
    Reporter* prev;
    std::vector<std::string> questions;
    SaveAnswer answer = SaveAnswer::Cancel;
    Window()
    {
        rep.on_status = [this](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
        prev = set_reporter(&rep);
        frame.view()->save_question = [this](const std::string& q) {
            questions.push_back(q);
            return answer;
        };
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
    ~Window()
    {
        frame.document().SetModifiedFlag(false);   // closing asks nothing
        set_reporter(prev);
    }
    QByteArray bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Accepts the next file chooser with the name it offers, once it is open,
// and keeps that name.
void accept_offered_name(QString* offered)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, offered] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible() || dlg->selectedFiles().isEmpty()) return;
        timer->stop();
        timer->deleteLater();
        *offered = dlg->selectedFiles().first();
        static_cast<QDialog*>(dlg)->done(QDialog::Accepted);
    });
    timer->start(20);
}
} // namespace

TEST(DocumentShell, AFailedOpenKeepsTitleSceneAndRecentFiles)
{
    Window w;
    QTemporaryDir dir;
    const QString house = dir.filePath("house.wrl");
    ASSERT_TRUE(QFile::copy(sample("house.wrl"), house));
    ASSERT_TRUE(w.frame.OpenDocument(house));
    w.frame.commandAction(32821)->trigger();   // cube
    SCENE3D* scene = w.frame.scene();
    const int objects = scene->nbobjects;
    const QStringList recent = w.frame.recentFiles().files();
    const QString title = w.frame.windowTitle();
    w.rep.shown.clear();   // house.wrl without its textures beside it said so

    QFile bad(dir.filePath("bad.x"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("junk");
    bad.close();
    w.answer = SaveAnswer::Discard;
    EXPECT_FALSE(w.frame.OpenDocument(dir.filePath("bad.x")));
    EXPECT_FALSE(w.frame.OpenDocument(dir.filePath("gone.wrl")));
    EXPECT_EQ(w.frame.scene(), scene);
    EXPECT_EQ(w.frame.scene()->nbobjects, objects);
    EXPECT_EQ(current_scene(), scene);
    EXPECT_EQ(w.frame.windowTitle(), title);
    EXPECT_TRUE(w.frame.isWindowModified());
    EXPECT_EQ(w.frame.recentFiles().files(), recent);
    // Each failed open said why, in one box (the document open reads a file
    // without "xof" as VRML, which refuses it twice).
    ASSERT_EQ(w.rep.shown.size(), 2u);
    EXPECT_NE(w.rep.shown[0].find("bad.x is not a vrml one\nDocument : unable to build OpenGL lists"),
              std::string::npos)
        << w.rep.shown[0];
    EXPECT_EQ(w.rep.shown[1], "File not found");
}

TEST(DocumentShell, APropertiesColourAndAGeneratorMarkTheTitle)
{
    Window w;
    ASSERT_TRUE(w.frame.OpenDocument(sample("house.wrl")));
    EXPECT_EQ(w.frame.windowTitle(), "house.wrl[*] - Quorvel");
    EXPECT_FALSE(w.frame.isWindowModified());

    // The diffuse swatch of the Properties dialog, answered red.
    w.frame.commandAction(32790)->trigger();
    auto* props = w.frame.findChild<QWidget*>("Properties");
    ASSERT_NE(props, nullptr);
    ColourChooser saved = colour_chooser();
    colour_chooser() = [](QWidget*, uint32_t& c) {
        c = 0x0000FF;
        return true;
    };
    QTest::mouseClick(props->findChild<QPushButton*>("ctl1013"), Qt::LeftButton);
    colour_chooser() = saved;
    EXPECT_TRUE(w.frame.isWindowModified());
    EXPECT_TRUE(w.frame.document().IsModified());

    // New with Discard: a fresh scene, the mark gone; then a generator.
    w.answer = SaveAnswer::Discard;
    w.frame.commandAction(57600)->trigger();
    EXPECT_FALSE(w.frame.isWindowModified());
    w.frame.commandAction(32821)->trigger();   // cube
    EXPECT_EQ(w.frame.scene()->nbobjects, 1);
    EXPECT_TRUE(w.frame.isWindowModified());
    EXPECT_EQ(w.frame.windowTitle(), "Scene[*] - Quorvel");
}

TEST(DocumentShell, NewAsksToSaveAModifiedDocument)
{
    Window w;
    ASSERT_TRUE(w.frame.OpenDocument(sample("house.wrl")));
    w.frame.NewDocument();   // nothing changed: no question
    EXPECT_TRUE(w.questions.empty());
    ASSERT_TRUE(w.frame.OpenDocument(sample("house.wrl")));
    w.frame.commandAction(32775)->trigger();   // Center
    SCENE3D* scene = w.frame.scene();

    w.answer = SaveAnswer::Cancel;
    w.frame.commandAction(57600)->trigger();
    ASSERT_EQ(w.questions, std::vector<std::string>{"Save changes to house.wrl?"});
    EXPECT_EQ(w.frame.scene(), scene);
    EXPECT_TRUE(w.frame.isWindowModified());
    // Closing the window asks too, and Cancel keeps it open.
    EXPECT_FALSE(w.frame.close());
    EXPECT_EQ(w.questions.size(), 2u);
    EXPECT_TRUE(w.frame.isVisible());

    w.answer = SaveAnswer::Discard;
    w.frame.commandAction(57600)->trigger();
    EXPECT_EQ(w.frame.scene()->nbobjects, 0);
    EXPECT_EQ(w.frame.windowTitle(), "Scene[*] - Quorvel");
    EXPECT_FALSE(w.frame.isWindowModified());
}

TEST(DocumentShell, SaveOfATextSceneOffersABinaryNameBesideIt)
{
    Window w;
    QTemporaryDir dir;
    const QString wrl = dir.filePath("house.wrl");
    ASSERT_TRUE(QFile::copy(sample("house.wrl"), wrl));
    const QByteArray original = w.bytes(wrl);
    ASSERT_TRUE(w.frame.OpenDocument(wrl));
    w.frame.commandAction(32821)->trigger();

    QString offered;
    accept_offered_name(&offered);
    w.frame.commandAction(57603)->trigger();   // Save
    EXPECT_EQ(QFileInfo(offered).absoluteFilePath(), QFileInfo(dir.filePath("house.wrb")).absoluteFilePath());
    EXPECT_EQ(w.bytes(wrl), original);
    EXPECT_FALSE(w.bytes(dir.filePath("house.wrb")).isEmpty());
    EXPECT_EQ(w.frame.windowTitle(), "house.wrb[*] - Quorvel");
    EXPECT_FALSE(w.frame.isWindowModified());
    // house.wrl has textures: the status line says what was not kept.
    EXPECT_EQ(w.frame.statusText().toStdString(), k_binary_losses_status);
}

TEST(DocumentShell, TheMessagesOfOneLoadComeInOneBox)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("nine.wrl"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#VRML V2.0 utf8\n");
    const char* textures[] = {"wood.gif", "wood.gif", "stone.jpg", "wood.gif", "wood.gif",
                              "roof.bmp",  "wood.gif", "wood.gif", "wood.gif"};
    for (const char* t : textures)
        f.write(QString("Shape { appearance Appearance { texture ImageTexture { url \"%1\" } }"
                        " geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }"
                        " coordIndex [ 0 1 2 -1 ] } }\n")
                    .arg(t)
                    .toUtf8());
    f.close();

    Window w;
    ASSERT_TRUE(w.frame.OpenDocument(f.fileName()));
    ASSERT_EQ(w.rep.shown.size(), 1u);
    const QString box = QString::fromStdString(w.rep.shown[0]);
    const QStringList lines = box.split('\n');
    ASSERT_EQ(lines.size(), 3) << box.toStdString();
    // Each line names its texture; wood.gif once, with its count.
    EXPECT_TRUE(lines[0].contains("wood.gif") && lines[0].endsWith("(7 times)")) << box.toStdString();
    EXPECT_TRUE(lines[1].contains("stone.jpg")) << box.toStdString();
    EXPECT_TRUE(lines[2].contains("roof.bmp")) << box.toStdString();
}

TEST(DocumentShell, OneBoxListsEachMessageOnceWithItsCount)
{
    EXPECT_EQ(QtReporter::group_text({{"File not found", 1}}), "File not found");
    EXPECT_EQ(QtReporter::group_text({{"a", 2}, {"b", 1}}), "a (2 times)\nb");
    // A message of several lines takes one line of the list.
    EXPECT_EQ(QtReporter::group_text({{"JPEG :\nCan't open x.jpg", 1}, {"b", 1}}), "JPEG : Can't open x.jpg\nb");
    std::vector<std::pair<std::string, int>> many;
    for (int i = 0; i < 40; ++i) many.emplace_back("m" + std::to_string(i), 2);
    const std::string text = QtReporter::group_text(many);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 30);
    EXPECT_NE(text.find("... and 20 more"), std::string::npos);
}

// The program's start: the file named on the command line is read on a
// thread of its own while the window is built, then collected by the open.
// The window ends as an open on its own thread leaves it: the same scene,
// the same title, the same box of messages.
TEST(DocumentShell, AFileReadWhileTheWindowIsBuiltOpensAsAnyOpen)
{
    QTemporaryDir dir;
    const QString house = dir.filePath("house.wrl");
    ASSERT_TRUE(QFile::copy(sample("house.wrl"), house));   // its textures are not beside it
    std::string dumps[2], titles[2];
    std::vector<std::string> shown[2];
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<BackgroundOpen> reading;
        if (i == 1) reading = std::make_unique<BackgroundOpen>(house.toStdString());
        Window w;
        ASSERT_TRUE(w.frame.OpenDocument(house, reading.get()));
        EXPECT_EQ(current_scene(), w.frame.scene());
        const std::string out = dir.filePath("dump.out").toStdString();
        dump_scene(*w.frame.scene(), out.c_str());
        dumps[i] = w.bytes(QString::fromStdString(out)).toStdString();
        titles[i] = w.frame.windowTitle().toStdString();
        shown[i] = w.rep.shown;
    }
    EXPECT_FALSE(dumps[0].empty());
    EXPECT_EQ(dumps[1], dumps[0]);
    EXPECT_EQ(titles[1], "house.wrl[*] - Quorvel");
    ASSERT_EQ(shown[0].size(), 1u);   // the missing textures, in one box
    EXPECT_EQ(shown[1], shown[0]);

    // A file that cannot be read, read while the window is built, changes
    // nothing and says so once.
    std::unique_ptr<BackgroundOpen> gone = std::make_unique<BackgroundOpen>(dir.filePath("gone.wrl").toStdString());
    Window w;
    SCENE3D* before = w.frame.scene();
    EXPECT_FALSE(w.frame.OpenDocument(dir.filePath("gone.wrl"), gone.get()));
    EXPECT_EQ(w.frame.scene(), before);
    EXPECT_EQ(w.rep.shown, std::vector<std::string>{"File not found"});
}
