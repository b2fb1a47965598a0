#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <random>

// The plain rules of a live run: sampling intervals, the temperature unit test, the live table's
// header and rows, time stamps and the made-up readings of debug mode. No widget, no timer.
namespace live {

// One day in milliseconds; time stamps are kept as fractions of a day.
inline constexpr double kMsPerDay = 86400000.0;

// The timers and the time axis label step for a sampling-time text (texts 126-130, 174 of the
// interface language). Nothing when the text is none of them.
struct Intervals {
    int requestMs;    // Timer2: one D request per sampling interval
    int replyMs;      // Timer3: 100 ms at one second, else 500 ms
    int labelStepSec; // time axis label step
};
std::optional<Intervals> intervalsForSampleTime(const QString &sampleTimeText);

// Is the temperature unit Celsius? On a Chinese system the meter's 0xDF 0x43 reads as one
// character; everywhere else the second character is "C".
bool isCelsius(const QString &unitTemp, const QString &systemLanguage);

// The nine header texts of the live table (columns 1..9), from the unit texts in Variable.
// Multi-line headers use "\n".
QStringList tableHeaders();

// The nine cell texts of sample i (1-based) from the live buffers; columns 6-9 empty in Standard mode.
QStringList tableRow(int i, bool detailed);

// A time of day (fraction of a day) as "HH:mm:ss".
QString timeText(double dayFraction);
// The current time of day as a fraction of a day.
double timeOfDayNow();

// Debug mode's made-up data line: whole random numbers, a blank before each, joined by ";":
// five numbers in Standard mode, ten in Detailed mode.
QByteArray debugDataLine(bool detailed, std::mt19937 &rng);

} // namespace live
