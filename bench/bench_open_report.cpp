// Opening the largest Detailed file (65,500 samples) until the chart has been drawn, and writing the
// survey report of it. Prints the best and the median of five runs of each.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "datafiles/CsvExport.h"
#include "mainwindow/FrmMenu.h"
#include "measure/LiveChart.h"
#include "measure/Samples.h"

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const int n = 65500;
    SampleData d;
    d.unit(Quantity::CO) = d.unit(Quantity::CO2) = QStringLiteral("ppm");
    d.unit(Quantity::Temperature) = QString(QChar(0xDF)) + QLatin1Char('C');
    d.unit(Quantity::Humidity) = QStringLiteral("%RH");
    d.unit(Quantity::AbsHumidity) = QStringLiteral("g/m3");
    d.unit(Quantity::HumidityRatio) = QStringLiteral("g/kg");
    for (int i = 0; i < n; ++i)
        d.append(0, {}, {(i % 550) / 10.0, double(400 + i % 2600), 15 + (i % 200) / 10.0, 20 + (i % 600) / 10.0,
                         -5 + (i % 300) / 10.0, 5 + (i % 250) / 10.0, (i % 300) / 10.0, (i % 2000) / 100.0});
    const QString file = dir.filePath(QStringLiteral("run.csv"));
    csvexport::writeFileWhole(file, *csvexport::measureCsvBytes({"2026/11/30", "08:00:00", "1013", n, "1"},
                                                                csvexport::kNormalModeText, 1, d));

    FrmMenu w(dir.path());
    w.Form_Load();
    w.resize(900, 680);
    w.show();
    QCoreApplication::processEvents();
    std::vector<double> open, report;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        if (!w.openDataFile(file))
            return 1;
        w.chart->grab();  // the chart drawn as the window shows it
        open.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        if (!w.writeReport(dir.filePath(QStringLiteral("report.pdf")), {}))
            return 1;
        report.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("open %d-row Detailed file to the shown chart: best %.1f ms, median %.1f ms\n", n,
                *std::min_element(open.begin(), open.end()), median(open));
    std::printf("write the survey report of it:            best %.1f ms, median %.1f ms\n",
                *std::min_element(report.begin(), report.end()), median(report));
    return 0;
}
