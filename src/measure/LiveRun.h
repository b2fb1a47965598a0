#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>
#include <random>

#include "datafiles/RunJournal.h"
#include "datafiles/SettingsRecord.h"
#include "measure/LiveTable.h"
#include "serial/Exchanges.h"

class Samples;
class SerialLink;

// A live run (Measure Start / Measure Stop) as a model: the start-up exchanges (U, S, G/F), then a
// request timer that sends one D per sampling interval and a reply timer that takes the replies in
// order, each sample going into the samples object and the journal. The end of a run (N after a
// stop or a reply error, port closed) is done once, from the event loop.
//
// At its start the run copies the settings it needs and reads only that copy until it has ended:
// the event loop runs inside every wait, and a settings dialog or the service switch may change
// the program's settings meanwhile. It reports through signals; it knows no window.
class LiveRun : public QObject {
    Q_OBJECT
public:
    // Stopping: a stop was asked or the run is ending (N, port); nothing new may start until Idle.
    enum class Phase { Idle, Starting, Sampling, Stopping };
    enum class Failure {
        NoSamples,       // the number of samples is below one (text 152)
        PortNotOpened,   // the port cannot be opened (its name and text 172)
        ExchangeFailed,  // the meter did not answer as it must (text 153); logged already
    };

    LiveRun(SerialLink &link, Samples &samples, QObject *parent = nullptr);

    // Measure Start with these settings. Returns once the start-up exchanges are over (they wait
    // with the event loop running); the timers take over from there.
    void start(const SettingsRecord &settings);
    // Measure Stop: the run ends after the exchange in progress, the samples taken are kept.
    void stop();
    // The window is closing during a run: stop at once without stopping the meter, keeping the
    // samples taken so far; the run has ended when this returns.
    void stopForClose();
    // The program is ending: leave every wait at once.
    void abortForShutdown();

    Phase phase() const { return m_phase; }
    bool running() const { return m_phase != Phase::Idle; }
    // The settings the current (or last) run was started with.
    const SettingsRecord &settings() const { return m_settings; }
    // The time axis label step of the current (or last) run, seconds.
    int labelStepSec() const { return m_labelStepSec; }
    // The sampling interval in use (the one set last; never what the request timer has left).
    int requestIntervalMs() const { return m_requestMs; }
    qint16 coScaleFlag() const { return m_coScaleFlag; }
    bool stopRequested() const { return m_stopRequested; }
    // The exchange that failed last (its log name and what came back), for a failed() report.
    const ExchangeResult &lastFailure() const { return m_lastFailure; }
    QTimer &requestTimer() { return m_requestTimer; }
    QTimer &replyTimer() { return m_replyTimer; }

    // One sample's data line, taken for the next sample of the run (stored, journalled, shown).
    // False when the line cannot be split.
    bool takeSample(const QByteArray &line, double time);

signals:
    void phaseChanged(LiveRun::Phase phase);
    // The run's unit texts are known (chart scale, table header).
    void unitsKnown();
    // COScaleFlag of the S reply.
    void coScaleKnown(qint16 flag);
    // Something went wrong; the run goes on ending after the handlers return. detail: the port's
    // name for PortNotOpened.
    void failed(LiveRun::Failure failure, const QString &detail);
    // The run has ended and nothing of it is running any more.
    void ended();

private:
    bool startMayGoOn(const QPointer<LiveRun> &self, const ExchangeResult &result);
    bool openPortAndReadUnits(const QPointer<LiveRun> &self);
    bool readScaleAndSelectOutput(const QPointer<LiveRun> &self);
    void beginSampling(const QPointer<LiveRun> &self);
    void onRequestTimer();
    void onReplyTimer();
    void debugReply();
    void armRequestTimer();
    void scheduleFinish();
    void finishRun();
    void abortedStart();
    void errorExit();
    void replyError(const ExchangeResult &result);
    void onDeviceLost();
    void setPhase(Phase phase);
    void beginJournal();
    double stampNow();
    CancelCheck runCancel();
    CancelCheck quietCancel();

    SerialLink &m_link;
    Samples &m_samples;
    SettingsRecord m_settings;
    QTimer m_requestTimer;
    QTimer m_replyTimer;
    // The intervals set last; a sampling-time text that matches none keeps them.
    int m_requestMs = 1000;
    int m_replyMs = 100;
    int m_labelStepSec = 1;
    Phase m_phase = Phase::Idle;
    bool m_stopRequested = false;
    qint16 m_coScaleFlag = 1;
    bool m_detailed = false;
    quint64 m_runId = 0;
    bool m_inReply = false;
    bool m_finishPending = false;
    bool m_finishing = false;
    // Requests and samples count from 1; a request's time stamp waits here for its reply.
    int m_requestIndex = 1;
    int m_sampleIndex = 1;
    QVector<double> m_requestTimes;
    // Request schedule: slot k is k sampling intervals after the first request.
    QElapsedTimer m_runClock;
    qint64 m_nextSlot = 1;
    // Time stamps keep growing across midnight: whole days since the run started are added.
    double m_lastTimeOfDay = 0;
    double m_dayOffset = 0;
    std::mt19937 m_rng;
    RunJournal m_journal;
    ExchangeResult m_lastFailure;
};
