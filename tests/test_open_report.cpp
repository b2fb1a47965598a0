// After a measurement: data files read back (round trip, malformed files), the chart as PNG and SVG,
// the survey report's figures as pdftotext reads them, refusal while the meter is in use.
#include <QtTest>
#include <QPushButton>
#include <QXmlStreamReader>

#include "datafiles/CsvExport.h"
#include "datafiles/CsvImport.h"
#include "dialogs/FrmReport.h"
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

class TestOpenReport : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(TestOpenReport)
#include "test_open_report.moc"
