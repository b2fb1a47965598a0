#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QVector>
#include <memory>
#include <optional>

// The journal of a live run: while a run goes on, every sample's data line and time stamp is
// appended to a file in the per-user data folder, so a crash, a power cut or a killed process does
// not lose a run of days. It is removed once the data are saved (or the user declines on purpose);
// one found at start-up belongs to a run that was never saved.
//
// Format (UTF-8 text, LF): a header, then one line per sample. A line cut off by a crash is ignored.
//   TELVARO-JOURNAL 1
//   date <yyyy/MM/dd>            day the run started
//   mode <0|1>                   MeasureMode
//   sampletime <text>            MeasureSampleTime, percent-encoded
//   pressure <n>                 AtmosPressure
//   units <u1;...;u9>            unit texts, each percent-encoded
//   S <index> <time of day as fraction of a day> <data line, percent-encoded>
struct JournalHeader {
    QString date;
    qint16 measureMode = 0;
    QString sampleTime;
    qint32 atmosPressure = 0;
    // UnitCO, UnitCO2, UnitTemp, UnitHum, UnitDewPoint, UnitWetBulb, UnitAbsHum, UnitHumRatio, UnitField9
    QStringList units;
};

struct JournalSample {
    int index = 0;
    double time = 0;
    QByteArray line;
};

struct RecoveredRun {
    JournalHeader header;
    QVector<JournalSample> samples;  // in index order, index 1..n without gaps
};

class RunJournal {
public:
    // The journal file: <per-user data folder>/journal/live-run.journal.
    static QString defaultPath();

    explicit RunJournal(const QString &path = defaultPath());
    ~RunJournal();

    // Start a new journal for a run (replaces an old one). False when it cannot be written; the run
    // goes on without it.
    bool begin(const JournalHeader &header);
    // One sample; flushed to disk at least every 10 samples or 60 seconds.
    void append(int index, double time, const QByteArray &line);
    // Force the written samples to disk (end of run).
    void sync();
    // Close the file; it stays on disk until remove().
    void close();
    // The run's data are safe elsewhere: the journal goes away.
    static void remove(const QString &path = defaultPath());
    static bool exists(const QString &path = defaultPath());

    // Read a journal, up to its last whole line. Nothing when there is no usable journal.
    static std::optional<RecoveredRun> read(const QString &path = defaultPath());
    static std::optional<RecoveredRun> parse(const QByteArray &bytes);

    static QByteArray formatHeader(const JournalHeader &header);
    static QByteArray formatSample(int index, double time, const QByteArray &line);

private:
    void flushToDisk();

    QString m_path;
    std::unique_ptr<QFile> m_file;
    int m_unsynced = 0;
    QElapsedTimer m_sinceSync;
};
