// The transfer window against the simulated meter on a pty: directory, page reads, failed exchanges, Close mid-read.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"

namespace {
using K = metersim::FaultKind;


// Page p has p + 2 records (page 1: first), and every third page from page 2 is %OA CO2.
std::vector<metersim::Page> pages(int count, int first = 3)
{
    std::vector<metersim::Page> list;
    for (int i = 0; i < count; ++i)
        list.push_back({.oa = i % 3 == 1, .records = i ? 3 + i : first, .operation = i % 3 == 1 ? "CO2" : "AVG",
                        .time = "08:00:00"});
    return list;
}

// The directory read: pages, a fault on one command (or none), the exchange RSErr.log names (or none).
const char *const kM = "M Command Data Read(Cal/%OA)";
const struct DirectoryCase {
    const char *name;
    int count;
    const char *faultOn;
    K kind;
    const char *log;
} kDirectory[] = {{"0 pages", 0, "", K::None, ""},
                  {"1 page", 1, "", K::None, ""},
                  {"3 pages", 3, "", K::None, ""},
                  {"12 pages", 12, "", K::None, ""},
                  {"P silent", 4, "P", K::Silence, "P Command"},
                  {"P garbage", 4, "P", K::Garbage, "P Command"},
                  {"T silent", 4, "T", K::Silence, "T Command"},
                  {"M silent", 4, "M", K::Silence, kM},
                  {"M garbage", 4, "M", K::Garbage, kM},
                  {"M without separators", 4, "M", K::NoSeparators, kM}};

// A page read of kFourPages: commands sent and data file, or a fault after so many records and its log.
const struct PageCase {
    const char *name;
    int page;
    bool detailed;
    const char *command;
    K kind;
    int after;
    const char *result;
} kPage[] = {
    {"calculation, Detailed", 1, true, "U F T0001", K::None, 0, "page1_detailed.csv"},
    {"calculation, Standard", 3, false, "U G T0003", K::None, 0, "page3_standard.csv"},
    {"%OA, TMP", 2, true, "U T0002", K::None, 0, "page2_oa_tmp.csv"},
    {"%OA, CO2", 4, false, "U T0004", K::None, 0, "page4_oa_co2.csv"},
    {"U silent", 1, true, "U", K::Silence, 0, "Unit Read(Data Transfer"},
    {"F wrong ack", 1, true, "F", K::WrongAck, 0, "F Command(Cal)"},
    {"G silent", 1, false, "G", K::Silence, 0, "G Command(Cal)"},
    {"T silent", 1, true, "T", K::Silence, 0, "T Command(Cal)"},
    {"%OA T silent", 2, true, "T", K::Silence, 0, "T Command(%OA)"},
    {"header split", 1, true, "T", K::SplitReply, 0, "T Command Data Read(Cal Header)"},
    {"%OA header split", 2, true, "T", K::SplitReply, 0, "T Command Data Read(%OA Header)"},
    {"record without separators", 1, true, "T", K::NoSeparators, 2, "T Command Data Read(Cal Data)"},
    {"%OA record without separators", 2, true, "T", K::NoSeparators, 1, "T Command Data Read(%OA Data)"},
    {"%OA page falls silent", 2, true, "T", K::Silence, 2, "T Command Data Read(%OA Data)"}};

// Close delayMs after the meter got the trigger, while it is silent to faultOn or sends 200 records at
// 9600 baud.
const struct CloseCase {
    const char *name;
    int count, records, baud;
    const char *faultOn;
    int times, after;
    const char *trigger;
    int delayMs;
} kClose[] = {
    {"the directory is being read", 12, 3, 115200, "", 0, 0, "M0002", 0},
    {"U waits for its reply", 1, 3, 115200, "U", -1, 0, "U", 0},
    {"the page falls silent after record 3", 1, 6, 115200, "T", 1, 3, "T0001", 150},
    {"records arrive at 9600 baud", 1, 200, 9600, "", 0, 0, "T0001", 300}};

// One data row per entry of a table of cases, named as the entry.
template <typename Case, size_t N> void addRows(const Case (&cases)[N])
{
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < N; ++i)
        QTest::newRow(cases[i].name) << int(i);
}
} // namespace

class TestTransferSerial : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<SimFixture> m_sim;
    FrmMenu *m_menu = nullptr;
    QPointer<FrmDataRead> w;

    void showWindow()
    {
        m_menu->applySettings(m_sim->settings(m_menu->settings()));
        m_menu->showChildWindow(w = new FrmDataRead(m_menu->settings(), &m_menu->link(), &m_menu->samples()));
    }
    // Open the window from the main window; true once the directory is in (false: window gone).
    bool openWindow()
    {
        showWindow();
        return QTest::qWaitFor([&] { return !w || w->isHidden() || w->state().DirectoryReady; }, 20000) && w
            && w->state().DirectoryReady;
    }
    // The window went away after the message (if any), left the line closed, and RSErr.log names
    // the failed exchange (or is not there).
    void closedAfter(const QString &message, const char *logName)
    {
        QCOMPARE(m_prompts->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_prompts->messages.value(0).title,
                 message.isEmpty() ? QString() : QString("Telvaro Monitor Software"));
        QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 10000);
        QVERIFY(m_menu->isEnabled() && !m_menu->link().isOpen() && m_prompts->saveRequests.isEmpty());
        const QByteArray log = m_folder->readFile("RSErr.log");
        QVERIFY2(*logName ? log.contains(QByteArray(",") + logName + ",") : log.isEmpty(), log.constData());
    }

private slots:
    void init()
    {
        SetWaitScale(0.1);
        m_folder = std::make_unique<TestProgramFolder>("en_US.UTF-8");
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_menu = new FrmMenu;
    }
    void cleanup()
    {
        delete w.data();
        delete m_menu;
        m_sim.reset();
        m_prompts.reset();
        m_folder.reset();
    }

    void directory_data() { addRows(kDirectory); }
    void directory()
    {
        QFETCH(int, row);
        const DirectoryCase &c = kDirectory[row];
        m_sim = std::make_unique<SimFixture>(metersim::Config{.baud = 115200, .pages = pages(c.count)});
        m_sim->sim().setFault(c.faultOn, {c.kind});
        const bool ready = openWindow();
        QStringList expected = {"P"};
        for (int p = 1; p <= c.count; ++p)
            expected << QString("T%1").arg(p, 4, 10, QChar('0')) << "N"
                     << "N" << QString("M%1").arg(p, 4, 10, QChar('0'));
        if (!*c.log)
            QCOMPARE(m_sim->commands(), expected);
        if (!ready)
            return closedAfter(*c.log ? "RS232C ERROR." : "There was no data.", c.log);
        QVERIFY(!m_menu->isEnabled() && !m_menu->link().isOpen() && m_prompts->messages.isEmpty()
                && !QFile::exists("RSErr.log"));
        QCOMPARE(
            QString("%1 %2 %3").arg(w->directoryTable->maxRows()).arg(w->pageCountField->text(), w->pageField->text()),
            QString("%1 %1 1").arg(c.count));
        for (int p = 1; p <= c.count; ++p) {
            QStringList cells = {w->state().cell(p, 1), w->state().cell(p, 5)};
            for (int col = 1; col <= 5; ++col)
                cells << w->directoryTable->text(p, col);
            QCOMPARE(
                cells.join('|'),
                QString(p % 3 == 2 ? "001|1013\r\n|%OA|10|%1|CO2|" : "000|1013\r\n|CALCULATION|10|%1|AVG|").arg(p + 2)
                    + "2026/11/30 08:00:00");
        }
    }

    void pageRead_data() { addRows(kPage); }
    void pageRead()
    {
        QFETCH(int, row);
        const PageCase &c = kPage[row];
        m_sim = std::make_unique<SimFixture>(metersim::Config{.baud = 115200, .pages = kFourPages});
        QVERIFY(openWindow());
        w->pageField->setText(QString::number(c.page));
        if (!c.detailed)
            w->standardModeOption->click();  // a %OA page has the buttons off: this changes nothing
        m_sim->sim().clearReceived();
        m_sim->sim().setFault(c.command, {c.kind, 1, c.after});  // K::None: no fault
        m_prompts->queueSaveName(m_folder->filePath("page.csv"));
        // Every record shows its number in the status bar and moves the progress bar.
        QStringList progress, expectedProgress;
        connect(w->progressBar, &QProgressBar::valueChanged, this, [&](int value) {
            if (value > 0)
                progress << QString::number(value) + ' ' + w->statusPanel->text();
        });
        QTest::mouseClick(w->transmitButton, Qt::LeftButton);
        if (c.kind != K::None)
            return closedAfter("RS232C ERROR.", c.result);

        QCOMPARE(m_sim->commands(), QString(c.command).split(' '));
        QVERIFY(m_prompts->saveRequests.size() == 1 && m_prompts->messages.isEmpty());
        const QByteArray expected = readTestFile(TELVARO_TEST_DATA "/transfer/" + QString(c.result));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(m_folder->readFile("page.csv"), expected);
        QVERIFY(!m_menu->link().isOpen() && w->isVisible() && w->transmitButton->isEnabled()
                && w->statusPanel->text().isEmpty());
        for (int i = 1; i <= w->state().numberOfData(c.page); ++i)
            expectedProgress << QString("%1 %1 Data Reading").arg(i);
        QCOMPARE(progress, expectedProgress);
    }

    // Close while the window waits: the read ends quietly, nothing logged or shown, the meter stopped.
    void closeMidRead_data() { addRows(kClose); }
    void closeMidRead()
    {
        QFETCH(int, row);
        const CloseCase &c = kClose[row];
        SetWaitScale(c.baud < 115200 ? 0.5 : 0.1);  // at 9600 baud a reply takes longer than the shortest waits
        m_sim = std::make_unique<SimFixture>(metersim::Config{.baud = c.baud, .pages = pages(c.count, c.records)});
        if (c.count == 1)
            QVERIFY(openWindow());
        m_sim->sim().clearReceived();
        m_sim->sim().setFault(c.faultOn, {K::Silence, c.times, c.after});
        QTimer probe;
        connect(&probe, &QTimer::timeout, this, [&] {
            if (!m_sim->commands().contains(c.trigger))
                return;
            probe.stop();
            QTimer::singleShot(c.delayMs, this, [&] {
                QVERIFY(w && w->isVisible());  // still there while the meter is silent
                QTest::mouseClick(w->closeButton, Qt::LeftButton);
                QVERIFY(!w || w->isHidden());  // at once, whatever the read still waits for
            });
        });
        probe.start(2);
        if (c.count > 1)
            showWindow();
        else
            QTest::mouseClick(w->transmitButton, Qt::LeftButton);  // returns once the read has ended
        closedAfter("", "");
        QVERIFY2(m_sim->commands().last() == "N" && !m_sim->commands().contains("T0004"),
                 qPrintable(m_sim->commands().join(' ')));
        if (c.records == 200) {  // the line is usable again: a new window reads the directory
            QVERIFY(openWindow());
            QCOMPARE(int(w->state().PageCount), 1);
        }
    }
};

QTEST_MAIN(TestTransferSerial)
#include "test_transfer_serial.moc"
