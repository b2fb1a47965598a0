#include "datafiles/RunJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace {
constexpr int kSyncEverySamples = 10;
constexpr qint64 kSyncEveryMs = 60 * 1000;
const QByteArray kMagic = "TELVARO-JOURNAL 1";

QByteArray enc(const QString &text) { return text.toUtf8().toPercentEncoding(); }
QString dec(const QByteArray &bytes) { return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes)); }
} // namespace

QString RunJournal::defaultPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/telvaro-monitor-journal/live-run.journal");
}

RunJournal::RunJournal(const QString &path) : m_path(path) {}
RunJournal::~RunJournal() { close(); }

QByteArray RunJournal::formatHeader(const JournalHeader &h)
{
    QByteArray units;
    for (int i = 0; i < h.units.size(); ++i) {
        if (i)
            units += ';';
        units += enc(h.units.at(i));
    }
    return kMagic + "\n" + "date " + h.date.toUtf8() + "\n" + "mode " + QByteArray::number(h.measureMode) + "\n"
           + "sampletime " + enc(h.sampleTime) + "\n" + "pressure " + QByteArray::number(h.atmosPressure) + "\n"
           + "units " + units + "\n";
}

QByteArray RunJournal::formatSample(int index, double time, const QByteArray &line)
{
    return "S " + QByteArray::number(index) + ' ' + QByteArray::number(time, 'g', 17) + ' '
           + line.toPercentEncoding() + '\n';
}

bool RunJournal::begin(const JournalHeader &header)
{
    close();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_file = std::make_unique<QFile>(m_path);
    // Unbuffered: every sample reaches the system at once, so a killed program loses nothing;
    // the disk itself is synced every 10 samples or 60 seconds (a power cut loses at most that).
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_file.reset();
        return false;
    }
    m_file->write(formatHeader(header));
    m_unsynced = 0;
    flushToDisk();
    return true;
}

void RunJournal::append(int index, double time, const QByteArray &line)
{
    if (!m_file)
        return;
    m_file->write(formatSample(index, time, line));
    ++m_unsynced;
    if (m_unsynced >= kSyncEverySamples || m_sinceSync.elapsed() >= kSyncEveryMs)
        flushToDisk();
}

void RunJournal::flushToDisk()
{
    if (!m_file)
        return;
    m_file->flush();
    ::fdatasync(m_file->handle());
    m_unsynced = 0;
    m_sinceSync.restart();
}

void RunJournal::sync() { flushToDisk(); }

void RunJournal::close()
{
    if (m_file) {
        flushToDisk();
        m_file->close();
        m_file.reset();
    }
}

void RunJournal::remove(const QString &path) { QFile::remove(path); }
bool RunJournal::exists(const QString &path) { return QFile::exists(path); }

std::optional<RecoveredRun> RunJournal::parse(const QByteArray &bytes)
{
    // Only whole lines count: whatever follows the last LF was cut off.
    const int lastLf = bytes.lastIndexOf('\n');
    if (lastLf < 0)
        return std::nullopt;
    const QList<QByteArray> lines = bytes.left(lastLf).split('\n');
    if (lines.isEmpty() || lines.first() != kMagic)
        return std::nullopt;
    RecoveredRun run;
    bool haveUnits = false;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const int sp = line.indexOf(' ');
        const QByteArray key = sp < 0 ? line : line.left(sp);
        const QByteArray value = sp < 0 ? QByteArray() : line.mid(sp + 1);
        if (key == "date") {
            run.header.date = QString::fromUtf8(value);
        } else if (key == "mode") {
            run.header.measureMode = qint16(value.toInt());
        } else if (key == "sampletime") {
            run.header.sampleTime = dec(value);
        } else if (key == "pressure") {
            run.header.atmosPressure = value.toInt();
        } else if (key == "units") {
            for (const QByteArray &u : value.split(';'))
                run.header.units << dec(u);
            haveUnits = true;
        } else if (key == "S") {
            const QList<QByteArray> parts = value.split(' ');
            if (parts.size() != 3)
                continue;
            bool okIndex = false, okTime = false;
            JournalSample s;
            s.index = parts.at(0).toInt(&okIndex);
            s.time = parts.at(1).toDouble(&okTime);
            s.line = QByteArray::fromPercentEncoding(parts.at(2));
            // Samples come in order; a re-journalled index replaces the earlier one.
            if (!okIndex || !okTime || s.index < 1 || s.index > run.samples.size() + 1)
                continue;
            if (s.index == run.samples.size() + 1)
                run.samples.push_back(s);
            else
                run.samples[s.index - 1] = s;
        }
    }
    if (!haveUnits)
        return std::nullopt;
    while (run.header.units.size() < 9)
        run.header.units << QString();
    return run;
}

std::optional<RecoveredRun> RunJournal::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll());
}
