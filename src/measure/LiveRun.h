#pragma once

#include <QObject>

class FrmMenu;

// A live run of the main window: Measure Start/Stop, the request and reply timers, the table and
// chart updates. The window turns clicks into calls; the run's state lives here.
class LiveRun : public QObject {
    Q_OBJECT
public:
    explicit LiveRun(FrmMenu *window);

    void resetAtLoad();
    void Command1_Click();
    void Command4_Click();
    void Timer2_Timer();
    void Timer3_Timer();
    bool running() const { return m_running; }
    // The program is ending: leave every wait at once.
    void abortForShutdown();

private:
    FrmMenu *m_window;
    bool m_running = false;
};
