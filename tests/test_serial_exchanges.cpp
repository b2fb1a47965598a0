// Every exchange of the meter's command set against the simulated meter on a real pty: the
// accepting road of the live run, the directory and the page read, then every way to fail, with
// the number of reads before giving up and the RSErr.log lines byte for byte. Waits run at a
// quarter of their time except where a test says it runs the real timing.

#include <QPushButton>
#include <QtTest>
#include <memory>

#include "i18n/CodePage.h"
#include "mainwindow/FrmMenu.h"
#include "metersim/Simulator.h"
#include "serial/Exchanges.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "test_serial_support.h"

using metersim::Fault;
using metersim::FaultKind;

namespace {

constexpr double kTestScale = 0.25;

// The real waits for one test.
struct RealTiming {
    RealTiming() { SetWaitScale(1.0); }
    ~RealTiming() { SetWaitScale(kTestScale); }
};

// A simulated meter at 115200 baud and the program's port open on it.
struct Meter {
    explicit Meter(int baud = 115200)
        : sim([&] {
              metersim::Config c;
              c.baud = baud;
              return c;
          }())
    {
        started = sim.start();
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
    bool started = false;
    bool opened = false;
};

QByteArray bytes(const std::string &s) { return QByteArray(s.data(), qsizetype(s.size())); }

Fault fault(FaultKind kind, int times = -1, int afterRecords = 0, int pauseMs = 600)
{
    Fault f;
    f.kind = kind;
    f.times = times;
    f.afterRecords = afterRecords;
    f.pauseMs = pauseMs;
    return f;
}

} // namespace

Q_DECLARE_METATYPE(FaultKind)
Q_DECLARE_METATYPE(ExchangeResult::Outcome)

class TestSerialExchanges : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void liveRoad_data();
    void liveRoad();
    void unitTextsInTheSystemCodePage_data();
    void unitTextsInTheSystemCodePage();
    void directoryRoad();
    void pageRoad_data();
    void pageRoad();
    void failures_data();
    void failures();
    void exactReplies_data();
    void exactReplies();
    void logLinesByteForByte();
    void drainWaitsForOneSilentSecond();
    void drainEndsAfterTheLineFallsSilent();
    void endlessDataEndsDrainAndStop();
    void stopCommandAgainstSilentMeter();
    void stopCommandStopsAStreamingPage();
    void calRecordKeepsWaitingUntilCancelled();
    void calRecordTooLong();
    void oaRecordFromSilentMeterRealTiming();
    void cancelledExchangeTouchesNothing();
    void meterVanishesMidExchange_data();
    void meterVanishesMidExchange();

private:
    std::unique_ptr<FrmMenu> m_window;
};

void TestSerialExchanges::initTestCase()
{
    SetWaitScale(kTestScale);
    // SendStopCommand disables the main window's buttons; Timer1 is the tick source of the waits.
    m_window.reset(new FrmMenu);
}

void TestSerialExchanges::cleanupTestCase()
{
    m_window.reset();
    SetWaitScale(1.0);
}

void TestSerialExchanges::liveRoad_data()
{
    QTest::addColumn<bool>("detailed");
    QTest::newRow("standard") << false;
    QTest::newRow("detailed") << true;
}

void TestSerialExchanges::liveRoad()
{
    QFETCH(bool, detailed);
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    const ExchangeResult units = exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), {});
    QVERIFY(units.ok());
    QCOMPARE(Variable::UnitCO, QStringLiteral("ppm"));
    QCOMPARE(Variable::UnitTemp, QString::fromLatin1("\xDF" "C"));
    QCOMPARE(Variable::UnitHumRatio, QStringLiteral("g/kg"));
    QCOMPARE(Variable::UnitField9, QStringLiteral("hPa\r\n"));

    qint16 flag = 1;
    const ExchangeResult s = exchange::liveS(m.link, flag, {});
    QVERIFY(s.ok());
    QCOMPARE(s.attempts, 1);
    QCOMPARE(flag, qint16(1));
    QCOMPARE(Variable::AtmosPressure, 1013);
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
        QCOMPARE(d.reply.size(), detailed ? 65 : 33);
        QCOMPARE(d.attempts, 4 + int(d.reply.size()));
        QVERIFY(ParseDataRecord(d.reply, i, detailed ? 1 : 0, 0));
        QVERIFY(Variable::CO2Data[i] > 300);
        QCOMPARE(Variable::DewPointData[i] != 0, detailed);
    }
    SendStopCommand(m.link);
    QCOMPARE(m.commands(), (QStringList{"U", "S", detailed ? "F" : "G", "D0001", "D0001", "D0001", "N", "N"}));
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::unitTextsInTheSystemCodePage_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("unitTemp");
    QTest::newRow("English system") << QByteArray("en_US.UTF-8") << QString::fromLatin1("\xDF" "C");
    QTest::newRow("Japanese system") << QByteArray("ja_JP.UTF-8") << QStringLiteral(u"\uFF9FC");
    QTest::newRow("Chinese system") << QByteArray("zh_CN.UTF-8") << QStringLiteral(u"\u9024");
}

void TestSerialExchanges::unitTextsInTheSystemCodePage()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, unitTemp);
    TestProgramFolder folder(locale);
    Meter m;
    QVERIFY(m.opened);
    QVERIFY(exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), {}).ok());
    QCOMPARE(Variable::UnitTemp, unitTemp);
    QCOMPARE(Variable::UnitDewPoint, unitTemp);
    QCOMPARE(Variable::UnitCO2, QStringLiteral("ppm"));
}

void TestSerialExchanges::directoryRoad()
{
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    const ExchangeResult p = exchange::directoryP(m.link, {});
    QVERIFY(p.ok());
    QCOMPARE(protocol::splitP(p.reply), 3);
    QStringList expected{"P"};
    for (int page = 1; page <= 3; ++page) {
        QByteArray header;
        QVERIFY(exchange::directoryT(m.link, page, header, {}).ok());
        QCOMPARE(header, bytes(m.sim.pageHeaderText(page)));
        SendStopCommand(m.link);
        const ExchangeResult mr = exchange::directoryM(m.link, page, {});
        QVERIFY(mr.ok());
        const auto fields = protocol::splitM(mr.reply);
        QVERIFY(fields);
        const metersim::Page &info = m.sim.config().pages[size_t(page - 1)];
        QCOMPARE((*fields)[0], QByteArray(info.oa ? "001" : "000"));
        QCOMPARE((*fields)[2], QByteArray::number(info.records));
        QCOMPARE((*fields)[4], bytes(info.pressure) + "\r\n");
        const QString arg = QString::asprintf("%04d", page);
        expected << "T" + arg << "N" << "N" << "M" + arg;
    }
    QCOMPARE(m.commands(), expected);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::pageRoad_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("detailed");
    QTest::newRow("calculation page, standard") << 1 << false;
    QTest::newRow("calculation page, detailed") << 3 << true;
    QTest::newRow("%OA page") << 2 << false;
}

void TestSerialExchanges::pageRoad()
{
    QFETCH(int, page);
    QFETCH(bool, detailed);
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    const bool oa = m.sim.config().pages[size_t(page - 1)].oa;
    const int n = m.sim.config().pages[size_t(page - 1)].records;
    QVERIFY(exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), {}).ok());
    if (!oa)
        QVERIFY(exchange::pageGF(m.link, detailed, {}).ok());
    QVERIFY(exchange::pageT(m.link, page, oa, {}).ok());
    const ExchangeResult header = exchange::pageHeader(m.link, oa, {});
    QVERIFY(header.ok());
    QCOMPARE(header.reply, bytes(m.sim.pageHeaderText(page)));

    const std::vector<std::string> records = m.sim.pageRecords(page, detailed);
    QCOMPARE(int(records.size()), n);
    Variable::resizeLiveSeries(n);
    for (int i = 1; i <= n; ++i) {
        const ExchangeResult r = oa ? exchange::pageOaRecord(m.link, {}) : exchange::pageCalRecord(m.link, detailed, {});
        QVERIFY2(r.ok(), qPrintable(QString::number(i)));
        QCOMPARE(r.reply, bytes(records[size_t(i - 1)]));
        if (!oa)
            QVERIFY(ParseDataRecord(r.reply, i, detailed ? 1 : 0, 1));
        else
            QVERIFY(protocol::splitOaRecord(r.reply));
    }
    QStringList expected{"U"};
    if (!oa)
        expected << (detailed ? "F" : "G");
    expected << QString::asprintf("T%04d", page);
    QCOMPARE(m.commands(), expected);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

// Each failing exchange: the fault the meter shows, what the exchange ends with and what it logs.
void TestSerialExchanges::failures_data()
{
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<int>("afterRecords");
    QTest::addColumn<QString>("logName");
    QTest::addColumn<int>("loggedAttempts");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QByteArray>("reply");  // "*" = not fixed (a record of the room's air, noise)

    const QByteArray any("*");
    QTest::newRow("U silent") << "U" << "U" << FaultKind::Silence << 0 << "Unit Read(Measurment)" << -1 << 4 << QByteArray();
    QTest::newRow("U wrong acknowledgement") << "U" << "U" << FaultKind::WrongAck << 0 << "Unit Read(Measurment)" << -1 << 4 << QByteArray();
    QTest::newRow("U without separators") << "U" << "U" << FaultKind::NoSeparators << 0 << "Unit Read(Measurment)" << -1 << 1 << QByteArray();
    QTest::newRow("S silent") << "S" << "S" << FaultKind::Silence << 0 << "S Command" << 4 << 4 << QByteArray();
    QTest::newRow("S without its acknowledgement") << "S" << "S" << FaultKind::MissingAck << 0 << "S Command" << 4 << 4 << QByteArray();
    QTest::newRow("S split over two reads") << "S" << "S" << FaultKind::SplitReply << 0 << "S Command" << 4 << 4 << QByteArray();
    QTest::newRow("S garbage") << "S" << "S" << FaultKind::Garbage << 0 << "S Command" << 4 << 4 << QByteArray();
    QTest::newRow("S without separators") << "S" << "S" << FaultKind::NoSeparators << 0 << "S Command" << 1 << 1 << QByteArray("AS 1 0 1013\r\n");
    QTest::newRow("G silent") << "G live" << "G" << FaultKind::Silence << 0 << "G Command(Measure)" << 2 << 1 << QByteArray();
    QTest::newRow("G wrong acknowledgement") << "G live" << "G" << FaultKind::WrongAck << 0 << "G Command(Measure)" << 2 << 1 << QByteArray("AX\r\n");
    QTest::newRow("F late") << "F live" << "F" << FaultKind::Late << 0 << "F Command(Measure)" << 2 << 1 << QByteArray();
    QTest::newRow("G page read, wrong acknowledgement") << "G page" << "G" << FaultKind::WrongAck << 0 << "G Command(Cal)" << -1 << 1 << QByteArray("AX\r\n");
    QTest::newRow("F page read, garbage") << "F page" << "F" << FaultKind::Garbage << 0 << "F Command(Cal)" << -1 << 1 << any;
    QTest::newRow("D without acknowledgement") << "D" << "D" << FaultKind::MissingAck << 0 << "D Command(Measure)" << 11 << 11 << any;
    QTest::newRow("D short record") << "D" << "D" << FaultKind::ShortRecord << 0 << "D Command Data Read" << 101 << 101 << any;
    QTest::newRow("D record without separators") << "D" << "D" << FaultKind::NoSeparators << 0 << "D Command Data Read" << 37 << 37 << any;
    QTest::newRow("P silent") << "P" << "P" << FaultKind::Silence << 0 << "P Command" << 4 << 4 << QByteArray();
    QTest::newRow("P wrong acknowledgement") << "P" << "P" << FaultKind::WrongAck << 0 << "P Command" << 4 << 4 << QByteArray();
    QTest::newRow("T directory silent") << "T directory" << "T" << FaultKind::Silence << 0 << "T Command" << 11 << 11 << QByteArray();
    QTest::newRow("M silent") << "M" << "M" << FaultKind::Silence << 0 << "M Command Data Read(Cal/%OA)" << 11 << 11 << QByteArray();
    QTest::newRow("M without separators") << "M" << "M" << FaultKind::NoSeparators << 0 << "M Command Data Read(Cal/%OA)" << 1 << 1 << QByteArray("AM0001  000 10 20 AVG 1013\r\n");
    QTest::newRow("T calculation page silent") << "T cal" << "T" << FaultKind::Silence << 0 << "T Command(Cal)" << 4 << 4 << QByteArray();
    QTest::newRow("T %OA page wrong acknowledgement") << "T oa" << "T" << FaultKind::WrongAck << 0 << "T Command(%OA)" << 4 << 4 << any;
    QTest::newRow("%OA record silent") << "oa records" << "T" << FaultKind::Silence << 2 << "T Command Data Read(%OA Data)" << 101 << 101 << QByteArray();
    QTest::newRow("%OA record without separators") << "oa records" << "T" << FaultKind::NoSeparators << 2 << "T Command Data Read(%OA Data)" << 0 << 0 << any;
    QTest::newRow("calculation record without separators") << "cal records" << "T" << FaultKind::NoSeparators << 3 << "T Command Data Read(Cal Data)" << 0 << 0 << any;
}

void TestSerialExchanges::failures()
{
    QFETCH(QString, exchange);
    QFETCH(QString, letter);
    QFETCH(FaultKind, kind);
    QFETCH(int, afterRecords);
    QFETCH(QString, logName);
    QFETCH(int, loggedAttempts);
    QFETCH(int, reads);
    QFETCH(QByteArray, reply);
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    m.sim.setFault(letter.toStdString(), fault(kind, -1, afterRecords, 100));

    ExchangeResult r;
    QByteArray record;  // the records' expected texts for the record rows
    if (exchange == "U") {
        r = exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), {});
    } else if (exchange == "S") {
        qint16 flag = 9;
        r = exchange::liveS(m.link, flag, {});
        QCOMPARE(flag, qint16(9));
    } else if (exchange == "G live" || exchange == "F live") {
        r = exchange::liveGF(m.link, exchange == "F live", 2, {});
    } else if (exchange == "G page" || exchange == "F page") {
        r = exchange::pageGF(m.link, exchange == "F page", {});
    } else if (exchange == "D") {
        exchange::sendD(m.link);
        QVERIFY(m.sim.waitForCommand("D0001", 1, 2000));
        WaitTicks(1, 200);
        r = exchange::liveDReply(m.link, false, {});
    } else if (exchange == "P") {
        r = exchange::directoryP(m.link, {});
    } else if (exchange == "T directory") {
        QByteArray header = "untouched";
        r = exchange::directoryT(m.link, 1, header, {});
        QCOMPARE(header, QByteArray("untouched"));
    } else if (exchange == "M") {
        r = exchange::directoryM(m.link, 1, {});
    } else if (exchange == "T cal" || exchange == "T oa") {
        r = exchange::pageT(m.link, exchange == "T oa" ? 2 : 1, exchange == "T oa", {});
    } else if (exchange == "oa records" || exchange == "cal records") {
        const bool oa = exchange == "oa records";
        const int page = oa ? 2 : 1;
        QVERIFY(exchange::pageT(m.link, page, oa, {}).ok());
        QVERIFY(exchange::pageHeader(m.link, oa, {}).ok());
        for (int i = 1; i <= afterRecords; ++i)
            QVERIFY((oa ? exchange::pageOaRecord(m.link, {}) : exchange::pageCalRecord(m.link, false, {})).ok());
        r = oa ? exchange::pageOaRecord(m.link, {}) : exchange::pageCalRecord(m.link, false, {});
        if (kind == FaultKind::NoSeparators) {
            record = bytes(m.sim.pageRecords(page, false)[size_t(afterRecords)]);
            record.replace(';', ' ');
            loggedAttempts = reads = int(record.size());
            reply = record;
        }
        // A record read that fails stops the meter itself.
        QVERIFY(m.sim.waitForCommand("N", 2, 3000));
    }
    QCOMPARE(r.outcome, ExchangeResult::Failed);
    QCOMPARE(r.logName, logName);
    QCOMPARE(r.loggedAttempts, loggedAttempts);
    QCOMPARE(r.attempts, reads);
    if (reply != "*")
        QCOMPARE(r.reply, reply);
    exchange::logFailure(r);
    const QByteArray expectedLine = "yyyy/MM/dd HH:mm:ss," + logName.toLatin1() + ',' + r.reply + ','
        + (loggedAttempts < 0 ? QByteArray::number(loggedAttempts) : ' ' + QByteArray::number(loggedAttempts)) + "\r\n";
    QCOMPARE(maskedLog(), "RS232C Error Log File\r\n" + expectedLine);
    // The program goes on: the port is still open and usable for the caller's clean-up.
    QVERIFY(m.link.isOpen());
}

// Replies only a scripted line sends: the exact texts of the G/F comparison and the page header.
void TestSerialExchanges::exactReplies_data()
{
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<ExchangeResult::Outcome>("outcome");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("G: AG CR LF") << "G" << QByteArray("AG\r\n") << ExchangeResult::Ok << 1 << QByteArray("AG\r\n");
    QTest::newRow("G: AG without CR LF") << "G" << QByteArray("AG") << ExchangeResult::Failed << 1 << QByteArray("AG");
    QTest::newRow("G: AG CR LF then more") << "G" << QByteArray("AG\r\nX") << ExchangeResult::Failed << 1 << QByteArray("AG\r\nX");
    QTest::newRow("G: more before AG") << "G" << QByteArray("XAG\r\n") << ExchangeResult::Failed << 1 << QByteArray("XAG\r");
    QTest::newRow("header ends CR LF") << "header" << QByteArray("AT\r\n2026/11/30 09:15:00\r\n") << ExchangeResult::Ok << 1
                                       << QByteArray("2026/11/30 09:15:00\r\n");
    QTest::newRow("header without CR LF") << "header" << QByteArray("AT\r\n2026/11/30 09:15:00xx") << ExchangeResult::Failed << 4
                                          << QByteArray();
    QTest::newRow("binary acknowledgement") << "T" << QByteArray("\x00\xFF\r\n", 4) << ExchangeResult::Failed << 4 << QByteArray();
    QTest::newRow("S and its data in one read") << "S" << QByteArray("AS;0;x;1001\r\n") << ExchangeResult::Ok << 1
                                                << QByteArray("AS;0;x;1001\r\n");
}

void TestSerialExchanges::exactReplies()
{
    QFETCH(QString, exchange);
    QFETCH(QByteArray, answer);
    QFETCH(ExchangeResult::Outcome, outcome);
    QFETCH(int, reads);
    QFETCH(QByteArray, reply);
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    line.onCommand = [&](const QByteArray &) { line.send(answer); };
    ExchangeResult r;
    if (exchange == "G") {
        r = exchange::pageGF(link, false, {});
    } else if (exchange == "header") {
        QVERIFY(exchange::pageT(link, 7, false, {}).ok());
        r = exchange::pageHeader(link, false, {});
        QCOMPARE(line.commands, QList<QByteArray>{"T0007"});
    } else if (exchange == "T") {
        r = exchange::pageT(link, 7, false, {});
    } else if (exchange == "S") {
        qint16 flag = 1;
        r = exchange::liveS(link, flag, {});
        QCOMPARE(flag, qint16(0));
        QCOMPARE(Variable::AtmosPressure, 1001);
    }
    QCOMPARE(r.outcome, outcome);
    QCOMPARE(r.attempts, reads);
    QCOMPARE(r.reply, reply);
    CloseComPort(link);
}

void TestSerialExchanges::logLinesByteForByte()
{
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    for (const char *letter : {"U", "S", "G", "N", "P", "T", "M"})
        m.sim.setFault(letter, fault(FaultKind::Silence));
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

void TestSerialExchanges::drainWaitsForOneSilentSecond()
{
    RealTiming real;
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    QElapsedTimer t;
    t.start();
    QVERIFY(exchange::drainLine(m.link, {}));
    QVERIFY2(t.elapsed() >= 950, qPrintable(QString::number(t.elapsed())));
    QVERIFY(m.commands().isEmpty());
}

void TestSerialExchanges::drainEndsAfterTheLineFallsSilent()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    const int round = ScaledWaitMs(1000);
    line.startNoise("0001;    1.0;  500.0;   21.0;   40.0\r\n", 20);
    QTimer::singleShot(round * 5 / 2, &line, [&] { line.stopNoise(); });
    QElapsedTimer t;
    t.start();
    QVERIFY(exchange::drainLine(link, {}));
    // Three rounds heard something; the one after the last byte was silent.
    QVERIFY2(t.elapsed() >= round * 3, qPrintable(QString::number(t.elapsed())));
    QVERIFY2(t.elapsed() < round * 8, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(link.inBufferCount(), 0);

    // A cancel (window closed) inside the drain ends it at once.
    bool cancel = false;
    QTimer::singleShot(round / 2, [&] { cancel = true; });
    QVERIFY(!exchange::drainLine(link, [&] { return cancel; }));
    CloseComPort(link);
}

void TestSerialExchanges::endlessDataEndsDrainAndStop()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    line.startNoise(QByteArray("\x00\xFFnoise\r\n", 9), 10);
    const int round = ScaledWaitMs(1000);
    QElapsedTimer t;
    t.start();
    // The drain gives up after ten seconds of talk; the unit read then judges the noise.
    const ExchangeResult u = exchange::readUnits(link, QStringLiteral("Unit Read(Measurment)"), {});
    QCOMPARE(u.outcome, ExchangeResult::Failed);
    QVERIFY(t.elapsed() >= round * 10);
    QVERIFY(t.elapsed() < round * 10 + 5000);
    QCOMPARE(line.commands, QList<QByteArray>{"U"});

    // The N command comes to an end too, and logs the noise it read instead of "AN" CR LF.
    t.restart();
    SendStopCommand(link);
    QVERIFY(t.elapsed() < round * 10 + 5000);
    QCOMPARE(line.commands, (QList<QByteArray>{"U", "N", "N"}));
    const QByteArray log = maskedLog();
    QVERIFY(log.startsWith("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,"));
    QVERIFY(log.endsWith(", 101\r\n"));
    line.stopNoise();
    CloseComPort(link);
}

void TestSerialExchanges::stopCommandAgainstSilentMeter()
{
    RealTiming real;
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    m.sim.setFault("N", fault(FaultKind::Silence));
    m_window->Command1->setEnabled(true);
    m_window->Command3->setEnabled(true);
    bool disabledMeanwhile = false;
    QTimer::singleShot(300, [&] {
        disabledMeanwhile = !m_window->Command1->isEnabled() && !m_window->Command3->isEnabled();
    });
    QElapsedTimer t;
    t.start();
    SendStopCommand(m.link);
    const qint64 elapsed = t.elapsed();
    // The drain's silent second, 500 ms, then 100 reads that find nothing.
    QVERIFY2(elapsed >= 1450, qPrintable(QString::number(elapsed)));
    QVERIFY(disabledMeanwhile);
    QVERIFY(m_window->Command1->isEnabled());
    QVERIFY(m_window->Command3->isEnabled());
    QCOMPARE(m.link.inputLen(), 0);
    QCOMPARE(m.commands(), (QStringList{"N", "N"}));
    const std::vector<metersim::Received> received = m.sim.received();
    QVERIFY2(received[1].t - received[0].t >= 0.95, qPrintable(QString::number(received[1].t - received[0].t)));
    QCOMPARE(maskedLog(), QByteArray("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,, 101\r\n"));
}

void TestSerialExchanges::stopCommandStopsAStreamingPage()
{
    TestProgramFolder folder;
    Meter m(9600);  // a page at the meter's own pace takes a while
    QVERIFY(m.opened);
    QByteArray header;
    QVERIFY(exchange::directoryT(m.link, 1, header, {}).ok());
    QVERIFY(m.link.inBufferCount() > 0 || !m.sim.idle());
    SendStopCommand(m.link);
    QCOMPARE(m.commands(), (QStringList{"T0001", "N", "N"}));
    QVERIFY(m.sim.idle());
    WaitTicks(1, 200);
    QCOMPARE(m.link.inBufferCount(), 0);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::calRecordKeepsWaitingUntilCancelled()
{
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    m.sim.setFault("T", fault(FaultKind::Silence, 1, 1));
    QVERIFY(exchange::pageT(m.link, 1, false, {}).ok());
    QVERIFY(exchange::pageHeader(m.link, false, {}).ok());
    QVERIFY(exchange::pageCalRecord(m.link, {}).ok());
    // The meter falls silent mid-page: the read waits, window alive, until Close.
    bool closePressed = false;
    QTimer::singleShot(ScaledWaitMs(3000), [&] { closePressed = true; });
    const ExchangeResult r = exchange::pageCalRecord(m.link, [&] { return closePressed; });
    QCOMPARE(r.outcome, ExchangeResult::Cancelled);
    QVERIFY(closePressed);
    exchange::logFailure(r);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
}

void TestSerialExchanges::calRecordTooLong()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    line.onCommand = [&](const QByteArray &command) {
        if (command.startsWith('T'))
            line.send("AT\r\n2026/11/30 09:15:00\r\n" + QByteArray(120, '7'));
        else if (command == "N")
            line.send("AN\r\n");
    };
    QVERIFY(exchange::pageT(link, 1, false, {}).ok());
    QVERIFY(exchange::pageHeader(link, false, {}).ok());
    const ExchangeResult r = exchange::pageCalRecord(link, {});
    QCOMPARE(r.outcome, ExchangeResult::Failed);
    QCOMPARE(r.loggedAttempts, 101);
    QCOMPARE(r.reply, QByteArray(101, '7'));
    QCOMPARE(line.commands, (QList<QByteArray>{"T0001", "N", "N"}));
    CloseComPort(link);
}

void TestSerialExchanges::oaRecordFromSilentMeterRealTiming()
{
    RealTiming real;
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    m.sim.setFault("T", fault(FaultKind::Silence, 1, 1));
    QVERIFY(exchange::pageT(m.link, 2, true, {}).ok());
    QVERIFY(exchange::pageHeader(m.link, true, {}).ok());
    QVERIFY(exchange::pageOaRecord(m.link, {}).ok());
    QElapsedTimer t;
    t.start();
    const ExchangeResult r = exchange::pageOaRecord(m.link, {});
    QCOMPARE(r.outcome, ExchangeResult::Failed);
    QCOMPARE(r.attempts, 101);
    QCOMPARE(r.reply, QByteArray());
    // About a second of empty reads, then the N command (drain, 500 ms, "AN").
    QVERIFY2(t.elapsed() >= 1000 + 1000 + 500, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(m.commands(), (QStringList{"T0002", "N", "N"}));
    const std::vector<metersim::Received> received = m.sim.received();
    QVERIFY2(received[1].t - received[0].t >= 0.9, qPrintable(QString::number(received[1].t - received[0].t)));
}

void TestSerialExchanges::cancelledExchangeTouchesNothing()
{
    TestProgramFolder folder;
    Meter m;
    QVERIFY(m.opened);
    m.sim.setFault("T", fault(FaultKind::Silence));
    bool closed = false;
    QTimer::singleShot(ScaledWaitMs(400), [&] { closed = true; });
    const ExchangeResult r = exchange::pageT(m.link, 1, false, [&] { return closed; });
    QCOMPARE(r.outcome, ExchangeResult::Cancelled);
    QVERIFY(r.attempts < 3);
    exchange::logFailure(r);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));

    // The program's end cancels as well: a live D reply wait gives up.
    bool stop = false;
    QTimer::singleShot(ScaledWaitMs(400), [&] { stop = true; });
    QCOMPARE(exchange::waitForInput(m.link, 37, -1, [&] { return stop; }).outcome, ExchangeResult::Cancelled);
    QCOMPARE(exchange::waitForInput(m.link, 37, 50, {}).outcome, ExchangeResult::Failed);
}

void TestSerialExchanges::meterVanishesMidExchange_data()
{
    QTest::addColumn<QString>("exchange");
    QTest::newRow("U reply") << "U";
    QTest::newRow("page record") << "record";
    QTest::newRow("live reply wait") << "D";
}

void TestSerialExchanges::meterVanishesMidExchange()
{
    QFETCH(QString, exchange);
    TestProgramFolder folder;
    Meter m(9600);
    QVERIFY(m.opened);
    QElapsedTimer t;
    ExchangeResult r;
    if (exchange == "U") {
        m.sim.setFault("U", fault(FaultKind::Vanish));
        t.start();
        r = exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), {});
    } else if (exchange == "record") {
        m.sim.setFault("T", fault(FaultKind::Vanish, 1, 3));
        QVERIFY(exchange::pageT(m.link, 1, false, {}).ok());
        QVERIFY(exchange::pageHeader(m.link, false, {}).ok());
        t.start();
        for (int i = 0; i < 3; ++i)
            QVERIFY(exchange::pageCalRecord(m.link, {}).ok());
        r = exchange::pageCalRecord(m.link, {});
    } else {
        m.sim.setFault("D", fault(FaultKind::Vanish));
        exchange::sendD(m.link);
        t.start();
        r = exchange::waitForInput(m.link, 37, -1, {});
    }
    QCOMPARE(r.outcome, ExchangeResult::Failed);
    QVERIFY(m.link.lost());
    QVERIFY(!m.link.isOpen());
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(CloseComPort(m.link));
}

QTEST_MAIN(TestSerialExchanges)
#include "test_serial_exchanges.moc"
