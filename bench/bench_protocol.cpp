// Throughput of the byte rules on the receive and send paths. Prints one line per case:
// name, iterations, ns per call, MB/s where a byte count makes sense.
#include "protocol/crc16.h"
#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/rx_line.h"
#include "protocol/status_data.h"

#include <QElapsedTimer>
#include <cstdio>
#include <functional>

namespace {

volatile quint64 sink; // keeps the optimiser from dropping the work

void run(const char *name, qint64 bytes_per_call, const std::function<quint64()> &body)
{
    // Grow the count until one round takes at least 200 ms.
    qint64 n = 16;
    for (;;) {
        QElapsedTimer t;
        t.start();
        quint64 acc = 0;
        for (qint64 i = 0; i < n; ++i)
            acc += body();
        sink = acc;
        const qint64 ns = t.nsecsElapsed();
        if (ns >= 200'000'000 || n >= (qint64(1) << 40)) {
            const double per_call = double(ns) / double(n);
            if (bytes_per_call > 0)
                std::printf("%-28s %12lld calls %12.1f ns/call %10.1f MB/s\n", name,
                            static_cast<long long>(n), per_call,
                            double(bytes_per_call) * 1e3 / per_call);
            else
                std::printf("%-28s %12lld calls %12.1f ns/call\n", name,
                            static_cast<long long>(n), per_call);
            return;
        }
        n *= 2;
    }
}

} // namespace

int main()
{
    QByteArray block(65535, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 31 + 7);

    orb::Param_data params;
    params.time_interval = 9000;
    params.preset_move = 12;
    const QByteArray param_packet =
        orb::build_packet(1, quint8(orb::Command::set_param), params.encode());
    const QByteArray param_line = orb::frame_packet(param_packet);
    orb::Status_data status;
    status.state = 2;
    const QByteArray status_payload = status.encode();

    run("crc16 64 KiB", block.size(), [&] { return orb::crc16(block); });
    run("build_packet 42 B", param_packet.size(), [&] {
        return quint64(
            orb::build_packet(1, quint8(orb::Command::set_param), params.encode()).size());
    });
    run("frame_packet 42 B", param_packet.size(),
        [&] { return quint64(orb::frame_packet(param_packet).size()); });
    run("check_reply 42 B", param_packet.size(), [&] {
        return quint64(orb::check_reply(param_packet, 1, int(orb::Command::set_param)).code);
    });
    run("deframe 87-char line", param_line.size(), [&] {
        QByteArray rx_line;
        QByteArray reply;
        bool ready = false;
        orb::deframe(param_line, rx_line, reply, ready);
        return quint64(reply.size()) + ready;
    });
    run("batch_log_text 87 chars", param_line.size(),
        [&] { return quint64(orb::batch_log_text(param_line).size()); });
    run("Param_data decode", orb::Param_data::size, [&] {
        orb::Param_data out;
        return quint64(orb::Param_data::decode(orb::packet_payload(param_packet), &out))
               + out.time_interval;
    });
    run("Status_data decode", orb::Status_data::size, [&] {
        orb::Status_data out;
        return quint64(orb::Status_data::decode(status_payload, &out)) + out.state;
    });
    return 0;
}
