// Captions, fonts and spoken names of the windows for each system and choice of language: each control
// shows the text of its id in the language the row sets up (the texts themselves are checked with the
// table), and a screen reader announces every control by what it shows.
// With TELVARO_SCREENSHOT_DIR set, each window is also saved as a picture there.
#include <QAccessible>
#include <QTest>
#include <QtWidgets>

#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "dialogs/FrmLanguageSelect.h"
#include "dialogs/FrmReport.h"
#include "i18n/Texts.h"
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

// A control by object name ("" the window title, "message" the no-port message) and its text ids (a
// list's entries; a second id on a Chinese system; none: the font rule only). The controls named
// take the font rule; those listed last keep the designed font.
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
// The controls of a window whose announced name is empty or an object name of the window.
QStringList badNames(QWidget *window)
{
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
    return bad;
}
} // namespace

class TestCaptionsDialogs : public QObject {
    Q_OBJECT
    BarePty m_seventeenth;  // a device after sixteen missing ones is never probed

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TELVARO_SCREENSHOT_DIR"))  // designed 11: unlike the rule's 9 and 10
            QApplication::setFont(QFont(QApplication::font().family(), 11));
        QByteArray missing;  // no serial port: the message comes in the row's language
        for (int i = 1; i <= 16; ++i)
            missing += "/dev/telvaro-test-missing-" + QByteArray::number(i) + ':';
        qputenv("TELVARO_EXTRA_PORTS", missing + m_seventeenth.path().toLocal8Bit());
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
        TestProgramFolder folder(l.locale);
        ScriptedPrompts prompts;
        setLanguageState(l.locale, l.choice);
        const bool chinese = l.locale.startsWith("zh");
        const std::unique_ptr<QDialog> w(d.make());
        const int size = l.size ? l.size : QApplication::font().pointSize();
        for (const Caption &c : d.captions) {
            const QString name = QLatin1String(c.control);
            QWidget *control = name.isEmpty() ? nullptr : w->findChild<QWidget *>(name);
            QStringList texts;
            for (int id : c.ids)
                texts << LoadResString(chinese && c.chineseId ? c.chineseId : id);
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
        w->show();  // a hidden window is not walked
        const QStringList unnamed = badNames(w.get());
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join("; ")));
    }

    // Last: the session below leaves no serial devices listed.
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
        // A message box as the program shows it (text 154 with its folder line).
        const auto box = prompts::messageBox(s.menu, "/data\r" + LoadResString(154), LoadResString(101),
                                             prompts::Buttons::OkCancel, prompts::Icon::None);
        QVERIFY(box->text().startsWith("/data\n"));  // the folder on a line of its own
        for (QWidget *w : QWidgetList{s.menu, shownWindow("FrmDataRead"), &report, &select, box.get()}) {
            QVERIFY(w);
            w->show();
            const QStringList unnamed = badNames(w);
            QVERIFY2(unnamed.isEmpty(), qPrintable(w->objectName() + ": " + unnamed.join("; ")));
        }
    }
};

QTEST_MAIN(TestCaptionsDialogs)
#include "test_captions_dialogs.moc"
