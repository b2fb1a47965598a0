#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/FrmMeasureSetting.h"
#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"

namespace {
constexpr int kTextFirstSamplingTime = 126;  // 1 s; then 2, 5, 10 and 30 s
} // namespace

void SetCaptionsFrmMeasureSetting(FrmMeasureSetting &w)
{
    w.setWindowTitle(LoadResString(125));
    // The sampling-time list is filled only here: 1, 2, 5, 10, 30 and 60 seconds.
    w.samplingTimeList->clear();
    for (int id = kTextFirstSamplingTime; id < kTextFirstSamplingTime + 5; ++id)
        w.samplingTimeList->addItem(LoadResString(id));
    w.samplingTimeList->addItem(LoadResString(174));
    w.modeGroup->setTitle(LoadResString(131));
    w.graphGroup->setTitle(LoadResString(132));
    w.standardModeOption->setText(LoadResString(133));
    w.detailedModeOption->setText(LoadResString(134));
    w.sampleCountLabel->setText(LoadResString(135));
    w.samplingTimeLabel->setText(LoadResString(136));
    w.coGraphBox->setText(LoadResString(118));
    w.co2GraphBox->setText(LoadResString(117));
    w.temperatureGraphBox->setText(LoadResString(119));
    w.humidityGraphBox->setText(LoadResString(120));
    w.okButton->setText(LoadResString(184));
    w.cancelButton->setText(LoadResString(137));
    w.sampleCountField->setAccessibleName(w.sampleCountLabel->text());
    w.samplingTimeList->setAccessibleName(w.samplingTimeLabel->text());

    fonts::applyControlFontRule({w.samplingTimeList, w.modeGroup, w.graphGroup, w.standardModeOption,
                                 w.detailedModeOption, w.coGraphBox, w.co2GraphBox, w.temperatureGraphBox,
                                 w.humidityGraphBox, w.okButton, w.cancelButton, w.sampleCountLabel,
                                 w.samplingTimeLabel, w.sampleCountField});
}
