#pragma once

#include <QDialog>

class FrmMeasureSetting : public QDialog {
    Q_OBJECT
public:
    FrmMeasureSetting();
};
