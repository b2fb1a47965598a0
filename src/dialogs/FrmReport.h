#pragma once

#include <QDialog>

#include "measure/SurveyStats.h"

class QDoubleSpinBox;
class QPushButton;

// The report window: the guideline values to judge the data by (temperatures in the data's unit),
// then Write or Cancel. Hands the values back on Write; the main window asks for the file name.
class FrmReport : public QDialog {
    Q_OBJECT
public:
    FrmReport(const survey::Guidelines &guidelines, bool celsius, QWidget *parent = nullptr);

    survey::Guidelines guidelines() const;

    QDoubleSpinBox *co2Max, *coMax, *tempMin, *tempMax, *humMin, *humMax;
    QPushButton *writeButton, *cancelButton;

signals:
    void guidelinesAccepted(const survey::Guidelines &guidelines);

private:
    bool m_celsius;
};
