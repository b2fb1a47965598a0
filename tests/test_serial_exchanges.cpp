// Every exchange of the meter's command set on a real pty, against the simulated meter or a
// scripted line: the live run and the page transfer end to end, then how each exchange ends (the
// accept and fail paths, reads before giving up, vanished meter, Close pressed), RSErr.log byte for
// byte, the drain and N. Waits run at a quarter of their time, except in the real-timing test.

#include <QPushButton>
#include <QtTest>
#include <memory>

#include "mainwindow/FrmMenu.h"
#include "metersim/Simulator.h"
#include "serial/Exchanges.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/TestEnv.h"
#include "test_serial_support.h"

using metersim::Fault;
using metersim::FaultKind;
Q_DECLARE_METATYPE(FaultKind)

namespace {

constexpr double kTestScale = 0.25;

// A simulated meter and the program's port open on it.
struct Meter {
    explicit Meter(int baud = 115200) : sim(metersim::Config{.baud = baud})
    {
        const bool started = sim.start();
        useDevice(QString::fromStdString(sim.devicePath()));
        opened = started && OpenComPort(link);
    }
    ~Meter() { CloseComPort(link); }
    QStringList commands() const
    {
        QStringList list;
        for (const std::string &c : sim.receivedCommands())
            list << QString::fromStdString(c);
        return list;
    }
    metersim::Simulator sim;
    SerialLink link;
    bool opened = false;
};

QByteArray bytes(const std::string &s) { return QByteArray(s.data(), qsizetype(s.size())); }

} // namespace

class TestSerialExchanges : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_window.reset(); }
    void liveRun_data();
    void liveRun();
    void transfer();
    void exchangeEnds_data();
    void exchangeEnds();
    void logLinesByteForByte();
    void drainOnATalkingLine();
    void silentMeterRealTiming();

private:
    std::unique_ptr<FrmMenu> m_window;
};

void TestSerialExchanges::initTestCase()
{
    SetWaitScale(kTestScale);
    // SendStopCommand disables the main window's buttons; Timer1 is the tick source of the waits.
    m_window.reset(new FrmMenu);
}

void TestSerialExchanges::liveRun_data()
{
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("degrees");  // the meter's 0xDF "C" in the system's code page
    QTest::newRow("standard, English system") << false << QByteArray("en_US.UTF-8") << QString::fromLatin1("\xDF" "C");
    QTest::newRow("detailed, Japanese system") << true << QByteArray("ja_JP.UTF-8") << QStringLiteral(u"\uFF9FC");
    QTest::newRow("standard, Chinese system") << false << QByteArray("zh_CN.UTF-8") << QStringLiteral(u"\u9024");
}

void TestSerialExchanges::liveRun()
{
    QFETCH(bool, detailed);
    QFETCH(QByteArray, locale);
    QFETCH(QString, degrees);
    TestProgramFolder folder(locale);
    Meter m;
    QVERIFY(m.opened);
    QVERIFY(exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), {}).ok());
    QCOMPARE(QStringList({Variable::UnitCO, Variable::UnitTemp, Variable::UnitDewPoint, Variable::UnitField9}),
             QStringList({"ppm", degrees, degrees, "hPa\r\n"}));
    qint16 flag = 0;
    const ExchangeResult s = exchange::liveS(m.link, flag, {});
    QVERIFY(s.ok() && s.attempts == 1 && flag == 1 && Variable::AtmosPressure == 1013);
    QVERIFY(exchange::liveGF(m.link, detailed, s.attempts, {}).ok());
    QCOMPARE(m.sim.detailed(), detailed);
    QCOMPARE(m.link.inputLen(), detailed ? 69 : 37);
    Variable::resizeLiveSeries(3);
    for (int i = 1; i <= 3; ++i) {
        exchange::sendD(m.link);
        QVERIFY(exchange::waitForInput(m.link, detailed ? 69 : 37, 5000, {}).ok());
        const ExchangeResult d = exchange::liveDReply(m.link, detailed, {});
        QVERIFY(d.ok());
        QCOMPARE(d.reply, bytes(m.sim.lastLiveRecord()));
        QCOMPARE(d.attempts, 4 + int(d.reply.size()));  // "AD" CR LF, then the record a character a read
        QVERIFY(ParseDataRecord(d.reply, i, detailed ? 1 : 0, 0));
        QCOMPARE(Variable::DewPointData[i] != 0, detailed);
    }
    SendStopCommand(m.link);
    QCOMPARE(m.commands(), (QStringList{"U", "S", detailed ? "F" : "G", "D0001", "D0001", "D0001", "N", "N"}));
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::transfer()
{
    TestProgramFolder folder;
    QStringList expected{"P"};
    {   // The directory, at the meter's own pace: each page still streams when N comes.
        Meter m(9600);
        QVERIFY(m.opened);
        const ExchangeResult p = exchange::directoryP(m.link, {});
        QVERIFY(p.ok() && protocol::splitP(p.reply) == 3);
        for (int page = 1; page <= 3; ++page) {
            const metersim::Page &info = m.sim.config().pages[size_t(page - 1)];
            QByteArray header;
            QVERIFY(exchange::directoryT(m.link, page, header, {}).ok());
            QCOMPARE(header, bytes(m.sim.pageHeaderText(page)));
            QVERIFY(m.link.inBufferCount() > 0 || !m.sim.idle());
            SendStopCommand(m.link);
            QVERIFY(m.sim.idle());
            const ExchangeResult mr = exchange::directoryM(m.link, page, {});
            const auto fields = protocol::splitM(mr.reply);
            QVERIFY(mr.ok() && fields);
            QCOMPARE(QByteArrayList({(*fields)[0], (*fields)[2], (*fields)[4]}),
                     QByteArrayList({info.oa ? "001" : "000", QByteArray::number(info.records), bytes(info.pressure) + "\r\n"}));
            expected << QString::asprintf("T%04d", page) << "N" << "N" << QString::asprintf("M%04d", page);
        }
        WaitTicks(1, 200);
        QCOMPARE(m.link.inBufferCount(), 0);
        QCOMPARE(m.commands(), expected);
    }
    // Every page read through: a standard and a detailed calculation page, a %OA page.
    Meter m;
    QVERIFY(m.opened);
    QVERIFY(exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), {}).ok());
    expected = QStringList{"U"};
    for (int page = 1; page <= 3; ++page) {
        const bool oa = m.sim.config().pages[size_t(page - 1)].oa, detailed = page == 3;
        if (!oa) {
            QVERIFY(exchange::pageGF(m.link, detailed, {}).ok());
            expected << (detailed ? "F" : "G");
        }
        QVERIFY(exchange::pageT(m.link, page, oa, {}).ok());
        const ExchangeResult header = exchange::pageHeader(m.link, oa, {});
        QVERIFY(header.ok());
        QCOMPARE(header.reply, bytes(m.sim.pageHeaderText(page)));
        const std::vector<std::string> records = m.sim.pageRecords(page, detailed);
        Variable::resizeLiveSeries(int(records.size()));
        for (int i = 1; i <= int(records.size()); ++i) {
            const ExchangeResult r = oa ? exchange::pageOaRecord(m.link, {}) : exchange::pageCalRecord(m.link, detailed, {});
            QVERIFY(r.ok());
            QCOMPARE(r.reply, bytes(records[size_t(i - 1)]));
            QVERIFY(oa ? protocol::splitOaRecord(r.reply).has_value() : ParseDataRecord(r.reply, i, detailed, 1));
        }
        expected << QString::asprintf("T%04d", page);
    }
    QCOMPARE(m.commands(), expected);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

// How each exchange ends: the simulated meter's fault or a scripted line's answer, then the
// outcome, the log name and attempts, the reads made and the text kept.
void TestSerialExchanges::exchangeEnds_data()
{
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<QByteArray>("answer");   // non-empty: a scripted line answers every command (N: "AN")
    QTest::addColumn<QString>("logName");     // "": accepted; "cancelled": Close pressed meanwhile
    QTest::addColumn<int>("loggedAttempts");
    QTest::addColumn<int>("reads");           // -1: not fixed
    QTest::addColumn<QByteArray>("reply");    // "*": not fixed (a record of the room's air, noise)
    const auto row = [](const char *name, const char *exchange, FaultKind kind, const QByteArray &answer,
                        const char *logName, int logged, int reads, const QByteArray &reply) {
        QTest::newRow(name) << QString::fromLatin1(exchange) << kind << answer << QString::fromLatin1(logName)
                            << logged << reads << reply;
    };
    using enum FaultKind;
    const QByteArray any("*"), sim;
    row("U silent", "U", Silence, sim, "Unit Read(Measurment)", -1, 4, "");
    row("U wrong acknowledgement", "U", WrongAck, sim, "Unit Read(Measurment)", -1, 4, "");
    row("U without separators", "U", NoSeparators, sim, "Unit Read(Measurment)", -1, 1, "");
    row("U: meter vanishes", "U", Vanish, sim, "Unit Read(Measurment)", -1, -1, "");
    row("S silent", "S", Silence, sim, "S Command", 4, 4, "");
    row("S without its acknowledgement", "S", MissingAck, sim, "S Command", 4, 4, "");
    row("S split over two reads", "S", SplitReply, sim, "S Command", 4, 4, "");
    row("S garbage", "S", Garbage, sim, "S Command", 4, 4, "");
    row("S without separators", "S", NoSeparators, sim, "S Command", 1, 1, "AS 1 0 1013\r\n");
    row("S and its data in one read", "S", None, "AS;0;x;1001\r\n", "", 1, 1, "AS;0;x;1001\r\n");
    row("G silent", "G live", Silence, sim, "G Command(Measure)", 2, 1, "");
    row("G wrong acknowledgement", "G live", WrongAck, sim, "G Command(Measure)", 2, 1, "AX\r\n");
    row("F late", "F live", Late, sim, "F Command(Measure)", 2, 1, "");
    row("G page read, wrong acknowledgement", "G page", WrongAck, sim, "G Command(Cal)", -1, 1, "AX\r\n");
    row("F page read, garbage", "F page", Garbage, sim, "F Command(Cal)", -1, 1, any);
    row("G: AG CR LF", "G page", None, "AG\r\n", "", -1, 1, "AG\r\n");
    row("G: AG without CR LF", "G page", None, "AG", "G Command(Cal)", -1, 1, "AG");
    row("G: AG CR LF then more", "G page", None, "AG\r\nX", "G Command(Cal)", -1, 1, "AG\r\nX");
    row("G: more before AG", "G page", None, "XAG\r\n", "G Command(Cal)", -1, 1, "XAG\r");
    row("D without acknowledgement", "D", MissingAck, sim, "D Command(Measure)", 11, 11, any);
    row("D short record", "D", ShortRecord, sim, "D Command Data Read", 101, 101, any);
    row("D record without separators", "D", NoSeparators, sim, "D Command Data Read", 37, 37, any);
    row("live reply wait: meter vanishes", "D", Vanish, sim, "D Command(Measure)", 0, -1, any);
    row("live reply wait: Close pressed", "D", Silence, sim, "cancelled", 0, -1, any);
    row("P silent", "P", Silence, sim, "P Command", 4, 4, "");
    row("P wrong acknowledgement", "P", WrongAck, sim, "P Command", 4, 4, "");
    row("T directory silent", "T directory", Silence, sim, "T Command", 11, 11, "");
    row("M silent", "M", Silence, sim, "M Command Data Read(Cal/%OA)", 11, 11, "");
    row("M without separators", "M", NoSeparators, sim, "M Command Data Read(Cal/%OA)", 1, 1,
        "AM0001  000 10 20 AVG 1013\r\n");
    row("T calculation page silent", "T cal", Silence, sim, "T Command(Cal)", 4, 4, "");
    row("T %OA page wrong acknowledgement", "T oa", WrongAck, sim, "T Command(%OA)", 4, 4, any);
    row("T binary acknowledgement", "T cal", None, QByteArray("\x00\xFF\r\n", 4), "T Command(Cal)", 4, 4, "");
    row("T: Close pressed", "T cal", Silence, sim, "cancelled", 0, -1, any);
    row("header ends CR LF", "header", None, "AT\r\n2026/11/30 09:15:00\r\n", "", 1, 1, "2026/11/30 09:15:00\r\n");
    row("header without CR LF", "header", None, "AT\r\n2026/11/30 09:15:00xx", "T Command Data Read(Cal Header)", 4, 4, "");
    row("%OA record silent", "oa records", Silence, sim, "T Command Data Read(%OA Data)", 101, 101, "");
    row("%OA record without separators", "oa records", NoSeparators, sim, "T Command Data Read(%OA Data)", 0, 0, any);
    row("calculation record without separators", "cal records", NoSeparators, sim, "T Command Data Read(Cal Data)", 0, 0, any);
    row("calculation record too long", "cal record", None, "AT\r\n2026/11/30 09:15:00\r\n" + QByteArray(120, '7'),
        "T Command Data Read(Cal Data)", 101, 101, QByteArray(101, '7'));
    row("calculation record: meter vanishes", "cal records", Vanish, sim, "T Command Data Read(Cal Data)", 0, -1, any);
    row("calculation record: meter silent until Close", "cal records", Silence, sim, "cancelled", 0, -1, any);
}

void TestSerialExchanges::exchangeEnds()
{
    QFETCH(QString, exchange);
    QFETCH(FaultKind, kind);
    QFETCH(QByteArray, answer);
    QFETCH(QString, logName);
    QFETCH(int, loggedAttempts);
    QFETCH(int, reads);
    QFETCH(QByteArray, reply);
    TestProgramFolder folder;
    Meter m(kind == FaultKind::Vanish ? 9600 : 115200);  // a vanish after the header is read
    ScriptedLine line;
    QVERIFY(m.opened);
    const bool oa = exchange.contains("oa"), records = exchange.contains("record");
    const int page = oa ? 2 : 1;
    m.sim.setFault(exchange == "header" || records ? "T" : exchange.left(1).toStdString(),
                   Fault{.kind = kind, .times = -1, .afterRecords = records ? 3 : 0, .pauseMs = 100});
    if (!answer.isEmpty()) {
        CloseComPort(m.link);
        useDevice(line.path);
        QVERIFY(OpenComPort(m.link));
        line.onCommand = [&](const QByteArray &c) { line.send(c == "N" ? QByteArray("AN\r\n") : answer); };
    }
    QElapsedTimer since;  // Close is pressed 400 ms (scaled) into the exchange
    const CancelCheck cancel = [&] { return logName == "cancelled" && since.elapsed() > ScaledWaitMs(400); };
    since.start();
    ExchangeResult r;
    qint16 flag = 9;
    QByteArray header = "untouched";
    if (exchange == "U") {
        r = exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), cancel);
    } else if (exchange == "S") {
        r = exchange::liveS(m.link, flag, cancel);
    } else if (exchange.endsWith("live")) {
        r = exchange::liveGF(m.link, exchange[0] == 'F', 2, cancel);
    } else if (exchange.endsWith("page")) {
        r = exchange::pageGF(m.link, exchange[0] == 'F', cancel);
    } else if (exchange == "D") {
        exchange::sendD(m.link);
        if (!(r = exchange::waitForInput(m.link, 37, 2000, cancel)).cancelled())
            r = exchange::liveDReply(m.link, false, cancel);
    } else if (exchange == "P") {
        r = exchange::directoryP(m.link, cancel);
    } else if (exchange == "T directory") {
        r = exchange::directoryT(m.link, 1, header, cancel);
    } else if (exchange == "M") {
        r = exchange::directoryM(m.link, 1, cancel);
    } else {  // a page read: T, its header, its first record or (plural) its fourth
        r = exchange::pageT(m.link, page, oa, exchange.startsWith('T') ? cancel : CancelCheck());
        if (!exchange.startsWith('T')) {
            QVERIFY(r.ok());
            r = exchange::pageHeader(m.link, oa, {});
        }
        for (int i = 0; records && i <= (exchange.endsWith('s') ? 3 : 0); ++i) {
            QVERIFY(r.ok());
            since.start();
            r = oa ? exchange::pageOaRecord(m.link, cancel) : exchange::pageCalRecord(m.link, false, cancel);
        }
    }
    if (kind == FaultKind::NoSeparators && records) {  // the record as the meter sent it, ";" blanked
        reply = bytes(m.sim.pageRecords(page, false)[3]).replace(';', ' ');
        loggedAttempts = reads = int(reply.size());
    }
    const auto outcome = logName.isEmpty()        ? ExchangeResult::Ok
                         : logName == "cancelled" ? ExchangeResult::Cancelled
                                                  : ExchangeResult::Failed;
    QCOMPARE(r.outcome, outcome);
    if (outcome == ExchangeResult::Failed && reads >= 0)
        QCOMPARE(QString::number(r.loggedAttempts) + ' ' + r.logName, QString::number(loggedAttempts) + ' ' + logName);
    if (reads >= 0)
        QCOMPARE(r.attempts, reads);
    if (reply != "*")
        QCOMPARE(r.reply, reply);
    QVERIFY(exchange != "S" || (r.ok() ? flag == 0 && Variable::AtmosPressure == 1001 : flag == 9));
    QCOMPARE(header, QByteArray("untouched"));
    if (records && outcome == ExchangeResult::Failed && kind != FaultKind::Vanish)  // it stopped the meter itself
        QVERIFY(answer.isEmpty() ? m.sim.waitForCommand("N", 2, 3000) : line.commands.count("N") == 2);
    exchange::logFailure(r);
    QCOMPARE(QFile::exists(QStringLiteral("RSErr.log")), outcome == ExchangeResult::Failed);
    // A vanished meter closes the port; otherwise it stays open for the caller's clean-up.
    QCOMPARE(m.link.isOpen(), kind != FaultKind::Vanish);
    QCOMPARE(m.link.lost(), kind == FaultKind::Vanish);
}

void TestSerialExchanges::logLinesByteForByte()
{
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    for (const char *letter : {"U", "S", "G", "N", "P", "T", "M"})
        m.sim.setFault(letter, Fault{.kind = FaultKind::Silence, .times = -1});
    qint16 flag = 1;
    QByteArray header;
    exchange::logFailure(exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), {}));
    exchange::logFailure(exchange::liveS(m.link, flag, {}));
    exchange::logFailure(exchange::liveGF(m.link, false, 3, {}));
    exchange::logFailure(exchange::pageGF(m.link, false, {}));
    exchange::logFailure(exchange::directoryP(m.link, {}));
    exchange::logFailure(exchange::directoryT(m.link, 1, header, {}));
    exchange::logFailure(exchange::directoryM(m.link, 1, {}));
    exchange::logFailure(exchange::pageT(m.link, 2, true, {}));
    exchange::logFailure(exchange::pageHeader(m.link, true, {}));
    SendStopCommand(m.link);
    QCOMPARE(maskedLog(), maskedLog(QStringLiteral(TELVARO_TEST_DATA "/serial/exchange_failures.log")));
}

void TestSerialExchanges::drainOnATalkingLine()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    const int round = ScaledWaitMs(1000);
    // Talk that stops: three rounds hear something, the one after the last byte is silent.
    line.startNoise("0001;    1.0;  500.0;   21.0;   40.0\r\n", 20);
    QTimer::singleShot(round * 5 / 2, &line, [&line] { line.stopNoise(); });
    QElapsedTimer t;
    t.start();
    QVERIFY(exchange::drainLine(link, {}));
    QVERIFY2(t.elapsed() >= round * 3 && t.elapsed() < round * 8, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(link.inBufferCount(), 0);
    t.restart();  // a cancel (window closed) inside the drain ends it
    QVERIFY(!exchange::drainLine(link, [&] { return t.elapsed() > round / 2; }));

    // Talk without end: the drain gives up after ten rounds, U judges the noise; N comes to an end
    // too and logs the noise it read instead of "AN" CR LF.
    line.startNoise(QByteArray("\x00\xFFnoise\r\n", 9), 10);
    t.restart();
    QCOMPARE(exchange::readUnits(link, QStringLiteral("Unit Read(Measurment)"), {}).outcome, ExchangeResult::Failed);
    QVERIFY(t.elapsed() >= round * 10 && t.elapsed() < round * 10 + 5000);
    t.restart();
    SendStopCommand(link);
    QVERIFY(t.elapsed() < round * 10 + 5000);
    QCOMPARE(line.commands, (QList<QByteArray>{"U", "N", "N"}));
    const QByteArray log = maskedLog();
    QVERIFY(log.startsWith("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,") && log.endsWith(", 101\r\n"));
    line.stopNoise();
    CloseComPort(link);
}

void TestSerialExchanges::silentMeterRealTiming()
{
    // The real waits. A %OA page falls silent after its first record, and N is not heard either.
    SetWaitScale(1.0);
    const auto restore = qScopeGuard([] { SetWaitScale(kTestScale); });
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    m.sim.setFault("T", Fault{.kind = FaultKind::Silence, .times = 1, .afterRecords = 1});
    m.sim.setFault("N", Fault{.kind = FaultKind::Silence, .times = -1});
    QVERIFY(exchange::pageT(m.link, 2, true, {}).ok());
    QVERIFY(exchange::pageHeader(m.link, true, {}).ok());
    QVERIFY(exchange::pageOaRecord(m.link, {}).ok());
    m_window->Command1->setEnabled(true);
    m_window->Command3->setEnabled(true);
    bool disabledMeanwhile = false;
    QObject probe;
    QTimer::singleShot(1600, &probe, [&] {
        disabledMeanwhile = !m_window->Command1->isEnabled() && !m_window->Command3->isEnabled();
    });
    QElapsedTimer t;
    t.start();
    const ExchangeResult r = exchange::pageOaRecord(m.link, {});
    // About a second of empty reads, then N: the drain's silent second, N, 500 ms, 100 reads.
    QVERIFY2(t.elapsed() >= 1000 + 1000 + 500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(r.outcome == ExchangeResult::Failed && r.attempts == 101 && r.reply.isEmpty());
    QVERIFY(disabledMeanwhile && m_window->Command1->isEnabled() && m_window->Command3->isEnabled());
    QCOMPARE(m.link.inputLen(), 0);
    QCOMPARE(m.commands(), (QStringList{"T0002", "N", "N"}));
    const std::vector<metersim::Received> at = m.sim.received();
    QVERIFY2(at[1].t - at[0].t >= 0.9 && at[2].t - at[1].t >= 0.95,
             qPrintable(QStringLiteral("%1 %2").arg(at[1].t - at[0].t).arg(at[2].t - at[1].t)));
    QCOMPARE(maskedLog(), QByteArray("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,, 101\r\n"));
}

QTEST_MAIN(TestSerialExchanges)
#include "test_serial_exchanges.moc"
