// The CSV writers: whole files per layout, language and code set; header texts; failures keep the old file.
// Save As of the live run through the main window: every way in, cancel, failure, and the question on closing.
#include <QAction>
#include <QDate>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "datafiles/CsvExport.h"
#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "measure/Samples.h"
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
};

QTEST_MAIN(TestCsv)
#include "test_csv.moc"
