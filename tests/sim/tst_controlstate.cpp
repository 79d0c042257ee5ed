// The simulator's matrix control state: every set
// and read answered from the state it holds, refusals, and the control log.

#include "MatrixDevice.h"
#include "protocol/CommandCodes.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "protocol/Frames.h"

#include <QtTest>

namespace {

struct Answer {
    bool ok = false;
    TReplyRecord reply;
};

Answer ask(MatrixDevice &dev, const Frame &request) {
    const QByteArray sent = request.toBytes();
    const QByteArray bytes = dev.transact(sent);
    Answer a;
    if (bytes.size() != FrameSize)
        return a;
    std::memcpy(a.reply.Bytes, bytes.constData(), FrameSize);
    a.ok = ReplyAccepted(a.reply.Bytes, reinterpret_cast<const uint8_t *>(sent.constData()));
    a.reply.Success = a.ok ? 1 : 0;
    return a;
}

SimOptions builtIn() {
    SimOptions o;
    o.edidDir = QStringLiteral("-");
    return o;
}

} // namespace

using namespace ControlRequests;

class TestControlState : public QObject {
    Q_OBJECT

private slots:
    void routingAndRefusals() {
        MatrixDevice dev(builtIn());
        for (int o = 1; o <= 8; ++o)
            QCOMPARE(ControlReplies::outputInput(ask(dev, outputInputQuery(o)).reply), o);
        QVERIFY(ask(dev, switchOutput(5, 2)).ok);
        QCOMPARE(dev.state().routing[1], uint8_t(5));
        QCOMPARE(ControlReplies::outputInput(ask(dev, outputInputQuery(2)).reply), 5);
        QVERIFY(!ask(dev, switchOutput(9, 2)).ok);
        QVERIFY(!ask(dev, switchOutput(1, 0)).ok);
        dev.state().refuseSwitchOutputs = {3};
        QVERIFY(!ask(dev, switchOutput(1, 3)).ok);
        QCOMPARE(dev.state().routing[2], uint8_t(3));
        QVERIFY(dev.state().controlLog.contains(QStringLiteral("switch output 2 <- input 5")));
        QVERIFY(
            dev.state().controlLog.contains(QStringLiteral("refused: switch output 3 <- input 1")));
        dev.state().routing[3] = 12; // a strange value is reported as is
        QCOMPARE(ControlReplies::outputInput(ask(dev, outputInputQuery(4)).reply), 12);
        dev.state().refusedCommands = {MatrixState::commandKey(Cmd::Power, PohSub::Set)};
        QVERIFY(!ask(dev, pohTransmittersSet(1)).ok);
        QCOMPARE(dev.state().pohTransmitters, uint8_t(0));
    }

    void workModeMultiViewAndVideoWall() {
        MatrixDevice dev(builtIn());
        QCOMPARE(ControlReplies::workMode(ask(dev, workModeQuery()).reply), 0);
        QVERIFY(ask(dev, setMultiViewLayout(2)).ok);
        QCOMPARE(ControlReplies::workMode(ask(dev, workModeQuery()).reply), 1);
        QVERIFY(!ask(dev, setMultiViewLayout(4)).ok);
        QVERIFY(ask(dev, multiViewMainPictureSet(3)).ok);
        QVERIFY(!ask(dev, multiViewMainPictureSet(0)).ok);
        auto mv = ControlReplies::multiView(ask(dev, multiViewQuery()).reply);
        QCOMPARE(mv.source, 3);
        QCOMPARE(mv.layoutCode, 2);
        QVERIFY(ask(dev, multiViewAudioSet(0)).ok);
        QVERIFY(!ask(dev, multiViewAudioSet(5)).ok);
        QCOMPARE(ControlReplies::multiViewAudio(ask(dev, multiViewAudioQuery()).reply), 0);
        QVERIFY(ask(dev, multiViewAudioSet(4)).ok);
        QCOMPARE(ControlReplies::multiViewAudio(ask(dev, multiViewAudioQuery()).reply), 4);

        QVERIFY(ask(dev, setVideoWallLayout(1)).ok);
        QVERIFY(!ask(dev, setVideoWallLayout(3)).ok);
        QCOMPARE(ControlReplies::workMode(ask(dev, workModeQuery()).reply), 2);
        QVERIFY(ask(dev, videoWallSourceSet(4)).ok);
        auto vw = ControlReplies::videoWall(ask(dev, videoWallQuery()).reply);
        QCOMPARE(vw.source, 4);
        QCOMPARE(vw.layoutCode, 1);
        QVERIFY(ask(dev, borderSet(2, 0, 10)).ok);
        QVERIFY(ask(dev, borderSet(2, 1, 20)).ok);
        QVERIFY(ask(dev, borderSet(2, 3, 100)).ok);
        QVERIFY(!ask(dev, borderSet(2, 3, 101)).ok);
        QVERIFY(!ask(dev, borderSet(2, 4, 1)).ok);
        QVERIFY(!ask(dev, borderSet(9, 0, 1)).ok);
        const TReplyRecord b = ask(dev, bordersQuery(2)).reply;
        QCOMPARE(b.param(2), uint16_t(0x0A14));
        QCOMPARE(ControlReplies::borders(b), (std::array<int, 4>{10, 20, 0, 100}));
        QVERIFY(ask(dev, setMatrixMode()).ok);
        QCOMPARE(dev.state().workMode, uint16_t(0));
        QCOMPARE(dev.state().mvLayout, uint16_t(2)); // kept for the next multi-view
    }

    void sourceSettings() {
        MatrixDevice dev(builtIn());
        QVERIFY(ask(dev, videoSourceSet(1, true, true)).ok);
        auto s = ControlReplies::inputSource(ask(dev, inputSourceQuery(1)).reply);
        QVERIFY(s.autoOn);
        QCOMPARE(s.source, 2);
        QVERIFY(ask(dev, inputTypeSet(2, true)).ok);
        s = ControlReplies::inputSource(ask(dev, inputSourceQuery(2)).reply);
        QCOMPARE(s.source, 65);
        QVERIFY(!s.autoOn);
        QVERIFY(ask(dev, inputAudioSet(3, 2)).ok);
        QCOMPARE(ControlReplies::inputAudioItem(ask(dev, inputAudioQuery(3)).reply), 2);
        QVERIFY(!ask(dev, inputAudioSet(3, 3)).ok);
        QVERIFY(ask(dev, outputAudioSet(4, 19)).ok);
        QCOMPARE(ControlReplies::outputAudioCode(ask(dev, outputAudioQuery(4)).reply), 19);
        QVERIFY(!ask(dev, outputAudioSet(4, 27)).ok);
        QVERIFY(ask(dev, audioDelaySet(5, 10)).ok);
        QVERIFY(!ask(dev, audioDelaySet(5, 11)).ok);
        QCOMPARE(ControlReplies::audioDelayItem(ask(dev, audioDelayQuery(5)).reply), 10);
        QVERIFY(ask(dev, pohTransmittersSet(0x04)).ok);
        QVERIFY(ask(dev, pohReceiversSet(0x81)).ok);
        auto poh = ControlReplies::poh(ask(dev, pohQuery()).reply);
        QCOMPARE(poh.transmitters, uint8_t(0x04));
        QCOMPARE(poh.receivers, uint8_t(0x81));
        QVERIFY(!ask(dev, Frame::make(Cmd::Power, PohSub::Set, 0, 0x0004, 0)).ok); // no set flag
        // The power commands keep their guard words.
        QVERIFY(!ask(dev, Frame::make(Cmd::Power, PowerSub::Get, Param::Query)).ok);
    }

    void irAndRs232() {
        MatrixDevice dev(builtIn());
        QVERIFY(ask(dev, remoteRxIrOutputSet(4, 6)).ok);
        QCOMPARE(ControlReplies::remoteRxIrItem(ask(dev, remoteRxIrOutputQuery(4)).reply), 6);
        QVERIFY(!ask(dev, remoteRxIrOutputSet(4, 8)).ok);
        IrRows rows;
        rows.remoteTx = 0x05;
        rows.local = 0xFF;
        QVERIFY(ask(dev, globalIrInSet(rows)).ok);
        auto in = ControlReplies::irRows(ask(dev, globalIrInQuery()).reply);
        QCOMPARE(in.remoteTx, uint8_t(0x05));
        QCOMPARE(in.local, uint8_t(0xFF));
        QCOMPARE(in.remoteRx, uint8_t(0));
        rows.remoteRx = 0x80;
        QVERIFY(ask(dev, globalIrOutSet(rows, true)).ok);
        const TReplyRecord out = ask(dev, globalIrOutQuery()).reply;
        QVERIFY(ControlReplies::irLoop(out));
        QCOMPARE(ControlReplies::irRows(out).remoteRx, uint8_t(0x80));
        QVERIFY(!ask(dev, Frame::make(Cmd::Ir, IrRouteSub::SetAllIn, 0x0001)).ok);
        QVERIFY(ask(dev, rs232RouteSet(9, 10)).ok);
        QCOMPARE(dev.state().rs232Route[8], uint8_t(10));
        QCOMPARE(ControlReplies::rs232Item(ask(dev, rs232RouteQuery(9)).reply), 10);
        QCOMPARE(ControlReplies::rs232Item(ask(dev, rs232RouteQuery(1)).reply), 9);
        QVERIFY(!ask(dev, rs232RouteSet(10, 1)).ok);
        QVERIFY(!ask(dev, rs232RouteSet(1, 17)).ok);
        // The IR control option (sub-codes 3 and 4) still answers as before.
        QVERIFY(ask(dev, Frame::make(Cmd::Ir, IrSub::GetControl, Param::Query)).ok);
    }
};

QTEST_GUILESS_MAIN(TestControlState)
#include "tst_controlstate.moc"
