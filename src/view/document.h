// The document: the one scene of the window (or of a command-line run), the
// level-of-detail set opened beside it, the scene-changed flag and the
// working folder where dumps and the generators' data files are looked up.
// No toolkit here: the Qt shell wraps it, the command line uses it as is.
#pragma once
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
    // document's and the process-wide current scene.
    void OnNewDocument();
    // Document open (reader chosen by the first bytes); the working folder
    // becomes the file's folder. true when a scene was loaded and finished.
    bool OnOpenDocument(const std::string& path, const FinishFn& finish);
    // The command-line open (binary scenes and level-of-detail sets by
    // their extension, everything else as the document open).
    OpenResult OpenForCommandLine(const std::string& path, const FinishFn& finish);
    // The view's Open command: by extension.
    OpenResult OpenByExtension(const std::string& path, const FinishFn& finish);
    // "Open Binary": empties the scene, then loads the binary scene file.
    int OpenBinary(const std::string& path);
    // The document's save: the binary scene file at `path`.
    int OnSaveDocument(const std::string& path);

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
    // Path of the last opened file ("" for a new document).
    std::string m_path;

    // `name` inside the working folder.
    std::string in_folder(const std::string& name) const;

private:
    void set_folder_of(const std::string& path);
    std::unique_ptr<SCENE3D> m_scene;
    std::unique_ptr<LODSET> m_lod;
};
