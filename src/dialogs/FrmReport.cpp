#include "dialogs/FrmReport.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "datafiles/CsvExport.h"
#include "dialogs/DialogCommon.h"
#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"

namespace {
double toCelsius(double fahrenheit) { return (fahrenheit - 32.0) * 5.0 / 9.0; }
} // namespace

FrmReport::FrmReport(const survey::Guidelines &g, bool celsius, QWidget *parent) : QDialog(parent), m_celsius(celsius)
{
    ensureResources();
    setObjectName(QStringLiteral("FrmReport"));
    setWindowTitle(LoadResString(205));
    auto *layout = new QVBoxLayout(this);
    auto *group = dialogs::named(new QGroupBox(LoadResString(206), this), "GuidelineFrame");
    group->setAccessibleName(group->title());
    auto *form = new QFormLayout(group);
    const QString degreeUnit = LoadResString(celsius ? 190 : 191);
    auto field = [&](const char *name, int textId, const QString &unit, double value, double lo, double hi) {
        auto *box = dialogs::named(new QDoubleSpinBox(group), name);
        box->setRange(lo, hi);
        box->setDecimals(1);
        box->setValue(value);
        box->setSuffix(QLatin1Char(' ') + unit);
        const QString caption = LoadResString(textId);
        auto *label = new QLabel(caption, group);
        label->setBuddy(box);
        box->setAccessibleName(caption + QLatin1Char(' ') + unit);
        form->addRow(label, box);
        return box;
    };
    const double t0 = celsius ? g.tempMin : survey::toFahrenheit(g.tempMin);
    const double t1 = celsius ? g.tempMax : survey::toFahrenheit(g.tempMax);
    co2Max = field("co2Max", 207, QStringLiteral("ppm"), g.co2Max, 0, 10000);
    coMax = field("coMax", 208, QStringLiteral("ppm"), g.coMax, 0, 1000);
    tempMin = field("tempMin", 209, degreeUnit, t0, -100, 300);
    tempMax = field("tempMax", 210, degreeUnit, t1, -100, 300);
    humMin = field("humMin", 211, QStringLiteral("%RH"), g.humMin, 0, 100);
    humMax = field("humMax", 212, QStringLiteral("%RH"), g.humMax, 0, 100);
    layout->addWidget(group);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    writeButton = dialogs::named(new QPushButton(LoadResString(220), this), "WriteButton");
    cancelButton = dialogs::named(new QPushButton(LoadResString(137), this), "CancelButton");
    for (QPushButton *b : {writeButton, cancelButton}) {
        b->setAccessibleName(b->text());
        b->setMinimumWidth(90);
        buttons->addWidget(b);
    }
    writeButton->setDefault(true);
    layout->addLayout(buttons);
    fonts::applyControlFontRule({writeButton, cancelButton});
    connect(writeButton, &QPushButton::clicked, this, [this] {
        const survey::Guidelines chosen = guidelines();
        hide();
        emit guidelinesAccepted(chosen);
        close();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::close);
}

survey::Guidelines FrmReport::guidelines() const
{
    survey::Guidelines g;
    g.co2Max = co2Max->value();
    g.coMax = coMax->value();
    g.tempMin = m_celsius ? tempMin->value() : toCelsius(tempMin->value());
    g.tempMax = m_celsius ? tempMax->value() : toCelsius(tempMax->value());
    // A range typed upside down is taken the right way round.
    if (g.tempMin > g.tempMax)
        std::swap(g.tempMin, g.tempMax);
    g.humMin = std::min(humMin->value(), humMax->value());
    g.humMax = std::max(humMin->value(), humMax->value());
    return g;
}
