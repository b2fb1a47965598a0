#pragma once

#include <QString>

class QLockFile;

// Start-up: one copy only, program folder, processor, serial probe, language, then the main window
// (or first the language selection window). Returns false when the program must end at once.
bool Main();

struct ProcessorInfoRecord {
    QString Description;
    QString Name;
    QString Manufacturer;
    double CurrentClockSpeed = 0;  // MHz
    double MaxClockSpeed = 0;
    double L2CacheSize = 0;
};

// The processor as the platform describes it (/proc/cpuinfo, cpufreq).
ProcessorInfoRecord ReadProcessorInfo();

// The running-copy lock (held for the whole run). False when another copy holds it.
bool AcquireSingleInstance();
void ReleaseSingleInstance();
