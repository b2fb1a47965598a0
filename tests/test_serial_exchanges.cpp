// The meter's exchanges on a pty (simulated meter or scripted line): live run and transfer end to end,
// how each exchange ends, RSErr.log, drain and N. Waits run at a quarter of their time but once.

#include <QPushButton>
#include <QtTest>

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

constexpr double kTestScale = 0.25;

// A simulated meter and the program's port open on it.
struct Meter {
    explicit Meter(int baud = 115200) : sim(metersim::Config{.baud = baud})
    {
        opened = sim.start() && (useDevice(QString::fromStdString(sim.devicePath())), OpenComPort(link));
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

// How an exchange ends: the simulated meter's fault or a scripted line's answer to every command
// (N: "AN" CR LF); the log name ("": accepted, "cancelled": Close pressed), logged attempts, reads
// made (-1: not fixed) and the text kept ("*": not fixed).
struct End {
    QString exchange; FaultKind kind; QByteArray answer;
    QString logName; int loggedAttempts, reads; QByteArray reply;
};

Q_DECLARE_METATYPE(End)

class TestSerialExchanges : public QObject {
    Q_OBJECT
private slots:
    // SendStopCommand disables the main window's buttons; Timer1 is the tick source of the waits.
    void initTestCase() { SetWaitScale(kTestScale), m_window.reset(new FrmMenu); }
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
    QCOMPARE(m.link.inputLen(), detailed ? 69 : 37);
    Variable::resizeLiveSeries(3);
    for (int i = 1; i <= 3; ++i) {
        exchange::sendD(m.link);
        QVERIFY(exchange::waitForInput(m.link, detailed ? 69 : 37, 5000, {}).ok());
        const ExchangeResult d = exchange::liveDReply(m.link, detailed, {});
        QCOMPARE(d.reply, bytes(m.sim.lastLiveRecord()));
        QCOMPARE(d.attempts, 4 + int(d.reply.size()));  // "AD" CR LF, then the record a character a read
        QVERIFY(d.ok() && ParseDataRecord(d.reply, i, detailed ? 1 : 0, 0));
        QCOMPARE(Variable::DewPointData[i] != 0, detailed);
    }
    SendStopCommand(m.link);
    QCOMPARE(m.commands(), (QStringList{"U", "S", detailed ? "F" : "G", "D0001", "D0001", "D0001", "N", "N"}));
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::transfer()
{
    TestProgramFolder folder;
    Meter m(9600);  // at the meter's own pace: a page still streams when N comes
    QVERIFY(m.opened);
    QVERIFY(exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), {}).ok());
    const ExchangeResult p = exchange::directoryP(m.link, {});
    QVERIFY(p.ok() && protocol::splitP(p.reply) == 3);
    QStringList expected{"U", "P"};
    // Each page: its directory entry (T, stopped by N, then M), then read through.
    for (int page = 1; page <= 3; ++page) {
        const metersim::Page &info = m.sim.config().pages[size_t(page - 1)];
        const bool oa = info.oa, detailed = page == 3;
        QByteArray header;
        QVERIFY(exchange::directoryT(m.link, page, header, {}).ok());
        QCOMPARE(header, bytes(m.sim.pageHeaderText(page)));
        QVERIFY(m.link.inBufferCount() > 0 || !m.sim.idle());
        SendStopCommand(m.link);
        QVERIFY(m.sim.idle());
        WaitTicks(1, 200);
        QCOMPARE(m.link.inBufferCount(), 0);
        const ExchangeResult mr = exchange::directoryM(m.link, page, {});
        const auto f = protocol::splitM(mr.reply);
        QVERIFY(mr.ok() && f && (*f)[0] == (oa ? "001" : "000") && (*f)[2] == QByteArray::number(info.records)
                && (*f)[4] == bytes(info.pressure) + "\r\n");
        const QString arg = QString::asprintf("%04d", page);
        expected << "T" + arg << "N" << "N" << "M" + arg;
        if (!oa) {
            QVERIFY(exchange::pageGF(m.link, detailed, {}).ok());
            expected << (detailed ? "F" : "G");
        }
        QVERIFY(exchange::pageT(m.link, page, oa, {}).ok());
        QCOMPARE(exchange::pageHeader(m.link, oa, {}).reply, bytes(m.sim.pageHeaderText(page)));
        const std::vector<std::string> records = m.sim.pageRecords(page, detailed);
        Variable::resizeLiveSeries(int(records.size()));
        for (int i = 1; i <= int(records.size()); ++i) {
            const ExchangeResult r = oa ? exchange::pageOaRecord(m.link, {}) : exchange::pageCalRecord(m.link, detailed, {});
            QCOMPARE(r.reply, bytes(records[size_t(i - 1)]));
            QVERIFY(r.ok() && (oa ? protocol::splitOaRecord(r.reply).has_value() : ParseDataRecord(r.reply, i, detailed, 1)));
        }
        expected << "T" + arg;
    }
    QCOMPARE(m.commands(), expected);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::exchangeEnds_data()
{
    QTest::addColumn<End>("end");
    using enum FaultKind;
    const QByteArray any("*"), sim, header("AT\r\n2026/11/30 09:15:00");
    QTest::newRow("U silent") << End{"U", Silence, sim, "Unit Read(Measurment)", -1, 4, ""};
    QTest::newRow("U wrong acknowledgement") << End{"U", WrongAck, sim, "Unit Read(Measurment)", -1, 4, ""};
    QTest::newRow("U without separators") << End{"U", NoSeparators, sim, "Unit Read(Measurment)", -1, 1, ""};
    QTest::newRow("U: meter vanishes") << End{"U", Vanish, sim, "Unit Read(Measurment)", -1, -1, ""};
    QTest::newRow("S silent") << End{"S", Silence, sim, "S Command", 4, 4, ""};
    QTest::newRow("S without its acknowledgement") << End{"S", MissingAck, sim, "S Command", 4, 4, ""};
    QTest::newRow("S split over two reads") << End{"S", SplitReply, sim, "S Command", 4, 4, ""};
    QTest::newRow("S garbage") << End{"S", Garbage, sim, "S Command", 4, 4, ""};
    QTest::newRow("S without separators") << End{"S", NoSeparators, sim, "S Command", 1, 1, "AS 1 0 1013\r\n"};
    QTest::newRow("S and its data in one read") << End{"S", None, "AS;0;x;1001\r\n", "", 1, 1, "AS;0;x;1001\r\n"};
    QTest::newRow("G silent") << End{"G live", Silence, sim, "G Command(Measure)", 2, 1, ""};
    QTest::newRow("G wrong acknowledgement") << End{"G live", WrongAck, sim, "G Command(Measure)", 2, 1, "AX\r\n"};
    QTest::newRow("F late") << End{"F live", Late, sim, "F Command(Measure)", 2, 1, ""};
    QTest::newRow("G page read, wrong acknowledgement") << End{"G page", WrongAck, sim, "G Command(Cal)", -1, 1, "AX\r\n"};
    QTest::newRow("F page read, garbage") << End{"F page", Garbage, sim, "F Command(Cal)", -1, 1, any};
    QTest::newRow("G: AG CR LF") << End{"G page", None, "AG\r\n", "", -1, 1, "AG\r\n"};
    QTest::newRow("G: AG without CR LF") << End{"G page", None, "AG", "G Command(Cal)", -1, 1, "AG"};
    QTest::newRow("G: AG CR LF then more") << End{"G page", None, "AG\r\nX", "G Command(Cal)", -1, 1, "AG\r\nX"};
    QTest::newRow("G: more before AG") << End{"G page", None, "XAG\r\n", "G Command(Cal)", -1, 1, "XAG\r"};
    QTest::newRow("D without acknowledgement") << End{"D", MissingAck, sim, "D Command(Measure)", 11, 11, any};
    QTest::newRow("D short record") << End{"D", ShortRecord, sim, "D Command Data Read", 101, 101, any};
    QTest::newRow("D record without separators") << End{"D", NoSeparators, sim, "D Command Data Read", 37, 37, any};
    QTest::newRow("live reply wait: meter vanishes") << End{"D", Vanish, sim, "D Command(Measure)", 0, -1, any};
    QTest::newRow("live reply wait: Close pressed") << End{"D", Silence, sim, "cancelled", 0, -1, any};
    QTest::newRow("P silent") << End{"P", Silence, sim, "P Command", 4, 4, ""};
    QTest::newRow("P wrong acknowledgement") << End{"P", WrongAck, sim, "P Command", 4, 4, ""};
    QTest::newRow("T directory silent") << End{"T directory", Silence, sim, "T Command", 11, 11, ""};
    QTest::newRow("M silent") << End{"M", Silence, sim, "M Command Data Read(Cal/%OA)", 11, 11, ""};
    QTest::newRow("M without separators") << End{"M", NoSeparators, sim, "M Command Data Read(Cal/%OA)", 1, 1, "AM0001  000 10 20 AVG 1013\r\n"};
    QTest::newRow("T calculation page silent") << End{"T cal", Silence, sim, "T Command(Cal)", 4, 4, ""};
    QTest::newRow("T %OA page wrong acknowledgement") << End{"T oa", WrongAck, sim, "T Command(%OA)", 4, 4, any};
    QTest::newRow("T binary acknowledgement") << End{"T cal", None, QByteArray("\0\xFF\r\n", 4), "T Command(Cal)", 4, 4, ""};
    QTest::newRow("T: Close pressed") << End{"T cal", Silence, sim, "cancelled", 0, -1, any};
    QTest::newRow("header ends CR LF") << End{"header", None, header + "\r\n", "", 1, 1, "2026/11/30 09:15:00\r\n"};
    QTest::newRow("header without CR LF") << End{"header", None, header + "xx", "T Command Data Read(Cal Header)", 4, 4, ""};
    QTest::newRow("%OA record silent") << End{"oa records", Silence, sim, "T Command Data Read(%OA Data)", 101, 101, ""};
    QTest::newRow("%OA record without separators") << End{"oa records", NoSeparators, sim, "T Command Data Read(%OA Data)", 0, 0, any};
    QTest::newRow("calculation record without separators") << End{"cal records", NoSeparators, sim, "T Command Data Read(Cal Data)", 0, 0, any};
    QTest::newRow("calculation record too long") << End{"cal record", None, header + "\r\n" + QByteArray(120, '7'), "T Command Data Read(Cal Data)", 101, 101, QByteArray(101, '7')};
    QTest::newRow("calculation record: meter vanishes") << End{"cal records", Vanish, sim, "T Command Data Read(Cal Data)", 0, -1, any};
    QTest::newRow("calculation record: Close pressed") << End{"cal records", Silence, sim, "cancelled", 0, -1, any};
}

void TestSerialExchanges::exchangeEnds()
{
    QFETCH(End, end);
    auto [exchange, kind, answer, logName, loggedAttempts, reads, reply] = end;
    TestProgramFolder folder;
    Meter m(kind == FaultKind::Vanish ? 9600 : 115200);  // a vanish after the header is read
    ScriptedLine line;
    QVERIFY(m.opened);
    const bool oa = exchange.contains("oa"), records = exchange.contains("record");
    const int page = oa ? 2 : 1;
    m.sim.setFault(exchange == "header" || records ? "T" : exchange.left(1).toStdString(),
                   Fault{.kind = kind, .times = -1, .afterRecords = records ? 3 : 0, .pauseMs = 100});
    if (!answer.isEmpty()) {  // the port on the scripted line instead
        useDevice(line.path);
        QVERIFY(CloseComPort(m.link) && OpenComPort(m.link));
        line.onCommand = [&](const QByteArray &c) { line.send(c == "N" ? QByteArray("AN\r\n") : end.answer); };
    }
    QElapsedTimer since;  // Close is pressed 400 ms (scaled) into the exchange
    const CancelCheck cancel = [&] { return end.logName == "cancelled" && since.elapsed() > ScaledWaitMs(400); };
    since.start();
    qint16 flag = 9;
    QByteArray header;
    const std::map<QString, std::function<ExchangeResult()>> simple{
        {"U", [&] { return exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), cancel); }},
        {"S", [&] { return exchange::liveS(m.link, flag, cancel); }},
        {"G live", [&] { return exchange::liveGF(m.link, false, 2, cancel); }},
        {"F live", [&] { return exchange::liveGF(m.link, true, 2, cancel); }},
        {"G page", [&] { return exchange::pageGF(m.link, false, cancel); }},
        {"F page", [&] { return exchange::pageGF(m.link, true, cancel); }},
        {"P", [&] { return exchange::directoryP(m.link, cancel); }},
        {"T directory", [&] { return exchange::directoryT(m.link, 1, header, cancel); }},
        {"M", [&] { return exchange::directoryM(m.link, 1, cancel); }}};
    ExchangeResult r;
    if (simple.count(exchange)) {
        r = simple.at(exchange)();
    } else if (exchange == "D") {
        exchange::sendD(m.link);
        if (!(r = exchange::waitForInput(m.link, 37, 2000, cancel)).cancelled())
            r = exchange::liveDReply(m.link, false, cancel);
    } else {  // a page read: T, its header, its first record or (plural) its fourth
        r = exchange::pageT(m.link, page, oa, exchange.startsWith('T') ? cancel : CancelCheck());
        if (!exchange.startsWith('T') && r.ok())
            r = exchange::pageHeader(m.link, oa, {});
        for (int i = 0; records && r.ok() && i <= (exchange.endsWith('s') ? 3 : 0); ++i, since.start())
            r = oa ? exchange::pageOaRecord(m.link, cancel) : exchange::pageCalRecord(m.link, false, cancel);
    }
    if (kind == FaultKind::NoSeparators && records) {  // the record as the meter sent it, ";" blanked
        reply = bytes(m.sim.pageRecords(page, false)[3]).replace(';', ' ');
        loggedAttempts = reads = int(reply.size());
    }
    const auto outcome = logName.isEmpty() ? ExchangeResult::Ok
        : logName == "cancelled"           ? ExchangeResult::Cancelled : ExchangeResult::Failed;
    QCOMPARE(r.outcome, outcome);
    if (outcome == ExchangeResult::Failed)
        QCOMPARE(r.logName, logName);
    if (reads >= 0)
        QCOMPARE(QList<int>({r.attempts, r.loggedAttempts}), QList<int>({reads, loggedAttempts}));
    QVERIFY(reply == "*" || r.reply == reply);
    QVERIFY(exchange != "S" || (r.ok() ? flag == 0 && Variable::AtmosPressure == 1001 : flag == 9));
    if (records && outcome == ExchangeResult::Failed && kind != FaultKind::Vanish)  // it stopped the meter itself
        QVERIFY(answer.isEmpty() ? m.sim.waitForCommand("N", 2, 3000) : line.commands.count("N") == 2);
    exchange::logFailure(r);
    QCOMPARE(QFile::exists(QStringLiteral("RSErr.log")), outcome == ExchangeResult::Failed);
    // A vanished meter closes the port; otherwise it stays open for the caller's clean-up.
    QVERIFY(m.link.isOpen() != (kind == FaultKind::Vanish) && m.link.lost() == (kind == FaultKind::Vanish));
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
    for (const ExchangeResult &r : {exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), {}),
                                    exchange::liveS(m.link, flag, {}), exchange::liveGF(m.link, false, 3, {}),
                                    exchange::pageGF(m.link, false, {}), exchange::directoryP(m.link, {}),
                                    exchange::directoryT(m.link, 1, header, {}), exchange::directoryM(m.link, 1, {}),
                                    exchange::pageT(m.link, 2, true, {}), exchange::pageHeader(m.link, true, {})})
        exchange::logFailure(r);
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
    QVERIFY(maskedLog().startsWith("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,"));
    QVERIFY(maskedLog().endsWith(", 101\r\n"));
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
    const auto buttonsEnabled = [this] { return m_window->Command1->isEnabled() || m_window->Command3->isEnabled(); };
    m_window->Command1->setEnabled(true), m_window->Command3->setEnabled(true);
    bool disabledMeanwhile = false;
    QObject probe;  // looks while the meter is being stopped
    QTimer::singleShot(1600, &probe, [&] { disabledMeanwhile = !buttonsEnabled(); });
    QElapsedTimer t;
    t.start();
    const ExchangeResult r = exchange::pageOaRecord(m.link, {});
    // About a second of empty reads, then N: the drain's silent second, N, 500 ms, 100 reads.
    QVERIFY2(t.elapsed() >= 1000 + 1000 + 500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(r.outcome == ExchangeResult::Failed && r.attempts == 101 && r.reply.isEmpty());
    QVERIFY(disabledMeanwhile && m_window->Command1->isEnabled() && m_window->Command3->isEnabled());
    QVERIFY(m.link.inputLen() == 0);
    QCOMPARE(m.commands(), (QStringList{"T0002", "N", "N"}));
    const std::vector<metersim::Received> at = m.sim.received();
    QVERIFY2(at[1].t - at[0].t >= 0.9 && at[2].t - at[1].t >= 0.95,
             qPrintable(QStringLiteral("%1 %2").arg(at[1].t - at[0].t).arg(at[2].t - at[1].t)));
    QCOMPARE(maskedLog(), QByteArray("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,, 101\r\n"));
}

QTEST_MAIN(TestSerialExchanges)
#include "test_serial_exchanges.moc"
