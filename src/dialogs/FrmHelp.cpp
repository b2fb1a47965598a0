#include "dialogs/FrmHelp.h"

FrmHelp::FrmHelp() { setObjectName(QStringLiteral("FrmHelp")); }
