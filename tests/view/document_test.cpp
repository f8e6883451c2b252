// The document through the view's commands, without a window: opens that
// fail leave everything as it was, the modified flag follows the commands
// that change the scene, and Save never writes binary data over a file of
// another format.
#include <gtest/gtest.h>

#include <functional>

#include "io/readers.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"

namespace {
// A host whose modal dialogs, file choosers and save question are answered
// by the test.
class AnsweringHost : public HeadlessHost {
public:
    std::function<bool(DialogRequest&)> modal;
    SaveAnswer save_answer = SaveAnswer::Discard;
    std::vector<std::string> questions;
    bool run_modal(DialogRequest& r) override
    {
        HeadlessHost::run_modal(r);
        return modal ? modal(r) : true;
    }
    SaveAnswer ask_save_changes(const std::string& name) override
    {
        questions.push_back(name);
        return save_answer;
    }
};

const char* k_house =
    "#VRML V2.0 utf8\nDEF A Transform { children [ Shape { geometry IndexedFaceSet {"
    " coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } ] }\n";

struct Fixture {
    ScratchDir dir;
    RecordingReporter rec;
    CQuorvelDoc doc;
    AnsweringHost host;
    ViewBehaviour view{doc, host};
    Fixture()
    {
        host.m_exit_for_real = false;
        host.attach(&view);
        write_whole_file("house.wrl", k_house);
        EXPECT_EQ(doc.OpenForCommandLine(dir.file("house.wrl"), nullptr), OpenResult::Scene);
        view.SceneChanged();
    }
    ~Fixture() { current_scene() = nullptr; }
    std::string dump()
    {
        dump_scene(*doc.scene(), dir.file("d.out").c_str());
        return read_whole_file(dir.file("d.out"));
    }
    void open_through_menu(const std::string& path)
    {
        host.queue_file(path);
        run_command(view, 57601);
        host.clear_queued_file();
    }
};
} // namespace

TEST(Document, AFailedOpenKeepsSceneCameraPathAndChanges)
{
    Fixture f;
    run_command(f.view, 32821);   // cube: an edit of the open document
    ASSERT_TRUE(f.doc.IsModified());
    SCENE3D* scene = f.doc.scene();
    f.doc.scene()->m_camera->position = Vec3(1.f, 2.f, 3.f);
    const std::string before = f.dump();

    write_whole_file("bad.x", "junk");
    write_whole_file("bad.wrl", "#VRML V3.0\n");
    write_whole_file("bad.wrb", std::string("\x05\x00\x00\x00\xff", 5));
    for (const char* name : {"bad.x", "bad.wrl", "bad.wrb", "missing.wrl"}) {
        f.open_through_menu(f.dir.file(name));
        EXPECT_EQ(f.doc.scene(), scene) << name;
        EXPECT_EQ(current_scene(), scene) << name;
        EXPECT_EQ(f.dump(), before) << name;
        EXPECT_EQ(f.doc.scene()->m_camera->position, Vec3(1.f, 2.f, 3.f)) << name;
        EXPECT_EQ(f.doc.m_path, f.dir.file("house.wrl")) << name;
        EXPECT_TRUE(f.doc.IsModified()) << name;
        // The status line does not go on saying the file is being read.
        EXPECT_EQ(f.rec.last_status(), "Ready") << name;
    }
    EXPECT_TRUE(f.rec.has_box_containing("Invalid X file"));
    EXPECT_TRUE(f.rec.has_box("Invalid vrml version"));

    // The document open and Open Binary keep it as well.
    EXPECT_FALSE(f.doc.OnOpenDocument(f.dir.file("missing.wrl"), nullptr));
    EXPECT_EQ(f.doc.OpenForCommandLine(f.dir.file("bad.wrb"), nullptr), OpenResult::Failed);
    EXPECT_EQ(f.doc.OpenBinary(f.dir.file("bad.wrb")), 0);
    EXPECT_EQ(f.doc.scene(), scene);
    EXPECT_EQ(f.dump(), before);
    EXPECT_TRUE(f.doc.IsModified());

    // A good open replaces the scene and clears the flag.
    f.open_through_menu(f.dir.file("house.wrl"));
    EXPECT_NE(f.dump(), before);
    EXPECT_FALSE(f.doc.IsModified());
}

TEST(Document, CommandsThatChangeTheSceneMarkItAndOnlyThey)
{
    Fixture f;
    std::vector<bool> told;
    f.doc.on_modified_changed = [&told](bool on) { told.push_back(on); };
    // Switches, views and dumps leave the document as saved.
    for (int id : {32780, 32786, 32787, 32799, 32804, 32817, 32782, 33001, 32839, 32819})
        run_command(f.view, id);
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_TRUE(told.empty());

    // A generator whose dialog is cancelled changes nothing.
    f.host.modal = [](DialogRequest&) { return false; };
    run_command(f.view, 32824);   // Mesh n*p
    EXPECT_FALSE(f.doc.IsModified());
    f.host.modal = nullptr;
    run_command(f.view, 32824);
    EXPECT_TRUE(f.doc.IsModified());
    EXPECT_EQ(told, std::vector<bool>{true});

    // Edits of the objects already there.
    for (int id : {32775, 32838, 32813}) {
        f.doc.SetModifiedFlag(false);
        run_command(f.view, id);
        EXPECT_TRUE(f.doc.IsModified()) << id;
    }
    // The paint's scene-changed flag is left as the commands set it.
    f.doc.m_modified = 0;
    run_command(f.view, 32809);   // Mesh sets it
    EXPECT_EQ(f.doc.m_modified, 1);

    // New asks first; Cancel keeps the document, Discard drops it.
    f.host.save_answer = SaveAnswer::Cancel;
    EXPECT_FALSE(f.view.SaveModified());
    f.host.questions.clear();
    f.open_through_menu(f.dir.file("house.wrl"));
    EXPECT_EQ(f.host.questions, std::vector<std::string>{"house.wrl"});
    EXPECT_TRUE(f.doc.IsModified());   // nothing was opened
    f.host.save_answer = SaveAnswer::Discard;
    f.doc.OnNewDocument();
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_EQ(f.doc.title(), "Scene");
}

TEST(Document, SaveWritesBinaryBesideAndNeverOverAnotherFormat)
{
    Fixture f;
    const std::string wrl = read_whole_file(f.dir.file("house.wrl"));
    run_command(f.view, 32821);
    // Save of a text scene is Save as..., offering NAME.wrb beside it.
    f.host.queue_file(f.dir.file("house.wrb"));
    run_command(f.view, 57603);
    ASSERT_FALSE(f.host.m_file_requests.empty());
    const FileDialogRequest& asked = f.host.m_file_requests.back();
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.default_name, f.dir.file("house.wrb"));
    EXPECT_EQ(read_whole_file(f.dir.file("house.wrl")), wrl);
    EXPECT_FALSE(read_whole_file(f.dir.file("house.wrb")).empty());
    EXPECT_EQ(f.doc.m_path, f.dir.file("house.wrb"));
    EXPECT_FALSE(f.doc.IsModified());

    // From now on Save writes the binary file back, without asking.
    const size_t requests = f.host.m_file_requests.size();
    const std::string first = read_whole_file(f.dir.file("house.wrb"));
    run_command(f.view, 32821);
    run_command(f.view, 57603);
    EXPECT_EQ(f.host.m_file_requests.size(), requests);
    EXPECT_GT(read_whole_file(f.dir.file("house.wrb")).size(), first.size());
    EXPECT_FALSE(f.doc.IsModified());

    // A name of another format typed in Save as... gets the binary
    // extension: the text file is not overwritten.
    f.host.queue_file(f.dir.file("house.wrl"));
    run_command(f.view, 57604);
    EXPECT_EQ(read_whole_file(f.dir.file("house.wrl")), wrl);
    EXPECT_EQ(f.doc.m_path, f.dir.file("house.wrl.wrb"));

    // The save question's Save saves; a cancelled chooser stops the caller.
    run_command(f.view, 32821);
    f.host.save_answer = SaveAnswer::Save;
    EXPECT_TRUE(f.view.SaveModified());
    EXPECT_FALSE(f.doc.IsModified());
    f.doc.m_binary_file = false;
    run_command(f.view, 32821);
    EXPECT_FALSE(f.view.SaveModified());   // no file queued: the chooser was cancelled
    EXPECT_TRUE(f.doc.IsModified());
}

TEST(Document, BinarySaveSaysWhatTheFormatDoesNotKeep)
{
    Fixture f;
    f.host.queue_file(f.dir.file("plain.wrb"));
    run_command(f.view, 57604);
    EXPECT_FALSE(f.rec.has_status(k_binary_losses_status));
    f.doc.scene()->add_light(new LIGHT3D());
    f.host.queue_file(f.dir.file("lit.wrb"));
    run_command(f.view, 57604);
    EXPECT_TRUE(f.rec.has_status(k_binary_losses_status));
}
