#include "fleet.h"

#include "commands.h"
#include "log.h"
#include "metrics.h"

#include "protocol/packet.h"

#include <QSaveFile>

int fleet_exit(const QVector<Address_result> &results)
{
    int code = exit_ok;
    QStringList failed;
    for (const Address_result &r : results) {
        if (r.tried && r.outcome.code == exit_ok)
            continue;
        if (code == exit_ok)
            code = r.outcome.code;
        failed << QStringLiteral("%1 (%2)").arg(r.address).arg(
            r.tried ? r.outcome.message : QStringLiteral("not tried"));
    }
    if (!failed.isEmpty() && results.size() > 1)
        fail(QStringLiteral("failed: ") + failed.join(QStringLiteral(", ")));
    return code;
}

int cmd_metrics(Client &client, Log &log, const Settings &s, const QString &port,
                const Outcome &opened, const QString &out_file)
{
    // Opened before anything is sent, so an unwritable place is refused first.
    QSaveFile file(out_file);
    if (!out_file.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        fail(QStringLiteral("cannot write %1: %2").arg(out_file, file.errorString()));
        return exit_usage;
    }
    if (opened.code != exit_ok)
        fail(opened.message);
    QVector<Module_sample> samples;
    QVector<Address_result> results;
    Outcome gone = opened; // once the port is lost, the rest are not asked
    for (const quint8 address : s.addresses) {
        Module_sample m;
        m.address = address;
        Address_result r{address, gone, gone.code == exit_ok};
        if (gone.code == exit_ok) {
            log.info(QString::fromUtf8("Получение статуса УПУ"));
            QByteArray reply;
            r.outcome = client.exchange(address, orb::Command::get_state, {},
                                        orb::Status_data::size, s.timeout_ms, s.retries, &reply);
            if (r.outcome.code == exit_ok) {
                orb::Status_data::decode(orb::packet_payload(reply), &m.status);
                for (const QString &line : m.status.log_lines())
                    log.debug(line);
                log.info(QStringLiteral("OK"));
                m.up = true;
                m.exchange_seconds = client.last_exchange_ms() / 1000;
            } else if (r.outcome.code == exit_port) {
                gone = r.outcome;
            }
        }
        if (!m.up) {
            m.failure = r.outcome.code;
            m.reason = r.tried ? r.outcome.message
                               : QStringLiteral("not tried: %1").arg(r.outcome.message);
        }
        samples.append(m);
        results.append(r);
    }
    const QString text = prometheus_text(port, samples);
    if (out_file.isEmpty()) {
        out(text);
    } else if (file.write(text.toUtf8()) < 0 || !file.commit()) {
        fail(QStringLiteral("cannot write %1: %2").arg(out_file, file.errorString()));
        return exit_usage;
    }
    if (results.size() == 1 && results.first().tried && results.first().outcome.code != exit_ok)
        fail(results.first().outcome.message);
    return fleet_exit(results);
}
