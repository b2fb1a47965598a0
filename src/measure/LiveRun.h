#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <random>

#include "datafiles/RunJournal.h"
#include "serial/Exchanges.h"

class FrmMenu;

// A live run of the main window: Measure Start/Stop, the request and reply timers, the table and
// chart updates. The window turns clicks into calls; the run's state lives here.
//
// The start click runs the start-up exchanges (U, S, G/F), which wait with the event loop running,
// then hands over to the timers: Timer2 sends one D request per sampling interval, Timer3 takes the
// replies in order. The end of a run (N after a stop or a reply error, port closed, buttons back)
// is done once, after the stop click or the last sample has returned to the event loop.
class LiveRun : public QObject {
    Q_OBJECT
public:
    enum class Phase { Idle, Starting, Sampling, Finishing };

    explicit LiveRun(FrmMenu *window);

    void resetAtLoad();
    void Command1_Click();
    void Command4_Click();
    void Timer2_Timer();
    void Timer3_Timer();
    bool running() const { return m_phase != Phase::Idle; }
    // The program is ending: leave every wait at once.
    void abortForShutdown();

    Phase phase() const { return m_phase; }
    qint16 StopRequested() const { return m_stopRequested; }
    qint16 COScaleFlag() const { return m_coScaleFlag; }

    // One sample's data line taken for SampleIndex: stored, split into the buffers, drawn on the
    // chart, shown in the table; SampleIndex moves on. False (nothing but the raw line stored) when
    // the line cannot be split.
    bool takeSample(const QByteArray &line);
    // The window is closing during a run: stop at once, keeping the samples taken so far.
    void stopForClose();
    // Show a run recovered from its journal (buffers and RawReplies already hold it) in the table
    // and the chart.
    void showRecoveredRun(int measureMode);

    // Size the buffers, the table and the chart for a run of n samples without a meter (benchmarks).
    void prepareBuffersForBench(int n);

signals:
    // The run has ended and the window is idle again.
    void runEnded();

private:
    void startRun();
    void stopClick();
    void finishRun();
    void scheduleFinish();
    void errorExit();
    void abortedStart();
    void replyError(const ExchangeResult &result);
    void onDeviceLost();
    void setIdleControls();
    void armRequestTimer();
    void sizeBuffers(int n);
    void writeTableHeader();
    void beginJournal();
    double chartX(double timeOfDay);
    void busyCursor(bool on);
    CancelCheck runCancel();
    CancelCheck quietCancel();

    QPointer<FrmMenu> m_window;
    Phase m_phase = Phase::Idle;
    qint16 m_stopRequested = 0;
    qint16 m_coScaleFlag = 1;
    quint64 m_runId = 0;
    bool m_inReply = false;
    bool m_finishPending = false;
    bool m_cursorBusy = false;
    bool m_detailed = false;
    // Request schedule: slot k is k sampling intervals after the first request.
    QElapsedTimer m_runClock;
    qint64 m_nextSlot = 1;
    int m_requestMs = 1000;
    // Chart x of the samples: time of day plus whole days since the run started (across midnight).
    double m_lastTimeOfDay = 0;
    double m_dayOffset = 0;
    std::mt19937 m_rng;
    RunJournal m_journal;
};
