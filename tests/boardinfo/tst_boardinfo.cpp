// Board information: the serialised block of a node, the special-code text
// form, the block walk against hostile lengths, entry replacement, and the
// ".bif" file written and read back through the shared tree.

#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoFile.h"
#include "boardinfo/BoardInfoTree.h"
#include "boardinfo/SpecialCode.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int byteSum(const QByteArray &bytes) {
    int sum = 0;
    for (char c : bytes)
        sum += uint8_t(c);
    return sum % 256;
}

QByteArray codeBytes(const QString &text) {
    QByteArray bytes;
    SpecialCodeToBytes(text, bytes);
    return bytes;
}

// Three boards; the first with two groups, one holding two items.
struct SampleTree {
    BoardInfoTree tree;
    BoardInfoTreeNode *main, *mainGroup, *item1, *item2, *panelGroup, *card, *cardGroup, *cardItem,
        *output;

    SampleTree() {
        main = tree.AddTop();
        main->Data.setNameText(QStringLiteral("MAIN"));
        main->Data.PCBType = 0;
        main->Data.Quantity = 1;
        main->Checked = true;
        mainGroup = tree.AddChild(main);
        mainGroup->Data.setNameText(QStringLiteral("Main MCU"));
        mainGroup->Data.MCUType = 3;
        mainGroup->Checked = true;
        item1 = tree.AddChild(mainGroup);
        BoardInfoNode &d = item1->Data;
        d.setNameText(QStringLiteral("FW A"));
        d.IncludeBoardInfo = 1;
        d.Solution = 0x2C;
        d.PCBVersion = 'B';
        d.PCBVersionFrom = 'A';
        d.PCBVersionTo = 'C';
        d.SpecialCode = codeBytes(QStringLiteral("12AB;0003"));
        d.DefaultFirmware = 1;
        d.Ver1 = 1;
        d.Ver2 = 5;
        d.FirmwareFile = QStringLiteral("/tmp/fw/main image.bin");
        item1->Checked = true;
        item2 = tree.AddChild(mainGroup); // unchecked, new-node values
        item2->Data.setNameText(QStringLiteral("FW B"));
        panelGroup = tree.AddChild(main);
        panelGroup->Data.setNameText(QStringLiteral("Panel"));
        panelGroup->Data.MCUType = 1;
        card = tree.AddTop();
        card->Data.setNameText(QStringLiteral("INPUT"));
        card->Data.PCBType = 5;
        card->Data.Quantity = 8;
        cardGroup = tree.AddChild(card);
        cardGroup->Data.setNameText(QStringLiteral("Card"));
        cardItem = tree.AddChild(cardGroup);
        cardItem->Data.setNameText(QStringLiteral("FW C"));
        cardItem->Data.SpecialCode.clear();
        output = tree.AddTop(); // follows a level-2 node
        output->Data.setNameText(QStringLiteral("OUTPUT"));
        output->Data.PCBType = 6;
        output->Checked = true;
    }
};

void compareTrees(const BoardInfoTree &a, const BoardInfoTree &b) {
    const QList<BoardInfoTreeNode *> x = a.Nodes();
    const QList<BoardInfoTreeNode *> y = b.Nodes();
    QCOMPARE(y.size(), x.size());
    for (int i = 0; i < x.size(); ++i) {
        QCOMPARE(y[i]->Level(), x[i]->Level());
        QCOMPARE(y[i]->Checked, x[i]->Checked);
        QCOMPARE(y[i]->Text, x[i]->Data.NameText());
        QCOMPARE(a.AbsoluteIndex(x[i]->Parent()), b.AbsoluteIndex(y[i]->Parent()));
        QVERIFY2(y[i]->Data == x[i]->Data, qPrintable(QStringLiteral("node %1").arg(i)));
    }
}

} // namespace

class tst_BoardInfo : public QObject {
    Q_OBJECT

private slots:
    void mainBoardBlockByteForByte();
    void recordAndHeaderOfAnItem();
    void specialCodeToBytes_data();
    void specialCodeToBytes();
    void specialCodeToText_data();
    void specialCodeToText();
    void parseReadsEntriesAndClearsOutputs();
    void hostileBlocksEndTheWalk_data();
    void hostileBlocksEndTheWalk();
    void replaceEntry_data();
    void replaceEntry();
    void countMainBoards();
    void bifRoundTrip();
    void bifSaveReplacesAtomicallyAndRefusesEmptyTree();
    void hostileBifFiles_data();
    void hostileBifFiles();
    void randomBifDamage();
};

void tst_BoardInfo::mainBoardBlockByteForByte() {
    BoardInfoTree tree;
    BoardInfoTreeNode *node = tree.AddTop();
    node->Data.setNameText(QStringLiteral("MAIN"));
    node->Data.PCBType = 0;
    node->Data.Quantity = 1;
    QCOMPARE(SpecialCodeToBytes(QStringLiteral("0001"), node->Data.SpecialCode), 2);
    const BoardInfo info = BuildBoardInfo(tree, *node);
    QCOMPARE(info.Block.size(), 16);
    QCOMPARE(info.Header.BlockLength(), uint16_t(16));
    QByteArray expected = QByteArray::fromHex("01 00 0A 01 00 01 05 4D 41 49 4E 00 04 02 00 01");
    expected[1] = char(uint8_t(-byteSum(expected)));
    QCOMPARE(info.Block.toHex(' '), expected.toHex(' '));
    QCOMPARE(byteSum(info.Block), 0);
    // A board record: level 0, parent -1, no names at 13 and 45.
    QCOMPARE(info.Record.Level(), 0);
    QCOMPARE(info.Record.ParentIndex(), -1);
    QCOMPARE(info.Record.BoardName(), QByteArray(32, '\0'));
    QCOMPARE(info.Record.GroupName(), QByteArray(32, '\0'));
    QVERIFY(info.Header.MarkValid());
}

void tst_BoardInfo::recordAndHeaderOfAnItem() {
    SampleTree s;
    const BoardInfo info = BuildBoardInfo(s.tree, *s.item1);
    const QByteArray r = info.Record.toBytes();
    QCOMPARE(r.size(), 342);
    QCOMPARE(r.left(13), QByteArray::fromHex("02000000 02000000 01000000 01"));
    QCOMPARE(r.mid(13, 32), QByteArray("MAIN\0", 5) + QByteArray(27, '\0'));
    QCOMPARE(r.mid(45, 32), QByteArray("Main MCU\0", 9) + QByteArray(23, '\0'));
    QCOMPARE(r.mid(77, 5), QByteArray::fromHex("0100010105"));
    QCOMPARE(info.Record.FirmwarePath(), QStringLiteral("/tmp/fw/main image.bin"));
    QCOMPARE(info.Header.toBytes(),
             QByteArray::fromHex("AA55 FF 00 2C 42 41 43 1200 000000000000"));
    // A group record carries no names either.
    const BoardInfo group = BuildBoardInfo(s.tree, *s.panelGroup);
    QCOMPARE(group.Record.Level(), 1);
    QCOMPARE(group.Record.AbsoluteIndex(), 4);
    QCOMPARE(group.Record.ParentIndex(), 0);
    QCOMPARE(group.Record.BoardName(), QByteArray(32, '\0'));
}

void tst_BoardInfo::specialCodeToBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << "" << 0 << QByteArray();
    QTest::newRow("blanks only") << "   " << 0 << QByteArray();
    QTest::newRow("two parts") << "1234;ABCD" << 4 << QByteArray::fromHex("1234ABCD");
    QTest::newRow("digit order") << "12AB;0003" << 4 << QByteArray::fromHex("12AB0003");
    QTest::newRow("lower case") << "abcd" << 2 << QByteArray::fromHex("ABCD");
    QTest::newRow("blank separates") << "1234 ABCD" << 4 << QByteArray::fromHex("1234ABCD");
    QTest::newRow("blanks around ;") << " 1234 ; ABCD " << 4 << QByteArray::fromHex("1234ABCD");
    QTest::newRow("three digits") << "123" << -1 << QByteArray();
    QTest::newRow("five digits") << "12345" << -1 << QByteArray();
    QTest::newRow("two then four") << "12;3456" << -1 << QByteArray();
    QTest::newRow("not hex") << "12G4" << -1 << QByteArray();
    QTest::newRow("sign") << "+123" << -1 << QByteArray();
    QTest::newRow("empty part") << "1234;;ABCD" << -1 << QByteArray();
    QTest::newRow("trailing ;") << "1234;" << -1 << QByteArray();
    QTest::newRow("leading ;") << ";1234" << -1 << QByteArray();
    QStringList parts;
    for (int i = 0; i < 126; ++i)
        parts << QStringLiteral("%1").arg(i, 4, 16, QLatin1Char('0'));
    QByteArray most;
    for (int i = 0; i < 126; ++i)
        most += char(0) + QByteArray(1, char(i));
    QTest::newRow("126 parts fit an entry") << parts.join(';') << 252 << most;
    QTest::newRow("127 parts do not") << parts.join(';') + ";FFFF" << -1 << QByteArray();
}

void tst_BoardInfo::specialCodeToBytes() {
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QByteArray, bytes);
    QByteArray out("stale");
    QCOMPARE(SpecialCodeToBytes(text, out), count);
    QCOMPARE(out, bytes);
    if (count > 0) // the text form converts back to the same bytes
        QCOMPARE(codeBytes(SpecialCodeToText(out)), bytes);
}

void tst_BoardInfo::specialCodeToText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QByteArray() << "";
    QTest::newRow("one part") << QByteArray::fromHex("0001") << "0001";
    QTest::newRow("two parts") << QByteArray::fromHex("12ab0003") << "12AB;0003";
    // An odd count keeps its last hex digit.
    QTest::newRow("one byte") << QByteArray::fromHex("0f") << "0F";
    QTest::newRow("three bytes") << QByteArray::fromHex("123456") << "1234;56";
}

void tst_BoardInfo::specialCodeToText() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(SpecialCodeToText(bytes), text);
}

void tst_BoardInfo::parseReadsEntriesAndClearsOutputs() {
    // Two board entries, an entry of an unknown type, a special code.
    QByteArray block = QByteArray::fromHex("0100");
    block += BoardEntryBytes(0, 1, QByteArray("MAIN\0", 5));
    block += QByteArray::fromHex("04 09 EEEE");
    block += BoardEntryBytes(5, 4, QByteArray("IN\0", 3));
    block += SpecialCodeEntryBytes(QByteArray::fromHex("1234abcd"));
    FixBoardInfoChecksum(block);
    BoardInfoBoardEntry board;
    BoardInfoSpecialEntry special;
    bool malformed = true;
    QCOMPARE(ParseBoardInfoBlock(block, 2, board, special, &malformed), 2);
    QVERIFY(!malformed);
    QCOMPARE(board.EntryLength, uint8_t(8));
    QCOMPARE(board.PCBType, uint8_t(5));
    QCOMPARE(board.Quantity, uint8_t(4));
    QCOMPARE(board.NameText(), QStringLiteral("IN"));
    QCOMPARE(special.EntryLength, uint8_t(6));
    QCOMPARE(special.Text, QStringLiteral("1234;ABCD"));

    // A block without a special code and with one board: nothing of the
    // previous call stays in the outputs.
    QByteArray plain = QByteArray::fromHex("0100") + BoardEntryBytes(6, 2, "OUT");
    QCOMPARE(ParseBoardInfoBlock(plain, 2, board, special), 1);
    QCOMPARE(board.EntryLength, uint8_t(0));
    QVERIFY(board.Name.isEmpty());
    QCOMPARE(special.EntryLength, uint8_t(0));
    QVERIFY(special.Text.isEmpty());
    QCOMPARE(ParseBoardInfoBlock(QByteArray(), 1, board, special), -1);
}

void tst_BoardInfo::hostileBlocksEndTheWalk_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("count");
    const QByteArray main = BoardEntryBytes(0, 1, QByteArray("MAIN\0", 5));
    const QByteArray head = QByteArray::fromHex("0100") + main;
    QTest::newRow("entry length 0") << head + QByteArray::fromHex("0001") + main << 1;
    QTest::newRow("entry length 1") << head + QByteArray::fromHex("0102") + main << 1;
    QTest::newRow("board entry shorter than its head")
        << head + QByteArray::fromHex("04010001") << 1;
    QTest::newRow("entry longer than the block") << head + QByteArray::fromHex("20020001") << 1;
    QTest::newRow("lone byte at the end") << head + QByteArray::fromHex("05") << 1;
    QByteArray longName = QByteArray::fromHex("26 01 00 01 21") + QByteArray(33, 'N');
    QTest::newRow("name of 33 bytes") << head + longName << 1;
    QTest::newRow("name past its entry") << head + QByteArray::fromHex("06 01 00 01 09 41") << 1;
    QTest::newRow("format byte only") << QByteArray::fromHex("01") << 0;
    // Found by fuzzing: the replacement stopped looking after the entries it
    // replaced, so a block broken further on was "replaced" and stayed broken.
    QTest::newRow("bad entry after a code and a board")
        << head + SpecialCodeEntryBytes(QByteArray::fromHex("0001")) +
               BoardEntryBytes(5, 8, QByteArray("IN\0", 3)) + QByteArray::fromHex("0001")
        << 2;
}

void tst_BoardInfo::hostileBlocksEndTheWalk() {
    QFETCH(QByteArray, block);
    QFETCH(int, count);
    BoardInfoBoardEntry board;
    BoardInfoSpecialEntry special;
    bool malformed = false;
    QCOMPARE(ParseBoardInfoBlock(block, 2, board, special, &malformed), count);
    QVERIFY(malformed);
    QVERIFY(board.Name.size() <= 32);
    bool ok = true;
    QCOMPARE(ReplaceBoardInfoEntry(block, EntryTypeSpecialCode, SpecialCodeEntryBytes("AB"), &ok),
             block);
    QVERIFY(!ok);
}

void tst_BoardInfo::replaceEntry_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("expected"); // before the checksum is fixed
    const QByteArray a = BoardEntryBytes(0, 1, QByteArray("MAIN\0", 5));
    const QByteArray b = BoardEntryBytes(5, 8, QByteArray("IN\0", 3));
    const QByteArray oldCode = SpecialCodeEntryBytes(QByteArray::fromHex("0001"));
    const QByteArray newCode = SpecialCodeEntryBytes(QByteArray::fromHex("12AB0003"));
    const QByteArray head = QByteArray::fromHex("0100");
    QTest::newRow("boards first") << head + a + b + oldCode << head + a + b + newCode;
    QTest::newRow("code between boards") << head + a + oldCode + b << head + a + newCode + b;
    QTest::newRow("two codes in a row") << head + oldCode + oldCode + a << head + newCode + a;
    // The block reads as its last code entry: one left behind would undo the
    // replacement (found by fuzzing).
    QTest::newRow("codes apart") << head + oldCode + a + oldCode + b << head + newCode + a + b;
    QTest::newRow("no code entry: appended") << head + a + b << head + a + b + newCode;
    QTest::newRow("empty block") << QByteArray() << head + newCode;
}

void tst_BoardInfo::replaceEntry() {
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, expected);
    FixBoardInfoChecksum(block);
    FixBoardInfoChecksum(expected);
    bool ok = false;
    const QByteArray result = ReplaceBoardInfoEntry(
        block, EntryTypeSpecialCode, SpecialCodeEntryBytes(QByteArray::fromHex("12AB0003")), &ok);
    QVERIFY(ok);
    QCOMPARE(result.toHex(' '), expected.toHex(' '));
    QCOMPARE(byteSum(result), 0);
}

void tst_BoardInfo::countMainBoards() {
    SampleTree s;
    QCOMPARE(CountMainBoards(s.tree), 1);
    s.card->Data.PCBType = 0;
    s.item2->Data.PCBType = 0; // not a board
    QCOMPARE(CountMainBoards(s.tree), 2);
    QCOMPARE(CountMainBoards(BoardInfoTree()), 0);
}

void tst_BoardInfo::bifRoundTrip() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SampleTree s;
    const QString path = dir.filePath(QStringLiteral("boards.bif"));
    QCOMPARE(SaveBoardInfoFile(s.tree, path), BoardInfoFileResult::Ok);

    BoardInfoTree loaded;
    QCOMPARE(LoadBoardInfoFile(loaded, path), BoardInfoFileResult::Ok);
    compareTrees(s.tree, loaded);
    QCOMPARE(loaded.Selected(), loaded.Top(0));
    QCOMPARE(loaded.TopCount(), 3);
    QCOMPARE(loaded.Top(0)->ChildCount(), 2);

    // Saving the loaded tree gives the same bytes.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(BoardInfoFileBytes(loaded), f.readAll());
}

void tst_BoardInfo::bifSaveReplacesAtomicallyAndRefusesEmptyTree() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.bif"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();
    SampleTree s;
    QCOMPARE(SaveBoardInfoFile(s.tree, path), BoardInfoFileResult::Ok);
    QCOMPARE(QFileInfo(path).size(), BoardInfoFileBytes(s.tree).size());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"b.bif"});

    QCOMPARE(SaveBoardInfoFile(BoardInfoTree(), dir.filePath("none.bif")),
             BoardInfoFileResult::Empty);
    QVERIFY(!QFile::exists(dir.filePath("none.bif")));
    QCOMPARE(SaveBoardInfoFile(s.tree, dir.filePath("missing/x.bif")),
             BoardInfoFileResult::WriteError);

    BoardInfoTree t;
    QCOMPARE(LoadBoardInfoFile(t, dir.filePath("absent.bif")), BoardInfoFileResult::ReadError);
    QFile empty(dir.filePath("empty.bif"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QCOMPARE(LoadBoardInfoFile(t, empty.fileName()), BoardInfoFileResult::Ok);
    QVERIFY(t.IsEmpty());
}

void tst_BoardInfo::hostileBifFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("nodes"); // nodes loaded before the walk stopped
    SampleTree s;
    const QByteArray valid = BoardInfoFileBytes(s.tree);
    const qsizetype entry0 = 342 + 4 + 16 + 4 + 16 + 4; // MAIN: 16-byte block
    QByteArray level3 = valid;
    level3[entry0 * 1] = 3; // the group record says level 3
    QTest::newRow("level 3") << level3 << 1;
    QByteArray negative = valid;
    negative[0] = char(0xFF);
    negative[1] = negative[2] = negative[3] = char(0xFF);
    QTest::newRow("level -1") << negative << 0;
    QByteArray jump = valid;
    jump[entry0] = 2; // item directly below a board
    QTest::newRow("level jumps by two") << jump << 1;
    QByteArray firstNotBoard = valid;
    firstNotBoard[0] = 1;
    QTest::newRow("first record not a board") << firstNotBoard << 0;
    QByteArray longBlock = valid;
    longBlock[342 + 4 + 8] = char(0xFF);
    longBlock[342 + 4 + 9] = char(0xFF);
    QTest::newRow("block length past the end") << longBlock << 0;
    QByteArray badEntry = valid;
    badEntry[342 + 4 + 16 + 4 + 2] = 1; // board entry length 1
    QTest::newRow("entry length 1 in a block") << badEntry << 0;
    QTest::newRow("ends inside the third entry") << valid.left(entry0 + (entry0 + 4) + 200) << 2;
}

void tst_BoardInfo::hostileBifFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, nodes);
    BoardInfoTree tree;
    QCOMPARE(ReadBoardInfoFileBytes(tree, bytes), BoardInfoFileResult::Malformed);
    QCOMPARE(tree.Count(), nodes);
    for (BoardInfoTreeNode *n : tree.Nodes())
        QVERIFY(n->Level() <= 2);
}

void tst_BoardInfo::randomBifDamage() {
    SampleTree s;
    const QByteArray valid = BoardInfoFileBytes(s.tree);
    QRandomGenerator rng(7);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = valid.left(rng.bounded(int(valid.size()) + 1));
        for (int i = rng.bounded(6); i > 0 && !bytes.isEmpty(); --i)
            bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256));
        BoardInfoTree tree;
        ReadBoardInfoFileBytes(tree, bytes);
        QVERIFY(tree.Count() <= 9);
        for (BoardInfoTreeNode *n : tree.Nodes()) {
            QVERIFY(n->Level() <= 2);
            QVERIFY(n->Data.Name.size() <= 32);
            BuildBoardInfo(tree, *n); // every loaded node serialises again
        }
    }
}

QTEST_GUILESS_MAIN(tst_BoardInfo)
#include "tst_boardinfo.moc"
