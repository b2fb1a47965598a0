// The meter simulator in what the program's tests never ask of it (unknown commands and pages, Fahrenheit,
// a trickle, a page falling silent or cut, the device going away behind its link, its own program), and
// telvaro-cli end to end against it: output, exit status and files.
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QtTest>
#include <csignal>
#include <numeric>

#include "datafiles/CsvExport.h"
#include "datafiles/RunJournal.h"
#include "i18n/CodePage.h"
#include "measure/LiveTable.h"
#include "serial/Protocol.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"

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

const char *const kDirectory1 = "P T0001 N N M0001";
const char *const kTable2 =
    "Page  Operational mode  Sampling time  Number of data  Measurement operational mode  Date of Measurement\n"
    "1     CALCULATION       10             6               AVG                           2026/11/30 09:15:00\n"
    "2     %OA               30             5               TMP                           2026/11/30 10:20:30\n";

// One run of the program: pages the meter holds, arguments ({dev} the meter's pty, {dir} the test's
// folder), exit status, the commands the meter got ("..." first: only their end; "*": not looked
// at), standard output ("@name": the file tests/data/transfer/name; else the text it starts with),
// files written (name=expected ...; name=: none), what standard error says, the command the meter
// leaves unanswered and the RSErr.log entry that leaves.
const struct Run {
    const char *name; int pages; const char *args; int exit; const char *commands, *out, *files, *err;
    const char *silent = "", *log = "";
} kRuns[] = {
        {"ports", 1, "ports", 0, "", "COM1   {dev}\n", "", ""},
        {"pages as a table", 2, "--port {dev} pages", 0, "P T0001 N N M0001 T0002 N N M0002", kTable2, "", ""},
        {"pages as JSON, COM1 first", 1, "pages --port COM1 --json -q", 0, kDirectory1,
         "[\n    {\n        \"date\": \"2026/11/30 09:15:00\",", "", ""},
        {"one page to a file", 1, "read 1 -o {dir}/one.csv", 0, "P T0001 N N M0001 U F T0001", "",
         "one.csv=page1_detailed.csv", "page 1: 6 records to {dir}/one.csv"},
        {"every page to a folder", 4, "read all -o {dir}/pages/", 0, "... U F T0001 U T0002 U F T0003 U T0004", "",
         "pages/page-0001.csv=page1_detailed.csv pages/page-0002.csv=page2_oa_tmp.csv "
         "pages/page-0004.csv=page4_oa_co2.csv", ""},
        {"standard page to standard output", 3, "read 3 --standard -o -", 0, "... M0003 U G T0003",
         "@page3_standard.csv", "", ""},
        {"page beyond the directory", 1, "read 2", 2, kDirectory1, "", "", "page 2 is beyond the directory (1 pages)"},
        {"units not answered", 1, "read 1", 1, "... M0001 U", "", "",
         "Unit Read(Data Transfer failed: the meter sent nothing (logged in RSErr.log)", "U",
         ",Unit Read(Data Transfer,,-1\r\n"},
        {"live start fails", 1, "live --samples 2 -o run.csv", 1, "U S", "", "run.csv=",
         "live: S Command failed: the meter sent nothing (logged in RSErr.log)\n", "S", ",S Command,"},
        {"page 0", 1, "read 0", 2, "", "", "", "0 is not a page number"},
        {"page not a number", 1, "read 2x", 2, "", "", "", "2x is not a page number"},
        {"several pages to one file", 1, "read 1 2 -o {dir}/one.csv", 2, "", "", "", "several pages go to a folder"},
        {"no samples", 1, "live --samples 0", 2, "", "", "", "--samples 0: 1 to 65500 samples"},
        {"too many samples", 1, "live --samples 65501", 2, "", "", "", "--samples 65501: 1 to 65500"},
        {"interval not offered", 1, "live --interval 3", 2, "", "", "", "--interval 3: 1, 2, 5, 10, 30 or 60"},
        {"option of another command", 1, "pages --samples 3", 2, "", "", "", "pages takes no --samples"},
        {"baud rate not offered", 1, "--baud 1200 pages", 2, "", "", "", "--baud 1200"},
        {"not a serial port", 1, "--port /dev/null pages", 3, "", "", "", "cannot open the port /dev/null"},
        {"no such device", 1, "--port {dir}/ttyNone pages", 3, "", "", "", "cannot open the port"},
        {"COMn beyond the devices", 1, "--port COM99 pages", 3, "", "", "", "the port COM99: no such device"},
        {"folder cannot be written", 1, "read 1 -o {dir}/plain/x.csv", 1, "", "", "", "cannot write to"},
        {"file cannot be made", 1, "read 1 -o /proc/telvaro.csv", 1, "*", "", "", "cannot write"},
        {"journal of an unsaved run", 1, "live --samples 2", 2, "", "", "", "recover -o FILE"},
};
} // namespace

class TestPrograms : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<SimFixture> m_sim;
    QProcess m_cli;

    void serve(int pages, int baud = 115200, std::vector<Page> list = kFourPages)
    {
        list.resize(size_t(pages));
        m_sim = std::make_unique<SimFixture>(Config{.baud = baud, .pages = list});
        QVERIFY(m_sim->ok());
    }
    QString expand(QString text) const
    {
        return text.replace("{dev}", m_sim->devicePath()).replace("{dir}", m_folder->path());
    }
    // Start the program in the test's folder; the simulator answers from its own thread.
    void start(const QString &args)
    {
        m_cli.start(TELVARO_CLI_EXE, expand(args).split(' ', Qt::SkipEmptyParts));
        QVERIFY(m_cli.waitForStarted());
    }
    int finish(int timeoutMs = 60000)
    {
        const bool ended = QTest::qWaitFor([&] { return m_cli.state() == QProcess::NotRunning; }, timeoutMs)
            && m_cli.exitStatus() == QProcess::NormalExit;
        return ended ? m_cli.exitCode() : -1;
    }
    void interruptAfter(const char *command, int count, int signal, int delayMs = 0)
    {
        QVERIFY(QTest::qWaitFor([&] { return m_sim->commands().count(command) >= count; }, 30000));
        QTest::qWait(delayMs);
        ::kill(pid_t(m_cli.processId()), signal);
    }
    // The live run the meter sent, as the program holds it: units of the U reply, the records.
    SampleData meterRun(bool detailed, const QByteArray &firstTime, int count = -1) const
    {
        SampleData data;
        data.measureMode = detailed;
        data.sampleTime = "1sec";
        data.atmosPressure = 1013;
        const auto units = protocol::splitUnits("AU\r\n" + QByteArray::fromStdString(unitsText(false)));
        for (size_t i = 0; i < 9; ++i)
            data.units[i] = codepage::fromMeter(units->at(i));
        const QTime first = QTime::fromString(QString(firstTime).section(',', -1), "HH:mm:ss");
        const double t = first.msecsSinceStartOfDay() / live::kMsPerDay;
        for (const std::string &record : m_sim->sim().liveRecords())
            if (count < 0 || data.count() < count)
                data.append(t, {}, *protocol::splitDataRecord(QByteArray::fromStdString(record), detailed, false));
        return data;
    }
    QByteArray fileLine(const QString &name, int line) const
    {
        return m_folder->readFile(name).split('\n').value(line - 1).trimmed();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>("en_US.UTF-8");
        setLanguageState("en_US.UTF-8", 1);  // as the program starts without "Language.dat"
    }
    void cleanup()
    {
        if (m_cli.state() != QProcess::NotRunning) {
            m_cli.kill();
            m_cli.waitForFinished();
        }
        m_sim.reset();
        m_folder.reset();
    }

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
        SimFixture sim(c);
        Line line(sim.devicePath());
        QVERIFY(sim.ok() && line.isOpen());
        const bool trickled = setup == "trickle";
        sim->setFault("P", Fault{trickled ? FaultKind::Trickle : FaultKind::None});
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(line.exchange(command, trickled ? 200 : 60), expected);
        QVERIFY(!trickled || clock.elapsed() >= 50 * (expected.size() - 1));
        QCOMPARE(line.exchange("G"), QByteArray("AG\r\n"));
    }

    void pageFaultsVanishAndReappear()
    {
        const QString link = m_folder->path() + "/meter";
        SimFixture sim({.baud = 115200, .linkPath = link.toStdString()});
        Line line(link);
        QVERIFY(sim.ok() && line.isOpen());
        sim->setFault("G", Fault{FaultKind::WrongAck, -1});  // every reply until cleared
        QCOMPARE(line.exchange("G") + line.exchange("G"), QByteArray("AX\r\nAX\r\n"));
        sim->clearFaults();
        QCOMPARE(line.exchange("G"), QByteArray("AG\r\n"));
        const QByteArray head = "AT\r\n" + QByteArray::fromStdString(sim->pageHeaderText(1));
        std::vector<std::string> records = sim->pageRecords(1, false);
        sim->setFault("T", Fault{FaultKind::Silence, 1, 2});  // silent after two records
        QCOMPARE(line.exchange("T0001", 300), head + QByteArray::fromStdString(records[0] + records[1]));
        line.exchange("N");
        sim->setFault("T", Fault{FaultKind::ShortRecord, 1, 1});  // the second record cut, the rest follows
        records[1] = records[1].substr(0, 20) + "\r\n";
        const std::string all = std::accumulate(records.begin(), records.end(), std::string());
        QCOMPARE(line.exchange("T0001"), head + QByteArray::fromStdString(all));
        sim->vanish();
        QVERIFY(QTest::qWaitFor([&] { return line.error() == QSerialPort::ReadError; }, 2000));
        line.close();  // its lock on the link's name would keep the next line from opening
        QVERIFY(!sim->present() && !QFileInfo::exists(link) && !Line(link).isOpen());
        QVERIFY(sim->reappear() && sim->present());  // a new pty, the link pointing to it
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(sim->ptyPath()));
        QCOMPARE(Line(link).exchange("F"), QByteArray("AF\r\n"));
    }

    void commandLineProgram()
    {
        m_cli.start(TELVARO_SIM_EXE, QString("--baud 38400 --pages none --page calc,INS,5,3,2026/10/01,07:30:00,998 "
                                             "--page oa,CO2,30,2 --fault G=wrongack:1 --log sim.log").split(' '));
        QVERIFY(m_cli.waitForStarted(3000) && m_cli.waitForReadyRead(3000));
        Line line(QString::fromLocal8Bit(m_cli.readLine()).trimmed());
        QCOMPARE(line.exchange("P"), QByteArray("AP\r\nP0002\r\n"));
        QCOMPARE(line.exchange("M0001"), QByteArray("AM0001  000;5;3;INS;998\r\n"));
        QCOMPARE(line.exchange("G"), QByteArray("AX\r\n"));
        QVERIFY(line.exchange("T0001").startsWith("AT\r\n2026/10/01 07:30:00\r\n0001;"));
        line.raw("X\r\nN\r\nM00");  // an unknown command, two in one write, one split over two
        QThread::msleep(30);
        line.raw("02\r\n");
        QCOMPARE(line.read(60), QByteArray("AN\r\nAM0002  001;30;2;CO2;1013\r\n"));
        line.close();
        m_cli.terminate();
        QCOMPARE(finish(3000), 0);
        QStringList commands;  // a line: date, time, seconds since start, command
        for (const QByteArray &l : m_folder->readFile("sim.log").split('\n'))
            if (const QList<QByteArray> parts = l.simplified().split(' '); parts.size() == 4)
                commands << QString::fromLatin1(parts[3]);
        QCOMPARE(commands, (QStringList{"P", "M0001", "G", "T0001", "X", "N", "M0002"}));
    }

    void runs_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < std::size(kRuns); ++i)
            QTest::newRow(kRuns[i].name) << int(i);
    }
    void runs()
    {
        QFETCH(int, row);
        const Run &c = kRuns[row];
        serve(c.pages);
        if (*c.silent)
            m_sim->sim().setFault(c.silent, {FaultKind::Silence, -1});
        m_folder->writeFile("plain", "a file, not a folder");
        if (QString(c.name).startsWith("journal"))
            RunJournal(RunJournal::defaultPath()).begin(JournalHeader{});
        start(c.args);
        QCOMPARE(finish(), c.exit);
        const QString out = QString::fromUtf8(m_cli.readAllStandardOutput());
        const QString err = QString::fromUtf8(m_cli.readAllStandardError());
        QVERIFY2(err.contains(expand(c.err)), qPrintable(err));
        const QString sent = m_sim->commands().join(' ');
        if (QString(c.commands).startsWith("..."))
            QVERIFY2(sent.endsWith(QString(c.commands).mid(4)), qPrintable(sent));
        else if (QString(c.commands) != "*")
            QCOMPARE(sent, QString(c.commands));
        if (c.out[0] == '@')
            QCOMPARE(out.toUtf8(), readTestFile(QString(TELVARO_TEST_DATA "/transfer/") + (c.out + 1)));
        else
            QVERIFY2(*c.out ? out.startsWith(expand(c.out)) : out.isEmpty(), qPrintable(out));
        for (const QString &pair : QString(c.files).split(' ', Qt::SkipEmptyParts)) {
            const QString name = pair.section('=', 0, 0), expected = pair.section('=', 1);
            if (expected.isEmpty())
                QVERIFY2(!QFile::exists(name), qPrintable(name));
            else
                QCOMPARE(m_folder->readFile(name), readTestFile(TELVARO_TEST_DATA "/transfer/" + expected));
        }
        QCOMPARE(RunJournal::exists(), QString(c.name).startsWith("journal"));
        const QByteArray log = m_folder->readFile("RSErr.log");  // only the failed exchange is logged
        QVERIFY2(*c.log ? log.contains(c.log) : log.isEmpty(), log.constData());
    }

    void live_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("detailed");
        QTest::addColumn<bool>("jsonl");
        QTest::newRow("detailed, CSV lines, file") << "live --samples 3 --interval 1 -o run.csv" << true << false;
        QTest::newRow("standard, JSON lines, settings file")
            << "live --standard --jsonl --settings cli.ini" << false << true;
    }
    void live()
    {
        QFETCH(QString, args);
        QFETCH(bool, detailed);
        QFETCH(bool, jsonl);
        serve(1);
        // A settings file elsewhere gives the port and the number of samples.
        m_folder->writeFile("cli.ini", expand("RsPort_CH1={dev}\r\nMeasureSampleValue= 2\r\n").toLatin1());
        start(args);
        QCOMPARE(finish(), 0);
        const int n = jsonl ? 2 : 3;
        // A complete run sends no N.
        const QString expected = QString("U S %1").arg(detailed ? "F" : "G") + QString(" D0001").repeated(n);
        QCOMPARE(m_sim->commands().join(' '), expected);
        const QList<QByteArray> lines = m_cli.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), n + 1);
        const SampleData data = meterRun(detailed, jsonl ? "00:00:00" : fileLine("run.csv", 2));
        QCOMPARE(data.count(), n);
        for (int i = 0; i < n; ++i) {
            if (!jsonl) {
                QCOMPARE(lines[i], csvexport::measureDataLine(data, i, detailed));
                continue;
            }
            const QJsonObject sample = QJsonDocument::fromJson(lines[i]).object();
            const QDateTime time = QDateTime::fromString(sample["time"].toString(), Qt::ISODateWithMs);
            QVERIFY(time.secsTo(QDateTime::currentDateTime()) < 30);
            const QJsonObject values = sample["values"].toObject();
            QCOMPARE(QVariantList({sample["sample"].toInt(), values["CO2"].toDouble(),
                                   sample["units"]["Temperature"].toString(), values.size()}),
                     QVariantList({i + 1, data.value(Quantity::CO2, i), "Degrees", 4}));
        }
        if (!jsonl)
            QCOMPARE(m_folder->readFile("run.csv"), *live::runFileBytes(data, QDate::currentDate()));
        QVERIFY(!RunJournal::exists());
    }

    void interrupt_data()
    {
        QTest::addColumn<bool>("live");
        QTest::newRow("live run") << true;
        QTest::newRow("page read") << false;
    }
    void interrupt()
    {
        QFETCH(bool, live);
        std::vector<Page> page = {{.records = 200}};
        serve(1, 9600, page);
        if (live) {
            start("--port {dev} live --samples 100 -o run.csv");
            interruptAfter("D0001", 3, SIGINT);
        } else {
            start("--port {dev} read 1 -o page.csv");
            interruptAfter("T0001", 2, SIGINT, 300);
        }
        QCOMPARE(finish(), 130);
        // Stopped as Measure Stop and Close stop it: N, and after the drain N again.
        QVERIFY2(m_sim->commands().join(' ').endsWith(" N N"), qPrintable(m_sim->commands().join(' ')));
        QVERIFY(!m_folder->readFile("RSErr.log").size() && !RunJournal::exists() && !QFile::exists("page.csv"));
        if (!live)
            return;
        // The samples taken are written, and they are the ones printed.
        const int printed = int(m_cli.readAllStandardOutput().count('\n'));
        QVERIFY(printed >= 2);
        QCOMPARE(fileLine("run.csv", 3), "Data," + QByteArray::number(printed));
        const SampleData taken = meterRun(true, fileLine("run.csv", 2), printed);
        QCOMPARE(m_folder->readFile("run.csv"), *live::runFileBytes(taken, QDate::currentDate()));
    }

    // A killed run keeps its journal; recover writes it as a saved run, once.
    void killedRun()
    {
        serve(1);
        start("--port {dev} live --samples 100 --standard");
        interruptAfter("D0001", 3, SIGKILL);
        QCOMPARE(finish(), -1);
        const auto journal = RunJournal::read();
        QVERIFY(journal && journal->samples.size() >= 2);
        start("recover -o run.csv");
        QCOMPARE(finish(), 0);
        const SampleData recovered = live::recoveredRunData(*journal);
        QCOMPARE(m_folder->readFile("run.csv"), *live::runFileBytes(recovered, QDate::currentDate()));
        QCOMPARE(fileLine("run.csv", 7), QByteArray("CO,CO2,Temperature,Relative humidity"));
        QVERIFY(!RunJournal::exists());
        start("recover -o again.csv");
        QCOMPARE(finish(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPrograms)
#include "test_programs.moc"
