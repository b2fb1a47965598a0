// Live run benchmarks (they print figures; they are not tests).
//
//   bench_live [samples]              65,500 Detailed samples fed as fast as they are taken (each
//                                     line split and appended to the main window's samples, which
//                                     draw chart and table through the window; one pass of the event
//                                     loop per sample); time per sample early and late in the run,
//                                     and the memory at steps
//   bench_live soak SIM_EXE [minutes] a run at 1 s sampling against telvaro-meter-sim for the given
//                                     minutes (default 10): how well the D requests keep their slots
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "measure/LiveChart.h"
#include "measure/LiveRun.h"
#include "measure/Samples.h"
#include "serial/Protocol.h"

namespace {

// Resident and peak resident memory of this process, MB (/proc/self/status).
struct Memory {
    double rss = 0, peak = 0;
};
Memory memoryNow()
{
    Memory m;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : status.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 2 && parts[0] == "VmRSS:")
            m.rss = parts[1].toDouble() / 1024;
        if (parts.size() >= 2 && parts[0] == "VmHWM:")
            m.peak = parts[1].toDouble() / 1024;
    }
    return m;
}

void printMemory(const char *when)
{
    const Memory m = memoryNow();
    std::printf("memory %-22s RSS %6.1f MB, peak %6.1f MB\n", when, m.rss, m.peak);
}

QByteArray field7(double v, int decimals)
{
    return QByteArray::number(v, 'f', decimals).rightJustified(7, ' ');
}

// A Detailed record of 65 characters, as the meter sends it at one-second sampling.
QByteArray detailedLine(int i)
{
    const double co = 2 + std::fmod(i * 0.37, 9), co2 = 420 + std::fmod(i * 3.1, 300);
    const double temp = 21 + std::sin(i / 600.0) * 3, hum = 45 + std::cos(i / 900.0) * 10;
    return field7(co, 1) + ';' + field7(co2, 0) + ';' + field7(temp, 1) + ';' + field7(hum, 1) + ';' +
           field7(temp - 9, 1) + ';' + field7(temp - 6, 1) + ';' + field7(8.5, 2) + ';' + field7(7.25, 2) + "\r\n";
}

int feed(int n)
{
    FrmMenu w;
    w.Form_Load();
    SettingsRecord s = w.settings();
    s.MeasureMode = 1;
    s.MeasureSampleTime = LoadResString(126);
    s.MeasureSampleValue = n;
    s.CO2Graph = s.COGraph = s.TempGraph = s.HumGraph = 1;
    w.applySettings(s);
    w.show();
    QApplication::processEvents();
    printMemory("window shown");

    // A run's samples go in as LiveRun takes them: split, appended, drawn by the window.
    SampleData header;
    header.origin = SampleData::Origin::LiveRun;
    header.measureMode = 1;
    header.sampleTime = s.MeasureSampleTime;
    header.units = {QStringLiteral("ppm"), QStringLiteral("ppm"), QStringLiteral("\u00DF" "C"),
                    QStringLiteral("%RH"), QStringLiteral("\u00DF" "C"), QStringLiteral("\u00DF" "C"),
                    QStringLiteral("g/m3"), QStringLiteral("g/kg"), QStringLiteral("hPa")};
    header.atmosPressure = 1013;
    Samples &samples = w.samples();
    samples.beginRun(header, n);
    w.chart->setPanningEnabled(false);  // as during a run
    QApplication::processEvents();
    printMemory("run begun");
    const double t0 = 8 * 3600 / 86400.0;

    QVector<double> perSample(n + 1, 0.0);
    QElapsedTimer total;
    total.start();
    for (int i = 1; i <= n; ++i) {
        const QByteArray line = detailedLine(i);
        QElapsedTimer one;
        one.start();
        const auto values = protocol::splitDataRecord(line, true, false);
        if (!values) {
            std::fprintf(stderr, "sample %d refused\n", i);
            return 1;
        }
        samples.append(t0 + i / 86400.0, line, *values);
        QApplication::processEvents();  // the chart and the table repaint as in a real run
        perSample[i] = one.nsecsElapsed() / 1e6;
        if (i % 16375 == 0)
            printMemory(qPrintable(QStringLiteral("after %1 samples").arg(i)));
    }
    const double totalMs = total.elapsed();

    auto meanAround = [&](int centre) {
        const int from = qMax(1, centre - 50), to = qMin(n, centre + 49);
        double sum = 0;
        for (int i = from; i <= to; ++i)
            sum += perSample[i];
        return sum / (to - from + 1);
    };
    auto maxAround = [&](int centre) {
        const int from = qMax(1, centre - 50), to = qMin(n, centre + 49);
        return *std::max_element(perSample.begin() + from, perSample.begin() + to + 1);
    };
    // Medians over a thousand samples: a busy machine moves them less than the means above.
    auto medianOf = [&](int from, int to) {
        std::vector<double> v(perSample.begin() + qMax(1, from), perSample.begin() + qMin(n, to) + 1);
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    const int late = qMin(n - 50, 65000);
    std::printf("samples fed            %d (Detailed, every series on, 1 s apart)\n", n);
    std::printf("total                  %.0f ms (%.3f ms per sample)\n", totalMs, totalMs / n);
    std::printf("per sample around 100  mean %.3f ms, max %.3f ms\n", meanAround(100), maxAround(100));
    std::printf("per sample around %d mean %.3f ms, max %.3f ms\n", late, meanAround(late), maxAround(late));
    std::printf("ratio late / early     %.2f\n", meanAround(late) / meanAround(100));
    std::printf("median per sample      first 1000 %.3f ms, last 1000 %.3f ms\n", medianOf(1, 1000),
                medianOf(n - 999, n));
    std::printf("chart points held      %d per series, %d in the CO2 line\n", w.chart->pointCount(0),
                w.chart->shownPointCount(0));

    // Panning over the whole run after it: every sample reaches the line.
    w.chart->setPanningEnabled(true);
    QElapsedTimer pan;
    pan.start();
    int steps = 0;
    while (w.chart->timeMax() < t0 + n / 86400.0) {
        w.chart->panBy(LiveChart::ChartWindow);
        QApplication::processEvents();
        ++steps;
    }
    std::printf("pan to the end         %d window steps, %.3f ms per step\n", steps, double(pan.elapsed()) / steps);
    w.chart->setTimeRange(t0, t0 + n / 86400.0);
    QApplication::processEvents();
    std::printf("whole run in view      %d points in the CO2 line\n", w.chart->shownPointCount(0));
    printMemory("at the end");
    return 0;
}

int soak(const QString &simExe, int minutes)
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("sim.log"));
    QProcess sim;
    sim.start(simExe, {QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--log"), logPath});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(simExe));
        return 1;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    FrmMenu w;
    w.Form_Load();
    SettingsRecord s = w.settings();
    s.ProgMode = true;
    s.MeasureMode = 1;
    s.MeasureSampleValue = minutes * 60;
    s.MeasureSampleTime = LoadResString(126);
    s.CO2Graph = s.COGraph = s.TempGraph = s.HumGraph = 1;
    s.RsPort = device;
    s.RsSpeed = QStringLiteral("9600");
    s.RsDataBit = QStringLiteral("8");
    s.RsParity = QStringLiteral("N");
    s.RsStopBit = QStringLiteral("1");
    s.RsFlow = 1;
    w.applySettings(s);
    w.show();
    QEventLoop untilEnd;
    QObject::connect(&w.live(), &LiveRun::ended, &untilEnd, &QEventLoop::quit);
    QElapsedTimer wall;
    wall.start();
    w.startStopButton->click();
    if (w.live().running())
        untilEnd.exec();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpuSec = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    sim.terminate();
    sim.waitForFinished(3000);

    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return 1;
    QVector<double> times;
    static const QRegularExpression entry(QStringLiteral("^\\S+ \\S+\\s+([0-9.]+) D0001$"));
    for (const QByteArray &raw : log.readAll().split('\n')) {
        const auto m = entry.match(QString::fromLatin1(raw).trimmed());
        if (m.hasMatch())
            times << m.captured(1).toDouble();
    }
    if (times.size() < 2) {
        std::fprintf(stderr, "no requests logged\n");
        return 1;
    }
    double worst = 0;
    QVector<double> deviations;
    int over50 = 0;
    for (int k = 0; k < times.size(); ++k) {
        const double d = std::fabs(times[k] - times[0] - k);
        deviations << d;
        worst = std::max(worst, d);
        if (d > 0.050)
            ++over50;
    }
    std::sort(deviations.begin(), deviations.end());
    const double median = deviations[deviations.size() / 2];
    const double p99 = deviations[qMin<qsizetype>(deviations.size() - 1, qsizetype(deviations.size() * 0.99))];
    const double drift = times.last() - times.first() - (times.size() - 1);
    std::printf("D requests             %lld over %.1f s (samples taken %d)\n", qlonglong(times.size()),
                times.last() - times.first(), w.samples().count());
    std::printf("slot deviation         median %.1f ms, 99th percentile %.1f ms, worst %.1f ms, %d over 50 ms\n",
                median * 1000, p99 * 1000, worst * 1000, over50);
    std::printf("drift first to last    %.1f ms\n", drift * 1000);
    std::printf("program CPU time       %.1f s over %.0f s of run\n", cpuSec, wall.elapsed() / 1000.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    // The run's journal goes to a private data folder.
    qputenv("XDG_DATA_HOME", QDir(folder.path()).filePath(QStringLiteral(".data")).toLocal8Bit());
    i18n::language().systemLanguage = QStringLiteral("English");
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("soak"))
        return soak(args.at(2), args.size() >= 4 ? args.at(3).toInt() : 10);
    return feed(args.size() >= 2 ? args.at(1).toInt() : 65500);
}
