// Live runs: the rules per language, the table's times and the chart on their own; then runs through the real
// main window against the simulated meter on a pty and in debug mode, and the run as a model.
#include <QAction>
#include <QLineSeries>
#include <QPushButton>
#include <QtTest>

#include "datafiles/NumberText.h"
#include "datafiles/RunJournal.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "measure/LiveChart.h"
#include "measure/LiveRun.h"
#include "measure/LiveTable.h"
#include "measure/Samples.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"

using namespace metersim;
using K = FaultKind;

Q_DECLARE_METATYPE(FaultKind)

namespace {

constexpr double kSecond = 1 / 86400.0;
const QString kDebugUnit = QString(QChar(0xFF9F)) + QLatin1Char('C');  // debug mode's fixed unit

// A shown chart, 800 by 300, reset for a run whose first sample comes at t1.
std::unique_ptr<LiveChart> chartFor(double t1)
{
    auto chart = std::make_unique<LiveChart>();
    chart->resize(800, 300);
    chart->show();
    chart->resetForRun();
    chart->setFirstSampleWindow(t1);
    return chart;
}

// Program folder, prompts, simulator (the program's line pointed at it) and main window as start-up makes it,
// set for a run: run or debug mode, Standard (0) or Detailed (1), samples a second apart, CO2/CO/temperature charted.
struct Bench {
    Bench(bool runMode, int mode, int samples, const QString &faultOn = "D", Fault fault = {})
        : sim([] { metersim::Config c; c.baud = 38400; c.coScaleFlag = 0; return c; }())
    {
        sim->setFault(faultOn.toStdString(), fault);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->Form_Load();
        w->show();
        SettingsRecord &s = w->settings();
        s = sim.settings(s);
        s.ProgMode = runMode;
        s.MeasureMode = qint16(mode);
        s.MeasureSampleValue = samples;
        s.MeasureSampleTime = LoadResString(126);  // 1sec
        s.CO2Graph = s.COGraph = s.TempGraph = 1;
        s.HumGraph = 0;
    }
    ~Bench() { delete w; }
    bool idle() const { return controls(true, 112) && w->startStopButton->isEnabled() &&
                               !w->live().requestTimer().isActive() && !w->live().running() && !w->link().isOpen(); }
    bool sampling() const { return controls(false, 156) && w->live().replyTimer().isActive(); }
    bool controls(bool on, int caption) const
    {
        return w->startStopButton->text() == LoadResString(caption) && w->transferButton->isEnabled() == on &&
               w->zoomButton->isEnabled() == on && w->MenuMeasurementSetting->isEnabled() == on &&
               w->MenuRS232C->isEnabled() == on && w->chart->panningEnabled() == on &&
               w->live().replyTimer().isActive() != on;
    }
    const SampleData &data() const { return w->samples().data(); }
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    SimFixture sim;
    QPointer<FrmMenu> w = new FrmMenu;
};

} // namespace

class TestLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetWaitScale(0.25); }  // shorter drains and reply waits; sampling stays 1 s

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

        // The sampling-time texts of the language.
        const auto one = live::intervalsForSampleTime(LoadResString(126));
        const auto ten = live::intervalsForSampleTime(LoadResString(129));
        QVERIFY(one && one->requestMs == 1000 && one->replyMs == 100 && one->labelStepSec == 1);
        QVERIFY(ten && ten->requestMs == 10000 && ten->replyMs == 500 && ten->labelStepSec == 10);
    }

    void timeText()
    {
        // One second before midnight; rounded to the millisecond; after midnight of a long run.
        QCOMPARE(QStringList({live::timeText(86399 * kSecond), live::timeText(3661.9996 * kSecond),
                              live::timeText(1.0 + 60 * kSecond)}), QStringList({"23:59:59", "01:01:02", "00:01:00"}));
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
        QVERIFY(chart->leftMin() == 0 && chart->leftMax() == 5500 && chart->coScaleMax() == 550);
        chart->setCoScaleFlag(0);
        QCOMPARE(chart->coScaleMax(), 55.0);
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

    void runAgainstMeter_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("faultOn");
        QTest::addColumn<FaultKind>("kind");
        QTest::addColumn<QString>("action");   // after two samples (of 500; else 3), or "close at start"
        QTest::addColumn<QString>("logName");  // the one RSErr.log entry and message, if any
        QTest::addColumn<bool>("sampled");     // the run got to sampling: DataPresent 1
        QTest::newRow("standard") << 0 << "D" << K::None << "" << "" << true;
        QTest::newRow("detailed") << 1 << "D" << K::None << "" << "" << true;
        QTest::newRow("user's stop") << 0 << "D" << K::None << "stop" << "" << true;
        QTest::newRow("device vanishes") << 1 << "D" << K::None << "vanish" << "D Command(Measure)" << true;
        QTest::newRow("window closed while sampling") << 0 << "D" << K::None << "close" << "" << true;
        QTest::newRow("window closed in the unit read") << 0 << "D" << K::None << "close at start" << "" << false;
        // Closed mid-run and saved when asked: the run counts as saved, its journal goes.
        QTest::newRow("window closed while sampling, then saved") << 0 << "D" << K::None << "close, save"
                                                                  << "" << true;
        // The run keeps the mode it started with: no made-up readings, N and the port closed at its end.
        QTest::newRow("service switch to Debug, then stop") << 1 << "D" << K::None << "debug, stop" << "" << true;
        // Stopped in the unit read: Start and Data transfer wait, disabled, until N has been sent.
        QTest::newRow("user's stop while starting") << 0 << "D" << K::None << "stop at start" << "" << true;
        // The first request goes unanswered: one more at the end for the sample still missing.
        QTest::newRow("missing reply") << 0 << "D" << K::Silence << "" << "" << true;
        QTest::newRow("U silent") << 0 << "U" << K::Silence << "" << "Unit Read(Measurment)" << false;
        QTest::newRow("S silent") << 0 << "S" << K::Silence << "" << "S Command" << false;
        QTest::newRow("G wrong ack") << 0 << "G" << K::WrongAck << "" << "G Command(Measure)" << false;
        QTest::newRow("F wrong ack") << 1 << "F" << K::WrongAck << "" << "F Command(Measure)" << false;
        QTest::newRow("D ack missing") << 0 << "D" << K::MissingAck << "" << "D Command(Measure)" << true;
        QTest::newRow("D without separators") << 0 << "D" << K::NoSeparators << "" << "D Command Data Read" << true;
        // A record cut short runs into the next reply; its numbers would be wrong.
        QTest::newRow("D cut short") << 0 << "D" << K::ShortRecord << "" << "D Command Data Read" << true;
    }

    void runAgainstMeter()
    {
        QFETCH(int, mode);
        QFETCH(QString, faultOn);
        QFETCH(FaultKind, kind);
        QFETCH(QString, action);
        QFETCH(QString, logName);
        QFETCH(bool, sampled);
        Bench b(true, mode, action.isEmpty() ? 3 : 500, faultOn, Fault{kind, 1});
        QVERIFY(b.sim.ok());
        if (action == "close, save") {
            b.prompts.queueAnswer(prompts::Answer::Yes);
            b.prompts.queueSaveName(b.folder.filePath(QStringLiteral("run.csv")));
        }
        bool waitedDisabled = false;
        if (action == "close at start")
            QTimer::singleShot(300, b.w, [w = b.w] { w->close(); });  // while the unit read drains the line
        if (action == "stop at start") {
            QTimer::singleShot(300, b.w, [&b, &waitedDisabled] {
                b.w->startStopButton->click();
                waitedDisabled = !b.w->startStopButton->isEnabled() && !b.w->transferButton->isEnabled() &&
                                 b.w->startStopButton->text() == LoadResString(112);
            });
        }
        b.w->startStopButton->click();  // returns once the start-up exchanges are done and the timers run
        QVERIFY(!sampled || action == "stop at start" || (b.sampling() && b.w->link().isOpen()));
        if (action == "stop at start") {
            QVERIFY(waitedDisabled);
            QTRY_VERIFY_WITH_TIMEOUT(b.idle(), 10000);
            // The stop lands in the drain before U or in U's waits (a loaded machine); the meter gets N twice.
            QTRY_COMPARE_WITH_TIMEOUT(b.sim.commands().count(QStringLiteral("N")), 2, 3000);
            const QStringList commands = b.sim.commands();
            QVERIFY2(commands == QStringList({"U", "N", "N"}) || commands == QStringList({"N", "N"}),
                     qPrintable(commands.join(' ')));
            return;
        }
        if (!action.isEmpty() && action != "close at start") {
            QTRY_VERIFY_WITH_TIMEOUT(b.w->samples().count() >= 2, 5000);
            if (action == "vanish") {
                b.sim->vanish();
            } else if (action.startsWith("close")) {
                b.w->close();
            } else {  // the user's stop: the buttons at once, the rest when the run has wound up
                if (action.startsWith("debug")) {
                    SettingsRecord debug = b.w->settings();
                    debug.ProgMode = false;
                    b.w->applySettings(debug);
                    QTest::qWait(1500);
                }
                b.w->startStopButton->click();
            }
            QVERIFY(!action.endsWith("stop") ||
                    (b.w->startStopButton->text() == LoadResString(112) && !b.w->transferButton->isEnabled() &&
                     !b.w->live().requestTimer().isActive() && !b.w->live().replyTimer().isActive() &&
                     b.w->live().stopRequested()));
        }
        if (action.startsWith("close")) {
            QTRY_VERIFY_WITH_TIMEOUT(b.w.isNull(), 5000);
            const size_t sent = b.sim->receivedCommands().size();  // nothing more goes to the meter
            QTest::qWait(1500);
            QCOMPARE(b.sim->receivedCommands().size(), sent);
            QVERIFY(!RunJournal::exists());  // saved, or let go on purpose (No)
            QVERIFY(!action.endsWith("save") || b.folder.readFile(QStringLiteral("run.csv")).startsWith("Date,"));
            // Closing the window asked every event loop to end; the next case needs them working again.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
            SetProgramEnding(false);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(b.idle(), 10000);
        // A complete run ends without N; a user's stop and a reply error while sampling send it.
        const QStringList commands = b.sim.commands();
        if (action.isEmpty() && logName.isEmpty())
            QCOMPARE(commands, QStringList({"U", "S", mode ? "F" : "G"}) +
                                   QStringList(kind == FaultKind::None ? 3 : 4, QStringLiteral("D0001")));
        QCOMPARE(commands.endsWith(QStringLiteral("N")),
                 action.endsWith("stop") || (sampled && !logName.isEmpty() && action.isEmpty()));
        QVERIFY(sampled || !commands.contains(QStringLiteral("D0001")));
        QCOMPARE(b.w->samples().present(), sampled);
        QCOMPARE(b.prompts.texts(), logName.isEmpty() ? QStringList() : QStringList{LoadResString(153)});
        const QByteArray log = b.folder.readFile(QStringLiteral("RSErr.log"));
        QVERIFY(logName.isEmpty() ? log.isEmpty() : log.startsWith("RS232C Error Log File\r\n"));
        QCOMPARE(log.count("," + logName.toLatin1() + ","), logName.isEmpty() ? 0 : 1);
        if (!sampled)
            return;
        QCOMPARE(b.data().atmosPressure, 1013);  // from S; the header from the units of U
        QCOMPARE(b.w->liveTable->text(0, 6), QStringLiteral("Dew-point temperature\n[Degrees]"));

        const std::vector<std::string> records = b.sim->liveRecords();
        const int taken = b.w->samples().count();
        QVERIFY(action.isEmpty() ? taken == (logName.isEmpty() ? 3 : 0) : taken >= 2);
        for (int i = 0; i < taken; ++i) {
            const QByteArray record = QByteArray::fromStdString(records[size_t(i)]);
            QCOMPARE(b.data().lines[i], record);
            // Samples, table and chart as the meter sent them, in order; Standard leaves the last four columns blank.
            const QList<QByteArray> fields = record.split(';');
            for (int k = 0; k < 8; ++k)
                QCOMPARE(b.w->liveTable->text(i + 1, k + 2),
                         k < fields.size() ? numtext::generalNumber(numtext::leadingNumber(fields[k])) : QString());
            QCOMPARE(b.w->liveTable->text(i + 1, 1), live::timeText(b.data().times[i]));
            // Later than the last sample; the one asked for again a sampling interval later still.
            QVERIFY(i == 0 || b.data().times[i] - b.data().times[i - 1] >
                                  (kind == FaultKind::Silence && i == 2 ? 1.5 / 86400 : 0));
            // CO2 as it is, CO times 100 (COScaleFlag 0), humidity switched off.
            QCOMPARE(b.w->chart->pointY(0, i), b.data().value(Quantity::CO2, i));
            QCOMPARE(b.w->chart->pointY(1, i), b.data().value(Quantity::CO, i) * 100);
            QCOMPARE(b.w->chart->pointY(2, i), b.data().value(Quantity::Temperature, i));
        }
        QVERIFY(b.w->chart->pointCount(3) == 0 && (!taken || b.w->chart->ChartStartTime() == b.data().times[0]));
    }

    void debugModeTableAndZoom()
    {
        Bench b(false, 0, 0);
        b.w->startStopButton->click();  // no samples: refused
        QCOMPARE(b.prompts.texts(), QStringList{LoadResString(152)});
        QCOMPARE(b.prompts.messages.first().icon, prompts::Icon::Critical);
        QVERIFY(b.idle() && !b.w->samples().present());

        // Two made-up Standard samples, nothing on the line.
        b.w->settings().MeasureSampleValue = 2;
        b.w->startStopButton->click();
        QVERIFY(b.sampling() && !b.w->link().isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(b.idle() && b.sim->receivedCommands().empty(), 6000);
        QCOMPARE(b.data().unit(Quantity::Temperature), kDebugUnit);  // the unit perLanguage's Celsius rule reads
        QCOMPARE(b.data().unit(Quantity::AbsHumidity) + b.data().unit(Quantity::HumidityRatio), "lb/ft3g/kg");
        QCOMPARE(b.w->chart->rightAxisTitle(), LoadResString(116));
        QVERIFY(b.w->samples().count() == 2 && b.w->samples().unsaved());
        for (int i = 0; i < 2; ++i) {
            // Five made-up numbers; the fourth field runs to the end, so the fifth is not read.
            const QList<QByteArray> fields = b.data().lines[i].split(';');
            QCOMPARE(fields.size(), 5);
            QCOMPARE(b.data().value(Quantity::Humidity, i), double(fields[3].trimmed().toInt()));
            QVERIFY(b.data().value(Quantity::CO, i) < 550 && b.data().value(Quantity::CO2, i) < 3000 &&
                    b.w->liveTable->text(i + 1, 6).isEmpty());
            QCOMPARE(b.w->chart->pointY(1, i), b.data().value(Quantity::CO, i) * 10);
        }

        // A Detailed run over unsaved data: Yes saves and does not start; No starts; a stop ends it.
        b.w->settings().MeasureMode = 1;
        b.w->settings().MeasureSampleValue = 100;
        b.prompts.queueAnswer(prompts::Answer::Yes);
        b.w->startStopButton->click();
        QVERIFY(b.prompts.texts().last() == LoadResString(192) && b.idle());
        QCOMPARE(b.prompts.messages.last().buttons, prompts::Buttons::YesNoOnly);
        b.prompts.queueAnswer(prompts::Answer::No);
        b.w->startStopButton->click();
        QVERIFY(b.prompts.messages.size() == 3 && b.sampling());
        QTRY_VERIFY_WITH_TIMEOUT(b.w->samples().count() >= 1, 5000);
        b.w->startStopButton->click();  // stop
        b.w->startStopButton->click();  // a click before the run has been wound up does not start another one
        QTRY_VERIFY_WITH_TIMEOUT(b.idle(), 3000);
        const int taken = b.w->samples().count();
        QTest::qWait(1200);
        QCOMPARE(b.w->samples().count(), taken);
        QCOMPARE(b.data().lines[taken - 1].split(';').size(), 10);
        QCOMPARE(b.w->liveTable->text(taken, 9),
                 numtext::generalNumber(b.data().value(Quantity::HumidityRatio, taken - 1)));
        QCOMPARE(b.prompts.messages.size(), 3);

        // The newest rows stay in view: the eighth sample puts row 2 at the top.
        QVERIFY(QTest::qWaitForWindowExposed(b.w));
        b.w->samples().beginRun(SampleData(), 20);
        QApplication::processEvents();  // the grid lays out the run's rows
        for (int i = 1; i <= 8; ++i)
            b.w->samples().append(0.4 + i / 86400.0, "   12.5;  450.0;   21.5;   40.0\r\n", {12.5, 450, 21.5, 40});
        QApplication::processEvents();
        QCOMPARE(b.w->liveTable->topRow(), 2);

        b.w->zoomButton->click();
        QVERIFY(b.w->zoomButton->text() == LoadResString(180) && b.w->chart->zoomEnabled() &&
                b.w->chart->rubberBand() == QChartView::RectangleRubberBand);
        b.w->zoomButton->click();
        QVERIFY(b.w->zoomButton->text() == LoadResString(179) && !b.w->chart->zoomEnabled());
    }

    void timersKeepTheLastIntervals()
    {
        // The run as a model, without a window: a sampling-time text that matches no entry keeps the
        // intervals set last, never what the request timer had left of its last slot.
        TestProgramFolder folder;
        SimFixture sim(metersim::Config{.baud = 115200});
        SerialLink link;
        Samples samples;
        LiveRun run(link, samples);
        SettingsRecord s = sim.settings();
        s.MeasureSampleValue = 2;
        for (const QString &time : {LoadResString(127), QStringLiteral("no such time")}) {
            s.MeasureSampleTime = time;
            sim->clearReceived();
            run.start(s);
            QTRY_VERIFY_WITH_TIMEOUT(!run.running(), 10000);
            const std::vector<metersim::Received> at = sim->received();
            QCOMPARE(sim.commands(), QStringList({"U", "S", "G", "D0001", "D0001"}));
            QVERIFY2(at[4].t - at[3].t > 1.9, qPrintable(QString::number(at[4].t - at[3].t)));
            QVERIFY(samples.count() == 2 && run.requestIntervalMs() == 2000);
        }
    }
};

QTEST_MAIN(TestLive)
#include "test_live.moc"
