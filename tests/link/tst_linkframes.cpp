// Frames, reply checks, data packets, block-read rules and the receive
// assembler: everything of the protocol that needs no I/O.

#include "protocol/Frames.h"
#include "protocol/RxAssembler.h"

#include <QtTest>

namespace {

QByteArray Hex(const char *hex) {
    return QByteArray::fromHex(hex);
}

const uint8_t *U(const QByteArray &a) {
    return reinterpret_cast<const uint8_t *>(a.constData());
}

Frame ReplyTo(const Frame &sent, uint8_t status) {
    Frame r = Frame::make(sent.command(), sent.subCode(), status);
    return r;
}

// A 270-byte packet as the device sends it during a block read.
QByteArray DevicePacket(const Frame &request, uint8_t status, const QByteArray &data,
                        int lengthField = -1) {
    Frame h = Frame::make(request.command(), request.subCode(), status,
                          static_cast<uint16_t>(lengthField < 0 ? data.size() : lengthField));
    QByteArray p(PacketWireSize, '\0');
    std::memcpy(p.data(), h.b, FrameSize);
    p[FrameSize] = char(BlockChecksum(U(data), std::size_t(data.size())));
    std::memcpy(p.data() + FrameSize + 1, data.constData(), std::size_t(data.size()));
    return p;
}

int Sum(const QByteArray &a, int from, int count) {
    int s = 0;
    for (int i = from; i < from + count; ++i)
        s += uint8_t(a[i]);
    return s & 0xFF;
}

} // namespace

class TestLinkFrames : public QObject {
    Q_OBJECT
private slots:
    void checksumExamples();
    void frameParamsAreLittleEndian();
    void replyChecks();
    void hostPacketSizes_data();
    void hostPacketSizes();
    void hostPacketHeaders();
    void blockReadRequests();
    void readBlockValidation();
    void assemblerLengths();
    void assemblerPiecesAndExtraBytes();
    void assemblerCompleteReplyIsKept();
    void assemblerSkipsBytesBeforeFrameStart();
};

void TestLinkFrames::checksumExamples() {
    const Frame a = Frame::make(0x60, 0x02);
    QCOMPARE(a.toBytes().toHex().toUpper(), QByteArray("A55B600200000000000000009E"));
    const Frame b = Frame::make(0x01, 0x01, 0x00FE);
    QCOMPARE(b.b[12], uint8_t(0x00));
    // Every sealed frame sums to 0.
    const Frame c = Frame::make(0x10, 0x01, 0x00FE, 0, 0x9B41, 0x64C7);
    QCOMPARE(Sum(c.toBytes(), 0, 13), 0);

    Frame p;
    p.b[5] = 7;
    PrepareFrame(p);
    QCOMPARE(p.toBytes(), Hex("A55B00000000000000000000").append(char(0)));

    const QByteArray data = Hex("0102FF");
    QCOMPARE(BlockChecksum(U(data), 3), uint8_t(0xFE));
    QCOMPARE(BlockChecksum(U(data), 0), uint8_t(0x00));
}

void TestLinkFrames::frameParamsAreLittleEndian() {
    const Frame f = Frame::make(0x03, 0x05, 0xF003, 0x1234, 0xBEEF, 0x0102);
    QCOMPARE(f.b[4], uint8_t(0x03));
    QCOMPARE(f.b[5], uint8_t(0xF0));
    QCOMPARE(f.b[6], uint8_t(0x34));
    QCOMPARE(f.b[11], uint8_t(0x01));
    QCOMPARE(f.param(3), uint16_t(0xBEEF));
    TReplyRecord r;
    std::memcpy(r.Bytes, f.b, FrameSize);
    QCOMPARE(r.param(1), uint16_t(0xF003));
    QCOMPARE(r.paramLo(2), uint8_t(0x34));
}

void TestLinkFrames::replyChecks() {
    const Frame sent = Frame::make(0x01, 0x03, 0x00FE);
    QVERIFY(ReplyAccepted(ReplyTo(sent, 0x02).b, sent.b));

    // Status 0xFF is rejected even with a right checksum and header.
    QVERIFY(!ReplyAccepted(ReplyTo(sent, 0xFF).b, sent.b));

    Frame bad = ReplyTo(sent, 0x02);
    bad.b[12] ^= 0x01;
    QVERIFY(ReplyMatches(bad.b, sent.b));
    QVERIFY(!ReplyAccepted(bad.b, sent.b));

    // A late answer to an earlier command does not satisfy a new one.
    const Frame other = Frame::make(0x01, 0x02, 0x0008);
    QVERIFY(!ReplyMatches(other.b, sent.b));
    QVERIFY(!ReplyAccepted(other.b, sent.b));

    Frame start = ReplyTo(sent, 0x02);
    start.b[1] = 0x5C;
    SealFrame(start);
    QVERIFY(!ReplyAccepted(start.b, sent.b));
}

void TestLinkFrames::hostPacketSizes_data() {
    QTest::addColumn<int>("remaining");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("status");
    QTest::newRow("exactly 256") << 256 << 256 << int(StatusLast);
    QTest::newRow("257: first block") << 257 << 256 << int(StatusMore);
    QTest::newRow("257: rest") << 1 << 1 << int(StatusLast);
    QTest::newRow("44") << 44 << 44 << int(StatusLast);
}

void TestLinkFrames::hostPacketSizes() {
    QFETCH(int, remaining);
    QFETCH(int, n);
    QFETCH(int, status);
    QByteArray data(remaining, '\0');
    for (int i = 0; i < remaining; ++i)
        data[i] = char(i * 7 + 3);
    const Frame start = Frame::make(0x03, 0x07, 0xF100, 0, 0x1111, 0x2222);
    const QByteArray edid = BuildHostPacket(PacketKind::EdidDownload, start, U(data), remaining, 9);
    const QByteArray fw = BuildHostPacket(PacketKind::FirmwarePart, start, U(data), remaining, 9);
    const QByteArray fwPadded =
        BuildHostPacket(PacketKind::FirmwarePart, start, U(data), remaining, 9, true);
    QCOMPARE(edid.size(), PacketWireSize); // always 270 on the wire
    QCOMPARE(fw.size(), 14 + n);           // firmware: 14 + n
    QCOMPARE(fwPadded.size(), PacketWireSize);
    for (const QByteArray &p : {edid, fw, fwPadded}) {
        QCOMPARE(uint8_t(p[4]) | (uint8_t(p[5]) << 8), status);
        QCOMPARE(uint8_t(p[6]) | (uint8_t(p[7]) << 8), n);
        QCOMPARE(Sum(p, 0, 13), 0);                           // header checksum
        QCOMPARE((Sum(p, 14, n) + uint8_t(p[13])) & 0xFF, 0); // block checksum
        QCOMPARE(p.mid(14, n), data.left(n));
        QCOMPARE(p.mid(14 + n), QByteArray(p.size() - 14 - n, '\0'));
    }
}

void TestLinkFrames::hostPacketHeaders() {
    const QByteArray data(10, 'x');
    const Frame start = Frame::make(0x20, 0x03, 0x0105, 0x0002, 0x0004, 0x0011);
    const QByteArray edid = BuildHostPacket(PacketKind::EdidDownload, start, U(data), 10, 5);
    // EDID download: P3 and P4 of the starting command, unchanged.
    QCOMPARE(edid.mid(2, 2), Hex("2003"));
    QCOMPARE(edid.mid(8, 4), Hex("04001100"));
    // Firmware: P1 of the starting command, then the block number.
    const QByteArray fw = BuildHostPacket(PacketKind::FirmwarePart, start, U(data), 10, 5);
    QCOMPARE(fw.mid(8, 4), Hex("05010500"));
}

void TestLinkFrames::blockReadRequests() {
    const Frame start = Frame::make(0x03, 0x05, 0xF003, 0x0007, 0x1234, 0x5678);
    const Frame first = BlockReadRequest(start, RequestFirst);
    QCOMPARE(first.param(1), uint16_t(0x00AA));
    QCOMPARE(first.param(2), uint16_t(0));
    QCOMPARE(first.param(3), uint16_t(0x1234)); // the rest of the starting frame stays
    QCOMPARE(first.param(4), uint16_t(0x5678));
    QCOMPARE(first.b[12], FrameChecksum(first));
    QCOMPARE(BlockReadRequest(start, RequestRepeat).param(1), uint16_t(0x00FF));
    QCOMPARE(BlockReadRequest(start, RequestNext).param(1), uint16_t(0x0000));
}

void TestLinkFrames::readBlockValidation() {
    const Frame req = BlockReadRequest(Frame::make(0x03, 0x05, 0xF001), RequestFirst);
    QByteArray data(256, '\0');
    for (int i = 0; i < 256; ++i)
        data[i] = char(255 - i);
    QCOMPARE(CheckReadBlock(U(DevicePacket(req, StatusLast, data)), req.b), 256);
    QCOMPARE(CheckReadBlock(U(DevicePacket(req, StatusMore, data.left(3))), req.b), 3);

    QByteArray badSum = DevicePacket(req, StatusLast, data);
    badSum[13] = char(badSum[13] ^ 0x40);
    QCOMPARE(CheckReadBlock(U(badSum), req.b), -1);
    // Status 0x00 is an acknowledgement, not a data block.
    QCOMPARE(CheckReadBlock(U(DevicePacket(req, StatusOK, data)), req.b), -1);
    QCOMPARE(CheckReadBlock(U(DevicePacket(req, StatusRejected, data)), req.b), -1);
    // A length field beyond the 256-byte block is refused, even with a
    // checksum that matches the bytes it would cover.
    QByteArray big(PacketWireSize + 300, '\0');
    const QByteArray longData(300, '\x01');
    const QByteArray p = DevicePacket(req, StatusLast, data, 300);
    std::memcpy(big.data(), p.constData(), 14);
    big[13] = char(BlockChecksum(U(longData), 300));
    std::memcpy(big.data() + 14, longData.constData(), 300);
    QCOMPARE(CheckReadBlock(U(big), req.b), -1);
    // The echo must be of the request's command.
    const Frame other = BlockReadRequest(Frame::make(0x03, 0x06, 0xF001), RequestFirst);
    QCOMPARE(CheckReadBlock(U(DevicePacket(other, StatusLast, data)), req.b), -1);
}

void TestLinkFrames::assemblerLengths() {
    QCOMPARE(RxAssembler::ExpectedLength(0, true), 13);
    QCOMPARE(RxAssembler::ExpectedLength(1, false), 270);
    QCOMPARE(RxAssembler::ExpectedLength(2, true), 13);
    QCOMPARE(RxAssembler::ExpectedLength(3, true), 13);
    QCOMPARE(RxAssembler::ExpectedLength(4, false), 13);
    QCOMPARE(RxAssembler::ExpectedLength(6, true), 32);
    QCOMPARE(RxAssembler::ExpectedLength(6, false), 13); // module replies come by serial only

    RxAssembler rx;
    rx.Mode = 6;
    const QByteArray packet(40, '\x5A');
    QCOMPARE(rx.feed(U(packet), 31, true), 31);
    QVERIFY(!rx.Complete);
    QCOMPARE(rx.feed(U(packet), 9, true), 1);
    QVERIFY(rx.Complete);
}

void TestLinkFrames::assemblerPiecesAndExtraBytes() {
    RxAssembler rx;
    rx.Mode = 1;
    QByteArray wire(300, '\0');
    for (int i = 0; i < wire.size(); ++i)
        wire[i] = char(i);
    wire[0] = char(FrameStart1);
    wire[1] = char(FrameStart2);
    // 270 bytes in three pieces, the last with 30 stray bytes after the end.
    QCOMPARE(rx.feed(U(wire), 100, false), 100);
    QCOMPARE(rx.Pos, 100);
    QCOMPARE(rx.feed(U(wire) + 100, 1, false), 1);
    QCOMPARE(rx.feed(U(wire) + 101, 199, false), 169);
    QVERIFY(rx.Complete);
    QCOMPARE(rx.Pos, 0); // a new frame would start at the beginning
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rx.Buffer), 270), wire.left(270));
    QCOMPARE(rx.Buffer[270], uint8_t(0)); // nothing staged past the packet

    rx.clear();
    QVERIFY(!rx.Complete);
    QCOMPARE(rx.Pos, 0);
    QCOMPARE(rx.Buffer[0], uint8_t(0));
    QCOMPARE(rx.Mode, uint8_t(1)); // the mode stays
}

void TestLinkFrames::assemblerCompleteReplyIsKept() {
    RxAssembler rx;
    rx.Mode = 0;
    const QByteArray reply = Frame::make(0x01, 0x01, 0x12).toBytes();
    QCOMPARE(rx.feed(U(reply), 13, true), 13);
    QVERIFY(rx.Complete);
    // Bytes that come before the reply was taken must not overwrite it.
    const QByteArray stray(13, '\xEE');
    QCOMPARE(rx.feed(U(stray), 13, true), 0);
    QVERIFY(rx.Complete);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rx.Buffer), 13), reply);
    // Once the owner waits for another reply, collection starts from 0.
    rx.Complete = false;
    const QByteArray next = Frame::make(0x01, 0x02, 0x34).toBytes();
    QCOMPARE(rx.feed(U(next), 5, true), 5);
    QCOMPARE(rx.Buffer[4], uint8_t(0x34));
    QCOMPARE(rx.Pos, 5);
}

void TestLinkFrames::assemblerSkipsBytesBeforeFrameStart() {
    // The tail of an earlier answer in front of the reply is not taken for it.
    RxAssembler rx;
    rx.Mode = 0;
    const QByteArray reply = Frame::make(0x03, 0x07, 0x00).toBytes();
    const QByteArray noise = QByteArray::fromHex("00A513A5");
    QCOMPARE(rx.feed(U(noise), int(noise.size()), true), 4);
    QCOMPARE(rx.Pos, 1); // a start byte may begin the reply
    const QByteArray rest = QByteArray::fromHex("A5") + reply;
    rx.feed(U(rest), 1, true);
    QCOMPARE(rx.Pos, 1);
    rx.feed(U(rest) + 1, int(rest.size()) - 1, true);
    QVERIFY(rx.Complete);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rx.Buffer), 13), reply);

    // Module replies have no such start bytes and are taken as they come.
    rx.clear();
    rx.Mode = 6;
    const QByteArray packet(32, '\x11');
    QCOMPARE(rx.feed(U(packet), 32, true), 32);
    QVERIFY(rx.Complete);
    QCOMPARE(rx.Buffer[0], uint8_t(0x11));
}

QTEST_GUILESS_MAIN(TestLinkFrames)
#include "tst_linkframes.moc"
