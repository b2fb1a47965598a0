// The rules of a live run without a window: intervals, the temperature unit, the table's header and
// rows, the made-up debug readings; and the chart on its own: scales, window, panning, thinning.
#include <QLineSeries>
#include <QRegularExpression>
#include <QtTest>

#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "measure/LiveChart.h"
#include "measure/LiveTable.h"
#include "startup/Variable.h"
#include "support/TestEnv.h"

class TestLiveRules : public QObject {
    Q_OBJECT
private slots:
    void intervals_data();
    void intervals();
    void celsius_data();
    void celsius();
    void headerBreaks_data();
    void headerBreaks();
    void headerTextsEnglish();
    void rowsByMode();
    void timeText_data();
    void timeText();
    void debugLine();
    void chartAtLoad();
    void chartRunWindowAndPan();
    void chartScalesAndZoom();
    void chartKeepsLinesSmall();
    void chartResentSampleKeepsOrder();
};

void TestLiveRules::intervals_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("textId");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("step");
    QTest::newRow("1sec") << QByteArray("en_US.UTF-8") << 126 << 1000 << 100 << 1;
    QTest::newRow("2sec") << QByteArray("en_US.UTF-8") << 127 << 2000 << 500 << 1;
    QTest::newRow("5sec") << QByteArray("en_US.UTF-8") << 128 << 5000 << 500 << 5;
    QTest::newRow("10sec") << QByteArray("en_US.UTF-8") << 129 << 10000 << 500 << 10;
    QTest::newRow("30sec") << QByteArray("en_US.UTF-8") << 130 << 30000 << 500 << 30;
    QTest::newRow("60sec") << QByteArray("en_US.UTF-8") << 174 << 60000 << 500 << 60;
    QTest::newRow("Japanese 10sec") << QByteArray("ja_JP.UTF-8") << 129 << 10000 << 500 << 10;
    QTest::newRow("no match") << QByteArray("en_US.UTF-8") << 0 << 0 << 0 << 0;
}

void TestLiveRules::intervals()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, textId);
    QFETCH(int, request);
    QFETCH(int, reply);
    QFETCH(int, step);
    TestProgramFolder folder(locale);
    setLanguageState(locale, 0);
    const auto iv = live::intervalsForSampleTime(textId ? LoadResString(textId) : QStringLiteral("3sec"));
    QCOMPARE(iv.has_value(), textId != 0);
    if (iv) {
        QCOMPARE(iv->requestMs, request);
        QCOMPARE(iv->replyMs, reply);
        QCOMPARE(iv->labelStepSec, step);
    }
}

void TestLiveRules::celsius_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("meterBytes");
    QTest::addColumn<bool>("celsius");
    QTest::newRow("English DF C") << QByteArray("en_US.UTF-8") << QByteArray("\xDF" "C") << true;
    QTest::newRow("Japanese DF C") << QByteArray("ja_JP.UTF-8") << QByteArray("\xDF" "C") << true;
    QTest::newRow("Chinese DF43 one character") << QByteArray("zh_CN.UTF-8") << QByteArray("\xDF" "C") << true;
    QTest::newRow("English DF F") << QByteArray("en_US.UTF-8") << QByteArray("\xDF" "F") << false;
    QTest::newRow("Chinese DF F") << QByteArray("zh_CN.UTF-8") << QByteArray("\xDF" "F") << false;
    QTest::newRow("one character") << QByteArray("en_US.UTF-8") << QByteArray("C") << false;
    QTest::newRow("empty") << QByteArray("en_US.UTF-8") << QByteArray() << false;
}

void TestLiveRules::celsius()
{
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, meterBytes);
    QFETCH(bool, celsius);
    TestProgramFolder folder(locale);
    setLanguageState(locale, 0);
    const QString unit = codepage::fromMeter(meterBytes);
    QCOMPARE(live::isCelsius(unit, Variable::SystemLanguage), celsius);
    // Debug mode's fixed unit reads as Celsius everywhere.
    QVERIFY(live::isCelsius(QString(QChar(0xFF9F)) + QLatin1Char('C'), Variable::SystemLanguage));
}

void TestLiveRules::headerBreaks_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QList<int>>("broken");  // columns with a line break
    QTest::newRow("English system") << QByteArray("en_US.UTF-8") << 0 << QList<int>{6, 7, 9};
    QTest::newRow("German system") << QByteArray("de_DE.UTF-8") << 0 << QList<int>{6, 7, 9};
    QTest::newRow("Japanese system, Japanese") << QByteArray("ja_JP.UTF-8") << 0 << QList<int>{4, 9};
    QTest::newRow("Chinese system, Chinese") << QByteArray("zh_CN.UTF-8") << 0 << QList<int>{8, 9};
    QTest::newRow("Japanese system, English") << QByteArray("ja_JP.UTF-8") << 1 << QList<int>{4, 6, 7, 9};
    QTest::newRow("Chinese system, English") << QByteArray("zh_CN.UTF-8") << 1 << QList<int>{4, 6, 7, 8, 9};
    QTest::newRow("English system, English") << QByteArray("en_US.UTF-8") << 1 << QList<int>{4, 6, 7, 9};
}

void TestLiveRules::headerBreaks()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, choice);
    QFETCH(QList<int>, broken);
    TestProgramFolder folder(locale);
    setLanguageState(locale, qint16(choice));
    Variable::UnitTemp = QString(QChar(0xFF9F)) + QLatin1Char('C');
    const QStringList headers = live::tableHeaders();
    QCOMPARE(headers.size(), 9);
    QList<int> found;
    for (int c = 1; c <= 9; ++c)
        if (headers.at(c - 1).contains(QLatin1Char('\n')))
            found << c;
    QCOMPARE(found, broken);
}

void TestLiveRules::headerTextsEnglish()
{
    TestProgramFolder folder("en_US.UTF-8");
    setLanguageState("en_US.UTF-8", 1);
    Variable::UnitCO = QStringLiteral("ppm");
    Variable::UnitCO2 = QStringLiteral("ppm");
    Variable::UnitTemp = codepage::fromMeter("\xDF" "F");
    Variable::UnitHum = QStringLiteral("%RH");
    Variable::UnitAbsHum = QStringLiteral("g/m3");
    Variable::UnitHumRatio = QStringLiteral("g/kg");
    const QStringList expected = {
        QStringLiteral("Time"),
        QStringLiteral("CO[ppm]"),
        QStringLiteral("CO2[ppm]"),
        QStringLiteral("Temperature\n[Degrees Fahrenheit]"),
        QStringLiteral("Relative Humidity[%RH]"),
        QStringLiteral("Dew-point temperature\n[Degrees Fahrenheit]"),
        QStringLiteral("Wet-bulb temperature\n[Degrees Fahrenheit]"),
        QStringLiteral("Absolute humidity[g/m3]"),
        QStringLiteral("Humidity ratio\n[g/kg]"),
    };
    QCOMPARE(live::tableHeaders(), expected);
    Variable::UnitTemp = codepage::fromMeter("\xDF" "C");
    QCOMPARE(live::tableHeaders().at(3), QStringLiteral("Temperature\n[Degrees]"));
}

void TestLiveRules::rowsByMode()
{
    TestProgramFolder folder;
    Variable::resizeLiveSeries(2);
    Variable::SampleTimes = {0, (13 * 3600 + 4 * 60 + 5) / 86400.0, 0};
    Variable::COData[1] = 12.5;
    Variable::CO2Data[1] = 450;
    Variable::TempData[1] = -3.25;
    Variable::HumData[1] = 41;
    Variable::DewPointData[1] = 1.5;
    Variable::WetBulbData[1] = 2;
    Variable::AbsHumData[1] = 0.75;
    Variable::HumRatioData[1] = 8;
    QCOMPARE(live::tableRow(1, false),
             (QStringList{"13:04:05", "12.5", "450", "-3.25", "41", "", "", "", ""}));
    QCOMPARE(live::tableRow(1, true),
             (QStringList{"13:04:05", "12.5", "450", "-3.25", "41", "1.5", "2", "0.75", "8"}));
}

void TestLiveRules::timeText_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << 0.0 << "00:00:00";
    QTest::newRow("noon") << 0.5 << "12:00:00";
    QTest::newRow("one second before midnight") << (86399.0 / 86400.0) << "23:59:59";
    QTest::newRow("rounded to the millisecond") << (3661.9996 / 86400.0) << "01:01:02";
    QTest::newRow("after midnight of a long run") << (1.0 + 60.0 / 86400.0) << "00:01:00";
}

void TestLiveRules::timeText()
{
    QFETCH(double, fraction);
    QFETCH(QString, text);
    QCOMPARE(live::timeText(fraction), text);
}

void TestLiveRules::debugLine()
{
    std::mt19937 rng(7);
    static const QRegularExpression number(QStringLiteral("^ \\d+$"));
    for (bool detailed : {false, true}) {
        static const int standardLimits[] = {550, 3000, 100, 50, 30};
        static const int detailedLimits[] = {550, 3000, 100, 50, 30, 100, 10, 30, 50, 30};
        for (int round = 0; round < 200; ++round) {
            const QList<QByteArray> fields = live::debugDataLine(detailed, rng).split(';');
            QCOMPARE(fields.size(), detailed ? 10 : 5);
            for (int k = 0; k < fields.size(); ++k) {
                QVERIFY2(number.match(QString::fromLatin1(fields[k])).hasMatch(), fields[k].constData());
                QVERIFY(fields[k].trimmed().toInt() < (detailed ? detailedLimits[k] : standardLimits[k]));
            }
        }
    }
}

// ---- the chart ----

void TestLiveRules::chartAtLoad()
{
    TestProgramFolder folder;
    LiveChart chart;
    chart.resize(800, 300);
    chart.configureAtLoad();
    QCOMPARE(chart.leftMin(), 0.0);
    QCOMPARE(chart.leftMax(), 5500.0);
    QCOMPARE(chart.leftAxisTitle(), QStringLiteral("[ppm]"));
    QCOMPARE(chart.rightMin(), -20.00001);
    QCOMPARE(chart.rightMax(), 100.0);
    const double now = live::timeOfDayNow();
    QVERIFY(qAbs(chart.timeMin() - now) < 5 / 86400.0);
    QCOMPARE(qRound((chart.timeMax() - chart.timeMin()) * 86400000.0), qRound(0.00012 * 86400000.0));
    QVERIFY(chart.panningEnabled());
    QVERIFY(!chart.zoomEnabled());
    for (int s = 0; s < 4; ++s)
        QCOMPARE(chart.pointCount(s), 0);
    // The extra CO scale reads 0..550 against the ppm axis with the default factor 10.
    QCOMPARE(chart.coScaleMin(), 0.0);
    QCOMPARE(chart.coScaleMax(), 550.0);
}

void TestLiveRules::chartRunWindowAndPan()
{
    TestProgramFolder folder;
    LiveChart chart;
    chart.resize(800, 300);
    chart.show();
    chart.resetForRun();
    QVERIFY(!chart.panningEnabled());
    const double t1 = 0.5;  // noon
    const double second = 1 / 86400.0;
    chart.setFirstSampleWindow(t1);
    chart.AddChartPoint(0, t1, 400);
    for (int i = 1; i < 120; ++i) {
        chart.keepWindowWidth();
        chart.AddChartPoint(0, t1 + i * second, 400 + i);
    }
    QCOMPARE(chart.ChartStartTime(), t1);
    QCOMPARE(chart.timeMin(), t1);
    QCOMPARE(qRound((chart.timeMax() - t1) * 86400000.0), 51840);
    QCOMPARE(chart.pointCount(0), 120);
    // The line holds the window and a margin only: about 52 + 13 points and one beyond.
    QVERIFY2(chart.shownPointCount(0) < 70, qPrintable(QString::number(chart.shownPointCount(0))));
    // No panning during a run.
    chart.panBy(10 * second);
    QCOMPARE(chart.timeMin(), t1);

    // After the run: panning right shows the rest; panning left stops at the first sample.
    chart.setPanningEnabled(true);
    chart.panBy(100 * second);
    QCOMPARE(qRound((chart.timeMin() - t1) * 86400.0), 100);
    QApplication::processEvents();
    QLineSeries *line = chart.lineSeries(0);
    QCOMPARE(line->at(line->count() - 1).y(), 400.0 + 119);
    chart.panBy(-500 * second);
    QCOMPARE(chart.timeMin(), t1);
    QCOMPARE(qRound((chart.timeMax() - t1) * 86400000.0), 51840);
    // Arrow keys pan as well.
    QTest::keyClick(&chart, Qt::Key_Right);
    QVERIFY(chart.timeMin() > t1);
    // A drag to the right moves the view towards earlier times, never before the first sample.
    QTest::mousePress(chart.viewport(), Qt::LeftButton, {}, QPoint(300, 150));
    QTest::mouseMove(chart.viewport(), QPoint(700, 150));
    QTest::mouseRelease(chart.viewport(), Qt::LeftButton, {}, QPoint(700, 150));
    QCOMPARE(chart.timeMin(), t1);
}

void TestLiveRules::chartScalesAndZoom()
{
    TestProgramFolder folder;
    LiveChart chart;
    chart.resize(800, 300);
    chart.show();
    chart.setTemperatureScale(true, QStringLiteral("C title"));
    QCOMPARE(chart.rightMin(), -20.0001);
    QCOMPARE(chart.rightMax(), 100.0);
    QCOMPARE(chart.rightAxisTitle(), QStringLiteral("C title"));
    chart.setTemperatureScale(false, QStringLiteral("F title"));
    QCOMPARE(chart.rightMin(), -10.0001);
    QCOMPARE(chart.rightMax(), 180.0);
    chart.setCoScaleFlag(0);
    QCOMPARE(chart.coFactor(), 100);
    QCOMPARE(chart.coScaleMax(), 55.0);
    chart.setCoScaleFlag(3);
    QCOMPARE(chart.coFactor(), 10);
    // The extra scale is drawn left of the plot on every redraw.
    chart.setCoScaleFlag(0);
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.grab();
    QVERIFY(chart.coScaleX() > 0);
    QVERIFY(chart.coScaleX() < chart.chart()->plotArea().left() - 30);

    // Zoom: a rubber band zooms, switching zoom off restores the view first.
    chart.resetForRun();
    chart.setFirstSampleWindow(0.25);
    chart.setPanningEnabled(true);
    chart.setZoomEnabled(true);
    const QRectF plot = chart.chart()->plotArea();
    chart.chart()->zoomIn(QRectF(plot.left() + plot.width() / 4, plot.top() + plot.height() / 4, plot.width() / 2,
                                 plot.height() / 2));
    QVERIFY(chart.leftMax() < 5500);
    QVERIFY(chart.coScaleMax() < 55.0);
    chart.setZoomEnabled(false);
    QCOMPARE(chart.leftMax(), 5500.0);
    QCOMPARE(chart.timeMin(), 0.25);
    // Zooming out past the first sample snaps back to it.
    chart.setZoomEnabled(true);
    chart.chart()->zoomOut();
    QTRY_COMPARE(chart.timeMin(), 0.25);
}

void TestLiveRules::chartKeepsLinesSmall()
{
    TestProgramFolder folder;
    LiveChart chart;
    chart.resize(800, 300);
    chart.show();
    chart.resetForRun();
    const double t1 = 0.1, second = 1 / 86400.0;
    const int n = 65500;
    chart.setFirstSampleWindow(t1);
    for (int i = 0; i < n; ++i) {
        if (i)
            chart.keepWindowWidth();
        chart.AddChartPoint(3, t1 + i * second, (i % 100 == 50) ? 90 : 40);
    }
    QCOMPARE(chart.pointCount(3), n);
    QVERIFY(chart.shownPointCount(3) < 80);
    // The whole run in view: about two points per pixel column, the peaks kept.
    chart.setPanningEnabled(true);
    chart.setTimeRange(t1, t1 + n * second);
    const int columns = qMax(50, int(chart.chart()->plotArea().width()));
    QVERIFY(chart.shownPointCount(3) <= 2 * columns + 4);
    QLineSeries *line = chart.lineSeries(3);
    double top = 0;
    for (int i = 0; i < line->count(); ++i)
        top = qMax(top, line->at(i).y());
    QCOMPARE(top, 90.0);
    // Panned to the end, every sample of the view is there.
    chart.setTimeRange(t1 + (n - 40) * second, t1 + (n - 40) * second + LiveChart::ChartWindow);
    // The last 40 samples, the 13-second margin before them and one point more.
    QVERIFY(chart.shownPointCount(3) >= 41 && chart.shownPointCount(3) <= 56);
    QCOMPARE(line->at(line->count() - 1).x(), double(chart.toMs(t1 + (n - 1) * second)));
}

void TestLiveRules::chartResentSampleKeepsOrder()
{
    TestProgramFolder folder;
    LiveChart chart;
    chart.resize(800, 300);
    chart.resetForRun();
    const double second = 1 / 86400.0;
    chart.setFirstSampleWindow(0.3);
    chart.AddChartPoint(0, 0.3, 1);
    chart.AddChartPoint(0, 0.3 + 5 * second, 3);  // a re-sent request moved this sample's time
    chart.AddChartPoint(0, 0.3 + 2 * second, 2);
    QCOMPARE(chart.pointCount(0), 3);
    QCOMPARE(chart.pointY(0, 1), 2.0);
    QLineSeries *line = chart.lineSeries(0);
    QCOMPARE(line->count(), 3);
    QVERIFY(line->at(0).x() < line->at(1).x() && line->at(1).x() < line->at(2).x());
}

QTEST_MAIN(TestLiveRules)
#include "test_live_rules.moc"
