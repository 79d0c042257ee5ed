// The simulator's transports: TCP on 127.0.0.1 and a pseudo-terminal, talked
// to by raw clients (blocking calls on the test thread, no event loop).

#include "MatrixSimulator.h"
#include "protocol/Frames.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray frame(uint8_t cmd, uint8_t sub, uint16_t p1 = 0, uint16_t p2 = 0, uint16_t p3 = 0,
                 uint16_t p4 = 0) {
    return Frame::make(cmd, sub, p1, p2, p3, p4).toBytes();
}

const uint8_t *u8(const QByteArray &b) {
    return reinterpret_cast<const uint8_t *>(b.constData());
}

// Reads until `size` bytes came or `ms` passed.
QByteArray readTcp(QTcpSocket &socket, int size, int ms = 3000) {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < size && t.elapsed() < ms) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(ms - t.elapsed())))
            break;
        got += socket.read(size - got.size());
    }
    return got;
}

// A raw serial client on the pseudo-terminal's slave side.
class PtyClient {
public:
    explicit PtyClient(const QString &path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios t;
            tcgetattr(m_fd, &t);
            cfmakeraw(&t);
            tcsetattr(m_fd, TCSANOW, &t);
            tcflush(m_fd, TCIOFLUSH);
        }
    }
    ~PtyClient() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes) {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    QByteArray read(int size, int ms = 3000) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < size && t.elapsed() < ms) {
            pollfd p = {m_fd, POLLIN, 0};
            if (poll(&p, 1, int(ms - t.elapsed())) <= 0)
                break;
            char buffer[512];
            const ssize_t n = ::read(m_fd, buffer, size_t(std::min<int>(512, size - got.size())));
            if (n <= 0)
                break;
            got.append(buffer, int(n));
        }
        return got;
    }

private:
    int m_fd = -1;
};

// Connects to 127.0.0.1:port, sends `bytes` and resets the connection
// (SO_LINGER 0, then close): the server sees a reset, not an orderly close.
bool sendAndReset(quint16 port, const QByteArray &bytes) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0 &&
              ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    const linger reset = {1, 0};
    ok = ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset) == 0 && ok;
    ::close(fd);
    return ok;
}

SimOptions tcpOnly() {
    SimOptions o;
    o.edidDir = QStringLiteral("-");
    return o;
}

SimOptions ptyOnly(int baud = 57600) {
    SimOptions o;
    o.tcp = false;
    o.pty = true;
    o.baud = baud;
    o.edidDir = QStringLiteral("-");
    return o;
}

} // namespace

class TestSimTransport : public QObject {
    Q_OBJECT

private slots:
    void tcpRoundTripsAndSessions() {
        MatrixSimulator sim(tcpOnly());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QVERIFY(sim.tcpPort() != 0);
        QVERIFY(sim.ptyPath().isEmpty());

        QTcpSocket a, b;
        a.connectToHost(QStringLiteral("127.0.0.1"), sim.tcpPort());
        b.connectToHost(QStringLiteral("127.0.0.1"), sim.tcpPort());
        QVERIFY(a.waitForConnected(3000));
        QVERIFY(b.waitForConnected(3000));

        // A frame written in two pieces is answered once, with the echo.
        const QByteArray probe = frame(0x01, 3, 0xFE);
        a.write(probe.left(5));
        a.waitForBytesWritten(1000);
        QTest::qSleep(20);
        a.write(probe.mid(5));
        QByteArray reply = readTcp(a, 13);
        QCOMPARE(reply.size(), 13);
        QVERIFY(ReplyAccepted(u8(reply), u8(probe)));
        QCOMPARE(u8(reply)[4], uint8_t(2));

        // Client A starts a download; client B's commands do not disturb it.
        sim.withState([](MatrixState &s) { s.userEdid[0] = QByteArray(256, 'x'); });
        const Frame start = Frame::make(0x03, 7, 0xF100);
        a.write(start.toBytes());
        QCOMPARE(uint8_t(readTcp(a, 13).at(4)), StatusMore);
        b.write(frame(0x01, 1, 0xFE));
        QCOMPARE(readTcp(b, 13).size(), 13);
        const QByteArray data = MatrixState::builtInEdid(7);
        a.write(BuildHostPacket(PacketKind::EdidDownload, start, u8(data), 256, 0));
        QCOMPARE(uint8_t(readTcp(a, 13).at(4)), StatusOK);
        QByteArray stored;
        sim.withState([&](MatrixState &s) { stored = s.userEdid[0]; });
        QCOMPARE(stored, data);
        QCOMPARE(sim.clientCount(), 2);

        // The frame log holds every frame and packet, in order.
        const QList<QByteArray> log = sim.frameLog();
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[0], probe);
        QCOMPARE(log[3].size(), PacketWireSize);
        sim.clearFrameLog();
        QVERIFY(sim.frameLog().isEmpty());

        // "Close connection" drops the client instead of answering; a new
        // client is served as before.
        sim.queueFault(FaultKind::CloseConnection);
        a.write(probe);
        QVERIFY(readTcp(a, 13, 1000).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(a.state(), QAbstractSocket::UnconnectedState, 3000);
        QTcpSocket c;
        c.connectToHost(QStringLiteral("127.0.0.1"), sim.tcpPort());
        QVERIFY(c.waitForConnected(3000));
        c.write(probe);
        QCOMPARE(readTcp(c, 13).size(), 13);

        // Stopping with clients connected closes them.
        sim.stop();
        QTRY_COMPARE_WITH_TIMEOUT(c.state(), QAbstractSocket::UnconnectedState, 3000);
    }

    void tcpDelaysAndPieces() {
        MatrixSimulator sim(tcpOnly());
        QVERIFY(sim.start());
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), sim.tcpPort());
        QVERIFY(s.waitForConnected(3000));
        const QByteArray probe = frame(0x01, 1, 0xFE);
        s.write(probe);
        const QByteArray clean = readTcp(s, 13);
        QCOMPARE(clean.size(), 13);

        // Processing delay and a held reply: not before their time.
        QElapsedTimer t;
        sim.setProcessingDelay(60);
        t.start();
        s.write(probe);
        QCOMPARE(readTcp(s, 13), clean);
        QVERIFY(t.elapsed() >= 55);
        sim.setProcessingDelay(0);
        FaultSettings f;
        f.delayMs = 80;
        f.splitGapMs = 30;
        sim.setFaults(f);
        sim.queueFault(FaultKind::DelayReply);
        t.restart();
        s.write(probe);
        QCOMPARE(readTcp(s, 13), clean);
        QVERIFY(t.elapsed() >= 75);

        // A split reply comes in pieces with gaps, and joins to the reply.
        sim.queueFault(FaultKind::SplitReply);
        s.write(probe);
        QVERIFY(s.waitForReadyRead(3000));
        const QByteArray first = s.readAll();
        QVERIFY(first.size() < 13);
        QCOMPARE(first + readTcp(s, 13 - int(first.size())), clean);
        // Stray bytes follow the reply.
        sim.queueFault(FaultKind::StrayBytes);
        s.write(probe);
        QCOMPARE(readTcp(s, 13), clean);
        QVERIFY(!readTcp(s, 1, 500).isEmpty());
    }

    void tcpClientsResettingAfterAFrame() {
        // Clients that send a frame and reset at once: the reply meets a dead
        // connection. Every other one resets while the device is held busy,
        // so that the reset is there before the reply is written.
        MatrixSimulator sim(tcpOnly());
        QVERIFY(sim.start());
        const QByteArray probe = frame(0x01, 3, 0xFE);
        for (int i = 0; i < 40; ++i) {
            bool sent = false;
            if (i % 2)
                sim.withState([&](MatrixState &) { sent = sendAndReset(sim.tcpPort(), probe); });
            else
                sent = sendAndReset(sim.tcpPort(), probe);
            QVERIFY2(sent, qPrintable(QStringLiteral("client %1: %2").arg(i).arg(strerror(errno))));
        }
        // A split reply (pieces sent from the timer) to a client that resets.
        FaultSettings f;
        f.splitGapMs = 5;
        sim.setFaults(f);
        sim.queueFault(FaultKind::SplitReply, 4);
        for (int i = 0; i < 4; ++i)
            QVERIFY(sendAndReset(sim.tcpPort(), probe));

        // Every reset client is forgotten; a new client is served.
        QTRY_COMPARE_WITH_TIMEOUT(sim.clientCount(), 0, 3000);
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), sim.tcpPort());
        QVERIFY(s.waitForConnected(3000));
        s.write(probe);
        const QByteArray reply = readTcp(s, 13);
        QCOMPARE(reply.size(), 13);
        QVERIFY(ReplyAccepted(u8(reply), u8(probe)));
        QCOMPARE(sim.clientCount(), 1);
        QCOMPARE(sim.frameLog().size(), 45);
    }

    void ptyRoundTripAndLink() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("matrix"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link)); // an old link is replaced
        SimOptions o = ptyOnly();
        o.ptyLink = link;
        {
            MatrixSimulator sim(o);
            QString error;
            QVERIFY2(sim.start(&error), qPrintable(error));
            QVERIFY(sim.ptyPath().startsWith(QLatin1String("/dev/pts/")));
            QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());
            QCOMPARE(sim.tcpPort(), quint16(0));

            // Several clients over time.
            for (int client = 0; client < 2; ++client) {
                PtyClient pty(link);
                QVERIFY(pty.ok());
                const QByteArray probe = frame(0x01, 2, 0xFE);
                QVERIFY(pty.write(probe));
                const QByteArray reply = pty.read(13);
                QCOMPARE(reply.size(), 13);
                QVERIFY(ReplyAccepted(u8(reply), u8(probe)));
            }
            // LDCD is answered here (the module listens on the serial port).
            QByteArray ldcd(32, '\0');
            std::memcpy(ldcd.data(), ModuleInfo::LdcdSignature, 16);
            ldcd[16] = 1;
            ldcd[30] = char(0xFF);
            ldcd[31] = char(ModuleInfo::ldcdChecksum(ldcd));
            PtyClient pty(link);
            QVERIFY(pty.write(ldcd));
            const QByteArray reply = pty.read(32);
            QCOMPARE(reply.size(), 32);
            QCOMPARE(reply.left(16), ldcd.left(16));
        }
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());

        // Something that is not a link is never replaced.
        QFile plain(link);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        MatrixSimulator refused(o);
        QString error;
        QVERIFY(!refused.start(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(link).isFile());
    }

    void ptyPacesTheLine() {
        // At 57600 baud a byte takes 173.6 us on the wire: 13 request bytes plus
        // a 270-byte packet need 49 ms, a 270-byte download packet plus its
        // acknowledgement the same. Only lower bounds are checked.
        MatrixSimulator sim(ptyOnly());
        QVERIFY(sim.start());
        PtyClient pty(sim.ptyPath());
        QVERIFY(pty.ok());
        const QByteArray start = frame(0x03, 5, 0xF001);
        QVERIFY(pty.write(start));
        QCOMPARE(pty.read(13).size(), 13);
        QElapsedTimer t;
        t.start();
        QVERIFY(pty.write(BlockReadRequest(Frame::fromBytes(u8(start)), RequestFirst).toBytes()));
        const QByteArray packet = pty.read(PacketWireSize);
        const qint64 readMs = t.elapsed();
        QCOMPARE(packet.size(), PacketWireSize);
        QVERIFY2(readMs >= 45, qPrintable(QString::number(readMs)));

        const Frame down = Frame::make(0x03, 7, 0xF100);
        QVERIFY(pty.write(down.toBytes()));
        QCOMPARE(uint8_t(pty.read(13).at(4)), StatusMore);
        const QByteArray data = MatrixState::builtInEdid(5);
        t.restart();
        QVERIFY(pty.write(BuildHostPacket(PacketKind::EdidDownload, down, u8(data), 256, 0)));
        const QByteArray ack = pty.read(13);
        const qint64 writeMs = t.elapsed();
        QCOMPARE(uint8_t(ack.at(4)), StatusOK);
        QVERIFY2(writeMs >= 45, qPrintable(QString::number(writeMs)));

        // A slower line: 26 bytes at 9600 baud take 27 ms.
        MatrixSimulator slow(ptyOnly(9600));
        QVERIFY(slow.start());
        PtyClient slowPty(slow.ptyPath());
        t.restart();
        QVERIFY(slowPty.write(frame(0x01, 1, 0xFE)));
        QCOMPARE(slowPty.read(13).size(), 13);
        QVERIFY2(t.elapsed() >= 24, qPrintable(QString::number(t.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestSimTransport)
#include "tst_simtransport.moc"
