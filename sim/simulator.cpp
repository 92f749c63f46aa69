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
    QString out;
    for (const char c : bytes.left(200)) {
        const uchar u = uchar(c);
        if (u >= 0x20 && u < 0x7F)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
    }
    if (bytes.size() > 200)
        out += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    return out;
}

} // namespace

Simulator::Simulator(Link *link, quint8 address, qint64 init_ms, QObject *parent)
    : QObject(parent)
    , link(link)
    , mod(address, init_ms, 0)
    , out(this)
{
    clock.start();
    connect(link, &Link::received, this, &Simulator::received);
    connect(link, &Link::note, this, [](const QString &text) { traffic(text); });
    connect(&out, &Sender::write, link, &Link::write);
    connect(&out, &Sender::close_line, this, &Simulator::vanish);
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
    out.push(plan);
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

void Simulator::keep_start()
{
    start = Start{mod, faults, fault_rate, seed, turnaround_ms, out.is_pacing()};
}

void Simulator::reset()
{
    // Nothing of the last run may leak into the next: no reply on its way, no half request.
    out.clear();
    link->discard();
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
    out.set_pacing(start->pacing);
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

void Simulator::reply(const QString &text)
{
    const QByteArray line = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void Simulator::command(const QString &text)
{
    QStringList words = text.split(QLatin1Char(' '));
    words.removeAll(QString());
    if (words.isEmpty())
        return;
    const QString verb = words.first();
    const QString arg = words.size() > 1 ? words.at(1) : QString();
    auto on_off = [&](const QString &yes, const QString &no, bool *value) {
        if (words.size() != 2 || (arg != yes && arg != no))
            return false;
        *value = arg == yes;
        return true;
    };
    bool flag = false;
    if (verb == QLatin1String("rain") &&
        on_off(QStringLiteral("on"), QStringLiteral("off"), &flag)) {
        mod.set_rain(flag);
    } else if (verb == QLatin1String("level") &&
               on_off(QStringLiteral("low"), QStringLiteral("ok"), &flag)) {
        mod.set_level_low(flag);
    } else if (verb == QLatin1String("alarm") &&
               on_off(QStringLiteral("on"), QStringLiteral("off"), &flag)) {
        mod.set_alarm(flag);
    } else if (verb == QLatin1String("pacing") &&
               on_off(QStringLiteral("on"), QStringLiteral("off"), &flag)) {
        out.set_pacing(flag);
    } else if (verb == QLatin1String("state") && words.size() == 1) {
        reply(QStringLiteral("ok ") + status_text());
        return;
    } else if (verb == QLatin1String("params") && words.size() == 1) {
        reply(QStringLiteral("ok ") + QString::fromLatin1(mod.params().encode().toHex().toUpper()));
        return;
    } else if (verb == QLatin1String("fault") && words.size() > 1) {
        QVector<Fault> kinds;
        for (int i = 1; i < words.size(); ++i) {
            Fault f = Fault::none;
            if (!fault_from_name(words.at(i), &f)) {
                reply(QStringLiteral("error unknown fault: ") + words.at(i));
                return;
            }
            if (f != Fault::none)
                kinds.append(f);
        }
        faults = kinds;
        faults_left = -1;
    } else if (verb == QLatin1String("fault-count") && words.size() == 2) {
        bool ok = false;
        const int count = arg.toInt(&ok);
        if (!ok || count < 0) {
            reply(QStringLiteral("error fault-count wants a whole number"));
            return;
        }
        faults_left = count;
    } else if (verb == QLatin1String("fault-rate") && words.size() == 2) {
        bool ok = false;
        const double rate = arg.toDouble(&ok);
        if (!ok || rate < 0 || rate > 1) {
            reply(QStringLiteral("error fault-rate wants a number from 0 to 1"));
            return;
        }
        fault_rate = rate;
    } else if (verb == QLatin1String("seed") && words.size() == 2) {
        bool ok = false;
        const quint32 value = arg.toUInt(&ok);
        if (!ok) {
            reply(QStringLiteral("error seed wants a whole number"));
            return;
        }
        rng.seed(value);
    } else if (verb == QLatin1String("turnaround") && words.size() == 2) {
        bool ok = false;
        const int ms = arg.toInt(&ok);
        if (!ok || ms < 0) {
            reply(QStringLiteral("error turnaround wants milliseconds"));
            return;
        }
        turnaround_ms = ms;
    } else if (verb == QLatin1String("flush") && words.size() == 1) {
        out.clear();
        link->discard();
    } else if (verb == QLatin1String("reset") && words.size() == 1) {
        reset();
    } else if (verb == QLatin1String("quit") && words.size() == 1) {
        reply(QStringLiteral("ok quit"));
        QCoreApplication::quit();
        return;
    } else {
        reply(QStringLiteral("error unknown command: ") + text.left(100));
        return;
    }
    traffic(QStringLiteral("== ") + words.join(QLatin1Char(' ')));
    reply(QStringLiteral("ok ") + words.join(QLatin1Char(' ')));
}

} // namespace sim
