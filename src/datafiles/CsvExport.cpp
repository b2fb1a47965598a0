#include "datafiles/CsvExport.h"

#include <QSaveFile>
#include <QStringList>
#include <charconv>
#include <cmath>

#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"

namespace csvexport {

namespace {

const QLatin1StringView kLineEnd("\r\n");

// Lines 1 to 6, the same in every layout but for line 5.
void appendHeader(QString &text, const CsvHeader &header, const QString &modeLine)
{
    text += QLatin1StringView("Date,") + header.dateText + kLineEnd;
    text += QLatin1StringView("Time,") + header.timeText + kLineEnd;
    // The count says how many data lines follow; a count below 1 writes none.
    text += QLatin1StringView("Data,") + QString::number(qMax<qint32>(0, header.count)) + kLineEnd;
    text += QLatin1StringView("Sampling Time,") + header.samplingTimeText + kLineEnd;
    text += modeLine + kLineEnd;
    text += QLatin1StringView("Atmos.Pressure,") + header.pressureText + kLineEnd;
}

// A value in the general number format, appended as bytes. Same text as numtext::generalNumber,
// without a string per value: a long run has half a million of them.
void appendNumber(QByteArray &out, double value)
{
    if (std::isfinite(value) && value != 0.0) {
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        if (result.ec == std::errc()) {
            out.append(buffer, result.ptr - buffer);
            return;
        }
    }
    out += numtext::generalNumber(value).toLatin1();
}

// One line per sample, the columns' values joined by ",". The lines are plain ASCII, which every
// file code set we write keeps as it is. Nothing when a column holds fewer than count samples.
std::optional<QByteArray> dataLines(qint32 count, const QList<const QVector<double> *> &columns)
{
    QByteArray out;
    if (count <= 0)
        return out;
    for (const QVector<double> *column : columns)
        if (column->size() < count)
            return std::nullopt;
    // Eight short numbers a line, rarely more than ten characters each.
    out.reserve(qsizetype(count) * columns.size() * 10);
    for (qint32 i = 0; i < count; ++i) {
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (c > 0)
                out += ',';
            appendNumber(out, columns[c]->at(i));
        }
        out += "\r\n";
    }
    return out;
}

// The header text in the file code page followed by the data lines.
std::optional<QByteArray> fileBytes(const QString &headerText, qint32 count,
                                    const QList<const QVector<double> *> &columns)
{
    std::optional<QByteArray> data = dataLines(count, columns);
    if (!data)
        return std::nullopt;
    return codepage::toFile(headerText) + *data;
}

} // namespace

bool temperatureIsCelsius(const QString &unit)
{
    if (i18n::systemIs("Chinese")) {
        // GBK reads the degree mark 0xDF and the "C" after it as one character.
        if (unit.isEmpty())
            return false;
        const qsizetype firstLength = (unit.size() > 1 && unit.at(0).isHighSurrogate()) ? 2 : 1;
        return codepage::toMeter(unit.left(firstLength)) == QByteArray("\xDF\x43", 2);
    }
    return unit.size() >= 2 && unit.at(1) == QLatin1Char('C');
}

QString degreeText(const QString &unitTemp) { return LoadResString(temperatureIsCelsius(unitTemp) ? 190 : 191); }

QStringList measureColumnNames(qint16 measureMode)
{
    QStringList names{QStringLiteral("CO"), QStringLiteral("CO2"), QStringLiteral("Temperature"),
                      QStringLiteral("Relative humidity")};
    if (measureMode != 0)
        names << QStringLiteral("Dew-point temperature") << QStringLiteral("Wet-bulb temperature")
              << QStringLiteral("Absolute humidity") << QStringLiteral("Humidity Ratio");
    return names;
}

QStringList measureUnitTexts(qint16 measureMode, const SampleData &data)
{
    const QString &UnitTemp = data.unit(Quantity::Temperature);
    const QString degrees = degreeText(UnitTemp);
    const QString &UnitCO = data.unit(Quantity::CO);
    const QString &UnitCO2 = data.unit(Quantity::CO2);
    const QString &UnitHum = data.unit(Quantity::Humidity);
    if (measureMode == 0) {
        // A Japanese system writes the temperature unit as the meter sent it.
        const QString temp = i18n::systemIs("Japanese") ? UnitTemp : degrees;
        return {UnitCO, UnitCO2, temp, UnitHum};
    }
    return {UnitCO, UnitCO2, degrees, UnitHum, degrees, degrees, data.unit(Quantity::AbsHumidity),
            data.unit(Quantity::HumidityRatio)};
}

QByteArray measureDataLine(const SampleData &data, int i, qint16 measureMode)
{
    QByteArray line;
    const int columns = measureMode != 0 ? kQuantityCount : kStandardQuantityCount;
    for (int q = 0; q < columns; ++q) {
        if (q > 0)
            line += ',';
        appendNumber(line, data.values[size_t(q)].value(i));
    }
    return line;
}

std::optional<QByteArray> measureCsvBytes(const CsvHeader &header, const QString &modeText, qint16 measureMode,
                                          const SampleData &data)
{
    const bool detailed = measureMode != 0;
    const QString modeLine = modeText == kNormalModeText
                                 ? QStringLiteral("Mode,NORMAL")
                                 : QLatin1StringView("Mode,CALCULATION(") + modeText + QLatin1Char(')');
    QString text;
    appendHeader(text, header, modeLine);
    text += measureColumnNames(measureMode).join(QLatin1Char(',')) + kLineEnd;
    text += measureUnitTexts(measureMode, data).join(QLatin1Char(',')) + kLineEnd;

    QList<const QVector<double> *> columns;
    for (int q = 0; q < (detailed ? kQuantityCount : kStandardQuantityCount); ++q)
        columns << &data.values[size_t(q)];
    return fileBytes(text, header.count, columns);
}

std::optional<QByteArray> oaCsvBytes(const CsvHeader &header, const QString &basisText, const SampleData &data)
{
    QString text;
    appendHeader(text, header, QLatin1StringView("Mode,%OA(") + basisText + QLatin1Char(')'));
    text += QStringLiteral("Return_Air,Supply_Air,Outdoor_Air,Percent_Outdoor_Air") + kLineEnd;
    if (basisText == QLatin1String("TMP")) {
        const QString degrees = degreeText(data.unit(Quantity::Temperature));
        text += QStringList{degrees, degrees, degrees}.join(QLatin1Char(',')) + QStringLiteral(",%OA") + kLineEnd;
    } else {
        text += QStringLiteral("ppm,ppm,ppm,%OA") + kLineEnd;
    }
    return fileBytes(text, header.count, {&data.oa[0], &data.oa[1], &data.oa[2], &data.oa[3]});
}

bool writeFileWhole(const QString &fileName, const std::function<bool(QIODevice &)> &write)
{
    if (fileName.isEmpty())
        return false;
    QSaveFile file(fileName);
    // Never fall back to writing into the old file: a failure half-way would destroy it.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool writeFileWhole(const QString &fileName, const QByteArray &bytes)
{
    return writeFileWhole(fileName, [&bytes](QIODevice &out) { return out.write(bytes) == bytes.size(); });
}

QString dateText(const QDate &date) { return date.toString(QStringLiteral("yyyy/MM/dd")); }

QString timeOfDayText(double dayFraction)
{
    if (!std::isfinite(dayFraction))
        dayFraction = 0.0;
    // The time part of a date value counts from midnight whatever the sign of the date part.
    const double fraction = std::fabs(dayFraction - std::trunc(dayFraction));
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400)
        seconds -= 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString samplingTimeText(const QString &measureSampleTime)
{
    static const struct {
        int textId;
        const char *seconds;
    } kTimes[] = {{126, "1"}, {127, "2"}, {128, "5"}, {129, "10"}, {130, "30"}, {174, "60"}};
    for (const auto &entry : kTimes)
        if (measureSampleTime == LoadResString(entry.textId))
            return QString::fromLatin1(entry.seconds);
    return QString();
}

} // namespace csvexport

bool WriteMeasureCsv(const QString &fileName, const QString &dateText, const QString &timeText,
                     const QString &pressureText, qint32 count, const QString &samplingTimeText,
                     const QString &modeText, qint16 measureMode, const SampleData &data)
{
    const csvexport::CsvHeader header{dateText, timeText, pressureText, count, samplingTimeText};
    const auto bytes = csvexport::measureCsvBytes(header, modeText, measureMode, data);
    return bytes && csvexport::writeFileWhole(fileName, *bytes);
}

bool WriteOaCsv(const QString &fileName, const QString &dateText, const QString &timeText,
                const QString &pressureText, qint32 count, const QString &samplingTimeText,
                const QString &basisText, const SampleData &data)
{
    const csvexport::CsvHeader header{dateText, timeText, pressureText, count, samplingTimeText};
    const auto bytes = csvexport::oaCsvBytes(header, basisText, data);
    return bytes && csvexport::writeFileWhole(fileName, *bytes);
}
