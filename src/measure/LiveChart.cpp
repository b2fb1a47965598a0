#include "measure/LiveChart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QKeyEvent>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "i18n/Fonts.h"
#include "measure/LiveTable.h"

namespace {

constexpr double kMsPerDay = live::kMsPerDay;

// A "nice" tick interval (1, 2, 2.5, 5 times a power of ten, or multiples of `multipleOf`) so
// that range / interval stays within maxTicks.
double niceInterval(double range, int maxTicks, double multipleOf = 0)
{
    if (range <= 0 || maxTicks < 1)
        return 1;
    const double raw = range / maxTicks;
    if (multipleOf > 0) {
        static const double factors[] = {1, 2, 4, 5, 10, 20, 40, 50, 100, 200, 500, 1000};
        for (double f : factors)
            if (multipleOf * f >= raw)
                return multipleOf * f;
    }
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (f * power >= raw)
            return f * power;
    return 10 * power;
}

int decimalsFor(double interval)
{
    for (int d = 0; d < 6; ++d) {
        const double scaled = interval * std::pow(10.0, d);
        if (std::fabs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled))
            return d;
    }
    return 6;
}

qint64 midnightToday() { return QDateTime(QDate::currentDate(), QTime(0, 0)).toMSecsSinceEpoch(); }

// Times (ms) of the time axis labels between minMs and maxMs: whole multiples, counted from
// dayStartMs, of the label step times the smallest factor that leaves room for every label (as the
// meter's chart skips labels that would collide). A window narrower than the step may hold no
// multiple of it; it is then labelled in the largest whole seconds that fit.
QList<qint64> labelTimes(qint64 minMs, qint64 maxMs, qint64 dayStartMs, int stepSec, int maxLabels)
{
    static const int multiples[] = {1,   2,   5,    10,   15,   30,    60,    120,  300,
                                    600, 900, 1800, 3600, 7200, 21600, 43200, 86400};
    auto fits = [&](qint64 interval) { return (maxMs - minMs) / interval + 1 <= maxLabels; };
    auto at = [&](qint64 interval) {
        QList<qint64> times;
        const qint64 from = minMs - dayStartMs;
        qint64 t = (from >= 0 ? (from + interval - 1) / interval : -((-from) / interval)) * interval + dayStartMs;
        for (; t <= maxMs && times.size() <= maxLabels; t += interval)
            times.append(t);
        return times;
    };
    if (maxMs <= minMs || maxLabels < 1)
        return {};
    const qint64 step = qint64(qMax(1, stepSec)) * 1000;
    qint64 interval = step * multiples[std::size(multiples) - 1];
    for (int m : multiples)
        if (fits(step * m)) {
            interval = step * m;
            break;
        }
    QList<qint64> times = at(interval);
    for (auto m = std::rbegin(multiples); times.isEmpty() && m != std::rend(multiples); ++m)
        if (qint64(*m) * 1000 < step && fits(qint64(*m) * 1000))
            times = at(qint64(*m) * 1000);
    return times;
}

} // namespace

// The view is made with its chart: QChartView() would first make a default chart of its own, and
// a chart costs as much as the rest of the window.
LiveChart::LiveChart(QWidget *parent) : QChartView(new QChart, parent), m_chart(chart())
{
    m_chart->setObjectName(QStringLiteral("TChart1Chart"));
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundBrush(QColor(0xEE, 0xF4, 0xFC));
    m_chart->legend()->setVisible(true);
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->legend()->setBackgroundVisible(true);
    m_chart->legend()->setBrush(QColor(0xE4, 0xE0, 0xF6));
    m_chart->legend()->setPen(QPen(QColor(0x6A, 0x5A, 0xCD)));

    static const QColor colours[4] = {Qt::red, QColor(0x00, 0xA0, 0x00), QColor(0xE6, 0xC8, 0x00), Qt::blue};
    for (int i = 0; i < 4; ++i) {
        m_series[i] = new QLineSeries(m_chart);
        m_series[i]->setObjectName(QStringLiteral("TChart1Series%1").arg(i));
        QPen pen(colours[i]);
        pen.setWidthF(1.5);
        m_series[i]->setPen(pen);
        m_series[i]->setPointsVisible(false);
        m_series[i]->setMarkerSize(7);
        m_chart->addSeries(m_series[i]);
    }

    m_time = new QDateTimeAxis(m_chart);
    m_time->setObjectName(QStringLiteral("TChart1BottomAxis"));
    m_time->setFormat(QStringLiteral("hh:mm:ss"));
    // The axis can only divide its range evenly (18:51:26, :37, :47...): its labels are drawn by
    // drawForeground at whole multiples of the label step instead. Its own two labels stay,
    // invisible, so that the chart keeps room for them.
    m_time->setTickCount(2);
    m_time->setLabelsColor(Qt::transparent);
    m_time->setGridLineVisible(false);
    m_left = new QValueAxis(m_chart);
    m_left->setObjectName(QStringLiteral("TChart1LeftAxis"));
    m_right = new QValueAxis(m_chart);
    m_right->setObjectName(QStringLiteral("TChart1RightAxis"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_left, Qt::AlignLeft);
    m_chart->addAxis(m_right, Qt::AlignRight);
    for (int i = 0; i < 4; ++i) {
        m_series[i]->attachAxis(m_time);
        m_series[i]->attachAxis(i < 2 ? m_left : m_right);
    }
    // Ranges and tick intervals before dynamic ticks: a dynamic axis with its default interval
    // lays out one label per unit of the range (5,500 of them for the ppm scale), which alone cost
    // more than the rest of the start-up.
    m_left->setRange(0, 5500);
    m_left->setTickInterval(1000);
    m_right->setRange(-20.00001, 100);
    m_right->setTickInterval(20);
    for (QValueAxis *axis : {m_left, m_right}) {
        axis->setTickAnchor(0);
        axis->setTickType(QValueAxis::TicksDynamic);
    }

    setRenderHint(QPainter::Antialiasing, true);
    setFocusPolicy(Qt::StrongFocus);
    setRubberBand(QChartView::NoRubberBand);

    connect(m_time, &QDateTimeAxis::rangeChanged, this, [this] { onTimeRangeChanged(); });
    connect(m_left, &QValueAxis::rangeChanged, this, [this] { updateValueTicks(); });
    connect(m_right, &QValueAxis::rangeChanged, this, [this] { updateValueTicks(); });
    connect(m_chart, &QChart::plotAreaChanged, this, [this] {
        updateTimeTicks();
        updateValueTicks();
    });

    m_baseMs = midnightToday();
    configureAtLoad();
}

// ---- load and captions ----

void LiveChart::configureAtLoad()
{
    setZoomEnabled(false);
    setPanningEnabled(true);
    m_left->setTitleText(QStringLiteral("[ppm]"));
    m_left->setRange(0, 5500);
    m_right->setRange(-20.00001, 100);
    m_baseMs = midnightToday();
    const double now = live::timeOfDayNow();
    setTimeRange(now, now + 0.00012);
    emptySeries();
    m_runStarted = false;
    m_chartStartTime = 0;
    updateValueTicks();
}

void LiveChart::redraw()
{
    viewport()->update();
}

void LiveChart::setTitleFirstLine(const QString &text) { m_chart->setTitle(text); }
void LiveChart::setRightAxisTitle(const QString &text) { m_right->setTitleText(text); }
QString LiveChart::rightAxisTitle() const { return m_right->titleText(); }
QString LiveChart::leftAxisTitle() const { return m_left->titleText(); }

void LiveChart::setSeriesTitle(int series, const QString &text)
{
    if (series >= 0 && series < 4)
        m_series[series]->setName(text);
}

QString LiveChart::seriesTitle(int series) const
{
    return series >= 0 && series < 4 ? m_series[series]->name() : QString();
}

void LiveChart::setChartFonts(const QString &face, int charSet)
{
    const QFont f = fonts::fontFor(face, charSet, font());
    QFont small = f;
    // Chinese axis texts and legend are set smaller to fit.
    if (charSet == 134)
        small.setPointSize(8);
    for (QValueAxis *axis : {m_left, m_right}) {
        axis->setLabelsFont(small);
        axis->setTitleFont(small);
    }
    m_time->setLabelsFont(small);
    m_time->setTitleFont(f);
    m_chart->legend()->setFont(small);
    m_chart->setTitleFont(f);
    // Room for the extra CO scale left of the left axis.
    const QFontMetrics fm(small);
    m_chart->setMargins(QMargins(fm.horizontalAdvance(QStringLiteral("550.00")) + 14, 4, 6, 4));
    updateTimeTicks();
    updateValueTicks();
}

// ---- a run ----

void LiveChart::setTimeLabelStep(int seconds)
{
    m_labelStepSec = qMax(1, seconds);
    updateTimeTicks();
}

void LiveChart::resetForRun()
{
    setPanningEnabled(false);
    setZoomEnabled(false);
    emptySeries();
    m_runStarted = false;
    m_chartStartTime = 0;
    m_baseMs = midnightToday();
}

void LiveChart::clearSeries()
{
    emptySeries();
    redraw();
}

void LiveChart::setTemperatureScale(bool celsius, const QString &title)
{
    m_right->setTitleText(title);
    if (celsius)
        m_right->setRange(-20.0001, 100);
    else
        m_right->setRange(-10.0001, 180);
}

void LiveChart::setCoScaleFlag(qint16 flag)
{
    m_coScaleFlag = flag;
    redraw();
}

void LiveChart::setFirstSampleWindow(double firstSampleTime)
{
    m_chartStartTime = firstSampleTime;
    m_runStarted = true;
    setTimeRange(firstSampleTime, firstSampleTime + ChartWindow);
}

void LiveChart::keepWindowWidth()
{
    const double min = timeMin();
    if (toMs(timeMax()) != toMs(min + ChartWindow))
        setTimeRange(min, min + ChartWindow);
}

void LiveChart::AddChartPoint(int series, double x, double value)
{
    if (series < 0 || series > 3)
        return;
    Store &st = m_store[series];
    QLineSeries *line = m_series[series];
    const bool atEnd = st.x.isEmpty() || x >= st.x.last();
    if (atEnd) {
        st.x.append(x);
        st.y.append(value);
    } else {
        // A re-sent request moves a sample's time stamp; keep the points in time order.
        const auto at = std::upper_bound(st.x.begin(), st.x.end(), x) - st.x.begin();
        st.x.insert(at, x);
        st.y.insert(at, value);
    }
    const double lo = timeMin(), hi = timeMax();
    const double margin = (hi - lo) * 0.25;
    if (!atEnd || st.thinned) {
        if (x >= lo - margin && x <= hi + margin)
            refreshSeries(series);
        return;
    }
    // The line needs new points only until it holds one beyond the right edge of its range.
    const int shown = line->count();
    if (shown == 0 || fromMs(qint64(line->at(shown - 1).x())) <= st.shownHi) {
        const int columns = qMax(50, int(m_chart->plotArea().width()));
        if (shown + 1 > 2 * columns + 4)
            refreshSeries(series);
        else
            line->append(double(toMs(x)), value);
    }
    showLonePoint(series);
}

void LiveChart::setPoints(int series, const QVector<double> &x, const QVector<double> &y)
{
    if (series < 0 || series > 3)
        return;
    m_store[series].x = x;
    m_store[series].y = y.mid(0, x.size());
    m_store[series].x.resize(m_store[series].y.size());
    refreshSeries(series);
}

void LiveChart::setPanningEnabled(bool on)
{
    m_panning = on;
    if (!on)
        m_dragging = false;
}

void LiveChart::setZoomEnabled(bool on)
{
    if (!on && m_chart->isZoomed())
        m_chart->zoomReset();
    m_zoom = on;
    setRubberBand(on ? QChartView::RectangleRubberBand : QChartView::NoRubberBand);
}

void LiveChart::panBy(double days)
{
    if (!m_panning)
        return;
    double min = timeMin() + days;
    double max = timeMax() + days;
    if (m_runStarted && min < m_chartStartTime) {
        min = m_chartStartTime;
        max = m_chartStartTime + ChartWindow;
    }
    setTimeRange(min, max);
}

// ---- what the chart shows ----

qint64 LiveChart::toMs(double dayFraction) const { return m_baseMs + qint64(std::llround(dayFraction * kMsPerDay)); }
double LiveChart::fromMs(qint64 ms) const { return double(ms - m_baseMs) / kMsPerDay; }

double LiveChart::timeMin() const { return fromMs(m_time->min().toMSecsSinceEpoch()); }
double LiveChart::timeMax() const { return fromMs(m_time->max().toMSecsSinceEpoch()); }

void LiveChart::setTimeRange(double min, double max)
{
    m_settingRange = true;
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(toMs(min)), QDateTime::fromMSecsSinceEpoch(toMs(max)));
    m_settingRange = false;
}

double LiveChart::leftMin() const { return m_left->min(); }
double LiveChart::leftMax() const { return m_left->max(); }
double LiveChart::rightMin() const { return m_right->min(); }
double LiveChart::rightMax() const { return m_right->max(); }
double LiveChart::coScaleMin() const { return m_left->min() / coFactor(); }
double LiveChart::coScaleMax() const { return m_left->max() / coFactor(); }

int LiveChart::pointCount(int series) const { return series >= 0 && series < 4 ? int(m_store[series].x.size()) : 0; }
double LiveChart::pointX(int series, int i) const { return m_store[series].x.value(i); }
double LiveChart::pointY(int series, int i) const { return m_store[series].y.value(i); }
int LiveChart::shownPointCount(int series) const { return series >= 0 && series < 4 ? m_series[series]->count() : 0; }
QLineSeries *LiveChart::lineSeries(int series) const { return series >= 0 && series < 4 ? m_series[series] : nullptr; }

// ---- keeping the lines to what the view needs ----

void LiveChart::onTimeRangeChanged()
{
    if (m_settingRange) {
        refreshAllSeries();
    } else {
        // The user zoomed: check the lower bound and refill the lines once Qt is done zooming.
        if (!m_boundPending) {
            m_boundPending = true;
            QTimer::singleShot(0, this, [this] {
                m_boundPending = false;
                enforceLowerBound();
                refreshAllSeries();
            });
        }
    }
    updateTimeTicks();
}

void LiveChart::enforceLowerBound()
{
    if (m_runStarted && toMs(timeMin()) < toMs(m_chartStartTime))
        setTimeRange(m_chartStartTime, m_chartStartTime + ChartWindow);
}

void LiveChart::refreshAllSeries()
{
    for (int i = 0; i < 4; ++i)
        refreshSeries(i);
}

void LiveChart::refreshSeries(int series)
{
    Store &st = m_store[series];
    const double tmin = timeMin(), tmax = timeMax();
    const double margin = (tmax - tmin) * 0.25;
    const double lo = tmin - margin, hi = tmax + margin;
    st.shownHi = hi;
    const int n = int(st.x.size());
    int b = int(std::lower_bound(st.x.begin(), st.x.end(), lo) - st.x.begin());
    int e = int(std::upper_bound(st.x.begin(), st.x.end(), hi) - st.x.begin());
    // One point either side, so the line runs to the edges.
    if (b > 0)
        --b;
    if (e < n)
        ++e;
    const int count = e - b;
    const int columns = qMax(50, int(m_chart->plotArea().width()));
    QList<QPointF> points;
    if (count <= 2 * columns + 4) {
        st.thinned = false;
        points.reserve(count);
        for (int i = b; i < e; ++i)
            points.append(QPointF(double(toMs(st.x[i])), st.y[i]));
    } else {
        // One low and one high point per pixel column keep every peak visible.
        st.thinned = true;
        points.reserve(2 * columns + 4);
        const double span = hi - lo;
        int i = b;
        points.append(QPointF(double(toMs(st.x[i])), st.y[i]));
        ++i;
        while (i < e - 1) {
            const int col = int((st.x[i] - lo) / span * columns);
            int lowAt = i, highAt = i;
            int j = i;
            while (j < e - 1 && int((st.x[j] - lo) / span * columns) == col) {
                if (st.y[j] < st.y[lowAt])
                    lowAt = j;
                if (st.y[j] > st.y[highAt])
                    highAt = j;
                ++j;
            }
            const int first = qMin(lowAt, highAt), second = qMax(lowAt, highAt);
            points.append(QPointF(double(toMs(st.x[first])), st.y[first]));
            if (second != first)
                points.append(QPointF(double(toMs(st.x[second])), st.y[second]));
            i = j;
        }
        if (e - 1 > b)
            points.append(QPointF(double(toMs(st.x[e - 1])), st.y[e - 1]));
    }
    m_series[series]->replace(points);
    showLonePoint(series);
}

void LiveChart::showLonePoint(int series)
{
    // A line of one point draws nothing: a run of one sample shows its point.
    const bool lone = m_store[series].x.size() == 1;
    if (m_series[series]->pointsVisible() == lone)
        return;
    m_series[series]->setPointsVisible(lone);
    // The series repaints only its line's area when its markers go: the half of the marker
    // beyond the plot's edge would stay on screen.
    redraw();
}

void LiveChart::emptySeries()
{
    for (int i = 0; i < 4; ++i) {
        m_store[i] = Store();
        m_series[i]->clear();
        m_series[i]->setPointsVisible(false);
    }
}

void LiveChart::updateTimeTicks() { viewport()->update(); }

QList<qint64> LiveChart::timeLabelTimes() const
{
    const double px = m_chart->plotArea().width();
    const QFontMetrics fm(m_time->labelsFont());
    const int maxLabels = int(px / (fm.horizontalAdvance(QStringLiteral("00:00:00")) + 14));
    return labelTimes(m_time->min().toMSecsSinceEpoch(), m_time->max().toMSecsSinceEpoch(), m_baseMs, m_labelStepSec,
                      maxLabels);
}

QStringList LiveChart::timeLabels() const
{
    QStringList texts;
    for (qint64 t : timeLabelTimes())
        texts << QDateTime::fromMSecsSinceEpoch(t).toString(m_time->format());
    return texts;
}

void LiveChart::updateValueTicks()
{
    const double h = m_chart->plotArea().height();
    const int maxTicks = qMax(2, int((h > 0 ? h : 200) / 24));
    const double leftInterval = niceInterval(m_left->max() - m_left->min(), maxTicks);
    if (!qFuzzyCompare(m_left->tickInterval(), leftInterval))
        m_left->setTickInterval(leftInterval);
    m_left->setLabelFormat(QStringLiteral("%.%1f").arg(decimalsFor(leftInterval)));
    // The right scale labels in steps of 5.
    const double rightRange = m_right->max() - m_right->min();
    const double rightInterval =
        rightRange > 25 ? niceInterval(rightRange, maxTicks, 5) : niceInterval(rightRange, maxTicks);
    if (!qFuzzyCompare(m_right->tickInterval(), rightInterval))
        m_right->setTickInterval(rightInterval);
    m_right->setLabelFormat(QStringLiteral("%.%1f").arg(decimalsFor(rightInterval)));
}

// ---- drawing the extra CO scale ----

void LiveChart::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    const QRectF plot = m_chart->mapToScene(m_chart->plotArea()).boundingRect();
    if (plot.height() <= 0)
        return;
    drawTimeLabels(painter, plot);
    drawGuidelines(painter, plot);
    const QFont labelFont = m_left->labelsFont();
    const QFontMetricsF fm(labelFont);
    // Left of the left axis' labels and title.
    const double leftAxisWidth = fm.horizontalAdvance(QStringLiteral("5500")) + fm.height() + 18;
    const double x = plot.left() - leftAxisWidth;
    const double k = coFactor();
    const double lmin = m_left->min(), lmax = m_left->max();
    if (lmax <= lmin)
        return;
    const double interval = m_left->tickInterval() > 0 ? m_left->tickInterval() : (lmax - lmin) / 5;
    const int decimals = decimalsFor(interval / k);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setFont(labelFont);
    QPen axisPen(QColor(0x00, 0x80, 0x00));
    painter->setPen(axisPen);
    painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    QPen gridPen(QColor(0x00, 0x80, 0x00, 40));
    gridPen.setStyle(Qt::DotLine);
    const double first = std::ceil(lmin / interval - 1e-9) * interval;
    for (double v = first; v <= lmax + interval * 1e-9; v += interval) {
        const double y = plot.bottom() - (v - lmin) / (lmax - lmin) * plot.height();
        painter->setPen(gridPen);
        painter->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter->setPen(axisPen);
        painter->drawLine(QPointF(x - 3, y), QPointF(x, y));
        const QString text = QString::number(v / k, 'f', decimals);
        const double w = fm.horizontalAdvance(text);
        painter->drawText(QPointF(x - 5 - w, y + fm.ascent() / 2 - 1), text);
    }
    painter->restore();
    m_coScaleX = mapFromScene(QPointF(x, plot.top())).x();
}

void LiveChart::setGuidelineLines(std::optional<double> co2, std::optional<double> co)
{
    m_co2Guideline = co2;
    m_coGuideline = co;
    viewport()->update();
}

void LiveChart::drawGuidelines(QPainter *painter, const QRectF &plot)
{
    const double lmin = m_left->min(), lmax = m_left->max();
    if (lmax <= lmin)
        return;
    painter->save();
    const struct { std::optional<double> value; QColor color; } lines[] = {
        {m_co2Guideline, m_series[0]->color()},
        {m_coGuideline ? std::optional<double>(*m_coGuideline * coFactor()) : std::nullopt, m_series[1]->color()}};
    for (const auto &line : lines) {
        if (!line.value || *line.value < lmin || *line.value > lmax)
            continue;
        QPen pen(line.color, 1.5, Qt::DashLine);
        painter->setPen(pen);
        const double y = plot.bottom() - (*line.value - lmin) / (lmax - lmin) * plot.height();
        painter->drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter->restore();
}

void LiveChart::drawTimeLabels(QPainter *painter, const QRectF &plot)
{
    const qint64 min = m_time->min().toMSecsSinceEpoch(), max = m_time->max().toMSecsSinceEpoch();
    if (max <= min)
        return;
    const QFontMetricsF fm(m_time->labelsFont());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setFont(m_time->labelsFont());
    QPen gridPen(m_left->gridLinePen());
    QPen tickPen(m_time->linePen());
    for (qint64 t : timeLabelTimes()) {
        const double x = plot.left() + double(t - min) / double(max - min) * plot.width();
        painter->setPen(gridPen);
        painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter->setPen(tickPen);
        painter->drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 5));
        const QString text = QDateTime::fromMSecsSinceEpoch(t).toString(m_time->format());
        painter->setPen(m_left->labelsColor());
        painter->drawText(QPointF(x - fm.horizontalAdvance(text) / 2, plot.bottom() + 7 + fm.ascent()), text);
    }
    painter->restore();
}

// ---- panning by drag and arrow keys ----

void LiveChart::mousePressEvent(QMouseEvent *event)
{
    const bool panButton = (event->button() == Qt::LeftButton && !m_zoom) || event->button() == Qt::RightButton;
    if (m_panning && panButton) {
        m_dragging = true;
        m_dragFrom = event->position().toPoint();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void LiveChart::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        const QPoint now = event->position().toPoint();
        const double px = m_chart->plotArea().width();
        if (px > 0 && now.x() != m_dragFrom.x()) {
            panBy(-(now.x() - m_dragFrom.x()) / px * (timeMax() - timeMin()));
            m_dragFrom = now;
        }
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void LiveChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging) {
        m_dragging = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void LiveChart::keyPressEvent(QKeyEvent *event)
{
    if (m_panning && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        const double step = (timeMax() - timeMin()) * 0.1;
        panBy(event->key() == Qt::Key_Left ? -step : step);
        event->accept();
        return;
    }
    QChartView::keyPressEvent(event);
}

void LiveChart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    updateTimeTicks();
    updateValueTicks();
}
