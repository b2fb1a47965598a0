#include "support/SimFixture.h"

#include <QStringList>


SimFixture::SimFixture(metersim::Config config)
    : m_sim(std::make_unique<metersim::Simulator>(std::move(config)))
{
    m_hadExtraPorts = qEnvironmentVariableIsSet("TELVARO_EXTRA_PORTS");
    m_oldExtraPorts = qgetenv("TELVARO_EXTRA_PORTS");
    m_ok = m_sim->start();
    if (!m_ok) {
        qWarning("SimFixture: the meter simulator could not open a pseudo-terminal");
        return;
    }
    const QString path = devicePath();
    qputenv("TELVARO_EXTRA_PORTS", path.toLocal8Bit());
}

SettingsRecord SimFixture::settings(SettingsRecord s) const
{
    s.RsPort = devicePath();
    s.RsSpeed = QString::number(m_sim->config().baud);
    s.RsParity = QStringLiteral("N");
    s.RsDataBit = QStringLiteral("8");
    s.RsStopBit = QStringLiteral("1");
    s.RsFlow = 1;
    s.ProgMode = true;
    return s;
}

SimFixture::~SimFixture()
{
    m_sim->stop();
    if (m_hadExtraPorts)
        qputenv("TELVARO_EXTRA_PORTS", m_oldExtraPorts);
    else
        qunsetenv("TELVARO_EXTRA_PORTS");
}

QString SimFixture::devicePath() const { return QString::fromStdString(m_sim->devicePath()); }

QStringList SimFixture::commands() const
{
    QStringList list;
    for (const std::string &c : m_sim->receivedCommands())
        list << QString::fromStdString(c);
    return list;
}
