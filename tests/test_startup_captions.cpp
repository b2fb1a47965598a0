// The real start-up path in a temporary program folder: which window appears, the files written, what each
// way out writes. Captions, fonts and spoken names of the windows for each system and choice of language.
// With TELVARO_SCREENSHOT_DIR set, each window is also saved as a picture there.
#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

#include "datafiles/SettingsFile.h"
#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmLanguageSelect.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "dialogs/FrmReport.h"
#include "i18n/Texts.h"
#include "measure/Samples.h"
#include "serial/PortNames.h"
#include "serial/RS232C.h"
#include "startup/Telvaro.h"
#include "support/DialogSession.h"
#include "support/Pty.h"

namespace {
// Locale and choice (2 out of range): point size of the controls that take the font rule (0: as
// designed), a face for CJK text, the browse button.
struct Language { QByteArray locale; qint16 choice; int size; bool cjk; QString browse; };
const QList<Language> kLanguages = {
    {"en_US.UTF-8", 0, 9, false, "icon"}, {"en_US.UTF-8", 1, 9, false, "icon"}, {"ja_JP.UTF-8", 0, 9, true, "word"},
    {"ja_JP.UTF-8", 1, 9, true, "icon"},  {"ja_JP.UTF-8", 2, 9, true, "designed"},
    {"zh_CN.UTF-8", 0, 10, true, "word"}, {"zh_CN.UTF-8", 1, 9, true, "icon"}, {"zh_CN.UTF-8", 2, 0, true, "designed"},
    {"de_DE.UTF-8", 0, 9, false, "icon"}, {"de_DE.UTF-8", 1, 9, false, "icon"},
};

// A control ("" the window title, "message" the no-port message) taking the font rule, its text ids (a list's
// entries; none: the font rule only) and an id on a Chinese system. Controls listed last keep the designed font.
struct Caption { const char *control; QList<int> ids = {}; int chineseId = 0; };
struct Dialog { std::function<QDialog *()> make; const char *picture; QList<Caption> captions;
                QStringList designedFont = {}; };
const QList<Dialog> kDialogs = {
    {[] { return new FrmMeasureSetting(SettingsRecord()); }, "measure",
     {{"", {125}}, {"Frame1", {131}}, {"Combo1", {126, 127, 128, 129, 130, 174}}, {"Frame2", {132}},
      {"Option1", {133}}, {"Option2", {134}}, {"Label1", {135}}, {"Label2", {136}}, {"Check1", {118}},
      {"Check2", {117}}, {"Check3", {119}}, {"Check4", {120}}, {"Command1", {184}}, {"Command2", {137}},
      {"Text1"}}},
    {[] { return new FrmRS232CSetting(SettingsRecord()); }, "serial",
     {{"", {144}}, {"Label1", {145}}, {"Label2", {146}}, {"Label3", {147}}, {"Label4", {148}}, {"Label5", {149}},
      {"Label6", {150}}, {"Label7", {151}}, {"Command1", {184}}, {"Command2", {142}}, {"message", {188}}},
     {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7"}},
    {[] { return new FrmOption(SettingsRecord()); }, "option",
     {{"", {139}}, {"SSTab1", {139}}, {"Label1", {140}}, {"Frame1", {182}}, {"Frame2", {141}},
      {"Command1", {184}}, {"Command2", {142}}, {"Option1", {175}}, {"Option2", {176}, 177}, {"Text1"}},
     {"Option3", "Option4"}},
    // The picker as the options window opens it, for a folder.
    {[] { return new FrmDriveList(QStringLiteral("")); }, "folder",
     {{"", {138}}, {"Command1", {184}}, {"Command2", {137}}, {"Text1"}},
     {"Drive1", "Dir1"}},
    {[] { return new FrmHelp; }, "about",
     {{"", {101}}, {"lblTitle", {101}}, {"lblDisclaimer", {178}}, {"cmdOK", {184}}, {"cmdSysInfo", {183}},
      {"lblVersion"}, {"lblDescription"}}},
};

QString caption(QWidget *w)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(w))
        return tabs->tabText(0);
    if (auto *list = qobject_cast<QComboBox *>(w)) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        return entries.join(QLatin1Char('|'));
    }
    return w->property(qobject_cast<QGroupBox *>(w) ? "title" : "text").toString();
}

void screenshot(QWidget *w, const QString &name, const Language &l)
{
    const QString dir = qEnvironmentVariable("TELVARO_SCREENSHOT_DIR");
    if (dir.isEmpty() || l.choice != 0 || l.locale.startsWith("de") || l.locale.startsWith("zh"))
        return;
    w->show();
    w->adjustSize();
    QTest::qWait(500);
    w->grab().save(QDir(dir).filePath(QStringLiteral("dialogs-%1-%2.png").arg(name, l.locale.left(2))));
}
// The controls of the shown window whose announced name is empty or an object name of the window.
QString badNames(QWidget *window)
{
    window->show();  // a hidden window is not walked
    QSet<QString> internal{window->objectName()};
    for (const QObject *o : window->findChildren<QObject *>())
        internal << o->objectName();
    using A = QAccessible;
    static const QSet<A::Role> controls{A::PushButton, A::CheckBox, A::RadioButton, A::ComboBox, A::EditableText,
        A::StaticText, A::Graphic, A::Table, A::Tree, A::List, A::PageTab, A::PageTabList, A::SpinBox, A::ProgressBar,
        A::Grouping, A::ToolBar, A::MenuItem, A::ButtonMenu, A::Chart, A::Dialog, A::Window, A::StatusBar};
    QStringList bad;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *a) {
        if (!a || a->state().invisible)
            return;
        // A control with a label (a list box, a text field) is announced by the label's text.
        const auto labels = a->relations(QAccessible::Label);
        const QString name = (labels.isEmpty() ? a : labels.first().first)->text(QAccessible::Name);
        const bool view = qobject_cast<QAbstractScrollArea *>(a->object());  // chart, tables, folder tree
        const bool box = a->role() != QAccessible::Grouping || qobject_cast<QGroupBox *>(a->object());
        if ((view || (box && controls.contains(a->role()))) && (name.trimmed().isEmpty() || internal.contains(name)))
            bad << QStringLiteral("%1 (role %2): \"%3\"").arg(a->object() ? a->object()->objectName() : "-")
                       .arg(a->role()).arg(name);
        if (!view && a->role() != QAccessible::ComboBox)
            for (int i = 0; i < a->childCount(); ++i)
                walk(a->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return bad.join("; ");
}
} // namespace

class TestStartupCaptions : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<BarePty> m_pty;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TELVARO_SCREENSHOT_DIR"))  // designed 11: unlike the rule's 9 and 10
            QApplication::setFont(QFont(QApplication::font().family(), 11));
    }
    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
        m_pty = std::make_unique<BarePty>();
        qputenv("TELVARO_EXTRA_PORTS", m_pty->path().toLocal8Bit());
    }
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())  // the main window, a language window left open
            w->deleteLater();
        flushDeletes();
        ReleaseSingleInstance();
    }

    void firstStart_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("answer");  // to the language window: "" (none comes), "ok", "system", "close box"
        QTest::addColumn<QStringList>("select");  // its title and second choice
        QTest::addColumn<QByteArray>("languageFile");
        QTest::addColumn<QStringList>("texts");  // the main window's Measurement menu and Start button
        const QStringList english{"Measurement(&M)", "Measure Start"}, ja{"Language Select", "Japanese"},
            zh{"语言选择", "汉语"};
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
            auto *w = shown<FrmLanguageSelect>();
            QVERIFY(!mainWindow() && w && w->englishOption->isChecked());
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
        QCOMPARE(folder.readFile(QStringLiteral("Telvaro.ini")), dialogData("../settings/default-en.ini")
                     .replace("@FOLDER@", settingsfile::systemDataFolder().toLocal8Bit()));
    }

    void captionsAndFonts_data()
    {
        QTest::addColumn<int>("dialog");
        QTest::addColumn<int>("language");
        for (int d = 0; d < kDialogs.size(); ++d)
            for (int l = 0; l < kLanguages.size(); ++l)
                QTest::addRow("%s, %s, %d", kDialogs[d].picture, kLanguages[l].locale.data(), kLanguages[l].choice)
                    << d << l;
    }
    void captionsAndFonts()
    {
        QFETCH(int, dialog);
        QFETCH(int, language);
        const Dialog &d = kDialogs[dialog];
        const Language &l = kLanguages[language];
        QByteArray missing;  // no serial port: the message comes in the row's language
        for (int i = 1; i <= 16; ++i)  // a device after sixteen missing ones is never probed
            missing += "/dev/telvaro-test-missing-" + QByteArray::number(i) + ':';
        qputenv("TELVARO_EXTRA_PORTS", missing + m_pty->path().toLocal8Bit());
        TestProgramFolder folder(l.locale);
        ScriptedPrompts prompts;
        setLanguageState(l.locale, l.choice);
        const std::unique_ptr<QDialog> w(d.make());
        const int size = l.size ? l.size : QApplication::font().pointSize();
        for (const Caption &c : d.captions) {
            const QString name = QLatin1String(c.control);
            QWidget *control = name.isEmpty() ? nullptr : w->findChild<QWidget *>(name);
            QStringList texts;
            for (int id : c.ids)
                texts << LoadResString(c.chineseId && l.locale.startsWith("zh") ? c.chineseId : id);
            const QString shown = control          ? caption(control)
                                  : name.isEmpty() ? w->windowTitle()
                                                   : prompts.texts().join('|');
            QVERIFY2(c.ids.isEmpty() || shown == texts.join('|'), qPrintable(name + ": " + shown));
            if (name == QLatin1String("message"))  // a warning without a title; the port list stays empty
                QVERIFY(prompts.messages[0].icon == prompts::Icon::Exclamation && prompts.messages[0].title.isEmpty());
            if (!control)
                continue;
            const QString family = QFontInfo(control->font()).family();
            const bool cjk = family == QLatin1String("MS PGothic") || family.contains(QLatin1String("CJK"));
            QVERIFY2(control->font().pointSize() == size && cjk == l.cjk, qPrintable(name + ' ' + family));
        }
        for (const QString &name : d.designedFont)
            QVERIFY2(w->findChild<QWidget *>(name)->font() == QApplication::font(), qPrintable(name));
        screenshot(w.get(), QString::fromLatin1(d.picture), l);
        if (auto *o = qobject_cast<FrmOption *>(w.get())) {
            // The browse button: the word (wider) on a Japanese or Chinese system in its own language,
            // else three dots as a picture, or "..." for a choice out of range; the rule's size, its own face.
            const bool word = l.browse == QLatin1String("word"), icon = l.browse == QLatin1String("icon");
            QPushButton *browse = o->browseButton;
            QCOMPARE(browse->text(), word ? LoadResString(143) : QString(icon ? "" : "..."));
            QCOMPARE(browse->icon().isNull(), !icon);
            QCOMPARE(browse->width(), qRound((word ? 510.0 : 345.0) * browse->logicalDpiX() / 1440));
            QVERIFY(browse->font().pointSize() == size && browse->font().family() == QApplication::font().family());
            QTest::keyClick(o->optionTabs->tabBar(), Qt::Key_L);  // the service key shows the hidden groups
            screenshot(o, QStringLiteral("option-service"), l);
        }
        QCOMPARE(badNames(w.get()), QString());
    }

    void otherWindowsAreNamed_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::newRow("English") << QByteArray("en_US.UTF-8");
        QTest::newRow("Japanese") << QByteArray("ja_JP.UTF-8");
    }
    void otherWindowsAreNamed()
    {
        QFETCH(QByteArray, locale);
        DialogSession s("option_debug.ini");  // debug mode: the transfer window reads a made-up directory
        setLanguageState(locale, 0);
        SetCaptionsFrmMenu(*s.menu);
        s.menu->transferButton->click();
        FrmReport report(survey::Guidelines{}, false);
        FrmLanguageSelect select([] {});
        const auto box = prompts::messageBox(s.menu, "/data\r" + LoadResString(154), LoadResString(101),
                                             prompts::Buttons::OkCancel, prompts::Icon::None);
        QVERIFY(box->text().startsWith("/data\n"));  // text 154's folder on a line of its own
        for (QWidget *w : QWidgetList{s.menu, shownWindow("FrmDataRead"), &report, &select, box.get()}) {
            QVERIFY(w);
            QCOMPARE(badNames(w), QString());
        }
    }
};

QTEST_MAIN(TestStartupCaptions)
#include "test_startup_captions.moc"
