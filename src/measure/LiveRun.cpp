#include "measure/LiveRun.h"

#include <QDate>

#include "measure/Samples.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"

LiveRun::LiveRun(SerialLink &link, Samples &samples, QObject *parent)
    : QObject(parent), m_link(link), m_samples(samples), m_rng(std::random_device{}())
{
    // The request timer is re-armed for each slot of the run's schedule, so it never drifts.
    m_requestTimer.setTimerType(Qt::PreciseTimer);
    m_requestTimer.setSingleShot(true);
    m_requestTimer.setInterval(m_requestMs);
    m_replyTimer.setInterval(m_replyMs);
    connect(&m_requestTimer, &QTimer::timeout, this, &LiveRun::onRequestTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &LiveRun::onReplyTimer);
    connect(&m_link, &SerialLink::deviceLost, this, &LiveRun::onDeviceLost);
}

void LiveRun::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged(phase);
}

// ---- start ----

void LiveRun::start(const SettingsRecord &settings)
{
    // A click between the stop and the end of the run's clean-up does not start another run.
    if (m_phase != Phase::Idle)
        return;
    // A run needs at least one sample (a hand-edited negative count is refused as well).
    if (settings.MeasureSampleValue <= 0) {
        emit failed(Failure::NoSamples, QString());
        return;
    }
    m_settings = settings;
    if (const auto iv = live::intervalsForSampleTime(m_settings.MeasureSampleTime)) {
        m_requestMs = iv->requestMs;
        m_replyMs = iv->replyMs;
        m_labelStepSec = iv->labelStepSec;
    }
    m_requestTimer.setInterval(m_requestMs);
    m_replyTimer.setInterval(m_replyMs);
    m_detailed = m_settings.MeasureMode == 1;
    m_stopRequested = false;
    m_coScaleFlag = 1;
    ++m_runId;
    m_lastTimeOfDay = live::timeOfDayNow();
    m_dayOffset = 0;
    const int n = m_settings.MeasureSampleValue;
    m_requestTimes.fill(0.0, n + 1);
    m_requestTimes.squeeze();
    m_requestIndex = 1;
    m_sampleIndex = 1;

    SampleData header;
    header.measureMode = m_settings.MeasureMode;
    header.sampleTime = m_settings.MeasureSampleTime;
    // The last run's data were saved or let go before this start.
    m_samples.beginRun(header, n);
    m_samples.setPresent(false);
    m_samples.setSaved(false);
    setPhase(Phase::Starting);

    QPointer<LiveRun> self(this);
    if (!openPortAndReadUnits(self))
        return;
    emit unitsKnown();
    if (!self || ProgramEnding())
        return;
    if (m_settings.ProgMode && !readScaleAndSelectOutput(self))
        return;
    beginSampling(self);
}

// After each start-up exchange: go on, or end the start here (quietly when the run or the program
// went away while it waited).
bool LiveRun::startMayGoOn(const QPointer<LiveRun> &self, const ExchangeResult &result)
{
    if (!self || ProgramEnding())
        return false;
    if (result.cancelled() || m_stopRequested) {
        abortedStart();
        return false;
    }
    if (!result.ok()) {
        exchange::logFailure(result);
        m_lastFailure = result;
        errorExit();
        return false;
    }
    return true;
}

bool LiveRun::openPortAndReadUnits(const QPointer<LiveRun> &self)
{
    if (!m_settings.ProgMode) {
        // Debug mode's fixed units.
        std::array<QString, kQuantityCount + 1> units;
        const QString degrees = QString(QChar(0xFF9F)) + QLatin1Char('C');
        units[size_t(Quantity::CO)] = QStringLiteral("ppm");
        units[size_t(Quantity::CO2)] = QStringLiteral("ppm");
        units[size_t(Quantity::Temperature)] = degrees;
        units[size_t(Quantity::Humidity)] = QStringLiteral("%RH");
        units[size_t(Quantity::DewPoint)] = degrees;
        units[size_t(Quantity::WetBulb)] = degrees;
        units[size_t(Quantity::AbsHumidity)] = QStringLiteral("lb/ft3");
        units[size_t(Quantity::HumidityRatio)] = QStringLiteral("g/kg");
        m_samples.setUnits(units);
        return true;
    }
    if (!OpenComPort(m_link, m_settings)) {
        emit failed(Failure::PortNotOpened, m_settings.RsPort);
        if (!self || ProgramEnding())
            return false;
        CloseComPort(m_link);
        setPhase(Phase::Idle);
        return false;
    }
    exchange::UnitTexts units;
    const ExchangeResult r = exchange::readUnits(m_link, QStringLiteral("Unit Read(Measurment)"), units, runCancel());
    if (!startMayGoOn(self, r))
        return false;
    m_samples.setUnits(units);
    return true;
}

bool LiveRun::readScaleAndSelectOutput(const QPointer<LiveRun> &self)
{
    // S: COScaleFlag and the atmospheric pressure.
    qint16 flag = m_coScaleFlag;
    qint32 pressure = 0;
    const ExchangeResult s = exchange::liveS(m_link, flag, pressure, runCancel());
    if (!startMayGoOn(self, s))
        return false;
    m_coScaleFlag = flag;
    m_samples.setAtmosPressure(pressure);
    emit coScaleKnown(m_coScaleFlag);
    if (!self || ProgramEnding())
        return false;

    // G (Standard) or F (Detailed), no retry.
    const int sTries = s.attempts >= 1 && s.attempts <= 3 ? s.attempts : 1;
    const ExchangeResult gf = exchange::liveGF(m_link, m_detailed, sTries, runCancel());
    if (!startMayGoOn(self, gf))
        return false;
    m_link.setInputLen(m_detailed ? 69 : 37);
    return true;
}

void LiveRun::beginSampling(const QPointer<LiveRun> &self)
{
    // The samples go to the journal as they come, so a crash does not lose them.
    beginJournal();
    if (m_settings.ProgMode)
        m_link.discardInput();
    // First request at once, then the reply timer.
    setPhase(Phase::Sampling);
    if (!self || ProgramEnding())
        return;
    m_runClock.start();
    m_nextSlot = 1;
    onRequestTimer();
    if (!self || ProgramEnding())
        return;
    if (m_stopRequested || m_phase != Phase::Sampling) {
        scheduleFinish();
        return;
    }
    m_replyTimer.start();
}

void LiveRun::beginJournal()
{
    const SampleData &data = m_samples.data();
    JournalHeader header;
    header.date = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    header.measureMode = m_settings.MeasureMode;
    header.sampleTime = m_settings.MeasureSampleTime;
    header.atmosPressure = data.atmosPressure;
    for (const QString &unit : data.units)
        header.units << unit;
    m_journal.begin(header);  // a run goes on without it when the data folder cannot be written
}

// ---- stop and end ----

void LiveRun::stop()
{
    if (m_phase != Phase::Starting && m_phase != Phase::Sampling)
        return;
    const bool sampling = m_phase == Phase::Sampling;
    m_stopRequested = true;
    m_requestTimer.stop();
    m_replyTimer.stop();
    m_samples.setPresent(true);
    setPhase(Phase::Stopping);
    // While starting, the start-up code notices the stop after its exchange; while sampling, the
    // end of the run follows as soon as this click has returned.
    if (sampling)
        scheduleFinish();
}

void LiveRun::scheduleFinish()
{
    if (m_finishPending)
        return;
    m_finishPending = true;
    QTimer::singleShot(0, this, [this] {
        m_finishPending = false;
        finishRun();
    });
}

void LiveRun::finishRun()
{
    if (m_phase == Phase::Idle || m_finishing || ProgramEnding())
        return;
    QPointer<LiveRun> self(this);
    m_finishing = true;
    setPhase(Phase::Stopping);
    m_requestTimer.stop();
    m_replyTimer.stop();
    // N only after a stop or a reply error; a complete run leaves the meter as it is.
    if (m_settings.ProgMode) {
        if (m_stopRequested && m_link.isOpen() && !m_link.lost()) {
            SendStopCommand(m_link, quietCancel());
            if (!self || ProgramEnding())
                return;
            if (m_phase == Phase::Idle) {  // closed for good meanwhile
                m_finishing = false;
                return;
            }
        }
        CloseComPort(m_link);
    }
    m_journal.close();
    m_samples.setPresent(true);
    m_finishing = false;
    setPhase(Phase::Idle);
    emit ended();
}

void LiveRun::abortedStart()
{
    // Stopped while starting: an empty run, ended like any stopped run (N quiets the meter).
    finishRun();
}

void LiveRun::errorExit()
{
    QPointer<LiveRun> self(this);
    m_requestTimer.stop();
    m_samples.setPresent(false);
    // A failed start took no samples: nothing to recover.
    m_journal.close();
    RunJournal::remove();
    emit failed(Failure::ExchangeFailed, QString());
    if (!self || ProgramEnding())
        return;
    if (m_settings.ProgMode)
        CloseComPort(m_link);
    setPhase(Phase::Idle);
    emit ended();
}

void LiveRun::replyError(const ExchangeResult &result)
{
    QPointer<LiveRun> self(this);
    exchange::logFailure(result);
    m_lastFailure = result;
    m_stopRequested = true;
    m_requestTimer.stop();
    m_replyTimer.stop();
    emit failed(Failure::ExchangeFailed, QString());
    if (!self || ProgramEnding())
        return;
    scheduleFinish();
}

void LiveRun::onDeviceLost()
{
    // The adapter was pulled or the line went away: the samples so far are kept.
    if (m_phase != Phase::Sampling || m_stopRequested || !m_settings.ProgMode)
        return;
    ExchangeResult lost;
    lost.outcome = ExchangeResult::Failed;
    lost.logName = QStringLiteral("D Command(Measure)");
    lost.loggedAttempts = -1;
    replyError(lost);
}

void LiveRun::stopForClose()
{
    if (m_phase == Phase::Idle)
        return;
    const bool sampling = m_phase != Phase::Starting;
    m_stopRequested = true;
    m_requestTimer.stop();
    m_replyTimer.stop();
    m_journal.close();
    // The samples taken so far are held, unsaved, for the question that follows; the run is over,
    // so saving them now counts.
    if (sampling)
        m_samples.setPresent(true);
    setPhase(Phase::Idle);
    emit ended();
}

void LiveRun::abortForShutdown()
{
    m_stopRequested = true;
    m_journal.close();
    m_requestTimer.stop();
    m_replyTimer.stop();
    setPhase(Phase::Idle);
}

// ---- the request timer ----

void LiveRun::onRequestTimer()
{
    if (m_phase != Phase::Sampling || m_stopRequested)
        return;
    if (!m_settings.ProgMode)
        return;  // debug mode makes its readings up in the reply tick
    const int n = m_settings.MeasureSampleValue;
    m_replyTimer.stop();
    if (m_requestIndex <= n) {
        exchange::sendD(m_link);
        m_requestTimes[m_requestIndex] = stampNow();
        ++m_requestIndex;
    } else if (m_sampleIndex > n) {
        m_replyTimer.start();
        return;
    } else {
        // Every request is out but this sample's reply is missing: ask again.
        exchange::sendD(m_link);
        m_requestTimes[m_sampleIndex] = stampNow();
    }
    m_replyTimer.start();
    armRequestTimer();
}

void LiveRun::armRequestTimer()
{
    if (m_phase != Phase::Sampling || m_stopRequested)
        return;
    const qint64 now = m_runClock.elapsed();
    // The next slot of the schedule; slots missed while the program was held up are skipped.
    while (m_nextSlot * m_requestMs < now - m_requestMs / 2)
        ++m_nextSlot;
    const qint64 due = m_nextSlot * m_requestMs;
    ++m_nextSlot;
    m_requestTimer.start(int(qMax<qint64>(0, due - now)));
}

// ---- the reply timer ----

void LiveRun::onReplyTimer()
{
    if (m_inReply || m_phase != Phase::Sampling || m_stopRequested)
        return;
    const int n = m_settings.MeasureSampleValue;
    if (m_sampleIndex > n)
        return;
    if (!m_settings.ProgMode) {
        debugReply();
        return;
    }
    if (m_sampleIndex > m_requestIndex)
        return;
    // No time limit on the wait for a reply, but only while the line is there.
    if (m_link.checkLost() || !m_link.isOpen()) {
        onDeviceLost();
        return;
    }
    const int needed = m_detailed ? 69 : 37;
    if (m_link.inBufferCount() < needed)
        return;

    QPointer<LiveRun> self(this);
    m_inReply = true;
    const ExchangeResult reply = exchange::liveDReply(m_link, m_detailed, runCancel());
    if (!self || ProgramEnding())
        return;
    m_inReply = false;
    if (reply.cancelled() || m_stopRequested || m_phase != Phase::Sampling)
        return;
    if (!reply.ok()) {
        replyError(reply);
        return;
    }
    // A record cut short runs into the next reply ("...CR LF AD CR LF ..."): its numbers would
    // be wrong, so it counts as a failed read like a line without its separators.
    const qsizetype firstEnd = reply.reply.indexOf("\r\n");
    const bool brokenLine = firstEnd >= 0 && firstEnd < reply.reply.size() - 2;
    if (brokenLine || !takeSample(reply.reply, m_requestTimes.value(m_sampleIndex))) {
        ExchangeResult bad = reply;
        bad.outcome = ExchangeResult::Failed;
        bad.logName = QStringLiteral("D Command Data Read");
        replyError(bad);
        return;
    }
    if (m_sampleIndex > n)
        scheduleFinish();
}

void LiveRun::debugReply()
{
    // Debug mode: a made-up reading about once a second.
    QPointer<LiveRun> self(this);
    const quint64 run = m_runId;
    m_inReply = true;
    WaitTicks(1, 900);
    if (!self || ProgramEnding())
        return;
    m_inReply = false;
    const int n = m_settings.MeasureSampleValue;
    if (run != m_runId || m_phase != Phase::Sampling || m_stopRequested || m_sampleIndex > n)
        return;
    takeSample(live::debugDataLine(m_detailed, m_rng), stampNow());
    if (m_sampleIndex > n)
        scheduleFinish();
}

// ---- one sample ----

bool LiveRun::takeSample(const QByteArray &line, double time)
{
    const auto values = protocol::splitDataRecord(line, m_detailed, false);
    if (!values)
        return false;
    m_journal.append(m_sampleIndex, time, line);
    ++m_sampleIndex;
    m_samples.append(time, line, *values);
    return true;
}

double LiveRun::stampNow()
{
    const double t = live::timeOfDayNow();
    if (t < m_lastTimeOfDay - 0.5)
        m_dayOffset += 1;
    m_lastTimeOfDay = t;
    return t + m_dayOffset;
}

CancelCheck LiveRun::runCancel()
{
    QPointer<LiveRun> self(this);
    return [self] { return !self || self->m_stopRequested || ProgramEnding(); };
}

CancelCheck LiveRun::quietCancel()
{
    QPointer<LiveRun> self(this);
    return [self] { return !self || ProgramEnding(); };
}
