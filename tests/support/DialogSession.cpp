#include "support/DialogSession.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
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

void clickBox(QAbstractButton *box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

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
