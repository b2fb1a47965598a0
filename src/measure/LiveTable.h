#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <random>

#include "datafiles/RunJournal.h"
#include "datafiles/SampleData.h"

class Samples;

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

// The nine header texts of the live table (columns 1..9), from the unit texts of the data held.
// Multi-line headers use "\n".
QStringList tableHeaders(const SampleData &data);

// The text of column col (1..9) of sample i (0-based); columns 6-9 empty in Standard mode.
QString tableCell(const SampleData &data, int i, int col);

// A time of day (fraction of a day) as "HH:mm:ss".
QString timeText(double dayFraction);
// The current time of day as a fraction of a day.
double timeOfDayNow();

// Debug mode's made-up data line: whole random numbers, a blank before each, joined by ";":
// five numbers in Standard mode, ten in Detailed mode.
QByteArray debugDataLine(bool detailed, std::mt19937 &rng);

// The data file of a live run saved on the given day: the header values from the run (first
// sample's time, pressure, count, sampling time, mode "------") in the measure layout. Nothing when
// the samples cannot be written.
std::optional<QByteArray> runFileBytes(const SampleData &data, const QDate &date);
// The same, written whole to fileName (the old file stays when it fails).
bool writeRunFile(const QString &fileName, const SampleData &data, const QDate &date);

// A run read back from its journal, held as the live run it was. A line that cannot be split keeps
// its sample, as zeros, so the later samples keep their places.
SampleData recoveredRunData(const RecoveredRun &run);

} // namespace live

// The live table: a row per sample of the run (the rows of a run are there from its start, filled
// as the samples come). Cells are formatted when shown, from the samples object, so a run of
// 65,500 samples holds no texts. Only live data are shown; a page that was read leaves it empty.
class LiveTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LiveTableModel(const Samples &samples, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The rows of the data held (a run's rows from its start; at least ten otherwise).
    int maxRows() const;
    // Empty rows drawn below them down to the view's bottom edge.
    void setFillRows(int rows);

private:
    void onSampleAdded(int index);
    bool showsData() const;

    static constexpr int kIdleRows = 10;
    const Samples &m_samples;
    int m_fillRows = 0;
    QStringList m_headers;
};
