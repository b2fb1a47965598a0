#pragma once

#include <QDialog>

class FrmOption : public QDialog {
    Q_OBJECT
public:
    FrmOption();
};
