#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Language choice: the system's language, "Language.dat", and the text id offset.
namespace language {

// English name of a locale's language: ja_* "Japanese", zh_* "Chinese", en_* "English",
// others their English name ("German"); "C" for the C locale.
QString englishLanguageName(const QString &localeName);
// SystemLanguage from the current locale (LC_ALL, LC_MESSAGES, LANG).
QString detectSystemLanguage();

// Parse the text of "Language.dat": fields end at a comma or a line end; the last field whose text
// up to its first "=" is exactly "Language =" wins. No matching field gives 0. A number too large
// for 16 bits makes the file unreadable (nothing is returned).
std::optional<qint16> parseLanguageFile(const QByteArray &bytes);
// The file's one line: "Language =", the number with its sign blank, CR LF.
QByteArray formatLanguageFile(qint16 choice);

// ResIdBase for a choice and a system language (unchanged for choices other than 0 and 1).
qint16 computeResIdBase(qint16 choice, const QString &systemLanguage, qint16 current);

} // namespace language

// Start-up: read programFolder/Language.dat into the language state's choice. False when it is
// missing or bad.
bool ReadLanguageFile(const QString &programFolder);
// Write "Language.dat" in the current directory from the language state's choice; false when it failed.
bool WriteLanguageFile();
// Main window load: set the text offset from the language state's choice and system language.
void ComputeResIdBase();
