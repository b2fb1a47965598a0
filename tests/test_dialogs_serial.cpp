// The serial settings dialog against ptys of the test's own: which ports it offers, how stored
// values are shown and stored, and the ways out.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <memory>
#include <pty.h>
#include <unistd.h>

#include "dialogs/FrmRS232CSetting.h"
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

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

FrmRS232CSetting *openDialog(FrmMenu *menu)
{
    menu->MenuRS232C->trigger();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("FrmRS232CSetting") && w->isVisible()) {
            w->activateWindow();
            if (!QTest::qWaitForWindowActive(w))
                qWarning("serial dialog not active");
            return qobject_cast<FrmRS232CSetting *>(w);
        }
    return nullptr;
}

bool dialogOpen()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("FrmRS232CSetting") && w->isVisible())
            return true;
    return false;
}

// Choose an entry with the keyboard, as a user does.
void pick(QComboBox *combo, const QString &text)
{
    const int target = combo->findText(text);
    QVERIFY2(target >= 0, qPrintable(text));
    combo->setFocus();
    while (combo->currentIndex() != target)
        QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
}

// A pty pair; the slave side is what the program sees as a serial device.
struct Pty {
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        ::close(slave);
        ::close(master);
    }
    int master = -1, slave = -1;
    QString path;
};

struct Session {
    explicit Session(const QStringList &ports)
    {
        qputenv("TELVARO_EXTRA_PORTS", ports.join(QLatin1Char(':')).toLocal8Bit());
        QByteArray bytes = dataFile(QStringLiteral("start.ini"));
        bytes.replace("@FOLDER@", folder.path().toLocal8Bit());
        folder.writeFile(QStringLiteral("Telvaro.ini"), bytes);
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
        qunsetenv("TELVARO_EXTRA_PORTS");
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

QStringList items(const QComboBox *combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

} // namespace

class TestDialogsSerial : public QObject {
    Q_OBJECT
private slots:
    void listsThePortsThatCanBeOpened();
    void noPortAmongTheFirstSixteen();
    void fixedListsAndChannel();
    void storedValuesShown_data();
    void storedValuesShown();
    void waysOut_data();
    void waysOut();
};

void TestDialogsSerial::listsThePortsThatCanBeOpened()
{
    Pty a, b, c;
    // The second one is held open by someone else (here: a serial port object of the test).
    QSerialPort holder;
    holder.setPortName(b.path);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    Session s({a.path, b.path, c.path});
    auto *w = openDialog(s.menu);
    QVERIFY(w);
    QVERIFY(!s.menu->isEnabled());
    const QStringList ports = items(w->Combo2);
    QCOMPARE(ports.mid(0, 2), (QStringList{a.path, c.path}));
    QVERIFY(!ports.contains(b.path));
    QCOMPARE(w->portCount(), ports.size());
    QVERIFY(s.prompts.messages.isEmpty());
    // The stored COM1 names the first listed device.
    QCOMPARE(w->Combo2->currentText(), a.path);
    QCOMPARE(Variable::Settings.RsPort, QStringLiteral("COM1"));

    // Once it is free again it is listed at the next opening.
    w->close();
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
    holder.close();
    w = openDialog(s.menu);
    QVERIFY(w);
    QCOMPARE(items(w->Combo2).mid(0, 3), (QStringList{a.path, b.path, c.path}));
}

void TestDialogsSerial::noPortAmongTheFirstSixteen()
{
    Pty late;
    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QStringLiteral("/dev/telvaro-test-missing-%1").arg(i);
    ports << late.path;  // the seventeenth is never probed
    Session s(ports);
    auto *w = openDialog(s.menu);
    QVERIFY(w);
    QCOMPARE(w->Combo2->count(), 0);
    QCOMPARE(s.prompts.messages.size(), 1);
    QCOMPARE(s.prompts.messages[0].text, QStringLiteral("RS232C Port not Found."));
    QCOMPARE(s.prompts.messages[0].icon, prompts::Icon::Exclamation);
    QCOMPARE(s.prompts.messages[0].title, QString());
    // The other settings can still be changed; the port keeps its value.
    pick(w->Combo3, QStringLiteral("19200"));
    w->Command1->click();
    flushDeletes();
    QVERIFY(s.menu->isEnabled());
    QCOMPARE(Variable::Settings.RsPort, QStringLiteral("COM1"));
    QCOMPARE(Variable::Settings.RsSpeed, QStringLiteral("19200"));
}

void TestDialogsSerial::fixedListsAndChannel()
{
    Pty a;
    Session s({a.path});
    auto *w = openDialog(s.menu);
    QVERIFY(w);
    QCOMPARE(w->Combo1->count(), 0);
    QVERIFY(!w->Combo1->isEnabled());
    QCOMPARE(items(w->Combo3), (QStringList{"4800", "9600", "19200", "38400"}));
    QCOMPARE(items(w->Combo4), (QStringList{"7", "8"}));
    QCOMPARE(items(w->Combo5), (QStringList{"Even", "Odd", "None"}));
    QCOMPARE(items(w->Combo6), (QStringList{"1", "1.5", "2"}));
    QCOMPARE(items(w->Combo7), (QStringList{"None", "Xon/Xoff", "RTS", "Xon/RTS"}));
    for (QComboBox *c : {w->Combo2, w->Combo3, w->Combo4, w->Combo5, w->Combo6, w->Combo7})
        QVERIFY(!c->isEditable());
}

void TestDialogsSerial::storedValuesShown_data()
{
    QTest::addColumn<QString>("port");  // "@A@" = the pty's path
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("flow");
    QTest::addColumn<QStringList>("shown");  // Combo2, 3, 5, 6, 7 texts ("" = no selection)

    QTest::newRow("usual") << "@A@" << "9600" << "N" << "1" << 1 << QStringList{"@A@", "9600", "None", "1", "None"};
    QTest::newRow("lower-case parity") << "@A@" << "4800" << "n" << "1.5" << 4
                                       << QStringList{"@A@", "4800", "None", "1.5", "Xon/RTS"};
    QTest::newRow("odd parity, RTS") << "@A@" << "38400" << "o" << "2" << 3
                                     << QStringList{"@A@", "38400", "Odd", "2", "RTS"};
    QTest::newRow("values not in the lists") << "COM5" << "12345" << "x" << "3" << 0
                                             << QStringList{"", "", "", "", ""};
    QTest::newRow("whole word parity, flow 5") << "/dev/none" << " 9600" << "Even" << " 1" << 5
                                               << QStringList{"", "", "", "", ""};
    QTest::newRow("port name case differs") << "@a@" << "9600" << "E" << "1" << 2
                                            << QStringList{"", "9600", "Even", "1", "Xon/Xoff"};
}

void TestDialogsSerial::storedValuesShown()
{
    QFETCH(QString, port);
    QFETCH(QString, speed);
    QFETCH(QString, parity);
    QFETCH(QString, stop);
    QFETCH(int, flow);
    QFETCH(QStringList, shown);
    Pty a;
    Session s({a.path});
    port.replace(QStringLiteral("@A@"), a.path).replace(QStringLiteral("@a@"), a.path.toUpper());
    shown.replaceInStrings(QStringLiteral("@A@"), a.path);
    SettingsRecord &r = Variable::Settings;
    r.RsPort = port;
    r.RsSpeed = speed;
    r.RsParity = parity;
    r.RsStopBit = stop;
    r.RsFlow = qint16(flow);
    const SettingsRecord before = r;
    auto *w = openDialog(s.menu);
    QVERIFY(w);
    QCOMPARE(w->Combo2->currentText(), shown[0]);
    QCOMPARE(w->Combo3->currentText(), shown[1]);
    QCOMPARE(w->Combo5->currentText(), shown[2]);
    QCOMPARE(w->Combo6->currentText(), shown[3]);
    QCOMPARE(w->Combo7->currentText(), shown[4]);
    // Showing changes nothing; OK without picks keeps even the odd values.
    QCOMPARE(Variable::Settings, before);
    w->Command1->click();
    flushDeletes();
    QCOMPARE(Variable::Settings, before);
}

void TestDialogsSerial::waysOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("OK") << "ok";
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("close box") << "close";
    QTest::newRow("Escape") << "escape";
}

void TestDialogsSerial::waysOut()
{
    QFETCH(QString, way);
    Pty a, b, c;
    Session s({a.path, b.path, c.path});
    const SettingsRecord before = Variable::Settings;
    auto *w = openDialog(s.menu);
    QVERIFY(w);
    pick(w->Combo2, c.path);
    pick(w->Combo3, QStringLiteral("38400"));
    pick(w->Combo4, QStringLiteral("7"));
    pick(w->Combo5, QStringLiteral("Even"));
    pick(w->Combo6, QStringLiteral("2"));
    pick(w->Combo7, QStringLiteral("Xon/RTS"));
    // Each pick is in the settings at once.
    QCOMPARE(Variable::Settings.RsPort, c.path);
    QCOMPARE(Variable::Settings.RsParity, QStringLiteral("E"));
    QCOMPARE(Variable::Settings.RsFlow, qint16(4));

    if (way == QLatin1String("ok"))
        QTest::mouseClick(w->Command1, Qt::LeftButton);
    else if (way == QLatin1String("cancel"))
        QTest::mouseClick(w->Command2, Qt::LeftButton);
    else if (way == QLatin1String("close"))
        w->close();
    else
        QTest::keyClick(w, Qt::Key_Escape);
    flushDeletes();
    QVERIFY(!dialogOpen());
    QVERIFY(s.menu->isEnabled());
    if (way != QLatin1String("ok"))
        QCOMPARE(Variable::Settings, before);

    s.menu->MenuExit_Click();
    flushDeletes();
    QByteArray expected = dataFile(way == QLatin1String("ok") ? QStringLiteral("serial_ok.ini") : QStringLiteral("start.ini"));
    expected.replace("@PORT3@", c.path.toLocal8Bit());
    QCOMPARE(s.settingsFile(), expected);
}

QTEST_MAIN(TestDialogsSerial)
#include "test_dialogs_serial.moc"
