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

    SSTab1 = named(new QTabWidget(this), "SSTab1");
    SSTab1->setAccessibleName(QStringLiteral("Options"));
    auto *page = new QWidget(SSTab1);
    page->setObjectName(QStringLiteral("SSTab1Page0"));
    SSTab1->addTab(page, QString());
    // The service keys go to the tab itself: let a click on it take the focus.
    SSTab1->tabBar()->setFocusPolicy(Qt::StrongFocus);
    SSTab1->installEventFilter(this);
    SSTab1->tabBar()->installEventFilter(this);

    Label1 = named(new QLabel(page), "Label1");
    Text1 = named(new QLineEdit(page), "Text1");
    Label1->setBuddy(Text1);
    Text1->setMinimumWidth(280);
    Text1->installEventFilter(this);
    Command3 = named(new QPushButton(page), "Command3");
    // Designed as a narrow "..." button; the caption procedure sets width, caption and picture.
    Command3->setText(QStringLiteral("..."));
    Command3->setFixedWidth(dialogs::twipsToScreenPixels(345, Command3));
    Command3->setAccessibleName(QStringLiteral("Browse"));
    // Its face stays as designed whatever the tab's font becomes.
    Command3->setFont(designedFont());

    Frame1 = named(new QGroupBox(page), "Frame1");
    Option1 = named(new QRadioButton(Frame1), "Option1");
    Option2 = named(new QRadioButton(Frame1), "Option2");
    auto *languageLayout = new QVBoxLayout(Frame1);
    languageLayout->addWidget(Option1);
    languageLayout->addWidget(Option2);
    Frame1->hide();

    Frame2 = named(new QGroupBox(page), "Frame2");
    Option3 = named(new QRadioButton(QStringLiteral("Run"), Frame2), "Option3");
    Option4 = named(new QRadioButton(QStringLiteral("Debug"), Frame2), "Option4");
    // "Run" and "Debug" keep their designed font whatever the group's font becomes.
    for (QRadioButton *b : {Option3, Option4})
        b->setFont(designedFont());
    auto *modeLayout = new QVBoxLayout(Frame2);
    modeLayout->addWidget(Option3);
    modeLayout->addWidget(Option4);
    Frame2->hide();

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(Text1, 1);
    folderRow->addWidget(Command3);
    auto *groups = new QHBoxLayout;
    groups->addWidget(Frame1);
    groups->addWidget(Frame2);
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(Label1);
    pageLayout->addLayout(folderRow);
    pageLayout->addLayout(groups);
    pageLayout->addStretch(1);

    auto *buttons = dialogs::okCancelRow(this, Command1, Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);

    connect(Text1, &QLineEdit::textChanged, this, [this](const QString &text) { m_settings.DefaultFolder = text; });
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_languageChoice = 1;
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_languageChoice = 0;
    });
    connect(Option3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.ProgMode = true;
    });
    connect(Option4, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_settings.ProgMode = false;
    });
    connect(Command1, &QPushButton::clicked, this, &FrmOption::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmOption::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmOption::Command3_Click);

    Form_Load();
}

void FrmOption::Form_Load()
{
    SetCaptionsFrmOption(*this);
    m_ok = false;
    m_languageChoice = i18n::language().choice;
    Text1->setText(m_settings.DefaultFolder);
}

bool FrmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1) {
        if (event->type() == QEvent::FocusIn) {
            Text1->event(event);
            dialogs::selectFromCaret(Text1);
            return true;
        }
        if (event->type() == QEvent::FocusOut)
            Text1->setText(m_settings.DefaultFolder);
    } else if ((watched == SSTab1 || watched == SSTab1->tabBar()) && event->type() == QEvent::KeyPress) {
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
        Frame1->show();
        if (m_languageChoice != 0)
            Option1->setChecked(true);
        else
            Option2->setChecked(true);
        Frame2->show();
        if (m_settings.ProgMode)
            Option3->setChecked(true);
        else
            Option4->setChecked(true);
    } else if (key == kHideKey) {
        Frame1->hide();
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
        Text1->setText(folder);
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
            const auto answer = prompts::message(this, text, LoadResString(101), prompts::Buttons::RetryCancel,
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
                                                 LoadResString(101), prompts::Buttons::OkCancel,
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
    if (!Frame1->isHidden())
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
