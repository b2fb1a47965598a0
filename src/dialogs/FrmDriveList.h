#pragma once

#include <QDialog>
#include <QPointer>
#include <QtGlobal>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

// Folder picker: drives (mount points), their folders, and the chosen path. Opened for a folder
// (the options window's data folder), it follows the user's browsing and hands the folder back
// when it closes: the one browsed to after OK, the one it started with after Cancel or the close box.
class FrmDriveList : public QDialog {
    Q_OBJECT
public:
    // folder: the folder to start from; a null string opens the picker for browsing only.
    explicit FrmDriveList(const QString &folder = QString());

    // Each control keeps its designed name (Drive1, Dir1, Text1, Command1, Command2) as its objectName.
    QComboBox *driveSelector;  // mount points
    QTreeView *folderTree;
    QLineEdit *folderField;    // the chosen folder
    QPushButton *okButton;
    QPushButton *cancelButton;

    // The drive shown when the picker loaded (the one holding the current directory).
    QString startDrive() const { return m_startDrive; }
    // The folder folderTree shows (full path).
    QString currentFolder() const;
    // Show a folder in folderTree (runs the folder change like a click on it).
    void setCurrentFolder(const QString &path);

    void Drive1_Change();
    void Dir1_Change();
    void Command1_Click();
    void Command2_Click();

    void reject() override;

    // The mount points offered in driveSelector: "/" first, then the other mounted folders in order.
    static QStringList driveList();

    // The folder as it stands now.
    QString folder() const { return m_folder; }

signals:
    // The picker closed (opened for a folder only).
    void folderChosen(const QString &folder);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void setDriveSilently(const QString &drive);

    QFileSystemModel *m_model;
    bool m_forFolder = false;
    QString m_folder;
    bool m_ok = false;
    bool m_closed = false;
    QString m_copy;
    QString m_startDrive;
};

// Captions and fonts of the folder picker.
void SetCaptionsFrmDriveList(FrmDriveList &window);
