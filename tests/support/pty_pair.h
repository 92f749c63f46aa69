#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair for tests: the tool opens the slave by path through QSerialPort,
// the test plays the module on the master. Both ends are raw, so nothing is echoed or
// translated. Linux only.
class Pty
{
    Q_DISABLE_COPY(Pty)

public:
    Pty();
    ~Pty();

    bool is_open() const { return master_fd >= 0 && slave_fd >= 0; }
    // Path of the slave end, e.g. /dev/pts/7.
    QString slave_path() const { return slave_name; }

    // Writes all of data to the master; false if the master is closed or the write fails.
    bool write(const QByteArray &data);
    // Reads from the master until at least min_bytes arrived or timeout_ms passed; Qt
    // events are processed meanwhile.
    QByteArray read(int min_bytes, int timeout_ms);
    // Drops whatever the tool has written and the test has not read.
    void drain();
    // Closes the master: to the slave's user the device is gone.
    void close_master();
    // Closes the slave fd the pair keeps open (the tool's own fd is not affected).
    void close_slave();

private:
    int master_fd = -1;
    int slave_fd = -1;
    QString slave_name;
};
