#include "dialogs/FrmMeasureSetting.h"

FrmMeasureSetting::FrmMeasureSetting() { setObjectName(QStringLiteral("FrmMeasureSetting")); }
