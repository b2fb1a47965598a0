// The CSV writers: whole files per layout, language and code set; header texts; failures keep the old file.
// Save As of the live run through the main window: every way in, cancel, failure, and the question on closing.
// After a measurement: data files read back (round trip, malformed files), the chart as PNG and SVG,
// the survey report's figures as pdftotext reads them, refusal while the meter is in use.
#include <QAction>
#include <QDate>
#include <QMessageBox>
#include <QPushButton>
#include <QXmlStreamReader>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "datafiles/CsvExport.h"
#include "datafiles/CsvImport.h"
#include "datafiles/NumberText.h"
#include "dialogs/FrmReport.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/SurveyReport.h"
#include "measure/LiveChart.h"
#include "measure/Samples.h"
#include "serial/SerialLink.h"
#include "support/DialogSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {
const QByteArray kOldContent = QByteArray("an older file, longer than any new one: kept or replaced\r\n").repeated(20);

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Units as the meter's U reply gives them; three live samples (fractions, signs, a large value), two %OA ones.
SampleData unitsAndSeries(const QByteArray &meterTemp, int liveCount = 3)
{
    SampleData d;
    d.unit(Quantity::CO) = d.unit(Quantity::CO2) = "ppm";
    d.unit(Quantity::Humidity) = "%RH";
    d.unit(Quantity::AbsHumidity) = "g/m3";
    d.unit(Quantity::HumidityRatio) = "g/kg";
    const QString degrees = codepage::fromMeter(meterTemp);
    d.unit(Quantity::Temperature) = d.unit(Quantity::DewPoint) = d.unit(Quantity::WetBulb) = degrees;
    const std::array<double, 8> rows[3] = {{0, 450, 23.5, 41.2, 9.8, 15.75, 0.0123, 7.25},
                                           {0.1, 452, -0.25, 41.3, -12.5, 3, 8.5, 0.5},
                                           {12, 1999, 100, 5, 0, 30, 1000000, -3}};
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
    if (mode == "TMP" || mode == "CO2")
        return WriteOaCsv(path, "2004/06/20", "12:00:00", "1013", count, samplingTime, mode, d);
    return WriteMeasureCsv(path, "2004/06/20", "12:00:00", "1013", count, samplingTime, mode, measureMode, d);
}

// Locale, language choice, unit after the degree mark, mode text ("": live), Standard/Detailed, count, sampling time.
const struct FileCase { const char *name, *locale; int choice; char unit; const char *mode; int measureMode, count;
                        const char *sampling, *expected; } kFiles[] = {
    {"English Standard Celsius", "en_US.UTF-8", 0, 'C', "", 0, 3, "1", "standard_en_celsius.csv"},
    {"English Detailed Fahrenheit, calculation page", "en_US.UTF-8", 0, 'F', "DP", 1, 3, "1",
     "detailed_en_fahrenheit.csv"},
    {"count 0: header only", "en_US.UTF-8", 0, 'C', "", 1, 0, "1", "detailed_en_count0.csv"},
    {"negative count: header only", "en_US.UTF-8", 0, 'C', "", 1, -1, "1", "detailed_en_count0.csv"},
    {"Japanese Standard keeps the unit's bytes", "ja_JP.UTF-8", 0, 'C', "", 0, 3, "1", "standard_ja_sjis.csv"},
    {"Japanese Detailed degree text", "ja_JP.UTF-8", 0, 'C', "", 1, 3, "1", "detailed_ja_sjis.csv"},
    {"Japanese Detailed Fahrenheit in Shift-JIS", "ja_JP.SJIS", 0, 'F', "", 1, 3, "1",
     "detailed_ja_sjis_fahrenheit.csv"},
    {"English chosen on a Japanese system", "ja_JP.UTF-8", 1, 'C', "", 1, 3, "1", "detailed_ja_english.csv"},
    {"Chinese Standard Celsius in GBK", "zh_CN.GBK", 0, 'C', "", 0, 3, "1", "standard_zh_gbk.csv"},
    {"Chinese Standard Fahrenheit, UTF-8 locale", "zh_CN.UTF-8", 0, 'F', "", 0, 3, "1",
     "standard_zh_gbk_fahrenheit.csv"},
    {"Chinese Detailed Celsius, UTF-8 locale", "zh_CN.UTF-8", 0, 'C', "", 1, 3, "1", "detailed_zh_gbk.csv"},
    {"German locale: decimal point, no sampling time", "de_DE.UTF-8", 0, 'C', "", 0, 3, "",
     "standard_de_no_sampling_time.csv"},
    {"%OA TMP English", "en_US.UTF-8", 0, 'C', "TMP", 0, 2, "1", "oa_tmp_en.csv"},
    {"%OA CO2 Japanese", "ja_JP.UTF-8", 0, 'C', "CO2", 0, 2, "1", "oa_co2_ja.csv"},
    {"%OA TMP Japanese Shift-JIS", "ja_JP.SJIS", 0, 'C', "TMP", 0, 2, "1", "oa_tmp_ja_sjis.csv"},
    {"%OA TMP Chinese GBK Fahrenheit", "zh_CN.GBK", 0, 'F', "TMP", 0, 2, "1", "oa_tmp_zh_gbk_fahrenheit.csv"},
    {"%OA count 0", "en_US.UTF-8", 0, 'C', "CO2", 0, 0, "1", "oa_count0.csv"},
};

// What a finished debug run of three samples leaves behind (Standard Mode: the last four series empty).
void finishedDebugRun(FrmMenu &window, qint16 measureMode)
{
    SampleData d;
    d.origin = SampleData::Origin::LiveRun;
    d.measureMode = measureMode;
    d.sampleTime = measureMode ? LoadResString(128) : QStringLiteral("5sec");  // "5sec" in any language
    d.unit(Quantity::CO) = d.unit(Quantity::CO2) = QStringLiteral("ppm");
    d.unit(Quantity::Temperature) = d.unit(Quantity::DewPoint) = d.unit(Quantity::WetBulb) =
        QString(QChar(0xFF9F)) + 'C';
    d.unit(Quantity::Humidity) = "%RH";
    d.unit(Quantity::AbsHumidity) = "lb/ft3";
    d.unit(Quantity::HumidityRatio) = "g/kg";
    d.atmosPressure = 987;
    const std::array<double, 8> rows[3] = {{3, 412, 21, 38, 7, 14, 6, 9}, {5.5, 2999, -4, 49, 29, 0, 1.25, 29},
                                           {0, 0, 99, 1, 0.5, 30, 10, 0}};
    for (int i = 0; i < 3; ++i) {
        std::array<double, 8> row = rows[i];
        if (!measureMode)
            std::fill(row.begin() + 4, row.end(), 0.0);
        d.append((13 * 3600 + 5 * 60 + 9 + 5 * i) / 86400.0, {}, row);
    }
    window.samples().replace(d);
    window.samples().setPresent(true);
    window.samples().setSaved(false);
}

// The run (or none), the way in, the names given to each Save As ("-" cancels; "run one" is there before), each
// message with its answer (Ok, Yes, No), what "run one" holds at the end.
const struct Case { const char *name, *locale; int run; const char *way, *names, *messages, *expected;
} kCases[] = {{"menu", "en_US.UTF-8", 1, "menu", "run one", "", "menu_save_detailed.csv"},
              {"toolbar", "en_US.UTF-8", 1, "toolbar", "run one", "", "menu_save_detailed.csv"},
              {"Yes on closing", "en_US.UTF-8", 1, "close", "run one", "192Y", "menu_save_detailed.csv"},
              {"Yes before a transfer", "en_US.UTF-8", 1, "transfer", "run one", "192Y", "menu_save_detailed.csv"},
              {"Japanese, Standard", "ja_JP.UTF-8", 0, "menu", "run one", "", "menu_save_standard_ja.csv"},
              {"cancelled, then No on closing", "en_US.UTF-8", 1, "menu", "-", "192N", "oa_tmp_en.csv"},
              {"failed (folder gone), then Yes on closing", "en_US.UTF-8", 1, "menu", "gone/run one;run one",
               "167O 192Y", "menu_save_detailed.csv"},
              {"no run: nothing to ask", "en_US.UTF-8", -1, "menu", "", "", "oa_tmp_en.csv"}};

// A Standard survey at 10 s: CO2 above 1000 ppm in two of four intervals, humidity below 40 %RH in one.
const QByteArray kSurvey = "Date,2026/11/30\r\nTime,23:59:40\r\nData,4\r\nSampling Time,10\r\nMode,NORMAL\r\n"
                           "Atmos.Pressure,1008\r\n"
                           "CO,CO2,Temperature,Relative humidity\r\nppm,ppm,Degrees,%RH\r\n"
                           "1,800,20,45\r\n2,1200,21,50\r\n3,1100,22,35\r\n4,900,23,55\r\n";

struct Window {
    explicit Window(const QByteArray &locale = "en_US.UTF-8") : folder(locale)
    {
        folder.writeFile("survey.csv", kSurvey);
        w.Form_Load();
        w.resize(900, 680);
        w.show();
    }
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    FrmMenu w;
};
} // namespace

class TestCsv : public QObject {
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
        folder.writeFile("out.csv", kOldContent);  // saving over an existing file replaces it completely
        const QString mode = *c.mode ? QString(c.mode) : csvexport::kNormalModeText;
        QVERIFY(write(path, d, c.count, c.sampling, mode, qint16(c.measureMode)));
        QCOMPARE(readTestFile(path), readTestFile(TELVARO_TEST_DATA "/csv/" + QString(c.expected)));
        QCOMPARE(entries(folder.path()), QStringList{"out.csv"});  // no temporary file left beside it
    }

    // The units the expected files do not show: no degree mark, nothing, a Chinese system's other bytes.
    void celsiusTest_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QByteArray>("meterTemp");  // the unit's bytes from the meter
        QTest::addColumn<bool>("celsius");
        const auto row = [](const char *locale, const QByteArray &unit, bool celsius) {
            QTest::addRow("%s %s", locale, unit.toHex(' ').constData()) << QByteArray(locale) << unit << celsius;
        };
        row("en_US.UTF-8", "C", false);
        row("en_US.UTF-8", "", false);
        row("zh_CN.GBK", "\xDF" "C ", true);
        row("zh_CN.UTF-8", "xC", false);
        row("zh_CN.UTF-8", "", false);
    }
    void celsiusTest()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QByteArray, meterTemp);
        QFETCH(bool, celsius);
        setLanguageState(locale, 0);
        const QString unit = unitsAndSeries(meterTemp).unit(Quantity::Temperature);
        // A Chinese system reads the degree mark and the letter after it as one character.
        QVERIFY(i18n::language().systemLanguage != "Chinese" || meterTemp.isEmpty() || unit.at(0) != QChar(0xDF));
        QCOMPARE(codepage::toFile(unit), meterTemp);  // the meter's very bytes
        QCOMPARE(csvexport::temperatureIsCelsius(unit), celsius);
    }

    // Seconds of the day to the nearest one (23:59:59.7 is the next midnight), the date part ignored.
    void timeOfDay_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const std::pair<double, const char *> times[] = {{0.0, "00:00:00"}, {0.5, "12:00:00"},
            {47109 / 86400.0, "13:05:09"}, {86399 / 86400.0, "23:59:59"}, {86399.7 / 86400.0, "00:00:00"},
            {28800.4 / 86400.0, "08:00:00"}, {38158.75, "18:00:00"}, {qQNaN(), "00:00:00"}};
        for (const auto &[value, text] : times)
            QTest::addRow("%.6f", value) << value << QString(text);
    }
    void timeOfDay()
    {
        QFETCH(double, value);
        QTEST(csvexport::timeOfDayText(value), "text");
    }

    // The sampling time line: the number of the interface language's text, or nothing.
    void samplingTime_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        const auto row = [](const char *locale, int choice, const char *text, const char *number) {
            QTest::addRow("%s %d %s", locale, choice, text) << QByteArray(locale) << choice << QString::fromUtf8(text)
                                                            << QString(number);
        };
        row("en_US.UTF-8", 0, "3sec", "");
        row("ja_JP.UTF-8", 0, "１０秒", "10");
        row("ja_JP.UTF-8", 1, "１０秒", "");
        row("ja_JP.UTF-8", 1, "30sec", "30");
        row("zh_CN.UTF-8", 0, "60秒", "60");
    }
    void samplingTime()
    {
        QFETCH(QByteArray, locale);
        QFETCH(int, choice);
        QFETCH(QString, text);
        setLanguageState(locale, qint16(choice));
        QTEST(csvexport::samplingTimeText(text), "number");
    }

    // The data lines are built as bytes on their own: they must read as the general number format does.
    void dataLinesFollowGeneralNumber()
    {
        setLanguageState("en_US.UTF-8", 0);
        SampleData d = unitsAndSeries("\xDF" "C", 0);
        const QVector<double> values{0.0,     -0.0,  0.1 + 0.2, 1e-7,   -1e-300, 1e21, 123456789.125,
                                     -qInf(), qInf(), qQNaN(),  5e-324, 1.7976931348623157e308};
        QByteArray expected;
        for (double v : values) {
            const std::array<double, 8> row{v, -v, v / 3, 2.5};
            d.append(0, {}, row);
            QStringList numbers;
            for (int k = 0; k < 4; ++k)
                numbers << numtext::generalNumber(row[size_t(k)]);
            expected += numbers.join(',').toLatin1() + "\r\n";
        }
        const auto bytes =
            csvexport::measureCsvBytes({"", "", "", qint32(values.size()), ""}, csvexport::kNormalModeText, 0, d);
        QVERIFY(bytes && bytes->endsWith(expected));
        QCOMPARE(bytes->count("\r\n"), 8 + values.size());
    }

    // Every failure: no file left behind, the old file as it was.
    void failureKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"missing folder", "file as folder", "directory as name", "empty name", "disk full",
                                 "count beyond the series", "%OA count beyond the series"})
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
        folder.writeFile("data/out.csv", kOldContent);
        const QMap<QString, QString> targets = {{"missing folder", folder.filePath("nowhere/out.csv")},
                                                {"file as folder", data + "/out.csv/inner.csv"},
                                                {"directory as name", data + "/dir.csv"},
                                                {"empty name", ""}};
        qint32 count = kind == "count beyond the series" ? 4 : 3;
        rlimit oldLimit{};
        getrlimit(RLIMIT_FSIZE, &oldLimit);
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
        QCOMPARE(readTestFile(data + "/out.csv"), kOldContent);
    }

    void notSavedMustBeAnswered()
    {
        // The real question: Escape and the close box do not answer it, Yes and No do.
        TestProgramFolder folder;
        FrmMenu window;
        finishedDebugRun(window, 1);
        bool stillAsking = false;
        QTimer::singleShot(200, &window, [&stillAsking] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            stillAsking = box->isVisible();
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(window.askUnsavedData(), FrmMenu::UnsavedAnswer::No);
        QVERIFY(stillAsking);
    }
    void save_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }
    void save()
    {
        QFETCH(int, row);
        const Case &c = kCases[row];
        TestProgramFolder folder(c.locale);
        ScriptedPrompts prompts;
        QPointer<FrmMenu> window = new FrmMenu;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
        const QString data = folder.filePath("data");
        QDir().mkpath(data);
        window->settings().DefaultFolder = data;
        if (c.run >= 0)
            finishedDebugRun(*window, qint16(c.run));
        // A name typed without ".csv" is used as typed; an existing file is replaced whole.
        QFile::copy(TELVARO_TEST_DATA "/csv/oa_tmp_en.csv", data + "/run one");
        const QStringList names = QString(c.names).split(';', Qt::SkipEmptyParts);
        for (const QString &name : names)
            prompts.queueSaveName(name == "-" ? std::nullopt : std::optional<QString>(data + '/' + name));
        QStringList asked, shown;
        for (const QString &m : QString(c.messages).split(' ', Qt::SkipEmptyParts)) {
            // "Data is not saved. Do you save?", else "Data File can not create or save."
            const bool question = m.startsWith("192");
            const QMap<QChar, prompts::Answer> answers{{'Y', prompts::Answer::Yes}, {'N', prompts::Answer::No}};
            prompts.queueAnswer(answers.value(m.back(), prompts::Answer::Ok));
            asked << QString("%1|%2|%3|%4")
                         .arg(LoadResString(m.chopped(1).toInt()), LoadResString(question ? 101 : 168))
                         .arg(int(question ? prompts::Buttons::YesNoOnly : prompts::Buttons::Ok))
                         .arg(int(question ? prompts::Icon::Critical : prompts::Icon::None));
        }

        const QString way = c.way;
        way == "close" ? void(window->close()) : way == "menu" ? window->MenuSave->trigger()
            : way == "toolbar" ? window->ToolbarSave->trigger() : window->transferButton->click();
        if (way != "close") {
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);  // the hourglass is gone
            window->close();  // asks only while the data are not saved
        }
        QTRY_VERIFY(window.isNull());
        for (const auto &m : prompts.messages)
            shown << QString("%1|%2|%3|%4").arg(m.text, m.title).arg(int(m.buttons)).arg(int(m.icon));
        QCOMPARE(shown, asked);
        QCOMPARE(prompts.saveRequests.size(), names.size());
        for (const prompts::SaveRequest &request : prompts.saveRequests)
            QVERIFY(request.initialFolder == data && request.filterIndex == 1 && request.overwritePrompt);
        const QByteArray today = QDate::currentDate().toString("yyyy/MM/dd").toLatin1();  // a saved file's date line
        QCOMPARE(readTestFile(data + "/run one"),
                 readTestFile(TELVARO_TEST_DATA "/csv/" + QString(c.expected)).replace("@TODAY@", today));
        QCOMPARE(entries(data), QStringList{"run one"});
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *folder : {"/csv", "/transfer"})
            for (const QFileInfo &f : QDir(TELVARO_TEST_DATA + QString(folder)).entryInfoList({"*.csv"}, QDir::Files))
                QTest::newRow(qPrintable(f.fileName())) << f.filePath();
    }
    // Reader then writer gives the file's bytes.
    void roundTrip()
    {
        QFETCH(QString, path);
        const QString name = QFileInfo(path).fileName();
        // The language the file was written in, by its name (as the writer tests name them).
        const QByteArray locale = name.contains("_ja") ? "ja_JP.UTF-8" : name.contains("_zh") ? "zh_CN.UTF-8"
                                  : name.contains("_de") ? "de_DE.UTF-8" : "en_US.UTF-8";
        TestProgramFolder folder(locale);
        setLanguageState(locale, name.contains("ja_english") ? 1 : 0);
        const QByteArray bytes = readTestFile(path).replace("@TODAY@", "2026/12/01");
        auto result = csvimport::readDataFile(bytes);
        const auto *error = std::get_if<csvimport::ImportError>(&result);
        QVERIFY2(!error, error ? qPrintable(QString("line %1: %2").arg(error->line).arg(error->reason)) : "");
        const auto &in = std::get<csvimport::Imported>(result);
        const csvimport::FileHeader &f = in.header;
        const csvexport::CsvHeader h{f.dateText, f.timeText, f.pressureText, f.count, f.samplingTimeText};
        QCOMPARE(in.data.isOa() ? csvexport::oaCsvBytes(h, f.modeText, in.data)
                                : csvexport::measureCsvBytes(h, f.modeText, in.data.measureMode, in.data),
                 bytes);
        QVERIFY(in.data.fromFile && in.data.count() == in.header.count);
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        const QByteArray good = kSurvey;
        QTest::newRow("empty") << QByteArray() << 1;
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 1;
        QTest::newRow("cut short") << good.left(good.lastIndexOf("4,900")) << 12;
        QTest::newRow("cut inside a line") << good.left(good.size() - 4) << 12;
        QTest::newRow("wrong column count") << QByteArray(good).replace("2,1200,21,50", "2,1200,21") << 10;
        QTest::newRow("not a number") << QByteArray(good).replace("1100", "1l00") << 11;
        QTest::newRow("more lines than data") << good + "5,5,5,5\r\n" << 13;
        QTest::newRow("count too large") << QByteArray(good).replace("Data,4", "Data,70000") << 3;
        QTest::newRow("unknown unit") << QByteArray(good).replace("Degrees", "Kelvin") << 8;
        QTest::newRow("columns of another mode") << QByteArray(good).replace("NORMAL", "%OA(CO2)") << 7;
    }
    // The error names the line.
    void malformed()
    {
        QFETCH(QByteArray, bytes);
        const auto r = csvimport::readDataFile(bytes);
        QVERIFY(std::holds_alternative<csvimport::ImportError>(r));
        QTEST(std::get<csvimport::ImportError>(r).line, "line");
    }

    // 100 MB of data lines after a header for three: refused at the fourth, without reading on.
    void hugeFile()
    {
        TestProgramFolder folder;
        {
            QFile f(folder.filePath("huge.csv"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(kSurvey).replace("Data,4", "Data,3"));
            const QByteArray block = QByteArray("1,800,20,45\r\n").repeated(80000);
            while (f.size() < 100'000'000)
                f.write(block);
        }
        QElapsedTimer t;
        t.start();
        const auto r = csvimport::readDataFile(folder.filePath("huge.csv"));
        QCOMPARE(std::get<csvimport::ImportError>(r).line, 12);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    }

    // An opened file is shown whole: chart from its first sample, times growing across midnight,
    // nothing unsaved. A file that does not fit is refused naming its line; the held data stay.
    // The chart then goes out as PNG (twice the pixels, not blank) and SVG (well-formed).
    void openShowExport()
    {
        Window win;
        win.folder.writeFile("bad.csv", QByteArray(kSurvey).replace("1100", "1l00"));
        win.prompts.queueSaveName(win.folder.filePath("survey.csv"));
        win.w.MenuOpen->trigger();
        QVERIFY(!win.w.openDataFile(win.folder.filePath("bad.csv")));
        QCOMPARE(win.prompts.texts(), QStringList{LoadResString(202).arg(11)});
        win.prompts.messages.clear();
        QVERIFY(win.w.samples().count() == 4 && !win.w.samples().unsaved());
        QCOMPARE(qRound(win.w.samples().data().times[3] * 86400), 86410);
        QCOMPARE(win.w.chart->pointCount(0), 4);
        QCOMPARE(qRound(win.w.chart->timeMin() * 86400), 86380);
        QVERIFY(win.w.recentFileActions.at(0)->isVisible() &&
                win.w.recentFileActions.at(0)->data().toString().endsWith("survey.csv"));
        QVERIFY(!win.w.chart->guidelineLinesShown());
        win.w.MenuGuidelines->trigger();
        QVERIFY(win.w.chart->guidelineLinesShown());

        win.prompts.queueSaveName(win.folder.filePath("chart.png"));
        win.w.MenuExportChart->trigger();
        const QImage png(win.folder.filePath("chart.png"));
        QCOMPARE(png.size(), win.w.chart->size() * 2);
        QSet<QRgb> colours;
        for (int y = 0; y < png.height(); y += 7)
            for (int x = 0; x < png.width(); x += 7)
                colours << png.pixel(x, y);
        QVERIFY(colours.size() > 5);
        win.prompts.queueSaveName(win.folder.filePath("chart.svg"));
        win.w.MenuExportChart->trigger();
        QXmlStreamReader xml(readTestFile(win.folder.filePath("chart.svg")));
        int elements = 0;
        while (!xml.atEnd())
            elements += xml.readNext() == QXmlStreamReader::StartElement;
        QVERIFY2(!xml.hasError() && elements > 20, qPrintable(xml.errorString()));
        QVERIFY(win.prompts.messages.isEmpty());
    }

    void report_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::newRow("English") << QByteArray("en_US.UTF-8");
        QTest::newRow("Japanese") << QByteArray("ja_JP.UTF-8");
    }
    // The report's text holds the figures of the known survey in the program's language.
    void report()
    {
        QFETCH(QByteArray, locale);
        Window win(locale);
        QVERIFY(win.w.openDataFile(win.folder.filePath("survey.csv")));
        win.prompts.queueSaveName(win.folder.filePath("report.pdf"));
        win.w.MenuReport->trigger();
        FrmReport *dialog = shown<FrmReport>();
        QVERIFY(dialog);
        dialog->writeButton->click();
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", win.folder.filePath("report.pdf"), "-"});
        QVERIFY(pdftotext.waitForFinished(20000));
        // NFKC: the CJK font maps some ideographs to their radical forms.
        const QString text =
            QString::fromUtf8(pdftotext.readAllStandardOutput()).normalized(QString::NormalizationForm_KC).simplified();
        // CO2 mean 1000, above 1000 ppm half the time; humidity below 40 %RH a quarter of it.
        const QStringList figures = {LoadResString(205), LoadResString(215), LoadResString(217), "2026/11/30",
                                     "23:59:40 - 00:00:10", "1008", "1000.00", "50.0 %", "25.0 %", "0.0 %", "2.50",
                                     "1200"};
        for (const QString &expected : figures)
            QVERIFY2(text.contains(expected), qPrintable(expected + " in: " + text));
    }

    // While a run or a transfer holds the meter, each entry refuses with its message.
    void refusedWhileBusy()
    {
        Window win;
        win.w.link().markBusy(true);
        win.prompts.queueSaveName(win.folder.filePath("survey.csv"));
        win.w.MenuOpen_Click();
        win.w.MenuExportChart_Click();
        win.w.MenuReport_Click();
        win.w.MenuGuidelines->trigger();
        QCOMPARE(win.prompts.texts(), QStringList(4, LoadResString(203)));
        QVERIFY(win.prompts.saveRequests.isEmpty() && win.w.samples().count() == 0);
        QVERIFY(!win.w.MenuGuidelines->isChecked());
        QVERIFY(!win.w.writeReport(win.folder.filePath("r.pdf"), {}) && !QFile::exists(win.folder.filePath("r.pdf")));
    }
};

QTEST_MAIN(TestCsv)
#include "test_csv.moc"
