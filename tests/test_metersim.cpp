// The meter simulator, driven through a plain file descriptor on its pty: replies and faults byte
// for byte, page streaming, its stop and pacing, the device going away, the logs, the program.
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <unistd.h>

#include "support/SimFixture.h"

using namespace metersim;

namespace {

constexpr int kForever = 1 << 30;

// The program's end of the line, as a test sees it.
struct Line {
    explicit Line(const std::string &path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Line() { close(); }
    void close() { ::close(std::exchange(fd, -1)); }
    bool ok() const { return fd >= 0; }
    void raw(const QByteArray &b) const { [[maybe_unused]] ssize_t n = ::write(fd, b.data(), size_t(b.size())); }
    void send(const QByteArray &command) const { raw(command + "\r\n"); }
    // Until n bytes, quietMs without a byte after the first (250 ms before it), or timeoutMs; notes a hang-up.
    QByteArray read(int quietMs, qsizetype n = kForever, int timeoutMs = 5000)
    {
        QByteArray out;
        const QDeadlineTimer end(timeoutMs);
        QElapsedTimer quiet;
        quiet.start();
        while (out.size() < n && !end.hasExpired() &&
               quiet.elapsed() < (out.isEmpty() ? std::max(250, quietMs) : quietMs)) {
            pollfd p{fd, POLLIN, 0};
            char buf[1024];
            const ssize_t k = ::poll(&p, 1, 5) > 0 && (p.revents & POLLIN) ? ::read(fd, buf, sizeof buf) : 0;
            if (k > 0) {
                out.append(buf, qsizetype(k));
                quiet.restart();
            } else if ((k < 0 && errno == EIO) || (p.revents & (POLLHUP | POLLERR))) {
                hungUp = true;
                QThread::msleep(5);
            }
        }
        return out;
    }
    QByteArray readBytes(qsizetype n, int timeoutMs = 5000) { return read(kForever, n, timeoutMs); }
    QByteArray readFor(int ms) { return read(kForever, kForever, ms); }
    QByteArray exchange(const QByteArray &command, int quietMs = 60)
    {
        send(command);
        return read(quietMs);
    }
    int fd;
    bool hungUp = false;
};

QByteArray joined(const std::vector<std::string> &records)
{
    return QByteArray::fromStdString(std::accumulate(records.begin(), records.end(), std::string()));
}

// A started simulator with the test's end of the line open.
struct Meter {
    explicit Meter(int baud = 115200, const std::function<void(Config &)> &setup = {})
        : sim([&] {
              Config c{.baud = baud};
              if (setup)
                  setup(c);
              return c;
          }()),
          started(sim.start()), line(sim.devicePath())
    {
    }
    bool ok() const { return started && line.ok(); }
    QByteArray head(int n) const { return "AT\r\n" + QByteArray::fromStdString(sim.pageHeaderText(n)); }
    QByteArray page(int n, bool detailed) const { return head(n) + joined(sim.pageRecords(n, detailed)); }
    Simulator sim;
    bool started;
    Line line;
};

// A command's reply: the bytes, or a random live record's length. Its faults are met by the
// program's exchanges (test_serial_exchanges), which fail as each fault demands.
struct Reply {
    QByteArray command, expected;
    int size = 0;
    QByteArray setup;  // "fahrenheit", "no pages", "standard" (G before D; F otherwise)
};

} // namespace

Q_DECLARE_METATYPE(Reply)

class TestMeterSim : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void pageStreamingAndPacing();
    void stopOnNAndReopen();
    void timedFaults();
    void pageFaultsVanishAndReappear();
    void commandLineProgram();
};

void TestMeterSim::replies_data()
{
    QTest::addColumn<Reply>("r");
    auto row = [](const char *name, const Reply &r) { QTest::newRow(name) << r; };
    const QByteArray units = "AU\r\nppm;ppm;\xDF" "C;%RH;\xDF" "C;\xDF" "C;g/m3;g/kg;hPa\r\n";
    row("U", {"U", units});
    row("U Fahrenheit", {"U", QByteArray(units).replace("\xDF" "C", "\xDF" "F"), 0, "fahrenheit"});
    row("S", {"S", "AS;1;0;1013\r\n"});
    row("F", {"F", "AF\r\n"});
    row("N quiet", {"N", "AN\r\n"});
    row("P", {"P", "AP\r\nP0003\r\n"});
    row("P none", {"P", "AP\r\nP0000\r\n", 0, "no pages"});
    row("M0001", {"M0001", "AM0001  000;10;20;AVG;1013\r\n"});
    row("M0002", {"M0002", "AM0002  001;30;30;TMP;1009\r\n"});
    row("M unknown page", {"M0004", "AM\r\n"});
    row("T unknown page", {"T0009", "AT\r\n"});
    row("T none", {"T0001", "AT\r\n", 0, "no pages"});
    row("unknown command", {"X", {}});
    row("lower case", {"u", {}});
    row("D detailed", {"D0001", {}, 4 + 65});
    row("D standard", {"D0001", {}, 4 + 33, "standard"});
}

void TestMeterSim::replies()
{
    QFETCH(Reply, r);
    Meter m(115200, [&](Config &c) {
        c.fahrenheit = r.setup == "fahrenheit";
        c.pages.resize(r.setup == "no pages" ? 0 : c.pages.size());
    });
    QVERIFY(m.ok());
    if (r.size)
        m.line.exchange(r.setup == "standard" ? "G" : "F");
    const QByteArray got = m.line.exchange(r.command);
    if (r.size) {  // a live record is logged as it went out
        QVERIFY(got.size() == r.size && got.startsWith("AD\r\n"));
        QCOMPARE(QByteArray::fromStdString(m.sim.lastLiveRecord()), got.mid(4));
        QVERIFY(QRegularExpression("^([^;]{7};)*[^;]{7}\r\n$").match(got.mid(4)).hasMatch());
    } else {
        QCOMPARE(got, r.expected);
    }
    QCOMPARE(m.line.exchange("G"), QByteArray("AG\r\n"));
}

void TestMeterSim::pageStreamingAndPacing()
{
    // Each page byte for byte, no faster than 9600 baud allows (10 bits a character).
    for (const auto &[page, detailed] : {std::pair{1, false}, {3, true}, {2, true}}) {  // %OA page 2
        Meter m(9600);
        QVERIFY(m.ok());
        m.line.exchange(detailed ? "F" : "G");
        const QByteArray expected = m.page(page, detailed);
        QElapsedTimer timer;
        timer.start();
        m.line.send("T000" + QByteArray::number(page));
        QCOMPARE(m.line.readBytes(expected.size(), 10000), expected);
        QCOMPARE_GT(timer.elapsed(), 0.8 * expected.size() * 10000.0 / 9600.0);
    }
}

void TestMeterSim::stopOnNAndReopen()
{
    Meter m(19200);
    QVERIFY(m.ok());
    m.line.exchange("F");
    const QByteArray full = m.page(1, true);
    m.line.send("T0001");
    QByteArray got = m.line.readBytes(25 + 3 * 70);
    m.line.send("N");
    got += m.line.read(200);
    QVERIFY2(got.endsWith("AN\r\n"), got.right(40).constData());
    QVERIFY(got.size() - 4 < full.size() / 2 && full.startsWith(got.chopped(4)) && m.sim.idle());
    QCOMPARE(m.line.readFor(150), QByteArray());

    m.line.send("T0001");  // closed mid-page: the rest is lost, the meter answers the next opening
    m.line.readBytes(30);
    m.line.close();
    Line again(m.sim.devicePath());
    QVERIFY(again.exchange("N").endsWith("AN\r\n"));
    QCOMPARE(again.exchange("P"), QByteArray("AP\r\nP0003\r\n"));
}

void TestMeterSim::timedFaults()
{
    Meter m;
    QVERIFY(m.ok());
    const QByteArray p = "AP\r\nP0003\r\n";
    using K = FaultKind;  // Late: nothing at first; SplitReply: the first half; Trickle: a character every 50 ms
    for (const auto &[kind, least, most] : {std::tuple{K::Late, 0, 0}, {K::SplitReply, 5, 5}, {K::Trickle, 1, 6}}) {
        m.sim.setFault("P", Fault{kind, 1, 0, 400});
        m.line.send("P");
        const QByteArray early = m.line.readFor(200);
        QVERIFY(early.size() >= least && early.size() <= most);
        QCOMPARE(early + m.line.read(400), p);
    }
    m.sim.setFault("P", Fault{K::Garbage, 2});  // the reply's length of random bytes, twice
    for (const QByteArray &g : {m.line.exchange("P"), m.line.exchange("P")})
        QVERIFY(g.size() == p.size() && g.contains('\0') && g.contains('\xFF') && g != p);
    QCOMPARE(m.line.exchange("P"), p);
    m.sim.setFault("G", Fault{K::WrongAck, -1});  // every reply until cleared
    for (const QByteArray &g : {m.line.exchange("G"), m.line.exchange("G"), m.line.exchange("G")})
        QCOMPARE(g, QByteArray("AX\r\n"));
    m.sim.clearFaults();
    QCOMPARE(m.line.exchange("G"), QByteArray("AG\r\n"));
}

void TestMeterSim::pageFaultsVanishAndReappear()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("meter");
    Meter m(115200, [&](Config &c) { c.linkPath = link.toStdString(); });
    QVERIFY(m.ok());
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(m.sim.ptyPath()));
    m.line.exchange("G");
    std::vector<std::string> records = m.sim.pageRecords(1, false);
    const QByteArray firstTwo = m.head(1) + joined({records[0], records[1]});
    const QByteArray third = QByteArray::fromStdString(records[2]);
    m.sim.setFault("T", Fault{FaultKind::Silence, 1, 2});  // silent after two records
    QCOMPARE(m.line.exchange("T0001", 300), firstTwo);
    m.line.exchange("N");
    m.sim.setFault("T", Fault{FaultKind::ShortRecord, 1, 1});  // the second record cut, the rest follows
    records[1] = records[1].substr(0, 20) + "\r\n";
    QCOMPARE(m.line.exchange("T0001"), m.head(1) + joined(records));
    m.sim.setFault("T", Fault{FaultKind::Vanish, 1, 2});  // gone half-way through the third record
    QCOMPARE(m.line.exchange("T0001", 200), firstTwo + third.left(third.size() / 2));
    QVERIFY(waitUntil([&] { return m.line.readFor(5).isEmpty() && m.line.hungUp; }, 2000));
    QVERIFY(!m.sim.present() && !QFileInfo::exists(link) && !Line(link.toStdString()).ok());
    m.line.close();
    QVERIFY(m.sim.reappear() && m.sim.present());  // a new pty, the link pointing to it
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(m.sim.ptyPath()));
    QCOMPARE(Line(link.toStdString()).exchange("F"), QByteArray("AF\r\n"));
    QCOMPARE(m.sim.receivedCommands(), (std::vector<std::string>{"G", "T0001", "N", "T0001", "T0001", "F"}));
    const std::vector<Received> r = m.sim.received();
    QVERIFY(std::ranges::is_sorted(r, {}, &Received::t) && r.back().t <= m.sim.now());
}

void TestMeterSim::commandLineProgram()
{
    QTemporaryDir dir;
    const QString log = dir.filePath("sim.log");
    QProcess proc;
    proc.start(QStringLiteral(TELVARO_SIM_EXE), {"--baud", "38400", "--pages", "none", "--page",
                                                 "calc,INS,5,3,2026/10/01,07:30:00,998", "--page", "oa,CO2,30,2",
                                                 "--fault", "G=wrongack:1", "--log", log});
    QVERIFY(proc.waitForStarted(3000) && proc.waitForReadyRead(3000));
    Line line(QString::fromLocal8Bit(proc.readLine()).trimmed().toStdString());
    QCOMPARE(line.exchange("P"), QByteArray("AP\r\nP0002\r\n"));
    QCOMPARE(line.exchange("M0001"), QByteArray("AM0001  000;5;3;INS;998\r\n"));
    QCOMPARE(line.exchange("G"), QByteArray("AX\r\n"));
    QVERIFY(line.exchange("T0001").startsWith("AT\r\n2026/10/01 07:30:00\r\n0001;"));
    line.raw("X\r\nN\r\nM00");  // an unknown command, two in one write, one split over two
    QThread::msleep(30);
    line.raw("02\r\n");
    QCOMPARE(line.read(60), QByteArray("AN\r\nAM0002  001;30;2;CO2;1013\r\n"));
    line.close();
    proc.terminate();
    QVERIFY(proc.waitForFinished(3000) && proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0);
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QStringList commands;  // a line: date, time, seconds since start, command
    for (const QByteArray &l : f.readAll().split('\n'))
        if (const QList<QByteArray> parts = l.simplified().split(' '); parts.size() == 4)
            commands << QString::fromLatin1(parts[3]);
    QCOMPARE(commands, (QStringList{"P", "M0001", "G", "T0001", "X", "N", "M0002"}));
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "test_metersim.moc"
