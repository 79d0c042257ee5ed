// The logic of the matrix control pages without a window: the routing model
// over a scripted runner, the requests and reply readers of the routing,
// source, IR/RS-232 and view pages, and their decoders and rules.

#include "control/IrRs232Routing.h"
#include "control/RoutingModel.h"
#include "control/SourceSettings.h"
#include "control/ViewSettings.h"
#include "protocol/CommandCodes.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"

#include <QTest>
#include <functional>

namespace {

// A scripted matrix: answers each command through `answer`, records it.
struct ScriptedRunner {
    struct Sent {
        QString caption;
        Frame frame;
        bool powered;
    };
    QList<Sent> sent;
    // Returns false to fail the command; may fill reply parameters.
    std::function<bool(const Frame &, TReplyRecord &)> answer;

    RoutingModel::Runner runner() {
        return [this](const QString &caption, const Frame &f, TReplyRecord &reply, bool powered) {
            sent.append({caption, f, powered});
            reply.clear();
            if (answer && !answer(f, reply))
                return RunResult::Failed;
            reply.Success = 1;
            return RunResult::Done;
        };
    }
    QList<Frame> frames(uint8_t code, uint8_t sub) const {
        QList<Frame> out;
        for (const Sent &s : sent)
            if (s.frame.command() == code && s.frame.subCode() == sub)
                out << s.frame;
        return out;
    }
    QList<QPair<int, int>> switches() const { // (output, input)
        QList<QPair<int, int>> out;
        for (const Frame &f : frames(Cmd::Switch, SwitchSub::Set))
            out.append({f.param(2), f.param(1)});
        return out;
    }
};

void setParam(TReplyRecord &r, int n, uint16_t v) {
    r.Bytes[2 + 2 * n] = uint8_t(v & 0xFF);
    r.Bytes[3 + 2 * n] = uint8_t(v >> 8);
}

TReplyRecord replyWith(uint16_t p1, uint16_t p2 = 0, uint16_t p3 = 0, uint16_t p4 = 0) {
    TReplyRecord r;
    r.Bytes[0] = FrameStart1;
    r.Bytes[1] = FrameStart2;
    setParam(r, 1, p1);
    setParam(r, 2, p2);
    setParam(r, 3, p3);
    setParam(r, 4, p4);
    r.Success = 1;
    return r;
}

} // namespace

class TestControlLogic : public QObject {
    Q_OBJECT

private slots:
    void singleSwitchRunsFullExchange() {
        ScriptedRunner run;
        int mode = 1; // multi-view: the set-matrix-mode command follows
        run.answer = [&](const Frame &f, TReplyRecord &r) {
            if (f.command() == Cmd::View && f.subCode() == ViewSub::GetMode)
                setParam(r, 1, uint16_t(mode));
            return true;
        };
        RoutingModel m(run.runner());
        m.SetDisplay(2, QStringLiteral("5"));
        m.Press(2, 5);
        QVERIFY(m.SingleSwitch(2, 5)); // the button that is already down
        QCOMPARE(run.sent.size(), 3);
        QCOMPARE(run.sent[0].caption, QStringLiteral("Get Work Mode..."));
        QVERIFY(!run.sent[0].powered);
        QCOMPARE(run.sent[1].caption, QStringLiteral("Set Matrix mode..."));
        QCOMPARE(run.sent[1].frame.param(1), uint16_t(0));
        QCOMPARE(run.sent[2].caption, QStringLiteral("Setting..."));
        QVERIFY(run.sent[2].powered);
        QCOMPARE(run.switches(), (QList<QPair<int, int>>{{2, 5}}));
        mode = 0;
        run.sent.clear();
        QVERIFY(m.SingleSwitch(2, 6));
        QCOMPARE(run.sent.size(), 2); // matrix mode already: no set
        QCOMPARE(m.Display(2), QStringLiteral("6"));
        QCOMPARE(m.Pressed(2), 6);
    }

    void failedSwitchRestores() {
        ScriptedRunner run;
        run.answer = [](const Frame &f, TReplyRecord &) {
            return f.subCode() != SwitchSub::Set || f.command() != Cmd::Switch;
        };
        RoutingModel m(run.runner());
        QList<QPair<QString, int>> seen; // the view sees the new state before the reply
        m.Changed = [&](int o) { seen.append({m.Display(o), m.Pressed(o)}); };
        m.SetDisplay(3, QStringLiteral("2"));
        m.Press(3, 2);
        m.BatchAbort = false;
        seen.clear();
        QVERIFY(!m.SingleSwitch(3, 7));
        QVERIFY(seen.contains(qMakePair(QStringLiteral("7"), 7)));
        QCOMPARE(m.Display(3), QStringLiteral("2"));
        QCOMPARE(m.Pressed(3), 2);
        QVERIFY(m.BatchAbort);
    }

    void failedSwitchFromOutOfRangeDisplayLeavesRow() {
        // Fault mended: a display of 0 or 9 and more presses no button on restore.
        for (const QString &shown :
             {QStringLiteral("0"), QStringLiteral("9"), QStringLiteral("12")}) {
            ScriptedRunner run;
            run.answer = [](const Frame &f, TReplyRecord &) { return f.command() != Cmd::Switch; };
            RoutingModel m(run.runner());
            m.SetDisplay(4, shown);
            QVERIFY(!m.SingleSwitch(4, 3));
            QCOMPARE(m.Display(4), shown);
            QCOMPARE(m.Pressed(4), 3); // the row's buttons were left as they are
        }
    }

    void stepping_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("previous");
        QTest::addColumn<int>("expected");
        QTest::newRow("prev 1") << 1 << true << 8;
        QTest::newRow("next 8") << 8 << false << 1;
        QTest::newRow("prev 5") << 5 << true << 4;
        QTest::newRow("next 5") << 5 << false << 6;
        QTest::newRow("prev 0") << 0 << true << 8;
        QTest::newRow("prev 9") << 9 << true << 8;
        QTest::newRow("prev 10 (mended)") << 10 << true << 8;
        QTest::newRow("prev 200 (mended)") << 200 << true << 8;
        QTest::newRow("next 0") << 0 << false << 1;
        QTest::newRow("next 9") << 9 << false << 1;
        QTest::newRow("next 15") << 15 << false << 1;
    }
    void stepping() {
        QFETCH(int, current);
        QFETCH(bool, previous);
        QFETCH(int, expected);
        QCOMPARE(RoutingModel::StepInput(current, previous), expected);
        ScriptedRunner run;
        RoutingModel m(run.runner());
        m.SetDisplay(6, QString::number(current));
        QVERIFY(m.Step(previous ? 11 : 12)); // output 6: tags 11 and 12
        QCOMPARE(run.switches(), (QList<QPair<int, int>>{{6, expected}}));
    }

    void multiTargets() {
        using L = QList<QPair<int, int>>;
        QCOMPARE(RoutingModel::MultiTargets(3, 7, 2), (L{{7, 2}, {8, 2}}));
        QCOMPARE(RoutingModel::MultiTargets(1, 4, 6), (L{{4, 6}}));
        L all, p2p;
        for (int k = 1; k <= 8; ++k) {
            all.append({k, 5});
            p2p.append({k, k});
        }
        QCOMPARE(RoutingModel::MultiTargets(8, 3, 5), all);
        QCOMPARE(RoutingModel::MultiTargets(100, 6, 2), p2p);
        QVERIFY(RoutingModel::MultiTargets(3, 0, 2).isEmpty());
    }

    void multiSwitchStopsAtFirstFailure() {
        ScriptedRunner run;
        run.answer = [](const Frame &f, TReplyRecord &) {
            return !(f.command() == Cmd::Switch && f.param(2) == 4);
        };
        RoutingModel m(run.runner());
        QCOMPARE(m.MultiSwitch(8, 2, 5), 3);
        QCOMPARE(run.switches(), (QList<QPair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}}));
        QCOMPARE(m.Display(4), QStringLiteral("0"));
        QCOMPARE(m.Display(5), QStringLiteral("0"));
    }

    void readRouting() {
        ScriptedRunner run;
        const QList<int> inputs{3, 1, 9, 0, 5, 6, 7, 8};
        run.answer = [&](const Frame &f, TReplyRecord &r) {
            if (f.param(1) == 6)
                return false;
            setParam(r, 2, uint16_t(0x0100 | inputs[f.param(1) - 1])); // low byte is the input
            return true;
        };
        RoutingModel m(run.runner());
        m.Press(3, 2);
        QCOMPARE(m.ReadRouting(), 5);
        QCOMPARE(run.sent[2].caption, QStringLiteral("Getting Output3 ..."));
        QCOMPARE(m.Display(1), QStringLiteral("3"));
        QCOMPARE(m.Pressed(1), 3);
        QCOMPARE(m.Display(3), QStringLiteral("9")); // shown as is
        QCOMPARE(m.Pressed(3), 2);                   // row left as it was
        QCOMPARE(m.Display(4), QStringLiteral("0"));
        QCOMPARE(m.Pressed(4), 0);
        QCOMPARE(m.Display(6), QStringLiteral("0")); // not read after the failure
    }

    void presets() {
        ScriptedRunner run;
        RoutingModel m(run.runner());
        auto r = m.ApplyPreset({"1", "2", "3", "4", "5", "6", "7", "8"});
        QCOMPARE(r.outcome, RoutingModel::PresetOutcome::Applied);
        QCOMPARE(run.switches().size(), 8);
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(run.switches()[k - 1], qMakePair(k, k));
        run.sent.clear();
        r = m.ApplyPreset({"2", "2", "0", "4", "5", "6", "7", "8"});
        QCOMPARE(r.outcome, RoutingModel::PresetOutcome::Malformed);
        QCOMPARE(r.output, 3);
        QCOMPARE(run.switches().size(), 2);
        QCOMPARE(RoutingModel::PresetInput(QStringLiteral("x")), 0);
        QCOMPARE(RoutingModel::PresetInput(QStringLiteral("9")), 0);
    }

    void descriptions() {
        QHash<int, QString> labels;
        auto label = [&](int tag) { return labels.value(tag); };
        QCOMPARE(RoutingModel::Describe(1, 4, label), QStringLiteral("Output 1 from Input 4"));
        bool any = true;
        QStringList lines = RoutingModel::PopupLines(label, &any);
        QVERIFY(!any);
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines.first(), QStringLiteral("Output 1 - No Label"));
        QCOMPARE(lines.last(), QStringLiteral("Input 8 - No Label"));
        labels[42] = QStringLiteral("Projector");
        labels[5] = QStringLiteral("Player");
        QCOMPARE(RoutingModel::Describe(2, 3, label),
                 QStringLiteral("Output 2 - [Projector] from Input 3"));
        QCOMPARE(RoutingModel::Describe(1, 5, label),
                 QStringLiteral("Output 1 from Input 5 - [Player]"));
        lines = RoutingModel::PopupLines(label, &any);
        QVERIFY(any);
        QCOMPARE(lines[1], QStringLiteral("Output 2 - [Projector]"));
        QCOMPARE(lines[12], QStringLiteral("Input 5 - [Player]"));
    }

    void requests() {
        QCOMPARE(
            ControlRequests::workModeQuery().toBytes().toHex(' '),
            QByteArray("a5 5b 60 02 00 00 00 00 00 00 00 00 9e")); // the documented example frame
        Frame f = ControlRequests::inputTypeSet(2, true);
        QCOMPARE(f.command(), uint8_t(0x07));
        QCOMPARE(f.subCode(), uint8_t(1));
        QCOMPARE(f.param(1), uint16_t(2));
        QCOMPARE(f.param(2), uint16_t(1));
        QCOMPARE(f.param(3), uint16_t(65));
        f = ControlRequests::videoSourceSet(3, true, true);
        QCOMPARE(f.param(2), uint16_t(2));
        QCOMPARE(f.param(3), uint16_t(2));
        f = ControlRequests::pohTransmittersSet(0x04);
        QCOMPARE(f.command(), uint8_t(0x10));
        QCOMPARE(f.subCode(), uint8_t(3));
        QCOMPARE(f.param(2), uint16_t(0x0804));
        QCOMPARE(f.param(3), uint16_t(0));
        QCOMPARE(ControlRequests::pohReceiversSet(0x81).param(3), uint16_t(0x0881));
        ControlRequests::IrRows rows;
        rows.remoteTx = 0x05;
        f = ControlRequests::globalIrInSet(rows);
        QCOMPARE(f.subCode(), uint8_t(7));
        QCOMPARE(f.param(3), uint16_t(0x0500));
        QCOMPARE(ControlRequests::globalIrOutSet(rows, true).param(4), uint16_t(256));
        f = ControlRequests::rs232RouteSet(9, 10);
        QCOMPARE(f.command(), uint8_t(0x05));
        QCOMPARE(f.subCode(), uint8_t(1));
        QCOMPARE(f.param(1), uint16_t(9));
        QCOMPARE(f.param(2), uint16_t(10));
        f = ControlRequests::setMultiViewLayout(2);
        QCOMPARE(f.command(), uint8_t(0x60));
        QCOMPARE(f.param(1), uint16_t(1));
        QCOMPARE(f.param(2), uint16_t(2));
        QCOMPARE(ControlRequests::borderSet(3, 2, 40).param(3), uint16_t(40));
        QCOMPARE(ControlRequests::inputAudioSet(4, 2).param(2), uint16_t(3));
        QCOMPARE(ControlRequests::remoteRxIrOutputSet(4, 2).param(2), uint16_t(3));
    }

    void replies() {
        QCOMPARE(ControlReplies::workMode(replyWith(2)), 2);
        QCOMPARE(ControlReplies::workMode(replyWith(3)), -1);
        TReplyRecord failed = replyWith(0);
        failed.Success = 0;
        QCOMPARE(ControlReplies::workMode(failed), -1);
        const auto b = ControlReplies::borders(replyWith(1, 0x0A14, 0x0305));
        QCOMPARE(b, (std::array<int, 4>{10, 20, 3, 5}));
        const auto rows = ControlReplies::irRows(replyWith(0x8100, 0x0200, 0xFF00, 0x0100));
        QCOMPARE(rows.remoteRx, uint8_t(0x81));
        QCOMPARE(rows.local, uint8_t(0x02));
        QCOMPARE(rows.remoteTx, uint8_t(0xFF));
        QVERIFY(ControlReplies::irLoop(replyWith(0, 0, 0, 0x0100)));
        QVERIFY(!ControlReplies::irLoop(replyWith(0, 0, 0, 0x0001)));
        const auto poh = ControlReplies::poh(replyWith(0, 0x0004, 0x0080));
        QCOMPARE(poh.transmitters, uint8_t(0x04));
        QCOMPARE(poh.receivers, uint8_t(0x80));
    }

    void outputAudioCodes() {
        using namespace SourceSettings;
        QCOMPARE(OutputAudioCode(2, 2), 19); // "ARC" with port "3"
        QCOMPARE(OutputAudioCode(0, 0), 1);
        QCOMPARE(OutputAudioCode(1, 7), 16);
        QCOMPARE(OutputAudioCode(3, 5), 25);
        QCOMPARE(OutputAudioCode(4, -1), 26);
        QCOMPARE(OutputAudioCode(2, -1), -1);
        OutputAudio a = DecodeOutputAudio(25);
        QVERIFY(a.valid);
        QCOMPARE(a.item, 3);
        QVERIFY(!a.portEnabled);
        QCOMPARE(a.portItem, -1);
        a = DecodeOutputAudio(19);
        QCOMPARE(a.item, 2);
        QCOMPARE(a.portItem, 2);
        QVERIFY(a.portEnabled);
        QVERIFY(!DecodeOutputAudio(0).valid);
        QVERIFY(!DecodeOutputAudio(27).valid);
        QCOMPARE(TypeOfSource(64), InputType::Hdmi);
        QCOMPARE(TypeOfSource(65), InputType::Vga);
        QCOMPARE(TypeOfSource(81), InputType::Unknown);
        QCOMPARE(TypeOfSource(0), InputType::Unknown);
        QCOMPARE(VideoSourceItem(2), VideoItemHdbt);
        QCOMPARE(VideoSourceItem(65), -1);
        QCOMPARE(PohMask({0, 0, 1, 0, 0, 0, 0, 1}), uint8_t(0x84));
        QCOMPARE(AudioDelayItems().size(), 11);
        QCOMPARE(AudioDelayItems().last(), QStringLiteral("500ms"));
        QCOMPARE(TypeInputOfTag(31), 3);
        QVERIFY(TypeTagIsVga(32));
        QVERIFY(!InRange(3, 3));
    }

    void irRows() {
        using namespace IrRs232Routing;
        QCOMPARE(Mask({true, false, true, false, false, false, false, false}), uint8_t(0x05));
        QCOMPARE(RowOfTag(19), Row::Local);
        QCOMPARE(RowOfTag(21), Row::RemoteRx);
        QVERIFY(IsAllTag(29));
        AllBoxes all;
        QCOMPARE(all.Toggle(true, 0x12), uint8_t(0xFF));
        QCOMPARE(all.Toggle(false, 0xFF), uint8_t(0x12));
        QCOMPARE(GlobalRs232Items().size(), 17);
        QCOMPARE(GlobalRs232Items()[10], QStringLiteral("Remote HDBT Receiver 2"));
        QCOMPARE(LocalRs232Items()[0], QStringLiteral("Not Connect"));
    }

    void viewRules() {
        using namespace ViewSettings;
        QCOMPARE(StepSource(1, true), 4);
        QCOMPARE(StepSource(4, false), 1);
        QCOMPARE(StepSource(0, true), 4); // mended: from a shown 0
        QCOMPARE(StepSource(0, false), 1);
        QCOMPARE(StepSource(7, true), 4); // mended: from 5 and more
        QCOMPARE(StepSource(5, false), 1);
        QCOMPARE(AudioText(0), QStringLiteral("A"));
        QVERIFY(!ValidMvLayout(4));
        QVERIFY(!ValidWallLayout(3));
        QVERIFY(AcceptBorderKey("15", false, Qt::Key_0, "0"));
        QVERIFY(!AcceptBorderKey("150", false, Qt::Key_1, "1"));
        QVERIFY(AcceptBorderKey("150", true, Qt::Key_1, "1"));
        QVERIFY(AcceptBorderKey("150", false, Qt::Key_Backspace, "\b"));
        QVERIFY(!AcceptBorderKey("1", false, Qt::Key_A, "a"));
        QString fixed;
        int caret = -1;
        QVERIFY(FixBorderText("150", &fixed, &caret));
        QCOMPARE(fixed, QStringLiteral("100"));
        QCOMPARE(caret, 3);
        QVERIFY(FixBorderText("", &fixed, &caret));
        QCOMPARE(fixed, QStringLiteral("0"));
        QCOMPARE(caret, 1);
        QVERIFY(!FixBorderText("100", &fixed, &caret));
        QVERIFY(!FixBorderText("99", &fixed, &caret));
        QCOMPARE(BorderValue("150"), -1);
        QCOMPARE(BorderValue("100"), 100);
        QCOMPARE(BorderValue(""), -1);
        QCOMPARE(BorderTag(3, 2), 32);
    }
};

QTEST_GUILESS_MAIN(TestControlLogic)
#include "tst_controllogic.moc"
