// The link engine against the simulator, over TCP on 127.0.0.1 and over the
// simulator's pseudo-terminal: round trips, retries and time-outs, Closing,
// block reads and writes, link failures, and transfers under injected faults.

#include "LinkTestSupport.h"
#include "link/LinkWait.h"
#include "link/ModuleLink.h"

#include "MatrixDevice.h"
#include "SampleFiles.h"
#include <QElapsedTimer>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTimer>

namespace {

QString AppliedFaults(MatrixSimulator &sim) {
    QList<FaultKind> applied;
    sim.withDevice([&](MatrixDevice &d) { applied = d.appliedFaults(); });
    QStringList names;
    for (FaultKind k : applied)
        names << faultKindName(k);
    return names.join(QLatin1Char(','));
}

} // namespace

class TestLinkEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void initTestCase_data();
    void init();
    void cleanup();

    void roundTrip();
    void replyInPiecesWithTrailingBytes();
    void timeoutsThenInvalidReply();
    void fifthTimeout();
    void closingDuringWait();
    void closingFromHandlerInsideWait();
    void blockReadRepeatsBadLastBlock();
    void blockReadTimeoutAsksForSameBlock();
    void blockWriteSizes();
    void blockWriteRefusedStart();
    void edidDownloadThenReadBack();
    void peerClosingConnection();
    void transfersUnderFaults();

    void connectFailures();
    void idleEngineState();
    void waitsEndEarly();
    void diagnosticTexts();

private:
    bool serial() const;
    LinkFixture fx;
};

bool TestLinkEngine::serial() const {
    QFETCH_GLOBAL(bool, overSerial);
    return overSerial;
}

void TestLinkEngine::initTestCase() {
    LinkTiming::shrinkForTests();
}

void TestLinkEngine::initTestCase_data() {
    QTest::addColumn<bool>("overSerial");
    QTest::newRow("tcp") << false;
    QTest::newRow("pty") << true;
}

void TestLinkEngine::init() {
    const char *fn = QTest::currentTestFunction();
    for (const char *alone :
         {"connectFailures", "idleEngineState", "waitsEndEarly", "diagnosticTexts"}) {
        if (QByteArray(fn) == alone)
            return;
    }
    QFETCH_GLOBAL(bool, overSerial);
    QVERIFY(fx.open(overSerial));
}

void TestLinkEngine::cleanup() {
    fx.close();
}

void TestLinkEngine::roundTrip() {
    TTSCOMControl &e = *fx.engine;
    QVERIFY(e.Connected());
    // Connect on an open link leaves it alone.
    QVERIFY(e.Connect());
    QVERIFY(fx.recorder.alerts().isEmpty());

    // Only bytes 2-11 of the caller's frame count.
    Frame frame = Frame::make(0x01, 0x03, 0x00FE);
    frame.b[0] = 0;
    frame.b[1] = 0;
    frame.b[12] = 0x77;
    TReplyRecord reply;
    e.Transact(frame, reply);
    QVERIFY(reply.ok());
    QCOMPARE(reply.paramLo(1), uint8_t(2)); // firmware 2.03
    QCOMPARE(reply.paramLo(2), uint8_t(3));
    const QList<QByteArray> frames = fx.frames();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames[0], Frame::make(0x01, 0x03, 0x00FE).toBytes());
    QVERIFY(fx.recorder.alerts().isEmpty());
    QVERIFY(fx.recorder.diagnostics > 0);

    // Power read with its guard words, a number of times in a row.
    for (int i = 0; i < 20; ++i) {
        TReplyRecord power;
        e.Transact(Frame::make(0x10, 0x01, 0x00FE, 0, 0x9B41, 0x64C7), power);
        QVERIFY(power.ok());
        QCOMPARE(power.paramLo(2), uint8_t(0xFF));
    }
    QCOMPARE(fx.frames().size(), 21);
}

void TestLinkEngine::replyInPiecesWithTrailingBytes() {
    TTSCOMControl &e = *fx.engine;
    const Frame query = Frame::make(0x01, 0x02, 0x00FE);
    for (FaultKind kind : {FaultKind::SplitReply, FaultKind::StrayBytes}) {
        fx.sim->queueFault(kind);
        TReplyRecord reply;
        e.Transact(query, reply);
        QVERIFY(reply.ok());
        QCOMPARE(reply.paramLo(1), uint8_t(8));
        QCOMPARE(reply.paramLo(2), uint8_t(8));
    }
    // The stray bytes do not spoil the next exchange.
    TReplyRecord next;
    e.Transact(Frame::make(0x01, 0x03, 0x00FE), next);
    QVERIFY(next.ok());
    QCOMPARE(next.paramLo(1), uint8_t(2));
    QCOMPARE(fx.frames().size(), 3); // every exchange in one try
    QVERIFY(fx.recorder.alerts().isEmpty());
}

void TestLinkEngine::timeoutsThenInvalidReply() {
    TTSCOMControl &e = *fx.engine;
    fx.sim->queueFault(FaultKind::DropReply, 4);
    fx.sim->queueFault(FaultKind::StatusFF, 1);
    TReplyRecord reply;
    e.Transact(Frame::make(0x01, 0x03, 0x00FE), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QCOMPARE(fx.recorder.alerts(), QList<int>{WM_LINK_INVALID});
    QCOMPARE(fx.frames().size(), 5);
    // The record holds the rejected reply as it came.
    QCOMPARE(reply.Bytes[0], uint8_t(0xA5));
    QCOMPARE(reply.status(), uint8_t(0xFF));
    QCOMPARE(reply.Bytes[2], uint8_t(0x01));

    // Invalid replies of every kind are retried, and a good one ends the tries.
    fx.recorder.clear();
    fx.sim->clearFrameLog();
    fx.sim->queueFault(FaultKind::CorruptChecksum);
    fx.sim->queueFault(FaultKind::WrongEcho);
    fx.sim->queueFault(FaultKind::StatusFF);
    e.Transact(Frame::make(0x01, 0x03, 0x00FE), reply);
    QVERIFY(reply.ok());
    QCOMPARE(fx.frames().size(), 4);
    QVERIFY(fx.recorder.alerts().isEmpty());
}

void TestLinkEngine::fifthTimeout() {
    TTSCOMControl &e = *fx.engine;
    fx.sim->queueFault(FaultKind::DropReply, 5);
    TReplyRecord reply;
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QCOMPARE(fx.recorder.alerts(), QList<int>{WM_LINK_TIMEOUT});
    QCOMPARE(fx.frames().size(), 5);
    QVERIFY(e.TimeoutSeen());
    // The engine works on afterwards.
    fx.recorder.clear();
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    QVERIFY(reply.ok());
}

void TestLinkEngine::closingDuringWait() {
    TTSCOMControl &e = *fx.engine;
    fx.sim->queueFault(FaultKind::DropReply, 5);
    QTimer::singleShot(20, [&e] { e.SetClosing(true); });
    TReplyRecord reply;
    reply.Success = 1;
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QVERIFY(fx.recorder.notes.isEmpty()); // no message at all
    // It ended in the first wait (the frame may still be on the line).
    QTRY_VERIFY(!fx.frames().isEmpty());
    QTest::qWait(50);
    QCOMPARE(fx.frames().size(), 1);

    // Once closing, nothing starts and the record is left alone.
    reply.Success = 7;
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    e.ReadBlocks(LinkFixture::EdidRead(0xF001), reply);
    e.WriteBlocks(LinkFixture::EdidDownload(0xF100), QByteArray(256, '\1'), reply);
    QCOMPARE(reply.Success, uint8_t(7));
    QCOMPARE(fx.frames().size(), 1);
}

void TestLinkEngine::closingFromHandlerInsideWait() {
    // The reply comes in pieces; the first piece's notification (handled
    // inside the wait) sets Closing, and the wait must end right there.
    TTSCOMControl &e = *fx.engine;
    FaultSettings slowPieces;
    slowPieces.splitGapMs = 100;
    fx.sim->setFaults(slowPieces);
    fx.sim->queueFault(FaultKind::SplitReply);
    fx.recorder.hook = [&e](int message, uint32_t, int32_t, const QString &) {
        if (message == WM_LINK_RXCOUNT)
            e.SetClosing(true);
    };
    TReplyRecord reply;
    e.Transact(Frame::make(0x01, 0x03, 0x00FE), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QVERIFY(fx.recorder.notes.isEmpty());
    QCOMPARE(fx.frames().size(), 1);
}

void TestLinkEngine::blockReadRepeatsBadLastBlock() {
    const QByteArray data = PatternBytes(300, 1); // two blocks: 256 (0xAA) and 44 (0x56)
    fx.sim->withState([&](MatrixState &s) { s.userEdid[0] = data; });
    // Replies: start, block 1, block 2 (last, corrupted), block 2 again.
    fx.sim->queueFault(FaultKind::None, 2);
    fx.sim->queueFault(FaultKind::CorruptBlock);
    QByteArray got;
    TReplyRecord reply;
    QVERIFY(fx.read(0xF100, &got, &reply));
    QCOMPARE(got, data);
    QCOMPARE(fx.recorder.alerts(), QList<int>());
    QCOMPARE(fx.recorder.count(WM_LINK_DONE), 1);

    const QList<QByteArray> frames = fx.frames();
    QCOMPARE(frames.size(), 4);
    QCOMPARE(frames[0], LinkFixture::EdidRead(0xF100).toBytes());
    QCOMPARE(P1Of(frames[1]), uint16_t(0x00AA));
    QCOMPARE(P1Of(frames[2]), uint16_t(0x0000));
    QCOMPARE(P1Of(frames[3]), uint16_t(0x00FF)); // the bad last block again
    for (int i = 1; i < 4; ++i) {
        QCOMPARE(frames[i].size(), 13);
        QCOMPARE(frames[i].mid(2, 2), QByteArray::fromHex("0305"));
        QCOMPARE(frames[i].mid(6, 2), QByteArray(2, '\0')); // P2 = 0
    }

    // A bad first block is asked for with 0x00AA again (no block accepted yet).
    fx.sim->clearFrameLog();
    fx.sim->queueFault(FaultKind::None, 1);
    fx.sim->queueFault(FaultKind::CorruptBlock);
    QVERIFY(fx.read(0xF100, &got));
    QCOMPARE(got, data);
    QCOMPARE(P1Of(fx.frames()[2]), uint16_t(0x00AA));
}

void TestLinkEngine::blockReadTimeoutAsksForSameBlock() {
    // A block lost on its way must be asked for again, not skipped.
    const QByteArray data = PatternBytes(700, 2); // three blocks
    fx.sim->withState([&](MatrixState &s) { s.userEdid[1] = data; });
    fx.sim->queueFault(FaultKind::None, 2);
    fx.sim->queueFault(FaultKind::DropReply); // block 2 is lost
    QByteArray got;
    QVERIFY(fx.read(0xF200, &got));
    QCOMPARE(got, data);
    const QList<QByteArray> frames = fx.frames();
    QCOMPARE(frames.size(), 5);
    QCOMPARE(P1Of(frames[2]), uint16_t(0x0000));
    QCOMPARE(P1Of(frames[3]), uint16_t(0x00FF));
    QCOMPARE(P1Of(frames[4]), uint16_t(0x0000));
}

void TestLinkEngine::blockWriteSizes() {
    for (int size : {256, 257}) {
        fx.sim->clearFrameLog();
        fx.recorder.clear();
        const QByteArray data = PatternBytes(size, size);
        TReplyRecord reply;
        QVERIFY(fx.download(0xF100, data, &reply));
        QCOMPARE(fx.recorder.alerts(), QList<int>());
        QCOMPARE(fx.recorder.count(WM_LINK_DONE), 1);
        QCOMPARE(reply.status(), uint8_t(0x00));

        QList<QByteArray> packets;
        for (const QByteArray &f : fx.frames()) {
            if (f.size() > 13)
                packets.append(f);
        }
        QCOMPARE(packets.size(), size == 256 ? 1 : 2);
        int offset = 0;
        for (int i = 0; i < packets.size(); ++i) {
            const QByteArray &p = packets[i];
            const bool last = i == packets.size() - 1;
            const int n = last ? size - offset : 256;
            QCOMPARE(p.size(), 270);
            QCOMPARE(P1Of(p), uint16_t(last ? 0x0056 : 0x00AA));
            QCOMPARE(uint8_t(p[6]) | (uint8_t(p[7]) << 8), n);
            QCOMPARE(p.mid(14, n), data.mid(offset, n));
            offset += n;
        }
        QByteArray stored;
        fx.sim->withState([&](MatrixState &s) { stored = s.userEdid[0]; });
        QCOMPARE(stored, data);
    }
}

void TestLinkEngine::blockWriteRefusedStart() {
    // A starting command answered without 0xAA sends no data.
    TTSCOMControl &e = *fx.engine;
    TReplyRecord reply;
    // Answered, but not "ready".
    e.WriteBlocks(Frame::make(0x01, 0x03, 0x00FE), PatternBytes(256, 3), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QCOMPARE(fx.recorder.alerts(), QList<int>{WM_LINK_BADSTATUS});
    QCOMPARE(fx.frames().size(), 1);
}

void TestLinkEngine::edidDownloadThenReadBack() {
    REQUIRE_SAMPLE_EDIDS();
    const QDir dir(samples::edidDir());
    QByteArray edid;
    for (const QString &name : dir.entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.size() == 256 && file.open(QIODevice::ReadOnly)) {
            edid = file.readAll();
            break;
        }
    }
    QCOMPARE(edid.size(), 256);

    QVERIFY(fx.download(0xF200, edid));
    QByteArray got;
    QVERIFY(fx.read(0xF200, &got));
    QCOMPARE(got, edid);
    QCOMPARE(fx.recorder.alerts(), QList<int>());
    // Prelude, start, one packet, start, first request.
    QCOMPARE(fx.frames().size(), 5);
}

void TestLinkEngine::peerClosingConnection() {
    TTSCOMControl &e = *fx.engine;
    TReplyRecord reply;
    if (serial()) {
        // A serial line cannot be hung up; the device going away (the
        // pseudo-terminal closing, like an adapter pulled out) closes the port.
        fx.sim->stop();
        e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
        QCOMPARE(reply.Success, uint8_t(0));
        QVERIFY(!e.Connected());
        QCOMPARE(fx.recorder.alerts(), QList<int>{WM_LINK_EXCEPTION});
        return;
    }
    fx.sim->queueFault(FaultKind::CloseConnection);
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QVERIFY(!e.Connected());
    // Reported as a link failure at once, not waited out and retried.
    QCOMPARE(fx.recorder.alerts(), QList<int>{WM_LINK_EXCEPTION});
    QCOMPARE(fx.frames().size(), 1);
    // The next attempt first connects again, and works.
    fx.recorder.clear();
    QVERIFY(e.Connect());
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    QVERIFY(reply.ok());
}

void TestLinkEngine::transfersUnderFaults() {
    // At least 10 % of the replies corrupted, split, late or lost: every
    // transfer delivers identical bytes or fails with a message.
    const QList<FaultKind> kinds = {FaultKind::DropReply,    FaultKind::CorruptChecksum,
                                    FaultKind::StatusFF,     FaultKind::WrongEcho,
                                    FaultKind::CorruptBlock, FaultKind::SplitReply,
                                    FaultKind::StrayBytes};
    int succeeded = 0;
    int failed = 0;
    for (int round = 0; round < 3; ++round) {
        const QByteArray data = PatternBytes(4096, 100 + round);
        const QByteArray before = PatternBytes(4096, 200 + round);
        fx.sim->withState([&](MatrixState &s) { s.userEdid[0] = before; });

        FaultSettings faults;
        faults.rate = 0.15;
        faults.kinds = kinds;
        fx.sim->setFaults(faults);
        fx.recorder.clear();
        const bool wrote = fx.download(0xF100, data);
        const QList<int> writeAlerts = fx.recorder.alerts();
        fx.sim->setFaults(FaultSettings());
        QByteArray stored;
        fx.sim->withState([&](MatrixState &s) { stored = s.userEdid[0]; });
        if (wrote) {
            if (stored != data)
                qWarning("faults applied: %s", qPrintable(AppliedFaults(*fx.sim)));
            QCOMPARE(stored, data);
            ++succeeded;
        } else {
            QVERIFY(!writeAlerts.isEmpty());
            ++failed;
        }

        // Read what the device holds, under faults again.
        fx.sim->withState([&](MatrixState &s) { s.userEdid[0] = data; });
        fx.sim->setFaults(faults);
        fx.recorder.clear();
        QByteArray got;
        const bool read = fx.read(0xF100, &got);
        fx.sim->setFaults(FaultSettings());
        if (read) {
            QCOMPARE(got, data);
            ++succeeded;
        } else {
            QVERIFY(!fx.recorder.alerts().isEmpty());
            ++failed;
        }
    }
    int applied = 0;
    fx.sim->withDevice([&](MatrixDevice &d) { applied = int(d.appliedFaults().size()); });
    const int frames = int(fx.frames().size());
    qInfo("transfers under faults: %d delivered, %d failed with a message; %d faults in %d "
          "exchanges",
          succeeded, failed, applied, frames);
    QVERIFY(succeeded > 0);
    QVERIFY(applied * 10 >= frames); // the faults were real: at least 10 %
}

void TestLinkEngine::connectFailures() {
    QFETCH_GLOBAL(bool, overSerial);
    LinkRecorder recorder;
    TTSCOMControl e;
    TapEngine(&e, &recorder);
    if (overSerial) {
        e.setControlMode(cmCOM);
        e.setComPort(QStringLiteral("/dev/tsm-no-such-port"));
        QVERIFY(!e.Connect());
        QCOMPARE(recorder.alerts(), QList<int>{WM_LINK_CONNFAIL});
        QCOMPARE(recorder.notes[0].wParam, 0u);
        QVERIFY(!e.Connected());
        QVERIFY(!e.IsConnecting());
        return;
    }
    // Nothing listens on a port just given up by a server.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    server.close();
    e.setDeviceIP(QStringLiteral("127.0.0.1"));
    e.setTcpPort(port);
    QVERIFY(!e.Connect());
    QCOMPARE(recorder.alerts(), QList<int>{WM_LINK_CONNFAIL});
    QCOMPARE(recorder.notes[0].wParam, 0u);
    QCOMPARE(recorder.notes[0].text, QStringLiteral("Connection Failed"));
    QVERIFY(!e.Connected());
    QVERIFY(!e.IsConnecting());

    // The address the engine starts with is no address to connect to.
    recorder.clear();
    e.setDeviceIP(QStringLiteral("0.0.0.0"));
    QVERIFY(!e.Connect());
    QCOMPARE(recorder.notes.value(0).text, QStringLiteral("Null Remote Address"));

    // A link that is not open fails an exchange with the exception message.
    recorder.clear();
    TReplyRecord reply;
    e.Transact(Frame::make(0x01, 0x01, 0x00FE), reply);
    QCOMPARE(reply.Success, uint8_t(0));
    QCOMPARE(recorder.alerts(), QList<int>{WM_LINK_EXCEPTION});
}

void TestLinkEngine::idleEngineState() {
    QFETCH_GLOBAL(bool, overSerial);
    TTSCOMControl e;
    QCOMPARE(e.ControlMode(), cmLAN);
    QCOMPARE(e.DeviceIP(), QStringLiteral("0.0.0.0"));
    QCOMPARE(e.UDPMode(), umBROADCAST);
    QCOMPARE(e.TcpPort(), quint16(8000));
    QCOMPARE(e.ComPort(), QStringLiteral("COM1"));
    QVERIFY(e.setControlMode(overSerial ? cmCOM : cmLAN));
    QVERIFY(!e.Modules()->Searching());
    QVERIFY(!e.Modules()->Configuring());
    QVERIFY(!e.Connected());
    QVERIFY(e.Disconnect());
    // Under a running operation the link's kind and state stay as they are.
    e.setOperationActive(true);
    QVERIFY(!e.setControlMode(overSerial ? cmLAN : cmCOM));
    QCOMPARE(e.ControlMode(), overSerial ? cmCOM : cmLAN);
    QVERIFY(!e.Disconnect());
    e.setOperationActive(false);
}

void TestLinkEngine::waitsEndEarly() {
    // A long wait ends as soon as its condition holds or Closing is set,
    // also when a handler running inside the wait sets it.
    bool flag = false;
    QTimer::singleShot(5, [&flag] { flag = true; });
    QCOMPARE(LinkWait::until(10000000, [&flag] { return flag; }), LinkWait::Result::Done);
    TTSCOMControl e;
    QTimer::singleShot(5, [&e] { e.SetClosing(true); });
    QElapsedTimer clock;
    clock.start();
    e.Pause(10000000);
    QVERIFY(e.Closing());
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(LinkWait::until(
                 10000000, [] { return false; }, [&e] { return e.Closing(); }),
             LinkWait::Result::Cancelled);
    e.SetClosing(false);
    QCOMPARE(LinkWait::until(20, [] { return false; }), LinkWait::Result::TimedOut);
}

void TestLinkEngine::diagnosticTexts() {
    LinkRecorder recorder;
    QString text;
    recorder.hook = [&](int, uint32_t, int32_t, const QString &t) { text = t; };
    TTSCOMControl e;
    TapEngine(&e, &recorder);
    const Frame f = Frame::make(0x60, 0x02);
    e.LogFrame(QStringLiteral("rcv cmd:   "), f.b, 8888);
    QCOMPARE(text, QStringLiteral("rcv cmd:   \r\nA5 5B 60 02 [00 UU 00] [00 00] [00 00] [00 00] "
                                  "9E, RC=8888"));
    const QByteArray bytes =
        QByteArray::fromHex("A55B0307AA0000010000000054") + QByteArray(5, '\1');
    e.LogBytes(QStringLiteral("send data:\r\n"),
               reinterpret_cast<const uint8_t *>(bytes.constData()), int(bytes.size()));
    QCOMPARE(text, QStringLiteral("send data:\r\n0xA5, 0x5B, 0x03, 0x07, |0xAA, 0x00, |0x00, "
                                  "0x01, |0x00, 0x00, |0x00, 0x00, |0x54, 0x01, 0x01, 0x01, "
                                  "\r\n0x01, 0x01, "));
}

QTEST_GUILESS_MAIN(TestLinkEngine)
#include "tst_linkengine.moc"
