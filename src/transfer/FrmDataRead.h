#pragma once

#include <QWidget>

class FrmDataRead : public QWidget {
    Q_OBJECT
public:
    FrmDataRead();
};
