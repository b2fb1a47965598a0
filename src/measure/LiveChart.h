#pragma once

#include <QChartView>
#include <QVector>
#include <optional>

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

// The live chart: CO2, CO (scaled by 10 or 100), temperature and humidity against the time of day.
// CO2 and CO share the left ppm scale, temperature and humidity the right one; an extra scale left
// of the left axis reads the unscaled CO values.
//
// Times are fractions of a day (as the sample buffers keep them), counted from the midnight before
// the run so that a run across midnight keeps going right. The chart keeps every point it was
// given, but its line series hold only what the visible range needs (the range plus a margin,
// thinned to about one point per pixel column), so a run of 65,500 samples stays cheap to draw.
class LiveChart : public QChartView {
    Q_OBJECT
public:
    explicit LiveChart(QWidget *parent = nullptr);

    // Configuration at window load.
    void configureAtLoad();
    void redraw();

    // Captions (text table) and fonts.
    void setTitleFirstLine(const QString &text);
    void setRightAxisTitle(const QString &text);
    void setSeriesTitle(int series, const QString &text);
    // Axis label, legend and title fonts: face and character set (128, 134, 0); Chinese 8 pt.
    void setChartFonts(const QString &face, int charSet);
    QString seriesTitle(int series) const;

    // --- A run ---
    // The chart's width of the time window once a run has started (51.84 s).
    static constexpr double ChartWindow = 0.0006;

    // Label step of the time axis in seconds.
    void setTimeLabelStep(int seconds);
    int timeLabelStep() const { return m_labelStepSec; }
    // New run: panning off, zoom undone and off, every series emptied.
    void resetForRun();
    // A page was read into the series: every line emptied as at load (panning and zoom untouched).
    void clearSeries();
    // Right axis by the temperature unit: Celsius -20.0001..100, else -10.0001..180.
    void setTemperatureScale(bool celsius, const QString &title);
    // COScaleFlag of the S reply: CO is drawn times 10, or times 100 when the flag is 0.
    void setCoScaleFlag(qint16 flag);
    int coFactor() const { return m_coScaleFlag != 0 ? 10 : 100; }
    // The time window before a sample is appended: the first sample sets it, later ones keep its width.
    void setFirstSampleWindow(double firstSampleTime);
    void keepWindowWidth();
    // Every point of a series at once (x sorted), for data held whole: one refresh instead of one per point.
    void setPoints(int series, const QVector<double> &x, const QVector<double> &y);
    // Append one point (x as a fraction of a day since the run's midnight).
    void AddChartPoint(int series, double x, double value);

    void setPanningEnabled(bool on);
    bool panningEnabled() const { return m_panning; }
    // Zoom button: switch rubber-band zoom on, or undo the zoom and switch it off.
    void setZoomEnabled(bool on);
    bool zoomEnabled() const { return m_zoom; }

    // The user's pan by a number of days (positive: later). Kept from starting before the first sample.
    void panBy(double days);

    // --- What the chart shows (for the window and for tests) ---
    double ChartStartTime() const { return m_chartStartTime; }
    double timeMin() const;
    double timeMax() const;
    void setTimeRange(double min, double max);
    double leftMin() const;
    double leftMax() const;
    double rightMin() const;
    double rightMax() const;
    QString rightAxisTitle() const;
    QString leftAxisTitle() const;
    // The extra CO scale's range (left axis range divided by the CO factor).
    double coScaleMin() const;
    double coScaleMax() const;
    // Every point the series was given / the points its line holds now.
    int pointCount(int series) const;
    double pointX(int series, int i) const;
    double pointY(int series, int i) const;
    int shownPointCount(int series) const;
    QLineSeries *lineSeries(int series) const;
    QDateTimeAxis *timeAxis() const { return m_time; }
    QValueAxis *leftAxis() const { return m_left; }
    QValueAxis *rightAxis() const { return m_right; }
    // The time axis labels in view: at whole multiples of the label step, as many as fit.
    QList<qint64> timeLabelTimes() const;
    QStringList timeLabels() const;
    // Guideline values drawn as dashed lines (CO2 on the left scale, CO scaled as its points are);
    // nothing: no line.
    void setGuidelineLines(std::optional<double> co2, std::optional<double> co);
    bool guidelineLinesShown() const { return m_co2Guideline || m_coGuideline; }
    // The x position (view pixels) where the extra CO scale was last drawn; -1 before.
    double coScaleX() const { return m_coScaleX; }

    // Milliseconds since the epoch of a chart time, and back.
    qint64 toMs(double dayFraction) const;
    double fromMs(qint64 ms) const;

protected:
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Store {
        QVector<double> x, y;   // sorted by x
        bool thinned = false;   // the line holds a reduced copy
        double shownHi = 0;     // right end of the range the line was last filled for
    };

    void onTimeRangeChanged();
    void enforceLowerBound();
    void refreshSeries(int series);
    void refreshAllSeries();
    void showLonePoint(int series);
    void updateTimeTicks();
    void drawTimeLabels(QPainter *painter, const QRectF &plot);
    void updateValueTicks();
    void emptySeries();

    QChart *m_chart;
    QLineSeries *m_series[4];
    Store m_store[4];
    QDateTimeAxis *m_time;
    QValueAxis *m_left;
    QValueAxis *m_right;
    qint64 m_baseMs = 0;          // midnight before the run, ms since the epoch
    double m_chartStartTime = 0;  // time of sample 1
    bool m_runStarted = false;    // a first sample has set the window
    qint16 m_coScaleFlag = 1;
    int m_labelStepSec = 1;
    bool m_panning = true;
    bool m_zoom = false;
    bool m_settingRange = false;
    bool m_boundPending = false;
    bool m_dragging = false;
    QPoint m_dragFrom;
    double m_coScaleX = -1;
    std::optional<double> m_co2Guideline, m_coGuideline;
    void drawGuidelines(QPainter *painter, const QRectF &plot);
};
