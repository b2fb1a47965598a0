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

    QLabel **labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
    QComboBox **combos[] = {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6, &Combo7};
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
    Combo1->setEnabled(false);
    auto *buttons = dialogs::okCancelRow(this, Command1, Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    // Picks go into the settings at once; only picks by the user count, not the load step.
    connect(Combo2, &QComboBox::activated, this,
            [this](int i) { m_settings.RsPort = Combo2->itemText(i).trimmed(); });
    connect(Combo3, &QComboBox::activated, this,
            [this](int i) { m_settings.RsSpeed = Combo3->itemText(i).trimmed(); });
    connect(Combo4, &QComboBox::activated, this,
            [this](int i) { m_settings.RsDataBit = Combo4->itemText(i).trimmed(); });
    connect(Combo5, &QComboBox::activated, this,
            [this](int i) { m_settings.RsParity = parityCode(Combo5->itemText(i)); });
    connect(Combo6, &QComboBox::activated, this,
            [this](int i) { m_settings.RsStopBit = Combo6->itemText(i).trimmed(); });
    connect(Combo7, &QComboBox::activated, this, [this](int i) { m_settings.RsFlow = flowCode(i); });
    connect(Command1, &QPushButton::clicked, this, &FrmRS232CSetting::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmRS232CSetting::Command2_Click);

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
            Combo2->addItem(name);
            ++m_portCount;
        }
    }
    if (m_portCount == 0)
        prompts::message(this, LoadResString(188), QString(), prompts::Buttons::Ok, prompts::Icon::Exclamation);

    Combo3->addItems(speedEntries());
    Combo4->addItems(dataBitEntries());
    Combo5->addItems(parityEntries());
    Combo6->addItems(stopBitEntries());
    Combo7->addItems(flowEntries());

    const SettingsRecord &s = m_settings;
    int port = Combo2->findText(s.RsPort, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (port < 0) {
        // A stored "COMn" names the n-th device: show that device when it is listed.
        const QString device = portnames::resolvePort(s.RsPort);
        if (!device.isEmpty() && device != s.RsPort)
            port = Combo2->findText(device, Qt::MatchExactly | Qt::MatchCaseSensitive);
    }
    Combo2->setCurrentIndex(port);
    Combo3->setCurrentIndex(exactIndex(speedEntries(), s.RsSpeed));
    Combo4->setCurrentIndex(exactIndex(dataBitEntries(), s.RsDataBit));
    Combo5->setCurrentIndex(parityIndex(s.RsParity));
    Combo6->setCurrentIndex(exactIndex(stopBitEntries(), s.RsStopBit));
    Combo7->setCurrentIndex(flowIndex(s.RsFlow));
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
