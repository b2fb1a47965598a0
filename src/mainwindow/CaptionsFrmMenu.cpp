#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "i18n/Fonts.h"
#include "mainwindow/FontRules.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "measure/LiveChart.h"

void SetCaptionsFrmMenu(FrmMenu &w)
{
    w.setWindowTitle(LoadResString(101));
    w.MenuFile->setTitle(LoadResString(102));
    w.MenuSave->setText(LoadResString(109));
    w.MenuExit->setText(LoadResString(103));
    w.MenuSetting->setTitle(LoadResString(104));
    w.MenuRS232C->setText(LoadResString(105));
    w.MenuOption->setText(LoadResString(106));
    w.MenuMeasurement->setTitle(LoadResString(110));
    w.MenuMeasurementSetting->setText(LoadResString(111));
    w.MenuHelp->setTitle(LoadResString(107));
    w.MenuVersion->setText(LoadResString(108));
    SetCaptionsFrmMenuAfter(w);
    // The toolbar's two pictures do what these menu entries do, and are announced by their texts.
    w.ToolbarSave->setText(LoadResString(109));
    w.ToolbarHelp->setText(LoadResString(108));
    w.startStopButton->setText(LoadResString(112));
    w.exitButton->setText(LoadResString(114));
    w.transferButton->setText(LoadResString(113));
    w.zoomButton->setText(LoadResString(179));

    w.chart->setTitleFirstLine(LoadResString(115));
    w.chart->setRightAxisTitle(LoadResString(116));
    w.chart->setSeriesTitle(0, LoadResString(117));
    w.chart->setSeriesTitle(1, LoadResString(118));
    w.chart->setSeriesTitle(2, LoadResString(119));
    w.chart->setSeriesTitle(3, LoadResString(120));

    // Live table headers: note CO before CO2 here, while the chart's first series is CO2.
    static const int headerIds[9] = {155, 118, 117, 119, 120, 121, 122, 123, 124};
    for (int c = 1; c <= 9; ++c)
        w.liveTable->setText(0, c, LoadResString(headerIds[c - 1]));

    // Fonts: the buttons by the control rule (the zoom button stays at 9 points on a Chinese
    // system in its own language), the chart and the grid by the system's character set.
    fonts::applyControlFontRule({w.startStopButton, w.exitButton, w.transferButton, w.zoomButton});
    if (i18n::language().systemLanguage == QLatin1String("Chinese") && i18n::language().choice == 0) {
        QFont f = w.zoomButton->font();
        f.setPointSize(9);
        w.zoomButton->setFont(f);
    }
    const QString face = QString::fromLatin1(fonts::kDesignFace);
    w.chart->setChartFonts(face, fonts::systemCharSet());
    w.liveTable->setGridFont(face, fonts::systemCharSet());
}
