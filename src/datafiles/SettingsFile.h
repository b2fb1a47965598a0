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

// Parse one line of the file into the record. Returns false when a number overflows its field:
// the caller then falls back to every default. resetOneSecond is the text the sampling-time check
// resets to (text 126 of the current table).
bool parseSettingsLine(QString line, SettingsRecord &record, const QString &systemLanguage,
                       qint16 languageChoice, const QString &resetOneSecond);
// The same for a whole text of lines ended by CR LF, LF or CR.
bool parseSettings(const QString &text, SettingsRecord &record, const QString &systemLanguage,
                   qint16 languageChoice, const QString &resetOneSecond);

// The data folder of a fresh start: "C:\" on Windows; elsewhere the documents folder when it
// exists, else the home folder.
QString defaultDataFolder(const QString &documentsPath, const QString &homePath);
// "X:\..." (or "X:" alone): a folder of a Windows drive.
bool isDrivePath(const QString &path);
// A stored DefaultFolder as this system reads it: outside Windows a drive path (a file copied
// from a Windows machine) reads as the given default data folder.
QString storedDataFolder(const QString &stored, const QString &defaultFolder);
// The default data folder of this system and user.
QString systemDataFolder();

// The three default routines.
void SetComputerDefaults(SettingsRecord &record, const QString &dataFolder = systemDataFolder());
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
