// The status bar and the window's handling of the engine's notifications.

#include "ShellFixture.h"
#include "firmware/FirmwarePartHeader.h"
#include "firmware/ui/UpgradePage.h"

#include "app/AppContext.h"
#include "firmware/FirmwareTransfer.h"
#include "link/ModuleLink.h"
#include "widgets/TCaptionGauge.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>

class TestNotifications : public QObject {
    Q_OBJECT

    static QStringList memoLines(QPlainTextEdit *memo) {
        return memo->toPlainText().split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void alertsBlinkAndEndRed() {
        TStatusBar sb;
        bool quiet = false, closing = false;
        sb.QuietStatus = &quiet;
        sb.Closing = &closing;
        sb.ShowStatus(2, "Time out!", true);
        QCOMPARE(sb.BlinkState(), 0);
        const int repaints = sb.RepaintCount(1);
        sb.ShowStatus(2, "Data invalid!", true);
        QCOMPARE(sb.RepaintCount(1) - repaints, 6); // the text, then five toggles
        QCOMPARE(sb.BlinkState(), 0);
        sb.ShowStatus(2, "Done", false);
        QCOMPARE(sb.BlinkState(), 1);

        // Level 3: the same text twice paints once.
        sb.ShowStatus(3, "note", false);
        const int once = sb.RepaintCount(2);
        sb.ShowStatus(3, "note", false);
        QCOMPARE(sb.RepaintCount(2), once);

        // After Closing a blinking text is not written.
        closing = true;
        sb.ShowStatus(2, "Send data failed!", true);
        QCOMPARE(sb.PanelText(1), QStringLiteral("Done"));
    }

    void alertBlinksWhileTheEventLoopServes() {
        const int pauseMs = 40;
        LinkTiming::current().blinkPauseMs = pauseMs;
        TStatusBar sb;
        bool quiet = false, closing = false;
        sb.QuietStatus = &quiet;
        sb.Closing = &closing;
        // A 5 ms timer notes the panel's state at each of its ticks.
        QList<int> seen;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, &sb, [&] {
            if (sb.Blinking())
                seen << sb.BlinkState();
        });
        ticker.start();

        const int before = sb.RepaintCount(1);
        QElapsedTimer clock;
        clock.start();
        sb.ShowStatus(2, "Time out!", true);
        // The call returns with the text up; the toggles follow from the event loop.
        QVERIFY(sb.Blinking());
        QCOMPARE(sb.RepaintCount(1) - before, 1);
        QCOMPARE(sb.BlinkState(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!sb.Blinking(), 10000);
        // Six pauses in all (timers may fire a little early).
        QVERIFY(clock.elapsed() >= 6 * pauseMs * 9 / 10);
        QCOMPARE(sb.RepaintCount(1) - before, 6); // the text, then five toggles
        QCOMPARE(sb.BlinkState(), 0);             // and it stays red
        QCOMPARE(sb.PanelText(1), QStringLiteral("Time out!"));
        QVERIFY2(seen.contains(0) && seen.contains(1),
                 qPrintable(QStringLiteral("%1 ticks seen during the blink").arg(seen.size())));
        const int repaints = sb.RepaintCount(1);
        QTest::qWait(3 * pauseMs);
        QCOMPARE(sb.RepaintCount(1), repaints);
    }

    void newTextsDuringABlink() {
        const int pauseMs = 30;
        LinkTiming::current().blinkPauseMs = pauseMs;
        TStatusBar sb;
        bool quiet = false, closing = false;
        sb.QuietStatus = &quiet;
        sb.Closing = &closing;

        // A plain text ends the blink: no stale toggle over it.
        sb.ShowStatus(2, "Time out!", true);
        QTRY_COMPARE(sb.BlinkState(), 0);
        sb.ShowStatus(2, "Done", false);
        QVERIFY(!sb.Blinking());
        QCOMPARE(sb.BlinkState(), 1);
        int repaints = sb.RepaintCount(1);
        QTest::qWait(7 * pauseMs);
        QCOMPARE(sb.RepaintCount(1), repaints);
        QCOMPARE(sb.BlinkState(), 1);
        QCOMPARE(sb.PanelText(1), QStringLiteral("Done"));

        // A new alert starts over: its text and all five toggles.
        sb.ShowStatus(2, "Data invalid!", true);
        QTRY_COMPARE(sb.BlinkState(), 0);
        repaints = sb.RepaintCount(1);
        sb.ShowStatus(2, "Send data failed!", true);
        QCOMPARE(sb.BlinkState(), 1);
        QTRY_VERIFY(!sb.Blinking());
        QCOMPARE(sb.RepaintCount(1) - repaints, 6);
        QCOMPARE(sb.BlinkState(), 0);
        QCOMPARE(sb.PanelText(1), QStringLiteral("Send data failed!"));

        // Another panel's text leaves the blink running.
        sb.ShowStatus(2, "Time out!", true);
        sb.ShowStatus(3, "busy", false);
        QVERIFY(sb.Blinking());
        QTRY_VERIFY(!sb.Blinking());
        QCOMPARE(sb.BlinkState(), 0);

        // Quiet mode set during a blink: the rest of it at once, drawn normal.
        repaints = sb.RepaintCount(1);
        sb.ShowStatus(2, "Time out!", true);
        quiet = true;
        QTRY_VERIFY(!sb.Blinking());
        QCOMPARE(sb.RepaintCount(1) - repaints, 6);
        quiet = false;

        // Closing during a blink stops it where it is.
        sb.ShowStatus(2, "Time out!", true);
        closing = true;
        repaints = sb.RepaintCount(1);
        QTRY_VERIFY(!sb.Blinking());
        QTest::qWait(2 * pauseMs);
        QCOMPARE(sb.RepaintCount(1), repaints);
    }

    void windowClosesDuringABlink() {
        LinkTiming::current().blinkPauseMs = 200;
        ShellFixture fx;
        fx.openWindow();
        fx.engine()->reportFailure(LinkFailure::TimedOut);
        QCOMPARE(fx.panel(1), QStringLiteral("Time out!"));
        QVERIFY(fx.form->sb->Blinking());
        fx.form->close();
        fx.form.reset();
        QTest::qWait(50);
    }

    void engineMessagesBecomeStatusTexts() {
        ShellFixture fx;
        fx.openWindow();
        TForm1 *w = fx.form.get();
        w->ShowStatus(3, "busy");
        TTSCOMControl *e = fx.engine();
        e->reportFailure(LinkFailure::TimedOut);
        QCOMPARE(fx.panel(1), QStringLiteral("Time out!"));
        QCOMPARE(fx.panel(2), QString());
        QVERIFY(e->TimeoutSeen());
        e->reportFailure(LinkFailure::BadStatus);
        QCOMPARE(fx.panel(1), QStringLiteral("Data invalid!"));
        e->reportFailure(LinkFailure::Invalid);
        QCOMPARE(fx.panel(1), QStringLiteral("Send data failed!"));
        e->reportFailure(LinkFailure::Exception, QStringLiteral("Socket send aborted"));
        QCOMPARE(fx.panel(1), QStringLiteral("TCP control failed!"));
        e->setControlMode(cmCOM);
        e->reportFailure(LinkFailure::Exception);
        QCOMPARE(fx.panel(1), QStringLiteral("COM access failed!"));
        e->setComPort("COM3");
        emit e->connectFailed(true, QStringLiteral("Port busy"));
        QCOMPARE(fx.panel(1), QStringLiteral("Close COM [COM3] failed"));
        QVERIFY(!w->UpgradeLinkOK);
        e->setControlMode(cmLAN);
        e->setDeviceIP("192.0.2.7");
        emit e->connectFailed(false, QStringLiteral("Connection Failed"));
        QCOMPARE(fx.panel(1), QStringLiteral("Connect 192.0.2.7 failed"));
        emit e->Modules()->searchText("Searching /", SearchTextTarget::StatusBar);
        QCOMPARE(fx.panel(1), QStringLiteral("Searching /"));
        QCOMPARE(w->sb->BlinkState(), 1);
    }

    void upgradeMessagesFeedMemosAndGauge() {
        ShellFixture fx;
        fx.openWindow();
        TForm1 *w = fx.form.get();
        FirmwareTransfer *fw = fx.ctx()->Firmware;
        // Part 2, sub-number 3, third number 5; version 1.7.
        emit fw->partRefused(PartId{2, 3, 5}, PartVersion{1, 7});
        QCOMPARE(memoLines(w->mmoMessage).last(),
                 QStringLiteral("Write to Part_2.3.5 ver1.7 failed"));
        emit fw->partRefused(PartId{1, 0, 0}, PartVersion{2, 10});
        QCOMPARE(memoLines(w->mmoMessage).last(),
                 QStringLiteral("Write to Part_1.0 ver2.10 failed"));

        emit fw->partProgress(PartId{1, 2, 0}, 85);
        QCOMPARE(w->tsgFWUpgrade->Caption(), QStringLiteral("Upgrading Part_1.2"));
        QCOMPARE(w->tsgFWUpgrade->Position(), 85);
        const int paints = w->tsgFWUpgrade->PaintCount();
        emit fw->partProgress(PartId{1, 2, 0}, 85);
        QCOMPARE(w->tsgFWUpgrade->PaintCount(), paints);
        emit fw->partProgress(PartId{1, 2, 0}, 100);
        QCOMPARE(w->tsgFWUpgrade->Position(), 100);

        w->mmoMessageUpgrade->clear(); // the advice text the window starts with
        for (const char *s : {"/", "-", "\\", "|"})
            emit fw->upgradeLog(QStringLiteral("System rebooting, please wait ...") + s, true);
        QCOMPARE(memoLines(w->mmoMessageUpgrade),
                 QStringList{"System rebooting, please wait ...|"});
        emit fw->upgradeLog("More delay after system reboot, please wait .../", true);
        emit fw->upgradeLog("More delay after system reboot, please wait ...-", true);
        emit fw->upgradeLog("ignored: neither phrase", true);
        QCOMPARE(memoLines(w->mmoMessageUpgrade),
                 (QStringList{"System rebooting, please wait ...|",
                              "More delay after system reboot, please wait ...-"}));
        emit fw->upgradeLog("System reboot ok", false);
        QCOMPARE(memoLines(w->mmoMessageUpgrade).last(), QStringLiteral("System reboot ok"));
    }

    void treeMarkFindsThePartAndItsSubNode() {
        ShellFixture fx;
        fx.openWindow();
        TForm1 *w = fx.form.get();
        // A firmware file with a main part and input cards 1 and 2.
        QByteArray file;
        for (auto [partClass, kind, slot] : {std::tuple{1, 1, 0}, {2, 5, 1}, {2, 5, 2}})
            file += BuildPartHeader(uint8_t(partClass), uint16_t(kind), uint16_t(slot), 1, 0, 0)
                        .toBytes();
        UpgradeTree *tree = w->Upgrade->Tree();
        tree->BuildTreeFromFirmwareFile(file);
        BoardInfoTreeNode *main = tree->Tree().Top(0);
        BoardInfoTreeNode *input2 = tree->Tree().Top(1)->Child(1);
        w->MarkPackageNode(false, 5, 1, "failed");
        QCOMPARE(input2->Text, QStringLiteral("INPUT2 ->failed"));
        w->MarkPackageNode(false, 0, 9, "ok");
        QCOMPARE(main->Text, QStringLiteral("MAIN ->ok"));
        w->MarkPackageNode(true, 0, 0, {});
        QCOMPARE(main->Text, QStringLiteral("MAIN"));
        QCOMPARE(input2->Text, QStringLiteral("INPUT2"));
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
