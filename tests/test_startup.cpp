// The real start-up path in a temporary program folder, with the locale switched: which window
// appears, the files written, the main window's texts, and what each way out writes.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "datafiles/SettingsFile.h"
#include "dialogs/FrmLanguageSelect.h"
#include "mainwindow/FrmMenu.h"
#include "serial/PortNames.h"
#include "startup/Telvaro.h"
#include "measure/Samples.h"
#include "serial/RS232C.h"
#include "support/Pty.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

QByteArray dataFile(const char *name)
{
    QFile f(QStringLiteral(TELVARO_TEST_DATA "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <typename T>
T *topLevel()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            return t;
    return nullptr;
}

void flushDeletes()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstStart_data();
    void firstStart();
    void languageWindowChoices_data();
    void languageWindowChoices();
    void languageWindowClosedByCloseBox();
    void secondCopyRefused_data();
    void secondCopyRefused();
    void noSerialDevice();
    void exitPaths_data();
    void exitPaths();
    void processorClockRead();

private:
    BarePty *m_pty = nullptr;
    QTemporaryDir *m_runtime = nullptr;
};

void TestStartup::init()
{
    m_runtime = new QTemporaryDir;
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
    m_pty = new BarePty;
    qputenv("TELVARO_EXTRA_PORTS", m_pty->path().toLocal8Bit());
}

void TestStartup::cleanup()
{
    if (FrmMenu *menu = mainWindow())
        delete menu;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmLanguageSelect *>(w))
            delete w;
    flushDeletes();
    ReleaseSingleInstance();
    delete m_pty;
    m_pty = nullptr;
    delete m_runtime;
    m_runtime = nullptr;
}

void TestStartup::firstStart_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<bool>("asksLanguage");
    QTest::addColumn<QString>("measureMenu");
    QTest::newRow("en") << QByteArray("en_US.UTF-8") << false << "Measurement(&M)";
    QTest::newRow("de") << QByteArray("de_DE.UTF-8") << false << "Measurement(&M)";
    QTest::newRow("ja") << QByteArray("ja_JP.UTF-8") << true << "Measurement(&M)";
    QTest::newRow("zh") << QByteArray("zh_CN.UTF-8") << true << "Measurment(&M)";
}

void TestStartup::firstStart()
{
    QFETCH(QByteArray, locale);
    QFETCH(bool, asksLanguage);
    QFETCH(QString, measureMenu);
    TestProgramFolder folder(locale);
    ScriptedPrompts prompts;

    QVERIFY(Main());
    if (asksLanguage) {
        QVERIFY(!mainWindow());
        auto *select = topLevel<FrmLanguageSelect>();
        QVERIFY(select);
        QVERIFY(select->englishOption->isChecked());  // English preselected
        QTest::mouseClick(select->okButton, Qt::LeftButton);
        QTRY_VERIFY(mainWindow());
    }
    QCOMPARE(folder.readFile(QStringLiteral("Language.dat")), QByteArray("Language = 1\r\n"));
    FrmMenu *menu = mainWindow();
    QVERIFY(menu && menu->isVisible());
    QCOMPARE(menu->windowTitle(), QStringLiteral("Telvaro Monitor Software"));
    QCOMPARE(menu->MenuMeasurement->title(), measureMenu);
    QCOMPARE(menu->startStopButton->text(), QStringLiteral("Measure Start"));
    QCOMPARE(menu->transferButton->text(), QStringLiteral("Data transfer"));
    QCOMPARE(menu->zoomButton->text(), QStringLiteral("Zoom On"));
    QCOMPARE(menu->exitButton->text(), QStringLiteral("Exit"));
    QCOMPARE(menu->findChild<QPushButton *>(QStringLiteral("Command1")), menu->startStopButton);
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(menu->programFolder(), folder.path());
}

void TestStartup::languageWindowChoices_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("secondOption");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("fileMenu");
    QTest::newRow("ja") << QByteArray("ja_JP.UTF-8") << "Japanese" << "Language Select" << QString::fromUtf8("ファイル(&F)");
    QTest::newRow("zh") << QByteArray("zh_CN.UTF-8") << QString::fromUtf8("汉语") << QString::fromUtf8("语言选择")
                        << QString::fromUtf8("文件(&F)");
}

void TestStartup::languageWindowChoices()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, secondOption);
    QFETCH(QString, title);
    QFETCH(QString, fileMenu);
    TestProgramFolder folder(locale);
    ScriptedPrompts prompts;
    QVERIFY(Main());
    auto *select = topLevel<FrmLanguageSelect>();
    QVERIFY(select);
    QCOMPARE(select->windowTitle(), title);
    QCOMPARE(select->systemLanguageOption->text(), secondOption);
    QVERIFY(QTest::qWaitForWindowExposed(select));
    QTest::mouseClick(select->systemLanguageOption, Qt::LeftButton, {}, QPoint(6, select->systemLanguageOption->height() / 2));
    QVERIFY(select->systemLanguageOption->isChecked());
    QTest::mouseClick(select->okButton, Qt::LeftButton);
    QTRY_VERIFY(mainWindow());
    QCOMPARE(folder.readFile(QStringLiteral("Language.dat")), QByteArray("Language = 0\r\n"));
    QCOMPARE(mainWindow()->MenuFile->title(), fileMenu);
}

void TestStartup::languageWindowClosedByCloseBox()
{
    TestProgramFolder folder("ja_JP.UTF-8");
    ScriptedPrompts prompts;
    QVERIFY(Main());
    auto *select = topLevel<FrmLanguageSelect>();
    QVERIFY(select);
    select->close();
    QTRY_VERIFY(mainWindow());
    // Nothing written: the window comes again at the next start; this run is in English.
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Language.dat"))));
    QCOMPARE(mainWindow()->startStopButton->text(), QStringLiteral("Measure Start"));
}

void TestStartup::secondCopyRefused_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("message");
    QTest::newRow("en") << QByteArray("en_US.UTF-8") << "Two or more startings cannot do this application";
    // Offset 0 at start-up: the system's own text even when English was chosen.
    QTest::newRow("ja, English chosen") << QByteArray("ja_JP.UTF-8") << QString::fromUtf8("このアプリケーションは複数起動ができません。");
}

void TestStartup::secondCopyRefused()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, message);
    TestProgramFolder folder(locale);
    folder.writeFile(QStringLiteral("Language.dat"), "Language = 1\r\n");
    QVERIFY(AcquireSingleInstance());
    QLockFile other(QDir(m_runtime->path()).filePath(QStringLiteral("telvaro-monitor.lock")));
    ScriptedPrompts prompts;
    // A second copy finds the lock held (here by this very process).
    ReleaseSingleInstance();
    QVERIFY(other.tryLock(0));
    QVERIFY(!Main());
    QCOMPARE(prompts.texts(), QStringList{message});
    QCOMPARE(prompts.messages.first().icon, prompts::Icon::Exclamation);
    QVERIFY(!mainWindow());
}

void TestStartup::noSerialDevice()
{
    TestProgramFolder folder("en_US.UTF-8");
    qputenv("TELVARO_EXTRA_PORTS", "");
    for (const QString &device : portnames::listSerialDevices())
        if (PortExists(device))
            QSKIP("this machine has a usable serial device of its own");
    ScriptedPrompts prompts;
    QVERIFY(!Main());
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("RS232C Port not Found.")});
    QVERIFY(!mainWindow());
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Language.dat"))));
}

void TestStartup::exitPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("unsaved");
    QTest::addColumn<int>("questions");
    QTest::newRow("menu exit, nothing held") << "menu" << false << 0;
    QTest::newRow("menu exit, unsaved run") << "menu" << true << 1;
    QTest::newRow("close box, unsaved run") << "close" << true << 1;
    QTest::newRow("close box, nothing held") << "close" << false << 0;
    QTest::newRow("exit button, unsaved run asks too") << "button" << true << 1;
    QTest::newRow("exit button, nothing held") << "button" << false << 0;
}

void TestStartup::exitPaths()
{
    QFETCH(QString, path);
    QFETCH(bool, unsaved);
    QFETCH(int, questions);
    TestProgramFolder folder("en_US.UTF-8");
    folder.writeFile(QStringLiteral("Language.dat"), "Language = 1\r\n");
    ScriptedPrompts prompts;
    QVERIFY(Main());
    FrmMenu *menu = mainWindow();
    QVERIFY(menu);
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Telvaro.ini"))));
    menu->samples().setPresent(unsaved);
    menu->samples().setSaved(false);
    prompts.queueAnswer(prompts::Answer::No);
    if (path == QLatin1String("menu"))
        menu->MenuExit->trigger();
    else if (path == QLatin1String("close"))
        menu->close();
    else
        QTest::mouseClick(menu->exitButton, Qt::LeftButton);
    QCOMPARE(prompts.messages.size(), questions);
    if (questions) {
        QCOMPARE(prompts.messages.first().text, QStringLiteral("Data is not saved. Do you save?"));
        QCOMPARE(prompts.messages.first().buttons, prompts::Buttons::YesNoOnly);
        QCOMPARE(prompts.messages.first().title, QStringLiteral("Telvaro Monitor Software"));
    }
    QVERIFY(ProgramEnding());
    const QByteArray data = settingsfile::systemDataFolder().toLocal8Bit();
    QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")), dataFile("settings/default-en.ini").replace("@FOLDER@", data));
}

void TestStartup::processorClockRead()
{
    const ProcessorInfoRecord info = ReadProcessorInfo();
    if (!QFile::exists(QStringLiteral("/proc/cpuinfo")))
        QSKIP("no /proc/cpuinfo here");
    QVERIFY(info.CurrentClockSpeed > 0);
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
