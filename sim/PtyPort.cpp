#include "PtyPort.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

qint64 monotonicNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr qint64 MsNs = 1000000;
// Bytes that fall due within this window are handled in one wake-up; the last
// byte of a burst always gets a wake-up of its own, exactly at its deadline.
constexpr qint64 BatchNs = 1000000;

} // namespace

PtyPort::PtyPort(int baud, bool pace, Handler handler)
    : m_baud(baud > 0 ? baud : 57600), m_pace(pace), m_handler(std::move(handler)) {}

PtyPort::~PtyPort() {
    close();
}

qint64 PtyPort::byteNs() const {
    return m_pace ? 10LL * 1000000000LL / m_baud : 0;
}

bool PtyPort::open(const QString &link, QString *error) {
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        close();
        return false;
    };
    char name[256] = {};
    struct termios raw;
    std::memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B57600);
    cfsetospeed(&raw, B57600);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
        return fail(
            QStringLiteral("openpty failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    m_path = QString::fromLocal8Bit(name);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0)
        return fail(QStringLiteral("eventfd failed"));

    if (!link.isEmpty()) {
        const QFileInfo info(link);
        if (info.isSymLink() || !info.exists()) {
            QFile::remove(link);
            if (symlink(name, QFile::encodeName(link).constData()) != 0)
                return fail(QStringLiteral("cannot create the link %1: %2")
                                .arg(link, QString::fromLocal8Bit(strerror(errno))));
            m_link = link;
        } else {
            return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(link));
        }
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void PtyPort::close() {
    if (m_thread.joinable()) {
        m_stop = true;
        const uint64_t one = 1;
        if (write(m_wake, &one, sizeof one) < 0) {
            // The thread also notices m_stop at its next wake-up.
        }
        m_thread.join();
    }
    if (!m_link.isEmpty()) {
        if (QFileInfo(m_link).symLinkTarget() == QFileInfo(m_path).canonicalFilePath() ||
            QFile::symLinkTarget(m_link) == m_path)
            QFile::remove(m_link);
        m_link.clear();
    }
    for (int *fd : {&m_master, &m_slave, &m_wake}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void PtyPort::run() {
    const qint64 perByte = byteNs();
    // Wake-ups as close to the deadlines as the system allows.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    // Received bytes waiting for their wire time: byte i of a chunk is due at
    // start + (i + 1) * perByte.
    struct InChunk {
        QByteArray bytes;
        qint64 start;
        int taken;
    };
    std::deque<InChunk> input;
    qint64 inputLineFree = 0;

    // Reply pieces on their way out: the last byte leaves at start + size * perByte.
    struct OutItem {
        QByteArray bytes;
        qint64 start;
    };
    std::deque<OutItem> output;
    qint64 outputLineFree = 0;

    auto due = [perByte](qint64 start, int size, qint64 now) {
        if (now < start)
            return 0;
        if (perByte == 0)
            return size;
        return int(std::min<qint64>(size, (now - start) / perByte));
    };

    char buffer[4096];
    while (!m_stop) {
        qint64 now = monotonicNs();

        // Bytes whose wire time has passed go to the device.
        QByteArray arrived;
        qint64 arrivedAt = now; // when the last of them finished arriving
        while (!input.empty()) {
            InChunk &c = input.front();
            const int n = due(c.start, int(c.bytes.size()), now);
            if (n > c.taken) {
                arrived += c.bytes.mid(c.taken, n - c.taken);
                c.taken = n;
                if (perByte > 0)
                    arrivedAt = c.start + perByte * n;
            }
            if (c.taken < c.bytes.size())
                break;
            input.pop_front();
        }
        if (!arrived.isEmpty()) {
            const QList<SimOutput> pieces = m_handler(arrived);
            // The device answers from the moment the byte arrived on the line, so
            // a late wake-up of this thread does not stretch the exchange.
            qint64 base = arrivedAt;
            for (const SimOutput &piece : pieces) {
                const qint64 ready = base + qint64(piece.delayMs) * MsNs;
                if (piece.hangUp || piece.bytes.isEmpty()) {
                    base = ready; // a line cannot be hung up; the device has forgotten the session
                    continue;
                }
                const qint64 start = std::max(ready, outputLineFree);
                output.push_back({piece.bytes, start});
                outputLineFree = start + perByte * piece.bytes.size();
                base = outputLineFree;
            }
            now = monotonicNs();
        }

        // A reply piece goes to the host when its last byte would have left the
        // line, in one write: extra bytes after a reply arrive with it, as they
        // would within one delivery of a real port.
        while (!output.empty()) {
            OutItem &o = output.front();
            if (due(o.start, int(o.bytes.size()), now) < o.bytes.size())
                break;
            const ssize_t written = ::write(m_master, o.bytes.constData(), size_t(o.bytes.size()));
            Q_UNUSED(written); // a full line (nobody reading) loses the bytes
            output.pop_front();
        }

        // Sleep until the next byte falls due, new bytes arrive, or close().
        qint64 wake = -1;
        auto consider = [&wake](qint64 t) {
            if (wake < 0 || t < wake)
                wake = t;
        };
        if (!input.empty()) {
            const InChunk &c = input.front();
            const qint64 next = c.start + perByte * (c.taken + 1);
            consider(std::min(next + BatchNs, inputLineFree));
        }
        if (!output.empty())
            consider(output.front().start + perByte * output.front().bytes.size());
        struct pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake, POLLIN, 0}};
        struct timespec timeout;
        struct timespec *timeoutPtr = nullptr;
        if (wake >= 0) {
            const qint64 left = std::max<qint64>(0, wake - monotonicNs());
            timeout.tv_sec = time_t(left / 1000000000LL);
            timeout.tv_nsec = long(left % 1000000000LL);
            timeoutPtr = &timeout;
        }
        const int ready = ppoll(fds, 2, timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN)
            break;
        if (fds[0].revents & POLLIN) {
            const qint64 arrival = monotonicNs();
            for (;;) {
                const ssize_t got = ::read(m_master, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                const qint64 start = std::max(arrival, inputLineFree);
                input.push_back({QByteArray(buffer, int(got)), start, 0});
                inputLineFree = start + perByte * got;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while the slave handle is held; avoid spinning anyway.
            usleep(1000);
        }
    }
}
