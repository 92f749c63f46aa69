#include "simulator.h"

#include "link.h"
#include "protocol/packet.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>

namespace sim {

namespace {

bool is_hex(const QByteArray &text)
{
    for (const char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit)
            return false;
    }
    return true;
}

QString shown(const QByteArray &bytes)
{
    // Control characters and bytes above ASCII are shown as <hh> so a traffic line stays one line.
    QString text;
    for (const char c : bytes.left(200)) {
        const uchar u = uchar(c);
        if (u >= 0x20 && u < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
    }
    if (bytes.size() > 200)
        text += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    return text;
}

} // namespace

Simulator::Simulator(Link *link, quint8 address, qint64 init_ms, QObject *parent)
    : QObject(parent)
    , link(link)
    , mod(address, init_ms, 0)
    , outgoing(this)
{
    clock.start();
    connect(link, &Link::received, this, &Simulator::received);
    connect(link, &Link::note, this, [](const QString &text) { traffic(text); });
    connect(&outgoing, &Sender::write, link, &Link::write);
    connect(&outgoing, &Sender::close_line, this, &Simulator::vanish);
}

void Simulator::traffic(const QString &text)
{
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + text +
         QLatin1Char('\n'))
            .toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void Simulator::received(const QByteArray &bytes)
{
    if (gone)
        return;
    QVector<QByteArray> lines;
    QStringList notes;
    reader.feed(bytes, &lines, &notes);
    for (const QString &note : qAsConst(notes))
        traffic(QStringLiteral("!! ") + note);
    for (const QByteArray &hex : qAsConst(lines))
        request(hex);
}

Fault Simulator::pick_fault()
{
    if (faults.isEmpty() || faults_left == 0 || rng.generateDouble() >= fault_rate)
        return Fault::none;
    if (faults_left > 0)
        --faults_left;
    return faults.at(int(rng.bounded(faults.size())));
}

void Simulator::request(const QByteArray &hex)
{
    traffic(QStringLiteral("<- :") + shown(hex));
    if (hex.isEmpty()) {
        traffic(QStringLiteral("!! no answer: empty line"));
        return;
    }
    if (!is_hex(hex)) {
        traffic(QStringLiteral("!! no answer: not hexadecimal"));
        return;
    }
    if (hex.size() % 2 != 0) {
        traffic(QStringLiteral("!! no answer: odd number of hex digits"));
        return;
    }
    QString why;
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (bytes.size() > orb::offset_address &&
        addresses.contains(quint8(bytes.at(orb::offset_address))))
        mod.set_address(quint8(bytes.at(orb::offset_address)));
    const QByteArray packet = mod.answer(bytes, clock.elapsed(), &why);
    if (packet.isEmpty()) {
        traffic(QStringLiteral("!! ") + why);
        return;
    }
    const Fault fault = pick_fault();
    QVector<Segment> plan = plan_reply(packet, fault, line_end, rng);
    if (fault != Fault::none)
        traffic(QStringLiteral("!! fault ") + fault_name(fault));
    if (plan.isEmpty())
        return;
    plan[0].delay_ms += turnaround_ms;
    for (const Segment &s : qAsConst(plan))
        traffic(QStringLiteral("-> ") + shown(s.bytes));
    outgoing.push(plan);
}

void Simulator::vanish()
{
    gone = true;
    // The half line must reach the other side before the line goes; give it up to a second.
    auto *poll = new QTimer(this);
    QElapsedTimer waited;
    waited.start();
    connect(poll, &QTimer::timeout, this, [this, poll, waited] {
        if (!link->drained() && waited.elapsed() < 1000)
            return;
        poll->stop();
        traffic(QStringLiteral("!! line closed, module gone"));
        link->close();
        QCoreApplication::quit();
    });
    poll->start(10);
}

void Simulator::set_faults(const QVector<Fault> &kinds)
{
    faults = kinds;
    faults_left = -1;
}

void Simulator::flush()
{
    outgoing.clear();
    link->discard();
}

void Simulator::keep_start()
{
    start = Start{mod, faults, fault_rate, seed, turnaround_ms, outgoing.is_pacing()};
}

void Simulator::reset()
{
    // Nothing of the last run may leak into the next: no reply on its way, no half request.
    flush();
    reader = orb::Line_reader();
    if (!start)
        keep_start();
    // The module's times count from this clock, so it restarts with the module.
    clock.restart();
    mod = start->mod;
    faults = start->faults;
    faults_left = -1;
    fault_rate = start->fault_rate;
    rng.seed(seed = start->seed);
    turnaround_ms = start->turnaround_ms;
    outgoing.set_pacing(start->pacing);
}

QString Simulator::status_text()
{
    const orb::Status_data s = mod.status(clock.elapsed());
    return QStringLiteral("state %1 pause %2 washout %3 rain %4 level %5 alarm %6")
        .arg(s.state)
        .arg(s.elapsed_time_washout_pause)
        .arg(s.elapsed_time_washout)
        .arg(s.flag_rain)
        .arg(s.flag_lvl)
        .arg(s.alarm_in);
}

} // namespace sim
