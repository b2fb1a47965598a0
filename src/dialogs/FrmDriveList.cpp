#include "dialogs/FrmDriveList.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "dialogs/DialogCommon.h"
#include "dialogs/DialogRules.h"
#include "i18n/Texts.h"
#include "mainwindow/Prompts.h"

using dialogs::named;

namespace {
constexpr int kTextTitle = 101;

bool driveUsable(const QString &drive)
{
    const QFileInfo info(drive);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

} // namespace

QStringList FrmDriveList::driveList()
{
    QList<dialogrules::Volume> volumes;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        // Bind-mounted single files are no drives.
        if (volume.isValid() && QFileInfo(volume.rootPath()).isDir())
            volumes.append({volume.rootPath(), volume.fileSystemType(), volume.isReadOnly()});
    }
    return dialogrules::drivesToOffer(volumes, QDir::homePath());
}

FrmDriveList::FrmDriveList(const QString &folder) : m_forFolder(!folder.isNull()), m_folder(folder)
{
    setObjectName(QStringLiteral("FrmDriveList"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));

    driveSelector = named(new QComboBox(this), "Drive1");
    driveSelector->setAccessibleName(QStringLiteral("Drive"));
    driveSelector->addItems(driveList());

    m_model = new QFileSystemModel(this);
    m_model->setObjectName(QStringLiteral("Dir1Model"));
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));
    folderTree = named(new QTreeView(this), "Dir1");
    folderTree->setAccessibleName(QStringLiteral("Folders"));
    folderTree->setModel(m_model);
    folderTree->setHeaderHidden(true);
    for (int c = 1; c < m_model->columnCount(); ++c)
        folderTree->hideColumn(c);
    folderTree->setMinimumSize(320, 260);

    folderField = named(new QLineEdit(this), "Text1");
    folderField->setAccessibleName(QStringLiteral("Folder"));
    auto *buttons = dialogs::okCancelRow(this, okButton, cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(driveSelector);
    layout->addWidget(folderTree, 1);
    layout->addWidget(folderField);
    layout->addLayout(buttons);

    // The folders are read in the background: keep the current one in view as they come in.
    auto keepInView = [this] {
        if (folderTree->currentIndex().isValid())
            folderTree->scrollTo(folderTree->currentIndex(), QAbstractItemView::PositionAtCenter);
    };
    connect(m_model, &QFileSystemModel::directoryLoaded, this, keepInView, Qt::QueuedConnection);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, keepInView, Qt::QueuedConnection);
    connect(driveSelector, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { Dir1_Change(); });
    connect(folderField, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_forFolder)
            m_folder = text;
    });
    connect(okButton, &QPushButton::clicked, this, &FrmDriveList::Command1_Click);
    connect(cancelButton, &QPushButton::clicked, this, &FrmDriveList::Command2_Click);

    Form_Load();
}

QString FrmDriveList::currentFolder() const
{
    const QModelIndex index = folderTree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void FrmDriveList::setCurrentFolder(const QString &path)
{
    const QModelIndex index = m_model->index(QDir::cleanPath(QDir(path).absolutePath()));
    if (!index.isValid())
        return;
    // Open the way down to it, so the user sees where the folder is.
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        folderTree->expand(up);
    folderTree->setCurrentIndex(index);
    folderTree->expand(index);
    folderTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void FrmDriveList::setDriveSilently(const QString &drive)
{
    const QSignalBlocker block(driveSelector);
    int i = driveSelector->findText(drive);
    if (i < 0) {
        driveSelector->addItem(drive);
        i = driveSelector->count() - 1;
    }
    driveSelector->setCurrentIndex(i);
}

void FrmDriveList::Form_Load()
{
    SetCaptionsFrmDriveList(*this);
    // Like the drive list, the folder list first shows the current directory.
    m_startDrive = dialogrules::mountPointOf(QDir::currentPath(), driveList());
    setDriveSilently(m_startDrive);
    {
        const QSignalBlocker block(folderTree->selectionModel());
        setCurrentFolder(QDir::currentPath());
    }
    m_ok = false;
    if (m_forFolder) {
        m_copy = m_folder;
        for (;;) {
            const auto found = dialogrules::lookUpPath(m_folder);
            if (found == dialogrules::Lookup::Error || found == dialogrules::Lookup::Denied) {
                const QString text = LoadResString(dialogrules::lookupFailureText(found));
                const auto answer = prompts::message(this, text, LoadResString(kTextTitle),
                                                     prompts::Buttons::RetryCancel,
                                                     prompts::Icon::None);
                if (answer == prompts::Answer::Retry)
                    continue;
                // Back to the start drive, which also becomes the folder to start from.
                setDriveSilently(m_startDrive);
                m_folder = m_startDrive;
                m_copy = m_startDrive;
                continue;
            }
            if (found == dialogrules::Lookup::Found) {
                const QString folder = m_folder;
                // A path that names a file cannot be shown as a folder: the load ends here.
                if (!QFileInfo(folder).isDir())
                    return;
                const QSignalBlocker block(folderTree->selectionModel());
                setCurrentFolder(folder);
                setDriveSilently(dialogrules::mountPointOf(QDir(folder).absolutePath(), driveList()));
            }
            break;
        }
    }
    Dir1_Change();
}

void FrmDriveList::Drive1_Change()
{
    for (;;) {
        const QString drive = driveSelector->currentText();
        if (driveUsable(drive)) {
            setCurrentFolder(drive);
            Dir1_Change();
            return;
        }
        // A drive that is there but may not be read says so; one that is gone asks for its medium.
        const QFileInfo info(drive);
        const int text = info.isDir() ? dialogrules::kFolderNotReadableText : 194;
        const auto answer = prompts::message(this, LoadResString(text), LoadResString(kTextTitle),
                                             prompts::Buttons::RetryCancel, prompts::Icon::None);
        if (answer == prompts::Answer::Retry)
            continue;
        // Back to the drive the picker started on; the folder list stays where it was.
        setDriveSilently(m_startDrive);
        return;
    }
}

void FrmDriveList::Dir1_Change()
{
    if (!m_forFolder)
        return;
    const QString folder = currentFolder();
    if (folder.isEmpty())
        return;
    m_folder = folder;
    folderField->setText(folder);
}

void FrmDriveList::Command1_Click()
{
    m_ok = true;
    close();
}

void FrmDriveList::Command2_Click() { close(); }

void FrmDriveList::reject() { close(); }

void FrmDriveList::closeEvent(QCloseEvent *event)
{
    // OK keeps the folder browsed to; Cancel and the close box put back the one the picker started with.
    if (!m_closed && m_forFolder) {
        m_closed = true;
        if (!m_ok)
            m_folder = m_copy;
        emit folderChosen(m_folder);
    }
    event->accept();
}
