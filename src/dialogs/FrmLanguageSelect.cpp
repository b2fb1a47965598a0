#include "dialogs/DialogCommon.h"
#include "dialogs/FrmLanguageSelect.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "i18n/Fonts.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"

FrmLanguageSelect::FrmLanguageSelect(std::function<void()> onClosed) : m_onClosed(std::move(onClosed))
{
    setObjectName(QStringLiteral("FrmLanguageSelect"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Option1 = new QRadioButton(this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(this);
    Option2->setObjectName(QStringLiteral("Option2"));
    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    layout->addWidget(Label1);
    layout->addWidget(Option1);
    layout->addWidget(Option2);
    layout->addWidget(Command1, 0, Qt::AlignRight);

    SetCaptionsFrmLanguageSelect(*this);
    if (i18n::language().choice != 0)
        Option1->setChecked(true);
    else
        Option2->setChecked(true);
    // Mouse or keyboard: whichever button becomes the chosen one sets the choice.
    connect(Option1, &QRadioButton::toggled, this, [](bool on) { if (on) i18n::language().choice = 1; });
    connect(Option2, &QRadioButton::toggled, this, [](bool on) { if (on) i18n::language().choice = 0; });
    connect(Command1, &QPushButton::clicked, this, &FrmLanguageSelect::Command1_Click);
    setMinimumWidth(280);
}

void SetCaptionsFrmLanguageSelect(FrmLanguageSelect &w)
{
    w.setWindowTitle(LoadResString(181));
    w.Label1->setText(LoadResString(182));
    w.Option1->setText(LoadResString(175));
    w.Option2->setText(LoadResString(i18n::language().systemLanguage == QLatin1String("Chinese") ? 177 : 176));
    w.Command1->setText(LoadResString(184));
    w.Label1->setAccessibleName(w.Label1->text());
    fonts::applyControlFontRule({w.Label1, w.Option1, w.Option2, w.Command1});
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
