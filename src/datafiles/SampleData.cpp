#include "datafiles/SampleData.h"

void SampleData::reserve(int n)
{
    n = qMax(0, n);
    times.reserve(n);
    lines.reserve(n);
    if (origin == Origin::OaPage) {
        for (QVector<double> &series : oa)
            series.reserve(n);
    } else {
        for (QVector<double> &series : values)
            series.reserve(n);
    }
}

void SampleData::append(double time, const QByteArray &line, const std::array<double, kQuantityCount> &record)
{
    times.append(time);
    lines.append(line);
    for (size_t q = 0; q < values.size(); ++q)
        values[q].append(record[q]);
}

void SampleData::appendOa(const std::array<double, kOaSeriesCount> &record)
{
    for (size_t s = 0; s < oa.size(); ++s)
        oa[s].append(record[s]);
}

void SampleData::clearSamples()
{
    times.clear();
    lines.clear();
    for (QVector<double> &series : values)
        series.clear();
    for (QVector<double> &series : oa)
        series.clear();
}
