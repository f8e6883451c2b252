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
