#include "mainwindow/FrmMenu.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include "datafiles/RunJournal.h"
#include "datafiles/SettingsFile.h"
#include "dialogs/DialogCommon.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "mainwindow/GridControl.h"
#include "mainwindow/Prompts.h"
#include "measure/LiveChart.h"
#include "measure/LiveTable.h"
#include "measure/Samples.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "transfer/FrmDataRead.h"

namespace {

// Texts the window shows in more than one place.
constexpr int kTextTitle = 101;
constexpr int kTextMeasureStart = 112;
constexpr int kTextMeasureStop = 156;
constexpr int kTextZoomOn = 179;
constexpr int kTextZoomOff = 180;
constexpr int kTextNotSaved = 192;

class ChildWindowWatcher : public QObject {
public:
    ChildWindowWatcher(FrmMenu *menu, QWidget *window) : QObject(window), m_menu(menu) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous() && m_menu)
            m_menu->setEnabled(true);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<FrmMenu> m_menu;
};

} // namespace

FrmMenu::FrmMenu(const QString &programFolder)
    : m_programFolder(programFolder.isEmpty() ? QDir::currentPath() : programFolder)
{
    ensureResources();
    SetProgramEnding(false);
    setObjectName(QStringLiteral("FrmMenu"));
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    m_link = new SerialLink(this);
    m_link->setObjectName(QStringLiteral("MSComm1"));
    m_samples = new Samples(this);
    m_live = new LiveRun(*m_link, *m_samples, this);
    m_live->setObjectName(QStringLiteral("LiveRun"));
    buildUi();
    connect(m_live, &LiveRun::phaseChanged, this, &FrmMenu::onRunPhase);
    connect(m_live, &LiveRun::failed, this, &FrmMenu::onRunFailed);
    connect(m_live, &LiveRun::unitsKnown, this, &FrmMenu::onUnitsKnown);
    connect(m_live, &LiveRun::coScaleKnown, chart, &LiveChart::setCoScaleFlag);
    connect(m_link, &SerialLink::busyChanged, this, &FrmMenu::showRunState);
    connect(m_samples, &Samples::sampleAdded, this, &FrmMenu::onSampleAdded);
    connect(m_samples, &Samples::replaced, this, &FrmMenu::onSamplesReplaced);
}

FrmMenu::~FrmMenu()
{
    SetProgramEnding(true);
    SetTickTimer(nullptr);
    setBusyCursor(false);
}

void FrmMenu::buildUi()
{
    auto named = [](QObject *object, const char *name) { object->setObjectName(QString::fromLatin1(name)); };

    // Menus.
    MenuFile = menuBar()->addMenu(QString());
    named(MenuFile, "MenuFile");
    MenuSave = MenuFile->addAction(QString(), this, &FrmMenu::MenuSave_Click);
    named(MenuSave, "MenuSave");
    MenuKei1 = MenuFile->addSeparator();
    named(MenuKei1, "MenuKei1");
    MenuExit = MenuFile->addAction(QString(), this, &FrmMenu::MenuExit_Click);
    named(MenuExit, "MenuExit");
    MenuSetting = menuBar()->addMenu(QString());
    named(MenuSetting, "MenuSetting");
    MenuRS232C = MenuSetting->addAction(QString(), this, &FrmMenu::MenuRS232C_Click);
    named(MenuRS232C, "MenuRS232C");
    MenuOption = MenuSetting->addAction(QString(), this, &FrmMenu::MenuOption_Click);
    named(MenuOption, "MenuOption");
    MenuMeasurement = menuBar()->addMenu(QString());
    named(MenuMeasurement, "MenuMeasurement");
    MenuMeasurementSetting = MenuMeasurement->addAction(QString(), this, &FrmMenu::MenuMeasurementSetting_Click);
    named(MenuMeasurementSetting, "MenuMeasurementSetting");
    buildAfterMenus();
    MenuHelp = menuBar()->addMenu(QString());
    named(MenuHelp, "MenuHelp");
    MenuVersion = MenuHelp->addAction(QString(), this, &FrmMenu::MenuVersion_Click);
    named(MenuVersion, "MenuVersion");

    // Toolbar: Save and Help.
    toolbar = addToolBar(QStringLiteral("Toolbar"));
    named(toolbar, "Toolbar1");
    toolbar->setMovable(false);
    ToolbarSave = toolbar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save As"),
                                     this, [this] { Toolbar1_ButtonClick(QStringLiteral("Save")); });
    named(ToolbarSave, "Save");
    ToolbarSave->setToolTip(QStringLiteral("Save As"));
    ToolbarHelp = toolbar->addAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion), QStringLiteral("Help"),
                                     this, [this] { Toolbar1_ButtonClick(QStringLiteral("Help")); });
    named(ToolbarHelp, "Help");
    ToolbarHelp->setToolTip(QStringLiteral("Help"));

    auto *central = new QWidget(this);
    named(central, "centralWidget");
    auto *layout = new QVBoxLayout(central);

    auto *labels = new QHBoxLayout;
    coLabel = new QLabel(QStringLiteral("CO"), central);
    named(coLabel, "Label2");
    co2Label = new QLabel(QStringLiteral("CO2"), central);
    named(co2Label, "Label1");
    labels->addWidget(coLabel);
    labels->addStretch(1);
    labels->addWidget(co2Label);
    labels->addStretch(20);
    layout->addLayout(labels);

    chart = new LiveChart(central);
    named(chart, "TChart1");
    chart->setAccessibleName(QStringLiteral("Live chart"));
    chart->setMinimumHeight(260);
    layout->addWidget(chart, 3);

    auto *buttons = new QHBoxLayout;
    startStopButton = new QPushButton(central);
    named(startStopButton, "Command1");
    transferButton = new QPushButton(central);
    named(transferButton, "Command3");
    zoomButton = new QPushButton(central);
    named(zoomButton, "Command4");
    exitButton = new QPushButton(central);
    named(exitButton, "Command2");
    for (QPushButton *b : {startStopButton, transferButton, zoomButton, exitButton}) {
        b->setMinimumWidth(120);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(startStopButton, &QPushButton::clicked, this, &FrmMenu::Command1_Click);
    connect(exitButton, &QPushButton::clicked, this, &FrmMenu::Command2_Click);
    connect(transferButton, &QPushButton::clicked, this, &FrmMenu::Command3_Click);
    connect(zoomButton, &QPushButton::clicked, this, &FrmMenu::Command4_Click);

    m_tableModel = new LiveTableModel(*m_samples, this);
    liveTable = new GridControl(m_tableModel, central);
    named(liveTable, "vaSpread1");
    liveTable->setAccessibleName(QStringLiteral("Live table"));
    liveTable->setFillViewport(true);
    layout->addWidget(liveTable, 2);
    setCentralWidget(central);

    tickTimer = new QTimer(this);
    named(tickTimer, "Timer1");
    connect(tickTimer, &QTimer::timeout, this, [] { TimerTicks_Increment(); });
    SetTickTimer(tickTimer);

    resize(900, 680);
}

void FrmMenu::Form_Load()
{
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    ComputeResIdBase();
    SetCaptionsFrmMenu(*this);
    // Every header readable before the first run too.
    liveTable->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    m_settings = LoadSettings(m_programFolder);
    m_samples->setPresent(false);
    m_samples->setSaved(false);
    chart->configureAtLoad();
}

void FrmMenu::Form_Activate() { chart->redraw(); }

void FrmMenu::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Form_Activate();
}

void FrmMenu::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void FrmMenu::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Save"))
        MenuSave_Click();
    else if (key == QLatin1String("Help"))
        MenuVersion_Click();
}

// ---- the run as the window shows it ----

void FrmMenu::Command1_Click()
{
    const LiveRun::Phase phase = m_live->phase();
    if (phase == LiveRun::Phase::Starting || phase == LiveRun::Phase::Sampling) {
        m_live->stop();
        return;
    }
    // Between a stop and the end of the run's clean-up the button is disabled; a click that
    // slipped through changes nothing.
    if (phase != LiveRun::Phase::Idle || m_link->busy())
        return;
    QPointer<FrmMenu> self(this);
    // Unsaved data of the last run: Yes saves and does not start; No lets them go.
    if (askUnsavedData() == UnsavedAnswer::Yes || !self || ProgramEnding())
        return;
    m_live->start(m_settings);
}

void FrmMenu::Command4_Click()
{
    const bool zoomOn = zoomButton->text() == LoadResString(kTextZoomOn);
    chart->setZoomEnabled(zoomOn);
    zoomButton->setText(LoadResString(zoomOn ? kTextZoomOff : kTextZoomOn));
}

void FrmMenu::onRunPhase(LiveRun::Phase phase)
{
    if (phase == LiveRun::Phase::Starting) {
        // A new run: the chart and the table start empty, sized for the run.
        chart->setTimeLabelStep(m_live->labelStepSec());
        chart->resetForRun();
        zoomButton->setText(LoadResString(kTextZoomOn));
    }
    if (phase == LiveRun::Phase::Idle)
        chart->setPanningEnabled(true);
    showRunState();
}

void FrmMenu::showRunState()
{
    const LiveRun::Phase phase = m_live->phase();
    const bool idle = phase == LiveRun::Phase::Idle;
    const bool measuring = phase == LiveRun::Phase::Starting || phase == LiveRun::Phase::Sampling;
    // While the meter is being quietened (a stopped run, a closed transfer) nothing new may start.
    const bool lineFree = !m_link->busy();
    startStopButton->setText(LoadResString(measuring ? kTextMeasureStop : kTextMeasureStart));
    startStopButton->setEnabled(measuring || (idle && lineFree));
    transferButton->setEnabled(idle && lineFree);
    zoomButton->setEnabled(idle);
    MenuMeasurementSetting->setEnabled(idle);
    MenuRS232C->setEnabled(idle);
    setBusyCursor(measuring);
}

void FrmMenu::onRunFailed(LiveRun::Failure failure, const QString &detail)
{
    switch (failure) {
    case LiveRun::Failure::NoSamples:
        prompts::message(this, LoadResString(152), LoadResString(kTextTitle), prompts::Buttons::Ok,
                         prompts::Icon::Critical);
        break;
    case LiveRun::Failure::PortNotOpened:
        prompts::message(this, detail + LoadResString(172), QString(), prompts::Buttons::Ok, prompts::Icon::None);
        break;
    case LiveRun::Failure::ExchangeFailed:
        if (m_live->phase() == LiveRun::Phase::Starting)
            setBusyCursor(false);
        prompts::message(this, LoadResString(153), LoadResString(kTextTitle), prompts::Buttons::Ok,
                         prompts::Icon::None);
        break;
    }
}

void FrmMenu::onUnitsKnown()
{
    const SampleData &data = m_samples->data();
    const bool celsius = live::isCelsius(data.unit(Quantity::Temperature), i18n::language().systemLanguage);
    chart->setTemperatureScale(celsius, LoadResString(celsius ? 116 : 187));
    writeTableHeader();
}

void FrmMenu::writeTableHeader()
{
    const QStringList headers = live::tableHeaders(m_samples->data());
    for (int c = 1; c <= 9; ++c)
        liveTable->setText(0, c, headers.at(c - 1));
    // Name and unit on two lines where the language puts them so; every header readable.
    liveTable->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    const int timeWidth = liveTable->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 16;
    if (liveTable->columnWidth(0) < timeWidth)
        liveTable->setColumnWidth(0, timeWidth);
}

void FrmMenu::onSampleAdded(int index)
{
    const SampleData &data = m_samples->data();
    if (data.origin != SampleData::Origin::LiveRun)
        return;
    // The graph switches of the run that took the sample; of the settings for a recovered run.
    const SettingsRecord &s = m_live->running() ? m_live->settings() : m_settings;
    const double x = data.times.at(index);
    if (index == 0)
        chart->setFirstSampleWindow(x);
    else
        chart->keepWindowWidth();
    if (s.CO2Graph == 1)
        chart->AddChartPoint(0, x, data.value(Quantity::CO2, index));
    if (s.COGraph == 1)
        chart->AddChartPoint(1, x, data.value(Quantity::CO, index) * chart->coFactor());
    if (s.TempGraph == 1)
        chart->AddChartPoint(2, x, data.value(Quantity::Temperature, index));
    if (s.HumGraph == 1)
        chart->AddChartPoint(3, x, data.value(Quantity::Humidity, index));
    // The newest rows stay in view.
    const int row = index + 1;
    if (row > 7)
        liveTable->setTopRow(row - 6);
}

void FrmMenu::onSamplesReplaced()
{
    const SampleData &data = m_samples->data();
    if (m_live->running())
        return;  // a run's own start: the phase change sets the chart and the table up
    if (data.fromFile) {
        showFileData();
        return;
    }
    if (data.origin != SampleData::Origin::LiveRun) {
        // A page was read (or nothing is held): the live chart and table are emptied.
        chart->clearSeries();
        liveTable->setTopRow(1);
        return;
    }
    // Live data held whole (a recovered run): shown as the run showed them.
    const int n = data.count();
    chart->resetForRun();
    onUnitsKnown();
    for (int i = 0; i < n; ++i)
        onSampleAdded(i);
    chart->setPanningEnabled(true);
}

void FrmMenu::setBusyCursor(bool on)
{
    if (on == m_cursorBusy || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_cursorBusy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

// ---- ways out ----

void FrmMenu::MenuExit_Click()
{
    SaveSettings(m_programFolder, m_settings);
    close();
}

FrmMenu::UnsavedAnswer FrmMenu::askUnsavedData()
{
    if (!m_samples->unsaved())
        return UnsavedAnswer::NotAsked;
    const auto answer = prompts::message(this, LoadResString(kTextNotSaved), LoadResString(kTextTitle),
                                         prompts::Buttons::YesNoOnly, prompts::Icon::Critical);
    if (answer == prompts::Answer::Yes) {
        MenuSave_Click();
        return UnsavedAnswer::Yes;
    }
    // The user let the data go on purpose: so does the journal kept for a crash.
    RunJournal::remove();
    return UnsavedAnswer::No;
}

void FrmMenu::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    // Another window of the program holds this one disabled (a settings dialog, the About box,
    // the transfer window): it has to be closed first, as with any modal window.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    leave();
}

void FrmMenu::Command2_Click()
{
    leave();
    hide();
}

void FrmMenu::leave()
{
    // A run still going on ends first, keeping the samples taken so far; then unsaved data are
    // offered for saving (a run of days must not be thrown away by one click).
    m_live->stopForClose();
    askUnsavedData();
    m_unloading = true;
    endProgram();
}

void FrmMenu::endProgram()
{
    SaveSettings(m_programFolder, m_settings);
    SetProgramEnding(true);
    m_live->abortForShutdown();
    CloseComPort(*m_link);
    setBusyCursor(false);
    // Leave every nested wait first; the main loop then ends.
    QCoreApplication::exit(0);
}

void FrmMenu::offerRecoveredRun()
{
    const auto run = RunJournal::read();
    if (!run || run->samples.isEmpty()) {
        RunJournal::remove();
        return;
    }
    const int n = int(run->samples.size());
    const auto answer = prompts::message(this, LoadResString(195).arg(n), LoadResString(kTextTitle),
                                         prompts::Buttons::YesNo, prompts::Icon::Exclamation);
    if (answer != prompts::Answer::Yes) {
        RunJournal::remove();
        return;
    }
    // Hold the run as an unsaved live run; Save As then writes it exactly as the live save would,
    // and a cancelled Save As keeps it held (and journalled) until it is saved or let go.
    m_samples->replace(live::recoveredRunData(*run));
    m_samples->setPresent(true);
    m_samples->setSaved(false);
    MenuSave_Click();
}

// ---- other windows ----

void FrmMenu::Command3_Click()
{
    if (m_live->phase() != LiveRun::Phase::Idle || m_link->busy())
        return;
    if (askUnsavedData() == UnsavedAnswer::Yes)
        return;
    showChildWindow(new FrmDataRead(m_settings, m_link, m_samples));
}

void FrmMenu::MenuRS232C_Click()
{
    auto *dialog = new FrmRS232CSetting(m_settings);
    connect(dialog, &FrmRS232CSetting::settingsAccepted, this, &FrmMenu::applySettings);
    showChildWindow(dialog);
}

void FrmMenu::MenuOption_Click()
{
    auto *dialog = new FrmOption(m_settings);
    connect(dialog, &FrmOption::settingsAccepted, this, &FrmMenu::applySettings);
    showChildWindow(dialog);
}

void FrmMenu::MenuMeasurementSetting_Click()
{
    auto *dialog = new FrmMeasureSetting(m_settings);
    connect(dialog, &FrmMeasureSetting::settingsAccepted, this, &FrmMenu::applySettings);
    showChildWindow(dialog);
}

void FrmMenu::MenuVersion_Click() { showChildWindow(new FrmHelp()); }

void FrmMenu::showChildWindow(QWidget *window)
{
    // The other windows are top-level windows of their own (a disabled parent would disable them
    // too); this window stays disabled while one is open, which makes it behave as modal.
    window->setAttribute(Qt::WA_DeleteOnClose);
    setEnabled(false);
    QPointer<FrmMenu> self(this);
    connect(window, &QObject::destroyed, this, [self] {
        if (self)
            self->setEnabled(true);
    });
    // A window that is closed but kept alive a little longer (it may still be unwinding a wait)
    // gives the main window back at once.
    window->installEventFilter(new ChildWindowWatcher(this, window));
    window->show();
    if (window->windowHandle() && windowHandle())
        window->windowHandle()->setTransientParent(windowHandle());
    window->raise();
    window->activateWindow();
}
