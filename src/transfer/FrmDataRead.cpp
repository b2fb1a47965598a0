#include "transfer/FrmDataRead.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "i18n/Fonts.h"
#include "i18n/Texts.h"
#include "mainwindow/FontRules.h"
#include "mainwindow/GridControl.h"
#include "mainwindow/Prompts.h"
#include "serial/SerialLink.h"
#include "measure/Samples.h"
#include "transfer/PageFile.h"
#include "transfer/UpDownSpinner.h"

namespace {
constexpr int kTextTitle = 101;
constexpr int kTextSerialError = 153;
constexpr int kTextOverRange = 165;

} // namespace

// Counts the window's handlers on the stack; the last one out deletes a closed window.
class FrmDataRead::BusyScope {
public:
    explicit BusyScope(FrmDataRead *window) : m_window(window) { ++m_window->m_busy; }
    ~BusyScope()
    {
        if (--m_window->m_busy == 0 && m_window->m_closed)
            m_window->deleteLater();
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    FrmDataRead *m_window;
};

FrmDataRead::FrmDataRead(const SettingsRecord &settings, SerialLink *link, Samples *samples)
    : m_settings(settings), m_samples(samples),
      m_transfer(new transfer::PageTransfer(settings, link ? link : new SerialLink(this), this)),
      m_state(m_transfer->state())
{
    setObjectName(QStringLiteral("FrmDataRead"));
    if (!m_samples)
        m_samples = new Samples(this);
    connect(m_transfer, &transfer::PageTransfer::pageCountKnown, this, [this](int count) {
        directoryTable->setMaxRows(count);
        startProgress(count);
    });
    connect(m_transfer, &transfer::PageTransfer::pageRowReady, this, [this](int page) {
        const QStringList row = m_state.gridRow(page);
        if (m_settings.ProgMode) {
            directoryTable->grid()->setRow(page, row);
            progressBar->setValue(page);
        } else {
            for (int c = 1; c <= 4; ++c)  // the made-up pages have no date column
                directoryTable->setText(page, c, row.at(c - 1));
        }
    });
    connect(m_transfer, &transfer::PageTransfer::readStarted, this, [this] {
        // The data held so far give way to the page: the main window's chart and table empty.
        if (m_samples) {
            m_samples->setPresent(false);
            m_samples->clear();
        }
    });
    connect(m_transfer, &transfer::PageTransfer::recordsBegin, this, [this](int count) {
        startProgress(count);
        progressBar->setTextVisible(true);
    });
    connect(m_transfer, &transfer::PageTransfer::recordRead, this, &FrmDataRead::showRecordProgress);
    buildUi();
    Form_Load();
}

FrmDataRead::~FrmDataRead() = default;

void FrmDataRead::buildUi()
{
    auto named = [](QObject *object, const char *name) { object->setObjectName(QString::fromLatin1(name)); };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);

    auto *top = new QGridLayout;
    pageCountLabel = new QLabel(this);
    named(pageCountLabel, "Label1");
    pageCountField = new QLineEdit(this);
    named(pageCountField, "Text1");
    pageCountField->setReadOnly(true);
    pageCountField->setAccessibleName(QStringLiteral("Total numbers of pages"));
    pageCountField->setMaximumWidth(70);
    pageCountLabel->setBuddy(pageCountField);

    pageLabel = new QLabel(this);
    named(pageLabel, "Label2");
    pageField = new QLineEdit(this);
    named(pageField, "Text2");
    pageField->setAccessibleName(QStringLiteral("Reading Page"));
    pageField->setMaximumWidth(70);
    pageLabel->setBuddy(pageField);
    pageSpinner = new UpDownSpinner(this);
    named(pageSpinner, "UpDown1");
    pageSpinner->setAccessibleName(QStringLiteral("Page spinner"));
    pageSpinner->setRange(1, 1);
    pageSpinner->setValue(1);
    auto *pageRow = new QHBoxLayout;
    pageRow->setSpacing(0);
    pageRow->addWidget(pageField);
    pageRow->addWidget(pageSpinner);
    pageRow->addStretch(1);

    standardModeOption = new QRadioButton(this);
    named(standardModeOption, "Option1");
    detailedModeOption = new QRadioButton(this);
    named(detailedModeOption, "Option2");

    top->addWidget(pageCountLabel, 0, 0);
    top->addWidget(pageCountField, 0, 1);
    top->addWidget(pageLabel, 1, 0);
    top->addLayout(pageRow, 1, 1);
    top->setColumnStretch(2, 1);
    top->addWidget(standardModeOption, 0, 3);
    top->addWidget(detailedModeOption, 1, 3);
    layout->addLayout(top);

    directoryTable = new GridControl(5, this);
    named(directoryTable, "vaSpread1");
    directoryTable->setAccessibleName(QStringLiteral("Page directory"));
    directoryTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    directoryTable->horizontalHeader()->setStretchLastSection(true);
    directoryTable->setMaxRows(0);
    layout->addWidget(directoryTable, 1);

    auto *buttons = new QHBoxLayout;
    progressBar = new QProgressBar(this);
    named(progressBar, "ProgressBar1");
    progressBar->setAccessibleName(QStringLiteral("Records read"));
    progressBar->setFormat(QStringLiteral("%v / %m"));
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    transmitButton = new QPushButton(this);
    named(transmitButton, "Command1");
    closeButton = new QPushButton(this);
    named(closeButton, "Command2");
    transmitButton->setMinimumWidth(100);
    closeButton->setMinimumWidth(100);
    buttons->addWidget(progressBar, 1);
    buttons->addSpacing(12);
    buttons->addWidget(transmitButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    statusBar = new QStatusBar(this);
    named(statusBar, "StatusBar1");
    statusBar->setSizeGripEnabled(false);
    statusBar->setAccessibleName(QStringLiteral("Status bar"));
    statusPanel = new QLabel(statusBar);
    named(statusPanel, "StatusPanel1");
    statusPanel->setAccessibleName(QStringLiteral("Status"));
    statusBar->addWidget(statusPanel, 1);
    layout->addWidget(statusBar);

    connect(transmitButton, &QPushButton::clicked, this, &FrmDataRead::Command1_Click);
    connect(closeButton, &QPushButton::clicked, this, &FrmDataRead::Command2_Click);
    connect(pageField, &QLineEdit::textChanged, this, &FrmDataRead::Text2_Change);
    connect(pageSpinner, &UpDownSpinner::valueChanged, this, &FrmDataRead::UpDown1_Change);
    connect(directoryTable, &GridControl::cellClicked, this, &FrmDataRead::vaSpread1_Click);
    connect(directoryTable, &GridControl::activeRowChanged, this, &FrmDataRead::vaSpread1_ActiveRowChanged);
    connect(standardModeOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option1_Click();
    });
    connect(detailedModeOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option2_Click();
    });
    pageField->installEventFilter(this);

    resize(860, 440);
}

// ---- Load and the directory read -------------------------------------------------------------

void FrmDataRead::Form_Load()
{
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    SetCaptionsFrmDataRead(*this);
    m_state.resetAtLoad();
    // The emptied page field is not judged yet: page 1 stays chosen and no range message shows.
    m_loading = true;
    pageCountField->clear();
    pageField->clear();
    m_loading = false;
    selectModeButton();
}

void FrmDataRead::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The directory is read when the window first becomes active; coming back to it from another
    // window (or after the Save dialog) does not read it again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activated && !m_closed) {
        m_activated = true;
        QTimer::singleShot(0, this, &FrmDataRead::Form_Activate);
    }
}

void FrmDataRead::Form_Activate()
{
    if (m_closed || m_directoryRunning || m_reading)
        return;
    m_activated = true;
    BusyScope busy(this);
    m_directoryRunning = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_directoryRunning};

    transmitButton->setEnabled(false);
    // Close stays usable: a long directory can be left at any time.
    lockPageControls(true);
    setCursor(Qt::WaitCursor);

    progressBar->setTextVisible(m_settings.ProgMode);
    const transfer::PageTransfer::Outcome outcome = m_transfer->readDirectory();
    clearProgress();
    unsetCursor();
    switch (outcome) {
    case transfer::PageTransfer::Outcome::Cancelled:
        return;
    case transfer::PageTransfer::Outcome::PortNotOpened:
        showPortNotOpened();
        unloadWindow();
        return;
    case transfer::PageTransfer::Outcome::Empty:
        prompts::message(this, LoadResString(189), LoadResString(kTextTitle));
        unloadWindow();
        return;
    case transfer::PageTransfer::Outcome::Failed:
        transmitButton->setEnabled(true);
        closeButton->setEnabled(true);
        prompts::message(this, LoadResString(kTextSerialError), LoadResString(kTextTitle));
        unloadWindow();
        return;
    case transfer::PageTransfer::Outcome::Ok:
        break;
    }

    pageCountField->setText(QString::number(m_state.PageCount));
    pageSpinner->setRange(1, qMax<int>(1, m_state.PageCount));
    // The directory is ready before the page field is set, so the mode buttons follow the first
    // page's kind.
    lockPageControls(false);
    setPageField(QString::number(m_state.CurrentPage));
    unsetCursor();
    transmitButton->setEnabled(true);
    closeButton->setEnabled(true);
}

// ---- Page controls ---------------------------------------------------------------------------

void FrmDataRead::setPageField(const QString &text)
{
    if (pageField->text() == text)
        Text2_Change();
    else
        pageField->setText(text);  // runs Text2_Change
}

void FrmDataRead::markRow(int row)
{
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    directoryTable->setSelectedRow(row);
    m_syncing = wasSyncing;
}

void FrmDataRead::Text2_Change()
{
    if (m_loading)
        return;
    const int minimum = pageSpinner->minimum();
    const int maximum = pageSpinner->maximum();
    const TransferState::PageFieldJudgement judgement =
        TransferState::judgePageField(pageField->text(), minimum, maximum);
    m_state.CurrentPage = judgement.page;
    if (judgement.inRange) {
        markRow(m_state.CurrentPage);
    } else {
        setPageField(QString::number(minimum));
        markRow(m_state.CurrentPage);
        prompts::message(this, LoadResString(kTextOverRange), LoadResString(kTextTitle), prompts::Buttons::Ok,
                         prompts::Icon::Critical);
    }
    // The spinner shows the same page; moving it here does not write the field back, so a
    // number being typed ("2." on the way to "2.6") is left alone.
    {
        const bool wasSyncing = m_syncing;
        m_syncing = true;
        pageSpinner->setValue(m_state.CurrentPage);
        m_syncing = wasSyncing;
    }
    if (m_state.CurrentPage != 0 && m_state.DirectoryReady)
        applyModeButtons(m_state.CurrentPage);
}

void FrmDataRead::Text2_GotFocus()
{
    // Typing replaces the whole number. Queued, so that a mouse click placing the cursor does
    // not undo the selection.
    QTimer::singleShot(0, pageField, [field = pageField] {
        if (field->hasFocus())
            field->selectAll();
    });
}

bool FrmDataRead::Text2_Validate()
{
    if (m_state.CurrentPage > pageSpinner->maximum() || m_state.CurrentPage < pageSpinner->minimum()) {
        prompts::message(this, LoadResString(kTextOverRange), LoadResString(kTextTitle), prompts::Buttons::Ok,
                         prompts::Icon::Critical);
        return false;
    }
    return true;
}

bool FrmDataRead::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pageField) {
        if (event->type() == QEvent::FocusIn) {
            Text2_GotFocus();
        } else if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            // Only a move to another control of this window is judged, not a message box or a
            // switch to another window.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !m_closed
                && isVisible() && !Text2_Validate())
                QTimer::singleShot(0, pageField, [field = pageField] { field->setFocus(Qt::OtherFocusReason); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmDataRead::UpDown1_Change()
{
    m_state.CurrentPage = qint16(pageSpinner->value());
    if (m_syncing)
        return;
    // The user moved the spinner: the field and the grid follow.
    setPageField(QString::number(m_state.CurrentPage));
}

void FrmDataRead::vaSpread1_Click(int col, int row)
{
    Q_UNUSED(col);
    if (m_syncing)
        return;
    setPageField(QString::number(row));
}

void FrmDataRead::vaSpread1_ActiveRowChanged(int row)
{
    if (m_syncing)
        return;
    setPageField(QString::number(row));
}

void FrmDataRead::Option1_Click()
{
    if (standardModeOption->isEnabled())
        m_state.DetailedMode = 0;
}

void FrmDataRead::Option2_Click()
{
    if (detailedModeOption->isEnabled())
        m_state.DetailedMode = 1;
}

void FrmDataRead::applyModeButtons(int page)
{
    switch (m_state.modeButtonsFor(page)) {
    case TransferState::ModeButtons::Enable:
        standardModeOption->setEnabled(true);
        detailedModeOption->setEnabled(true);
        break;
    case TransferState::ModeButtons::Disable:
        standardModeOption->setEnabled(false);
        detailedModeOption->setEnabled(false);
        break;
    case TransferState::ModeButtons::Unchanged:
        break;
    }
}

void FrmDataRead::selectModeButton()
{
    if (m_state.DetailedMode != 0)
        detailedModeOption->setChecked(true);
    else
        standardModeOption->setChecked(true);
}

void FrmDataRead::lockPageControls(bool locked)
{
    pageField->setEnabled(!locked);
    pageSpinner->setEnabled(!locked);
    directoryTable->setEnabled(!locked);
}

// ---- The page read ---------------------------------------------------------------------------

void FrmDataRead::showRecordProgress(int record, int count)
{
    statusPanel->setText(QString::number(record) + QStringLiteral(" Data Reading"));
    statusPanel->setAccessibleName(statusPanel->text());  // announced as it reads
    if (progressBar->maximum() != qMax(1, count))
        progressBar->setRange(0, qMax(1, count));
    progressBar->setValue(record);
}

void FrmDataRead::startProgress(int count)
{
    progressBar->setRange(0, qMax(1, count));
    progressBar->setValue(0);
}

void FrmDataRead::clearProgress()
{
    statusPanel->clear();
    statusPanel->setAccessibleName(QStringLiteral("Status"));
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
}

void FrmDataRead::showPortNotOpened()
{
    prompts::message(this, m_settings.RsPort + LoadResString(172), QString(), prompts::Buttons::Ok,
                     prompts::Icon::None);
}

void FrmDataRead::restoreAfterRead()
{
    unsetCursor();
    selectModeButton();
    if (m_state.CurrentPage != 0)
        applyModeButtons(m_state.CurrentPage);
    transmitButton->setEnabled(true);
    closeButton->setEnabled(true);
    lockPageControls(false);
}

void FrmDataRead::Command1_Click()
{
    if (m_closed || m_reading || m_directoryRunning)
        return;
    BusyScope busy(this);
    m_reading = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_reading};

    setCursor(Qt::BusyCursor);
    transmitButton->setEnabled(false);
    standardModeOption->setEnabled(false);
    detailedModeOption->setEnabled(false);
    // The page and its directory row stay fixed while they are read and saved.
    lockPageControls(true);
    const int page = m_state.CurrentPage;
    const transfer::PageTransfer::PageRead read = m_transfer->readPage(page);
    unsetCursor();
    clearProgress();
    switch (read.outcome) {
    case transfer::PageTransfer::Outcome::Cancelled:
        return;
    case transfer::PageTransfer::Outcome::PortNotOpened:
        restoreAfterRead();
        showPortNotOpened();
        return;
    case transfer::PageTransfer::Outcome::Failed:
        restoreAfterRead();
        prompts::message(this, LoadResString(kTextSerialError), LoadResString(kTextTitle));
        unloadWindow();
        return;
    default:
        break;
    }
    // A page of a kind the program does not know is not read, and there is nothing to save.
    if (m_state.kind(page) != TransferState::PageKind::Other) {
        if (m_samples)
            m_samples->replace(read.data);
        saveReadPage(page, read.data);
    }
    if (m_closed)
        return;
    restoreAfterRead();
}

void FrmDataRead::saveReadPage(int page, const SampleData &data)
{
    const std::optional<QString> fileName =
        prompts::saveFileName(this, prompts::csvSaveRequest(m_settings.DefaultFolder));
    if (!fileName || fileName->isEmpty() || m_closed)
        return;
    setCursor(Qt::WaitCursor);
    const bool written = transfer::writePageFile(*fileName, m_state, page, data);
    unsetCursor();
    if (!written)
        prompts::message(this, LoadResString(167), LoadResString(168), prompts::Buttons::Ok, prompts::Icon::None);
}

// ---- Close -----------------------------------------------------------------------------------

void FrmDataRead::unloadWindow()
{
    const bool wasClosed = m_closed;
    m_closed = true;
    unsetCursor();
    hide();  // the main window takes the user back from here (it watches this window hide)
    // Any read in progress stops at its next step; with the line open the meter is stopped.
    m_transfer->cancel();
    if (!wasClosed && m_busy == 0)
        deleteLater();
}

void FrmDataRead::Command2_Click()
{
    if (m_closed)
        return;
    BusyScope busy(this);
    // Acted on at once: the window goes and any read in progress stops at its next step.
    unloadWindow();
}

void FrmDataRead::closeEvent(QCloseEvent *event)
{
    // Closing the window is the Close button; the window deletes itself when nothing of it runs.
    event->ignore();
    Command2_Click();
}

// ---- captions -------------------------------------------------------------------------------

void SetCaptionsFrmDataRead(FrmDataRead &w)
{
    w.setWindowTitle(LoadResString(113));
    w.pageCountLabel->setText(LoadResString(158));
    w.pageLabel->setText(LoadResString(159));
    w.transmitButton->setText(LoadResString(160));
    w.closeButton->setText(LoadResString(173));
    w.standardModeOption->setText(LoadResString(133));
    w.detailedModeOption->setText(LoadResString(134));

    static const int headerIds[5] = {161, 162, 163, 164, 193};
    for (int c = 1; c <= 5; ++c)
        w.directoryTable->setText(0, c, LoadResString(headerIds[c - 1]));

    fonts::applyControlFontRule({w.pageCountLabel, w.pageLabel, w.transmitButton, w.closeButton, w.standardModeOption,
                                 w.detailedModeOption, w.pageCountField, w.pageField});
    w.directoryTable->setGridFont(QString::fromLatin1(fonts::kDesignFace), fonts::systemCharSet());
}
