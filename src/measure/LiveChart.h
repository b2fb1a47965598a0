#pragma once

#include <QChartView>

// The live chart: CO2, CO (scaled), temperature and humidity against the time of day.
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
};
