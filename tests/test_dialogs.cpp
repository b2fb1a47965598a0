// The settings dialogs, the folder picker and the About box opened from the main window and used the
// way a user does (serial settings against ptys of the test's own); settings files checked after the exit.
#include <QSerialPort>
#include <QTest>
#include <QtWidgets>
#include <tuple>

#include "dialogs/DialogRules.h"
#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "i18n/Texts.h"
#include "support/DialogSession.h"
#include "support/Pty.h"

using Answers = QList<prompts::Answer>;

// A user's ways; a dialog is left by "ok", "cancel", "close" (the close box) or "escape" and is then gone.
template <typename T>
T *openBy(QAction *action) { action->trigger(); return shown<T>(); }

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

void pickEntry(QComboBox *combo, const QString &text)
{
    const int target = combo->findText(text);
    QVERIFY2(target >= 0, qPrintable(text));
    combo->setFocus();
    while (combo->currentIndex() != target)
        QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
}

void leaveBy(QWidget *dialog, const QString &way, QAbstractButton *ok, QAbstractButton *cancel)
{
    const QPointer<QWidget> open(dialog);
    if (way == QLatin1String("ok"))
        QTest::mouseClick(ok, Qt::LeftButton);
    else if (way == QLatin1String("cancel"))
        QTest::mouseClick(cancel, Qt::LeftButton);
    else if (way == QLatin1String("close"))
        dialog->close();
    else
        QTest::keyClick(dialog, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!open);
}

const QString kRange = QStringLiteral("It is over the setting range. Redo setup (<=65500)");
const QString kTitle = QStringLiteral("Telvaro Monitor Software");

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void mainWindowWaitsForItsWindows()
    {
        // While another window of the program holds it disabled, the main window's close box does
        // nothing: no settings saved, no transfer cut short, no program ending under an open window.
        DialogSession s;
        s.menu->settings().ProgMode = false;  // the transfer window reads the made-up directory
        const QByteArray before = s.settingsFile();
        for (QAction *open : {s.menu->MenuOption, s.menu->MenuRS232C, s.menu->MenuMeasurementSetting,
                              s.menu->MenuVersion, static_cast<QAction *>(nullptr)}) {
            open ? open->trigger() : s.menu->transferButton->click();
            QWidget *other = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w != s.menu && w->isVisible() && !qobject_cast<QMenu *>(w))
                    other = w;
            QVERIFY(other && other != s.menu && !s.menu->isEnabled());
            QVERIFY(!s.menu->close() && s.menu->isVisible() && other->isVisible());
            QCOMPARE(s.settingsFile(), before);
            other->close();
            flushDeletes();
            QTRY_VERIFY(s.menu->isEnabled());
        }
    }
    void numberRule_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("stored");  // -1: out of range
        QTest::newRow("in range") << "65500" << 65500;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("last half") << "65499.5" << 65500;
        QTest::newRow("just above") << "65500.5" << -1;
        QTest::newRow("cleared") << "" << 0;
        QTest::newRow("leading blanks") << "   42" << 42;
        QTest::newRow("exponent is not read") << "1e400" << 1;
        QTest::newRow("twenty digits") << "99999999999999999999" << -1;
        QTest::newRow("ten thousand digits") << QString(10000, QLatin1Char('7')) << -1;
        QTest::newRow("control characters") << QStringLiteral("7\x01\t\x1b") << 7;
        QTest::newRow("minus zero") << "-0" << 0;
    }
    void numberRule()
    {
        QFETCH(QString, input);
        QFETCH(int, stored);
        QCOMPARE(dialogrules::sampleValueFromText(input).value_or(-1), stored);
    }

    void measureWaysOut_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("expectedIni");
        QTest::newRow("OK") << "start.ini" << "ok" << "measure_ok.ini";
        QTest::newRow("Cancel") << "start.ini" << "cancel" << "start.ini";
        QTest::newRow("close box") << "start.ini" << "close" << "start.ini";
        QTest::newRow("Escape") << "start.ini" << "escape" << "start.ini";
        // Mode 5, 70000 samples, a graph flag of 2: Cancel goes back to what the load left (0, mode 1).
        QTest::newRow("odd stored values, Cancel") << "odd_values.ini" << "cancel" << "odd_values_cancel.ini";
    }
    void measureWaysOut()
    {
        QFETCH(QString, ini);
        QFETCH(QString, way);
        QFETCH(QString, expectedIni);
        const bool odd = ini == QLatin1String("odd_values.ini");
        DialogSession s(ini);
        auto *w = openBy<FrmMeasureSetting>(s.menu->MenuMeasurementSetting);
        QVERIFY(w && w->isEnabled() && !s.menu->isEnabled());
        QCOMPARE(s.prompts.texts(), QStringList(odd ? 1 : 0, kRange));
        // The sampling time and the boxes clicked below reach the file OK writes; a graph flag of 2 shows unchecked.
        QCOMPARE(w->sampleCountField->text(), QLatin1String(odd ? "0" : "100"));
        QVERIFY(w->detailedModeOption->isChecked() && w->coGraphBox->isChecked() != odd);
        QVERIFY(w->co2GraphBox->isChecked() && w->humidityGraphBox->isChecked());
        // Focus selects from the caret to the end; tabbing in selects it all.
        w->okButton->setFocus();
        w->sampleCountField->setCursorPosition(1);
        w->sampleCountField->setFocus(Qt::OtherFocusReason);
        QCOMPARE(w->sampleCountField->selectedText(), w->sampleCountField->text().mid(1));
        w->okButton->setFocus();
        w->sampleCountField->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->sampleCountField->selectedText(), w->sampleCountField->text());

        clickBox(w->standardModeOption);
        w->samplingTimeList->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(w->samplingTimeList, Qt::Key_Down);
        clickBox(w->coGraphBox);
        clickBox(w->temperatureGraphBox);
        // Out of range: the message, the field shows 0; the focus may leave it, the value is in range.
        typeInto(w->sampleCountField, QStringLiteral("65501"));
        QVERIFY(w->sampleCountField->text() == "0" && w->editedSettings().MeasureSampleValue == 0);
        w->okButton->setFocus();
        QCOMPARE(s.prompts.texts(), QStringList(odd ? 2 : 1, kRange));
        for (const auto &m : s.prompts.messages)
            QVERIFY(m.title == kTitle && m.icon == prompts::Icon::Critical && m.buttons == prompts::Buttons::Ok);
        typeInto(w->sampleCountField, QStringLiteral("123"));
        leaveBy(w, way, w->okButton, w->cancelButton);
        s.exit();
        QCOMPARE(s.settingsFile(), dialogData(expectedIni));
    }

    void optionFolderOk_data()
    {
        QTest::addColumn<QString>("folder");    // in the program folder unless empty, with a NUL or a drive
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("asked");  // "154" (missing) or "194" (cannot be looked up) per message
        QTest::addColumn<bool>("kept");          // the typed folder stays and exists (else the old one is back)
        using A = prompts::Answer;
        const QStringList none, missing{"154"}, error{"194"};
        QTest::newRow("existing folder") << "." << Answers{} << none << true;
        QTest::newRow("missing, OK creates") << "new" << Answers{A::Ok} << missing << true;
        QTest::newRow("missing, Cancel restores") << "new" << Answers{A::Cancel} << missing << false;
        QTest::newRow("two levels missing") << "a/b" << Answers{A::Ok} << missing << false;
        QTest::newRow("a file counts as found") << "Telvaro.ini" << Answers{} << none << true;
        QTest::newRow("empty, OK cannot create") << "" << Answers{A::Ok} << missing << false;
        QTest::newRow("too long, Retry, Cancel") << QString(5000, 'd') << Answers{A::Retry, A::Cancel} << error + error
                                                 << false;
        QTest::newRow("NUL in the name") << QStringLiteral("x\0y") << Answers{A::Cancel} << error << false;
        QTest::newRow("control characters, OK") << QStringLiteral("c\x01\t") << Answers{A::Ok} << missing << true;
        QTest::newRow("drive path, OK creates nothing") << "C:\\Survey" << Answers{A::Ok} << missing << false;
    }

    void optionFolderOk()
    {
        QFETCH(QString, folder);
        QFETCH(Answers, answers);
        QFETCH(QStringList, asked);
        QFETCH(bool, kept);
        DialogSession s;
        const QString old = s.menu->settings().DefaultFolder;
        s.prompts.answers = answers;
        auto *w = openBy<FrmOption>(s.menu->MenuOption);
        QVERIFY(w && !s.menu->isEnabled());
        QCOMPARE(w->folderField->text(), old);
        const bool asTyped = folder.isEmpty() || folder.contains(QChar(0)) || folder.contains(':');
        const QString typed = asTyped ? folder : s.folder.filePath(folder);
        w->folderField->setText(typed);
        leaveBy(w, QStringLiteral("ok"), w->okButton, nullptr);
        for (QString &a : asked)
            a = a == "154" ? typed + QStringLiteral("\rFolder is not found.Folder Create?") : LoadResString(194);
        QCOMPARE(s.prompts.texts(), asked);
        for (const auto &m : s.prompts.messages)
            QVERIFY(m.title == kTitle && m.buttons == (m.text == LoadResString(194) ? prompts::Buttons::RetryCancel
                                                                                     : prompts::Buttons::OkCancel));
        QCOMPARE(s.menu->settings().DefaultFolder, kept ? typed : old);
        QCOMPARE(QFileInfo::exists(typed), kept);
    }

    void optionKeysAndLanguageFile_data()
    {
        QTest::addColumn<QString>("keys");  // pressed on the tab: L reveals the groups, H hides the language one
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("pickDebugAndSystem");
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("languageFile");  // "" = none written
        using M = Qt::KeyboardModifiers;
        QTest::newRow("hidden, OK") << "" << M() << false << "ok" << "";
        QTest::newRow("L, English kept") << "L" << M() << false << "ok" << "language_1.dat";
        QTest::newRow("Shift+L, Debug, system language") << "L" << M(Qt::ShiftModifier) << true << "ok"
                                                         << "language_0.dat";
        QTest::newRow("Ctrl+L, picks, then H") << "LH" << M(Qt::ControlModifier) << true << "ok" << "";
        QTest::newRow("Alt+L, picks, Cancel") << "L" << M(Qt::AltModifier) << true << "cancel" << "";
        QTest::newRow("L, picks, close box") << "L" << M() << true << "close" << "";
    }

    void optionKeysAndLanguageFile()
    {
        QFETCH(QString, keys);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, pickDebugAndSystem);
        QFETCH(QString, way);
        QFETCH(QString, languageFile);
        DialogSession s;
        i18n::language().choice = 1;
        const QString old = s.menu->settings().DefaultFolder;
        auto *w = openBy<FrmOption>(s.menu->MenuOption);
        QVERIFY(w && w->languageGroup->isHidden() && w->runModeGroup->isHidden());
        // Typed into the folder field the letters are just letters; Cancel and close put the folder back.
        typeInto(w->folderField, way == QLatin1String("ok") ? old : QStringLiteral("/somewhere/Hl"));
        QVERIFY(w->languageGroup->isHidden() && w->runModeGroup->isHidden());
        for (QChar key : keys) {
            w->optionTabs->tabBar()->setFocus();
            QTest::keyClick(QApplication::focusWidget(), key == QLatin1Char('L') ? Qt::Key_L : Qt::Key_H, modifiers);
            QCOMPARE(w->languageGroup->isHidden(), key == QLatin1Char('H'));
            QVERIFY(!w->runModeGroup->isHidden());
            if (key == QLatin1Char('L')) {
                QVERIFY(w->englishOption->isChecked() && w->runOption->isChecked());  // English, run mode
                for (QRadioButton *b : {w->debugOption, w->systemLanguageOption})
                    if (pickDebugAndSystem)
                        clickBox(b);
            }
        }
        leaveBy(w, way, w->okButton, w->cancelButton);
        // The language choice stays in memory whatever the way out; only OK with the group shown writes it.
        QCOMPARE(i18n::language().choice, qint16(pickDebugAndSystem ? 0 : 1));
        QCOMPARE(s.folder.readFile(QStringLiteral("Language.dat")),
                 languageFile.isEmpty() ? QByteArray() : dialogData(languageFile));
        s.exit();  // the debug mode picked stays, whatever the way out
        QCOMPARE(s.settingsFile(), dialogData(pickDebugAndSystem ? "option_debug.ini" : "start.ini"));
    }

    void picker_data()
    {
        QTest::addColumn<QString>("startIn");  // the options window's folder: as loaded, missing, or unreadable
        QTest::addColumn<QString>("way");
        QTest::newRow("OK") << "loaded" << "ok";
        QTest::newRow("Cancel") << "loaded" << "cancel";
        QTest::newRow("close box") << "loaded" << "close";
        QTest::newRow("Escape") << "loaded" << "escape";
        QTest::newRow("missing folder: current directory") << "missing" << "cancel";
        QTest::newRow("unreadable folder: start drive") << "unreadable" << "cancel";
    }
    void picker()
    {
        QFETCH(QString, startIn);
        QFETCH(QString, way);
        DialogSession s;
        QDir(s.folder.path()).mkpath(QStringLiteral("data/new"));
        const QString chosen = s.folder.filePath(QStringLiteral("data/new"));
        auto *option = openBy<FrmOption>(s.menu->MenuOption);
        QVERIFY(option);
        const bool loaded = startIn == QLatin1String("loaded"), unreadable = startIn == QLatin1String("unreadable");
        const QString gone = s.folder.filePath(QStringLiteral("gone"));
        const QString typed = loaded ? s.folder.path() : unreadable ? QString(5000, QLatin1Char('u')) : gone;
        option->folderField->setText(typed);
        for (int i = 0; i < 2; ++i)
            s.prompts.answers << prompts::Answer::Retry << prompts::Answer::Cancel;
        QTest::mouseClick(option->browseButton, Qt::LeftButton);
        QPointer<FrmDriveList> picker = shown<FrmDriveList>();
        QVERIFY(picker && !option->isEnabled() && !s.menu->isEnabled() && picker->isEnabled());
        // It starts at the options window's folder, else at the current directory, else (asked: Retry, Cancel)
        // at the start drive.
        QStringList asked(unreadable ? 2 : 0, LoadResString(194));
        const QString start = loaded ? typed : unreadable ? picker->startDrive() : QDir::currentPath();
        QCOMPARE(picker->currentFolder(), start);
        QCOMPARE(picker->driveSelector->currentText(), picker->startDrive());
        const QList<dialogrules::Volume> volumes{{"/", "ext4", false}, {"/boot/efi", "vfat", false},
            {"/snap/core/1", "squashfs", true}, {"/media/tech/STICK", "vfat", false},
            {"/media/tech/CD", "iso9660", true},
            {"/run/user/0", "tmpfs", false}, {"/srv/share", "nfs4", false}, {"/home/tech/box", "fuse.sshfs", false}};
        QCOMPARE(dialogrules::drivesToOffer(volumes, "/home/tech"),
                 QStringList({"/", "/home/tech", "/home/tech/box", "/media/tech/STICK", "/srv/share"}));
        // A drive that went away after the list was made (a medium taken out): Retry, then Cancel.
        picker->driveSelector->addItem(QStringLiteral("/no/such/medium"));
        picker->driveSelector->setFocus();
        picker->driveSelector->setCurrentIndex(picker->driveSelector->count() - 2);
        QTest::keyClick(picker->driveSelector, Qt::Key_Down);
        asked << QStringList(2, "The selected disk drive is not in use. Check to make sure a disk is inserted.");
        QCOMPARE(s.prompts.texts(), asked);
        QCOMPARE(s.prompts.messages.last().buttons, prompts::Buttons::RetryCancel);
        QCOMPARE(picker->driveSelector->currentText(), picker->startDrive());
        QCOMPARE(picker->folder(), start);
        // The root drive goes to its top folder; typing and browsing change the folder at once.
        picker->driveSelector->setCurrentIndex(1);
        QTest::keyClick(picker->driveSelector, Qt::Key_Up);
        QCOMPARE(picker->folder(), QStringLiteral("/"));
        typeInto(picker->folderField, QStringLiteral("/typed/path"));
        QCOMPARE(picker->folder(), QStringLiteral("/typed/path"));
        picker->setCurrentFolder(chosen);
        QCOMPARE(picker->folderField->text(), chosen);
        // A close request on the waiting options window leaves both open.
        QVERIFY(!option->close() && option->isVisible() && picker->isVisible());

        leaveBy(picker, way, picker->okButton, picker->cancelButton);
        QVERIFY(option->isEnabled() && !s.menu->isEnabled());
        const QString back = way == QLatin1String("ok") ? chosen : unreadable ? start : typed;
        QCOMPARE(option->folderField->text(), back);
        // OK keeps it; the options window's Cancel returns to the folder it opened with.
        leaveBy(option, loaded ? "ok" : "cancel", option->okButton, option->cancelButton);
        QVERIFY(s.menu->isEnabled());
        QCOMPARE(s.menu->settings().DefaultFolder, loaded ? back : s.folder.path());
        QCOMPARE(s.prompts.texts(), asked);
    }

    void serialStoredValuesShown_data()
    {
        // Stored port ("@A@" the pty's path), speed, parity, stop bits, flow; the lists' texts ("" none).
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("texts");
        using L = QStringList;
        QTest::newRow("usual") << L{"@A@", "9600", "N", "1", "1"} << L{"@A@", "9600", "None", "1", "None"};
        QTest::newRow("lower-case parity")
            << L{"@A@", "4800", "n", "1.5", "4"} << L{"@A@", "4800", "None", "1.5", "Xon/RTS"};
        QTest::newRow("odd parity, RTS") << L{"@A@", "38400", "o", "2", "3"} << L{"@A@", "38400", "Odd", "2", "RTS"};
        QTest::newRow("values not in the lists") << L{"COM5", "12345", "x", "3", "0"} << L(5, "");
        QTest::newRow("whole word parity, flow 5") << L{"/dev/none", " 9600", "Even", " 1", "5"} << L(5, "");
        QTest::newRow("port name case differs")
            << L{"@a@", "9600", "E", "1", "2"} << L{"", "9600", "Even", "1", "Xon/Xoff"};
    }
    void serialStoredValuesShown()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, texts);
        BarePty a;
        DialogSession s(QStringLiteral("start.ini"), {a.path()});
        stored[0].replace(QStringLiteral("@A@"), a.path()).replace(QStringLiteral("@a@"), a.path().toUpper());
        texts.replaceInStrings(QStringLiteral("@A@"), a.path());
        SettingsRecord &r = s.menu->settings();
        std::tie(r.RsPort, r.RsSpeed, r.RsParity, r.RsStopBit) = std::tuple(stored[0], stored[1], stored[2], stored[3]);
        r.RsFlow = qint16(stored[4].toShort());
        const SettingsRecord before = r;
        auto *w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C);
        QVERIFY(w);
        QStringList shownTexts;
        for (QComboBox *c : {w->portList, w->speedList, w->parityList, w->stopBitsList, w->flowList})
            shownTexts << c->currentText();
        QCOMPARE(shownTexts, texts);
        // Showing changes nothing; OK without picks keeps even the odd values.
        leaveBy(w, QStringLiteral("ok"), w->okButton, w->cancelButton);
        QCOMPARE(s.menu->settings(), before);
    }

    void serialWaysOut_data()
    {
        QTest::addColumn<QString>("way");
        for (const char *way : {"ok", "cancel", "close", "escape"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }
    void serialWaysOut()
    {
        QFETCH(QString, way);
        BarePty a, b, c;
        QSerialPort holder;  // someone else holds the second one open
        holder.setPortName(b.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        DialogSession s(QStringLiteral("start.ini"), {a.path(), b.path(), c.path()});
        auto *w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C);
        QVERIFY(w && s.prompts.messages.isEmpty());
        QCOMPARE(QStringList({w->portList->itemText(0), w->portList->itemText(1)}), QStringList({a.path(), c.path()}));
        QCOMPARE(w->portList->currentText(), a.path());  // the stored COM1 names the first device
        pickEntry(w->portList, c.path());
        pickEntry(w->speedList, QStringLiteral("38400"));
        pickEntry(w->dataBitsList, QStringLiteral("7"));
        pickEntry(w->parityList, QStringLiteral("Even"));
        pickEntry(w->stopBitsList, QStringLiteral("2"));
        pickEntry(w->flowList, QStringLiteral("Xon/RTS"));  // stored as 4, the parity by its letter
        leaveBy(w, way, w->okButton, w->cancelButton);
        // Once the second one is free again it is listed at the next opening.
        holder.close();
        QVERIFY((w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C)));
        QCOMPARE(w->portList->itemText(1), b.path());
        leaveBy(w, QStringLiteral("cancel"), w->okButton, w->cancelButton);
        s.exit();
        QByteArray expected = dialogData(way == QLatin1String("ok") ? "serial_ok.ini" : "start.ini");
        QCOMPARE(s.settingsFile(), expected.replace("@PORT3@", c.path().toLocal8Bit()));
    }

    void aboutOpensAndWaysOut_data()
    {
        QTest::addColumn<bool>("toolbar");     // opened by the toolbar's button, else by the menu
        QTest::addColumn<bool>("tool");        // a desktop system-information tool is installed
        QTest::addColumn<QString>("way");
        QTest::newRow("menu, tool started, OK") << false << true << "ok";
        QTest::newRow("menu, no tool: message, close box") << false << false << "close";
        QTest::newRow("toolbar, no tool, Escape") << true << false << "escape";
    }
    void aboutOpensAndWaysOut()
    {
        QFETCH(bool, toolbar);
        QFETCH(bool, tool);
        QFETCH(QString, way);
        DialogSession s;
        auto *w = openBy<FrmHelp>(toolbar ? s.menu->ToolbarHelp : s.menu->MenuVersion);
        QVERIFY(w && !s.menu->isEnabled());
        QCOMPARE(w->lblVersion->text(), QStringLiteral("Version 1.04"));  // major, ".", minor, revision
        QCOMPARE(dialogrules::versionText(1, 2, 10), QStringLiteral("Version 1.210"));
        QCOMPARE(dialogrules::versionText(10, 0, 0), QStringLiteral("Version 10.00"));
        QCOMPARE(w->lblDescription->text(), QStringLiteral("\r\rCopyright (C) 2026 Telvaro. All rights reserved."));
        QVERIFY(!w->picIcon->pixmap().isNull());
        const QString marker = s.folder.filePath(QStringLiteral("started"));
        if (tool) {
            s.folder.writeFile(QStringLiteral("hardinfo"), "#!/bin/sh\n/usr/bin/touch '" + marker.toLocal8Bit() + "'");
            QFile::setPermissions(s.folder.filePath(QStringLiteral("hardinfo")), QFile::ReadOwner | QFile::ExeOwner);
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", s.folder.path().toLocal8Bit());
        QTest::mouseClick(w->cmdSysInfo, Qt::LeftButton);
        qputenv("PATH", oldPath);
        if (tool)
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
        QCOMPARE(s.prompts.texts(), tool ? QStringList() : QStringList{"現時点ではｼｽﾃﾑ情報を使用できません"});
        for (const auto &m : s.prompts.messages)
            QVERIFY(m.icon == prompts::Icon::None && m.buttons == prompts::Buttons::Ok && m.title.isEmpty());
        QCOMPARE(shown<FrmHelp>(), w);  // the box stays open
        leaveBy(w, way, w->cmdOK, nullptr);
    }

    void aboutDropAreas_data()
    {
        QTest::addColumn<QStringList>("drops");  // "1"/"2" picIcon on Picture1/Picture2, "2x" other on Picture2
        QTest::addColumn<int>("creditsOpened");  // how many times the credits window came up
        QTest::addColumn<int>("flag");
        QTest::newRow("Picture2 alone") << QStringList{"2"} << 0 << 0;
        QTest::newRow("Picture1 then Picture2") << QStringList{"1", "2"} << 1 << 0;
        QTest::newRow("then Picture2 again") << QStringList{"1", "2", "2"} << 1 << 0;
        QTest::newRow("Picture1 only") << QStringList{"1"} << 0 << 1;
        QTest::newRow("other thing on Picture2") << QStringList{"1", "2x"} << 0 << 1;
        QTest::newRow("twice") << QStringList{"1", "2", "1", "2"} << 2 << 0;
    }
    void aboutDropAreas()
    {
        QFETCH(QStringList, drops);
        QFETCH(int, creditsOpened);
        QFETCH(int, flag);
        DialogSession s;
        auto *w = openBy<FrmHelp>(s.menu->MenuVersion);
        QVERIFY(w);
        int opened = 0;
        for (const QString &d : drops) {
            // Drag enter then drop of picIcon (or of a text with its picture), as the platform delivers them.
            const bool pictureBox = d != QLatin1String("2x");
            QLabel *area = d == QLatin1String("1") ? w->firstDropArea : w->secondDropArea;
            QMimeData mime;
            mime.setData(pictureBox ? PictureSource::mimeType() : QStringLiteral("text/plain"), "picIcon");
            mime.setImageData(QImage(QStringLiteral(":/telvaro.png")));
            QDragEnterEvent enter(area->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QDropEvent dropped(QPointF(area->rect().center()), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(area, &enter);
            QCOMPARE(enter.isAccepted(), pictureBox);
            if (pictureBox)
                QApplication::sendEvent(area, &dropped);
            if (d == QLatin1String("1"))
                QVERIFY(!w->firstDropArea->pixmap().isNull());
            if (w->credits() && w->credits()->isVisible()) {
                ++opened;
                QVERIFY(w->firstDropArea->pixmap().isNull());
                w->credits()->close();
            }
        }
        QCOMPARE(opened, creditsOpened);
        QCOMPARE(w->dropFlag(), qint16(flag));
        // The credits window goes with the About box.
        leaveBy(w, QStringLiteral("ok"), w->cmdOK, nullptr);
        QVERIFY(!shown<FrmSecretform>() && s.menu->isEnabled());
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
