#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "model/sea.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"
#include "view/model_dialogs.h"

namespace {
// A host whose modal dialogs are answered by a test function.
class DialogHost : public HeadlessHost {
public:
    std::function<bool(DialogRequest&)> answer;
    bool run_modal(DialogRequest& r) override
    {
        HeadlessHost::run_modal(r);
        return answer ? answer(r) : true;
    }
};

struct Fixture {
    ScratchDir dir;   // the dump lands in the current folder
    RecordingReporter rec;
    CQuorvelDoc doc;
    DialogHost host;
    ViewBehaviour view{doc, host};
    Fixture()
    {
        doc.OnNewDocument();
        view.SceneChanged();
        host.attach(&view);
    }
    SCENE3D& scene() { return *doc.scene(); }
    bool dumped() const { return !read_whole_file(dir.file("vrml.out")).empty(); }
};
} // namespace

TEST(ModelCommands, EachAddsItsObjectAndFollowsUp)
{
    struct Case {
        int id;
        const char* name;
        int added, points;
        bool dump, changed;
    } cases[] = {
        {32821, "Cube", 1, 8, false, false},      {32822, "Cylinder", 1, 40, false, false},
        {32825, "cone", 1, 20, true, true},       {32824, "mesh_nxp", 1, 100, true, true},
        {32809, "", 1, 10000, true, true},        {32834, "Rectangle", 1, 4, false, false},
        {32866, "Triangle", 1, 3, true, false},   {32867, "Triangle", 1, 18, true, false},
        {32851, "TERRAIN", 1, 3, true, true},     {32852, "Bateau", 2, 63, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Fixture f;
        ASSERT_TRUE(run_command(f.view, c.id));
        ASSERT_EQ(f.scene().nbobjects, c.added);
        EXPECT_EQ(f.scene().m_objects[0]->m_name, c.name);
        EXPECT_EQ(f.scene().m_objects[0]->nbpts, c.points);
        EXPECT_EQ(f.dumped(), c.dump);
        EXPECT_EQ(f.doc.m_modified, c.changed ? 1 : 0);
        EXPECT_GE(f.host.m_redraws, 2);
        EXPECT_TRUE(f.rec.boxes.empty()) << f.rec.boxes[0].text;
    }
}

TEST(ModelCommands, MeshDialogCountsAndCancel)
{
    struct Case {
        bool ok;
        int n, p, points;
        int faces;
    } cases[] = {{true, 3, 4, 12, 6}, {false, 10, 10, 0, 0}, {true, 1, 10, 10, 0}, {true, 7, 1, 7, 0},
                 {true, 1, 1, 1, 0},  {true, 10, 0, 0, 0}};
    for (const Case& c : cases) {
        Fixture f;
        f.host.answer = [&](DialogRequest& r) {
            auto& m = dynamic_cast<MeshDialogRequest&>(r);
            EXPECT_EQ(m.n, 10);
            EXPECT_EQ(m.p, 10);
            m.n = c.n;
            m.p = c.p;
            return c.ok;
        };
        run_command(f.view, 32824);
        EXPECT_EQ(f.host.m_modals, std::vector<std::string>{"Dialog_mesh"});
        ASSERT_EQ(f.scene().nbobjects, c.points ? 1 : 0) << c.n << "x" << c.p;
        if (c.points) {
            EXPECT_EQ(f.scene().m_objects[0]->nbpts, c.points);
            EXPECT_EQ(f.scene().m_objects[0]->nbface, c.faces) << c.n << "x" << c.p;
        }
    }
}

TEST(ModelCommands, ExtrudeDialogListsObjectsAndStoresTheChoice)
{
    Fixture f;
    run_command(f.view, 32866);   // Triangle, object 0
    run_command(f.view, 32835);   // opened and confirmed with nothing chosen
    EXPECT_EQ(f.scene().nbobjects, 1);
    f.host.answer = [](DialogRequest& r) {
        auto& e = dynamic_cast<ExtrudeDialogRequest&>(r);
        EXPECT_EQ(e.lines, std::vector<std::string>{"   0 Triangle"});
        EXPECT_EQ(e.section, -1);
        e.section = 0;
        return true;
    };
    run_command(f.view, 32835);
    ASSERT_EQ(f.scene().nbobjects, 2);
    EXPECT_EQ(f.scene().m_objects[1]->m_name, "Extrude");
    EXPECT_EQ(f.scene().m_extrude_section, 0);
    f.host.answer = [](DialogRequest&) { return false; };   // Cancel adds nothing
    run_command(f.view, 32835);
    EXPECT_EQ(f.scene().nbobjects, 2);
}

TEST(ModelCommands, SeaSceneAnimatesOnTimerFour)
{
    Fixture f;
    run_command(f.view, 32880);
    ASSERT_EQ(f.scene().nbobjects, 4);
    EXPECT_EQ(f.view.m_gl.clear_rgb[1], 0.68235296f);
    run_command(f.view, 32881);
    OBJECT3D* sphere = sea_state().ball;
    ASSERT_NE(sphere, nullptr);
    f.view.OnTimer(TIMER_MESH);
    f.view.OnTimer(TIMER_MESH);
    EXPECT_EQ(f.rec.last_status(), "Time:0.20");
    EXPECT_EQ(sphere->m_dyn_translation.y, 8.f);
}

TEST(ModelCommands, PanoramaSwitchesToPanoramaWalking)
{
    Fixture f;
    run_command(f.view, 32821);
    f.host.queue_file("");   // chooser confirmed without a picture
    run_command(f.view, 32888);
    ASSERT_EQ(f.scene().nbobjects, 1);
    EXPECT_EQ(f.scene().m_objects[0]->m_name, "pano");
    EXPECT_EQ(f.view.m_yz_toggle, 1);
    EXPECT_FALSE(f.view.CollisionAccepts(Vec3(0, 0, 0)));
    run_command(f.view, 32890);   // Pan Disable collides
    EXPECT_TRUE(f.view.CollisionAccepts(Vec3(0, 0, 0)));
}

TEST(ModelCommands, FractalFromTheCommandLineIsTheSameEveryRun)
{
    ScratchDir dir;
    const std::string run = std::string("env -u DISPLAY ") + QV_QUORVEL_EXE + " --command 32867";
    ASSERT_EQ(std::system(run.c_str()), 0);
    const std::string first = read_whole_file(dir.file("vrml.out"));
    EXPECT_NE(first.find("AFFICHAGE DE L'OBJET: Triangle"), std::string::npos);
    EXPECT_NE(first.find("nbface     :        16"), std::string::npos);
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(read_whole_file(dir.file("vrml.out")), first);
}
