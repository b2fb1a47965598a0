#include "dialogs/DialogCommon.h"
#include "dialogs/FrmLanguageSelect.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"

FrmLanguageSelect::FrmLanguageSelect(std::function<void()> onClosed) : m_onClosed(std::move(onClosed))
{
    setObjectName(QStringLiteral("FrmLanguageSelect"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    auto *layout = new QVBoxLayout(this);
    promptLabel = new QLabel(this);
    promptLabel->setObjectName(QStringLiteral("Label1"));
    englishOption = new QRadioButton(this);
    englishOption->setObjectName(QStringLiteral("Option1"));
    systemLanguageOption = new QRadioButton(this);
    systemLanguageOption->setObjectName(QStringLiteral("Option2"));
    okButton = new QPushButton(this);
    okButton->setObjectName(QStringLiteral("Command1"));
    okButton->setDefault(true);
    layout->addWidget(promptLabel);
    layout->addWidget(englishOption);
    layout->addWidget(systemLanguageOption);
    layout->addWidget(okButton, 0, Qt::AlignRight);

    SetCaptionsFrmLanguageSelect(*this);
    if (i18n::language().choice != 0)
        englishOption->setChecked(true);
    else
        systemLanguageOption->setChecked(true);
    // Mouse or keyboard: whichever button becomes the chosen one sets the choice.
    connect(englishOption, &QRadioButton::toggled, this, [](bool on) { if (on) i18n::language().choice = 1; });
    connect(systemLanguageOption, &QRadioButton::toggled, this, [](bool on) { if (on) i18n::language().choice = 0; });
    connect(okButton, &QPushButton::clicked, this, &FrmLanguageSelect::Command1_Click);
    setMinimumWidth(280);
}

void SetCaptionsFrmLanguageSelect(FrmLanguageSelect &w)
{
    w.setWindowTitle(LoadResString(181));
    w.promptLabel->setText(LoadResString(182));
    w.englishOption->setText(LoadResString(175));
    const bool chinese = i18n::language().systemLanguage == QLatin1String("Chinese");
    w.systemLanguageOption->setText(LoadResString(chinese ? 177 : 176));
    w.okButton->setText(LoadResString(184));
    w.promptLabel->setAccessibleName(w.promptLabel->text());
    fonts::applyControlFontRule({w.promptLabel, w.englishOption, w.systemLanguageOption, w.okButton});
}

void FrmLanguageSelect::Command1_Click()
{
    // A failed write keeps the choice for this run only.
    WriteLanguageFile();
    accept();
}

void FrmLanguageSelect::done(int result)
{
    QDialog::done(result);
    if (!m_closed) {
        m_closed = true;
        if (m_onClosed)
            m_onClosed();
    }
}
