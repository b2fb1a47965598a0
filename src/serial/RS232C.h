#pragma once

#include <QByteArray>
#include <QString>

#include "datafiles/SettingsRecord.h"

class QTimer;
class SerialLink;

// The program is ending: every wait in progress gives up at once and every exchange ends quietly.
// Set by the program's last window when it goes; the serial layer only reads it.
void SetProgramEnding(bool ending);
bool ProgramEnding();

// Open the port with the port fields of the settings. In debug mode (ProgMode false) nothing is
// touched and the answer is true. False when the device cannot be opened: the caller tells the
// user (the port's name followed by text 172); reason, when given, says why.
bool OpenComPort(SerialLink &link, const SettingsRecord &settings, QString *reason = nullptr);
// Close the port if it is open (a device that went away is shut all the same). Always true.
bool CloseComPort(SerialLink &link);

// Wait count ticks of interval ms while the window stays alive (events are processed at least
// once). Returns early only when the program is ending (or, as a safety net, when the tick source
// went away or stopped ticking). Waits may nest: each ends after its own count of ticks.
void WaitTicks(int count, int intervalMs);
// The tick source of WaitTicks (the main window's Timer1, whose timeout must call
// TimerTicks_Increment); nullptr uses a private timer. Called with nullptr while the program is
// ending, it ends every wait in progress.
void SetTickTimer(QTimer *timer1);
// Timer1's handler: one more tick.
void TimerTicks_Increment();
qint16 TimerTicks();

// Tests shorten every wait of the serial layer by this factor (1 in the program): WaitTicks
// intervals, the drain's second, the 10 ms character waits.
void SetWaitScale(double factor);
double WaitScale();
// A wait of ms milliseconds as the serial layer runs it (ms scaled, at least 1).
int ScaledWaitMs(int ms);

// One entry in "RSErr.log" (current directory): date-time, name, reply as received, attempts.
void WriteRsErrLog(const QString &commandName, const QByteArray &reply, int attempts);
// The entry's text as written (without the file's first line), for tests and the writer.
QByteArray formatRsErrLogEntry(const QString &dateTime, const QString &commandName, const QByteArray &reply,
                               int attempts);
