#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "dialogs/FrmRS232CSetting.h"
#include "i18n/Fonts.h"
#include "i18n/Texts.h"

void SetCaptionsFrmRS232CSetting(FrmRS232CSetting &w)
{
    w.setWindowTitle(LoadResString(144));
    w.Label1->setText(LoadResString(145));
    w.Label2->setText(LoadResString(146));
    w.Label3->setText(LoadResString(147));
    w.Label4->setText(LoadResString(148));
    w.Label5->setText(LoadResString(149));
    w.Label6->setText(LoadResString(150));
    w.Label7->setText(LoadResString(151));
    w.Command1->setText(LoadResString(184));
    w.Command2->setText(LoadResString(142));
    QLabel *labels[] = {w.Label1, w.Label2, w.Label3, w.Label4, w.Label5, w.Label6, w.Label7};
    QComboBox *combos[] = {w.Combo1, w.Combo2, w.Combo3, w.Combo4, w.Combo5, w.Combo6, w.Combo7};
    for (int i = 0; i < 7; ++i)
        combos[i]->setAccessibleName(labels[i]->text());

    // The lists keep their designed fonts.
    fonts::applyControlFontRule(
        {w.Label1, w.Label2, w.Label3, w.Label4, w.Label5, w.Label6, w.Label7, w.Command1, w.Command2});
}
