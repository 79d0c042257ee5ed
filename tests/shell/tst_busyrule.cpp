// The one busy rule, through the real window against the simulator: while a
// command waits for a reply the simulator holds back, every action that would
// change or close the connection is refused and changes nothing, and the
// running command ends with its own result. Also: a lost link is shown, and
// a command on it fails at once.

#include "ShellFixture.h"

#include "app/OperationScope.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "protocol/Requests.h"
#include "widgets/TPageControl.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>

namespace {

enum class Action {
    Connect,
    ComRadio,
    LanDevice,
    Search,
    Config,
    Delete,
    Command,
    PageChange,
    Close
};

struct State {
    bool connected = false;
    TControlMode mode = cmLAN;
    QString deviceIP;
    QString lanEntry;
    int lanEntries = 0;
    int page = 0;
    bool comChecked = false;

    bool operator==(const State &o) const {
        return connected == o.connected && mode == o.mode && deviceIP == o.deviceIP &&
               lanEntry == o.lanEntry && lanEntries == o.lanEntries && page == o.page &&
               comChecked == o.comChecked;
    }
};

const QString SecondEntry =
    SimDeviceEntry(QStringLiteral("127.0.0.2"), QStringLiteral("02-00-00-00-00-02"));

} // namespace

Q_DECLARE_METATYPE(Action)

class TestBusyRule : public QObject {
    Q_OBJECT

    State stateOf(ShellFixture &fx) {
        State s;
        s.connected = fx.engine()->Connected();
        s.mode = fx.engine()->ControlMode();
        s.deviceIP = fx.engine()->DeviceIP();
        s.lanEntry = fx.form->General->LanGroup->cbLANDevice->currentText();
        s.lanEntries = fx.form->General->LanGroup->cbLANDevice->count();
        s.page = fx.form->pcContainer->currentIndex();
        s.comChecked = fx.form->General->rbCOMMode->isChecked();
        return s;
    }

    void openConnected(ShellFixture &fx) {
        fx.startSim();
        const QByteArray first = SimDeviceEntry().toLatin1();
        fx.writeSettings("[Control mode]\r\nMode=1\r\n[TCP control device]\r\nName=" + first +
                         "\r\n[TCP control device list]\r\nDevice No.1=" + first +
                         "\r\nDevice No.2=" + SecondEntry.toLatin1() + "\r\n");
        fx.openWindow();
        fx.sim->withState([](MatrixState &s) { s.powerOn = true; });
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        fx.ctx()->setPowerOn(true);
    }

    void perform(ShellFixture &fx, Action action) {
        GeneralPage *g = fx.form->General;
        switch (action) {
        case Action::Connect:
            QTest::mouseClick(g->btnConnect, Qt::LeftButton);
            break;
        case Action::ComRadio:
            ClickIndicator(g->rbCOMMode);
            break;
        case Action::LanDevice: {
            QComboBox *cb = g->LanGroup->cbLANDevice;
            const int other = cb->currentIndex() == 0 ? 1 : 0;
            cb->setCurrentIndex(other);
            emit cb->activated(other);
            break;
        }
        case Action::Search:
            QTest::mouseClick(g->LanGroup->btnSearchDevice, Qt::LeftButton);
            break;
        case Action::Config:
            QTest::mouseClick(g->LanGroup->btnConfig, Qt::LeftButton);
            break;
        case Action::Delete:
            fx.questionAnswer = true;
            QTest::mouseClick(g->LanGroup->btnDeleteDevice, Qt::LeftButton);
            fx.questionAnswer = false;
            break;
        case Action::Command:
            QTest::mouseClick(g->DeviceStatus->btnGetDevStatus, Qt::LeftButton);
            break;
        case Action::PageChange: {
            QTabBar *bar = fx.form->pcContainer->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(7).center());
            break;
        }
        case Action::Close:
            fx.form->close();
            break;
        }
    }

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void actionDuringHeldBackReply_data() {
        QTest::addColumn<Action>("action");
        QTest::newRow("connect button") << Action::Connect;
        QTest::newRow("interface radio") << Action::ComRadio;
        QTest::newRow("LAN device list") << Action::LanDevice;
        QTest::newRow("search") << Action::Search;
        QTest::newRow("config") << Action::Config;
        QTest::newRow("delete device") << Action::Delete;
        QTest::newRow("another command") << Action::Command;
        QTest::newRow("page change") << Action::PageChange;
        QTest::newRow("close window") << Action::Close;
    }

    void actionDuringHeldBackReply() {
        QFETCH(Action, action);
        ShellFixture fx;
        openConnected(fx);
        const State before = stateOf(fx);
        const bool powerBefore = fx.ctx()->PowerOn;
        const int framesBefore = int(fx.sim->frameLog().size());

        // Held back less than a try lasts, so the command is answered once.
        fx.sim->setProcessingDelay(120);
        bool busyDuringAction = false;
        QString note;
        State during;
        QTimer::singleShot(40, [&] {
            busyDuringAction = fx.ctx()->Busy();
            perform(fx, action);
            note = fx.panel(2);
            during = stateOf(fx);
        });
        TReplyRecord reply;
        const RunResult result = fx.ctx()->RunCommand(QStringLiteral("Getting device info ..."),
                                                      Requests::firmwareVersion(), reply);
        fx.sim->setProcessingDelay(0);

        QVERIFY(busyDuringAction);
        // The running command ends with its own answer.
        QCOMPARE(result, RunResult::Done);
        QVERIFY(reply.ok());
        QCOMPARE(reply.paramLo(1), uint8_t(2));
        // The action was refused and changed nothing.
        QVERIFY(during == before);
        QVERIFY(stateOf(fx) == before);
        QCOMPARE(fx.ctx()->PowerOn, powerBefore);
        QCOMPARE(fx.form->General->DeviceStatus->CurrentGlyph(), DeviceStatusGroup::Glyph::Unknown);
        // One frame went out: the running command's.
        QCOMPARE(int(fx.sim->frameLog().size()), framesBefore + 1);
        if (action == Action::Close) {
            // The window asked, was told No, and stays.
            QCOMPARE(fx.prompts().last().text,
                     QStringLiteral("Processing not complete, continue to close controller?"));
            QVERIFY(!fx.ctx()->Closing());
            QVERIFY(fx.form->isVisible());
        } else if (action != Action::Delete) {
            QCOMPARE(note, QStringLiteral("In processing, command ignored"));
        }
        if (action == Action::Search || action == Action::Config)
            QVERIFY(fx.prompts().isEmpty()); // no wizard, no dialog
    }

    void secondDisplayStatusKeepsThePowerState() {
        // The refusal of a second "Display Status" is no answer from the unit:
        // the power state, its glyph and the texts stay as the first read left them.
        ShellFixture fx;
        openConnected(fx);
        DeviceStatusGroup *status = fx.form->General->DeviceStatus;
        QVERIFY(status->ReadPowerStatus());
        QCOMPARE(status->CurrentGlyph(), DeviceStatusGroup::Glyph::On);

        fx.sim->setProcessingDelay(120);
        QTimer::singleShot(40, [&] { QTest::mouseClick(status->btnGetDevStatus, Qt::LeftButton); });
        QVERIFY(status->ReadPowerStatus());
        fx.sim->setProcessingDelay(0);
        QVERIFY(fx.ctx()->PowerOn);
        QCOMPARE(status->CurrentGlyph(), DeviceStatusGroup::Glyph::On);
        for (const PromptService::Request &r : fx.prompts())
            QVERIFY2(!r.text.startsWith(QStringLiteral("System is Power Off")), qPrintable(r.text));
    }

    void lostLinkIsShown_data() {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }

    void lostLinkIsShown() {
        QFETCH(bool, serial);
        ShellFixture fx;
        SimOptions options;
        options.tcp = true;
        options.pty = true;
        fx.startSim(options);
        const QString pty = fx.sim->ptyPath();
        GeneralPage::PortListSource = [pty] { return QStringList{pty}; };
        if (serial)
            fx.writeSettings("[Control mode]\r\nMode=0\r\n[COM port]\r\nName=" + pty.toLatin1() +
                             "\r\n");
        else
            fx.seedSimDevice();
        fx.openWindow();
        GeneralPage *g = fx.form->General;
        QTest::mouseClick(g->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QVERIFY(g->imgOpen->isVisibleTo(g));

        // The peer goes away while nothing runs: the window follows by itself.
        fx.sim->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!fx.engine()->Connected(), 3000);
        QTRY_COMPARE(fx.panel(0), QStringLiteral("Disconnect"));
        QVERIFY(fx.panel(1).startsWith(QStringLiteral("Connection lost")));
        QVERIFY(!g->imgOpen->isVisibleTo(g));
        QVERIFY(g->imgClose->isVisibleTo(g));
        QCOMPARE(g->btnConnect->text(), QStringLiteral("&Connect"));
    }

    void commandOnALinkLostMidWaitFailsAtOnce() {
        ShellFixture fx;
        openConnected(fx);
        // Tries of 20 s: only noticing the loss ends the wait early.
        LinkTiming::current().ticksPerTry = 20000;
        fx.sim->setProcessingDelay(5000);
        QTimer::singleShot(80, [&] { fx.sim->stop(); });
        QElapsedTimer clock;
        clock.start();
        TReplyRecord reply;
        const RunResult result = fx.ctx()->RunCommand(QStringLiteral("Getting device info ..."),
                                                      Requests::firmwareVersion(), reply);
        QCOMPARE(result, RunResult::Failed);
        // Well before a single try would have timed out.
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(fx.panel(1), QStringLiteral("TCP control failed!"));
        QVERIFY(!fx.engine()->Connected());
        QVERIFY(!fx.ctx()->Busy());
    }
};

QTEST_MAIN(TestBusyRule)
#include "tst_busyrule.moc"
