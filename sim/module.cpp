#include "module.h"

#include "protocol/packet.h"

namespace sim {

using orb::state_init;
using orb::state_pause;
using orb::state_washing;

namespace {

// Supply voltage as the module reports it, in tenths of a volt.
constexpr quint16 supply_voltage = 240;

quint32 remaining(qint64 length, qint64 spent)
{
    const qint64 left = length - spent;
    if (left <= 0)
        return 0;
    return left > 0xFFFFFFFFLL ? 0xFFFFFFFFu : quint32(left);
}

} // namespace

Module::Module(quint8 address, qint64 init_ms, qint64 now_ms)
    : addr(address)
    , init_ms(init_ms < 0 ? 0 : init_ms)
    , param(default_params())
    , phase_start(now_ms)
{}

orb::Param_data Module::default_params()
{
    orb::Param_data p;
    p.addr_cam = 1;
    p.time_interval = 3600;
    p.time_interval_rain = 300;
    p.time_washout = 10;
    p.time_move = 5;
    p.time_wiper = 5;
    p.preset_move = 10;
    p.preset_wiper = 11;
    p.min_voltage = 180;
    p.max_voltage = 300;
    p.normal_Preset_Initial_Pos = 1;
    p.normal_Num_Tour = 1;
    p.normal_Num_Scan = 1;
    p.normal_Num_Pattern = 1;
    return p;
}

qint64 Module::phase_ms(quint16 which) const
{
    switch (which) {
    case state_init:
        return init_ms;
    case state_washing:
        return qint64(param.time_washout) * 1000;
    default:
        // In rain the wiper interval paces the cycle, unless rain mode is switched off.
        if (rain && !param.wiper_not_active)
            return qint64(param.time_interval_rain) * 1000;
        return qint64(param.time_interval) * 1000;
    }
}

void Module::enter(quint16 next, qint64 now_ms)
{
    state = next;
    phase_start = now_ms;
}

void Module::advance(qint64 now_ms)
{
    // A few steps catch up with an ordinary gap; whole cycles beyond that are skipped at once,
    // so a long gap or a zero-length phase cannot spin.
    for (int step = 0; step < 8; ++step) {
        if (step == 4) {
            const qint64 cycle = phase_ms(state_pause) + phase_ms(state_washing);
            if (cycle > 0 && now_ms - phase_start >= cycle)
                phase_start += (now_ms - phase_start) / cycle * cycle;
        }
        const qint64 length = phase_ms(state);
        if (now_ms - phase_start < length)
            return;
        enter(state == state_pause ? state_washing : state_pause, phase_start + length);
    }
}

orb::Status_data Module::status(qint64 now_ms)
{
    advance(now_ms);
    const qint64 spent = now_ms - phase_start;
    orb::Status_data s;
    s.state = state;
    if (state == state_washing) {
        s.elapsed_time_washout = remaining(phase_ms(state_washing), spent);
        s.elapsed_time_wiper = remaining(qint64(param.time_wiper) * 1000, spent);
    } else if (state == state_pause) {
        s.elapsed_time_washout_pause = remaining(phase_ms(state_pause), spent);
    } else {
        s.elapsed_time_washout_pause = remaining(init_ms, spent) + quint32(phase_ms(state_pause));
    }
    s.measuring_voltage = supply_voltage;
    s.flag_lvl = level_low ? 1 : 0;
    s.flag_rain = rain ? 1 : 0;
    s.alarm_in = alarm ? 1 : 0;
    return s;
}

QByteArray Module::answer(const QByteArray &request, qint64 now_ms, QString *why)
{
    const int command =
        request.size() > orb::offset_command ? uchar(request.at(orb::offset_command)) : -1;
    const orb::Reply_check check = orb::check_reply(request, addr, command);
    if (check.code != orb::reply_ok) {
        *why = QStringLiteral("no answer: %1").arg(check.message);
        return {};
    }
    const QByteArray payload = orb::packet_payload(request);
    QByteArray record;
    switch (command) {
    case int(orb::Command::test):
        record = payload;
        break;
    case int(orb::Command::get_param):
        record = param.encode();
        break;
    case int(orb::Command::set_param): {
        orb::Param_data stored;
        if (!orb::Param_data::decode(payload, &stored)) {
            *why = QStringLiteral("no answer: parameter record of %1 bytes, %2 needed")
                       .arg(payload.size())
                       .arg(orb::Param_data::size);
            return {};
        }
        advance(now_ms);
        const bool new_interval = stored.time_interval != param.time_interval ||
                                  stored.time_interval_rain != param.time_interval_rain;
        param = stored;
        if (state == state_pause && new_interval)
            enter(state_pause, now_ms);
        record = param.encode();
        break;
    }
    case int(orb::Command::get_state):
        record = status(now_ms).encode();
        break;
    case int(orb::Command::pump_on):
        advance(now_ms);
        enter(state_washing, now_ms);
        break;
    case int(orb::Command::pump_off):
        advance(now_ms);
        enter(state_pause, now_ms);
        break;
    default:
        *why =
            QStringLiteral("no answer: unknown command 0x%1").arg(command, 2, 16, QLatin1Char('0'));
        return {};
    }
    return orb::build_packet(addr, quint8(command), record);
}

} // namespace sim
