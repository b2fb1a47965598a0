#pragma once

#include <QByteArray>
#include <QString>

// Text encodings. The meter's 8-bit text and the program's own files use the code page a Windows
// system of the system language uses, whatever the locale's code set: the files go to Windows
// spreadsheets, and a unit text the meter sent goes back into a file as the very bytes it sent.
namespace codepage {

// Japanese: Shift_JIS as Windows uses it (cp932); Chinese: GBK (cp936); every other language:
// Windows-1252.
QByteArray codePageFor(const QString &systemLanguage);

// The code page of the system language, for the meter and for the files alike.
QByteArray meterEncodingName();
QString fromMeter(const QByteArray &bytes);
QByteArray toMeter(const QString &text);

QByteArray fileEncodingName();
// A character the code page lacks is written as "?", as Windows does.
QByteArray toFile(const QString &text);
QString fromFile(const QByteArray &bytes);

// Pure forms of the two, for a given code page.
QByteArray encode(const QByteArray &codePage, const QString &text);
QString decode(const QByteArray &codePage, const QByteArray &bytes);

} // namespace codepage
