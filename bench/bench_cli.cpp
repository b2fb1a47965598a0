// telvaro-cli against the simulated meter:
//   ./bench_cli read [baud...]    a 999-record Detailed page at 9600 and 38400 baud: the read, from the page's
//                                 T command to the end of the program, against the time its bytes need on the wire
//   ./bench_cli live [seconds]    a live run at 1 s (600 s by default): each D0001 against its slot of the
//                                 schedule, the drift, and the program's memory as the run grows
//   ./bench_cli memory            65,500 samples through the run's own objects (LiveRun, Samples, the journal,
//                                 the printed line, the file writer), then telvaro-cli recover of that run
// The program's peak memory is the largest resident set of a child (getrusage).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <sys/resource.h>

#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "measure/LiveRun.h"
#include "measure/LiveTable.h"
#include "measure/Samples.h"
#include "datafiles/CsvExport.h"
#include "metersim/Simulator.h"
#include "serial/SerialLink.h"

namespace {

long childPeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

long ownKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    return 0;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Run the program to its end in dir; its exit status.
int runCli(const QString &dir, const QStringList &args)
{
    QProcess cli;
    cli.setWorkingDirectory(dir);
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.start(TELVARO_CLI_EXE, args);
    cli.waitForFinished(-1);
    return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

void benchRead(const QList<int> &bauds)
{
    std::printf("%-6s %9s %9s %7s %12s %6s\n", "baud", "read s", "wire s", "ratio", "command s", "exit");
    for (int baud : bauds) {
        metersim::Page page;
        page.records = 999;
        metersim::Simulator sim(metersim::Config{.baud = baud, .pages = {page}});
        if (!sim.start())
            return;
        qputenv("TELVARO_EXTRA_PORTS", sim.devicePath().c_str());
        QTemporaryDir dir;
        QElapsedTimer command;
        command.start();
        const QString device = QString::fromStdString(sim.devicePath());
        const QString lineBaud = QString::number(qMin(baud, 38400));  // a pty runs at the meter's pace anyway
        const int status =
            runCli(dir.path(), {"--port", device, "--baud", lineBaud, "-q", "read", "1", "-o", "page.csv"});
        const double end = sim.now();
        // The page read's T is the second one (the directory's comes first).
        double tSent = -1;
        for (const metersim::Received &r : sim.received())
            if (r.command == "T0001")
                tSent = r.t;
        std::size_t chars = 4 + 21;  // "AT" CR LF and the header
        for (const std::string &record : sim.pageRecords(1, true))
            chars += record.size();
        const double wire = double(chars) * 10.0 / baud;
        std::printf("%-6d %9.3f %9.3f %7.4f %12.3f %6d\n", baud, end - tSent, wire, (end - tSent) / wire,
                    command.nsecsElapsed() / 1e9, status);
        std::fflush(stdout);
    }
    std::printf("program peak resident set: %ld kB\n", childPeakKb());
}

void benchLive(int seconds)
{
    metersim::Simulator sim(metersim::Config{});
    if (!sim.start())
        return;
    qputenv("TELVARO_EXTRA_PORTS", sim.devicePath().c_str());
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.start(TELVARO_CLI_EXE,
              {"-q", "live", "--samples", QString::number(seconds), "--interval", "1", "-o", "run.csv"});
    cli.waitForStarted();
    const QString status = QStringLiteral("/proc/%1/status").arg(cli.processId());
    std::printf("%8s %10s %10s\n", "second", "VmRSS kB", "VmHWM kB");
    while (!cli.waitForFinished(60000)) {
        QFile file(status);
        file.open(QIODevice::ReadOnly);
        QByteArray rss, hwm;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed();
            if (line.startsWith("VmHWM:"))
                hwm = line.mid(6).trimmed();
        }
        std::printf("%8.0f %10s %10s\n", sim.now(), rss.constData(), hwm.constData());
        std::fflush(stdout);
    }

    QList<double> times;
    for (const metersim::Received &r : sim.received())
        if (r.command == "D0001")
            times << r.t;
    double worst = 0, sum = 0;
    int late = 0;
    QList<double> offsets;
    for (int k = 0; k < times.size(); ++k) {
        const double offset = (times[k] - times[0] - k) * 1000.0;
        offsets << offset;
        worst = std::max(worst, std::fabs(offset));
        sum += offset;
        late += std::fabs(offset) > 50;
    }
    auto mean = [&](int from, int to) {
        double s = 0;
        for (int k = from; k < to; ++k)
            s += offsets[k];
        return to > from ? s / (to - from) : 0.0;
    };
    const int n = int(times.size());
    std::printf("exit %d; %d requests over %.1f s; offset from the slot: mean %.2f ms, worst %.2f ms, "
                "%d beyond 50 ms\n",
                cli.exitCode(), n, n ? times.last() - times.first() : 0.0, n ? sum / n : 0.0, worst, late);
    QList<double> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    const auto worstAt = std::max_element(offsets.begin(), offsets.end(),
                                          [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    if (n)
        std::printf("median %.2f ms, 99th percentile %.2f ms; the worst at request %lld\n", sorted[n / 2],
                    sorted[qMin(n - 1, n * 99 / 100)], qlonglong(worstAt - offsets.begin()) + 1);
    std::printf("drift: mean offset of the first minute %.2f ms, of the last minute %.2f ms\n", mean(0, qMin(60, n)),
                mean(qMax(0, n - 60), n));
    std::printf("program peak resident set: %ld kB\n", childPeakKb());
}

void benchMemory()
{
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    const long before = ownKb("VmHWM:");
    {
        // The run's objects as telvaro-cli live holds them, in debug mode (no port); the samples are
        // handed in at once instead of one a second.
        SerialLink link;
        Samples samples;
        LiveRun run(link, samples);
        QFile sink(QProcess::nullDevice());
        sink.open(QIODevice::WriteOnly);
        QObject::connect(&samples, &Samples::sampleAdded, [&](int i) {
            sink.write(csvexport::measureDataLine(samples.data(), i, 1) + '\n');
        });
        SettingsRecord s;
        s.ProgMode = false;
        s.MeasureMode = 1;
        s.MeasureSampleValue = 65500;
        s.MeasureSampleTime = LoadResString(126);
        run.start(s);
        std::mt19937 rng(1);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 65500; ++i)
            run.takeSample(live::debugDataLine(true, rng), i / live::kMsPerDay * 1000);
        run.stop();
        while (run.running())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const long held = ownKb("VmHWM:");
        const QString file = dir.filePath(QStringLiteral("run.csv"));
        const bool written = live::writeRunFile(file, samples.data(), QDate::currentDate());
        std::printf("65,500 samples in the run's objects: peak %ld kB (%ld kB before the run, %ld kB with the samples "
                    "held, written: %s in %.2f s)\n",
                    ownKb("VmHWM:"), before, held, written ? "yes" : "NO", clock.nsecsElapsed() / 1e9);
    }
    const int status = runCli(dir.path(), {"recover", "-q", "-o", "recovered.csv"});
    std::printf("telvaro-cli recover of that run: exit %d, peak resident set %ld kB, file %s\n", status,
                childPeakKb(),
                readAll(dir.filePath("recovered.csv")) == readAll(dir.filePath("run.csv")) ? "the same bytes"
                                                                                             : "DIFFERS");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    i18n::language().systemLanguage = language::detectSystemLanguage();
    i18n::language().choice = 1;
    ComputeResIdBase();
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0, QStringLiteral("read"));
    if (mode == QLatin1String("read")) {
        QList<int> bauds;
        for (const QString &a : args.mid(1))
            bauds << a.toInt();
        benchRead(bauds.isEmpty() ? QList<int>{9600, 38400} : bauds);
    } else if (mode == QLatin1String("live")) {
        benchLive(args.value(1, QStringLiteral("600")).toInt());
    } else if (mode == QLatin1String("memory")) {
        benchMemory();
    } else {
        std::fprintf(stderr, "usage: bench_cli read [baud...] | live [seconds] | memory\n");
        return 2;
    }
    return 0;
}
