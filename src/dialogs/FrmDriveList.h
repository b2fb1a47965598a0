#pragma once

#include <QDialog>
#include <QPointer>
#include <QtGlobal>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;
class FrmOption;

// Set to 1 by the options window just before it opens the folder picker: the picker changes
// DefaultFolder and talks back to the options window only then.
inline qint16 DriveListCaller = 0;

// Folder picker: drives (mount points), their folders, and the chosen path. It changes
// DefaultFolder while the user browses; Cancel and the close box put the folder it started with back.
class FrmDriveList : public QDialog {
    Q_OBJECT
public:
    FrmDriveList();

    QComboBox *Drive1;  // mount points
    QTreeView *Dir1;    // folders
    QLineEdit *Text1;   // the chosen folder
    QPushButton *Command1;  // OK
    QPushButton *Command2;  // Cancel

    // The drive shown when the picker loaded (the one holding the current directory).
    QString startDrive() const { return m_startDrive; }
    // The folder Dir1 shows (full path).
    QString currentFolder() const;
    // Show a folder in Dir1 (runs the folder change like a click on it).
    void setCurrentFolder(const QString &path);

    void Drive1_Change();
    void Dir1_Change();
    void Command1_Click();
    void Command2_Click();

    void reject() override;

    // The mount points offered in Drive1: "/" first, then the other mounted folders in order.
    static QStringList driveList();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void setDriveSilently(const QString &drive);
    void tellOptionWindow();

    QFileSystemModel *m_model;
    QPointer<FrmOption> m_caller;
    bool m_ok = false;
    bool m_closed = false;
    QString m_copy;
    QString m_startDrive;
};

// Captions and fonts of the folder picker.
void SetCaptionsFrmDriveList(FrmDriveList &window);
