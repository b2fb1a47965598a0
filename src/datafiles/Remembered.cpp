#include "datafiles/Remembered.h"

#include <QDir>
#include <QSettings>

namespace remembered {

QString fileName(const QString &programFolder) { return QDir(programFolder).filePath(QStringLiteral("Survey.ini")); }

QStringList recentFiles(const QString &programFolder)
{
    QSettings s(fileName(programFolder), QSettings::IniFormat);
    return s.value(QStringLiteral("Recent/files")).toStringList().mid(0, kRecentCount);
}

void addRecentFile(const QString &programFolder, const QString &file)
{
    QStringList files = recentFiles(programFolder);
    files.removeAll(file);
    files.prepend(file);
    QSettings s(fileName(programFolder), QSettings::IniFormat);
    s.setValue(QStringLiteral("Recent/files"), files.mid(0, kRecentCount));
}

double value(const QString &programFolder, const QString &key, double fallback)
{
    QSettings s(fileName(programFolder), QSettings::IniFormat);
    bool ok = false;
    const double v = s.value(QStringLiteral("Guidelines/") + key).toDouble(&ok);
    return ok ? v : fallback;
}

void setValue(const QString &programFolder, const QString &key, double v)
{
    QSettings s(fileName(programFolder), QSettings::IniFormat);
    s.setValue(QStringLiteral("Guidelines/") + key, v);
}

} // namespace remembered
