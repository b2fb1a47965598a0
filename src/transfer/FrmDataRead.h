#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "datafiles/SampleData.h"
#include "datafiles/SettingsRecord.h"
#include "transfer/PageTransfer.h"

class GridControl;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class Samples;
class SerialLink;
class UpDownSpinner;

// The stored-data transfer window: the meter's page directory, the choice of page and output mode,
// the read of one page and its data file.
//
// The reads themselves are a transfer::PageTransfer. Every read yields to the event loop while it
// waits, so a Close (button or window close) can arrive in the middle of one. Close therefore only
// hides the window and cancels the transfer; the running read ends quietly after its wait, and the
// window deletes itself once no handler of it is left on the stack.
class FrmDataRead : public QWidget {
    Q_OBJECT
public:
    // settings: the program's settings as the window opens (it reads only this copy). link: the
    // main window's line; samples: the data the main window holds, replaced by the page read.
    // Without them the window has its own (tools, tests).
    explicit FrmDataRead(const SettingsRecord &settings, SerialLink *link = nullptr, Samples *samples = nullptr);
    ~FrmDataRead() override;

    // Controls; each keeps its designed name (Text2, UpDown1, vaSpread1, ...) as its objectName.
    QLabel *pageCountLabel = nullptr;           // "Total numbers of pages"
    QLineEdit *pageCountField = nullptr;
    QLabel *pageLabel = nullptr;                // "Reading Page"
    QLineEdit *pageField = nullptr;             // page to read
    UpDownSpinner *pageSpinner = nullptr;
    QRadioButton *standardModeOption = nullptr;
    QRadioButton *detailedModeOption = nullptr;
    GridControl *directoryTable = nullptr;      // page directory
    QPushButton *transmitButton = nullptr;
    QPushButton *closeButton = nullptr;
    QStatusBar *statusBar = nullptr;
    QLabel *statusPanel = nullptr;              // first panel of the status bar
    QProgressBar *progressBar = nullptr;        // records read of the page

    TransferState &state() { return m_transfer->state(); }
    const TransferState &state() const { return m_transfer->state(); }
    // The reads this window shows.
    transfer::PageTransfer &pageTransfer() { return *m_transfer; }

    // Handlers.
    void Form_Load();
    void Form_Activate();   // the directory read
    void Command1_Click();  // Transmit: read the current page and offer its data file
    void Command2_Click();  // Close: stop any read and close the window
    void Text2_Change();
    void Text2_GotFocus();
    bool Text2_Validate();  // false keeps the focus in the page field
    void UpDown1_Change();
    void vaSpread1_Click(int col, int row);
    void vaSpread1_ActiveRowChanged(int row);
    void Option1_Click();
    void Option2_Click();

    // A handler of the window is running (a read, a Close that stops the meter).
    bool busy() const { return m_busy > 0; }
    // Closed by the user or after a failure; it goes away once nothing of it runs.
    bool closed() const { return m_closed; }

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class BusyScope;

    void buildUi();
    void unloadWindow();
    void setPageField(const QString &text);
    void markRow(int row);
    void applyModeButtons(int page);
    void selectModeButton();
    void lockPageControls(bool locked);
    void restoreAfterRead();
    void showRecordProgress(int record, int count);
    void startProgress(int count);  // an empty bar for count steps
    void clearProgress();
    void saveReadPage(int page, const SampleData &data);
    void showPortNotOpened();

    SettingsRecord m_settings;
    QPointer<Samples> m_samples;
    transfer::PageTransfer *m_transfer = nullptr;
    TransferState &m_state;  // the transfer's
    int m_busy = 0;
    bool m_closed = false;
    bool m_loading = false;
    bool m_activated = false;
    bool m_reading = false;
    bool m_directoryRunning = false;
    bool m_syncing = false;  // the program itself moves the spinner or the grid's row
};

// Captions and fonts of the transfer window from the text table.
void SetCaptionsFrmDataRead(FrmDataRead &window);
