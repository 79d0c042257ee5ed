#pragma once
// ICMP echo to one IPv4 address: the subnet check of discovered modules.
// One echo request carries 32 "#" bytes; a try waits up to TimeoutMs; at most
// Tries tries, stopping at the first reply. A reply counts only when it comes
// from the target and carries 32 data bytes. Uses the unprivileged datagram
// ping socket where the system allows it, a raw ICMP socket otherwise.

#include <QString>
#include <functional>

class IcmpPing {
public:
    static constexpr int PayloadSize = 32;

    enum class Method { Auto, Datagram, Raw };

    int TimeoutMs = 3000;
    int Tries = 3;
    Method UseMethod = Method::Auto;
    // Called between waits of at most 10 ms while a reply is awaited, so that
    // a window stays responsive. Without it the wait blocks.
    std::function<void()> Pump;

    // True when the target answered one of the tries.
    bool ping(const QString &address);

    // The socket kind the last ping used (Auto when none could be opened).
    Method lastMethod() const { return FLastMethod; }
    // Why the last ping could not send, or empty.
    QString lastError() const { return FLastError; }
    // Echo requests sent by the last ping.
    int requestsSent() const { return FRequestsSent; }

private:
    int openSocket();
    bool awaitReply(int fd, uint32_t target, uint16_t id, uint16_t seq);

    Method FLastMethod = Method::Auto;
    QString FLastError;
    int FRequestsSent = 0;
    uint16_t FSequence = 0;
};
