// The meter's exchanges on a pty: the units in each code page, a transfer visit end to end, how
// each exchange ends, RSErr.log, drain and N.

#include <QtTest>

#include "serial/Exchanges.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"
#include "transfer/PageTransfer.h"
#include "test_serial_support.h"

using metersim::FaultKind;

constexpr double kTestScale = 0.25;

// A simulated meter and the program's port open on it (or on another device, a scripted line).
struct Meter : SimFixture {
    explicit Meter(int baud = 115200, const QString &device = {}) : SimFixture({.baud = baud})
    {
        opened = ok() && OpenComPort(link, deviceSettings(device.isEmpty() ? devicePath() : device));
    }
    ~Meter() { CloseComPort(link); }
    SerialLink link;
    bool opened = false;
};

QByteArray bytes(const std::string &s) { return QByteArray(s.data(), qsizetype(s.size())); }

// The simulated meter's fault or a scripted line's answer to every command (N: "AN" CR LF); how the
// exchange ends (Cancelled: Close pressed), log name, logged attempts, reads (-1: any), text kept ("*": any).
struct End {
    QString exchange; FaultKind kind; QByteArray answer;
    ExchangeResult::Outcome outcome; QString logName; int loggedAttempts, reads; QByteArray reply;
};

Q_DECLARE_METATYPE(End)

class TestSerialExchanges : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetWaitScale(kTestScale); }

    void units_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("degrees");  // the meter's 0xDF "C" in the system's code page
        QTest::newRow("English system") << QByteArray("en_US.UTF-8") << QString::fromLatin1("\xDF" "C");
        QTest::newRow("Japanese system") << QByteArray("ja_JP.UTF-8") << QStringLiteral(u"\uFF9FC");
        QTest::newRow("Chinese system") << QByteArray("zh_CN.UTF-8") << QStringLiteral(u"\u9024");
    }

    void units()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QString, degrees);
        TestProgramFolder folder(locale);
        Meter m;
        QVERIFY(m.opened);
        exchange::UnitTexts u;
        QVERIFY(exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), u, {}).ok());
        QCOMPARE(QStringList({u[0], u[2], u[4], u[8]}), QStringList({"ppm", degrees, degrees, "hPa\r\n"}));
        QCOMPARE(m.commands(), QStringList{"U"});
    }

    void transfer()
    {
        // A whole visit through the transfer model at the meter's own pace (9600 baud): a directory T
        // still streams its page when N comes, and what is left of it must not reach M.
        TestProgramFolder folder;
        SimFixture sim({.baud = 9600});
        QVERIFY(sim.ok());
        SerialLink link;
        transfer::PageTransfer visit(deviceSettings(sim.devicePath()), &link);
        QList<int> rows;
        connect(&visit, &transfer::PageTransfer::pageRowReady, this, [&](int page) { rows << page; });
        QCOMPARE(visit.readDirectory(), transfer::PageTransfer::Outcome::Ok);
        QVERIFY(rows == QList<int>({1, 2, 3}) && !link.isOpen());
        QString expected = QStringLiteral("P T0001 N N M0001 T0002 N N M0002 T0003 N N M0003");
        for (int page = 1; page <= 3; ++page) {
            const metersim::Page &info = sim->config().pages[size_t(page - 1)];
            visit.state().DetailedMode = page == 3;
            const transfer::PageTransfer::PageRead read = visit.readPage(page);
            QCOMPARE(read.outcome, transfer::PageTransfer::Outcome::Ok);
            QCOMPARE(read.data.count(), int(sim->pageRecords(page, page == 3).size()));
            QCOMPARE(read.data.atmosPressure, std::stoi(info.pressure));
            QVERIFY(!link.isOpen());
            const char *mode = info.oa ? "" : page == 3 ? " F" : " G";
            expected += QStringLiteral(" U%2 T%1").arg(page, 4, 10, QLatin1Char('0')).arg(mode);
        }
        QCOMPARE(sim.commands().join(' '), expected);
        QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
    }

    void exchangeEnds_data()
    {
        QTest::addColumn<End>("end");
        using enum FaultKind;
        using enum ExchangeResult::Outcome;
        const QByteArray any("*"), sim, header("AT\r\n2026/11/30 09:15:00");
        const auto row = [](const char *name, const End &end) { QTest::newRow(name) << end; };
        row("U wrong acknowledgement", {"U", WrongAck, sim, Failed, "Unit Read(Measurment)", -1, 4, ""});
        row("U without separators", {"U", NoSeparators, sim, Failed, "Unit Read(Measurment)", -1, 1, ""});
        row("U: meter vanishes", {"U", Vanish, sim, Failed, "Unit Read(Measurment)", -1, -1, ""});
        row("S without its acknowledgement", {"S", MissingAck, sim, Failed, "S Command", 4, 4, ""});
        row("S split over two reads", {"S", SplitReply, sim, Failed, "S Command", 4, 4, ""});
        row("S without separators", {"S", NoSeparators, sim, Failed, "S Command", 1, 1, "AS 1 0 1013\r\n"});
        row("S and its data in one read", {"S", None, "AS;1;x;1001\r\n", Ok, "", 1, 1, "AS;1;x;1001\r\n"});
        row("G wrong acknowledgement", {"G live", WrongAck, sim, Failed, "G Command(Measure)", 2, 1, "AX\r\n"});
        row("F late", {"F live", Late, sim, Failed, "F Command(Measure)", 2, 1, ""});
        row("G page read, wrong acknowledgement", {"G page", WrongAck, sim, Failed, "G Command(Cal)", -1, 1, "AX\r\n"});
        row("F page read, garbage", {"F page", Garbage, sim, Failed, "F Command(Cal)", -1, 1, any});
        row("G: AG CR LF", {"G page", None, "AG\r\n", Ok, "", -1, 1, "AG\r\n"});
        row("G: AG without CR LF", {"G page", None, "AG", Failed, "G Command(Cal)", -1, 1, "AG"});
        row("G: AG CR LF then more", {"G page", None, "AG\r\nX", Failed, "G Command(Cal)", -1, 1, "AG\r\nX"});
        row("G: more before AG", {"G page", None, "XAG\r\n", Failed, "G Command(Cal)", -1, 1, "XAG\r"});
        row("D without acknowledgement", {"D", MissingAck, sim, Failed, "D Command(Measure)", 11, 11, any});
        row("D short record", {"D", ShortRecord, sim, Failed, "D Command Data Read", 101, 101, any});
        row("D record without separators", {"D", NoSeparators, sim, Failed, "D Command Data Read", 37, 37, any});
        row("live reply wait: meter vanishes", {"D", Vanish, sim, Failed, "D Command(Measure)", 0, -1, any});
        row("live reply wait: Close pressed", {"D", Silence, sim, Cancelled, "", 0, -1, any});
        row("P wrong acknowledgement", {"P", WrongAck, sim, Failed, "P Command", 4, 4, ""});
        row("T directory silent", {"T directory", Silence, sim, Failed, "T Command", 11, 11, ""});
        row("M silent", {"M", Silence, sim, Failed, "M Command Data Read(Cal/%OA)", 11, 11, ""});
        row("M without separators",
            {"M", NoSeparators, sim, Failed, "M Command Data Read(Cal/%OA)", 1, 1, "AM0001  000 10 20 AVG 1013\r\n"});
        row("T %OA page wrong acknowledgement", {"T oa", WrongAck, sim, Failed, "T Command(%OA)", 4, 4, any});
        row("T binary acknowledgement",
            {"T cal", None, QByteArray("\0\xFF\r\n", 4), Failed, "T Command(Cal)", 4, 4, ""});
        row("T: Close pressed", {"T cal", Silence, sim, Cancelled, "", 0, -1, any});
        row("header ends CR LF", {"header", None, header + "\r\n", Ok, "", 1, 1, "2026/11/30 09:15:00\r\n"});
        row("header without CR LF",
            {"header", None, header + "xx", Failed, "T Command Data Read(Cal Header)", 4, 4, ""});
        row("%OA record silent", {"oa records", Silence, sim, Failed, "T Command Data Read(%OA Data)", 101, 101, ""});
        row("%OA record without separators",
            {"oa records", NoSeparators, sim, Failed, "T Command Data Read(%OA Data)", 0, 0, any});
        row("calculation record without separators",
            {"cal records", NoSeparators, sim, Failed, "T Command Data Read(Cal Data)", 0, 0, any});
        row("calculation record too long", {"cal record", None, header + "\r\n" + QByteArray(120, '7'),
            Failed, "T Command Data Read(Cal Data)", 101, 101, QByteArray(101, '7')});
        row("calculation record: meter vanishes",
            {"cal records", Vanish, sim, Failed, "T Command Data Read(Cal Data)", 0, -1, any});
        row("calculation record: Close pressed", {"cal records", Silence, sim, Cancelled, "", 0, -1, any});
    }

    void exchangeEnds()
    {
        QFETCH(End, end);
        auto [exchange, kind, answer, outcome, logName, loggedAttempts, reads, reply] = end;
        TestProgramFolder folder;
        ScriptedLine line;
        Meter m(kind == FaultKind::Vanish ? 9600 : 115200,
                answer.isEmpty() ? QString() : line.path);  // 9600: vanish after the header
        QVERIFY(m.opened);
        const bool oa = exchange.contains("oa"), records = exchange.contains("record");
        const int page = oa ? 2 : 1;
        m->setFault(exchange == "header" || records ? "T" : exchange.left(1).toStdString(),
                       metersim::Fault{.kind = kind, .times = -1, .afterRecords = records ? 3 : 0, .pauseMs = 100});
        line.onCommand = [&](const QByteArray &c) { line.send(c == "N" ? QByteArray("AN\r\n") : end.answer); };
        QElapsedTimer since;  // Close is pressed 400 ms (scaled) into the exchange
        const CancelCheck cancel = [&] {
            return end.outcome == ExchangeResult::Cancelled && since.elapsed() > ScaledWaitMs(400);
        };
        since.start();
        qint16 flag = 9;
        qint32 pressure = 0;
        exchange::UnitTexts units;
        QByteArray header;  // of the T directory exchange
        ExchangeResult r;
        if (exchange == "U") r = exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), units, cancel);
        else if (exchange == "S") r = exchange::liveS(m.link, flag, pressure, cancel);
        else if (exchange.endsWith("live")) r = exchange::liveGF(m.link, exchange[0] == 'F', 2, cancel);
        else if (exchange.endsWith("page")) r = exchange::pageGF(m.link, exchange[0] == 'F', cancel);
        else if (exchange == "P") r = exchange::directoryP(m.link, cancel);
        else if (exchange == "T directory") r = exchange::directoryT(m.link, 1, header, cancel);
        else if (exchange == "M") r = exchange::directoryM(m.link, 1, cancel);
        else if (exchange == "D") {
            exchange::sendD(m.link);
            if (!(r = exchange::waitForInput(m.link, 37, 2000, cancel)).cancelled())
                r = exchange::liveDReply(m.link, false, cancel);
        } else {  // a page read: T, its header, its first record or (plural) its fourth
            r = exchange::pageT(m.link, page, oa, exchange.startsWith('T') ? cancel : CancelCheck());
            if (!exchange.startsWith('T') && r.ok())
                r = exchange::pageHeader(m.link, oa, {});
            since.start();
            for (int i = 0; records && r.ok() && i <= (exchange.endsWith('s') ? 3 : 0); ++i, since.start())
                r = oa ? exchange::pageOaRecord(m.link, cancel) : exchange::pageCalRecord(m.link, false, cancel);
        }
        if (kind == FaultKind::NoSeparators && records) {  // the record as the meter sent it, ";" blanked
            reply = bytes(m->pageRecords(page, false)[3]).replace(';', ' ');
            loggedAttempts = reads = int(reply.size());
        }
        QCOMPARE(r.outcome, outcome);
        if (outcome == ExchangeResult::Failed) QCOMPARE(r.logName, logName);
        if (reads >= 0) QCOMPARE(QList<int>({r.attempts, r.loggedAttempts}), QList<int>({reads, loggedAttempts}));
        QVERIFY(reply == "*" || r.reply == reply);
        QVERIFY(exchange != "S" || (r.ok() ? flag == 1 && pressure == 1001 : flag == 9 && pressure == 0));
        if (records && outcome == ExchangeResult::Failed && kind != FaultKind::Vanish)  // it stopped the meter itself
            QVERIFY(answer.isEmpty() ? m->waitForCommand("N", 2, 3000) : line.commands.count("N") == 2);
        exchange::logFailure(r);
        QCOMPARE(QFile::exists(QStringLiteral("RSErr.log")), outcome == ExchangeResult::Failed);
        QVERIFY(m.link.isOpen() != (kind == FaultKind::Vanish)
                && m.link.lost() == (kind == FaultKind::Vanish));  // else open for clean-up
    }

    void logLinesByteForByte()
    {
        TestProgramFolder folder;
        Meter m;
        QVERIFY(m.opened);
        for (const char *letter : {"U", "S", "G", "N", "P", "T", "M"})
            m->setFault(letter, metersim::Fault{.kind = FaultKind::Silence, .times = -1});
        qint16 flag = 1;
        qint32 pressure = 0;
        exchange::UnitTexts units;
        QByteArray header;  // of the T directory exchange
        // In this order (a braced list is evaluated left to right): the log's lines follow it.
        const ExchangeResult results[] = {
            exchange::readUnits(m.link, QStringLiteral("Unit Read(Data Transfer"), units, {}),
            exchange::liveS(m.link, flag, pressure, {}), exchange::liveGF(m.link, false, 3, {}),
            exchange::pageGF(m.link, false, {}), exchange::directoryP(m.link, {}),
            exchange::directoryT(m.link, 1, header, {}), exchange::directoryM(m.link, 1, {}),
            exchange::pageT(m.link, 2, true, {}), exchange::pageHeader(m.link, true, {})};
        for (const ExchangeResult &r : results)
            exchange::logFailure(r);
        SendStopCommand(m.link);
        QCOMPARE(maskedLog(), maskedLog(QStringLiteral(TELVARO_TEST_DATA "/serial/exchange_failures.log")));
    }

    void drainOnATalkingLine()
    {
        TestProgramFolder folder;
        ScriptedLine line;
        SerialLink link;
        QVERIFY(OpenComPort(link, deviceSettings(line.path)));
        const int round = ScaledWaitMs(1000);
        // Talk that stops: three rounds hear something, the one after the last byte is silent.
        QByteArray noise = "0001;    1.0;  500.0;   21.0;   40.0\r\n";
        QTimer talk;
        connect(&talk, &QTimer::timeout, &line, [&] { line.send(noise); });
        talk.start(20);
        QTimer::singleShot(round * 5 / 2, &talk, &QTimer::stop);
        QElapsedTimer t;
        t.start();
        QVERIFY(exchange::drainLine(link, {}));
        QVERIFY2(t.elapsed() >= round * 3 && t.elapsed() < round * 8 && link.inBufferCount() == 0,
                 qPrintable(QString::number(t.elapsed())));
        t.restart();  // a cancel (window closed) inside the drain ends it
        QVERIFY(!exchange::drainLine(link, [&] { return t.elapsed() > round / 2; }));

        // Talk without end: the drain gives up after ten rounds, U fails on noise, N ends and logs it.
        noise = QByteArray("\x00\xFFnoise\r\n", 9);
        talk.start(10);
        t.restart();
        exchange::UnitTexts units;
        QCOMPARE(exchange::readUnits(link, QStringLiteral("Unit Read(Measurment)"), units, {}).outcome,
                 ExchangeResult::Failed);
        QVERIFY(t.elapsed() >= round * 10 && t.elapsed() < round * 10 + 5000);
        SendStopCommand(link);
        QCOMPARE(line.commands, (QList<QByteArray>{"U", "N", "N"}));
        QVERIFY(maskedLog().startsWith("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,")
                && maskedLog().endsWith(", 101\r\n"));
    }

    void silentMeterRealTiming()
    {
        // The real waits. A %OA page falls silent after its first record, and N is not heard either.
        SetWaitScale(1.0);
        const auto restore = qScopeGuard([] { SetWaitScale(kTestScale); });
        TestProgramFolder folder;
        Meter m;
        QVERIFY(m.opened);
        m->setFault("T", metersim::Fault{.kind = FaultKind::Silence, .times = 1, .afterRecords = 1});
        m->setFault("N", metersim::Fault{.kind = FaultKind::Silence, .times = -1});
        QVERIFY(exchange::pageT(m.link, 2, true, {}).ok() && exchange::pageHeader(m.link, true, {}).ok()
                && exchange::pageOaRecord(m.link, {}).ok());
        bool busyMeanwhile = false;
        QObject probe;  // looks while the meter is being stopped: nobody may start serial work then
        QTimer::singleShot(1600, &probe, [&] { busyMeanwhile = m.link.busy(); });
        const double start = m->now();
        const ExchangeResult r = exchange::pageOaRecord(m.link, {});
        // About a second of empty reads, then N: the drain's silent second, N, 500 ms, 100 reads.
        QVERIFY2(m->now() - start >= 2.5, qPrintable(QString::number(m->now() - start)));
        QVERIFY(r.outcome == ExchangeResult::Failed && r.attempts == 101 && r.reply.isEmpty());
        QCOMPARE(m.link.inputLen(), 0);
        QVERIFY(busyMeanwhile && !m.link.busy());
        QCOMPARE(m.commands().join(' '), QStringLiteral("T0002 N N"));
        const std::vector<metersim::Received> at = m->received();
        QVERIFY2(at[1].t - at[0].t >= 0.9 && at[2].t - at[1].t >= 0.95, qPrintable(QString::number(at[2].t - at[1].t)));
        QCOMPARE(maskedLog(), QByteArray("RS232C Error Log File\r\nyyyy/MM/dd HH:mm:ss,N Command,, 101\r\n"));
    }

    void stopCommandOnVanishedDevice()
    {
        // Nothing to quieten on a line that went away: N gives up at once and logs nothing.
        TestProgramFolder folder;
        Meter m;
        QVERIFY(m.opened);
        m->setFault("U", metersim::Fault{.kind = FaultKind::Vanish, .times = 1});
        exchange::UnitTexts units;
        QCOMPARE(exchange::readUnits(m.link, QStringLiteral("Unit Read(Measurment)"), units, {}).outcome,
                 ExchangeResult::Failed);
        QElapsedTimer t;
        t.start();
        SendStopCommand(m.link);
        QVERIFY2(t.elapsed() < 100 && !m.link.busy(), qPrintable(QString::number(t.elapsed())));
        QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
    }
};

QTEST_MAIN(TestSerialExchanges)
#include "test_serial_exchanges.moc"
