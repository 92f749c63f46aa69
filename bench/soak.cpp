// A long day at the bench: the real window against the module simulator with every fault
// switched on, buttons clicked in a seeded random order. After every exchange the log must
// hold exactly the lines of one request and one outcome, and no box may be left open; at the
// end resident memory may have grown by less than 1 MiB since exchange 100. Prints the tally
// and exits non-zero on any miss.
//
//   soak [exchanges] [seed]      (defaults 2000 and 1)
#include "box_closer.h"
#include "mainwindow.h"
#include "protocol/exchange_text.h"
#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"
#include "scratch_run.h"
#include "sim/fault.h"
#include "sim_process.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpinBox>

#include <cstdio>
#include <memory>

#if defined(__SANITIZE_ADDRESS__)
#define ORB_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORB_ASAN 1
#endif
#endif

namespace {

using orb::Command;
using sim::Fault;

constexpr quint8 address = 1;

struct Step
{
    const char *name; // button objectName, or the slot for the test request
    Command code;
    int fields; // DEBUG lines of a decoded record
};

const Step commands[] = {
    {"btn_read_wish", Command::get_param, orb::param_field_count},
    {"btn_read_presets", Command::get_param, orb::param_field_count},
    {"btn_read_time", Command::get_param, orb::param_field_count},
    {"btn_write_wish", Command::set_param, 0},
    {"btn_write_presets", Command::set_param, 0},
    {"btn_write_time", Command::set_param, 0},
    {"btn_read_state", Command::get_state, 8},
    {"btn_pump_on", Command::pump_on, 0},
    {"btn_pump_off", Command::pump_off, 0},
    {"cmd_test", Command::test, 0}, // bound to no button
};

// Every fault the window can meet; a wrong echo only matters to orbctl's write.
const Fault all_faults[] = {Fault::silent,        Fault::bad_crc,    Fault::wrong_command,
                            Fault::wrong_address, Fault::bad_prefix, Fault::bad_len,
                            Fault::short_payload, Fault::split,      Fault::late,
                            Fault::noise,         Fault::sync_frame, Fault::flood,
                            Fault::vanish};

// The outcome line a reply spoilt this way must bring, or its start; "OK" for a reply that
// still reads.
QString expected_outcome(Fault fault, const Step &c)
{
    const QString error = "ERROR ";
    switch (fault) {
    case Fault::silent:
    case Fault::late:
    case Fault::flood:
    case Fault::vanish:
        return error + orb::no_data_text();
    case Fault::bad_crc:
        return error + orb::crc_text_lead();
    case Fault::wrong_command:
        return error + orb::reply_command_text(int(c.code));
    case Fault::wrong_address:
        // The simulator answers from the next address up.
        return error + orb::reply_address_text(address + 1);
    case Fault::bad_prefix:
        return error +
               orb::reply_prefix_text(quint16(sim::bad_prefix_byte | orb::prefix_first << 8));
    case Fault::bad_len:
        return error + orb::reply_len_text();
    case Fault::short_payload: {
        if (c.code != Command::get_param && c.code != Command::set_param &&
            c.code != Command::get_state)
            return "OK";
        const int record =
            c.code == Command::get_state ? orb::Status_data::size : orb::Param_data::size;
        return error + orb::short_reply_text(sim::short_payload_size, record);
    }
    default:
        return "OK";
    }
}

// Whether the simulator's name for the fault it applied is this one.
bool is(const QString &name, Fault fault)
{
    return name == sim::fault_name(fault);
}

qint64 resident_bytes()
{
#ifdef Q_OS_LINUX
    QFile f("/proc/self/statm");
    if (f.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = f.readAll().split(' ');
        if (fields.size() > 1)
            return fields.at(1).toLongLong() * 4096;
    }
#endif
    return -1;
}

// Waits with the event loop running until done() or the limit; true when done.
template<class F> bool wait_for(F done, int limit_ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class Soak
{
public:
    Soak(int count, quint32 seed)
        : count(count)
        , seed(seed)
        , rng(seed)
    {}

    int run();

private:
    bool start_module();
    bool connect_window();
    QStringList new_log_lines();
    QString fault_of(const QString &request_hex);
    void pause_as_a_hand();
    bool exchange(int n);
    bool reconnect(int n, const Step &c, const QString &fault, QStringList *lines);
    void tally_outcome(QString outcome, const QString &fault);
    QString check(const Step &c, const QStringList &lines, const QString &fault, QString *outcome);
    QString check_outcome(const Step &c, const QStringList &rest, QString *outcome);
    QString check_boxes(const Step &c, bool ok);
    void miss(int n, const Step &c, const QString &fault, const QString &why,
              const QStringList &lines);
    void report(double seconds, qint64 rss_100, qint64 rss_end);

    int count;
    quint32 seed;
    QRandomGenerator rng;
    std::unique_ptr<Sim_process> sim;
    int restarts = 0;
    MainWindow window;
    qint64 log_offset = 0;
    Box_closer closer{5};
    int misses = 0;
    QMap<QString, int> outcomes, faults;
    QString previous_fault;
    bool stale = false; // a late reply may land in this exchange's wait
};

bool Soak::start_module()
{
    QStringList args = {"--address",    QString::number(address),
                        "--init",       "0",
                        "--fault-rate", "0.3",
                        "--seed",       QString::number(seed + quint32(restarts))};
    for (const Fault f : all_faults)
        args << "--fault" << sim::fault_name(f);
    sim.reset(); // the one before, if any, is gone
    sim = std::make_unique<Sim_process>(args);
    if (!sim->is_running())
        return false;
    const QString port = sim->path();
    qputenv("ORB_PTZ_WASHING_EXTRA_PORTS", QFile::encodeName(port));
    window.findChild<QPushButton *>("btn_scan")->click();
    window.findChild<QComboBox *>("cb_port")->setCurrentText(port);
    return connect_window();
}

bool Soak::connect_window()
{
    window.findChild<QPushButton *>("btn_connect")->click();
    return window.findChild<QPushButton *>("btn_connect")->text() == "Разъединиться";
}

QStringList Soak::new_log_lines()
{
    const qint64 end = Scratch_run::log_size();
    const QStringList lines = Scratch_run::log_lines(log_offset);
    log_offset = end;
    return lines;
}

// The fault the simulator applied to this request, from its traffic lines: "<- :HEX" then
// "!! fault KIND" for a spoilt reply.
QString Soak::fault_of(const QString &request_hex)
{
    const QString heard = "<- :" + request_hex;
    sim->wait_traffic(heard);
    const QString traffic = sim->traffic();
    const int at = traffic.lastIndexOf(heard);
    if (at < 0)
        return "?";
    const int next = traffic.indexOf("<- :", at + heard.size());
    const QString tail = traffic.mid(at, next < 0 ? -1 : next - at);
    static const QRegularExpression fault("!! fault (\\S+)");
    const QString kind = fault.match(tail).captured(1);
    // Only what is after this request can matter for the next one.
    sim->forget_traffic(at + heard.size());
    return kind.isEmpty() ? sim::fault_name(Fault::none) : kind;
}

QString Soak::check(const Step &c, const QStringList &all, const QString &fault, QString *outcome)
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
        if (is(fault, Fault::vanish) && port_lost.match(l).hasMatch()) {
            ++lost;
            continue;
        }
        lines << l;
    }
    if (is(fault, Fault::vanish) && lost != 1)
        return QString("%1 port-loss lines for a module that dropped the line").arg(lost);

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

    QString why = check_outcome(c, lines.mid(i), outcome);
    if (why.isEmpty())
        why = check_boxes(c, *outcome == "OK");
    // A late reply may still land in this wait and answer this click (the protocol has no
    // sequence number): then any one outcome is a fair one.
    Fault kind = Fault::none;
    sim::fault_from_name(fault, &kind);
    if (why.isEmpty() && !stale && !outcome->startsWith(expected_outcome(kind, c)))
        return "outcome differs from the fault: expected " + expected_outcome(kind, c);
    return why;
}

// What follows the reply line: one ERROR line, or the decoded record's lines and the "OK"s.
QString Soak::check_outcome(const Step &c, const QStringList &rest, QString *outcome)
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

QString Soak::check_boxes(const Step &c, bool ok)
{
    const QList<Box_closer::Box> &boxes = closer.boxes;
    if (boxes.size() != (ok ? 1 : 0))
        return QString("%1 boxes shown").arg(boxes.size());
    if (ok && (boxes.first().title != "Информация" ||
               boxes.first().text != orb::command_done_text(c.code)))
        return "wrong box: " + boxes.first().title + " / " + boxes.first().text;
    if (QApplication::activeModalWidget())
        return "a box left open";
    return {};
}

void Soak::miss(int n, const Step &c, const QString &fault, const QString &why,
                const QStringList &lines)
{
    if (++misses > 20)
        return;
    std::printf("MISS exchange %d (%s, fault %s): %s\n", n, c.name, qPrintable(fault),
                qPrintable(why));
    for (const QString &l : lines)
        std::printf("    %s\n", qPrintable(l));
}

// A hand needs well over 100 ms from one answer to the next click; some come as fast as that,
// others after a look at the form. A patient engineer after a reply that never came also
// waits for what may still come; a hasty one may meet it in the next exchange.
void Soak::pause_as_a_hand()
{
    const bool hasty = rng.bounded(10) < 3;
    const int pause_ms = hasty ? int(rng.bounded(120, 150)) : int(rng.bounded(150, 400));
    const bool in_flight = is(previous_fault, Fault::late) || stale;
    stale = hasty && in_flight;
    if (!hasty && in_flight) {
        qint64 size = -1;
        QElapsedTimer quiet;
        quiet.start();
        wait_for(
            [&] {
                if (Scratch_run::log_size() != size) {
                    size = Scratch_run::log_size();
                    quiet.restart();
                }
                return quiet.elapsed() > 600;
            },
            3000);
    }
    wait_for([] { return false; }, pause_ms);
}

// One click and its outcome checked; false when the soak cannot go on.
bool Soak::exchange(int n)
{
    const Step &c = commands[rng.bounded(int(sizeof commands / sizeof commands[0]))];
    pause_as_a_hand();
    closer.boxes.clear();
    if (auto *button = window.findChild<QPushButton *>(c.name))
        button->click();
    else
        QMetaObject::invokeMethod(&window, c.name);
    QStringList lines = new_log_lines();
    const int sent_at = lines.indexOf(QRegularExpression("^DEBUG Отправляем :.*"));
    const QString fault = sent_at < 0 ? "?" : fault_of(lines.at(sent_at).section(':', 1).toUpper());
    if (is(fault, Fault::vanish) && !reconnect(n, c, fault, &lines))
        return false;
    QString outcome;
    const QString why = check(c, lines, fault, &outcome);
    if (!why.isEmpty())
        miss(n, c, fault, why, lines);
    tally_outcome(outcome, fault);
    return true;
}

// The module dropped the line: the window must see its port go, then the engineer reconnects
// to the module once it is back.
bool Soak::reconnect(int n, const Step &c, const QString &fault, QStringList *lines)
{
    auto *connect = window.findChild<QPushButton *>("btn_connect");
    const bool seen = wait_for([&] { return connect->text() == "Соединиться"; }, 3000) &&
                      wait_for([&] { return !sim->is_running(); }, 3000);
    *lines += new_log_lines();
    if (!seen)
        miss(n, c, fault, "the lost line went unnoticed", *lines);
    ++restarts;
    if (start_module())
        return true;
    std::printf("could not reconnect after exchange %d\n", n);
    return false;
}

void Soak::tally_outcome(QString outcome, const QString &fault)
{
    // Hex values in the outcome vary from reply to reply; the tally keeps the kind.
    outcome.remove(QRegularExpression(" \\[0x[0-9a-f]+\\]$| 0x.*$"));
    ++outcomes[(stale ? "after a late reply: " : "") + outcome];
    ++faults[fault];
    previous_fault = fault;
}

int Soak::run()
{
    window.findChild<QSpinBox *>("sb_address_upu")->setValue(address);
    if (!start_module()) {
        std::printf("the module simulator did not start or the port did not open\n");
        return 2;
    }
    new_log_lines();

    QElapsedTimer clock;
    clock.start();
    qint64 rss_100 = -1;
    for (int n = 1; n <= count; ++n) {
        if (!exchange(n))
            return 2;
        if (n == 100)
            rss_100 = resident_bytes();
    }
    const qint64 rss_end = resident_bytes();
    const double seconds = clock.elapsed() / 1000.0;
    sim.reset();
    report(seconds, rss_100, rss_end);
    return misses ? 1 : 0;
}

void Soak::report(double seconds, qint64 rss_100, qint64 rss_end)
{
    std::printf("%d exchanges in %.0f s (seed %u), %d module restarts after vanish\n", count,
                seconds, seed, restarts);
    std::printf("outcomes:\n");
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        std::printf("  %5d  %s\n", it.value(), qPrintable(it.key()));
    std::printf("faults the module applied:\n");
    for (auto it = faults.cbegin(); it != faults.cend(); ++it)
        std::printf("  %5d  %s\n", it.value(), qPrintable(it.key()));
    if (rss_100 > 0 && rss_end > 0) {
        const qint64 growth = rss_end - rss_100;
        std::printf(
            "resident memory: %.1f MiB after exchange 100, %.1f MiB at the end, %+lld KiB\n",
            rss_100 / 1048576.0, rss_end / 1048576.0, growth / 1024);
#ifdef ORB_ASAN
        // The sanitizer's quarantine holds freed blocks on purpose; LeakSanitizer judges here.
        std::printf("  (AddressSanitizer build: growth not judged)\n");
#else
        if (count > 100 && growth >= 1024 * 1024) {
            std::printf("MISS resident memory grew by 1 MiB or more\n");
            ++misses;
        }
#endif
    }
    std::printf("%s: %d misses\n", misses ? "FAILED" : "passed", misses);
}

} // namespace

int main(int argc, char *argv[])
{
    const Scratch_run scratch;
    QApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    const int count = args.size() > 1 ? args.at(1).toInt() : 2000;
    const quint32 seed = args.size() > 2 ? args.at(2).toUInt() : 1;
    if (count < 1) {
        std::printf("usage: soak [exchanges] [seed]\n");
        return 2;
    }
    Soak soak(count, seed);
    const int code = soak.run();
    std::fflush(stdout);
    return code;
}
