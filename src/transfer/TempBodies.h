#pragma once
// Temporary: declarations of the CSV writers until they land. Deleted before the branch is merged.
#include <QString>
void WriteMeasureCsv(const QString &fileName, const QString &dateText, const QString &timeText,
                     const QString &pressureText, qint32 count, const QString &samplingTime,
                     const QString &modeText, qint16 measureMode);
void WriteOaCsv(const QString &fileName, const QString &dateText, const QString &timeText,
                const QString &pressureText, qint32 count, const QString &samplingTime, const QString &basisText);
