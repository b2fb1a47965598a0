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
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "i18n/Fonts.h"
#include "i18n/Texts.h"
#include "measure/LiveChart.h"
#include "mainwindow/GridControl.h"
#include "mainwindow/Prompts.h"
#include "serial/Exchanges.h"
#include "serial/RS232C.h"
#include "serial/SerialLink.h"
#include "measure/Samples.h"
#include "serial/RS232C.h"
#include "transfer/PageFile.h"
#include "transfer/TransferReads.h"
#include "transfer/UpDownSpinner.h"

namespace {

std::function<double()> &debugRandom()
{
    static std::function<double()> source;
    return source;
}

double drawRandom()
{
    if (debugRandom())
        return debugRandom()();
    return QRandomGenerator::global()->generateDouble();
}

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

void FrmDataRead::setDebugRandomSource(std::function<double()> source) { debugRandom() = std::move(source); }

FrmDataRead::FrmDataRead(const SettingsRecord &settings, SerialLink *link, Samples *samples)
    : m_settings(settings), m_link(link), m_samples(samples)
{
    setObjectName(QStringLiteral("FrmDataRead"));
    if (!m_link) {
        m_ownLink = new SerialLink(this);
        m_link = m_ownLink;
    }
    if (!m_samples)
        m_samples = new Samples(this);
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
    Label1 = new QLabel(this);
    named(Label1, "Label1");
    Text1 = new QLineEdit(this);
    named(Text1, "Text1");
    Text1->setReadOnly(true);
    Text1->setAccessibleName(QStringLiteral("Total numbers of pages"));
    Text1->setMaximumWidth(70);
    Label1->setBuddy(Text1);

    Label2 = new QLabel(this);
    named(Label2, "Label2");
    Text2 = new QLineEdit(this);
    named(Text2, "Text2");
    Text2->setAccessibleName(QStringLiteral("Reading Page"));
    Text2->setMaximumWidth(70);
    Label2->setBuddy(Text2);
    UpDown1 = new UpDownSpinner(this);
    named(UpDown1, "UpDown1");
    UpDown1->setAccessibleName(QStringLiteral("Page spinner"));
    UpDown1->setRange(1, 1);
    UpDown1->setValue(1);
    auto *pageField = new QHBoxLayout;
    pageField->setSpacing(0);
    pageField->addWidget(Text2);
    pageField->addWidget(UpDown1);
    pageField->addStretch(1);

    Option1 = new QRadioButton(this);
    named(Option1, "Option1");
    Option2 = new QRadioButton(this);
    named(Option2, "Option2");

    top->addWidget(Label1, 0, 0);
    top->addWidget(Text1, 0, 1);
    top->addWidget(Label2, 1, 0);
    top->addLayout(pageField, 1, 1);
    top->setColumnStretch(2, 1);
    top->addWidget(Option1, 0, 3);
    top->addWidget(Option2, 1, 3);
    layout->addLayout(top);

    vaSpread1 = new GridControl(5, this);
    named(vaSpread1, "vaSpread1");
    vaSpread1->setAccessibleName(QStringLiteral("Page directory"));
    vaSpread1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    vaSpread1->horizontalHeader()->setStretchLastSection(true);
    vaSpread1->setMaxRows(0);
    layout->addWidget(vaSpread1, 1);

    auto *buttons = new QHBoxLayout;
    ProgressBar1 = new QProgressBar(this);
    named(ProgressBar1, "ProgressBar1");
    ProgressBar1->setAccessibleName(QStringLiteral("Records read"));
    ProgressBar1->setFormat(QStringLiteral("%v / %m"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Command1 = new QPushButton(this);
    named(Command1, "Command1");
    Command2 = new QPushButton(this);
    named(Command2, "Command2");
    Command1->setMinimumWidth(100);
    Command2->setMinimumWidth(100);
    buttons->addWidget(ProgressBar1, 1);
    buttons->addSpacing(12);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);

    StatusBar1 = new QStatusBar(this);
    named(StatusBar1, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setAccessibleName(QStringLiteral("Status bar"));
    StatusPanel1 = new QLabel(StatusBar1);
    named(StatusPanel1, "StatusPanel1");
    StatusPanel1->setAccessibleName(QStringLiteral("Status"));
    StatusBar1->addWidget(StatusPanel1, 1);
    layout->addWidget(StatusBar1);

    connect(Command1, &QPushButton::clicked, this, &FrmDataRead::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmDataRead::Command2_Click);
    connect(Text2, &QLineEdit::textChanged, this, &FrmDataRead::Text2_Change);
    connect(UpDown1, &UpDownSpinner::valueChanged, this, &FrmDataRead::UpDown1_Change);
    connect(vaSpread1, &GridControl::cellClicked, this, &FrmDataRead::vaSpread1_Click);
    connect(vaSpread1, &GridControl::activeRowChanged, this, &FrmDataRead::vaSpread1_ActiveRowChanged);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option1_Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option2_Click();
    });
    Text2->installEventFilter(this);

    resize(860, 440);
}

SerialLink *FrmDataRead::link() const { return m_link.data(); }

bool FrmDataRead::cancelRequested() const { return m_state.CancelRequested || ProgramEnding() || !m_link; }

// ---- Load and the directory read -------------------------------------------------------------

void FrmDataRead::Form_Load()
{
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));
    SetCaptionsFrmDataRead(*this);
    m_state.resetAtLoad();
    // The emptied page field is not judged yet: page 1 stays chosen and no range message shows.
    m_loading = true;
    Text1->clear();
    Text2->clear();
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

    m_state.DirectoryReady = false;
    Command1->setEnabled(false);
    // Close stays usable: a long directory can be left at any time.
    lockPageControls(true);
    setCursor(Qt::WaitCursor);

    if (!m_settings.ProgMode) {
        m_state.buildDebugDirectory(drawRandom);
        vaSpread1->setMaxRows(m_state.PageCount);
        for (int p = 1; p <= m_state.PageCount; ++p) {
            const QStringList row = m_state.gridRow(p);
            for (int c = 1; c <= 4; ++c)  // the made-up pages have no date column
                vaSpread1->setText(p, c, row.at(c - 1));
        }
    } else {
        if (!openPort()) {
            unsetCursor();
            if (link())
                CloseComPort(*link());
            unloadWindow();
            return;
        }
        ProgressBar1->setTextVisible(true);
        const transfer::ReadOutcome outcome = transfer::readDirectory(
            *link(), m_state, [this] { return cancelRequested(); },
            [this](int count) {
                vaSpread1->setMaxRows(count);
                ProgressBar1->setRange(0, qMax(1, count));
                ProgressBar1->setValue(0);
            },
            [this](int page) {
                vaSpread1->grid()->setRow(page, m_state.gridRow(page));
                ProgressBar1->setValue(page);
            });
        clearProgress();
        switch (outcome.kind) {
        case transfer::ReadOutcome::Cancelled:
            unsetCursor();
            if (link() && !m_closed)
                CloseComPort(*link());
            return;
        case transfer::ReadOutcome::Empty:
            unsetCursor();
            prompts::message(this, LoadResString(189), LoadResString(101));
            if (link())
                CloseComPort(*link());
            unloadWindow();
            return;
        case transfer::ReadOutcome::Failed:
            unsetCursor();
            if (link())
                CloseComPort(*link());
            Command1->setEnabled(true);
            Command2->setEnabled(true);
            prompts::message(this, LoadResString(153), LoadResString(101));
            unloadWindow();
            return;
        case transfer::ReadOutcome::Ok:
            break;
        }
        CloseComPort(*link());
    }

    Text1->setText(QString::number(m_state.PageCount));
    UpDown1->setRange(1, qMax<int>(1, m_state.PageCount));
    // Ready before the page field is set, so the mode buttons follow the first page's kind.
    m_state.DirectoryReady = true;
    lockPageControls(false);
    setPageField(QString::number(m_state.CurrentPage));
    unsetCursor();
    Command1->setEnabled(true);
    Command2->setEnabled(true);
}

// ---- Page controls ---------------------------------------------------------------------------

void FrmDataRead::setPageField(const QString &text)
{
    if (Text2->text() == text)
        Text2_Change();
    else
        Text2->setText(text);  // runs Text2_Change
}

void FrmDataRead::markRow(int row)
{
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    vaSpread1->setSelectedRow(row);
    m_syncing = wasSyncing;
}

void FrmDataRead::Text2_Change()
{
    if (m_loading)
        return;
    const int minimum = UpDown1->minimum();
    const int maximum = UpDown1->maximum();
    const TransferState::PageFieldJudgement judgement = TransferState::judgePageField(Text2->text(), minimum, maximum);
    m_state.CurrentPage = judgement.page;
    if (judgement.inRange) {
        markRow(m_state.CurrentPage);
    } else {
        setPageField(QString::number(minimum));
        markRow(m_state.CurrentPage);
        prompts::message(this, LoadResString(165), LoadResString(101), prompts::Buttons::Ok, prompts::Icon::Critical);
    }
    // The spinner shows the same page; moving it here does not write the field back, so a
    // number being typed ("2." on the way to "2.6") is left alone.
    {
        const bool wasSyncing = m_syncing;
        m_syncing = true;
        UpDown1->setValue(m_state.CurrentPage);
        m_syncing = wasSyncing;
    }
    if (m_state.CurrentPage != 0 && m_state.DirectoryReady)
        applyModeButtons(m_state.CurrentPage);
}

void FrmDataRead::Text2_GotFocus()
{
    // Typing replaces the whole number. Queued, so that a mouse click placing the cursor does
    // not undo the selection.
    QTimer::singleShot(0, Text2, [field = Text2] {
        if (field->hasFocus())
            field->selectAll();
    });
}

bool FrmDataRead::Text2_Validate()
{
    if (m_state.CurrentPage > UpDown1->maximum() || m_state.CurrentPage < UpDown1->minimum()) {
        prompts::message(this, LoadResString(165), LoadResString(101), prompts::Buttons::Ok, prompts::Icon::Critical);
        return false;
    }
    return true;
}

bool FrmDataRead::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text2) {
        if (event->type() == QEvent::FocusIn) {
            Text2_GotFocus();
        } else if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            // Only a move to another control of this window is judged, not a message box or a
            // switch to another window.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !m_closed
                && isVisible() && !Text2_Validate())
                QTimer::singleShot(0, Text2, [field = Text2] { field->setFocus(Qt::OtherFocusReason); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmDataRead::UpDown1_Change()
{
    m_state.CurrentPage = qint16(UpDown1->value());
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
    if (Option1->isEnabled())
        m_state.DetailedMode = 0;
}

void FrmDataRead::Option2_Click()
{
    if (Option2->isEnabled())
        m_state.DetailedMode = 1;
}

void FrmDataRead::applyModeButtons(int page)
{
    switch (m_state.modeButtonsFor(page)) {
    case TransferState::ModeButtons::Enable:
        Option1->setEnabled(true);
        Option2->setEnabled(true);
        break;
    case TransferState::ModeButtons::Disable:
        Option1->setEnabled(false);
        Option2->setEnabled(false);
        break;
    case TransferState::ModeButtons::Unchanged:
        break;
    }
}

void FrmDataRead::selectModeButton()
{
    if (m_state.DetailedMode != 0)
        Option2->setChecked(true);
    else
        Option1->setChecked(true);
}

void FrmDataRead::lockPageControls(bool locked)
{
    Text2->setEnabled(!locked);
    UpDown1->setEnabled(!locked);
    vaSpread1->setEnabled(!locked);
}

// ---- The page read ---------------------------------------------------------------------------

void FrmDataRead::showRecordProgress(int record, int count)
{
    StatusPanel1->setText(QString::number(record) + QStringLiteral(" Data Reading"));
    StatusPanel1->setAccessibleName(StatusPanel1->text());  // announced as it reads
    if (ProgressBar1->maximum() != qMax(1, count))
        ProgressBar1->setRange(0, qMax(1, count));
    ProgressBar1->setValue(record);
}

void FrmDataRead::clearProgress()
{
    StatusPanel1->clear();
    StatusPanel1->setAccessibleName(QStringLiteral("Status"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

bool FrmDataRead::openPort()
{
    if (OpenComPort(*link(), m_settings))
        return true;
    prompts::message(this, m_settings.RsPort + LoadResString(172), QString(), prompts::Buttons::Ok,
                     prompts::Icon::None);
    return false;
}

void FrmDataRead::restoreAfterRead()
{
    unsetCursor();
    selectModeButton();
    if (m_state.CurrentPage != 0)
        applyModeButtons(m_state.CurrentPage);
    Command1->setEnabled(true);
    Command2->setEnabled(true);
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

    if (m_settings.ProgMode && !openPort()) {
        if (link())
            CloseComPort(*link());
        return;
    }

    // The data held so far give way to the page: the main window's chart and table empty.
    if (m_samples) {
        m_samples->setPresent(false);
        m_samples->clear();
    }

    setCursor(Qt::BusyCursor);
    Command1->setEnabled(false);
    Option1->setEnabled(false);
    Option2->setEnabled(false);
    // The page and its directory row stay fixed while they are read and saved.
    lockPageControls(true);

    const int page = m_state.CurrentPage;
    const int n = m_state.numberOfData(page);
    const auto cancel = [this] { return cancelRequested(); };

    auto failureEnding = [this] {
        restoreAfterRead();
        clearProgress();
        if (link())
            CloseComPort(*link());
        prompts::message(this, LoadResString(153), LoadResString(101));
        unloadWindow();
    };
    auto cancelEnding = [this] {
        unsetCursor();
        clearProgress();
        // Close has stopped the meter and closed the port; a program that is ending has not.
        if (link() && !m_closed)
            CloseComPort(*link());
    };

    const TransferState::PageKind kind = m_state.kind(page);
    SampleData data;
    const transfer::ReadOutcome units =
        transfer::readPageUnits(*link(), m_state, page, m_settings.ProgMode, data, cancel);
    if (units.kind == transfer::ReadOutcome::Cancelled || cancelRequested()) {
        cancelEnding();
        return;
    }
    if (units.kind == transfer::ReadOutcome::Failed) {
        failureEnding();
        return;
    }

    if (m_settings.ProgMode && kind != TransferState::PageKind::Other) {
        ProgressBar1->setRange(0, qMax(1, n));
        ProgressBar1->setValue(0);
        ProgressBar1->setTextVisible(true);
        const transfer::ReadOutcome outcome = transfer::readPage(
            *link(), m_state, page, data, cancel, [this](int record, int count) { showRecordProgress(record, count); });
        if (outcome.kind == transfer::ReadOutcome::Cancelled || cancelRequested()) {
            cancelEnding();
            return;
        }
        if (outcome.kind == transfer::ReadOutcome::Failed) {
            failureEnding();
            return;
        }
    }

    // Completion.
    if (link())
        CloseComPort(*link());
    unsetCursor();
    clearProgress();
    // A page of a kind the program does not know is not read, and there is nothing to save.
    if (kind != TransferState::PageKind::Other) {
        data.atmosPressure = m_state.pressureText(page).toInt();
        if (m_samples)
            m_samples->replace(data);
        saveReadPage(page, data);
    }
    if (m_closed)
        return;
    restoreAfterRead();
}

void FrmDataRead::saveReadPage(int page, const SampleData &data)
{
    const std::optional<QString> fileName = prompts::saveFileName(this, prompts::csvSaveRequest(m_settings.DefaultFolder));
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
    m_state.CancelRequested = true;
    const bool wasClosed = m_closed;
    m_closed = true;
    unsetCursor();
    hide();  // the main window takes the user back from here (it watches this window hide)
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
    if (m_settings.ProgMode && link() && link()->isOpen()) {
        SendStopCommand(*link(), [] { return ProgramEnding(); });
        if (link())
            CloseComPort(*link());
    }
}

void FrmDataRead::closeEvent(QCloseEvent *event)
{
    // Closing the window is the Close button; the window deletes itself when nothing of it runs.
    event->ignore();
    Command2_Click();
}
