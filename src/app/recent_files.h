// The most-recently-used file list of the "&File" menu, kept in the user's
// settings under the application's key: newest first, no duplicates, at
// most 10 entries.
#pragma once
#include <QStringList>

class RecentFiles {
public:
    static constexpr int k_max = 10;

    // Reads the list from the settings.
    void load();
    // `path` becomes the first entry (moved there when already listed).
    void add(const QString& path);
    // A file that could not be opened leaves the list.
    void remove(const QString& path);
    const QStringList& files() const { return m_files; }

private:
    void save() const;
    QStringList m_files;
};
