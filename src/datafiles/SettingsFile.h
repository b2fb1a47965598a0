#pragma once

#include <QByteArray>
#include <QString>

#include "datafiles/SettingsRecord.h"

// "Telvaro.ini": 20 lines, CR LF, read line by line by our own reader (it only looks like an INI).
namespace settingsfile {

// Path of the settings file in the given program folder.
QString settingsPath(const QString &programFolder);

// The 20 lines of the file for the given record, CR LF ended, as text.
QString formatSettings(const SettingsRecord &record);

// Parse the file's text into the record. Returns false when a number overflows its field: the
// caller then falls back to every default. resetOneSecond is the text the sampling-time check
// resets to (text 126 of the current table).
bool parseSettings(const QString &text, SettingsRecord &record, const QString &systemLanguage,
                   qint16 languageChoice, const QString &resetOneSecond);

// The three default routines.
void SetComputerDefaults(SettingsRecord &record);
void SetComPortDefaults(SettingsRecord &record);
void SetMeasureDefaults(SettingsRecord &record, const QString &oneSecondText);

} // namespace settingsfile

// Read programFolder/Telvaro.ini; falls back to the defaults silently.
SettingsRecord LoadSettings(const QString &programFolder);
// The same from a settings file anywhere.
SettingsRecord LoadSettingsFile(const QString &path);
// Write the record to programFolder/Telvaro.ini; false on failure. The old file is replaced only
// once the new one is complete.
bool SaveSettings(const QString &programFolder, const SettingsRecord &record);
