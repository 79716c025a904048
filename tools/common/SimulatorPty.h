#pragma once

#include <QByteArray>

// The simulators' side of a serial line: a raw pseudo-terminal pair whose
// slave path the program is given as its port. The slave stays open here too,
// so the terminal survives the program closing and reopening its side.
class SimulatorPty
{
public:
    SimulatorPty() = default;
    ~SimulatorPty();
    SimulatorPty(const SimulatorPty &) = delete;
    SimulatorPty &operator=(const SimulatorPty &) = delete;

    // Opens the pair (raw line, non-blocking master); on failure reports
    // "<program>: openpty: <reason>" on standard error and returns false.
    bool open(const char *program);
    // Prints the slave path as a line of its own on standard output (the
    // first line the tests and scripts read).
    void printPath() const;
    // Writes all bytes to the master, waiting while the line is full.
    void writeAll(const QByteArray &bytes) const;

    int master() const { return m_master; }
    int slave() const { return m_slave; }

private:
    int m_master = -1;
    int m_slave = -1;
    char m_path[256] = {0};
};
