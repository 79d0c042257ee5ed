// Replies held back past the engine's try, over TCP and the paced serial
// line. The protocol carries no sequence numbers: a late acknowledgement and
// the one of the re-sent frame behind it must never be taken for the next
// block's, or the engine runs one acknowledgement behind the unit and a
// refused block goes unnoticed. Each case holds back the first answer and
// the answer to its re-send, then has the unit refuse the next block.

#include "LinkTestSupport.h"
#include "MatrixDevice.h"
#include "firmware/BoardInfoTransfer.h"

class TestLateReplies : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void initTestCase_data();
    void init();
    void cleanup();

    void downloadBlockAfterLateAcks();
    void readBlockAfterLatePackets();
    void firmwareBlockAfterLateAcks();
    void boardInfoPacketAfterLateAck();
    void lateAnswerOfAFailedCommand();

private:
    // Replies held back this long: past one try, within the next.
    static int holdMs() { return LinkTiming::current().ticksPerTry * 3 / 2; }
    void holdReplies() {
        FaultSettings faults;
        faults.delayMs = holdMs();
        fx.sim->setFaults(faults);
    }
    QString applied() const {
        QStringList names;
        fx.sim->withDevice([&](MatrixDevice &d) {
            for (FaultKind k : d.appliedFaults())
                names << faultKindName(k);
        });
        return names.join(u',');
    }

    LinkFixture fx;
};

void TestLateReplies::initTestCase() {
    LinkTiming::shrinkForTests();
}

void TestLateReplies::initTestCase_data() {
    QTest::addColumn<bool>("overSerial");
    QTest::newRow("tcp") << false;
    QTest::newRow("pty") << true;
}

void TestLateReplies::init() {
    QFETCH_GLOBAL(bool, overSerial);
    SimOptions options;
    options.baud = 460800; // a 270-byte packet well inside a try
    QVERIFY(fx.open(overSerial, options));
    holdReplies();
}

void TestLateReplies::cleanup() {
    fx.close();
}

void TestLateReplies::downloadBlockAfterLateAcks() {
    const QByteArray data = PatternBytes(3 * 256, 1);
    fx.sim->withState([&](MatrixState &s) { s.userEdid[0] = QByteArray(16, 'x'); });
    fx.sim->queueFault(FaultKind::None, 2);       // prelude, start
    fx.sim->queueFault(FaultKind::DelayReply, 2); // block 1 and its re-send
    fx.sim->queueFault(FaultKind::StatusFF);      // block 2 refused
    QVERIFY(fx.download(0xF100, data));
    QByteArray stored;
    fx.sim->withState([&](MatrixState &s) { stored = s.userEdid[0]; });
    QVERIFY2(stored == data, qPrintable(applied()));
    // Block 1 twice (the re-send after the time-out), block 2 twice (refused),
    // block 3 once: nothing was sent on a borrowed acknowledgement.
    int packets = 0;
    for (const QByteArray &f : fx.frames())
        packets += f.size() == PacketWireSize;
    QCOMPARE(packets, 5);
    QVERIFY(fx.recorder.alerts().isEmpty());
}

void TestLateReplies::readBlockAfterLatePackets() {
    const QByteArray data = PatternBytes(3 * 256, 2);
    fx.sim->withState([&](MatrixState &s) { s.userEdid[1] = data; });
    fx.sim->queueFault(FaultKind::None);          // start
    fx.sim->queueFault(FaultKind::DelayReply, 2); // block 1 and the repeat
    fx.sim->queueFault(FaultKind::DropReply);     // block 2 lost
    QByteArray got;
    QVERIFY(fx.read(0xF200, &got));
    QVERIFY2(got == data, qPrintable(applied()));
    QVERIFY(fx.recorder.alerts().isEmpty());
}

void TestLateReplies::firmwareBlockAfterLateAcks() {
    const QByteArray part = PatternBytes(3 * 256, 3);
    const Frame start = Frame::make(0x20, 2, 9, 1, 1, 2);
    fx.sim->queueFault(FaultKind::None);          // start
    fx.sim->queueFault(FaultKind::DelayReply, 2); // block 0 and its re-send
    fx.sim->queueFault(FaultKind::StatusFF);      // block 1 refused
    TReplyRecord reply;
    fx.firmware->UploadPart(start, part, reply);
    QVERIFY(reply.ok());
    QVERIFY(!fx.firmware->PartRefused());
    QList<UploadedPart> uploads;
    fx.sim->withState([&](MatrixState &s) { uploads = s.uploads; });
    QCOMPARE(uploads.size(), 1);
    QVERIFY2(uploads.first().data == part, qPrintable(applied()));
    QCOMPARE(uploads.first().blocks, 3);
}

void TestLateReplies::boardInfoPacketAfterLateAck() {
    const QByteArray block = PatternBytes(600, 4);
    BoardInfoFields fields;
    fx.sim->withState([&](MatrixState &s) {
        SimBoard *b = s.unit.board(5, 0);
        b->block = QByteArray(4, 'x');
        fields = b->fields();
    });
    fx.sim->queueFault(FaultKind::None);       // start
    fx.sim->queueFault(FaultKind::DelayReply); // packet 1: the pass starts again
    fx.sim->queueFault(FaultKind::None);       // the new start
    fx.sim->queueFault(FaultKind::StatusFF);   // its packet 1 refused
    BoardInfoTransfer transfer(fx.engine.get());
    BoardInfoResult result;
    transfer.SendBoardInfoExtData(fields, block, result);
    QVERIFY(result.ok());
    QByteArray stored;
    fx.sim->withState([&](MatrixState &s) { stored = s.unit.board(5, 0)->block; });
    QVERIFY2(stored == block, qPrintable(applied()));
}

void TestLateReplies::lateAnswerOfAFailedCommand() {
    // Every try of a query times out; the five answers come afterwards. The
    // next command gets its own answer, not one of those.
    FaultSettings faults;
    faults.delayMs = LinkTiming::current().ticksPerTry * 5 + 50;
    fx.sim->setFaults(faults);
    fx.sim->queueFault(FaultKind::DelayReply);
    TReplyRecord reply;
    fx.engine->Transact(Requests::edidGetOutputSource(1), reply);
    QVERIFY(!reply.ok());
    QCOMPARE(fx.recorder.count(WM_LINK_TIMEOUT), 1);
    holdReplies();
    fx.sim->withState([](MatrixState &s) { s.outputEdidSource[1] = 1; });
    fx.engine->Transact(Requests::edidGetOutputSource(2), reply);
    QVERIFY(reply.ok());
    QCOMPARE(reply.param(1), uint16_t(2));
}

QTEST_MAIN(TestLateReplies)
#include "tst_latereplies.moc"
