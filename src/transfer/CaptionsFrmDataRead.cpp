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
    w.pageCountLabel->setText(LoadResString(158));
    w.pageLabel->setText(LoadResString(159));
    w.transmitButton->setText(LoadResString(160));
    w.closeButton->setText(LoadResString(173));
    w.standardModeOption->setText(LoadResString(133));
    w.detailedModeOption->setText(LoadResString(134));

    static const int headerIds[5] = {161, 162, 163, 164, 193};
    for (int c = 1; c <= 5; ++c)
        w.directoryTable->setText(0, c, LoadResString(headerIds[c - 1]));

    fonts::applyControlFontRule({w.pageCountLabel, w.pageLabel, w.transmitButton, w.closeButton, w.standardModeOption,
                                 w.detailedModeOption, w.pageCountField, w.pageField});
    w.directoryTable->setGridFont(QString::fromLatin1(fonts::kDesignFace), fonts::systemCharSet());
}
