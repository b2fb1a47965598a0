#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

// The program's number rules, shared by the settings reader, the protocol splitters, the dialogs
// and the CSV writers.
namespace numtext {

// The leading-number rule: leading blanks skipped, then the longest prefix that reads as a decimal
// number (sign, digits, one decimal point); anything else gives 0.
double leadingNumber(QStringView text);
double leadingNumber(const QByteArray &text);

// Round to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// Rounded value when it fits a 16- or 32-bit signed integer, nothing when it overflows.
std::optional<qint16> toInt16(double value);
std::optional<qint32> toInt32(double value);

// Number-to-text: a blank before a zero or positive number, "-" before a negative one (" 1", "-3").
QString numberWithSign(qint64 value);

// General number format of the data files: shortest decimal form, "." whatever the locale,
// no exponent, no leading blank ("0", "23.5", "-0.25", "1000000").
QString generalNumber(double value);

} // namespace numtext
