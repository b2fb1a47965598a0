#pragma once

#include <QDialog>

class FrmRS232CSetting : public QDialog {
    Q_OBJECT
public:
    FrmRS232CSetting();
};
