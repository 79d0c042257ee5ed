// Protocol vocabulary: tables, byte helpers and the text helpers' edge cases.

#include "protocol/Commands.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestLinkVocabulary : public QObject {
    Q_OBJECT
private slots:
    void tablesIndexedByState();
    void edidItems();
    void byteHelpers();
    void splitIPText_data();
    void splitIPText();
    void parseMACText_data();
    void parseMACText();
    void splitMACText();
    void clampOctetEdit_data();
    void clampOctetEdit();
    void textToWord_data();
    void textToWord();
    void folderIsWritable();
};

void TestLinkVocabulary::tablesIndexedByState() {
    // A failed open is reported with the word of the current (closed) state.
    QCOMPARE(SerialActionWords[false], QStringLiteral("Open"));
    QCOMPARE(SerialActionWords[true], QStringLiteral("Close"));
    QCOMPARE(LANActionWords[false], QStringLiteral("Connect"));
    QCOMPARE(ConnectionStateWords[true], QStringLiteral("Connected"));
    QCOMPARE(PortKindNames[2 - 1], QStringLiteral("HDBT"));
    QCOMPARE(UnlockLockWords[true], QStringLiteral("Lock"));
    QCOMPARE(OffOnWords[true], QStringLiteral("ON"));
    QCOMPARE(SpinnerChars[0] + SpinnerChars[1] + SpinnerChars[2] + SpinnerChars[3],
             QStringLiteral("/-\\|"));
    QCOMPARE(MCUPartNames[6], QStringLiteral("OUTPUT"));
    QCOMPARE(StatusPanelColors[0].Background, 0xFF0000u);
    QCOMPARE(StatusPanelColors[0].Text, 0xFFFFFFu);
    QVERIFY(StatusPanelColors[1].BackgroundIsButtonFace);
    QCOMPARE(StatusPanelColors[1].Text, 0x000000u);
    QCOMPARE(DefaultModuleIP[0], uint8_t(192));
    QCOMPARE(DefaultModuleIP[3], uint8_t(100));
}

void TestLinkVocabulary::edidItems() {
    // Indexes are not in list order; 13 and 17 never occur; duplicates exist.
    QCOMPARE(EDIDItems[0].Name, QStringLiteral("1080p, 2CH PCM"));
    QCOMPARE(EDIDItems[12].Index, 16);
    QCOMPARE(EDIDItems[24].Name, QStringLiteral("Auto EDID"));
    QCOMPARE(EDIDItemIndex(QStringLiteral("Default EDID")), 4);
    QCOMPARE(EDIDItemIndex(QStringLiteral("User EDID 2")), 0);
    QCOMPARE(EDIDItemIndex(QStringLiteral("4K@60Hz 4:4:4, 7.1CH DTS/DOLBY/HD")), 23);
    QCOMPARE(EDIDItemIndex(QStringLiteral("1080p, 2ch pcm")), 255); // exact match only
    QCOMPARE(EDIDItemIndex(QString()), 255);
    for (const TEDIDItemInfo &item : EDIDItems) {
        QVERIFY(item.Index != 13);
        QVERIFY(item.Index != 17);
    }
}

void TestLinkVocabulary::byteHelpers() {
    const uint32_t v = 0x11223344;
    QCOMPARE(ByteOf(v, 4), uint8_t(0x11));
    QCOMPARE(ByteOf(v, 3), uint8_t(0x22));
    QCOMPARE(ByteOf(v, 1), uint8_t(0x44));
    QCOMPARE(ByteOf(v, 0), uint8_t(0));
    QCOMPARE(LoByte(0xABCD), uint8_t(0xCD));
    QCOMPARE(HiByte(0xABCD), uint8_t(0xAB));
    QCOMPARE(MakeWordHL(0x12, 0xFF), uint16_t(0x12FF));
    QCOMPARE(ByteToTop(0x80), 0x80000000u);
}

void TestLinkVocabulary::splitIPText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("octets");
    QTest::newRow("clamped") << "192.168.0.300" << true << QStringList{"192", "168", "0", "255"};
    QTest::newRow("plain") << "10.0.0.1" << true << QStringList{"10", "0", "0", "1"};
    QTest::newRow("huge number") << "1.2.3.99999999999999999999" << true
                                 << QStringList{"1", "2", "3", "255"};
    QTest::newRow("three parts") << "1.2.3" << false << QStringList{"1", "2", "3", ""};
    QTest::newRow("five parts") << "1.2.3.4.5" << false << QStringList{"1", "2", "3", "4"};
    QTest::newRow("bad character") << "1.2.x.4" << false << QStringList{"", "", "", ""};
    QTest::newRow("empty part") << "1..3.4" << false << QStringList{"1", "0", "", ""};
    QTest::newRow("empty") << "" << false << QStringList{"0", "", "", ""};
}

void TestLinkVocabulary::splitIPText() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QStringList, octets);
    QStringList out;
    QCOMPARE(SplitIPText(text, out), ok);
    QCOMPARE(out, octets);
}

void TestLinkVocabulary::parseMACText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("mixed case, short part")
        << "0-1b-2C-3d-4e-5f" << true << QByteArray::fromHex("001B2C3D4E5F");
    QTest::newRow("empty last part")
        << "11-22-33-44-55-" << true << QByteArray::fromHex("112233445500");
    QTest::newRow("padded") << "  aa-bb-cc-dd-ee-ff  " << true
                            << QByteArray::fromHex("AABBCCDDEEFF");
    QTest::newRow("long part uses first two digits")
        << "123-4-5-6-7-8" << true << QByteArray::fromHex("120405060708");
    QTest::newRow("five parts") << "11-22-33-44-55" << false << QByteArray::fromHex("112233445500");
    QTest::newRow("colons") << "11:22:33:44:55:66" << false << QByteArray(6, '\0');
}

void TestLinkVocabulary::parseMACText() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    uint8_t out[6];
    QCOMPARE(ParseMACText(text, out), ok);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out), 6), bytes);
}

void TestLinkVocabulary::splitMACText() {
    QStringList parts;
    QVERIFY(SplitMACText(QStringLiteral("0-1b-2C-3d-4e-5f"), parts));
    QCOMPARE(parts, (QStringList{"00", "1B", "2C", "3D", "4E", "5F"}));
    QVERIFY(!SplitMACText(QStringLiteral("zz"), parts));
    QCOMPARE(parts, (QStringList{"00", "00", "00", "00", "00", "00"}));
}

void TestLinkVocabulary::clampOctetEdit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("254 stays") << "254"
                               << "254";
    QTest::newRow("255") << "255"
                         << "255";
    QTest::newRow("above") << "999"
                           << "255";
    QTest::newRow("negative") << "-3"
                              << "0";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("zero") << "0"
                          << "0";
    QTest::newRow("leading zeros stay") << "007"
                                        << "007";
    QTest::newRow("overlong digits") << "99999999999999999999"
                                     << "255";
}

void TestLinkVocabulary::clampOctetEdit() {
    QFETCH(QString, typed);
    QFETCH(QString, result);
    ClampOctetEdit(typed);
    QCOMPARE(typed, result);
}

void TestLinkVocabulary::textToWord_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "8000" << true << 8000;
    QTest::newRow("max") << "65535" << true << 65535;
    QTest::newRow("too large") << "65536" << false << 0;
    QTest::newRow("negative") << "-1" << false << 0;
    QTest::newRow("not a number") << "80a" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("hex") << "$1F" << true << 31;
}

void TestLinkVocabulary::textToWord() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    uint16_t out = 1234;
    QCOMPARE(TextToWord(text, out), ok);
    QCOMPARE(int(out), value);
}

void TestLinkVocabulary::folderIsWritable() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(FolderIsWritable(dir.path()));
    QVERIFY(FolderIsWritable(dir.path() + QLatin1Char('/')));
    // The scratch file is gone again.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    QVERIFY(!FolderIsWritable(dir.path() + QStringLiteral("/missing")));
    // A file is not a folder.
    QFile file(dir.filePath(QStringLiteral("plain")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!FolderIsWritable(file.fileName()));
}

QTEST_GUILESS_MAIN(TestLinkVocabulary)
#include "tst_linkvocabulary.moc"
