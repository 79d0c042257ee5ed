// Link engine benchmark: back-to-back command round trips over TCP loopback,
// a 16 KiB block write and a 64 KiB firmware part upload over the simulator's
// paced pseudo-terminal, and how
// late a 5 ms timer of the window thread fires while a command waits for a
// held-back reply, while an alert blinks in the status bar and while the
// paced serial write runs. Prints one JSON line.

#include "FloodPeer.h"
#include "MatrixSimulator.h"
#include "firmware/FirmwarePartHeader.h"
#include "firmware/FirmwareTransfer.h"
#include "link/LinkTiming.h"
#include "link/LinkWait.h"
#include "link/TSCOMControl.h"
#include "protocol/Requests.h"
#include "shell/StatusBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {

// Watches the event loop: a 5 ms timer whose worst lateness is kept.
class LagProbe {
public:
    LagProbe() {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const qint64 now = FClock.nsecsElapsed();
            FWorst = std::max(FWorst, (now - FLast) / 1e6 - 5.0);
            FLast = now;
        });
    }
    void start() {
        FClock.start();
        FLast = 0;
        FTimer.start();
    }
    void stop() { FTimer.stop(); }
    double worst() const { return FWorst; }

private:
    QTimer FTimer;
    QElapsedTimer FClock;
    qint64 FLast = 0;
    double FWorst = 0;
};

constexpr int SerialBytes = 16 * 1024;
constexpr int Baud = 57600;

double MeasureTcp(QString *error) {
    SimOptions options;
    options.tcp = true;
    options.pty = false;
    options.processingDelayMs = 0;
    MatrixSimulator sim(options);
    if (!sim.start(error))
        return -1;
    TTSCOMControl engine;
    engine.setControlMode(cmLAN);
    engine.setDeviceIP(QStringLiteral("127.0.0.1"));
    engine.setTcpPort(sim.tcpPort());
    if (!engine.Connect()) {
        *error = QStringLiteral("connect: ") + engine.LastLinkError();
        return -1;
    }
    const Frame query = Requests::firmwareVersion();
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

double MeasureSerial(QString *error, LagProbe *probe = nullptr) {
    SimOptions options;
    options.tcp = false;
    options.pty = true;
    options.pace = true;
    options.baud = Baud;
    MatrixSimulator sim(options);
    if (!sim.start(error))
        return -1;
    TTSCOMControl engine;
    engine.setControlMode(cmCOM);
    engine.setComPort(sim.ptyPath());
    if (!engine.Connect()) {
        *error = QStringLiteral("open: ") + engine.LastLinkError();
        return -1;
    }
    TReplyRecord reply;
    engine.Transact(Requests::edidPrelude(), reply);
    if (!reply.ok()) {
        *error = QStringLiteral("prelude failed");
        return -1;
    }
    QByteArray data(SerialBytes, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    QElapsedTimer clock;
    clock.start();
    if (probe)
        probe->start();
    engine.WriteBlocks(Requests::edidDownload(Requests::EdidAddressUserMemory(1), false), data,
                       reply);
    if (probe)
        probe->stop();
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

constexpr int UploadBytes = 64 * 1024;

// A 64 KiB sub-MCU part uploaded over the paced pseudo-terminal: the time its
// bytes need on the wire (both ways, 10 bits a byte) over the time it took.
double MeasureSerialUpload(QString *error) {
    SimOptions options;
    options.tcp = false;
    options.pty = true;
    options.pace = true;
    options.baud = Baud;
    options.edidDir = QStringLiteral("-");
    MatrixSimulator sim(options);
    if (!sim.start(error))
        return -1;
    TTSCOMControl engine;
    FirmwareTransfer firmware(&engine);
    engine.setControlMode(cmCOM);
    engine.setComPort(sim.ptyPath());
    if (!engine.Connect()) {
        *error = QStringLiteral("open: ") + engine.LastLinkError();
        return -1;
    }
    QByteArray image(UploadBytes, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>((i * 13 + 5) & 0xFF);
    const FirmwarePartHeader header = BuildPartHeader(PartClassSub, McuKindInputCard, 1, 1, 0,
                                                      static_cast<uint32_t>(image.size()));
    long wireBytes = 0;
    QObject::connect(&engine, &TTSCOMControl::diagnostic, [&](LinkMessage kind, const QString &n) {
        if (kind == WM_LINK_RXCOUNT)
            wireBytes += n.toLong();
    });
    TReplyRecord reply;
    QElapsedTimer clock;
    clock.start();
    firmware.UploadPart(header.UploadFrame(), image, reply);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!reply.ok() || firmware.PartRefused()) {
        *error = QStringLiteral("upload failed");
        return -1;
    }
    engine.Disconnect();
    sim.stop();
    // Sent: the starting frame and one packet of 14 + n bytes per block;
    // received: every byte the link delivered (the answers).
    const int blocks = (UploadBytes + 255) / 256;
    wireBytes += FrameSize + long(blocks) * 14 + UploadBytes;
    return wireBytes * 10.0 / Baud / seconds;
}

// The worst lateness of a 5 ms timer while a command waits 600 ms for its
// reply, while an alert blinks and while a 16 KiB paced serial write runs.
double MeasureLag(QString *error) {
    LagProbe probe;
    {
        SimOptions options;
        options.tcp = true;
        options.pty = false;
        options.processingDelayMs = 600;
        MatrixSimulator sim(options);
        if (!sim.start(error))
            return -1;
        TTSCOMControl engine;
        engine.setControlMode(cmLAN);
        engine.setDeviceIP(QStringLiteral("127.0.0.1"));
        engine.setTcpPort(sim.tcpPort());
        if (!engine.Connect()) {
            *error = QStringLiteral("connect: ") + engine.LastLinkError();
            return -1;
        }
        TReplyRecord reply;
        probe.start();
        engine.Transact(Requests::firmwareVersion(), reply);
        probe.stop();
        if (!reply.ok()) {
            *error = QStringLiteral("held-back command failed");
            return -1;
        }
    }
    {
        TStatusBar bar;
        bar.show();
        probe.start();
        bar.ShowStatus(2, QStringLiteral("Time out!"), true);
        // The blink runs on: six phases of the blink pause.
        LinkWait::pause(7 * LinkTiming::current().blinkPauseMs);
        probe.stop();
    }
    if (MeasureSerial(error, &probe) < 0)
        return -1;
    return probe.worst();
}

// The worst lateness of a 5 ms timer while a peer floods an idle TCP link
// with a megabyte of garbage a second for two seconds.
double MeasureFloodLag(QString *error) {
    FloodPeer peer(1024 * 1024, 2000);
    TTSCOMControl engine;
    engine.setDeviceIP(QStringLiteral("127.0.0.1"));
    engine.setTcpPort(peer.port());
    if (!engine.Connect()) {
        *error = QStringLiteral("connect: ") + engine.LastLinkError();
        return -1;
    }
    LagProbe probe;
    probe.start();
    LinkWait::until(10000, [&] { return peer.done(); });
    probe.stop();
    return probe.worst();
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QString error;
    QJsonObject out;
    const auto record = [&](const char *key, double value) {
        if (value < 0) {
            std::fprintf(stderr, "link_bench: %s: %s\n", key, qPrintable(error));
            out.insert(QLatin1String(key), QJsonValue());
            return false;
        }
        // Efficiencies to 0.0001, rates and milliseconds to 0.1.
        const double scale = QByteArray(key).contains("efficiency") ? 10000.0 : 10.0;
        out.insert(QLatin1String(key), std::round(value * scale) / scale);
        return true;
    };
    bool ok = true;
    ok &= record("tcp_transacts_per_s", MeasureTcp(&error));
    ok &= record("serial_write_efficiency", MeasureSerial(&error));
    ok &= record("serial_upload_efficiency", MeasureSerialUpload(&error));
    ok &= record("max_event_loop_lag_ms", MeasureLag(&error));
    ok &= record("flood_event_loop_lag_ms", MeasureFloodLag(&error));
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return ok ? 0 : 1;
}
