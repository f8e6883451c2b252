// The document: the one scene of the window (or of a command-line run), the
// level-of-detail set opened beside it, the scene-changed flag and the
// working folder where dumps and the generators' data files are looked up.
// No toolkit here: the Qt shell wraps it, the command line uses it as is.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "io/open.h"

class SCENE3D;
struct LODSET;

class CQuorvelDoc {
public:
    CQuorvelDoc();
    ~CQuorvelDoc();
    CQuorvelDoc(const CQuorvelDoc&) = delete;
    CQuorvelDoc& operator=(const CQuorvelDoc&) = delete;

    // New document: the old scene goes, a fresh empty one becomes the
    // document's and the process-wide current scene. Every open below reads
    // into a scene of its own: a file that cannot be read leaves the scene,
    // its path and the modified flag as they were.
    void OnNewDocument();
    // Document open (reader chosen by the first bytes); the working folder
    // becomes the file's folder. true when a scene was loaded and finished.
    bool OnOpenDocument(const std::string& path, const FinishFn& finish);
    // The command-line open (binary scenes and level-of-detail sets by
    // their extension, everything else as the document open).
    OpenResult OpenForCommandLine(const std::string& path, const FinishFn& finish);
    // The same open, read already on a thread of its own (started with
    // `path`): collected here, finished with `finish` on this thread.
    OpenResult CollectOpen(BackgroundOpen& reading, const std::string& path, const FinishFn& finish);
    // The view's Open command: by extension.
    OpenResult OpenByExtension(const std::string& path, const FinishFn& finish);
    // "Open Binary": the binary scene file replaces the scene.
    int OpenBinary(const std::string& path);
    // The document's save: the binary scene file at `path` (written whole or
    // not at all). Clears the modified flag when it succeeds.
    int OnSaveDocument(const std::string& path);

    // Modified flag of the document: set by every command and dialog that
    // changes the scene, cleared by New, a successful open and a save. Not
    // the scene-changed flag below, which the next paint clears.
    bool IsModified() const { return m_edited; }
    void SetModifiedFlag(bool on = true);
    // Told whenever the modified flag changes (the window's title).
    std::function<void(bool)> on_modified_changed;
    // The name the document is known by: the file name of its path, or
    // "Scene" for a new document.
    std::string title() const;

    SCENE3D* scene() const { return m_scene.get(); }
    LODSET* lod() const { return m_lod.get(); }
    std::unique_ptr<SCENE3D>& scene_slot() { return m_scene; }
    std::unique_ptr<LODSET>& lod_slot() { return m_lod; }

    // Scene-changed flag: set by modelling and animation commands, cleared
    // by the next paint.
    int m_modified = 0;
    // Folder of the last opened scene ("" = the process's current folder):
    // where "vrml.out" is written and data files are looked up first.
    std::string m_folder;
    // Path of the last opened or saved file ("" for a new document).
    std::string m_path;
    // The file at m_path holds the binary scene format (read from a ".wrb"
    // or through Open Binary, or saved): Save may write it back.
    bool m_binary_file = false;

    // `name` inside the working folder.
    std::string in_folder(const std::string& name) const;

private:
    void set_folder_of(const std::string& path);
    void opened(const std::string& path);
    bool m_edited = false;
    std::unique_ptr<SCENE3D> m_scene;
    std::unique_ptr<LODSET> m_lod;
};
