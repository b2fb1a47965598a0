// Placeholder bodies until the serial layer lands.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "serial/RS232C.h"
#include "serial/SerialLink.h"

struct SerialLink::Private {};
SerialLink::SerialLink(QObject *parent) : QObject(parent), d(new Private) {}
SerialLink::~SerialLink() { delete d; }

static QTimer *g_tick = nullptr;
static qint16 g_ticks = 0;
void SetTickTimer(QTimer *timer1) { g_tick = timer1; }
void TimerTicks_Increment() { ++g_ticks; }
qint16 TimerTicks() { return g_ticks; }
bool CloseComPort(SerialLink &) { return true; }
