#pragma once
// A TCP peer on a thread of its own, on 127.0.0.1, that floods the one
// connection it accepts with garbage: for tests and the link benchmark.

#include <QByteArray>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A peer on another thread that accepts one connection and writes `rate`
// bytes of garbage a second to it for `ms` milliseconds.
class FloodPeer {
public:
    FloodPeer(int rate, int ms) : FRate(rate), FMs(ms) {
        FListen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FListen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(FListen, 1);
        socklen_t len = sizeof a;
        ::getsockname(FListen, reinterpret_cast<sockaddr *>(&a), &len);
        FPort = ntohs(a.sin_port);
        FThread = std::thread([this] { run(); });
    }
    ~FloodPeer() {
        FStop = true;
        ::shutdown(FListen, SHUT_RDWR);
        FThread.join();
        ::close(FListen);
    }
    quint16 port() const { return FPort; }
    long long sent() const { return FSent; }
    bool done() const { return FDone; }

private:
    void run() {
        const int fd = ::accept(FListen, nullptr, nullptr);
        if (fd < 0) {
            FDone = true;
            return;
        }
        QByteArray chunk(FRate / 100, '\0');
        uint32_t x = 0x2545F491u;
        for (char &c : chunk) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        QElapsedTimer clock;
        clock.start();
        // One chunk every 10 ms.
        for (int i = 0; !FStop && clock.elapsed() < FMs; ++i) {
            const ssize_t n = ::send(fd, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            FSent += n;
            const qint64 due = (i + 1) * 10;
            while (!FStop && clock.elapsed() < due)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(fd);
        FDone = true;
    }

    int FRate;
    int FMs;
    int FListen = -1;
    quint16 FPort = 0;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FDone{false};
    std::atomic<long long> FSent{0};
};
