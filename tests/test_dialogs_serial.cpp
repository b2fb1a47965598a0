// The serial settings dialog against ptys of the test's own: which ports it offers, how stored
// values are shown and stored, and the ways out.
#include <QSerialPort>
#include <QTest>
#include <QtWidgets>
#include <tuple>

#include "dialogs/FrmRS232CSetting.h"
#include "support/DialogSession.h"
#include "support/Pty.h"

namespace {
QStringList items(const QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}
} // namespace

class TestDialogsSerial : public QObject {
    Q_OBJECT
private slots:
    void listsThePortsThatCanBeOpened()
    {
        BarePty a, b, c;
        QSerialPort holder;  // someone else holds the second one open
        holder.setPortName(b.path());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        DialogSession s(QStringLiteral("start.ini"), {a.path(), b.path(), c.path()});
        auto *w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C);
        QVERIFY(w && !s.menu->isEnabled());
        QCOMPARE(items(w->portList).mid(0, 2), (QStringList{a.path(), c.path()}));
        QVERIFY(!items(w->portList).contains(b.path()));
        QVERIFY(s.prompts.messages.isEmpty());
        QCOMPARE(w->portList->currentText(), a.path());  // the stored COM1 names the first device
        leaveBy(w, QStringLiteral("close"), w->okButton, w->cancelButton);
        QVERIFY(s.menu->isEnabled());
        // Once it is free again it is listed at the next opening.
        holder.close();
        QVERIFY((w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C)));
        QCOMPARE(items(w->portList).mid(0, 3), (QStringList{a.path(), b.path(), c.path()}));
    }

    void noPortAmongTheFirstSixteen()
    {
        BarePty late;
        QStringList ports;
        for (int i = 1; i <= 16; ++i)
            ports << QStringLiteral("/dev/telvaro-test-missing-%1").arg(i);
        DialogSession s(QStringLiteral("start.ini"), ports << late.path());  // the seventeenth is never probed
        auto *w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C);
        QVERIFY(w && w->portList->count() == 0);
        QCOMPARE(s.prompts.texts(), QStringList{"RS232C Port not Found."});
        QVERIFY(s.prompts.messages[0].icon == prompts::Icon::Exclamation && s.prompts.messages[0].title.isEmpty());
        // The other settings can still be changed; the port keeps its value.
        pickEntry(w->speedList, QStringLiteral("19200"));
        leaveBy(w, QStringLiteral("ok"), w->okButton, w->cancelButton);
        QVERIFY(s.menu->isEnabled());
        QCOMPARE(s.menu->settings().RsPort, QStringLiteral("COM1"));
        QCOMPARE(s.menu->settings().RsSpeed, QStringLiteral("19200"));
    }

    void storedValuesShown_data()
    {
        // Stored port ("@A@" the pty's path), speed, parity, stop bits and flow; the texts the port,
        // speed, parity, stop bit and flow lists show ("" no selection).
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
    void storedValuesShown()
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
        QCOMPARE(s.menu->settings(), before);
        leaveBy(w, QStringLiteral("ok"), w->okButton, w->cancelButton);
        QCOMPARE(s.menu->settings(), before);
    }

    void waysOut_data()
    {
        QTest::addColumn<QString>("way");
        for (const char *way : {"ok", "cancel", "close", "escape"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }
    void waysOut()
    {
        QFETCH(QString, way);
        BarePty a, b, c;
        DialogSession s(QStringLiteral("start.ini"), {a.path(), b.path(), c.path()});
        const SettingsRecord before = s.menu->settings();
        auto *w = openBy<FrmRS232CSetting>(s.menu->MenuRS232C);
        QVERIFY(w);
        pickEntry(w->portList, c.path());
        pickEntry(w->speedList, QStringLiteral("38400"));
        pickEntry(w->dataBitsList, QStringLiteral("7"));
        pickEntry(w->parityList, QStringLiteral("Even"));
        pickEntry(w->stopBitsList, QStringLiteral("2"));
        pickEntry(w->flowList, QStringLiteral("Xon/RTS"));
        // Each pick is in the window's copy at once, parity by its letter and flow by its number.
        const SettingsRecord &edited = w->editedSettings();
        QCOMPARE(edited.RsPort, c.path());
        QVERIFY(edited.RsParity == QLatin1String("E") && edited.RsFlow == 4 && s.menu->settings() == before);
        leaveBy(w, way, w->okButton, w->cancelButton);
        QVERIFY(!shown<FrmRS232CSetting>() && s.menu->isEnabled());
        if (way != QLatin1String("ok"))
            QCOMPARE(s.menu->settings(), before);
        s.exit();
        QByteArray expected = dialogData(way == QLatin1String("ok") ? "serial_ok.ini" : "start.ini");
        QCOMPARE(s.settingsFile(), expected.replace("@PORT3@", c.path().toLocal8Bit()));
    }
};

QTEST_MAIN(TestDialogsSerial)
#include "test_dialogs_serial.moc"
