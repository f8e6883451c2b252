// The two ways of opening a scene file, without any user interface: the
// document open (reader chosen by the first bytes of the file) and the open
// by extension (the File Open command). Messages go through the reporter.
//
// Relative texture, inline and script names are resolved against the folder
// of the scene file; the current directory is not changed.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <thread>

class SCENE3D;
struct LODSET;

// The steps that follow a successful read: build textures and display
// lists, then the lights. Supplied by the render layer; its result is the
// result of the open. An empty function counts as success.
using FinishFn = std::function<int(SCENE3D&)>;

// Document open. Reads `path` into a fresh SCENE3D and, when the read and
// the finishing steps succeed, replaces `scene` with it (also made the
// process-wide current scene). "File not found" when the file cannot be
// opened; "Document : unable to build OpenGL lists" when a VRML read is
// refused. On failure `scene` is left as it was.
bool open_document(const std::string& path, std::unique_ptr<SCENE3D>& scene, const FinishFn& finish);

enum class OpenResult {
    Nothing,    // empty path
    NotFound,   // "NOM INCONNU" on the status line; the scene is unchanged
    Failed,     // the reader refused the file; the scene is unchanged
    Scene,      // a scene was read and finished
    Lod,        // a level-of-detail set was read into `lod`
};

// Open by extension: the file is read into a fresh SCENE3D, which also gets
// the companion script; the extension (case-sensitive) chooses the reader.
// Only a successful read replaces `scene` (and the current scene). The
// ".lod" branch puts a new set into `lod`, which the caller owns, and an
// empty scene beside it.
OpenResult open_by_extension(const std::string& path, std::unique_ptr<SCENE3D>& scene,
                             std::unique_ptr<LODSET>& lod, const FinishFn& finish);

// Open for the command-line modes: the document open, except for the names
// that only the File Open command reads (".wrb" binary scenes and ".lod"
// sets), which go through the open by extension. Gives Scene, Lod, or
// NotFound/Failed after the reader's own message.
OpenResult open_for_command_line(const std::string& path, std::unique_ptr<SCENE3D>& scene,
                                 std::unique_ptr<LODSET>& lod, const FinishFn& finish);

// The open for the command-line modes on a thread of its own, so that the
// caller can meanwhile do what does not touch the scene (make its GL
// context, build its window). Only one file is read at a time in a process.
// What the reader says is held and handed to the caller's reporter, in the
// reader's order, by collect(); the finishing steps run on the collecting
// thread, where its GL context is current. The result equals that of
// open_for_command_line on the calling thread.
class BackgroundOpen {
public:
    explicit BackgroundOpen(const std::string& path);   // starts the read
    // A read never collected is waited for and dropped.
    ~BackgroundOpen();
    BackgroundOpen(const BackgroundOpen&) = delete;
    BackgroundOpen& operator=(const BackgroundOpen&) = delete;

    // Waits for the read, runs `finish` here when the read asks for it,
    // passes on the messages, and gives the result as
    // open_for_command_line(path, scene, lod, finish) would (a read scene
    // also becomes the current one). Once only.
    OpenResult collect(std::unique_ptr<SCENE3D>& scene, std::unique_ptr<LODSET>& lod, const FinishFn& finish);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};
