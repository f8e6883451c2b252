// Reporting interface: the only road by which the core reaches the user.
// The Qt shell installs a Reporter that shows message boxes and writes the
// status line; tests install a recorder; the default one writes message
// boxes to stderr and drops the rest.
#pragma once
#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

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
// The reporter of the calling thread: the one installed for it with
// set_thread_reporter, else the process's.
Reporter& reporter();

// Installs r (null: the process's reporter again) for the calling thread
// only, and returns the thread's previous one. A thread that reads a file
// for another one gives its messages to a HeldReporter this way.
Reporter* set_thread_reporter(Reporter* r);

// Keeps every call, in order, until the thread that owns the real reporter
// hands them on with deliver(). Calls may come from any thread.
class HeldReporter : public Reporter {
public:
    void message_box(const std::string& text, const std::string& caption) override;
    void status(const std::string& text) override;
    void trace(const std::string& text) override;
    void begin_group() override;
    void end_group() override;
    // Gives the calls held so far to `to`, oldest first, and forgets them;
    // returns how many there were.
    size_t deliver(Reporter& to);
    // Drops the calls held so far; returns how many there were.
    size_t forget();

private:
    enum class Kind { Box, Status, Trace, Begin, End };
    struct Held {
        Kind kind;
        std::string text, caption;
    };
    std::mutex m_mutex;
    std::vector<Held> m_held;
};

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
