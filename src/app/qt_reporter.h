// The shell's reporter: message boxes as modal Qt boxes, status texts in
// the main frame's status line.
#pragma once
#include <functional>

#include "base/report.h"

class QtReporter : public Reporter {
public:
    void message_box(const std::string& text, const std::string& caption) override;
    void status(const std::string& text) override;
    std::function<void(const std::string&)> on_status;
    // Run after each message box (the view takes its GL context back).
    std::function<void()> after_modal;
};
