// Nothing the meter sent is lost. A fault soak: the real main window against the simulated meter for a
// minute and a half, with faults at random but seeded points: live runs whose replies are lost, split,
// garbled or late, whose device vanishes and comes back, or which the user stops; page reads closed
// half-way, saved, not saved, or losing their device. After every cycle: the window is idle, the samples
// are the records the meter sent (in order), every failure reported has its "RSErr.log" entry, no port,
// lock or descriptor is left, and memory and descriptors do not grow from cycle to cycle.
// TELVARO_SOAK_SEED and TELVARO_SOAK_SECONDS override seed and time budget. Then a live run in a child
// process, killed with SIGKILL after some samples; the next start offers the run: the file saved holds
// exactly what the meter sent, or, declined, the run is forgotten.
#include <QtTest>

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <array>
#include <csignal>
#include <random>

#include "datafiles/NumberText.h"
#include "datafiles/RunJournal.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "measure/LiveRun.h"
#include "measure/Samples.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Telvaro.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"

#if defined(__SANITIZE_ADDRESS__)
#define TELVARO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TELVARO_SOAK_ASAN 1
#endif
#endif

namespace {
using K = metersim::FaultKind;

// Bytes in use: the resident set, or under AddressSanitizer the heap in use (the resident set there grows
// with the sanitizer's quarantine of freed blocks; not every compiler ships the runtime's header).
#ifdef TELVARO_SOAK_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();
qint64 memoryInUse() { return qint64(__sanitizer_get_current_allocated_bytes()); }
const char *const kMemoryMeasure = "heap in use (AddressSanitizer)";
#else
qint64 memoryInUse()
{
    for (const QByteArray &line : readTestFile("/proc/self/status").split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}
const char *const kMemoryMeasure = "VmRSS";
#endif

// Open descriptors of the process: all, and those on a terminal other than the standard three (the serial
// ports the program holds; the simulator's own /dev/ptmx is not one).
std::pair<int, int> openDescriptors()
{
    const QStringList fds = QDir("/proc/self/fd").entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    int terminals = 0;
    for (const QString &fd : fds) {
        const QString target = QFileInfo("/proc/self/fd/" + fd).symLinkTarget();
        terminals += fd.toInt() > 2 && (target.startsWith("/dev/pts/") || target.startsWith("/dev/tty"));
    }
    return {int(fds.size()), terminals};
}

// The entries of "RSErr.log" but those of a meter that would not stop ("N Command", logged without a message
// of its own); -1 unless the file is its first line, then entries only. An entry starts with its date and time
// and the command's name, right after the line end before it; the reply after them may run over several lines.
int failuresLogged(const QString &path)
{
    if (!QFile::exists(path))
        return 0;
    const QString text = QString::fromLatin1(readTestFile(path));
    const QString header = "RS232C Error Log File\r\n";
    static const QRegularExpression entry("\\r\\n\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d,([^,\\r\\n]+),");
    const QString body = text.mid(header.size() - 2);
    bool wellFormed = text.startsWith(header) && text.endsWith("\r\n");
    int total = 0, failures = 0;
    for (auto it = entry.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        wellFormed &= total++ > 0 || m.capturedStart() == 0;
        failures += m.captured(1) != "N Command";
    }
    return wellFormed && (total > 0 || body.size() == 2) ? failures : -1;
}

constexpr int kWarmUpCycles = 6;

// A live run with a fault on one reply, or an act while it runs or a page is read.
enum class Act { None, Vanish, Stop, Save, SaveCancelled };
const struct Cycle { const char *name; bool transfer; K fault; Act act; } kCycles[] = {
    {"live, no fault", false, K::None, Act::None},
    {"live, reply lost", false, K::Silence, Act::None},
    {"live, reply split", false, K::SplitReply, Act::None},
    {"live, reply garbage", false, K::Garbage, Act::None},
    {"live, record without separators", false, K::NoSeparators, Act::None},
    {"live, record cut short", false, K::ShortRecord, Act::None},
    {"live, reply late", false, K::Late, Act::None},
    {"live, device vanished", false, K::None, Act::Vanish},
    {"live, stopped by the user", false, K::None, Act::Stop},
    {"page read closed half-way", true, K::None, Act::Stop},
    {"page read saved", true, K::None, Act::Save},
    {"page read, save cancelled", true, K::None, Act::SaveCancelled},
    {"page read, device vanished", true, K::None, Act::Vanish}};

// Pages 1-3 have expected data files.
const std::vector<metersim::Page> kPages = {kFourPages[0], kFourPages[1], kFourPages[2], {.records = 80}};
const struct SavedPage { int page; bool detailed; const char *expected; } kSavedPages[] = {
    {1, true, "page1_detailed.csv"}, {3, false, "page3_standard.csv"}, {2, true, "page2_oa_tmp.csv"}};

// The child: the real start-up, then Measure Start, then it runs until it is killed.
int runChild(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!Main())
        return 2;
    QTimer::singleShot(200, [] { mainWindow()->startStopButton->click(); });
    return app.exec();
}

} // namespace

class TestNothingLost : public QObject {
    Q_OBJECT
private slots:
    void soak()
    {
        const unsigned seed = qEnvironmentVariable("TELVARO_SOAK_SEED", "20260611").toUInt();
        const int seconds = qEnvironmentVariable("TELVARO_SOAK_SECONDS", "90").toInt();
        qInfo("soak: seed %u, time budget %d s, memory measured as %s", seed, seconds, kMemoryMeasure);
        m_rng.seed(seed);
        // Shorter drains and reply waits; sampling stays one second. Not shorter still: on a busy
        // machine the meter's thread may not answer within a quarter of a wait.
        SetWaitScale(0.5);
        m_window = new FrmMenu;  // as start-up makes it
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->Form_Load();
        m_window->show();
        // The meter behind a link whose path stays the same when the device comes back; its own data
        // (seed 1) made the expected page files.
        SimFixture sim({.baud = 38400, .pages = kPages, .seed = 1,
                        .linkPath = m_folder.filePath(QStringLiteral("ttyMeter")).toStdString()});
        QVERIFY(sim.ok());
        m_sim = &sim;
        SettingsRecord &s = m_window->settings();
        s = sim.settings(s);
        s.DefaultFolder = m_folder.path();
        s.CO2Graph = s.COGraph = s.TempGraph = s.HumGraph = 1;

        QElapsedTimer clock;
        clock.start();
        qint64 baseline = 0, peak = 0;
        int fdsBaseline = 0, fdsPeak = 0;
        std::vector<const Cycle *> bag;
        // Every kind at least once, then on until the time is up (a slower build runs fewer cycles).
        while (m_cycle < qMax(int(std::size(kCycles)), kWarmUpCycles + 4) || clock.elapsed() < seconds * 1000LL) {
            if (bag.empty()) {
                for (const Cycle &c : kCycles)
                    bag.push_back(&c);
                std::shuffle(bag.begin(), bag.end(), m_rng);
            }
            const Cycle &c = *bag.back();
            bag.pop_back();
            ++m_cycle;
            QVERIFY(QTest::qWaitFor([&] { return sim->idle(); }, 5000));  // nothing of the last cycle on its way
            m_failuresBefore = failuresReported();
            m_messagesBefore = m_prompts.messages.size();
            c.transfer ? transferCycle(c) : liveCycle(c);
            if (!QTest::currentTestFailed())
                checkIdleAndLogged(c.name);
            if (QTest::currentTestFailed())
                return qWarning("soak: cycle %d (%s) failed; seed %u", m_cycle, c.name, seed);
            const qint64 memory = memoryInUse();
            const int fds = openDescriptors().first;
            if (m_cycle <= kWarmUpCycles) {
                baseline = memory;
                fdsBaseline = fds;
            } else {
                peak = qMax(peak, memory);
                fdsPeak = qMax(fdsPeak, fds);
            }
        }
        // No port left open: the meter's device can be opened afresh (no lock left behind).
        QSerialPort port(sim.devicePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));

        qInfo("soak: %d cycles in %.1f s; memory after warm-up %.1f MB, at most %.1f MB; open files %d, at most %d",
              m_cycle, clock.elapsed() / 1000.0, baseline / 1048576.0, peak / 1048576.0, fdsBaseline, fdsPeak);
        QVERIFY2(peak - baseline < 20 * 1048576, qPrintable(QString("memory grew by %1 B").arg(peak - baseline)));
        // A few descriptors for the files a cycle happens to hold are fine.
        QVERIFY2(fdsPeak <= fdsBaseline + 4, qPrintable(QString("open files %1 -> %2").arg(fdsBaseline).arg(fdsPeak)));
        delete m_window.data();
    }

    // After the soak: the run journal and the offer at start-up (their prompts and folders are their own).
    void killedRunIsOffered_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("Yes: saved as the meter sent it") << true;
        QTest::newRow("No: the run is forgotten") << false;
    }

    void killedRunIsOffered()
    {
        QFETCH(bool, save);
        TestProgramFolder folder("en_US.UTF-8");
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        SimFixture sim({.baud = 38400});
        QVERIFY(sim.ok());
        folder.writeFile(QStringLiteral("Language.dat"), "Language = 1\r\n");
        folder.writeFile(QStringLiteral("Telvaro.ini"),
                         "ProgMode= True\r\nDefaultFolder=" + folder.path().toUtf8() + "\r\nRsPort_CH1="
                             + sim.devicePath().toUtf8() + "\r\nRsSpeed_CH1=38400\r\nRsDataBit_CH1=8\r\n"
                               "RsParity_CH1=N\r\nRsStopBit_CH1=1\r\nRsFlow_CH1= 1\r\nMeasureMode= 1\r\n"
                               "MeasureSampleTime=1sec\r\nMeasureSampleValue= 100\r\nCO2Graph= 1\r\nCOGraph= 1\r\n"
                               "TempGraph= 1\r\nHumGraph= 1\r\n");

        const QString journal = RunJournal::defaultPath();
        QProcess child;
        child.setWorkingDirectory(folder.path());
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child")});
        QVERIFY(child.waitForStarted());
        QVERIFY2(QTest::qWaitFor([&] { return readTestFile(journal).count("\nS ") >= 4; }, 20000),
                 "the child's run never got going");
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        const std::vector<std::string> sent = sim->liveRecords();

        // Start again: the run is offered; Yes goes on to Save As, No lets it go.
        ScriptedPrompts prompts;
        prompts.queueAnswer(save ? prompts::Answer::Yes : prompts::Answer::No);
        const QString csv = folder.filePath(QStringLiteral("recovered.csv"));
        prompts.queueSaveName(csv);
        QTemporaryDir runtime2;
        qputenv("XDG_RUNTIME_DIR", runtime2.path().toLocal8Bit());
        QVERIFY(Main());
        QVERIFY(QTest::qWaitFor([&] { return save ? QFile::exists(csv) : !prompts.messages.isEmpty(); }, 5000));
        QVERIFY(prompts.texts().first().startsWith("A measurement that was not saved was found ("));
        QCOMPARE(prompts.messages.first().buttons, prompts::Buttons::YesNo);
        QCOMPARE(prompts.saveRequests.size(), save ? 1 : 0);
        QVERIFY(!RunJournal::exists());
        QCOMPARE(mainWindow()->samples().present(), save);
        QVERIFY(!save || mainWindow()->samples().saved());
        delete mainWindow();
        ReleaseSingleInstance();
        if (!save)
            return;

        const QList<QByteArray> lines = readTestFile(csv).split('\n');
        QVERIFY(lines.size() > 9);
        const int n = lines.at(2).trimmed().mid(5).toInt();
        QVERIFY2(n >= 4 && n <= int(sent.size()), qPrintable(QString::number(n)));
        QCOMPARE(lines.mid(3, 3) << lines.at(7),
                 QList<QByteArray>({"Sampling Time,1\r", "Mode,NORMAL\r", "Atmos.Pressure,1013\r",
                                    "ppm,ppm,Degrees,%RH,Degrees,Degrees,g/m3,g/kg\r"}));
        for (int i = 0; i < n; ++i) {  // the numbers as the meter sent them
            QStringList numbers;
            for (const QByteArray &field : QByteArray::fromStdString(sent.at(size_t(i))).trimmed().split(';'))
                numbers << numtext::generalNumber(numtext::leadingNumber(field));
            QCOMPARE(lines.at(8 + i), numbers.join(',').toLatin1() + '\r');
        }
    }

    void cutOffJournalReadToLastWholeLine()
    {
        JournalHeader h;
        h.sampleTime = QStringLiteral("5sec");
        h.units = QStringList{"ppm", "ppm", QStringLiteral("\u00dfC"), "%RH"};
        QByteArray bytes = RunJournal::formatHeader(h);
        bytes += RunJournal::formatSample(1, 0.5, "    0.0; 450.0;  23.5;  41.2\r\n");
        bytes += RunJournal::formatSample(2, 0.50001, "    0.1; 451.0;  23.5;  41.3\r\n");
        const QByteArray third = RunJournal::formatSample(3, 0.50002, "    0.2; 452.0;  23.6;  41.4\r\n");
        const auto run = RunJournal::parse(bytes + third.left(12));
        QVERIFY(run.has_value());
        QCOMPARE(run->samples.size(), 2);
        QCOMPARE(run->samples.at(1).line, QByteArray("    0.1; 451.0;  23.5;  41.3\r\n"));
        QCOMPARE(run->header.sampleTime + ' ' + run->header.units.join(','),
                 QStringLiteral("5sec ppm,ppm,\u00dfC,%RH,,,,,"));
        // A header cut off before its units is no journal at all.
        QVERIFY(!RunJournal::parse(bytes.left(30)).has_value());
        QVERIFY(!RunJournal::parse("garbage\n").has_value());
    }

private:
    int failuresReported() const { return int(m_prompts.texts().count(LoadResString(153))); }
    int dCommands() const { return int(m_sim->commands().filter(QRegularExpression("^D")).size()); }
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    void checkIdleAndLogged(const char *where)
    {
        for (const ScriptedPrompts::Message &m : m_prompts.messages.mid(m_messagesBefore))  // failures, unsaved data
            QVERIFY2(m.text == LoadResString(153) || m.text == LoadResString(192), qPrintable(m.text));
        FrmMenu *w = m_window;
        QVERIFY2(w && w->isEnabled() && w->startStopButton->isEnabled() && w->transferButton->isEnabled(), where);
        QCOMPARE(w->startStopButton->text(), LoadResString(112));
        QVERIFY2(!w->live().running() && !w->live().requestTimer().isActive() && !w->live().replyTimer().isActive(),
                 where);
        // Not even half open: no descriptor on the meter's device is left.
        QVERIFY2(!w->link().isOpen() && openDescriptors().second == 0 && !ProgramEnding(), where);
        const int logged = failuresLogged(m_folder.filePath(QStringLiteral("RSErr.log")));
        QVERIFY2(logged == failuresReported(),
                 qPrintable(QStringLiteral("%1, cycle %2: %3 failures reported, %4 logged; meter got %5")
                                .arg(where).arg(m_cycle).arg(failuresReported()).arg(logged)
                                .arg(m_sim->commands().mid(qMax(0, int(m_sim->commands().size()) - 30)).join(','))));
    }

    void liveCycle(const Cycle &c)
    {
        FrmMenu *w = m_window;
        metersim::Simulator &sim = m_sim->sim();
        SettingsRecord &s = w->settings();
        const int n = uniform(3, 5);
        s.MeasureMode = qint16(uniform(0, 1));
        s.MeasureSampleValue = n;
        s.MeasureSampleTime = LoadResString(126);  // 1sec
        const size_t recordsBefore = sim.liveRecords().size();
        const int dBefore = dCommands();

        metersim::Fault fault{c.fault};
        if (c.fault == K::SplitReply || c.fault == K::Late)
            fault.pauseMs = uniform(50, 1500);
        // The program asks again for a reply that never came and waits for one that is slow.
        const bool recovers = c.fault == K::Silence || c.fault == K::SplitReply || c.fault == K::Late;
        // A lost, garbled, split or late reply may also hit one of the start-up exchanges.
        const bool atStart = (recovers || c.fault == K::Garbage) && uniform(0, 3) == 0;
        if (atStart)
            sim.setFault(std::array{"U", "S", s.MeasureMode ? "F" : "G"}[size_t(uniform(0, 2))], fault);
        // Otherwise the fault spoils a D reply after a few requests, or the act comes after a few ms.
        const int afterD = uniform(1, n - 1);
        const int atMs = uniform(0, 300 + (n - 1) * 1000);
        bool applied = atStart;
        bool stopClicked = false;
        QElapsedTimer clock;
        QTimer driver;
        driver.setInterval(2);
        connect(&driver, &QTimer::timeout, this, [&] {
            if (applied)
                return;
            if (c.fault != K::None && dCommands() - dBefore >= afterD) {
                sim.setFault("D", fault);
                applied = true;
            } else if (c.act == Act::Vanish && clock.elapsed() >= atMs) {
                sim.vanish();
                applied = true;
            } else if (c.act == Act::Stop && (clock.elapsed() >= atMs || !w->live().running())) {
                applied = true;
                stopClicked = w->live().running() && w->startStopButton->text() == LoadResString(156);
                if (stopClicked)
                    QTest::mouseClick(w->startStopButton, Qt::LeftButton);
            }
        });
        clock.start();
        driver.start();
        QTest::mouseClick(w->startStopButton, Qt::LeftButton);  // returns once the start-up exchanges are done
        const bool ended = QTest::qWaitFor([&] { return !w->live().running(); }, 30000);
        driver.stop();
        QVERIFY2(ended, c.name);
        sim.clearFaults();
        if (c.act == Act::Vanish && applied)
            QVERIFY(QTest::qWaitFor([&] { return sim.reappear() && sim.present(); }, 2000));

        // The samples taken are the records the meter sent during this run, from the first, in order.
        const std::vector<std::string> all = sim.liveRecords();
        const std::vector<std::string> sent(all.begin() + std::ptrdiff_t(recordsBefore), all.end());
        const SampleData &data = w->samples().data();
        const int taken = w->samples().present() ? data.count() : 0;  // a run that failed starting took nothing
        QVERIFY2(taken <= int(sent.size()),
                 qPrintable(QStringLiteral("%1 taken, %2 sent").arg(taken).arg(sent.size())));
        for (int i = 0; i < taken; ++i)
            QCOMPARE(data.lines[i], QByteArray::fromStdString(sent[size_t(i)]));  // the cycle is named on failure

        const int failures = failuresReported() - m_failuresBefore;
        const QString what = QStringLiteral("%1: %2 failures, %3 of %4 samples").arg(QLatin1String(c.name))
                                 .arg(failures).arg(taken).arg(n);
        // A start-up exchange that failed ends the run before its first request.
        const bool expected = atStart ? failures <= 1 && taken == (failures ? 0 : n)
            : recovers || (c.fault == K::None && c.act == Act::None) ? failures == 0 && taken == n
            : c.fault != K::None ? applied && failures == 1 && taken < n
            : c.act == Act::Vanish ? failures <= 1 && (taken == n || failures == 1)
                                   : failures == 0 && (stopClicked || taken == n);
        QVERIFY2(expected, qPrintable(what));
    }

    void transferCycle(const Cycle &c)
    {
        metersim::Simulator &sim = m_sim->sim();
        const qsizetype saveRequestsBefore = m_prompts.saveRequests.size();
        QTest::mouseClick(m_window->transferButton, Qt::LeftButton);
        QPointer<FrmDataRead> window;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *candidate = qobject_cast<FrmDataRead *>(top); candidate && !candidate->closed())
                window = candidate;
        QVERIFY(window);
        QVERIFY(QTest::qWaitFor([&] { return !window || window->closed() || window->state().DirectoryReady; }, 20000));
        QVERIFY2(window && window->state().DirectoryReady, "the directory read did not finish");
        QCOMPARE(int(window->state().PageCount), int(kPages.size()));

        const bool saving = c.act == Act::Save || c.act == Act::SaveCancelled;
        // Page 4 is long enough to be interrupted at leisure.
        const SavedPage saved = saving ? kSavedPages[uniform(0, 2)] : SavedPage{4, uniform(0, 1) == 1, ""};
        const QString file = m_folder.filePath(QStringLiteral("page%1.csv").arg(m_cycle));
        if (saving)
            m_prompts.queueSaveName(c.act == Act::Save ? std::optional(file) : std::nullopt);
        window->pageField->setText(QString::number(saved.page));
        if (window->standardModeOption->isEnabled())
            QTest::mouseClick(saved.detailed ? window->detailedModeOption : window->standardModeOption, Qt::LeftButton);

        // Close or the device going away once some records are in.
        const int atRecord = uniform(1, 60);
        bool acted = false;
        QTimer driver;
        driver.setInterval(2);
        connect(&driver, &QTimer::timeout, this, [&] {
            if (acted || saving || !window || window->progressBar->value() < atRecord)
                return;
            acted = true;
            if (c.act == Act::Stop)
                QTest::mouseClick(window->closeButton, Qt::LeftButton);
            else
                sim.vanish();
        });
        driver.start();
        QTest::mouseClick(window->transmitButton, Qt::LeftButton);  // returns once the read has ended
        driver.stop();
        const int failures = failuresReported() - m_failuresBefore;
        if (saving) {
            QVERIFY(failures == 0 && m_prompts.saveNames.isEmpty());
            const QByteArray expected = readTestFile(QStringLiteral(TELVARO_TEST_DATA "/transfer/") + saved.expected);
            QVERIFY2(c.act == Act::Save ? !expected.isEmpty() && readTestFile(file) == expected : !QFile::exists(file),
                     saved.expected);
        } else if (!acted) {
            // The program had fallen behind and took the rest of the page from its buffer without a turn
            // of the event loop, so nothing could come in between: the read is complete.
            QVERIFY(failures == 0 && m_prompts.saveRequests.size() == saveRequestsBefore + 1);
        } else {
            QVERIFY(!window || window->closed());
            QCOMPARE(m_prompts.saveRequests.size(), saveRequestsBefore);
            QCOMPARE(failures, c.act == Act::Vanish ? 1 : 0);
            if (c.act == Act::Vanish)
                QVERIFY(QTest::qWaitFor([&] { return sim.reappear() && sim.present(); }, 2000));
        }
        if (window && !window->closed())  // a window still open after its read is closed by the user
            QTest::mouseClick(window->closeButton, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return window.isNull(); }, 5000));
    }

    std::mt19937 m_rng;
    TestProgramFolder m_folder;
    ScriptedPrompts m_prompts;
    SimFixture *m_sim = nullptr;
    QPointer<FrmMenu> m_window;
    int m_cycle = 0;
    int m_failuresBefore = 0;
    qsizetype m_messagesBefore = 0;
};

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "child")
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestNothingLost test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_nothing_lost.moc"
