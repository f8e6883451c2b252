#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/mainframe.h"
#include "dialogs/view_dialogs.h"
#include "image/texture.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"
#include "view/qt/view.h"
#include "view/small_dialogs.h"

namespace {
struct Fixture {
    CQuorvelDoc doc;
    HeadlessHost host;
    std::unique_ptr<ViewBehaviour> view;
    std::unique_ptr<ModelessPanel> panel;
    Fixture()
    {
        doc.OnNewDocument();
        view = std::make_unique<ViewBehaviour>(doc, host);
    }
    SCENE3D& scene() { return *doc.scene(); }
    OBJECT3D* add(const char* name, bool textured)
    {
        auto* o = new OBJECT3D();
        o->m_name = name;
        o->nbpts = 3;
        o->m_vertices = new Vec3[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        o->nbindex = 4;
        o->m_index = new int32_t[4]{0, 1, 2, -1};
        o->nbface = 1;
        o->T_ambientColor = new Vec3[1]{{0.f, 0.f, 0.f}};
        o->m_nb_ambient = 1;
        if (textured) {
            auto* t = new CTexture();
            t->Alloc(2, 2, 24);
            scene().m_textures.push_back(t);
            o->m_texture = new int32_t((int)scene().m_textures.size() - 1);
        }
        scene().add_object(o);
        return o;
    }
    template <class W>
    W* ctl(int id) { return panel->findChild<W*>(QString("ctl%1").arg(id)); }
};

struct Chooser {
    // Answers the colour chooser with `answer`, or cancels it when 0xFFFFFFFF.
    explicit Chooser(uint32_t answer)
    {
        colour_chooser() = [answer](QWidget*, uint32_t& c) {
            if (answer == 0xFFFFFFFFu) return false;
            c = answer;
            return true;
        };
    }
    ~Chooser() { colour_chooser() = saved; }
    ColourChooser saved = colour_chooser();
};
} // namespace

TEST(PropertiesDialog, EmptySceneShowsEmptyFieldsAndChangesNothing)
{
    Fixture f;
    f.panel.reset(CreateViewPanel("Properties", *f.view, nullptr));
    ASSERT_TRUE(f.panel);
    f.panel->reopen();
    EXPECT_TRUE(f.ctl<QLineEdit>(1000)->text().isEmpty());
    EXPECT_TRUE(f.ctl<QLineEdit>(1036)->text().isEmpty());
    Chooser c(0x0000FF);
    for (int id : {1018, 1030, 1026, 1012, 1016}) QTest::mouseClick(f.ctl<QPushButton>(id), Qt::LeftButton);
    f.ctl<QSpinBox>(1011)->setValue(4);
    EXPECT_EQ(f.scene().nbobjects, 0);
    EXPECT_TRUE(f.host.m_file_requests.empty());
}

TEST(PropertiesDialog, ControlsEditObjectAndLightOfTheIndex)
{
    Fixture f;
    f.add("tree", true);
    f.add("house", false);
    f.scene().add_light(new LIGHT3D{LIGHT_POINT, 1.f, {1, 1, 1}, {}, {}, 1});
    f.panel.reset(CreateViewPanel("Properties", *f.view, nullptr));
    f.panel->reopen();
    EXPECT_EQ(f.ctl<QLineEdit>(1000)->text(), "tree");
    EXPECT_EQ(f.ctl<QLineEdit>(1010)->text(), "1.00");
    EXPECT_EQ(f.ctl<QComboBox>(1048)->count(), 2);

    f.ctl<QLineEdit>(1017)->setText("50");
    QTest::mouseClick(f.ctl<QPushButton>(1018), Qt::LeftButton);
    EXPECT_EQ(f.scene().m_textures[0]->data[3], 127);
    EXPECT_EQ(f.ctl<QLineEdit>(1017)->text(), "50");

    f.ctl<QSpinBox>(1011)->setValue(3);
    EXPECT_EQ(f.ctl<QLineEdit>(1010)->text(), "0.30");
    {
        Chooser cancel(0xFFFFFFFFu);
        QTest::mouseClick(f.ctl<QPushButton>(1012), Qt::LeftButton);
        EXPECT_EQ(f.ctl<QLineEdit>(1008)->text(), "0.00 0.00 0.00");
    }
    {
        Chooser red(0x0000FF);
        QTest::mouseClick(f.ctl<QPushButton>(1012), Qt::LeftButton);
        EXPECT_EQ(f.ctl<QLineEdit>(1008)->text(), "1.00 0.00 0.00");
    }

    // Index 1 has no light: its fields are empty and its swatch does nothing.
    f.ctl<QSpinBox>(1002)->setValue(1);
    EXPECT_EQ(f.ctl<QLineEdit>(1000)->text(), "house");
    EXPECT_TRUE(f.ctl<QLineEdit>(1010)->text().isEmpty());
    Chooser blue(0xFF0000);
    QTest::mouseClick(f.ctl<QPushButton>(1016), Qt::LeftButton);
    EXPECT_FLOAT_EQ(f.scene().m_lights[0]->color.z, 1.f);
    EXPECT_FLOAT_EQ(f.scene().m_lights[0]->color.x, 1.f);
    // Closed, then asked for again: it starts at index 0.
    QTest::mouseClick(f.ctl<QPushButton>(1), Qt::LeftButton);
    EXPECT_FALSE(f.panel->isVisible());
    f.panel->show();
    EXPECT_EQ(f.ctl<QLineEdit>(1000)->text(), "tree");
}

TEST(ObjectEditorDialog, SelectionSlidersAndPositionHandOver)
{
    Fixture f;
    f.add("a", false);
    f.add("b", false);
    f.scene().m_camera->position = {4, 5, 6};
    f.panel.reset(CreateViewPanel("Object Editor", *f.view, nullptr));
    f.panel->reopen();
    auto* objects = f.ctl<QComboBox>(1050);
    ASSERT_EQ(objects->count(), 2);
    EXPECT_EQ(objects->itemText(1), "  1 b");
    emit objects->activated(1);
    EXPECT_EQ(f.scene().m_selected, 1);
    EXPECT_EQ(f.ctl<QComboBox>(1053)->count(), 3);
    EXPECT_EQ(f.ctl<QComboBox>(1055)->itemText(0), "   0:    0    1    2   -1");

    f.ctl<QSlider>(1069)->setValue(60);
    EXPECT_EQ(f.ctl<QLineEdit>(1070)->text(), " 2.72  2.72  2.72");
    f.ctl<QSlider>(1069)->setValue(50);
    EXPECT_FLOAT_EQ(f.scene().m_drag_scale.x, 1.f);

    QTest::mouseClick(f.ctl<QPushButton>(1060), Qt::LeftButton);
    EXPECT_EQ(f.scene().m_object_drag, 1);
    EXPECT_FLOAT_EQ(f.scene().m_camera->position.z, 0.f);
    QTest::mouseClick(f.ctl<QPushButton>(2), Qt::LeftButton);   // Cancel
    EXPECT_EQ(f.scene().m_object_drag, 0);
    EXPECT_EQ(f.scene().get_object(1)->m_dynamic, 0);
    EXPECT_FLOAT_EQ(f.scene().m_camera->position.z, 6.f);

    // Objects added elsewhere appear when the view asks for a refill.
    f.add("c", false);
    f.panel->reread();
    f.panel->reread();
    QCoreApplication::processEvents();
    EXPECT_EQ(objects->count(), 3);
}

TEST(SmallDialogs, FocaleRefusesTextThatIsNoNumber)
{
    RecordingReporter rec;
    FocaleRequest r;
    r.fovy = 45.0;
    std::unique_ptr<QDialog> d(MakeViewDialog(nullptr, r));
    ASSERT_TRUE(d);
    auto* field = d->findChild<QLineEdit*>("ctl1082");
    EXPECT_EQ(field->text(), "45");
    d->show();
    field->setText("wide");
    QTest::mouseClick(d->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
    EXPECT_TRUE(rec.has_box("Please enter a number."));
    EXPECT_EQ(d->result(), 0);
    EXPECT_EQ(r.fovy, 45.0);
    field->setText(" 30.5");
    QTest::mouseClick(d->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(r.fovy, 30.5);
}

TEST(SmallDialogs, ViewpointChoiceMovesTheCameraAndIgnFillsItsList)
{
    Fixture f;
    f.add("a", false);
    f.add("v", false)->m_viewpoint = new VIEWPOINT3D{{1, 2, 3}, {}};
    ViewpointsRequest r;
    r.view = f.view.get();
    r.names = {"v"};
    r.objects = {1};
    std::unique_ptr<QDialog> d(MakeViewDialog(nullptr, r));
    auto* list = d->findChild<QComboBox*>("ctl1049");
    EXPECT_EQ(list->currentIndex(), -1);
    list->setCurrentIndex(0);
    EXPECT_EQ(r.choice, 0);
    EXPECT_FLOAT_EQ(f.scene().m_camera->position.z, -3.f);

    IgnFileRequest ign;
    std::unique_ptr<QDialog> g(MakeViewDialog(nullptr, ign));
    QTest::mouseClick(g->findChild<QPushButton*>("ctl1075"), Qt::LeftButton);
    auto* names = g->findChild<QComboBox*>("ctl1074");
    EXPECT_EQ(names->count(), 2);
    EXPECT_EQ(names->currentText(), "TOTO");
    DialogRequest other("Viewpoints");   // a name alone is not this dialog
    EXPECT_EQ(MakeViewDialog(nullptr, other), nullptr);
}

TEST(ViewDialogsInShell, CommandsShowThePanelsAndRunTheModals)
{
    RecordingReporter rec;
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ViewBehaviour& v = frame.view()->behaviour();
    run_command(v, 32790);
    run_command(v, 32882);
    for (const char* name : {"Properties", "Object Editor"}) {
        auto* panel = frame.findChild<ModelessPanel*>(name);
        ASSERT_TRUE(panel) << name;
        EXPECT_TRUE(panel->isVisible()) << name;
    }
    // Asked for again while open, "Properties" starts again at object 0.
    v.doc().scene()->add_object(new OBJECT3D());
    v.doc().scene()->add_object(new OBJECT3D());
    auto* props = frame.findChild<ModelessPanel*>("Properties");
    auto* spin = props->findChild<QSpinBox*>("ctl1002");
    ASSERT_TRUE(spin);
    props->reread();
    spin->setValue(1);
    run_command(v, 32790);
    EXPECT_EQ(spin->value(), 0);
    // "Focale" through the view's registry: typed 30, closed with OK.
    QTimer::singleShot(0, [] {
        QWidget* d = QApplication::activeModalWidget();
        ASSERT_TRUE(d);
        d->findChild<QLineEdit*>("ctl1082")->setText("30");
        QTest::mouseClick(d->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
    });
    run_command(v, 32889);
    EXPECT_EQ(v.scene()->m_fovy, 30.0);
}
