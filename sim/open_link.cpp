#include "open_link.h"

#include "options.h"
#include "port_link.h"
#include "pty_link.h"
#ifdef ORB_HAVE_NETWORK
#include "tcp_link.h"
#endif

#include <QFile>
#include <QFileInfo>

namespace sim {

namespace {

Opened tcp_link(const Options &o, QObject *parent)
{
#ifdef ORB_HAVE_NETWORK
    QHostAddress host;
    quint16 port = 0;
    QString error;
    auto *tcp = new Tcp_link(parent);
    if (!Tcp_link::parse_endpoint(o.tcp, &host, &port, &error))
        return {nullptr, error, 2};
    if (!tcp->open(host, port, &error))
        return {nullptr, error, 1};
    return {tcp};
#else
    Q_UNUSED(o)
    Q_UNUSED(parent)
    return {nullptr, QStringLiteral("--tcp: built without Qt Network"), 2};
#endif
}

Opened pty_link(QObject *parent)
{
#ifdef Q_OS_UNIX
    QString error;
    auto *pty = new Pty_link(parent);
    if (!pty->open(&error))
        return {nullptr, error, 1};
    return {pty};
#else
    Q_UNUSED(parent)
    return {nullptr, QStringLiteral("no pseudo-terminals here; give --port"), 2};
#endif
}

} // namespace

Opened open_link(const Options &o, QObject *parent)
{
    Opened opened;
    if (!o.tcp.isEmpty()) {
        opened = tcp_link(o, parent);
    } else if (!o.port.isEmpty()) {
        QString error;
        auto *port = new Port_link(parent);
        opened = port->open(o.port, int(o.baud), &error) ? Opened{port} : Opened{nullptr, error, 1};
    } else {
        opened = pty_link(parent);
    }
    if (opened.link && !o.link_path.isEmpty()) {
        // Replace an old link from an earlier run, never a real file.
        if (QFileInfo(o.link_path).isSymLink())
            QFile::remove(o.link_path);
        if (!QFile::link(opened.link->name(), o.link_path))
            return {nullptr, QStringLiteral("cannot make the link %1").arg(o.link_path), 1};
    }
    return opened;
}

} // namespace sim
