#include <QLineEdit>
#include <QPushButton>

#include "dialogs/FrmDriveList.h"
#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"

void SetCaptionsFrmDriveList(FrmDriveList &w)
{
    w.setWindowTitle(LoadResString(138));
    w.okButton->setText(LoadResString(184));
    w.cancelButton->setText(LoadResString(137));
    // The drive and folder lists keep their designed fonts.
    fonts::applyControlFontRule({w.okButton, w.cancelButton, w.folderField});
}
