#pragma once

#include <QDialog>

#include "datafiles/SettingsRecord.h"

class QComboBox;
class QLabel;
class QPushButton;

// Serial line settings: port (only the ports that can be opened right now), speed, data bits,
// parity, stop bits and flow control. Picks go into the settings record at once; leaving without
// OK puts the six fields back.
class FrmRS232CSetting : public QDialog {
    Q_OBJECT
public:
    explicit FrmRS232CSetting(const SettingsRecord &settings);

    // Each control keeps its designed name (Label1..7, Combo1..7, Command1, Command2) as its objectName.
    QLabel *channelLabel;
    QLabel *portLabel;
    QLabel *speedLabel;
    QLabel *dataBitsLabel;
    QLabel *parityLabel;
    QLabel *stopBitsLabel;
    QLabel *flowLabel;
    QComboBox *channelList;  // only one set of serial settings exists, so it stays empty
    QComboBox *portList;
    QComboBox *speedList;
    QComboBox *dataBitsList;
    QComboBox *parityList;
    QComboBox *stopBitsList;
    QComboBox *flowList;
    QPushButton *okButton;
    QPushButton *cancelButton;

    // Number of ports found when the window loaded.
    int portCount() const { return m_portCount; }

    void Command1_Click();
    void Command2_Click();

    void reject() override;

    // The settings as this window has them now.
    const SettingsRecord &editedSettings() const { return m_settings; }

signals:
    void settingsAccepted(const SettingsRecord &settings);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();

    bool m_ok = false;
    int m_portCount = 0;
    SettingsRecord m_settings;
};

// Captions and fonts of the serial settings dialog.
void SetCaptionsFrmRS232CSetting(FrmRS232CSetting &window);
