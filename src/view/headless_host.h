// A host without a window, for the command line and the tests: frames are
// drawn into an off-screen GL context of a fixed size, timers are recorded
// but never tick on their own, modal dialogs answer OK with the values they
// show when they open, and file choosers answer the path queued for them
// (cancelled when none is).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "view/view_host.h"

class HeadlessGL;

class HeadlessHost : public ViewHost {
public:
    // `gl` may be null (no frames: read_frame gives nothing).
    explicit HeadlessHost(HeadlessGL* gl = nullptr, class ViewBehaviour* view = nullptr);

    void attach(ViewBehaviour* view) { m_view = view; }

    void redraw(bool erase = false) override;
    void start_timer(int id, int interval_ms) override;
    void stop_timer(int id) override;
    bool make_current() override;
    void done_current() override {}
    std::vector<uint8_t> read_frame(int& w, int& h) override;
    bool file_dialog(FileDialogRequest& r) override;
    bool run_modal(DialogRequest& r) override;
    void show_modeless(const std::string& name) override;
    void refresh_modeless(const std::string& name) override;
    void capture_mouse(bool on) override { m_captured = on; }
    void set_display_size(int w, int h) override;
    bool open_sound_device() override { return false; }
    void exit_process(int status) override;
    void set_wait_cursor(bool on) override
    {
        m_wait_shown += on ? 1 : 0;
        m_wait_on = on;
    }

    // The answer of the next file chooser (consumed by it).
    void queue_file(const std::string& path)
    {
        m_next_file = path;
        m_has_next_file = true;
    }
    // Forgets an answer no chooser took.
    void clear_queued_file()
    {
        m_next_file.clear();
        m_has_next_file = false;
    }

    // What the commands asked for, for tests and the command line.
    int m_redraws = 0;
    std::map<int, int> m_timers;            // running timers: id -> interval
    std::vector<std::string> m_modeless;    // modeless dialogs shown, in order
    std::vector<std::string> m_modals;      // modal dialogs run, in order
    std::vector<FileDialogRequest> m_file_requests;
    bool m_captured = false;
    int m_wait_shown = 0;     // times the wait cursor was switched on
    bool m_wait_on = false;
    int m_exit_status = -1;                 // set instead of ending when m_exit_for_real is false
    bool m_exit_for_real = true;

private:
    HeadlessGL* m_gl;
    ViewBehaviour* m_view;
    std::string m_next_file;
    bool m_has_next_file = false;
};
