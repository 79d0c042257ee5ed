#pragma once
// Simulated TCP control modules on UDP: discovery requests on one port are
// answered with the 55-byte record of every module addressed, configuration
// records on the other port by the module whose MAC they carry.
//
// Off unless started. It binds where it is told (loopback by default) and
// answers each request to its sender; it broadcasts only when replyBroadcast
// is set, which belongs inside a network namespace of a test's own.
// Every public method is thread-safe; the sockets live in a thread of their own.

#include "ModuleInfo.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class MatrixSimulator;

struct ModuleSimOptions {
    QHostAddress bindAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 discoveryPort = 30600;
    quint16 configPort = 30601;
    bool replyBroadcast = false; // answer to 255.255.255.255 instead of the sender
    bool packRecords = false;    // all discovery records in one datagram
    int replyDelayMs = 0;
};

// One datagram a module received.
struct ModuleRequest {
    quint16 port = 0; // the local port it arrived on
    QHostAddress sender;
    quint16 senderPort = 0;
    QHostAddress destination;
    QByteArray bytes;
};

class ModuleSim {
public:
    explicit ModuleSim(const ModuleSimOptions &options = ModuleSimOptions());
    ~ModuleSim();

    // Modules answer in the order they were added. Returns the module's index.
    int addModule(const ModuleInfo &info);
    // The matrix's own module: its state is the simulator's (so LDCD on the
    // serial port and UDP see the same addresses).
    int addMatrixModule(MatrixSimulator *simulator);
    int moduleCount() const;
    void withModule(int index, const std::function<void(ModuleInfo &)> &fn);
    ModuleInfo module(int index) const;

    bool start(QString *error = nullptr);
    void stop();

    QList<ModuleRequest> requests() const;
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
