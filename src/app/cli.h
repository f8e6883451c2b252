// Command-line modes of the program: they run without a window.
#pragma once
#include <set>
#include <string>

#include "base/report.h"

// True when argv[1] names a command-line mode.
bool is_cli_mode(int argc, char** argv);
// The one-frame modes: --snapshot OUT FILE (not a script's), --thumbnail.
bool is_snapshot_mode(int argc, char** argv);
// Runs it; the result is the process exit status:
constexpr int k_exit_whole = 0;      // the file was read whole, without a message
constexpr int k_exit_reported = 2;   // it was read and its output written, but a reader reported something
constexpr int k_exit_failed = 1;     // nothing could be opened or written (or the command line was wrong)
int run_cli(int argc, char** argv);

// The window's command line: at most one scene FILE ("--" before a name
// that begins with a dash), --progress allowed. false, with the argument
// in `refused`, for an unknown option or a second file.
bool window_arguments(int argc, char** argv, std::string& file, std::string& refused);
// Whether the window could reach a display: an X11 or Wayland server that
// answers, or a Qt platform that needs none. false with the reason in `why`.
bool display_available(std::string& why);

// "WxH" of --size: both from 1 to 16384.
bool parse_size(const char* text, int& w, int& h);
// Seconds of --time: a finite number from 0 to a year, in any locale.
bool parse_seconds(const char* text, double& seconds);
// The value of "--time" standing at argv[i]: read into `seconds` and i
// moved onto it; false, having said why on stderr, when it is missing or
// no number of seconds.
bool take_time_option(int& i, int argc, char** argv, double& seconds);

// The modes, each in its own file.
int cli_info(int argc, char** argv);         // --info FILE
int cli_dump(int argc, char** argv);         // --dump FILE
int cli_save_binary(int argc, char** argv);  // --save-binary OUT.wrb IN
int cli_snapshot(int argc, char** argv);     // --snapshot OUT.bmp [--size WxH] FILE
int cli_export(int argc, char** argv);       // --export OUT IN
int cli_thumbnail(int argc, char** argv);    // --thumbnail IN OUT.png SIZE
// [FILE] [--size WxH] [--file PATH] --command ID ... [--snapshot OUT.bmp]
bool is_script_mode(int argc, char** argv);
int cli_script(int argc, char** argv);

// Message boxes of the command-line modes: "quorvel: TEXT" on stderr. The
// count of messages shown tells a complete load from one a reader had to
// report on.
class StderrReporter : public Reporter {
public:
    StderrReporter();
    ~StderrReporter() override;
    void message_box(const std::string& text, const std::string& caption) override;
    int messages() const { return m_messages; }
    // The exit status of a mode whose output was written.
    int written_status() const { return m_messages ? k_exit_reported : k_exit_whole; }

private:
    Reporter* m_prev;
    int m_messages = 0;
    // Each distinct message is written once.
    std::set<std::string> m_written;
};
