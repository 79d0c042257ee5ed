// Firmware part uploads and the reboot wait, against the simulator over TCP
// and over the pseudo-terminal.

#include "../link/LinkTestSupport.h"

class TestFirmwareTransfer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void initTestCase_data();
    void init();
    void cleanup();

    void uploadPartInBlocks();
    void startRefused();
    void blocksRefused();
    void preparedMainPartWaitsForReboot();
    void preparedSubPartDoesNotWait();
    void rebootWaitGivesUp();
    void closingEndsRebootWait();
    void delayAfterReboot();

private:
    QList<QByteArray> packets() const;
    LinkFixture fx;
};

namespace {

// Starting frame: part class (sub-code), sub-number, third number, version.
Frame UploadStart(uint8_t partClass, uint8_t kind, uint8_t third, uint8_t major, uint8_t minor) {
    return Frame::make(0x20, partClass, kind, third, major, minor);
}

} // namespace

void TestFirmwareTransfer::initTestCase() {
    LinkTiming::shrinkForTests();
}

void TestFirmwareTransfer::initTestCase_data() {
    QTest::addColumn<bool>("overSerial");
    QTest::newRow("tcp") << false;
    QTest::newRow("pty") << true;
}

void TestFirmwareTransfer::init() {
    QFETCH_GLOBAL(bool, overSerial);
    QVERIFY(fx.open(overSerial));
}

void TestFirmwareTransfer::cleanup() {
    fx.close();
}

QList<QByteArray> TestFirmwareTransfer::packets() const {
    QList<QByteArray> out;
    for (const QByteArray &f : fx.frames()) {
        if (f.size() > 13)
            out.append(f);
    }
    return out;
}

void TestFirmwareTransfer::uploadPartInBlocks() {
    FirmwareTransfer &fw = *fx.firmware;
    const QByteArray data = PatternBytes(300, 7);
    const QByteArray partData = data;
    TReplyRecord reply;
    fw.UploadPart(UploadStart(2, 5, 3, 1, 9), partData, reply);
    QVERIFY(reply.ok());
    QCOMPARE(fx.recorder.alerts(), QList<int>());

    const QList<QByteArray> sent = packets();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[0].size(), 14 + 256);
    QCOMPARE(sent[1].size(), 14 + 44);
    QCOMPARE(P1Of(sent[0]), uint16_t(0x00AA));
    QCOMPARE(P1Of(sent[1]), uint16_t(0x0056));
    QCOMPARE(sent[0].mid(8, 4), QByteArray::fromHex("05000000")); // P1, block 0
    QCOMPARE(sent[1].mid(8, 4), QByteArray::fromHex("05000100")); // P1, block 1
    QCOMPARE(sent[0].mid(14) + sent[1].mid(14), data);

    const QList<LinkNote> progress = fx.recorder.all(WM_LINK_PROGRESS);
    QCOMPARE(progress.size(), 2);
    QCOMPARE(progress[0].lParam, 85);
    QCOMPARE(progress[1].lParam, 100);
    QCOMPARE(progress[0].wParam, (3u << 24) | (2u << 8) | 5u);
    const QList<LinkNote> done = fx.recorder.all(WM_LINK_DONE);
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0].wParam, 0u);
    QVERIFY(fx.recorder.all(WM_LINK_UPGRADELOG).isEmpty());

    QByteArray stored;
    fx.sim->withState([&](MatrixState &s) { stored = s.uploadedPart(2, 5, 3); });
    QCOMPARE(stored, data);
}

void TestFirmwareTransfer::startRefused() {
    FirmwareTransfer &fw = *fx.firmware;
    fx.sim->withState([](MatrixState &s) { s.refuseUploads = true; });
    const QByteArray partData = PatternBytes(300, 8);
    TReplyRecord reply;
    fw.UploadPart(UploadStart(2, 4, 0, 2, 3), partData, reply);
    QCOMPARE(reply.Success, uint8_t(1));
    QVERIFY(fw.PartRefused());
    QCOMPARE(fx.frames().size(), 1); // no data
    const QList<LinkNote> refused = fx.recorder.all(WM_LINK_PARTREFUSED);
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused[0].wParam, (2u << 8) | 4u);
    QCOMPARE(refused[0].lParam, 0x0203);
    QVERIFY(fx.recorder.all(WM_LINK_PROGRESS).isEmpty());
    QVERIFY(fx.recorder.all(WM_LINK_DONE).isEmpty());
    QCOMPARE(fx.recorder.alerts(), QList<int>());

    // The prepared upload is refused the same way, before its preparation.
    fx.recorder.clear();
    fx.sim->clearFrameLog();
    fw.UploadPartPrepared(UploadStart(2, 4, 6, 2, 3), partData, reply);
    QCOMPARE(reply.Success, uint8_t(1));
    QCOMPARE(fx.frames().size(), 1);
    QCOMPARE(fx.recorder.all(WM_LINK_PARTREFUSED).value(0).wParam, (2u << 8) | 4u);
}

void TestFirmwareTransfer::blocksRefused() {
    FirmwareTransfer &fw = *fx.firmware;
    fx.sim->withState([](MatrixState &s) { s.refuseBlocks = 5; });
    const QByteArray partData = PatternBytes(100, 9);
    TReplyRecord reply;
    fw.UploadPart(UploadStart(2, 1, 0, 1, 0), partData, reply);
    QCOMPARE(reply.Success, uint8_t(1));
    QCOMPARE(fx.recorder.all(WM_LINK_PARTREFUSED).size(), 5);
    QCOMPARE(packets().size(), 5); // the same block five times
    QVERIFY(fx.recorder.all(WM_LINK_DONE).isEmpty());
    QCOMPARE(fx.recorder.alerts(), QList<int>());
}

void TestFirmwareTransfer::preparedMainPartWaitsForReboot() {
    FirmwareTransfer &fw = *fx.firmware;
    fx.sim->withState([](MatrixState &s) { s.rebootMs = 150; });
    const QByteArray data = PatternBytes(600, 10);
    const QByteArray partData = data;
    TReplyRecord reply;
    fw.UploadPartPrepared(UploadStart(1, 0, 0, 4, 2), partData, reply);
    QVERIFY(reply.ok());
    QCOMPARE(fx.recorder.alerts(), QList<int>());

    const QList<QByteArray> frames = fx.frames();
    QVERIFY(frames.size() >= 7);
    QCOMPARE(P1Of(frames[1]), uint16_t(0x0080));
    QCOMPARE(P1Of(frames[2]), uint16_t(0x0010));
    for (int i = 3; i < 6; ++i)
        QCOMPARE(frames[i].size(), 270); // always 270 bytes, zero-filled
    QCOMPARE(frames[5].mid(14 + 88), QByteArray(256 - 88, '\0'));
    // Then reboot probes until the matrix answers.
    for (int i = 6; i < frames.size(); ++i)
        QCOMPARE(frames[i], Frame::make(0x01, 0x01).toBytes());

    const QList<LinkNote> done = fx.recorder.all(WM_LINK_DONE);
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0].wParam, (1u << 8) | 0u);
    QCOMPARE(done[0].lParam, 0x0402);
    const QList<LinkNote> log = fx.recorder.all(WM_LINK_UPGRADELOG);
    QVERIFY(log.size() >= 2);
    QCOMPARE(log.first().text, QStringLiteral("System rebooting, please wait .../"));
    QCOMPARE(log.first().lParam, 1);
    QCOMPARE(log.last().text, QStringLiteral("System reboot ok"));
    QCOMPARE(log.last().lParam, 0);
    QCOMPARE(log[1].text, QStringLiteral("System rebooting, please wait ...-"));
    // The reply record holds the probe's answer.
    QCOMPARE(reply.Bytes[2], uint8_t(0x01));

    QByteArray stored;
    fx.sim->withState([&](MatrixState &s) { stored = s.uploadedPart(1, 0); });
    QCOMPARE(stored, data);
}

void TestFirmwareTransfer::preparedSubPartDoesNotWait() {
    FirmwareTransfer &fw = *fx.firmware;
    const QByteArray partData = PatternBytes(256, 11);
    TReplyRecord reply;
    fw.UploadPartPrepared(UploadStart(2, 3, 0, 1, 1), partData, reply);
    QVERIFY(reply.ok());
    QVERIFY(fx.recorder.all(WM_LINK_UPGRADELOG).isEmpty());
    QCOMPARE(fx.recorder.all(WM_LINK_PROGRESS).value(0).lParam, 100);
    QCOMPARE(fx.frames().size(), 4); // start, two preparation steps, one packet
}

void TestFirmwareTransfer::rebootWaitGivesUp() {
    TTSCOMControl &e = *fx.engine;
    FirmwareTransfer &fw = *fx.firmware;
    fx.sim->withState([](MatrixState &s) { s.rebootMs = 600000; });
    TReplyRecord reply;
    e.Transact(Frame::make(0x80, 0x02, 15), reply); // "Reboot system ..."
    QVERIFY(reply.ok());
    fx.recorder.clear();
    fx.sim->clearFrameLog();
    fw.WaitReboot(reply);
    QCOMPARE(reply.Success, uint8_t(0));
    const QList<LinkNote> log = fx.recorder.all(WM_LINK_UPGRADELOG);
    QCOMPARE(log.last().text, QStringLiteral("System reboot failed"));
    QCOMPARE(log.last().lParam, 0);
    // One text a tick, every probe period running out its ticks (the
    // rebooting device ignores the probes).
    QCOMPARE(log.size(),
             1 + LinkTiming::current().rebootProbes * LinkTiming::current().rebootTicksPerProbe +
                 1);
}

void TestFirmwareTransfer::closingEndsRebootWait() {
    TTSCOMControl &e = *fx.engine;
    FirmwareTransfer &fw = *fx.firmware;
    fx.sim->withState([](MatrixState &s) { s.rebootMs = 600000; });
    TReplyRecord reply;
    e.Transact(Frame::make(0x80, 0x02, 15), reply);
    fx.recorder.clear();
    fw.AfterRebootDelay = 1;
    int texts = 0;
    fx.recorder.hook = [&](int message, uint32_t, int32_t, const QString &) {
        if (message == WM_LINK_UPGRADELOG && ++texts == 5)
            e.SetClosing(true);
    };
    fw.WaitReboot(reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QCOMPARE(fx.recorder.all(WM_LINK_UPGRADELOG).size(), 5); // neither the end words nor the delay
}

void TestFirmwareTransfer::delayAfterReboot() {
    TTSCOMControl &e = *fx.engine;
    FirmwareTransfer &fw = *fx.firmware;
    fw.AfterRebootDelay = 1;
    fw.WaitAfterReboot();
    const QList<LinkNote> log = fx.recorder.all(WM_LINK_UPGRADELOG);
    QCOMPARE(log.size(), 10);
    for (int i = 0; i < log.size(); ++i) {
        QCOMPARE(log[i].lParam, 1);
        QCOMPARE(log[i].text, QStringLiteral("More delay after system reboot, please wait ...") +
                                  SpinnerChars[(i + 1) % 4]);
    }

    // After a reboot check the delay follows, also when the check failed.
    fx.recorder.clear();
    fx.sim->withState([](MatrixState &s) { s.rebootMs = 50; });
    TReplyRecord reply;
    e.Transact(Frame::make(0x80, 0x02, 15), reply);
    fw.WaitReboot(reply);
    QVERIFY(reply.ok());
    const QList<LinkNote> after = fx.recorder.all(WM_LINK_UPGRADELOG);
    QVERIFY(after.size() > 10);
    QVERIFY(after.last().text.startsWith(QStringLiteral("More delay after system reboot")));
}

QTEST_GUILESS_MAIN(TestFirmwareTransfer)
#include "tst_firmwaretransfer.moc"
