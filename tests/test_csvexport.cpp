// The CSV writers: whole files against expected files for each layout, language and code set, the
// temperature unit test, the header texts, and failures that must leave no file and keep the old one.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "datafiles/CsvExport.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

const QByteArray kOldContent = "an older file that is longer than some of the new ones\r\n"
                               "it must be replaced completely\r\n"
                               "or kept completely when the save fails\r\n";

QByteArray expectedFile(const QString &name)
{
    QFile f(QStringLiteral(TELVARO_TEST_DATA "/csv/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing expected file %s", qPrintable(name));
    return f.readAll();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Units as the meter's U reply gives them; the temperature unit through the meter's code page.
void setUnits(const QByteArray &meterTemp)
{
    using namespace Variable;
    UnitCO = UnitCO2 = QStringLiteral("ppm");
    UnitTemp = codepage::fromMeter(meterTemp);
    UnitDewPoint = UnitWetBulb = UnitTemp;
    UnitHum = QStringLiteral("%RH");
    UnitAbsHum = QStringLiteral("g/m3");
    UnitHumRatio = QStringLiteral("g/kg");
}

// Three samples of every live series, with fractions, signs and a large value.
void fillLiveSeries()
{
    using namespace Variable;
    resizeLiveSeries(3);
    const double rows[3][8] = {{0, 450, 23.5, 41.2, 9.8, 15.75, 0.0123, 7.25},
                               {0.1, 452, -0.25, 41.3, -12.5, 3, 8.5, 0.5},
                               {12, 1999, 100, 5, 0, 30, 1000000, -3}};
    QVector<double> *series[8] = {&COData, &CO2Data, &TempData, &HumData,
                                  &DewPointData, &WetBulbData, &AbsHumData, &HumRatioData};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 8; ++c)
            (*series[c])[i + 1] = rows[i][c];
}

void fillOaSeries()
{
    using namespace Variable;
    resizeOaSeries(2);
    ReturnAir[1] = 800, SupplyAir[1] = 650, OutdoorAir[1] = 400, PercentOutdoorAir[1] = 37.5;
    ReturnAir[2] = 23.4, SupplyAir[2] = 18, OutdoorAir[2] = 12.5, PercentOutdoorAir[2] = 48.2;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT
private slots:
    void writesExpectedFile_data();
    void writesExpectedFile();
    void celsiusTest_data();
    void celsiusTest();
    void headerTexts();
    void samplingTimeText_data();
    void samplingTimeText();
    void failureLeavesOldFile_data();
    void failureLeavesOldFile();
};

void TestCsvExport::writesExpectedFile_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("languageChoice");
    QTest::addColumn<QByteArray>("meterTemp");  // UnitTemp as the meter's bytes
    QTest::addColumn<QString>("layout");        // "measure" or "oa"
    QTest::addColumn<QString>("mode");          // mode text, or the %OA basis
    QTest::addColumn<int>("measureMode");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("samplingTime");
    QTest::addColumn<QString>("expected");

    const QByteArray celsius("\xDF" "C");
    const QByteArray fahrenheit("\xDF" "F");
    const QString normal = csvexport::kNormalModeText;
    // clang-format off
    QTest::newRow("English Standard Celsius") << QByteArray("en_US.UTF-8") << 0 << celsius << "measure" << normal << 0 << 3 << "1" << "standard_en_celsius.csv";
    QTest::newRow("English Detailed Fahrenheit, calculation page") << QByteArray("en_US.UTF-8") << 0 << fahrenheit << "measure" << "DP" << 1 << 3 << "1" << "detailed_en_fahrenheit.csv";
    QTest::newRow("count 0: header only") << QByteArray("en_US.UTF-8") << 0 << celsius << "measure" << normal << 1 << 0 << "1" << "detailed_en_count0.csv";
    QTest::newRow("negative count: header only") << QByteArray("en_US.UTF-8") << 0 << celsius << "measure" << normal << 1 << -1 << "1" << "detailed_en_count0.csv";
    QTest::newRow("Japanese Standard keeps the unit as received") << QByteArray("ja_JP.UTF-8") << 0 << celsius << "measure" << normal << 0 << 3 << "1" << "standard_ja_utf8.csv";
    QTest::newRow("Japanese Detailed degree text") << QByteArray("ja_JP.UTF-8") << 0 << celsius << "measure" << normal << 1 << 3 << "1" << "detailed_ja_utf8.csv";
    QTest::newRow("Japanese Standard in Shift-JIS") << QByteArray("ja_JP.SJIS") << 0 << celsius << "measure" << normal << 0 << 3 << "1" << "standard_ja_sjis.csv";
    QTest::newRow("Japanese Detailed Fahrenheit in Shift-JIS") << QByteArray("ja_JP.SJIS") << 0 << fahrenheit << "measure" << normal << 1 << 3 << "1" << "detailed_ja_sjis_fahrenheit.csv";
    QTest::newRow("English chosen on a Japanese system") << QByteArray("ja_JP.UTF-8") << 1 << celsius << "measure" << normal << 1 << 3 << "1" << "detailed_ja_english.csv";
    QTest::newRow("Chinese Standard Celsius in GBK") << QByteArray("zh_CN.GBK") << 0 << celsius << "measure" << normal << 0 << 3 << "1" << "standard_zh_gbk.csv";
    QTest::newRow("Chinese Standard Fahrenheit in UTF-8") << QByteArray("zh_CN.UTF-8") << 0 << fahrenheit << "measure" << normal << 0 << 3 << "1" << "standard_zh_utf8_fahrenheit.csv";
    QTest::newRow("Chinese Detailed Celsius in UTF-8") << QByteArray("zh_CN.UTF-8") << 0 << celsius << "measure" << normal << 1 << 3 << "1" << "detailed_zh_utf8.csv";
    QTest::newRow("German locale: decimal point, no sampling time") << QByteArray("de_DE.UTF-8") << 0 << celsius << "measure" << normal << 0 << 3 << "" << "standard_de_no_sampling_time.csv";
    QTest::newRow("%OA TMP English") << QByteArray("en_US.UTF-8") << 0 << celsius << "oa" << "TMP" << 0 << 2 << "1" << "oa_tmp_en.csv";
    QTest::newRow("%OA CO2 Japanese") << QByteArray("ja_JP.UTF-8") << 0 << celsius << "oa" << "CO2" << 0 << 2 << "1" << "oa_co2_ja.csv";
    QTest::newRow("%OA TMP Japanese Shift-JIS") << QByteArray("ja_JP.SJIS") << 0 << celsius << "oa" << "TMP" << 0 << 2 << "1" << "oa_tmp_ja_sjis.csv";
    QTest::newRow("%OA TMP Chinese GBK Fahrenheit") << QByteArray("zh_CN.GBK") << 0 << fahrenheit << "oa" << "TMP" << 0 << 2 << "1" << "oa_tmp_zh_gbk_fahrenheit.csv";
    QTest::newRow("%OA count 0") << QByteArray("en_US.UTF-8") << 0 << celsius << "oa" << "CO2" << 0 << 0 << "1" << "oa_count0.csv";
    // clang-format on
}

void TestCsvExport::writesExpectedFile()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, languageChoice);
    QFETCH(QByteArray, meterTemp);
    QFETCH(QString, layout);
    QFETCH(QString, mode);
    QFETCH(int, measureMode);
    QFETCH(int, count);
    QFETCH(QString, samplingTime);
    QFETCH(QString, expected);

    TestProgramFolder folder(locale);
    setLanguageState(locale, qint16(languageChoice));
    ScriptedPrompts prompts;
    setUnits(meterTemp);
    fillLiveSeries();
    fillOaSeries();
    // Saving over an existing file replaces it completely.
    const QString path = folder.filePath(QStringLiteral("out.csv"));
    writeAll(path, kOldContent);

    bool ok = false;
    if (layout == QLatin1String("oa"))
        ok = WriteOaCsv(path, QStringLiteral("2004/06/20"), QStringLiteral("12:00:00"), QStringLiteral("1013"), count,
                        samplingTime, mode);
    else
        ok = WriteMeasureCsv(path, QStringLiteral("2004/06/20"), QStringLiteral("12:00:00"), QStringLiteral("1013"),
                             count, samplingTime, mode, qint16(measureMode));
    QVERIFY(ok);
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.texts().join(QLatin1Char('|'))));
    QCOMPARE(readAll(path), expectedFile(expected));
    // Nothing left beside it (no temporary file).
    QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("out.csv")});
}

void TestCsvExport::celsiusTest_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("meterTemp");
    QTest::addColumn<bool>("celsius");
    // clang-format off
    QTest::newRow("English degree C") << QByteArray("en_US.UTF-8") << QByteArray("\xDF" "C") << true;
    QTest::newRow("English degree F") << QByteArray("en_US.UTF-8") << QByteArray("\xDF" "F") << false;
    QTest::newRow("English lone C") << QByteArray("en_US.UTF-8") << QByteArray("C") << false;
    QTest::newRow("English empty") << QByteArray("en_US.UTF-8") << QByteArray() << false;
    QTest::newRow("Japanese degree C") << QByteArray("ja_JP.UTF-8") << QByteArray("\xDF" "C") << true;
    QTest::newRow("Japanese degree F") << QByteArray("ja_JP.UTF-8") << QByteArray("\xDF" "F") << false;
    QTest::newRow("Chinese DF 43") << QByteArray("zh_CN.UTF-8") << QByteArray("\xDF\x43") << true;
    QTest::newRow("Chinese DF 43 then more") << QByteArray("zh_CN.GBK") << QByteArray("\xDF\x43 ") << true;
    QTest::newRow("Chinese DF 46") << QByteArray("zh_CN.UTF-8") << QByteArray("\xDF\x46") << false;
    QTest::newRow("Chinese plain C") << QByteArray("zh_CN.UTF-8") << QByteArray("xC") << false;
    QTest::newRow("Chinese empty") << QByteArray("zh_CN.UTF-8") << QByteArray() << false;
    // clang-format on
}

void TestCsvExport::celsiusTest()
{
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, meterTemp);
    QFETCH(bool, celsius);
    TestProgramFolder folder(locale);
    setLanguageState(locale, 0);
    setUnits(meterTemp);
    if (Variable::SystemLanguage == QLatin1String("Chinese") && meterTemp.startsWith('\xDF'))
        QVERIFY2(Variable::UnitTemp.at(0) != QChar(0xDF), "GBK must read DF xx as one character");
    QCOMPARE(csvexport::temperatureIsCelsius(), celsius);
    QCOMPARE(csvexport::degreeText(), LoadResString(celsius ? 190 : 191));
}

void TestCsvExport::headerTexts()
{
    QCOMPARE(csvexport::dateText(QDate(2004, 6, 20)), QStringLiteral("2004/06/20"));
    QCOMPARE(csvexport::dateText(QDate(2031, 12, 1)), QStringLiteral("2031/12/01"));
    const struct {
        double value;
        const char *text;
    } times[] = {
        {0.0, "00:00:00"},
        {0.5, "12:00:00"},
        {(13 * 3600 + 5 * 60 + 9) / 86400.0, "13:05:09"},
        {(23 * 3600 + 59 * 60 + 59) / 86400.0, "23:59:59"},
        {(23 * 3600 + 59 * 60 + 59.7) / 86400.0, "00:00:00"},  // rounds to the next midnight
        {(8 * 3600 + 0.4) / 86400.0, "08:00:00"},
        {38158.75, "18:00:00"},                                   // a date part is ignored
        {std::numeric_limits<double>::quiet_NaN(), "00:00:00"},
    };
    for (const auto &t : times)
        QCOMPARE(csvexport::timeOfDayText(t.value), QString::fromLatin1(t.text));
}

void TestCsvExport::samplingTimeText_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("languageChoice");
    QTest::addColumn<QString>("measureSampleTime");
    QTest::addColumn<QString>("expected");
    const QByteArray en("en_US.UTF-8"), ja("ja_JP.UTF-8"), zh("zh_CN.UTF-8");
    QTest::newRow("1sec") << en << 0 << "1sec" << "1";
    QTest::newRow("2sec") << en << 0 << "2sec" << "2";
    QTest::newRow("5sec") << en << 0 << "5sec" << "5";
    QTest::newRow("10sec") << en << 0 << "10sec" << "10";
    QTest::newRow("30sec") << en << 0 << "30sec" << "30";
    QTest::newRow("60sec") << en << 0 << "60sec" << "60";
    QTest::newRow("no match") << en << 0 << "3sec" << "";
    QTest::newRow("empty") << en << 0 << "" << "";
    QTest::newRow("Japanese 10") << ja << 0 << QStringLiteral(u"１０秒") << "10";
    QTest::newRow("Japanese text after English chosen") << ja << 1 << QStringLiteral(u"１０秒") << "";
    QTest::newRow("English chosen on Japanese") << ja << 1 << "30sec" << "30";
    QTest::newRow("Chinese 60") << zh << 0 << QStringLiteral(u"60秒") << "60";
}

void TestCsvExport::samplingTimeText()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, languageChoice);
    QFETCH(QString, measureSampleTime);
    QFETCH(QString, expected);
    TestProgramFolder folder(locale);
    setLanguageState(locale, qint16(languageChoice));
    QCOMPARE(csvexport::samplingTimeText(measureSampleTime), expected);
}

void TestCsvExport::failureLeavesOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder does not exist") << "missing folder";
    QTest::newRow("a file as the folder") << "file as folder";
    QTest::newRow("read-only folder") << "read-only folder";
    QTest::newRow("name is a directory") << "directory";
    QTest::newRow("empty name") << "empty name";
    QTest::newRow("disk full") << "disk full";
    QTest::newRow("count beyond the series") << "short series";
    QTest::newRow("%OA count beyond the series") << "short oa series";
}

void TestCsvExport::failureLeavesOldFile()
{
    QFETCH(QString, kind);
    TestProgramFolder folder("en_US.UTF-8");
    setLanguageState("en_US.UTF-8", 0);
    ScriptedPrompts prompts;
    setUnits(QByteArray("\xDF" "C"));
    fillLiveSeries();
    fillOaSeries();

    const QString base = folder.path();
    QString target = base + QStringLiteral("/data/out.csv");
    QString watched = base + QStringLiteral("/data");  // folder that must hold nothing new
    QDir().mkpath(watched);
    writeAll(target, kOldContent);
    qint32 count = 3;
    bool oa = false;
    QString mountPoint;
    rlimit oldLimit{};
    bool limited = false;

    if (kind == QLatin1String("missing folder")) {
        target = base + QStringLiteral("/nowhere/out.csv");
    } else if (kind == QLatin1String("file as folder")) {
        target = base + QStringLiteral("/data/out.csv/inner.csv");
    } else if (kind == QLatin1String("read-only folder")) {
        if (geteuid() == 0)
            QSKIP("permissions do not stop root from writing");
        QFile::setPermissions(watched, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    } else if (kind == QLatin1String("directory")) {
        QDir().mkpath(base + QStringLiteral("/data/dir.csv"));
        target = base + QStringLiteral("/data/dir.csv");
    } else if (kind == QLatin1String("empty name")) {
        target.clear();
    } else if (kind == QLatin1String("disk full")) {
        // A small file system of its own where one can be mounted; else a file size limit that
        // makes the write fail the same way.
        count = 65500;
        Variable::resizeLiveSeries(count);
        mountPoint = base + QStringLiteral("/small");
        QDir().mkpath(mountPoint);
        QProcess mount;
        mount.setStandardErrorFile(QProcess::nullDevice());
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mountPoint});
        if (mount.waitForFinished() && mount.exitStatus() == QProcess::NormalExit && mount.exitCode() == 0) {
            watched = mountPoint;
            target = mountPoint + QStringLiteral("/out.csv");
            writeAll(target, kOldContent);
        } else {
            mountPoint.clear();
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &oldLimit);
            rlimit small = oldLimit;
            small.rlim_cur = 64 * 1024;
            QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
            limited = true;
        }
    } else if (kind == QLatin1String("short series")) {
        count = 4;
    } else if (kind == QLatin1String("short oa series")) {
        count = 3;
        oa = true;
    }
    const QStringList before = entries(watched);

    const bool ok = oa ? WriteOaCsv(target, QStringLiteral("2004/06/20"), QStringLiteral("12:00:00"),
                                    QStringLiteral("1013"), count, QStringLiteral("1"), QStringLiteral("TMP"))
                       : WriteMeasureCsv(target, QStringLiteral("2004/06/20"), QStringLiteral("12:00:00"),
                                         QStringLiteral("1013"), count, QStringLiteral("1"),
                                         csvexport::kNormalModeText, 1);
    if (limited)
        setrlimit(RLIMIT_FSIZE, &oldLimit);
    const QStringList after = entries(watched);
    const QByteArray old = readAll(watched + QStringLiteral("/out.csv"));
    if (!mountPoint.isEmpty())
        QProcess::execute(QStringLiteral("umount"), {mountPoint});
    if (kind == QLatin1String("read-only folder"))
        QFile::setPermissions(watched, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QVERIFY(!ok);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].text, QStringLiteral("Data File can not create or save."));
    QCOMPARE(prompts.messages[0].title, QStringLiteral("Data Save"));
    QCOMPARE(prompts.messages[0].buttons, prompts::Buttons::Ok);
    QCOMPARE(after, before);
    QCOMPARE(old, kOldContent);
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/nowhere")));
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "test_csvexport.moc"
