#include "transfer/FrmDataRead.h"

FrmDataRead::FrmDataRead() { setObjectName(QStringLiteral("FrmDataRead")); }
