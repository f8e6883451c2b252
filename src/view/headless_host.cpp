#include "view/headless_host.h"

#include <cstdlib>

#include "render/frame.h"
#include "render/headless_gl.h"
#include "view/behaviour.h"

HeadlessHost::HeadlessHost(HeadlessGL* gl, ViewBehaviour* view) : m_gl(gl), m_view(view) {}

void HeadlessHost::redraw(bool) { ++m_redraws; }
void HeadlessHost::start_timer(int id, int interval_ms) { m_timers[id] = interval_ms; }
void HeadlessHost::stop_timer(int id) { m_timers.erase(id); }

bool HeadlessHost::make_current() { return m_gl && m_gl->valid() && m_gl->make_current(); }

std::vector<uint8_t> HeadlessHost::read_frame(int& w, int& h)
{
    w = h = 0;
    if (!m_view || !make_current()) return {};
    w = m_gl->width();
    h = m_gl->height();
    PaintView(m_view->m_gl);
    return read_frame_rgb(w, h);
}

bool HeadlessHost::file_dialog(FileDialogRequest& r)
{
    m_file_requests.push_back(r);
    if (!m_has_next_file) return false;
    r.path = m_next_file;
    clear_queued_file();
    return true;
}

bool HeadlessHost::run_modal(DialogRequest& r)
{
    m_modals.push_back(r.name);
    return true;
}

void HeadlessHost::show_modeless(const std::string& name) { m_modeless.push_back(name); }
void HeadlessHost::refresh_modeless(const std::string&) {}
void HeadlessHost::set_display_size(int, int) {}

void HeadlessHost::exit_process(int status)
{
    m_exit_status = status;
    if (m_exit_for_real) std::exit(status);
}
