#include <QDate>
#include "measure/LiveRun.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "mainwindow/Prompts.h"
#include "measure/LiveChart.h"
#include "measure/LiveTable.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"

using Variable::Settings;

LiveRun::LiveRun(FrmMenu *window) : QObject(window), m_window(window), m_rng(std::random_device{}())
{
    if (window && window->MSComm1)
        connect(window->MSComm1, &SerialLink::deviceLost, this, &LiveRun::onDeviceLost);
}

void LiveRun::resetAtLoad()
{
    m_coScaleFlag = 1;
    m_stopRequested = 0;
    m_phase = Phase::Idle;
    if (!m_window)
        return;
    // The request timer is re-armed for each slot of the run's schedule, so it never drifts.
    m_window->Timer2->setTimerType(Qt::PreciseTimer);
    m_window->Timer2->setSingleShot(true);
    m_window->Timer2->stop();
    m_window->Timer3->stop();
    // The designed intervals, kept when a sampling-time text matches none of the six.
    if (m_window->Timer2->interval() <= 0)
        m_window->Timer2->setInterval(1000);
    if (m_window->Timer3->interval() <= 0)
        m_window->Timer3->setInterval(100);
    m_requestMs = m_window->Timer2->interval();
}

// ---- the buttons ----

void LiveRun::Command1_Click()
{
    if (!m_window)
        return;
    if (m_window->Command1->text() == LoadResString(156))
        stopClick();
    else
        startRun();
}

void LiveRun::Command4_Click()
{
    if (!m_window)
        return;
    if (m_window->Command4->text() != LoadResString(179)) {
        m_window->TChart1->setZoomEnabled(false);
        m_window->Command4->setText(LoadResString(179));
    } else {
        m_window->TChart1->setZoomEnabled(true);
        m_window->Command4->setText(LoadResString(180));
    }
}

void LiveRun::stopClick()
{
    FrmMenu *w = m_window;
    m_stopRequested = 1;
    w->Timer2->stop();
    w->Timer3->stop();
    w->Command1->setText(LoadResString(112));
    w->Command3->setEnabled(true);
    busyCursor(false);
    Variable::DataPresent = 1;
    // While starting, the start-up code notices the stop after its exchange; while sampling, the
    // end of the run follows as soon as this click has returned.
    if (m_phase == Phase::Sampling)
        scheduleFinish();
}

void LiveRun::startRun()
{
    // A click between the stop and the end of the run's clean-up does not start another run.
    if (m_phase != Phase::Idle)
        return;
    QPointer<LiveRun> self(this);
    FrmMenu *w = m_window;

    // 1. Unsaved data of the last run: Yes saves and does not start; No lets them go.
    if (w->askUnsavedData() == FrmMenu::UnsavedAnswer::Yes || !self || FrmMenu::ending())
        return;
    m_phase = Phase::Starting;
    ++m_runId;

    // 2.
    Variable::DataSaved = 0;
    w->MenuMeasurementSetting->setEnabled(false);
    w->MenuRS232C->setEnabled(false);
    busyCursor(true);
    m_stopRequested = 0;

    // 3. A run needs at least one sample (a hand-edited negative count is refused as well).
    if (Settings.MeasureSampleValue <= 0) {
        prompts::message(w, LoadResString(152), LoadResString(101), prompts::Buttons::Ok, prompts::Icon::Critical);
        if (!self || FrmMenu::ending())
            return;
        w->Command1->setEnabled(true);
        w->MenuMeasurementSetting->setEnabled(true);
        w->MenuRS232C->setEnabled(true);
        busyCursor(false);
        m_phase = Phase::Idle;
        return;
    }

    // 4. Timers and the time axis label step by the sampling time.
    if (const auto iv = live::intervalsForSampleTime(Settings.MeasureSampleTime)) {
        w->Timer2->setInterval(iv->requestMs);
        w->Timer3->setInterval(iv->replyMs);
        w->TChart1->setTimeLabelStep(iv->labelStepSec);
    }
    m_requestMs = qMax(1, w->Timer2->interval());

    // 5.
    w->Command3->setEnabled(false);
    w->Command4->setEnabled(false);
    w->Command1->setText(LoadResString(156));

    // 6. Chart.
    w->TChart1->resetForRun();
    w->Command4->setText(LoadResString(179));
    m_lastTimeOfDay = live::timeOfDayNow();
    m_dayOffset = 0;

    // 7. Live table.
    GridControl *grid = w->vaSpread1;
    grid->grid()->clearRows(grid->maxRows());
    grid->setMaxRows(Settings.MeasureSampleValue);

    m_detailed = Settings.MeasureMode == 1;
    SerialLink &link = *w->MSComm1;
    const bool runMode = Settings.ProgMode;

    // 8. Port and units.
    if (runMode) {
        if (!OpenComPort(link, w)) {
            if (!self || FrmMenu::ending())
                return;
            CloseComPort(link);
            w->Command1->setText(LoadResString(112));
            setIdleControls();
            busyCursor(false);
            // The chart was reset for the run; let the user pan the old view again.
            w->TChart1->setPanningEnabled(true);
            m_phase = Phase::Idle;
            return;
        }
        const ExchangeResult units = exchange::readUnits(link, QStringLiteral("Unit Read(Measurment)"), runCancel());
        if (!self || FrmMenu::ending())
            return;
        if (units.cancelled() || m_stopRequested == 1) {
            abortedStart();
            return;
        }
        if (!units.ok()) {
            WriteRsErrLog(QStringLiteral("Unit Read(Measurment)"), QByteArray(), -1);
            errorExit();
            return;
        }
    } else {
        // 9. Debug mode's fixed units.
        Variable::UnitCO2 = QStringLiteral("ppm");
        Variable::UnitCO = QStringLiteral("ppm");
        Variable::UnitTemp = QString(QChar(0xFF9F)) + QLatin1Char('C');
        Variable::UnitHum = QStringLiteral("%RH");
        Variable::UnitDewPoint = Variable::UnitTemp;
        Variable::UnitWetBulb = Variable::UnitTemp;
        Variable::UnitAbsHum = QStringLiteral("lb/ft3");
        Variable::UnitHumRatio = QStringLiteral("g/kg");
    }

    // 10. Right axis by the temperature unit.
    const bool celsius = live::isCelsius(Variable::UnitTemp, Variable::SystemLanguage);
    w->TChart1->setTemperatureScale(celsius, LoadResString(celsius ? 116 : 187));

    // 11. Table header.
    writeTableHeader();

    if (runMode) {
        // 12. S: COScaleFlag and the atmospheric pressure.
        qint16 flag = m_coScaleFlag;
        const ExchangeResult s = exchange::liveS(link, flag, runCancel());
        if (!self || FrmMenu::ending())
            return;
        if (s.cancelled() || m_stopRequested == 1) {
            abortedStart();
            return;
        }
        if (!s.ok()) {
            exchange::logFailure(s);
            errorExit();
            return;
        }
        m_coScaleFlag = flag;
        w->TChart1->setCoScaleFlag(m_coScaleFlag);

        // 13. G (Standard) or F (Detailed), no retry.
        const int sTries = s.attempts >= 1 && s.attempts <= 3 ? s.attempts : 1;
        const ExchangeResult gf = exchange::liveGF(link, m_detailed, sTries, runCancel());
        if (!self || FrmMenu::ending())
            return;
        if (gf.cancelled() || m_stopRequested == 1) {
            abortedStart();
            return;
        }
        if (!gf.ok()) {
            exchange::logFailure(gf);
            errorExit();
            return;
        }
        link.setInputLen(m_detailed ? 69 : 37);
    }

    // 14. Buffers. The run keeps its own mode and sampling time for the save, and its samples
    // go to the journal as they come, so a crash does not lose them.
    sizeBuffers(Settings.MeasureSampleValue);
    Variable::RunMeasureMode = Settings.MeasureMode;
    Variable::RunSampleTime = Settings.MeasureSampleTime;
    beginJournal();
    if (runMode)
        link.discardInput();

    // 15. First request at once, then the reply timer.
    m_phase = Phase::Sampling;
    m_runClock.start();
    m_nextSlot = 1;
    Timer2_Timer();
    if (!self || FrmMenu::ending())
        return;
    if (m_stopRequested == 1 || m_phase != Phase::Sampling) {
        scheduleFinish();
        return;
    }
    w->Timer3->start();
    // 16. The timers do the sampling from here on.
}

// ---- end of a run ----

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
    if (m_phase == Phase::Idle || m_phase == Phase::Finishing || !m_window || FrmMenu::ending())
        return;
    QPointer<LiveRun> self(this);
    FrmMenu *w = m_window;
    m_phase = Phase::Finishing;
    w->Timer2->stop();
    w->Timer3->stop();
    // 17. N only after a stop or a reply error; a complete run leaves the meter as it is.
    if (Settings.ProgMode) {
        SerialLink &link = *w->MSComm1;
        if (m_stopRequested == 1 && link.isOpen() && !link.lost()) {
            SendStopCommand(link, quietCancel());
            if (!self || FrmMenu::ending())
                return;
        }
        CloseComPort(link);
    }
    m_journal.close();
    // 18.
    w->Timer2->stop();
    w->Timer3->stop();
    w->Command1->setText(LoadResString(112));
    w->Command1->setEnabled(true);
    setIdleControls();
    busyCursor(false);
    w->TChart1->setPanningEnabled(true);
    Variable::DataPresent = 1;
    m_phase = Phase::Idle;
    emit runEnded();
}

void LiveRun::abortedStart()
{
    // Stopped while starting: an empty run, ended like any stopped run (N quiets the meter).
    sizeBuffers(Settings.MeasureSampleValue);
    m_phase = Phase::Sampling;
    finishRun();
}

void LiveRun::errorExit()
{
    QPointer<LiveRun> self(this);
    FrmMenu *w = m_window;
    w->Timer2->stop();
    Variable::DataPresent = 0;
    // A failed start took no samples: nothing to recover.
    m_journal.close();
    RunJournal::remove();
    busyCursor(false);
    prompts::message(w, LoadResString(153), LoadResString(101), prompts::Buttons::Ok, prompts::Icon::None);
    if (!self || FrmMenu::ending())
        return;
    if (Settings.ProgMode)
        CloseComPort(*w->MSComm1);
    w->Command1->setText(LoadResString(112));
    setIdleControls();
    w->TChart1->setPanningEnabled(true);
    m_phase = Phase::Idle;
    emit runEnded();
}

void LiveRun::replyError(const ExchangeResult &result)
{
    QPointer<LiveRun> self(this);
    exchange::logFailure(result);
    m_stopRequested = 1;
    m_window->Timer2->stop();
    m_window->Timer3->stop();
    prompts::message(m_window, LoadResString(153), LoadResString(101), prompts::Buttons::Ok, prompts::Icon::None);
    if (!self || FrmMenu::ending())
        return;
    scheduleFinish();
}

void LiveRun::onDeviceLost()
{
    // The adapter was pulled or the line went away: the samples so far are kept.
    if (m_phase != Phase::Sampling || m_stopRequested == 1 || !Settings.ProgMode)
        return;
    ExchangeResult lost;
    lost.outcome = ExchangeResult::Failed;
    lost.logName = QStringLiteral("D Command(Measure)");
    lost.loggedAttempts = -1;
    replyError(lost);
}

void LiveRun::abortForShutdown()
{
    m_stopRequested = 1;
    m_journal.close();
    if (m_window) {
        m_window->Timer2->stop();
        m_window->Timer3->stop();
    }
    busyCursor(false);
    m_phase = Phase::Idle;
}

void LiveRun::setIdleControls()
{
    FrmMenu *w = m_window;
    w->Command3->setEnabled(true);
    w->Command4->setEnabled(true);
    w->MenuMeasurementSetting->setEnabled(true);
    w->MenuRS232C->setEnabled(true);
}

// ---- the request timer ----

void LiveRun::Timer2_Timer()
{
    if (!m_window || m_phase != Phase::Sampling || m_stopRequested == 1)
        return;
    if (!Settings.ProgMode)
        return;  // debug mode makes its readings up in the reply tick
    FrmMenu *w = m_window;
    SerialLink &link = *w->MSComm1;
    const qint32 n = Settings.MeasureSampleValue;
    w->Timer3->stop();
    if (Variable::RequestIndex <= n) {
        exchange::sendD(link);
        Variable::SampleTimes[Variable::RequestIndex] = live::timeOfDayNow();
        ++Variable::RequestIndex;
    } else if (Variable::SampleIndex > n) {
        w->Timer3->start();
        return;
    } else {
        // Every request is out but this sample's reply is missing: ask again.
        exchange::sendD(link);
        Variable::SampleTimes[Variable::SampleIndex] = live::timeOfDayNow();
    }
    w->Timer3->start();
    armRequestTimer();
}

void LiveRun::armRequestTimer()
{
    if (!m_window || m_phase != Phase::Sampling || m_stopRequested == 1)
        return;
    const qint64 now = m_runClock.elapsed();
    // The next slot of the schedule; slots missed while the program was held up are skipped.
    while (m_nextSlot * m_requestMs < now - m_requestMs / 2)
        ++m_nextSlot;
    const qint64 due = m_nextSlot * m_requestMs;
    ++m_nextSlot;
    m_window->Timer2->start(int(qMax<qint64>(0, due - now)));
}

// ---- the reply timer ----

void LiveRun::Timer3_Timer()
{
    if (!m_window || m_inReply || m_phase != Phase::Sampling || m_stopRequested == 1)
        return;
    const qint32 n = Settings.MeasureSampleValue;
    if (Variable::SampleIndex > n)
        return;
    QPointer<LiveRun> self(this);

    if (!Settings.ProgMode) {
        // Debug mode: a made-up reading about once a second.
        const quint64 run = m_runId;
        m_inReply = true;
        WaitTicks(1, 900);
        if (!self || FrmMenu::ending())
            return;
        m_inReply = false;
        if (run != m_runId || m_phase != Phase::Sampling || m_stopRequested == 1 || Variable::SampleIndex > n)
            return;
        const QByteArray line = live::debugDataLine(m_detailed, m_rng);
        Variable::SampleTimes[Variable::SampleIndex] = live::timeOfDayNow();
        takeSample(line);
        if (Variable::SampleIndex > n)
            scheduleFinish();
        return;
    }

    if (Variable::SampleIndex > Variable::RequestIndex)
        return;
    SerialLink &link = *m_window->MSComm1;
    // No time limit on the wait for a reply, but only while the line is there.
    if (link.checkLost() || !link.isOpen()) {
        onDeviceLost();
        return;
    }
    const int needed = m_detailed ? 69 : 37;
    if (link.inBufferCount() < needed)
        return;

    m_inReply = true;
    const ExchangeResult reply = exchange::liveDReply(link, m_detailed, runCancel());
    if (!self || FrmMenu::ending())
        return;
    m_inReply = false;
    if (reply.cancelled() || m_stopRequested == 1 || m_phase != Phase::Sampling)
        return;
    if (!reply.ok()) {
        replyError(reply);
        return;
    }
    // A record cut short runs into the next reply ("...CR LF AD CR LF ..."): its numbers would
    // be wrong, so it counts as a failed read like a line without its separators.
    const qsizetype firstEnd = reply.reply.indexOf("\r\n");
    const bool brokenLine = firstEnd >= 0 && firstEnd < reply.reply.size() - 2;
    if (brokenLine || !takeSample(reply.reply)) {
        ExchangeResult bad = reply;
        bad.outcome = ExchangeResult::Failed;
        bad.logName = QStringLiteral("D Command Data Read");
        replyError(bad);
        return;
    }
    if (Variable::SampleIndex > n)
        scheduleFinish();
}

// ---- one sample ----

bool LiveRun::takeSample(const QByteArray &line)
{
    using namespace Variable;
    const int i = SampleIndex;
    if (i < 1 || i >= RawReplies.size())
        return false;
    RawReplies[i] = line;
    if (!ParseDataRecord(line, i, m_detailed ? 1 : 0, 0))
        return false;

    FrmMenu *w = m_window;
    if (w) {
        // Chart: the time window first, then the points of the series that are switched on.
        LiveChart *chart = w->TChart1;
        const double x = chartX(SampleTimes[i]);
        if (i == 1)
            chart->setFirstSampleWindow(x);
        else
            chart->keepWindowWidth();
        if (Settings.CO2Graph == 1)
            chart->AddChartPoint(0, x, CO2Data[i]);
        if (Settings.COGraph == 1)
            chart->AddChartPoint(1, x, COData[i] * chart->coFactor());
        if (Settings.TempGraph == 1)
            chart->AddChartPoint(2, x, TempData[i]);
        if (Settings.HumGraph == 1)
            chart->AddChartPoint(3, x, HumData[i]);
        chart->redraw();

        // Table: the newest rows stay in view.
        GridControl *grid = w->vaSpread1;
        if (i > 7)
            grid->setTopRow(i - 6);
        grid->grid()->setRow(i, live::tableRow(i, m_detailed));
    }
    m_journal.append(i, SampleTimes[i], line);
    ++SampleIndex;
    return true;
}

void LiveRun::beginJournal()
{
    JournalHeader header;
    header.date = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));
    header.measureMode = Settings.MeasureMode;
    header.sampleTime = Settings.MeasureSampleTime;
    header.atmosPressure = Variable::AtmosPressure;
    header.units = QStringList{Variable::UnitCO, Variable::UnitCO2, Variable::UnitTemp, Variable::UnitHum,
                               Variable::UnitDewPoint, Variable::UnitWetBulb, Variable::UnitAbsHum,
                               Variable::UnitHumRatio, Variable::UnitField9};
    m_journal.begin(header);  // a run goes on without it when the data folder cannot be written
}

void LiveRun::stopForClose()
{
    if (m_phase == Phase::Idle)
        return;
    const bool sampling = m_phase != Phase::Starting;
    m_stopRequested = 1;
    if (m_window) {
        m_window->Timer2->stop();
        m_window->Timer3->stop();
    }
    m_journal.close();
    // The samples taken so far are held, unsaved, for the question that follows.
    if (sampling)
        Variable::DataPresent = 1;
}

void LiveRun::showRecoveredRun(int measureMode)
{
    using namespace Variable;
    FrmMenu *w = m_window;
    if (!w)
        return;
    const int n = int(RawReplies.size()) - 1;
    m_detailed = measureMode == 1;
    w->TChart1->resetForRun();
    const bool celsius = live::isCelsius(UnitTemp, SystemLanguage);
    w->TChart1->setTemperatureScale(celsius, LoadResString(celsius ? 116 : 187));
    w->vaSpread1->setMaxRows(qMax(n, 10));
    writeTableHeader();
    m_lastTimeOfDay = n >= 1 ? SampleTimes[1] : 0;
    m_dayOffset = 0;
    const QVector<QByteArray> lines = RawReplies;
    SampleIndex = 1;
    for (int i = 1; i <= n; ++i) {
        if (!takeSample(lines[i]))
            SampleIndex = i + 1;  // keep later samples at their own rows
    }
    RequestIndex = SampleIndex;
    w->TChart1->setPanningEnabled(true);
}

double LiveRun::chartX(double timeOfDay)
{
    if (timeOfDay < m_lastTimeOfDay - 0.5)
        m_dayOffset += 1;
    m_lastTimeOfDay = timeOfDay;
    return timeOfDay + m_dayOffset;
}

void LiveRun::sizeBuffers(int n)
{
    n = qMax(0, n);
    Variable::resizeLiveSeries(n);
    Variable::SampleTimes.fill(0.0, n + 1);
    Variable::SampleTimes.squeeze();
    Variable::RawReplies = QVector<QByteArray>(n + 1);
    Variable::SampleIndex = 1;
    Variable::RequestIndex = 1;
}

void LiveRun::prepareBuffersForBench(int n)
{
    Settings.MeasureSampleValue = n;
    m_detailed = Settings.MeasureMode == 1;
    if (m_window) {
        m_window->TChart1->resetForRun();
        m_window->vaSpread1->setMaxRows(n);
    }
    m_lastTimeOfDay = live::timeOfDayNow();
    m_dayOffset = 0;
    sizeBuffers(n);
}

void LiveRun::writeTableHeader()
{
    const QStringList headers = live::tableHeaders();
    GridControl *grid = m_window->vaSpread1;
    for (int c = 1; c <= 9; ++c)
        grid->setText(0, c, headers.at(c - 1));
    // Name and unit on two lines where the language puts them so; every header readable.
    grid->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    const int timeWidth = grid->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 16;
    if (grid->columnWidth(0) < timeWidth)
        grid->setColumnWidth(0, timeWidth);
}

void LiveRun::busyCursor(bool on)
{
    if (on == m_cursorBusy || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_cursorBusy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

CancelCheck LiveRun::runCancel()
{
    QPointer<LiveRun> self(this);
    return [self] { return !self || self->m_stopRequested == 1 || FrmMenu::ending(); };
}

CancelCheck LiveRun::quietCancel()
{
    QPointer<LiveRun> self(this);
    return [self] { return !self || FrmMenu::ending(); };
}
