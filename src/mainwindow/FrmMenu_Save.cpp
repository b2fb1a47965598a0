#include "mainwindow/FrmMenu.h"
#include "startup/Variable.h"

void FrmMenu::MenuSave_Click()
{
    if (Variable::DataPresent != 1)
        Variable::DataSaved = 1;
}
