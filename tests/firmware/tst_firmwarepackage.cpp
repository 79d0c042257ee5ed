// Firmware packages: reading items by number, the summary of an item, the
// package-information report, and packages that end early or lie about their
// lengths.

#include "PackageSamples.h"
#include "boardinfo/BoardInfoBlock.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/PackageInfoReport.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace samples;

namespace {

const QString Stamp = QStringLiteral("11/06/2024 14:03");

// Where the board-information header of the first item starts.
constexpr int InfoHeaderAt = 143 + 342;

} // namespace

class tst_FirmwarePackage : public QObject {
    Q_OBJECT

private slots:
    void readItemTwoOfThree();
    void readAllAndBeyond();
    void closingStopsTheWalk();
    void reportText();
    void reportVersionLine_data();
    void reportVersionLine();
    void hostilePackages_data();
    void hostilePackages();
    void randomDamage();
};

void tst_FirmwarePackage::readItemTwoOfThree() {
    const QByteArray bytes = package();
    PackageItem item;
    bool malformed = true;
    QCOMPARE(ReadPackageItem(bytes, 2, item, &malformed), 2);
    QVERIFY(!malformed);
    QCOMPARE(item.Header.PartClass(), PartClassSub);
    QCOMPARE(item.Header.MCUKind(), uint16_t(5));
    QVERIFY(PartHeaderValid(item.Header));
    QCOMPARE(item.Image, image(70, 5)); // deciphered
    QCOMPARE(item.Record.Level(), 2);
    QCOMPARE(BoardNameText(item.Record.BoardName()), QStringLiteral("INPUT"));

    BoardInfoBoardEntry board;
    BoardInfoSpecialEntry special;
    QCOMPARE(ParseBoardInfoBlock(item.Block, 1, board, special), 1);
    QCOMPARE(board.NameText(), QStringLiteral("Input FW"));
    QCOMPARE(board.Quantity, uint8_t(8));
    QCOMPARE(item.InfoHeader.BlockLength(), uint16_t(item.Block.size()));

    const TVCUpgradeCheckPoint &c = item.CheckPoint;
    QCOMPARE(c.PCBType, uint8_t(5));
    QCOMPARE(c.MCUType, uint8_t(7));
    QCOMPARE(c.Solution, uint8_t(0x0A));
    QCOMPARE(c.PCBVersion, uint8_t('A'));
    QCOMPARE(c.PCBVersionFrom, uint8_t('A'));
    QCOMPARE(c.PCBVersionTo, uint8_t('Z'));
    QCOMPARE(c.SpecialCode, QStringLiteral("12AB;0003"));
    QCOMPARE(c.Ver1, uint8_t(2));
    QCOMPARE(c.Ver2, uint8_t(17));
    QCOMPARE(c.IncludeBoardInfo, uint8_t(0));
    QCOMPARE(c.OverwriteSpecialCode, uint8_t(1));
    QCOMPARE(c.DefaultFirmware, uint8_t(0));

    // The stored item keeps the enciphered image.
    const QByteArray stored = FirmwarePackage(bytes).StoredItem(2);
    QByteArray enciphered = image(70, 5);
    EncipherFirmware(enciphered);
    QVERIFY(stored.contains(enciphered));
    QVERIFY(stored.endsWith(QByteArray(16, char(0x88))));
}

void tst_FirmwarePackage::readAllAndBeyond() {
    const QByteArray bytes = package();
    PackageItem item;
    QCOMPARE(ReadPackageItem(bytes, -1, item), 3);
    QCOMPARE(item.CheckPoint.PCBType, uint8_t(3)); // the last one
    QVERIFY(item.Image.isEmpty());
    QCOMPARE(ReadPackageItem(bytes, 4, item), 3);
    QCOMPARE(item.CheckPoint.PCBType, uint8_t(0)); // cleared
    QVERIFY(item.Block.isEmpty());
    QCOMPARE(ReadPackageItem(bytes, 0, item), 0);
    QCOMPARE(ReadPackageItem(QByteArray(), -1, item), 0);
}

void tst_FirmwarePackage::closingStopsTheWalk() {
    const bool closing = true;
    PackageItem item;
    bool malformed = false;
    QCOMPARE(ReadPackageItem(package(), -1, item, &malformed, &closing), 0);
}

void tst_FirmwarePackage::reportText() {
    const QList<ItemFields> one = {threeItems().at(0)};
    const QString text =
        PackageInfoText(package(one), QStringLiteral("/some/folder/pkg A.fw2"), Stamp);
    const QString expected = QStringLiteral("Firmware Package File: pkg A.fw2\r\n"
                                            "Part Count: 1\r\n"
                                            "\r\n"
                                            "Part: 1\r\n"
                                            "Name: MAIN->Main MCU->Main FW\r\n"
                                            "PCB Type: 0\r\n"
                                            "MCU Type: 3\r\n"
                                            "Solution: 2C\r\n"
                                            "Quantity: 1\r\n"
                                            "PCB Version: B\r\n"
                                            "PCB Version From: A\r\n"
                                            "PCB Version To: C\r\n"
                                            "Include Board Info: 1\r\n"
                                            "Overwrite Special Code: 0\r\n"
                                            "Special Code: 0001\r\n"
                                            "Default Firmware: 1\r\n"
                                            "Version: 1.05\r\n"
                                            "\r\n"
                                            "11/06/2024 14:03\r\n"
                                            "******End******");
    QCOMPARE(text, expected);
    const QString three = PackageInfoText(package(), QStringLiteral("p.fw2"), Stamp);
    QVERIFY(three.contains(QStringLiteral("Part Count: 3\r\n")));
    QVERIFY(three.contains(QStringLiteral("Part: 3\r\nName: PANEL->Panel MCU->Panel FW\r\n")));
    QVERIFY(three.contains(QStringLiteral("Solution: FF\r\n")));
    QVERIFY(three.contains(QStringLiteral("Special Code: \r\n")));
}

void tst_FirmwarePackage::reportVersionLine_data() {
    QTest::addColumn<int>("ver1");
    QTest::addColumn<int>("ver2");
    QTest::addColumn<QString>("line");
    QTest::newRow("1.05") << 1 << 5 << "Version: 1.05";
    QTest::newRow("0.00") << 0 << 0 << "Version: 0.00";
    QTest::newRow("12.34") << 12 << 34 << "Version: 12.34";
    QTest::newRow("255.255") << 255 << 255 << "Version: 255.255";
}

void tst_FirmwarePackage::reportVersionLine() {
    QFETCH(int, ver1);
    QFETCH(int, ver2);
    QFETCH(QString, line);
    ItemFields s = threeItems().at(0);
    s.ver1 = uint8_t(ver1);
    s.ver2 = uint8_t(ver2);
    const QString text = PackageInfoText(package({s}), QStringLiteral("x.fw2"), Stamp);
    QVERIFY2(text.contains(QStringLiteral("\r\n") + line + QStringLiteral("\r\n")),
             qPrintable(text));
}

void tst_FirmwarePackage::hostilePackages_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    const QByteArray good = package();
    const QByteArray first = packageItem(threeItems().at(0));
    QTest::newRow("trailer cut short") << good.chopped(1) << 2;
    QTest::newRow("image cut short") << good.left(first.size() - 17) << 0;
    QTest::newRow("only part of the fixed head") << first.left(400) << 0;
    QByteArray longImage = first;
    longImage[138] = char(0xFF); // image length + 255, past the end
    QTest::newRow("image length past the end") << longImage << 0;
    QByteArray huge = first;
    huge[138] = huge[139] = huge[140] = huge[141] = char(0xFF);
    QTest::newRow("image length 4 GiB") << huge + good << 0;
    QByteArray longBlock = first;
    longBlock[InfoHeaderAt + 9] = char(0x7F);
    QTest::newRow("block length past the end") << longBlock << 0;
    QTest::newRow("garbage after two items") << good.left(good.size() - 16 - 501 - 16) + "xyz" << 2;
}

void tst_FirmwarePackage::hostilePackages() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    PackageItem item;
    bool malformed = false;
    QCOMPARE(ReadPackageItem(bytes, -1, item, &malformed), count);
    QVERIFY(malformed);
    // The report covers the complete items only.
    QVERIFY(PackageInfoText(bytes, "x.fw2", Stamp)
                .contains(QStringLiteral("Part Count: %1\r\n").arg(count)));
}

void tst_FirmwarePackage::randomDamage() {
    const QByteArray valid = package();
    QRandomGenerator rng(99);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = valid.left(rng.bounded(int(valid.size()) + 1));
        for (int i = rng.bounded(6); i > 0 && !bytes.isEmpty(); --i) {
            // Aim most hits at the length fields.
            const int at = rng.bounded(2) ? rng.bounded(int(bytes.size()))
                                          : (rng.bounded(2) ? 138 + rng.bounded(4)
                                                            : InfoHeaderAt + 8 + rng.bounded(2));
            if (at < bytes.size())
                bytes[at] = char(rng.bounded(256));
        }
        const FirmwarePackage walk(bytes);
        QVERIFY(walk.Count() <= 3);
        qsizetype total = 0;
        for (int k = 1; k <= walk.Count(); ++k)
            total += walk.StoredItem(k).size();
        QVERIFY(total <= bytes.size());
        PackageInfoText(bytes, "x.fw2", Stamp);
    }
}

QTEST_GUILESS_MAIN(tst_FirmwarePackage)
#include "tst_firmwarepackage.moc"
