#include "dialogs/FrmRS232CSetting.h"

FrmRS232CSetting::FrmRS232CSetting() { setObjectName(QStringLiteral("FrmRS232CSetting")); }
