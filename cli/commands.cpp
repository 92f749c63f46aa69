#include "commands.h"

#include "client.h"
#include "log.h"
#include "output.h"

#include "protocol/convert.h"
#include "protocol/exchange_text.h"
#include "protocol/extra_ports.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdio>

namespace {

// A record request (parameters, status), logged as the window logs it; "OK" is the caller's.
template<class Record>
Result ask_record(Client &client, Log &log, quint8 address, orb::Command command, const Settings &s,
                  Record *record)
{
    log.info(orb::command_title(command));
    QByteArray reply;
    const Result r =
        client.exchange(address, command, {}, Record::size, s.timeout_ms, s.retries, &reply);
    if (!r.ok())
        return r;
    Record::decode(orb::packet_payload(reply), record);
    for (const QString &line : record->log_lines())
        log.debug(line);
    return {};
}

Result read_params(Client &client, Log &log, const Settings &s, orb::Param_data *data)
{
    return ask_record(client, log, s.address, orb::Command::get_param, s, data);
}

Result cmd_ports(Client &, Log &, const Settings &s)
{
    const QStringList extra = orb::extra_ports();
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
        text += QStringLiteral("%1\t(%2)\n").arg(name, QLatin1String(orb::extra_ports_variable));
    }
    out(s.json ? QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) + '\n'
               : text);
    return {};
}

Result cmd_test(Client &client, Log &log, const Settings &s)
{
    log.info(orb::command_title(orb::Command::test));
    QByteArray reply;
    const Result r = client.exchange(s.address, orb::Command::test, QByteArray(2, '\0'), 0,
                                     s.timeout_ms, s.retries, &reply);
    if (!r.ok())
        return r;
    log.info(orb::ok_text());
    out(s.json ? QStringLiteral("{\"address\": %1, \"ok\": true}\n").arg(s.address)
               : QStringLiteral("module %1 answers\n").arg(s.address));
    return {};
}

Result cmd_status(Client &client, Log &log, const Settings &s)
{
    if (s.every_ms >= 0)
        watch_signals();
    QElapsedTimer clock;
    clock.start();
    for (qint64 n = 1; !watch_interrupted(); ++n) {
        orb::Status_data status;
        const Result r = ask_status(client, log, s.address, s, &status);
        if (!r.ok())
            return r;
        if (s.json) {
            out(status_json(s.address, status));
        } else {
            out(QStringLiteral("%1%2  flag_lvl=%3 flag_rain=%4 alarm_in=%5\n")
                    .arg(watch_stamp(s.every_ms >= 0), status.state_line())
                    .arg(int(status.flag_lvl))
                    .arg(int(status.flag_rain))
                    .arg(status.alarm_in));
        }
        if (s.every_ms < 0 || (s.count > 0 && n >= s.count))
            break;
        watch_wait(clock, n, s.every_ms);
    }
    return {};
}

Result cmd_read(Client &client, Log &log, const Settings &s)
{
    // All or nothing: a backup cut short by a full disk must not pass for a whole one. Opened
    // first, so an unwritable place is refused before anything is sent.
    const QString &out_file = s.out_file;
    QSaveFile file(out_file);
    if (!out_file.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Text))
        return {Outcome::bad_input,
                QStringLiteral("cannot write %1: %2").arg(out_file, file.errorString())};
    orb::Param_data data;
    const Result r = read_params(client, log, s, &data);
    if (!r.ok())
        return r;
    log.info(orb::ok_text());
    const QString text = s.json ? params_json(s.address, data) : params_text(data);
    if (out_file.isEmpty()) {
        out(text);
        return {};
    }
    if (file.write(text.toUtf8()) < 0 || !file.commit())
        return {Outcome::bad_input,
                QStringLiteral("cannot write %1: %2").arg(out_file, file.errorString())};
    return {};
}

Result cmd_write(Client &client, Log &log, const Settings &s)
{
    orb::Param_data before;
    const Result read = read_params(client, log, s, &before);
    if (!read.ok())
        return read;
    orb::Param_data sent = before;
    for (const Assignment &a : s.changes)
        sent.set_value(a.field, a.value);

    log.info(orb::command_title(orb::Command::set_param));
    QByteArray reply;
    const Result r = client.exchange(s.address, orb::Command::set_param, sent.encode(),
                                     orb::Param_data::size, s.timeout_ms, s.retries, &reply);
    if (!r.ok())
        return r;
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
        return {Outcome::echo_differs, text};
    }
    log.info(orb::ok_text());
    if (s.json)
        out(params_json(s.address, echo));
    else
        out(changed.isEmpty() ? QStringLiteral("no field changed\n") : changed.join('\n') + '\n');
    return {};
}

Result cmd_pump(Client &client, Log &log, const Settings &s)
{
    const bool on = s.pump_on;
    const orb::Command command = on ? orb::Command::pump_on : orb::Command::pump_off;
    log.info(orb::command_title(command));
    QByteArray reply;
    const Result r = client.exchange(s.address, command, {}, 0, s.timeout_ms, s.retries, &reply);
    if (!r.ok())
        return r;
    log.info(orb::ok_text());
    out(s.json ? QStringLiteral("{\"address\": %1, \"pump\": %2}\n")
                     .arg(s.address)
                     .arg(on ? QStringLiteral("true") : QStringLiteral("false"))
               : orb::command_done_text(command) + '\n');
    return {};
}

Result cmd_scan(Client &client, Log &log, const Settings &s)
{
    QStringList found;
    for (int address = s.from; address <= s.to; ++address) {
        log.info(orb::command_title(orb::Command::test));
        QByteArray reply;
        const Result r = client.exchange(quint8(address), orb::Command::test, QByteArray(2, '\0'),
                                         0, s.timeout_ms, s.retries, &reply);
        if (r.outcome == Outcome::port_lost)
            return r;
        if (!r.ok())
            continue;
        log.info(orb::ok_text());
        found << QString::number(address);
        if (!s.json)
            out(QString::number(address) + '\n');
    }
    if (s.json)
        out('[' + found.join(QStringLiteral(", ")) + "]\n");
    if (found.isEmpty())
        return {Outcome::no_reply,
                QStringLiteral("no module answered at addresses %1-%2").arg(s.from).arg(s.to)};
    return {};
}

bool take_assignments(const QStringList &args, Settings *s, QString *why)
{
    for (const QString &arg : args) {
        Assignment a;
        if (!parse_assignment(arg, &a, why))
            return false;
        s->changes.append(a);
    }
    return true;
}

// A file as read writes it, or "-" for standard input.
bool take_file(const QStringList &args, Settings *s, QString *why)
{
    const QString &name = args.first();
    QFile file;
    const bool opened = name == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *why = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
        return false;
    }
    if (!parse_param_file(file.readAll(), &s->changes, why)) {
        *why = QStringLiteral("%1: %2").arg(name, *why);
        return false;
    }
    // An empty or cut-off backup must not "restore" with success.
    if (s->changes.isEmpty()) {
        *why = QStringLiteral("%1: no field to write").arg(name);
        return false;
    }
    return true;
}

bool take_pump(const QStringList &args, Settings *s, QString *why)
{
    const QString &arg = args.first();
    if (arg != QLatin1String("on") && arg != QLatin1String("off")) {
        *why = QStringLiteral("pump wants on or off, not %1").arg(arg);
        return false;
    }
    s->pump_on = arg == QLatin1String("on");
    return true;
}

} // namespace

const QVector<Command> &commands()
{
    // clang-format off
    static const QVector<Command> table = {
        {"ports", 0, {}, 1000, false, "ports",
         {"serial ports with description, maker and serial number"}, nullptr, cmd_ports, false},
        {"test", 0, {}, 1000, true, "test", {"does the module answer?"}, nullptr, cmd_test},
        {"status", 0, {"watch", "count", "prometheus", "o"}, 1000, true,
         "status [--watch S] [--count N]",
         {"state line, remaining time and flags; --watch polls",
          "every S seconds until Ctrl-C or N polls;",
          "--prometheus [-o FILE]: as metrics for Prometheus,",
          "FILE replaced whole"}, nullptr, cmd_status},
        {"read", 0, {"o"}, 1000, true, "read [-o FILE]",
         {"all parameters as NAME=VALUE lines (--json: an object", "that write takes back)"},
         nullptr, cmd_read},
        {"write", 1, {}, 1000, true, "write FILE",
         {"parameters from FILE (- for stdin), JSON or NAME=VALUE;",
          "fields not in the file keep the module's values"}, take_file, cmd_write},
        {"set", -1, {}, 1000, true, "set NAME=VALUE...",
         {"change the named parameters, keep the rest"}, take_assignments, cmd_write},
        {"pump", 1, {}, 1000, true, "pump on|off", {"switch the washer pump"}, take_pump,
         cmd_pump},
        {"scan", 0, {"from", "to"}, 200, true, "scan [--from N] [--to M]",
         {"addresses that answer (default 0-255, 200 ms each)"}, nullptr, cmd_scan, false},
    };
    // clang-format on
    return table;
}

const Command *find_command(const QString &name)
{
    for (const Command &c : commands()) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

Result ask_status(Client &client, Log &log, quint8 address, const Settings &s,
                  orb::Status_data *status)
{
    const Result r = ask_record(client, log, address, orb::Command::get_state, s, status);
    if (r.ok())
        log.info(orb::ok_text());
    return r;
}
