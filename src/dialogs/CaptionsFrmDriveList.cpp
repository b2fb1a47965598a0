#include <QLineEdit>
#include <QPushButton>

#include "dialogs/FrmDriveList.h"
#include "i18n/Fonts.h"
#include "i18n/Texts.h"

void SetCaptionsFrmDriveList(FrmDriveList &w)
{
    w.setWindowTitle(LoadResString(138));
    w.Command1->setText(LoadResString(184));
    w.Command2->setText(LoadResString(137));
    // The drive and folder lists keep their designed fonts.
    fonts::applyControlFontRule({w.Command1, w.Command2, w.Text1});
}
