#include "lanmodule/IcmpPing.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint8_t IcmpEchoReply = 0;
constexpr uint8_t IcmpEchoRequest = 8;
constexpr int IcmpHeaderSize = 8;

uint16_t inetChecksum(const uint8_t *data, int length) {
    uint32_t sum = 0;
    for (int i = 0; i + 1 < length; i += 2)
        sum += static_cast<uint32_t>((data[i] << 8) | data[i + 1]);
    if (length & 1)
        sum += static_cast<uint32_t>(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

class FdGuard {
public:
    explicit FdGuard(int fd) : FFd(fd) {}
    ~FdGuard() {
        if (FFd >= 0)
            ::close(FFd);
    }
    FdGuard(const FdGuard &) = delete;
    FdGuard &operator=(const FdGuard &) = delete;

private:
    int FFd;
};

} // namespace

int IcmpPing::openSocket() {
    FLastMethod = Method::Auto;
    if (UseMethod != Method::Raw) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0) {
            FLastMethod = Method::Datagram;
            return fd;
        }
        FLastError = QStringLiteral("ping socket: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        if (UseMethod == Method::Datagram)
            return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd >= 0) {
        FLastError.clear();
        FLastMethod = Method::Raw;
        return fd;
    }
    FLastError = QStringLiteral("raw ICMP socket: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    return -1;
}

bool IcmpPing::ping(const QString &address) {
    FLastError.clear();
    FRequestsSent = 0;
    in_addr target{};
    if (::inet_pton(AF_INET, address.trimmed().toLatin1().constData(), &target) != 1 ||
        target.s_addr == htonl(INADDR_ANY)) {
        FLastError = QStringLiteral("not an IPv4 address: %1").arg(address);
        return false;
    }
    const int fd = openSocket();
    if (fd < 0)
        return false;
    FdGuard guard(fd);

    // A datagram ping socket gets its identifier from the system.
    const uint16_t id =
        static_cast<uint16_t>((::getpid() ^ reinterpret_cast<quintptr>(this)) & 0xFFFF);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = target;

    for (int attempt = 0; attempt < Tries; ++attempt) {
        const uint16_t seq = ++FSequence;
        uint8_t packet[IcmpHeaderSize + PayloadSize];
        std::memset(packet, '#', sizeof packet);
        packet[0] = IcmpEchoRequest;
        packet[1] = 0;
        packet[2] = packet[3] = 0;
        packet[4] = static_cast<uint8_t>(id >> 8);
        packet[5] = static_cast<uint8_t>(id & 0xFF);
        packet[6] = static_cast<uint8_t>(seq >> 8);
        packet[7] = static_cast<uint8_t>(seq & 0xFF);
        const uint16_t sum = inetChecksum(packet, sizeof packet);
        packet[2] = static_cast<uint8_t>(sum >> 8);
        packet[3] = static_cast<uint8_t>(sum & 0xFF);

        const ssize_t sent = ::sendto(fd, packet, sizeof packet, 0,
                                      reinterpret_cast<const sockaddr *>(&to), sizeof to);
        if (sent != static_cast<ssize_t>(sizeof packet)) {
            // Unreachable right away: this try is lost, the next one may fare better.
            FLastError = QStringLiteral("send: %1").arg(QString::fromLocal8Bit(strerror(errno)));
            continue;
        }
        ++FRequestsSent;
        if (awaitReply(fd, target.s_addr, id, seq))
            return true;
    }
    return false;
}

bool IcmpPing::awaitReply(int fd, uint32_t target, uint16_t id, uint16_t seq) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = TimeoutMs - clock.elapsed();
        if (left <= 0)
            return false;
        pollfd pfd{fd, POLLIN, 0};
        const int slice = Pump ? static_cast<int>(qMin<qint64>(left, 10)) : static_cast<int>(left);
        const int ready = ::poll(&pfd, 1, slice);
        if (ready > 0) {
            for (;;) {
                uint8_t buf[1500];
                sockaddr_in from{};
                socklen_t fromLen = sizeof from;
                const ssize_t n = ::recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr *>(&from), &fromLen);
                if (n < 0) {
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                        // A pending socket error: take it so that poll blocks again.
                        int err = 0;
                        socklen_t len = sizeof err;
                        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
                    }
                    break;
                }
                if (from.sin_addr.s_addr != target)
                    continue;
                const uint8_t *icmp = buf;
                ssize_t icmpLen = n;
                const bool raw = FLastMethod == Method::Raw;
                if (raw) {
                    if (n < 20)
                        continue;
                    const int ihl = (buf[0] & 0x0F) * 4;
                    if (ihl < 20 || n < ihl)
                        continue;
                    icmp = buf + ihl;
                    icmpLen = n - ihl;
                }
                if (icmpLen < IcmpHeaderSize || icmp[0] != IcmpEchoReply || icmp[1] != 0)
                    continue;
                const uint16_t replyId = static_cast<uint16_t>((icmp[4] << 8) | icmp[5]);
                const uint16_t replySeq = static_cast<uint16_t>((icmp[6] << 8) | icmp[7]);
                if (replySeq != seq || (raw && replyId != id))
                    continue;
                if (icmpLen - IcmpHeaderSize != PayloadSize)
                    continue;
                return true;
            }
        } else if (ready < 0 && errno != EINTR) {
            FLastError = QStringLiteral("poll: %1").arg(QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        if (Pump)
            Pump();
    }
}
