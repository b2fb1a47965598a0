#include "measure/SurveyStats.h"

#include <algorithm>

namespace survey {

std::optional<Range> rangeFor(Quantity q, const Guidelines &g, bool celsius)
{
    switch (q) {
    case Quantity::CO2: return Range{std::nullopt, g.co2Max};
    case Quantity::CO: return Range{std::nullopt, g.coMax};
    case Quantity::Temperature:
        return celsius ? Range{g.tempMin, g.tempMax} : Range{toFahrenheit(g.tempMin), toFahrenheit(g.tempMax)};
    case Quantity::Humidity: return Range{g.humMin, g.humMax};
    default: return std::nullopt;
    }
}

QList<double> sampleWeights(const QList<double> &times)
{
    const qsizetype n = times.size();
    QList<double> weights(n, 1.0 / 86400.0);
    for (qsizetype i = 0; i + 1 < n; ++i)
        weights[i] = std::max(0.0, times[i + 1] - times[i]);
    if (n >= 2)
        weights[n - 1] = weights[n - 2];
    return weights;
}

QList<Figures> figures(const SampleData &data, const Guidelines &g, bool celsius)
{
    QList<Figures> rows;
    const int n = data.count();
    if (n == 0)
        return rows;
    const QList<double> weights = sampleWeights(data.times.mid(0, n));
    const bool weighted = data.times.size() >= n;
    const int seriesCount =
        data.isOa() ? kOaSeriesCount : (data.measureMode == 1 ? kQuantityCount : kStandardQuantityCount);
    for (int s = 0; s < seriesCount; ++s) {
        const QVector<double> &v = data.isOa() ? data.oa[size_t(s)] : data.values[size_t(s)];
        if (v.size() < n)
            continue;
        Figures f;
        f.series = s;
        if (!data.isOa())
            f.range = rangeFor(Quantity(s), g, celsius);
        f.min = f.max = v[0];
        double sum = 0, total = 0, outside = 0;
        for (int i = 0; i < n; ++i) {
            const double x = v[i];
            f.min = std::min(f.min, x);
            f.max = std::max(f.max, x);
            sum += x;
            const double w = weighted ? weights[i] : 1.0;
            total += w;
            if (f.range && ((f.range->low && x < *f.range->low) || (f.range->high && x > *f.range->high)))
                outside += w;
        }
        f.mean = sum / n;
        if (f.range)
            f.outsideShare = total > 0 ? outside / total : 0.0;
        rows << f;
    }
    return rows;
}

} // namespace survey
