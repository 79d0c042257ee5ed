// The upgrade workflow without a window: the check tree built from packages
// and firmware files, the cascade of check boxes, and whole runs against the
// simulated unit over TCP and over the paced pseudo-terminal.

#include "../link/LinkTestSupport.h"
#include "UnitSamples.h"
#include "app/AppContext.h"
#include "app/PromptService.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/PackageUpgrade.h"
#include "firmware/UpgradeTree.h"

#include <QtTest>

namespace {

QStringList texts(const BoardInfoTree &tree) {
    QStringList out;
    for (const BoardInfoTreeNode *n : tree.Nodes())
        out << QString(n->Level(), QLatin1Char('-')) + n->Text;
    return out;
}

QByteArray firmwarePart(uint8_t partClass, uint16_t kind, uint16_t slot, int size) {
    QByteArray image = samples::image(size, uint8_t(kind + slot));
    EncipherFirmware(image);
    return BuildPartHeader(partClass, kind, slot, 1, 2, uint32_t(size)).toBytes() + image;
}

} // namespace

class TestPackageUpgrade : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LinkTiming::shrinkForTests(); }

    void treeFromPackage_data() {
        QTest::addColumn<bool>("mainFirst");
        QTest::newRow("main listed first") << true;
        // The main item's block lists every board; MAIN stays one node even
        // when the cards come first in that list.
        QTest::newRow("cards listed first") << false;
    }
    void treeFromPackage() {
        QFETCH(bool, mainFirst);
        UpgradeTree tree;
        // An item without an image and without board information gives no node.
        tree.BuildTreeFromPackage(unitsamples::unitPackage(4, mainFirst) +
                                  samples::packageItem(samples::threeItems()[2]));
        QCOMPARE(texts(tree.Tree()),
                 (QStringList{"MAIN", "INPUT", "-INPUT 1", "-INPUT 2", "-INPUT 3", "-INPUT 4",
                              "OUTPUT", "-OUTPUT 1", "-OUTPUT 2", "-OUTPUT 3", "-OUTPUT 4"}));
        const BoardInfoTreeNode *input = tree.Tree().Top(1);
        QCOMPARE(input->Data.PCBType, uint8_t(5));
        for (int n = 0; n < 4; ++n) {
            QCOMPARE(input->Child(n)->Data.PCBType, uint8_t(n)); // the child's index
            QCOMPARE(input->Child(n)->Data.Quantity, uint8_t(4));
            QCOMPARE(input->Child(n)->Data.Ver1, uint8_t(2));
            QVERIFY(input->Child(n)->Checked);
        }
        QCOMPARE(tree.Tree().Top(0)->Data.Solution, uint8_t(0x2C));
        QCOMPARE(tree.Captions().size(), 11);
    }

    void treeFromFirmwareFile() {
        // Parts in any order: the captions restored after marks follow the tree.
        const QByteArray file = firmwarePart(2, 5, 2, 10) + firmwarePart(1, 1, 0, 20) +
                                firmwarePart(2, 1, 0, 5) + firmwarePart(2, 5, 1, 10);
        UpgradeTree tree;
        tree.BuildTreeFromFirmwareFile(file);
        const QStringList built{"INPUT", "-INPUT2", "-INPUT1", "MAIN", "SLAVE"};
        QCOMPARE(texts(tree.Tree()), built);
        QVERIFY(tree.MarkPackageNode(5, 0, "FMFail"));
        QVERIFY(tree.MarkPackageNode(0, 0, "BIFail"));
        QCOMPARE(texts(tree.Tree()),
                 (QStringList{"INPUT", "-INPUT2", "-INPUT1 ->FMFail", "MAIN ->BIFail", "SLAVE"}));
        tree.RestoreCaptions();
        QCOMPARE(texts(tree.Tree()), built);
        // A bad header ends the walk; the parts before it stay.
        QByteArray broken = firmwarePart(1, 1, 0, 8) + firmwarePart(2, 3, 0, 8);
        broken[broken.size() - 8 - 1] = char(broken[broken.size() - 8 - 1] + 1);
        tree.BuildTreeFromFirmwareFile(broken);
        QCOMPARE(texts(tree.Tree()), QStringList{"MAIN"});
    }

    void cascade_data() {
        QTest::addColumn<QString>("clicks"); // node:state pairs, nodes as "b" or "b.c"
        QTest::addColumn<QString>("expected");
        QTest::newRow("board unchecks its children") << "1:0"
                                                     << "0 0000 1";
        QTest::newRow("board checks its children") << "1:0 1:1"
                                                   << "1 1111 1";
        QTest::newRow("one child off keeps the board") << "1.2:0"
                                                       << "1 1101 1";
        QTest::newRow("last child off unchecks the board") << "1.0:0 1.1:0 1.2:0 1.3:0"
                                                           << "0 0000 1";
        QTest::newRow("a child on checks its board") << "1:0 1.3:1"
                                                     << "1 0001 1";
    }
    void cascade() {
        QFETCH(QString, clicks);
        QFETCH(QString, expected);
        UpgradeTree tree;
        tree.BuildTreeFromPackage(unitsamples::unitPackage(4));
        for (const QString &click : clicks.split(' ')) {
            const QStringList parts = click.split(':');
            const QStringList path = parts[0].split('.');
            BoardInfoTreeNode *node = tree.Tree().Top(path[0].toInt());
            if (path.size() > 1)
                node = node->Child(path[1].toInt());
            node->Checked = parts[1] == "1";
            UpgradeTree::CascadeTreeCheck(node);
        }
        const BoardInfoTreeNode *input = tree.Tree().Top(1);
        QString state = QString::number(input->Checked) + ' ';
        for (int c = 0; c < 4; ++c)
            state += QString::number(input->Child(c)->Checked);
        state += ' ' + QString::number(tree.Tree().Top(2)->Checked);
        QCOMPARE(state, expected);
    }

    void wholeRun_data() {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("paced serial line") << true;
    }
    void wholeRun() {
        QFETCH(bool, serial);
        const int cards = serial ? 1 : 4;
        LinkFixture fx;
        QVERIFY(fx.open(serial));
        fx.sim->withState([&](MatrixState &s) {
            s.unit = unitsamples::unit(cards);
            s.rebootMs = 30;
        });
        PromptService prompts;
        AppContext ctx(fx.engine.get(), &prompts);
        UpgradeTree tree;
        const QByteArray package = unitsamples::unitPackage(cards);
        tree.BuildTreeFromPackage(package);
        PackageUpgrade upgrade(&ctx, &tree);
        upgrade.SetFile(package, true);
        upgrade.BoardInfoOnly = false;
        QStringList log;
        connect(&upgrade, &PackageUpgrade::upgradeLog, this, [&](const QString &l) { log << l; });
        QCOMPARE(upgrade.RunUpgrade(), PackageUpgrade::Outcome::Succeeded);
        QCOMPARE(log.last(), QStringLiteral("Firmware upgrade successfully!"));
        QCOMPARE(upgrade.WorkList().size(), 1 + 2 * cards);
        fx.sim->withState([&](MatrixState &s) {
            QCOMPARE(s.unit.storedImage(0, 0), unitsamples::imageOf(0, cards));
            for (uint8_t type : {unitsamples::InputType, unitsamples::OutputType}) {
                for (int n = 0; n < cards; ++n) {
                    const StoredImage *image = s.unit.lastImage(type, n);
                    QVERIFY(image);
                    QCOMPARE(image->image, unitsamples::imageOf(type, cards));
                    QCOMPARE(image->slot(), uint16_t(n + 1));
                    QCOMPARE(image->ver1() >> 8, 0); // no MCU type while forced
                    QCOMPARE(s.unit.board(type, n)->boardInfoWrites, 1);
                }
            }
            QCOMPARE(s.unit.slaveResets.last(), BoardParam::SlaveResetForBoardInfo);
            QVERIFY(s.unit.slaveResets.contains(BoardParam::SlaveResetForUpgrade));
        });
    }

    // A boot-code read that fails before it waits (here: no link at all)
    // is not repeated, even with an old time-out still on record.
    void failedReadDoesNotRepeat() {
        LinkFixture fx;
        QVERIFY(fx.open(false));
        const quint16 port = fx.sim->tcpPort();
        fx.sim->stop();
        fx.engine->reportFailure(LinkFailure::TimedOut);
        QVERIFY(fx.engine->TimeoutSeen());
        PromptService prompts;
        AppContext ctx(fx.engine.get(), &prompts);
        fx.engine->setTcpPort(port);
        UpgradeTree tree;
        const QByteArray package = unitsamples::unitPackage(1);
        tree.BuildTreeFromPackage(package);
        PackageUpgrade upgrade(&ctx, &tree);
        upgrade.SetFile(package, true);
        // Every board still takes its default part; none was read.
        QVERIFY(upgrade.PreparePackageParts());
        QCOMPARE(upgrade.WorkList().size(), 3);
        for (const BoardInfoWorkEntry &e : upgrade.WorkList())
            QVERIFY(!e.BootCodeRead);
        QVERIFY(!upgrade.NeedsBoardInfoWrite());
    }

    // The tree comes from one file, the run from another that lacks a part
    // of a checked node: the preparation ends there and nothing is sent.
    void fileWithoutCheckedPart_data() {
        QTest::addColumn<int>("dropped"); // part index of unitFirmwareFile(2) left out
        QTest::newRow("main part") << 0;
        QTest::newRow("second output card") << 4;
    }
    void fileWithoutCheckedPart() {
        QFETCH(int, dropped);
        LinkFixture fx;
        QVERIFY(fx.open(false));
        fx.sim->withState([&](MatrixState &s) { s.unit = unitsamples::unit(2); });
        PromptService prompts;
        AppContext ctx(fx.engine.get(), &prompts);
        UpgradeTree tree;
        tree.BuildTreeFromFirmwareFile(unitsamples::unitFirmwareFile(2));
        QByteArray file;
        int index = 0;
        for (uint16_t type :
             {uint16_t(0), uint16_t(unitsamples::InputType), uint16_t(unitsamples::OutputType)})
            for (int n = type ? 1 : 0; n <= (type ? 2 : 0); ++n, ++index)
                if (index != dropped)
                    file += type ? unitsamples::filePart(PartClassSub, type, uint16_t(n))
                                 : unitsamples::filePart(PartClassMain, McuKindMain, 0);
        PackageUpgrade upgrade(&ctx, &tree);
        upgrade.SetFile(file, false);
        upgrade.BoardInfoOnly = false;
        QStringList log;
        connect(&upgrade, &PackageUpgrade::upgradeLog, this, [&](const QString &l) { log << l; });
        QCOMPARE(upgrade.RunUpgrade(), PackageUpgrade::Outcome::Failed);
        QCOMPARE(log, (QStringList{"Preparing firmware, please wait ...",
                                   "Firmware package not correct"}));
        QCOMPARE(upgrade.PrepareProblemText(), QStringLiteral("Firmware package not correct\r\n"));
        QVERIFY(upgrade.Prepared().isEmpty());
        fx.sim->withState([&](MatrixState &s) {
            for (const SimBoard &b : s.unit.boards)
                QVERIFY(b.images.isEmpty());
        });
    }

    // A checked board no package item names: the dump says so.
    void noPartForBoard() {
        LinkFixture fx;
        QVERIFY(fx.open(false));
        fx.sim->withState([&](MatrixState &s) { s.unit = unitsamples::unit(1); });
        PromptService prompts;
        AppContext ctx(fx.engine.get(), &prompts);
        UpgradeTree tree;
        tree.BuildTreeFromPackage(unitsamples::unitPackage(1));
        QList<samples::ItemFields> items = unitsamples::unitItems(1);
        items.removeLast(); // OUTPUT
        PackageUpgrade upgrade(&ctx, &tree);
        upgrade.SetFile(unitsamples::unitPackageOf(items, 1), true);
        QStringList log;
        connect(&upgrade, &PackageUpgrade::upgradeLog, this, [&](const QString &l) { log << l; });
        QVERIFY(!upgrade.PreparePackageParts());
        const int from = int(log.indexOf(QStringLiteral("OUTPUT: Firmware not found")));
        QVERIFY(from > 0);
        QCOMPARE(log.mid(from + 10), (QStringList{"OUTPUT: Part in package Info as below:",
                                                  "OUTPUT: No firwmare part found in package", "",
                                                  "", "Firmware package not correct"}));
        QVERIFY(upgrade.Prepared().isEmpty());
    }
};

QTEST_MAIN(TestPackageUpgrade)
#include "tst_packageupgrade.moc"
