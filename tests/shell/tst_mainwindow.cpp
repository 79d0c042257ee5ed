// The main window against the simulator: start-up, connecting, one command at
// a time, close handling, device status, power and the front-panel options.

#include "ShellFixture.h"
#include "app/OperationScope.h"
#include "protocol/Requests.h"

#include "control/ui/AdvancedPage.h"
#include "lanmodule/ui/LanDeviceGroup.h"

#include "widgets/TPageControl.h"
#include <QComboBox>
#include <QLabel>

#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTcpServer>
#include <QTimer>
#include <QToolButton>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void startsInTcpModeWithDefaultsAndWritesTheFile() {
        ShellFixture fx;
        fx.openWindow();
        QCOMPARE(
            fx.form->windowTitle(),
            QStringLiteral("TALVERIUM Firmware upgrading w/ VC & EDID control tool - ver4.31"));
        QVERIFY(fx.form->General->rbLANMode->isChecked());
        QCOMPARE(fx.engine()->ControlMode(), cmLAN);
        QCOMPARE(fx.panel(0), QStringLiteral("Disconnect"));
        QCOMPARE(fx.ctx()->CurrentDeviceMAC, QStringLiteral("00-00-00-00-00-00"));
        QCOMPARE(fx.form->General->DeviceStatus->lblDevice->text(),
                 QStringLiteral(" Device: Not known"));

        QFile f(fx.settingsPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.startsWith("[WARNING]\r\nNOTE=DON'T MODIFY THIS FILE MANUALLY!\r\n"));
        for (const char *line :
             {"Mode=1", "Setting1=Settings 1", "Setting8=Settings 8", "value3=1,2,3,4,5,6,7,8",
              "MAC ID B1=18", "MAC ID B2=98", "MAC ID B3=66", "Wait After Checking Reboot=0",
              "Wait Before Writing BI=0"})
            QVERIFY2(text.contains(QByteArray(line) + "\r\n"), line);
        QVERIFY(!text.contains("Tag of Input - TCP"));

        // The tabs a user sees, in order.
        QStringList shown;
        for (int i = 0; i < fx.form->pcContainer->count(); ++i)
            if (fx.form->pcContainer->isTabVisible(i))
                shown << fx.form->pcContainer->tabText(i);
        QCOMPARE(shown, (QStringList{"General", "EDID Management", "Advanced", "Upgrade Firmware",
                                     "Product Information", "Firmware Package Information",
                                     "Configuration"}));
        // Sixteen pages of the design and the diagnostic log page of service mode.
        QCOMPARE(fx.form->pcContainer->count(), 17);
    }

    void commandWhileDisconnectedConnectsFirst() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        QVERIFY(!fx.engine()->Connected());
        QTest::mouseClick(fx.form->General->DeviceStatus->btnGetDevStatus, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(fx.panel(0), QStringLiteral("Connected: 127.0.0.1"));
        QCOMPARE(fx.form->General->DeviceStatus->lblDevice->text(),
                 QStringLiteral("Device: Matrix, 8x8"));
        QCOMPARE(fx.form->General->DeviceStatus->lblVersion->text(),
                 QStringLiteral("Version: 2.03"));
        QCOMPARE(fx.form->General->btnConnect->text(), QStringLiteral("&Disconnect"));
        QVERIFY(fx.ctx()->PowerOn);
    }

    void secondCommandWhileOneWaitsIsIgnored() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        LinkTiming::current().ticksPerTry = 3000; // 3 s: the delayed reply arrives in time
        FaultSettings faults;
        faults.delayMs = 300;
        fx.sim->setFaults(faults);
        fx.sim->queueFault(FaultKind::DelayReply);

        QString noteDuringWait;
        bool idleDuringWait = true;
        QTimer::singleShot(100, [&] {
            idleDuringWait = !fx.ctx()->Busy();
            QTest::mouseClick(fx.form->General->DeviceStatus->bbPower, Qt::LeftButton);
            noteDuringWait = fx.panel(2);
        });
        const int before = fx.countCommands(0x10, 1);
        fx.form->General->DeviceStatus->ReadPowerStatus();
        QVERIFY(!idleDuringWait);
        QCOMPARE(noteDuringWait, QStringLiteral("In processing, command ignored"));
        QCOMPARE(fx.countCommands(0x10, 1), before + 1); // the ignored click sent nothing
        QCOMPARE(fx.countCommands(0x10, 2), 0);
        QVERIFY(!fx.ctx()->Busy());
        QCOMPARE(fx.panel(2), QString());
    }

    void connectFailureTextsInBothModes() {
        ShellFixture fx;
        fx.seedSimDevice(); // 127.0.0.1, nothing listening on the port below
        fx.openWindow();
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        fx.engine()->setTcpPort(closedPort);
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QCOMPARE(fx.panel(1), QStringLiteral("Connect 127.0.0.1 failed"));
        QCOMPARE(fx.form->sb->BlinkState(), 0);
        QCOMPARE(fx.panel(0), QStringLiteral("Disconnect"));

        GeneralPage::PortListSource = [] { return QStringList{"/dev/tsm-no-such-port"}; };
        fx.form->General->RefreshComPortList();
        ClickIndicator(fx.form->General->rbCOMMode);
        QCOMPARE(fx.engine()->ControlMode(), cmCOM);
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QCOMPARE(fx.panel(1), QStringLiteral("Open COM [/dev/tsm-no-such-port] failed"));
        QVERIFY(!fx.engine()->Connected());
    }

    void switchingComToLanClosesTheComPortFirst() {
        ShellFixture fx;
        SimOptions options;
        options.tcp = false;
        options.pty = true;
        options.pace = false;
        fx.startSim(options);
        const QString pty = fx.sim->ptyPath();
        GeneralPage::PortListSource = [pty] { return QStringList{pty}; };
        fx.openWindow();
        ClickIndicator(fx.form->General->rbCOMMode);
        QCOMPARE(fx.form->General->cbCOMList->currentText(), pty);
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(fx.panel(0), QStringLiteral("Connected: ") + pty);
        QVERIFY(!fx.form->General->cbCOMList->isEnabled());

        // A command over the serial link works.
        QVERIFY(fx.form->General->DeviceStatus->ReadPowerStatus());

        ClickIndicator(fx.form->General->rbLANMode);
        QVERIFY(!fx.engine()->Connected());
        QCOMPARE(fx.engine()->ControlMode(), cmLAN);
        QCOMPARE(fx.panel(0), QStringLiteral("Disconnect"));
        QVERIFY(fx.form->General->LanGroup->isEnabled());
    }

    void vanishedComPortDisconnects() {
        ShellFixture fx;
        SimOptions options;
        options.tcp = false;
        options.pty = true;
        options.pace = false;
        fx.startSim(options);
        const QString pty = fx.sim->ptyPath();
        QStringList ports{QStringLiteral("/dev/tsm-other"), pty};
        GeneralPage::PortListSource = [&ports] { return ports; };
        fx.openWindow();
        ClickIndicator(fx.form->General->rbCOMMode);
        fx.form->General->cbCOMList->setCurrentIndex(1);
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        ports.removeLast();
        fx.form->tmrTimer();
        QVERIFY(!fx.engine()->Connected());
        QCOMPARE(fx.form->General->cbCOMList->currentText(), QStringLiteral("/dev/tsm-other"));
        // The clock is in panel 4: yyyy-MM-dd hh:mm.
        QVERIFY(QRegularExpression("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}$")
                    .match(fx.panel(3))
                    .hasMatch());
    }

    void closeWhileACommandWaitsEndsTheWaitSilently() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        QVERIFY(fx.form->General->DeviceStatus->ReadPowerStatus());
        LinkTiming::current().ticksPerTry = 20000; // would wait 20 s a try
        fx.sim->queueFault(FaultKind::DropReply, 10);
        fx.questionAnswer = true;
        bool closed = false;
        QTimer::singleShot(100, [&] { closed = fx.form->close(); });
        QElapsedTimer clock;
        clock.start();
        TReplyRecord reply;
        fx.ctx()->RunCommand(QStringLiteral("Getting Power status ..."), Requests::powerQuery(),
                             reply);
        QVERIFY(closed);
        QVERIFY(fx.ctx()->Closing());
        QCOMPARE(reply.Success, uint8_t(0));
        QVERIFY(clock.elapsed() < 15000); // ended by Closing, not by the time-outs
        QCOMPARE(fx.prompts().last().text,
                 QStringLiteral("Processing not complete, continue to close controller?"));
        QVERIFY(fx.panel(1) != QStringLiteral("Time out!"));
        QVERIFY(fx.panel(1) != QStringLiteral("Send data failed!"));
    }

    void closeQuestionAnsweredNoKeepsTheWindow() {
        ShellFixture fx;
        fx.openWindow();
        {
            OperationScope hold(fx.ctx(), OperationScope::Link::NotNeeded);
            fx.questionAnswer = false;
            QVERIFY(!fx.form->FormCloseQuery());
            QVERIFY(!fx.ctx()->Closing());
            QCOMPARE(fx.prompts().last().text,
                     QStringLiteral("Processing not complete, continue to close controller?"));
        }
        QVERIFY(fx.form->FormCloseQuery());
    }

    void displayStatusWithTheUnitOffSendsNoDeviceQuery() {
        ShellFixture fx;
        fx.startSim();
        fx.sim->withState([](MatrixState &s) { s.powerOn = false; });
        fx.seedSimDevice();
        fx.openWindow();
        QTest::mouseClick(fx.form->General->DeviceStatus->btnGetDevStatus, Qt::LeftButton);
        QCOMPARE(
            fx.prompts().last().text,
            QStringLiteral("System is Power Off, please turn it on first to refresh more status."));
        QCOMPARE(fx.countCommands(0x01, 1), 0);
        QCOMPARE(fx.countCommands(0x01, 2), 0);
        QCOMPARE(fx.form->General->DeviceStatus->CurrentGlyph(), DeviceStatusGroup::Glyph::Off);
        QVERIFY(!fx.ctx()->PowerOn);

        // A powered command is refused with the power-off box and sends nothing.
        const int before = fx.commandsSent().size();
        TReplyRecord reply;
        fx.ctx()->RunPoweredCommand(QStringLiteral("x"), Requests::optionQuery(PanelOption::Keys),
                                    reply);
        QCOMPARE(reply.Success, uint8_t(0));
        QVERIFY(fx.prompts().last().text.startsWith(
            "System is Power Off, please turn it on first.\r\n"));
        QCOMPARE(fx.commandsSent().size(), before);
    }

    void powerButtonTogglesTheUnit() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        auto powered = [&] {
            bool on = false;
            fx.sim->withState([&](MatrixState &s) { on = s.powerOn; });
            return on;
        };
        QVERIFY(powered());
        QTest::mouseClick(fx.form->General->DeviceStatus->bbPower, Qt::LeftButton);
        QVERIFY(!powered());
        QCOMPARE(fx.panel(2), QStringLiteral("Matrix Power Off"));
        QCOMPARE(fx.form->General->DeviceStatus->CurrentGlyph(), DeviceStatusGroup::Glyph::Off);
        QTest::mouseClick(fx.form->General->DeviceStatus->bbPower, Qt::LeftButton);
        QVERIFY(powered());
        QCOMPARE(fx.panel(2), QStringLiteral("Matrix Power On"));
        QCOMPARE(fx.form->General->DeviceStatus->CurrentGlyph(), DeviceStatusGroup::Glyph::On);
        QCOMPARE(fx.form->General->DeviceStatus->lblDevice->text(),
                 QStringLiteral("Device: Matrix, 8x8"));
        // Every power frame carried the guard words.
        for (const QByteArray &f : fx.commandsSent())
            if (uint8_t(f[2]) == 0x10) {
                QCOMPARE(ShellFixture::param(f, 3), uint16_t(0x9B41));
                QCOMPARE(ShellFixture::param(f, 4), uint16_t(0x64C7));
            }

        // A failed power read sends nothing more and shows the unknown glyph.
        fx.sim->queueFault(FaultKind::DropReply, 5);
        const int sets = fx.countCommands(0x10, 2);
        QTest::mouseClick(fx.form->General->DeviceStatus->bbPower, Qt::LeftButton);
        QCOMPARE(fx.countCommands(0x10, 2), sets);
        QCOMPARE(fx.form->General->DeviceStatus->CurrentGlyph(), DeviceStatusGroup::Glyph::Unknown);
        QCOMPARE(fx.panel(1), QStringLiteral("Time out!"));
    }

    void frontPanelOptionsSendTheirBytesAndCaptions() {
        ShellFixture fx;
        fx.startSim();
        fx.sim->withState([](MatrixState &s) {
            s.irControl = false;
            s.keysUnlocked = true;
            s.beeper = false;
            s.apm = true;
        });
        fx.seedSimDevice();
        fx.openWindow();
        QStringList captions;
        auto sink = fx.ctx()->StatusSink;
        fx.ctx()->StatusSink = [&](int level, const QString &text, bool blink) {
            if (level == 2 && !text.isEmpty() && text != "Done")
                captions << text;
            sink(level, text, blink);
        };
        QVERIFY(fx.form->General->DeviceStatus->ReadPowerStatus());
        AdvancedPage *adv = fx.form->Advanced;
        fx.form->pcContainer->setCurrentWidget(adv); // reads the four options on show
        QVERIFY(adv->rbIRDisable->isChecked());
        QVERIFY(adv->rbKeyUnlock->isChecked());
        QVERIFY(adv->rbBeeperDisable->isChecked());
        QVERIFY(adv->rbAPMON->isChecked());
        QCOMPARE(captions.mid(captions.size() - 4),
                 (QStringList{"Getting IR status ...", "Getting Keys status ...",
                              "Getting APM status ...", "Getting Beeper status ..."}));

        struct Case {
            QRadioButton *button;
            uint8_t code, sub;
            uint16_t p1;
            const char *caption;
        };
        const Case cases[] = {
            {adv->rbIREnable, 0x04, 3, 0x0F, "Enable IR control ..."},
            {adv->rbIRDisable, 0x04, 3, 0xF0, "Disable IR control ..."},
            {adv->rbKeyLock, 0x01, 15, 0xF0, "Lock Keys on panel ..."},
            {adv->rbKeyUnlock, 0x01, 15, 0x0F, "Unlock Keys on panel ..."},
            {adv->rbBeeperEnable, 0x01, 13, 0x0F, "Enable Beeper control ..."},
            {adv->rbBeeperDisable, 0x01, 13, 0xF0, "Disable Beeper control ..."},
            {adv->rbAPMOFF, 0x01, 11, 0xF0, "Set APM OFF ..."},
            {adv->rbAPMON, 0x01, 11, 0x0F, "Set APM ON ..."},
        };
        for (const Case &c : cases) {
            c.button->click();
            const QByteArray last = fx.commandsSent().last();
            QVERIFY2(ShellFixture::isCommand(last, c.code, c.sub), c.caption);
            QCOMPARE(ShellFixture::param(last, 1), c.p1);
            QCOMPARE(captions.last(), QString::fromLatin1(c.caption));
            QVERIFY(c.button->isEnabled());
        }
        bool ir = false, keys = true, beeper = false, apm = false;
        fx.sim->withState([&](MatrixState &s) {
            ir = s.irControl;
            keys = s.keysUnlocked;
            beeper = s.beeper;
            apm = s.apm;
        });
        QVERIFY(!ir);
        QVERIFY(keys);
        QVERIFY(!beeper);
        QVERIFY(apm);

        // Setting the buttons from a read sends nothing.
        const int sent = fx.commandsSent().size();
        adv->tsIRShow();
        QCOMPARE(fx.commandsSent().size(), sent + 4);
    }

    void everyControlHasANameAndItsOwnAccelerator() {
        ShellFixture fx;
        fx.openWindow();
        QStringList unnamed;
        QSet<QWidget *> buddies;
        for (QLabel *label : fx.form->findChildren<QLabel *>())
            if (label->buddy())
                buddies.insert(label->buddy());
        for (QWidget *w : fx.form->findChildren<QWidget *>()) {
            if (w->focusPolicy() == Qt::NoFocus || qobject_cast<QTabBar *>(w) ||
                w->inherits("QScrollBar") || w->parentWidget()->inherits("QAbstractSpinBox") ||
                w->parentWidget()->inherits("QComboBox") ||
                (w->inherits("QAbstractItemView") &&
                 w->parentWidget()->inherits("QComboBoxPrivateContainer")))
                continue;
            auto *button = qobject_cast<QAbstractButton *>(w);
            const bool named = !w->accessibleName().isEmpty() || buddies.contains(w) ||
                               (button && !button->text().isEmpty());
            if (!named)
                unnamed << w->objectName() + " (" + w->metaObject()->className() + ")";
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        // Within one page an accelerator letter leads to one control.
        for (int i = 0; i < fx.form->pcContainer->count(); ++i) {
            QMap<QChar, QString> seen;
            QWidget *page = fx.form->pcContainer->widget(i);
            QList<QPair<QString, QString>> captions;
            for (QAbstractButton *b : page->findChildren<QAbstractButton *>())
                if (b->isVisibleTo(page))
                    captions.append({b->objectName(), b->text()});
            for (QLabel *l : page->findChildren<QLabel *>())
                if (l->buddy() && l->isVisibleTo(page))
                    captions.append({l->objectName(), l->text()});
            for (const auto &c : captions) {
                const int amp = c.second.indexOf('&');
                if (amp < 0 || amp + 1 >= c.second.size())
                    continue;
                const QChar key = c.second.at(amp + 1).toLower();
                QVERIFY2(!seen.contains(key), qPrintable(page->objectName() + ": " + c.first +
                                                         " and " + seen.value(key)));
                seen.insert(key, c.first);
            }
        }
    }

    void pageChangeRefusedWhileBusy() {
        ShellFixture fx;
        fx.openWindow();
        const int current = fx.form->pcContainer->currentIndex();
        QTabBar *bar = fx.form->pcContainer->tabBar();
        const int edidTab = 7;
        {
            OperationScope hold(fx.ctx(), OperationScope::Link::NotNeeded);
            // Refused whatever the power state.
            for (bool power : {true, false}) {
                fx.ctx()->PowerOn = power;
                QVERIFY(!fx.form->pcContainerChanging());
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(edidTab).center());
                QCOMPARE(fx.form->pcContainer->currentIndex(), current);
            }
            QCOMPARE(fx.panel(2), QStringLiteral("In processing, command ignored"));
        }
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(edidTab).center());
        QCOMPARE(fx.form->pcContainer->currentIndex(), edidTab);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
