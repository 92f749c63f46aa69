#include "metrics.h"

#include "protocol/convert.h"

#include <functional>

namespace {

QString label_value(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

// Which modules a metric has a sample for.
enum Shown { any, up, down };

struct Metric
{
    const char *name;
    const char *help;
    Shown shown;
    // Extra labels (already formatted, each starting with a comma) and the value.
    std::function<QString(const Module_sample &)> labels;
    std::function<double(const Module_sample &)> value;
};

QString number(double v)
{
    return QString::number(v, 'g', 12);
}

double checked(qint64 byte)
{
    // The window ticks a box for any byte but 0.
    return byte != 0 ? 1 : 0;
}

// One row per metric, in the order of the exposition: a table, long only by its rows.
const QVector<Metric> &metrics()
{
    const auto none = [](const Module_sample &) {
        return QString();
    };
    static const QVector<Metric> list = {
        {"orb_washing_up", "1 when the module answered the status request, else 0.", any, none,
         [](const Module_sample &m) {
             return m.up ? 1.0 : 0.0;
         }},
        {"orb_washing_failure_info",
         "Why the module did not answer: orbctl's exit status and its message.", down,
         [](const Module_sample &m) {
             return QStringLiteral(",status=\"%1\",reason=\"%2\"")
                 .arg(m.failure)
                 .arg(label_value(m.reason));
         },
         [](const Module_sample &) {
             return 1.0;
         }},
        {"orb_washing_state", "State code: 0 initialisation, 1 washing, 2 pause.", up, none,
         [](const Module_sample &m) {
             return double(m.status.state);
         }},
        {"orb_washing_state_info", "The state's name as the tool shows it.", up,
         [](const Module_sample &m) {
             return QStringLiteral(",state=\"%1\"")
                 .arg(label_value(orb::state_text(m.status.state)));
         },
         [](const Module_sample &) {
             return 1.0;
         }},
        {"orb_washing_seconds_left",
         "Time left as the state line shows it (elapsed_time_washout_pause), in seconds.", up, none,
         [](const Module_sample &m) {
             return m.status.elapsed_time_washout_pause / 1000.0;
         }},
        {"orb_washing_fluid_flag",
         "1 when the status byte flag_lvl is not 0 (the washing fluid box), else 0.", up, none,
         [](const Module_sample &m) {
             return checked(m.status.flag_lvl);
         }},
        {"orb_washing_rain_flag",
         "1 when the status byte flag_rain is not 0 (the rain box), else 0.", up, none,
         [](const Module_sample &m) {
             return checked(m.status.flag_rain);
         }},
        {"orb_washing_manual_start_flag",
         "1 when the status byte alarm_in is not 0 (the manual start box), else 0.", up, none,
         [](const Module_sample &m) {
             return checked(m.status.alarm_in);
         }},
        {"orb_washing_measuring_voltage",
         "The status field measuring_voltage as received, in the module's own units.", up, none,
         [](const Module_sample &m) {
             return double(m.status.measuring_voltage);
         }},
        {"orb_washing_exchange_seconds", "Status request written to reply line end, in seconds.",
         up, none,
         [](const Module_sample &m) {
             return m.exchange_seconds;
         }},
    };
    return list;
}

} // namespace

QString prometheus_text(const QString &port, const QVector<Module_sample> &samples)
{
    QString out;
    const QString port_label = label_value(port);
    for (const Metric &metric : metrics()) {
        QString lines;
        for (const Module_sample &m : samples) {
            if ((metric.shown == up && !m.up) || (metric.shown == down && m.up))
                continue;
            lines += QStringLiteral("%1{port=\"%2\",address=\"%3\"%4} %5\n")
                         .arg(QLatin1String(metric.name), port_label)
                         .arg(m.address)
                         .arg(metric.labels(m), number(metric.value(m)));
        }
        if (lines.isEmpty())
            continue;
        out += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n")
                   .arg(QLatin1String(metric.name), QString::fromUtf8(metric.help)) +
               lines;
    }
    return out;
}
