// Writes a seed corpus for each fuzz target into <dir>/<target>/, built from valid packets.
#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool write(const QString &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "make_seeds: cannot write %s\n", qPrintable(f.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <dir>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const char *sub : {"fuzz_reply", "fuzz_records", "fuzz_rx_line"}) {
        if (!QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub)))
            return 1;
    }

    orb::Param_data param;
    param.addr_cam = 1;
    param.time_interval = 9000;
    param.time_interval_rain = 300;
    param.time_washout = 10;
    param.normal_sensor_rain = 1;
    orb::Status_data status;
    status.state = 2;
    status.elapsed_time_washout_pause = 15999;
    status.flag_rain = -1;

    struct Seed
    {
        quint8 command;
        QByteArray payload;
    };
    const Seed seeds[] = {
        {0x00, QByteArray(2, '\0')},
        {0x01, param.encode()},
        {0x02, param.encode()},
        {0x03, status.encode()},
        {0x04, {}},
        {0x05, {}},
    };
    bool ok = true;
    int n = 0;
    for (const Seed &s : seeds) {
        const QByteArray packet = orb::build_packet(1, s.command, s.payload);
        const QString name = QStringLiteral("cmd%1").arg(n++);
        QByteArray reply_input;
        reply_input.append(char(1));
        reply_input.append(char(s.command));
        ok &= write(root + QStringLiteral("/fuzz_reply"), name, reply_input + packet);
        ok &= write(root + QStringLiteral("/fuzz_rx_line"), name,
                    char(7) + orb::frame_packet(packet) + "\r\n");
        if (!s.payload.isEmpty())
            ok &= write(root + QStringLiteral("/fuzz_records"), name, s.payload);
    }
    // A 7-byte sync frame and a line split across odd batch sizes.
    ok &= write(root + QStringLiteral("/fuzz_rx_line"), QStringLiteral("sync"),
                QByteArray::fromHex("06ff0100000000ff"));
    ok &= write(root + QStringLiteral("/fuzz_rx_line"), QStringLiteral("split"),
                char(2) + QByteArray("junk:aabb010300001f84\n:AABB") + '\0' + QByteArray("\x80\r"));
    return ok ? 0 : 1;
}
