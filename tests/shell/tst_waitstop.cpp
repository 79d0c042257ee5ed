// A unit that stops answering: after a moment the status bar shows that the
// tool waits (a busy bar and the seconds so far) with a Stop button; Stop or
// Esc ends the wait at once as a failed command, and the link goes on working.

#include "ShellFixture.h"
#include "app/OperationScope.h"
#include "control/ui/EdidPage.h"
#include "link/LinkTiming.h"
#include "protocol/Requests.h"
#include "shell/WaitIndicator.h"
#include "widgets/TPageControl.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

class TestWaitStop : public QObject {
    Q_OBJECT

    void openConnected(ShellFixture &fx) {
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
    }

    // Runs a version read against a unit that answers nothing; `stop` is
    // called once the indicator shows. Returns the result and what was seen.
    struct Seen {
        RunResult result = RunResult::Refused;
        bool shown = false;
        QString text;
        int framesSent = 0;
        qint64 ms = 0;
    };
    Seen silentCommand(ShellFixture &fx, const std::function<void()> &stop) {
        FaultSettings silent;
        silent.rate = 1.0;
        silent.kinds = {FaultKind::DropReply};
        fx.sim->setFaults(silent);
        fx.sim->clearFrameLog();
        Seen seen;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (!fx.form->Wait->Waiting())
                return;
            poll.stop();
            seen.shown =
                fx.form->Wait->pbWait->isVisible() && fx.form->Wait->btnStopWait->isVisible();
            seen.text = fx.form->Wait->WaitText();
            stop();
        });
        poll.start();
        QElapsedTimer clock;
        clock.start();
        TReplyRecord reply;
        seen.result = fx.ctx()->RunCommand(QStringLiteral("Getting device info ..."),
                                           Requests::firmwareVersion(), reply);
        seen.ms = clock.elapsed();
        seen.framesSent = int(fx.sim->frameLog().size());
        fx.sim->setFaults(FaultSettings());
        return seen;
    }

    void nextCommandWorks(ShellFixture &fx) {
        QVERIFY(!fx.form->Wait->Waiting());
        QVERIFY(!fx.form->Wait->btnStopWait->isVisible());
        TReplyRecord reply;
        QCOMPARE(fx.ctx()->RunCommand(QStringLiteral("Getting device info ..."),
                                      Requests::firmwareVersion(), reply),
                 RunResult::Done);
        QVERIFY(reply.ok());
        QVERIFY(fx.engine()->Connected());
    }

    int FDeliveredThreshold = 0;

private slots:
    void initTestCase() { FDeliveredThreshold = WaitIndicator::ThresholdMs; }

    void init() {
        LinkTiming::shrinkForTests();
        // Tries of two seconds: a stop is told apart from running out of tries.
        LinkTiming::current().ticksPerTry = 2000;
        WaitIndicator::ThresholdMs = 150;
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void stopButtonEndsTheWait() {
        ShellFixture fx;
        openConnected(fx);
        const Seen seen = silentCommand(
            fx, [&] { QTest::mouseClick(fx.form->Wait->btnStopWait, Qt::LeftButton); });
        QVERIFY(seen.shown);
        QVERIFY(seen.text.startsWith(QStringLiteral("Waiting ")));
        QCOMPARE(seen.result, RunResult::Failed);
        QCOMPARE(seen.framesSent, 1); // ended in its first try
        QVERIFY2(seen.ms < 1500, qPrintable(QString::number(seen.ms)));
        // Its own failure text, nothing reported as done.
        QCOMPARE(fx.panel(1), QStringLiteral("Time out!"));
        nextCommandWorks(fx);
    }

    void escapeEndsTheWait() {
        ShellFixture fx;
        openConnected(fx);
        const Seen seen =
            silentCommand(fx, [&] { QTest::keyClick(fx.form.get(), Qt::Key_Escape); });
        QVERIFY(seen.shown);
        QCOMPARE(seen.result, RunResult::Failed);
        QCOMPARE(seen.framesSent, 1);
        QCOMPARE(fx.panel(1), QStringLiteral("Time out!"));
        nextCommandWorks(fx);
    }

    void quickCommandShowsNothing() {
        ShellFixture fx;
        openConnected(fx);
        bool everShown = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] { everShown |= fx.form->Wait->Waiting(); });
        poll.start(5);
        nextCommandWorks(fx);
        QVERIFY(!everShown);
    }

    void writesAskBeforeTheyStop() {
        ShellFixture fx;
        openConnected(fx);
        {
            OperationScope op(fx.ctx(), OperationScope::Link::NotNeeded);
            QVERIFY(op);
            op.askBeforeStop(QStringLiteral("Stop the write?"));
            fx.questionAnswer = false;
            QVERIFY(!fx.ctx()->StopOperation());
            QCOMPARE(fx.prompts().last().text, QStringLiteral("Stop the write?"));
            QVERIFY(!fx.engine()->StopRequested());
            fx.questionAnswer = true;
            QVERIFY(fx.ctx()->StopOperation());
            QVERIFY(fx.engine()->StopRequested());
        }
        // Over with the operation: the next one is not stopped.
        QVERIFY(!fx.engine()->StopRequested());
        QVERIFY(!fx.ctx()->StopOperation()); // nothing runs
        nextCommandWorks(fx);
    }

    void blockReadStopsAndTheNextOneWorks() {
        // The EDID page's Read is a block transfer: Esc ends its wait too,
        // nothing lands in the grid and nothing says "Done".
        ShellFixture fx;
        openConnected(fx);
        fx.ctx()->setPowerOn(true);
        TForm1 *form = fx.form.get();
        form->pcContainer->setCurrentWidget(form->Edid);
        EdidPage *page = form->Edid;
        page->cbReadEDIDDataOutput->setCurrentIndex(1);
        FaultSettings silent;
        silent.rate = 1.0;
        silent.kinds = {FaultKind::DropReply};
        fx.sim->setFaults(silent);
        fx.sim->clearFrameLog();
        bool shown = false;
        QStringList level2;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (!form->Wait->Waiting())
                return;
            poll.stop();
            shown = form->Wait->btnStopWait->isVisible();
            QTest::keyClick(form, Qt::Key_Escape);
        });
        poll.start(10);
        QTest::mouseClick(page->btnReadEDIDData, Qt::LeftButton);
        QVERIFY(shown);
        QCOMPARE(fx.sim->frameLog().size(), 1); // the read's first request, not its tries
        QCOMPARE(fx.panel(1), QStringLiteral("Time out!"));
        QByteArray bytes;
        QVERIFY(!page->GridToBytes(bytes));
        QVERIFY(!form->Wait->Waiting());

        fx.sim->setFaults(FaultSettings());
        QTest::mouseClick(page->btnReadEDIDData, Qt::LeftButton);
        QCOMPARE(fx.panel(1), QStringLiteral("Done"));
        QVERIFY(page->GridToBytes(bytes));
        QCOMPARE(bytes.size(), 256);
        QVERIFY(fx.engine()->Connected());
    }

    void waitsShowAfterOneSecond() {
        // As delivered the indicator waits a second before it shows.
        ShellFixture fx;
        fx.openWindow();
        QCOMPARE(FDeliveredThreshold, 1000);
        WaitIndicator::ThresholdMs = FDeliveredThreshold;
        OperationScope op(fx.ctx(), OperationScope::Link::NotNeeded);
        QTest::qWait(500);
        QVERIFY(!fx.form->Wait->Waiting());
        QTRY_VERIFY_WITH_TIMEOUT(fx.form->Wait->Waiting(), 5000);
        QVERIFY(fx.form->Wait->WaitText().startsWith(QStringLiteral("Waiting ")));
    }

    void idleBarKeepsItsClock() {
        // Idle, the status bar has the window's width and its clock panel
        // shows; a wait covers the clock, and the pages above do not move.
        ShellFixture fx;
        fx.openWindow();
        TForm1 *form = fx.form.get();
        QApplication::processEvents();
        const QRect pages = form->pcContainer->geometry();
        const int idleWidth = form->sb->width();
        const int clockText =
            form->sb->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00"));
        QVERIFY2(form->sb->PanelRect(3).center().x() + clockText / 2 < idleWidth,
                 qPrintable(QString::number(idleWidth)));
        {
            OperationScope op(fx.ctx(), OperationScope::Link::NotNeeded);
            QTRY_VERIFY(form->Wait->Waiting());
            QApplication::processEvents();
            QVERIFY(form->sb->width() < idleWidth);
            QCOMPARE(form->pcContainer->geometry(), pages);
        }
        QTRY_COMPARE(form->sb->width(), idleWidth);
        QCOMPARE(form->pcContainer->geometry(), pages);
    }
};

QTEST_MAIN(TestWaitStop)
#include "tst_waitstop.moc"
