// The engine against peers that misbehave on purpose, over real TCP on
// 127.0.0.1: one that answers every block request with yet another block, and
// one that floods the link with garbage.

#include "FloodPeer.h"
#include "LinkTestSupport.h"
#include "link/LinkWait.h"
#include "protocol/Requests.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <unistd.h>

namespace {

// Resident memory of this process, in bytes.
qint64 residentBytes() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

} // namespace

class TestHostilePeer : public QObject {
    Q_OBJECT

private slots:
    void init() { LinkTiming::shrinkForTests(); }

    void blockReadThatNeverEnds() {
        // Every block request is answered with another valid 0xAA block.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        int requests = 0;
        QTcpSocket *peer = nullptr;
        QByteArray pending;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [&] {
                pending += peer->readAll();
                while (pending.size() >= FrameSize) {
                    const Frame request =
                        Frame::fromBytes(reinterpret_cast<const uint8_t *>(pending.constData()));
                    pending.remove(0, FrameSize);
                    ++requests;
                    if (requests == 1) { // the starting command: accepted
                        Frame ok = Frame::make(request.command(), request.subCode(), 0, 256);
                        SealFrame(ok);
                        peer->write(ok.toBytes());
                        continue;
                    }
                    QByteArray packet(PacketWireSize, '\0');
                    Frame head =
                        Frame::make(request.command(), request.subCode(), StatusMore, BlockDataMax);
                    SealFrame(head);
                    std::memcpy(packet.data(), head.b, FrameSize);
                    for (int i = 0; i < BlockDataMax; ++i)
                        packet[FrameSize + 1 + i] = char(i);
                    packet[FrameSize] = char(BlockChecksum(
                        reinterpret_cast<const uint8_t *>(packet.constData()) + FrameSize + 1,
                        BlockDataMax));
                    peer->write(packet);
                }
            });
        });

        LinkRecorder recorder;
        TTSCOMControl e;
        TapEngine(&e, &recorder);
        e.setDeviceIP(QStringLiteral("127.0.0.1"));
        e.setTcpPort(server.serverPort());
        QVERIFY(e.Connect());
        TReplyRecord reply;
        const QByteArray data = e.ReadBlocks(Requests::edidRead(0xF001), reply);
        QCOMPARE(reply.Success, uint8_t(0));
        QCOMPARE(recorder.alerts(), QList<int>{WM_LINK_INVALID});
        QVERIFY(data.size() <= TTSCOMControl::MaxBlockReadBytes);
        // The start, the packets up to the bound and five refused tries.
        QVERIFY2(requests <= 1 + TTSCOMControl::MaxBlockReadPackets + 5,
                 qPrintable(QString::number(requests)));
        QCOMPARE(recorder.count(WM_LINK_DONE), 0);
    }

    void floodDoesNotFreezeOrGrow() {
        // A megabyte a second of garbage for a second and a half while the
        // link is idle: the window thread keeps serving its timers, the bytes
        // are not dumped into the log, and memory stays flat.
        FloodPeer peer(1024 * 1024, 1500);
        LinkRecorder recorder;
        TTSCOMControl e;
        TapEngine(&e, &recorder);
        e.setDeviceIP(QStringLiteral("127.0.0.1"));
        e.setTcpPort(peer.port());
        QVERIFY(e.Connect());
        const qint64 before = residentBytes();

        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QElapsedTimer clock;
        qint64 last = -1;
        qint64 worst = 0;
        connect(&tick, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            if (last >= 0)
                worst = std::max(worst, now - last);
            last = now;
        });
        clock.start();
        tick.start();
        LinkWait::until(10000, [&] { return peer.done(); });
        tick.stop();

        QVERIFY(peer.sent() > 1000 * 1000);
        QVERIFY(recorder.diagnostics > 0); // the bytes did arrive
        int dumps = 0;
        for (const LinkNote &n : recorder.logs)
            dumps += n.message == WM_LINK_DATALOG;
        QCOMPARE(dumps, 0);
        // Generous bounds: the figures themselves are measured by link_bench.
        QVERIFY2(worst < 500, qPrintable(QString::number(worst)));
        QVERIFY2(residentBytes() - before < 32 * 1024 * 1024,
                 qPrintable(QString::number(residentBytes() - before)));
    }
};

QTEST_GUILESS_MAIN(TestHostilePeer)
#include "tst_hostilepeer.moc"
