// The serial link on a real pty: opening with the configured settings, the open failure message,
// debug mode, the operations the exchanges use, waiting without blocking, and a device that
// goes away.

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "serial/Exchanges.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "test_serial_support.h"

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    void debugModeTouchesNothing();
    void openFailure_data();
    void openFailure();
    void openSettings_data();
    void openSettings();
    void comNamesTheNthDevice();
    void openDiscardsWhatWaits();
    void readsAndWrites();
    void closedLinkDoesNothing();
    void waitTicks_data();
    void waitTicks();
    void waitTicksDrivesTimer1();
    void nestedWaits();
    void deviceGone_data();
    void deviceGone();
    void hangUpMidExchange();
    void linkClosedOrDeletedMidExchange_data();
    void linkClosedOrDeletedMidExchange();
    void programEndingEndsWaits();  // last: the program has ended after it
};

void TestSerialLink::debugModeTouchesNothing()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    Variable::Settings.ProgMode = false;
    Variable::Settings.RsPort = QStringLiteral("/dev/does-not-exist");
    SerialLink link;
    QVERIFY(OpenComPort(link));
    QVERIFY(!link.isOpen());
    QVERIFY(link.portName().isEmpty());
    QVERIFY(CloseComPort(link));
    QVERIFY(prompts.messages.isEmpty());
    // The live start clears the receive buffer in debug mode too: nothing happens.
    link.discardInput();
    QCOMPARE(link.inBufferCount(), 0);
}

void TestSerialLink::openFailure_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<bool>("busy");
    QTest::newRow("COM number beyond the listed devices") << "COM99" << "9600" << false;
    QTest::newRow("absent device") << "/dev/does-not-exist" << "9600" << false;
    QTest::newRow("held by another") << "line" << "9600" << true;
    QTest::newRow("unusable line settings") << "line" << "fast" << false;
}

void TestSerialLink::openFailure()
{
    QFETCH(QString, port);
    QFETCH(QString, speed);
    QFETCH(bool, busy);
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    ScriptedLine line;
    QVERIFY(line.ok());
    qputenv("TELVARO_EXTRA_PORTS", "");
    if (port == QLatin1String("line"))
        port = line.path;
    useDevice(port);
    Variable::Settings.RsSpeed = speed;
    SerialLink other;
    if (busy) {
        other.setPortName(line.path);
        QVERIFY(other.open());
    }
    SerialLink link;
    QVERIFY(!OpenComPort(link));
    QVERIFY(!link.isOpen());
    QCOMPARE(prompts.messages.size(), 1);
    // The port name and text 172 with nothing between them, OK only, the default title.
    QCOMPARE(prompts.messages[0].text, port + LoadResString(172));
    QVERIFY(prompts.messages[0].text.endsWith(QLatin1String("is not used.")));
    QCOMPARE(prompts.messages[0].title, QString());
    QCOMPARE(prompts.messages[0].buttons, prompts::Buttons::Ok);
    QCOMPARE(prompts.messages[0].icon, prompts::Icon::None);
    QVERIFY(CloseComPort(link));
}

void TestSerialLink::openSettings_data()
{
    QTest::addColumn<QStringList>("fields");  // speed, parity, data bits, stop bits
    QTest::addColumn<int>("flow");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshaking");
    QTest::newRow("defaults") << QStringList{"9600", "N", "8", "1"} << 1 << "9600,N,8,1" << 0;
    QTest::newRow("XON/XOFF") << QStringList{"19200", "E", "7", "2"} << 2 << "19200,E,7,2" << 1;
    QTest::newRow("RTS/CTS") << QStringList{"4800", "O", "8", "1.5"} << 3 << "4800,O,8,1.5" << 2;
    QTest::newRow("RTS/CTS and XON/XOFF") << QStringList{"38400", "N", "8", "1"} << 4 << "38400,N,8,1" << 3;
}

void TestSerialLink::openSettings()
{
    QFETCH(QStringList, fields);
    QFETCH(int, flow);
    QFETCH(QString, settings);
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    ScriptedLine line;
    useDevice(line.path, qint16(flow));
    Variable::Settings.RsSpeed = fields[0];
    Variable::Settings.RsParity = fields[1];
    Variable::Settings.RsDataBit = fields[2];
    Variable::Settings.RsStopBit = fields[3];
    SerialLink link;
    // A pty may call some of these settings "Invalid argument": the port opens all the same.
    QVERIFY(OpenComPort(link));
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(link.isOpen());
    QCOMPARE(link.settings(), settings);
    QCOMPARE(link.portName(), line.path);
    QCOMPARE(link.inputLen(), 0);
    QVERIFY(CloseComPort(link));
    QVERIFY(!link.isOpen());
}

void TestSerialLink::comNamesTheNthDevice()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    ScriptedLine first, second;
    qputenv("TELVARO_EXTRA_PORTS", (first.path + QLatin1Char(':') + second.path).toLocal8Bit());
    useDevice(QStringLiteral("COM2"));
    SerialLink link;
    QVERIFY(OpenComPort(link));
    QCOMPARE(link.portName(), second.path);
    link.output("U\r\n");
    QVERIFY(waitUntil([&] { return !second.commands.isEmpty(); }, 2000));
    QCOMPARE(second.commands, QList<QByteArray>{"U"});
    QVERIFY(first.commands.isEmpty());
    CloseComPort(link);
    qputenv("TELVARO_EXTRA_PORTS", "");
}

void TestSerialLink::openDiscardsWhatWaits()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    link.setPortName(line.path);
    QVERIFY(link.open());
    line.send("left over from before");
    QVERIFY(waitUntil([&] { return link.inBufferCount() > 0; }, 2000));
    link.close();
    QVERIFY(OpenComPort(link));
    QCOMPARE(link.inBufferCount(), 0);
    line.send("AB");
    QVERIFY(waitUntil([&] { return link.inBufferCount() == 2; }, 2000));
    QCOMPARE(link.input(), QByteArray("AB"));
    CloseComPort(link);
}

void TestSerialLink::readsAndWrites()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));

    link.output("T0007\r\n");
    link.output("N\r\n");
    QVERIFY(waitUntil([&] { return line.commands.size() == 2; }, 2000));
    QCOMPARE(line.commands, (QList<QByteArray>{"T0007", "N"}));

    line.send(QByteArray("AT\r\n2026/11/30 09:15:00\r\n\x00\xFF", 27));
    QVERIFY(waitUntil([&] { return link.inBufferCount() == 27; }, 2000));
    link.setInputLen(4);
    QCOMPARE(link.input(), QByteArray("AT\r\n"));
    link.setInputLen(21);
    QCOMPARE(link.input(), QByteArray("2026/11/30 09:15:00\r\n"));
    link.setInputLen(1);
    QCOMPARE(link.input(), QByteArray("\x00", 1));
    link.setInputLen(0);
    QCOMPARE(link.input(), QByteArray("\xFF"));
    QCOMPARE(link.input(), QByteArray());

    line.send("noise");
    QVERIFY(waitUntil([&] { return link.inBufferCount() == 5; }, 2000));
    link.discardInput();
    QCOMPARE(link.inBufferCount(), 0);
    QCOMPARE(link.input(), QByteArray());

    // The count and a read see what the driver holds, without the event loop having run.
    line.send("AN\r\n");
    QThread::msleep(50);
    QCOMPARE(link.inBufferCount(), 4);
    CloseComPort(link);
}

void TestSerialLink::closedLinkDoesNothing()
{
    SerialLink link;
    QVERIFY(!link.isOpen());
    link.output("U\r\n");
    link.discardInput();
    QCOMPARE(link.inBufferCount(), 0);
    QCOMPARE(link.input(), QByteArray());
    QVERIFY(!link.lost());
    // An exchange on a closed port fails at once; nothing waits.
    exchange::Description d;
    d.command = "S\r\n";
    d.waitTicks = 3;
    d.reads = 3;
    QElapsedTimer t;
    t.start();
    QCOMPARE(exchange::run(link, d, {}).outcome, ExchangeResult::Failed);
    QVERIFY(t.elapsed() < 250);
}

void TestSerialLink::waitTicks_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("interval");
    QTest::newRow("3 x 100") << 3 << 100;
    QTest::newRow("2 x 100") << 2 << 100;
    QTest::newRow("5 x 100") << 5 << 100;
    QTest::newRow("1 x 10") << 1 << 10;
    QTest::newRow("0 x 100") << 0 << 100;
    QTest::newRow("-1 x 100") << -1 << 100;
}

void TestSerialLink::waitTicks()
{
    QFETCH(int, count);
    QFETCH(int, interval);
    SetTickTimer(nullptr);
    bool posted = false;
    bool timerRan = false;
    QTimer::singleShot(0, [&] { posted = true; });
    if (count > 0)
        QTimer::singleShot(interval / 2, [&] { timerRan = true; });
    QElapsedTimer t;
    t.start();
    WaitTicks(count, interval);
    const qint64 elapsed = t.elapsed();
    // Pending events always run once, and the window lives on while the wait goes on.
    QVERIFY(posted);
    QCOMPARE(timerRan, count > 0);
    QCOMPARE(int(TimerTicks()), qMax(count, 0));
    if (count > 0)
        QVERIFY2(elapsed >= count * interval * 9 / 10, qPrintable(QString::number(elapsed)));
    else
        QVERIFY2(elapsed < interval, qPrintable(QString::number(elapsed)));
}

void TestSerialLink::waitTicksDrivesTimer1()
{
    QTimer timer1;
    connect(&timer1, &QTimer::timeout, [] { TimerTicks_Increment(); });
    SetTickTimer(&timer1);
    bool activeInside = false;
    int intervalInside = 0;
    QTimer::singleShot(30, [&] {
        activeInside = timer1.isActive();
        intervalInside = timer1.interval();
    });
    WaitTicks(2, 100);
    QVERIFY(activeInside);
    QCOMPARE(intervalInside, 100);
    QVERIFY(!timer1.isActive());
    QCOMPARE(int(TimerTicks()), 2);
    SetTickTimer(nullptr);
}

void TestSerialLink::nestedWaits()
{
    // A Close click inside a wait stops the meter, which waits again: both waits end, the outer
    // one not before the inner, and the tick source stops only at the end.
    QTimer timer1;
    connect(&timer1, &QTimer::timeout, [] { TimerTicks_Increment(); });
    SetTickTimer(&timer1);
    bool innerDone = false;
    QElapsedTimer t;
    t.start();
    QTimer::singleShot(50, [&] {
        WaitTicks(4, 100);
        innerDone = true;
        QVERIFY(timer1.isActive());  // the outer wait still needs it
    });
    WaitTicks(2, 100);
    QVERIFY(innerDone);
    QVERIFY(t.elapsed() >= 400);
    QVERIFY(!timer1.isActive());
    SetTickTimer(nullptr);
}

void TestSerialLink::deviceGone_data()
{
    QTest::addColumn<bool>("duringWait");
    QTest::newRow("while idle") << false;
    QTest::newRow("while a wait runs") << true;
}

void TestSerialLink::deviceGone()
{
    QFETCH(bool, duringWait);
    TestProgramFolder folder;
    auto *line = new ScriptedLine;
    useDevice(line->path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    QSignalSpy lostSpy(&link, &SerialLink::deviceLost);
    if (duringWait) {
        QTimer::singleShot(50, [&] { line->hangUp(); });
        WaitTicks(3, 100);
    } else {
        line->hangUp();
    }
    // The hang-up is noticed through the event loop (Qt's read errors) or by asking the device.
    QVERIFY(waitUntil([&] { return lostSpy.count() == 1; }, 2000));
    QVERIFY(link.lost());
    QVERIFY(!link.isOpen());
    QCOMPARE(link.input(), QByteArray());
    QCOMPARE(link.inBufferCount(), 0);
    link.output("N\r\n");
    QVERIFY(CloseComPort(link));
    delete line;
    // The link opens again on another device.
    ScriptedLine again;
    useDevice(again.path);
    QVERIFY(OpenComPort(link));
    QVERIFY(!link.lost());
    QVERIFY(link.isOpen());
    CloseComPort(link);
}

void TestSerialLink::hangUpMidExchange()
{
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    SerialLink link;
    QVERIFY(OpenComPort(link));
    line.onCommand = [&](const QByteArray &command) {
        if (command == "S") {
            line.send("AS;1");
            line.hangUp();
        }
    };
    QElapsedTimer t;
    t.start();
    qint16 flag = 7;
    ExchangeResult r = exchange::liveS(link, flag, {});
    QCOMPARE(r.outcome, ExchangeResult::Failed);
    QCOMPARE(r.logName, QStringLiteral("S Command"));
    QVERIFY(r.attempts <= 1);  // given up after the first wait, not after four reads
    QCOMPARE(flag, qint16(7));
    QVERIFY(link.lost());
    QVERIFY(t.elapsed() < 1000);
    exchange::logFailure(r);
    QVERIFY(maskedLog().endsWith(",S Command," + r.reply + ", " + QByteArray::number(r.attempts) + "\r\n"));
    CloseComPort(link);
}

void TestSerialLink::linkClosedOrDeletedMidExchange_data()
{
    QTest::addColumn<bool>("deleteIt");
    QTest::newRow("port closed by its window") << false;
    QTest::newRow("link deleted with its window") << true;
}

void TestSerialLink::linkClosedOrDeletedMidExchange()
{
    QFETCH(bool, deleteIt);
    TestProgramFolder folder;
    ScriptedLine line;
    useDevice(line.path);
    auto *link = new SerialLink;
    QVERIFY(OpenComPort(*link));
    QTimer::singleShot(100, [&] {
        if (deleteIt) {
            delete link;
            link = nullptr;
        } else {
            CloseComPort(*link);
        }
    });
    const ExchangeResult r = exchange::directoryP(*link, {});
    QCOMPARE(r.outcome, ExchangeResult::Cancelled);
    exchange::logFailure(r);
    QVERIFY(!QFile::exists(QStringLiteral("RSErr.log")));
    QVERIFY(line.commands.isEmpty());  // the drain was cut short: no P went out
    delete link;
}

void TestSerialLink::programEndingEndsWaits()
{
    TestProgramFolder folder;
    ScriptedPrompts prompts;
    auto *window = new FrmMenu;
    QVERIFY(!FrmMenu::ending());
    // The main window goes away (with its Timer1) while a wait runs: the wait returns at once.
    QTimer::singleShot(100, [&window] {
        delete window;
        window = nullptr;
    });
    QElapsedTimer t;
    t.start();
    WaitTicks(50, 100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // what the window left behind
    QVERIFY(!window);
    QVERIFY(FrmMenu::ending());
    QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    // A wait that starts while the program ends returns at once.
    t.restart();
    WaitTicks(50, 100);
    QVERIFY(t.elapsed() < 500);
}

QTEST_MAIN(TestSerialLink)
#include "test_serial_link.moc"
