// The meter simulator, driven through a plain file descriptor on its pty, in what the program's tests
// never ask of it: unknown commands and pages, Fahrenheit, a trickle, where a page falls silent or a
// record is cut, the device going away behind its link, and the program. (Replies, pages, pacing, N
// and the faults the program meets are checked end to end, through the exchanges and the expected files.)
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
    // Until quietMs without a byte after the first (250 ms before it), or timeoutMs; notes a hang-up.
    QByteArray read(int quietMs, int timeoutMs = 5000)
    {
        QByteArray out;
        const QDeadlineTimer end(timeoutMs);
        QElapsedTimer quiet;
        quiet.start();
        while (!end.hasExpired() &&
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
    QByteArray exchange(const QByteArray &command, int quietMs = 60)
    {
        raw(command + "\r\n");
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
    Simulator sim;
    bool started;
    Line line;
};

struct Reply {
    QByteArray command, expected;
    QByteArray setup;  // "fahrenheit", "no pages", "trickle" (the reply a character every 50 ms)
};

} // namespace

Q_DECLARE_METATYPE(Reply)

class TestMeterSim : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void pageFaultsVanishAndReappear();
    void commandLineProgram();
};

void TestMeterSim::replies_data()
{
    QTest::addColumn<Reply>("r");
    auto row = [](const char *name, const Reply &r) { QTest::newRow(name) << r; };
    row("U Fahrenheit", {"U", "AU\r\nppm;ppm;\xDF" "F;%RH;\xDF" "F;\xDF" "F;g/m3;g/kg;hPa\r\n", "fahrenheit"});
    row("P trickled", {"P", "AP\r\nP0003\r\n", "trickle"});
    row("M unknown page", {"M0004", "AM\r\n"});
    row("T unknown page", {"T0009", "AT\r\n"});
    row("T none", {"T0001", "AT\r\n", "no pages"});
    row("unknown command", {"X", {}});
    row("lower case", {"u", {}});
}

void TestMeterSim::replies()
{
    QFETCH(Reply, r);
    Meter m(115200, [&](Config &c) {
        c.fahrenheit = r.setup == "fahrenheit";
        c.pages.resize(r.setup == "no pages" ? 0 : c.pages.size());
    });
    QVERIFY(m.ok());
    const bool trickled = r.setup == "trickle";
    m.sim.setFault("P", Fault{trickled ? FaultKind::Trickle : FaultKind::None});
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m.line.exchange(r.command, trickled ? 200 : 60), r.expected);
    QVERIFY(!trickled || clock.elapsed() >= 50 * (r.expected.size() - 1));
    QCOMPARE(m.line.exchange("G"), QByteArray("AG\r\n"));
}

void TestMeterSim::pageFaultsVanishAndReappear()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("meter");
    Meter m(115200, [&](Config &c) { c.linkPath = link.toStdString(); });
    QVERIFY(m.ok());
    m.sim.setFault("G", Fault{FaultKind::WrongAck, -1});  // every reply until cleared
    QCOMPARE(m.line.exchange("G") + m.line.exchange("G"), QByteArray("AX\r\nAX\r\n"));
    m.sim.clearFaults();
    QCOMPARE(m.line.exchange("G"), QByteArray("AG\r\n"));
    std::vector<std::string> records = m.sim.pageRecords(1, false);
    m.sim.setFault("T", Fault{FaultKind::Silence, 1, 2});  // silent after two records
    QCOMPARE(m.line.exchange("T0001", 300), m.head(1) + joined({records[0], records[1]}));
    m.line.exchange("N");
    m.sim.setFault("T", Fault{FaultKind::ShortRecord, 1, 1});  // the second record cut, the rest follows
    records[1] = records[1].substr(0, 20) + "\r\n";
    QCOMPARE(m.line.exchange("T0001"), m.head(1) + joined(records));
    m.sim.vanish();
    QVERIFY(waitUntil([&] { return m.line.read(kForever, 5).isEmpty() && m.line.hungUp; }, 2000));
    QVERIFY(!m.sim.present() && !QFileInfo::exists(link) && !Line(link.toStdString()).ok());
    QVERIFY(m.sim.reappear() && m.sim.present());  // a new pty, the link pointing to it
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(m.sim.ptyPath()));
    QCOMPARE(Line(link.toStdString()).exchange("F"), QByteArray("AF\r\n"));
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
