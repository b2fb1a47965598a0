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

    // Each control keeps its designed name (Frame1, Option1, Check1, Text1, Combo1, ...) as its objectName.
    QGroupBox *modeGroup;
    QRadioButton *standardModeOption;
    QRadioButton *detailedModeOption;
    QGroupBox *graphGroup;
    QCheckBox *coGraphBox;
    QCheckBox *co2GraphBox;
    QCheckBox *temperatureGraphBox;
    QCheckBox *humidityGraphBox;
    QLabel *sampleCountLabel;          // Number of Data:
    QLineEdit *sampleCountField;
    QLabel *samplingTimeLabel;         // Sampling Time:
    QComboBox *samplingTimeList;
    QPushButton *okButton;
    QPushButton *cancelButton;

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
