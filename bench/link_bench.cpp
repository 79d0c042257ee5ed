// Link engine benchmark: back-to-back command round trips over TCP loopback
// and a 16 KiB block write over the simulator's paced pseudo-terminal, with
// the waits waking on arriving bytes and, for comparison, sleeping whole ticks.
// Prints one JSON line.

#include "MatrixSimulator.h"
#include "link/LinkMessages.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>

namespace {

// Stands in for the window: takes every notification, does nothing with it.
class NullListener : public ILinkListener {
public:
    void linkMessage(int, uint32_t, int32_t, const QString &) override { ++count; }
    long count = 0;
};

constexpr int SerialBytes = 16 * 1024;
constexpr int Baud = 57600;

double MeasureTcp(bool plainSleep, QString *error) {
    LinkTiming::current().plainSleepWaits = plainSleep;
    SimOptions options;
    options.tcp = true;
    options.pty = false;
    options.processingDelayMs = 0;
    MatrixSimulator sim(options);
    if (!sim.start(error))
        return -1;
    NullListener listener;
    TTSCOMControl engine;
    engine.setListener(&listener);
    engine.setControlMode(cmLAN);
    engine.setDeviceIP(QStringLiteral("127.0.0.1"));
    engine.setTcpPort(sim.tcpPort());
    if (!engine.Connect()) {
        *error = QStringLiteral("connect: ") + engine.LastLinkError;
        return -1;
    }
    const Frame query = Frame::make(0x01, 0x03, 0x00FE);
    TReplyRecord reply;
    for (int i = 0; i < 20; ++i)
        engine.Transact(query, reply);
    QElapsedTimer clock;
    clock.start();
    long done = 0;
    while (clock.elapsed() < 2000) {
        engine.Transact(query, reply);
        if (!reply.ok()) {
            *error = QStringLiteral("a round trip failed");
            return -1;
        }
        ++done;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    engine.Disconnect();
    sim.stop();
    return done / seconds;
}

double MeasureSerial(bool plainSleep, QString *error) {
    LinkTiming::current().plainSleepWaits = plainSleep;
    SimOptions options;
    options.tcp = false;
    options.pty = true;
    options.pace = true;
    options.baud = Baud;
    MatrixSimulator sim(options);
    if (!sim.start(error))
        return -1;
    NullListener listener;
    TTSCOMControl engine;
    engine.setListener(&listener);
    engine.setControlMode(cmCOM);
    engine.setComPort(sim.ptyPath());
    if (!engine.Connect()) {
        *error = QStringLiteral("open: ") + engine.LastLinkError;
        return -1;
    }
    TReplyRecord reply;
    engine.Transact(Frame::make(0x03, 0x08, 0x00F0), reply); // EDID write prelude
    if (!reply.ok()) {
        *error = QStringLiteral("prelude failed");
        return -1;
    }
    QByteArray data(SerialBytes, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    engine.WriteStream = data;
    QElapsedTimer clock;
    clock.start();
    engine.WriteBlocks(Frame::make(0x03, 0x07, 0xF100), reply);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!reply.ok()) {
        *error = QStringLiteral("block write failed");
        return -1;
    }
    engine.Disconnect();
    sim.stop();
    // Per 256 data bytes: a 270-byte packet out and a 13-byte acknowledgement
    // back, 10 bits a byte on the wire.
    const int blocks = (SerialBytes + 255) / 256;
    const double wireSeconds = blocks * (270.0 + 13.0) * 10.0 / Baud;
    return wireSeconds / seconds;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QString error;
    QJsonObject out;
    const auto record = [&](const char *key, double value) {
        if (value < 0) {
            std::fprintf(stderr, "link_bench: %s: %s\n", key, qPrintable(error));
            out.insert(QLatin1String(key), QJsonValue());
            return false;
        }
        // Rates to 0.1/s, efficiencies to 0.0001.
        const double scale = value > 10 ? 10.0 : 10000.0;
        out.insert(QLatin1String(key), std::round(value * scale) / scale);
        return true;
    };
    bool ok = true;
    ok &= record("tcp_transacts_per_s", MeasureTcp(false, &error));
    ok &= record("serial_write_efficiency", MeasureSerial(false, &error));
    ok &= record("tcp_transacts_per_s_plain_sleep", MeasureTcp(true, &error));
    ok &= record("serial_write_efficiency_plain_sleep", MeasureSerial(true, &error));
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return ok ? 0 : 1;
}
