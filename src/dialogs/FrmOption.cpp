#include "dialogs/FrmOption.h"

FrmOption::FrmOption() { setObjectName(QStringLiteral("FrmOption")); }
