// Test helpers: a reporter that records every text, and a scratch folder
// that becomes the current directory for the duration of a test.
#pragma once
#include <string>
#include <vector>

#include "base/report.h"

struct RecordedBox {
    std::string text;
    std::string caption;
};

class RecordingReporter : public Reporter {
public:
    RecordingReporter();
    ~RecordingReporter() override;
    void message_box(const std::string& text, const std::string& caption) override;
    void status(const std::string& text) override;
    void trace(const std::string& text) override;

    std::vector<RecordedBox> boxes;
    std::vector<std::string> statuses;
    std::vector<std::string> traces;

    bool has_box(const std::string& text) const;
    bool has_box_containing(const std::string& part) const;
    bool has_status(const std::string& text) const;
    std::string last_status() const { return statuses.empty() ? std::string() : statuses.back(); }

private:
    Reporter* m_prev;
};

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
private:
    std::string m_path;
    std::string m_old_cwd;
};

std::string read_whole_file(const std::string& path);
void write_whole_file(const std::string& path, const std::string& bytes);
std::string source_path(const std::string& rel);   // inside the source tree
