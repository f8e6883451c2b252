// What the view's behaviour needs from the window that hosts it. The Qt view
// implements it for the desktop; the headless host serves the command line
// and the tests. Nothing here names a toolkit.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A modal dialog asked for by a command. Each dialog derives its own request
// holding the values it shows when it opens; the host shows the dialog,
// which edits those values, and answers whether it was closed with OK. A
// host without windows answers OK with the values unchanged.
struct DialogRequest {
    explicit DialogRequest(const char* dialog_name) : name(dialog_name) {}
    virtual ~DialogRequest() = default;
    const char* name;   // the dialog's title, e.g. "Dialog_mesh"
};

// A file chooser. `filter` keeps the "Name|*.a;*.b|...||" form of the menu
// texts; the host translates it. `default_ext` is the extension added to a
// name typed without one ("bmp", no dot); `default_name` the name offered.
// An open chooser accepts existing files only. On OK `path` holds the full
// path chosen.
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;
    std::string default_ext;
    std::string default_name;
    std::string path;
};

// The answers to "Save changes to NAME?".
enum class SaveAnswer { Save, Discard, Cancel };

class ViewHost;

// The wait cursor for a scope.
class WaitCursor {
public:
    explicit WaitCursor(ViewHost& h);
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    ViewHost& m_host;
};

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // Invalidate the view; the next paint draws one frame.
    virtual void redraw(bool erase = false) = 0;
    // Window timers of the view: (re)start timer `id` with an interval in
    // milliseconds, or stop it. Each tick reaches ViewBehaviour::OnTimer.
    virtual void start_timer(int id, int interval_ms) = 0;
    virtual void stop_timer(int id) = 0;

    // Makes the view's GL context current (before GL work outside a paint);
    // false when the view has none yet.
    virtual bool make_current() = 0;
    virtual void done_current() = 0;
    // Draws a frame now and reads it back as packed RGB rows of exactly 3*w
    // bytes, bottom row first; w and h are the view's client size.
    virtual std::vector<uint8_t> read_frame(int& w, int& h) = 0;

    // File chooser: true with r.path filled, false when cancelled.
    virtual bool file_dialog(FileDialogRequest& r) = 0;
    // Modal dialog: true when closed with OK.
    virtual bool run_modal(DialogRequest& r) = 0;
    // Modeless dialog by title ("Properties", "Object Editor", ...): created
    // on first use, kept, shown on every use. `refresh` asks an open one to
    // reread the scene (objects were added).
    virtual void show_modeless(const std::string& name) = 0;
    virtual void refresh_modeless(const std::string& name) = 0;

    // Capture of the mouse between a button press and its release.
    virtual void capture_mouse(bool on) = 0;
    // The window's size changed by a command ("Resize Display").
    virtual void set_display_size(int w, int h) = 0;
    // The default sound device: true when it could be opened.
    virtual bool open_sound_device() = 0;
    // "Save changes to NAME?" with Save, Discard and Cancel. A host without
    // windows answers Discard (as it answers dialogs OK), so that a script
    // runs through New and Open without stopping.
    virtual SaveAnswer ask_save_changes(const std::string& /*name*/) { return SaveAnswer::Discard; }
    // Ends the process at once (Escape).
    virtual void exit_process(int status) = 0;
    // The wait cursor while a file chosen by the user is read (nothing to
    // show without a window).
    virtual void set_wait_cursor(bool /*on*/) {}
};

inline WaitCursor::WaitCursor(ViewHost& h) : m_host(h) { m_host.set_wait_cursor(true); }
inline WaitCursor::~WaitCursor() { m_host.set_wait_cursor(false); }
