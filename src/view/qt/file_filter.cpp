#include "view/qt/file_filter.h"

#include <QRegularExpression>

namespace {
// "*.*" means every file; on this system many have no dot.
QString pattern_of(QString p)
{
    p = p.trimmed();
    return p == "*.*" ? QString("*") : p;
}
} // namespace

QStringList qt_name_filters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        if (name.isEmpty()) break;   // "||" ends the list
        QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
        static const QRegularExpression trailing(R"(\s*\(([^()]*)\)\s*$)");
        QRegularExpressionMatch m = trailing.match(name);
        QString shown = name;
        if (m.hasMatch()) {
            shown = name.left(m.capturedStart()).trimmed();
            if (patterns.trimmed().isEmpty()) patterns = m.captured(1);
        }
        if (patterns.trimmed().isEmpty()) patterns = name;
        QStringList list;
        for (const QString& p : patterns.split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts)) {
            QString q = pattern_of(p);
            if (!list.contains(q)) list << q;
        }
        if (list.isEmpty()) list << "*";
        const QString joined = list.join(' ');
        out << ((shown.isEmpty() || shown == joined) ? joined : shown + " (" + joined + ")");
    }
    if (out.isEmpty()) out << "*";
    return out;
}

QString default_suffix(const std::string& ext)
{
    QString s = QString::fromStdString(ext).trimmed();
    while (s.startsWith('*') || s.startsWith('.')) s.remove(0, 1);
    if (s.contains('*') || s.contains('?')) return {};
    return s;
}
