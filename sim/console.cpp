#include "console.h"

#include "simulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QPointer>
#include <iostream>
#include <string>
#include <thread>
#endif

namespace sim {

Console::Console(QObject *parent)
    : QObject(parent)
{}

void Console::take(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\n') {
            if (!overflow)
                emit line(QString::fromUtf8(buffer).trimmed());
            buffer.clear();
            overflow = false;
        } else if (buffer.size() >= cap) {
            buffer.clear();
            overflow = true;
        } else if (!overflow) {
            buffer.append(c);
        }
    }
}

#ifdef Q_OS_UNIX

void Console::start()
{
    struct stat st = {};
    const bool driven = isatty(STDIN_FILENO) || (fstat(STDIN_FILENO, &st) == 0 &&
                                                 (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)));
    notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, driven] {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n > 0) {
            take(QByteArray(buf, int(n)));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            notifier->setEnabled(false);
            if (driven)
                emit closed();
        }
    });
}

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int number)
{
    const char c = char(number);
    const ssize_t ignored = ::write(signal_pipe[1], &c, 1);
    (void)ignored;
}

} // namespace

void on_signals(const std::function<void(int)> &stop)
{
    if (::pipe(signal_pipe) != 0)
        return;
    fcntl(signal_pipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier =
        new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, stop] {
        char c = 0;
        if (::read(signal_pipe[0], &c, 1) != 1)
            return;
        notifier->setEnabled(false);
        stop(int(c));
    });
    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

#else

void Console::start()
{
    // Console input cannot be watched by a notifier here; a reader thread hands the lines over.
    // It stays blocked in the read until the process ends.
    QPointer<Console> self(this);
    std::thread([self] {
        std::string text;
        while (std::getline(std::cin, text)) {
            QByteArray bytes = QByteArray::fromStdString(text);
            bytes.append('\n');
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, bytes] {
                if (self)
                    self->take(bytes);
            });
        }
    }).detach();
}

void on_signals(const std::function<void(int)> &) {}

#endif

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

const QVector<Console_command> &console_commands()
{
    using W = const QStringList &;
    static const QVector<Console_command> table = {
        {"rain",
         1,
         {"on", "off"},
         [](Simulator &sim, W w) {
             sim.module().set_rain(w[0] == "on");
             return QString();
         }},
        {"level",
         1,
         {"low", "ok"},
         [](Simulator &sim, W w) {
             sim.module().set_level_low(w[0] == "low");
             return QString();
         }},
        {"alarm",
         1,
         {"on", "off"},
         [](Simulator &sim, W w) {
             sim.module().set_alarm(w[0] == "on");
             return QString();
         }},
        {"pacing",
         1,
         {"on", "off"},
         [](Simulator &sim, W w) {
             sim.sender().set_pacing(w[0] == "on");
             return QString();
         }},
        {"state",
         0,
         {},
         [](Simulator &sim, W) {
             return "ok " + sim.status_text();
         }},
        {"params",
         0,
         {},
         [](Simulator &sim, W) {
             return "ok " + QString::fromLatin1(sim.module().params().encode().toHex().toUpper());
         }},
        {"fault", -1, {}, set_faults},
        {"fault-count", 1, {}, set_fault_count},
        {"fault-rate", 1, {}, set_fault_rate},
        {"seed", 1, {}, set_seed},
        {"turnaround", 1, {}, set_turnaround},
        {"flush",
         0,
         {},
         [](Simulator &sim, W) {
             sim.flush();
             return QString();
         }},
        {"reset",
         0,
         {},
         [](Simulator &sim, W) {
             sim.reset();
             return QString();
         }},
        {"quit",
         0,
         {},
         [](Simulator &, W) {
             QCoreApplication::quit();
             return QStringLiteral("ok quit");
         }},
    };
    return table;
}

void run_console_command(Simulator &sim, const QString &text)
{
    QStringList words = text.split(QLatin1Char(' '));
    words.removeAll(QString());
    if (words.isEmpty())
        return;
    const QString verb = words.takeFirst();
    for (const Console_command &c : console_commands()) {
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

} // namespace sim
