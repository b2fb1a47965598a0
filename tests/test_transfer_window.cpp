// The transfer window in debug mode: directory, page controls, made-up pages into data files, closing.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "measure/LiveChart.h"
#include "measure/Samples.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"
#include "transfer/UpDownSpinner.h"

namespace {
// Pages: 1 calculation (99 records), 2 %OA (399), 3 %OA TMP (3), 4 %OA (0), 5 calculation INS (1).
const QList<double> kDraws = {0.7, 0.5, 0.1, 0.9, 0.2, 0.3, 0.4, 0.1, 0.55, 0.999,
                              0.004, 0.65, 0.5, 0.0, 0.0, 0.55, 0.6, 0.25, 0.0011, 0.0};

} // namespace

// Every test starts with the window open on its directory of five made-up pages.
class TestTransferWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    FrmMenu *m_menu = nullptr;
    QPointer<FrmDataRead> w;

    // The chosen page as the state, the page field, the spinner and the grid's selection show it.
    QString pageShown() const { return QString("%1 %2 %3 %4").arg(w->state().CurrentPage).arg(w->pageField->text())
                                           .arg(w->pageSpinner->value()).arg(w->directoryTable->selectedRow()); }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>("en_US.UTF-8");
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_menu = new FrmMenu;
        m_menu->settings().ProgMode = false;  // debug mode: made-up pages, no meter
        m_menu->settings().CO2Graph = 1;
        transfer::PageTransfer::setDebugRandomSource([next = 0]() mutable { return kDraws.at(next++ % kDraws.size()); });
        m_menu->showChildWindow(w = new FrmDataRead(m_menu->settings(), &m_menu->link(), &m_menu->samples()));
        QVERIFY(QTest::qWaitFor([&] { return w && w->state().DirectoryReady; }, 5000));
    }
    void cleanup()
    {
        delete w.data();
        delete m_menu;
        m_prompts.reset();
        m_folder.reset();
    }

    void directoryAndPageControls()
    {
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
};

QTEST_MAIN(TestTransferWindow)
#include "test_transfer_window.moc"
