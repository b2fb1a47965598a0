#include "measure/LiveChart.h"

#include <QChart>
#include <QLineSeries>

LiveChart::LiveChart(QWidget *parent) : QChartView(parent)
{
    auto *c = new QChart;
    for (int i = 0; i < 4; ++i)
        c->addSeries(new QLineSeries(c));
    setChart(c);
}
void LiveChart::configureAtLoad() {}
void LiveChart::redraw() { update(); }
void LiveChart::setTitleFirstLine(const QString &text) { chart()->setTitle(text); }
void LiveChart::setRightAxisTitle(const QString &) {}
void LiveChart::setSeriesTitle(int series, const QString &text)
{
    if (series >= 0 && series < chart()->series().size())
        chart()->series().at(series)->setName(text);
}
QString LiveChart::seriesTitle(int series) const
{
    return series >= 0 && series < chart()->series().size() ? chart()->series().at(series)->name() : QString();
}
void LiveChart::setChartFonts(const QString &, int) {}
