// The Advanced page's TCP module information and Reset Default, over a real
// pseudo-terminal to the simulated matrix, whose TCP control module answers
// the LDCD packets.

#include "LanUiFixture.h"
#include "MatrixSimulator.h"
#include "MatrixState.h"
#include "lanmodule/ui/EnterYes.h"
#include "lanmodule/ui/ModalResults.h"
#include "lanmodule/ui/ModuleInfoGroup.h"
#include "link/LinkTiming.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

class TstModuleInfoGroup : public QObject {
    Q_OBJECT

    std::unique_ptr<MatrixSimulator> sim;
    std::unique_ptr<LanUi> ui;
    std::unique_ptr<ModuleInfoGroup> group;

    QString texts() const {
        return group->lblTCPVersion->text() + QLatin1Char('|') + group->lblTCPDHCP->text() +
               QLatin1Char('|') + group->lblTCPIPAddr->text();
    }

private slots:
    void initTestCase() { LinkTiming::shrinkForTests(); }

    void init() {
        SimOptions o;
        o.tcp = false;
        o.pty = true;
        sim = std::make_unique<MatrixSimulator>(o);
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        sim->withState([](MatrixState &s) {
            s.module.versionMajor = 2;
            s.module.versionMinor = 7;
            s.module.dhcp = false;
            s.module.ip = QHostAddress(QStringLiteral("10.0.0.5"));
        });
        ui = std::make_unique<LanUi>();
        ui->engine.setControlMode(cmCOM);
        ui->engine.setComPort(sim->ptyPath());
        group = std::make_unique<ModuleInfoGroup>(&ui->ctx);
        group->show();
    }

    void cleanup() {
        group.reset();
        if (ui)
            ui->engine.Disconnect();
        ui.reset();
        sim.reset();
    }

    void layoutAndEnabling() {
        QCOMPARE(group->gbTCPModInfo->title(), QStringLiteral("TCP Module infomation"));
        QCOMPARE(group->btnQueryTCPModInfo->text(), QStringLiteral("&Query"));
        QVERIFY(group->gbResetDefault->isHidden());
        QCOMPARE(group->btnReset->text(), QStringLiteral("&Reset ..."));
        QCOMPARE(texts(), QStringLiteral("Version: |DHCP: |IP Address: "));
        group->SetControlsEnabled(false);
        QVERIFY(!group->btnQueryTCPModInfo->isEnabled());
        QVERIFY(!group->lblTCPVersion->isEnabled());
        group->SetControlsEnabled(true);
        QVERIFY(group->btnQueryTCPModInfo->isEnabled());
    }

    void queryShowsTheModule() {
        // Not connected yet: the query connects first.
        QVERIFY(!ui->engine.Connected());
        group->btnQueryTCPModInfo->click();
        QVERIFY(ui->engine.Connected());
        QCOMPARE(texts(), QStringLiteral("Version: Ver2.07|DHCP: Static IP|IP Address: 10.0.0.5"));
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Query TCP Module ok"));
        QCOMPARE(ui->lastStatus(3), QString());
        QVERIFY(!ui->ctx.Busy());
        QVERIFY(group->btnQueryTCPModInfo->isEnabled());

        sim->withState([](MatrixState &s) {
            s.module.dhcp = true;
            s.module.versionMinor = 12;
        });
        group->btnQueryTCPModInfoClick();
        QCOMPARE(texts(), QStringLiteral("Version: Ver2.12|DHCP: Auto IP|IP Address: 10.0.0.5"));
    }

    void queryWhileBusy() {
        QVERIFY(ui->engine.Connect());
        OperationScope hold(&ui->ctx, OperationScope::Link::NotNeeded);
        group->btnQueryTCPModInfoClick();
        QCOMPARE(ui->lastStatus(3), QStringLiteral("In processing, command ignored"));
        QCOMPARE(texts(), QStringLiteral("Version: |DHCP: |IP Address: "));
        QVERIFY(ui->listener.texts(WM_LINK_FRAMELOG).isEmpty()); // nothing was sent
    }

    void queryFails() {
        QVERIFY(ui->engine.Connect());
        group->btnQueryTCPModInfoClick();
        // The module stops answering: the labels fall back to their captions.
        sim->queueFault(FaultKind::DropReply, 5);
        group->btnQueryTCPModInfoClick();
        QCOMPARE(texts(), QStringLiteral("Version: |DHCP: |IP Address: "));
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Query TCP Module failed"));
        QVERIFY(ui->lastStatusBlinks(2));
        QCOMPARE(ui->listener.count(WM_LINK_TIMEOUT), 1);
        QVERIFY(!ui->ctx.Busy());
    }

    void resetDefault() {
        // Refused confirmation: nothing is sent.
        ui->dialogAnswer = [](QDialog *) { return ModalResult::mrNo; };
        group->btnResetClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Reset Default cancelled"));
        QVERIFY(ui->listener.texts(WM_LINK_FRAMELOG).isEmpty());

        // Typed "Yes": the reset goes out, then the query shows the result.
        ui->dialogAnswer = [](QDialog *d) {
            auto *yes = static_cast<TfrmEnterYes *>(d);
            QTimer::singleShot(0, d, [yes] {
                yes->edtYes->setText(QStringLiteral("Yes"));
                yes->btnYes->click();
            });
            return d->exec();
        };
        group->btnResetClick();
        QCOMPARE(ui->prompts.History.last().dialog, group->frmEnterYes());
        const QStringList logs = ui->listener.texts(WM_LINK_FRAMELOG);
        QVERIFY(logs.size() >= 4);
        QVERIFY(logs[0].contains(QStringLiteral("command:FF")));
        QVERIFY(logs[0].contains(QStringLiteral("DHCP:01\r\nIPAddr:C0 A8 00 64")));
        QCOMPARE(texts(),
                 QStringLiteral("Version: Ver2.07|DHCP: Auto IP|IP Address: 192.168.0.100"));
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Query TCP Module ok"));
        QVERIFY(!ui->ctx.Busy());
    }
};

QTEST_MAIN(TstModuleInfoGroup)
#include "tst_moduleinfogroup.moc"
