#include "datafiles/CsvImport.h"

#include <QFile>
#include <QStringDecoder>
#include <QTime>
#include <charconv>

#include "datafiles/CsvExport.h"
#include "i18n/CodePage.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"

namespace csvimport {

namespace {

// Walks the bytes line by line without copying them; CR LF or LF ends a line.
class Lines {
public:
    explicit Lines(const QByteArray &bytes) : m_bytes(bytes) {}
    bool next(QByteArrayView &line)
    {
        if (m_pos >= m_bytes.size())
            return false;
        qsizetype end = m_bytes.indexOf('\n', m_pos);
        const qsizetype stop = end < 0 ? m_bytes.size() : end;
        line = QByteArrayView(m_bytes.constData() + m_pos, stop - m_pos);
        if (line.endsWith('\r'))
            line.chop(1);
        m_pos = end < 0 ? m_bytes.size() : end + 1;
        ++m_number;
        return true;
    }
    int number() const { return m_number; }

private:
    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
    int m_number = 0;
};

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

bool validUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)QString(decoder(bytes));
    return !decoder.hasError();
}

// A header line's text: UTF-8 when it is valid UTF-8, else the code page of the system language.
QString headerText(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    return validUtf8(bytes) ? QString::fromUtf8(bytes) : codepage::fromFile(bytes.toByteArray());
}

// The temperature unit a units field stands for, by what each language's writer puts there: the
// degree texts of the three text tables, or (a Japanese Standard file) the meter's own bytes DF 43 /
// DF 46. The field is tried as UTF-8 and in each code page, as the file may come from any system.
// Returns 'C', 'F' or 0.
char temperatureLetter(QByteArrayView field)
{
    if (field == "\xDF" "C")
        return 'C';
    if (field == "\xDF" "F")
        return 'F';
    QList<QString> readings;
    if (validUtf8(field))
        readings << QString::fromUtf8(field);
    for (const char *language : {"Japanese", "Chinese", "English"})
        readings << codepage::decode(codepage::codePageFor(QString::fromLatin1(language)), field.toByteArray());
    for (const QString &text : readings) {
        if (text == u"Degrees" || text == u"℃" || text == u"°C" || text == u"ﾟC")
            return 'C';
        if (text == u"Degrees Fahrenheit" || text == u"°F" || text == u"ﾟF")
            return 'F';
    }
    return 0;
}

bool parseNumber(QByteArrayView field, double &value)
{
    if (field.isEmpty())
        return false;
    const char *begin = field.data(), *end = field.data() + field.size();
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

QDate parseDate(const QString &text)
{
    for (const char *format : {"yyyy/MM/dd", "yyyy/M/d", "yyyy-MM-dd", "M/d/yyyy", "d.M.yyyy"}) {
        const QDate date = QDate::fromString(text, QString::fromLatin1(format));
        if (date.isValid())
            return date;
    }
    return {};
}

// The sampling-time text of the interface language for a number of seconds, as a live run keeps it.
QString sampleTimeFor(const QString &seconds)
{
    static const struct { int textId; const char *seconds; } kTimes[] = {
        {126, "1"}, {127, "2"}, {128, "5"}, {129, "10"}, {130, "30"}, {174, "60"}};
    for (const auto &entry : kTimes)
        if (seconds == QLatin1String(entry.seconds))
            return LoadResString(entry.textId);
    return QString();
}

const QByteArrayView kStandardColumns("CO,CO2,Temperature,Relative humidity");
const QByteArrayView kDetailedColumns("CO,CO2,Temperature,Relative humidity,Dew-point temperature,"
                                      "Wet-bulb temperature,Absolute humidity,Humidity Ratio");
const QByteArrayView kOaColumns("Return_Air,Supply_Air,Outdoor_Air,Percent_Outdoor_Air");

} // namespace

std::variant<Imported, ImportError> readDataFile(const QByteArray &bytes)
{
    Lines lines(bytes);
    QByteArrayView line;
    bool ended = false;  // the bytes ended where a line was wanted: that line does not fit
    auto fail = [&](const char *reason) {
        return ImportError{lines.number() + (ended ? 1 : 0), QString::fromLatin1(reason)};
    };
    // The six "Name,value" header lines.
    auto headerLine = [&](const char *name, QString &value) {
        if (!lines.next(line))
            return !(ended = true);
        const QByteArrayView prefix(name);
        if (!line.startsWith(prefix))
            return false;
        value = headerText(line.sliced(prefix.size()));
        return true;
    };
    auto missing = [&lines](const char *reason) {
        return ImportError{lines.number() + 1, QString::fromLatin1(reason)};
    };

    Imported result;
    FileHeader &h = result.header;
    SampleData &d = result.data;
    QString countText, modeLine;
    if (!headerLine("Date,", h.dateText))
        return fail("not a data file: no date line");
    if (!headerLine("Time,", h.timeText))
        return fail("no time line");
    const QTime firstTime = QTime::fromString(h.timeText, QStringLiteral("H:mm:ss"));
    if (!h.timeText.isEmpty() && !firstTime.isValid())
        return fail("the time is not a time of day");
    if (!headerLine("Data,", countText))
        return fail("no number of data");
    bool ok = false;
    h.count = countText.toInt(&ok);
    if (!ok || h.count < 0 || h.count > kMaxSamples)
        return fail("the number of data is not 0 to 65500");
    if (!headerLine("Sampling Time,", h.samplingTimeText))
        return fail("no sampling time line");
    const int samplingSeconds = h.samplingTimeText.toInt(&ok);
    if (!h.samplingTimeText.isEmpty() && (!ok || samplingSeconds < 0))
        return fail("the sampling time is not a number of seconds");
    if (!headerLine("Mode,", modeLine))
        return fail("no mode line");
    if (modeLine == QLatin1String("NORMAL")) {
        d.origin = SampleData::Origin::LiveRun;
        h.modeText = csvexport::kNormalModeText;
    } else if (modeLine.startsWith(QLatin1String("CALCULATION(")) && modeLine.endsWith(QLatin1Char(')'))) {
        d.origin = SampleData::Origin::CalculationPage;
        h.modeText = modeLine.mid(12).chopped(1);
    } else if (modeLine.startsWith(QLatin1String("%OA(")) && modeLine.endsWith(QLatin1Char(')'))) {
        d.origin = SampleData::Origin::OaPage;
        h.modeText = modeLine.mid(4).chopped(1);
    } else {
        return fail("unknown mode");
    }
    if (!headerLine("Atmos.Pressure,", h.pressureText))
        return fail("no pressure line");

    if (!lines.next(line))
        return missing("no column names");
    int columns = 0;
    if (d.isOa() && line == kOaColumns)
        columns = 4;
    else if (!d.isOa() && line == kStandardColumns)
        columns = 4, d.measureMode = 0;
    else if (!d.isOa() && line == kDetailedColumns)
        columns = 8, d.measureMode = 1;
    else
        return fail("the column names are not those of the mode");

    if (!lines.next(line))
        return missing("no units line");
    const QList<QByteArray> unitFields = line.toByteArray().split(',');
    if (unitFields.size() != columns)
        return fail("the units do not match the columns");
    // The temperature unit is kept as the meter sends it (degree mark, then C or F), so the file
    // writers test and write it as they would for a run.
    const bool tmpBasis = d.isOa() && h.modeText == QLatin1String("TMP");
    char letter = 'C';
    if (!d.isOa() || tmpBasis) {
        letter = temperatureLetter(unitFields.at(d.isOa() ? 0 : 2));
        if (!letter)
            return fail("unknown temperature unit");
    }
    const QString meterTemp = codepage::fromMeter(QByteArray("\xDF") + letter);
    for (Quantity q : {Quantity::Temperature, Quantity::DewPoint, Quantity::WetBulb})
        d.unit(q) = meterTemp;
    if (!d.isOa()) {
        d.unit(Quantity::CO) = headerText(unitFields.at(0));
        d.unit(Quantity::CO2) = headerText(unitFields.at(1));
        d.unit(Quantity::Humidity) = headerText(unitFields.at(3));
        if (columns == 8) {
            d.unit(Quantity::AbsHumidity) = headerText(unitFields.at(6));
            d.unit(Quantity::HumidityRatio) = headerText(unitFields.at(7));
        }
    } else {
        d.unit(Quantity::CO) = d.unit(Quantity::CO2) = QStringLiteral("ppm");
    }

    d.atmosPressure = h.pressureText.toInt();
    d.sampleTime = sampleTimeFor(h.samplingTimeText);
    d.plannedCount = h.count;
    d.fromFile = true;
    d.date = parseDate(h.dateText);
    d.modeText = h.modeText;
    d.reserve(h.count);
    // A file keeps the first sample's time of day and the interval only: sample i is taken i
    // intervals later (1 s when the file gives none), counted from the midnight before the first.
    const double start = firstTime.isValid() ? firstTime.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    const double step = (samplingSeconds > 0 ? samplingSeconds : 1) / 86400.0;
    std::array<double, kQuantityCount> record{};
    for (int i = 0; i < h.count; ++i) {
        if (!lines.next(line))
            return missing("fewer data lines than the number of data");
        qsizetype from = 0;
        for (int c = 0; c < columns; ++c) {
            qsizetype comma = line.indexOf(',', from);
            if ((comma < 0) != (c == columns - 1))
                return fail("the number of values does not match the columns");
            const QByteArrayView field = line.sliced(from, (comma < 0 ? line.size() : comma) - from);
            if (!parseNumber(field, record[size_t(c)]))
                return fail("a value is not a number");
            from = comma + 1;
        }
        if (d.isOa())
            d.appendOa({record[0], record[1], record[2], record[3]});
        else
            d.append(start + i * step, QByteArray(), record);
    }
    if (d.isOa())
        for (int i = 0; i < h.count; ++i)
            d.times.append(start + i * step);
    // Only empty lines may follow.
    while (lines.next(line))
        if (!line.isEmpty())
            return fail("more data lines than the number of data");
    return result;
}

std::variant<Imported, ImportError> readDataFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return ImportError{0, QStringLiteral("cannot be opened")};
    if (file.size() == 0)
        return readDataFile(QByteArray());
    uchar *mapped = file.map(0, file.size());
    if (!mapped)
        return readDataFile(file.readAll());
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), file.size());
    auto result = readDataFile(bytes);
    file.unmap(mapped);
    return result;
}

} // namespace csvimport
