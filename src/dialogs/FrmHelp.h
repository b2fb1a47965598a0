#pragma once

#include <QDialog>

class FrmHelp : public QDialog {
    Q_OBJECT
public:
    FrmHelp();
};
