#pragma once

#include <QMap>
#include <QString>
#include <QtGlobal>

// What a soak test looks at between its cycles: the entries of "RSErr.log" and the memory in use.
namespace soak {

struct LogCount {
    bool wellFormed = true;      // the file's first line, then entries only (or no file at all)
    int total = 0;
    QMap<QString, int> byName;   // entries per command name
};

// Entries of an "RSErr.log": each starts with its date and time and the command's name; the reply
// after them may run over several lines.
LogCount countLogEntries(const QString &path);
QString describe(const LogCount &count);

// Bytes in use by the process: the resident set (VmRSS), or under AddressSanitizer the heap in use
// (the resident set there grows with the sanitizer's quarantine of freed blocks).
qint64 memoryInUse();
const char *memoryMeasureName();

// Open file descriptors of the process: all of them, and those on a terminal device (/dev/pts/N,
// /dev/tty*) other than the standard three, i.e. serial ports the program holds. The simulator's own end (/dev/ptmx) is not one.
int openFileDescriptors();
int openTerminalDescriptors();

} // namespace soak
