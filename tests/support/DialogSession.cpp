#include "support/DialogSession.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QTest>

QByteArray dialogData(const QString &name)
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

QWidget *shownWindow(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible()) {
            w->activateWindow();
            if (!QTest::qWaitForWindowActive(w))
                qWarning("window %s not active", name);
            return w;
        }
    return nullptr;
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

void clickBox(QAbstractButton *box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

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
    if (way == QLatin1String("ok"))
        QTest::mouseClick(ok, Qt::LeftButton);
    else if (way == QLatin1String("cancel"))
        QTest::mouseClick(cancel, Qt::LeftButton);
    else if (way == QLatin1String("close"))
        dialog->close();
    else
        QTest::keyClick(dialog, Qt::Key_Escape);
    flushDeletes();
}

DialogSession::DialogSession(const QString &ini, const QStringList &ports)
{
    qputenv("TELVARO_EXTRA_PORTS", ports.join(QLatin1Char(':')).toLocal8Bit());
    folder.writeFile(QStringLiteral("Telvaro.ini"), dialogData(ini).replace("@FOLDER@", folder.path().toLocal8Bit()));
    menu = new FrmMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->Form_Load();
    menu->show();
}

DialogSession::~DialogSession()
{
    // A failed case may leave windows open: none may leak into the next one.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != menu && qobject_cast<QDialog *>(w))
            w->deleteLater();
    if (menu)
        menu->close();
    flushDeletes();
    qunsetenv("TELVARO_EXTRA_PORTS");
}

void DialogSession::exit()
{
    menu->MenuExit_Click();
    flushDeletes();
    QVERIFY(!menu);
}

QByteArray DialogSession::settingsFile() const
{
    return folder.readFile(QStringLiteral("Telvaro.ini")).replace(folder.path().toLocal8Bit(), "@FOLDER@");
}
