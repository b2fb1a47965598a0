// The meter's command texts, reply splitters and RSErr.log; the serial link on a real pty: opening
// with the configured settings, debug mode, the system's device list, the operations the exchanges
// use, waiting without blocking, a device that goes away.

#include <QSignalSpy>
#include <QtTest>

#include <QSerialPortInfo>

#include "serial/Exchanges.h"
#include "serial/PortNames.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/TestEnv.h"
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
    TestProgramFolder folder;
    ScriptedLine line;
    SerialLink link;
    SettingsRecord settings = deviceSettings(line.path);
};

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
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
        TestProgramFolder folder;
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

    // Last: the program has ended after it.
    void waits()
    {
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

QTEST_MAIN(TestSerialLink)
#include "test_serial_link.moc"
