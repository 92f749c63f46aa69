#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX

#include "link.h"

class QSocketNotifier;

namespace sim {

// A pseudo-terminal: the module plays the master, the tool opens the slave by path. The slave
// is held open here too, so the line stays up while the tool closes and reopens it.
class Pty_link : public Link
{
    Q_OBJECT

public:
    explicit Pty_link(QObject *parent = nullptr);
    ~Pty_link() override;

    bool open(QString *error);

    QString name() const override { return slave_name; }
    void write(const QByteArray &bytes) override;
    bool drained() const override;
    void discard() override;
    void close() override;

private:
    void read_ready();
    void flush();

    // Output the other side does not read stays here up to this size, then is dropped.
    static constexpr int pending_cap = 1024 * 1024;

    int master_fd = -1;
    int slave_fd = -1;
    QString slave_name;
    QByteArray pending;
    QSocketNotifier *reader = nullptr;
    QSocketNotifier *writer = nullptr;
};

} // namespace sim

#endif
