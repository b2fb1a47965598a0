#pragma once

#include <QString>

// A bare pseudo-terminal pair: its slave path serves as a serial device that exists.
class BarePty {
public:
    BarePty();
    ~BarePty();
    QString path() const { return m_path; }
    int masterFd() const { return m_master; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
