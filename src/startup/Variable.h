#pragma once

// The program's global state, alive for the whole run: settings, language, start-up values,
// unit texts, the sample buffers and the flags that decide whether unsaved data are asked about.

#include <QString>
#include <QVector>
#include <QtGlobal>

#include "datafiles/SettingsRecord.h"

struct ProcessorInfoRecord {
    QString Description;
    QString Name;
    QString Manufacturer;
    double CurrentClockSpeed = 0;  // MHz
    double MaxClockSpeed = 0;
    double L2CacheSize = 0;
};

namespace Variable {

inline SettingsRecord Settings;

// Language state.
inline QString SystemLanguage;       // English name of the system's language
inline qint16 LanguageChoice = 0;    // 0 = system language, 1 = English
inline qint16 ResIdBase = 0;         // 0 or 10000

// Start-up values.
inline QString ProgramFolder;
inline ProcessorInfoRecord ProcessorInfo;

// Live data held / saved.
inline qint16 DataPresent = 0;
inline qint16 DataSaved = 0;

// Unit texts from the meter's U reply.
inline QString UnitCO, UnitCO2, UnitTemp, UnitHum, UnitDewPoint, UnitWetBulb, UnitAbsHum,
    UnitHumRatio, UnitField9;

inline qint32 AtmosPressure = 0;

// Sample buffers, indexed 1..n (element 0 unused). A calculation page lands here too.
inline QVector<double> COData, CO2Data, TempData, HumData, DewPointData, WetBulbData, AbsHumData,
    HumRatioData;
// Time stamp of each live sample: time of day as a fraction of a day (date part zero).
inline QVector<double> SampleTimes;
// The data line received for each live sample, CR LF included.
inline QVector<QByteArray> RawReplies;
inline qint32 SampleIndex = 0;
inline qint32 RequestIndex = 0;

// The mode and sampling time of the run whose samples are held (-1: no run yet, the settings
// apply). A change in the measurement settings after a run must not change how that run is saved.
inline qint16 RunMeasureMode = -1;
inline QString RunSampleTime;

// %OA page series, indexed 1..n.
inline QVector<double> ReturnAir, SupplyAir, OutdoorAir, PercentOutdoorAir;

// Resize the eight live series to 0..n, all zero.
void resizeLiveSeries(int n);
// Resize the four %OA series to 0..n, all zero.
void resizeOaSeries(int n);
// Everything back to its state before start-up (tests start each case from here).
void resetAll();

} // namespace Variable
