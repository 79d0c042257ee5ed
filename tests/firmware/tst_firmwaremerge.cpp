// The merge of MCU images into a firmware file: version texts, the order and
// headers of the parts, the enciphered images, the log lines and the file
// name, and the atomic save.

#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwareMerge.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

QByteArray plainImage(int size, uint8_t seed) {
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char(uint8_t(seed + i * 11));
    return image;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

MergeRow &row(std::array<MergeRow, MergeRowCount> &rows, MergeRowKind kind) {
    return rows[size_t(kind)];
}

} // namespace

class tst_FirmwareMerge : public QObject {
    Q_OBJECT

private slots:
    void init();
    void parseVersionText_data();
    void parseVersionText();
    void mainOnlyNameAndPart();
    void everyRowInMergeOrderDeciphersBack();
    void cardRowsRepeatWithSlotsAndIdenticalBytes();
    void missingFilesAreReportedAndLeftOut();
    void nothingNamedMergesNothing();
    void dateStampNonNumbersAndProductDefault();
    void fileNameStaysInItsFolder();
    void emptyImageGivesAZeroLengthPart();
    void saveReplacesTheFileWhole();

private:
    // A fresh folder for every test function.
    std::unique_ptr<QTemporaryDir> tmp;
    QString path(const QString &name) const { return tmp->filePath(name); }
};

void tst_FirmwareMerge::init() {
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
}

void tst_FirmwareMerge::parseVersionText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << QString() << 0 << true;
    QTest::newRow("one digit") << QStringLiteral("5") << 5 << true;
    QTest::newRow("leading zeros") << QStringLiteral("007") << 7 << true;
    QTest::newRow("255") << QStringLiteral("255") << 255 << true;
    QTest::newRow("256 clamps") << QStringLiteral("256") << 255 << true;
    QTest::newRow("300 clamps") << QStringLiteral("300") << 255 << true;
    QTest::newRow("four digits cut to three") << QStringLiteral("1234") << 123 << true;
    QTest::newRow("cut before a letter") << QStringLiteral("12a") << 0 << false;
    QTest::newRow("letters after three digits") << QStringLiteral("100xyz") << 100 << true;
    QTest::newRow("not a number") << QStringLiteral("abc") << 0 << false;
    QTest::newRow("negative") << QStringLiteral("-5") << 0 << false;
}

void tst_FirmwareMerge::parseVersionText() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, ok);
    const ParsedVersion v = ParseVersionText(text);
    QCOMPARE(int(v.Value), value);
    QCOMPARE(v.Ok, ok);
}

void tst_FirmwareMerge::mainOnlyNameAndPart() {
    const QByteArray image = plainImage(700, 0x21);
    QVERIFY(writeFile(path(QStringLiteral("main.bin")), image));
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::Main) = {
        QStringLiteral("  ") + path(QStringLiteral("main.bin")) + QStringLiteral(" "),
        QStringLiteral("1"), QStringLiteral("5"), QStringLiteral(" A ")};
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("pm"), QString());
    QCOMPARE(r.FileName, QStringLiteral("PM MAIN(A)1.05.FW"));
    QVERIFY(!r.Empty());
    // Trimmed texts go back into the edits.
    QCOMPARE(r.Rows[0].FilePath, path(QStringLiteral("main.bin")));
    QCOMPARE(r.Rows[0].PcbText, QStringLiteral("A"));
    QVERIFY(r.Rows[0].Merged);
    QCOMPARE(r.FirstSourceFolder, QDir(tmp->path()).absolutePath());
    QCOMPARE(r.Log, QStringList({QStringLiteral("Main MCU firmware: ") +
                                     path(QStringLiteral("main.bin")) + QStringLiteral(" loaded"),
                                 QStringLiteral("Main MCU firmware merged, ver1.05")}));

    QCOMPARE(r.Bytes.size(), FirmwarePartHeaderSize + image.size());
    const FirmwarePartHeader h = FirmwarePartHeader::fromBytes(r.Bytes.constData(), r.Bytes.size());
    QVERIFY(PartHeaderValid(h));
    QCOMPARE(h.PartClass(), PartClassMain);
    QCOMPARE(h.MCUKind(), McuKindMain);
    QCOMPARE(h.Slot(), uint16_t(0));
    QCOMPARE(h.Ver1(), uint16_t(1));
    QCOMPARE(h.Ver2(), uint16_t(5));
    QCOMPARE(h.ImageLength(), uint32_t(image.size()));
    QByteArray stored = r.Bytes.mid(FirmwarePartHeaderSize);
    QVERIFY(stored != image); // enciphered on disk
    DecipherFirmware(stored);
    QCOMPARE(stored, image);
}

void tst_FirmwareMerge::everyRowInMergeOrderDeciphersBack() {
    std::array<MergeRow, MergeRowCount> rows;
    QList<QByteArray> images;
    for (int i = 0; i < MergeRowCount; ++i) {
        images << plainImage(100 + 37 * i, uint8_t(0x40 + i));
        const QString file = path(QStringLiteral("mcu%1.bin").arg(i));
        QVERIFY(writeFile(file, images.last()));
        rows[size_t(i)] = {file, QString::number(i + 1), QString::number(10 + i),
                           i % 2 ? QStringLiteral("B") : QString()};
    }
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("Unit"), QString());
    QCOMPARE(r.FileName, QStringLiteral("UNIT MAIN1.10 SLAVE(B)2.11 IRMX3.12 PANEL(B)4.13 IDIR5.14 "
                                        "INPUTCARD(B)6.15 OUTPUTCARD7.16.FW"));

    // The file walks cleanly, parts in merge order: five single parts, then
    // input cards 1..8, then output cards 1..8.
    const FirmwareFile file(r.Bytes);
    QVERIFY(file.Valid());
    QCOMPARE(file.Parts().size(), 5 + 2 * MergeCardSlots);
    for (int p = 0; p < file.Parts().size(); ++p) {
        const FirmwarePartHeader &h = file.Parts()[p].Header;
        const int rowIndex = p < 5 ? p : (p < 13 ? 5 : 6);
        const MergeRowKind kind = MergeRowKind(rowIndex);
        QCOMPARE(h.PartClass(), FirmwareMerge::RowPartClass(kind));
        QCOMPARE(h.MCUKind(), FirmwareMerge::RowMcuKind(kind));
        QCOMPARE(h.Slot(), uint16_t(p < 5 ? 0 : (p - 5) % MergeCardSlots + 1));
        QCOMPARE(h.Ver1(), uint16_t(rowIndex + 1));
        QCOMPARE(h.Ver2(), uint16_t(10 + rowIndex));
        QCOMPARE(file.PlainImage(p), images[rowIndex]);
    }

    // The lookup the upgrades use finds each part and deciphers it.
    QCOMPARE(FindPart(r.Bytes, PartClassMain)->Image, images[0]);
    QCOMPARE(FindPart(r.Bytes, PartClassSub, McuKindIrMatrix)->Image, images[2]);
    QCOMPARE(FindPart(r.Bytes, PartClassSub, McuKindIdir)->Image, images[4]);
    const auto out8 = FindPart(r.Bytes, PartClassSub, McuKindOutputCard, uint16_t(8));
    QVERIFY(out8);
    QCOMPARE(out8->Header.Slot(), uint16_t(8));
    QCOMPARE(out8->Image, images[6]);
}

void tst_FirmwareMerge::cardRowsRepeatWithSlotsAndIdenticalBytes() {
    const QByteArray card = plainImage(333, 0x05);
    const QString in = path(QStringLiteral("in.bin"));
    const QString out = path(QStringLiteral("out.bin"));
    QVERIFY(writeFile(in, card));
    QVERIFY(writeFile(out, plainImage(20, 0x77)));
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::InputCard) = {in, QStringLiteral("2"), QStringLiteral("3"), {}};
    row(rows, MergeRowKind::OutputCard) = {out, QStringLiteral("4"), QStringLiteral("0"), {}};
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("X"), QString());
    QCOMPARE(r.FileName, QStringLiteral("X INPUTCARD2.03 OUTPUTCARD4.00.FW"));

    const FirmwareFile file(r.Bytes);
    QVERIFY(file.Valid());
    QCOMPARE(file.Parts().size(), 16);
    const QByteArray first = file.StoredImage(0);
    for (int n = 0; n < MergeCardSlots; ++n) {
        QCOMPARE(file.Parts()[n].Header.MCUKind(), McuKindInputCard);
        QCOMPARE(file.Parts()[n].Header.Slot(), uint16_t(n + 1));
        QCOMPARE(file.StoredImage(n), first); // the cipher restarts for every part
    }
    QCOMPARE(file.PlainImage(3), card);

    // One pair of log lines per card; the output row's text has two colons.
    QCOMPARE(r.Log.size(), 32);
    QCOMPARE(r.Log[0],
             QStringLiteral("Input Card MCU1 firmware: ") + in + QStringLiteral(" loaded"));
    QCOMPARE(r.Log[15], QStringLiteral("Input Card MCU8 firmware merged, ver2.03"));
    QCOMPARE(r.Log[20],
             QStringLiteral("Output Card MCU3 firmware:: ") + out + QStringLiteral(" loaded"));
    QCOMPARE(r.Log[21], QStringLiteral("Output Card MCU3 firmware merged, ver4.00"));
}

void tst_FirmwareMerge::missingFilesAreReportedAndLeftOut() {
    const QString slave = path(QStringLiteral("slave.bin"));
    QVERIFY(writeFile(slave, plainImage(64, 1)));
    const QString gone = path(QStringLiteral("gone.bin"));
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::Main) = {gone, QStringLiteral("1"), QStringLiteral("1"),
                                     QStringLiteral("A")};
    row(rows, MergeRowKind::Slave) = {slave, QStringLiteral("3"), QStringLiteral("4"), {}};
    row(rows, MergeRowKind::OutputCard) = {tmp->path(), QStringLiteral("1"), {}, {}}; // a folder
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("PM"), QString());
    QCOMPARE(r.FileName, QStringLiteral("PM SLAVE3.04.FW"));
    QVERIFY(!r.Rows[0].Merged);
    QVERIFY(r.Rows[1].Merged);
    QCOMPARE(r.Rows[0].PcbText, QStringLiteral("A")); // not merged: left as typed
    QCOMPARE(r.Log.first(),
             QStringLiteral("Main MCU firmware file: ") + gone + QStringLiteral(" does not exist"));
    QCOMPARE(r.Log.last(), QStringLiteral("Output Card MCU firmware file: ") + tmp->path() +
                               QStringLiteral(" does not exist"));
    QCOMPARE(FirmwareFile(r.Bytes).Parts().size(), 1);
}

void tst_FirmwareMerge::nothingNamedMergesNothing() {
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::Idir) = {QStringLiteral("   "), QStringLiteral("9"), {}, {}};
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("PM"), QStringLiteral("1"));
    QVERIFY(r.Empty());
    QVERIFY(r.Bytes.isEmpty());
    QVERIFY(r.Log.isEmpty());
    QVERIFY(r.FirstSourceFolder.isEmpty());
    QCOMPARE(r.Rows[4].FilePath, QString()); // blanks trimmed away

    // Only missing files: their lines, and still nothing to save.
    row(rows, MergeRowKind::Idir).FilePath = path(QStringLiteral("none.bin"));
    const MergeResult missing = FirmwareMerge::Merge(rows, QStringLiteral("PM"), QString());
    QVERIFY(missing.Empty());
    QCOMPARE(missing.Log.size(), 1);
}

void tst_FirmwareMerge::dateStampNonNumbersAndProductDefault() {
    const QString panel = path(QStringLiteral("panel.bin"));
    QVERIFY(writeFile(panel, plainImage(10, 9)));
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::FrontPanel) = {panel, QStringLiteral("x1"), QStringLiteral("1234"),
                                           QStringLiteral("c")};
    const MergeResult r = FirmwareMerge::Merge(rows, QString(), QStringLiteral("20261209"));
    QCOMPARE(r.FileName, QStringLiteral("MERGEDFW PANEL(C)0.123 20261209.FW"));
    QCOMPARE(r.Rows[3].Ver1.Ok, false);
    QCOMPARE(int(r.Rows[3].Ver1.Value), 0);
    QCOMPARE(int(r.Rows[3].Ver2.Value), 123);
    const FirmwarePartHeader h = FirmwarePartHeader::fromBytes(r.Bytes.constData(), r.Bytes.size());
    QCOMPARE(h.Ver1(), uint16_t(0));
    QCOMPARE(h.Ver2(), uint16_t(123));
}

void tst_FirmwareMerge::fileNameStaysInItsFolder() {
    const QString main = path(QStringLiteral("main.bin"));
    QVERIFY(writeFile(main, plainImage(10, 2)));
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::Main) = {main, QStringLiteral("1"), QStringLiteral("2"), {}};
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("../up\\pm"), QString());
    QCOMPARE(r.FileName, QStringLiteral(".._UP_PM MAIN1.02.FW"));
    // Only the file name is upper-cased; the folder keeps its case.
    QCOMPARE(FirmwareMerge::JoinPath(QStringLiteral("/tmp/lower"), r.FileName),
             QStringLiteral("/tmp/lower/.._UP_PM MAIN1.02.FW"));
    QCOMPARE(FirmwareMerge::JoinPath(QStringLiteral("/tmp/lower/"), QStringLiteral("A.FW")),
             QStringLiteral("/tmp/lower/A.FW"));
}

void tst_FirmwareMerge::emptyImageGivesAZeroLengthPart() {
    const QString empty = path(QStringLiteral("empty.bin"));
    const QString irmx = path(QStringLiteral("irmx.bin"));
    QVERIFY(writeFile(empty, QByteArray()));
    QVERIFY(writeFile(irmx, plainImage(50, 3)));
    std::array<MergeRow, MergeRowCount> rows;
    row(rows, MergeRowKind::Slave) = {empty, QStringLiteral("1"), QStringLiteral("0"), {}};
    row(rows, MergeRowKind::IrMatrix) = {irmx, QStringLiteral("2"), QStringLiteral("0"), {}};
    const MergeResult r = FirmwareMerge::Merge(rows, QStringLiteral("Z"), QString());
    const FirmwareFile file(r.Bytes);
    QVERIFY(file.Valid());
    QCOMPARE(file.Parts().size(), 2);
    QCOMPARE(file.Parts()[0].Header.ImageLength(), uint32_t(0));
    // The next header follows the empty part's header directly.
    QCOMPARE(file.Parts()[1].HeaderOffset, qsizetype(FirmwarePartHeaderSize));
    QCOMPARE(FindPart(r.Bytes, PartClassSub, McuKindIrMatrix)->Image, plainImage(50, 3));
}

void tst_FirmwareMerge::saveReplacesTheFileWhole() {
    const QString target = path(QStringLiteral("OUT.FW"));
    QVERIFY(writeFile(target, QByteArray(5000, 'x')));
    QString error;
    QVERIFY(FirmwareMerge::SaveFile(target, QByteArrayLiteral("new"), &error));
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArrayLiteral("new"));
    // No temporary file left beside it.
    QCOMPARE(QDir(tmp->path()).entryList(QDir::Files | QDir::Hidden), QStringList({"OUT.FW"}));
    // A folder that does not exist: an error, nothing written.
    QVERIFY(!FirmwareMerge::SaveFile(path(QStringLiteral("NOPE/X.FW")), "a", &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_FirmwareMerge)
#include "tst_firmwaremerge.moc"
