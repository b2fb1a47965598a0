#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/FrmMeasureSetting.h"
#include "i18n/Fonts.h"
#include "i18n/Texts.h"

void SetCaptionsFrmMeasureSetting(FrmMeasureSetting &w)
{
    w.setWindowTitle(LoadResString(125));
    // The sampling-time list is filled only here: 1, 2, 5, 10, 30 and 60 seconds.
    w.Combo1->clear();
    for (int i = 1; i <= 5; ++i)
        w.Combo1->addItem(LoadResString(125 + i));
    w.Combo1->addItem(LoadResString(174));
    w.Frame1->setTitle(LoadResString(131));
    w.Frame2->setTitle(LoadResString(132));
    w.Option1->setText(LoadResString(133));
    w.Option2->setText(LoadResString(134));
    w.Label1->setText(LoadResString(135));
    w.Label2->setText(LoadResString(136));
    w.Check1->setText(LoadResString(118));
    w.Check2->setText(LoadResString(117));
    w.Check3->setText(LoadResString(119));
    w.Check4->setText(LoadResString(120));
    w.Command1->setText(LoadResString(184));
    w.Command2->setText(LoadResString(137));
    w.Text1->setAccessibleName(w.Label1->text());
    w.Combo1->setAccessibleName(w.Label2->text());

    fonts::applyControlFontRule({w.Combo1, w.Frame1, w.Frame2, w.Option1, w.Option2, w.Check1, w.Check2, w.Check3,
                                 w.Check4, w.Command1, w.Command2, w.Label1, w.Label2, w.Text1});
}
