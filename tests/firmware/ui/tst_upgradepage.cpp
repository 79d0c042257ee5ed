// The Upgrade Firmware page end to end: a package of a whole unit opened on
// the page, upgraded over TCP against the simulated unit, with refusals, a
// lost link, a main board in its boot code and a window closed mid-run.

#include "UpgradeRig.h"
#include "boardinfo/SpecialCode.h"
#include "firmware/FirmwareTransfer.h"

#include <QTreeWidget>

namespace {
const QString Success = QStringLiteral("Firmware upgrade successfully!");
}

class TestUpgradePage : public QObject {
    Q_OBJECT

private slots:
    void treeAndAdvice() {
        UpgradeRig rig;
        rig.start(unitsamples::unit(), unitsamples::unitPackage());
        QCOMPARE(rig.page()->mmoMessageUpgrade->toPlainText().split('\n').size(), 13);
        QVERIFY(rig.page()->cbForce->isChecked() && !rig.page()->cbForce->isEnabled());
        QVERIFY(rig.page()->cbBIOnly->isChecked());
        QVERIFY(!rig.page()->btnFWUpgrade->isEnabled());
        rig.open();
        QTreeWidget *tree = rig.page()->tvPackage;
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(1)->child(3)->text(0), QStringLiteral("INPUT 4"));
        // Unchecking every child by the keyboard's space unchecks the board.
        QTreeWidgetItem *input = tree->topLevelItem(1);
        for (int c = 0; c < 4; ++c)
            input->child(c)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(input->checkState(0), Qt::Unchecked);
        input->setCheckState(0, Qt::Checked);
        QCOMPARE(input->child(2)->checkState(0), Qt::Checked);
        rig.page()->btnClearMsgUG->click();
        QCOMPARE(rig.page()->mmoMessageUpgrade->toPlainText().split('\n').first(),
                 QStringLiteral("It is recommended to upgrade the Matrix firmware using the "
                                "serial connection"));
    }

    void fullUpgrade_data() {
        QTest::addColumn<bool>("boardInfoOnly");
        QTest::newRow("firmware and board information") << false;
        QTest::newRow("board information only") << true;
    }
    void fullUpgrade() {
        QFETCH(bool, boardInfoOnly);
        UpgradeRig rig;
        rig.start(unitsamples::unit(), unitsamples::unitPackage());
        rig.open();
        if (!boardInfoOnly)
            ClickIndicator(rig.page()->cbBIOnly);
        QCOMPARE(rig.page()->cbBIOnly->isChecked(), boardInfoOnly);
        rig.upgrade();
        QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Succeeded);
        QCOMPARE(rig.memo().last(), Success);
        QCOMPARE(rig.fx.panel(1), QStringLiteral("Firmware upgrade successfully"));
        QCOMPARE(rig.everyBoardHasItsPart(4), !boardInfoOnly);
        QCOMPARE(rig.fx.countCommands(Cmd::Reboot, RebootSub::System), boardInfoOnly ? 0 : 1);
        const QByteArray package = unitsamples::unitPackage();
        rig.fx.sim->withState([&](MatrixState &s) {
            for (const SimBoard &b : s.unit.boards) {
                QCOMPARE(b.boardInfoWrites, 1);
                QCOMPARE(b.images.isEmpty(), boardInfoOnly);
            }
            // The main board keeps the package's list of the unit.
            QCOMPARE(s.unit.storedBlock(0, 0), unitsamples::mainBlock(4));
        });
        if (!boardInfoOnly) {
            QVERIFY(rig.memoHas(QStringLiteral("Part_2.5.4 ver2.17 upgrading complete")));
            QVERIFY(rig.memoHas(QStringLiteral("System reboot ok")));
            // Each wait keeps its spinner on one line.
            int rebootLines = 0;
            for (const QString &line : rig.memo())
                rebootLines += line.startsWith(QStringLiteral("System rebooting"));
            QVERIFY(rebootLines >= 1 && rebootLines <= 3);
        }
        QVERIFY(rig.memoHas(QStringLiteral("INPUT 3:Set Board Info okay")));
        QCOMPARE(rig.page()->tsgFWUpgrade->Position(), 100);
        QVERIFY(rig.page()->bbFWOpen->isEnabled() && rig.page()->tvPackage->isEnabled());
    }

    void mainBoardInBootCode() {
        UpgradeRig rig;
        BoardUnit unit = unitsamples::unit();
        unit.mainBoard()->bcRunning = true;
        rig.start(unit, unitsamples::unitPackage());
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        rig.upgrade();
        QCOMPARE(rig.informations.size(), 1);
        QVERIFY(rig.informations[0].startsWith(
            QStringLiteral("1. Main Board's firmware MUST be upgraded first.")));
        rig.fx.sim->withState([&](MatrixState &s) {
            QCOMPARE(s.unit.storedImage(0, 0), unitsamples::imageOf(0));
            for (const SimBoard &b : s.unit.boards)
                QCOMPARE(b.images.size(), b.pcbType == 0 ? 1 : 0);
        });
        QCOMPARE(rig.page()->Upgrade()->WorkList().size(), 1);
    }

    void refusedPartIsMarked() {
        UpgradeRig rig;
        BoardUnit unit = unitsamples::unit();
        unit.board(unitsamples::InputType, 1)->refuseParts = true;
        rig.start(unit, unitsamples::unitPackage());
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        rig.upgrade();
        QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Failed);
        QVERIFY(rig.memoHas(QStringLiteral("Upgrading Part_2.5.2 ver2.17 ... Retry time: 5")));
        QVERIFY(rig.memoHas(QStringLiteral("Upgrading Part_2.5.2 ver2.17 failed")));
        QCOMPARE(rig.memo().last(), QStringLiteral("Firmware upgrade failed"));
        QVERIFY(!rig.anySuccess());
        QTreeWidgetItem *input2 = rig.page()->tvPackage->topLevelItem(1)->child(1);
        QCOMPARE(input2->text(0), QStringLiteral("INPUT 2 ->FMFail"));
        int starts = 0;
        for (const QByteArray &f : rig.fx.commandsSent())
            starts += ShellFixture::isCommand(f, Cmd::Mcu, McuSub::UploadNoReboot) &&
                      ShellFixture::param(f, 1) == 5 && ShellFixture::param(f, 2) == 2;
        QCOMPARE(starts, 6);
        // No reboot after a failed part.
        QCOMPARE(rig.fx.countCommands(Cmd::Reboot, RebootSub::System), 0);

        rig.fx.sim->withState(
            [](MatrixState &s) { s.unit.board(unitsamples::InputType, 1)->refuseParts = false; });
        rig.upgrade();
        QCOMPARE(input2->text(0), QStringLiteral("INPUT 2"));
        QCOMPARE(rig.memo().last(), Success);
    }

    void failedRebootCommand() {
        UpgradeRig rig;
        rig.start(unitsamples::unit(1), unitsamples::unitPackage(1));
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        // The last card's part is in: the reboot command goes unanswered.
        int cardsDone = 0;
        QObject::connect(rig.fx.ctx()->Firmware, &FirmwareTransfer::partProgress, rig.page(),
                         [&](PartId part, int percent) {
                             if (part.part == 2 && percent == 100 && ++cardsDone == 2)
                                 rig.fx.sim->queueFault(FaultKind::DropReply, 5);
                         });
        rig.upgrade();
        QVERIFY(rig.memoHas(QStringLiteral("Reboot system failed, the unit did not restart")));
        QCOMPARE(rig.memo().last(), QStringLiteral("Firmware upgrade failed"));
        QVERIFY(!rig.anySuccess());
    }

    void linkLost_data() {
        QTest::addColumn<bool>("reachable");
        QTest::newRow("unit unreachable afterwards") << false;
        QTest::newRow("unit reachable again") << true;
    }
    void linkLost() {
        QFETCH(bool, reachable);
        UpgradeRig rig;
        rig.start(unitsamples::unit(), unitsamples::unitPackage());
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        bool cut = false;
        QObject::connect(rig.fx.ctx()->Firmware, &FirmwareTransfer::partProgress, rig.page(),
                         [&](PartId part, int percent) {
                             // In the middle of the third card's part.
                             if (cut || part.part != 2 || part.third != 3 || percent < 40)
                                 return;
                             cut = true;
                             if (reachable)
                                 rig.fx.sim->closeClients();
                             else
                                 rig.fx.sim->stop();
                         });
        rig.upgrade();
        QVERIFY(cut);
        const QString last = rig.memo().last();
        if (!reachable) {
            QVERIFY2(last == QStringLiteral("Upgrading failed") ||
                         last == QStringLiteral("Firmware upgrade failed"),
                     qPrintable(last));
            QVERIFY(!rig.anySuccess());
        } else if (rig.anySuccess()) {
            QCOMPARE(last, Success);
            QVERIFY(rig.everyBoardHasItsPart(4));
        } else {
            QVERIFY(last.contains(QStringLiteral("failed")));
        }
    }

    void closingMidUpgrade() {
        UpgradeRig rig;
        rig.start(unitsamples::unit(), unitsamples::unitPackage());
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        bool closed = false;
        QObject::connect(rig.fx.ctx()->Firmware, &FirmwareTransfer::partProgress, rig.page(),
                         [&](PartId part, int) {
                             if (closed || part.part != 2)
                                 return;
                             closed = true;
                             rig.fx.prompts().clear();
                             rig.fx.form->close();
                         });
        rig.upgrade();
        QVERIFY(closed);
        QCOMPARE(rig.fx.prompts().first().text,
                 QStringLiteral("Processing not complete, continue to close controller?"));
        QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Stopped);
        QCOMPARE(rig.memo().last(), QStringLiteral("Upgrading stopped"));
        QVERIFY(!rig.anySuccess());
    }

    void firmwareFileRun_data() {
        QTest::addColumn<bool>("boardInfoOnly");
        QTest::newRow("parts sent") << false;
        QTest::newRow("board information only checked") << true;
    }
    void firmwareFileRun() {
        QFETCH(bool, boardInfoOnly);
        UpgradeRig rig;
        rig.start(unitsamples::unit(2), unitsamples::unitPackage(2));
        rig.packagePath = rig.fx.dir.filePath(QStringLiteral("unit.fw"));
        QVERIFY(unitsamples::writeFile(rig.packagePath, unitsamples::unitFirmwareFile(2)));
        rig.open();
        QCOMPARE(rig.page()->tvPackage->topLevelItemCount(), 3);
        if (!boardInfoOnly)
            ClickIndicator(rig.page()->cbBIOnly);
        rig.upgrade();
        QVERIFY(rig.memoHas(QStringLiteral("Preparing firmware, please wait ...")));
        QVERIFY(rig.memoHas(QStringLiteral("Preparing firmware complete")));
        if (boardInfoOnly) {
            QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Failed);
            QCOMPARE(rig.memo().last(),
                     QStringLiteral("No Firmware upgraded, [Board Info Only] should not be "
                                    "checked"));
            QCOMPARE(rig.fx.panel(1), QStringLiteral("No Firmware upgraded"));
            QVERIFY(!rig.anySuccess());
        } else {
            QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Succeeded);
            QCOMPARE(rig.memo().last(), Success);
            QCOMPARE(rig.fx.panel(1), QStringLiteral("Firmware upgrade successfully"));
            QVERIFY(rig.memoHas(QStringLiteral("Part_1.1 ver3.04 upgrading complete")));
            QVERIFY(rig.memoHas(QStringLiteral("Upgrading Part_2.6.2 ver3.04 ...")));
            QVERIFY(rig.memoHas(QStringLiteral("Part_2.6.2 ver3.04 upgrading complete")));
            QCOMPARE(rig.fx.countCommands(Cmd::Reboot, RebootSub::System), 1);
        }
        rig.fx.sim->withState([&](MatrixState &s) {
            for (const SimBoard &b : s.unit.boards) {
                // A ".fw" run never touches board information.
                QCOMPARE(b.boardInfoWrites, 0);
                if (boardInfoOnly) {
                    QVERIFY(b.images.isEmpty());
                    continue;
                }
                const uint16_t kind = b.pcbType == 0 ? McuKindMain : b.pcbType;
                const uint16_t slot = b.pcbType == 0 ? 0 : uint16_t(b.subIndex + 1);
                const StoredImage *image = s.unit.lastImage(b.pcbType, b.subIndex);
                QVERIFY(image);
                QCOMPARE(image->image, unitsamples::fileImage(kind, slot));
                QCOMPARE(image->slot(), slot);
            }
        });
    }

    // Checked cards of a kind the package has no default part for: the
    // problem dump names the board, what it reported and what the package
    // offers for it; nothing is sent.
    void noFittingPart() {
        UpgradeRig rig;
        QList<samples::ItemFields> items = unitsamples::unitItems(1);
        items[2].isDefault = 0; // OUTPUT
        rig.start(unitsamples::unit(1), unitsamples::unitPackageOf(items, 1));
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        rig.upgrade();
        QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Failed);
        const QStringList memo = rig.memo();
        const int from = int(memo.indexOf(QStringLiteral("OUTPUT: Firmware not found")));
        QVERIFY(from > 0);
        QCOMPARE(memo.mid(from),
                 (QStringList{
                     "OUTPUT: Firmware not found", "Boot Code Info as below:", "ReadBootCodeInfo",
                     "rBCI.PCBType=6", "rBCI.SubIndex=0", "rBCI.MCUType=8######",
                     "rBCI.BCVersion=1", "rBCI.BCRunning=0", "rBCI.BoardInfoValid=0",
                     "Board Info Invalid", "OUTPUT: Part in package Info as below:", "1.",
                     "fw2 vcp.BaseData.MCUType=8******", "fw2 vcp.BaseData.Solution=0B******",
                     "fw2 vcp.BaseData.PCB_Ver_From=A******", "fw2 vcp.BaseData.PCB_Ver_To=Z******",
                     "fw2 Special code=0003******", "", "Firmware package not correct"}));
        QCOMPARE(rig.page()->Upgrade()->PrepareProblemText(),
                 QStringLiteral("Firmware package not correct\r\n"));
        QVERIFY(rig.fx.panel(1).startsWith(QStringLiteral("Firmware package not correct")));
        QVERIFY(!rig.anySuccess());
        rig.fx.sim->withState([&](MatrixState &s) {
            for (const SimBoard &b : s.unit.boards) {
                QVERIFY(b.images.isEmpty());
                QCOMPARE(b.boardInfoWrites, 0);
            }
        });
        QCOMPARE(rig.fx.countCommands(Cmd::Reboot, RebootSub::System), 0);
    }

    void mainBoardInBootCodeNotChecked() {
        UpgradeRig rig;
        BoardUnit unit = unitsamples::unit(2);
        unit.mainBoard()->bcRunning = true;
        rig.start(unit, unitsamples::unitPackage(2));
        rig.open();
        ClickIndicator(rig.page()->cbBIOnly);
        rig.page()->tvPackage->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        rig.upgrade();
        QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Failed);
        // The main board is asked for every checked node, warned about once.
        QCOMPARE(rig.informations.size(), 1);
        QVERIFY(rig.informations[0].startsWith(
            QStringLiteral("1. Main Board's firmware MUST be upgraded first.")));
        QCOMPARE(
            rig.memo().last(),
            QStringLiteral("Firmware package not correct or Main Board firmware not selected"));
        QCOMPARE(
            rig.page()->Upgrade()->PrepareProblemText(),
            QStringLiteral("Firmware package not correct or Main Board firmware not selected\r\n"));
        rig.fx.sim->withState([&](MatrixState &s) {
            for (const SimBoard &b : s.unit.boards)
                QVERIFY(b.images.isEmpty());
        });
    }

    void refusedStart_data() {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("runs");
        QTest::newRow("nothing checked") << false << true << false;
        QTest::newRow("tcp/ip question answered no") << true << false << false;
        QTest::newRow("tcp/ip question answered yes") << true << true << true;
    }
    void refusedStart() {
        QFETCH(bool, checked);
        QFETCH(bool, answer);
        QFETCH(bool, runs);
        UpgradeRig rig;
        rig.start(unitsamples::unit(1), unitsamples::unitPackage(1));
        rig.open();
        QCOMPARE(rig.fx.engine()->ControlMode(), cmLAN);
        if (!checked)
            for (int i = 0; i < rig.page()->tvPackage->topLevelItemCount(); ++i)
                rig.page()->tvPackage->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        rig.fx.questionAnswer = answer;
        rig.fx.prompts().clear();
        rig.upgrade();
        QStringList questions;
        for (const PromptService::Request &r : rig.fx.prompts())
            if (r.kind == PromptService::Kind::Question)
                questions << r.text;
        if (checked)
            QCOMPARE(questions,
                     QStringList{QStringLiteral(
                         "The Matrix is under TCP/IP control mode. It is strongly recommended to "
                         "upgrade the Matrix firmware under COM mode (serial connection).\r\nAre "
                         "you sure you wish to continue upgrading the firmware under TCP/IP "
                         "mode?")});
        else
            QCOMPARE(rig.informations, QStringList{QStringLiteral("No item selected.")});
        QCOMPARE(rig.fx.countCommands(Cmd::Mcu, BoardSub::BootCodeInfo) > 0, runs);
        QCOMPARE(rig.anySuccess(), runs);
        QVERIFY(rig.page()->bbFWOpen->isEnabled());
    }

    void specialCodeReplacement_data() {
        QTest::addColumn<bool>("silent");
        QTest::newRow("read and written") << false;
        QTest::newRow("board silent at the read") << true;
    }
    void specialCodeReplacement() {
        QFETCH(bool, silent);
        UpgradeRig rig;
        QList<samples::ItemFields> items = unitsamples::unitItems(2);
        items[1].include = 0; // INPUT: only the special code
        items[1].overwrite = 1;
        items[1].specialCode = QStringLiteral("12AB;0003");
        BoardUnit unit = unitsamples::unit(2);
        // The second input card answers its boot-code read, then nothing.
        if (silent)
            unit.board(unitsamples::InputType, 1)->silentAfter = 1;
        rig.start(unit, unitsamples::unitPackageOf(items, 2));
        rig.open();
        rig.upgrade(); // board information only
        QByteArray code;
        QVERIFY(SpecialCodeToBytes(QStringLiteral("12AB;0003"), code) > 0);
        QByteArray expected(BlockHeadSize, '\0');
        expected[0] = char(BoardInfoFormat);
        expected += BoardEntryBytes(unitsamples::InputType, 1, QByteArray("INPUT-OLD", 10));
        expected += SpecialCodeEntryBytes(code);
        FixBoardInfoChecksum(expected);
        const QByteArray old = unitsamples::cardBlock(unitsamples::InputType, "INPUT-OLD");
        QVERIFY(expected != old);
        QVERIFY(rig.memoHas(QStringLiteral("INPUT 1:Get Board Info for SC replacement okay")));
        QVERIFY(rig.memoHas(QStringLiteral("INPUT 1:Set Board Info for SC replacement okay")));
        QVERIFY(rig.memoHas(QStringLiteral("OUTPUT 2:Set Board Info okay")));
        rig.fx.sim->withState([&](MatrixState &s) {
            QCOMPARE(s.unit.storedBlock(unitsamples::InputType, 0), expected);
            QCOMPARE(s.unit.storedBlock(unitsamples::InputType, 1), silent ? old : expected);
            QCOMPARE(s.unit.board(unitsamples::InputType, 1)->boardInfoWrites, silent ? 0 : 1);
        });
        QTreeWidgetItem *input2 = rig.page()->tvPackage->topLevelItem(1)->child(1);
        if (silent) {
            QVERIFY(
                rig.memoHas(QStringLiteral("INPUT 2:Get Board Info for SC replacement failed")));
            QCOMPARE(input2->text(0), QStringLiteral("INPUT 2 ->BIFail"));
            QCOMPARE(rig.memo().last(), QStringLiteral("Board Info upgrade failed"));
            QCOMPARE(rig.page()->LastOutcome(), PackageUpgrade::Outcome::Failed);
        } else {
            QVERIFY(rig.memoHas(QStringLiteral("INPUT 2:Set Board Info for SC replacement okay")));
            QCOMPARE(input2->text(0), QStringLiteral("INPUT 2"));
            QCOMPARE(rig.memo().last(), Success);
        }
    }
};

QTEST_MAIN(TestUpgradePage)
#include "tst_upgradepage.moc"
