// Live runs through the real main window: against the simulated meter on a pty, and in debug mode.
#include <QAction>
#include <QPushButton>
#include <QtTest>

#include "datafiles/NumberText.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "measure/LiveChart.h"
#include "measure/LiveRun.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"

using namespace metersim;

Q_DECLARE_METATYPE(FaultKind)

namespace {

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
        SettingsRecord &s = Variable::Settings;
        s.ProgMode = runMode;
        s.MeasureMode = qint16(mode);
        s.MeasureSampleValue = samples;
        s.MeasureSampleTime = LoadResString(126);  // 1sec
        s.CO2Graph = s.COGraph = s.TempGraph = 1;
        s.HumGraph = 0;
    }
    ~Bench() { delete w; }
    // Idle: Start, the other buttons, the settings menus and chart panning usable; no timer, run or port.
    bool idle() const { return controls(true, 112) && w->Command1->isEnabled() && !w->Timer2->isActive() &&
                               !w->live()->running() && !w->MSComm1->isOpen(); }
    bool sampling() const { return controls(false, 156) && w->Timer3->isActive(); }
    bool controls(bool on, int caption) const
    {
        return w->Command1->text() == LoadResString(caption) && w->Command3->isEnabled() == on &&
               w->Command4->isEnabled() == on && w->MenuMeasurementSetting->isEnabled() == on &&
               w->MenuRS232C->isEnabled() == on && w->TChart1->panningEnabled() == on && w->Timer3->isActive() != on;
    }
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    SimFixture sim;
    QPointer<FrmMenu> w = new FrmMenu;
};

} // namespace

class TestLiveRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetWaitScale(0.25); }  // shorter drains and reply waits; sampling stays 1 s
    void runAgainstMeter_data();
    void runAgainstMeter();
    void debugModeTableAndZoom();
};

void TestLiveRun::runAgainstMeter_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("faultOn");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<QString>("action");   // after two samples (of 500; else 3), or "close at start"
    QTest::addColumn<QString>("logName");  // the one RSErr.log entry and message, if any
    QTest::addColumn<bool>("sampled");     // the run got to sampling: DataPresent 1
    QTest::newRow("standard") << 0 << "D" << FaultKind::None << "" << "" << true;
    QTest::newRow("detailed") << 1 << "D" << FaultKind::None << "" << "" << true;
    QTest::newRow("user's stop") << 0 << "D" << FaultKind::None << "stop" << "" << true;
    QTest::newRow("device vanishes") << 1 << "D" << FaultKind::None << "vanish" << "D Command(Measure)" << true;
    QTest::newRow("window closed while sampling") << 0 << "D" << FaultKind::None << "close" << "" << true;
    QTest::newRow("window closed in the unit read") << 0 << "D" << FaultKind::None << "close at start" << "" << false;
    // The first request goes unanswered: one more at the end for the sample still missing.
    QTest::newRow("missing reply") << 0 << "D" << FaultKind::Silence << "" << "" << true;
    QTest::newRow("U silent") << 0 << "U" << FaultKind::Silence << "" << "Unit Read(Measurment)" << false;
    QTest::newRow("S silent") << 0 << "S" << FaultKind::Silence << "" << "S Command" << false;
    QTest::newRow("G wrong ack") << 0 << "G" << FaultKind::WrongAck << "" << "G Command(Measure)" << false;
    QTest::newRow("F wrong ack") << 1 << "F" << FaultKind::WrongAck << "" << "F Command(Measure)" << false;
    QTest::newRow("D ack missing") << 0 << "D" << FaultKind::MissingAck << "" << "D Command(Measure)" << true;
    QTest::newRow("D without separators") << 0 << "D" << FaultKind::NoSeparators << "" << "D Command Data Read" << true;
    // A record cut short runs into the next reply; its numbers would be wrong.
    QTest::newRow("D cut short") << 0 << "D" << FaultKind::ShortRecord << "" << "D Command Data Read" << true;
}

void TestLiveRun::runAgainstMeter()
{
    QFETCH(int, mode);
    QFETCH(QString, faultOn);
    QFETCH(FaultKind, kind);
    QFETCH(QString, action);
    QFETCH(QString, logName);
    QFETCH(bool, sampled);
    Bench b(true, mode, action.isEmpty() ? 3 : 500, faultOn, Fault{kind, 1});
    QVERIFY(b.sim.ok());
    Variable::DataPresent = 0;
    if (action == "close at start")
        QTimer::singleShot(300, b.w, [w = b.w] { w->close(); });  // while the unit read drains the line
    b.w->Command1->click();  // returns once the start-up exchanges are done and the timers run
    QVERIFY(!sampled || (b.sampling() && b.w->MSComm1->isOpen() && b.w->live()->COScaleFlag() == 0));
    if (!action.isEmpty() && action != "close at start") {
        QTRY_VERIFY_WITH_TIMEOUT(Variable::SampleIndex >= 3, 5000);
        if (action == "vanish")
            b.sim->vanish();
        else if (action == "close")
            b.w->close();
        else  // the user's stop: the buttons at once, the rest when the run has wound up
            b.w->Command1->click();
        QVERIFY(action != "stop" || (b.w->Command1->text() == LoadResString(112) && b.w->Command3->isEnabled() &&
                                     !b.w->Timer2->isActive() && !b.w->Timer3->isActive() &&
                                     b.w->live()->StopRequested() == 1));
    }
    if (action.startsWith("close")) {
        QTRY_VERIFY_WITH_TIMEOUT(b.w.isNull() && !FrmMenu::instance(), 5000);
        const size_t sent = b.sim->receivedCommands().size();  // nothing more goes to the meter
        QTest::qWait(1500);
        QCOMPARE(b.sim->receivedCommands().size(), sent);
        // Closing the window asked every event loop to end; the next case needs them working again.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(b.idle(), 10000);
    // A complete run ends without N; a user's stop and a reply error while sampling send it.
    const QStringList commands = b.sim.commands();
    if (action.isEmpty() && logName.isEmpty())
        QCOMPARE(commands, QStringList({"U", "S", mode ? "F" : "G"}) +
                               QStringList(kind == FaultKind::None ? 3 : 4, QStringLiteral("D0001")));
    QCOMPARE(commands.endsWith(QStringLiteral("N")),
             action == "stop" || (sampled && !logName.isEmpty() && action.isEmpty()));
    QVERIFY(sampled || !commands.contains(QStringLiteral("D0001")));
    QCOMPARE(Variable::DataPresent, qint16(sampled ? 1 : 0));
    QCOMPARE(b.prompts.texts(), logName.isEmpty() ? QStringList() : QStringList{LoadResString(153)});
    const QByteArray log = b.folder.readFile(QStringLiteral("RSErr.log"));
    QVERIFY(logName.isEmpty() ? log.isEmpty() : log.startsWith("RS232C Error Log File\r\n"));
    QCOMPARE(log.count("," + logName.toLatin1() + ","), logName.isEmpty() ? 0 : 1);
    if (!sampled)
        return;
    QCOMPARE(Variable::AtmosPressure, 1013);  // from S; the header from the units of U
    QCOMPARE(b.w->vaSpread1->text(0, 6), QStringLiteral("Dew-point temperature\n[Degrees]"));

    // Buffers, table and chart hold the samples as the meter sent them, in order.
    const std::vector<std::string> records = b.sim->liveRecords();
    const int taken = Variable::SampleIndex - 1;
    QVERIFY(action.isEmpty() ? taken == (logName.isEmpty() ? 3 : 0) : taken >= 2);
    const QVector<double> *series[8] = {&Variable::COData, &Variable::CO2Data, &Variable::TempData,
                                        &Variable::HumData, &Variable::DewPointData, &Variable::WetBulbData,
                                        &Variable::AbsHumData, &Variable::HumRatioData};
    for (int i = 1; i <= taken; ++i) {
        const QByteArray record = QByteArray::fromStdString(records[size_t(i - 1)]);
        QCOMPARE(Variable::RawReplies[i], record);
        const QList<QByteArray> fields = record.split(';');
        QCOMPARE(fields.size(), mode ? 8 : 4);
        for (int k = 0; k < 8; ++k) {
            const double expected = k < fields.size() ? numtext::leadingNumber(fields[k]) : 0.0;
            QCOMPARE((*series[k])[i], expected);
            QCOMPARE(b.w->vaSpread1->text(i, k + 2), k < fields.size() ? numtext::generalNumber(expected) : QString());
        }
        const int ms = int(std::lround(Variable::SampleTimes[i] * 86400000.0));
        QCOMPARE(b.w->vaSpread1->text(i, 1), QTime::fromMSecsSinceStartOfDay(ms).toString(QStringLiteral("HH:mm:ss")));
        // Later than the last sample; the one asked for again a sampling interval later still.
        QVERIFY(i == 1 || Variable::SampleTimes[i] - Variable::SampleTimes[i - 1] >
                              (kind == FaultKind::Silence && i == 3 ? 1.5 / 86400 : 0));
        // CO2 as it is, CO times 100 (COScaleFlag 0), humidity switched off.
        QCOMPARE(b.w->TChart1->pointY(0, i - 1), Variable::CO2Data[i]);
        QCOMPARE(b.w->TChart1->pointY(1, i - 1), Variable::COData[i] * 100);
        QCOMPARE(b.w->TChart1->pointY(2, i - 1), Variable::TempData[i]);
    }
    QVERIFY(b.w->TChart1->pointCount(3) == 0 && (!taken || b.w->TChart1->ChartStartTime() == Variable::SampleTimes[1]));
}

void TestLiveRun::debugModeTableAndZoom()
{
    Bench b(false, 0, 0);
    b.w->Command1->click();  // no samples: refused
    QCOMPARE(b.prompts.texts(), QStringList{LoadResString(152)});
    QCOMPARE(b.prompts.messages.first().icon, prompts::Icon::Critical);
    QVERIFY(b.idle() && Variable::DataPresent == 0);

    // Two made-up Standard samples, nothing on the line.
    Variable::Settings.MeasureSampleValue = 2;
    b.w->Command1->click();
    QVERIFY(b.sampling() && !b.w->MSComm1->isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!b.w->live()->running(), 6000);
    QVERIFY(b.idle() && b.sim->receivedCommands().empty());
    QCOMPARE(QStringList({Variable::UnitTemp, Variable::UnitAbsHum, Variable::UnitHumRatio}),
             QStringList({QString(QChar(0xFF9F)) + QLatin1Char('C'), "lb/ft3", "g/kg"}));
    QCOMPARE(b.w->TChart1->rightAxisTitle(), LoadResString(116));
    QVERIFY(Variable::SampleIndex == 3 && Variable::DataPresent == 1 && Variable::DataSaved == 0);
    for (int i = 1; i <= 2; ++i) {
        // Five made-up numbers; the fourth field runs to the end, so the fifth is not read.
        const QList<QByteArray> fields = Variable::RawReplies[i].split(';');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(Variable::HumData[i], double(fields[3].trimmed().toInt()));
        QVERIFY(Variable::COData[i] < 550 && Variable::CO2Data[i] < 3000 && b.w->vaSpread1->text(i, 6).isEmpty());
        QCOMPARE(b.w->TChart1->pointY(1, i - 1), Variable::COData[i] * 10);
    }

    // A Detailed run over unsaved data: Yes saves and does not start; No starts; a stop ends it.
    Variable::Settings.MeasureMode = 1;
    Variable::Settings.MeasureSampleValue = 100;
    b.prompts.queueAnswer(prompts::Answer::Yes);
    b.w->Command1->click();
    QVERIFY(b.prompts.texts().last() == LoadResString(192) && b.idle());
    b.prompts.queueAnswer(prompts::Answer::No);
    b.w->Command1->click();
    QVERIFY(b.prompts.messages.size() == 3 && b.sampling());
    QTRY_VERIFY_WITH_TIMEOUT(Variable::SampleIndex >= 2, 5000);
    b.w->Command1->click();  // stop
    QCOMPARE(b.w->Command1->text(), LoadResString(112));
    b.w->Command1->click();  // a click before the run has been wound up does not start another one
    QTRY_VERIFY_WITH_TIMEOUT(b.idle(), 3000);
    const int taken = Variable::SampleIndex - 1;
    QTest::qWait(1200);
    QCOMPARE(Variable::SampleIndex - 1, taken);
    QCOMPARE(Variable::RawReplies[taken].split(';').size(), 10);
    QCOMPARE(b.w->vaSpread1->text(taken, 9), numtext::generalNumber(Variable::HumRatioData[taken]));
    QCOMPARE(b.prompts.messages.size(), 3);

    // The newest rows stay in view: the eighth sample puts row 2 at the top.
    Variable::Settings.MeasureMode = 0;
    b.w->live()->prepareBuffersForBench(20);
    QVERIFY(QTest::qWaitForWindowExposed(b.w));
    QApplication::processEvents();  // the grid lays out its new rows
    for (int i = 1; i <= 8; ++i) {
        Variable::SampleTimes[i] = 0.4 + i / 86400.0;
        QVERIFY(b.w->live()->takeSample(QByteArrayLiteral("   12.5;  450.0;   21.5;   40.0\r\n")));
    }
    QCOMPARE(b.w->vaSpread1->topRow(), 2);
    QVERIFY(!b.w->live()->takeSample(QByteArrayLiteral("   12.5   450.0   21.5   40.0\r\n")));  // cannot be split
    QCOMPARE(Variable::SampleIndex, 9);

    // The zoom button switches rubber-band zoom on and off; off restores the unzoomed view.
    b.w->Command4->click();
    QVERIFY(b.w->Command4->text() == LoadResString(180) && b.w->TChart1->zoomEnabled() &&
            b.w->TChart1->rubberBand() == QChartView::RectangleRubberBand);
    b.w->TChart1->chart()->zoomIn();
    QVERIFY(b.w->TChart1->leftMax() < 5500);
    b.w->Command4->click();
    QVERIFY(b.w->Command4->text() == LoadResString(179) && !b.w->TChart1->zoomEnabled() &&
            b.w->TChart1->leftMax() == 5500.0);
}

QTEST_MAIN(TestLiveRun)
#include "test_live_run.moc"
