#pragma once

#include <QString>
#include <pty.h>
#include <unistd.h>

// A bare pseudo-terminal pair: its slave path serves as a serial device that exists. Only the master
// is kept open: the program opens the slave itself.
class BarePty {
public:
    BarePty()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            m_path = QString::fromLocal8Bit(name);
            ::close(m_slave);
        }
    }
    ~BarePty() { ::close(m_master); }
    QString path() const { return m_path; }

private:
    int m_master = -1, m_slave = -1;
    QString m_path;
};
