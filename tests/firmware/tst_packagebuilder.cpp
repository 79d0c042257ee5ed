// The package builder without a window: tree validation and its messages,
// the items it writes, the main board's block after finishing, the file name
// it proposes, and the atomic save.

#include "PackageSamples.h"
#include "boardinfo/BoardInfoBlock.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/PackageBuilder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace samples;

namespace {

struct Item {
    QString name;
    uint8_t ver1, ver2;
    int imageSize;
    uint8_t isDefault = 0;
};

// A builder tree whose firmware files live in a temporary folder.
struct BuilderTree {
    QTemporaryDir dir;
    BoardInfoTree tree;
    QHash<QString, QByteArray> images; // by item name

    BoardInfoTreeNode *board(const QString &name, uint8_t pcbType, uint8_t quantity) {
        BoardInfoTreeNode *b = tree.AddTop();
        b->Data.setNameText(name);
        b->Text = name;
        b->Data.PCBType = pcbType;
        b->Data.Quantity = quantity;
        b->Checked = true;
        return b;
    }
    BoardInfoTreeNode *group(BoardInfoTreeNode *board, const QString &name, uint8_t mcuType) {
        BoardInfoTreeNode *g = tree.AddChild(board);
        g->Data.setNameText(name);
        g->Text = name;
        g->Data.MCUType = mcuType;
        g->Checked = true;
        return g;
    }
    BoardInfoTreeNode *item(BoardInfoTreeNode *group, const Item &s) {
        BoardInfoTreeNode *n = tree.AddChild(group);
        BoardInfoNode &d = n->Data;
        d.setNameText(s.name);
        n->Text = s.name;
        d.Solution = 0x2C;
        d.PCBVersion = 'B';
        d.PCBVersionFrom = 'A';
        d.PCBVersionTo = 'C';
        SpecialCodeToBytes(QStringLiteral("00%1").arg(s.imageSize % 100, 2, 10, QChar('0')),
                           d.SpecialCode);
        d.IncludeBoardInfo = 1;
        d.DefaultFirmware = s.isDefault;
        d.Ver1 = s.ver1;
        d.Ver2 = s.ver2;
        const QByteArray bytes = image(s.imageSize, uint8_t(s.imageSize));
        const QString path = dir.filePath(QString(s.name).replace('/', '_') + ".bin");
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        d.FirmwareFile = path;
        images.insert(s.name, bytes);
        n->Checked = true;
        return n;
    }

    // INPUT, MAIN, OUTPUT: the main board in the middle.
    void unit() {
        item(group(board("INPUT", 5, 4), "Card MCU", 7), {"Input FW", 2, 17, 300});
        item(group(board("MAIN", 0, 1), "Main MCU", 3), {"Main FW", 4, 2, 600});
        item(group(board("OUTPUT", 6, 4), "Card MCU", 8), {"Output FW", 3, 9, 280});
    }
};

QByteArray nameBytes(const char *name) {
    return QByteArray(name, int(qstrlen(name)) + 1);
}

uint8_t byteSum(const QByteArray &b) {
    uint8_t sum = 0;
    for (char c : b)
        sum = uint8_t(sum + uint8_t(c));
    return sum;
}

} // namespace

class tst_PackageBuilder : public QObject {
    Q_OBJECT

private slots:
    void mainItemInTheMiddle();
    void uncheckedBoardsAndItemsLeftOut();
    void itemFields();
    void finishWithoutMainOrOnDamage();
    void validation();
    void defaultFirmwareOncePerBoard();
    void namesStayInTheFolder();
    void dateStamp();
    void longNamesFit();
    void saveIsAtomic();
    void boardListTooLong();
};

void tst_PackageBuilder::mainItemInTheMiddle() {
    BuilderTree t;
    t.unit();
    // The items as written before the main block is rebuilt.
    QList<QByteArray> plain;
    for (BoardInfoTreeNode *n : t.tree.Nodes())
        if (n->Level() == 2)
            plain << WritePackageItem(t.tree, *n, t.images.value(n->Data.NameText()));

    const PackageBuild build = BuildPackage(t.tree, "9-12-26");
    QVERIFY(build.Built());
    QCOMPARE(build.Pieces,
             QStringList({"Input FW_AC_2.17", "Main FW_AC_4.02", "Output FW_AC_3.09"}));
    QCOMPARE(build.FileName, QStringLiteral("Input FW_AC_2.17 Main FW_AC_4.02 Output FW_AC_3.09 "
                                            "9-12-26.fw2"));
    QCOMPARE(build.Log, QStringList({"Firmware part: [Input FW_AC_2.17] merged",
                                     "Firmware part: [Main FW_AC_4.02] merged",
                                     "Firmware part: [Output FW_AC_3.09] merged"}));

    const FirmwarePackage package(build.Bytes);
    QCOMPARE(package.Count(), 3);
    QVERIFY(!package.Malformed());
    QCOMPARE(package.StoredItem(1), plain.at(0));
    QCOMPARE(package.StoredItem(3), plain.at(2));

    const PackageItem main = package.Item(2);
    QByteArray block(2, '\0');
    block[0] = 1;
    block += BoardEntryBytes(5, 4, nameBytes("INPUT")) + BoardEntryBytes(0, 1, nameBytes("MAIN")) +
             BoardEntryBytes(6, 4, nameBytes("OUTPUT")) +
             SpecialCodeEntryBytes(QByteArray("\x00\x00", 2));
    FixBoardInfoChecksum(block);
    QCOMPARE(main.Block, block);
    QCOMPARE(byteSum(main.Block), uint8_t(0));
    QCOMPARE(int(main.InfoHeader.BlockLength()), block.size());
    // Everything else of the main item is as written.
    const FirmwarePackage before(plain.at(1));
    const PackageItem old = before.Item(1);
    QCOMPARE(main.Header.toBytes(), old.Header.toBytes());
    QCOMPARE(main.Record.toBytes(), old.Record.toBytes());
    QCOMPARE(QByteArray::fromRawData(reinterpret_cast<const char *>(main.InfoHeader.b), 8),
             QByteArray::fromRawData(reinterpret_cast<const char *>(old.InfoHeader.b), 8));

    // Read back with the package reader: every image deciphers to its file.
    const QStringList names{"Input FW", "Main FW", "Output FW"};
    for (int k = 1; k <= 3; ++k) {
        PackageItem item;
        QCOMPARE(ReadPackageItem(build.Bytes, k, item), k);
        QCOMPARE(item.Image, t.images.value(names.at(k - 1)));
        QVERIFY(PartHeaderValid(item.Header));
        QCOMPARE(item.Header.ImageLength(), uint32_t(item.Image.size()));
    }
}

void tst_PackageBuilder::uncheckedBoardsAndItemsLeftOut() {
    BuilderTree t;
    t.unit();
    // A second group on MAIN whose item is unchecked, and OUTPUT unchecked
    // while its item stays checked.
    BoardInfoTreeNode *spare =
        t.item(t.group(t.tree.Top(1), "Spare MCU", 4), {"Spare FW", 1, 0, 10});
    spare->Checked = false;
    t.tree.Top(2)->Checked = false;

    const PackageBuild build = BuildPackage(t.tree, "d");
    QVERIFY(build.Built());
    QCOMPARE(build.Pieces, QStringList({"Input FW_AC_2.17", "Main FW_AC_4.02"}));
    const FirmwarePackage package(build.Bytes);
    QCOMPARE(package.Count(), 2);
    BoardInfoBoardEntry entry;
    BoardInfoSpecialEntry special;
    QCOMPARE(ParseBoardInfoBlock(package.Item(2).Block, 1, entry, special), 2);
    QCOMPARE(entry.NameText(), QStringLiteral("INPUT"));
    QCOMPARE(ParseBoardInfoBlock(package.Item(2).Block, 2, entry, special), 2);
    QCOMPARE(entry.NameText(), QStringLiteral("MAIN"));

    // No checked item below a checked board: nothing to merge.
    for (BoardInfoTreeNode *n : t.tree.Nodes())
        if (n->Level() == 2)
            n->Checked = false;
    const PackageBuild none = BuildPackage(t.tree, "d");
    QVERIFY(none.Check.Ok);
    QVERIFY(!none.Built());
    QCOMPARE(none.Message, QStringLiteral("No firmware merged, please check."));
}

void tst_PackageBuilder::itemFields() {
    BuilderTree t;
    t.unit();
    BoardInfoTreeNode *input = t.tree.Top(0)->Child(0)->Child(0);
    // The item takes its board's and group's fields when it is written.
    input->Data.PCBType = 200;
    input->Data.Quantity = 0;
    input->Data.MCUType = 0;
    const QByteArray bytes = WritePackageItem(t.tree, *input, t.images.value("Input FW"));
    QCOMPARE(int(input->Data.PCBType), 5);
    QCOMPARE(int(input->Data.Quantity), 4);
    QCOMPARE(int(input->Data.MCUType), 7);
    PackageItem item;
    QCOMPARE(ReadPackageItem(bytes, 1, item), 1);
    QCOMPARE(int(item.Header.PartClass()), 2);
    QCOMPARE(int(item.Header.MCUKind()), 5);
    QCOMPARE(int(item.Header.Slot()), 0);
    QCOMPARE(int(item.Header.Ver1()), 2);
    QCOMPARE(int(item.Header.Ver2()), 17);
    QCOMPARE(item.Record.BoardName(), nameBytes("INPUT").leftJustified(32, '\0'));
    QCOMPARE(item.Record.GroupName(), nameBytes("Card MCU").leftJustified(32, '\0'));
    QCOMPARE(int(item.CheckPoint.MCUType), 7);
    QCOMPARE(int(item.CheckPoint.Solution), 0x2C);
    QCOMPARE(item.CheckPoint.SpecialCode, QStringLiteral("0000"));
    BoardInfoBoardEntry entry;
    BoardInfoSpecialEntry special;
    QCOMPARE(ParseBoardInfoBlock(item.Block, 1, entry, special), 1);
    QCOMPARE(entry.NameText(), QStringLiteral("Input FW"));
    QCOMPARE(int(entry.Quantity), 4);
    QVERIFY(bytes.endsWith(QByteArray(16, char(0x88))));

    BoardInfoTreeNode *main = t.tree.Top(1)->Child(0)->Child(0);
    PackageItem mainItem;
    ReadPackageItem(WritePackageItem(t.tree, *main, t.images.value("Main FW")), 1, mainItem);
    QCOMPARE(int(mainItem.Header.PartClass()), 1);
    QCOMPARE(int(mainItem.Header.MCUKind()), 1);
}

void tst_PackageBuilder::finishWithoutMainOrOnDamage() {
    BuilderTree t;
    t.unit();
    QByteArray cards;
    for (BoardInfoTreeNode *n : t.tree.Nodes())
        if (n->Level() == 2 && n->Parent()->Parent()->Data.PCBType != 0)
            cards += WritePackageItem(t.tree, *n, t.images.value(n->Data.NameText()));
    QByteArray package = cards;
    QVERIFY(FinishPackage(package, t.tree));
    QCOMPARE(package, cards);

    QByteArray damaged = cards;
    damaged.chop(5);
    const QByteArray kept = damaged;
    QVERIFY(!FinishPackage(damaged, t.tree));
    QCOMPARE(damaged, kept);
}

void tst_PackageBuilder::validation() {
    {
        BoardInfoTree empty;
        const PackageTreeCheck c = ValidatePackageTree(empty);
        QVERIFY(!c.Ok);
        QVERIFY(c.Message.isEmpty());
    }
    {
        BuilderTree t;
        t.unit();
        t.tree.Top(2)->Data.PCBType = 0;
        QCOMPARE(ValidatePackageTree(t.tree).Message,
                 QStringLiteral("Only one main board is allowed in the list, please check."));
    }
    {
        BuilderTree t;
        t.unit();
        for (BoardInfoTreeNode *n : t.tree.Nodes())
            n->Checked = false;
        QCOMPARE(ValidatePackageTree(t.tree).Message, QStringLiteral("No item selected."));
    }
    {
        // Incomplete nodes, in tree order, checked or not.
        BuilderTree t;
        t.unit();
        QVERIFY(ValidatePackageTree(t.tree).Ok);
        BoardInfoTreeNode *input = t.tree.Top(0);
        BoardInfoTreeNode *mainGroup = t.tree.Top(1)->Child(0);
        BoardInfoTreeNode *outputItem = t.tree.Top(2)->Child(0)->Child(0);
        outputItem->Checked = false;
        outputItem->Data.Ver2 = VersionNotSet;
        PackageTreeCheck c = ValidatePackageTree(t.tree);
        QCOMPARE(c.Message, QStringLiteral("Setting of item [OUTPUT -> Card MCU -> Output FW] not "
                                           "complete, please check."));
        QCOMPARE(c.Node, outputItem);
        mainGroup->Data.MCUType = 0;
        c = ValidatePackageTree(t.tree);
        QCOMPARE(c.Message,
                 QStringLiteral("Setting of item [MAIN -> Main MCU] not complete, please check."));
        QCOMPARE(c.Node, mainGroup);
        input->Data.Quantity = 0;
        c = ValidatePackageTree(t.tree);
        QCOMPARE(c.Message, QStringLiteral("Setting of item [INPUT] not complete, please check."));
        QCOMPARE(c.Node, input);
        input->Data.Quantity = 4;
        input->Data.PCBType = PCBTypeNotSelected;
        QCOMPARE(ValidatePackageTree(t.tree).Node, input);
        input->Data.PCBType = 5;
        mainGroup->Data.MCUType = 3;
        mainGroup->Data.Name.clear();
        QCOMPARE(ValidatePackageTree(t.tree).Node, mainGroup);
        mainGroup->Data.setNameText("Main MCU");
        // Without a firmware file the versions may stay unset; the missing
        // file then stops the build.
        outputItem->Data.FirmwareFile.clear();
        c = ValidatePackageTree(t.tree);
        QCOMPARE(c.Message,
                 QStringLiteral("Item [OUTPUT -> Card MCU -> Output FW] FW file does not "
                                "exist, please check."));
        QVERIFY(c.FocusFileName);
        for (uint8_t BoardInfoNode::*field :
             {&BoardInfoNode::Solution, &BoardInfoNode::PCBVersion, &BoardInfoNode::PCBVersionFrom,
              &BoardInfoNode::PCBVersionTo}) {
            BoardInfoNode &d = outputItem->Data;
            const uint8_t keep = d.*field;
            d.*field = field == &BoardInfoNode::Solution ? SolutionNotSet : 0;
            QCOMPARE(ValidatePackageTree(t.tree).Node, outputItem);
            QVERIFY(ValidatePackageTree(t.tree).Message.contains("not complete"));
            d.*field = keep;
        }
    }
    {
        // An unchecked item naming a missing file blocks the build too.
        BuilderTree t;
        t.unit();
        BoardInfoTreeNode *input = t.tree.Top(0)->Child(0)->Child(0);
        input->Checked = false;
        t.tree.Top(0)->Checked = false;
        QVERIFY(QFile::remove(input->Data.FirmwareFile));
        const PackageBuild build = BuildPackage(t.tree, "d");
        QVERIFY(!build.Check.Ok);
        QVERIFY(build.Bytes.isEmpty());
        QCOMPARE(build.Check.Message, QStringLiteral("Item [INPUT -> Card MCU -> Input FW] FW file "
                                                     "does not exist, please check."));
        QCOMPARE(build.Check.Node, input);
        // A folder is no firmware file either.
        input->Data.FirmwareFile = t.dir.path();
        QVERIFY(!ValidatePackageTree(t.tree).Ok);
    }
}

void tst_PackageBuilder::defaultFirmwareOncePerBoard() {
    BuilderTree t;
    BoardInfoTreeNode *main = t.board("MAIN", 0, 1);
    t.item(t.group(main, "Main MCU", 3), {"Main FW", 1, 0, 20, 1});
    BoardInfoTreeNode *other = t.item(t.group(main, "Aux MCU", 4), {"Aux FW", 1, 0, 30, 1});
    BoardInfoTreeNode *input = t.board("INPUT", 5, 2);
    t.item(t.group(input, "Card MCU", 7), {"Input FW", 1, 0, 40, 1});

    const PackageTreeCheck c = ValidatePackageTree(t.tree);
    QCOMPARE(c.Message, QStringLiteral("Item [MAIN] more than 1 default firmware has been set"));
    QCOMPARE(c.Node, main);
    // Only checked items count.
    other->Checked = false;
    QVERIFY(ValidatePackageTree(t.tree).Ok);
    other->Checked = true;
    // ... of checked boards.
    main->Checked = false;
    QVERIFY(ValidatePackageTree(t.tree).Ok);
}

void tst_PackageBuilder::namesStayInTheFolder() {
    BuilderTree t;
    BoardInfoTreeNode *main = t.board("MAIN", 0, 1);
    t.item(t.group(main, "Main MCU", 3), {"../../etc/evil", 1, 0, 20});
    t.item(t.group(main, "Aux MCU", 4), {"..", 1, 0, 20});
    t.item(t.group(main, "Back MCU", 5), {"a\\b\nc", 1, 0, 20});
    const PackageBuild build = BuildPackage(t.tree, "1/2/../3");
    QVERIFY(build.Built());
    for (const QString &piece : build.Pieces) {
        QVERIFY2(!piece.contains('/') && !piece.contains('\\') && !piece.contains(".."),
                 qPrintable(piece));
    }
    QVERIFY(!build.FileName.contains('/'));
    QVERIFY(!build.FileName.contains(".."));
    QVERIFY(!build.FileName.contains('\n'));

    QTemporaryDir app;
    const QString folder = app.path() + QLatin1Char('/');
    const QString path = PackagePath(folder, build.FileName);
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(app.path()).absoluteFilePath());
    QVERIFY(SavePackageFile(path, build.Bytes));
    QCOMPARE(QDir(app.path()).entryList(QDir::Files).size(), 1);
    // Whatever name is handed in, the path stays in the folder.
    for (const QString &name : {QStringLiteral("../x.fw2"), QStringLiteral("/tmp/x.fw2"),
                                QStringLiteral(".."), QStringLiteral("a/../../b")}) {
        const QString p = PackagePath(folder, name);
        QCOMPARE(QFileInfo(p).absolutePath(), QFileInfo(app.path()).absoluteFilePath());
        QVERIFY2(QFileInfo(p).fileName() != QStringLiteral(".."), qPrintable(p));
    }
}

void tst_PackageBuilder::dateStamp() {
    const QDate date(2026, 12, 9);
    QCOMPARE(PackageDateStamp(date, QLocale(QLocale::English, QLocale::UnitedStates)),
             QStringLiteral("12-9-26"));
    for (const QLocale &locale :
         {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
          QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::Japanese),
          QLocale(QLocale::Persian), QLocale(QLocale::Hungarian), QLocale::system()}) {
        const QString stamp = PackageDateStamp(date, locale);
        QVERIFY(!stamp.isEmpty());
        QVERIFY2(!stamp.contains('/') && !stamp.contains('\\') && !stamp.contains(QChar(0)) &&
                     !stamp.contains(".."),
                 qPrintable(stamp));
    }
}

void tst_PackageBuilder::longNamesFit() {
    BuilderTree t;
    BoardInfoTreeNode *main = t.board("MAIN", 0, 1);
    BoardInfoTreeNode *group = t.group(main, "Main MCU", 3);
    for (int i = 0; i < 12; ++i)
        t.item(group, {QString(31 - 2, QChar(0x00E9)) + QString::number(i + 10), 1, 0, 8});
    const PackageBuild build = BuildPackage(t.tree, "12-9-26");
    QVERIFY(build.Built());
    QCOMPARE(build.Pieces.size(), 12);
    QVERIFY(build.FileName.toUtf8().size() <= 255);
    QVERIFY(build.FileName.endsWith(QStringLiteral("12-9-26.fw2")));
    QTemporaryDir app;
    QVERIFY(SavePackageFile(PackagePath(app.path(), build.FileName), build.Bytes));
}

void tst_PackageBuilder::saveIsAtomic() {
    QTemporaryDir app;
    const QString path = app.filePath("p.fw2");
    QVERIFY(SavePackageFile(path, QByteArray("old")));
    QVERIFY(SavePackageFile(path, QByteArray("new package")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("new package"));
    f.close();
    // A name that cannot be written (a folder is there): nothing is left
    // behind, neither under the name nor as a temporary file.
    QVERIFY(QDir(app.path()).mkdir("taken.fw2"));
    QString error;
    QVERIFY(!SavePackageFile(app.filePath("taken.fw2"), QByteArray(1000, 'x'), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(app.filePath("taken.fw2")).isDir());
    QCOMPARE(QDir(app.path()).entryList(QDir::Files), QStringList{"p.fw2"});
}

void tst_PackageBuilder::boardListTooLong() {
    // Every checked board takes an entry of up to 37 bytes in the main
    // board's block, whose length has 16 bits.
    BuilderTree t;
    t.unit();
    const QString longName(31, QLatin1Char('b'));
    for (int i = 0; i < 1800; ++i)
        t.board(longName, 5, 1);
    const PackageBuild build = BuildPackage(t.tree, "d");
    QVERIFY(build.Check.Ok);
    QVERIFY(!build.Built());
    QVERIFY(build.Bytes.isEmpty());
    QCOMPARE(build.Message,
             QStringLiteral("Too many boards for the main board's information, please check."));
    // Unchecked boards do not count.
    for (int i = 3; i < t.tree.TopCount(); ++i)
        t.tree.Top(i)->Checked = i < 1000;
    QVERIFY(BuildPackage(t.tree, "d").Built());
}

QTEST_GUILESS_MAIN(tst_PackageBuilder)
#include "tst_packagebuilder.moc"
