#pragma once

// Helpers of the serial tests: a scripted line on a private pty (byte-exact replies, endless
// noise, hang-up), the RSErr.log reader with its time stamps masked, and the settings that point
// OpenComPort at a device.

#include <QByteArray>
#include <QCoreApplication>
#include <QThread>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <functional>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include "startup/Variable.h"

// The far end of a pty, driven by the test: every command line the program sends is recorded and
// handed to onCommand, which answers with send()/sendAfter(). Runs in the test's event loop, so it
// answers while the program waits in a nested loop.
class ScriptedLine : public QObject {
public:
    ScriptedLine()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        path = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readCommands(); });
        connect(&m_noise, &QTimer::timeout, this, [this] { send(m_noiseChunk); });
    }
    ~ScriptedLine() override
    {
        hangUp();
        if (m_slave >= 0)
            ::close(m_slave);
    }

    bool ok() const { return m_master >= 0 || m_hungUp; }

    void send(const QByteArray &bytes)
    {
        if (m_master < 0)
            return;
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t k = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (k <= 0)
                break;
            done += k;
        }
    }
    void sendAfter(int ms, const QByteArray &bytes)
    {
        QTimer::singleShot(ms, this, [this, bytes] { send(bytes); });
    }
    // Noise without end: chunk every ms milliseconds until stopNoise().
    void startNoise(const QByteArray &chunk, int ms)
    {
        m_noiseChunk = chunk;
        m_noise.start(ms);
    }
    void stopNoise() { m_noise.stop(); }
    // The device goes away: the program's end sees a hang-up.
    void hangUp()
    {
        m_noise.stop();
        if (m_notifier)
            m_notifier->setEnabled(false);
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
            m_hungUp = true;
        }
    }

    QString path;
    QList<QByteArray> commands;  // without CR LF
    std::function<void(const QByteArray &)> onCommand;

private:
    void readCommands()
    {
        char buf[512];
        for (;;) {
            const ssize_t k = ::read(m_master, buf, sizeof buf);
            if (k <= 0)
                break;
            m_pending.append(buf, k);
        }
        qsizetype end;
        while ((end = m_pending.indexOf("\r\n")) >= 0) {
            const QByteArray command = m_pending.left(end);
            m_pending.remove(0, end + 2);
            commands << command;
            if (onCommand)
                onCommand(command);
        }
    }

    int m_master = -1;
    int m_slave = -1;  // kept open so the master never sees a hang-up of its own
    bool m_hungUp = false;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
    QTimer m_noise;
    QByteArray m_noiseChunk;
};

// Run mode, pointed at a device path, 9600,N,8,1 without handshaking.
inline void useDevice(const QString &device, qint16 flow = 1)
{
    Variable::Settings.ProgMode = true;
    Variable::Settings.RsPort = device;
    Variable::Settings.RsSpeed = QStringLiteral("9600");
    Variable::Settings.RsParity = QStringLiteral("N");
    Variable::Settings.RsDataBit = QStringLiteral("8");
    Variable::Settings.RsStopBit = QStringLiteral("1");
    Variable::Settings.RsFlow = flow;
}

// RSErr.log of the current directory with every entry's time stamp replaced by its format.
inline QByteArray maskedLog()
{
    QFile f(QStringLiteral("RSErr.log"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = f.readAll();
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2},"));
    for (qsizetype at = 0; (at = text.indexOf("\r\n", at)) >= 0;) {
        at += 2;
        if (stamp.match(QString::fromLatin1(text.mid(at, 20))).hasMatch())
            text.replace(at, 19, "yyyy/MM/dd HH:mm:ss");
    }
    return text;
}

inline QByteArray expectedFile(const QString &name)
{
    QFile f(QStringLiteral(TELVARO_TEST_DATA "/serial/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing expected file)");
}

// Spin the event loop until pred holds or ms pass.
inline bool waitUntil(const std::function<bool()> &pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
