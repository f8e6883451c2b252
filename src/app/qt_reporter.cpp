#include "app/qt_reporter.h"

#include <QApplication>
#include <QMessageBox>

namespace {
// A box lists this many distinct messages; the rest are counted.
constexpr size_t k_listed = 30;
} // namespace

void QtReporter::message_box(const std::string& text, const std::string& caption)
{
    if (m_depth == 0) {
        show_box(text, caption);
        return;
    }
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (m_gathered.empty()) m_caption = caption;
    for (auto& [t, n] : m_gathered) {
        if (t == line) {
            ++n;
            return;
        }
    }
    m_gathered.emplace_back(line, 1);
}

void QtReporter::begin_group() { ++m_depth; }

void QtReporter::end_group()
{
    if (m_depth == 0 || --m_depth > 0) return;
    if (m_gathered.empty()) return;
    std::vector<std::pair<std::string, int>> messages;
    messages.swap(m_gathered);
    show_box(group_text(messages), m_caption);
}

std::string QtReporter::group_text(const std::vector<std::pair<std::string, int>>& messages)
{
    if (messages.size() == 1 && messages[0].second == 1) return messages[0].first;
    std::string out;
    size_t listed = 0;
    int rest = 0;
    for (const auto& [text, n] : messages) {
        if (listed == k_listed) {
            rest += n;
            continue;
        }
        ++listed;
        if (!out.empty()) out += '\n';
        // One line per message: a message of several lines is joined.
        std::string one = text;
        for (char& c : one)
            if (c == '\n') c = ' ';
        out += one;
        if (n > 1) out += " (" + std::to_string(n) + " times)";
    }
    if (rest > 0) out += "\n... and " + std::to_string(rest) + " more";
    return out;
}

void QtReporter::show_box(const std::string& text, const std::string& caption)
{
    QWidget* parent = QApplication::activeWindow();
    QMessageBox::information(parent, QString::fromStdString(caption), QString::fromStdString(text));
    if (after_modal) after_modal();
}

void QtReporter::status(const std::string& text)
{
    if (on_status) on_status(text);
}
