#include "mainwindow/FrmMenu.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include "datafiles/RunJournal.h"
#include "datafiles/SettingsFile.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "dialogs/DialogCommon.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "mainwindow/GridControl.h"
#include "mainwindow/Prompts.h"
#include "measure/LiveChart.h"
#include "measure/LiveRun.h"
#include "serial/Protocol.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "startup/Variable.h"
#include "transfer/FrmDataRead.h"

namespace {
FrmMenu *g_instance = nullptr;

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

bool g_ending = false;
} // namespace

FrmMenu *FrmMenu::instance() { return g_instance; }
bool FrmMenu::ending() { return g_ending; }

FrmMenu::FrmMenu()
{
    g_instance = this;
    ensureResources();
    g_ending = false;
    setObjectName(QStringLiteral("FrmMenu"));
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    buildUi();
}

FrmMenu::~FrmMenu()
{
    g_ending = true;
    SetTickTimer(nullptr);
    if (g_instance == this)
        g_instance = nullptr;
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
    MenuHelp = menuBar()->addMenu(QString());
    named(MenuHelp, "MenuHelp");
    MenuVersion = MenuHelp->addAction(QString(), this, &FrmMenu::MenuVersion_Click);
    named(MenuVersion, "MenuVersion");

    // Toolbar: Save and Help.
    Toolbar1 = addToolBar(QStringLiteral("Toolbar"));
    named(Toolbar1, "Toolbar1");
    Toolbar1->setMovable(false);
    ToolbarSave = Toolbar1->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save As"),
                                      this, [this] { Toolbar1_ButtonClick(QStringLiteral("Save")); });
    named(ToolbarSave, "Save");
    ToolbarSave->setToolTip(QStringLiteral("Save As"));
    ToolbarHelp = Toolbar1->addAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion), QStringLiteral("Help"),
                                      this, [this] { Toolbar1_ButtonClick(QStringLiteral("Help")); });
    named(ToolbarHelp, "Help");
    ToolbarHelp->setToolTip(QStringLiteral("Help"));

    auto *central = new QWidget(this);
    named(central, "centralWidget");
    auto *layout = new QVBoxLayout(central);

    auto *labels = new QHBoxLayout;
    Label2 = new QLabel(QStringLiteral("CO"), central);
    named(Label2, "Label2");
    Label1 = new QLabel(QStringLiteral("CO2"), central);
    named(Label1, "Label1");
    labels->addWidget(Label2);
    labels->addStretch(1);
    labels->addWidget(Label1);
    labels->addStretch(20);
    layout->addLayout(labels);

    TChart1 = new LiveChart(central);
    named(TChart1, "TChart1");
    TChart1->setAccessibleName(QStringLiteral("Live chart"));
    TChart1->setMinimumHeight(260);
    layout->addWidget(TChart1, 3);

    auto *buttons = new QHBoxLayout;
    Command1 = new QPushButton(central);
    named(Command1, "Command1");
    Command3 = new QPushButton(central);
    named(Command3, "Command3");
    Command4 = new QPushButton(central);
    named(Command4, "Command4");
    Command2 = new QPushButton(central);
    named(Command2, "Command2");
    for (QPushButton *b : {Command1, Command3, Command4, Command2}) {
        b->setMinimumWidth(120);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(Command1, &QPushButton::clicked, this, &FrmMenu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmMenu::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmMenu::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmMenu::Command4_Click);

    vaSpread1 = new GridControl(9, central);
    named(vaSpread1, "vaSpread1");
    vaSpread1->setAccessibleName(QStringLiteral("Live table"));
    vaSpread1->setMaxRows(10);
    vaSpread1->setFillViewport(true);
    layout->addWidget(vaSpread1, 2);
    setCentralWidget(central);

    Timer1 = new QTimer(this);
    named(Timer1, "Timer1");
    connect(Timer1, &QTimer::timeout, this, &FrmMenu::Timer1_Timer);
    SetTickTimer(Timer1);
    Timer2 = new QTimer(this);
    named(Timer2, "Timer2");
    Timer3 = new QTimer(this);
    named(Timer3, "Timer3");

    MSComm1 = new SerialLink(this);
    named(MSComm1, "MSComm1");

    m_live = new LiveRun(this);
    named(m_live, "LiveRun");
    connect(Timer2, &QTimer::timeout, m_live, &LiveRun::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, m_live, &LiveRun::Timer3_Timer);

    resize(900, 680);
}

void FrmMenu::Form_Load()
{
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    ComputeResIdBase();
    SetCaptionsFrmMenu(*this);
    // Every header readable before the first run too.
    vaSpread1->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    LoadSettings();
    Variable::DataPresent = 0;
    Variable::DataSaved = 0;
    m_live->resetAtLoad();  // COScaleFlag = 1
    TChart1->configureAtLoad();
}

void FrmMenu::Form_Activate() { TChart1->redraw(); }

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

void FrmMenu::Timer1_Timer() { TimerTicks_Increment(); }

void FrmMenu::MenuExit_Click()
{
    SaveSettings();
    close();
}

void FrmMenu::endProgram()
{
    SaveSettings();
    g_ending = true;
    if (m_live)
        m_live->abortForShutdown();
    CloseComPort(*MSComm1);
    // Leave every nested wait first; the main loop then ends.
    QCoreApplication::exit(0);
}

FrmMenu::UnsavedAnswer FrmMenu::askUnsavedData()
{
    if (!(Variable::DataPresent == 1 && Variable::DataSaved == 0))
        return UnsavedAnswer::NotAsked;
    const auto answer = prompts::message(this, LoadResString(192), LoadResString(101), prompts::Buttons::YesNo,
                                         prompts::Icon::Critical);
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
    // Closing the main window in any way but the Exit button: offer to save unsaved live data.
    // A run still going on ends first, keeping the samples taken so far.
    if (m_live && m_live->running())
        m_live->stopForClose();
    askUnsavedData();
    m_unloading = true;
    event->accept();
    endProgram();
}

void FrmMenu::Command2_Click()
{
    // The Exit button asks about unsaved data like the other ways out: a run of days must not be
    // thrown away by one click.
    if (m_live && m_live->running())
        m_live->stopForClose();
    askUnsavedData();
    m_unloading = true;
    endProgram();
    hide();
}

void FrmMenu::Command3_Click()
{
    if (askUnsavedData() == UnsavedAnswer::Yes)
        return;
    showChildWindow(new FrmDataRead());
}

void FrmMenu::offerRecoveredRun()
{
    const auto run = RunJournal::read();
    if (!run || run->samples.isEmpty()) {
        RunJournal::remove();
        return;
    }
    const int n = int(run->samples.size());
    const auto answer = prompts::message(this, LoadResString(195).arg(n), LoadResString(101),
                                         prompts::Buttons::YesNo, prompts::Icon::Exclamation);
    if (answer != prompts::Answer::Yes) {
        RunJournal::remove();
        return;
    }
    // Hold the run as an unsaved live run; Save As then writes it exactly as the live save would,
    // and a cancelled Save As keeps it held (and journalled) until it is saved or let go.
    using namespace Variable;
    const JournalHeader &h = run->header;
    QString *units[9] = {&UnitCO, &UnitCO2, &UnitTemp, &UnitHum, &UnitDewPoint, &UnitWetBulb,
                         &UnitAbsHum, &UnitHumRatio, &UnitField9};
    for (int i = 0; i < 9; ++i)
        *units[i] = h.units.value(i);
    AtmosPressure = h.atmosPressure;
    RunMeasureMode = h.measureMode;
    RunSampleTime = h.sampleTime;
    resizeLiveSeries(n);
    SampleTimes.fill(0.0, n + 1);
    RawReplies.fill(QByteArray(), n + 1);
    for (const JournalSample &sample : run->samples) {
        SampleTimes[sample.index] = sample.time;
        RawReplies[sample.index] = sample.line;
    }
    m_live->showRecoveredRun(h.measureMode);
    DataPresent = 1;
    DataSaved = 0;
    MenuSave_Click();
}

void FrmMenu::Command1_Click() { m_live->Command1_Click(); }
void FrmMenu::Command4_Click() { m_live->Command4_Click(); }

void FrmMenu::MenuRS232C_Click() { showChildWindow(new FrmRS232CSetting()); }
void FrmMenu::MenuOption_Click() { showChildWindow(new FrmOption()); }
void FrmMenu::MenuMeasurementSetting_Click() { showChildWindow(new FrmMeasureSetting()); }
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
