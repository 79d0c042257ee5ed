#pragma once
// Test helpers of the LAN module tests: a recorder of the engine's
// notifications and a scripted peer on a real pseudo-terminal.

#include "link/LinkMessages.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

struct RecordedMessage {
    int message;
    uint32_t wParam;
    int32_t lParam;
    QString text;
};

class RecordingListener {
public:
    void linkMessage(int message, uint32_t wParam, int32_t lParam, const QString &text) {
        Messages.append({message, wParam, lParam, text});
        if (OnMessage)
            OnMessage(message, lParam, text);
    }
    int count(int message) const {
        int n = 0;
        for (const RecordedMessage &m : Messages)
            n += m.message == message;
        return n;
    }
    QStringList texts(int message) const {
        QStringList out;
        for (const RecordedMessage &m : Messages)
            if (m.message == message)
                out << m.text;
        return out;
    }
    QList<RecordedMessage> Messages;
    std::function<void(int, int32_t, const QString &)> OnMessage;
};

// The far end of a pseudo-terminal that collects requests of a fixed size and
// answers each one with what the script returns (nothing: no answer).
class PtyPeer {
public:
    using Script = std::function<QByteArray(const QByteArray &request, int index)>;

    PtyPeer(int requestSize, Script script) : FSize(requestSize), FScript(std::move(script)) {}
    ~PtyPeer() { stop(); }

    bool start() {
        char name[256] = {};
        if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0)
            return false;
        termios tio{};
        ::tcgetattr(FSlave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(FSlave, TCSANOW, &tio);
        FPath = QString::fromLocal8Bit(name);
        FRunning = true;
        FThread = std::thread([this] { run(); });
        return true;
    }

    void stop() {
        if (FRunning.exchange(false) && FThread.joinable())
            FThread.join();
        if (FMaster >= 0)
            ::close(FMaster);
        if (FSlave >= 0)
            ::close(FSlave);
        FMaster = FSlave = -1;
    }

    QString path() const { return FPath; }
    QList<QByteArray> requests() const {
        QMutexLocker lock(&FMutex);
        return FRequests;
    }

private:
    void run() {
        QByteArray pending;
        while (FRunning) {
            pollfd pfd{FMaster, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN))
                continue;
            char buf[512];
            const ssize_t n = ::read(FMaster, buf, sizeof buf);
            if (n <= 0)
                continue;
            pending.append(buf, static_cast<int>(n));
            while (pending.size() >= FSize) {
                const QByteArray request = pending.left(FSize);
                pending.remove(0, FSize);
                int index;
                {
                    QMutexLocker lock(&FMutex);
                    index = static_cast<int>(FRequests.size());
                    FRequests.append(request);
                }
                const QByteArray reply = FScript(request, index);
                if (!reply.isEmpty())
                    (void)!::write(FMaster, reply.constData(), static_cast<size_t>(reply.size()));
            }
        }
    }

    int FSize;
    Script FScript;
    int FMaster = -1;
    int FSlave = -1;
    QString FPath;
    std::atomic<bool> FRunning{false};
    std::thread FThread;
    mutable QMutex FMutex;
    QList<QByteArray> FRequests;
};
