#include "base/report.h"

#include <cstdio>

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
std::string g_about;   // the file the current messages are about

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

ReportGroup::ReportGroup() : m_reporter(g_current) { m_reporter->begin_group(); }
ReportGroup::~ReportGroup() { m_reporter->end_group(); }

ReportAbout::ReportAbout(const std::string& name) : m_prev(g_about) { g_about = name; }
ReportAbout::~ReportAbout() { g_about = m_prev; }

Reporter* set_reporter(Reporter* r)
{
    Reporter* prev = g_current;
    g_current = r ? r : &g_default;
    return prev == &g_default ? nullptr : prev;
}

Reporter& reporter() { return *g_current; }

void MessageBox(const std::string& text, const std::string& caption)
{
    g_current->message_box(with_subject(text), caption);
}

void MessageBoxF(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    g_current->message_box(with_subject(s), "Quorvel");
}

void SetStatusText(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    g_current->status(s);
}

void SetStatusTextRaw(const std::string& text) { g_current->status(text); }

void Trace(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string s = qv_vformat(fmt, ap);
    va_end(ap);
    g_current->trace(s);
}
