#include "console_verbs.h"

#include "simulator.h"

#include <QCoreApplication>

#include <cstdio>

namespace sim {

namespace {

void answer(const QString &text)
{
    const QByteArray line = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

QString set_faults(Simulator &sim, const QStringList &words)
{
    QVector<Fault> kinds;
    for (const QString &word : words) {
        Fault f = Fault::none;
        if (!fault_from_name(word, &f))
            return QStringLiteral("error unknown fault: ") + word;
        if (f != Fault::none)
            kinds.append(f);
    }
    sim.set_faults(kinds);
    return {};
}

QString set_fault_count(Simulator &sim, const QStringList &words)
{
    bool ok = false;
    const int count = words.first().toInt(&ok);
    if (!ok || count < 0)
        return QStringLiteral("error fault-count wants a whole number");
    sim.set_fault_count(count);
    return {};
}

QString set_fault_rate(Simulator &sim, const QStringList &words)
{
    bool ok = false;
    const double rate = words.first().toDouble(&ok);
    if (!ok || rate < 0 || rate > 1)
        return QStringLiteral("error fault-rate wants a number from 0 to 1");
    sim.set_fault_rate(rate);
    return {};
}

QString set_seed(Simulator &sim, const QStringList &words)
{
    bool ok = false;
    const quint32 value = words.first().toUInt(&ok);
    if (!ok)
        return QStringLiteral("error seed wants a whole number");
    sim.set_seed(value);
    return {};
}

QString set_turnaround(Simulator &sim, const QStringList &words)
{
    bool ok = false;
    const int ms = words.first().toInt(&ok);
    if (!ok || ms < 0)
        return QStringLiteral("error turnaround wants milliseconds");
    sim.set_turnaround(ms);
    return {};
}

} // namespace

const QVector<Console_verb> &console_verbs()
{
    using W = const QStringList &;
    // clang-format off
    static const QVector<Console_verb> table = {
        {"rain", 1, {"on", "off"}, {}, "the rain flag",
         [](Simulator &sim, W w) { sim.module().set_rain(w[0] == "on"); return QString(); }},
        {"level", 1, {"ok", "low"}, {}, "the washing fluid's level",
         [](Simulator &sim, W w) { sim.module().set_level_low(w[0] == "low"); return QString(); }},
        {"alarm", 1, {"on", "off"}, {}, "the manual-start input",
         [](Simulator &sim, W w) { sim.module().set_alarm(w[0] == "on"); return QString(); }},
        {"pacing", 1, {"on", "off"}, {}, "replies at the line rate, or at once",
         [](Simulator &sim, W w) { sim.sender().set_pacing(w[0] == "on"); return QString(); }},
        {"fault", -1, {}, "KIND... | none", "spoil replies these ways from now on", set_faults},
        {"fault-count", 1, {}, "N", "spoil N more replies only", set_fault_count},
        {"fault-rate", 1, {}, "P", "fraction of replies spoilt, 0-1", set_fault_rate},
        {"seed", 1, {}, "N", "seed for fault choice and noise", set_seed},
        {"turnaround", 1, {}, "MS", "the module's own delay before it answers", set_turnaround},
        {"state", 0, {}, {}, "prints the live status",
         [](Simulator &sim, W) { return "ok " + sim.status_text(); }},
        {"params", 0, {}, {}, "prints the stored record in hex",
         [](Simulator &sim, W) {
             return "ok " + QString::fromLatin1(sim.module().params().encode().toHex().toUpper());
         }},
        {"flush", 0, {}, {}, "drops replies not yet read",
         [](Simulator &sim, W) { sim.flush(); return QString(); }},
        {"reset", 0, {}, {}, "back to the start: record, status clock, flags, faults, seed",
         [](Simulator &sim, W) { sim.reset(); return QString(); }},
        {"quit", 0, {}, {}, "ends the run",
         [](Simulator &, W) { QCoreApplication::quit(); return QStringLiteral("ok quit"); }},
    };
    // clang-format on
    return table;
}

void run_console_line(Simulator &sim, const QString &text)
{
    QStringList words = text.split(QLatin1Char(' '));
    words.removeAll(QString());
    if (words.isEmpty())
        return;
    const QString verb = words.takeFirst();
    for (const Console_verb &c : console_verbs()) {
        const bool fits = c.words < 0 ? !words.isEmpty() : words.size() == c.words;
        if (c.verb != verb || !fits || (!c.choices.isEmpty() && !c.choices.contains(words[0])))
            continue;
        const QString said = c.run(sim, words);
        if (!said.isEmpty()) {
            answer(said);
            return;
        }
        const QString line = (QStringList{verb} + words).join(QLatin1Char(' '));
        Simulator::traffic(QStringLiteral("== ") + line);
        answer(QStringLiteral("ok ") + line);
        return;
    }
    answer(QStringLiteral("error unknown command: ") + text.left(100));
}

QString console_help()
{
    QString text;
    for (const Console_verb &c : console_verbs()) {
        const QString args = c.choices.isEmpty() ? c.args : c.choices.join(QLatin1Char('|'));
        const QString usage = args.isEmpty() ? c.verb : c.verb + QLatin1Char(' ') + args;
        text += QStringLiteral("  %1 %2\n").arg(usage.leftJustified(24), c.about);
    }
    return text;
}

} // namespace sim
