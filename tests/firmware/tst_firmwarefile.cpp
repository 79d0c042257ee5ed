// Part headers, the image cipher and the walk over firmware files: what the
// upload frame is built from, which part a lookup returns, and that damaged
// files end the walk without reading past the data.

#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePartHeader.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray plainImage(int size, uint8_t seed) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char(uint8_t(seed + i * 7));
    return image;
}

// One part as a writer stores it: header, then the enciphered image.
QByteArray storedPart(uint8_t partClass, uint16_t kind, uint16_t slot, const QByteArray &plain,
                      uint16_t ver1 = 1, uint16_t ver2 = 5) {
    QByteArray image = plain;
    EncipherFirmware(image);
    return BuildPartHeader(partClass, kind, slot, ver1, ver2, uint32_t(plain.size())).toBytes() +
           image;
}

// main, slave, input cards 1 and 2 (same source image), output card 3.
QByteArray sampleFile() {
    const QByteArray card = plainImage(300, 0x10);
    return storedPart(PartClassMain, McuKindMain, 0, plainImage(40, 0x01)) +
           storedPart(PartClassSub, McuKindSlave, 0, plainImage(33, 0x02)) +
           storedPart(PartClassSub, McuKindInputCard, 1, card) +
           storedPart(PartClassSub, McuKindInputCard, 2, card) +
           storedPart(PartClassSub, McuKindOutputCard, 3, plainImage(17, 0x03));
}

} // namespace

class tst_FirmwareFile : public QObject {
    Q_OBJECT

private slots:
    void cipherUsesCharacterCodesAndRestartsPerBuffer();
    void cipherRoundTrip_data();
    void cipherRoundTrip();
    void headerLayoutAndUploadFrame();
    void headerWithAnyFlippedByteIsRejected_data();
    void headerWithAnyFlippedByteIsRejected();
    void walkListsPartsInFileOrder();
    void identicalCardImages();
    void findPart_data();
    void findPart();
    void badHeaderEndsWalk();
    void truncatedFiles_data();
    void truncatedFiles();
    void randomDamageNeverReadsPastTheData();
};

void tst_FirmwareFile::cipherUsesCharacterCodesAndRestartsPerBuffer() {
    // Key byte 0 is the code of "3" (0x33), not the hex digit value 3.
    QByteArray zeros(33, '\0');
    QVERIFY(EncipherFirmware(zeros));
    QCOMPARE(uint8_t(zeros[0]), uint8_t((0x00 ^ 0x33) + 0x33));
    QCOMPARE(uint8_t(zeros[1]), uint8_t((0x00 ^ 'C') + 'C'));
    // Position 32 uses k[0] again.
    QCOMPARE(zeros[32], zeros[0]);
    QByteArray ff(1, char(0xFF));
    EncipherFirmware(ff);
    QCOMPARE(uint8_t(ff[0]), uint8_t((0xFF ^ 0x33) + 0x33)); // wraps modulo 256
    // Nothing to touch is fine; a null buffer with a length is not.
    QVERIFY(EncipherFirmware(nullptr, 0));
    QVERIFY(!DecipherFirmware(nullptr, 4));
}

void tst_FirmwareFile::cipherRoundTrip_data() {
    QTest::addColumn<int>("size");
    for (int size : {1, 31, 32, 33, 64, 257, 4099})
        QTest::addRow("%d bytes", size) << size;
}

void tst_FirmwareFile::cipherRoundTrip() {
    QFETCH(int, size);
    QByteArray plain(size, '\0');
    for (int i = 0; i < size; ++i)
        plain[i] = char(QRandomGenerator::global()->bounded(256));
    QByteArray b = plain;
    QVERIFY(EncipherFirmware(b));
    if (size >= 32)
        QVERIFY(b != plain);
    QVERIFY(DecipherFirmware(b));
    QCOMPARE(b, plain);
}

void tst_FirmwareFile::headerLayoutAndUploadFrame() {
    const FirmwarePartHeader h =
        BuildPartHeader(PartClassSub, McuKindInputCard, 7, 0x0102, 9, 0x01020304);
    const QByteArray bytes = h.toBytes();
    QCOMPARE(bytes.size(), 143);
    QVERIFY(bytes.startsWith("DON'T MODIFY THIS FILE MANNUALLY!\0"));
    QCOMPARE(bytes.mid(64, 22), QByteArray("FIRMWARE FOR MergedFW\0", 22));
    QCOMPARE(bytes.mid(86, 42), QByteArray(42, '\0'));
    QCOMPARE(bytes.mid(128, 14),
             QByteArray::fromHex("20 02 0500 0700 0201 0900 04030201").left(14));
    int sum = 0;
    for (char c : bytes)
        sum += uint8_t(c);
    QCOMPARE(sum % 256, 0);
    QVERIFY(PartHeaderValid(h));
    QCOMPARE(h.ImageLength(), 0x01020304u);

    const Frame f = h.UploadFrame();
    QCOMPARE(f.toBytes().left(12), QByteArray("\xA5\x5B") + bytes.mid(128, 10));
    QCOMPARE(f.b[12], FrameChecksum(f));

    // Rewriting a field and sealing again keeps the header valid.
    FirmwarePartHeader g = h;
    g.setSlot(3);
    QVERIFY(!PartHeaderValid(g));
    g.Seal();
    QVERIFY(PartHeaderValid(g));
    QCOMPARE(g.Slot(), uint16_t(3));
}

void tst_FirmwareFile::headerWithAnyFlippedByteIsRejected_data() {
    QTest::addColumn<int>("offset");
    for (int offset : {0, 63, 64, 128, 129, 131, 138, 141, 142})
        QTest::addRow("byte %d", offset) << offset;
}

void tst_FirmwareFile::headerWithAnyFlippedByteIsRejected() {
    QFETCH(int, offset);
    FirmwarePartHeader h = BuildPartHeader(PartClassMain, McuKindMain, 0, 1, 2, 10);
    h.b[offset] ^= 0x40;
    QVERIFY(!PartHeaderValid(h));
}

void tst_FirmwareFile::walkListsPartsInFileOrder() {
    const QByteArray bytes = sampleFile() + storedPart(PartClassSub, McuKindIdir, 0, QByteArray());
    const FirmwareFile file(bytes);
    QVERIFY(file.Valid());
    QCOMPARE(file.Parts().size(), 6);
    QCOMPARE(file.Parts().at(0).Header.PartClass(), PartClassMain);
    QCOMPARE(file.Parts().at(4).Header.Slot(), uint16_t(3));
    // A zero-length part is a header followed directly by the next header
    // (here: the end of the file).
    QCOMPARE(file.Parts().at(5).Header.ImageLength(), 0u);
    QCOMPARE(file.Parts().at(5).ImageOffset, bytes.size());
    QCOMPARE(file.PlainImage(0), plainImage(40, 0x01));
    QVERIFY(file.PlainImage(6).isEmpty());
    QVERIFY(FirmwareFile(QByteArray()).Valid());
}

void tst_FirmwareFile::identicalCardImages() {
    const FirmwareFile file(sampleFile());
    QCOMPARE(file.StoredImage(2), file.StoredImage(3));
    QVERIFY(file.StoredImage(2) != plainImage(300, 0x10));
    QCOMPARE(file.PlainImage(3), plainImage(300, 0x10));
}

void tst_FirmwareFile::findPart_data() {
    QTest::addColumn<int>("partClass");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("slot"); // -1: none asked
    QTest::addColumn<int>("expectedSlot");
    QTest::addColumn<int>("expectedSize"); // -1: not found
    QTest::newRow("main") << 1 << 0 << -1 << 0 << 40;
    QTest::newRow("main, kind ignored") << 1 << 6 << -1 << 0 << 40;
    QTest::newRow("slave") << 2 << 1 << -1 << 0 << 33;
    QTest::newRow("input, first of kind") << 2 << 5 << -1 << 1 << 300;
    QTest::newRow("input slot 2") << 2 << 5 << 2 << 2 << 300;
    QTest::newRow("input slot 3 missing") << 2 << 5 << 3 << 0 << -1;
    QTest::newRow("output slot 3") << 2 << 6 << 3 << 3 << 17;
    QTest::newRow("panel missing") << 2 << 3 << -1 << 0 << -1;
    QTest::newRow("class 0 matches nothing") << 0 << 0 << -1 << 0 << -1;
}

void tst_FirmwareFile::findPart() {
    QFETCH(int, partClass);
    QFETCH(int, kind);
    QFETCH(int, slot);
    QFETCH(int, expectedSlot);
    QFETCH(int, expectedSize);
    const auto found = FindPart(sampleFile(), uint8_t(partClass), uint16_t(kind),
                                slot < 0 ? std::nullopt : std::optional<uint16_t>(uint16_t(slot)));
    if (expectedSize < 0) {
        QVERIFY(!found);
        return;
    }
    QVERIFY(found);
    QCOMPARE(found->Header.Slot(), uint16_t(expectedSlot));
    QCOMPARE(found->Image.size(), expectedSize);
    QVERIFY(PartHeaderValid(found->Header));
    if (expectedSize == 300)
        QCOMPARE(found->Image, plainImage(300, 0x10)); // deciphered
}

void tst_FirmwareFile::badHeaderEndsWalk() {
    QByteArray bytes = sampleFile();
    const qsizetype slaveAt = 143 + 40;
    bytes[slaveAt + 130] = char(bytes[slaveAt + 130] ^ 0x04); // slave kind 1 → 5, sum off
    const FirmwareFile file(bytes);
    QCOMPARE(file.End(), FirmwareWalkEnd::BadHeader);
    QCOMPARE(file.Parts().size(), 1); // the main part before it stays
    QVERIFY(FindPart(bytes, PartClassMain));
    QVERIFY(!FindPart(bytes, PartClassSub, McuKindOutputCard, 3)); // after the bad header
}

void tst_FirmwareFile::truncatedFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("parts");
    const QByteArray main = storedPart(PartClassMain, McuKindMain, 0, plainImage(40, 1));
    const QByteArray slave = storedPart(PartClassSub, McuKindSlave, 0, plainImage(20, 2));
    QTest::newRow("image one byte short") << (main + slave).chopped(1) << 1;
    QTest::newRow("only a header") << slave.left(143) << 0;
    QTest::newRow("half a header") << main + slave.left(70) << 1;
    QTest::newRow("zeros after a part") << main + QByteArray(100, '\0') << 1;
    QByteArray huge = BuildPartHeader(PartClassSub, McuKindSlave, 0, 1, 1, 0xFFFFFFFFu).toBytes();
    QTest::newRow("image length 4 GiB") << main + huge + QByteArray(10, 'x') << 1;
}

void tst_FirmwareFile::truncatedFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, parts);
    const FirmwareFile file(bytes);
    QCOMPARE(file.End(), FirmwareWalkEnd::Truncated);
    QCOMPARE(file.Parts().size(), parts);
    // A short image is never handed out as a part.
    QVERIFY(!FindPart(bytes, PartClassSub, McuKindSlave));
}

void tst_FirmwareFile::randomDamageNeverReadsPastTheData() {
    QRandomGenerator rng(20240611);
    const QByteArray valid = sampleFile();
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = valid.left(rng.bounded(int(valid.size()) + 1));
        const int flips = rng.bounded(4);
        for (int i = 0; i < flips && !bytes.isEmpty(); ++i)
            bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256));
        const FirmwareFile file(bytes);
        for (const FirmwarePartEntry &part : file.Parts()) {
            QVERIFY(PartHeaderValid(part.Header));
            QVERIFY(part.ImageOffset + qint64(part.Header.ImageLength()) <= bytes.size());
        }
        if (file.Valid())
            QVERIFY(bytes.isEmpty() || !file.Parts().isEmpty());
        for (uint16_t kind = 1; kind <= 6; ++kind)
            FindPart(bytes, PartClassSub, kind);
    }
}

QTEST_GUILESS_MAIN(tst_FirmwareFile)
#include "tst_firmwarefile.moc"
