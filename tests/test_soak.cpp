// A fault soak: the real main window against the simulated meter for a couple of minutes, with
// faults injected at random but seeded points: live runs whose replies are lost, split, garbled or
// late, whose device vanishes and comes back, or which the user stops; page reads in the transfer
// window that are closed half-way, saved, not saved, or lose their device. After every cycle and
// at the end: the window is idle and responsive, the samples taken are the ones the meter sent (in
// order, none twice), every reported failure has its "RSErr.log" entry, no port is left open, and
// memory does not grow from cycle to cycle.
//
// TELVARO_SOAK_SEED and TELVARO_SOAK_SECONDS override the seed and the time budget.
#include <QtTest>

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <random>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "measure/LiveRun.h"
#include "metersim/Simulator.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "measure/Samples.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/SoakProbes.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"

using metersim::Fault;
using metersim::FaultKind;

namespace {

constexpr unsigned kDefaultSeed = 20260611;
constexpr int kDefaultSeconds = 90;
constexpr int kBaud = 38400;
constexpr int kWarmUpCycles = 6;

enum class Cycle {
    LiveClean,
    LiveSilence,
    LiveSplit,
    LiveGarbage,
    LiveNoSeparators,
    LiveShortRecord,
    LiveLate,
    LiveVanish,
    LiveUserStop,
    TransferCancel,
    TransferSave,
    TransferSaveCancelled,
    TransferVanish,
};

const char *cycleName(Cycle c)
{
    switch (c) {
    case Cycle::LiveClean: return "live, no fault";
    case Cycle::LiveSilence: return "live, reply lost";
    case Cycle::LiveSplit: return "live, reply split";
    case Cycle::LiveGarbage: return "live, reply garbage";
    case Cycle::LiveNoSeparators: return "live, record without separators";
    case Cycle::LiveShortRecord: return "live, record cut short";
    case Cycle::LiveLate: return "live, reply late";
    case Cycle::LiveVanish: return "live, device vanished";
    case Cycle::LiveUserStop: return "live, stopped by the user";
    case Cycle::TransferCancel: return "page read closed half-way";
    case Cycle::TransferSave: return "page read saved";
    case Cycle::TransferSaveCancelled: return "page read, save cancelled";
    case Cycle::TransferVanish: return "page read, device vanished";
    }
    return "?";
}

const std::vector<Cycle> kAllCycles = {
    Cycle::LiveClean,    Cycle::LiveSilence,    Cycle::LiveSplit,    Cycle::LiveGarbage,          Cycle::LiveNoSeparators,
    Cycle::LiveShortRecord, Cycle::LiveLate,    Cycle::LiveVanish,   Cycle::LiveUserStop,         Cycle::TransferCancel,
    Cycle::TransferSave, Cycle::TransferSaveCancelled, Cycle::TransferVanish,
};

metersim::Page page(bool oa, int records, const char *sampling, const char *operation, const char *time)
{
    metersim::Page p;
    p.oa = oa;
    p.records = records;
    p.samplingTime = sampling;
    p.operation = operation;
    p.time = time;
    return p;
}

// Pages 1-3 have expected data files; page 4 is long enough to be interrupted at leisure.
constexpr int kLongPage = 4;
std::vector<metersim::Page> soakPages()
{
    return {page(false, 6, "10", "AVG", "09:15:00"), page(true, 5, "30", "TMP", "10:20:30"),
            page(false, 4, "60", "INS", "11:00:05"), page(false, 80, "10", "AVG", "13:00:00")};
}

struct SavedPage {
    int page;
    bool detailed;
    const char *expected;
};
const SavedPage kSavedPages[] = {{1, true, "page1_detailed.csv"},
                                 {3, false, "page3_standard.csv"},
                                 {2, true, "page2_oa_tmp.csv"}};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Run the event loop (deferred deletes too, as the program's main loop does) until predicate()
// holds or timeoutMs passes.
bool settle(const std::function<bool()> &predicate, int timeoutMs)
{
    return QTest::qWaitFor(predicate, timeoutMs);
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void soak();

private:
    void liveCycle(Cycle kind);
    void transferCycle(Cycle kind);
    void checkIdle(const char *where);
    void checkLog();
    int failuresReported() const;
    // The last commands the meter received and the last messages shown, for failure reports.
    QString diagnosis() const;
    // D requests the meter has received so far.
    int dCommands() const;

    std::mt19937 m_rng;
    TestProgramFolder *m_folder = nullptr;
    ScriptedPrompts *m_prompts = nullptr;
    SimFixture *m_sim = nullptr;
    QPointer<FrmMenu> m_window;
    QMap<QString, int> m_survived;      // cycles per kind
    QMap<QString, int> m_faultTargets;  // faults per kind and command
    int m_failuresSeen = 0;             // "RS232C ERROR." messages the cycles expected or allowed
    int m_samplesChecked = 0;
    int m_readsFinishedFirst = 0;       // page reads that ended before the Close or hang-up could come
    int m_cycle = 0;

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
};

void TestSoak::initTestCase()
{
    // Shorter drains and reply waits; the sampling interval itself stays one second. Not shorter
    // still: on a busy machine the meter's thread may not answer within a quarter of a wait.
    SetWaitScale(0.5);
}

int TestSoak::failuresReported() const
{
    return int(m_prompts->texts().count(LoadResString(153)));
}

QString TestSoak::diagnosis() const
{
    QStringList commands = m_sim->commands();
    commands = commands.mid(qMax(0, int(commands.size()) - 40));
    QStringList texts = m_prompts->texts();
    texts = texts.mid(qMax(0, int(texts.size()) - 5));
    const QByteArray log = m_folder->readFile(QStringLiteral("RSErr.log"));
    return QStringLiteral("meter received [%1]; messages [%2]; log %3, ending %4")
        .arg(commands.join(QLatin1Char(',')), texts.join(QStringLiteral(" | ")),
             soak::describe(soak::countLogEntries(m_folder->filePath(QStringLiteral("RSErr.log")))),
             QString::fromLatin1(log.right(300).toPercentEncoding(" ,:/()")));
}

int TestSoak::dCommands() const
{
    int n = 0;
    for (const std::string &c : (*m_sim)->receivedCommands())
        n += c.rfind("D", 0) == 0;
    return n;
}

void TestSoak::checkIdle(const char *where)
{
    FrmMenu *w = m_window;
    QVERIFY2(w, where);
    QVERIFY2(!w->live().running(), where);
    QVERIFY2(w->isEnabled(), where);
    QVERIFY2(w->startStopButton->isEnabled(), where);
    QVERIFY2(w->transferButton->isEnabled(), where);
    QCOMPARE(w->startStopButton->text(), LoadResString(112));
    QVERIFY2(!w->live().requestTimer().isActive() && !w->live().replyTimer().isActive(), where);
    QVERIFY2(!w->link().isOpen(), where);
    // Not even half open: no descriptor on the meter's device is left.
    QVERIFY2(soak::openTerminalDescriptors() == 0, where);
    QVERIFY2(!ProgramEnding(), where);
}

void TestSoak::checkLog()
{
    // Every failure the user was told about has its entry; a meter that would not stop ("N
    // Command") is logged without a message of its own.
    const soak::LogCount log = soak::countLogEntries(m_folder->filePath(QStringLiteral("RSErr.log")));
    QVERIFY2(log.wellFormed, "RSErr.log has a line that is not an entry");
    const int reported = failuresReported();
    QVERIFY2(log.total - log.byName.value(QStringLiteral("N Command")) == reported,
             qPrintable(QStringLiteral("cycle %1: %2 failures reported, log entries %3")
                            .arg(m_cycle)
                            .arg(reported)
                            .arg(soak::describe(log))));
}

void TestSoak::liveCycle(Cycle kind)
{
    FrmMenu *w = m_window;
    metersim::Simulator &sim = m_sim->sim();
    SettingsRecord &s = w->settings();
    const int n = uniform(3, 5);
    s.MeasureMode = qint16(uniform(0, 1));
    s.MeasureSampleValue = n;
    s.MeasureSampleTime = LoadResString(126);  // 1sec

    // Nothing of the last cycle may still be on its way.
    QVERIFY(settle([&] { return sim.idle(); }, 5000));
    const size_t recordsBefore = sim.liveRecords().size();
    const int dBefore = dCommands();
    const int failuresBefore = failuresReported();
    const qsizetype messagesBefore = m_prompts->messages.size();

    // The fault, applied from a timer while the click's waits run.
    Fault fault;
    int afterD = uniform(1, n - 1);  // the fault spoils a reply after this many requests
    int atMs = 0;
    switch (kind) {
    case Cycle::LiveSilence: fault.kind = FaultKind::Silence; break;
    case Cycle::LiveSplit: fault.kind = FaultKind::SplitReply; fault.pauseMs = uniform(50, 1500); break;
    case Cycle::LiveGarbage: fault.kind = FaultKind::Garbage; break;
    case Cycle::LiveNoSeparators: fault.kind = FaultKind::NoSeparators; break;
    case Cycle::LiveShortRecord: fault.kind = FaultKind::ShortRecord; break;
    case Cycle::LiveLate: fault.kind = FaultKind::Late; fault.pauseMs = uniform(50, 1500); break;
    case Cycle::LiveVanish:
    case Cycle::LiveUserStop: atMs = uniform(0, 300 + (n - 1) * 1000); break;
    default: break;
    }
    // A lost, garbled, split or late reply may also hit one of the start-up exchanges.
    std::string target = "D";
    const bool anyCommand = kind == Cycle::LiveSilence || kind == Cycle::LiveGarbage || kind == Cycle::LiveSplit
                            || kind == Cycle::LiveLate;
    if (anyCommand && uniform(0, 3) == 0) {
        static const char *const startUp[] = {"U", "S", "G"};
        target = startUp[uniform(0, 2)];
        if (target == "G" && s.MeasureMode == 1)
            target = "F";
        sim.setFault(target, fault);
    }
    const bool atStart = target != "D";
    if (fault.kind != FaultKind::None)
        ++m_faultTargets[QStringLiteral("%1 on %2").arg(QLatin1String(cycleName(kind)), QString::fromStdString(target))];
    bool applied = atStart;
    bool vanished = false;
    bool stopClicked = false;
    QElapsedTimer clock;
    QTimer driver;
    driver.setInterval(2);
    connect(&driver, &QTimer::timeout, this, [&] {
        if (applied)
            return;
        if (fault.kind != FaultKind::None) {
            if (dCommands() - dBefore >= afterD) {
                sim.setFault("D", fault);
                applied = true;
            }
        } else if (kind == Cycle::LiveVanish) {
            if (clock.elapsed() >= atMs) {
                sim.vanish();
                applied = vanished = true;
            }
        } else if (kind == Cycle::LiveUserStop) {
            if (clock.elapsed() >= atMs || !w->live().running()) {
                applied = true;
                if (w->live().running() && w->startStopButton->text() == LoadResString(156)) {
                    QTest::mouseClick(w->startStopButton, Qt::LeftButton);
                    stopClicked = true;
                }
            }
        }
    });
    clock.start();
    driver.start();
    QTest::mouseClick(w->startStopButton, Qt::LeftButton);  // returns once the start-up exchanges are done
    const bool ended = settle([&] { return !w->live().running(); }, 30000);
    driver.stop();
    QVERIFY2(ended, cycleName(kind));
    sim.clearFaults();
    if (vanished) {
        QVERIFY(settle([&] { sim.reappear(); return sim.present(); }, 2000));
    }

    // The samples taken are the records the meter sent during this run, from the first, in order.
    const std::vector<std::string> all = sim.liveRecords();
    const std::vector<std::string> sent(all.begin() + std::ptrdiff_t(recordsBefore), all.end());
    // A run that failed while starting took nothing (and says so: no data present).
    const SampleData &data = w->samples().data();
    const int taken = w->samples().present() ? data.count() : 0;
    QVERIFY2(taken <= int(sent.size()), qPrintable(QStringLiteral("%1 samples taken, %2 records sent")
                                                         .arg(taken)
                                                         .arg(sent.size())));
    for (int i = 1; i <= taken; ++i)
        QVERIFY2(data.lines[i - 1] == QByteArray::fromStdString(sent[size_t(i - 1)]),
                 qPrintable(QStringLiteral("%1: sample %2 is %3, the meter sent %4")
                                .arg(QLatin1String(cycleName(kind)))
                                .arg(i)
                                .arg(QString::fromLatin1(data.lines[i - 1].toPercentEncoding()))
                                .arg(QString::fromLatin1(
                                    QByteArray::fromStdString(sent[size_t(i - 1)]).toPercentEncoding()))));
    m_samplesChecked += taken;

    // What the user was told.
    const int failures = failuresReported() - failuresBefore;
    for (qsizetype i = messagesBefore; i < m_prompts->messages.size(); ++i) {
        const QString text = m_prompts->messages.at(i).text;
        QVERIFY2(text == LoadResString(153) || text == LoadResString(192), qPrintable(text));
    }
    if (atStart) {
        // A start-up exchange that failed ends the run before its first request.
        QVERIFY(failures <= 1);
        QCOMPARE(taken, failures ? 0 : n);
    } else switch (kind) {
    case Cycle::LiveClean:
    case Cycle::LiveSilence:
    case Cycle::LiveSplit:
    case Cycle::LiveLate:
        // The program asks again for a reply that never came and waits for one that is slow.
        QVERIFY2(failures == 0 && taken == n,
                 qPrintable(QStringLiteral("%1: %2 failures, %3 of %4 samples; %5")
                                .arg(QLatin1String(cycleName(kind)))
                                .arg(failures)
                                .arg(taken)
                                .arg(n)
                                .arg(diagnosis())));
        break;
    case Cycle::LiveGarbage:
    case Cycle::LiveNoSeparators:
    case Cycle::LiveShortRecord:
        QVERIFY2(applied, cycleName(kind));
        QCOMPARE(failures, 1);
        QVERIFY(taken < n);
        break;
    case Cycle::LiveVanish:
        QVERIFY(failures <= 1);
        if (taken < n)
            QCOMPARE(failures, 1);
        break;
    case Cycle::LiveUserStop:
        QCOMPARE(failures, 0);
        if (!stopClicked)
            QCOMPARE(taken, n);
        break;
    default: break;
    }
    m_failuresSeen += failures;
    checkIdle(cycleName(kind));
}

void TestSoak::transferCycle(Cycle kind)
{
    FrmMenu *w = m_window;
    metersim::Simulator &sim = m_sim->sim();
    const int failuresBefore = failuresReported();
    const qsizetype messagesBefore = m_prompts->messages.size();
    const qsizetype saveRequestsBefore = m_prompts->saveRequests.size();
    QVERIFY(settle([&] { return sim.idle(); }, 5000));

    QTest::mouseClick(w->transferButton, Qt::LeftButton);
    QPointer<FrmDataRead> window;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        auto *candidate = qobject_cast<FrmDataRead *>(top);
        if (candidate && !candidate->closed())
            window = candidate;
    }
    QVERIFY(window);
    QVERIFY(settle([&] { return !window || window->closed() || window->state().DirectoryReady; }, 20000));
    QVERIFY2(window && window->state().DirectoryReady,
             qPrintable(QStringLiteral("the directory read did not finish (window %1): %2")
                            .arg(!window ? QStringLiteral("gone") : window->closed() ? QStringLiteral("closed")
                                                                                       : QStringLiteral("open"))
                            .arg(diagnosis())));
    QCOMPARE(int(window->state().PageCount), int(soakPages().size()));

    std::optional<SavedPage> saved;
    int pageNumber = kLongPage;
    bool detailed = uniform(0, 1) == 1;
    if (kind == Cycle::TransferSave || kind == Cycle::TransferSaveCancelled) {
        saved = kSavedPages[uniform(0, int(std::size(kSavedPages)) - 1)];
        pageNumber = saved->page;
        detailed = saved->detailed;
    }
    const QString file = m_folder->filePath(QStringLiteral("page%1.csv").arg(m_cycle));
    if (kind == Cycle::TransferSave)
        m_prompts->queueSaveName(file);
    else if (kind == Cycle::TransferSaveCancelled)
        m_prompts->queueSaveName(std::nullopt);
    window->pageField->setText(QString::number(pageNumber));
    if (window->standardModeOption->isEnabled())
        QTest::mouseClick(detailed ? window->detailedModeOption : window->standardModeOption, Qt::LeftButton);

    // Close or the device going away once some records are in.
    const int atRecord = uniform(1, 60);
    bool acted = false;
    QTimer driver;
    driver.setInterval(2);
    connect(&driver, &QTimer::timeout, this, [&] {
        if (acted || !window || window->progressBar->value() < atRecord)
            return;
        acted = true;
        if (kind == Cycle::TransferCancel)
            QTest::mouseClick(window->closeButton, Qt::LeftButton);
        else if (kind == Cycle::TransferVanish)
            sim.vanish();
    });
    driver.start();
    QTest::mouseClick(window->transmitButton, Qt::LeftButton);  // returns once the read has ended
    driver.stop();
    const int failures = failuresReported() - failuresBefore;
    for (qsizetype i = messagesBefore; i < m_prompts->messages.size(); ++i) {
        const QString text = m_prompts->messages.at(i).text;
        QVERIFY2(text == LoadResString(153) || text == LoadResString(192), qPrintable(text));
    }

    switch (kind) {
    case Cycle::TransferSave: {
        QCOMPARE(failures, 0);
        QVERIFY(m_prompts->saveNames.isEmpty());
        const QByteArray expected = readAll(QStringLiteral(TELVARO_TEST_DATA "/transfer/") + saved->expected);
        QVERIFY(!expected.isEmpty());
        QVERIFY2(readAll(file) == expected, saved->expected);
        QFile::remove(file);
        break;
    }
    case Cycle::TransferSaveCancelled:
        QCOMPARE(failures, 0);
        QVERIFY(m_prompts->saveNames.isEmpty());
        QVERIFY(!QFile::exists(file));
        break;
    case Cycle::TransferCancel:
    case Cycle::TransferVanish:
        if (!acted) {
            // The program had fallen behind and took the rest of the page from its buffer without
            // a turn of the event loop, so nothing could come in between: the read is complete.
            ++m_readsFinishedFirst;
            QCOMPARE(failures, 0);
            QCOMPARE(m_prompts->saveRequests.size(), saveRequestsBefore + 1);
            break;
        }
        QVERIFY(!window || window->closed());
        if (kind == Cycle::TransferCancel) {
            QCOMPARE(failures, 0);
            QCOMPARE(m_prompts->saveRequests.size(), saveRequestsBefore);
        } else {
            QVERIFY2(failures == 1, qPrintable(diagnosis()));
            QVERIFY(settle([&] { sim.reappear(); return sim.present(); }, 2000));
        }
        break;
    default: break;
    }
    m_failuresSeen += failures;
    // A window still open after its read is closed by the user.
    if (window && !window->closed())
        QTest::mouseClick(window->closeButton, Qt::LeftButton);
    QVERIFY(settle([&] { return window.isNull(); }, 5000));
    checkIdle(cycleName(kind));
}

void TestSoak::soak()
{
    const unsigned seed = qEnvironmentVariableIsSet("TELVARO_SOAK_SEED")
                              ? unsigned(qEnvironmentVariableIntValue("TELVARO_SOAK_SEED"))
                              : kDefaultSeed;
    const int seconds = qEnvironmentVariableIsSet("TELVARO_SOAK_SECONDS")
                            ? qEnvironmentVariableIntValue("TELVARO_SOAK_SECONDS")
                            : kDefaultSeconds;
    qInfo("soak: seed %u, time budget %d s, memory measured as %s", seed, seconds, soak::memoryMeasureName());
    m_rng.seed(seed);

    TestProgramFolder folder;
    ScriptedPrompts prompts;
    m_folder = &folder;
    m_prompts = &prompts;

    // The main window as start-up makes it.
    auto *window = new FrmMenu;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
    m_window = window;

    // The meter behind a link whose path stays the same when the device comes back.
    metersim::Config config;
    config.baud = kBaud;
    config.seed = 1;  // the meter's own data: the expected page files are made from it
    config.pages = soakPages();
    config.linkPath = folder.filePath(QStringLiteral("ttyMeter")).toStdString();
    if (qEnvironmentVariableIsSet("TELVARO_SOAK_TRACE"))
        config.log = [](const std::string &what, double t) { qInfo("meter %.3f %s", t, what.c_str()); };
    SimFixture sim(config);
    QVERIFY(sim.ok());
    if (qEnvironmentVariableIsSet("TELVARO_SOAK_TRACE"))
        connect(&window->link(), &SerialLink::deviceLost, this, [&sim] { qInfo("program %.3f device lost", sim->now()); });
    m_sim = &sim;
    SettingsRecord &s = window->settings();
    s = sim.settings(s);
    s.DefaultFolder = folder.path();
    s.CO2Graph = s.COGraph = s.TempGraph = s.HumGraph = 1;

    QElapsedTimer clock;
    clock.start();
    qint64 baseline = 0;
    qint64 peakAfterWarmUp = 0;
    int fdsAfterWarmUp = 0;
    int fdsPeak = 0;
    std::vector<Cycle> bag;
    // Every kind at least once, then on until the time is up (a slower build runs fewer cycles).
    const int minimumCycles = qMax(int(kAllCycles.size()), kWarmUpCycles + 4);
    while (m_cycle < minimumCycles || clock.elapsed() < qint64(seconds) * 1000) {
        if (bag.empty()) {
            bag = kAllCycles;
            std::shuffle(bag.begin(), bag.end(), m_rng);
        }
        const Cycle kind = bag.back();
        bag.pop_back();
        ++m_cycle;
        const QString name = QString::fromLatin1(cycleName(kind));
        switch (kind) {
        case Cycle::TransferCancel:
        case Cycle::TransferSave:
        case Cycle::TransferSaveCancelled:
        case Cycle::TransferVanish: transferCycle(kind); break;
        default: liveCycle(kind); break;
        }
        if (QTest::currentTestFailed()) {
            qWarning("soak: cycle %d (%s) failed; seed %u", m_cycle, qPrintable(name), seed);
            return;
        }
        checkLog();
        if (QTest::currentTestFailed())
            return;
        ++m_survived[name];
        const qint64 memory = soak::memoryInUse();
        const int fds = soak::openFileDescriptors();
        if (m_cycle == kWarmUpCycles) {
            baseline = memory;
            fdsAfterWarmUp = fds;
        } else if (m_cycle > kWarmUpCycles) {
            peakAfterWarmUp = qMax(peakAfterWarmUp, memory);
            fdsPeak = qMax(fdsPeak, fds);
        }
    }

    // Responsive: a zero timer fires at once.
    bool fired = false;
    QTimer::singleShot(0, this, [&] { fired = true; });
    QVERIFY(settle([&] { return fired; }, 100));
    checkIdle("end");

    // No port left open: the meter's device can be opened afresh (no lock left behind).
    {
        QSerialPort port(sim.devicePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.close();
    }

    qInfo("soak: %d cycles in %.1f s, %d samples checked, %d failures reported and logged", m_cycle,
          clock.elapsed() / 1000.0, m_samplesChecked, m_failuresSeen);
    for (auto it = m_survived.cbegin(); it != m_survived.cend(); ++it)
        qInfo("soak:   %-34s %d", qPrintable(it.key()), it.value());
    qInfo("soak: page reads finished before their Close or hang-up: %d", m_readsFinishedFirst);
    for (auto it = m_faultTargets.cbegin(); it != m_faultTargets.cend(); ++it)
        qInfo("soak:   %-44s %d", qPrintable(it.key()), it.value());
    qInfo("soak: memory after warm-up %.1f MB, highest after it %.1f MB; open files %d, at most %d",
          baseline / 1048576.0, peakAfterWarmUp / 1048576.0, fdsAfterWarmUp, fdsPeak);

    QVERIFY2(peakAfterWarmUp - baseline < 20 * 1048576,
             qPrintable(QStringLiteral("memory grew by %1 MB").arg((peakAfterWarmUp - baseline) / 1048576.0)));
    // Descriptors do not pile up either (a few for the files a cycle happens to hold are fine).
    QVERIFY2(fdsPeak <= fdsAfterWarmUp + 4, qPrintable(QStringLiteral("open files %1 -> %2").arg(fdsAfterWarmUp).arg(fdsPeak)));
    QCOMPARE(m_survived.size(), int(kAllCycles.size()));

    delete m_window.data();
    m_sim = nullptr;
}

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
