#include "oracle.h"

#include "protocol/exchange_text.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QApplication>
#include <QMap>
#include <QRegularExpression>

namespace soak {

using orb::Command;
using sim::Fault;

const QVector<Exchange_plan> exchange_plans = {
    {"btn_read_wish", Command::get_param, orb::param_field_count, orb::Param_data::size},
    {"btn_read_presets", Command::get_param, orb::param_field_count, orb::Param_data::size},
    {"btn_read_time", Command::get_param, orb::param_field_count, orb::Param_data::size},
    {"btn_write_wish", Command::set_param, 0, orb::Param_data::size},
    {"btn_write_presets", Command::set_param, 0, orb::Param_data::size},
    {"btn_write_time", Command::set_param, 0, orb::Param_data::size},
    {"btn_read_state", Command::get_state, 8, orb::Status_data::size},
    {"btn_pump_on", Command::pump_on, 0, 0},
    {"btn_pump_off", Command::pump_off, 0, 0},
    {"cmd_test", Command::test, 0, 0}, // bound to no button
};

bool is(const QString &name, Fault fault)
{
    return name == sim::fault_name(fault);
}

QString expected_outcome(Fault fault, const Exchange_plan &c, quint8 address)
{
    // The simulator answers a wrong address from the next one up.
    const QMap<Fault, QString> errors = {
        {Fault::silent, orb::no_data_text()},
        {Fault::late, orb::no_data_text()},
        {Fault::flood, orb::no_data_text()},
        {Fault::vanish, orb::no_data_text()},
        {Fault::bad_crc, orb::crc_text_lead()},
        {Fault::wrong_command, orb::reply_command_text(int(c.code))},
        {Fault::wrong_address, orb::reply_address_text(address + 1)},
        {Fault::bad_prefix,
         orb::reply_prefix_text(quint16(sim::bad_prefix_byte | orb::prefix_first << 8))},
        {Fault::bad_len, orb::reply_len_text()},
    };
    if (fault == Fault::short_payload && c.record > 0)
        return "ERROR " + orb::short_reply_text(sim::short_payload_size, c.record);
    return errors.contains(fault) ? "ERROR " + errors.value(fault) : "OK";
}

namespace {

// What follows the reply line: one ERROR line, or the decoded record's lines and the "OK"s.
QString judge_outcome(const Exchange_plan &c, const QStringList &rest, QString *outcome)
{
    const int errors = rest.filter(QRegularExpression("^ERROR ")).size();
    const int oks = rest.filter(QRegularExpression("^INFO OK$")).size();
    if (errors == 1 && rest.size() == 1) {
        *outcome = rest.first();
        return {};
    }
    if (errors == 0 && oks == (c.code == Command::pump_off ? 2 : 1) &&
        rest.size() == oks + c.fields) {
        *outcome = "OK";
        for (int k = 0; k < c.fields; ++k) {
            if (!rest.at(k).startsWith("DEBUG "))
                return "record lines wrong";
        }
        return {};
    }
    return QString("not one outcome: %1 ERROR, %2 OK in %3 lines")
        .arg(errors)
        .arg(oks)
        .arg(rest.size());
}

QString judge_boxes(const Exchange_plan &c, const QList<Box_closer::Box> &boxes, bool ok)
{
    if (boxes.size() != (ok ? 1 : 0))
        return QString("%1 boxes shown").arg(boxes.size());
    if (ok && (boxes.first().title != "Информация" ||
               boxes.first().text != orb::command_done_text(c.code)))
        return "wrong box: " + boxes.first().title + " / " + boxes.first().text;
    if (QApplication::activeModalWidget())
        return "a box left open";
    return {};
}

} // namespace

QString judge(const Exchange_plan &c, quint8 address, const QStringList &all, const QString &fault,
              const QList<Box_closer::Box> &boxes, bool stale, bool line_outlives_module,
              QString *outcome)
{
    if (fault == "?")
        return "the module never heard the request";
    // The receive path logs every batch as it comes; those lines may fall anywhere.
    static const QRegularExpression batch("^DEBUG (read_data: |bad sync$|bad address$)");
    static const QRegularExpression port_lost("^ERROR (ReadError|ResourceError|WriteError)$");
    QStringList lines;
    int lost = 0;
    for (const QString &l : all) {
        if (batch.match(l).hasMatch())
            continue;
        if (port_lost.match(l).hasMatch()) {
            ++lost;
            continue;
        }
        lines << l;
    }
    const int lost_expected = is(fault, Fault::vanish) && !line_outlives_module ? 1 : 0;
    if (lost != lost_expected)
        return QString("%1 port-loss lines, %2 expected").arg(lost).arg(lost_expected);

    int i = 0;
    const auto next = [&] {
        return i < lines.size() ? lines.at(i++) : QString();
    };
    if (next() != QString("INFO ") + orb::command_title(c.code))
        return "no title line";
    const QString length = next();
    const QString sent = next();
    const QByteArray packet = QByteArray::fromHex(sent.section(':', 1).toLatin1());
    if (sent != "DEBUG " + orb::sending_text(packet) ||
        orb::check_reply(packet, address, int(c.code)).code != orb::reply_ok ||
        length != "DEBUG " + orb::packet_length_text(packet))
        return "request lines wrong";
    if (!next().startsWith("DEBUG Получено ["))
        return "no reply line";
    if (c.code == Command::test && !next().startsWith("DEBUG Получено (hex) ["))
        return "no hex reply line";

    QString why = judge_outcome(c, lines.mid(i), outcome);
    if (why.isEmpty())
        why = judge_boxes(c, boxes, *outcome == "OK");
    // A late reply may still land in this wait and answer this click (the protocol has no
    // sequence number): then any one outcome is a fair one.
    Fault kind = Fault::none;
    sim::fault_from_name(fault, &kind);
    if (why.isEmpty() && !stale && !outcome->startsWith(expected_outcome(kind, c, address)))
        return "outcome differs from the fault: expected " + expected_outcome(kind, c, address);
    return why;
}

} // namespace soak
