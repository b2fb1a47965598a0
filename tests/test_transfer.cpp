// The transfer: the window's rules without the window, the window in debug mode (made-up pages,
// page controls, data files), and the window against the simulated meter on a pty (directory, page
// reads, failed exchanges, Close mid-read).
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "measure/LiveChart.h"
#include "measure/Samples.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "support/ScriptedPrompts.h"
#include "support/SimFixture.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"
#include "transfer/TransferState.h"
#include "transfer/UpDownSpinner.h"

namespace {
using K = metersim::FaultKind;

// Pages: 1 calculation (99 records), 2 %OA (399), 3 %OA TMP (3), 4 %OA (0), 5 calculation INS (1).
const QList<double> kDraws = {0.7, 0.5, 0.1, 0.9, 0.2, 0.3, 0.4, 0.1, 0.55, 0.999,
                              0.004, 0.65, 0.5, 0.0, 0.0, 0.55, 0.6, 0.25, 0.0011, 0.0};

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

class TestTransfer : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<SimFixture> m_sim;
    FrmMenu *m_menu = nullptr;
    QPointer<FrmDataRead> w;

    // The chosen page as the state, the page field, the spinner and the grid's selection show it.
    QString pageShown() const { return QString("%1 %2 %3 %4").arg(w->state().CurrentPage).arg(w->pageField->text())
                                           .arg(w->pageSpinner->value()).arg(w->directoryTable->selectedRow()); }

    // Open the window from the main window: on the simulated meter, or without one in debug mode on
    // five made-up pages.
    void showWindow()
    {
        if (m_sim) {
            m_menu->applySettings(m_sim->settings(m_menu->settings()));
        } else {
            m_menu->settings().ProgMode = false;
            m_menu->settings().CO2Graph = 1;
            transfer::PageTransfer::setDebugRandomSource(
                [next = 0]() mutable { return kDraws.at(next++ % kDraws.size()); });
        }
        m_menu->showChildWindow(w = new FrmDataRead(m_menu->settings(), &m_menu->link(), &m_menu->samples()));
    }
    // True once the directory is in (false: the window went).
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

    void directoryCells()
    {
        using B = TransferState::ModeButtons;
        const struct { const char *code, *shown; B buttons; } modes[] = {
            {"000", "CALCULATION", B::Enable}, {"001", "%OA", B::Disable}, {"002", "%OA", B::Unchanged},
            {"", "%OA", B::Unchanged}};
        TransferState state;
        state.PageCount = 4;
        state.resizeDirectory(4);
        for (int p = 1; p <= 4; ++p) {
            state.PageDirectory[p - 1] = {modes[p - 1].code, "60", "0999", "AVG", "1013\r\n", "2004/06/20 12:00:00"};
            QCOMPARE(state.gridRow(p), QStringList({modes[p - 1].shown, "60", "0999", "AVG", "2004/06/20 12:00:00"}));
            QCOMPARE(int(state.modeButtonsFor(p)), int(modes[p - 1].buttons));
        }
        // Number of data (column 3) and the data file's pressure (column 5).
        const struct { int column; const char *text, *result; } cells[] = {{3, "0999", "999"}, {3, "12.9", "12"},
            {3, "0000", "0"}, {3, "x12", "0"}, {3, "-5", "0"}, {3, "99999999999999999999", "999999"},
            {5, "1013\r\n", "1013"}, {5, "987\r\n", "987"}, {5, "10132\r\n", "1013"}, {5, "1013", "1013"}, {5, "", ""}};
        for (const auto &c : cells) {
            state.setCell(1, c.column, c.text);
            QCOMPARE(c.column == 3 ? QString::number(state.numberOfData(1)) : state.pressureText(1), QString(c.result));
        }
        state.setCell(5, 1, "000");  // outside the table: ignored, and read as nothing
        state.setCell(1, 7, "x");
        QVERIFY(state.cell(0, 1).isEmpty() && state.cell(5, 1).isEmpty() && state.numberOfData(5) == 0);
        QCOMPARE(state.kind(0), TransferState::PageKind::Other);
        // The page field's rule (its edge cases go through the window): the maximum is a page too.
        QCOMPARE(int(TransferState::judgePageField("9999", 1, 9999).page), 9999);
        QVERIFY(!TransferState::judgePageField("12.6", 1, 12).inRange);
    }

    void directoryAndPageControls()
    {
        QVERIFY(openWindow());
        QVERIFY(!m_menu->isEnabled() && m_prompts->messages.isEmpty());
        QCOMPARE(w->pageCountField->text() + ' ' + pageShown() + ' ' + QString::number(w->directoryTable->maxRows()),
                 QString("5 1 1 1 1 5"));
        QStringList rows;
        for (int p = 1; p <= 5; ++p)
            for (int c = 1; c <= 5; ++c)
                rows << w->directoryTable->text(p, c);
        QCOMPARE(rows.join('|'), QString("CALCULATION|499|99|AVG||%OA|299|399|CO2||%OA|998|3|TMP||%OA|0|0|CO2||"
                                         "CALCULATION|249|1|INS|"));  // made-up pages show no date
        QVERIFY(w->transmitButton->isEnabled() && w->closeButton->isEnabled() && w->standardModeOption->isEnabled()
                && w->detailedModeOption->isChecked());

        w->pageField->setFocus();
        w->pageField->selectAll();
        QTest::keyClicks(w->pageField, "2.6");  // what is typed is not rewritten under the cursor
        QCOMPARE(pageShown(), QString("3 2.6 3 3"));
        for (int i = 0; i < 3; ++i)
            w->pageSpinner->stepUp();  // kept inside 1..5
        QCOMPARE(pageShown(), QString("5 5 5 5"));
        const QRect cell = w->directoryTable->visualRect(w->directoryTable->model()->index(3, 1));
        QTest::mouseClick(w->directoryTable->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(pageShown(), QString("4 4 4 4"));
        w->directoryTable->setFocus();
        QTest::keyClick(w->directoryTable, Qt::Key_Up);
        QCOMPARE(pageShown(), QString("3 3 3 3"));
        // Coming back to the window does not read the directory again.
        m_menu->activateWindow();
        w->activateWindow();
        QTest::qWait(50);
        QCOMPARE(pageShown(), QString("3 3 3 3"));
        // The mode buttons: off for a %OA page, where choosing one from the program changes nothing.
        QVERIFY(!w->standardModeOption->isEnabled() && !w->detailedModeOption->isEnabled()
                && m_prompts->messages.isEmpty());
        w->standardModeOption->setChecked(true);
        QCOMPARE(int(w->state().DetailedMode), 1);
        w->pageField->setText("5");  // calculation: the buttons work again
        for (QRadioButton *option : {w->detailedModeOption, w->standardModeOption, w->detailedModeOption}) {
            QTest::mouseClick(option, Qt::LeftButton);
            QCOMPARE(int(w->state().DetailedMode), option == w->detailedModeOption ? 1 : 0);
        }
        QTest::mouseClick(w->closeButton, Qt::LeftButton);
        QVERIFY(!w->isVisible() && m_menu->isEnabled());
        QTRY_VERIFY(w.isNull());
    }

    void pageField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("page");  // 0: over the range, the message, and back to page 1
        const struct { const char *typed; int page; } rows[] = {{"3", 3}, {"9", 0}, {"2.6", 3}, {"2a", 2}, {"", 0},
            {"0", 0}, {"page", 0}, {"5", 5}, {"5.5", 0}, {"0.6", 0}, {"-1", 0}, {"  4", 4}, {"2.5", 2}, {"3.5", 4}};
        for (const auto &r : rows)
            QTest::addRow("'%s'", r.typed) << QString(r.typed) << r.page;
    }
    void pageField()
    {
        QVERIFY(openWindow());
        QFETCH(QString, typed);
        QFETCH(int, page);
        w->pageField->setText(page == 4 ? "2" : "4");  // start elsewhere than the answer
        w->pageField->setText(typed);
        QCOMPARE(pageShown(), QString("%1 %2 %1 %1").arg(page ? page : 1).arg(page ? typed : "1"));
        QCOMPARE(m_prompts->texts(), page ? QStringList() : QStringList{"It is over the setting range. Redo setup"});
        if (!page)
            QCOMPARE(m_prompts->messages.first().icon, prompts::Icon::Critical);
    }

    void transmit_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("detailed");
        QTest::addColumn<QString>("expected");  // empty: Save As cancelled
        QTest::newRow("calculation, Detailed") << "5" << true << "debug_calculation_detailed.csv";
        QTest::newRow("calculation, Standard") << "5" << false << "debug_calculation_standard.csv";
        QTest::newRow("%OA, TMP") << "3" << true << "debug_oa_tmp.csv";
        QTest::newRow("%OA without records") << "4" << true << "debug_oa_empty.csv";
        QTest::newRow("Save As cancelled") << "1" << true << "";
    }
    void transmit()
    {
        QVERIFY(openWindow());
        QFETCH(QString, page);
        QFETCH(bool, detailed);
        QFETCH(QString, expected);
        // What a live run left in the main window goes once a page is read.
        Samples &held = m_menu->samples();
        held.beginRun(SampleData(), 30);
        held.append(0.5, "    1;  450;   20;   40\r\n", {1, 450, 20, 40});
        held.setPresent(true);
        QVERIFY(m_menu->chart->pointCount(0) == 1 && m_menu->liveTable->text(1, 3) == "450");
        w->pageField->setText(page);
        (detailed ? w->detailedModeOption : w->standardModeOption)->click();
        const QString file = m_folder->filePath("page.csv");
        m_prompts->queueSaveName(expected.isEmpty() ? std::nullopt : std::optional<QString>(file));
        QTest::mouseClick(w->transmitButton, Qt::LeftButton);

        QCOMPARE(m_prompts->saveRequests.size(), 1);
        const QString expectedFile = TELVARO_TEST_DATA "/transfer/" + expected;
        QCOMPARE(readTestFile(file), expected.isEmpty() ? QByteArray() : readTestFile(expectedFile));
        // Ready for the next page, the live run's data gone.
        QVERIFY(w && w->isVisible() && w->transmitButton->isEnabled() && w->pageField->isEnabled()
                && w->statusPanel->text().isEmpty());
        QCOMPARE(w->detailedModeOption->isChecked(), detailed);
        QVERIFY(!held.present() && m_menu->chart->pointCount(0) == 0 && m_menu->liveTable->maxRows() == 10);
        QCOMPARE(m_menu->liveTable->text(1, 3), QString());
        w->close();  // as the window's close box does
        QVERIFY(!w->isVisible() && m_menu->isEnabled());
        QTRY_VERIFY(w.isNull());
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

QTEST_MAIN(TestTransfer)
#include "test_transfer.moc"
