// The Product Information page against the simulated unit: the boards read
// into a tree, the details of a node, the report of the whole tree and its
// text file.

#include "../../firmware/ui/UpgradeRig.h"
#include "boardinfo/ProductInfoReader.h"

#include <QTreeWidget>

namespace {

QStringList treeTexts(QTreeWidget *tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = tree->topLevelItem(i);
        out << top->text(0);
        for (int c = 0; c < top->childCount(); ++c)
            out << QStringLiteral("-") + top->child(c)->text(0);
    }
    return out;
}

} // namespace

class TestProductInfoPage : public QObject {
    Q_OBJECT

private slots:
    void readWholeUnit() {
        UpgradeRig rig;
        rig.start(unitsamples::unit(), unitsamples::unitPackage());
        rig.fx.form->pcContainer->setCurrentWidget(rig.pi());
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        QCOMPARE(treeTexts(rig.pi()->tvPI),
                 (QStringList{"MAIN", "INPUT", "-INPUT1 => INPUT-OLD", "-INPUT2 => INPUT-OLD",
                              "-INPUT3 => INPUT-OLD", "-INPUT4 => INPUT-OLD", "OUTPUT",
                              "-OUTPUT1 => OUTPUT-OLD", "-OUTPUT2 => OUTPUT-OLD",
                              "-OUTPUT3 => OUTPUT-OLD", "-OUTPUT4 => OUTPUT-OLD"}));
        // The main board, then one step per card: nine reads in all.
        QList<int> steps;
        for (int p : rig.pi()->GaugeTrail)
            if (p > 0 && (steps.isEmpty() || steps.last() != p))
                steps << p;
        QCOMPARE(steps, (QList<int>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
        QCOMPARE(rig.pi()->tsgPI->Caption(), QStringLiteral("Done"));
        QCOMPARE(rig.pi()->mmoPI->toPlainText().split('\n').last(), QStringLiteral("Done"));
        QCOMPARE(rig.fx.panel(1), QStringLiteral("Done"));

        QTreeWidgetItem *input3 = rig.pi()->tvPI->topLevelItem(1)->child(2);
        QTest::mouseClick(rig.pi()->tvPI->viewport(), Qt::LeftButton, {},
                          rig.pi()->tvPI->visualItemRect(input3).center());
        QCOMPARE(rig.pi()->mmoPI->toPlainText().split('\n'),
                 (QStringList{"Name=INPUT-OLD", "PCBType=5", "SubIndex=2", "MCUType=7",
                              "Solution=$0A", "Quantity=1", "PCBVersion=B", "SpecialCode=$0009",
                              "BCRunning=0", "BIValid=1"}));

        QTest::mouseClick(rig.pi()->btnDisplayAllPI, Qt::LeftButton);
        const QStringList all = rig.pi()->mmoPI->toPlainText().split('\n');
        QCOMPARE(all.first(), QStringLiteral("Firmware Version: 2.03"));
        QCOMPARE(all[2], QString(45, '='));
        QVERIFY(all.contains(QStringLiteral("MAIN:")));
        QVERIFY(all.contains(QStringLiteral("INPUT: INPUT4 => INPUT-OLD")));
        QVERIFY(all.contains(QStringLiteral("Quantity=4")));
        QCOMPARE(all.last(), QStringLiteral("=====================End====================="));

        rig.savePath = rig.fx.dir.filePath(QStringLiteral("pi"));
        QTest::mouseClick(rig.pi()->btnSaveAllPI, Qt::LeftButton);
        QFile saved(rig.savePath + QStringLiteral(".txt"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY(text.startsWith("Firmware Version: 2.03\r\n"));
        QVERIFY(text.endsWith("=====================End=====================\r\n"));
        QCOMPARE(rig.fx.panel(2), QStringLiteral("Saved Okay"));
        QTest::mouseClick(rig.pi()->btnClearPI, Qt::LeftButton);
        QVERIFY(rig.pi()->mmoPI->toPlainText().isEmpty());
    }

    void readAfterUpgrade() {
        UpgradeRig rig;
        rig.start(unitsamples::unit(2), unitsamples::unitPackage(2));
        rig.open();
        rig.upgrade();
        QCOMPARE(rig.memo().last(), QStringLiteral("Firmware upgrade successfully!"));
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        // Board information written from the package: each card names its item.
        QCOMPARE(treeTexts(rig.pi()->tvPI),
                 (QStringList{"MAIN", "INPUT", "-INPUT1 => Input FW", "-INPUT2 => Input FW",
                              "OUTPUT", "-OUTPUT1 => Output FW", "-OUTPUT2 => Output FW"}));
    }

    void scope_data() {
        QTest::addColumn<bool>("bootCode");
        QTest::addColumn<QString>("hint");
        QTest::newRow("main board in boot code")
            << true
            << "Please upgrade Main Board firmware to read unit's all information, now to read "
               "Main Board Information only.";
        QTest::newRow("unit powered off")
            << false
            << "Please power up the unit to read all information, now to read Main Board "
               "Information only.";
    }
    void scope() {
        QFETCH(bool, bootCode);
        QFETCH(QString, hint);
        UpgradeRig rig;
        // The cards are listed before the main board in its block.
        BoardUnit unit = unitsamples::unit();
        unit.mainBoard()->block = unitsamples::mainBlock(4, false);
        unit.mainBoard()->bcRunning = bootCode;
        rig.start(unit, unitsamples::unitPackage());
        rig.fx.sim->withState([&](MatrixState &s) { s.powerOn = bootCode; });
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        QCOMPARE(rig.informations, QStringList{hint});
        QCOMPARE(treeTexts(rig.pi()->tvPI), QStringList{"MAIN"});
        QCOMPARE(rig.pi()->tsgPI->Position(), 100);
    }

    void emptyUnitList() {
        // A main block whose boards all have quantity 0: nothing to read, the
        // gauge still ends full.
        UpgradeRig rig;
        BoardUnit unit = unitsamples::unit(0);
        rig.start(unit, unitsamples::unitPackage());
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        QCOMPARE(rig.pi()->tsgPI->Position(), 100);
        QCOMPARE(treeTexts(rig.pi()->tvPI), QStringList{"MAIN"});
    }

    void declinedOrEmpty() {
        UpgradeRig rig;
        rig.start(unitsamples::unit(), unitsamples::unitPackage());
        rig.fx.questionAnswer = false;
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        QCOMPARE(rig.pi()->tvPI->topLevelItemCount(), 0);
        QCOMPARE(rig.fx.countCommands(Cmd::Mcu, BoardSub::BootCodeInfo), 0);
        rig.fx.prompts().clear();
        QTest::mouseClick(rig.pi()->btnDisplayAllPI, Qt::LeftButton);
        QTest::mouseClick(rig.pi()->btnSaveAllPI, Qt::LeftButton);
        QVERIFY(rig.fx.prompts().isEmpty());
    }

    void failedReads_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("memoLine");
        QTest::newRow("slot names another board") << "other block"
                                                  << QStringList{"MAIN",
                                                                 "INPUT",
                                                                 "-INPUT1 => INPUT-OLD",
                                                                 "-INPUT2 => OUTPUT-OLD [Failed]",
                                                                 "OUTPUT",
                                                                 "-OUTPUT1 => OUTPUT-OLD",
                                                                 "-OUTPUT2 => OUTPUT-OLD"}
                                                  << QString();
        QTest::newRow("board information read fails") << "silent"
                                                      << QStringList{"MAIN",
                                                                     "INPUT",
                                                                     "-INPUT1 => INPUT-OLD",
                                                                     "-INPUT2 => VC not support",
                                                                     "OUTPUT",
                                                                     "-OUTPUT1 => OUTPUT-OLD",
                                                                     "-OUTPUT2 => OUTPUT-OLD"}
                                                      << "Read PI:PCBType.SubIndex[5.1] Failed";
        QTest::newRow("power status read fails")
            << "power" << QStringList{} << "Please try to read Product Information again";
    }
    void failedReads() {
        QFETCH(QString, fault);
        QFETCH(QStringList, tree);
        QFETCH(QString, memoLine);
        UpgradeRig rig;
        BoardUnit unit = unitsamples::unit(2);
        SimBoard *input2 = unit.board(unitsamples::InputType, 1);
        if (fault == QStringLiteral("other block"))
            input2->block = unitsamples::cardBlock(unitsamples::OutputType, "OUTPUT-OLD");
        if (fault == QStringLiteral("silent"))
            input2->silentAfter = 1; // its boot-code read only
        rig.start(unit, unitsamples::unitPackage(2));
        if (fault == QStringLiteral("power")) {
            // Every try of the power-status read goes unanswered.
            QObject::connect(rig.pi()->Reader(), &ProductInfoReader::gaugeChanged, rig.pi(),
                             [&](const QString &caption, int) {
                                 if (caption == QStringLiteral("Reading ..."))
                                     rig.fx.sim->queueFault(FaultKind::DropReply, 5);
                             });
        }
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        QCOMPARE(treeTexts(rig.pi()->tvPI), tree);
        const QStringList memo = rig.pi()->mmoPI->toPlainText().split('\n');
        if (!memoLine.isEmpty())
            QVERIFY2(memo.contains(memoLine), qPrintable(memo.join('|')));
        QCOMPARE(memo.last(), QStringLiteral("Please try to read Product Information again"));
        QCOMPARE(rig.fx.panel(1), QStringLiteral("Read Product Information Failed"));
        if (fault == QStringLiteral("power"))
            QCOMPARE(rig.informations,
                     QStringList{QStringLiteral("Please make sure the unit is running normally. "
                                                "Otherwise, unit firmware needs to be upgraded.")});
        else
            QVERIFY(rig.informations.isEmpty());
        QVERIFY(rig.pi()->btnGetPI->isEnabled());
    }

    void saveOverwrite_data() {
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("answered no") << false;
        QTest::newRow("answered yes") << true;
    }
    void saveOverwrite() {
        QFETCH(bool, overwrite);
        UpgradeRig rig;
        rig.start(unitsamples::unit(1), unitsamples::unitPackage(1));
        QTest::mouseClick(rig.pi()->btnGetPI, Qt::LeftButton);
        rig.savePath = rig.fx.dir.filePath(QStringLiteral("pi.TXT"));
        QVERIFY(unitsamples::writeFile(rig.savePath, "old text\r\n"));
        rig.fx.questionAnswer = overwrite;
        rig.fx.prompts().clear();
        QTest::mouseClick(rig.pi()->btnSaveAllPI, Qt::LeftButton);
        QStringList questions;
        for (const PromptService::Request &r : rig.fx.prompts())
            if (r.kind == PromptService::Kind::Question)
                questions << r.text;
        QCOMPARE(questions, QStringList{QStringLiteral("File: [") + rig.savePath +
                                        QStringLiteral("] exists, overwrite it?")});
        QFile saved(rig.savePath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        if (overwrite) {
            QVERIFY(text.endsWith("\r\nDone\r\n"));
            QCOMPARE(rig.fx.panel(2), QStringLiteral("Saved Okay"));
        } else {
            QCOMPARE(text, QByteArray("old text\r\n"));
            QCOMPARE(rig.fx.panel(2), QStringLiteral("Save cancelled"));
        }
    }
};

QTEST_MAIN(TestProductInfoPage)
#include "tst_productinfopage.moc"
