// The meter simulator, driven through a serial port on its pty, in what the program's tests never ask
// of it: unknown commands and pages, Fahrenheit, a trickle, where a page falls silent or a record is
// cut, the device going away behind its link, and the program. (Replies, pages, pacing, N and the
// faults the program meets are checked end to end, through the exchanges and the expected files.)
#include <QSerialPort>
#include <QtTest>
#include <numeric>

#include "support/SimFixture.h"

using namespace metersim;

namespace {

// The program's end of the line, as a test sees it.
struct Line : QSerialPort {
    explicit Line(const QString &path)
    {
        setPortName(path);
        open(ReadWrite);
    }
    void raw(const QByteArray &b)
    {
        write(b);
        flush();
    }
    // Until quietMs without a byte after the first (250 ms before it).
    QByteArray read(int quietMs)
    {
        QByteArray out;
        while (waitForReadyRead(out.isEmpty() ? std::max(250, quietMs) : quietMs))
            out += readAll();
        return out;
    }
    QByteArray exchange(const QByteArray &command, int quietMs = 60)
    {
        raw(command + "\r\n");
        return read(quietMs);
    }
};

QByteArray joined(const std::vector<std::string> &records)
{
    return QByteArray::fromStdString(std::accumulate(records.begin(), records.end(), std::string()));
}

// A started simulator with the test's end of the line open.
struct Meter {
    explicit Meter(Config c) : sim(c), started(sim.start()), line(QString::fromStdString(sim.devicePath())) {}
    bool ok() const { return started && line.isOpen(); }
    QByteArray head(int n) const { return "AT\r\n" + QByteArray::fromStdString(sim.pageHeaderText(n)); }
    Simulator sim;
    bool started;
    Line line;
};

} // namespace

class TestMeterSim : public QObject {
    Q_OBJECT
private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("setup");  // fahrenheit, no pages, trickle (the reply a character every 50 ms)
        const auto row = [](const char *name, const char *command, const QByteArray &expected, const char *setup) {
            QTest::newRow(name) << QByteArray(command) << expected << QByteArray(setup);
        };
        row("U Fahrenheit", "U", "AU\r\nppm;ppm;\xDF" "F;%RH;\xDF" "F;\xDF" "F;g/m3;g/kg;hPa\r\n", "fahrenheit");
        row("P trickled", "P", "AP\r\nP0003\r\n", "trickle");
        row("M unknown page", "M0004", "AM\r\n", "");
        row("T unknown page", "T0009", "AT\r\n", "");
        row("T none", "T0001", "AT\r\n", "no pages");
        row("unknown command", "X", {}, "");
        row("lower case", "u", {}, "");
    }

    void replies()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, setup);
        Config c{.baud = 115200, .fahrenheit = setup == "fahrenheit"};
        if (setup == "no pages")
            c.pages.clear();
        Meter m(c);
        QVERIFY(m.ok());
        const bool trickled = setup == "trickle";
        m.sim.setFault("P", Fault{trickled ? FaultKind::Trickle : FaultKind::None});
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m.line.exchange(command, trickled ? 200 : 60), expected);
        QVERIFY(!trickled || clock.elapsed() >= 50 * (expected.size() - 1));
        QCOMPARE(m.line.exchange("G"), QByteArray("AG\r\n"));
    }

    void pageFaultsVanishAndReappear()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("meter");
        Meter m({.baud = 115200, .linkPath = link.toStdString()});
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
        QVERIFY(QTest::qWaitFor([&] { return m.line.error() == QSerialPort::ReadError; }, 2000));
        m.line.close();  // its lock on the link's name would keep the next line from opening
        QVERIFY(!m.sim.present() && !QFileInfo::exists(link) && !Line(link).isOpen());
        QVERIFY(m.sim.reappear() && m.sim.present());  // a new pty, the link pointing to it
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(m.sim.ptyPath()));
        QCOMPARE(Line(link).exchange("F"), QByteArray("AF\r\n"));
    }

    void commandLineProgram()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("sim.log");
        QProcess proc;
        proc.start(QStringLiteral(TELVARO_SIM_EXE), {"--baud", "38400", "--pages", "none", "--page",
                                                     "calc,INS,5,3,2026/10/01,07:30:00,998", "--page", "oa,CO2,30,2",
                                                     "--fault", "G=wrongack:1", "--log", log});
        QVERIFY(proc.waitForStarted(3000) && proc.waitForReadyRead(3000));
        Line line(QString::fromLocal8Bit(proc.readLine()).trimmed());
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
};

QTEST_GUILESS_MAIN(TestMeterSim)
#include "test_metersim.moc"
