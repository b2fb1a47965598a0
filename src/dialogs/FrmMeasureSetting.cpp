#include "dialogs/FrmMeasureSetting.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/DialogCommon.h"
#include "dialogs/DialogRules.h"
#include "i18n/Texts.h"
#include "mainwindow/Prompts.h"

using dialogs::named;
using dialogs::selectFromCaret;

namespace {
constexpr int kTextTitle = 101;
constexpr int kTextOverRange = 165;
} // namespace

FrmMeasureSetting::FrmMeasureSetting(const SettingsRecord &settings)
    : m_settings(settings), m_original(settings), m_loaded(settings)
{
    setObjectName(QStringLiteral("FrmMeasureSetting"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));

    modeGroup = named(new QGroupBox(this), "Frame1");
    standardModeOption = named(new QRadioButton(modeGroup), "Option1");
    detailedModeOption = named(new QRadioButton(modeGroup), "Option2");
    auto *modeLayout = new QVBoxLayout(modeGroup);
    modeLayout->addWidget(standardModeOption);
    modeLayout->addWidget(detailedModeOption);

    graphGroup = named(new QGroupBox(this), "Frame2");
    coGraphBox = named(new QCheckBox(graphGroup), "Check1");
    co2GraphBox = named(new QCheckBox(graphGroup), "Check2");
    temperatureGraphBox = named(new QCheckBox(graphGroup), "Check3");
    humidityGraphBox = named(new QCheckBox(graphGroup), "Check4");
    auto *graphLayout = new QGridLayout(graphGroup);
    graphLayout->addWidget(coGraphBox, 0, 0);
    graphLayout->addWidget(co2GraphBox, 0, 1);
    graphLayout->addWidget(temperatureGraphBox, 1, 0);
    graphLayout->addWidget(humidityGraphBox, 1, 1);

    sampleCountLabel = named(new QLabel(this), "Label1");
    sampleCountField = named(new QLineEdit(this), "Text1");
    sampleCountLabel->setBuddy(sampleCountField);
    samplingTimeLabel = named(new QLabel(this), "Label2");
    samplingTimeList = named(new QComboBox(this), "Combo1");
    samplingTimeLabel->setBuddy(samplingTimeList);
    okButton = named(new QPushButton(this), "Command1");
    cancelButton = named(new QPushButton(this), "Command2");
    okButton->setDefault(true);

    auto *fields = new QGridLayout;
    fields->addWidget(sampleCountLabel, 0, 0);
    fields->addWidget(sampleCountField, 0, 1);
    fields->addWidget(samplingTimeLabel, 1, 0);
    fields->addWidget(samplingTimeList, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(modeGroup);
    layout->addLayout(fields);
    layout->addWidget(graphGroup);
    layout->addLayout(buttons);
    setMinimumWidth(340);

    // Each control writes its field as soon as the user changes it.
    connect(standardModeOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.MeasureMode = 0;
    });
    connect(detailedModeOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.MeasureMode = 1;
    });
    connect(coGraphBox, &QCheckBox::toggled, this, [this](bool on) { m_settings.COGraph = on ? 1 : 0; });
    connect(co2GraphBox, &QCheckBox::toggled, this, [this](bool on) { m_settings.CO2Graph = on ? 1 : 0; });
    connect(temperatureGraphBox, &QCheckBox::toggled, this, [this](bool on) { m_settings.TempGraph = on ? 1 : 0; });
    connect(humidityGraphBox, &QCheckBox::toggled, this, [this](bool on) { m_settings.HumGraph = on ? 1 : 0; });
    connect(samplingTimeList, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_settings.MeasureSampleTime = samplingTimeList->itemText(index);
    });
    connect(sampleCountField, &QLineEdit::textChanged, this, &FrmMeasureSetting::Text1_Change);
    sampleCountField->installEventFilter(this);
    connect(okButton, &QPushButton::clicked, this, &FrmMeasureSetting::Command1_Click);
    connect(cancelButton, &QPushButton::clicked, this, &FrmMeasureSetting::Command2_Click);

    Form_Load();
}

void FrmMeasureSetting::Form_Load()
{
    SetCaptionsFrmMeasureSetting(*this);
    m_ok = false;
    const SettingsRecord s = m_settings;
    if (s.MeasureMode != 0)
        detailedModeOption->setChecked(true);
    else
        standardModeOption->setChecked(true);
    sampleCountField->setText(QString::number(s.MeasureSampleValue));
    // A sampling time that is none of the entries shows no selection and stays as it is.
    samplingTimeList->setCurrentIndex(
        samplingTimeList->findText(s.MeasureSampleTime, Qt::MatchExactly | Qt::MatchCaseSensitive));
    coGraphBox->setChecked(s.COGraph == 1);
    co2GraphBox->setChecked(s.CO2Graph == 1);
    temperatureGraphBox->setChecked(s.TempGraph == 1);
    humidityGraphBox->setChecked(s.HumGraph == 1);
    // What the rules above left (an out-of-range count made 0, an unknown mode made Detailed) is
    // what leaving without OK goes back to.
    m_loaded = m_settings;
}

void FrmMeasureSetting::Text1_Change()
{
    const auto value = dialogrules::sampleValueFromText(sampleCountField->text());
    if (value) {
        m_settings.MeasureSampleValue = *value;
        return;
    }
    m_settings.MeasureSampleValue = 0;
    sampleCountField->setText(QStringLiteral("0"));
    prompts::message(this, LoadResString(kTextOverRange) + QStringLiteral(" (<=65500)"), LoadResString(kTextTitle),
                     prompts::Buttons::Ok, prompts::Icon::Critical);
}

bool FrmMeasureSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sampleCountField) {
        if (event->type() == QEvent::FocusIn) {
            sampleCountField->event(event);
            selectFromCaret(sampleCountField);
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            // The number rule keeps the value in range; this only guards.
            const qint32 v = m_settings.MeasureSampleValue;
            if (v < 0 || v > dialogrules::kMaxSampleValue) {
                sampleCountField->setFocus();
                prompts::message(this, LoadResString(kTextOverRange) + QStringLiteral("(<=65500)"),
                                 LoadResString(kTextTitle),
                                 prompts::Buttons::Ok, prompts::Icon::Critical);
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmMeasureSetting::Command1_Click()
{
    m_ok = true;
    emit settingsAccepted(m_settings);
    close();
}

void FrmMeasureSetting::Command2_Click() { close(); }

void FrmMeasureSetting::reject() { close(); }

void FrmMeasureSetting::closeEvent(QCloseEvent *event)
{
    // Cancel, Escape and the close box all end here: the user's edits are dropped; the corrections
    // the window made to odd stored values while loading stay.
    if (!m_ok && !m_closed) {
        m_closed = true;
        if (!(m_loaded == m_original))
            emit settingsAccepted(m_loaded);
    }
    event->accept();
}
