#pragma once
// Two private network namespaces joined by a veth pair, for tests that send
// broadcasts, configure addresses or ping: the tool's side in one, the
// simulated devices in the other. Nothing of it lives in the host's own
// namespace.
//
// The namespaces are held only by open descriptors of this process (and by
// the threads and sockets created inside them), so they disappear when the
// test ends, however it ends; no named namespace is left behind.
//
// A thread enters a namespace with a Scope. Sockets stay in the namespace
// they were created in; threads started inside a Scope inherit the namespace,
// so a server started there keeps answering from it.

#include <QString>
#include <QStringList>

class NetnsPair {
public:
    enum Side { Tool = 0, Devices = 1 };

    struct Options {
        QString toolAddress = QStringLiteral("10.77.0.1");
        QStringList deviceAddresses = {QStringLiteral("10.77.0.2")};
        int prefixLength = 24;
        // A default route on the tool's side, so that limited broadcasts
        // (255.255.255.255) and off-subnet destinations leave through the veth.
        bool defaultRoute = true;
        // net.ipv4.ping_group_range on the tool's side; empty keeps the default.
        QString toolPingGroupRange;
    };

    NetnsPair() = default;
    ~NetnsPair() { tearDown(); }
    NetnsPair(const NetnsPair &) = delete;
    NetnsPair &operator=(const NetnsPair &) = delete;

    // Must be called from a thread in the host namespace. False (with the
    // reason) when namespaces cannot be made here; the caller skips.
    bool setUp(const Options &options, QString *why);
    void tearDown();
    bool isUp() const { return FFd[Tool] >= 0 && FFd[Devices] >= 0; }
    const Options &options() const { return FOptions; }

    // Run a program inside a side's namespace; returns its exit code (-1 when
    // it could not run). Output and errors go to *output.
    int run(Side side, const QStringList &argv, QString *output = nullptr) const;
    // The ip program with `args` inside a side's namespace.
    int ip(Side side, const QStringList &args, QString *output = nullptr) const {
        return run(side, QStringList{FIp} + args, output);
    }
    bool setPingGroupRange(Side side, const QString &range) const;
    QString pingGroupRange(Side side) const;

    // True when the calling thread is inside one of the two namespaces.
    bool callerInside(Side side) const;
    // True when the calling thread is in the namespace setUp was called from.
    bool callerInHost() const;

    class Scope {
    public:
        Scope(const NetnsPair &pair, Side side);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
        bool ok() const { return FOk; }

    private:
        int FPrevious = -1;
        bool FOk = false;
    };

private:
    bool runOrFail(Side side, const QStringList &argv, QString *why) const;

    Options FOptions;
    QString FIp; // the ip program
    int FHostFd = -1;
    unsigned long FHostInode = 0;
    int FFd[2] = {-1, -1};
    unsigned long FInode[2] = {0, 0};
};
