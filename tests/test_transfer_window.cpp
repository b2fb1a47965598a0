// The transfer window in debug mode: directory, page controls, captions, the data file of a
// made-up page, and closing.
#include <QtTest>
#include "measure/LiveChart.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"
#include "transfer/UpDownSpinner.h"

namespace {
// Pages: 1 calculation (99 records), 2 %OA (399), 3 %OA TMP (3), 4 %OA (0), 5 calculation INS (1).
const QList<double> kDraws = {0.7, 0.5, 0.1, 0.9, 0.2, 0.3, 0.4, 0.1, 0.55, 0.999, 0.004, 0.65,
                              0.5, 0.0, 0.0, 0.55, 0.6, 0.25, 0.0011, 0.0};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestTransferWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void directoryInDebugMode();
    void captions();
    void pageField_data();
    void pageField();
    void typingIsNotOverwritten();
    void spinnerGridAndField();
    void modeButtonsFollowThePage();
    void debugTransmit_data();
    void debugTransmit();
    void cancelledSaveKeepsTheWindow();
    void closeButtonAndWindowClose_data();
    void closeButtonAndWindowClose();

private:
    FrmDataRead *openWindow();

    TestProgramFolder *m_folder = nullptr;
    ScriptedPrompts *m_prompts = nullptr;
    FrmMenu *m_menu = nullptr;
    QPointer<FrmDataRead> m_window;
};

void TestTransferWindow::init()
{
    m_folder = new TestProgramFolder("en_US.UTF-8");
    Variable::Settings.ProgMode = false;
    Variable::Settings.DefaultFolder = m_folder->path();
    m_prompts = new ScriptedPrompts;
    m_menu = new FrmMenu;
    int next = 0;
    FrmDataRead::setDebugRandomSource([next]() mutable { return kDraws.at(next++ % kDraws.size()); });
}

void TestTransferWindow::cleanup()
{
    delete m_window.data();
    delete m_menu;
    m_menu = nullptr;
    delete m_prompts;
    m_prompts = nullptr;
    FrmDataRead::setDebugRandomSource({});
    delete m_folder;
    m_folder = nullptr;
}

FrmDataRead *TestTransferWindow::openWindow()
{
    auto *window = new FrmDataRead();
    m_window = window;
    m_menu->showChildWindow(window);
    if (!QTest::qWaitFor([&] { return m_window && m_window->state().DirectoryReady; }, 5000))
        return nullptr;
    return window;
}

void TestTransferWindow::directoryInDebugMode()
{
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    QVERIFY(!m_menu->isEnabled());
    QCOMPARE(int(w->state().PageCount), 5);
    QCOMPARE(w->vaSpread1->maxRows(), 5);
    QCOMPARE(w->Text1->text(), QString("5"));
    QCOMPARE(w->Text2->text(), QString("1"));
    QCOMPARE(w->UpDown1->minimum(), 1);
    QCOMPARE(w->UpDown1->maximum(), 5);
    QCOMPARE(int(w->state().CurrentPage), 1);
    QCOMPARE(w->vaSpread1->selectedRow(), 1);
    const QStringList row1 = {"CALCULATION", "499", "99", "AVG", ""};
    const QStringList row3 = {"%OA", "998", "3", "TMP", ""};
    for (int c = 1; c <= 5; ++c) {
        QCOMPARE(w->vaSpread1->text(1, c), row1.at(c - 1));
        QCOMPARE(w->vaSpread1->text(3, c), row3.at(c - 1));
    }
    // The made-up pages keep their date in the directory but not in the grid.
    QCOMPARE(w->state().cell(1, 6), QString("2004/06/20 12:00:00"));
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(w->Command2->isEnabled());
    QVERIFY(w->Option1->isEnabled());
    QVERIFY(w->Option2->isChecked());
    QVERIFY(m_prompts->messages.isEmpty());

    // Coming back to the window does not read the directory again.
    m_menu->activateWindow();
    w->activateWindow();
    QTest::qWait(50);
    QCOMPARE(w->vaSpread1->text(1, 1), QString("CALCULATION"));
    QCOMPARE(w->Text2->text(), QString("1"));
}

void TestTransferWindow::captions()
{
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString("Data transfer"));
    QCOMPARE(w->Label1->text(), QString("Total numbers of pages"));
    QCOMPARE(w->Label2->text(), QString("Reading Page"));
    QCOMPARE(w->Command1->text(), QString("Transmit"));
    QCOMPARE(w->Command2->text(), QString("Close"));
    QCOMPARE(w->Option1->text(), QString("Standard Mode"));
    QCOMPARE(w->Option2->text(), QString("Detailed Mode"));
    const QStringList headers = {"Operational mode", "Sampling time", "Number of data",
                                 "Measurement operational mode", "Date of Measurement"};
    for (int c = 1; c <= 5; ++c)
        QCOMPARE(w->vaSpread1->text(0, c), headers.at(c - 1));
    QCOMPARE(w->Command1->font().pointSize(), 9);
    QCOMPARE(w->Text2->font().pointSize(), 9);
    for (QWidget *named : {static_cast<QWidget *>(w->Text1), static_cast<QWidget *>(w->Text2),
                           static_cast<QWidget *>(w->vaSpread1), static_cast<QWidget *>(w->UpDown1),
                           static_cast<QWidget *>(w->ProgressBar1)})
        QVERIFY2(!named->accessibleName().isEmpty(), qPrintable(named->objectName()));
}

void TestTransferWindow::pageField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("rangeMessage");
    QTest::newRow("3") << "3" << 3 << "3" << false;
    QTest::newRow("9 is over the range") << "9" << 1 << "1" << true;
    QTest::newRow("2.6 rounds") << "2.6" << 3 << "2.6" << false;
    QTest::newRow("2a leading number") << "2a" << 2 << "2a" << false;
    QTest::newRow("emptied") << "" << 1 << "1" << true;
    QTest::newRow("0") << "0" << 1 << "1" << true;
    QTest::newRow("text") << "page" << 1 << "1" << true;
    QTest::newRow("5") << "5" << 5 << "5" << false;
    QTest::newRow("5.5 is over") << "5.5" << 1 << "1" << true;
}

void TestTransferWindow::pageField()
{
    QFETCH(QString, typed);
    QFETCH(int, page);
    QFETCH(QString, shown);
    QFETCH(bool, rangeMessage);
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    w->Text2->setText("4");  // start elsewhere than the answer
    QCOMPARE(int(w->state().CurrentPage), 4);
    m_prompts->messages.clear();

    w->Text2->setText(typed);
    QCOMPARE(int(w->state().CurrentPage), page);
    QCOMPARE(w->Text2->text(), shown);
    QCOMPARE(w->vaSpread1->selectedRow(), page);
    QCOMPARE(w->UpDown1->value(), page);
    QCOMPARE(m_prompts->messages.size(), rangeMessage ? 1 : 0);
    if (rangeMessage) {
        QCOMPARE(m_prompts->messages.first().text, QString("It is over the setting range. Redo setup"));
        QCOMPARE(m_prompts->messages.first().title, QString("Telvaro Monitor Software"));
        QCOMPARE(m_prompts->messages.first().icon, prompts::Icon::Critical);
    }
}

void TestTransferWindow::typingIsNotOverwritten()
{
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    w->Text2->setFocus();
    w->Text2->selectAll();
    QTest::keyClicks(w->Text2, "2.6");
    QCOMPARE(w->Text2->text(), QString("2.6"));
    QCOMPARE(int(w->state().CurrentPage), 3);
    QCOMPARE(w->vaSpread1->selectedRow(), 3);
    QVERIFY(m_prompts->messages.isEmpty());
}

void TestTransferWindow::spinnerGridAndField()
{
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    w->UpDown1->stepUp();
    QCOMPARE(int(w->state().CurrentPage), 2);
    QCOMPARE(w->Text2->text(), QString("2"));
    QCOMPARE(w->vaSpread1->selectedRow(), 2);
    w->UpDown1->setValue(9);  // kept inside 1..5
    QCOMPARE(int(w->state().CurrentPage), 5);
    QCOMPARE(w->Text2->text(), QString("5"));
    w->UpDown1->stepUp();
    QCOMPARE(int(w->state().CurrentPage), 5);

    // A click on row 4 of the grid chooses page 4.
    const QRect cell = w->vaSpread1->visualRect(w->vaSpread1->model()->index(3, 1));
    QTest::mouseClick(w->vaSpread1->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(w->Text2->text(), QString("4"));
    QCOMPARE(int(w->state().CurrentPage), 4);
    QCOMPARE(w->UpDown1->value(), 4);
    QCOMPARE(w->vaSpread1->selectedRow(), 4);

    // Moving the active cell with the keyboard follows too.
    w->vaSpread1->setFocus();
    QTest::keyClick(w->vaSpread1, Qt::Key_Up);
    QCOMPARE(w->Text2->text(), QString("3"));
    QCOMPARE(int(w->state().CurrentPage), 3);
    QCOMPARE(w->UpDown1->value(), 3);
    QVERIFY(m_prompts->messages.isEmpty());
}

void TestTransferWindow::modeButtonsFollowThePage()
{
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    w->Text2->setText("2");  // %OA
    QVERIFY(!w->Option1->isEnabled());
    QVERIFY(!w->Option2->isEnabled());
    // Selecting a disabled button from the program leaves the mode alone.
    w->Option1->setChecked(true);
    QCOMPARE(int(w->state().DetailedMode), 1);
    w->Text2->setText("5");  // calculation
    QVERIFY(w->Option1->isEnabled());
    QVERIFY(w->Option2->isEnabled());
    QTest::mouseClick(w->Option2, Qt::LeftButton);
    QCOMPARE(int(w->state().DetailedMode), 1);
    QTest::mouseClick(w->Option1, Qt::LeftButton);
    QCOMPARE(int(w->state().DetailedMode), 0);
    QTest::mouseClick(w->Option2, Qt::LeftButton);
    QCOMPARE(int(w->state().DetailedMode), 1);
}

void TestTransferWindow::debugTransmit_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("calculation, Detailed") << "5" << true << "debug_calculation_detailed.csv";
    QTest::newRow("calculation, Standard") << "5" << false << "debug_calculation_standard.csv";
    QTest::newRow("%OA, TMP") << "3" << true << "debug_oa_tmp.csv";
    QTest::newRow("%OA without records") << "4" << true << "debug_oa_empty.csv";
}

void TestTransferWindow::debugTransmit()
{
    QFETCH(QString, page);
    QFETCH(bool, detailed);
    QFETCH(QString, expected);
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    Variable::DataPresent = 1;
    // What a live run left in the main window goes once a page is read.
    FrmMenu *menu = FrmMenu::instance();
    menu->TChart1->resetForRun();
    menu->TChart1->setFirstSampleWindow(0.5);
    menu->TChart1->AddChartPoint(0, 0.5, 450);
    menu->vaSpread1->setMaxRows(30);
    menu->vaSpread1->setText(3, 2, QStringLiteral("450"));
    w->Text2->setText(page);
    (detailed ? w->Option2 : w->Option1)->click();
    const QString file = m_folder->filePath("page.csv");
    m_prompts->queueSaveName(file);
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(m_prompts->saveRequests.size(), 1);
    QCOMPARE(m_prompts->saveRequests.first().initialFolder, m_folder->path());
    QCOMPARE(m_prompts->saveRequests.first().filterIndex, 1);
    QCOMPARE(Variable::DataPresent, qint16(0));
    QCOMPARE(readAll(file), readAll(QStringLiteral(TELVARO_TEST_DATA "/transfer/") + expected));
    // Back to ready, window open, status empty.
    QVERIFY(m_window);
    QVERIFY(w->isVisible());
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(w->Text2->isEnabled());
    QCOMPARE(w->StatusPanel1->text(), QString());
    QCOMPARE(w->Option2->isChecked(), detailed);
    QCOMPARE(Variable::UnitHumRatio, QString("g/kg"));
    QCOMPARE(menu->TChart1->pointCount(0), 0);
    QCOMPARE(menu->vaSpread1->maxRows(), 10);
    QCOMPARE(menu->vaSpread1->text(3, 2), QString());
}

void TestTransferWindow::cancelledSaveKeepsTheWindow()
{
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    m_menu->vaSpread1->setText(3, 2, "450");
    const QString file = m_folder->filePath("none.csv");
    m_prompts->queueSaveName(std::nullopt);
    w->Command1_Click();
    QCOMPARE(m_prompts->saveRequests.size(), 1);
    QVERIFY(!QFile::exists(file));
    QVERIFY(w->isVisible());
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(w->Option1->isEnabled());  // page 1 is a calculation page
    // The main window's live table was cleared for the page.
    QCOMPARE(m_menu->vaSpread1->text(3, 2), QString());
    QCOMPARE(m_menu->vaSpread1->maxRows(), 10);
}

void TestTransferWindow::closeButtonAndWindowClose_data()
{
    QTest::addColumn<bool>("button");
    QTest::newRow("Close button") << true;
    QTest::newRow("window closed") << false;
}

void TestTransferWindow::closeButtonAndWindowClose()
{
    QFETCH(bool, button);
    FrmDataRead *w = openWindow();
    QVERIFY(w);
    QVERIFY(!m_menu->isEnabled());
    if (button)
        QTest::mouseClick(w->Command2, Qt::LeftButton);
    else
        w->close();
    QVERIFY(!w->isVisible());
    QVERIFY(m_menu->isEnabled());
    QTRY_VERIFY(m_window.isNull());
}

QTEST_MAIN(TestTransferWindow)
#include "test_transfer_window.moc"
