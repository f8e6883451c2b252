#include <gtest/gtest.h>

#include <set>

#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"

TEST(CommandTable, IdsAreUniqueAndUnknownIdsAreRefused)
{
    std::set<int> seen;
    for (const Command& c : command_table()) EXPECT_TRUE(seen.insert(c.id).second) << c.id;
    CQuorvelDoc doc;
    doc.OnNewDocument();
    HeadlessHost host;
    ViewBehaviour view(doc, host);
    EXPECT_FALSE(run_command(view, 12345));
    EXPECT_FALSE(command_state(view, 12345).enabled);
}

TEST(CommandTable, WireframeTogglesAndShowsItsCheckMark)
{
    CQuorvelDoc doc;
    doc.OnNewDocument();
    HeadlessHost host;
    ViewBehaviour view(doc, host);
    EXPECT_FALSE(command_state(view, 32780).checked);
    EXPECT_TRUE(run_command(view, 32780));
    EXPECT_TRUE(command_state(view, 32780).checked);
    EXPECT_EQ(doc.scene()->m_polygon_mode, 0x1B01);
}

TEST(CommandTable, TextureEditAndFilterRunTheImageEditorWindow)
{
    CQuorvelDoc doc;
    doc.OnNewDocument();
    HeadlessHost host;
    ViewBehaviour view(doc, host);
    for (int id : {32794, 40001}) EXPECT_TRUE(run_command(view, id));
    EXPECT_EQ(host.m_modals, (std::vector<std::string>{"Replication", "Replication"}));
    EXPECT_EQ(doc.scene()->nbobjects, 0);
}

TEST(CommandTable, AnIdListedTwiceInTheActionListsIsFound)
{
    EXPECT_EQ(first_duplicate_command_id(), 0);
    auto noop = [](ViewBehaviour&) {};
    const CommandImpl a[] = {{1, noop, nullptr}, {2, noop, nullptr}};
    const CommandImpl b[] = {{3, noop, nullptr}, {2, noop, nullptr}};
    const CommandImpl c[] = {{4, noop, nullptr}, {4, noop, nullptr}};
    EXPECT_EQ(first_duplicate_id({a, b}), 2);
    EXPECT_EQ(first_duplicate_id({c}), 4);
    EXPECT_EQ(first_duplicate_id({a, c}), 4);
    EXPECT_EQ(first_duplicate_id({a}), 0);
}

TEST(CommandTable, MenuPlacesAndTheEllipseItem)
{
    auto menu_of = [](int id) { return std::string(find_command(id) ? find_command(id)->menu : "?"); };
    EXPECT_EQ(menu_of(32854), "3D Modelling");
    EXPECT_EQ(menu_of(32850), "View");
    // Extrude closes the 3D Modelling menu.
    const Command* last = nullptr;
    for (const Command& c : command_table())
        if (std::string(c.menu) == "3D Modelling") last = &c;
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->id, 40006);
    // Ellipse: a known item of the 2D menu, without action, shown disabled.
    const Command* e = find_command(32869);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->text, "Ellipse");
    EXPECT_STREQ(e->menu, "2D Modelling");
    CQuorvelDoc doc;
    doc.OnNewDocument();
    HeadlessHost host;
    ViewBehaviour view(doc, host);
    EXPECT_TRUE(run_command(view, 32869));
    EXPECT_FALSE(command_state(view, 32869).enabled);
}

TEST(CommandTable, EveryItemAndButtonHasItsOwnPrompt)
{
    std::set<std::string> prompts;
    for (const Command& c : command_table()) {
        const std::string p = command_prompt(c.id);
        EXPECT_FALSE(p.empty()) << c.id << " " << c.text;
        EXPECT_EQ(p.find('\n'), std::string::npos) << c.id;
        EXPECT_LT(p.size(), 80u) << c.id;
    }
    EXPECT_STREQ(command_prompt(12345), "");
    // Items that do different things say different things.
    EXPECT_STRNE(command_prompt(32776), command_prompt(32777));
    EXPECT_STRNE(command_prompt(57607), command_prompt(57608));
}

TEST(CommandTable, FirstStereoViewMovesTheCameraLeftThenBack)
{
    // The frame makes the scene before the view, as the window does.
    CQuorvelDoc doc;
    doc.OnNewDocument();
    HeadlessHost host;
    ViewBehaviour view(doc, host);
    CAMERA3D* cam = doc.scene()->m_camera;
    ASSERT_NE(cam, nullptr);
    const float x0 = cam->position.x;
    run_command(view, 32886);
    EXPECT_FLOAT_EQ(cam->position.x, x0 - 2.f);
    run_command(view, 32886);
    EXPECT_FLOAT_EQ(cam->position.x, x0);
    // After Reset the flag is set: the next use moves right first.
    run_command(view, 32782);
    run_command(view, 32886);
    EXPECT_FLOAT_EQ(cam->position.x, 2.f);
}
