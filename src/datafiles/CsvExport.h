#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>

#include "datafiles/SampleData.h"

class QIODevice;

// The CSV data files: live runs and calculation pages (Standard or Detailed columns) and %OA
// pages. The text is built apart from the writing, so the same bytes can be checked or written
// elsewhere (tests, recovery of an interrupted run).
namespace csvexport {

// Header values every file starts with.
struct CsvHeader {
    QString dateText;          // after "Date,"
    QString timeText;          // after "Time,"
    QString pressureText;      // after "Atmos.Pressure,"
    qint32 count = 0;          // samples 1..count are written
    QString samplingTimeText;  // after "Sampling Time,"
};

// The mode text of live data: line 5 then reads "Mode,NORMAL".
inline const QString kNormalModeText = QStringLiteral("------");

// Celsius or not, from the temperature unit: the second character is "C"; on a Chinese system the
// meter's degree mark and "C" arrive as one double-byte character, whose bytes are DF 43.
bool temperatureIsCelsius(const QString &unitTemp);
// "Degrees" / "Degrees Fahrenheit" (or the Japanese and Chinese degree signs), by the test above.
QString degreeText(const QString &unitTemp);

// Line 7 and line 8 of a live or calculation file: the column names and their units, Standard
// (four columns) or Detailed (eight).
QStringList measureColumnNames(qint16 measureMode);
QStringList measureUnitTexts(qint16 measureMode, const SampleData &data);
// The data line of sample i (0-based) as the file writes it, without its line end.
QByteArray measureDataLine(const SampleData &data, int i, qint16 measureMode);

// The file's text in the file code page, CR LF line ends, samples 0..count-1 of data; nothing when
// a series the columns need holds fewer than count samples.
std::optional<QByteArray> measureCsvBytes(const CsvHeader &header, const QString &modeText, qint16 measureMode,
                                          const SampleData &data);
std::optional<QByteArray> oaCsvBytes(const CsvHeader &header, const QString &basisText, const SampleData &data);

// Replace fileName with bytes as a whole: written to a temporary file beside it and renamed over it
// at the end, so a failed write leaves whatever was there before.
bool writeFileWhole(const QString &fileName, const QByteArray &bytes);
// The same for any writer of the file's content (false from it: nothing is kept).
bool writeFileWhole(const QString &fileName, const std::function<bool(QIODevice &)> &write);

// One fixed, readable form for the date and time lines: "2004/06/20", "13:05:09".
QString dateText(const QDate &date);
// A time of day as a fraction of a day (any date part is ignored), to the nearest second.
QString timeOfDayText(double dayFraction);
// "1", "2", "5", "10", "30" or "60" for a MeasureSampleTime equal to one of the sampling-time texts
// of the interface language; empty when none matches.
QString samplingTimeText(const QString &measureSampleTime);

} // namespace csvexport

// The two writers: whether the file was written whole. On failure no partial file is left and an
// existing file is kept as it was; the caller tells the user (text 167, title text 168).
bool WriteMeasureCsv(const QString &fileName, const QString &dateText, const QString &timeText,
                     const QString &pressureText, qint32 count, const QString &samplingTimeText,
                     const QString &modeText, qint16 measureMode, const SampleData &data);
bool WriteOaCsv(const QString &fileName, const QString &dateText, const QString &timeText,
                const QString &pressureText, qint32 count, const QString &samplingTimeText,
                const QString &basisText, const SampleData &data);
