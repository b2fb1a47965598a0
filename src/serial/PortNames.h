#pragma once

#include <QString>
#include <QStringList>

// Serial device names. On Linux the program lists the devices named in TELVARO_EXTRA_PORTS
// (colon-separated; simulators and tests put their ptys there) first, then what the system reports,
// in a stable order. A stored "COMn" means the n-th listed device; a stored path is used as it is.
namespace portnames {

QStringList listSerialDevices();
// The device path that RsPort names (empty when "COMn" names no listed device).
QString resolvePort(const QString &rsPort);
// The name shown and stored for the n-th device (1-based): on Linux its path.
QString entryName(int n, const QStringList &devices);

} // namespace portnames

// Can the device be opened for reading and writing, exclusively, right now? Closed again at once.
bool PortExists(const QString &deviceName);
