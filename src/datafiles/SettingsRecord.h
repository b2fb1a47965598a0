#pragma once

#include <QString>
#include <QtGlobal>

// The user's settings, kept in "Telvaro.ini" beside the program. Empty until LoadSettings runs.
struct SettingsRecord {
    bool ProgMode = false;          // true = run mode (meter on the line), false = debug mode
    QString DefaultFolder;          // where Save As opens
    QString RsPort;                 // "COM1".. or a device path
    QString RsSpeed;
    QString RsDataBit;
    QString RsParity;
    QString RsStopBit;
    qint16 RsFlow = 0;              // 1 none, 2 XON/XOFF, 3 RTS/CTS, 4 both
    qint16 MeasureMode = 0;         // 0 Standard, 1 Detailed
    QString MeasureSampleTime;      // the sampling-time text of the interface language
    qint32 MeasureSampleValue = 0;  // number of samples of a live run
    qint16 CO2Graph = 0;
    qint16 COGraph = 0;
    qint16 TempGraph = 0;
    qint16 HumGraph = 0;

    bool operator==(const SettingsRecord &) const = default;
};
