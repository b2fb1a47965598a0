#pragma once

#include <QByteArray>
#include <QString>

// Text encodings. The meter sends 8-bit text that a Japanese system reads as Shift-JIS and a
// Chinese one as GBK (the degree mark 0xDF depends on it); the program's own files are written in
// the locale's code set.
namespace codepage {

// Encoding name for the meter's bytes, by SystemLanguage: Shift_JIS, GBK or ISO-8859-1.
QByteArray meterEncodingName();
QString fromMeter(const QByteArray &bytes);
QByteArray toMeter(const QString &text);

// The code set of the current locale (LC_ALL, LC_CTYPE, LANG): UTF-8, Shift_JIS, GBK, ... or
// ISO-8859-1 for the C locale and code sets Qt does not know.
QByteArray fileEncodingName();
QByteArray toFile(const QString &text);
// Files we read may come from another system: UTF-8 when the bytes are valid UTF-8, else the
// legacy code page of the system language.
QString fromFile(const QByteArray &bytes);

// Locale name from the environment as the C library would take it ("ja_JP.UTF-8").
QString localeNameFromEnvironment();

} // namespace codepage
