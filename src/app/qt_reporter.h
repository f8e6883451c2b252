// The shell's reporter: message boxes as modal Qt boxes, status texts in
// the main frame's status line. The boxes of one group (the load of a file)
// are gathered and shown once, when the group ends, in one box listing each
// distinct message with the number of times it came.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/report.h"

class QtReporter : public Reporter {
public:
    void message_box(const std::string& text, const std::string& caption) override;
    void status(const std::string& text) override;
    void begin_group() override;
    void end_group() override;

    // Shows one modal box now (the tests replace it to read the box).
    virtual void show_box(const std::string& text, const std::string& caption);

    // The text of the one box that reports a group: each distinct message
    // on its own line, "(N times)" after one that came N times. A single
    // message is its text alone.
    static std::string group_text(const std::vector<std::pair<std::string, int>>& messages);

    std::function<void(const std::string&)> on_status;
    // Run after each message box (the view takes its GL context back).
    std::function<void()> after_modal;

private:
    int m_depth = 0;
    std::string m_caption;
    std::vector<std::pair<std::string, int>> m_gathered;   // text, count; first seen first
};
