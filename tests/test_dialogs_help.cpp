// The About box: texts, the system-information button, the two drop areas and the ways out.
#include <QTest>
#include <QtWidgets>

#include "dialogs/DialogRules.h"
#include "dialogs/FrmHelp.h"
#include "support/DialogSession.h"

namespace {
// Drag enter then drop of picIcon (or of a text with its picture) on an area, as the platform
// delivers them; false when the area refused the drag.
bool drop(QWidget *area, bool pictureBox)
{
    QMimeData mime;
    mime.setData(pictureBox ? PictureSource::mimeType() : QStringLiteral("text/plain"), "picIcon");
    mime.setImageData(QImage(QStringLiteral(":/telvaro.png")));
    QDragEnterEvent enter(area->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent dropped(QPointF(area->rect().center()), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &enter);
    if (enter.isAccepted())
        QApplication::sendEvent(area, &dropped);
    return enter.isAccepted();
}
} // namespace

class TestDialogsHelp : public QObject {
    Q_OBJECT
private slots:
    void opensAndWaysOut_data()
    {
        QTest::addColumn<bool>("toolbar");     // opened by the toolbar's button, else by the menu
        QTest::addColumn<bool>("tool");        // a desktop system-information tool is installed
        QTest::addColumn<QString>("way");
        QTest::newRow("menu, tool started, OK") << false << true << "ok";
        QTest::newRow("menu, no tool: message, close box") << false << false << "close";
        QTest::newRow("toolbar, no tool, Escape") << true << false << "escape";
    }
    void opensAndWaysOut()
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
        QTemporaryDir bin;
        const QString marker = bin.filePath(QStringLiteral("started"));
        if (tool) {
            QFile script(bin.filePath(QStringLiteral("hardinfo")));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n/usr/bin/touch '" + marker.toLocal8Bit() + "'\n");
            script.close();
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        QTest::mouseClick(w->cmdSysInfo, Qt::LeftButton);
        qputenv("PATH", oldPath);
        if (tool)
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
        QCOMPARE(s.prompts.texts(), tool ? QStringList() : QStringList{"現時点ではｼｽﾃﾑ情報を使用できません"});
        for (const auto &m : s.prompts.messages)
            QVERIFY(m.icon == prompts::Icon::None && m.buttons == prompts::Buttons::Ok && m.title.isEmpty());
        QCOMPARE(shown<FrmHelp>(), w);  // the box stays open
        leaveBy(w, way, w->cmdOK, nullptr);
        QVERIFY(!shown<FrmHelp>() && s.menu->isEnabled());
    }

    void dropAreas_data()
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
    void dropAreas()
    {
        QFETCH(QStringList, drops);
        QFETCH(int, creditsOpened);
        QFETCH(int, flag);
        DialogSession s;
        auto *w = openBy<FrmHelp>(s.menu->MenuVersion);
        QVERIFY(w);
        int opened = 0;
        for (const QString &d : drops) {
            const bool pictureBox = d != QLatin1String("2x");
            QCOMPARE(drop(d == QLatin1String("1") ? w->firstDropArea : w->secondDropArea, pictureBox), pictureBox);
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

QTEST_MAIN(TestDialogsHelp)
#include "test_dialogs_help.moc"
