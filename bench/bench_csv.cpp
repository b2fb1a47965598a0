// Time to build and write the largest live file: 65,500 Detailed samples.
// Prints the best and the median of several runs, text building and file writing apart.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "datafiles/CsvExport.h"
#include "datafiles/SampleData.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

namespace {

SampleData makeRun(int n)
{
    SampleData data;
    data.origin = SampleData::Origin::LiveRun;
    data.measureMode = 1;
    data.unit(Quantity::CO) = data.unit(Quantity::CO2) = QStringLiteral("ppm");
    data.unit(Quantity::Temperature) = data.unit(Quantity::DewPoint) = data.unit(Quantity::WetBulb) =
        QString(QChar(0xDF)) + QLatin1Char('C');
    data.unit(Quantity::Humidity) = QStringLiteral("%RH");
    data.unit(Quantity::AbsHumidity) = QStringLiteral("g/m3");
    data.unit(Quantity::HumidityRatio) = QStringLiteral("g/kg");
    data.reserve(n);
    // Values of the size and precision the meter sends.
    for (int i = 1; i <= n; ++i) {
        data.append(0.5 + i / 86400.0, QByteArray(),
                    {(i % 550) / 10.0, 400.0 + i % 2600, 15 + (i % 200) / 10.0, 20 + (i % 600) / 10.0,
                     -5 + (i % 300) / 10.0, 5 + (i % 250) / 10.0, (i % 300) / 10.0, (i % 2000) / 100.0});
    }
    return data;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int samples = 65500;
    const int runs = 7;
    i18n::language().systemLanguage = QStringLiteral("English");
    const SampleData data = makeRun(samples);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.csv"));
    const csvexport::CsvHeader header{QStringLiteral("2004/06/20"), QStringLiteral("12:00:00"),
                                      QStringLiteral("1013"), samples, QStringLiteral("1")};

    std::vector<double> build, write, total;
    qint64 size = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        const auto bytes = csvexport::measureCsvBytes(header, csvexport::kNormalModeText, 1, data);
        const double built = timer.nsecsElapsed() / 1e6;
        if (!bytes || !csvexport::writeFileWhole(path, *bytes)) {
            std::fprintf(stderr, "writing %s failed\n", qPrintable(path));
            return 1;
        }
        const double all = timer.nsecsElapsed() / 1e6;
        build.push_back(built);
        write.push_back(all - built);
        total.push_back(all);
        size = bytes->size();
    }
    std::printf("CSV export, %d Detailed samples, %lld bytes, file code set %s, %d runs\n", samples,
                static_cast<long long>(size), codepage::fileEncodingName().constData(), runs);
    std::printf("  build text : best %7.1f ms  median %7.1f ms\n", *std::min_element(build.begin(), build.end()),
                median(build));
    std::printf("  write file : best %7.1f ms  median %7.1f ms\n", *std::min_element(write.begin(), write.end()),
                median(write));
    std::printf("  total      : best %7.1f ms  median %7.1f ms (aim: under 100 ms)\n",
                *std::min_element(total.begin(), total.end()), median(total));
    return 0;
}
