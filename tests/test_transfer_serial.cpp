// The transfer window against the simulated meter on a pty: the directory, page reads into data
// files, every failed exchange, and Close in the middle of a read.
#include <QtTest>

#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "metersim/Simulator.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "transfer/FrmDataRead.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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

// Page 1 calculation AVG, page 2 %OA TMP, page 3 calculation INS, page 4 %OA CO2.
std::vector<metersim::Page> fourPages()
{
    return {page(false, 6, "10", "AVG", "09:15:00"), page(true, 5, "30", "TMP", "10:20:30"),
            page(false, 4, "60", "INS", "11:00:05"), page(true, 3, "1", "CO2", "12:34:56")};
}

std::vector<metersim::Page> pages(int count)
{
    std::vector<metersim::Page> list;
    for (int i = 0; i < count; ++i)
        list.push_back(page(i % 3 == 1, 3 + i, "10", i % 3 == 1 ? "CO2" : "AVG", "08:00:00"));
    return list;
}

} // namespace

class TestTransferSerial : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void directory_data();
    void directory();
    void pageRead_data();
    void pageRead();
    void failures_data();
    void failures();
    void closeWhileThePageIsSilent();
    void closeWhileRecordsArrive();
    void closeDuringTheDirectory();
    void closeDuringAnExchangeWait();

private:
    void startMeter(std::vector<metersim::Page> list, int baud = 115200);
    // Open the window from the main window; true once the directory is in (false: window gone).
    bool openWindow();
    QStringList commands() const;
    // Click button (once) as soon as condition holds, from inside whatever read is running.
    void clickWhen(std::function<bool()> condition, QPointer<QPushButton> button, int delayMs = 0);

    TestProgramFolder *m_folder = nullptr;
    ScriptedPrompts *m_prompts = nullptr;
    FrmMenu *m_menu = nullptr;
    std::unique_ptr<metersim::Simulator> m_sim;
    QPointer<FrmDataRead> m_window;
};

void TestTransferSerial::initTestCase() { SetWaitScale(0.1); }

void TestTransferSerial::init()
{
    m_folder = new TestProgramFolder("en_US.UTF-8");
    m_prompts = new ScriptedPrompts;
    m_menu = new FrmMenu;
}

void TestTransferSerial::cleanup()
{
    delete m_window.data();
    delete m_menu;
    m_menu = nullptr;
    m_sim.reset();
    delete m_prompts;
    m_prompts = nullptr;
    delete m_folder;
    m_folder = nullptr;
}

void TestTransferSerial::startMeter(std::vector<metersim::Page> list, int baud)
{
    metersim::Config config;
    config.baud = baud;
    config.pages = std::move(list);
    m_sim = std::make_unique<metersim::Simulator>(config);
    QVERIFY(m_sim->start());
    SettingsRecord &s = Variable::Settings;
    s.ProgMode = true;
    s.DefaultFolder = m_folder->path();
    s.RsPort = QString::fromStdString(m_sim->devicePath());
    s.RsSpeed = QString::number(baud);
    s.RsDataBit = "8";
    s.RsParity = "N";
    s.RsStopBit = "1";
    s.RsFlow = 1;
}

bool TestTransferSerial::openWindow()
{
    m_window = new FrmDataRead();
    m_menu->showChildWindow(m_window);
    QTest::qWaitFor([&] { return !m_window || m_window->isHidden() || m_window->state().DirectoryReady; }, 20000);
    return m_window && m_window->state().DirectoryReady;
}

QStringList TestTransferSerial::commands() const
{
    QStringList list;
    for (const std::string &c : m_sim->receivedCommands())
        list << QString::fromStdString(c);
    return list;
}

void TestTransferSerial::clickWhen(std::function<bool()> condition, QPointer<QPushButton> button, int delayMs)
{
    auto *probe = new QTimer(this);
    connect(probe, &QTimer::timeout, this, [probe, condition, button, delayMs] {
        if (!condition())
            return;
        probe->stop();
        probe->deleteLater();
        QTimer::singleShot(delayMs, [button] {
            if (button)
                QTest::mouseClick(button, Qt::LeftButton);
        });
    });
    probe->start(2);
}

void TestTransferSerial::directory_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("empty meter") << 0;
    QTest::newRow("1 page") << 1;
    QTest::newRow("3 pages") << 3;
    QTest::newRow("12 pages") << 12;
}

void TestTransferSerial::directory()
{
    QFETCH(int, count);
    startMeter(pages(count));
    const bool ready = openWindow();

    QStringList expected = {"P"};
    for (int p = 1; p <= count; ++p)
        expected << QString("T%1").arg(p, 4, 10, QChar('0')) << "N" << "N" << QString("M%1").arg(p, 4, 10, QChar('0'));
    QCOMPARE(commands(), expected);
    QVERIFY(!m_menu->MSComm1->isOpen());

    if (count == 0) {
        QVERIFY(!ready);
        QCOMPARE(m_prompts->texts(), QStringList{"There was no data."});
        QCOMPARE(m_prompts->messages.first().title, QString("Telvaro Monitor Software"));
        QTRY_VERIFY(m_window.isNull());
        QVERIFY(m_menu->isEnabled());
        return;
    }
    QVERIFY(ready);
    FrmDataRead *w = m_window;
    QCOMPARE(int(w->state().PageCount), count);
    QCOMPARE(w->vaSpread1->maxRows(), count);
    QCOMPARE(w->Text1->text(), QString::number(count));
    QCOMPARE(w->Text2->text(), QString("1"));
    for (int p = 1; p <= count; ++p) {
        const bool oa = p % 3 == 2;
        QCOMPARE(w->vaSpread1->text(p, 1), oa ? QString("%OA") : QString("CALCULATION"));
        QCOMPARE(w->vaSpread1->text(p, 2), QString("10"));
        QCOMPARE(w->vaSpread1->text(p, 3).toInt(), 2 + p);
        QCOMPARE(w->vaSpread1->text(p, 4), oa ? QString("CO2") : QString("AVG"));
        QCOMPARE(w->vaSpread1->text(p, 5), QString("2026/11/30 08:00:00"));
        QCOMPARE(w->state().cell(p, 1), oa ? QString("001") : QString("000"));
        QCOMPARE(w->state().cell(p, 5), QString("1013\r\n"));
    }
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(w->Command1->isEnabled());
    QVERIFY(w->Command2->isEnabled());
    QVERIFY(!m_menu->isEnabled());
    QVERIFY(!QFile::exists(m_folder->filePath("RSErr.log")));
}

void TestTransferSerial::pageRead_data()
{
    QTest::addColumn<int>("pageNumber");
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("expected");
    QTest::newRow("calculation, Detailed") << 1 << true << QStringList{"U", "F", "T0001"} << "page1_detailed.csv";
    QTest::newRow("calculation, Standard") << 3 << false << QStringList{"U", "G", "T0003"} << "page3_standard.csv";
    QTest::newRow("%OA, TMP") << 2 << true << QStringList{"U", "T0002"} << "page2_oa_tmp.csv";
    QTest::newRow("%OA, CO2") << 4 << false << QStringList{"U", "T0004"} << "page4_oa_co2.csv";
}

void TestTransferSerial::pageRead()
{
    QFETCH(int, pageNumber);
    QFETCH(bool, detailed);
    QFETCH(QStringList, sent);
    QFETCH(QString, expected);
    startMeter(fourPages());
    QVERIFY(openWindow());
    FrmDataRead *w = m_window;
    w->Text2->setText(QString::number(pageNumber));
    if (w->Option1->isEnabled())
        (detailed ? w->Option2 : w->Option1)->click();
    m_sim->clearReceived();
    Variable::DataPresent = 1;
    const QString file = m_folder->filePath("page.csv");
    m_prompts->queueSaveName(file);

    // Every record shows its number in the status bar and moves the progress bar.
    QStringList statusTexts;
    QList<int> progress;
    connect(w->ProgressBar1, &QProgressBar::valueChanged, this, [&](int value) {
        if (value > 0) {
            progress << value;
            statusTexts << w->StatusPanel1->text();
        }
    });
    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(commands(), sent);
    QCOMPARE(m_prompts->saveRequests.size(), 1);
    QVERIFY(m_prompts->messages.isEmpty());
    const QByteArray actual = readAll(file);
    const QString expectedPath = QStringLiteral(TELVARO_TEST_DATA "/transfer/") + expected;
    if (!QFile::exists(expectedPath)) {
        QFile out(QDir::temp().filePath(expected));
        if (out.open(QIODevice::WriteOnly))
            out.write(actual);
        QFAIL(qPrintable("no expected file; actual written to " + out.fileName()));
    }
    QCOMPARE(actual, readAll(expectedPath));
    QCOMPARE(Variable::DataPresent, qint16(0));
    QVERIFY(!m_menu->MSComm1->isOpen());
    QVERIFY(w->isVisible());
    QVERIFY(w->Command1->isEnabled());
    QCOMPARE(w->StatusPanel1->text(), QString());
    const int n = w->state().numberOfData(pageNumber);
    QCOMPARE(progress.size(), n);
    for (int i = 1; i <= n; ++i) {
        QCOMPARE(progress.at(i - 1), i);
        QCOMPARE(statusTexts.at(i - 1), QString("%1 Data Reading").arg(i));
    }
    QCOMPARE(w->state().PageDate, QString("2026/11/30"));
    QVERIFY(!QFile::exists(m_folder->filePath("RSErr.log")));
}

void TestTransferSerial::failures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("afterRecords");
    QTest::addColumn<int>("pageNumber");  // 0: the fault hits the directory read
    QTest::addColumn<bool>("detailed");
    QTest::addColumn<QString>("logName");
    using K = metersim::FaultKind;
    QTest::newRow("P silent") << "P" << int(K::Silence) << 0 << 0 << true << "P Command";
    QTest::newRow("P garbage") << "P" << int(K::Garbage) << 0 << 0 << true << "P Command";
    QTest::newRow("directory T silent") << "T" << int(K::Silence) << 0 << 0 << true << "T Command";
    QTest::newRow("M silent") << "M" << int(K::Silence) << 0 << 0 << true << "M Command Data Read(Cal/%OA)";
    QTest::newRow("M garbage") << "M" << int(K::Garbage) << 0 << 0 << true << "M Command Data Read(Cal/%OA)";
    QTest::newRow("M without separators") << "M" << int(K::NoSeparators) << 0 << 0 << true
                                          << "M Command Data Read(Cal/%OA)";
    QTest::newRow("U silent") << "U" << int(K::Silence) << 0 << 1 << true << "Unit Read(Data Transfer";
    QTest::newRow("F wrong ack") << "F" << int(K::WrongAck) << 0 << 1 << true << "F Command(Cal)";
    QTest::newRow("G silent") << "G" << int(K::Silence) << 0 << 1 << false << "G Command(Cal)";
    QTest::newRow("page T silent") << "T" << int(K::Silence) << 0 << 1 << true << "T Command(Cal)";
    QTest::newRow("%OA page T silent") << "T" << int(K::Silence) << 0 << 2 << true << "T Command(%OA)";
    QTest::newRow("header split") << "T" << int(K::SplitReply) << 0 << 1 << true << "T Command Data Read(Cal Header)";
    QTest::newRow("%OA header split") << "T" << int(K::SplitReply) << 0 << 2 << true
                                      << "T Command Data Read(%OA Header)";
    QTest::newRow("record without separators") << "T" << int(K::NoSeparators) << 2 << 1 << true
                                               << "T Command Data Read(Cal Data)";
    QTest::newRow("%OA record without separators") << "T" << int(K::NoSeparators) << 1 << 2 << true
                                                   << "T Command Data Read(%OA Data)";
    QTest::newRow("%OA page falls silent") << "T" << int(K::Silence) << 2 << 2 << true
                                           << "T Command Data Read(%OA Data)";
}

void TestTransferSerial::failures()
{
    QFETCH(QString, command);
    QFETCH(int, kind);
    QFETCH(int, afterRecords);
    QFETCH(int, pageNumber);
    QFETCH(bool, detailed);
    QFETCH(QString, logName);
    startMeter(fourPages());
    metersim::Fault fault;
    fault.kind = metersim::FaultKind(kind);
    fault.times = 1;
    fault.afterRecords = afterRecords;
    if (pageNumber == 0) {
        m_sim->setFault(command.toStdString(), fault);
        QVERIFY(!openWindow());
    } else {
        QVERIFY(openWindow());
        m_window->Text2->setText(QString::number(pageNumber));
        if (m_window->Option1->isEnabled())
            (detailed ? m_window->Option2 : m_window->Option1)->click();
        m_sim->setFault(command.toStdString(), fault);
        m_window->Command1_Click();
    }
    QCOMPARE(m_prompts->texts(), QStringList{"RS232C ERROR."});
    QCOMPARE(m_prompts->messages.first().title, QString("Telvaro Monitor Software"));
    QVERIFY(m_prompts->saveRequests.isEmpty());
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(m_menu->isEnabled());
    QVERIFY(!m_menu->MSComm1->isOpen());
    const QByteArray log = readAll(m_folder->filePath("RSErr.log"));
    QVERIFY2(log.contains("," + logName.toLatin1() + ","), log.constData());
}

void TestTransferSerial::closeWhileThePageIsSilent()
{
    startMeter(fourPages());
    QVERIFY(openWindow());
    metersim::Fault fault;
    fault.kind = metersim::FaultKind::Silence;
    fault.afterRecords = 3;
    m_sim->setFault("T", fault);
    FrmDataRead *w = m_window;
    m_sim->clearReceived();
    bool visibleWhileSilent = false;
    // The meter says nothing after record 3: the read keeps waiting, the window alive, until Close.
    clickWhen([&] {
        if (w->StatusPanel1->text() != QString("3 Data Reading"))
            return false;
        visibleWhileSilent = w->isVisible();
        return true;
    }, w->Command2, 150);
    QTest::mouseClick(w->Command1, Qt::LeftButton);  // returns once the read has ended
    QVERIFY(visibleWhileSilent);
    QVERIFY(m_menu->isEnabled());
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(commands().contains("N"));
    QVERIFY(m_prompts->saveRequests.isEmpty());
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(!m_menu->MSComm1->isOpen());
    QVERIFY(m_menu->Command3->isEnabled());
    QVERIFY(!QFile::exists(m_folder->filePath("RSErr.log")));
}

void TestTransferSerial::closeWhileRecordsArrive()
{
    std::vector<metersim::Page> list = {page(false, 200, "10", "AVG", "09:00:00")};
    // At 9600 baud a reply takes longer than the shortest waits of the other cases.
    SetWaitScale(0.5);
    auto restoreScale = qScopeGuard([] { SetWaitScale(0.1); });
    startMeter(list, 9600);
    QVERIFY(openWindow());
    FrmDataRead *w = m_window;
    bool hiddenAtOnce = false;
    clickWhen([&] { return w->StatusPanel1->text() == QString("5 Data Reading"); }, w->Command2);
    connect(w->Command2, &QPushButton::clicked, this, [&] {
        hiddenAtOnce = w->isHidden();
    });
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(hiddenAtOnce);
    QVERIFY(m_menu->isEnabled());
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(commands().contains("N"));
    QVERIFY(m_prompts->saveRequests.isEmpty());
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(!m_menu->MSComm1->isOpen());

    // The line is usable again: a new window reads the directory.
    m_sim->clearReceived();
    QVERIFY(openWindow());
    QCOMPARE(int(m_window->state().PageCount), 1);
}

void TestTransferSerial::closeDuringTheDirectory()
{
    startMeter(pages(12));
    m_window = new FrmDataRead();
    QPointer<FrmDataRead> w = m_window;
    bool closeEnabled = false;
    clickWhen([&] {
        if (!w || w->vaSpread1->text(2, 1).isEmpty())
            return false;
        closeEnabled = w->Command2->isEnabled();
        return true;
    }, w->Command2);
    m_menu->showChildWindow(m_window);
    QTRY_VERIFY_WITH_TIMEOUT(m_window.isNull(), 10000);
    QVERIFY(closeEnabled);
    QVERIFY(m_menu->isEnabled());
    QVERIFY(!commands().contains("T0004"));
    QCOMPARE(commands().last(), QString("N"));
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(!m_menu->MSComm1->isOpen());
}

void TestTransferSerial::closeDuringAnExchangeWait()
{
    // Close while the U exchange waits for its reply: the exchange ends quietly, nothing is
    // logged, nothing is shown.
    startMeter(fourPages());
    QVERIFY(openWindow());
    metersim::Fault fault;
    fault.kind = metersim::FaultKind::Silence;
    fault.times = -1;
    m_sim->setFault("U", fault);
    FrmDataRead *w = m_window;
    clickWhen([&] { return commands().contains("U"); }, w->Command2);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(m_prompts->saveRequests.isEmpty());
    QVERIFY(!QFile::exists(m_folder->filePath("RSErr.log")));
    QVERIFY(!m_menu->MSComm1->isOpen());
    QVERIFY(m_menu->isEnabled());
}

QTEST_MAIN(TestTransferSerial)
#include "test_transfer_serial.moc"
