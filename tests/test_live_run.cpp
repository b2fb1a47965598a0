// Live runs through the real main window: Measure Start/Stop against the simulated meter on a pty
// (what the meter received, the buffers, the table, the chart, the log and the messages), and debug
// mode without a meter.
#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "measure/LiveChart.h"
#include "measure/LiveRun.h"
#include "metersim/Simulator.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

using metersim::Fault;
using metersim::FaultKind;

Q_DECLARE_METATYPE(FaultKind)

namespace {

constexpr int kBaud = 38400;

// The main window as start-up makes it.
QPointer<FrmMenu> makeWindow()
{
    auto *window = new FrmMenu;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
    return window;
}

void configure(bool runMode, int mode, int samples, const std::string &device = {})
{
    SettingsRecord &s = Variable::Settings;
    s.ProgMode = runMode;
    s.MeasureMode = qint16(mode);
    s.MeasureSampleValue = samples;
    s.MeasureSampleTime = LoadResString(126);  // 1sec
    s.CO2Graph = s.COGraph = s.TempGraph = 1;
    s.HumGraph = 0;
    s.RsPort = QString::fromStdString(device);
    s.RsSpeed = QString::number(kBaud);
    s.RsDataBit = QStringLiteral("8");
    s.RsParity = QStringLiteral("N");
    s.RsStopBit = QStringLiteral("1");
    s.RsFlow = 1;
}

QStringList commands(const metersim::Simulator &sim)
{
    QStringList list;
    for (const std::string &c : sim.receivedCommands())
        list << QString::fromStdString(c);
    return list;
}

bool idleState(FrmMenu *w)
{
    return w->Command1->text() == LoadResString(112) && w->Command1->isEnabled() && w->Command3->isEnabled() &&
           w->Command4->isEnabled() && w->MenuMeasurementSetting->isEnabled() && w->MenuRS232C->isEnabled() &&
           !w->Timer2->isActive() && !w->Timer3->isActive() && w->TChart1->panningEnabled();
}

bool samplingState(FrmMenu *w)
{
    return w->Command1->text() == LoadResString(156) && !w->Command3->isEnabled() && !w->Command4->isEnabled() &&
           !w->MenuMeasurementSetting->isEnabled() && !w->MenuRS232C->isEnabled() && w->Timer3->isActive() &&
           !w->TChart1->panningEnabled();
}

} // namespace

class TestLiveRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void completeRun_data();
    void completeRun();
    void stopByUser();
    void errorExits_data();
    void errorExits();
    void deviceLostDuringRun();
    void missingReplyIsRequestedAgain();
    void closeWindowDuringWaits_data();
    void closeWindowDuringWaits();
    void debugMode();
    void debugStopAndStartQuestions();
    void zeroSamples();
    void tableChartAndZoomButton();
};

void TestLiveRun::initTestCase()
{
    // Shorter drains and reply waits; the sampling interval itself stays one second.
    SetWaitScale(0.25);
}

void TestLiveRun::completeRun_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("standard") << 0;
    QTest::newRow("detailed") << 1;
}

void TestLiveRun::completeRun()
{
    QFETCH(int, mode);
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    config.baud = kBaud;
    config.coScaleFlag = 0;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    QPointer<FrmMenu> w = makeWindow();
    configure(true, mode, 3, sim.devicePath());

    w->Command1->click();  // returns once the start-up exchanges are done and the timers run
    QVERIFY(samplingState(w));
    QVERIFY(w->MSComm1->isOpen());
    QCOMPARE(w->live()->COScaleFlag(), qint16(0));
    QCOMPARE(Variable::AtmosPressure, 1013);
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 10000);

    // U, S, G or F, one D per sample and no N after a complete run; the port is closed.
    const QString gf = mode ? QStringLiteral("F") : QStringLiteral("G");
    QCOMPARE(commands(sim), (QStringList{"U", "S", gf, "D0001", "D0001", "D0001"}));
    QVERIFY(!w->MSComm1->isOpen());
    QVERIFY(idleState(w));
    QCOMPARE(Variable::DataPresent, qint16(1));
    QCOMPARE(Variable::DataSaved, qint16(0));
    QVERIFY(prompts.messages.isEmpty());

    // Units from the meter; the header row from them.
    QCOMPARE(Variable::UnitCO, QStringLiteral("ppm"));
    QCOMPARE(Variable::UnitTemp, codepage::fromMeter("\xDF" "C"));
    QCOMPARE(w->vaSpread1->text(0, 2), QStringLiteral("CO[ppm]"));
    QCOMPARE(w->vaSpread1->text(0, 6), QStringLiteral("Dew-point temperature\n[Degrees]"));

    // Buffers, table and chart hold the three records as the meter sent them.
    const std::vector<std::string> records = sim.liveRecords();
    QCOMPARE(int(records.size()), 3);
    QCOMPARE(Variable::SampleIndex, 4);
    QCOMPARE(Variable::RawReplies.size(), 4);
    const QVector<double> *series[8] = {&Variable::COData, &Variable::CO2Data, &Variable::TempData,
                                        &Variable::HumData, &Variable::DewPointData, &Variable::WetBulbData,
                                        &Variable::AbsHumData, &Variable::HumRatioData};
    for (int i = 1; i <= 3; ++i) {
        const QByteArray record = QByteArray::fromStdString(records[i - 1]);
        QCOMPARE(Variable::RawReplies[i], record);
        const QList<QByteArray> fields = record.split(';');
        QCOMPARE(fields.size(), mode ? 8 : 4);
        for (int k = 0; k < 8; ++k) {
            const double expected = k < fields.size() ? numtext::leadingNumber(fields[k]) : 0.0;
            QCOMPARE((*series[k])[i], expected);
            const QString cell = w->vaSpread1->text(i, k + 2);
            QCOMPARE(cell, k < fields.size() ? numtext::generalNumber(expected) : QString());
        }
        QCOMPARE(w->vaSpread1->text(i, 1), QTime::fromMSecsSinceStartOfDay(
                                               int(std::lround(Variable::SampleTimes[i] * 86400000.0)))
                                               .toString(QStringLiteral("HH:mm:ss")));
        if (i > 1)
            QVERIFY(Variable::SampleTimes[i] > Variable::SampleTimes[i - 1]);
        // CO2 as it is, CO times 100 (COScaleFlag 0), humidity switched off.
        QCOMPARE(w->TChart1->pointY(0, i - 1), Variable::CO2Data[i]);
        QCOMPARE(w->TChart1->pointY(1, i - 1), Variable::COData[i] * 100);
        QCOMPARE(w->TChart1->pointY(2, i - 1), Variable::TempData[i]);
    }
    QCOMPARE(w->TChart1->pointCount(3), 0);
    QCOMPARE(w->TChart1->ChartStartTime(), Variable::SampleTimes[1]);
    QCOMPARE(w->TChart1->coScaleMax(), 55.0);
    delete w;
}

void TestLiveRun::stopByUser()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    config.baud = kBaud;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    QPointer<FrmMenu> w = makeWindow();
    configure(true, 0, 500, sim.devicePath());

    w->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(Variable::SampleIndex >= 3, 5000);
    w->Command1->click();  // stop
    QCOMPARE(w->Command1->text(), LoadResString(112));
    QVERIFY(w->Command3->isEnabled());
    QVERIFY(!w->Timer2->isActive() && !w->Timer3->isActive());
    QCOMPARE(Variable::DataPresent, qint16(1));
    QCOMPARE(w->live()->StopRequested(), qint16(1));
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 5000);
    QVERIFY(idleState(w));
    QVERIFY(!w->MSComm1->isOpen());
    // The meter was told to stop.
    const QStringList sent = commands(sim);
    QVERIFY2(sent.endsWith(QStringLiteral("N")), qPrintable(sent.join(',')));
    const int taken = Variable::SampleIndex - 1;
    QVERIFY(taken >= 2);
    QVERIFY(Variable::RawReplies[taken].endsWith("\r\n"));
    QVERIFY(w->vaSpread1->text(taken, 2).size() > 0);
    QVERIFY(prompts.messages.isEmpty());
    delete w;
}

void TestLiveRun::errorExits_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("logName");
    QTest::addColumn<bool>("sampling");  // the error came while sampling: N sent, DataPresent 1
    QTest::newRow("U silent") << "U" << FaultKind::Silence << 0 << "Unit Read(Measurment)" << false;
    QTest::newRow("S silent") << "S" << FaultKind::Silence << 0 << "S Command" << false;
    QTest::newRow("G wrong ack") << "G" << FaultKind::WrongAck << 0 << "G Command(Measure)" << false;
    QTest::newRow("F wrong ack") << "F" << FaultKind::WrongAck << 1 << "F Command(Measure)" << false;
    QTest::newRow("D ack missing") << "D" << FaultKind::MissingAck << 0 << "D Command(Measure)" << true;
    QTest::newRow("D record without separators") << "D" << FaultKind::NoSeparators << 0 << "D Command Data Read"
                                                 << true;
    QTest::newRow("D record cut short") << "D" << FaultKind::ShortRecord << 0 << "D Command Data Read" << true;
}

void TestLiveRun::errorExits()
{
    QFETCH(QString, command);
    QFETCH(FaultKind, kind);
    QFETCH(int, mode);
    QFETCH(QString, logName);
    QFETCH(bool, sampling);
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    config.baud = kBaud;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    Fault fault;
    fault.kind = kind;
    fault.times = 1;
    sim.setFault(command.toStdString(), fault);
    QPointer<FrmMenu> w = makeWindow();
    configure(true, mode, 3, sim.devicePath());
    Variable::DataPresent = 0;

    w->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 10000);
    QVERIFY(idleState(w));
    QVERIFY(!w->MSComm1->isOpen());
    QCOMPARE(prompts.texts(), QStringList{LoadResString(153)});
    QCOMPARE(prompts.messages.first().title, LoadResString(101));

    // One log entry with the exchange's name.
    const QByteArray log = folder.readFile(QStringLiteral("RSErr.log"));
    QVERIFY2(log.startsWith("RS232C Error Log File\r\n"), log.constData());
    QCOMPARE(log.count("," + logName.toLatin1() + ","), 1);

    const QStringList sent = commands(sim);
    QCOMPARE(Variable::DataPresent, qint16(sampling ? 1 : 0));
    QCOMPARE(sent.contains(QStringLiteral("N")), sampling);
    if (!sampling)
        QVERIFY(!sent.contains(QStringLiteral("D0001")));
    delete w;
}

void TestLiveRun::deviceLostDuringRun()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    config.baud = kBaud;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    QPointer<FrmMenu> w = makeWindow();
    configure(true, 1, 500, sim.devicePath());

    w->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(Variable::SampleIndex >= 3, 5000);
    sim.vanish();
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 5000);
    QVERIFY(idleState(w));
    QVERIFY(!w->MSComm1->isOpen());
    QCOMPARE(prompts.texts(), QStringList{LoadResString(153)});
    QVERIFY(folder.readFile(QStringLiteral("RSErr.log")).contains(",D Command(Measure),"));
    // The samples taken so far are kept for saving.
    QCOMPARE(Variable::DataPresent, qint16(1));
    QVERIFY(Variable::SampleIndex >= 3);
    QVERIFY(!Variable::RawReplies[Variable::SampleIndex - 1].isEmpty());
    delete w;
}

void TestLiveRun::missingReplyIsRequestedAgain()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    config.baud = kBaud;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    Fault silent;
    silent.kind = FaultKind::Silence;
    silent.times = 1;
    sim.setFault("D", silent);  // the first request goes unanswered
    QPointer<FrmMenu> w = makeWindow();
    configure(true, 0, 3, sim.devicePath());

    w->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 10000);
    // Three requests, then one more for the sample still missing; replies taken in order.
    QCOMPARE(commands(sim), (QStringList{"U", "S", "G", "D0001", "D0001", "D0001", "D0001"}));
    QCOMPARE(Variable::SampleIndex, 4);
    const std::vector<std::string> records = sim.liveRecords();
    QCOMPARE(int(records.size()), 3);
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(Variable::RawReplies[i], QByteArray::fromStdString(records[i - 1]));
    // The last sample carries the time of the request sent again, a sampling interval after the third.
    QVERIFY(Variable::SampleTimes[3] - Variable::SampleTimes[2] > 1.5 / 86400.0);
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(Variable::DataPresent, qint16(1));
    delete w;
}

void TestLiveRun::closeWindowDuringWaits_data()
{
    QTest::addColumn<bool>("whileStarting");
    QTest::newRow("during the unit read") << true;
    QTest::newRow("while sampling") << false;
}

void TestLiveRun::closeWindowDuringWaits()
{
    QFETCH(bool, whileStarting);
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    config.baud = kBaud;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    QPointer<FrmMenu> w = makeWindow();
    configure(true, 0, 500, sim.devicePath());

    if (whileStarting) {
        // The close comes while the unit read drains the line.
        QTimer::singleShot(300, w, [w] { w->close(); });
        w->Command1->click();
    } else {
        w->Command1->click();
        QTRY_VERIFY_WITH_TIMEOUT(Variable::SampleIndex >= 2, 5000);
        w->close();
    }
    QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 5000);
    // Nothing more goes to the meter once the window is gone.
    const int sent = int(sim.receivedCommands().size());
    QTest::qWait(1500);
    QCOMPARE(int(sim.receivedCommands().size()), sent);
    QVERIFY(!FrmMenu::instance());

    // Closing the window asked every event loop to end; the next case needs them working again.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void TestLiveRun::debugMode()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    metersim::Config config;
    metersim::Simulator sim(config);
    QVERIFY(sim.start());
    QPointer<FrmMenu> w = makeWindow();
    configure(false, 0, 2, sim.devicePath());

    w->Command1->click();
    QVERIFY(samplingState(w));
    QVERIFY(!w->MSComm1->isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 6000);
    QVERIFY(idleState(w));
    QVERIFY(sim.receivedCommands().empty());
    QCOMPARE(Variable::UnitTemp, QString(QChar(0xFF9F)) + QLatin1Char('C'));
    QCOMPARE(Variable::UnitAbsHum, QStringLiteral("lb/ft3"));
    QCOMPARE(Variable::UnitHumRatio, QStringLiteral("g/kg"));
    QCOMPARE(w->TChart1->rightAxisTitle(), LoadResString(116));
    QCOMPARE(Variable::SampleIndex, 3);
    QCOMPARE(Variable::DataPresent, qint16(1));
    for (int i = 1; i <= 2; ++i) {
        // Five made-up numbers; the fourth field runs to the end, so the fifth is not read.
        const QList<QByteArray> fields = Variable::RawReplies[i].split(';');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(Variable::HumData[i], double(fields[3].trimmed().toInt()));
        QVERIFY(Variable::COData[i] < 550 && Variable::CO2Data[i] < 3000);
        QCOMPARE(w->vaSpread1->text(i, 6), QString());
        QCOMPARE(w->TChart1->pointY(1, i - 1), Variable::COData[i] * 10);
    }
    delete w;
}

void TestLiveRun::debugStopAndStartQuestions()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    QPointer<FrmMenu> w = makeWindow();
    configure(false, 1, 100);

    // Unsaved data: Yes saves and does not start.
    Variable::DataPresent = 1;
    Variable::DataSaved = 0;
    prompts.queueAnswer(prompts::Answer::Yes);
    w->Command1->click();
    QCOMPARE(prompts.texts(), QStringList{LoadResString(192)});
    QVERIFY(!w->live()->running());
    QVERIFY(idleState(w));

    // No starts and replaces the data; a stop ends the run with what was taken.
    prompts.queueAnswer(prompts::Answer::No);
    w->Command1->click();
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY(samplingState(w));
    QCOMPARE(Variable::DataSaved, qint16(0));
    QTRY_VERIFY_WITH_TIMEOUT(Variable::SampleIndex >= 2, 5000);
    w->Command1->click();
    QCOMPARE(w->Command1->text(), LoadResString(112));
    QVERIFY(w->Command3->isEnabled());
    // A click before the run has been wound up does not start another one.
    w->Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->live()->running(), 3000);
    QVERIFY(idleState(w));
    const int taken = Variable::SampleIndex - 1;
    QTest::qWait(1200);
    QCOMPARE(Variable::SampleIndex - 1, taken);
    QCOMPARE(Variable::RawReplies[taken].split(';').size(), 10);
    QCOMPARE(w->vaSpread1->text(taken, 9), numtext::generalNumber(Variable::HumRatioData[taken]));
    QCOMPARE(prompts.messages.size(), 2);
    delete w;
}

void TestLiveRun::zeroSamples()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    QPointer<FrmMenu> w = makeWindow();
    configure(false, 0, 0);
    w->Command1->click();
    QCOMPARE(prompts.texts(), QStringList{LoadResString(152)});
    QCOMPARE(prompts.messages.first().icon, prompts::Icon::Critical);
    QVERIFY(idleState(w));
    QVERIFY(!w->live()->running());
    QCOMPARE(Variable::DataPresent, qint16(0));
    delete w;
}

void TestLiveRun::tableChartAndZoomButton()
{
    TestProgramFolder folder;
    QPointer<FrmMenu> w = makeWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    configure(false, 0, 20);
    LiveRun *live = w->live();
    live->prepareBuffersForBench(20);
    QApplication::processEvents();  // the grid lays out its new rows
    const double t0 = 0.4;
    for (int i = 1; i <= 8; ++i) {
        Variable::SampleTimes[i] = t0 + i / 86400.0;
        QVERIFY(live->takeSample(QByteArrayLiteral("   12.5;  450.0;   21.5;   40.0\r\n")));
    }
    // The eighth sample puts row 2 at the top.
    QCOMPARE(w->vaSpread1->topRow(), 2);
    QCOMPARE(w->vaSpread1->text(8, 2), QStringLiteral("12.5"));
    QCOMPARE(w->vaSpread1->text(8, 6), QString());
    QCOMPARE(w->TChart1->pointY(1, 7), 125.0);
    QCOMPARE(w->TChart1->pointCount(3), 0);
    // A line that cannot be split is refused.
    QVERIFY(!live->takeSample(QByteArrayLiteral("   12.5   450.0   21.5   40.0\r\n")));
    QCOMPARE(Variable::SampleIndex, 9);

    // The zoom button switches rubber-band zoom on and off; off restores the unzoomed view.
    QCOMPARE(w->Command4->text(), LoadResString(179));
    w->Command4->click();
    QCOMPARE(w->Command4->text(), LoadResString(180));
    QVERIFY(w->TChart1->zoomEnabled());
    QCOMPARE(w->TChart1->rubberBand(), QChartView::RectangleRubberBand);
    w->TChart1->chart()->zoomIn();
    QVERIFY(w->TChart1->leftMax() < 5500);
    w->Command4->click();
    QCOMPARE(w->Command4->text(), LoadResString(179));
    QVERIFY(!w->TChart1->zoomEnabled());
    QCOMPARE(w->TChart1->leftMax(), 5500.0);
    delete w;
}

QTEST_MAIN(TestLiveRun)
#include "test_live_run.moc"
