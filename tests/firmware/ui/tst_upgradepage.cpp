// The Upgrade Firmware page end to end: a package of a whole unit opened on
// the page, upgraded over TCP against the simulated unit, with refusals, a
// lost link, a main board in its boot code and a window closed mid-run.

#include "UpgradeRig.h"
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
};

QTEST_MAIN(TestUpgradePage)
#include "tst_upgradepage.moc"
