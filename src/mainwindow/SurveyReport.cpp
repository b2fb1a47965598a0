#include "mainwindow/SurveyReport.h"

#include <QDate>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>
#include <cmath>

#include "datafiles/CsvExport.h"
#include "datafiles/NumberText.h"
#include "datafiles/SampleData.h"
#include "i18n/Fonts.h"
#include "i18n/Texts.h"
#include "measure/LiveTable.h"

namespace report {

namespace {

// Painting into a file that only replaces the old one when everything was painted.
bool writeWhole(const QString &fileName, const std::function<bool(QIODevice &)> &paint)
{
    return csvexport::writeFileWhole(fileName, paint);
}

QString quantityName(const SampleData &data, int series)
{
    if (data.isOa()) {
        static const char *const kOa[] = {"Return_Air", "Supply_Air", "Outdoor_Air", "Percent_Outdoor_Air"};
        return QString::fromLatin1(kOa[series]);
    }
    static const int kIds[] = {118, 117, 119, 120, 121, 122, 123, 124};
    return LoadResString(kIds[series]);
}

QString unitText(const SampleData &data, int series)
{
    if (data.isOa()) {
        if (series == 3)
            return QStringLiteral("%OA");
        return data.modeText == QLatin1String("TMP") ? csvexport::degreeText(data.unit(Quantity::Temperature))
                                                      : QStringLiteral("ppm");
    }
    const Quantity q = Quantity(series);
    if (q == Quantity::Temperature || q == Quantity::DewPoint || q == Quantity::WetBulb)
        return csvexport::degreeText(data.unit(Quantity::Temperature));
    return data.unit(q);
}

QString rangeText(const survey::Range &r, const QString &unit)
{
    const QString u = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
    if (r.low && r.high)
        return numtext::generalNumber(*r.low) + QStringLiteral(" - ") + numtext::generalNumber(*r.high) + u;
    if (r.high)
        return QStringLiteral("≤ ") + numtext::generalNumber(*r.high) + u;
    return QStringLiteral("≥ ") + numtext::generalNumber(*r.low) + u;
}

QString modeText(const SampleData &data)
{
    if (data.isOa())
        return LoadResString(data.modeText == QLatin1String("TMP") ? 221 : 222);
    QString text = LoadResString(data.measureMode == 1 ? 134 : 133);
    if (data.origin == SampleData::Origin::CalculationPage && !data.modeText.isEmpty())
        text += QStringLiteral(" (") + data.modeText + QLatin1Char(')');
    return text;
}

QString samplingText(const SampleData &data)
{
    if (!data.sampleTime.isEmpty())
        return data.sampleTime;
    if (data.times.size() >= 2)
        return numtext::generalNumber(std::round((data.times[1] - data.times[0]) * 86400.0)) + QStringLiteral(" s");
    return QString();
}

void paintReport(QPainter &p, const QRect &page, const SampleData &data, const survey::Guidelines &g, QWidget *chart)
{
    QFont base = fonts::fontFor(QString::fromLatin1(fonts::kDesignFace), fonts::systemCharSet(), QFont());
    base.setPointSizeF(10);
    QFont title = base;
    title.setPointSizeF(16);
    title.setBold(true);
    const int n = data.count();
    const bool celsius = csvexport::temperatureIsCelsius(data.unit(Quantity::Temperature));
    int y = page.top();

    p.setFont(title);
    p.drawText(QRect(page.left(), y, page.width(), 60), Qt::AlignLeft | Qt::AlignTop, LoadResString(205));
    y += QFontMetrics(title, p.device()).height() + 16;

    // What was measured, two columns of name and value.
    p.setFont(base);
    const QFontMetrics fm(base, p.device());
    const int row = fm.height() + 6;
    const QDate date = data.date.isValid() ? data.date : QDate::currentDate();
    const QString range = n > 0 ? live::timeText(data.times.value(0)) + QStringLiteral(" - ")
                                      + live::timeText(data.times.value(n - 1))
                                : QString();
    const QList<std::pair<int, QString>> facts = {
        {193, csvexport::dateText(date)}, {213, range}, {131, modeText(data)}, {162, samplingText(data)},
        {163, QString::number(n)}, {214, numtext::generalNumber(data.atmosPressure)}};
    for (const auto &[id, value] : facts) {
        p.drawText(QRect(page.left(), y, page.width() / 3, row), Qt::AlignLeft | Qt::AlignVCenter, LoadResString(id));
        const QRect valueCell(page.left() + page.width() / 3, y, page.width() * 2 / 3, row);
        p.drawText(valueCell, Qt::AlignLeft | Qt::AlignVCenter, value);
        y += row;
    }
    y += row / 2;

    // The chart as it is shown, scaled to the page's width.
    if (chart && chart->width() > 0) {
        const double scale = double(page.width()) / chart->width();
        p.save();
        p.translate(page.left(), y);
        p.scale(scale, scale);
        chart->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
        p.restore();
        y += int(chart->height() * scale) + row;
    }

    // Figures per quantity.
    const QList<survey::Figures> rows = survey::figures(data, g, celsius);
    const int columns[] = {0, 33, 44, 55, 66, 80};  // left edges in percent of the width
    const int headIds[] = {0, 215, 216, 217, 218, 219};
    auto cell = [&](int c, const QString &text, bool bold = false, int height = 0) {
        QFont f = base;
        f.setBold(bold);
        p.setFont(f);
        const int left = page.left() + page.width() * columns[c] / 100;
        const int right = c + 1 < 6 ? page.left() + page.width() * columns[c + 1] / 100 : page.right();
        const int flags =
            (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter | (height ? Qt::TextWordWrap : 0);
        p.drawText(QRect(left, y, right - left - 8, height ? height : row), flags, text);
    };
    // Headings may take two lines where a language's words are long.
    for (int c = 1; c < 6; ++c)
        cell(c, LoadResString(headIds[c]), true, 2 * row);
    y += 2 * row;
    p.drawLine(page.left(), y - 2, page.right(), y - 2);
    for (const survey::Figures &f : rows) {
        const QString unit = unitText(data, f.series);
        cell(0, quantityName(data, f.series) + (unit.isEmpty() ? QString() : QStringLiteral(" [") + unit + ']'));
        cell(1, numtext::generalNumber(f.min));
        cell(2, meanText(f.mean));
        cell(3, numtext::generalNumber(f.max));
        cell(4, f.outsideShare ? shareText(*f.outsideShare) : QStringLiteral("-"));
        cell(5, f.range ? rangeText(*f.range, unit) : QStringLiteral("-"));
        y += row;
    }
    y += row;

    // The guideline values used.
    p.setFont(base);
    const QString degrees = csvexport::degreeText(data.unit(Quantity::Temperature));
    const QStringList used = {
        LoadResString(207) + QStringLiteral(": ") + numtext::generalNumber(g.co2Max) + QStringLiteral(" ppm"),
        LoadResString(208) + QStringLiteral(": ") + numtext::generalNumber(g.coMax) + QStringLiteral(" ppm"),
        LoadResString(119) + QStringLiteral(": ")
            + rangeText(*survey::rangeFor(Quantity::Temperature, g, celsius), degrees),
        LoadResString(120) + QStringLiteral(": ") + rangeText({g.humMin, g.humMax}, QStringLiteral("%RH"))};
    QFont bold = base;
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRect(page.left(), y, page.width(), row), Qt::AlignLeft | Qt::AlignVCenter, LoadResString(206));
    y += row;
    p.setFont(base);
    for (const QString &line : used) {
        p.drawText(QRect(page.left(), y, page.width(), row), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += row;
    }
}

} // namespace

QString meanText(double mean) { return QString::number(mean, 'f', 2); }
QString shareText(double share) { return QString::number(share * 100.0, 'f', 1) + QStringLiteral(" %"); }

bool exportChartPng(QWidget *chart, const QString &fileName)
{
    if (!chart || chart->size().isEmpty())
        return false;
    QImage image(chart->size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        chart->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    return writeWhole(fileName, [&](QIODevice &out) { return image.save(&out, "PNG"); });
}

bool exportChartSvg(QWidget *chart, const QString &fileName)
{
    if (!chart || chart->size().isEmpty())
        return false;
    return writeWhole(fileName, [&](QIODevice &out) {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(chart->size());
        svg.setViewBox(QRect(QPoint(), chart->size()));
        svg.setTitle(LoadResString(115));
        QPainter p;
        if (!p.begin(&svg))
            return false;
        chart->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
        return p.end();
    });
}

bool writeSurveyReport(const QString &fileName, const SampleData &data, const survey::Guidelines &g, QWidget *chart)
{
    return writeWhole(fileName, [&](QIODevice &out) {
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(150);
        pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pdf.setTitle(LoadResString(205));
        QPainter p;
        if (!p.begin(&pdf))
            return false;
        paintReport(p, pdf.pageLayout().paintRectPixels(pdf.resolution()).translated(
                           -pdf.pageLayout().paintRectPixels(pdf.resolution()).topLeft()),
                    data, g, chart);
        return p.end();
    });
}

} // namespace report
