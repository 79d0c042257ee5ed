// The Firmware Upgrade page (single ".fw" file) in the window against the
// simulated unit: the boxes a file enables, the "All" boxes, runs in the
// fixed order with the reboot and its extra delay, refusals marked red, the
// page state given back after a run, unusable and damaged files.

#include "../../shell/ShellFixture.h"
#include "../UnitSamples.h"
#include "firmware/FirmwareTransfer.h"
#include "firmware/ui/FWUpgradePage.h"
#include "firmware/ui/UpgradePage.h"
#include "widgets/TCaptionGauge.h"
#include "widgets/TPageControl.h"

#include "protocol/Requests.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

using unitsamples::filePart;

const QString Success = QStringLiteral("Firmware upgrade successfully!");

// Input cards 1..n and output cards 1..n stored before main, then the four
// single parts.
QByteArray cardsFirstFile(int cards) {
    QByteArray file;
    for (int n = cards; n >= 1; --n)
        file += filePart(PartClassSub, McuKindOutputCard, uint16_t(n));
    for (int n = 1; n <= cards; ++n)
        file += filePart(PartClassSub, McuKindInputCard, uint16_t(n));
    file += filePart(PartClassSub, McuKindIdir, 0) + filePart(PartClassSub, McuKindSlave, 0) +
            filePart(PartClassSub, McuKindIrMatrix, 0) +
            filePart(PartClassSub, McuKindFrontPanel, 0) + filePart(PartClassMain, McuKindMain, 0);
    return file;
}

struct FWRig {
    ShellFixture fx;
    QString filePath;
    QStringList errors;

    FWUpgradePage *page() const { return fx.form->FWUpgrade; }

    void start(int cards = 2) {
        LinkTiming::shrinkForTests();
        fx.seedSimDevice();
        fx.startSim();
        fx.sim->withState([&](MatrixState &s) {
            s.unit = unitsamples::unit(cards);
            s.rebootMs = 30;
        });
        fx.openWindow();
        fx.form->setServiceMode(true);
        fx.questionAnswer = true;
        filePath = fx.dir.filePath(QStringLiteral("unit.fw"));
        fx.form->Prompts()->setResponder([this](const PromptService::Request &r) {
            PromptService::Answer a;
            if (r.kind == PromptService::Kind::Question)
                a.yes = fx.questionAnswer;
            if (r.kind == PromptService::Kind::OpenFile)
                a.fileName = filePath;
            if (r.kind == PromptService::Kind::Error)
                errors << r.text;
            return a;
        });
        fx.form->pcContainer->setCurrentWidget(page());
    }

    void open(const QByteArray &file) {
        QVERIFY(unitsamples::writeFile(filePath, file));
        QTest::mouseClick(page()->btnOpenFW, Qt::LeftButton);
    }
    void upgrade() {
        fx.sim->clearFrameLog();
        QTest::mouseClick(page()->btnUpgrade, Qt::LeftButton);
    }
    QStringList memo() const { return page()->mmoMessage->toPlainText().split(QLatin1Char('\n')); }
    QStringList sentParts() const {
        QStringList sent;
        fx.sim->withState([&](MatrixState &s) {
            for (const UploadedPart &p : s.uploads)
                sent << QStringLiteral("%1.%2.%3").arg(p.partClass).arg(p.kind).arg(p.slot);
        });
        return sent;
    }
    int reboots() const {
        const Frame reboot = Requests::rebootSystem();
        return fx.countCommands(reboot.b[2], reboot.b[3]);
    }
    QCheckBox *input(int n) const { return page()->cbInputMCU[size_t(n - 1)]; }
    QCheckBox *output(int n) const { return page()->cbOutputMCU[size_t(n - 1)]; }
};

} // namespace

class TestFWUpgradePage : public QObject {
    Q_OBJECT

private slots:
    void controlsAsDelivered() {
        FWRig rig;
        rig.start();
        FWUpgradePage *p = rig.page();
        QCOMPARE(p->objectName(), QStringLiteral("tsFWUpgrade"));
        QCOMPARE(rig.fx.form->mmoMessage, p->mmoMessage);
        QCOMPARE(p->gbFWUpgrade->title(), QStringLiteral("Matrix Firmware Upgrade"));
        QCOMPARE(p->tsgFWProgress->Caption(), QStringLiteral("Upgrade progress"));
        QCOMPARE(p->btnUpgrade->text(), QStringLiteral("&Upgrade"));
        QCOMPARE(p->Button1->text(), QStringLiteral("&Clear"));
        QVERIFY(!p->btnUpgrade->isEnabled());
        QVERIFY(p->edtFWFile->isReadOnly());
        const QStringList captions{"M", "1", "2",   "3",  "4",  "5", "6",
                                   "7", "8", "All", "FP", "IR", "S", "IDIR"};
        const QList<QCheckBox *> boxes{
            p->cbMainMCU,       rig.input(1), rig.input(2),  rig.input(3), rig.input(4),
            rig.input(5),       rig.input(6), rig.input(7),  rig.input(8), rig.input(9),
            p->cbFrontPanelMCU, p->cbIRMXMCU, p->cbSlaveMCU, p->cbIDIRMCU};
        for (int i = 0; i < boxes.size(); ++i) {
            QCOMPARE(boxes[i]->text(), captions[i]);
            QVERIFY(!boxes[i]->isEnabled());
            QVERIFY(!boxes[i]->accessibleName().isEmpty());
        }
        QCOMPARE(rig.output(9)->objectName(), QStringLiteral("cbOutputMCU9"));
        QCOMPARE(p->findChild<QCheckBox *>(QStringLiteral("cbInputMCU9")), rig.input(9));
        QStringList labels;
        for (QLabel *l : p->Labels) {
            labels << l->text();
            QVERIFY(!l->isEnabled());
        }
        QCOMPARE(labels, QStringList({"Main:", "Input cards:", "Output cards:", "Front panel:",
                                      "IR matrix:", "Slave:", "IDIR:"}));
        // The tab is hidden as delivered.
        rig.fx.form->setServiceMode(false);
        QVERIFY(!rig.fx.form->pcContainer->isTabVisible(rig.fx.form->pcContainer->indexOf(p)));
    }

    void openEnablesThePartsAndRemembersTheFolder() {
        FWRig rig;
        rig.start();
        rig.open(cardsFirstFile(2));
        FWUpgradePage *p = rig.page();
        const PromptService::Request asked = rig.fx.prompts().last();
        QCOMPARE(asked.kind, PromptService::Kind::OpenFile);
        QCOMPARE(asked.filter, QStringLiteral("Firmware file(*.fw)"));
        QCOMPARE(asked.fileName, rig.fx.ctx()->AppFolder); // nothing remembered yet
        QCOMPARE(rig.fx.ctx()->LastFirmwareFolder, QFileInfo(rig.filePath).absolutePath());
        QCOMPARE(p->edtFWFile->text(), QDir::toNativeSeparators(rig.filePath));
        QCOMPARE(p->edtFWFile->cursorPosition(), int(p->edtFWFile->text().size()));
        QVERIFY(p->btnUpgrade->isEnabled());
        for (QLabel *l : p->Labels)
            QVERIFY(l->isEnabled());
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(rig.input(n)->isEnabled(), n <= 2);
            QCOMPARE(rig.input(n)->isChecked(), n <= 2);
            QCOMPARE(rig.output(n)->isChecked(), n <= 2);
        }
        // "All" follows the cards the file holds.
        QVERIFY(rig.input(9)->isEnabled() && rig.input(9)->isChecked());
        QVERIFY(p->cbMainMCU->isChecked() && p->cbIDIRMCU->isChecked());

        // Opening again starts in the remembered folder; a file that has gone
        // is reported in the memo and leaves the boxes alone.
        QVERIFY(QFile::remove(rig.filePath));
        QTest::mouseClick(p->btnOpenFW, Qt::LeftButton);
        QCOMPARE(rig.fx.prompts().last().fileName, QFileInfo(rig.filePath).absolutePath());
        QCOMPARE(rig.memo().last(), QStringLiteral("Firmware file: ") + rig.filePath +
                                        QStringLiteral(" does not exist"));
        QVERIFY(p->cbMainMCU->isChecked());
    }

    void allBoxesFollowTheirRows() {
        FWRig rig;
        rig.start();
        QByteArray eight;
        for (int n = 1; n <= 8; ++n)
            eight += filePart(PartClassSub, McuKindInputCard, uint16_t(n));
        eight += filePart(PartClassSub, McuKindOutputCard, 1) +
                 filePart(PartClassSub, McuKindOutputCard, 3);
        rig.open(eight);
        QVERIFY(rig.input(9)->isChecked()); // every card of the row is there and checked
        ClickIndicator(rig.input(4));
        QVERIFY(!rig.input(4)->isChecked());
        QVERIFY(!rig.input(9)->isChecked()); // one card off clears "All"
        ClickIndicator(rig.input(9));
        for (int n = 1; n <= 9; ++n)
            QVERIFY(rig.input(n)->isChecked());
        ClickIndicator(rig.input(9));
        for (int n = 1; n <= 9; ++n)
            QVERIFY(!rig.input(n)->isChecked());
        ClickIndicator(rig.input(2));
        QVERIFY(!rig.input(9)->isChecked());

        // The output row has cards 1 and 3: "All" reaches only those.
        QVERIFY(rig.output(9)->isChecked());
        ClickIndicator(rig.output(9));
        QVERIFY(!rig.output(1)->isChecked() && !rig.output(3)->isChecked());
        ClickIndicator(rig.output(3));
        QVERIFY(!rig.output(9)->isChecked());
        ClickIndicator(rig.output(9));
        for (int n = 1; n <= 8; ++n) {
            QCOMPARE(rig.output(n)->isChecked(), n == 1 || n == 3);
            QCOMPARE(rig.output(n)->isEnabled(), n == 1 || n == 3);
        }
        ClickIndicator(rig.output(9));
        QVERIFY(!rig.output(1)->isChecked() && !rig.output(3)->isChecked());
        QVERIFY(!rig.page()->cbMainMCU->isEnabled()); // no main part in this file
    }

    void runSendsInFixedOrderAndGivesThePageBack() {
        FWRig rig;
        rig.start();
        rig.fx.ctx()->Firmware->AfterRebootDelay = 1;
        rig.open(cardsFirstFile(2));
        ClickIndicator(rig.input(2)); // not sent
        QStringList gauge;
        QObject::connect(rig.page()->Upgrade(), &FileUpgrade::gaugeChanged, rig.page(),
                         [&](const QString &c, int) { gauge << c; });
        rig.upgrade();
        QCOMPARE(rig.page()->LastOutcome(), FileUpgrade::Outcome::Succeeded);
        QCOMPARE(rig.sentParts(), QStringList({"1.1.0", "2.5.1", "2.6.1", "2.6.2", "2.3.0", "2.2.0",
                                               "2.1.0", "2.4.0"}));
        QCOMPARE(rig.reboots(), 1);
        const QStringList memo = rig.memo();
        QCOMPARE(memo.last(), Success);
        QCOMPARE(rig.fx.panel(1), QStringLiteral("Firmware upgrade successfully"));
        QVERIFY(memo.contains(QStringLiteral("Upgrading Part_2.6.2 ver3.4 ...")));
        QVERIFY(memo.contains(QStringLiteral("Part_1.1 ver3.4 upgrading complete")));
        QVERIFY(memo.contains(QStringLiteral("System reboot ok")));
        // The extra delay rewrites one line of this page's memo.
        QCOMPARE(memo.filter(QStringLiteral("More delay after system reboot")).size(), 2);
        QVERIFY(!rig.fx.form->Upgrade->mmoMessageUpgrade->toPlainText().contains(
            QStringLiteral("System reboot")));
        QVERIFY(gauge.contains(QStringLiteral("Upgrade progress")));
        QCOMPARE(rig.page()->tsgFWProgress->Position(), 100);

        // The page is as it was before the run.
        QVERIFY(rig.page()->btnUpgrade->isEnabled() && rig.page()->btnOpenFW->isEnabled());
        QVERIFY(!rig.input(2)->isChecked() && rig.input(2)->isEnabled());
        QVERIFY(rig.input(1)->isChecked() && rig.page()->cbMainMCU->isChecked());
        QVERIFY(!rig.input(3)->isEnabled());
        for (QLabel *l : rig.page()->Labels)
            QVERIFY(l->isEnabled());
        QVERIFY(!rig.fx.ctx()->Busy());
    }

    void mainOnlyStillReboots() {
        FWRig rig;
        rig.start();
        rig.open(cardsFirstFile(1));
        for (QCheckBox *b : {rig.input(9), rig.output(9), rig.page()->cbFrontPanelMCU,
                             rig.page()->cbIRMXMCU, rig.page()->cbSlaveMCU, rig.page()->cbIDIRMCU})
            ClickIndicator(b);
        QCOMPARE(rig.page()->PickedBoxes(), ([] {
                     FileBoxSet s{};
                     s[FileBox::Main] = true;
                     return s;
                 }()));
        rig.upgrade();
        QCOMPARE(rig.sentParts(), QStringList{"1.1.0"});
        QCOMPARE(rig.reboots(), 1);
        QCOMPARE(rig.memo().last(), Success);
    }

    void refusedLastPartStaysRedWithoutReboot() {
        FWRig rig;
        rig.start();
        rig.fx.sim->withState([](MatrixState &s) {
            s.refusedParts << MatrixState::partKey(PartClassSub, McuKindIdir)
                           << MatrixState::partKey(PartClassSub, McuKindInputCard, 2);
        });
        rig.open(cardsFirstFile(2));
        ClickIndicator(rig.page()->cbMainMCU);
        rig.upgrade();
        QCOMPARE(rig.page()->LastOutcome(), FileUpgrade::Outcome::Failed);
        // Input card 2 refused six times, the run went on; IDIR, the last, as well.
        QCOMPARE(rig.sentParts(),
                 QStringList({"2.5.1", "2.6.1", "2.6.2", "2.3.0", "2.2.0", "2.1.0"}));
        QCOMPARE(rig.reboots(), 0);
        const QStringList memo = rig.memo();
        QCOMPARE(memo.filter(QStringLiteral("Write to Part_2.5.2 ver3.4 failed")).size(), 6);
        QCOMPARE(memo.filter(QStringLiteral("Write to Part_2.4 ver3.4 failed")).size(), 6);
        QVERIFY(memo.contains(
            QStringLiteral("Firmware part(s) not written: Part_2.5.2 ver3.4, Part_2.4 ver3.4")));
        QCOMPARE(memo.last(), QStringLiteral("Firmware upgrade failed"));
        QVERIFY(!memo.join('\n').contains(QStringLiteral("successfully")));
        QVERIFY(rig.page()->BoxMarked(FileBox::Idir));
        QVERIFY(rig.page()->BoxMarked(FileBox::Input1 + 1));
        QVERIFY(!rig.page()->BoxMarked(FileBox::Input1));
        QVERIFY(!rig.page()->BoxMarked(FileBox::Slave));
        QVERIFY(rig.page()->cbIDIRMCU->isChecked() && rig.page()->cbIDIRMCU->isEnabled());

        // The next run starts with the marks cleared.
        rig.fx.sim->withState([](MatrixState &s) { s.refusedParts.clear(); });
        rig.upgrade();
        QCOMPARE(rig.memo().last(), Success);
        QVERIFY(!rig.page()->BoxMarked(FileBox::Idir));
    }

    void unusableAndDamagedFiles() {
        FWRig rig;
        rig.start();
        // Slot 9 would reach the "All" box, kind 7 no box at all.
        const QByteArray odd = filePart(PartClassSub, McuKindInputCard, 9) +
                               filePart(PartClassSub, 7, 1) +
                               filePart(PartClassSub, McuKindSlave, 0);
        rig.open(odd);
        FWUpgradePage *p = rig.page();
        QVERIFY(rig.memo().contains(
            QStringLiteral("Part_2.5.9 ver3.4 is not usable (card slot outside 1..8), ignored")));
        QVERIFY(rig.memo().contains(
            QStringLiteral("Part_2.7 ver3.4 is not usable (unknown MCU kind), ignored")));
        QVERIFY(!rig.input(9)->isEnabled() && !rig.input(9)->isChecked());
        QVERIFY(!p->Labels[FWUpgradePage::LabelInput]->isEnabled());
        QVERIFY(p->cbSlaveMCU->isChecked());
        QVERIFY(p->btnUpgrade->isEnabled());
        QVERIFY(rig.errors.isEmpty());

        // A bad header: the error box, and no upgrade from that file.
        QByteArray broken = filePart(PartClassMain, McuKindMain, 0);
        broken += broken;
        broken[broken.size() / 2 + 130] = char(broken[broken.size() / 2 + 130] ^ 0x40);
        rig.open(broken);
        QCOMPARE(rig.errors, QStringList{FileUpgrade::InvalidFileText});
        QVERIFY(!p->btnUpgrade->isEnabled());
        QVERIFY(p->cbMainMCU->isEnabled()); // the part before it was listed
        QVERIFY(!p->cbSlaveMCU->isEnabled());
    }

    void partGoneFromTheFileSendsNothing() {
        FWRig rig;
        rig.start();
        rig.open(cardsFirstFile(2));
        // The file changes on disk after it was opened: input card 2 is gone.
        QVERIFY(unitsamples::writeFile(rig.filePath, cardsFirstFile(1)));
        rig.upgrade();
        QCOMPARE(rig.errors, QStringList{FileUpgrade::InvalidFileText});
        QVERIFY(rig.sentParts().isEmpty());
        QCOMPARE(rig.fx.commandsSent().size(), 0);
        // The page is given back as it was.
        QVERIFY(rig.input(2)->isEnabled() && rig.input(2)->isChecked());
        QVERIFY(rig.page()->btnUpgrade->isEnabled());
    }

    void warningsBeforeAnything() {
        FWRig rig;
        rig.start();
        QTest::mouseClick(rig.page()->btnUpgrade, Qt::LeftButton); // disabled: nothing
        rig.page()->UpgradeFromFile();
        QCOMPARE(rig.fx.prompts().last().text, QStringLiteral("Please open firmware file first."));
        rig.open(cardsFirstFile(1));
        for (QCheckBox *b :
             {rig.page()->cbMainMCU, rig.input(9), rig.output(9), rig.page()->cbFrontPanelMCU,
              rig.page()->cbIRMXMCU, rig.page()->cbSlaveMCU, rig.page()->cbIDIRMCU})
            ClickIndicator(b);
        rig.upgrade();
        QCOMPARE(rig.fx.prompts().last().text,
                 QStringLiteral("Please select firmware part(s) to upgrade."));
        ClickIndicator(rig.page()->cbSlaveMCU);
        rig.fx.questionAnswer = false; // LAN mode: the question, answered No
        rig.upgrade();
        QVERIFY(rig.fx.prompts().last().text.startsWith(
            QStringLiteral("The Matrix is under TCP/IP control mode.")));
        QVERIFY(rig.sentParts().isEmpty());
        QCOMPARE(rig.page()->LastOutcome(), FileUpgrade::Outcome::NotRun);
    }
};

QTEST_MAIN(TestFWUpgradePage)
#include "tst_fwupgradepage.moc"
