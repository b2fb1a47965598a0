#include "dialogs/FrmRS232CSetting.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogCommon.h"
#include "dialogs/DialogRules.h"
#include "i18n/Texts.h"
#include "mainwindow/Prompts.h"
#include "serial/PortNames.h"

using dialogs::named;
using namespace dialogrules;

FrmRS232CSetting::FrmRS232CSetting(const SettingsRecord &settings) : m_settings(settings)
{
    setObjectName(QStringLiteral("FrmRS232CSetting"));
    ensureResources();
    setWindowIcon(QIcon(QStringLiteral(":/telvaro.png")));

    QLabel **labels[] = {&channelLabel, &portLabel, &speedLabel, &dataBitsLabel,
                         &parityLabel, &stopBitsLabel, &flowLabel};
    QComboBox **combos[] = {&channelList, &portList, &speedList, &dataBitsList,
                            &parityList, &stopBitsList, &flowList};
    auto *grid = new QGridLayout;
    for (int i = 0; i < 7; ++i) {
        *labels[i] = new QLabel(this);
        (*labels[i])->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        *combos[i] = new QComboBox(this);
        (*combos[i])->setObjectName(QStringLiteral("Combo%1").arg(i + 1));
        (*combos[i])->setMinimumWidth(160);
        (*labels[i])->setBuddy(*combos[i]);
        grid->addWidget(*labels[i], i, 0);
        grid->addWidget(*combos[i], i, 1);
    }
    channelList->setEnabled(false);
    auto *buttons = dialogs::okCancelRow(this, okButton, cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    // Picks go into the settings at once; only picks by the user count, not the load step.
    connect(portList, &QComboBox::activated, this,
            [this](int i) { m_settings.RsPort = portList->itemText(i).trimmed(); });
    connect(speedList, &QComboBox::activated, this,
            [this](int i) { m_settings.RsSpeed = speedList->itemText(i).trimmed(); });
    connect(dataBitsList, &QComboBox::activated, this,
            [this](int i) { m_settings.RsDataBit = dataBitsList->itemText(i).trimmed(); });
    connect(parityList, &QComboBox::activated, this,
            [this](int i) { m_settings.RsParity = parityCode(parityList->itemText(i)); });
    connect(stopBitsList, &QComboBox::activated, this,
            [this](int i) { m_settings.RsStopBit = stopBitsList->itemText(i).trimmed(); });
    connect(flowList, &QComboBox::activated, this, [this](int i) { m_settings.RsFlow = flowCode(i); });
    connect(okButton, &QPushButton::clicked, this, &FrmRS232CSetting::Command1_Click);
    connect(cancelButton, &QPushButton::clicked, this, &FrmRS232CSetting::Command2_Click);

    Form_Load();
}

void FrmRS232CSetting::Form_Load()
{
    SetCaptionsFrmRS232CSetting(*this);
    m_ok = false;

    // The first sixteen serial devices, those that can be opened right now: a port someone holds
    // open (this program's own link included) is not offered.
    const QStringList devices = portnames::listSerialDevices();
    m_portCount = 0;
    for (int n = 1; n <= 16 && n <= devices.size(); ++n) {
        const QString name = portnames::entryName(n, devices);
        if (PortExists(name)) {
            portList->addItem(name);
            ++m_portCount;
        }
    }
    if (m_portCount == 0)
        prompts::message(this, LoadResString(188), QString(), prompts::Buttons::Ok, prompts::Icon::Exclamation);

    speedList->addItems(speedEntries());
    dataBitsList->addItems(dataBitEntries());
    parityList->addItems(parityEntries());
    stopBitsList->addItems(stopBitEntries());
    flowList->addItems(flowEntries());

    const SettingsRecord &s = m_settings;
    int port = portList->findText(s.RsPort, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (port < 0) {
        // A stored "COMn" names the n-th device: show that device when it is listed.
        const QString device = portnames::resolvePort(s.RsPort);
        if (!device.isEmpty() && device != s.RsPort)
            port = portList->findText(device, Qt::MatchExactly | Qt::MatchCaseSensitive);
    }
    portList->setCurrentIndex(port);
    speedList->setCurrentIndex(exactIndex(speedEntries(), s.RsSpeed));
    dataBitsList->setCurrentIndex(exactIndex(dataBitEntries(), s.RsDataBit));
    parityList->setCurrentIndex(parityIndex(s.RsParity));
    stopBitsList->setCurrentIndex(exactIndex(stopBitEntries(), s.RsStopBit));
    flowList->setCurrentIndex(flowIndex(s.RsFlow));
}

void FrmRS232CSetting::Command1_Click()
{
    m_ok = true;
    emit settingsAccepted(m_settings);
    close();
}

void FrmRS232CSetting::Command2_Click() { close(); }

void FrmRS232CSetting::reject() { close(); }

void FrmRS232CSetting::closeEvent(QCloseEvent *event)
{
    // Cancel, Escape and the close box: the edits are dropped with the window.
    event->accept();
}
