#include "measure/LiveRun.h"

#include "mainwindow/FrmMenu.h"

LiveRun::LiveRun(FrmMenu *window) : QObject(window), m_window(window) {}
void LiveRun::resetAtLoad() {}
void LiveRun::Command1_Click() {}
void LiveRun::Command4_Click() {}
void LiveRun::Timer2_Timer() {}
void LiveRun::Timer3_Timer() {}
void LiveRun::abortForShutdown() {}
