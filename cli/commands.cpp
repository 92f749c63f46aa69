#include "commands.h"

#include "client.h"
#include "console_out.h"
#include "log.h"

#include "protocol/convert.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void on_interrupt(int)
{
    interrupted = 1;
}

// The client has logged the failure already.
int failed(const Outcome &outcome)
{
    fail(outcome.message);
    return outcome.code;
}

int read_params(Client &client, Log &log, const Settings &s, orb::Param_data *data)
{
    log.info(QString::fromUtf8("Чтение"));
    QByteArray reply;
    const Outcome o = client.exchange(s.address, orb::Command::get_param, {}, orb::Param_data::size,
                                      s.timeout_ms, s.retries, &reply);
    if (o.code != exit_ok)
        return failed(o);
    orb::Param_data::decode(orb::packet_payload(reply), data);
    for (const QString &line : data->log_lines())
        log.debug(line);
    return exit_ok;
}

} // namespace

void fail(const QString &text)
{
    write_text(stderr, "orbctl: " + text + '\n');
}

void out(const QString &text)
{
    write_text(stdout, text);
}

int cmd_ports(const Settings &s)
{
    const QStringList extra = qEnvironmentVariable("ORB_PTZ_WASHING_EXTRA_PORTS")
                                  .split(QDir::listSeparator(), Qt::SkipEmptyParts);
    const auto ports = QSerialPortInfo::availablePorts();
    QJsonArray list;
    QString text;
    for (const QSerialPortInfo &p : ports) {
        list.append(QJsonObject{{QStringLiteral("name"), p.portName()},
                                {QStringLiteral("location"), p.systemLocation()},
                                {QStringLiteral("description"), p.description()},
                                {QStringLiteral("manufacturer"), p.manufacturer()},
                                {QStringLiteral("serial_number"), p.serialNumber()}});
        const auto shown = [](const QString &v) {
            return v.isEmpty() ? QStringLiteral("-") : v;
        };
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(p.portName(), shown(p.description()), shown(p.manufacturer()),
                         shown(p.serialNumber()));
    }
    for (const QString &name : extra) {
        const bool listed =
            std::any_of(ports.begin(), ports.end(), [&name](const QSerialPortInfo &p) {
                return p.portName() == name || p.systemLocation() == name;
            });
        if (listed)
            continue;
        list.append(QJsonObject{{QStringLiteral("name"), name},
                                {QStringLiteral("location"), name},
                                {QStringLiteral("extra"), true}});
        text += QStringLiteral("%1\t(ORB_PTZ_WASHING_EXTRA_PORTS)\n").arg(name);
    }
    out(s.json ? QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) + '\n'
               : text);
    return exit_ok;
}

int cmd_test(Client &client, Log &log, const Settings &s)
{
    log.info(QStringLiteral("Test"));
    QByteArray reply;
    const Outcome o = client.exchange(s.address, orb::Command::test, QByteArray(2, '\0'), 0,
                                      s.timeout_ms, s.retries, &reply);
    if (o.code != exit_ok)
        return failed(o);
    log.info(QStringLiteral("OK"));
    out(s.json ? QStringLiteral("{\"address\": %1, \"ok\": true}\n").arg(s.address)
               : QStringLiteral("module %1 answers\n").arg(s.address));
    return exit_ok;
}

int cmd_status(Client &client, Log &log, const Settings &s, qint64 every_ms, qint64 count)
{
    if (every_ms >= 0) {
        std::signal(SIGINT, on_interrupt);
        std::signal(SIGTERM, on_interrupt);
    }
    QElapsedTimer clock;
    clock.start();
    for (qint64 n = 1; !interrupted; ++n) {
        log.info(QString::fromUtf8("Получение статуса УПУ"));
        QByteArray reply;
        const Outcome o = client.exchange(s.address, orb::Command::get_state, {},
                                          orb::Status_data::size, s.timeout_ms, s.retries, &reply);
        if (o.code != exit_ok)
            return failed(o);
        orb::Status_data status;
        orb::Status_data::decode(orb::packet_payload(reply), &status);
        for (const QString &line : status.log_lines())
            log.debug(line);
        log.info(QStringLiteral("OK"));
        if (s.json) {
            out(status_json(s.address, status));
        } else {
            const QString when =
                every_ms >= 0 ? QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz  "))
                              : QString();
            out(QStringLiteral("%1%2  flag_lvl=%3 flag_rain=%4 alarm_in=%5\n")
                    .arg(when, status.state_line())
                    .arg(int(status.flag_lvl))
                    .arg(int(status.flag_rain))
                    .arg(status.alarm_in));
        }
        if (every_ms < 0 || (count > 0 && n >= count))
            break;
        // Polls keep to a fixed period from the start; short naps let Ctrl-C end the wait.
        while (!interrupted && clock.elapsed() < n * every_ms)
            QThread::msleep(ulong(qBound(qint64(1), n * every_ms - clock.elapsed(), qint64(50))));
    }
    return exit_ok;
}

int cmd_read(Client &client, Log &log, const Settings &s, const QString &out_file)
{
    // All or nothing: a backup cut short by a full disk must not pass for a whole one. Opened
    // first, so an unwritable place is refused before anything is sent.
    QSaveFile file(out_file);
    if (!out_file.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        fail(QStringLiteral("cannot write %1: %2").arg(out_file, file.errorString()));
        return exit_usage;
    }
    orb::Param_data data;
    const int code = read_params(client, log, s, &data);
    if (code != exit_ok)
        return code;
    log.info(QStringLiteral("OK"));
    const QString text = s.json ? params_json(s.address, data) : params_text(data);
    if (out_file.isEmpty()) {
        out(text);
        return exit_ok;
    }
    if (file.write(text.toUtf8()) < 0 || !file.commit()) {
        fail(QStringLiteral("cannot write %1: %2").arg(out_file, file.errorString()));
        return exit_usage;
    }
    return exit_ok;
}

int cmd_write(Client &client, Log &log, const Settings &s, const QVector<Assignment> &changes)
{
    orb::Param_data before;
    const int code = read_params(client, log, s, &before);
    if (code != exit_ok)
        return code;
    orb::Param_data sent = before;
    for (const Assignment &a : changes)
        sent.set_value(a.field, a.value);

    log.info(QString::fromUtf8("Запись"));
    QByteArray reply;
    const Outcome o = client.exchange(s.address, orb::Command::set_param, sent.encode(),
                                      orb::Param_data::size, s.timeout_ms, s.retries, &reply);
    if (o.code != exit_ok)
        return failed(o);
    orb::Param_data echo;
    orb::Param_data::decode(orb::packet_payload(reply), &echo);

    QStringList differ, changed;
    for (int i = 0; i < orb::param_field_count; ++i) {
        const QString name = QLatin1String(orb::param_fields[i].name);
        if (echo.value(i) != sent.value(i))
            differ << QStringLiteral("%1 sent %2, module has %3")
                          .arg(name)
                          .arg(sent.value(i))
                          .arg(echo.value(i));
        else if (before.value(i) != sent.value(i))
            changed
                << QStringLiteral("%1: %2 -> %3").arg(name).arg(before.value(i)).arg(sent.value(i));
    }
    if (!differ.isEmpty()) {
        const QString text =
            QStringLiteral("the module's echo differs: ") + differ.join(QStringLiteral("; "));
        log.error(text);
        fail(text);
        return exit_echo;
    }
    log.info(QStringLiteral("OK"));
    if (s.json)
        out(params_json(s.address, echo));
    else
        out(changed.isEmpty() ? QStringLiteral("no field changed\n") : changed.join('\n') + '\n');
    return exit_ok;
}

int cmd_pump(Client &client, Log &log, const Settings &s, bool on)
{
    log.info(on ? QString::fromUtf8("Включение насоса") : QString::fromUtf8("Выключение насоса"));
    QByteArray reply;
    const Outcome o =
        client.exchange(s.address, on ? orb::Command::pump_on : orb::Command::pump_off, {}, 0,
                        s.timeout_ms, s.retries, &reply);
    if (o.code != exit_ok)
        return failed(o);
    log.info(QStringLiteral("OK"));
    const QString text =
        on ? QString::fromUtf8("насос включен") : QString::fromUtf8("насос выключен");
    out(s.json ? QStringLiteral("{\"address\": %1, \"pump\": %2}\n")
                     .arg(s.address)
                     .arg(on ? QStringLiteral("true") : QStringLiteral("false"))
               : text + '\n');
    return exit_ok;
}

int cmd_scan(Client &client, Log &log, const Settings &s, int from, int to)
{
    QStringList found;
    for (int address = from; address <= to; ++address) {
        log.info(QStringLiteral("Test"));
        QByteArray reply;
        const Outcome o = client.exchange(quint8(address), orb::Command::test, QByteArray(2, '\0'),
                                          0, s.timeout_ms, s.retries, &reply);
        if (o.code == exit_port)
            return failed(o);
        if (o.code != exit_ok)
            continue;
        log.info(QStringLiteral("OK"));
        found << QString::number(address);
        if (!s.json)
            out(QString::number(address) + '\n');
    }
    if (s.json)
        out('[' + found.join(QStringLiteral(", ")) + "]\n");
    if (found.isEmpty()) {
        fail(QStringLiteral("no module answered at addresses %1-%2").arg(from).arg(to));
        return exit_timeout;
    }
    return exit_ok;
}
