#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace sim {

// The module's end of the serial line.
class Link : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // What the other side opens: the pty slave's path or the port's name.
    virtual QString name() const = 0;
    virtual void write(const QByteArray &bytes) = 0;
    // True once everything written has been taken by the other side.
    virtual bool drained() const = 0;
    // Throws away what was written and not yet taken by the other side.
    virtual void discard() = 0;
    virtual void close() = 0;

signals:
    void received(const QByteArray &bytes);
    // Something worth a traffic line (dropped output, a parity error).
    void note(const QString &text);
    // The line is gone for good (peer closed, adapter unplugged); emitted once, after which
    // the link is closed and stays quiet.
    void lost(const QString &why);
};

} // namespace sim
