#include "datafiles/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

namespace settingsfile {

QString settingsPath(const QString &programFolder)
{
    if (programFolder.endsWith(QLatin1Char('/')) || programFolder.endsWith(QLatin1Char('\\')))
        return programFolder + QStringLiteral("Telvaro.ini");
    return programFolder + QStringLiteral("/Telvaro.ini");
}

QString formatSettings(const SettingsRecord &r)
{
    using numtext::numberWithSign;
    const QStringList lines = {
        QStringLiteral("[Computer Setting]"),
        QStringLiteral("ProgMode=") + (r.ProgMode ? QStringLiteral(" True") : QStringLiteral(" False")),
        QStringLiteral("DefaultFolder=") + r.DefaultFolder,
        QString(),
        QStringLiteral("[Com Port]"),
        QStringLiteral("RsPort_CH1=") + r.RsPort,
        QStringLiteral("RsSpeed_CH1=") + r.RsSpeed,
        QStringLiteral("RsDataBit_CH1=") + r.RsDataBit,
        QStringLiteral("RsParity_CH1=") + r.RsParity,
        QStringLiteral("RsStopBit_CH1=") + r.RsStopBit,
        QStringLiteral("RsFlow_CH1=") + numberWithSign(r.RsFlow),
        QStringLiteral(" "),
        QStringLiteral("[Measure]"),
        QStringLiteral("MeasureMode=") + numberWithSign(r.MeasureMode),
        QStringLiteral("MeasureSampleTime=") + r.MeasureSampleTime,
        QStringLiteral("MeasureSampleValue=") + numberWithSign(r.MeasureSampleValue),
        QStringLiteral("CO2Graph=") + numberWithSign(r.CO2Graph),
        QStringLiteral("COGraph=") + numberWithSign(r.COGraph),
        QStringLiteral("TempGraph=") + numberWithSign(r.TempGraph),
        QStringLiteral("HumGraph=") + numberWithSign(r.HumGraph),
    };
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

namespace {

// A sampling time saved under another language falls back to the one-second entry of this one.
void checkSampleTime(QString &value, const QString &systemLanguage, qint16 choice, const QString &u)
{
    const bool cjk = systemLanguage == QLatin1String("Japanese") || systemLanguage == QLatin1String("Chinese");
    const bool endsSec = value.endsWith(QLatin1String("sec"));
    if (!cjk || choice == 1) {
        if (!endsSec)
            value = u;
    } else if (choice == 0) {
        if (endsSec || !value.endsWith(u.mid(1)))
            value = u;
    }
}

} // namespace

bool parseSettingsLine(QString field, SettingsRecord &r, const QString &systemLanguage, qint16 languageChoice,
                       const QString &resetOneSecond)
{
    // Each key's value runs to the end of its line, so a folder name with a comma survives.
    int start = 0;
    while (start < field.size() && field[start] == QLatin1Char(' '))
        ++start;
    field = field.mid(start);
    if (field.startsWith(QLatin1Char('"'))) {
        const int close = field.indexOf(QLatin1Char('"'), 1);
        field = close < 0 ? field.mid(1) : field.mid(1, close - 1);
    }
    const int eq = field.indexOf(QLatin1Char('='));
    if (eq < 0)
        return true;
    const QString key = field.left(eq + 1);
    const QString value = field.mid(eq + 1);

    auto int16Field = [&](qint16 &target) {
        const auto v = numtext::toInt16(numtext::leadingNumber(value));
        if (!v)
            return false;
        target = *v;
        return true;
    };

    if (key == QLatin1String("ProgMode=")) {
        r.ProgMode = value == QLatin1String(" True");
    } else if (key == QLatin1String("DefaultFolder=")) {
        r.DefaultFolder = value;
    } else if (key == QLatin1String("RsPort_CH1=")) {
        r.RsPort = value;
    } else if (key == QLatin1String("RsSpeed_CH1=")) {
        r.RsSpeed = value;
    } else if (key == QLatin1String("RsDataBit_CH1=")) {
        r.RsDataBit = value;
    } else if (key == QLatin1String("RsParity_CH1=")) {
        r.RsParity = value;
    } else if (key == QLatin1String("RsStopBit_CH1=")) {
        r.RsStopBit = value;
    } else if (key == QLatin1String("RsFlow_CH1=")) {
        if (!int16Field(r.RsFlow))
            return false;
    } else if (key == QLatin1String("MeasureMode=")) {
        if (!int16Field(r.MeasureMode))
            return false;
    } else if (key == QLatin1String("MeasureSampleTime=")) {
        r.MeasureSampleTime = value;
        checkSampleTime(r.MeasureSampleTime, systemLanguage, languageChoice, resetOneSecond);
    } else if (key == QLatin1String("MeasureSampleValue=")) {
        const auto v = numtext::toInt32(numtext::leadingNumber(value));
        if (!v)
            return false;
        r.MeasureSampleValue = *v;
    } else if (key == QLatin1String("CO2Graph=")) {
        if (!int16Field(r.CO2Graph))
            return false;
    } else if (key == QLatin1String("COGraph=")) {
        if (!int16Field(r.COGraph))
            return false;
    } else if (key == QLatin1String("TempGraph=")) {
        if (!int16Field(r.TempGraph))
            return false;
    } else if (key == QLatin1String("HumGraph=")) {
        if (!int16Field(r.HumGraph))
            return false;
    }
    // Keys of channels 2 to 5 and anything else: read and ignored.
    return true;
}

bool parseSettings(const QString &text, SettingsRecord &r, const QString &systemLanguage, qint16 languageChoice,
                   const QString &resetOneSecond)
{
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r"))))
        if (!parseSettingsLine(line, r, systemLanguage, languageChoice, resetOneSecond))
            return false;
    return true;
}

QString defaultDataFolder(const QString &documentsPath, const QString &homePath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(documentsPath);
    Q_UNUSED(homePath);
    return QStringLiteral("C:\\");
#else
    if (!documentsPath.isEmpty() && QFileInfo(documentsPath).isDir())
        return documentsPath;
    return homePath;
#endif
}

bool isDrivePath(const QString &path)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:(\\\\|$)"));
    return drive.match(path).hasMatch();
}

QString storedDataFolder(const QString &stored, const QString &defaultFolder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(defaultFolder);
    return stored;
#else
    return isDrivePath(stored) ? defaultFolder : stored;
#endif
}

QString systemDataFolder()
{
    return defaultDataFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath());
}

void SetComputerDefaults(SettingsRecord &r, const QString &dataFolder)
{
    r.ProgMode = true;
    r.DefaultFolder = dataFolder;
}

void SetComPortDefaults(SettingsRecord &r)
{
    r.RsPort = QStringLiteral("COM1");
    r.RsSpeed = QStringLiteral("9600");
    r.RsDataBit = QStringLiteral("8");
    r.RsParity = QStringLiteral("N");
    r.RsStopBit = QStringLiteral("1");
    r.RsFlow = 1;
}

void SetMeasureDefaults(SettingsRecord &r, const QString &oneSecondText)
{
    r.MeasureMode = 1;
    r.MeasureSampleTime = oneSecondText;
    r.MeasureSampleValue = 1;
    r.CO2Graph = r.COGraph = r.TempGraph = r.HumGraph = 1;
}

} // namespace settingsfile

SettingsRecord LoadSettings(const QString &programFolder)
{
    return LoadSettingsFile(settingsfile::settingsPath(programFolder));
}

SettingsRecord LoadSettingsFile(const QString &path)
{
    using namespace settingsfile;
    SettingsRecord r;
    const QString oneSecond = LoadResString(126);
    QFile file(path);
    bool ok = file.open(QIODevice::ReadOnly);
    // Line by line, so a huge file costs no more memory than a small one. A line longer than any
    // value can be is read only as far as its first 64 KiB.
    constexpr qint64 kLongestLine = 64 * 1024;
    while (ok && !file.atEnd()) {
        QByteArray line = file.readLine(kLongestLine);
        if (file.error() != QFileDevice::NoError) {
            ok = false;
            break;
        }
        if (line.endsWith('\n'))
            line.chop(1);
        else
            for (QByteArray rest = line; !rest.isEmpty() && !rest.endsWith('\n');)
                rest = file.readLine(kLongestLine);
        // A CR ends a line too. Neither CR nor LF is ever part of a two-byte character.
        for (const QByteArray &piece : line.split('\r'))
            if (ok && !piece.isEmpty())
                ok = parseSettingsLine(codepage::fromFile(piece), r, i18n::language().systemLanguage,
                                       i18n::language().choice, oneSecond);
    }
    ok = ok && file.error() == QFileDevice::NoError;
    if (!ok) {
        r = SettingsRecord();
        SetComputerDefaults(r);
        SetComPortDefaults(r);
        SetMeasureDefaults(r, oneSecond);
        return r;
    }
    r.DefaultFolder = storedDataFolder(r.DefaultFolder, systemDataFolder());
    return r;
}

bool SaveSettings(const QString &programFolder, const SettingsRecord &record)
{
    QSaveFile file(settingsfile::settingsPath(programFolder));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(codepage::toFile(settingsfile::formatSettings(record)));
    return file.commit();
}
