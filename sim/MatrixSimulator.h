#pragma once
// The matrix simulator facade: the device model behind a TCP server and/or a
// pseudo-terminal, running in a thread of its own so that a test or a tool in
// the same process can talk to it with blocking or event-pumping code.
// Every public method is thread-safe.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

struct SimOptions {
    bool tcp = true;
    QString tcpHost = QStringLiteral("127.0.0.1");
    quint16 tcpPort = 0; // 0: any free port (see tcpPort())
    bool pty = false;
    QString ptyLink;     // optional symlink to the pseudo-terminal's path
    int baud = 57600;    // pacing on the pseudo-terminal, 8N1 (10 bits a byte)
    bool pace = true;
    int processingDelayMs = 0; // per command
    quint32 seed = 1;
    QString edidDir; // outputs preloaded from the *.bin files here (sorted); empty: built-in EDID
};

enum class FaultKind {
    None,
    DropReply,       // swallow the reply
    CorruptChecksum, // flip the frame checksum of the reply
    StatusFF,        // answer with status 0xFF
    WrongEcho,       // answer with another command's echo
    SplitReply,      // deliver the reply in several pieces
    StrayBytes,      // append stray bytes after the reply
    DelayReply,      // hold the reply for FaultSettings::delayMs
    CloseConnection, // close the TCP connection (pty: hang up) instead of answering
    CorruptBlock,    // block read: corrupt the block checksum of a data packet
};

struct FaultSettings {
    // Probability (0..1) that a reply gets a random fault from `kinds`.
    double rate = 0.0;
    QList<FaultKind> kinds;
    int delayMs = 0;
};

class MatrixState;  // the device's state (power, options, EDIDs, ...)

class MatrixSimulator {
public:
    explicit MatrixSimulator(const SimOptions &options = SimOptions());
    ~MatrixSimulator();

    bool start(QString *error = nullptr);
    void stop();

    quint16 tcpPort() const;
    QString ptyPath() const;

    // Read or change the device state under the simulator's lock.
    void withState(const std::function<void(MatrixState &)> &fn);

    void setFaults(const FaultSettings &faults);
    // The next `count` replies get this fault (before any random ones).
    void queueFault(FaultKind kind, int count = 1);

    // Every frame the device received (13-byte commands and data packets), in order.
    QList<QByteArray> frameLog() const;
    void clearFrameLog();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
