// The measurement settings dialog, the options dialog and the folder picker, opened from the main
// window's menu and used the way a user does; settings and files checked after the exit.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

QByteArray dataFile(const QString &name)
{
    QFile f(QStringLiteral(TELVARO_TEST_DATA "/dialogs/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return f.readAll();
}

// The open window of that name, made the active window as the user's click on it would.
template <typename T>
T *topLevel(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible()) {
            w->activateWindow();
            if (!QTest::qWaitForWindowActive(w))
                qWarning("window %s not active", name);
            return qobject_cast<T *>(w);
        }
    return nullptr;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A program folder with a settings file, and the main window loaded as start-up loads it.
struct Session {
    explicit Session(const QString &ini = QStringLiteral("start.ini"))
    {
        QByteArray bytes = dataFile(ini);
        bytes.replace("@FOLDER@", folder.path().toLocal8Bit());
        folder.writeFile(QStringLiteral("Telvaro.ini"), bytes);
        menu = new FrmMenu;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->Form_Load();
        menu->show();
    }
    ~Session()
    {
        // A failed case may leave windows open: none may leak into the next one.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != menu && w->isWindow() && qobject_cast<QDialog *>(w))
                w->deleteLater();
        if (menu)
            menu->close();
        flushDeletes();
    }
    // Exit by the menu: the settings file is written.
    void exit()
    {
        menu->MenuExit_Click();
        flushDeletes();
        QVERIFY(!menu);
    }
    QByteArray settingsFile() const
    {
        QByteArray bytes = folder.readFile(QStringLiteral("Telvaro.ini"));
        return bytes.replace(folder.path().toLocal8Bit(), "@FOLDER@");
    }

    TestProgramFolder folder{"en_US.UTF-8"};
    ScriptedPrompts prompts;
    QPointer<FrmMenu> menu;
};

// Click an option button or check box on its indicator, where a user clicks.
void clickBox(QAbstractButton *box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

// Select the whole text of a field and type over it, as a user does.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void measureOpensFromMenuWithSettings();
    void measureNumberRule_data();
    void measureNumberRule();
    void measureWaysOut_data();
    void measureWaysOut();
    void measureOddStoredValues();
    void measureFocusSelectsText();

    void optionFolderOk_data();
    void optionFolderOk();
    void optionServiceKeys_data();
    void optionServiceKeys();
    void optionLanguageFile_data();
    void optionLanguageFile();
    void optionCancelRestoresOnlyFolder_data();
    void optionCancelRestoresOnlyFolder();

    void pickerWaysOut_data();
    void pickerWaysOut();
    void pickerStartsInCurrentDirWithoutFolder();
    void pickerUnusableDrive_data();
    void pickerUnusableDrive();
    void optionWaitsForPicker();
    void pickerFolderCannotBeLookedUp();
};

// ---- measurement settings -----------------------------------------------------------------------

void TestDialogs::measureOpensFromMenuWithSettings()
{
    Session s;
    s.menu->MenuMeasurementSetting->trigger();
    auto *w = topLevel<FrmMeasureSetting>("FrmMeasureSetting");
    QVERIFY(w);
    QVERIFY(!s.menu->isEnabled());
    QVERIFY(w->isEnabled());
    QVERIFY(w->Option2->isChecked());
    QCOMPARE(w->Text1->text(), QStringLiteral("100"));
    QCOMPARE(w->Combo1->count(), 6);
    QCOMPARE(w->Combo1->currentText(), QStringLiteral("1sec"));
    QVERIFY(w->Check1->isChecked() && w->Check2->isChecked() && w->Check3->isChecked() && w->Check4->isChecked());
    QVERIFY(s.prompts.messages.isEmpty());
    w->Command1->click();
    flushDeletes();
    QVERIFY(!topLevel<FrmMeasureSetting>("FrmMeasureSetting"));
    QVERIFY(s.menu->isEnabled());
}

void TestDialogs::measureNumberRule_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("typed");  // typed key by key, or pasted in one change
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("messages");

    QTest::newRow("in range") << "65500" << true << 65500 << "65500" << 0;
    QTest::newRow("one above") << "65501" << true << 0 << "0" << 1;
    QTest::newRow("negative") << "-1" << true << 0 << "0" << 1;
    QTest::newRow("half to even down") << "2.5" << true << 2 << "2.5" << 0;
    QTest::newRow("half to even up") << "3.5" << true << 4 << "3.5" << 0;
    QTest::newRow("last half") << "65499.5" << false << 65500 << "65499.5" << 0;
    QTest::newRow("just above") << "65500.5" << false << 0 << "0" << 1;
    QTest::newRow("digits then letters") << "12abc" << true << 12 << "12abc" << 0;
    QTest::newRow("letters") << "abc" << true << 0 << "abc" << 0;
    QTest::newRow("cleared") << "" << true << 0 << "" << 0;
    QTest::newRow("leading blanks") << "   42" << false << 42 << "   42" << 0;
    QTest::newRow("exponent is not read") << "1e400" << true << 1 << "1e400" << 0;
    QTest::newRow("twenty digits") << "99999999999999999999" << false << 0 << "0" << 1;
    QTest::newRow("ten thousand digits") << QString(10000, QLatin1Char('7')) << false << 0 << "0" << 1;
    QTest::newRow("ten thousand letters") << QString(10000, QLatin1Char('x')) << false << 0
                                          << QString(10000, QLatin1Char('x')) << 0;
    QTest::newRow("control characters") << QStringLiteral("7\x01\t\x1b") << false << 7 << QStringLiteral("7\x01\t\x1b") << 0;
    QTest::newRow("minus zero") << "-0" << true << 0 << "-0" << 0;
}

void TestDialogs::measureNumberRule()
{
    QFETCH(QString, input);
    QFETCH(bool, typed);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    QFETCH(int, messages);

    Session s;
    s.menu->MenuMeasurementSetting->trigger();
    auto *w = topLevel<FrmMeasureSetting>("FrmMeasureSetting");
    QVERIFY(w);
    if (typed)
        typeInto(w->Text1, input);
    else
        w->Text1->setText(input);
    QCOMPARE(Variable::Settings.MeasureSampleValue, stored);
    QCOMPARE(w->Text1->text(), shown);
    QCOMPARE(s.prompts.messages.size(), messages);
    for (const auto &m : s.prompts.messages) {
        QCOMPARE(m.text, QStringLiteral("It is over the setting range. Redo setup (<=65500)"));
        QCOMPARE(m.title, QStringLiteral("Telvaro Monitor Software"));
        QCOMPARE(m.icon, prompts::Icon::Critical);
        QCOMPARE(m.buttons, prompts::Buttons::Ok);
    }
    // The focus may leave the field: the value is always in range.
    w->Command1->setFocus();
    QVERIFY(!w->Text1->hasFocus());
    QCOMPARE(s.prompts.messages.size(), messages);
    w->Command1->click();
    QCOMPARE(Variable::Settings.MeasureSampleValue, stored);
}

void TestDialogs::measureWaysOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("expectedIni");
    QTest::newRow("OK") << "ok" << "measure_ok.ini";
    QTest::newRow("Cancel") << "cancel" << "start.ini";
    QTest::newRow("close box") << "close" << "start.ini";
    QTest::newRow("Escape") << "escape" << "start.ini";
}

void TestDialogs::measureWaysOut()
{
    QFETCH(QString, way);
    QFETCH(QString, expectedIni);
    Session s;
    const SettingsRecord before = Variable::Settings;
    s.menu->MenuMeasurementSetting->trigger();
    auto *w = topLevel<FrmMeasureSetting>("FrmMeasureSetting");
    QVERIFY(w);

    clickBox(w->Option1);
    w->Combo1->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w->Combo1, Qt::Key_Down);
    clickBox(w->Check1);
    clickBox(w->Check3);
    typeInto(w->Text1, QStringLiteral("123"));
    // Written at once, before any button.
    QCOMPARE(Variable::Settings.MeasureMode, qint16(0));
    QCOMPARE(Variable::Settings.MeasureSampleTime, QStringLiteral("10sec"));
    QCOMPARE(Variable::Settings.COGraph, qint16(0));
    QCOMPARE(Variable::Settings.TempGraph, qint16(0));
    QCOMPARE(Variable::Settings.MeasureSampleValue, 123);

    if (way == QLatin1String("ok"))
        QTest::mouseClick(w->Command1, Qt::LeftButton);
    else if (way == QLatin1String("cancel"))
        QTest::mouseClick(w->Command2, Qt::LeftButton);
    else if (way == QLatin1String("close"))
        w->close();
    else
        QTest::keyClick(w, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!topLevel<FrmMeasureSetting>("FrmMeasureSetting"));
    QVERIFY(s.menu->isEnabled());
    if (way != QLatin1String("ok"))
        QCOMPARE(Variable::Settings, before);
    s.exit();
    QCOMPARE(s.settingsFile(), dataFile(expectedIni));
}

void TestDialogs::measureOddStoredValues()
{
    // Mode 5, 70000 samples and a graph flag of 2 from a hand-edited file.
    Session s(QStringLiteral("odd_values.ini"));
    QCOMPARE(Variable::Settings.MeasureSampleValue, 70000);
    s.menu->MenuMeasurementSetting->trigger();
    auto *w = topLevel<FrmMeasureSetting>("FrmMeasureSetting");
    QVERIFY(w);
    QCOMPARE(s.prompts.texts(), QStringList{QStringLiteral("It is over the setting range. Redo setup (<=65500)")});
    QCOMPARE(w->Text1->text(), QStringLiteral("0"));
    QVERIFY(w->Option2->isChecked());
    QVERIFY(!w->Check1->isChecked());
    QCOMPARE(Variable::Settings.MeasureMode, qint16(1));
    QCOMPARE(Variable::Settings.COGraph, qint16(2));
    // The copy holds what the load left: Cancel keeps 0 and mode 1.
    w->Command2->click();
    flushDeletes();
    s.exit();
    QCOMPARE(s.settingsFile(), dataFile(QStringLiteral("odd_values_cancel.ini")));
}

void TestDialogs::measureFocusSelectsText()
{
    Session s;
    s.menu->MenuMeasurementSetting->trigger();
    auto *w = topLevel<FrmMeasureSetting>("FrmMeasureSetting");
    QVERIFY(w);
    w->Command1->setFocus();
    w->Text1->setCursorPosition(0);
    w->Text1->setFocus(Qt::OtherFocusReason);
    QCOMPARE(w->Text1->selectedText(), QStringLiteral("100"));
    w->Command1->setFocus();
    w->Text1->setCursorPosition(1);
    w->Text1->setFocus(Qt::OtherFocusReason);
    QCOMPARE(w->Text1->selectedText(), QStringLiteral("00"));
    // Tabbing in selects all of it.
    w->Command1->setFocus();
    w->Text1->setFocus(Qt::TabFocusReason);
    QCOMPARE(w->Text1->selectedText(), QStringLiteral("100"));
}

// ---- options dialog -------------------------------------------------------------------------------

void TestDialogs::optionFolderOk_data()
{
    QTest::addColumn<QString>("folder");     // relative to the program folder unless absolute
    QTest::addColumn<QList<int>>("answers");  // prompts::Answer values, in order
    QTest::addColumn<QStringList>("asked");  // "154" or "194" per message
    QTest::addColumn<QString>("stored");     // DefaultFolder afterwards ("@OLD@" = as it was)
    QTest::addColumn<bool>("created");

    const int ok = int(prompts::Answer::Ok), cancel = int(prompts::Answer::Cancel), retry = int(prompts::Answer::Retry);
    QTest::newRow("existing folder") << "." << QList<int>{} << QStringList{} << "." << false;
    QTest::newRow("missing, OK creates") << "new" << QList<int>{ok} << QStringList{"154"} << "new" << true;
    QTest::newRow("missing, Cancel restores") << "new" << QList<int>{cancel} << QStringList{"154"} << "@OLD@" << false;
    QTest::newRow("two levels missing") << "a/b" << QList<int>{ok} << QStringList{"154"} << "@OLD@" << false;
    QTest::newRow("a file counts as found") << "Telvaro.ini" << QList<int>{} << QStringList{} << "Telvaro.ini" << false;
    QTest::newRow("empty, OK cannot create") << "" << QList<int>{ok} << QStringList{"154"} << "@OLD@" << false;
    QTest::newRow("name too long, Retry then Cancel")
        << QString(5000, QLatin1Char('d')) << QList<int>{retry, cancel} << QStringList{"194", "194"} << "@OLD@" << false;
    QTest::newRow("NUL in the name") << QString(QStringLiteral("x") + QChar(0) + QStringLiteral("y")) << QList<int>{cancel} << QStringList{"194"} << "@OLD@"
                                     << false;
    QTest::newRow("control characters, OK creates") << QStringLiteral("c\x01\t") << QList<int>{ok} << QStringList{"154"}
                                                    << QStringLiteral("c\x01\t") << true;
}

void TestDialogs::optionFolderOk()
{
    QFETCH(QString, folder);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QString, stored);
    QFETCH(bool, created);

    Session s;
    const QString old = Variable::Settings.DefaultFolder;
    for (int a : answers)
        s.prompts.queueAnswer(prompts::Answer(a));
    s.menu->MenuOption->trigger();
    auto *w = topLevel<FrmOption>("FrmOption");
    QVERIFY(w);
    QVERIFY(!s.menu->isEnabled());
    QCOMPARE(w->Text1->text(), old);
    const QString typed = folder.isEmpty() || QDir::isAbsolutePath(folder) || folder.contains(QChar(0))
                              ? folder
                              : s.folder.filePath(folder);
    const bool printable = std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint(); });
    if (typed.size() < 100 && printable)
        typeInto(w->Text1, typed);
    else
        w->Text1->setText(typed);
    QCOMPARE(Variable::Settings.DefaultFolder, typed);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    flushDeletes();
    QVERIFY(!topLevel<FrmOption>("FrmOption"));
    QVERIFY(s.menu->isEnabled());

    QCOMPARE(s.prompts.messages.size(), asked.size());
    for (int i = 0; i < asked.size(); ++i) {
        const auto &m = s.prompts.messages.at(i);
        QCOMPARE(m.title, QStringLiteral("Telvaro Monitor Software"));
        if (asked.at(i) == QLatin1String("154")) {
            QCOMPARE(m.text, typed + QStringLiteral("\rFolder is not found.Folder Create?"));
            QCOMPARE(m.buttons, prompts::Buttons::OkCancel);
        } else {
            QCOMPARE(m.text, LoadResString(194));
            QCOMPARE(m.buttons, prompts::Buttons::RetryCancel);
        }
    }
    const QString expected = stored == QLatin1String("@OLD@") ? old
                             : stored == QLatin1String(".") ? typed
                                                             : s.folder.filePath(stored);
    QCOMPARE(Variable::Settings.DefaultFolder, expected);
    if (created)
        QVERIFY(QFileInfo(typed).isDir());
    QVERIFY(!QFileInfo::exists(s.folder.filePath(QStringLiteral("a"))));
    QVERIFY(!QFileInfo::exists(s.folder.filePath(QStringLiteral("Language.dat"))));
}

void TestDialogs::optionServiceKeys_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("plain") << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Alt") << Qt::KeyboardModifiers(Qt::AltModifier);
}

void TestDialogs::optionServiceKeys()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    Session s;
    Variable::LanguageChoice = 1;
    s.menu->MenuOption->trigger();
    auto *w = topLevel<FrmOption>("FrmOption");
    QVERIFY(w);
    QVERIFY(w->Frame1->isHidden() && w->Frame2->isHidden());

    // Typed into the folder field the letters are just letters.
    w->Text1->setFocus();
    QTest::keyClick(w->Text1, 'l');
    QVERIFY(w->Frame1->isHidden() && w->Frame2->isHidden());

    w->SSTab1->tabBar()->setFocus();
    QVERIFY(w->SSTab1->tabBar()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, modifiers);
    QVERIFY(!w->Frame1->isHidden() && !w->Frame2->isHidden());
    QVERIFY(w->Option1->isChecked());  // English chosen
    QVERIFY(w->Option3->isChecked());  // run mode
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, modifiers);
    QVERIFY(w->Frame1->isHidden());
    QVERIFY(!w->Frame2->isHidden());
    w->Command2->click();
}

void TestDialogs::optionLanguageFile_data()
{
    QTest::addColumn<bool>("reveal");
    QTest::addColumn<bool>("hideAgain");
    QTest::addColumn<bool>("pickSystemLanguage");
    QTest::addColumn<QString>("expected");  // "" = no file
    QTest::newRow("group hidden: no file") << false << false << false << "";
    QTest::newRow("shown, English kept") << true << false << false << "language_1.dat";
    QTest::newRow("shown, system language") << true << false << true << "language_0.dat";
    QTest::newRow("shown then hidden: no file") << true << true << true << "";
}

void TestDialogs::optionLanguageFile()
{
    QFETCH(bool, reveal);
    QFETCH(bool, hideAgain);
    QFETCH(bool, pickSystemLanguage);
    QFETCH(QString, expected);
    Session s;
    Variable::LanguageChoice = 1;
    s.menu->MenuOption->trigger();
    auto *w = topLevel<FrmOption>("FrmOption");
    QVERIFY(w);
    w->SSTab1->tabBar()->setFocus();
    if (reveal)
        QTest::keyClick(w->SSTab1->tabBar(), Qt::Key_L);
    if (pickSystemLanguage)
        clickBox(w->Option2);
    if (hideAgain)
        QTest::keyClick(w->SSTab1->tabBar(), Qt::Key_H);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
    const QString path = s.folder.filePath(QStringLiteral("Language.dat"));
    if (expected.isEmpty())
        QVERIFY(!QFileInfo::exists(path));
    else
        QCOMPARE(s.folder.readFile(QStringLiteral("Language.dat")), dataFile(expected));
}

void TestDialogs::optionCancelRestoresOnlyFolder_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void TestDialogs::optionCancelRestoresOnlyFolder()
{
    QFETCH(bool, closeBox);
    Session s;
    Variable::LanguageChoice = 1;
    const QString old = Variable::Settings.DefaultFolder;
    s.menu->MenuOption->trigger();
    auto *w = topLevel<FrmOption>("FrmOption");
    QVERIFY(w);
    typeInto(w->Text1, QStringLiteral("/somewhere/else"));
    w->SSTab1->tabBar()->setFocus();
    QTest::keyClick(w->SSTab1->tabBar(), Qt::Key_L);
    clickBox(w->Option4);
    clickBox(w->Option2);
    QVERIFY(!Variable::Settings.ProgMode);
    QCOMPARE(Variable::LanguageChoice, qint16(0));
    if (closeBox)
        w->close();
    else
        QTest::mouseClick(w->Command2, Qt::LeftButton);
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
    QCOMPARE(Variable::Settings.DefaultFolder, old);
    QVERIFY(!Variable::Settings.ProgMode);          // debug mode stays
    QCOMPARE(Variable::LanguageChoice, qint16(0));  // in memory only
    QVERIFY(!QFileInfo::exists(s.folder.filePath(QStringLiteral("Language.dat"))));
    s.exit();
    QCOMPARE(s.settingsFile(), dataFile(QStringLiteral("option_debug.ini")));
}

// ---- folder picker ----------------------------------------------------------------------------------

void TestDialogs::pickerWaysOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("keeps");
    QTest::newRow("OK") << "ok" << true;
    QTest::newRow("Cancel") << "cancel" << false;
    QTest::newRow("close box") << "close" << false;
    QTest::newRow("Escape") << "escape" << false;
}

void TestDialogs::pickerWaysOut()
{
    QFETCH(QString, way);
    QFETCH(bool, keeps);
    Session s;
    QDir(s.folder.path()).mkpath(QStringLiteral("data/new"));
    const QString start = s.folder.path();
    s.menu->MenuOption->trigger();
    auto *option = topLevel<FrmOption>("FrmOption");
    QVERIFY(option);
    QTest::mouseClick(option->Command3, Qt::LeftButton);
    auto *picker = topLevel<FrmDriveList>("FrmDriveList");
    QVERIFY(picker);
    QVERIFY(!option->isEnabled());
    QVERIFY(!s.menu->isEnabled());
    QVERIFY(picker->isEnabled());
    QCOMPARE(DriveListCaller, qint16(1));
    // It starts at the folder of the options window.
    QCOMPARE(picker->currentFolder(), start);
    QCOMPARE(picker->Text1->text(), start);
    QCOMPARE(picker->Drive1->currentText(), picker->startDrive());

    // Browsing changes the folder at once.
    const QString chosen = s.folder.filePath(QStringLiteral("data/new"));
    picker->setCurrentFolder(chosen);
    QCOMPARE(Variable::Settings.DefaultFolder, chosen);
    QCOMPARE(picker->Text1->text(), chosen);

    if (way == QLatin1String("ok"))
        QTest::mouseClick(picker->Command1, Qt::LeftButton);
    else if (way == QLatin1String("cancel"))
        QTest::mouseClick(picker->Command2, Qt::LeftButton);
    else if (way == QLatin1String("close"))
        picker->close();
    else
        QTest::keyClick(picker, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!topLevel<FrmDriveList>("FrmDriveList"));
    QVERIFY(option->isEnabled());
    QVERIFY(!s.menu->isEnabled());
    QCOMPARE(Variable::Settings.DefaultFolder, keeps ? chosen : start);
    QCOMPARE(option->Text1->text(), Variable::Settings.DefaultFolder);

    QTest::mouseClick(option->Command1, Qt::LeftButton);
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
    QVERIFY(s.prompts.messages.isEmpty());
    QCOMPARE(Variable::Settings.DefaultFolder, keeps ? chosen : start);
}

void TestDialogs::pickerStartsInCurrentDirWithoutFolder()
{
    Session s;
    const QString missing = s.folder.filePath(QStringLiteral("gone"));
    s.menu->MenuOption->trigger();
    auto *option = topLevel<FrmOption>("FrmOption");
    QVERIFY(option);
    typeInto(option->Text1, missing);
    QTest::mouseClick(option->Command3, Qt::LeftButton);
    auto *picker = topLevel<FrmDriveList>("FrmDriveList");
    QVERIFY(picker);
    // The folder list shows the current directory, and that is the folder while browsing.
    QCOMPARE(picker->currentFolder(), QDir::currentPath());
    QCOMPARE(Variable::Settings.DefaultFolder, QDir::currentPath());
    // Typing a path in the picker sets the folder too.
    typeInto(picker->Text1, QStringLiteral("/typed/path"));
    QCOMPARE(Variable::Settings.DefaultFolder, QStringLiteral("/typed/path"));
    picker->Command2->click();
    flushDeletes();
    QCOMPARE(Variable::Settings.DefaultFolder, missing);
    QCOMPARE(option->Text1->text(), missing);
    option->Command2->click();
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
}

void TestDialogs::pickerUnusableDrive_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("messages");
    QTest::newRow("Cancel") << QList<int>{int(prompts::Answer::Cancel)} << 1;
    QTest::newRow("Retry, Cancel") << QList<int>{int(prompts::Answer::Retry), int(prompts::Answer::Cancel)} << 2;
}

void TestDialogs::pickerUnusableDrive()
{
    QFETCH(QList<int>, answers);
    QFETCH(int, messages);
    Session s;
    s.menu->MenuOption->trigger();
    auto *option = topLevel<FrmOption>("FrmOption");
    QVERIFY(option);
    option->Command3->click();
    auto *picker = topLevel<FrmDriveList>("FrmDriveList");
    QVERIFY(picker);
    const QString folderBefore = Variable::Settings.DefaultFolder;
    // A drive that went away after the list was made (a medium taken out).
    picker->Drive1->addItem(QStringLiteral("/no/such/medium"));
    for (int a : answers)
        s.prompts.queueAnswer(prompts::Answer(a));
    picker->Drive1->setFocus();
    picker->Drive1->setCurrentIndex(picker->Drive1->count() - 2);
    QTest::keyClick(picker->Drive1, Qt::Key_Down);
    QCOMPARE(s.prompts.messages.size(), messages);
    for (const auto &m : s.prompts.messages) {
        QCOMPARE(m.text, QStringLiteral("The selected disk drive is not in use. Check to make sure a disk is inserted."));
        QCOMPARE(m.buttons, prompts::Buttons::RetryCancel);
        QCOMPARE(m.title, QStringLiteral("Telvaro Monitor Software"));
    }
    QCOMPARE(picker->Drive1->currentText(), picker->startDrive());
    QCOMPARE(Variable::Settings.DefaultFolder, folderBefore);

    // Choosing the root drive goes to its top folder.
    picker->Drive1->setCurrentIndex(1);
    QTest::keyClick(picker->Drive1, Qt::Key_Up);
    QCOMPARE(picker->Drive1->currentText(), QStringLiteral("/"));
    QCOMPARE(Variable::Settings.DefaultFolder, QStringLiteral("/"));
    picker->close();
    flushDeletes();
    QCOMPARE(Variable::Settings.DefaultFolder, folderBefore);
    option->close();
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
}

void TestDialogs::optionWaitsForPicker()
{
    Session s;
    s.menu->MenuOption->trigger();
    auto *option = topLevel<FrmOption>("FrmOption");
    QVERIFY(option);
    option->Command3->click();
    QPointer<FrmDriveList> picker = topLevel<FrmDriveList>("FrmDriveList");
    QVERIFY(picker);
    // A close request on the waiting options window leaves both open.
    QVERIFY(!option->close());
    QVERIFY(option->isVisible() && picker->isVisible());
    picker->close();
    flushDeletes();
    QVERIFY(!picker);
    QVERIFY(option->isEnabled());
    QVERIFY(option->close());
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
}

void TestDialogs::pickerFolderCannotBeLookedUp()
{
    Session s;
    s.menu->MenuOption->trigger();
    auto *option = topLevel<FrmOption>("FrmOption");
    QVERIFY(option);
    const QString unreadable = QString(5000, QLatin1Char('u'));
    option->Text1->setText(unreadable);
    s.prompts.queueAnswer(prompts::Answer::Retry);
    s.prompts.queueAnswer(prompts::Answer::Cancel);
    option->Command3->click();
    auto *picker = topLevel<FrmDriveList>("FrmDriveList");
    QVERIFY(picker);
    QCOMPARE(s.prompts.messages.size(), 2);
    QCOMPARE(s.prompts.messages[1].text, LoadResString(194));
    // Cancel: the picker starts over from the start drive, which also becomes its copy.
    QCOMPARE(picker->Drive1->currentText(), picker->startDrive());
    QCOMPARE(Variable::Settings.DefaultFolder, picker->startDrive());
    QCOMPARE(picker->currentFolder(), picker->startDrive());
    picker->Command2->click();
    flushDeletes();
    QCOMPARE(Variable::Settings.DefaultFolder, option->Text1->text());
    QVERIFY(option->isEnabled());
    // The options window's Cancel still returns to the folder it opened with.
    option->Command2->click();
    flushDeletes();
    QCOMPARE(Variable::Settings.DefaultFolder, s.folder.path());
    QVERIFY(s.menu->isEnabled());
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
