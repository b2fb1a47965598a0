// The rules of a live run without a window, per language: header line breaks, the temperature unit,
// sampling intervals; the table's times; and the chart on its own: window, panning, thinning, CO scale, zoom.
#include <QLineSeries>
#include <QtTest>

#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "measure/LiveChart.h"
#include "measure/LiveTable.h"
#include "support/TestEnv.h"

constexpr double kSecond = 1 / 86400.0;
const QString kDebugUnit = QString(QChar(0xFF9F)) + QLatin1Char('C');  // debug mode's fixed unit

// A shown chart, 800 by 300, reset for a run whose first sample comes at t1.
static std::unique_ptr<LiveChart> chartFor(double t1)
{
    auto chart = std::make_unique<LiveChart>();
    chart->resize(800, 300);
    chart->show();
    chart->resetForRun();
    chart->setFirstSampleWindow(t1);
    return chart;
}

class TestLiveRules : public QObject {
    Q_OBJECT
private slots:
    void perLanguage_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QList<int>>("broken");  // header columns with a line break
        QTest::newRow("English system") << QByteArray("en_US.UTF-8") << 0 << QList<int>{6, 7, 9};
        QTest::newRow("German system") << QByteArray("de_DE.UTF-8") << 0 << QList<int>{6, 7, 9};
        QTest::newRow("Japanese system, Japanese") << QByteArray("ja_JP.UTF-8") << 0 << QList<int>{4, 9};
        QTest::newRow("Chinese system, Chinese") << QByteArray("zh_CN.UTF-8") << 0 << QList<int>{8, 9};
        QTest::newRow("Japanese system, English") << QByteArray("ja_JP.UTF-8") << 1 << QList<int>{4, 6, 7, 9};
        QTest::newRow("Chinese system, English") << QByteArray("zh_CN.UTF-8") << 1 << QList<int>{4, 6, 7, 8, 9};
        QTest::newRow("English system, English") << QByteArray("en_US.UTF-8") << 1 << QList<int>{4, 6, 7, 9};
    }

    void perLanguage()
    {
        QFETCH(QByteArray, locale);
        QFETCH(int, choice);
        TestProgramFolder folder(locale);
        setLanguageState(locale, qint16(choice));
        SampleData data;
        data.unit(Quantity::Temperature) = codepage::fromMeter("\xDF" "C");
        const QStringList headers = live::tableHeaders(data);
        QList<int> broken;
        for (int c = 1; c <= headers.size(); ++c)
            if (headers.at(c - 1).contains(QLatin1Char('\n')))
                broken << c;
        QTEST(broken, "broken");
        data.unit(Quantity::Temperature) = codepage::fromMeter("\xDF" "F");  // the temperature headers name the unit
        QVERIFY(live::tableHeaders(data).at(3) != headers.at(3) && live::tableHeaders(data).at(1) == headers.at(1));

        // The meter's "°C" in this language's code page (in Chinese one character) reads as Celsius; on a
        // Chinese system only that character, so debug mode's unit is no Celsius there.
        auto celsius = [](const QString &unit) { return live::isCelsius(unit, i18n::language().systemLanguage); };
        QVERIFY(celsius(codepage::fromMeter("\xDF" "C")));
        QCOMPARE(celsius(kDebugUnit), i18n::language().systemLanguage != "Chinese");
        QVERIFY(!celsius(codepage::fromMeter("\xDF" "F")) && !celsius("C") && !celsius(""));

        // The sampling-time texts of the language: request interval, reply wait, label step.
        const auto one = live::intervalsForSampleTime(LoadResString(126));
        const auto ten = live::intervalsForSampleTime(LoadResString(129));
        QVERIFY(one && one->requestMs == 1000 && one->replyMs == 100 && one->labelStepSec == 1);
        QVERIFY(ten && ten->requestMs == 10000 && ten->replyMs == 500 && ten->labelStepSec == 10);
        QVERIFY(!live::intervalsForSampleTime(QStringLiteral("3sec")));
    }

    void timeText_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<QString>("text");
        QTest::newRow("one second before midnight") << 86399 * kSecond << "23:59:59";
        QTest::newRow("rounded to the millisecond") << 3661.9996 * kSecond << "01:01:02";
        QTest::newRow("after midnight of a long run") << 1.0 + 60 * kSecond << "00:01:00";
    }

    void timeText()
    {
        QFETCH(double, fraction);
        QTEST(live::timeText(fraction), "text");
    }

    void chartWindowPanAndThinning()
    {
        const double t1 = 0.5, width = 51840;  // noon; the window in ms
        const int n = 3000;
        auto chart = chartFor(t1);
        for (int i = 0; i < n; ++i) {
            if (i)
                chart->keepWindowWidth();
            chart->AddChartPoint(0, t1 + i * kSecond, i % 100 == 50 ? 900 : 400);
        }
        // The run's window starts at the first sample; the line holds the window, a margin and one beyond.
        QVERIFY(chart->ChartStartTime() == t1 && chart->timeMin() == t1 && chart->pointCount(0) == n);
        QVERIFY(qRound((chart->timeMax() - t1) * 86400000.0) == width && chart->shownPointCount(0) < 70);
        chart->panBy(10 * kSecond);  // no panning during a run
        QCOMPARE(chart->timeMin(), t1);

        // After the run: panned to the end, the last 40 samples, the 13-second margin before them and one more.
        chart->setPanningEnabled(true);
        chart->panBy((n - 40) * kSecond);
        QCOMPARE(qRound((chart->timeMin() - t1) * 86400.0), n - 40);
        QVERIFY(chart->shownPointCount(0) >= 41 && chart->shownPointCount(0) <= 56);
        const QLineSeries *line = chart->lineSeries(0);
        QCOMPARE(line->at(line->count() - 1).x(), double(chart->toMs(t1 + (n - 1) * kSecond)));
        // The whole run in view: about two points per pixel column, the peaks kept.
        chart->setTimeRange(t1, t1 + n * kSecond);
        QVERIFY(chart->shownPointCount(0) <= 2 * qMax(50, int(chart->chart()->plotArea().width())) + 4);
        const QList<QPointF> points = line->points();
        QCOMPARE(std::ranges::max(points, {}, &QPointF::y).y(), 900.0);
        // Panning left or a drag to the right stops at the first sample.
        chart->setTimeRange(t1 + 100 * kSecond, t1 + 100 * kSecond + LiveChart::ChartWindow);
        chart->panBy(-500 * kSecond);
        QVERIFY(chart->timeMin() == t1 && qRound((chart->timeMax() - t1) * 86400000.0) == width);
        QTest::mousePress(chart->viewport(), Qt::LeftButton, {}, QPoint(300, 150));
        QTest::mouseMove(chart->viewport(), QPoint(700, 150));
        QTest::mouseRelease(chart->viewport(), Qt::LeftButton, {}, QPoint(700, 150));
        QCOMPARE(chart->timeMin(), t1);

        // A re-sent request moves a sample's time past the next one's: the line stays in time order.
        chart = chartFor(0.3);
        for (const auto &[t, y] : {std::pair{0.3, 1.0}, {0.3 + 5 * kSecond, 3.0}, {0.3 + 2 * kSecond, 2.0}})
            chart->AddChartPoint(0, t, y);
        QVERIFY(chart->pointCount(0) == 3 && chart->pointY(0, 1) == 2.0);
        line = chart->lineSeries(0);
        QVERIFY(line->count() == 3 && line->at(0).x() < line->at(1).x() && line->at(1).x() < line->at(2).x());
    }

    void chartScalesAndZoom()
    {
        auto chart = chartFor(0.25);
        // The extra CO scale reads the ppm axis (0..5500) divided by the CO factor: 10 (S flag 1), or 100 with flag 0.
        QVERIFY(chart->leftMin() == 0 && chart->leftMax() == 5500 && chart->coFactor() == 10 &&
                chart->coScaleMax() == 550);
        chart->setCoScaleFlag(0);
        QVERIFY(chart->coFactor() == 100 && chart->coScaleMax() == 55);
        chart->grab();  // drawn left of the plot on every redraw
        QVERIFY(chart->coScaleX() > 0 && chart->coScaleX() < chart->chart()->plotArea().left() - 30);

        // A rubber band zooms; switching zoom off restores the view; zooming out stops at the first sample.
        chart->setPanningEnabled(true);
        chart->setZoomEnabled(true);
        const QRectF plot = chart->chart()->plotArea();
        const qreal dx = plot.width() / 4, dy = plot.height() / 4;
        chart->chart()->zoomIn(plot.adjusted(dx, dy, -dx, -dy));
        QVERIFY(chart->leftMax() < 5500 && chart->coScaleMax() < 55);
        chart->setZoomEnabled(false);
        QVERIFY(chart->leftMax() == 5500 && chart->timeMin() == 0.25);
        chart->setZoomEnabled(true);
        chart->chart()->zoomOut();
        QTRY_COMPARE(chart->timeMin(), 0.25);

        // Time labels at whole multiples of the label step, as many as fit without overlapping; a window
        // holding no whole minute is labelled in the largest whole seconds that fit.
        chart = chartFor(0.5 + 6.4 * kSecond);
        const QStringList labels = chart->timeLabels();
        QVERIFY(labels.size() >= 3 && labels.first() == "12:00:10");
        QVERIFY(std::ranges::all_of(labels, [](const QString &l) { return l.right(2).toInt() % 5 == 0; }));
        chart->setTimeLabelStep(60);
        QCOMPARE(chart->timeLabels(), QStringList{"12:00:30"});
        // A run of one sample shows its point; a line of two needs none.
        chart->AddChartPoint(0, 0.5 + 7 * kSecond, 400);
        QVERIFY(chart->lineSeries(0)->pointsVisible());
        chart->AddChartPoint(0, 0.5 + 8 * kSecond, 410);
        QVERIFY(!chart->lineSeries(0)->pointsVisible());
    }
};

QTEST_MAIN(TestLiveRules)
#include "test_live_rules.moc"
