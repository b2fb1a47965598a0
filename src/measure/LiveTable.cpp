#include "measure/LiveTable.h"

#include <QTime>
#include <cmath>

#include "datafiles/NumberText.h"
#include "i18n/CodePage.h"
#include "i18n/Texts.h"
#include "startup/Variable.h"

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

QStringList tableHeaders()
{
    using namespace Variable;
    const bool celsius = isCelsius(UnitTemp, SystemLanguage);
    const QString tempUnit = LoadResString(celsius ? 186 : 185);
    const bool japanese = SystemLanguage == QLatin1String("Japanese");
    const bool chinese = SystemLanguage == QLatin1String("Chinese");
    const bool english = LanguageChoice == 1;

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
    auto bracket = [](const QString &unit) { return QLatin1Char('[') + unit + QLatin1Char(']'); };
    return {
        LoadResString(155),
        LoadResString(118) + bracket(UnitCO),
        LoadResString(117) + bracket(UnitCO2),
        LoadResString(119) + (breakTemp ? br : QString()) + tempUnit,
        LoadResString(120) + bracket(UnitHum),
        LoadResString(121) + (breakDew ? br : QString()) + tempUnit,
        LoadResString(122) + (breakDew ? br : QString()) + tempUnit,
        LoadResString(123) + (breakAbs ? br : QString()) + bracket(UnitAbsHum),
        LoadResString(124) + br + bracket(UnitHumRatio),
    };
}

QStringList tableRow(int i, bool detailed)
{
    using namespace Variable;
    auto value = [i](const QVector<double> &series) {
        return i >= 0 && i < series.size() ? numtext::generalNumber(series.at(i)) : QString();
    };
    QStringList row;
    row.reserve(9);
    row << (i >= 0 && i < SampleTimes.size() ? timeText(SampleTimes.at(i)) : QString());
    row << value(COData) << value(CO2Data) << value(TempData) << value(HumData);
    if (detailed)
        row << value(DewPointData) << value(WetBulbData) << value(AbsHumData) << value(HumRatioData);
    else
        row << QString() << QString() << QString() << QString();
    return row;
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
