// Every window, in English and Japanese, as a screen reader walks it: each control is announced by
// what it shows, never by an empty name or an internal object name.
#include <QAccessible>
#include <QTest>
#include <QtWidgets>

#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmReport.h"
#include "dialogs/FrmLanguageSelect.h"
#include "i18n/Texts.h"
#include "support/DialogSession.h"

namespace {
// The controls of a window whose announced name is empty or an object name of the window.
QStringList badNames(QWidget *window)
{
    QSet<QString> internal{window->objectName()};
    for (const QObject *o : window->findChildren<QObject *>())
        internal << o->objectName();
    internal.remove(QString());
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

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyWindowIsNamed_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::newRow("English") << QByteArray("en_US.UTF-8");
        QTest::newRow("Japanese") << QByteArray("ja_JP.UTF-8");
    }
    void everyWindowIsNamed()
    {
        QFETCH(QByteArray, locale);
        DialogSession s("option_debug.ini");  // debug mode: the transfer window reads a made-up directory
        setLanguageState(locale, 0);
        SetCaptionsFrmMenu(*s.menu);
        QMap<QString, QStringList> bad;
        auto check = [&bad](QWidget *w) { QVERIFY(w); bad[w->objectName()] = badNames(w); };
        check(s.menu);
        const std::pair<QAction *, const char *> windows[] = {{s.menu->MenuRS232C, "FrmRS232CSetting"},
            {s.menu->MenuMeasurementSetting, "FrmMeasureSetting"}, {s.menu->MenuVersion, "FrmHelp"}};
        for (const auto &[open, name] : windows) {
            open->trigger();
            check(shownWindow(name));
            shownWindow(name)->close();
            flushDeletes();
        }
        auto *option = openBy<FrmOption>(s.menu->MenuOption);
        QTest::keyClick(option->optionTabs->tabBar(), Qt::Key_L);  // the hidden groups too
        check(option);
        option->browseButton->click();
        check(shown<FrmDriveList>());
        shown<FrmDriveList>()->close();
        option->close();
        flushDeletes();
        s.menu->transferButton->click();
        check(shownWindow("FrmDataRead"));
        shownWindow("FrmDataRead")->close();
        flushDeletes();
        FrmReport report(survey::Guidelines{}, false);
        report.show();
        check(&report);
        FrmLanguageSelect select([] {});
        select.show();
        check(&select);
        // A message box as the program shows it (text 154 with its folder line).
        const auto box = prompts::messageBox(s.menu, "/data\r" + LoadResString(154), LoadResString(101),
                                             prompts::Buttons::OkCancel, prompts::Icon::None);
        box->show();
        check(box.get());
        QVERIFY(box->text().startsWith("/data\n"));  // the folder on a line of its own
        for (auto it = bad.cbegin(); it != bad.cend(); ++it)
            QVERIFY2(it.value().isEmpty(), qPrintable(it.key() + ": " + it.value().join("; ")));
        QCOMPARE(bad.keys(), QStringList({"", "FrmDataRead", "FrmDriveList", "FrmHelp", "FrmLanguageSelect",
                                          "FrmMeasureSetting", "FrmMenu", "FrmOption", "FrmRS232CSetting",
                                          "FrmReport"}));
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
