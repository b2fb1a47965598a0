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
#include "i18n/Texts.h"

void SetCaptionsFrmOption(FrmOption &w)
{
    const QString &SystemLanguage = i18n::language().systemLanguage;
    const qint16 LanguageChoice = i18n::language().choice;
    const bool chinese = SystemLanguage == QLatin1String("Chinese");
    const bool cjk = chinese || SystemLanguage == QLatin1String("Japanese");

    w.setWindowTitle(LoadResString(139));
    w.SSTab1->setTabText(0, LoadResString(139));
    w.Label1->setText(LoadResString(140));
    w.Frame1->setTitle(LoadResString(182));
    w.Frame2->setTitle(LoadResString(141));
    w.Command1->setText(LoadResString(184));
    w.Command2->setText(LoadResString(142));
    w.Option1->setText(LoadResString(175));
    w.Option2->setText(LoadResString(chinese ? 177 : 176));
    w.Text1->setAccessibleName(w.Label1->text());

    // The browse button: the word for browsing in Japanese and Chinese, three dots otherwise.
    if (cjk && LanguageChoice == 0) {
        w.Command3->setFixedWidth(dialogs::twipsToScreenPixels(510, w.Command3));
        w.Command3->setIcon(QIcon());
        w.Command3->setText(LoadResString(143));
        w.Command3->setAccessibleName(w.Command3->text());
    } else if (LanguageChoice == 1 || LanguageChoice == 0) {
        w.Command3->setFixedWidth(dialogs::twipsToScreenPixels(345, w.Command3));
        w.Command3->setText(QString());
        w.Command3->setIcon(QIcon(QStringLiteral(":/threedots.png")));
        w.Command3->setIconSize(QSize(16, 16));
        w.Command3->setAccessibleName(QStringLiteral("Browse"));
    }

    fonts::applyControlFontRule({w.Label1, w.Frame1, w.Frame2, w.Option1, w.Option2, w.Command1, w.Command2,
                                 w.Command3, w.Text1, w.SSTab1},
                                {w.Command3});
}
