// The matrix device model without any I/O: bytes in, bytes out.

#include "MatrixDevice.h"
#include "SampleFiles.h"
#include "protocol/Frames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const uint8_t *u8(const QByteArray &b) {
    return reinterpret_cast<const uint8_t *>(b.constData());
}

uint16_t param(const QByteArray &frame, int n) {
    return uint16_t(u8(frame)[2 + 2 * n] | (u8(frame)[3 + 2 * n] << 8));
}

QByteArray frame(uint8_t cmd, uint8_t sub, uint16_t p1 = 0, uint16_t p2 = 0, uint16_t p3 = 0,
                 uint16_t p4 = 0) {
    return Frame::make(cmd, sub, p1, p2, p3, p4).toBytes();
}

QByteArray pattern(int size, int seed) {
    QByteArray data(size, '\0');
    uint32_t x = 0x9E3779B9u * uint32_t(seed + 1);
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = char(x & 0xFF);
    }
    return data;
}

// Every 13-byte reply must be a well-formed frame echoing the command.
void checkReply(const QByteArray &reply, const QByteArray &sent) {
    QCOMPARE(reply.size(), FrameSize);
    QCOMPARE(FrameChecksum(u8(reply)), u8(reply)[12]);
    QVERIFY(ReplyMatches(u8(reply), u8(sent)));
}

SimOptions builtIn() {
    SimOptions o;
    o.edidDir = QStringLiteral("-");
    return o;
}

// A fake clock the tests move by hand.
struct FakeClock {
    qint64 ms = 1000;
    std::function<qint64()> fn() {
        return [this] { return ms; };
    }
};

} // namespace

class TestMatrixDevice : public QObject {
    Q_OBJECT

    // Drives the host side of the protocol against a device.
    QByteArray ask(MatrixDevice &dev, const QByteArray &f) {
        const QByteArray reply = dev.transact(f);
        return reply;
    }
    bool download(MatrixDevice &dev, uint8_t sub, uint16_t target, const QByteArray &data) {
        const Frame start = Frame::make(0x03, sub, target);
        if (uint8_t(ask(dev, start.toBytes())[4]) != StatusMore)
            return false;
        for (int pos = 0; pos < data.size(); pos += BlockDataMax) {
            const QByteArray packet = BuildHostPacket(PacketKind::EdidDownload, start,
                                                      u8(data) + pos, int(data.size()) - pos, 0);
            if (packet.size() != PacketWireSize)
                return false;
            const QByteArray ack = ask(dev, packet);
            if (ack.size() != FrameSize || ack[4] != 0)
                return false;
        }
        return true;
    }
    QByteArray read(MatrixDevice &dev, uint16_t source) {
        const QByteArray start = frame(0x03, 5, source);
        const QByteArray started = ask(dev, start);
        if (started.size() != FrameSize || uint8_t(started[4]) == StatusRejected)
            return QByteArray("refused");
        QByteArray data;
        uint16_t request = RequestFirst;
        for (int guard = 0; guard < 1000; ++guard) {
            const QByteArray packet =
                ask(dev, BlockReadRequest(Frame::fromBytes(u8(start)), request).toBytes());
            const int n = CheckReadBlock(u8(packet), u8(start));
            if (packet.size() != PacketWireSize || n < 0)
                return QByteArray("bad block");
            data += packet.mid(14, n);
            if (u8(packet)[4] == StatusLast)
                return data;
            request = RequestNext;
        }
        return QByteArray("endless");
    }

private slots:
    void deviceInfoAndStatusReplies_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("p1");
        QTest::addColumn<int>("p2");
        QTest::newRow("device id") << frame(0x01, 1, 0xFE) << 0x01 << 0;
        QTest::newRow("reboot probe") << frame(0x01, 1) << 0x01 << 0;
        QTest::newRow("port counts") << frame(0x01, 2, 0xFE) << 8 << 8;
        QTest::newRow("firmware version") << frame(0x01, 3, 0xFE) << 2 << 3;
        QTest::newRow("power read") << frame(0x10, 1, 0xFE, 0, 0x9B41, 0x64C7) << 0 << 0xFF;
        QTest::newRow("IR read") << frame(0x04, 4, 0xFE) << 0 << 0xFF;
        QTest::newRow("keys read") << frame(0x01, 14, 0xFE) << 0 << 0xFF;
        QTest::newRow("beeper read") << frame(0x01, 12, 0xFE) << 0 << 0xFF;
        QTest::newRow("APM read") << frame(0x01, 10, 0xFE) << 0 << 0;
        QTest::newRow("HDMI sink of out 4") << frame(0x01, 5, 4) << 4 << 0;
        QTest::newRow("HDBT sink of out 8") << frame(0x01, 9, 8) << 8 << 0;
        QTest::newRow("EDID source of out 2") << frame(0x03, 13, 2) << 2 << 1;
        QTest::newRow("unknown command") << frame(0x55, 1) << 0xFF << 0;
        QTest::newRow("unknown sub-code") << frame(0x01, 0x77) << 0xFF << 0;
        QTest::newRow("power without guard words") << frame(0x10, 1, 0xFE) << 0xFF << 0;
        QTest::newRow("power with one guard word") << frame(0x10, 1, 0xFE, 0, 0x9B41) << 0xFF << 0;
        QTest::newRow("sink of output 9") << frame(0x01, 5, 9) << 0xFF << 0;
    }
    void deviceInfoAndStatusReplies() {
        QFETCH(QByteArray, sent);
        QFETCH(int, p1);
        QFETCH(int, p2);
        MatrixDevice dev(builtIn());
        const QByteArray reply = dev.transact(sent);
        checkReply(reply, sent);
        QCOMPARE(int(param(reply, 1)), p1);
        QCOMPARE(int(param(reply, 2)), p2);
        QCOMPARE(dev.frameLog(), QList<QByteArray>{sent});
    }

    void powerAndOptionSettings() {
        MatrixDevice dev(builtIn());
        // Without the guard words nothing changes.
        QCOMPARE(uint8_t(dev.transact(frame(0x10, 2, 0xF0))[4]), StatusRejected);
        QVERIFY(dev.state().powerOn);
        QCOMPARE(uint8_t(dev.transact(frame(0x10, 2, 0xF0, 0, 0x64C7, 0x9B41))[4]), StatusRejected);
        QVERIFY(dev.state().powerOn);
        QCOMPARE(uint8_t(dev.transact(frame(0x10, 2, 0xF0, 0, 0x9B41, 0x64C7))[4]), StatusOK);
        QVERIFY(!dev.state().powerOn);
        QCOMPARE(param(dev.transact(frame(0x10, 1, 0xFE, 0, 0x9B41, 0x64C7)), 2), uint16_t(0));
        QCOMPARE(uint8_t(dev.transact(frame(0x10, 2, 0x0F, 0, 0x9B41, 0x64C7))[4]), StatusOK);
        QCOMPARE(param(dev.transact(frame(0x10, 1, 0xFE, 0, 0x9B41, 0x64C7)), 2), uint16_t(0xFF));

        struct Option {
            uint8_t cmd, set, get;
            bool MatrixState::*field;
        };
        const Option options[] = {{0x04, 3, 4, &MatrixState::irControl},
                                  {0x01, 15, 14, &MatrixState::keysUnlocked},
                                  {0x01, 13, 12, &MatrixState::beeper},
                                  {0x01, 11, 10, &MatrixState::apm}};
        for (const Option &o : options) {
            for (bool on : {false, true, false}) {
                const QByteArray set = frame(o.cmd, o.set, on ? 0x0F : 0xF0);
                checkReply(dev.transact(set), set);
                QCOMPARE(dev.state().*o.field, on);
                const QByteArray get = frame(o.cmd, o.get, 0xFE);
                QCOMPARE(uint8_t(param(dev.transact(get), 2) & 0xFF), uint8_t(on ? 0xFF : 0x00));
            }
            // Any other option byte is refused and changes nothing.
            dev.state().*o.field = true;
            QCOMPARE(uint8_t(dev.transact(frame(o.cmd, o.set, 0x01))[4]), StatusRejected);
            QVERIFY(dev.state().*o.field);
        }
    }

    void framingOfTheInputStream() {
        MatrixDevice dev(builtIn());
        const QByteArray probe = frame(0x01, 1, 0xFE);
        // Split into single bytes: answered once the frame is complete.
        QByteArray joined;
        for (char c : probe)
            joined += dev.transact(QByteArray(1, c));
        checkReply(joined, probe);
        // Garbage, a stray start byte and a frame with a bad checksum are skipped.
        QByteArray bad = frame(0x01, 2, 0xFE);
        bad[12] = char(bad[12] ^ 0x01);
        const QByteArray mixed = QByteArray("\x00\x13\xA5", 3) + bad + probe;
        const QByteArray reply = dev.transact(mixed);
        checkReply(reply, probe);
        // Two frames in one delivery get two replies in order.
        const QByteArray two = dev.transact(frame(0x01, 2, 0xFE) + frame(0x01, 3, 0xFE));
        QCOMPARE(two.size(), 2 * FrameSize);
        QCOMPARE(u8(two)[3], uint8_t(2));
        QCOMPARE(u8(two)[16], uint8_t(3));
        // The TCP side (a network session) ignores LDCD packets.
        const int tcp = dev.openSession(false);
        QByteArray ldcd(32, '\0');
        std::memcpy(ldcd.data(), ModuleInfo::LdcdSignature, 16);
        ldcd[16] = 1;
        ldcd[30] = char(0xFF);
        ldcd[31] = char(ModuleInfo::ldcdChecksum(ldcd));
        QVERIFY(dev.feed(tcp, ldcd).isEmpty());
        QVERIFY(!dev.transact(ldcd).isEmpty());
    }

    void outputsComeFromTheSampleFolder() {
        // 256-byte files only, sorted by name; the rest keep the built-in EDID.
        QTemporaryDir dir;
        auto put = [&](const char *name, const QByteArray &bytes) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        const QByteArray a = MatrixState::builtInEdid(14), b = MatrixState::builtInEdid(21);
        put("b.bin", b);
        put("a.bin", a);
        put("c.bin", QByteArray(128, 'x'));
        put("d.txt", MatrixState::builtInEdid(1));
        SimOptions o;
        o.edidDir = dir.path();
        MatrixDevice dev(o);
        QCOMPARE(dev.state().outputEdid[0], a);
        QCOMPARE(dev.state().outputEdid[1], b);
        QCOMPARE(dev.state().outputEdid[2], MatrixState::builtInEdid(4));

        // The default folder: the eight 256-byte samples fill the eight outputs.
        REQUIRE_SAMPLE_EDIDS();
        MatrixDevice preloaded;
        const QStringList names =
            QDir(samples::edidDir()).entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
        int output = 0;
        for (const QString &name : names) {
            const QByteArray bytes = samples::readEdid(name);
            if (bytes.size() == 256 && output < 8)
                QCOMPARE(preloaded.state().outputEdid[output++], bytes);
        }
        QCOMPARE(output, 8);
    }

    void builtInEdidsAreValid() {
        for (int index : {1, 2, 3, 4, 5, 6, 9, 12, 14, 15, 16, 18, 21, 23}) {
            const QByteArray e = MatrixState::builtInEdid(index);
            QCOMPARE(e.size(), 256);
            QCOMPARE(e.left(8), QByteArray::fromHex("00FFFFFFFFFFFF00"));
            for (int block : {0, 128})
                QCOMPARE(int(BlockChecksum(u8(e) + block, 127)), int(u8(e)[block + 127]));
            QCOMPARE(u8(e)[126], uint8_t(1));
            QCOMPARE(u8(e)[128], uint8_t(0x02));
        }
        QVERIFY(MatrixState::builtInEdid(5) != MatrixState::builtInEdid(6));
    }

    void edidReadFollowsTheRequestRules() {
        MatrixDevice dev(builtIn());
        dev.state().outputEdid[2] = pattern(256, 3);
        QCOMPARE(read(dev, 0xF003), pattern(256, 3));
        // Three blocks: 0xAA, 0xAA, 0x56, with the lengths in bytes 6-7.
        dev.state().userEdid[1] = pattern(600, 5);
        const QByteArray start = frame(0x03, 5, 0xF200);
        checkReply(dev.transact(start), start);
        const Frame s = Frame::fromBytes(u8(start));
        auto request = [&](uint16_t value) {
            return dev.transact(BlockReadRequest(s, value).toBytes());
        };
        QByteArray p = request(RequestFirst);
        QCOMPARE(p.size(), PacketWireSize);
        QCOMPARE(u8(p)[4], StatusMore);
        QCOMPARE(param(p, 2), uint16_t(256));
        QCOMPARE(p.mid(14, 256), pattern(600, 5).left(256));
        p = request(RequestNext);
        QCOMPARE(p.mid(14, 256), pattern(600, 5).mid(256, 256));
        p = request(RequestRepeat); // the same block again
        QCOMPARE(p.mid(14, 256), pattern(600, 5).mid(256, 256));
        p = request(RequestNext);
        QCOMPARE(u8(p)[4], StatusLast);
        QCOMPARE(param(p, 2), uint16_t(88));
        QCOMPARE(CheckReadBlock(u8(p), u8(start)), 88);
        QCOMPARE(p.mid(14 + 88), QByteArray(PacketWireSize - 14 - 88, '\0'));
        p = request(RequestNext); // nothing more
        QCOMPARE(p.size(), PacketWireSize);
        QCOMPARE(u8(p)[4], StatusRejected);
        p = request(RequestFirst); // from the start again
        QCOMPARE(p.mid(14, 256), pattern(600, 5).left(256));

        // A request with no read running gets a refusal of block size.
        MatrixDevice fresh(builtIn());
        p = fresh.transact(BlockReadRequest(s, RequestNext).toBytes());
        QCOMPARE(p.size(), PacketWireSize);
        QCOMPARE(u8(p)[4], StatusRejected);
        // Unknown sources are refused at the start.
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 5, 0xF009))[4]), StatusRejected);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 5, 0xF300))[4]), StatusRejected);
        // An output without a sink on its EDID source reads as zeros.
        dev.state().outputEdidSource[0] = SinkHDBT;
        dev.state().hdbtSinkConnected[0] = false;
        QCOMPARE(read(dev, 0xF001), QByteArray(256, '\0'));
    }

    void edidDownloads() {
        MatrixDevice dev(builtIn());
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 8, 0xF0))[4]), StatusOK);
        QCOMPARE(dev.state().edidPreludeCount, 1);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 8, 0x01))[4]), StatusRejected);

        QVERIFY(download(dev, 7, 0xF002, pattern(256, 1)));
        QCOMPARE(dev.state().inputEdid[1], pattern(256, 1));
        QCOMPARE(dev.state().inputEdidMode[1], uint16_t(0));
        QCOMPARE(dev.state().inputEdid[0], MatrixState::builtInEdid(4));
        QVERIFY(download(dev, 7, 0xF100, pattern(257, 2))); // 256 + 1
        QCOMPARE(dev.state().userEdid[0], pattern(257, 2));
        QVERIFY(download(dev, 6, 0xF0FE, pattern(256, 3)));
        for (const QByteArray &e : dev.state().inputEdid)
            QCOMPARE(e, pattern(256, 3));
        // Consecutive equal blocks whose acknowledgements arrived are all kept.
        const QByteArray periodic = QByteArray(256, 'A').repeated(4);
        QVERIFY(download(dev, 7, 0xF200, periodic));
        QCOMPARE(dev.state().userEdid[1], periodic);

        // Wrong targets and sub-codes are refused before any data.
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 7, 0xF0FE))[4]), StatusRejected);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 6, 0xF001))[4]), StatusRejected);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 7, 0xF009))[4]), StatusRejected);

        // A packet with a bad block checksum is refused and not stored; the
        // same block sent again correctly is.
        const Frame start = Frame::make(0x03, 7, 0xF003);
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
        const QByteArray data = pattern(256, 9);
        QByteArray packet = BuildHostPacket(PacketKind::EdidDownload, start, u8(data), 256, 0);
        QByteArray broken = packet;
        broken[13] = char(broken[13] ^ 0x40);
        QCOMPARE(uint8_t(dev.transact(broken)[4]), StatusRejected);
        QCOMPARE(dev.state().inputEdid[2], pattern(256, 3));
        QCOMPARE(uint8_t(dev.transact(packet)[4]), StatusOK);
        QCOMPARE(dev.state().inputEdid[2], data);
        // A 0xAA packet must carry 256 bytes; a length above 256 is refused.
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
        QByteArray tooLong = packet;
        tooLong[6] = 0x01;
        tooLong[7] = 0x01; // 257
        tooLong[12] = char(FrameChecksum(u8(tooLong)));
        QCOMPARE(uint8_t(dev.transact(tooLong)[4]), StatusRejected);
        // Another command ends the transfer: data packets are then not taken.
        dev.transact(frame(0x01, 1, 0xFE));
        const QByteArray late = dev.transact(packet);
        QVERIFY(late.size() != FrameSize || uint8_t(late[4]) != StatusOK);
    }

    void lostAcknowledgementDoesNotDoubleABlock() {
        // The device takes block 2 but its acknowledgement is lost; the host
        // sends block 2 again and must not end up with it twice.
        for (FaultKind lost : {FaultKind::DropReply, FaultKind::CorruptChecksum,
                               FaultKind::WrongEcho, FaultKind::CloseConnection}) {
            MatrixDevice dev(builtIn());
            const QByteArray data = QByteArray(256, 'B').repeated(3) + QByteArray(40, 'C');
            const Frame start = Frame::make(0x03, 7, 0xF100);
            QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
            bool faulted = false;
            for (int block = 0, pos = 0; pos < data.size(); ++block) {
                const QByteArray packet = BuildHostPacket(
                    PacketKind::EdidDownload, start, u8(data) + pos, int(data.size()) - pos, 0);
                const bool now = block == 1 && !faulted;
                if (now) {
                    dev.queueFault(lost);
                    faulted = true;
                }
                QByteArray ack = dev.transact(packet);
                if (now) {
                    if (lost == FaultKind::CloseConnection) {
                        // The connection is gone: the host starts over.
                        QVERIFY(ack.isEmpty());
                        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
                        block = -1;
                        pos = 0;
                        continue;
                    }
                    QVERIFY(ack.isEmpty() || !ReplyAccepted(u8(ack), u8(packet)));
                    ack = dev.transact(packet); // the host's re-send
                }
                QCOMPARE(ack.size(), FrameSize);
                QCOMPARE(uint8_t(ack[4]), StatusOK);
                pos += PacketDataLength(int(data.size()) - pos);
            }
            QCOMPARE(dev.state().userEdid[0], data);
        }
        // A refused block ("status" fault) is not taken, so its re-send is new.
        MatrixDevice dev(builtIn());
        const Frame start = Frame::make(0x03, 7, 0xF100);
        dev.transact(start.toBytes());
        const QByteArray data = pattern(256, 4);
        const QByteArray packet =
            BuildHostPacket(PacketKind::EdidDownload, start, u8(data), 256, 0);
        dev.queueFault(FaultKind::StatusFF);
        QCOMPARE(uint8_t(dev.transact(packet)[4]), StatusRejected);
        QVERIFY(dev.state().userEdid[0] != data);
        QCOMPARE(uint8_t(dev.transact(packet)[4]), StatusOK);
        QCOMPARE(dev.state().userEdid[0], data);
        // Late acknowledgement: a re-send that arrives before the delayed
        // acknowledgement has left is the same block.
        FakeClock clock;
        MatrixDevice slow(builtIn());
        slow.setClock(clock.fn());
        FaultSettings f;
        f.delayMs = 5000;
        slow.setFaults(f);
        const QByteArray twoBlocks = QByteArray(256, 'D').repeated(2);
        slow.transact(start.toBytes());
        const QByteArray p1 =
            BuildHostPacket(PacketKind::EdidDownload, start, u8(twoBlocks), 512, 0);
        const QByteArray p2 =
            BuildHostPacket(PacketKind::EdidDownload, start, u8(twoBlocks) + 256, 256, 0);
        slow.queueFault(FaultKind::DelayReply);
        QList<SimOutput> out = slow.feed(0, p1);
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].delayMs, 5000);
        clock.ms += 2000; // the host timed out and sends block 1 again
        slow.feed(0, p1); // ... still before the late acknowledgement left
        clock.ms += 10000;
        QCOMPARE(uint8_t(slow.transact(p2)[4]), StatusOK);
        QCOMPARE(slow.state().userEdid[0], twoBlocks);
    }

    void edidModesCopiesAndSources() {
        MatrixDevice dev(builtIn());
        MatrixState &st = dev.state();
        // Mode for all inputs, for one input, user memories, unknown modes.
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 1, 0xF00A))[4]), StatusOK);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(st.inputEdidMode[i], uint16_t(0xF00A));
            QCOMPARE(st.inputEdid[i], MatrixState::builtInEdid(10));
        }
        st.userEdid[1] = pattern(256, 7);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 2, 0xF200, 3))[4]), StatusOK);
        QCOMPARE(st.inputEdid[2], pattern(256, 7));
        QCOMPARE(st.inputEdidMode[2], uint16_t(0xF200));
        for (uint16_t bad : {uint16_t(0xF00D), uint16_t(0xF011), uint16_t(0xF000), uint16_t(0xF300),
                             uint16_t(0x0004)})
            QCOMPARE(uint8_t(dev.transact(frame(0x03, 1, bad))[4]), StatusRejected);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 2, 0xF004, 9))[4]), StatusRejected);
        QCOMPARE(st.inputEdidMode[0], uint16_t(0xF00A));
        // Default EDID.
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 10, 3))[4]), uint8_t(3));
        QCOMPARE(st.inputEdidMode[2], MatrixState::DefaultEdidMode);
        QCOMPARE(st.inputEdid[2], MatrixState::builtInEdid(4));
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 9, 0xFE))[4]), StatusOK);
        QCOMPARE(st.inputEdidMode[7], MatrixState::DefaultEdidMode);
        // Copy needs a sink on the output's EDID source.
        st.outputEdid[4] = pattern(256, 11);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 4, 5, 2))[4]), uint8_t(5));
        QCOMPARE(st.inputEdid[1], pattern(256, 11));
        QCOMPARE(st.inputEdid[0], MatrixState::builtInEdid(4));
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 3, 5))[4]), uint8_t(5));
        for (const QByteArray &e : st.inputEdid)
            QCOMPARE(e, pattern(256, 11));
        st.hdmiSinkConnected[5] = false;
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 3, 6))[4]), StatusRejected);
        QCOMPARE(param(dev.transact(frame(0x01, 5, 6)), 2), uint16_t(1));
        QCOMPARE(param(dev.transact(frame(0x01, 9, 6)), 2), uint16_t(0));
        // Switching output 6 to its HDBT sink makes the copy possible.
        QCOMPARE(param(dev.transact(frame(0x03, 12, 6, 2)), 2), uint16_t(2));
        QCOMPARE(param(dev.transact(frame(0x03, 13, 6)), 2), uint16_t(SinkHDBT));
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 4, 6, 1))[4]), uint8_t(6));
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 12, 6, 3))[4]), StatusRejected);
        QCOMPARE(uint8_t(dev.transact(frame(0x03, 12, 0, 1))[4]), StatusRejected);
    }

    void faultsAreDeterministicAndKeepTheStateRight() {
        // Same seed and rate: the same faults on the same replies.
        auto run = [this](quint32 seed) {
            SimOptions o = builtIn();
            o.seed = seed;
            MatrixDevice dev(o);
            FaultSettings f;
            f.rate = 0.5;
            dev.setFaults(f);
            QList<QByteArray> replies;
            for (int i = 0; i < 60; ++i) {
                QByteArray joined;
                for (const SimOutput &piece : dev.feed(0, frame(0x01, 1 + i % 3, 0xFE)))
                    joined += piece.bytes + (piece.hangUp ? "|hangup" : "") +
                              QByteArray::number(piece.delayMs);
                replies << joined;
                dev.resetSession(0);
            }
            return qMakePair(replies, dev.appliedFaults());
        };
        const auto a = run(7), b = run(7), c = run(8);
        QCOMPARE(a.first, b.first);
        QCOMPARE(a.second, b.second);
        QVERIFY(a.second.size() > 15 && a.second.size() < 45);
        QVERIFY(a.first != c.first);
        QVERIFY(a.second.contains(FaultKind::DelayReply)); // a late reply is fair game
        QVERIFY(!a.second.contains(FaultKind::CloseConnection));
        QVERIFY(!a.second.contains(FaultKind::CorruptBlock)); // no block packets here

        // Queued faults come first, in order; each kind does what it says.
        MatrixDevice dev(builtIn());
        FaultSettings f;
        f.delayMs = 1234;
        f.splitGapMs = 7;
        dev.setFaults(f);
        const QByteArray probe = frame(0x01, 1, 0xFE);
        const QByteArray clean = dev.transact(probe);
        dev.queueFault(FaultKind::None);
        dev.queueFault(FaultKind::DropReply);
        dev.queueFault(FaultKind::CorruptChecksum);
        dev.queueFault(FaultKind::StatusFF);
        dev.queueFault(FaultKind::WrongEcho);
        dev.queueFault(FaultKind::SplitReply);
        dev.queueFault(FaultKind::StrayBytes);
        dev.queueFault(FaultKind::DelayReply);
        dev.queueFault(FaultKind::CloseConnection);
        QCOMPARE(dev.transact(probe), clean);
        QVERIFY(dev.transact(probe).isEmpty());
        QByteArray r = dev.transact(probe);
        QVERIFY(r.size() == 13 && r.left(12) == clean.left(12) && r[12] != clean[12]);
        r = dev.transact(probe);
        QVERIFY(uint8_t(r[4]) == StatusRejected && FrameChecksum(u8(r)) == u8(r)[12]);
        r = dev.transact(probe);
        QVERIFY(FrameChecksum(u8(r)) == u8(r)[12] && !ReplyMatches(u8(r), u8(probe)));
        QList<SimOutput> pieces = dev.feed(0, probe);
        QVERIFY(pieces.size() >= 2);
        QByteArray joined;
        for (int i = 0; i < pieces.size(); ++i) {
            joined += pieces[i].bytes;
            if (i > 0)
                QCOMPARE(pieces[i].delayMs, 7);
        }
        QCOMPARE(joined, clean);
        r = dev.transact(probe);
        QVERIFY(r.size() > 13 && r.size() <= 21 && r.left(13) == clean);
        pieces = dev.feed(0, probe);
        QCOMPARE(pieces.size(), 1);
        QCOMPARE(pieces[0].delayMs, 1234);
        QCOMPARE(pieces[0].bytes, clean);
        pieces = dev.feed(0, probe);
        QCOMPARE(pieces.size(), 1);
        QVERIFY(pieces[0].hangUp);

        // A block checksum fault waits for a block packet; the reply that says
        // "rejected" really rejects: the setting is not carried out.
        dev.queueFault(FaultKind::CorruptBlock);
        QCOMPARE(dev.transact(probe), clean);
        dev.state().outputEdid[0] = pattern(256, 1);
        const QByteArray start = frame(0x03, 5, 0xF001);
        dev.transact(start);
        const QByteArray bad =
            dev.transact(BlockReadRequest(Frame::fromBytes(u8(start)), RequestFirst).toBytes());
        QCOMPARE(CheckReadBlock(u8(bad), u8(start)), -1);
        QCOMPARE(FrameChecksum(u8(bad)), u8(bad)[12]);
        const QByteArray good =
            dev.transact(BlockReadRequest(Frame::fromBytes(u8(start)), RequestFirst).toBytes());
        QCOMPARE(CheckReadBlock(u8(good), u8(start)), 256);
        dev.queueFault(FaultKind::StatusFF);
        dev.transact(frame(0x01, 13, 0xF0));
        QVERIFY(dev.state().beeper);
        dev.queueFault(FaultKind::StatusFF);
        dev.transact(frame(0x10, 2, 0xF0, 0, 0x9B41, 0x64C7));
        QVERIFY(dev.state().powerOn);
    }

    void firmwareUploads() {
        FakeClock clock;
        MatrixDevice dev(builtIn());
        dev.setClock(clock.fn());
        MatrixState &st = dev.state();
        st.rebootMs = 500;

        // A sub-MCU part: 14 + n byte packets with block numbers.
        const QByteArray part = pattern(300, 21);
        const Frame start = Frame::make(0x20, 2, 5, 3, 0x0102, 0x0007);
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
        const QByteArray b0 = BuildHostPacket(PacketKind::FirmwarePart, start, u8(part), 300, 0);
        const QByteArray b1 =
            BuildHostPacket(PacketKind::FirmwarePart, start, u8(part) + 256, 44, 1);
        QCOMPARE(b0.size(), 270);
        QCOMPARE(b1.size(), 58);
        // Both packets in one delivery: two acknowledgements.
        dev.queueFault(FaultKind::DropReply); // block 0's acknowledgement is lost
        QByteArray acks = dev.transact(b0);
        QVERIFY(acks.isEmpty());
        acks = dev.transact(b0 + b1); // block 0 again, then block 1
        QCOMPARE(acks.size(), 26);
        QCOMPARE(uint8_t(acks[4]), StatusOK);
        QCOMPARE(uint8_t(acks[17]), StatusOK);
        QCOMPARE(st.uploadedPart(2, 5, 3), part);
        QCOMPARE(st.uploads.last().ver1, uint16_t(0x0102));
        QVERIFY(!st.uploads.last().prepared);
        QVERIFY(!dev.rebooting());
        // A block out of order is refused.
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
        QCOMPARE(uint8_t(dev.transact(b1)[4]), StatusRejected);

        // Refusals: the start, a listed part, the preparation, data blocks.
        st.refuseUploads = true;
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusRefused);
        st.refuseUploads = false;
        st.refusedParts << MatrixState::partKey(2, 5, 3);
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusRefused);
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 2, 5, 4))[4]), StatusMore);
        st.refusedParts.clear();
        st.refuseBlocks = 1;
        QCOMPARE(uint8_t(dev.transact(start.toBytes())[4]), StatusMore);
        QCOMPARE(uint8_t(dev.transact(b0)[4]), StatusRefused);
        QCOMPARE(uint8_t(dev.transact(b0)[4]), StatusOK);

        // The main MCU: two preparation steps, 270-byte packets, then a reboot.
        const QByteArray main = pattern(512, 22);
        const Frame mainStart = Frame::make(0x20, 1, 1, 0, 3, 4);
        QCOMPARE(uint8_t(dev.transact(mainStart.toBytes())[4]), StatusMore);
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 1, 0x10))[4]), StatusRejected); // out of order
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 1, 0x80))[4]), StatusOK);
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 1, 0x80))[4]), StatusOK); // repeated
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 1, 0x10))[4]), StatusOK);
        for (int block = 0; block < 2; ++block) {
            const QByteArray packet =
                BuildHostPacket(PacketKind::FirmwarePart, mainStart, u8(main) + 256 * block,
                                512 - 256 * block, uint16_t(block), true);
            QCOMPARE(packet.size(), 270);
            QCOMPARE(uint8_t(dev.transact(packet)[4]), StatusOK);
        }
        QCOMPARE(st.uploadedPart(1, 1), main);
        QVERIFY(st.uploads.last().prepared);
        QCOMPARE(st.rebootCount, 1);
        QVERIFY(dev.rebooting());
        const QByteArray probe = frame(0x01, 1);
        QVERIFY(dev.transact(probe).isEmpty()); // silent while rebooting
        clock.ms += 499;
        QVERIFY(dev.transact(probe).isEmpty());
        clock.ms += 1;
        checkReply(dev.transact(probe), probe);
        // The frames received while rebooting are still logged.
        QCOMPARE(dev.frameLog().count(probe), 3);

        // The reboot command answers, then the unit is silent for rebootMs.
        const QByteArray reboot = frame(0x80, 2, 15);
        checkReply(dev.transact(reboot), reboot);
        QVERIFY(dev.transact(probe).isEmpty());
        clock.ms += 500;
        checkReply(dev.transact(probe), probe);
        QCOMPARE(st.rebootCount, 2);
        // A preparation step without an upload is refused; slave reset counts.
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 1, 0x80))[4]), StatusRejected);
        QCOMPARE(uint8_t(dev.transact(frame(0x20, 9, 1))[4]), StatusOK);
        QCOMPARE(st.slaveResetCount, 1);
    }

    void moduleLdcdOnTheSerialSide() {
        MatrixDevice dev(builtIn());
        dev.state().module.ip = QHostAddress(QStringLiteral("10.0.0.5"));
        auto packet = [](uint8_t command, uint8_t dhcp, QByteArray ip) {
            QByteArray p(32, '\0');
            std::memcpy(p.data(), ModuleInfo::LdcdSignature, 16);
            p[16] = char(command);
            p[19] = char(dhcp);
            p.replace(20, 4, ip);
            p[30] = char(0xFF);
            p[31] = char(ModuleInfo::ldcdChecksum(p));
            return p;
        };
        const QByteArray query = packet(0x01, 0, QByteArray(4, '\0'));
        QByteArray r = dev.transact(query);
        QCOMPARE(r.size(), 32);
        QCOMPARE(r.left(16), query.left(16));
        QCOMPARE(u8(r)[16], uint8_t(0x01));
        QCOMPARE(u8(r)[17], uint8_t(2));
        QCOMPARE(u8(r)[18], uint8_t(7));
        QCOMPARE(u8(r)[19], uint8_t(0));
        QCOMPARE(r.mid(20, 4), QByteArray::fromHex("0A000005"));
        QVERIFY(u8(r)[30] != 0xFF);
        QCOMPARE(u8(r)[31], ModuleInfo::ldcdChecksum(r));
        // Faults reach LDCD replies too, and a refused reset changes nothing.
        const QByteArray reset = packet(0xFF, 1, QByteArray::fromHex("C0A80064"));
        dev.queueFault(FaultKind::StatusFF);
        r = dev.transact(reset);
        QCOMPARE(u8(r)[30], uint8_t(0xFF));
        QCOMPARE(u8(r)[31], ModuleInfo::ldcdChecksum(r));
        QCOMPARE(dev.state().module.ip.toString(), QStringLiteral("10.0.0.5"));
        dev.queueFault(FaultKind::WrongEcho);
        QVERIFY(dev.transact(query).left(16) != query.left(16));
        dev.queueFault(FaultKind::CorruptChecksum);
        r = dev.transact(query);
        QVERIFY(u8(r)[31] != ModuleInfo::ldcdChecksum(r));
        r = dev.transact(reset);
        QVERIFY(u8(r)[30] != 0xFF);
        QCOMPARE(u8(r)[19], uint8_t(1));
        QCOMPARE(r.mid(20, 4), QByteArray::fromHex("C0A80064"));
        QVERIFY(dev.state().module.dhcp);
        // A packet with a bad checksum is not answered.
        QByteArray bad = query;
        bad[31] = char(bad[31] + 1);
        QVERIFY(dev.transact(bad).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMatrixDevice)
#include "tst_matrixdevice.moc"
