#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "dialogs/DialogCommon.h"
#include "dialogs/FrmOption.h"
#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"

namespace {
constexpr int kTextOption = 139;
} // namespace

void SetCaptionsFrmOption(FrmOption &w)
{
    const QString &SystemLanguage = i18n::language().systemLanguage;
    const qint16 LanguageChoice = i18n::language().choice;
    const bool chinese = SystemLanguage == QLatin1String("Chinese");
    const bool cjk = chinese || SystemLanguage == QLatin1String("Japanese");

    w.setWindowTitle(LoadResString(kTextOption));
    w.optionTabs->setTabText(0, LoadResString(kTextOption));
    w.folderLabel->setText(LoadResString(140));
    w.languageGroup->setTitle(LoadResString(182));
    w.runModeGroup->setTitle(LoadResString(141));
    w.okButton->setText(LoadResString(184));
    w.cancelButton->setText(LoadResString(142));
    w.englishOption->setText(LoadResString(175));
    w.systemLanguageOption->setText(LoadResString(chinese ? 177 : 176));
    w.folderField->setAccessibleName(w.folderLabel->text());

    // The browse button: the word for browsing in Japanese and Chinese, three dots otherwise.
    if (cjk && LanguageChoice == 0) {
        w.browseButton->setFixedWidth(dialogs::twipsToScreenPixels(510, w.browseButton));
        w.browseButton->setIcon(QIcon());
        w.browseButton->setText(LoadResString(143));
        w.browseButton->setAccessibleName(w.browseButton->text());
    } else if (LanguageChoice == 1 || LanguageChoice == 0) {
        w.browseButton->setFixedWidth(dialogs::twipsToScreenPixels(345, w.browseButton));
        w.browseButton->setText(QString());
        w.browseButton->setIcon(QIcon(QStringLiteral(":/threedots.png")));
        w.browseButton->setIconSize(QSize(16, 16));
        w.browseButton->setAccessibleName(QStringLiteral("Browse"));
    }

    fonts::applyControlFontRule({w.folderLabel, w.languageGroup, w.runModeGroup, w.englishOption,
                                 w.systemLanguageOption, w.okButton, w.cancelButton, w.browseButton, w.folderField,
                                 w.optionTabs},
                                {w.browseButton});
}
