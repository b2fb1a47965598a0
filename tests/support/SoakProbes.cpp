#include "support/SoakProbes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TELVARO_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TELVARO_SOAK_ASAN 1
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
    static const QString header = QStringLiteral("RS232C Error Log File\r\n");
    if (!text.startsWith(header) || !text.endsWith(QStringLiteral("\r\n"))) {
        count.wellFormed = false;
        return count;
    }
    static const QRegularExpression entry(
        QStringLiteral("(?:^|\\r\\n)\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d,([^,\\r\\n]+),"));
    const QString body = text.mid(header.size());
    auto it = entry.globalMatch(body);
    bool first = true;
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (first && m.capturedStart() != 0)
            count.wellFormed = false;
        first = false;
        ++count.total;
        ++count.byName[m.captured(1)];
    }
    if (first && !body.isEmpty())
        count.wellFormed = false;
    return count;
}

QString describe(const LogCount &count)
{
    QStringList parts;
    for (auto it = count.byName.cbegin(); it != count.byName.cend(); ++it)
        parts << QStringLiteral("%1 x%2").arg(it.key()).arg(it.value());
    return QStringLiteral("%1 (%2)").arg(count.total).arg(parts.join(QStringLiteral(", ")));
}

qint64 memoryInUse()
{
#ifdef TELVARO_SOAK_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
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

int openFileDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size());
}

int openTerminalDescriptors()
{
    const QDir dir(QStringLiteral("/proc/self/fd"));
    int n = 0;
    for (const QString &fd : dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.toInt() <= 2)
            continue;  // a terminal the test runs in
        const QString target = QFileInfo(dir.filePath(fd)).symLinkTarget();
        n += target.startsWith(QLatin1String("/dev/pts/")) || target.startsWith(QLatin1String("/dev/tty"));
    }
    return n;
}

} // namespace soak
