#include "dialogs/FrmOption.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "datafiles/SettingsFile.h"
#include "dialogs/DialogCommon.h"
#include "dialogs/DialogRules.h"
#include "dialogs/FrmDriveList.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "mainwindow/Prompts.h"

using dialogs::named;

namespace {
constexpr int kTextTitle = 101;

// The designed font, set explicitly so that it is not inherited from the tab or a group.
QFont designedFont()
{
    const QFont app = QApplication::font();
    return QFont(app.family(), app.pointSize());
}
} // namespace

FrmOption::FrmOption(const SettingsRecord &settings) : m_settings(settings), m_original(settings)
{
    setObjectName(QStringLiteral("FrmOption"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));

    optionTabs = named(new QTabWidget(this), "SSTab1");
    optionTabs->setAccessibleName(QStringLiteral("Options"));
    auto *page = new QWidget(optionTabs);
    page->setObjectName(QStringLiteral("SSTab1Page0"));
    optionTabs->addTab(page, QString());
    // The service keys go to the tab itself: let a click on it take the focus.
    optionTabs->tabBar()->setFocusPolicy(Qt::StrongFocus);
    optionTabs->installEventFilter(this);
    optionTabs->tabBar()->installEventFilter(this);

    folderLabel = named(new QLabel(page), "Label1");
    folderField = named(new QLineEdit(page), "Text1");
    folderLabel->setBuddy(folderField);
    folderField->setMinimumWidth(280);
    folderField->installEventFilter(this);
    browseButton = named(new QPushButton(page), "Command3");
    // Designed as a narrow "..." button; the caption procedure sets width, caption and picture.
    browseButton->setText(QStringLiteral("..."));
    browseButton->setFixedWidth(dialogs::twipsToScreenPixels(345, browseButton));
    browseButton->setAccessibleName(QStringLiteral("Browse"));
    // Its face stays as designed whatever the tab's font becomes.
    browseButton->setFont(designedFont());

    languageGroup = named(new QGroupBox(page), "Frame1");
    englishOption = named(new QRadioButton(languageGroup), "Option1");
    systemLanguageOption = named(new QRadioButton(languageGroup), "Option2");
    auto *languageLayout = new QVBoxLayout(languageGroup);
    languageLayout->addWidget(englishOption);
    languageLayout->addWidget(systemLanguageOption);
    languageGroup->hide();

    runModeGroup = named(new QGroupBox(page), "Frame2");
    runOption = named(new QRadioButton(QStringLiteral("Run"), runModeGroup), "Option3");
    debugOption = named(new QRadioButton(QStringLiteral("Debug"), runModeGroup), "Option4");
    // "Run" and "Debug" keep their designed font whatever the group's font becomes.
    for (QRadioButton *b : {runOption, debugOption})
        b->setFont(designedFont());
    auto *modeLayout = new QVBoxLayout(runModeGroup);
    modeLayout->addWidget(runOption);
    modeLayout->addWidget(debugOption);
    runModeGroup->hide();

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(folderField, 1);
    folderRow->addWidget(browseButton);
    auto *groups = new QHBoxLayout;
    groups->addWidget(languageGroup);
    groups->addWidget(runModeGroup);
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(folderLabel);
    pageLayout->addLayout(folderRow);
    pageLayout->addLayout(groups);
    pageLayout->addStretch(1);

    auto *buttons = dialogs::okCancelRow(this, okButton, cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(optionTabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);

    connect(folderField, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_settings.DefaultFolder = text; });
    connect(englishOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_languageChoice = 1;
    });
    connect(systemLanguageOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_languageChoice = 0;
    });
    connect(runOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.ProgMode = true;
    });
    connect(debugOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.ProgMode = false;
    });
    connect(okButton, &QPushButton::clicked, this, &FrmOption::Command1_Click);
    connect(cancelButton, &QPushButton::clicked, this, &FrmOption::Command2_Click);
    connect(browseButton, &QPushButton::clicked, this, &FrmOption::Command3_Click);

    Form_Load();
}

void FrmOption::Form_Load()
{
    SetCaptionsFrmOption(*this);
    m_ok = false;
    m_languageChoice = i18n::language().choice;
    folderField->setText(m_settings.DefaultFolder);
}

bool FrmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == folderField) {
        if (event->type() == QEvent::FocusIn) {
            folderField->event(event);
            dialogs::selectFromCaret(folderField);
            return true;
        }
        if (event->type() == QEvent::FocusOut)
            folderField->setText(m_settings.DefaultFolder);
    } else if ((watched == optionTabs || watched == optionTabs->tabBar()) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == kRevealKey || key == kHideKey) {
            SSTab1_KeyDown(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmOption::SSTab1_KeyDown(int key)
{
    if (key == kRevealKey) {
        languageGroup->show();
        if (m_languageChoice != 0)
            englishOption->setChecked(true);
        else
            systemLanguageOption->setChecked(true);
        runModeGroup->show();
        if (m_settings.ProgMode)
            runOption->setChecked(true);
        else
            debugOption->setChecked(true);
    } else if (key == kHideKey) {
        languageGroup->hide();
    }
}

void FrmOption::Command3_Click()
{
    if (m_picker && m_picker->isVisible())
        return;
    // This window waits, disabled, until the picker is gone (a disabled parent would disable the
    // picker too, so it is a window of its own).
    setEnabled(false);
    auto *picker = new FrmDriveList(m_settings.DefaultFolder);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    m_picker = picker;
    QPointer<FrmOption> self(this);
    connect(picker, &FrmDriveList::folderChosen, this, [this](const QString &folder) {
        folderField->setText(folder);
        setEnabled(true);
    });
    connect(picker, &QObject::destroyed, this, [self] {
        if (self)
            self->setEnabled(true);
    });
    picker->show();
    if (picker->windowHandle() && windowHandle())
        picker->windowHandle()->setTransientParent(windowHandle());
    picker->raise();
    picker->activateWindow();
}

void FrmOption::Command1_Click()
{
    QPointer<FrmOption> self(this);
    QString &folder = m_settings.DefaultFolder;
    for (;;) {
        const auto found = dialogrules::lookUpPath(folder);
        if (found == dialogrules::Lookup::Error || found == dialogrules::Lookup::Denied) {
            const QString text = LoadResString(dialogrules::lookupFailureText(found));
            const auto answer = prompts::message(this, text, LoadResString(kTextTitle), prompts::Buttons::RetryCancel,
                                                 prompts::Icon::None);
            if (!self)
                return;
            if (answer == prompts::Answer::Retry)
                continue;
            close();  // the OK flag is not set: the folder goes back to the copy
            return;
        }
        if (found == dialogrules::Lookup::Missing) {
            const auto answer = prompts::message(this, folder + QLatin1Char('\r') + LoadResString(154),
                                                 LoadResString(kTextTitle), prompts::Buttons::OkCancel,
                                                 prompts::Icon::None);
            if (!self)
                return;
            if (answer == prompts::Answer::Ok) {
                // One level only: the parent must exist. A folder that cannot be made ends here;
                // outside Windows so does a drive path, which would make a folder named "C:\".
#ifdef Q_OS_WIN
                const bool drivePath = false;
#else
                const bool drivePath = settingsfile::isDrivePath(folder);
#endif
                if (drivePath || !QDir().mkdir(folder)) {
                    close();
                    return;
                }
            } else {
                folder = m_original.DefaultFolder;
            }
        }
        break;
    }
    m_ok = true;
    i18n::language().choice = m_languageChoice;
    // The language choice reaches the file only when its group was shown; it applies at the next start.
    if (!languageGroup->isHidden())
        WriteLanguageFile();
    emit settingsAccepted(m_settings);
    if (self)
        close();
}

void FrmOption::Command2_Click() { close(); }

void FrmOption::reject() { close(); }

void FrmOption::closeEvent(QCloseEvent *event)
{
    // While the picker is open this window waits for it.
    if (m_picker && m_picker->isVisible()) {
        event->ignore();
        m_picker->raise();
        m_picker->activateWindow();
        return;
    }
    // Cancel and the close box put back the folder only: a mode or language picked in the service
    // groups stays picked.
    if (!m_ok && !m_restored) {
        m_restored = true;
        i18n::language().choice = m_languageChoice;
        SettingsRecord kept = m_original;
        kept.ProgMode = m_settings.ProgMode;
        emit settingsAccepted(kept);
    }
    event->accept();
}
