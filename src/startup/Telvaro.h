#pragma once

#include <QString>

class QLockFile;

// Start-up: one copy only, program folder, processor, serial probe, language, then the main window
// (or first the language selection window). Returns false when the program must end at once.
bool Main();

// Fill Variable::ProcessorInfo from the platform (/proc/cpuinfo, cpufreq).
void ReadProcessorInfo();

// The running-copy lock (held for the whole run). False when another copy holds it.
bool AcquireSingleInstance();
void ReleaseSingleInstance();
