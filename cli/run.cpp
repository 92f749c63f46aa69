#include "run.h"

#include "client.h"
#include "commands.h"
#include "log.h"
#include "metrics.h"
#include "output.h"
#include "transport.h"

#include <QElapsedTimer>
#include <QSaveFile>

namespace {

struct Address_result
{
    quint8 address = 0;
    Result result;
    bool tried = true; // false: the port was lost before its turn
};

QString reason(const Address_result &r)
{
    return r.tried ? r.result.message : QStringLiteral("not tried");
}

// The first failure's outcome, and one line naming every failed address.
Result summary(const QVector<Address_result> &results)
{
    Result first;
    QStringList failed;
    for (const Address_result &r : results) {
        if (r.tried && r.result.ok())
            continue;
        if (first.ok())
            first.outcome = r.result.outcome;
        failed << QStringLiteral("%1 (%2)").arg(r.address).arg(reason(r));
    }
    if (!failed.isEmpty())
        first.message = QStringLiteral("failed: ") + failed.join(QStringLiteral(", "));
    return first;
}

QString error_object(const Address_result &r)
{
    return QStringLiteral("{\"address\": %1, \"error\": {\"status\": %2, \"message\": %3}}")
        .arg(r.address)
        .arg(exit_status(r.result.outcome))
        .arg(json_string(reason(r)));
}

// One turn over every address; false when the port was lost on the way.
bool one_round(const Command &command, Client &client, Log &log, const Settings &s,
               QVector<Address_result> *results)
{
    const QString when = watch_stamp(s.every_ms >= 0);
    bool lost = false;
    QStringList objects;
    for (const quint8 address : s.addresses) {
        Address_result r{address, {Outcome::port_lost, {}}, !lost};
        QString text;
        if (!lost) {
            Settings one = s;
            one.address = address;
            one.addresses = {address};
            one.every_ms = -1;
            one.out_file.replace(QLatin1String("{address}"), QString::number(address));
            capture_out(&text);
            r.result = command.run(client, log, one);
            capture_out(nullptr);
            lost = r.result.outcome == Outcome::port_lost;
        }
        if (s.json) {
            // A module whose record went to its own file has nothing to add here.
            const QString object = r.tried && r.result.ok() ? text.trimmed() : error_object(r);
            if (!object.isEmpty())
                objects << object;
        } else {
            for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                out(QStringLiteral("%1%2: %3\n").arg(when, QString::number(address), line));
        }
        results->append(r);
    }
    if (s.json)
        out(objects.isEmpty() ? QStringLiteral("[]\n")
                              : QStringLiteral("[\n") + objects.join(QStringLiteral(",\n")) +
                                    QStringLiteral("\n]\n"));
    return !lost;
}

Result run_per_address(const Command &command, Client &client, Log &log, const Settings &s)
{
    if (s.every_ms >= 0)
        watch_signals();
    QElapsedTimer clock;
    clock.start();
    QVector<Address_result> all;
    for (qint64 n = 1; !watch_interrupted(); ++n) {
        QVector<Address_result> round;
        const bool port_kept = one_round(command, client, log, s, &round);
        all += round;
        if (s.every_ms < 0 || !port_kept || (s.count > 0 && n >= s.count))
            break;
        // A failure is said when it happens; the watch goes on.
        const Result failed = summary(round);
        if (!failed.ok())
            fail(failed.message);
        watch_wait(clock, n, s.every_ms);
    }
    return summary(s.every_ms < 0 ? all : all.mid(all.size() - s.addresses.size()));
}

// One scrape: every address asked once, until the port is lost.
Module_sample sample(Client &client, Log &log, const Settings &s, quint8 address, Address_result *r)
{
    Module_sample m;
    m.address = address;
    if (r->tried) {
        r->result = ask_status(client, log, address, s, &m.status);
        m.up = r->result.ok();
        if (m.up)
            m.exchange_seconds = client.last_exchange_ms() / 1000;
    }
    if (!m.up) {
        m.failure = exit_status(r->result.outcome);
        m.reason =
            r->tried ? r->result.message : QStringLiteral("not tried: %1").arg(r->result.message);
    }
    return m;
}

Result scrape(Client &client, Log &log, const Settings &s, const Result &opened)
{
    // Opened before anything is sent, so an unwritable place is refused first.
    QSaveFile file(s.out_file);
    if (!s.out_file.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Text))
        return {Outcome::bad_input,
                QStringLiteral("cannot write %1: %2").arg(s.out_file, file.errorString())};
    if (!opened.ok() && s.addresses.size() > 1)
        fail(opened.message);
    QVector<Module_sample> samples;
    QVector<Address_result> results;
    Result gone = opened; // once the port is lost, the rest are not asked
    for (const quint8 address : s.addresses) {
        Address_result r{address, gone, gone.ok()};
        samples.append(sample(client, log, s, address, &r));
        if (r.result.outcome == Outcome::port_lost)
            gone = r.result;
        results.append(r);
    }
    const QString text = prometheus_text(s.port, samples);
    if (s.out_file.isEmpty())
        out(text);
    else if (file.write(text.toUtf8()) < 0 || !file.commit())
        return {Outcome::bad_input,
                QStringLiteral("cannot write %1: %2").arg(s.out_file, file.errorString())};
    if (results.size() == 1)
        return results.first().tried ? results.first().result : opened;
    return summary(results);
}

} // namespace

Result run_command(const Command &command, const Settings &s)
{
    Log log;
    log.set_file(s.log_file);
    Client client(&log, s.verbose);
    if (command.uses_port) {
        if (s.baud_given && is_tcp_name(s.port))
            fail(QStringLiteral("--baud does not apply to %1: the device server's own setting does")
                     .arg(s.port));
        // Reaching a device server gets the reply timeout, but never less than a second.
        const Result opened = client.open(s.port, s.baud, qMax(s.timeout_ms, 1000));
        if (s.prometheus)
            return scrape(client, log, s, opened);
        if (!opened.ok())
            return opened;
    }
    if (command.per_address && s.addresses.size() > 1)
        return run_per_address(command, client, log, s);
    return command.run(client, log, s);
}
