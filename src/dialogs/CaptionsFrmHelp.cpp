#include <QLabel>
#include <QPushButton>

#include "dialogs/DialogRules.h"
#include "dialogs/FrmHelp.h"
#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"

namespace {
constexpr int kTextTitle = 101;
} // namespace

void SetCaptionsFrmHelp(FrmHelp &w)
{
    w.setWindowTitle(LoadResString(kTextTitle));
    w.lblTitle->setText(LoadResString(kTextTitle));
    w.lblVersion->setText(dialogrules::programVersionText());
    w.lblDescription->setText(QStringLiteral("\r\r") + dialogrules::legalNotice());
    w.lblDisclaimer->setText(LoadResString(178));
    // English has no warning text: no empty label for a screen reader to stop at.
    w.lblDisclaimer->setVisible(!w.lblDisclaimer->text().isEmpty());
    w.cmdOK->setText(LoadResString(184));
    w.cmdSysInfo->setText(LoadResString(183));
    // A screen reader announces what each label shows (the notice without its leading line breaks).
    for (QLabel *label : std::initializer_list<QLabel *>{w.lblTitle, w.lblVersion, w.lblDescription, w.lblDisclaimer})
        label->setAccessibleName(label->text().trimmed());

    fonts::applyControlFontRule(
        {w.lblTitle, w.lblVersion, w.lblDescription, w.lblDisclaimer, w.cmdOK, w.cmdSysInfo});
}
