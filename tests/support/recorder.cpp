#include "support/recorder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

RecordingReporter::RecordingReporter() : m_prev(set_reporter(this)) {}
RecordingReporter::~RecordingReporter() { set_reporter(m_prev); }

void RecordingReporter::message_box(const std::string& text, const std::string& caption)
{
    boxes.push_back({text, caption});
}
void RecordingReporter::status(const std::string& text) { statuses.push_back(text); }
void RecordingReporter::trace(const std::string& text) { traces.push_back(text); }

bool RecordingReporter::has_box(const std::string& text) const
{
    for (auto& b : boxes)
        if (b.text == text) return true;
    return false;
}
bool RecordingReporter::has_box_containing(const std::string& part) const
{
    for (auto& b : boxes)
        if (b.text.find(part) != std::string::npos) return true;
    return false;
}
bool RecordingReporter::has_status(const std::string& text) const
{
    for (auto& s : statuses)
        if (s == text) return true;
    return false;
}

ScratchDir::ScratchDir()
{
    char tmpl[] = "/tmp/qvtest.XXXXXX";
    char* p = mkdtemp(tmpl);
    m_path = p ? p : "/tmp";
    m_old_cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(m_path);
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    std::filesystem::current_path(m_old_cwd, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string read_whole_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void write_whole_file(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), (std::streamsize)bytes.size());
}

std::string source_path(const std::string& rel)
{
#ifdef QV_SOURCE_DIR
    return std::string(QV_SOURCE_DIR) + "/" + rel;
#else
    return rel;
#endif
}
