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

FrmMeasureSetting::FrmMeasureSetting(const SettingsRecord &settings)
    : m_settings(settings), m_original(settings), m_loaded(settings)
{
    setObjectName(QStringLiteral("FrmMeasureSetting"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));

    Frame1 = named(new QGroupBox(this), "Frame1");
    Option1 = named(new QRadioButton(Frame1), "Option1");
    Option2 = named(new QRadioButton(Frame1), "Option2");
    auto *modeLayout = new QVBoxLayout(Frame1);
    modeLayout->addWidget(Option1);
    modeLayout->addWidget(Option2);

    Frame2 = named(new QGroupBox(this), "Frame2");
    Check1 = named(new QCheckBox(Frame2), "Check1");
    Check2 = named(new QCheckBox(Frame2), "Check2");
    Check3 = named(new QCheckBox(Frame2), "Check3");
    Check4 = named(new QCheckBox(Frame2), "Check4");
    auto *graphLayout = new QGridLayout(Frame2);
    graphLayout->addWidget(Check1, 0, 0);
    graphLayout->addWidget(Check2, 0, 1);
    graphLayout->addWidget(Check3, 1, 0);
    graphLayout->addWidget(Check4, 1, 1);

    Label1 = named(new QLabel(this), "Label1");
    Text1 = named(new QLineEdit(this), "Text1");
    Label1->setBuddy(Text1);
    Label2 = named(new QLabel(this), "Label2");
    Combo1 = named(new QComboBox(this), "Combo1");
    Label2->setBuddy(Combo1);
    Command1 = named(new QPushButton(this), "Command1");
    Command2 = named(new QPushButton(this), "Command2");
    Command1->setDefault(true);

    auto *fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Text1, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Combo1, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(fields);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    setMinimumWidth(340);

    // Each control writes its field as soon as the user changes it.
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.MeasureMode = 0;
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.MeasureMode = 1;
    });
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { m_settings.COGraph = on ? 1 : 0; });
    connect(Check2, &QCheckBox::toggled, this, [this](bool on) { m_settings.CO2Graph = on ? 1 : 0; });
    connect(Check3, &QCheckBox::toggled, this, [this](bool on) { m_settings.TempGraph = on ? 1 : 0; });
    connect(Check4, &QCheckBox::toggled, this, [this](bool on) { m_settings.HumGraph = on ? 1 : 0; });
    connect(Combo1, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_settings.MeasureSampleTime = Combo1->itemText(index);
    });
    connect(Text1, &QLineEdit::textChanged, this, &FrmMeasureSetting::Text1_Change);
    Text1->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &FrmMeasureSetting::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmMeasureSetting::Command2_Click);

    Form_Load();
}

void FrmMeasureSetting::Form_Load()
{
    SetCaptionsFrmMeasureSetting(*this);
    m_ok = false;
    const SettingsRecord s = m_settings;
    if (s.MeasureMode != 0)
        Option2->setChecked(true);
    else
        Option1->setChecked(true);
    Text1->setText(QString::number(s.MeasureSampleValue));
    // A sampling time that is none of the entries shows no selection and stays as it is.
    Combo1->setCurrentIndex(Combo1->findText(s.MeasureSampleTime, Qt::MatchExactly | Qt::MatchCaseSensitive));
    Check1->setChecked(s.COGraph == 1);
    Check2->setChecked(s.CO2Graph == 1);
    Check3->setChecked(s.TempGraph == 1);
    Check4->setChecked(s.HumGraph == 1);
    // What the rules above left (an out-of-range count made 0, an unknown mode made Detailed) is
    // what leaving without OK goes back to.
    m_loaded = m_settings;
}

void FrmMeasureSetting::Text1_Change()
{
    const auto value = dialogrules::sampleValueFromText(Text1->text());
    if (value) {
        m_settings.MeasureSampleValue = *value;
        return;
    }
    m_settings.MeasureSampleValue = 0;
    Text1->setText(QStringLiteral("0"));
    prompts::message(this, LoadResString(165) + QStringLiteral(" (<=65500)"), LoadResString(101),
                     prompts::Buttons::Ok, prompts::Icon::Critical);
}

bool FrmMeasureSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1) {
        if (event->type() == QEvent::FocusIn) {
            Text1->event(event);
            selectFromCaret(Text1);
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            // The number rule keeps the value in range; this only guards.
            const qint32 v = m_settings.MeasureSampleValue;
            if (v < 0 || v > dialogrules::kMaxSampleValue) {
                Text1->setFocus();
                prompts::message(this, LoadResString(165) + QStringLiteral("(<=65500)"), LoadResString(101),
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
