// The meter simulator, driven through a plain file descriptor on its pty: replies byte for byte,
// page streaming and its stop, pacing, faults, the device going away, the command log, and the
// command-line program.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "startup/Variable.h"
#include "support/SimFixture.h"

using namespace metersim;

Q_DECLARE_METATYPE(metersim::FaultKind)

namespace {

// The program's end of the line, as a test sees it.
class Line {
public:
    explicit Line(const std::string &path) { fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK); }
    ~Line() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    bool ok() const { return fd >= 0; }

    void send(const QByteArray &command) const
    {
        const QByteArray bytes = command + "\r\n";
        [[maybe_unused]] ssize_t n = ::write(fd, bytes.constData(), size_t(bytes.size()));
    }
    // Everything that arrives until the line has been quiet for quietMs after the first byte
    // (or for firstMs when nothing comes at all).
    QByteArray readQuiet(int quietMs = 60, int firstMs = 250, int timeoutMs = 5000)
    {
        QByteArray out;
        QElapsedTimer total, quiet;
        total.start();
        quiet.start();
        while (quiet.elapsed() < (out.isEmpty() ? std::max(firstMs, quietMs) : quietMs) && total.elapsed() < timeoutMs) {
            if (readSome(out, 5))
                quiet.restart();
        }
        return out;
    }
    // Until n bytes have arrived or timeoutMs passed.
    QByteArray readBytes(int n, int timeoutMs = 5000)
    {
        QByteArray out;
        QElapsedTimer total;
        total.start();
        while (out.size() < n && total.elapsed() < timeoutMs)
            readSome(out, 10);
        return out;
    }
    // Everything within ms.
    QByteArray readFor(int ms)
    {
        QByteArray out;
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < ms)
            readSome(out, 5);
        return out;
    }
    QByteArray exchange(const QByteArray &command, int quietMs = 60)
    {
        send(command);
        return readQuiet(quietMs);
    }
    bool hungUp = false;

private:
    bool readSome(QByteArray &out, int waitMs)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0)
            return false;
        if (p.revents & POLLIN) {
            char buf[1024];
            const ssize_t k = ::read(fd, buf, sizeof buf);
            if (k > 0) {
                out.append(buf, int(k));
                return true;
            }
            if (k < 0 && errno == EIO)
                hungUp = true;
        }
        if (p.revents & (POLLHUP | POLLERR)) {
            hungUp = true;
            QThread::msleep(size_t(waitMs));
        }
        return false;
    }

public:
    int fd = -1;
};

Config fastConfig()
{
    Config c;
    c.baud = 115200;
    return c;
}

QByteArray joined(const std::vector<std::string> &records)
{
    QByteArray out;
    for (const std::string &r : records)
        out += QByteArray::fromStdString(r);
    return out;
}

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

class TestMeterSim : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void liveRecords_data();
    void liveRecords();
    void pageStreaming_data();
    void pageStreaming();
    void streamingStopsOnN();
    void pacingFollowsBaudRate();
    void faults_data();
    void faults();
    void timedFaults();
    void pageFaultsMidway();
    void vanishAndReappear();
    void survivesReopenAndIdlesWhenClosed();
    void receivedLog();
    void fixturePointsProgramAtSimulator();
    void qtSerialPortTalksToSimulator();
    void commandLineProgram();
};

void TestMeterSim::replies_data()
{
    QTest::addColumn<bool>("fahrenheit");
    QTest::addColumn<int>("pages"); // -1: the default three
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("U") << false << -1 << QByteArray("U")
                       << QByteArray("AU\r\nppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C;g/m3;g/kg;hPa\r\n");
    QTest::newRow("U Fahrenheit") << true << -1 << QByteArray("U")
                                  << QByteArray("AU\r\nppm;ppm;\xDF" "F;%RH;\xDF" "F;\xDF" "F;g/m3;g/kg;hPa\r\n");
    QTest::newRow("S") << false << -1 << QByteArray("S") << QByteArray("AS;1;0;1013\r\n");
    QTest::newRow("G") << false << -1 << QByteArray("G") << QByteArray("AG\r\n");
    QTest::newRow("F") << false << -1 << QByteArray("F") << QByteArray("AF\r\n");
    QTest::newRow("N quiet") << false << -1 << QByteArray("N") << QByteArray("AN\r\n");
    QTest::newRow("P") << false << -1 << QByteArray("P") << QByteArray("AP\r\nP0003\r\n");
    QTest::newRow("P none") << false << 0 << QByteArray("P") << QByteArray("AP\r\nP0000\r\n");
    QTest::newRow("M0001") << false << -1 << QByteArray("M0001") << QByteArray("AM0001  000;10;20;AVG;1013\r\n");
    QTest::newRow("M0002") << false << -1 << QByteArray("M0002") << QByteArray("AM0002  001;30;30;TMP;1009\r\n");
    QTest::newRow("M0003") << false << -1 << QByteArray("M0003") << QByteArray("AM0003  000;60;12;INS;1021\r\n");
    QTest::newRow("M unknown page") << false << -1 << QByteArray("M0004") << QByteArray("AM\r\n");
    QTest::newRow("M0000") << false << -1 << QByteArray("M0000") << QByteArray("AM\r\n");
    QTest::newRow("T unknown page") << false << -1 << QByteArray("T0009") << QByteArray("AT\r\n");
    QTest::newRow("T none") << false << 0 << QByteArray("T0001") << QByteArray("AT\r\n");
    QTest::newRow("unknown command") << false << -1 << QByteArray("X") << QByteArray();
    QTest::newRow("D without number") << false << -1 << QByteArray("D") << QByteArray();
    QTest::newRow("lower case") << false << -1 << QByteArray("u") << QByteArray();
}

void TestMeterSim::replies()
{
    QFETCH(bool, fahrenheit);
    QFETCH(int, pages);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);

    Config config = fastConfig();
    config.fahrenheit = fahrenheit;
    if (pages == 0)
        config.pages.clear();
    Simulator sim(config);
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    QVERIFY(line.ok());
    QCOMPARE(line.exchange(command), expected);
    // The meter still answers afterwards.
    QCOMPARE(line.exchange("G"), QByteArray("AG\r\n"));
}

void TestMeterSim::liveRecords_data()
{
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<bool>("fahrenheit");
    QTest::newRow("standard") << false << false;
    QTest::newRow("detailed") << true << false;
    QTest::newRow("detailed Fahrenheit") << true << true;
}

void TestMeterSim::liveRecords()
{
    QFETCH(bool, detailed);
    QFETCH(bool, fahrenheit);
    Config config = fastConfig();
    config.fahrenheit = fahrenheit;
    Simulator sim(config);
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    QCOMPARE(line.exchange(detailed ? "F" : "G"), QByteArray(detailed ? "AF\r\n" : "AG\r\n"));

    const int fieldCount = detailed ? 8 : 4;
    const int length = detailed ? 65 : 33;
    for (int i = 0; i < 5; ++i) {
        const QByteArray reply = line.exchange("D0001", 60);
        QVERIFY2(reply.startsWith("AD\r\n"), reply.constData());
        const QByteArray record = reply.mid(4);
        QCOMPARE(record.size(), length);
        QVERIFY(record.endsWith("\r\n"));
        QCOMPARE(sim.liveRecordsSent(), i + 1);
        QCOMPARE(QByteArray::fromStdString(sim.lastLiveRecord()), record);

        const QList<QByteArray> fields = record.chopped(2).split(';');
        QCOMPARE(fields.size(), fieldCount);
        QList<double> v;
        for (const QByteArray &f : fields) {
            QCOMPARE(f.size(), 7);
            bool ok = false;
            v << f.trimmed().toDouble(&ok);
            QVERIFY(ok);
        }
        const double tLow = fahrenheit ? 64.3 : 17.9, tHigh = fahrenheit ? 78.9 : 26.1;
        QVERIFY(v[0] >= 0 && v[0] <= 5);
        QVERIFY(v[1] >= 400 && v[1] <= 2000);
        QVERIFY(v[2] >= tLow && v[2] <= tHigh);
        QVERIFY(v[3] >= 30 && v[3] <= 60);
        if (detailed) {
            QVERIFY(v[4] < v[2]);                 // dew point below the air temperature
            QVERIFY(v[5] > v[4] && v[5] < v[2]);  // wet bulb between the two
            QVERIFY(v[6] > 3 && v[6] < 15);       // g/m3
            QVERIFY(v[7] > 3 && v[7] < 15);       // g/kg
        }
    }
    QCOMPARE(int(sim.liveRecords().size()), 5);
}

void TestMeterSim::pageStreaming_data()
{
    QTest::addColumn<QByteArray>("selection");
    QTest::addColumn<int>("page");
    QTest::newRow("calculation standard") << QByteArray("G") << 1;
    QTest::newRow("calculation detailed") << QByteArray("F") << 3;
    QTest::newRow("%OA") << QByteArray("F") << 2;
}

void TestMeterSim::pageStreaming()
{
    QFETCH(QByteArray, selection);
    QFETCH(int, page);
    Simulator sim(fastConfig());
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    line.exchange(selection);
    const bool detailed = selection == "F";
    const std::vector<std::string> records = sim.pageRecords(page, detailed);
    const QByteArray expected = "AT\r\n" + QByteArray::fromStdString(sim.pageHeaderText(page)) + joined(records);
    QCOMPARE(line.exchange("T000" + QByteArray::number(page)), expected);

    const auto &p = sim.config().pages[size_t(page - 1)];
    QCOMPARE(int(records.size()), p.records);
    QCOMPARE(QByteArray::fromStdString(sim.pageHeaderText(page)).size(), 21);
    for (size_t i = 0; i < records.size(); ++i) {
        const QByteArray r = QByteArray::fromStdString(records[i]);
        QVERIFY(r.endsWith("\r\n"));
        QVERIFY(r.startsWith(QByteArray::number(qlonglong(i) + 1).rightJustified(4, '0')));
        if (p.oa) {
            QCOMPARE(r.count(';'), 3);
            QVERIFY(r.at(4) != ';');
        } else {
            QVERIFY(r.size() > 30);
            QCOMPARE(r.count(';'), detailed ? 8 : 4);
        }
    }
}

void TestMeterSim::streamingStopsOnN()
{
    Config config;
    config.baud = 19200;
    Simulator sim(config);
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    line.exchange("F");
    const QByteArray full = "AT\r\n" + QByteArray::fromStdString(sim.pageHeaderText(1)) + joined(sim.pageRecords(1, true));
    line.send("T0001");
    QByteArray got = line.readBytes(25 + 3 * 70);
    line.send("N");
    got += line.readQuiet(200);
    QVERIFY2(got.endsWith("AN\r\n"), got.right(40).constData());
    const QByteArray streamed = got.chopped(4);
    QVERIFY(streamed.size() < full.size() / 2);
    QVERIFY(full.startsWith(streamed));
    QVERIFY(sim.idle());
    // Nothing follows the stop.
    QCOMPARE(line.readFor(150), QByteArray());
}

void TestMeterSim::pacingFollowsBaudRate()
{
    Config config; // 9600 baud: 960 characters a second
    Simulator sim(config);
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    line.exchange("F");
    const QByteArray expected = "AT\r\n" + QByteArray::fromStdString(sim.pageHeaderText(3)) + joined(sim.pageRecords(3, true));
    QElapsedTimer timer;
    timer.start();
    line.send("T0003");
    const QByteArray got = line.readBytes(int(expected.size()), 10000);
    const double seconds = timer.elapsed() / 1000.0;
    QCOMPARE(got, expected);
    const double onTheLine = expected.size() * 10.0 / 9600.0;
    QVERIFY2(seconds > 0.8 * onTheLine, qPrintable(QString::number(seconds)));
}

void TestMeterSim::faults_data()
{
    QTest::addColumn<QByteArray>("before"); // a command sent first (no fault on it)
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<metersim::FaultKind>("kind");
    QTest::addColumn<QByteArray>("expected"); // empty with check = true: see the row's test below
    using K = metersim::FaultKind;

    QTest::newRow("G wrong ack") << QByteArray() << QByteArray("G") << K::WrongAck << QByteArray("AX\r\n");
    QTest::newRow("S wrong ack") << QByteArray() << QByteArray("S") << K::WrongAck << QByteArray("AX;1;0;1013\r\n");
    QTest::newRow("S missing ack") << QByteArray() << QByteArray("S") << K::MissingAck << QByteArray(";1;0;1013\r\n");
    QTest::newRow("P missing ack") << QByteArray() << QByteArray("P") << K::MissingAck << QByteArray("P0003\r\n");
    QTest::newRow("G missing ack") << QByteArray() << QByteArray("G") << K::MissingAck << QByteArray();
    QTest::newRow("U silence") << QByteArray() << QByteArray("U") << K::Silence << QByteArray();
    QTest::newRow("M no separators") << QByteArray() << QByteArray("M0001") << K::NoSeparators
                                     << QByteArray("AM0001  000 10 20 AVG 1013\r\n");
    QTest::newRow("U short") << QByteArray() << QByteArray("U") << K::ShortRecord
                             << QByteArray("AU\r\nppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C\r\n");
    QTest::newRow("T0009 silence") << QByteArray() << QByteArray("T0009") << K::Silence << QByteArray();
    QTest::newRow("T0004 missing ack") << QByteArray() << QByteArray("T0004") << K::MissingAck << QByteArray();
}

void TestMeterSim::faults()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, command);
    QFETCH(metersim::FaultKind, kind);
    QFETCH(QByteArray, expected);

    Simulator sim(fastConfig());
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    if (!before.isEmpty())
        line.exchange(before);
    const QByteArray normal = line.exchange(command);
    sim.setFault(command.left(1).toStdString(), Fault{kind, 1});
    QCOMPARE(line.exchange(command), expected);
    // One reply spoiled, then the meter is itself again.
    QCOMPARE(line.exchange(command), normal);
}

void TestMeterSim::timedFaults()
{
    Simulator sim(fastConfig());
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    const QByteArray p = "AP\r\nP0003\r\n";

    // Late: nothing for a while, then the whole reply.
    sim.setFault("P", Fault{FaultKind::Late, 1, 0, 400});
    line.send("P");
    QCOMPARE(line.readFor(200), QByteArray());
    QCOMPARE(line.readBytes(int(p.size()), 2000), p);

    // Split: half, a pause longer than one read's wait, the rest.
    sim.setFault("P", Fault{FaultKind::SplitReply, 1, 0, 400});
    line.send("P");
    QCOMPARE(line.readFor(200), p.left(p.size() / 2));
    QCOMPARE(line.readBytes(int(p.size() - p.size() / 2), 2000), p.mid(p.size() / 2));

    // Trickle: one character every 50 ms.
    sim.setFault("P", Fault{FaultKind::Trickle, 1});
    line.send("P");
    const QByteArray early = line.readFor(200);
    QVERIFY(early.size() >= 1 && early.size() <= 6);
    QCOMPARE(early + line.readQuiet(200), p);

    // Garbage: the reply's length of random bytes, 0x00 and 0xFF among them; twice, then normal.
    sim.setFault("P", Fault{FaultKind::Garbage, 2});
    for (int i = 0; i < 2; ++i) {
        const QByteArray g = line.exchange("P");
        QCOMPARE(g.size(), p.size());
        QVERIFY(g.contains('\0'));
        QVERIFY(g.contains('\xFF'));
        QVERIFY(g != p);
    }
    QCOMPARE(line.exchange("P"), p);

    // Always: every reply, until cleared.
    sim.setFault("G", Fault{FaultKind::WrongAck, -1});
    for (int i = 0; i < 3; ++i)
        QCOMPARE(line.exchange("G"), QByteArray("AX\r\n"));
    sim.clearFaults();
    QCOMPARE(line.exchange("G"), QByteArray("AG\r\n"));

    // Silence on G or F: the meter did not hear it, the selection stays.
    line.exchange("F");
    sim.setFault("G", Fault{FaultKind::Silence, 1});
    QCOMPARE(line.exchange("G"), QByteArray());
    QVERIFY(sim.detailed());

    // A spoilt live record is what the meter sent: the record log keeps it as it went out.
    sim.setFault("D", Fault{FaultKind::ShortRecord, 1});
    QByteArray d = line.exchange("D0001");
    QCOMPARE(d.size(), 4 + 22);
    QCOMPARE(QByteArray::fromStdString(sim.lastLiveRecord()), d.mid(4));
    sim.setFault("D", Fault{FaultKind::NoSeparators, 1});
    d = line.exchange("D0001");
    QCOMPARE(d.size(), 4 + 65);
    QVERIFY(!d.contains(';'));
    sim.setFault("D", Fault{FaultKind::MissingAck, 1});
    d = line.exchange("D0001");
    QCOMPARE(d.size(), 65);
    QCOMPARE(QByteArray::fromStdString(sim.lastLiveRecord()), d);
    QCOMPARE(sim.liveRecordsSent(), 3);
}

void TestMeterSim::pageFaultsMidway()
{
    Simulator sim(fastConfig());
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    line.exchange("G");
    const QByteArray head = "AT\r\n" + QByteArray::fromStdString(sim.pageHeaderText(1));
    std::vector<std::string> records = sim.pageRecords(1, false);

    // The page falls silent after two records.
    sim.setFault("T", Fault{FaultKind::Silence, 1, 2});
    QCOMPARE(line.exchange("T0001", 300), head + joined({records[0], records[1]}));
    line.exchange("N");

    // The second record never reaches its length; the rest of the page follows.
    sim.setFault("T", Fault{FaultKind::ShortRecord, 1, 1});
    std::vector<std::string> shortened = records;
    shortened[1] = shortened[1].substr(0, 20) + "\r\n";
    QCOMPARE(line.exchange("T0001"), head + joined(shortened));

    // The device disappears half-way through the third record.
    sim.setFault("T", Fault{FaultKind::Vanish, 1, 2});
    line.send("T0001");
    const QByteArray got = line.readQuiet(200);
    QCOMPARE(got, head + joined({records[0], records[1]}) + QByteArray::fromStdString(records[2]).left(int(records[2].size() / 2)));
    QVERIFY(waitUntil([&] { return !sim.present(); }, 2000));
    line.readFor(50);
    QVERIFY(line.hungUp);
}

void TestMeterSim::vanishAndReappear()
{
    QTemporaryDir dir;
    Config config = fastConfig();
    config.linkPath = dir.filePath("meter").toStdString();
    Simulator sim(config);
    QVERIFY(sim.start());
    QCOMPARE(sim.devicePath(), config.linkPath);
    QCOMPARE(QFileInfo(dir.filePath("meter")).symLinkTarget(), QString::fromStdString(sim.ptyPath()));
    const std::string firstPty = sim.ptyPath();

    Line line(sim.devicePath());
    QVERIFY(line.ok());
    QCOMPARE(line.exchange("G"), QByteArray("AG\r\n"));

    sim.vanish();
    QVERIFY(!sim.present());
    line.readFor(50);
    QVERIFY(line.hungUp);
    QVERIFY(!QFileInfo::exists(dir.filePath("meter")));
    QVERIFY(!Line(config.linkPath).ok());
    line.close();

    QVERIFY(sim.reappear());
    QVERIFY(sim.present());
    QCOMPARE(QFileInfo(dir.filePath("meter")).symLinkTarget(), QString::fromStdString(sim.ptyPath()));
    Line again(sim.devicePath());
    QVERIFY(again.ok());
    QCOMPARE(again.exchange("F"), QByteArray("AF\r\n"));
    QCOMPARE(sim.receivedCommands(), (std::vector<std::string>{"G", "F"}));
    Q_UNUSED(firstPty);
}

void TestMeterSim::survivesReopenAndIdlesWhenClosed()
{
    Config config;
    config.baud = 38400;
    Simulator sim(config);
    QVERIFY(sim.start());
    for (int i = 0; i < 5; ++i) {
        Line line(sim.devicePath());
        QVERIFY(line.ok());
        QCOMPARE(line.exchange("G", 60), QByteArray("AG\r\n"));
    }

    // The program closes its end in the middle of a page: what goes out meanwhile is lost, the
    // simulator neither blocks nor spins.
    {
        Line line(sim.devicePath());
        line.exchange("F", 60);
        line.send("T0001");
        line.readBytes(30);
    }
    const double cpuBefore = cpuSeconds();
    QThread::msleep(500);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    QVERIFY2(cpuUsed < 0.25, qPrintable(QString::number(cpuUsed)));

    Line line(sim.devicePath());
    QVERIFY(line.ok());
    // As the program does: stop whatever is still streaming, then talk.
    QVERIFY(line.exchange("N").endsWith("AN\r\n"));
    QCOMPARE(line.exchange("P"), QByteArray("AP\r\nP0003\r\n"));
    // Bytes pass untouched (no CR/LF translation, no echo) also after reopening.
    QVERIFY(sim.waitForCommand("P", 1, 1000));
}

void TestMeterSim::receivedLog()
{
    Simulator sim(fastConfig());
    QVERIFY(sim.start());
    Line line(sim.devicePath());
    line.exchange("U", 60);
    line.exchange("G", 60);
    line.exchange("X", 60);
    // Two commands in one write, and one split over two writes.
    [[maybe_unused]] ssize_t n = ::write(line.fd, "D0001\r\nN\r\nM00", 13);
    QThread::msleep(30);
    n = ::write(line.fd, "02\r\n", 4);
    QVERIFY(sim.waitForCommand("M0002", 1, 2000));
    QCOMPARE(sim.receivedCommands(), (std::vector<std::string>{"U", "G", "X", "D0001", "N", "M0002"}));
    const std::vector<Received> r = sim.received();
    for (size_t i = 1; i < r.size(); ++i)
        QVERIFY(r[i].t >= r[i - 1].t);
    QVERIFY(r.front().t >= 0 && r.back().t <= sim.now());
    sim.clearReceived();
    QVERIFY(sim.receivedCommands().empty());
}

void TestMeterSim::fixturePointsProgramAtSimulator()
{
    Variable::Settings.RsPort = QStringLiteral("COM1");
    Variable::Settings.ProgMode = false;
    qunsetenv("TELVARO_EXTRA_PORTS");
    {
        Config config = fastConfig();
        config.baud = 19200;
        SimFixture sim(config);
        QVERIFY(sim.ok());
        QCOMPARE(Variable::Settings.RsPort, sim.devicePath());
        QCOMPARE(qEnvironmentVariable("TELVARO_EXTRA_PORTS"), sim.devicePath());
        QCOMPARE(Variable::Settings.RsSpeed, QStringLiteral("19200"));
        QCOMPARE(Variable::Settings.RsParity + Variable::Settings.RsDataBit + Variable::Settings.RsStopBit,
                 QStringLiteral("N81"));
        QCOMPARE(Variable::Settings.RsFlow, qint16(1));
        QVERIFY(Variable::Settings.ProgMode);

        Line line(sim.devicePath().toStdString());
        line.send("P");
        QVERIFY(waitUntil([&] { return sim.commands() == QStringList{"P"}; }, 2000));
    }
    QCOMPARE(Variable::Settings.RsPort, QStringLiteral("COM1"));
    QVERIFY(!Variable::Settings.ProgMode);
    QVERIFY(!qEnvironmentVariableIsSet("TELVARO_EXTRA_PORTS"));
}

void TestMeterSim::qtSerialPortTalksToSimulator()
{
    SimFixture sim;
    QVERIFY(sim.ok());
    // Open, talk, close, several times over, as the program does for every operation.
    for (int round = 0; round < 3; ++round) {
        QSerialPort port;
        port.setPortName(sim.devicePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.setBaudRate(9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        port.clear();
        port.write("P\r\n");
        QByteArray got;
        QVERIFY(waitUntil([&] { got += port.readAll(); return got.size() >= 11; }, 3000));
        QCOMPARE(got, QByteArray("AP\r\nP0003\r\n"));
        port.close();
    }

    // The device goes away under an open port. A hung-up pty reads as end of file, which Qt
    // reports as a ReadError (a pulled USB adapter gives ResourceError); either means: close it.
    QSerialPort port;
    port.setPortName(sim.devicePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    bool lost = false;
    connect(&port, &QSerialPort::errorOccurred, &port, [&](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError) {
            lost = true;
            port.close();
        }
    });
    sim->vanish();
    QVERIFY(waitUntil([&] { return lost; }, 3000));
    port.close();
    QCOMPARE(sim.commands(), (QStringList{"P", "P", "P"}));
}

void TestMeterSim::commandLineProgram()
{
    QTemporaryDir dir;
    const QString log = dir.filePath("sim.log");
    QProcess proc;
    proc.start(QStringLiteral(TELVARO_SIM_EXE),
               {"--baud", "38400", "--pages", "none", "--page", "calc,INS,5,3,2026/10/01,07:30:00,998", "--page",
                "oa,CO2,30,2", "--fault", "G=wrongack:1", "--log", log});
    QVERIFY(proc.waitForStarted(3000));
    QVERIFY(proc.waitForReadyRead(3000));
    const QString device = QString::fromLocal8Bit(proc.readLine()).trimmed();
    QVERIFY(device.startsWith("/dev/"));

    {
        Line line(device.toStdString());
        QVERIFY(line.ok());
        QCOMPARE(line.exchange("P"), QByteArray("AP\r\nP0002\r\n"));
        QCOMPARE(line.exchange("M0001"), QByteArray("AM0001  000;5;3;INS;998\r\n"));
        QCOMPARE(line.exchange("M0002"), QByteArray("AM0002  001;30;2;CO2;1013\r\n"));
        QCOMPARE(line.exchange("G"), QByteArray("AX\r\n"));
        QCOMPARE(line.exchange("G"), QByteArray("AG\r\n"));
        const QByteArray page = line.exchange("T0001");
        QVERIFY(page.startsWith("AT\r\n2026/10/01 07:30:00\r\n0001;"));
        QCOMPARE(page.count("\r\n"), 2 + 3);
    }
    proc.terminate();
    QVERIFY(proc.waitForFinished(3000));
    QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(proc.exitCode(), 0);

    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QStringList commands;
    for (const QByteArray &l : lines) {
        const QList<QByteArray> parts = l.simplified().split(' ');
        if (parts.size() == 4) // date, time, seconds since start, command
            commands << QString::fromLatin1(parts[3]);
    }
    QCOMPARE(commands, (QStringList{"P", "M0001", "M0002", "G", "G", "T0001"}));
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "test_metersim.moc"
