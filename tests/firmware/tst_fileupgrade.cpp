// The single-file upgrade without a window: which boxes a file offers, the
// fixed sending order, and whole runs against the simulated unit (refusals,
// empty parts, missing parts, a board that falls silent, the reboot and the
// run's result).

#include "../link/LinkTestSupport.h"
#include "UnitSamples.h"
#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "firmware/FileUpgrade.h"
#include "firmware/FirmwareCipher.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

using unitsamples::fileImage;
using unitsamples::filePart;

QByteArray part(uint8_t partClass, uint16_t kind, uint16_t slot, int size, uint16_t ver1 = 1,
                uint16_t ver2 = 2) {
    QByteArray image = samples::image(size, uint8_t(kind * 16 + slot));
    EncipherFirmware(image);
    return BuildPartHeader(partClass, kind, slot, ver1, ver2, uint32_t(size)).toBytes() + image;
}

FileBoxSet boxes(std::initializer_list<int> list) {
    FileBoxSet set{};
    for (int b : list)
        set[size_t(b)] = true;
    return set;
}

// A file holding every kind of part, stored output cards first and main last.
QByteArray outputFirstFile() {
    QByteArray file;
    for (uint16_t n : {2, 1})
        file += filePart(PartClassSub, McuKindOutputCard, n);
    file += filePart(PartClassSub, McuKindIdir, 0);
    file += filePart(PartClassSub, McuKindSlave, 0);
    file += filePart(PartClassSub, McuKindIrMatrix, 0);
    file += filePart(PartClassSub, McuKindFrontPanel, 0);
    for (uint16_t n : {2, 1})
        file += filePart(PartClassSub, McuKindInputCard, n);
    file += filePart(PartClassMain, McuKindMain, 0);
    return file;
}

const FileBoxSet AllOfOutputFirst = boxes(
    {FileBox::Main, FileBox::Input1, FileBox::Input1 + 1, FileBox::Output1, FileBox::Output1 + 1,
     FileBox::FrontPanel, FileBox::IrMatrix, FileBox::Slave, FileBox::Idir});

bool isReboot(const QByteArray &frame) {
    const Frame reboot = Requests::rebootSystem();
    return frame.size() == 13 && uint8_t(frame[2]) == reboot.b[2] &&
           uint8_t(frame[3]) == reboot.b[3];
}

} // namespace

class tst_FileUpgrade : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LinkTiming::shrinkForTests(); }
    void init();
    void cleanup();

    void boxesOfParts_data();
    void boxesOfParts();
    void contentsListUnusableAndDamagedFiles();
    void collectionFollowsTheFixedOrder();
    void storedOutputFirstIsSentInFixedOrder();
    void mainOnlyStillReboots();
    void refusedSixTimesGoesOnWithoutSuccess_data();
    void refusedSixTimesGoesOnWithoutSuccess();
    void emptyPartIsSkipped();
    void missingSelectedPartSendsNothing();
    void silentBoardEndsTheRunWithoutReboot();
    void closingEndsTheRunUnfinished();
    void warningsAndRefusalsBeforeSending();

private:
    // Runs the upgrade of `file` (written to a temporary file) with `picked`.
    FileUpgrade::Outcome runFile(const QByteArray &file, const FileBoxSet &picked);
    QList<UploadedPart> uploads();
    int reboots();

    LinkFixture fx;
    PromptService prompts;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<FileUpgrade> upgrade;
    QTemporaryDir dir;
    QStringList log;
    QList<QPair<int, bool>> marks;
    QList<bool> running;
};

void tst_FileUpgrade::init() {
    QVERIFY(fx.open(false));
    fx.sim->withState([](MatrixState &s) {
        s.unit = unitsamples::unit(2);
        s.rebootMs = 30;
    });
    prompts.History.clear();
    prompts.setResponder([](const PromptService::Request &r) {
        PromptService::Answer a;
        a.yes = r.kind == PromptService::Kind::Question;
        return a;
    });
    ctx = std::make_unique<AppContext>(fx.engine.get(), &prompts);
    upgrade = std::make_unique<FileUpgrade>(ctx.get());
    log.clear();
    marks.clear();
    running.clear();
    connect(upgrade.get(), &FileUpgrade::upgradeLog, this, [this](const QString &l) { log << l; });
    connect(upgrade.get(), &FileUpgrade::boxMarked, this,
            [this](int box, bool failed) { marks << qMakePair(box, failed); });
    connect(upgrade.get(), &FileUpgrade::running, this, [this](bool on) { running << on; });
    // The reboot wait's texts reach the log as the page would show them.
    connect(ctx->Firmware, &FirmwareTransfer::upgradeLog, this,
            [this](const QString &l, bool repeating) {
                if (!repeating)
                    log << l;
            });
}

void tst_FileUpgrade::cleanup() {
    upgrade.reset();
    ctx.reset();
    fx.close();
}

FileUpgrade::Outcome tst_FileUpgrade::runFile(const QByteArray &file, const FileBoxSet &picked) {
    const QString path = dir.filePath(QStringLiteral("run.fw"));
    if (!unitsamples::writeFile(path, file))
        return FileUpgrade::Outcome::NotRun;
    fx.sim->clearFrameLog();
    return upgrade->UpgradeFromFile(path, picked);
}

QList<UploadedPart> tst_FileUpgrade::uploads() {
    QList<UploadedPart> out;
    fx.sim->withState([&](MatrixState &s) { out = s.uploads; });
    return out;
}

int tst_FileUpgrade::reboots() {
    int n = 0;
    for (const QByteArray &frame : fx.frames())
        n += isReboot(frame) ? 1 : 0;
    return n;
}

void tst_FileUpgrade::boxesOfParts_data() {
    QTest::addColumn<int>("partClass");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("box");
    QTest::newRow("main") << 1 << 1 << 0 << FileBox::Main;
    QTest::newRow("slave") << 2 << 1 << 0 << FileBox::Slave;
    QTest::newRow("ir matrix") << 2 << 2 << 0 << FileBox::IrMatrix;
    QTest::newRow("front panel") << 2 << 3 << 0 << FileBox::FrontPanel;
    QTest::newRow("idir") << 2 << 4 << 0 << FileBox::Idir;
    QTest::newRow("input 1") << 2 << 5 << 1 << FileBox::Input1;
    QTest::newRow("output 8") << 2 << 6 << 8 << FileBox::Output1 + 7;
    // Slot 9 would be the row's "All" box, slot 0 no card at all.
    QTest::newRow("input slot 9") << 2 << 5 << 9 << -1;
    QTest::newRow("output slot 0") << 2 << 6 << 0 << -1;
    QTest::newRow("kind 0") << 2 << 0 << 0 << -1;
    QTest::newRow("kind 7") << 2 << 7 << 1 << -1;
    QTest::newRow("class 0") << 0 << 0 << 0 << -1;
    QTest::newRow("class 3") << 3 << 1 << 0 << -1;
}

void tst_FileUpgrade::boxesOfParts() {
    QFETCH(int, partClass);
    QFETCH(int, kind);
    QFETCH(int, slot);
    QFETCH(int, box);
    const FirmwarePartHeader h =
        BuildPartHeader(uint8_t(partClass), uint16_t(kind), uint16_t(slot), 1, 2, 0);
    QCOMPARE(FileUpgrade::BoxOf(h), box);
    if (box < 0)
        return;
    uint8_t c = 0;
    uint16_t k = 0;
    int s = 0;
    FileUpgrade::LookupOf(box, c, k, s);
    QCOMPARE(int(c), partClass);
    QCOMPARE(int(k), kind);
    QCOMPARE(s, kind >= 5 ? slot : -1);
}

void tst_FileUpgrade::contentsListUnusableAndDamagedFiles() {
    const QByteArray file = part(2, 5, 9, 10) + part(1, 1, 0, 5) + part(2, 7, 0, 3) +
                            part(2, 5, 3, 4, 12, 7) + part(4, 1, 0, 2);
    const FileUpgradeContents c = FileUpgrade::ReadContents(file);
    QVERIFY(!c.Invalid);
    QVERIFY(c.Usable());
    FileBoxSet expected = boxes({FileBox::Main, FileBox::Input1 + 2});
    QCOMPARE(c.Present, expected);
    QCOMPARE(c.Unusable,
             QStringList({"Part_2.5.9 ver1.2 is not usable (card slot outside 1..8), ignored",
                          "Part_2.7 ver1.2 is not usable (unknown MCU kind), ignored",
                          "Part_4.1 ver1.2 is not usable (unknown part class), ignored"}));
    QCOMPARE(FileUpgrade::PartName(BuildPartHeader(2, 5, 3, 12, 7, 0)),
             QStringLiteral("Part_2.5.3 ver12.7"));
    QCOMPARE(FileUpgrade::PartName(BuildPartHeader(2, 3, 0, 1, 10, 0)),
             QStringLiteral("Part_2.3 ver1.10"));

    // A bad header after a good part: the part stays listed, the file is not usable.
    QByteArray broken = part(1, 1, 0, 5) + part(2, 1, 0, 5);
    broken[FirmwarePartHeaderSize + 5 + 100] = char(broken[FirmwarePartHeaderSize + 5 + 100] ^ 1);
    const FileUpgradeContents b = FileUpgrade::ReadContents(broken);
    QVERIFY(b.Invalid);
    QVERIFY(b.Present[FileBox::Main]);
    QVERIFY(!b.Usable());
    // A part running past the end of the file.
    QVERIFY(FileUpgrade::ReadContents(part(2, 1, 0, 50).left(FirmwarePartHeaderSize + 20)).Invalid);
    // Only unusable parts: nothing to upgrade.
    QVERIFY(!FileUpgrade::ReadContents(part(2, 6, 9, 5)).Usable());
}

void tst_FileUpgrade::collectionFollowsTheFixedOrder() {
    QList<FoundPart> parts;
    QList<int> order;
    QVERIFY(FileUpgrade::CollectParts(outputFirstFile(), AllOfOutputFirst, parts, order));
    QCOMPARE(order, (QList<int>{FileBox::Main, FileBox::Input1, FileBox::Input1 + 1,
                                FileBox::Output1, FileBox::Output1 + 1, FileBox::FrontPanel,
                                FileBox::IrMatrix, FileBox::Slave, FileBox::Idir}));
    QCOMPARE(parts[2].Header.Slot(), uint16_t(2));
    QCOMPARE(parts[2].Image, fileImage(McuKindInputCard, 2)); // deciphered
    // A picked box without a part: nothing collected.
    QVERIFY(!FileUpgrade::CollectParts(outputFirstFile(),
                                       boxes({FileBox::Main, FileBox::Input1 + 4}), parts, order));
    QVERIFY(parts.isEmpty());
}

void tst_FileUpgrade::storedOutputFirstIsSentInFixedOrder() {
    QCOMPARE(runFile(outputFirstFile(), AllOfOutputFirst), FileUpgrade::Outcome::Succeeded);
    const QList<UploadedPart> got = uploads();
    QStringList sent;
    for (const UploadedPart &p : got)
        sent << QStringLiteral("%1.%2.%3").arg(p.partClass).arg(p.kind).arg(p.slot);
    QCOMPARE(sent, QStringList({"1.1.0", "2.5.1", "2.5.2", "2.6.1", "2.6.2", "2.3.0", "2.2.0",
                                "2.1.0", "2.4.0"}));
    QCOMPARE(got[0].data, fileImage(McuKindMain, 0));
    QCOMPARE(got[3].data, fileImage(McuKindOutputCard, 1));
    QVERIFY(got[0].prepared); // the main part goes through the preparation steps
    QVERIFY(!got[1].prepared);
    QCOMPARE(reboots(), 1);
    QCOMPARE(log.last(), QStringLiteral("Firmware upgrade successfully!"));
    QVERIFY(log.contains(QStringLiteral("Upgrading Part_2.5.2 ver3.4 ...")));
    QVERIFY(log.contains(QStringLiteral("Part_2.5.2 ver3.4 upgrading complete")));
    QVERIFY(log.contains(QStringLiteral("System reboot ok")));
    QCOMPARE(running, (QList<bool>{true, false}));
    for (const auto &m : marks)
        QVERIFY(!m.second);
}

void tst_FileUpgrade::mainOnlyStillReboots() {
    QCOMPARE(runFile(outputFirstFile(), boxes({FileBox::Main})), FileUpgrade::Outcome::Succeeded);
    QCOMPARE(uploads().size(), 1);
    QCOMPARE(reboots(), 1);
    QVERIFY(upgrade->RebootSent());
    QCOMPARE(log.last(), QStringLiteral("Firmware upgrade successfully!"));
}

void tst_FileUpgrade::refusedSixTimesGoesOnWithoutSuccess_data() {
    QTest::addColumn<int>("refusedBox");
    QTest::addColumn<bool>("rebootExpected");
    // A later part written: the unit restarts into it, the run still fails.
    QTest::newRow("input card 2, not last") << FileBox::Input1 + 1 << true;
    // The last part refused to the end: no reboot.
    QTest::newRow("idir, last") << FileBox::Idir << false;
}

void tst_FileUpgrade::refusedSixTimesGoesOnWithoutSuccess() {
    QFETCH(int, refusedBox);
    QFETCH(bool, rebootExpected);
    uint8_t c = 0;
    uint16_t k = 0;
    int s = 0;
    FileUpgrade::LookupOf(refusedBox, c, k, s);
    fx.sim->withState(
        [&](MatrixState &st) { st.refusedParts << MatrixState::partKey(c, k, qMax(s, 0)); });
    const FileBoxSet picked = boxes(
        {FileBox::Input1, FileBox::Input1 + 1, FileBox::Output1, FileBox::Slave, FileBox::Idir});
    QCOMPARE(runFile(outputFirstFile(), picked), FileUpgrade::Outcome::Failed);

    // Six starts of the refused part, then the run went on with the others.
    int starts = 0;
    const QByteArray prefix = QByteArray::fromRawData("\xA5\x5B", 2);
    for (const QByteArray &frame : fx.frames())
        if (frame.size() == 13 && frame.startsWith(prefix) && uint8_t(frame[3]) == c &&
            uint16_t(P1Of(frame)) == k && uint8_t(frame[6]) == uint8_t(qMax(s, 0)) &&
            uint8_t(frame[2]) == PartCommandCode)
            ++starts;
    QCOMPARE(starts, 6);
    QCOMPARE(uploads().size(), 4);
    QCOMPARE(reboots(), rebootExpected ? 1 : 0);

    const QString name =
        FileUpgrade::PartName(BuildPartHeader(c, k, uint16_t(qMax(s, 0)), 3, 4, 0));
    QCOMPARE(upgrade->NotWritten(), QStringList{name});
    QCOMPARE(log.count(QStringLiteral("Upgrading ") + name + QStringLiteral(" ...")), 1);
    QVERIFY(
        log.contains(QStringLiteral("Upgrading ") + name + QStringLiteral(" ... Retry time: 5")));
    QVERIFY(
        !log.contains(QStringLiteral("Upgrading ") + name + QStringLiteral(" ... Retry time: 6")));
    QVERIFY(log.contains(QStringLiteral("Firmware part(s) not written: ") + name));
    QCOMPARE(log.last(), QStringLiteral("Firmware upgrade failed"));
    QVERIFY(!log.join('\n').contains(QStringLiteral("successfully")));
    // Its box ends red; the written ones are not.
    QPair<int, bool> lastOfRefused{-1, false};
    for (const auto &m : marks)
        if (m.first == refusedBox)
            lastOfRefused = m;
    QCOMPARE(lastOfRefused, qMakePair(refusedBox, true));
    QVERIFY(marks.contains(qMakePair(int(FileBox::Slave), false)));
}

void tst_FileUpgrade::emptyPartIsSkipped() {
    const QByteArray file = part(PartClassMain, McuKindMain, 0, 0) + part(2, 3, 0, 0) +
                            filePart(PartClassSub, McuKindSlave, 0);
    QCOMPARE(runFile(file, boxes({FileBox::Main, FileBox::FrontPanel, FileBox::Slave})),
             FileUpgrade::Outcome::Succeeded);
    const QList<UploadedPart> got = uploads();
    QCOMPARE(got.size(), 1);
    QCOMPARE(got[0].kind, McuKindSlave);
    QVERIFY(log.contains(QStringLiteral("Part_1.1 ver1.2 is empty, skipped")));
    QVERIFY(log.contains(QStringLiteral("Part_2.3 ver1.2 is empty, skipped")));
    // Nothing at all was sent for the empty ones (no upload start).
    for (const QByteArray &frame : fx.frames())
        QVERIFY(!(frame.size() == 13 && uint8_t(frame[2]) == PartCommandCode &&
                  uint8_t(frame[3]) == PartClassMain));

    // Only empty parts: nothing sent, no reboot, no success.
    QCOMPARE(runFile(file, boxes({FileBox::Main})), FileUpgrade::Outcome::Failed);
    QCOMPARE(reboots(), 0);
    QVERIFY(log.contains(QStringLiteral("No firmware part was sent")));
}

void tst_FileUpgrade::missingSelectedPartSendsNothing() {
    QCOMPARE(runFile(outputFirstFile(), boxes({FileBox::Main, FileBox::Output1 + 5})),
             FileUpgrade::Outcome::Failed);
    QCOMPARE(prompts.History.last().kind, PromptService::Kind::Error);
    QCOMPARE(prompts.History.last().text, FileUpgrade::InvalidFileText);
    QVERIFY(uploads().isEmpty());
    QCOMPARE(reboots(), 0);
    QCOMPARE(fx.frames().size(), 0);
    QCOMPARE(running, (QList<bool>{true, false}));
    QVERIFY(!ctx->Busy()); // the operation ended with the run
}

void tst_FileUpgrade::silentBoardEndsTheRunWithoutReboot() {
    fx.sim->withState(
        [](MatrixState &s) { s.unit.board(unitsamples::InputType, 1)->silentAfter = 0; });
    const FileBoxSet picked = boxes({FileBox::Input1, FileBox::Input1 + 1, FileBox::Output1});
    QCOMPARE(runFile(outputFirstFile(), picked), FileUpgrade::Outcome::Failed);
    QCOMPARE(uploads().size(), 1); // input card 1 only; the run stopped at card 2
    QCOMPARE(reboots(), 0);
    QVERIFY(log.contains(QStringLiteral("Upgrading Part_2.5.2 ver3.4 failed")));
    QVERIFY(log.contains(
        QStringLiteral("Firmware part(s) not written: Part_2.5.2 ver3.4, Part_2.6.1 ver3.4")));
    QCOMPARE(log.last(), QStringLiteral("Firmware upgrade failed"));
    QVERIFY(marks.contains(qMakePair(FileBox::Input1 + 1, true)));
}

void tst_FileUpgrade::closingEndsTheRunUnfinished() {
    // The window is closed (and the close agreed to) while the first part goes in.
    connect(upgrade.get(), &FileUpgrade::upgradeLog, this, [this](const QString &line) {
        if (line.endsWith(QStringLiteral("upgrading complete")))
            fx.engine->Cancel();
    });
    const FileBoxSet picked = boxes({FileBox::Input1, FileBox::Input1 + 1, FileBox::Slave});
    QCOMPARE(runFile(outputFirstFile(), picked), FileUpgrade::Outcome::Stopped);
    QCOMPARE(uploads().size(), 1);
    QCOMPARE(reboots(), 0);
    QCOMPARE(log.last(), QStringLiteral("Upgrading stopped"));
    QVERIFY(!log.join('\n').contains(QStringLiteral("successfully")));
    QCOMPARE(running, (QList<bool>{true, false}));
}

void tst_FileUpgrade::warningsAndRefusalsBeforeSending() {
    const QString path = dir.filePath(QStringLiteral("w.fw"));
    QVERIFY(unitsamples::writeFile(path, outputFirstFile()));
    const FileBoxSet main = boxes({FileBox::Main});
    QCOMPARE(upgrade->UpgradeFromFile(QString(), main), FileUpgrade::Outcome::NotRun);
    QCOMPARE(prompts.History.last().text, QStringLiteral("Please open firmware file first."));
    const QString gone = dir.filePath(QStringLiteral("gone.fw"));
    QCOMPARE(upgrade->UpgradeFromFile(gone, main), FileUpgrade::Outcome::NotRun);
    QCOMPARE(prompts.History.last().text,
             QStringLiteral("Firmware file:\r\n") + gone + QStringLiteral("\r\ndoes not exist."));
    QCOMPARE(upgrade->UpgradeFromFile(path, FileBoxSet{}), FileUpgrade::Outcome::NotRun);
    QCOMPARE(prompts.History.last().text,
             QStringLiteral("Please select firmware part(s) to upgrade."));

    // LAN mode asks first; No stops.
    prompts.setResponder([](const PromptService::Request &) { return PromptService::Answer(); });
    QCOMPARE(upgrade->UpgradeFromFile(path, main), FileUpgrade::Outcome::NotRun);
    QVERIFY(prompts.History.last().text.startsWith(
        QStringLiteral("The Matrix is under TCP/IP control mode.")));

    // Another operation holds the link: refused, nothing sent.
    prompts.setResponder([](const PromptService::Request &) {
        PromptService::Answer a;
        a.yes = true;
        return a;
    });
    QStringList status;
    ctx->StatusSink = [&](int, const QString &text, bool) { status << text; };
    fx.sim->clearFrameLog();
    {
        OperationScope other(ctx.get(), OperationScope::Link::NotNeeded);
        QCOMPARE(upgrade->UpgradeFromFile(path, main), FileUpgrade::Outcome::NotRun);
    }
    QVERIFY(status.contains(AppContext::InProcessing));
    QVERIFY(running.isEmpty());
    QCOMPARE(fx.frames().size(), 0);
}

QTEST_MAIN(tst_FileUpgrade)
#include "tst_fileupgrade.moc"
