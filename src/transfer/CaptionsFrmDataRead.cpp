#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "i18n/Fonts.h"
#include "i18n/Texts.h"
#include "mainwindow/GridControl.h"
#include "transfer/FrmDataRead.h"

void SetCaptionsFrmDataRead(FrmDataRead &w)
{
    w.setWindowTitle(LoadResString(113));
    w.Label1->setText(LoadResString(158));
    w.Label2->setText(LoadResString(159));
    w.Command1->setText(LoadResString(160));
    w.Command2->setText(LoadResString(173));
    w.Option1->setText(LoadResString(133));
    w.Option2->setText(LoadResString(134));

    static const int headerIds[5] = {161, 162, 163, 164, 193};
    for (int c = 1; c <= 5; ++c)
        w.vaSpread1->setText(0, c, LoadResString(headerIds[c - 1]));

    fonts::applyControlFontRule({w.Label1, w.Label2, w.Command1, w.Command2, w.Option1, w.Option2, w.Text1, w.Text2});
    w.vaSpread1->setGridFont(QString::fromLatin1(fonts::kDesignFace), fonts::systemCharSet());
}
