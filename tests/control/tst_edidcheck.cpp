// The EDID page's byte checks and hex-grid conversion, on the sample EDIDs
// and on damaged copies of them.

#include "SampleFiles.h"
#include "control/EdidCheck.h"
#include "control/EdidDecoder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QString EdidDir() {
    return samples::edidDir();
}

QByteArray Sample(const QString &name) {
    return samples::readEdid(name);
}

// Sets byte 255 so that bytes 0..255 sum to zero again.
void FixTotal(QByteArray &b) {
    unsigned sum = 0;
    for (int i = 0; i < 255; ++i)
        sum += uchar(b[i]);
    b[255] = char((0u - sum) & 0xFF);
}

QStringList DataCells(const QStringList &cells) {
    QStringList data;
    for (int r = 1; r < EdidGridDim; ++r) {
        for (int c = 1; c < EdidGridDim; ++c)
            data << cells.at(EdidGridIndex(r, c));
    }
    return data;
}

} // namespace

class TestEdidCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void showableSizes_data();
    void showableSizes();
    void everyChangedByteRefused();
    void headerCheckedApartFromChecksum();
    void onlyTheTotalChecksumIsChecked();
    void gridHeadersAndCells();
    void failedDisplayKeepsDataCells();
    void gridRoundTrip();
    void gridCellDecoding_data();
    void gridCellDecoding();
    void emptyOrMissingCellRefused();
    void clearKeepsHeaders();
};

void TestEdidCheck::initTestCase() {
    REQUIRE_SAMPLE_EDIDS();
}

void TestEdidCheck::showableSizes_data() {
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("showable");

    const QStringList files =
        QDir(EdidDir()).entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 10);
    for (const QString &name : files) {
        const QByteArray b = Sample(name);
        QVERIFY(!b.isEmpty());
        // The 256-byte dumps are showable; the 128-byte base block alone and
        // the 384-byte dump with two extensions are not.
        QTest::newRow(qPrintable(name)) << b << (b.size() == 256);
    }
    const QByteArray asus = Sample(QStringLiteral("asus-vw246-hdmi.bin"));
    QTest::newRow("257 bytes, last ignored") << (asus + char(0x5A)) << true;
    QTest::newRow("258 bytes") << (asus + QByteArray(2, '\0')) << false;
    QTest::newRow("255 bytes") << asus.left(255) << false;
    QTest::newRow("first 128 bytes") << asus.left(128) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestEdidCheck::showableSizes() {
    QFETCH(QByteArray, buffer);
    QFETCH(bool, showable);
    QCOMPARE(EdidBufferShowable(buffer), showable);
    QStringList cells = EdidEmptyGrid();
    QCOMPARE(EdidBytesToGrid(buffer, cells), showable);
    if (showable) {
        QByteArray back;
        QVERIFY(EdidGridToBytes(cells, back));
        QCOMPARE(back, buffer.left(256));
    }
}

void TestEdidCheck::everyChangedByteRefused() {
    const QByteArray good = Sample(QStringLiteral("samsung-ue55ks-hdmi.bin"));
    QVERIFY(EdidBufferShowable(good));
    for (int i = 0; i < 256; ++i) {
        QByteArray bad = good;
        bad[i] = char(uchar(bad[i]) ^ 0x10);
        if (EdidBufferShowable(bad))
            QFAIL(qPrintable(QStringLiteral("byte %1 changed but accepted").arg(i)));
    }
}

void TestEdidCheck::headerCheckedApartFromChecksum() {
    const QByteArray good = Sample(QStringLiteral("sony-kd55xd-hdmi.bin"));
    for (int i = 0; i < 8; ++i) {
        QByteArray bad = good;
        bad[i] = char(0x7F);
        FixTotal(bad);
        QVERIFY2(!EdidBufferShowable(bad), qPrintable(QString::number(i)));
    }
}

void TestEdidCheck::onlyTheTotalChecksumIsChecked() {
    // A change in the base block, made up for in the extension's checksum
    // byte, passes the display check; the decoded view flags block 0.
    QByteArray b = Sample(QStringLiteral("hp-lp2480zx-hdmi.bin"));
    b[20] = char(uchar(b[20]) + 1);
    FixTotal(b);
    QVERIFY(EdidBufferShowable(b));
    const EdidInfo info = DecodeEdid(b);
    QCOMPARE(info.blocks.size(), 2);
    QVERIFY(!info.blocks[0].checksumValid);
    QVERIFY(!info.blocks[1].checksumValid);
}

void TestEdidCheck::gridHeadersAndCells() {
    QByteArray b = Sample(QStringLiteral("lg-oled-c9-hdmi.bin"));
    QStringList cells;
    QVERIFY(EdidBytesToGrid(&b, cells));
    QCOMPARE(cells.size(), 17 * 17);
    QCOMPARE(cells.at(0), QString());
    QStringList top, left;
    for (int i = 1; i < 17; ++i) {
        top << cells.at(EdidGridIndex(0, i));
        left << cells.at(EdidGridIndex(i, 0));
    }
    QCOMPARE(top.join(QLatin1Char(',')), QStringLiteral("0,1,2,3,4,5,6,7,8,9,A,B,C,D,E,F"));
    QCOMPARE(left.join(QLatin1Char(',')),
             QStringLiteral("00,10,20,30,40,50,60,70,80,90,A0,B0,C0,D0,E0,F0"));
    // Byte 16 (r - 1) + (c - 1) in two upper-case digits.
    QCOMPARE(cells.at(EdidGridIndex(1, 1)), QStringLiteral("00"));
    QCOMPARE(cells.at(EdidGridIndex(1, 2)), QStringLiteral("FF"));
    QCOMPARE(cells.at(EdidGridIndex(1, 9)), QStringLiteral("1E")); // 0x08: "GSM" = 1E 6D
    QCOMPARE(cells.at(EdidGridIndex(9, 1)), QStringLiteral("02")); // 0x80: CTA tag
    QCOMPARE(cells.at(EdidGridIndex(16, 16)),
             QStringLiteral("%1").arg(uchar(b[255]), 2, 16, QLatin1Char('0')).toUpper());
    for (const QString &t : DataCells(cells)) {
        QCOMPARE(t.size(), 2);
        QCOMPARE(t, t.toUpper());
    }
}

void TestEdidCheck::failedDisplayKeepsDataCells() {
    const QByteArray good = Sample(QStringLiteral("asus-vw246-hdmi.bin"));
    QStringList cells;
    QVERIFY(EdidBytesToGrid(good, cells));
    const QStringList before = DataCells(cells);

    QByteArray bad = Sample(QStringLiteral("sony-kd55xd-hdmi.bin"));
    bad[100] = char(uchar(bad[100]) ^ 1);
    cells[EdidGridIndex(0, 3)] = QStringLiteral("x"); // a damaged header is rewritten
    QVERIFY(!EdidBytesToGrid(bad, cells));
    QCOMPARE(DataCells(cells), before);
    QCOMPARE(cells.at(EdidGridIndex(0, 3)), QStringLiteral("2"));

    QVERIFY(!EdidBytesToGrid(nullptr, cells)); // absent buffer
    QCOMPARE(DataCells(cells), before);

    QStringList fresh; // an empty list gets its headers even on failure
    QVERIFY(!EdidBytesToGrid(nullptr, fresh));
    QCOMPARE(fresh, EdidEmptyGrid());
}

void TestEdidCheck::gridRoundTrip() {
    const QStringList files = QDir(EdidDir()).entryList({QStringLiteral("*.bin")}, QDir::Files);
    int shown = 0;
    for (const QString &name : files) {
        const QByteArray b = Sample(name);
        QStringList cells;
        if (!EdidBytesToGrid(b, cells))
            continue;
        ++shown;
        QByteArray back = "stale";
        QVERIFY(EdidGridToBytes(cells, back));
        QCOMPARE(back, b);
    }
    QCOMPARE(shown, 8);
}

void TestEdidCheck::gridCellDecoding_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: the conversion fails

    QTest::newRow("upper") << QStringLiteral("AF") << 0xAF;
    QTest::newRow("lower") << QStringLiteral("af") << 0xAF;
    QTest::newRow("one digit") << QStringLiteral("7") << 0x07;
    QTest::newRow("first two characters count") << QStringLiteral("12Z") << 0x12;
    QTest::newRow("not hex") << QStringLiteral("G1") << -1;
    QTest::newRow("second not hex") << QStringLiteral("1G") << -1;
    QTest::newRow("space") << QStringLiteral(" ") << -1;
    QTest::newRow("leading space") << QStringLiteral(" 1") << -1;
    QTest::newRow("sign") << QStringLiteral("-1") << -1;
}

void TestEdidCheck::gridCellDecoding() {
    QFETCH(QString, text);
    QFETCH(int, value);
    const QByteArray b = Sample(QStringLiteral("asus-vw246-hdmi.bin"));
    QStringList cells;
    QVERIFY(EdidBytesToGrid(b, cells));
    cells[EdidGridIndex(4, 7)] = text; // byte 0x36
    QByteArray out = "stale";
    QCOMPARE(EdidGridToBytes(cells, out), value >= 0);
    if (value >= 0) {
        QByteArray expected = b;
        expected[0x36] = char(value);
        QCOMPARE(out, expected);
    } else {
        QVERIFY(out.isEmpty());
    }
}

void TestEdidCheck::emptyOrMissingCellRefused() {
    const QByteArray b = Sample(QStringLiteral("elo-4600l-hdmi.bin"));
    QStringList cells;
    QVERIFY(EdidBytesToGrid(b, cells));

    QStringList oneEmpty = cells;
    oneEmpty[EdidGridIndex(16, 16)].clear();
    QByteArray out = "stale";
    QVERIFY(!EdidGridToBytes(oneEmpty, out));
    QVERIFY(out.isEmpty());

    // Header texts are never read as data.
    QStringList headers = cells;
    headers[EdidGridIndex(0, 5)] = QStringLiteral("zz");
    headers[EdidGridIndex(7, 0)].clear();
    QVERIFY(EdidGridToBytes(headers, out));
    QCOMPARE(out, b);

    QStringList shortList = cells.mid(0, 200);
    QVERIFY(!EdidGridToBytes(shortList, out));
    QVERIFY(out.isEmpty());
    QVERIFY(!EdidGridToBytes(QStringList(), out));
    QVERIFY(!EdidGridToBytes(EdidEmptyGrid(), out));
}

void TestEdidCheck::clearKeepsHeaders() {
    QStringList cells;
    QVERIFY(EdidBytesToGrid(Sample(QStringLiteral("hdfury-doctorhdmi-3d-hdmi.bin")), cells));
    EdidClearGrid(cells);
    QCOMPARE(cells, EdidEmptyGrid());
}

QTEST_APPLESS_MAIN(TestEdidCheck)
#include "tst_edidcheck.moc"
