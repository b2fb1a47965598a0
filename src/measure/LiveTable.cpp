#include "measure/LiveTable.h"

#include <QTime>
#include <cmath>

#include "datafiles/CsvExport.h"
#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "measure/Samples.h"
#include "serial/Protocol.h"

namespace live {

std::optional<Intervals> intervalsForSampleTime(const QString &text)
{
    struct Row {
        int textId;
        int seconds;
    };
    static const Row rows[] = {{126, 1}, {127, 2}, {128, 5}, {129, 10}, {130, 30}, {174, 60}};
    for (const Row &r : rows) {
        if (text == LoadResString(r.textId)) {
            // The label step follows the sampling time; 2 s keeps one-second labels.
            const int step = r.seconds == 2 ? 1 : r.seconds;
            return Intervals{r.seconds * 1000, r.seconds == 1 ? 100 : 500, step};
        }
    }
    return std::nullopt;
}

bool isCelsius(const QString &unitTemp, const QString &systemLanguage)
{
    // On a Chinese system the degree mark 0xDF and the "C" after it are one GBK character (ANSI code
    // -8381), and only that character means Celsius.
    if (systemLanguage == QLatin1String("Chinese"))
        return !unitTemp.isEmpty() && codepage::toMeter(unitTemp.left(1)) == QByteArray("\xDF\x43");
    return unitTemp.size() >= 2 && unitTemp.at(1) == QLatin1Char('C');
}

QStringList tableHeaders(const SampleData &data)
{
    const QString &systemLanguage = i18n::language().systemLanguage;
    const bool celsius = isCelsius(data.unit(Quantity::Temperature), systemLanguage);
    const QString tempUnit = LoadResString(celsius ? 186 : 185);
    const bool japanese = systemLanguage == QLatin1String("Japanese");
    const bool chinese = systemLanguage == QLatin1String("Chinese");
    const bool english = i18n::language().choice == 1;

    // Where the name and the unit go on two lines depends on the language's word lengths.
    bool breakTemp, breakDew, breakAbs;
    if (english) {
        breakTemp = true;
        breakDew = true;
        breakAbs = chinese;
    } else if (japanese) {
        breakTemp = true;
        breakDew = false;
        breakAbs = false;
    } else if (chinese) {
        breakTemp = false;
        breakDew = false;
        breakAbs = true;
    } else {
        breakTemp = false;
        breakDew = true;
        breakAbs = false;
    }
    const QString br = QStringLiteral("\n");
    auto bracket = [&data](Quantity q) { return QLatin1Char('[') + data.unit(q) + QLatin1Char(']'); };
    return {
        LoadResString(155),
        LoadResString(118) + bracket(Quantity::CO),
        LoadResString(117) + bracket(Quantity::CO2),
        LoadResString(119) + (breakTemp ? br : QString()) + tempUnit,
        LoadResString(120) + bracket(Quantity::Humidity),
        LoadResString(121) + (breakDew ? br : QString()) + tempUnit,
        LoadResString(122) + (breakDew ? br : QString()) + tempUnit,
        LoadResString(123) + (breakAbs ? br : QString()) + bracket(Quantity::AbsHumidity),
        LoadResString(124) + br + bracket(Quantity::HumidityRatio),
    };
}

QString tableCell(const SampleData &data, int i, int col)
{
    if (i < 0 || i >= data.count() || col < 1 || col > 9)
        return QString();
    if (col == 1)
        return i < data.times.size() ? timeText(data.times.at(i)) : QString();
    const int q = col - 2;
    if (data.isOa())  // a %OA file: return, supply and outdoor air and %OA in the first four columns
        return q < kOaSeriesCount ? numtext::generalNumber(data.oa[size_t(q)].value(i)) : QString();
    if (q >= kStandardQuantityCount && data.measureMode != 1)
        return QString();
    return numtext::generalNumber(data.values[size_t(q)].at(i));
}

QString timeText(double dayFraction)
{
    double ms = std::round(dayFraction * kMsPerDay);
    ms = std::fmod(ms, kMsPerDay);
    if (ms < 0)
        ms += kMsPerDay;
    return QTime::fromMSecsSinceStartOfDay(int(ms)).toString(QStringLiteral("HH:mm:ss"));
}

double timeOfDayNow() { return QTime::currentTime().msecsSinceStartOfDay() / kMsPerDay; }

std::optional<QByteArray> runFileBytes(const SampleData &data, const QDate &date)
{
    const qint32 count = data.count();
    const csvexport::CsvHeader header{csvexport::dateText(date),
                                      csvexport::timeOfDayText(count > 0 ? data.times.at(0) : 0.0),
                                      numtext::generalNumber(data.atmosPressure), count,
                                      csvexport::samplingTimeText(data.sampleTime)};
    // Saved with the mode and sampling time the run was measured with.
    return csvexport::measureCsvBytes(header, csvexport::kNormalModeText, data.measureMode, data);
}

bool writeRunFile(const QString &fileName, const SampleData &data, const QDate &date)
{
    const auto bytes = runFileBytes(data, date);
    return bytes && csvexport::writeFileWhole(fileName, *bytes);
}

SampleData recoveredRunData(const RecoveredRun &run)
{
    const JournalHeader &h = run.header;
    SampleData data;
    data.origin = SampleData::Origin::LiveRun;
    data.measureMode = h.measureMode;
    data.sampleTime = h.sampleTime;
    data.atmosPressure = h.atmosPressure;
    for (size_t i = 0; i < data.units.size(); ++i)
        data.units[i] = h.units.value(int(i));
    data.reserve(int(run.samples.size()));
    for (const JournalSample &sample : run.samples) {
        const auto values = protocol::splitDataRecord(sample.line, h.measureMode == 1, false);
        data.append(sample.time, sample.line, values.value_or(std::array<double, kQuantityCount>{}));
    }
    return data;
}

QByteArray debugDataLine(bool detailed, std::mt19937 &rng)
{
    static const int standardLimits[] = {550, 3000, 100, 50, 30};
    static const int detailedLimits[] = {550, 3000, 100, 50, 30, 100, 10, 30, 50, 30};
    const int *limits = detailed ? detailedLimits : standardLimits;
    const int count = detailed ? 10 : 5;
    QByteArray line;
    for (int k = 0; k < count; ++k) {
        std::uniform_int_distribution<int> pick(0, limits[k] - 1);
        if (k > 0)
            line += ';';
        line += numtext::numberWithSign(pick(rng)).toLatin1();
    }
    return line;
}

} // namespace live

LiveTableModel::LiveTableModel(const Samples &samples, QObject *parent)
    : QAbstractTableModel(parent), m_samples(samples)
{
    for (int c = 0; c < 9; ++c)
        m_headers << QString();
    connect(&samples, &Samples::sampleAdded, this, &LiveTableModel::onSampleAdded);
    connect(&samples, &Samples::replaced, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int LiveTableModel::maxRows() const
{
    // A run has its rows from its start; data held otherwise show at least ten rows, as at load.
    const SampleData &data = m_samples.data();
    if (!showsData())
        return kIdleRows;
    return data.plannedCount > 0 ? qMax(data.plannedCount, data.count()) : qMax(data.count(), kIdleRows);
}

int LiveTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : qMax(maxRows(), m_fillRows);
}

Qt::ItemFlags LiveTableModel::flags(const QModelIndex &index) const
{
    // The empty rows after the last one are only drawn.
    return index.isValid() && index.row() < maxRows() ? QAbstractTableModel::flags(index) : Qt::NoItemFlags;
}

void LiveTableModel::setFillRows(int rows)
{
    rows = qMax(0, rows);
    if (rows == m_fillRows)
        return;
    beginResetModel();
    m_fillRows = rows;
    endResetModel();
}
int LiveTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 9; }

bool LiveTableModel::showsData() const
{
    return m_samples.data().origin == SampleData::Origin::LiveRun || m_samples.data().fromFile;
}

QVariant LiveTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) || !showsData())
        return {};
    return live::tableCell(m_samples.data(), index.row(), index.column() + 1);
}

QVariant LiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_headers.value(section);
    return section + 1;
}

bool LiveTableModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0
        || section >= 9)
        return false;
    m_headers[section] = value.toString();
    emit headerDataChanged(Qt::Horizontal, section, section);
    return true;
}

void LiveTableModel::onSampleAdded(int index)
{
    if (!showsData())
        return;
    if (index >= maxRows()) {  // more samples than planned: the table grows with them
        beginResetModel();
        endResetModel();
        return;
    }
    emit dataChanged(this->index(index, 0), this->index(index, 8));
}
