#include "startup/cli/CliCommands.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <optional>
#include <unistd.h>

#include "datafiles/CsvExport.h"
#include "datafiles/RunJournal.h"
#include "i18n/Texts.h"
#include "measure/LiveRun.h"
#include "measure/LiveTable.h"
#include "measure/Samples.h"
#include "serial/Exchanges.h"
#include "serial/PortNames.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/cli/CliInterrupt.h"
#include "transfer/PageFile.h"
#include "transfer/TransferReads.h"
#include "transfer/TransferState.h"

namespace cli {

namespace {

// ---- standard output and standard error -----------------------------------------------------

void printError(Command command, const QString &text)
{
    std::fprintf(stderr, "telvaro-cli %s: %s\n", qPrintable(commandName(command)), text.toLocal8Bit().constData());
}

void printNote(const Request &r, const QString &text)
{
    if (!r.quiet)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Results on standard output, at once (a reader of a live run sees each sample as it comes).
bool writeOut(const QByteArray &bytes)
{
    const bool ok = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && ok;
}

// What came back, readable on one line: "AX\r\n" with its control characters spelled out.
QString shownReply(const QByteArray &reply)
{
    if (reply.isEmpty())
        return QStringLiteral("nothing");
    QString text = QStringLiteral("\"");
    for (const char c : reply) {
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else if (c == '"' || c == '\\')
            text += QLatin1String(c == '"' ? "\\\"" : "\\\\");
        else if (c >= 0x20 && c < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return text + QLatin1Char('"');
}

void reportFailure(Command command, const ExchangeResult &failure)
{
    printError(command, QStringLiteral("%1 failed: the meter sent %2 (logged in RSErr.log)")
                            .arg(failure.logName, shownReply(failure.reply)));
}

QString jsonText(const QString &text)
{
    // A JSON string with its quotes, as QJsonDocument writes one.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Can a file be made in this folder (or, when it does not exist yet, in the folder it would be
// made in)?
bool folderWritable(const QString &path)
{
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    while (!info.exists() && !info.isRoot())
        info = QFileInfo(info.absolutePath());
    return info.isDir() && info.isWritable();
}

// ---- progress of a page read ----------------------------------------------------------------

// Records so far, bytes per second and time left, on one line of standard error that is
// overwritten; only when standard error is a terminal.
class Progress {
public:
    Progress(const Request &r, const SerialLink &link) : m_link(link), m_on(!r.quiet && ::isatty(STDERR_FILENO)) {}
    ~Progress() { clear(); }

    void directory(int page, int count) { show(QStringLiteral("directory: page %1 of %2").arg(page).arg(count)); }

    void record(int page, int i, int n)
    {
        if (!m_on)
            return;
        if (i == 1) {
            m_clock.start();
            m_firstBytes = m_link.receivedCount();
        }
        if (i > 1 && i < n && m_shown.isValid() && m_shown.elapsed() < 200)
            return;
        QString text = QStringLiteral("page %1: %2/%3 records").arg(page).arg(i).arg(n);
        const double seconds = m_clock.isValid() ? m_clock.elapsed() / 1000.0 : 0;
        if (i > 1 && seconds > 0) {
            const double rate = (m_link.receivedCount() - m_firstBytes) / seconds;
            const int left = int(std::lround(seconds / (i - 1) * (n - i)));
            text += QStringLiteral(", %1 B/s, %2:%3 left").arg(qRound64(rate)).arg(left / 60).arg(left % 60, 2, 10,
                                                                                               QLatin1Char('0'));
        }
        show(text);
    }

    void clear()
    {
        if (m_on && m_shown.isValid())
            std::fputs("\r\033[K", stderr);
        m_shown.invalidate();
    }

private:
    void show(const QString &text)
    {
        if (!m_on)
            return;
        std::fprintf(stderr, "\r\033[K%s", text.toLocal8Bit().constData());
        std::fflush(stderr);
        m_shown.start();
    }

    const SerialLink &m_link;
    bool m_on;
    QElapsedTimer m_clock, m_shown;
    qint64 m_firstBytes = 0;
};

// ---- the line to the meter ------------------------------------------------------------------

// The port, and the cancel flag that an interrupt sets. An interrupt does what the transfer
// window's Close does: the meter is stopped, the port closed, and the exchange in progress ends
// quietly at its next look at the cancel check.
struct Line {
    explicit Line(const Request &request)
        : r(request), interrupts([this] {
              cancelled = true;
              if (link.isOpen()) {
                  SendStopCommand(link, [] { return ProgramEnding(); });
                  CloseComPort(link);
              }
          })
    {
    }

    CancelCheck cancel()
    {
        return [this] { return cancelled || ProgramEnding(); };
    }

    // OpenComPort, or the reason it failed on standard error.
    bool open()
    {
        QString reason;
        if (OpenComPort(link, r.settings, &reason))
            return true;
        const QString device = portnames::resolvePort(r.settings.RsPort);
        QString where = r.settings.RsPort;
        if (!device.isEmpty() && device != where)
            where += QStringLiteral(" (%1)").arg(device);
        printError(r.command, QStringLiteral("cannot open the port %1: %2").arg(where, reason));
        return false;
    }

    const Request &r;
    SerialLink link;
    bool cancelled = false;
    Interrupts interrupts;
};

// The directory, as the transfer window reads it when it opens. Done with state filled (PageCount
// 0 when the meter holds no page), or how the command ends.
int readDirectory(Line &line, TransferState &state, Progress &progress)
{
    state.resetAtLoad();
    if (!line.r.settings.ProgMode) {
        state.buildDebugDirectory([] { return QRandomGenerator::global()->generateDouble(); });
        return Done;
    }
    if (!line.open())
        return PortNotOpened;
    const transfer::ReadOutcome outcome = transfer::readDirectory(
        line.link, state, line.cancel(), {}, [&](int page) { progress.directory(page, state.PageCount); });
    progress.clear();
    CloseComPort(line.link);
    switch (outcome.kind) {
    case transfer::ReadOutcome::Cancelled:
        return Interrupted;
    case transfer::ReadOutcome::Failed:
        reportFailure(line.r.command, outcome.failure);
        return MeterFailed;
    case transfer::ReadOutcome::Empty:
        state.PageCount = 0;
        break;
    case transfer::ReadOutcome::Ok:
        break;
    }
    return line.cancelled ? Interrupted : Done;
}

} // namespace

// ---- ports ----------------------------------------------------------------------------------

int runPorts(const Request &r)
{
    const QStringList devices = portnames::listSerialDevices();
    QByteArray out;
    for (int n = 1; n <= devices.size(); ++n)
        out += QStringLiteral("%1 %2\n")
                   .arg(QStringLiteral("COM%1").arg(n), -6)
                   .arg(portnames::entryName(n, devices))
                   .toLocal8Bit();
    if (devices.isEmpty())
        printNote(r, QStringLiteral("No serial devices."));
    return writeOut(out) ? Done : MeterFailed;
}

// ---- pages ----------------------------------------------------------------------------------

int runPages(const Request &r)
{
    Line line(r);
    Progress progress(r, line.link);
    TransferState state;
    if (const int status = readDirectory(line, state, progress); status != Done)
        return status;
    if (state.PageCount == 0)
        printNote(r, LoadResString(189));

    QByteArray out;
    if (r.json) {
        QJsonArray pages;
        for (int p = 1; p <= state.PageCount; ++p) {
            const QStringList row = state.gridRow(p);
            pages.append(QJsonObject{{"page", p},
                                     {"kind", row.at(0)},
                                     {"samplingTime", row.at(1)},
                                     {"numberOfData", state.numberOfData(p)},
                                     {"operation", row.at(3)},
                                     {"pressure", state.pressureText(p)},
                                     {"date", row.at(4)}});
        }
        out = QJsonDocument(pages).toJson(QJsonDocument::Indented);
    } else if (state.PageCount > 0) {
        // The transfer window's grid, with the page number in front.
        QList<QStringList> rows{{QStringLiteral("Page"), LoadResString(161), LoadResString(162), LoadResString(163),
                                 LoadResString(164), LoadResString(193)}};
        for (int p = 1; p <= state.PageCount; ++p)
            rows << (QStringList{QString::number(p)} + state.gridRow(p));
        QList<qsizetype> widths(rows.first().size(), 0);
        for (const QStringList &row : rows)
            for (qsizetype c = 0; c < row.size(); ++c)
                widths[c] = qMax(widths[c], row.at(c).size());
        for (const QStringList &row : rows) {
            QString text;
            for (qsizetype c = 0; c < row.size(); ++c)
                text += c + 1 < row.size() ? row.at(c).leftJustified(widths[c] + 2) : row.at(c);
            out += text.trimmed().toLocal8Bit() + '\n';
        }
    }
    return writeOut(out) ? Done : MeterFailed;
}

// ---- read -----------------------------------------------------------------------------------

int runRead(const Request &r)
{
    enum class Target { Stdout, File, Folder };
    const bool several = r.allPages || r.pages.size() > 1;
    Target target = Target::Folder;
    QString where = r.output.isEmpty() ? QStringLiteral(".") : r.output;
    if (r.output == QLatin1String("-"))
        target = Target::Stdout;
    else if (!r.output.isEmpty() && !QFileInfo(r.output).isDir() && !r.output.endsWith(QLatin1Char('/')))
        target = Target::File;
    if (target == Target::File && several) {
        printError(r.command, QStringLiteral("several pages go to a folder: -o DIR/ (or -o - for standard output)"));
        return WrongUsage;
    }
    // A file that cannot be written is known before the meter is asked anything.
    if (target != Target::Stdout) {
        const QString folder = target == Target::Folder ? where : QFileInfo(where).absolutePath();
        if (!folderWritable(folder)) {
            printError(r.command, QStringLiteral("cannot write to %1").arg(folder));
            return MeterFailed;
        }
    }

    Line line(r);
    Progress progress(r, line.link);
    TransferState state;
    if (const int status = readDirectory(line, state, progress); status != Done)
        return status;
    const QList<int> pages = [&] {
        QList<int> all;
        for (int p = 1; p <= state.PageCount; ++p)
            all << p;
        return r.allPages ? all : r.pages;
    }();
    for (int page : pages) {
        if (page > state.PageCount) {
            printError(r.command,
                       QStringLiteral("page %1 is beyond the directory (%2 pages)").arg(page).arg(state.PageCount));
            return WrongUsage;
        }
    }
    if (state.PageCount == 0)
        printNote(r, LoadResString(189));

    state.DetailedMode = r.detailed ? 1 : 0;
    bool everyPage = true;
    for (int page : pages) {
        QCoreApplication::processEvents();  // a Ctrl-C while the last file was written
        if (line.cancelled)
            return Interrupted;
        state.CurrentPage = qint16(page);
        if (state.kind(page) == TransferState::PageKind::Other) {
            printError(r.command, QStringLiteral("page %1 has the mode code \"%2\", which is not a page this program "
                                                 "reads: skipped").arg(page).arg(state.cell(page, 1)));
            everyPage = false;
            continue;
        }

        // Transmit, as the transfer window runs it: port, units, the page, port closed.
        if (r.settings.ProgMode && !line.open())
            return PortNotOpened;
        SampleData data;
        transfer::ReadOutcome outcome =
            transfer::readPageUnits(line.link, state, page, r.settings.ProgMode, data, line.cancel());
        if (outcome.kind == transfer::ReadOutcome::Ok && r.settings.ProgMode)
            outcome = transfer::readPage(line.link, state, page, data, line.cancel(),
                                         [&](int i, int n) { progress.record(page, i, n); });
        progress.clear();
        if (outcome.kind == transfer::ReadOutcome::Cancelled || line.cancelled) {
            CloseComPort(line.link);
            return Interrupted;
        }
        CloseComPort(line.link);
        if (outcome.kind == transfer::ReadOutcome::Failed) {
            reportFailure(r.command, outcome.failure);
            return MeterFailed;
        }

        QString fileName;
        bool written = false;
        if (target == Target::Stdout) {
            const auto bytes = transfer::pageFileBytes(state, page, data);
            written = bytes && writeOut(*bytes);
            fileName = QStringLiteral("standard output");
        } else {
            fileName = target == Target::File
                           ? where
                           : QDir(where).filePath(QStringLiteral("page-%1.csv").arg(page, 4, 10, QLatin1Char('0')));
            written = (target == Target::File || QDir().mkpath(where))
                      && transfer::writePageFile(fileName, state, page, data);
        }
        if (!written) {
            printError(r.command, QStringLiteral("cannot write %1: nothing written").arg(fileName));
            return MeterFailed;
        }
        printNote(r, QStringLiteral("page %1: %2 records to %3").arg(page).arg(state.numberOfData(page)).arg(fileName));
    }
    return everyPage ? Done : MeterFailed;
}

// ---- live -----------------------------------------------------------------------------------

namespace {

// One sample as one JSON object: its number, time stamp, and each quantity's value and unit as
// the data file writes them.
QByteArray sampleJson(const SampleData &data, int i, const QDate &startDate)
{
    const double t = data.times.value(i);
    const double day = std::floor(t);
    const QDateTime stamp(startDate.addDays(qint64(day)),
                          QTime::fromMSecsSinceStartOfDay(int(std::lround((t - day) * live::kMsPerDay)) % 86400000));
    const QStringList names = csvexport::measureColumnNames(data.measureMode);
    const QStringList units = csvexport::measureUnitTexts(data.measureMode, data);
    const QList<QByteArray> values = csvexport::measureDataLine(data, i, data.measureMode).split(',');
    QString valueText, unitText;
    for (qsizetype q = 0; q < names.size(); ++q) {
        const QString sep = q ? QStringLiteral(",") : QString();
        valueText += sep + jsonText(names.at(q)) + QLatin1Char(':') + QString::fromLatin1(values.value(q));
        unitText += sep + jsonText(names.at(q)) + QLatin1Char(':') + jsonText(units.value(q));
    }
    return QStringLiteral("{\"sample\":%1,\"time\":%2,\"values\":{%3},\"units\":{%4}}\n")
        .arg(i + 1)
        .arg(jsonText(stamp.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))), valueText, unitText)
        .toUtf8();
}

} // namespace

int runLive(const Request &r)
{
    if (r.output == QLatin1String("-") || QFileInfo(r.output).isDir()) {
        printError(r.command, QStringLiteral("-o names the file the run is written to (the samples go to standard "
                                             "output anyway)"));
        return WrongUsage;
    }
    if (!r.output.isEmpty() && !folderWritable(QFileInfo(r.output).absolutePath())) {
        printError(r.command, QStringLiteral("cannot write to %1").arg(QFileInfo(r.output).absolutePath()));
        return MeterFailed;
    }
    // Both programs journal their runs in one place: a run never saved is not to be overwritten.
    if (RunJournal::exists()) {
        printError(r.command, QStringLiteral("a run that was never saved is in the journal %1: write it with "
                                             "'telvaro-cli recover -o FILE' (or start the windowed program), or "
                                             "drop it with 'telvaro-cli recover --discard'")
                                  .arg(RunJournal::defaultPath()));
        return WrongUsage;
    }

    SerialLink link;
    Samples samples;
    LiveRun run(link, samples);
    std::optional<LiveRun::Failure> failure;
    bool interrupted = false;
    bool printed = true;
    const QDate startDate = QDate::currentDate();

    QObject::connect(&samples, &Samples::sampleAdded, [&](int i) {
        const SampleData &data = samples.data();
        printed = writeOut(r.jsonl ? sampleJson(data, i, startDate)
                                   : csvexport::measureDataLine(data, i, data.measureMode) + '\n')
                  && printed;
    });
    QObject::connect(&run, &LiveRun::failed, [&](LiveRun::Failure f, const QString &) { failure = f; });
    QEventLoop loop;
    QObject::connect(&run, &LiveRun::ended, &loop, &QEventLoop::quit);
    // Ctrl-C is Measure Stop: N, the silent second, N; the samples taken are kept.
    Interrupts interrupts([&] {
        if (run.running()) {
            interrupted = true;
            run.stop();
        }
    });

    const SettingsRecord &s = r.settings;
    printNote(r, QStringLiteral("live run: %1 samples, every %2 s, %3, %4")
                     .arg(s.MeasureSampleValue)
                     .arg(csvexport::samplingTimeText(s.MeasureSampleTime))
                     .arg(s.MeasureMode == 1 ? QStringLiteral("detailed") : QStringLiteral("standard"),
                          s.ProgMode ? QStringLiteral("port ") + s.RsPort : QStringLiteral("debug mode")));
    run.start(s);
    if (run.running())
        loop.exec();

    if (failure == LiveRun::Failure::PortNotOpened) {
        SerialLink probe;
        QString reason;
        OpenComPort(probe, s, &reason);
        CloseComPort(probe);
        printError(r.command, QStringLiteral("cannot open the port %1: %2").arg(s.RsPort, reason));
        return PortNotOpened;
    }
    if (failure == LiveRun::Failure::NoSamples) {
        printError(r.command, LoadResString(152));
        return WrongUsage;
    }
    if (failure && !samples.present()) {
        // The run did not start: nothing was taken, nothing to write.
        reportFailure(r.command, run.lastFailure());
        return MeterFailed;
    }

    const int taken = samples.count();
    if (!r.output.isEmpty()) {
        if (!live::writeRunFile(r.output, samples.data(), QDate::currentDate())) {
            printError(r.command, QStringLiteral("cannot write %1: nothing written; the run stays in the journal "
                                                 "(telvaro-cli recover -o FILE)").arg(r.output));
            return MeterFailed;
        }
        printNote(r, QStringLiteral("%1 samples written to %2").arg(taken).arg(r.output));
    }
    // The run is in its file, or went to standard output as asked: the journal is done with.
    if (!r.output.isEmpty() || printed)
        RunJournal::remove();
    else
        printError(r.command, QStringLiteral("standard output could not take every sample; the run stays in the "
                                             "journal (telvaro-cli recover -o FILE)"));
    if (failure) {
        reportFailure(r.command, run.lastFailure());
        return MeterFailed;
    }
    return interrupted ? Interrupted : Done;
}

// ---- recover --------------------------------------------------------------------------------

int runRecover(const Request &r)
{
    if (r.discard == !r.output.isEmpty()) {
        printError(r.command, QStringLiteral("-o FILE (or -o -) to write the run, or --discard to drop it"));
        return WrongUsage;
    }
    const auto run = RunJournal::read();
    if (r.discard) {
        RunJournal::remove();
        printNote(r, run ? QStringLiteral("%1 samples dropped").arg(run->samples.size())
                         : QStringLiteral("no journal"));
        return Done;
    }
    if (!run || run->samples.isEmpty()) {
        if (run)
            RunJournal::remove();  // a run that took no sample: nothing to keep
        printError(r.command, QStringLiteral("there is no run to recover"));
        return MeterFailed;
    }
    // Written as the windowed program writes a recovered run: by the live save, dated today.
    const SampleData data = live::recoveredRunData(*run);
    if (r.output == QLatin1String("-")) {
        const auto bytes = live::runFileBytes(data, QDate::currentDate());
        return bytes && writeOut(*bytes) ? Done : MeterFailed;
    }
    if (!live::writeRunFile(r.output, data, QDate::currentDate())) {
        printError(r.command, QStringLiteral("cannot write %1: nothing written, the journal is kept").arg(r.output));
        return MeterFailed;
    }
    RunJournal::remove();
    printNote(r, QStringLiteral("%1 samples written to %2").arg(data.count()).arg(r.output));
    return Done;
}

} // namespace cli
