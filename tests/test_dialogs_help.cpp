// The About box: texts, the system-information button, the two drop areas and the ways out.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "dialogs/DialogRules.h"
#include "dialogs/FrmHelp.h"
#include "mainwindow/FrmMenu.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QWidget *topLevel(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    return nullptr;
}

struct Session {
    Session()
    {
        menu = new FrmMenu;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->Form_Load();
        menu->show();
    }
    ~Session()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != menu && qobject_cast<QDialog *>(w))
                w->deleteLater();
        if (menu)
            menu->close();
        flushDeletes();
    }
    FrmHelp *open()
    {
        menu->MenuVersion->trigger();
        return qobject_cast<FrmHelp *>(topLevel("FrmHelp"));
    }
    TestProgramFolder folder{"en_US.UTF-8"};
    ScriptedPrompts prompts;
    QPointer<FrmMenu> menu;
};

// What dragging picIcon (or some other thing) onto a drop area delivers.
std::unique_ptr<QMimeData> dragged(bool pictureBox)
{
    auto mime = std::make_unique<QMimeData>();
    if (pictureBox) {
        mime->setData(PictureSource::mimeType(), "picIcon");
        mime->setImageData(QImage(QStringLiteral(":/telvaro.png")));
    } else {
        mime->setText(QStringLiteral("Telvaro Monitor Software"));
    }
    return mime;
}

// Drag enter then drop, as the platform delivers them; false when the area refused the drag.
bool drop(QWidget *area, bool pictureBox)
{
    const auto mime = dragged(pictureBox);
    const QPoint at = area->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropEvent(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &dropEvent);
    return true;
}

} // namespace

class TestDialogsHelp : public QObject {
    Q_OBJECT
private slots:
    void versionText_data();
    void versionText();
    void opensWithTexts();
    void waysOut_data();
    void waysOut();
    void toolbarHelpOpensIt();
    void systemInfoStartsDesktopTool();
    void systemInfoUnavailable();
    void dropAreas_data();
    void dropAreas();
};

void TestDialogsHelp::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.0 rev 4") << 1 << 0 << 4 << "Version 1.04";
    QTest::newRow("1.2 rev 10") << 1 << 2 << 10 << "Version 1.210";
    QTest::newRow("10.0 rev 0") << 10 << 0 << 0 << "Version 10.00";
}

void TestDialogsHelp::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, text);
    QCOMPARE(dialogrules::versionText(major, minor, revision), text);
}

void TestDialogsHelp::opensWithTexts()
{
    Session s;
    FrmHelp *w = s.open();
    QVERIFY(w);
    QVERIFY(!s.menu->isEnabled());
    QCOMPARE(w->windowTitle(), QStringLiteral("Telvaro Monitor Software"));
    QCOMPARE(w->lblTitle->text(), QStringLiteral("Telvaro Monitor Software"));
    QCOMPARE(w->lblVersion->text(), QStringLiteral("Version 1.04"));
    QCOMPARE(w->lblDescription->text(), QStringLiteral("\r\rCopyright (C) 2026 Telvaro. All rights reserved."));
    QCOMPARE(w->lblDisclaimer->text(), QString());
    QCOMPARE(w->cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(w->cmdSysInfo->text(), QStringLiteral("System Info(&S)"));
    QVERIFY(!w->picIcon->pixmap().isNull());
    QCOMPARE(w->dropFlag(), qint16(0));
}

void TestDialogsHelp::waysOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("OK") << "ok";
    QTest::newRow("close box") << "close";
    QTest::newRow("Escape") << "escape";
}

void TestDialogsHelp::waysOut()
{
    QFETCH(QString, way);
    Session s;
    FrmHelp *w = s.open();
    QVERIFY(w);
    if (way == QLatin1String("ok"))
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    else if (way == QLatin1String("close"))
        w->close();
    else
        QTest::keyClick(w, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!topLevel("FrmHelp"));
    QVERIFY(s.menu->isEnabled());
}

void TestDialogsHelp::toolbarHelpOpensIt()
{
    Session s;
    s.menu->ToolbarHelp->trigger();
    QVERIFY(topLevel("FrmHelp"));
    QVERIFY(!s.menu->isEnabled());
}

void TestDialogsHelp::systemInfoStartsDesktopTool()
{
    Session s;
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("started"));
    {
        QFile tool(bin.filePath(QStringLiteral("hardinfo")));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\n/usr/bin/touch '" + marker.toLocal8Bit() + "'\n");
        tool.close();
        tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    FrmHelp *w = s.open();
    QVERIFY(w);
    QTest::mouseClick(w->cmdSysInfo, Qt::LeftButton);
    qputenv("PATH", oldPath);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
    QVERIFY(s.prompts.messages.isEmpty());
    QVERIFY(topLevel("FrmHelp"));
}

void TestDialogsHelp::systemInfoUnavailable()
{
    Session s;
    QTemporaryDir empty;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", empty.path().toLocal8Bit());
    FrmHelp *w = s.open();
    QVERIFY(w);
    QTest::mouseClick(w->cmdSysInfo, Qt::LeftButton);
    qputenv("PATH", oldPath);
    QCOMPARE(s.prompts.messages.size(), 1);
    QCOMPARE(s.prompts.messages[0].text, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"));
    QCOMPARE(s.prompts.messages[0].icon, prompts::Icon::None);
    QCOMPARE(s.prompts.messages[0].buttons, prompts::Buttons::Ok);
    QCOMPARE(s.prompts.messages[0].title, QString());
    // The box stays open and still closes normally.
    QVERIFY(topLevel("FrmHelp"));
    w->cmdOK->click();
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
}

void TestDialogsHelp::dropAreas_data()
{
    // Drops in order: "1" / "2" a picture box on Picture1 / Picture2, "2x" something else on Picture2.
    QTest::addColumn<QStringList>("drops");
    QTest::addColumn<int>("creditsOpened");  // how many times the credits window came up
    QTest::addColumn<int>("flag");
    QTest::newRow("Picture2 alone") << QStringList{"2"} << 0 << 0;
    QTest::newRow("Picture1 then Picture2") << QStringList{"1", "2"} << 1 << 0;
    QTest::newRow("then Picture2 again") << QStringList{"1", "2", "2"} << 1 << 0;
    QTest::newRow("Picture1 only") << QStringList{"1"} << 0 << 1;
    QTest::newRow("other thing on Picture2") << QStringList{"1", "2x"} << 0 << 1;
    QTest::newRow("twice") << QStringList{"1", "2", "1", "2"} << 2 << 0;
}

void TestDialogsHelp::dropAreas()
{
    QFETCH(QStringList, drops);
    QFETCH(int, creditsOpened);
    QFETCH(int, flag);
    Session s;
    FrmHelp *w = s.open();
    QVERIFY(w);
    int opened = 0;
    for (const QString &d : drops) {
        const bool hadCredits = w->credits() && w->credits()->isVisible();
        if (d == QLatin1String("1")) {
            QVERIFY(drop(w->Picture1, true));
            QVERIFY(!w->Picture1->pixmap().isNull());
        } else if (d == QLatin1String("2")) {
            QVERIFY(drop(w->Picture2, true));
        } else {
            QVERIFY(!drop(w->Picture2, false));
        }
        if (w->credits() && w->credits()->isVisible() && !hadCredits) {
            ++opened;
            QVERIFY(w->Picture1->pixmap().isNull());
            w->credits()->close();
            flushDeletes();
        }
    }
    QCOMPARE(opened, creditsOpened);
    QCOMPARE(w->dropFlag(), qint16(flag));
    // The credits window goes with the About box.
    w->cmdOK->click();
    flushDeletes();
    QVERIFY(!topLevel("FrmSecretform"));
    QVERIFY(s.menu->isEnabled());
}

QTEST_MAIN(TestDialogsHelp)
#include "test_dialogs_help.moc"
