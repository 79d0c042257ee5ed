// The unit's boards in the device model: the unit file, boot-code and
// board-information answers, per-board refusal, silence and boot code, and
// the firmware images each board keeps.

#include "BoardUnit.h"
#include "MatrixDevice.h"
#include "boardinfo/BoardInfoBlock.h"
#include "protocol/CommandCodes.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const uint8_t *u8(const QByteArray &b) {
    return reinterpret_cast<const uint8_t *>(b.constData());
}

SimOptions builtIn() {
    SimOptions o;
    o.edidDir = QStringLiteral("-");
    return o;
}

TReplyRecord record(const QByteArray &reply) {
    TReplyRecord r;
    if (reply.size() >= FrameSize) {
        std::memcpy(r.Bytes, reply.constData(), FrameSize);
        r.Success = reply.size() == FrameSize && FrameChecksum(r.Bytes) == r.Bytes[12] ? 1 : 0;
    }
    return r;
}

BoardInfoFields board(uint8_t pcbType, uint8_t subIndex) {
    BoardInfoFields f;
    f.PCBType = pcbType;
    f.SubIndex = subIndex;
    f.PCBTypeForCheck = pcbType;
    return f;
}

// Reads a board's block the way the host does, packet by packet.
QByteArray readBlock(MatrixDevice &device, const BoardInfoFields &f, BoardInfoFields *returned) {
    const QByteArray start = device.transact(Requests::boardInfoReadStart(f).toBytes());
    if (start.size() != FrameSize || u8(start)[4] == StatusRejected)
        return QByteArray("no start");
    *returned = BoardInfoFields::fromFrame(u8(start));
    const int total = returned->ExtLen();
    int announced = std::min(BlockDataMax, total);
    int taken = 0;
    QByteArray block;
    while (block.size() < total) {
        const QByteArray packet =
            device.transact(Requests::boardInfoReadRequest(f, taken).toBytes());
        if (packet.size() != PacketWireSize || u8(packet)[4] == StatusRejected)
            return QByteArray("bad packet");
        if (BlockChecksum(u8(packet) + 14, std::size_t(announced)) != u8(packet)[13])
            return QByteArray("bad block checksum");
        block += packet.mid(14, announced);
        taken = announced;
        announced = u8(packet)[9] | (u8(packet)[10] << 8);
    }
    return block;
}

QByteArray uploadFrame(uint8_t partClass, uint16_t kind, uint16_t slot) {
    return Frame::make(Cmd::Mcu, partClass, kind, slot, 1, 2).toBytes();
}

QByteArray uploadPacket(const QByteArray &start, const QByteArray &data, uint16_t block) {
    const Frame s = Frame::fromBytes(u8(start));
    return BuildHostPacket(PacketKind::FirmwarePart, s, u8(data), int(data.size()), block);
}

} // namespace

class TestBoardUnit : public QObject {
    Q_OBJECT
private slots:
    void defaultUnitLists();
    void unitFileRoundTrip();
    void unitFileErrors_data();
    void unitFileErrors();
    void bootCodeInfo_data();
    void bootCodeInfo();
    void mainBoardInBootCode();
    void boardInfoReadAndWrite();
    void writePacketsChecked_data();
    void writePacketsChecked();
    void partRefusedPerBoard();
    void silentBoard();
    void uploadStoredPerBoard();
    void uploadChecksChecksums_data();
    void uploadChecksChecksums();
    void slaveResetsRecorded();
};

void TestBoardUnit::defaultUnitLists() {
    const BoardUnit unit = BoardUnit::defaultUnit();
    QCOMPARE(unit.boards.size(), 5);
    const SimBoard *main = unit.board(0, 0);
    QVERIFY(main);
    // The main board's block lists every board of the unit with its quantity.
    BoardInfoBoardEntry entry;
    BoardInfoSpecialEntry special;
    bool malformed = true;
    QCOMPARE(ParseBoardInfoBlock(main->block, 1, entry, special, &malformed), 3);
    QVERIFY(!malformed);
    QCOMPARE(entry.NameText(), QStringLiteral("MAIN"));
    QCOMPARE(int(entry.Quantity), 1);
    QCOMPARE(special.Text, QStringLiteral("0001"));
    const struct {
        int n;
        const char *name;
        int pcbType;
    } listed[] = {{2, "INPUT", 5}, {3, "OUTPUT", 6}};
    for (const auto &l : listed) {
        ParseBoardInfoBlock(main->block, l.n, entry, special);
        QCOMPARE(entry.NameText(), QString::fromLatin1(l.name));
        QCOMPARE(int(entry.PCBType), l.pcbType);
        QCOMPARE(int(entry.Quantity), 2);
        for (int sub = 0; sub < 2; ++sub) {
            const SimBoard *card = unit.board(l.pcbType, sub);
            QVERIFY(card);
            QCOMPARE(ParseBoardInfoBlock(card->block, 1, entry, special, &malformed), 1);
            QVERIFY(!malformed);
            QCOMPARE(int(entry.PCBType), l.pcbType);
        }
    }
    // Every block sums to 0 modulo 256.
    for (const SimBoard &b : unit.boards) {
        QByteArray fixed = b.block;
        FixBoardInfoChecksum(fixed);
        QCOMPARE(fixed, b.block);
        QVERIFY(b.boardInfoValid);
        QVERIFY(!b.bcRunning);
    }
}

void TestBoardUnit::unitFileRoundTrip() {
    BoardUnit unit = BoardUnit::defaultUnit();
    unit.boards[0].bcRunning = true;
    unit.boards[1].refuseParts = true;
    unit.boards[2].silentAfter = 3;
    unit.boards[3].block.clear();
    unit.boards[3].boardInfoValid = false;
    unit.boards[4].pcbVersion = 0x7E; // not a letter: written as a number
    unit.boards[4].block = QByteArray(600, '\x5A');
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unit.ini"));
    QString error;
    QVERIFY2(unit.save(path, &error), qPrintable(error));
    BoardUnit back;
    QVERIFY2(back.load(path, &error), qPrintable(error));
    QVERIFY(back.sameDescription(unit));
    QVERIFY(!back.sameDescription(BoardUnit::defaultUnit()));
}

void TestBoardUnit::unitFileErrors_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const QString main = QStringLiteral("[Board main]\nPCBType = 0\n");
    QTest::newRow("unknown key") << main + "Colour = red\n"
                                 << "line 3: unknown key Colour";
    QTest::newRow("byte range") << main + "MCUType = 256\n"
                                << "line 3: bad value for MCUType: 256";
    QTest::newRow("odd hex") << main + "Block = 01 0\n"
                             << "line 3: bad value for Block: 01 0";
    QTest::newRow("twice") << main + "PCBType = 0\n"
                           << "line 3: PCBType given twice";
    QTest::newRow("before section")
        << "PCBType = 0\n" + main << "line 1: a value before the first [Board] section";
    QTest::newRow("other section") << main + "[Boat]\n"
                                   << "line 3: expected a [Board ...] section";
    QTest::newRow("same board") << main + main << "two boards with PCB type 0 and sub index 0";
    QTest::newRow("no main") << "[Board]\nPCBType = 5\n"
                             << "no main board (PCBType = 0, SubIndex = 0)";
}

void TestBoardUnit::unitFileErrors() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    BoardUnit unit = BoardUnit::defaultUnit();
    QString why;
    QVERIFY(!BoardUnit::fromText(text, &unit, &why));
    QCOMPARE(why, error);
    QCOMPARE(unit.boards.size(), 5); // left as it was
}

void TestBoardUnit::bootCodeInfo_data() {
    QTest::addColumn<int>("pcbType");
    QTest::addColumn<int>("subIndex");
    QTest::addColumn<int>("mcuType");
    QTest::addColumn<int>("bcVersion");
    QTest::newRow("main") << 0 << 0 << 1 << 3;
    QTest::newRow("input 2") << 5 << 1 << 2 << 2;
    QTest::newRow("output 1") << 6 << 0 << 3 << 2;
    QTest::newRow("absent card") << 5 << 2 << -1 << -1;
}

void TestBoardUnit::bootCodeInfo() {
    QFETCH(int, pcbType);
    QFETCH(int, subIndex);
    QFETCH(int, mcuType);
    QFETCH(int, bcVersion);
    MatrixDevice device(builtIn());
    const QByteArray reply =
        device.transact(Requests::readBootCodeInfo(uint8_t(pcbType), uint8_t(subIndex)).toBytes());
    const TReplyRecord r = record(reply);
    QVERIFY(r.ok());
    if (mcuType < 0) {
        QCOMPARE(r.status(), StatusRejected);
        return;
    }
    const BootCodeInfo info = Replies::bootCodeInfo(r);
    QCOMPARE(int(info.PCBType), pcbType);
    QCOMPARE(int(info.SubIndex), subIndex);
    QCOMPARE(int(info.MCUType), mcuType);
    QCOMPARE(int(info.BCVersion), bcVersion);
    QCOMPARE(int(info.BCRunning), 0);
    QCOMPARE(int(info.BoardInfoValid), 1);
}

void TestBoardUnit::mainBoardInBootCode() {
    MatrixDevice device(builtIn());
    device.state().unit.mainBoard()->bcRunning = true;
    TReplyRecord r = record(device.transact(Requests::readBootCodeInfo(0, 0).toBytes()));
    QCOMPARE(int(Replies::bootCodeInfo(r).BCRunning), 1);
    // The cards are out of reach until the main board runs its firmware.
    r = record(device.transact(Requests::readBootCodeInfo(5, 0).toBytes()));
    QCOMPARE(r.status(), StatusRejected);
    r = record(device.transact(Requests::boardInfoReadStart(board(6, 1)).toBytes()));
    QCOMPARE(r.status(), StatusRejected);

    // A main part arrives: the main board leaves its boot code.
    const QByteArray start = uploadFrame(McuSub::UploadWithReboot, 1, 0);
    QCOMPARE(record(device.transact(start)).status(), StatusMore);
    const QByteArray data(40, '\x11');
    QCOMPARE(record(device.transact(uploadPacket(start, data, 0))).status(), StatusOK);
    QVERIFY(!device.state().unit.mainBoard()->bcRunning);
}

void TestBoardUnit::boardInfoReadAndWrite() {
    MatrixDevice device(builtIn());
    BoardInfoFields returned;
    QCOMPARE(readBlock(device, board(0, 0), &returned), device.state().unit.storedBlock(0, 0));
    QCOMPARE(int(returned.PCBType), 0);
    QCOMPARE(int(returned.PCBSolution), 1);
    QCOMPARE(int(returned.PCBVersion), int('B'));
    QCOMPARE(returned.ExtLen(), 39);

    // A 600-byte block written in 256 + 256 + 88 and read back.
    QByteArray block(600, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 7 + 3);
    BoardInfoFields f = board(6, 1);
    f.PCBSolution = 0x33;
    f.PCBVersion = 'C';
    f.setExtLen(600);
    TReplyRecord r = record(device.transact(Requests::boardInfoWriteStart(f).toBytes()));
    QVERIFY(r.ok() && r.status() != StatusRejected);
    for (int at = 0; at < 600; at += 256) {
        const int n = std::min(256, 600 - at);
        r = record(
            device.transact(Requests::boardInfoWritePacket(f, u8(block) + at, n, at + n == 600)));
        QVERIFY(r.ok() && r.status() != StatusRejected);
        QCOMPARE(Replies::boardInfoFields(r).ExtLen(), at + n); // bytes taken so far
    }
    const SimBoard *written = device.state().unit.board(6, 1);
    QCOMPARE(written->block, block);
    QCOMPARE(written->boardInfoWrites, 1);
    QCOMPARE(readBlock(device, board(6, 1), &returned), block);
    QCOMPARE(int(returned.PCBSolution), 0x33);
    QCOMPARE(int(returned.PCBVersion), int('C'));
    QCOMPARE(returned.ExtLen(), 600);

    // A request that claims a length the unit did not send gets a refusal packet.
    device.transact(Requests::boardInfoReadStart(board(6, 1)).toBytes());
    device.transact(Requests::boardInfoReadRequest(board(6, 1), 0).toBytes());
    const QByteArray wrong =
        device.transact(Requests::boardInfoReadRequest(board(6, 1), 100).toBytes());
    QCOMPARE(wrong.size(), PacketWireSize);
    QCOMPARE(u8(wrong)[4], StatusRejected);
}

void TestBoardUnit::writePacketsChecked_data() {
    QTest::addColumn<int>("spoil");
    QTest::newRow("block checksum") << 0;
    QTest::newRow("header checksum") << 1;
    QTest::newRow("longer than announced") << 2;
    QTest::newRow("last marker too early") << 3;
    QTest::newRow("other board") << 4;
}

void TestBoardUnit::writePacketsChecked() {
    QFETCH(int, spoil);
    MatrixDevice device(builtIn());
    const QByteArray before = device.state().unit.storedBlock(5, 0);
    const QByteArray block(300, '\x42');
    BoardInfoFields f = board(5, 0);
    f.setExtLen(spoil == 2 ? 200 : 300);
    device.transact(Requests::boardInfoWriteStart(f).toBytes());
    QByteArray first = Requests::boardInfoWritePacket(f, u8(block), 256, spoil == 3);
    if (spoil == 4) {
        BoardInfoFields other = f;
        other.SubIndex = 1;
        first = Requests::boardInfoWritePacket(other, u8(block), 256, false);
    }
    if (spoil == 0)
        first[20] = char(first[20] ^ 1);
    if (spoil == 1)
        first[12] = char(first[12] ^ 1);
    const QByteArray ack = device.transact(first);
    if (spoil == 1) {
        QVERIFY(ack.isEmpty()); // not a packet: skipped as noise
    } else {
        QCOMPARE(ack.size(), FrameSize);
        QCOMPARE(u8(ack)[4], StatusRejected);
    }
    // The transfer is over; the rest of the block is refused too.
    const QByteArray rest =
        device.transact(Requests::boardInfoWritePacket(f, u8(block) + 256, 44, true));
    QCOMPARE(u8(rest)[4], StatusRejected);
    QCOMPARE(device.state().unit.storedBlock(5, 0), before);
}

void TestBoardUnit::partRefusedPerBoard() {
    MatrixDevice device(builtIn());
    device.state().unit.board(5, 1)->refuseParts = true;
    QCOMPARE(record(device.transact(uploadFrame(McuSub::UploadNoReboot, 5, 2))).status(),
             StatusRefused);
    QCOMPARE(record(device.transact(uploadFrame(McuSub::UploadNoReboot, 5, 1))).status(),
             StatusMore);
}

void TestBoardUnit::silentBoard() {
    MatrixDevice device(builtIn());
    device.state().unit.board(6, 0)->silentAfter = 2;
    const QByteArray ask = Requests::readBootCodeInfo(6, 0).toBytes();
    QCOMPARE(device.transact(ask).size(), FrameSize);
    QCOMPARE(device.transact(ask).size(), FrameSize);
    QVERIFY(device.transact(ask).isEmpty());
    QVERIFY(device.transact(Requests::boardInfoReadStart(board(6, 0)).toBytes()).isEmpty());
    QVERIFY(device.transact(uploadFrame(McuSub::UploadNoReboot, 6, 1)).isEmpty());
    // The other boards still answer.
    QCOMPARE(device.transact(Requests::readBootCodeInfo(6, 1).toBytes()).size(), FrameSize);
}

void TestBoardUnit::uploadStoredPerBoard() {
    MatrixDevice device(builtIn());
    const QByteArray data(300, '\x21');
    const QByteArray start = uploadFrame(McuSub::UploadNoReboot, 6, 2);
    device.transact(start);
    QCOMPARE(record(device.transact(uploadPacket(start, data, 0))).status(), StatusOK);
    QCOMPARE(record(device.transact(uploadPacket(start, data.mid(256), 1))).status(), StatusOK);
    const BoardUnit &unit = device.state().unit;
    QCOMPARE(unit.storedImage(6, 1), data);
    QVERIFY(unit.storedImage(6, 0).isEmpty());
    const StoredImage *image = unit.lastImage(6, 1);
    QCOMPARE(image->start.toBytes(), start);
    QCOMPARE(image->blocks, 2);
    QVERIFY(!image->prepared);
}

void TestBoardUnit::uploadChecksChecksums_data() {
    QTest::addColumn<int>("byte");
    QTest::newRow("header checksum") << 12;
    QTest::newRow("block checksum") << 13;
    QTest::newRow("data") << 40;
}

void TestBoardUnit::uploadChecksChecksums() {
    QFETCH(int, byte);
    MatrixDevice device(builtIn());
    const QByteArray data(100, '\x33');
    const QByteArray start = uploadFrame(McuSub::UploadNoReboot, 5, 1);
    device.transact(start);
    QByteArray packet = uploadPacket(start, data, 0);
    packet[byte] = char(packet[byte] ^ 0x01);
    const QByteArray ack = device.transact(packet);
    QVERIFY(ack.isEmpty() || u8(ack)[4] == StatusRejected);
    QVERIFY(device.state().unit.storedImage(5, 0).isEmpty());
    // The good packet is taken afterwards.
    QCOMPARE(record(device.transact(uploadPacket(start, data, 0))).status(), StatusOK);
    QCOMPARE(device.state().unit.storedImage(5, 0), data);
}

void TestBoardUnit::slaveResetsRecorded() {
    MatrixDevice device(builtIn());
    device.transact(Requests::resetSlaves(BoardParam::SlaveResetForUpgrade).toBytes());
    device.transact(Requests::resetSlaves(BoardParam::SlaveResetForBoardInfo).toBytes());
    QCOMPARE(device.state().unit.slaveResets, (QList<uint16_t>{1, 0}));
    QCOMPARE(device.state().slaveResetCount, 2);
}

QTEST_GUILESS_MAIN(TestBoardUnit)
#include "tst_boardunit.moc"
