// The real start-up path in a temporary program folder, with the locale switched: which window
// appears, the files written, the main window's texts, and what each way out writes.
#include <QtTest>
#include <QtWidgets>

#include "datafiles/SettingsFile.h"
#include "dialogs/FrmLanguageSelect.h"
#include "i18n/Texts.h"
#include "measure/Samples.h"
#include "serial/PortNames.h"
#include "serial/RS232C.h"
#include "startup/Telvaro.h"
#include "support/DialogSession.h"
#include "support/Pty.h"

class TestStartup : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<BarePty> m_pty;

private slots:
    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
        m_pty = std::make_unique<BarePty>();
        qputenv("TELVARO_EXTRA_PORTS", m_pty->path().toLocal8Bit());
    }
    void cleanup()
    {
        delete mainWindow();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<FrmLanguageSelect *>(w))
                delete w;
        flushDeletes();
        ReleaseSingleInstance();
        m_pty.reset();
        m_runtime.reset();
    }

    void firstStart_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("answer");  // to the language window: "" (none comes), "ok", "system", "close box"
        QTest::addColumn<QStringList>("select");  // its title and second choice
        QTest::addColumn<QByteArray>("languageFile");
        QTest::addColumn<QStringList>("texts");  // the main window's Measurement menu and Start button
        const QStringList english{"Measurement(&M)", "Measure Start"}, ja{"Language Select", "Japanese"};
        const QStringList zh{"语言选择", "汉语"};
        const QByteArray one("Language = 1\r\n"), zero("Language = 0\r\n");
        QTest::newRow("en") << QByteArray("en_US.UTF-8") << "" << QStringList() << one << english;
        QTest::newRow("de") << QByteArray("de_DE.UTF-8") << "" << QStringList() << one << english;
        QTest::newRow("ja, English preselected") << QByteArray("ja_JP.UTF-8") << "ok" << ja << one << english;
        QTest::newRow("zh, English preselected") << QByteArray("zh_CN.UTF-8") << "ok" << zh << one
                                                 << QStringList{"Measurment(&M)", "Measure Start"};
        QTest::newRow("ja, Japanese") << QByteArray("ja_JP.UTF-8") << "system" << ja << zero
                                      << QStringList{"計測(&M)", "計測スタート"};
        QTest::newRow("zh, Chinese") << QByteArray("zh_CN.UTF-8") << "system" << zh << zero
                                     << QStringList{"测试(&M)", "测试开始"};
        // Nothing written: the window comes again at the next start; this run is in English.
        QTest::newRow("ja, close box") << QByteArray("ja_JP.UTF-8") << "close box" << ja << QByteArray() << english;
    }
    void firstStart()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QString, answer);
        QFETCH(QStringList, select);
        QFETCH(QByteArray, languageFile);
        QFETCH(QStringList, texts);
        TestProgramFolder folder(locale);
        ScriptedPrompts prompts;
        QVERIFY(Main());
        if (!answer.isEmpty()) {
            QVERIFY(!mainWindow());
            auto *w = shown<FrmLanguageSelect>();
            QVERIFY(w && w->englishOption->isChecked());
            QCOMPARE(QStringList({w->windowTitle(), w->systemLanguageOption->text()}), select);
            if (answer == "system")
                clickBox(w->systemLanguageOption);
            answer == "close box" ? void(w->close()) : QTest::mouseClick(w->okButton, Qt::LeftButton);
            QTRY_VERIFY(mainWindow());
        }
        QCOMPARE(folder.readFile(QStringLiteral("Language.dat")), languageFile);
        FrmMenu *menu = mainWindow();
        QVERIFY(menu && menu->isVisible() && prompts.messages.isEmpty());
        QCOMPARE(QStringList({menu->MenuMeasurement->title(), menu->startStopButton->text()}), texts);
        QCOMPARE(QStringList({menu->windowTitle(), menu->transferButton->text(), menu->exitButton->text()}),
                 QStringList({LoadResString(101), LoadResString(113), LoadResString(114)}));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<bool>("serialDevice");  // else a second copy is running
        QTest::addColumn<QString>("message");
        QTest::newRow("second copy") << QByteArray("en_US.UTF-8") << true
                                     << "Two or more startings cannot do this application";
        // Offset 0 at start-up: the system's own text even when English was chosen.
        QTest::newRow("second copy, ja, English chosen") << QByteArray("ja_JP.UTF-8") << true
                                                         << "このアプリケーションは複数起動ができません。";
        QTest::newRow("no serial device") << QByteArray("en_US.UTF-8") << false << "RS232C Port not Found.";
    }
    void refused()
    {
        QFETCH(QByteArray, locale);
        QFETCH(bool, serialDevice);
        QFETCH(QString, message);
        TestProgramFolder folder(locale);
        QLockFile other(QDir(m_runtime->path()).filePath(QStringLiteral("telvaro-monitor.lock")));
        if (serialDevice) {
            folder.writeFile(QStringLiteral("Language.dat"), "Language = 1\r\n");
            QVERIFY(other.tryLock(0));  // a second copy finds the lock held (here by this very process)
        } else {
            qputenv("TELVARO_EXTRA_PORTS", "");
            for (const QString &device : portnames::listSerialDevices())
                if (PortExists(device))
                    QSKIP("this machine has a usable serial device of its own");
        }
        ScriptedPrompts prompts;
        QVERIFY(!Main());
        QCOMPARE(prompts.texts(), QStringList{message});
        QVERIFY(!serialDevice || prompts.messages.first().icon == prompts::Icon::Exclamation);
        // Nothing written either: the language window comes at the next start.
        QVERIFY(!mainWindow() && QFile::exists(folder.filePath(QStringLiteral("Language.dat"))) == serialDevice);
    }

    void exitPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("unsaved");  // asks once, answered No
        for (const char *path : {"menu", "close box", "exit button"})
            for (bool unsaved : {false, true})
                QTest::addRow("%s, %s", path, unsaved ? "unsaved run" : "nothing held") << QString(path) << unsaved;
    }
    void exitPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, unsaved);
        TestProgramFolder folder("en_US.UTF-8");
        folder.writeFile(QStringLiteral("Language.dat"), "Language = 1\r\n");
        ScriptedPrompts prompts;
        QVERIFY(Main());
        FrmMenu *menu = mainWindow();
        QVERIFY(menu && !QFile::exists(folder.filePath(QStringLiteral("Telvaro.ini"))));
        menu->samples().setPresent(unsaved);
        menu->samples().setSaved(false);
        prompts.queueAnswer(prompts::Answer::No);
        if (path == "menu")
            menu->MenuExit->trigger();
        else
            path == "close box" ? void(menu->close()) : QTest::mouseClick(menu->exitButton, Qt::LeftButton);
        QCOMPARE(prompts.texts(), QStringList(unsaved ? 1 : 0, "Data is not saved. Do you save?"));
        QVERIFY(ProgramEnding());
        QByteArray expected = dialogData("../settings/default-en.ini");
        expected.replace("@FOLDER@", settingsfile::systemDataFolder().toLocal8Bit());
        QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")), expected);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
