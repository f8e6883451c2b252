// Reporting interface: the only road by which the core reaches the user.
// The Qt shell installs a Reporter that shows message boxes and writes the
// status line; tests install a recorder; the default one writes message
// boxes to stderr and drops the rest.
#pragma once
#include <cstdarg>
#include <string>

class Reporter {
public:
    virtual ~Reporter() = default;
    // Modal message box: text and caption, exactly as they must be shown.
    virtual void message_box(const std::string& text, const std::string& caption);
    // First pane of the status line.
    virtual void status(const std::string& text);
    // Debug trace; discarded unless a reporter wants it.
    virtual void trace(const std::string& text);
    // A group of messages that belong together (the load of one file):
    // a reporter may gather the boxes between the two calls and show them
    // once at the end. Groups nest; only the outermost one counts.
    virtual void begin_group() {}
    virtual void end_group() {}
};

// Installs r (null restores the default) and returns the previous reporter.
Reporter* set_reporter(Reporter* r);
Reporter& reporter();

// The messages of a scope form one group (see Reporter::begin_group).
class ReportGroup {
public:
    ReportGroup();
    ~ReportGroup();
    ReportGroup(const ReportGroup&) = delete;
    ReportGroup& operator=(const ReportGroup&) = delete;

private:
    Reporter* m_reporter;
};

// The file the messages of a scope are about (a texture being read): a
// message box that does not name it gets "(NAME)" after its text.
class ReportAbout {
public:
    explicit ReportAbout(const std::string& name);
    ~ReportAbout();
    ReportAbout(const ReportAbout&) = delete;
    ReportAbout& operator=(const ReportAbout&) = delete;

private:
    std::string m_prev;
};

// Message box helpers. The caption defaults to the application's title.
void MessageBox(const std::string& text, const std::string& caption = "Quorvel");
void MessageBoxF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Status line: printf-style (numbers always in the C locale) and preformatted.
void SetStatusText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void SetStatusTextRaw(const std::string& text);

// Debug trace, printf-style.
void Trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
