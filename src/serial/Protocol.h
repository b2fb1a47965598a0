#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

// The meter's command texts and the splitters of its replies. Plain code over bytes: no port,
// no timer, no window. A reply that lacks a ";" of its layout is refused (nothing is returned),
// so callers treat it as a failed exchange instead of reading outside the text.
namespace protocol {

inline constexpr char CR = '\r';
inline constexpr char LF = '\n';

// Four-digit page argument: 7 -> "0007", 1000 -> "1000".
QByteArray pageArgument(int page);
// Command text with CR LF: command("T", 3) -> "T0003\r\n"; command("U") -> "U\r\n".
QByteArray command(const char *letters, int page = -1);

bool endsWithCrLf(const QByteArray &text);
// Starts with "A" + letter and ends in CR LF.
bool isAck(const QByteArray &text, char letter);
// Exactly "A" + letter + CR LF.
bool isBareAck(const QByteArray &text, char letter);

// U reply: nine unit fields (the ninth keeps the reply's CR LF).
std::optional<std::array<QByteArray, 9>> splitUnits(const QByteArray &reply);

// S reply: field 2 as COScaleFlag, the text after the third ";" as AtmosPressure.
struct SReply {
    qint16 coScaleFlag = 0;
    qint32 atmosPressure = 0;
};
std::optional<SReply> splitS(const QByteArray &reply);

// P reply: the page count after the second "P" (0 when there is none).
int splitP(const QByteArray &reply);

// M reply: mode code, sampling time, number of data, operation, pressure (with CR LF).
std::optional<std::array<QByteArray, 5>> splitM(const QByteArray &reply);

// T page header: characters 1-10 the date, 12-19 the time.
struct THeader {
    QByteArray date;
    QByteArray time;
};
THeader splitTHeader(const QByteArray &header);

// A data record's values: 4 (Standard) or 8 (Detailed); skipFirstField for page records.
std::optional<std::array<double, 8>> splitDataRecord(const QByteArray &record, bool detailed, bool skipFirstField);

// %OA record: from the fifth character, percent outdoor air, return, supply, outdoor air.
std::optional<std::array<double, 4>> splitOaRecord(const QByteArray &record);

} // namespace protocol
