#pragma once

#include <QString>

#include "measure/SurveyStats.h"

class QWidget;
struct SampleData;

// The chart as a picture and the survey report, written whole (a temporary file renamed at the
// end) or not at all.
namespace report {

// The chart as it is shown (zoom, pan, axis titles, the extra CO scale): PNG at twice the
// widget's pixels, or SVG.
bool exportChartPng(QWidget *chart, const QString &fileName);
bool exportChartSvg(QWidget *chart, const QString &fileName);

// A PDF survey report in the program's language: what was measured, the chart, the figures per
// quantity and the guideline values used.
bool writeSurveyReport(const QString &fileName, const SampleData &data, const survey::Guidelines &g,
                       QWidget *chart);

// How the report writes a mean and a share of time (tests compute the same texts).
QString meanText(double mean);
QString shareText(double share);

} // namespace report
