#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QToolBar;
class GridControl;
class LiveChart;
class LiveRun;
class SerialLink;

// The main window: chart, live table, the four buttons, menus, toolbar, the three timers and the
// serial link the transfer window borrows. It lives from start-up to the end of the program.
class FrmMenu : public QMainWindow {
    Q_OBJECT
public:
    FrmMenu();
    ~FrmMenu() override;

    // The one main window of the program (nullptr before it exists and after it is gone).
    static FrmMenu *instance();

    // Load: text offset, captions, settings, chart. Called once by start-up before show().
    void Form_Load();

    // Controls, named as the program has always named them.
    LiveChart *TChart1 = nullptr;
    GridControl *vaSpread1 = nullptr;
    QLabel *Label1 = nullptr;  // "CO2"
    QLabel *Label2 = nullptr;  // "CO"
    QPushButton *Command1 = nullptr;  // Measure Start / Measure Stop
    QPushButton *Command2 = nullptr;  // Exit
    QPushButton *Command3 = nullptr;  // Data transfer
    QPushButton *Command4 = nullptr;  // Zoom On / Zoom Off
    QTimer *Timer1 = nullptr;         // tick source of WaitTicks
    QTimer *Timer2 = nullptr;         // request timer
    QTimer *Timer3 = nullptr;         // reply timer
    SerialLink *MSComm1 = nullptr;
    QToolBar *Toolbar1 = nullptr;
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

    // The live measurement (start/stop, polling, chart updates) the window owns.
    LiveRun *live() const { return m_live; }

    // Handlers.
    void MenuExit_Click();
    void MenuSave_Click();  // CSV export of the live data
    void MenuRS232C_Click();
    void MenuOption_Click();
    void MenuMeasurementSetting_Click();
    void MenuVersion_Click();
    void Toolbar1_ButtonClick(const QString &key);
    void Timer1_Timer();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    // Show another window of the program: this window is disabled until that one is gone.
    void showChildWindow(QWidget *window);

    // Text 192 "Data is not saved. Do you save?" when live data are held unsaved. Yes runs Save As;
    // No on purpose lets the run's journal go. Returns the answer (No when nothing was asked).
    enum class UnsavedAnswer { NotAsked, Yes, No };
    UnsavedAnswer askUnsavedData();

    // At start-up: a journal of a run that was never saved is offered for saving.
    void offerRecoveredRun();

    // The program is ending: every wait in progress should give up.
    static bool ending();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    void Form_Activate();
    // Save the settings and end the program.
    void endProgram();

    LiveRun *m_live = nullptr;
    bool m_unloading = false;
};

// Captions and fonts of the main window from the text table.
void SetCaptionsFrmMenu(FrmMenu &window);
