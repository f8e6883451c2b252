#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char* const k_group = "Recent File List";

// The same file named twice (relative, through "..") is listed once.
QString canonical(const QString& path)
{
    QFileInfo fi(path);
    QString c = fi.canonicalFilePath();
    return c.isEmpty() ? fi.absoluteFilePath() : c;
}
} // namespace

void RecentFiles::load()
{
    QSettings settings;
    settings.beginGroup(k_group);
    m_files.clear();
    for (int i = 1; i <= k_max; ++i) {
        QString f = settings.value(QString("File%1").arg(i)).toString();
        if (!f.isEmpty() && !m_files.contains(f)) m_files << f;
    }
}

void RecentFiles::save() const
{
    QSettings settings;
    settings.beginGroup(k_group);
    for (int i = 1; i <= k_max; ++i) {
        const QString key = QString("File%1").arg(i);
        if (i <= m_files.size()) settings.setValue(key, m_files[i - 1]);
        else settings.remove(key);
    }
}

void RecentFiles::add(const QString& path)
{
    if (path.isEmpty()) return;
    const QString c = canonical(path);
    m_files.removeAll(c);
    m_files.prepend(c);
    while (m_files.size() > k_max) m_files.removeLast();
    save();
}

void RecentFiles::remove(const QString& path)
{
    if (m_files.removeAll(canonical(path)) || m_files.removeAll(path)) save();
}
