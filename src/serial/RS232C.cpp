#include "serial/RS232C.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <cmath>

#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "serial/PortNames.h"
#include "serial/SerialLink.h"

// ---------------------------------------------------------------------------------------------
// Port open and close

namespace {
bool g_programEnding = false;
} // namespace

void SetProgramEnding(bool ending) { g_programEnding = ending; }
bool ProgramEnding() { return g_programEnding; }

bool OpenComPort(SerialLink &link, const SettingsRecord &s, QString *reason)
{
    if (!s.ProgMode)
        return true;
    link.setPortName(portnames::resolvePort(s.RsPort));
    link.setSettings(s.RsSpeed + QLatin1Char(',') + s.RsParity + QLatin1Char(',') + s.RsDataBit
                     + QLatin1Char(',') + s.RsStopBit);
    link.setHandshaking(s.RsFlow - 1);
    link.setInBufferSize(10240);
    if (!link.open(reason))
        return false;
    link.discardInput();
    link.setInputLen(0);
    return true;
}

bool CloseComPort(SerialLink &link)
{
    // A lost device may leave the port half open (isOpen() already false): shut it all the same.
    link.close();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Waiting
//
// Every wait runs a nested event loop, so the window stays alive. Waits may nest (a Close click
// inside a wait runs the N command, which waits again): each wait keeps its own target on one
// running tick count, and Timer1 stops only when the outermost wait ends.

namespace {

struct WaitFrame {
    qint64 target = 0;
    int intervalMs = 100;
    QEventLoop *loop = nullptr;
};

QList<WaitFrame *> g_frames;
qint64 g_totalTicks = 0;
qint16 g_timerTicks = 0;
QPointer<QTimer> g_timer1;
QPointer<QTimer> g_privateTimer;
double g_waitScale = 1.0;

QTimer *tickTimer()
{
    if (g_timer1)
        return g_timer1;
    if (!g_privateTimer) {
        g_privateTimer = new QTimer(QCoreApplication::instance());
        QObject::connect(g_privateTimer, &QTimer::timeout, [] { TimerTicks_Increment(); });
    }
    return g_privateTimer;
}

void quitAllWaits()
{
    for (WaitFrame *frame : std::as_const(g_frames))
        frame->loop->quit();
}

} // namespace

int ScaledWaitMs(int ms)
{
    if (ms <= 0)
        return ms;
    return qMax(1, int(std::lround(ms * g_waitScale)));
}

void SetWaitScale(double factor) { g_waitScale = factor > 0 ? factor : 1.0; }
double WaitScale() { return g_waitScale; }

void SetTickTimer(QTimer *timer1)
{
    g_timer1 = timer1;
    if (ProgramEnding())
        quitAllWaits();
}

void TimerTicks_Increment()
{
    if (g_timerTicks < 32767)
        ++g_timerTicks;
    ++g_totalTicks;
    const bool ending = ProgramEnding();
    for (WaitFrame *frame : std::as_const(g_frames))
        if (ending || g_totalTicks >= frame->target)
            frame->loop->quit();
}

qint16 TimerTicks() { return g_timerTicks; }

void WaitTicks(int count, int intervalMs)
{
    g_timerTicks = 0;
    QEventLoop loop;
    WaitFrame frame;
    frame.target = g_totalTicks + qMax(0, count);
    frame.intervalMs = ScaledWaitMs(qMax(1, intervalMs));
    frame.loop = &loop;
    QPointer<QTimer> timer = tickTimer();
    g_frames.append(&frame);
    // A coarse timer may tick 5 % early; the meter's timings are minimums (the drain's second).
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(frame.intervalMs);
    timer->start();

    // Pending events run at least once, even for a count of 0.
    QCoreApplication::processEvents();
    if (g_totalTicks < frame.target && !ProgramEnding()) {
        // Should the tick source go away or be stopped by someone else, give up well after the
        // wait's own time instead of hanging the caller.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(int(qMin<qint64>(qint64(count) * frame.intervalMs * 2 + 1000, 600000)));
        QObject::connect(timer, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }

    g_frames.removeOne(&frame);
    if (timer) {
        if (g_frames.isEmpty()) {
            timer->stop();
        } else {
            timer->setInterval(g_frames.last()->intervalMs);
            timer->start();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// RSErr.log

QByteArray formatRsErrLogEntry(const QString &dateTime, const QString &commandName, const QByteArray &reply,
                               int attempts)
{
    QByteArray entry = codepage::toFile(dateTime);
    entry += ',';
    entry += codepage::toFile(commandName);
    entry += ',';
    entry += reply;  // as received: line ends and all
    entry += ',';
    entry += numtext::numberWithSign(attempts).toLatin1();
    entry += "\r\n";
    return entry;
}

void WriteRsErrLog(const QString &commandName, const QByteArray &reply, int attempts)
{
    static const QString name = QStringLiteral("RSErr.log");
    const QString stamp = QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    QFile file(name);
    const bool fresh = !QFile::exists(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;  // the entry is lost; the caller goes on with its own error handling
    if (fresh && file.write("RS232C Error Log File\r\n") < 0)
        return;
    file.write(formatRsErrLogEntry(stamp, commandName, reply, attempts));
    file.close();
}
