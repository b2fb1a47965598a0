#pragma once

#include <QDialog>

#include "datafiles/SettingsRecord.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Measurement settings: mode, number of data, sampling time and the charted series. The window
// edits a copy of the settings and hands it back on OK; Cancel drops the user's edits.
class FrmMeasureSetting : public QDialog {
    Q_OBJECT
public:
    explicit FrmMeasureSetting(const SettingsRecord &settings);

    QGroupBox *Frame1;      // Mode
    QRadioButton *Option1;  // Standard Mode
    QRadioButton *Option2;  // Detailed Mode
    QGroupBox *Frame2;      // Graph
    QCheckBox *Check1;      // CO
    QCheckBox *Check2;      // CO2
    QCheckBox *Check3;      // Temperature
    QCheckBox *Check4;      // Relative Humidity
    QLabel *Label1;         // Number of Data:
    QLineEdit *Text1;
    QLabel *Label2;         // Sampling Time:
    QComboBox *Combo1;
    QPushButton *Command1;  // OK
    QPushButton *Command2;  // Cancel

    void Command1_Click();
    void Command2_Click();
    void Text1_Change();

    // Escape is Cancel.
    void reject() override;

    // The settings as this window has them now.
    const SettingsRecord &editedSettings() const { return m_settings; }

signals:
    void settingsAccepted(const SettingsRecord &settings);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();

    SettingsRecord m_settings;  // the copy the window edits
    SettingsRecord m_original;  // as they were when the window opened
    SettingsRecord m_loaded;    // as the window's load left them
    bool m_ok = false;
    bool m_closed = false;
};

// Captions, fonts and the sampling-time list of the measurement dialog.
void SetCaptionsFrmMeasureSetting(FrmMeasureSetting &window);
