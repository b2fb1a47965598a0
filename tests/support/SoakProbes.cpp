#include "support/SoakProbes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#if defined(__SANITIZE_ADDRESS__)
#define TELVARO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TELVARO_SOAK_ASAN 1
#endif
#endif
#ifdef TELVARO_SOAK_ASAN
#include <cstddef>
// The sanitizer runtime's count of heap bytes in use (not every compiler ships its header).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace soak {

LogCount countLogEntries(const QString &path)
{
    LogCount count;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return count;
    const QString text = QString::fromLatin1(file.readAll());
    const QString header = QStringLiteral("RS232C Error Log File\r\n");
    static const QRegularExpression entry(
        QStringLiteral("\\r\\n\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d,([^,\\r\\n]+),"));
    // Every entry starts right after the header's line end or another entry's.
    const QString body = text.mid(header.size() - 2);
    for (auto it = entry.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        count.wellFormed &= count.total > 0 || m.capturedStart() == 0;
        ++count.total;
        count.nCommands += m.captured(1) == QLatin1String("N Command");
    }
    count.wellFormed &= text.startsWith(header) && text.endsWith(QLatin1String("\r\n"))
                        && (count.total > 0 || body.size() == 2);
    return count;
}

qint64 memoryInUse()
{
#ifdef TELVARO_SOAK_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
#endif
}

const char *memoryMeasureName()
{
#ifdef TELVARO_SOAK_ASAN
    return "heap in use (AddressSanitizer)";
#else
    return "VmRSS";
#endif
}

static QStringList descriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
}

int openFileDescriptors() { return int(descriptors().size()); }

int openTerminalDescriptors()
{
    int n = 0;
    for (const QString &fd : descriptors()) {
        const QString target = QFileInfo(QStringLiteral("/proc/self/fd/") + fd).symLinkTarget();
        const bool terminal =
            target.startsWith(QLatin1String("/dev/pts/")) || target.startsWith(QLatin1String("/dev/tty"));
        n += fd.toInt() > 2 && terminal;  // not a terminal the test runs in
    }
    return n;
}

} // namespace soak
