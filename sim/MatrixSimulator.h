#pragma once
// The matrix simulator facade: the device model behind a TCP server and/or a
// pseudo-terminal, running in a thread of its own so that a test or a tool in
// the same process can talk to it with blocking or event-pumping code.
// Every public method is thread-safe.

#include "MatrixState.h"
#include "SimTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class MatrixDevice;

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
    // The same for the whole device model (faults applied so far, clock, ...).
    void withDevice(const std::function<void(MatrixDevice &)> &fn);

    void setProcessingDelay(int ms);
    // Closes every TCP client (the device forgets their sessions).
    void closeClients();
    int clientCount() const;
    const SimOptions &options() const;

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
