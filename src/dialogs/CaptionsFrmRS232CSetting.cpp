#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "dialogs/FrmRS232CSetting.h"
#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"

void SetCaptionsFrmRS232CSetting(FrmRS232CSetting &w)
{
    w.setWindowTitle(LoadResString(144));
    w.channelLabel->setText(LoadResString(145));
    w.portLabel->setText(LoadResString(146));
    w.speedLabel->setText(LoadResString(147));
    w.dataBitsLabel->setText(LoadResString(148));
    w.parityLabel->setText(LoadResString(149));
    w.stopBitsLabel->setText(LoadResString(150));
    w.flowLabel->setText(LoadResString(151));
    w.okButton->setText(LoadResString(184));
    w.cancelButton->setText(LoadResString(142));
    QLabel *labels[] = {w.channelLabel, w.portLabel, w.speedLabel, w.dataBitsLabel,
                        w.parityLabel, w.stopBitsLabel, w.flowLabel};
    QComboBox *lists[] = {w.channelList, w.portList, w.speedList, w.dataBitsList,
                          w.parityList, w.stopBitsList, w.flowList};
    for (int i = 0; i < 7; ++i)
        lists[i]->setAccessibleName(labels[i]->text());

    // The lists keep their designed fonts.
    fonts::applyControlFontRule({w.channelLabel, w.portLabel, w.speedLabel, w.dataBitsLabel, w.parityLabel,
                                 w.stopBitsLabel, w.flowLabel, w.okButton, w.cancelButton});
}
