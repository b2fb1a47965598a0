#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "datafiles/SampleData.h"

// Figures of a survey report: minimum, mean, maximum and the share of time outside the guideline
// range, per quantity held. Plain functions over the held data.
namespace survey {

// Guideline ranges the report and the chart's guideline lines use. The defaults are the building
// hygiene values surveyors in Japan check against. Temperatures are kept in degrees Celsius.
struct Guidelines {
    double co2Max = 1000;  // ppm
    double coMax = 6;      // ppm
    double tempMin = 18, tempMax = 28;
    double humMin = 40, humMax = 70;  // %RH
    bool operator==(const Guidelines &) const = default;
};

inline double toFahrenheit(double celsius) { return celsius * 9.0 / 5.0 + 32.0; }

struct Range {
    std::optional<double> low, high;  // no bound: not checked on that side
};

// The range of a quantity, in the data's temperature unit; nothing when no guideline applies.
std::optional<Range> rangeFor(Quantity q, const Guidelines &g, bool celsius);

struct Figures {
    int series = 0;  // Quantity, or OaSeries for %OA data
    double min = 0, mean = 0, max = 0;
    std::optional<double> outsideShare;  // 0..1; nothing without a guideline
    std::optional<Range> range;
};

// One row per quantity held (four for Standard and %OA data, eight for Detailed); no rows without
// samples. Values outside the range by any amount count as outside.
QList<Figures> figures(const SampleData &data, const Guidelines &g, bool celsius);

// Each sample stands for the time until the next one; the last stands for the interval before it
// (one second when there is only one). The weights of a run sum to its length plus one interval.
QList<double> sampleWeights(const QList<double> &times);

} // namespace survey
