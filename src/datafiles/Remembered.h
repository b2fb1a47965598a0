#pragma once

#include <QString>
#include <QStringList>

// What the program remembers besides its settings file: the files opened or saved last and the
// report's guideline values. Kept in "Survey.ini" in the program folder, so "Telvaro.ini" keeps
// its fixed layout.
namespace remembered {

inline constexpr int kRecentCount = 5;

QString fileName(const QString &programFolder);
QStringList recentFiles(const QString &programFolder);
// Puts fileName first (once), keeps five.
void addRecentFile(const QString &programFolder, const QString &fileName);

// Guideline values by key ("co2Max", "coMax", "tempMin", "tempMax", "humMin", "humMax").
double value(const QString &programFolder, const QString &key, double fallback);
void setValue(const QString &programFolder, const QString &key, double value);

} // namespace remembered
