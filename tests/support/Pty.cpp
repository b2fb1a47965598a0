#include "support/Pty.h"

#include <pty.h>
#include <unistd.h>

BarePty::BarePty()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
        m_path = QString::fromLocal8Bit(name);
        // Keep only the master: the program opens the slave itself.
        ::close(m_slave);
        m_slave = -1;
    }
}

BarePty::~BarePty()
{
    if (m_master >= 0)
        ::close(m_master);
}
