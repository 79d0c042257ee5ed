// The search wizard and the TCP configuration dialog against simulated TCP
// control modules in a network namespace of the test's own; the widgets run
// in a second namespace that stands for the PC.

#include "LanUiFixture.h"
#include "MatrixSimulator.h"
#include "ModuleSim.h"
#include "NetnsPair.h"
#include "lanmodule/ui/EditLAN.h"
#include "lanmodule/ui/ModalResults.h"
#include "lanmodule/ui/OctetEdit.h"
#include "link/LinkTiming.h"
#include "link/ModuleLink.h"
#include "protocol/ModuleConfigRecord.h"
#include "shell/WaitIndicator.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <unistd.h>

namespace {

const QString ToolIP = QStringLiteral("10.77.0.1");
const QString HallIP = QStringLiteral("10.77.0.2");
const QString AnnexIP = QStringLiteral("10.77.0.3");
const QString HallMAC = QStringLiteral("18-98-66-00-00-02");
const QString AnnexMAC = QStringLiteral("18-98-66-00-00-03");

ModuleInfo module(const QString &mac, const QString &ip, const QString &tag, bool dhcp) {
    ModuleInfo m;
    m.setMacText(mac);
    m.ip = QHostAddress(ip);
    m.gateway = QHostAddress(QStringLiteral("10.77.0.254"));
    m.mask = QHostAddress(QStringLiteral("255.255.255.0"));
    m.tag = tag;
    m.dhcp = dhcp;
    m.dhcpIp = QHostAddress(QStringLiteral("10.77.0.30"));
    m.dhcpGateway = QHostAddress(QStringLiteral("10.77.0.254"));
    m.dhcpMask = QHostAddress(QStringLiteral("255.255.255.0"));
    return m;
}

ModuleInfo hall() {
    return module(HallMAC, HallIP, QStringLiteral("Matrix Hall"), false);
}
ModuleInfo annex() {
    return module(AnnexMAC, AnnexIP, QStringLiteral("Matrix Annex"), true);
}

void setOctets(OctetEdit *const edits[4], const QString &dotted) {
    const QStringList parts = dotted.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        edits[i]->setText(parts.value(i));
}

} // namespace

// Watches the wizard and acts once on each step it shows.
class WizardDriver : public QObject {
public:
    using Action = std::function<void(TfrmSearch *, int step)>;

    WizardDriver(TfrmSearch *search, Action act) : FSearch(search), FAct(std::move(act)) {
        connect(&FTimer, &QTimer::timeout, this, [this] { look(); });
        FTimer.start(5);
    }
    QList<int> steps;
    QStringList titles;

private:
    void look() {
        if (!FSearch->isVisible()) {
            FLast = -1;
            return;
        }
        const int step = FSearch->CurrentStep();
        if (step == FLast)
            return;
        FLast = step;
        steps << step;
        titles << FSearch->windowTitle();
        // Act outside this slot so that the watch goes on during the action.
        QTimer::singleShot(0, FSearch, [this, step] { FAct(FSearch, step); });
    }

    TfrmSearch *FSearch;
    Action FAct;
    QTimer FTimer;
    int FLast = -1;
};

class TstNetnsSearch : public QObject {
    Q_OBJECT

    NetnsPair pair;
    std::unique_ptr<ModuleSim> modules;
    std::unique_ptr<MatrixSimulator> matrix;
    std::unique_ptr<NetnsPair::Scope> toolSide;
    std::unique_ptr<LanUi> ui;
    std::unique_ptr<LanDeviceGroup> group;
    QStringList gaugeTexts;

    // Simulated modules answering on `bind` (any address: broadcasts reach them).
    void startModules(const QList<ModuleInfo> &list,
                      const QHostAddress &bind = QHostAddress(QHostAddress::AnyIPv4)) {
        toolSide.reset();
        {
            NetnsPair::Scope devices(pair, NetnsPair::Devices);
            QVERIFY(devices.ok());
            ModuleSimOptions so;
            so.bindAddress = bind;
            modules = std::make_unique<ModuleSim>(so);
            for (const ModuleInfo &m : list)
                modules->addModule(m);
            QString error;
            QVERIFY2(modules->start(&error), qPrintable(error));
        }
        toolSide = std::make_unique<NetnsPair::Scope>(pair, NetnsPair::Tool);
        QVERIFY(toolSide->ok());
    }

    void startMatrix() {
        toolSide.reset();
        {
            NetnsPair::Scope devices(pair, NetnsPair::Devices);
            QVERIFY(devices.ok());
            SimOptions o;
            o.tcpHost = QStringLiteral("0.0.0.0");
            o.tcpPort = 8000;
            matrix = std::make_unique<MatrixSimulator>(o);
            QString error;
            QVERIFY2(matrix->start(&error), qPrintable(error));
        }
        toolSide = std::make_unique<NetnsPair::Scope>(pair, NetnsPair::Tool);
        QVERIFY(toolSide->ok());
    }

    // "&Search ..." with the wizard driven by `act`.
    int search(WizardDriver::Action act, WizardDriver **driverOut = nullptr) {
        int result = -1;
        auto driver = std::make_unique<WizardDriver>(group->frmSearch(), std::move(act));
        ui->dialogAnswer = [&](QDialog *d) { return result = d->exec(); };
        group->btnSearchDeviceClick();
        if (driverOut)
            *driverOut = driver.release();
        return result;
    }

    QString entryStartingWith(const QString &tag) const {
        for (const QString &e : group->Entries())
            if (e.startsWith(QLatin1Char('[') + tag + QLatin1Char(']')))
                return e;
        return QString();
    }

private slots:
    void initTestCase() {
        if (::geteuid() != 0)
            QSKIP("network namespaces need root");
        LinkTiming::shrinkForTests();
        NetnsPair::Options o;
        o.toolAddress = ToolIP;
        o.deviceAddresses = {HallIP, AnnexIP};
        o.toolPingGroupRange = QStringLiteral("0 2147483647");
        QString why;
        if (!pair.setUp(o, &why))
            QSKIP(qPrintable(QStringLiteral("no network namespaces: ") + why));
    }

    void init() {
        QVERIFY(pair.callerInHost());
        toolSide = std::make_unique<NetnsPair::Scope>(pair, NetnsPair::Tool);
        QVERIFY(toolSide->ok());
        ui = std::make_unique<LanUi>();
        group = std::make_unique<LanDeviceGroup>(&ui->ctx, ui->engine.Modules());
        group->frmSearch()->Ping.TimeoutMs = 150;
        group->show();
        ui->forwardSearchTexts(group.get());
        gaugeTexts.clear();
        auto forward = ui->listener.OnMessage;
        ui->listener.OnMessage = [this, forward](int message, int32_t lParam, const QString &text) {
            forward(message, lParam, text);
            if (message == WM_LINK_SEARCHTEXT && lParam == 0)
                gaugeTexts << group->frmSearch()->windowTitle() + QLatin1Char('|') +
                                  group->frmSearch()->lblSearchProgress->text();
        };
    }

    void cleanup() {
        group.reset();
        if (ui)
            ui->engine.Disconnect();
        ui.reset();
        toolSide.reset();
        modules.reset();
        matrix.reset();
        QVERIFY(pair.callerInHost());
    }

    void cleanupTestCase() { pair.tearDown(); }

    void foundThenYes() {
        startModules({hall(), annex()});
        QVERIFY(pair.callerInside(NetnsPair::Tool));
        const QString zeta = Entry(QStringLiteral("Zeta"), QStringLiteral("10.9.9.9"),
                                   QStringLiteral("02-00-00-00-00-09"));
        group->SetEntries({zeta});
        group->SelectEntry(zeta);

        QStringList offered;
        WizardDriver *driver = nullptr;
        const int result = search(
            [&](TfrmSearch *s, int step) {
                if (step != TfrmSearch::StepFound)
                    return;
                for (int i = 0; i < s->cbMXDevice->count(); ++i)
                    offered << s->cbMXDevice->itemText(i);
                // Choose the Annex.
                for (int i = 0; i < s->cbMXDevice->count(); ++i)
                    if (s->cbMXDevice->itemText(i).startsWith(QLatin1String("[Matrix Annex]")))
                        s->cbMXDevice->setCurrentIndex(i);
                s->btnYes->click();
            },
            &driver);
        std::unique_ptr<WizardDriver> keep(driver);
        QCOMPARE(result, ModalResult::mrYes);
        QCOMPARE(driver->steps, QList<int>({TfrmSearch::StepSearching, TfrmSearch::StepFound}));
        QCOMPARE(driver->titles, QStringList({"Auto searching", "Matrix found"}));
        QVERIFY(!gaugeTexts.isEmpty());
        QCOMPARE(gaugeTexts.first(),
                 QStringLiteral("Auto searching|Searching TCP control device .../"));

        const QString hallEntry = QStringLiteral("[Matrix Hall] - [Static IP] - [10.77.0.2] - "
                                                 "[10.77.0.254] - [255.255.255.0] - "
                                                 "[18-98-66-00-00-02] - [Same Subnet]");
        const QString annexEntry = QStringLiteral("[Matrix Annex] - [Auto IP] - [10.77.0.3] - "
                                                  "[10.77.0.254] - [255.255.255.0] - "
                                                  "[18-98-66-00-00-03] - [Same Subnet]");
        offered.sort();
        QCOMPARE(offered, QStringList({annexEntry, hallEntry}));
        // Both added, the list sorted, the chosen one selected and in use.
        QCOMPARE(group->Entries(), QStringList({annexEntry, hallEntry, zeta}));
        QCOMPARE(group->cbLANDevice->currentText(), annexEntry);
        QCOMPARE(ui->ctx.CurrentDeviceMAC, AnnexMAC);
        QCOMPARE(ui->engine.DeviceIP(), AnnexIP);
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Search TCP control device ok"));
        QVERIFY(!ui->engine.Modules()->Searching());

        // Found again: nothing is doubled.
        search([](TfrmSearch *s, int step) {
            if (step == TfrmSearch::StepFound)
                s->btnYes->click();
        });
        QCOMPARE(group->Entries(), QStringList({annexEntry, hallEntry, zeta}));
        QCOMPARE(group->cbLANDevice->currentText(), group->frmSearch()->cbMXDevice->currentText());
    }

    void stopCancels() {
        startModules({hall()});
        const QString zeta = Entry(QStringLiteral("Zeta"), QStringLiteral("10.9.9.9"),
                                   QStringLiteral("02-00-00-00-00-09"));
        group->SetEntries({zeta});
        group->SelectEntry(zeta);
        // "Stop" at the first progress text.
        auto forward = ui->listener.OnMessage;
        ui->listener.OnMessage = [&, forward](int message, int32_t lParam, const QString &text) {
            forward(message, lParam, text);
            if (message == WM_LINK_SEARCHTEXT && group->frmSearch()->btnStop->isVisible() &&
                !group->frmSearch()->StopPressed)
                group->frmSearch()->btnStop->click();
        };
        WizardDriver *driver = nullptr;
        const int result = search(
            [](TfrmSearch *s, int step) {
                if (step == TfrmSearch::StepCancelled)
                    s->btnCancelledClose->click();
            },
            &driver);
        std::unique_ptr<WizardDriver> keep(driver);
        QCOMPARE(result, ModalResult::mrCancel);
        QCOMPARE(driver->steps.last(), int(TfrmSearch::StepCancelled));
        QCOMPARE(driver->titles.last(), QStringLiteral("Searching cancelled"));
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Search TCP control device cancelled"));
        QCOMPARE(group->Entries(), QStringList({zeta}));
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("10.9.9.9"));
        QVERIFY(!ui->engine.Modules()->Searching());
        // It stopped within its first attempt.
        QVERIFY(gaugeTexts.size() <= 2);
    }

    void notFoundThenDirected() {
        // Bound to its own address only, the module never hears a broadcast.
        startModules({annex()}, QHostAddress(AnnexIP));
        QStringList defaults;
        WizardDriver *driver = nullptr;
        const int result = search(
            [&](TfrmSearch *s, int step) {
                if (step == TfrmSearch::StepNotFound) {
                    for (OctetEdit *e : s->edtIPField)
                        defaults << e->text();
                    setOctets(s->edtIPField, AnnexIP);
                    s->btnGo->click();
                } else if (step == TfrmSearch::StepComplete) {
                    s->btnDone->click();
                }
            },
            &driver);
        std::unique_ptr<WizardDriver> keep(driver);
        QCOMPARE(result, ModalResult::mrOK);
        QCOMPARE(driver->steps, QList<int>({TfrmSearch::StepSearching, TfrmSearch::StepNotFound,
                                            TfrmSearch::StepSearching, TfrmSearch::StepComplete}));
        QCOMPARE(driver->titles,
                 QStringList({"Auto searching", "Matrix not found after Auto searching",
                              "Get Matrix informations", "Searching complete"}));
        QCOMPARE(defaults, QStringList({"192", "168", "0", "100"}));
        QCOMPARE(gaugeTexts.last().section(QLatin1Char('|'), 0, 0),
                 QStringLiteral("Get Matrix informations"));
        // Five silent broadcasts, then one directed request.
        const QList<ModuleRequest> seen = modules->requests();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].destination.toString(), AnnexIP);

        QCOMPARE(group->Entries().size(), 1);
        QVERIFY(group->Entries()[0].startsWith(QLatin1String("[Matrix Annex] - [Auto IP]")));
        QCOMPARE(group->cbLANDevice->currentIndex(), 0);
        QCOMPARE(ui->engine.DeviceIP(), AnnexIP);
    }

    void directedSearchFindsNothing() {
        startModules({annex()}, QHostAddress(AnnexIP));
        const QString zeta = Entry(QStringLiteral("Zeta"), QStringLiteral("10.9.9.9"),
                                   QStringLiteral("02-00-00-00-00-09"));
        group->SetEntries({zeta});
        group->SelectEntry(zeta);
        WizardDriver *driver = nullptr;
        const int result = search(
            [&](TfrmSearch *s, int step) {
                if (step == TfrmSearch::StepNotFound) {
                    setOctets(s->edtIPField, QStringLiteral("10.77.0.9"));
                    s->btnGo->click();
                } else if (step == TfrmSearch::StepNone) {
                    s->btnNoneClose->click();
                }
            },
            &driver);
        std::unique_ptr<WizardDriver> keep(driver);
        QCOMPARE(result, ModalResult::mrNo);
        QCOMPARE(driver->steps.last(), int(TfrmSearch::StepNone));
        QVERIFY(group->frmSearch()->gbNone->findChildren<QLabel *>().first()->text() ==
                QStringLiteral("No Matrix found."));
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Search TCP control device cancelled"));
        QCOMPARE(group->Entries(), QStringList({zeta}));
        // The link still points at the selected device, not at the typed address.
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("10.9.9.9"));
    }

    void unreachableModuleIsCrossSubnet() {
        ModuleInfo far = module(QStringLiteral("18-98-66-00-00-44"), QStringLiteral("10.88.0.5"),
                                QStringLiteral("Far"), false);
        startModules({hall(), far});
        search([](TfrmSearch *s, int step) {
            if (step == TfrmSearch::StepFound)
                s->btnYes->click();
        });
        QVERIFY(entryStartingWith(QStringLiteral("Far")).endsWith(QLatin1String("[Cross Subnet]")));
        QVERIFY(entryStartingWith(QStringLiteral("Matrix Hall"))
                    .endsWith(QLatin1String("[Same Subnet]")));
    }

    void configureFollowsTheNewAddress() {
        startModules({hall(), annex()});
        startMatrix();
        search([](TfrmSearch *s, int step) {
            if (step != TfrmSearch::StepFound)
                return;
            for (int i = 0; i < s->cbMXDevice->count(); ++i)
                if (s->cbMXDevice->itemText(i).startsWith(QLatin1String("[Matrix Hall]")))
                    s->cbMXDevice->setCurrentIndex(i);
            s->btnYes->click();
        });
        QCOMPARE(ui->engine.DeviceIP(), HallIP);
        QVERIFY(ui->engine.Connect());
        QVERIFY(ui->engine.Connected());

        QSignalSpy busy(group.get(), &LanDeviceGroup::busyChanged);
        ui->dialogAnswer = [](QDialog *d) {
            auto *edit = static_cast<TfrmEditLAN *>(d);
            QTimer::singleShot(0, d, [edit] {
                edit->leDeviceTag->setText(QStringLiteral("Matrix Hall 2"));
                setOctets(edit->edtIPField, QStringLiteral("10.77.0.20"));
                edit->btnOK->click();
            });
            return d->exec();
        };
        group->btnConfig->click();

        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration ok"));
        const QString expected = QStringLiteral("[Matrix Hall 2] - [Static IP] - [10.77.0.20] - "
                                                "[10.77.0.254] - [255.255.255.0] - "
                                                "[18-98-66-00-00-02] - [Same Subnet]");
        QCOMPARE(group->cbLANDevice->currentText(), expected);
        QCOMPARE(group->Entries().size(), 2);
        QVERIFY(!group->Entries().join(QLatin1Char('\n')).contains(QLatin1String("[Matrix Hall]")));
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("10.77.0.20"));
        QCOMPARE(ui->ctx.CurrentDeviceMAC, HallMAC);
        QCOMPARE(ui->ctx.MacIdB1 + ui->ctx.MacIdB2 + ui->ctx.MacIdB3, QStringLiteral("189866"));
        QCOMPARE(busy.size(), 2);
        QCOMPARE(busy[0][0].toBool(), true);
        QCOMPARE(busy[1][0].toBool(), false);
        QVERIFY(group->btnConfig->isEnabled());
        // The configuration closed the link to the old address.
        QVERIFY(!ui->engine.Connected());

        // The module really moved; the link goes to its new address.
        QCOMPARE(modules->module(0).ip.toString(), QStringLiteral("10.77.0.20"));
        QCOMPARE(modules->module(0).tag, QStringLiteral("Matrix Hall 2"));
        QCOMPARE(pair.ip(NetnsPair::Devices, {QStringLiteral("addr"), QStringLiteral("add"),
                                              QStringLiteral("10.77.0.20/24"),
                                              QStringLiteral("dev"), QStringLiteral("vdev")}),
                 0);
        QVERIFY(ui->engine.Connect());
        TReplyRecord reply;
        ui->engine.Transact(Frame::make(0x01, 0x01), reply);
        QVERIFY(ui->engine.Connected());
    }

    void configureAutoIP() {
        startModules({hall(), annex()});
        const QString annexEntry = QStringLiteral("[Matrix Annex] - [Auto IP] - [10.77.0.3] - "
                                                  "[10.77.0.254] - [255.255.255.0] - "
                                                  "[18-98-66-00-00-03] - [Cross Subnet]");
        group->SetEntries({annexEntry});
        group->SelectEntry(annexEntry);
        ui->dialogAnswer = [](QDialog *d) {
            QTimer::singleShot(0, d, [d] { static_cast<TfrmEditLAN *>(d)->btnOK->click(); });
            return d->exec();
        };
        group->btnConfigClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration ok"));
        // The request: Auto IP, zero addresses.
        const QByteArray sent = modules->requests().first().bytes;
        QCOMPARE(uint8_t(sent[18]), uint8_t(1));
        QCOMPARE(uint8_t(sent[25]), uint8_t(0x14));
        QCOMPARE(sent.mid(6, 12), QByteArray(12, '\0'));
        // The entry carries what the module reports, and keeps its subnet relation.
        QCOMPARE(group->cbLANDevice->currentText(),
                 QStringLiteral("[Matrix Annex] - [Auto IP] - [10.77.0.30] - [10.77.0.254] - "
                                "[255.255.255.0] - [18-98-66-00-00-03] - [Cross Subnet]"));
        QCOMPARE(ui->engine.DeviceIP(), QStringLiteral("10.77.0.30"));
    }

    void configurationRefused() {
        startModules({hall(), annex()});
        const QString hallEntry = QStringLiteral("[Matrix Hall] - [Static IP] - [10.77.0.2] - "
                                                 "[10.77.0.254] - [255.255.255.0] - "
                                                 "[18-98-66-00-00-02] - [Same Subnet]");
        group->SetEntries({hallEntry});
        group->SelectEntry(hallEntry);
        QString typed;
        ui->dialogAnswer = [&](QDialog *d) {
            QTimer::singleShot(0, d, [d, &typed] {
                auto *edit = static_cast<TfrmEditLAN *>(d);
                setOctets(edit->edtIPField, typed);
                edit->btnOK->click();
            });
            return d->exec();
        };

        // The Annex's address is taken: the module reports a conflict.
        typed = AnnexIP;
        group->btnConfigClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Setting IP conflict:10.77.0.3"));
        QVERIFY(ui->lastStatusBlinks(2));
        QCOMPARE(group->Entries(), QStringList({hallEntry}));

        // The PC's own address: refused at once, nothing sent.
        modules->clearRequests();
        group->moduleLink()->setLocalAddressOverride(ToolIP);
        typed = ToolIP;
        group->btnConfigClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Setting IP conflict:10.77.0.1"));
        QCOMPARE(modules->requests().size(), 0);

        // The module refuses.
        modules->withModule(0, [](ModuleInfo &m) { m.configStatus = 0x10; });
        typed = QStringLiteral("10.77.0.40");
        group->btnConfigClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration failed"));
        QVERIFY(ui->lastStatusBlinks(2));
        QCOMPARE(group->Entries(), QStringList({hallEntry}));
        QCOMPARE(ui->engine.DeviceIP(), HallIP);
        QVERIFY(group->isEnabled());
    }

    void configurationStoppedFromTheStatusBar() {
        // A module that takes the request and never answers: the status bar
        // shows the wait, and its Stop ends it as a failed configuration.
        startModules({hall()});
        modules->withModule(0, [](ModuleInfo &m) { m.answerConfig = false; });
        const QString hallEntry = QStringLiteral("[Matrix Hall] - [Static IP] - [10.77.0.2] - "
                                                 "[10.77.0.254] - [255.255.255.0] - "
                                                 "[18-98-66-00-00-02] - [Same Subnet]");
        group->SetEntries({hallEntry});
        group->SelectEntry(hallEntry);
        // Waits of about twelve seconds in all: a stop is told apart from the end.
        const int tick = LinkTiming::current().rebootTickMs;
        LinkTiming::current().rebootTickMs = 20;
        WaitIndicator wait(&ui->ctx);
        const int threshold = WaitIndicator::ThresholdMs;
        WaitIndicator::ThresholdMs = 100;
        wait.setVisible(true);
        bool shown = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &wait, [&] {
            if (!wait.Waiting())
                return;
            poll.stop();
            shown = wait.pbWait->isVisible();
            QTest::mouseClick(wait.btnStopWait, Qt::LeftButton);
        });
        QString typed = QStringLiteral("10.77.0.40");
        ui->dialogAnswer = [&](QDialog *d) {
            QTimer::singleShot(0, d, [d, &typed] {
                auto *edit = static_cast<TfrmEditLAN *>(d);
                setOctets(edit->edtIPField, typed);
                edit->btnOK->click();
            });
            poll.start(10);
            return d->exec();
        };
        ui->listener.Messages.clear();
        group->btnConfigClick();
        LinkTiming::current().rebootTickMs = tick;
        WaitIndicator::ThresholdMs = threshold;
        QVERIFY(shown);
        // Ended within its first cycles, not after all twenty.
        const qsizetype ticks = ui->listener.texts(WM_LINK_SEARCHTEXT).size();
        QVERIFY2(ticks > 0 && ticks < 3 * 30, qPrintable(QString::number(ticks)));
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration failed"));
        QVERIFY(ui->lastStatusBlinks(2));
        QCOMPARE(group->Entries(), QStringList({hallEntry}));
        QVERIFY(!ui->engine.Modules()->Configuring());
        QVERIFY(!ui->engine.StopRequested());
        QVERIFY(!wait.Waiting());
        QVERIFY(group->isEnabled());

        // The next configuration runs to its end.
        modules->withModule(0, [](ModuleInfo &m) { m.answerConfig = true; });
        ui->dialogAnswer = [&](QDialog *d) {
            QTimer::singleShot(0, d, [d, &typed] {
                auto *edit = static_cast<TfrmEditLAN *>(d);
                setOctets(edit->edtIPField, typed);
                edit->btnOK->click();
            });
            return d->exec();
        };
        group->btnConfigClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration ok"));
    }

    void eitherOwnAddressRefusedByTheDialog() {
        // The PC has two addresses on its interface; no override: the
        // dialog's static address equal to either is refused, nothing sent.
        startModules({hall()});
        QString output;
        QVERIFY2(
            pair.ip(NetnsPair::Tool,
                    {QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.0.5/24"),
                     QStringLiteral("dev"), QStringLiteral("vtool")},
                    &output) == 0,
            qPrintable(output));
        const QString hallEntry = QStringLiteral("[Matrix Hall] - [Static IP] - [10.77.0.2] - "
                                                 "[10.77.0.254] - [255.255.255.0] - "
                                                 "[18-98-66-00-00-02] - [Same Subnet]");
        group->SetEntries({hallEntry});
        group->SelectEntry(hallEntry);
        QString typed;
        ui->dialogAnswer = [&](QDialog *d) {
            QTimer::singleShot(0, d, [d, &typed] {
                auto *edit = static_cast<TfrmEditLAN *>(d);
                setOctets(edit->edtIPField, typed);
                edit->btnOK->click();
            });
            return d->exec();
        };
        for (const QString &own : {ToolIP, QStringLiteral("10.77.0.5")}) {
            modules->clearRequests();
            typed = own;
            group->btnConfigClick();
            QCOMPARE(ui->lastStatus(2), QStringLiteral("Setting IP conflict:") + own);
            QVERIFY(ui->lastStatusBlinks(2));
            QCOMPARE(modules->requests().size(), 0);
            QCOMPARE(group->Entries(), QStringList({hallEntry}));
        }
        // Another address of the subnet is sent.
        typed = QStringLiteral("10.77.0.41");
        group->btnConfigClick();
        QCOMPARE(ui->lastStatus(2), QStringLiteral("Modify TCP configuration ok"));
        QVERIFY(modules->requests().size() > 0);
        pair.ip(NetnsPair::Tool,
                {QStringLiteral("addr"), QStringLiteral("del"), QStringLiteral("10.77.0.5/24"),
                 QStringLiteral("dev"), QStringLiteral("vtool")});
    }
};

QTEST_MAIN(TstNetnsSearch)
#include "tst_netns_search.moc"
