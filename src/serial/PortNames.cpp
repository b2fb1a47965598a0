#include "serial/PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <optional>

namespace portnames {

namespace {

// The serial devices as the kernel lists them in /sys/class/tty: every entry whose device is bound
// to a driver, plus the kinds that have none (Bluetooth rfcomm, tnt null modems, USB gadget ttyGS).
// A UART port whose "type" is 0 has no chip behind it (most of ttyS0..31) and is left out. This is
// the list QSerialPortInfo gives, read straight from sysfs: its udev walk takes a sixth of the
// program's start-up. Without sysfs (not Linux, a bare container) QSerialPortInfo answers.
std::optional<QStringList> sysfsSerialDevices()
{
#ifdef Q_OS_LINUX
    const QDir ttys(QStringLiteral("/sys/class/tty"));
    if (!ttys.exists())
        return std::nullopt;
    QStringList found;
    for (const QString &name : ttys.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString entry = ttys.filePath(name) + QLatin1Char('/');
        const bool driverless = name.startsWith(QLatin1String("rfcomm")) || name.startsWith(QLatin1String("tnt"))
            || name.startsWith(QLatin1String("ttyGS"));
        if (!driverless && !QFileInfo::exists(entry + QLatin1String("device/driver")))
            continue;
        QFile type(entry + QLatin1String("type"));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0")
            continue;
        found << QStringLiteral("/dev/") + QString(name).replace(QLatin1Char('!'), QLatin1Char('/'));
    }
    return found;
#else
    return std::nullopt;
#endif
}

} // namespace

QStringList listSerialDevices()
{
    QStringList devices;
    const QString extra = QString::fromLocal8Bit(qgetenv("TELVARO_EXTRA_PORTS"));
    for (const QString &path : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (!devices.contains(path))
            devices << path;
    QStringList system;
    if (const std::optional<QStringList> listed = sysfsSerialDevices()) {
        system = *listed;
    } else {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            system << info.systemLocation();
    }
    // ttyS10 after ttyS9: compare by prefix, then by number.
    std::sort(system.begin(), system.end(), [](const QString &a, const QString &b) {
        auto split = [](const QString &s) {
            int i = s.size();
            while (i > 0 && s[i - 1].isDigit())
                --i;
            return std::make_pair(s.left(i), s.mid(i).toLongLong());
        };
        return split(a) < split(b);
    });
    for (const QString &path : system)
        if (!devices.contains(path))
            devices << path;
    return devices;
}

QString resolvePort(const QString &rsPort)
{
#ifdef Q_OS_WIN
    return rsPort;
#else
    if (rsPort.startsWith(QLatin1String("COM"))) {
        bool ok = false;
        const int n = rsPort.mid(3).trimmed().toInt(&ok);
        const QStringList devices = listSerialDevices();
        if (!ok || n < 1 || n > devices.size())
            return QString();
        return devices.at(n - 1);
    }
    return rsPort;
#endif
}

QString entryName(int n, const QStringList &devices)
{
#ifdef Q_OS_WIN
    Q_UNUSED(devices);
    return QStringLiteral("COM%1").arg(n);
#else
    return devices.value(n - 1);
#endif
}

} // namespace portnames

bool PortExists(const QString &deviceName)
{
    if (deviceName.isEmpty())
        return false;
    // QSerialPort opens exclusively and honours the lock files of other users of the device,
    // so a port held open by anyone (this program included) does not count.
    QSerialPort port;
    port.setPortName(deviceName);
    const bool ok = port.open(QIODevice::ReadWrite);
    if (ok)
        port.close();
    return ok;
}
