#pragma once

#include <QString>
#include <QtGlobal>

// What a soak test looks at between its cycles: the entries of "RSErr.log", memory and descriptors.
namespace soak {

struct LogCount {
    bool wellFormed = true;  // the file's first line, then entries only (or no file at all)
    int total = 0;
    int nCommands = 0;       // entries of a meter that would not stop
};
// An entry starts with its date and time and the command's name; the reply after them may run
// over several lines.
LogCount countLogEntries(const QString &path);

// Bytes in use: the resident set, or under AddressSanitizer the heap in use (the resident set there
// grows with the sanitizer's quarantine of freed blocks).
qint64 memoryInUse();
const char *memoryMeasureName();

// Open descriptors of the process: all, and those on a terminal other than the standard three (the
// serial ports the program holds; the simulator's own /dev/ptmx is not one).
int openFileDescriptors();
int openTerminalDescriptors();

} // namespace soak
