#pragma once

#include <QDialog>
#include <QPointer>

#include "datafiles/SettingsRecord.h"
#include "dialogs/FrmDriveList.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// Options: the data storage folder, and two groups that stay hidden until the service key is
// pressed on the tab: the interface language and run/debug mode.
class FrmOption : public QDialog {
    Q_OBJECT
public:
    explicit FrmOption(const SettingsRecord &settings);

    // The service keys, pressed while the tab has the focus (with or without Shift, Ctrl, Alt).
    static constexpr int kRevealKey = Qt::Key_L;
    static constexpr int kHideKey = Qt::Key_H;

    // Each control keeps its designed name (SSTab1, Text1, Command3, ...) as its objectName.
    QTabWidget *optionTabs;
    QLabel *folderLabel;               // Data storage folder
    QLineEdit *folderField;            // bound to DefaultFolder
    QPushButton *browseButton;
    QGroupBox *languageGroup;          // hidden at first
    QRadioButton *englishOption;
    QRadioButton *systemLanguageOption;
    QGroupBox *runModeGroup;           // hidden at first
    QRadioButton *runOption;
    QRadioButton *debugOption;
    QPushButton *okButton;
    QPushButton *cancelButton;

    // The folder picker while it is open.
    FrmDriveList *picker() const { return m_picker; }

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void SSTab1_KeyDown(int key);

    void reject() override;

    // The settings as this window has them now.
    const SettingsRecord &editedSettings() const { return m_settings; }

signals:
    // OK: the settings as edited. Cancel or the close box: the settings as they were, but for
    // the run/debug mode, which keeps its change.
    void settingsAccepted(const SettingsRecord &settings);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();

    SettingsRecord m_settings;  // the copy this window edits
    SettingsRecord m_original;  // as they were when the window opened
    qint16 m_languageChoice = 0;
    bool m_ok = false;
    bool m_restored = false;
    QPointer<FrmDriveList> m_picker;
};

// Captions, fonts and the browse button of the options dialog.
void SetCaptionsFrmOption(FrmOption &window);
