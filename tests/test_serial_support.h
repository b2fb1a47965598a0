#pragma once

// Serial test helpers: a scripted pty line, the settings for a device, RSErr.log with masked stamps.

#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <fcntl.h>
#include <functional>
#include <tuple>
#include <pty.h>
#include <unistd.h>

#include "datafiles/SettingsRecord.h"

// The far end of a pty, run by the test's event loop: records each command line, hands it to onCommand.
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
    }
    ~ScriptedLine() override
    {
        hangUp();
        ::close(m_slave);
    }
    void send(const QByteArray &bytes)  // a pty takes a short text in one write
    {
        if (m_master >= 0 && ::write(m_master, bytes.constData(), size_t(bytes.size())) < 0)
            qWarning("pty write failed");
    }
    // The device goes away: the program's end sees a hang-up.
    void hangUp()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
        ::close(std::exchange(m_master, -1));
    }

    QString path;
    QList<QByteArray> commands;  // without CR LF
    std::function<void(const QByteArray &)> onCommand;

private:
    void readCommands()
    {
        char buf[512];
        for (ssize_t k; (k = ::read(m_master, buf, sizeof buf)) > 0;)
            m_pending.append(buf, k);
        for (qsizetype end; (end = m_pending.indexOf("\r\n")) >= 0;) {
            commands << m_pending.left(end);
            m_pending.remove(0, end + 2);
            if (onCommand)
                onCommand(commands.last());
        }
    }
    int m_master = -1, m_slave = -1;  // the slave stays open: the master never hangs up by itself
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
};

// Run mode on a device with speed, parity, data bits, stop bits and RsFlow (1: no handshaking).
inline SettingsRecord deviceSettings(const QString &device, const QString &settings = QStringLiteral("9600,N,8,1,1"))
{
    const QStringList f = settings.split(QLatin1Char(','));
    SettingsRecord s;
    std::tie(s.ProgMode, s.RsPort, s.RsSpeed, s.RsParity, s.RsDataBit, s.RsStopBit) =
        std::tuple(true, device, f[0], f[1], f[2], f[3]);
    s.RsFlow = qint16(f[4].toInt());
    return s;
}

// RSErr.log of the current directory (or another file) with every entry's time stamp masked.
inline QByteArray maskedLog(const QString &path = QStringLiteral("RSErr.log"))
{
    QFile f(path);
    QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2},"));
    for (qsizetype at = 0; (at = text.indexOf("\r\n", at)) >= 0;)
        if (stamp.match(QString::fromLatin1(text.mid(at += 2, 20))).hasMatch())
            text.replace(at, 19, "yyyy/MM/dd HH:mm:ss");
    return text;
}
