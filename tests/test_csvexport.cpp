// The CSV writers: whole files per layout, language and code set; header texts; failures keep the old file.
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "datafiles/CsvExport.h"
#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "support/TestEnv.h"

namespace {
const QByteArray kOldContent = QByteArray("an older file, longer than any new one: replaced or kept whole\r\n").repeated(20);

QByteArray readAll(const QString &path) { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }
void writeAll(const QString &path, const QByteArray &bytes) { QFile f(path); QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()); }
QStringList entries(const QString &folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name); }

// Units as the meter's U reply gives them; three live samples (fractions, signs, a large value), two %OA ones.
SampleData unitsAndSeries(const QByteArray &meterTemp, int liveCount = 3)
{
    SampleData d;
    d.unit(Quantity::CO) = d.unit(Quantity::CO2) = "ppm", d.unit(Quantity::Humidity) = "%RH";
    d.unit(Quantity::AbsHumidity) = "g/m3", d.unit(Quantity::HumidityRatio) = "g/kg";
    d.unit(Quantity::Temperature) = d.unit(Quantity::DewPoint) = d.unit(Quantity::WetBulb) = codepage::fromMeter(meterTemp);
    const std::array<double, 8> rows[3] = {{0, 450, 23.5, 41.2, 9.8, 15.75, 0.0123, 7.25},
                                           {0.1, 452, -0.25, 41.3, -12.5, 3, 8.5, 0.5}, {12, 1999, 100, 5, 0, 30, 1000000, -3}};
    for (int i = 0; i < liveCount; ++i)
        d.append(0, {}, i < 3 ? rows[i] : std::array<double, 8>{});
    d.appendOa({800, 650, 400, 37.5});
    d.appendOa({23.4, 18, 12.5, 48.2});
    return d;
}

// A %OA file for the bases "TMP" and "CO2", else a live or calculation page file with that mode text.
bool write(const QString &path, const SampleData &d, qint32 count, const QString &samplingTime, const QString &mode,
           qint16 measureMode = 1)
{
    return mode == "TMP" || mode == "CO2" ? WriteOaCsv(path, "2004/06/20", "12:00:00", "1013", count, samplingTime, mode, d)
                                          : WriteMeasureCsv(path, "2004/06/20", "12:00:00", "1013", count, samplingTime, mode,
                                                            measureMode, d);
}

// Locale, language choice, unit after the degree mark, mode text ("": live), Standard/Detailed, count, sampling time.
const struct FileCase { const char *name, *locale; int choice; char unit; const char *mode; int measureMode, count; const char *sampling, *expected; } kFiles[] = {
    {"English Standard Celsius", "en_US.UTF-8", 0, 'C', "", 0, 3, "1", "standard_en_celsius.csv"},
    {"English Detailed Fahrenheit, calculation page", "en_US.UTF-8", 0, 'F', "DP", 1, 3, "1", "detailed_en_fahrenheit.csv"},
    {"count 0: header only", "en_US.UTF-8", 0, 'C', "", 1, 0, "1", "detailed_en_count0.csv"},
    {"negative count: header only", "en_US.UTF-8", 0, 'C', "", 1, -1, "1", "detailed_en_count0.csv"},
    {"Japanese Standard keeps the unit's bytes", "ja_JP.UTF-8", 0, 'C', "", 0, 3, "1", "standard_ja_sjis.csv"},
    {"Japanese Detailed degree text", "ja_JP.UTF-8", 0, 'C', "", 1, 3, "1", "detailed_ja_sjis.csv"},
    {"Japanese Standard, no code set", "ja_JP", 0, 'C', "", 0, 3, "1", "standard_ja_sjis.csv"},
    {"Japanese Detailed Fahrenheit in Shift-JIS", "ja_JP.SJIS", 0, 'F', "", 1, 3, "1", "detailed_ja_sjis_fahrenheit.csv"},
    {"English chosen on a Japanese system", "ja_JP.UTF-8", 1, 'C', "", 1, 3, "1", "detailed_ja_english.csv"},
    {"Chinese Standard Celsius in GBK", "zh_CN.GBK", 0, 'C', "", 0, 3, "1", "standard_zh_gbk.csv"},
    {"Chinese Standard Fahrenheit, UTF-8 locale", "zh_CN.UTF-8", 0, 'F', "", 0, 3, "1", "standard_zh_gbk_fahrenheit.csv"},
    {"Chinese Detailed Celsius, UTF-8 locale", "zh_CN.UTF-8", 0, 'C', "", 1, 3, "1", "detailed_zh_gbk.csv"},
    {"Chinese Standard, no code set", "zh_CN", 0, 'C', "", 0, 3, "1", "standard_zh_gbk.csv"},
    {"German locale: decimal point, no sampling time", "de_DE.UTF-8", 0, 'C', "", 0, 3, "", "standard_de_no_sampling_time.csv"},
    {"German, no code set", "de_DE", 0, 'C', "", 0, 3, "", "standard_de_no_sampling_time.csv"},
    {"C locale", "C", 0, 'C', "", 0, 3, "1", "standard_en_celsius.csv"},
    {"%OA TMP English", "en_US.UTF-8", 0, 'C', "TMP", 0, 2, "1", "oa_tmp_en.csv"},
    {"%OA CO2 Japanese", "ja_JP.UTF-8", 0, 'C', "CO2", 0, 2, "1", "oa_co2_ja.csv"},
    {"%OA TMP Japanese Shift-JIS", "ja_JP.SJIS", 0, 'C', "TMP", 0, 2, "1", "oa_tmp_ja_sjis.csv"},
    {"%OA TMP Chinese GBK Fahrenheit", "zh_CN.GBK", 0, 'F', "TMP", 0, 2, "1", "oa_tmp_zh_gbk_fahrenheit.csv"},
    {"%OA count 0", "en_US.UTF-8", 0, 'C', "CO2", 0, 0, "1", "oa_count0.csv"}};
} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT
private slots:
    void writesExpectedFile_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kFiles)); ++i)
            QTest::newRow(kFiles[i].name) << i;
    }
    void writesExpectedFile()
    {
        QFETCH(int, row);
        const FileCase &c = kFiles[row];
        TestProgramFolder folder(c.locale);
        setLanguageState(c.locale, qint16(c.choice));
        const SampleData d = unitsAndSeries(QByteArray("\xDF") + c.unit);
        const QString path = folder.filePath("out.csv");
        writeAll(path, kOldContent);  // saving over an existing file replaces it completely
        QVERIFY(write(path, d, c.count, c.sampling, *c.mode ? QString(c.mode) : csvexport::kNormalModeText, qint16(c.measureMode)));
        QCOMPARE(readAll(path), readAll(TELVARO_TEST_DATA "/csv/" + QString(c.expected)));
        QCOMPARE(entries(folder.path()), QStringList{"out.csv"});  // no temporary file left beside it
    }

    void celsiusTest()
    {
        const struct { const char *locale, *meterTemp; bool celsius; } rows[] = {{"en_US.UTF-8", "\xDF" "C", true},
            {"en_US.UTF-8", "\xDF" "F", false}, {"en_US.UTF-8", "C", false}, {"en_US.UTF-8", "", false}, {"ja_JP.UTF-8", "\xDF" "C", true},
            {"ja_JP.UTF-8", "\xDF" "F", false}, {"zh_CN.UTF-8", "\xDF" "C", true}, {"zh_CN.GBK", "\xDF" "C ", true},
            {"zh_CN.UTF-8", "\xDF" "F", false}, {"zh_CN.UTF-8", "xC", false}, {"zh_CN", "\xDF" "C", true}, {"zh_CN.UTF-8", "", false}};
        for (const auto &r : rows) {
            setLanguageState(r.locale, 0);
            const QString unit = unitsAndSeries(r.meterTemp).unit(Quantity::Temperature);
            // A Chinese system reads the degree mark and the letter after it as one character.
            QVERIFY2(i18n::language().systemLanguage != "Chinese" || !*r.meterTemp || unit.at(0) != QChar(0xDF), r.locale);
            QCOMPARE(codepage::toFile(unit), QByteArray(r.meterTemp));  // the meter's very bytes
            QVERIFY2(csvexport::temperatureIsCelsius(unit) == r.celsius &&
                         csvexport::degreeText(unit) == LoadResString(r.celsius ? 190 : 191),
                     r.locale + (' ' + QByteArray(r.meterTemp).toHex(' ')));
        }
    }

    void headerTexts()
    {
        // Seconds of the day to the nearest one (23:59:59.7 is the next midnight), the date part ignored.
        const struct { double value; const char *text; } times[] = {{0.0, "00:00:00"}, {0.5, "12:00:00"}, {47109 / 86400.0, "13:05:09"},
            {86399 / 86400.0, "23:59:59"}, {86399.7 / 86400.0, "00:00:00"}, {28800.4 / 86400.0, "08:00:00"}, {38158.75, "18:00:00"}, {qQNaN(), "00:00:00"}};
        for (const auto &t : times)
            QCOMPARE(csvexport::timeOfDayText(t.value), QString(t.text));
        // The sampling time line: the number of the interface language's text, or nothing.
        const struct { const char *locale; int choice; const char16_t *text; const char *number; } samplings[] = {{"en_US.UTF-8", 0, u"60sec", "60"},
            {"en_US.UTF-8", 0, u"3sec", ""}, {"en_US.UTF-8", 0, u"", ""}, {"ja_JP.UTF-8", 0, u"１０秒", "10"}, {"ja_JP.UTF-8", 1, u"１０秒", ""},
            {"ja_JP.UTF-8", 1, u"30sec", "30"}, {"zh_CN.UTF-8", 0, u"60秒", "60"}};
        for (const auto &s : samplings) {
            setLanguageState(s.locale, qint16(s.choice));
            QCOMPARE(csvexport::samplingTimeText(QString::fromUtf16(s.text)), QString(s.number));
        }
    }

    // The data lines are built as bytes on their own: they must read as the general number format does.
    void dataLinesFollowGeneralNumber()
    {
        setLanguageState("en_US.UTF-8", 0);
        SampleData d = unitsAndSeries("\xDF" "C", 0);
        const QVector<double> values{0.0, -0.0, 0.1 + 0.2, 1e-7, -1e-300, 1e21, 123456789.125, -qInf(), qInf(), qQNaN(), 5e-324, 1.7976931348623157e308};
        QByteArray expected;
        for (double v : values) {
            const std::array<double, 8> row{v, -v, v / 3, 2.5};
            d.append(0, {}, row);
            expected += QStringList({numtext::generalNumber(row[0]), numtext::generalNumber(row[1]), numtext::generalNumber(row[2]),
                                     numtext::generalNumber(row[3])}).join(',').toLatin1() + "\r\n";
        }
        const auto bytes = csvexport::measureCsvBytes({"", "", "", qint32(values.size()), ""}, csvexport::kNormalModeText, 0, d);
        QVERIFY(bytes && bytes->endsWith(expected));
        QCOMPARE(bytes->count("\r\n"), 8 + values.size());
    }

    // Every failure: no file left behind, the old file as it was.
    void failureKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"missing folder", "file as folder", "directory as name", "empty name", "disk full", "count beyond the series",
                                 "%OA count beyond the series"})
            QTest::newRow(kind) << QString(kind);
    }
    void failureKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        TestProgramFolder folder("en_US.UTF-8");
        setLanguageState("en_US.UTF-8", 0);
        SampleData d = unitsAndSeries("\xDF" "C");
        const QString data = folder.filePath("data");
        QDir().mkpath(data + "/dir.csv");
        writeAll(data + "/out.csv", kOldContent);
        const QMap<QString, QString> targets = {{"missing folder", folder.filePath("nowhere/out.csv")},
            {"file as folder", data + "/out.csv/inner.csv"}, {"directory as name", data + "/dir.csv"}, {"empty name", ""}};
        qint32 count = kind == "count beyond the series" ? 4 : 3;
        const rlimit oldLimit = [] { rlimit limit{}; getrlimit(RLIMIT_FSIZE, &limit); return limit; }();
        if (kind == "disk full") {  // a file size limit makes the write fail half-way as a full disk does
            d = unitsAndSeries("\xDF" "C", count = 65500);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{64 * 1024, oldLimit.rlim_max};
            QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        }
        const bool ok = write(targets.value(kind, data + "/out.csv"), d, count, "1",
                              kind.startsWith('%') ? "TMP" : csvexport::kNormalModeText);
        setrlimit(RLIMIT_FSIZE, &oldLimit);
        QVERIFY(!ok && !QFileInfo::exists(folder.filePath("nowhere")));
        QCOMPARE(entries(data), QStringList({"dir.csv", "out.csv"}));
        QCOMPARE(readAll(data + "/out.csv"), kOldContent);
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "test_csvexport.moc"
