#pragma once

#include <QMainWindow>
#include <QPointer>

#include "datafiles/SettingsRecord.h"
#include "measure/LiveRun.h"
#include "measure/SurveyStats.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QToolBar;
class GridControl;
class LiveChart;
class LiveTableModel;
class Samples;
class SerialLink;

// The main window: chart, live table, the four buttons, menus and toolbar. It owns the program's
// settings, the serial line, the samples and the live run, turns clicks into calls on them and
// shows their state. It lives from start-up to the end of the program.
class FrmMenu : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: where "Telvaro.ini" is kept.
    explicit FrmMenu(const QString &programFolder = QString());
    ~FrmMenu() override;

    // Load: text offset, captions, settings, chart. Called once by start-up before show().
    void Form_Load();

    // The settings as the user confirmed them (a run works on its own copy).
    const SettingsRecord &settings() const { return m_settings; }
    SettingsRecord &settings() { return m_settings; }
    void applySettings(const SettingsRecord &settings) { m_settings = settings; }
    const QString &programFolder() const { return m_programFolder; }

    SerialLink &link() const { return *m_link; }
    Samples &samples() const { return *m_samples; }
    LiveRun &live() const { return *m_live; }

    // Controls (the name the program has always given each is its objectName).
    LiveChart *chart = nullptr;            // TChart1
    GridControl *liveTable = nullptr;      // vaSpread1
    QLabel *co2Label = nullptr;            // Label1 "CO2"
    QLabel *coLabel = nullptr;             // Label2 "CO"
    QPushButton *startStopButton = nullptr;  // Command1: Measure Start / Measure Stop
    QPushButton *exitButton = nullptr;       // Command2
    QPushButton *transferButton = nullptr;   // Command3: Data transfer
    QPushButton *zoomButton = nullptr;       // Command4: Zoom On / Zoom Off
    QTimer *tickTimer = nullptr;             // Timer1: tick source of WaitTicks
    QToolBar *toolbar = nullptr;
    QAction *ToolbarSave = nullptr;
    QAction *ToolbarHelp = nullptr;
    QMenu *MenuFile = nullptr;
    QAction *MenuSave = nullptr;
    QAction *MenuKei1 = nullptr;
    QAction *MenuExit = nullptr;
    QMenu *MenuSetting = nullptr;
    QAction *MenuRS232C = nullptr;
    QAction *MenuOption = nullptr;
    QMenu *MenuMeasurement = nullptr;
    QAction *MenuMeasurementSetting = nullptr;
    QMenu *MenuHelp = nullptr;
    QAction *MenuVersion = nullptr;
    // After a measurement: open a data file, the chart as a picture, the survey report, guideline lines.
    QAction *MenuOpen = nullptr;
    QAction *MenuExportChart = nullptr;
    QAction *MenuReport = nullptr;
    QAction *MenuRecentSeparator = nullptr;
    QList<QAction *> recentFileActions;
    QMenu *MenuView = nullptr;
    QAction *MenuGuidelines = nullptr;

    // Handlers.
    void MenuExit_Click();
    void MenuSave_Click();  // CSV export of the live data
    void MenuRS232C_Click();
    void MenuOption_Click();
    void MenuMeasurementSetting_Click();
    void MenuVersion_Click();
    void Toolbar1_ButtonClick(const QString &key);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void MenuOpen_Click();
    // Read a data file and hold its data (shown whole, nothing unsaved). A file that does not fit
    // gets text 202 and changes nothing. Returns whether the data were taken.
    bool openDataFile(const QString &fileName);
    void MenuExportChart_Click();
    void MenuReport_Click();
    // The report of the held data, with these guideline values, into fileName (text 204 on failure).
    bool writeReport(const QString &fileName, const survey::Guidelines &guidelines);
    void MenuGuidelines_Click(bool on);
    // The guideline values remembered in the program folder.
    survey::Guidelines rememberedGuidelines() const;
    void rememberGuidelines(const survey::Guidelines &guidelines);
    void rememberFile(const QString &fileName);

    // Show another window of the program: this window is disabled until that one is gone.
    void showChildWindow(QWidget *window);

    // Text 192 "Data is not saved. Do you save?" when live data are held unsaved; only Yes or No
    // answer it. Yes runs Save As; No on purpose lets the run's journal go. Returns the answer
    // (NotAsked when nothing was asked).
    enum class UnsavedAnswer { NotAsked, Yes, No };
    UnsavedAnswer askUnsavedData();

    // At start-up: a journal of a run that was never saved is offered for saving.
    void offerRecoveredRun();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void Form_Activate();
    // The ways out of the program: a run ends first, unsaved data are asked about, then the end.
    void leave();
    // Save the settings and end the program.
    void endProgram();
    // Buttons, menus and cursor by the run's phase and the line's state.
    void showRunState();
    void onRunPhase(LiveRun::Phase phase);
    void onRunFailed(LiveRun::Failure failure, const QString &detail);
    void onUnitsKnown();
    void onSampleAdded(int index);
    void onSamplesReplaced();
    void writeTableHeader();
    void setBusyCursor(bool on);
    void buildAfterMenus();
    void showRecentFiles();
    void showFileData();
    // True (after text 203) while a run or a transfer is going on.
    bool refuseWhileBusy();

    QString m_programFolder;
    SettingsRecord m_settings;
    SerialLink *m_link = nullptr;
    Samples *m_samples = nullptr;
    LiveRun *m_live = nullptr;
    LiveTableModel *m_tableModel = nullptr;
    bool m_unloading = false;
    bool m_cursorBusy = false;
};

// Captions and fonts of the main window from the text table.
void SetCaptionsFrmMenu(FrmMenu &window);
// Captions of the entries for the work after a measurement.
void SetCaptionsFrmMenuAfter(FrmMenu &window);
