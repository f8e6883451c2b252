#include "base/report.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "base/cformat.h"

void Reporter::message_box(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
void Reporter::status(const std::string&) {}
void Reporter::trace(const std::string&) {}

namespace {
Reporter g_default;
Reporter* g_current = &g_default;
// A thread that reads for another one says what it has to say here.
thread_local Reporter* t_current = nullptr;
thread_local std::string g_about;   // the file the current messages are about

Reporter& current() { return t_current ? *t_current : *g_current; }

// The text with the file it is about, unless it names it already.
std::string with_subject(std::string text)
{
    if (g_about.empty() || text.find(g_about) != std::string::npos) return text;
    const bool newline = !text.empty() && text.back() == '\n';
    if (newline) text.pop_back();
    text += " (" + g_about + ")";
    if (newline) text += '\n';
    return text;
}
} // namespace

ReportGroup::ReportGroup() : m_reporter(&current()) { m_reporter->begin_group(); }
ReportGroup::~ReportGroup() { m_reporter->end_group(); }

ReportAbout::ReportAbout(const std::string& name) : m_prev(g_about) { g_about = name; }
ReportAbout::~ReportAbout() { g_about = m_prev; }

Reporter* set_reporter(Reporter* r)
{
    Reporter* prev = g_current;
    g_current = r ? r : &g_default;
    return prev == &g_default ? nullptr : prev;
}

Reporter& reporter() { return current(); }

Reporter* set_thread_reporter(Reporter* r)
{
    Reporter* prev = t_current;
    t_current = r;
    return prev;
}

void HeldReporter::message_box(const std::string& text, const std::string& caption)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({Kind::Box, text, caption});
}
void HeldReporter::status(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({Kind::Status, text, {}});
}
void HeldReporter::trace(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({Kind::Trace, text, {}});
}
void HeldReporter::begin_group()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({Kind::Begin, {}, {}});
}
void HeldReporter::end_group()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({Kind::End, {}, {}});
}

size_t HeldReporter::deliver(Reporter& to)
{
    std::vector<Held> held;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        held.swap(m_held);
    }
    for (const Held& h : held) {
        switch (h.kind) {
        case Kind::Box: to.message_box(h.text, h.caption); break;
        case Kind::Status: to.status(h.text); break;
        case Kind::Trace: to.trace(h.text); break;
        case Kind::Begin: to.begin_group(); break;
        case Kind::End: to.end_group(); break;
        }
    }
    return held.size();
}

size_t HeldReporter::forget()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t n = m_held.size();
    m_held.clear();
    return n;
}

void MessageBox(const std::string& text, const std::string& caption)
{
    current().message_box(with_subject(text), caption);
}

void MessageBoxF(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    current().message_box(with_subject(s), "Quorvel");
}

void SetStatusText(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    current().status(s);
}

void SetStatusTextRaw(const std::string& text) { current().status(text); }

void Trace(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    current().trace(s);
}
