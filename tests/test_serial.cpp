// The meter's command texts, reply splitters and RSErr.log; the serial link on a real pty: opening
// with the configured settings, debug mode, the system's device list, the operations the exchanges
// use, waiting without blocking, a device that goes away. The meter's exchanges on a pty: the units
// in each code page, a transfer visit end to end, how each exchange ends, RSErr.log, drain and N.

#include <QSignalSpy>
#include <QtTest>

#include <QSerialPortInfo>

#include "serial/Exchanges.h"
#include "serial/PortNames.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"
#include "transfer/PageTransfer.h"
#include "test_serial_support.h"

namespace {

// A splitter's answer as one text: the fields joined by "|", or "refused".
QByteArray joined(const auto &fields)
{
    if (!fields)
        return "refused";
    QByteArrayList parts;
    for (const auto &f : *fields)
        parts << QVariant::fromValue(f).toByteArray();
    return parts.join('|');
}

// kind: T (the command text for page in), "ack" + letter, U, S, P, M, H (header), OA, D (record; d:
// detailed, p: page record).
QByteArray split(const QByteArray &kind, const QByteArray &in)
{
    if (kind == "T")
        return protocol::command("T", in.toInt());
    if (kind.startsWith("ack"))
        return protocol::isBareAck(in, kind[3]) ? "bare" : protocol::isAck(in, kind[3]) ? "ack" : "no";
    if (kind == "U")
        return joined(protocol::splitUnits(in));
    if (kind == "M")
        return joined(protocol::splitM(in));
    if (kind == "OA")
        return joined(protocol::splitOaRecord(in));
    if (kind == "P")
        return QByteArray::number(protocol::splitP(in));
    if (kind == "H")
        return protocol::splitTHeader(in).date + '|' + protocol::splitTHeader(in).time;
    if (kind == "S") {
        const auto s = protocol::splitS(in);
        return s ? QByteArray::number(s->coScaleFlag) + '|' + QByteArray::number(s->atmosPressure) : "refused";
    }
    return joined(protocol::splitDataRecord(in, kind.contains('d'), kind.contains('p')));
}

} // namespace

struct OpenLine {
    ~OpenLine() { CloseComPort(link); }
    ScriptedLine line;
    SerialLink link;
    SettingsRecord settings = deviceSettings(line.path);
};

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

// The simulated meter's fault or a scripted line's answer to every command (N: "AN" CR LF); how the
// exchange ends (Cancelled: Close pressed), log name, logged attempts, reads (-1: any), text kept ("*": any).
struct End {
    QString exchange; FaultKind kind; QByteArray answer;
    ExchangeResult::Outcome outcome; QString logName; int loggedAttempts, reads; QByteArray reply;
};

Q_DECLARE_METATYPE(End)

class TestSerial : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    // Every test in a fresh program folder (RSErr.log lands there), with the shortened waits; the
    // real waits only where a test sets them.
    void init()
    {
        SetWaitScale(kTestScale);
        m_folder = std::make_unique<TestProgramFolder>();
    }
    void cleanup() { m_folder.reset(); }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        const auto row = [](const char *name, const char *kind, const QByteArray &in, const char *out) {
            QTest::newRow(name) << QByteArray(kind) << in << QByteArray(out);
        };
        row("page in four digits", "T", "9999", "T9999\r\n");
        row("page beyond four digits", "T", "12345", "T9999\r\n");
        row("AG CR LF and a line", "ackG", "AG\r\nX\r\n", "ack");
        row("AG LF only", "ackG", "AG\n", "no");
        row("noise before", "ackS", QByteArray("\x00" "AS\r\n", 5), "no");
        row("another letter before S", "ackS", "XS\r\n", "no");
        row("units", "U", "AU\r\nppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C;g/m3;g/kg;hPa\r\n",
            "ppm|ppm|\xDF" "C|%RH|\xDF" "C|\xDF" "C|g/m3|g/kg|hPa\r\n");
        row("units: the ninth runs to the end", "U", "AU\r\n1;2;3;4;5;6;7;8;9;10\r\n", "1|2|3|4|5|6|7|8|9;10\r\n");
        row("units: eight fields", "U", "AU\r\n1;2;3;4;5;6;7;8\r\n", "refused");
        row("units: separator in the acknowledgement", "U", "A;\r\n1;2;3;4;5;6;7;8\r\n", "refused");
        row("units: empty", "U", "", "refused");
        row("S", "S", "AS;1;0;1013\r\n", "1|1013");
        row("S: blanks and decimals", "S", "AS; 1.5;x; 1013.5\r\n", "2|1014");
        row("S: not numbers give 0", "S", "AS;abc;0;hPa\r\n", "0|0");
        row("S: pressure runs to the end", "S", "AS;1;0;1013;7\r\n", "1|1013");
        row("S: two separators", "S", "AS;1;0\r\n", "refused");
        row("S: flag beyond 16 bits", "S", "AS;40000;0;1013\r\n", "refused");
        row("S: pressure beyond 32 bits", "S", "AS;1;0;99999999999\r\n", "refused");
        row("P", "P", "AP\r\nP0012\r\n", "12");
        row("P: right after the P of AP", "P", "APP0003\r\n", "3");
        row("P: no second P", "P", "AP\r\n0012\r\n", "0");
        row("P: short count", "P", "AP\r\nP7\r\n", "7");
        row("P: negative", "P", "AP\r\nP-003\r\n", "0");
        row("P: binary", "P", QByteArray("\xFF\x00PP\x01", 5), "0");
        row("M", "M", "AM0002  001;30;30;TMP;1008\r\n", "001|30|30|TMP|1008\r\n");
        row("M: characters 3 to 8 skipped", "M", "AM;;;;;;000;1;2;INS;999\r\n", "000|1|2|INS|999\r\n");
        row("M: three separators", "M", "AM0001  000;10;20;AVG\r\n", "refused");
        row("M: acknowledgement only", "M", "AM\r\n", "refused");
        row("header", "H", "2026/11/30 09:15:00\r\n", "2026/11/30|09:15:00");
        row("short header", "H", "2026/11", "2026/11|");
        row("live record", "D", "    1.2;  523.0;   22.4;   45.1\r\n", "1.2|523|22.4|45.1|0|0|0|0");
        row("detailed live record", "Dd", "    0.0;  600.0;   23.0;   50.0;   12.0;   16.2;   10.2;    8.8\r\n",
            "0|600|23|50|12|16.2|10.2|8.8");
        row("negative and blank fields", "D", "   -1.5;       ;  -12.0;abc\r\n", "-1.5|0|-12|0|0|0|0|0");
        row("debug line: a fifth number ignored", "D", " 12; 2000; 25; 40; 7", "12|2000|25|40|0|0|0|0");
        row("page record", "Dp", "0001;    1.0;  500.0;   21.0;   40.0\r\n", "1|500|21|40|0|0|0|0");
        row("detailed page record", "Ddp", "0002;1;2;3;4;5;6;7;8\r\n", "1|2|3|4|5|6|7|8");
        row("record lacks a separator", "D", "    1.2;  523.0   22.4;   45.1\r\n", "refused");
        row("detailed record with four values", "Dd", "1;2;3;4\r\n", "refused");
        row("page record without separators", "Dp", "0001\r\n", "refused");
        row("%OA record", "OA", "0001   25.0;   24.1;   18.3;    5.0\r\n", "25|24.1|18.3|5");
        row("%OA: first four characters skipped", "OA", "9;9;12.5;1;2;3\r\n", "12.5|1|2|3");
        row("%OA: two separators", "OA", "000125.0;24.1;18.3\r\n", "refused");
        row("%OA: CR LF only", "OA", "\r\n", "refused");
    }

    void replies()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(split(kind, in), out);
    }

    void logFile()
    {
        QCOMPARE(formatRsErrLogEntry(QStringLiteral("2004/06/20 12:00:00"), QStringLiteral("T"), "0001;", 0),
                 QByteArray("2004/06/20 12:00:00,T,0001;, 0\r\n"));
        WriteRsErrLog(QStringLiteral("P Command"), QByteArray(), 4);
        WriteRsErrLog(QStringLiteral("Unit Read(Measurment)"), QByteArray(), -1);
        WriteRsErrLog(QStringLiteral("S Command"), QByteArray("AS;1;0\r\nAS", 10), 4);
        WriteRsErrLog(QStringLiteral("D Command Data Read"), QByteArray("\x00\x01\xFE\xFF", 4), 101);
        QCOMPARE(maskedLog(), maskedLog(QStringLiteral(TELVARO_TEST_DATA "/serial/RSErr.log")));

        // A folder where the log should be: the entry is lost, nothing else happens.
        QVERIFY(QFile::remove(QStringLiteral("RSErr.log")) && QDir().mkdir(QStringLiteral("RSErr.log")));
        WriteRsErrLog(QStringLiteral("P Command"), QByteArray(), 4);
        QVERIFY(QFileInfo(QStringLiteral("RSErr.log")).isDir());
    }

    void open_data()
    {
        QTest::addColumn<QString>("port");  // "line": the pty (COM2 too); "busy": the pty, held by another link
        QTest::addColumn<QString>("settings");  // speed, parity, data bits, stop bits, RsFlow
        QTest::addColumn<QString>("outcome");  // open, fails, debug (nothing touched)
        QTest::newRow("defaults") << "line" << "9600,N,8,1,1" << "open";
        QTest::newRow("RTS/CTS, odd parity, 1.5 stop bits") << "line" << "4800,O,8,1.5,3" << "open";
        QTest::newRow("XON/XOFF with RTS/CTS, 7 data bits") << "line" << "19200,E,7,2,4" << "open";
        QTest::newRow("COM2: the second listed device") << "COM2" << "9600,N,8,1,1" << "open";
        QTest::newRow("debug mode") << "/dev/does-not-exist" << "9600,N,8,1,1" << "debug";
        QTest::newRow("held by another") << "busy" << "9600,N,8,1,1" << "fails";
        QTest::newRow("unusable line settings") << "line" << "fast,N,8,1,1" << "fails";
    }

    void open()
    {
        QFETCH(QString, port);
        QFETCH(QString, settings);
        QFETCH(QString, outcome);
        OpenLine o;
        ScriptedLine first;
        qputenv("TELVARO_EXTRA_PORTS", (first.path + QLatin1Char(':') + o.line.path).toLocal8Bit());
        const QString device = port == "line" || port == "busy" ? o.line.path : port;
        SettingsRecord s = deviceSettings(device, settings);
        s.ProgMode = outcome != "debug";
        SerialLink other;
        other.setPortName(o.line.path);
        QVERIFY(port != "busy" || other.open());

        // A pty may call some settings "Invalid argument": the port opens all the same.
        QCOMPARE(OpenComPort(o.link, s), outcome != "fails");
        QCOMPARE(o.link.isOpen(), outcome == "open");
        if (outcome == "open")
            QCOMPARE(QStringList({o.link.portName(), o.link.settings()}),
                     QStringList({o.line.path, settings.section(',', 0, 3)}));
        else if (outcome == "debug")
            QVERIFY(o.link.portName().isEmpty());
        if (outcome == "fails") {
            // An exchange on the port that did not open fails before it waits.
            const ExchangeResult r = exchange::run(o.link, {.command = "S\r\n", .waitTicks = 3, .reads = 3}, {});
            QVERIFY(r.outcome == ExchangeResult::Failed && r.attempts == 0);
        }
        o.link.discardInput();  // the live start clears the buffer in debug mode too: nothing happens
        QVERIFY(o.link.inBufferCount() == 0 && CloseComPort(o.link) && !o.link.isOpen());
    }

    void systemDevicesAsQtListsThem()
    {
        // The list is read from sysfs at start-up; it must hold the devices Qt's own walk finds.
        qputenv("TELVARO_EXTRA_PORTS", "");
        QStringList qt;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            qt << info.systemLocation();
        QStringList ours = portnames::listSerialDevices();
        qt.sort();
        ours.sort();
        QCOMPARE(ours, qt);
    }

    void readsAndWrites()
    {
        OpenLine o;
        o.line.send("left over from before");
        QThread::msleep(20);
        QVERIFY(OpenComPort(o.link, o.settings));  // discards what waited
        QCOMPARE(o.link.inBufferCount(), 0);
        o.line.send(QByteArray("AT\r\n2026/11/30 09:15:00\r\n\x00\xFF", 27));
        QTRY_COMPARE_WITH_TIMEOUT(o.link.inBufferCount(), 27, 2000);
        const auto read = [&](int len) {
            o.link.setInputLen(len);
            return o.link.input();
        };
        QCOMPARE(read(4), QByteArray("AT\r\n"));
        QCOMPARE(read(21), QByteArray("2026/11/30 09:15:00\r\n"));
        QCOMPARE(read(1), QByteArray(1, '\0'));
        QCOMPARE(read(0) + read(0), QByteArray("\xFF"));
        // The count sees what the driver holds, without the event loop having run.
        o.line.send("AN\r\n");
        QThread::msleep(50);
        QCOMPARE(o.link.inBufferCount(), 4);
    }

    void deviceGone_data()
    {
        QTest::addColumn<QString>("when");
        for (const char *when : {"while idle", "while a wait runs", "mid-exchange"})
            QTest::newRow(when) << QString::fromLatin1(when);
    }

    void deviceGone()
    {
        QFETCH(QString, when);
        SetWaitScale(1.0);
        OpenLine o;
        QVERIFY(OpenComPort(o.link, o.settings));
        QSignalSpy lostSpy(&o.link, &SerialLink::deviceLost);
        if (when == "while idle") {
            o.line.hangUp();
        } else if (when == "while a wait runs") {
            QTimer::singleShot(50, [&] { o.line.hangUp(); });
            WaitTicks(3, 100);
        } else {
            // The pty closes after half a reply: S gives up after its first wait, not after four reads.
            o.line.onCommand = [&](const QByteArray &) {
                o.line.send("AS;1");
                o.line.hangUp();
            };
            qint16 flag = 7;
            qint32 pressure = 0;
            const ExchangeResult r = exchange::liveS(o.link, flag, pressure, {});
            QVERIFY(r.outcome == ExchangeResult::Failed && r.attempts <= 1 && flag == 7);
            exchange::logFailure(r);
            QVERIFY(maskedLog().endsWith(",S Command," + r.reply + ", " + QByteArray::number(r.attempts) + "\r\n"));
        }
        // Noticed through the event loop (Qt's read errors) or by asking the device.
        QTRY_COMPARE_WITH_TIMEOUT(lostSpy.count(), 1, 2000);
        QVERIFY(o.link.lost() && !o.link.isOpen() && o.link.input().isEmpty() && o.link.inBufferCount() == 0);
        o.link.output("N\r\n");
        QVERIFY(CloseComPort(o.link));
        ScriptedLine again;  // the link opens again on another device
        QVERIFY(OpenComPort(o.link, deviceSettings(again.path)) && !o.link.lost() && o.link.isOpen());
    }

    void linkClosedOrDeletedMidExchange()
    {
        SetWaitScale(1.0);
        for (bool gone : {false, true}) {  // the port closed by its window, the link deleted with it
            OpenLine o;
            auto *link = new SerialLink;
            QVERIFY(OpenComPort(*link, o.settings));
            QTimer::singleShot(100, [&] { gone ? delete std::exchange(link, nullptr) : void(CloseComPort(*link)); });
            const ExchangeResult r = exchange::directoryP(*link, {});
            QCOMPARE(r.outcome, ExchangeResult::Cancelled);
            exchange::logFailure(r);
            QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")) && o.line.commands.isEmpty());  // no P went out
            delete link;
        }
    }

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
            reply = QByteArray::fromStdString(m->pageRecords(page, false)[3]).replace(';', ' ');
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

    // Last: the program has ended after it.
    void waits()
    {
        SetWaitScale(1.0);
        // A Close click inside a wait stops the meter, which waits again: both end, the outer not
        // before the inner, and Timer1 ticks (at the wait's interval) until the last one ends.
        auto *timer1 = new QTimer;
        connect(timer1, &QTimer::timeout, [] { TimerTicks_Increment(); });
        SetTickTimer(timer1);
        bool innerDone = false;
        QTimer::singleShot(50, [&] {
            WaitTicks(4, 100);
            innerDone = timer1->isActive() && timer1->interval() == 100;
        });
        QElapsedTimer t;
        t.start();
        WaitTicks(2, 100);
        QVERIFY(innerDone && t.elapsed() >= 400 && !timer1->isActive());
        // Pending events always run once; a count of none ends at once.
        for (int count : {3, 0, -1}) {
            bool posted = false;
            QTimer::singleShot(0, [&] { posted = true; });
            t.restart();
            WaitTicks(count, 100);
            QVERIFY2(posted && (count > 0 ? t.elapsed() >= 290 : t.elapsed() < 50),
                     qPrintable(QString::number(t.elapsed())));
        }
        // The program ends (the main window goes, with its Timer1) while a wait runs: it returns at once.
        QTimer::singleShot(100, [&timer1] {
            SetProgramEnding(true);
            SetTickTimer(nullptr);
            delete std::exchange(timer1, nullptr);
        });
        t.restart();
        WaitTicks(50, 100);
        QVERIFY(!timer1 && t.elapsed() < 2500);
        // A wait that starts while the program ends returns at once.
        t.restart();
        WaitTicks(50, 100);
        QVERIFY(t.elapsed() < 500);
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
