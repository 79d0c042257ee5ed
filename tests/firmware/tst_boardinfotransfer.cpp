// Board-information reads and writes, and firmware parts kept per board,
// against the simulator's unit over TCP and over the paced pseudo-terminal.

#include "../link/LinkTestSupport.h"
#include "MatrixDevice.h"
#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "firmware/BoardInfoCommands.h"
#include "firmware/BoardInfoTransfer.h"
#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwareFile.h"
#include "protocol/CommandCodes.h"

#include <random>

class TestBoardInfoTransfer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void initTestCase_data();
    void init();
    void cleanup();

    void blockOf257SentAs256And1();
    void failedPacketResendsFromStart_data();
    void failedPacketResendsFromStart();
    void blockOf600ReadIntact();
    void announcedLengthBounded_data();
    void announcedLengthBounded();
    void silentMidReadEndsAfterSixTries();
    void imageFromFirmwareFileKeptPerBoard();
    void faultsNeverReportOtherData();
    void wrappersShowStatus();
    void wrappersRefuseWhenBusy();

private:
    QList<QByteArray> boardFrames(uint8_t sub) const;
    SimBoard boardState(int pcbType, int subIndex) const;
    LinkFixture fx;
    std::unique_ptr<BoardInfoTransfer> boards;
};

namespace {

const uint8_t *u8(const QByteArray &b) {
    return reinterpret_cast<const uint8_t *>(b.constData());
}

BoardInfoFields Board(uint8_t pcbType, uint8_t subIndex, uint8_t solution = 0,
                      uint8_t version = 0) {
    BoardInfoFields f;
    f.PCBType = pcbType;
    f.SubIndex = subIndex;
    f.PCBTypeForCheck = pcbType;
    f.PCBSolution = solution;
    f.PCBVersion = version;
    return f;
}

// Byte 11 of a board-information frame: 0 for a start frame.
bool IsStart(const QByteArray &frame) {
    return u8(frame)[11] == BoardParam::Start;
}

// The bytes the host says it took from the previous packet (read requests).
int Taken(const QByteArray &request) {
    return u8(request)[9] | (u8(request)[10] << 8);
}

} // namespace

void TestBoardInfoTransfer::initTestCase() {
    LinkTiming::shrinkForTests();
}

void TestBoardInfoTransfer::initTestCase_data() {
    QTest::addColumn<bool>("overSerial");
    QTest::newRow("tcp") << false;
    QTest::newRow("pty") << true;
}

void TestBoardInfoTransfer::init() {
    QFETCH_GLOBAL(bool, overSerial);
    SimOptions options;
    options.edidDir = QStringLiteral("-");
    QVERIFY(fx.open(overSerial, options));
    boards = std::make_unique<BoardInfoTransfer>(fx.engine.get());
}

void TestBoardInfoTransfer::cleanup() {
    boards.reset();
    fx.close();
}

QList<QByteArray> TestBoardInfoTransfer::boardFrames(uint8_t sub) const {
    QList<QByteArray> out;
    for (const QByteArray &f : fx.frames()) {
        if (u8(f)[2] == Cmd::Mcu && u8(f)[3] == sub)
            out.append(f);
    }
    return out;
}

SimBoard TestBoardInfoTransfer::boardState(int pcbType, int subIndex) const {
    SimBoard board;
    fx.sim->withState([&](MatrixState &s) { board = *s.unit.board(pcbType, subIndex); });
    return board;
}

void TestBoardInfoTransfer::blockOf257SentAs256And1() {
    const QByteArray block = PatternBytes(257, 1);
    BoardInfoResult result;
    boards->SendBoardInfoExtData(Board(5, 1, 0x21, 'D'), block, result);
    QVERIFY(result.ok());
    QCOMPARE(fx.recorder.alerts(), QList<int>());
    QCOMPARE(fx.recorder.count(WM_LINK_DONE), 1);

    const QList<QByteArray> sent = boardFrames(BoardSub::WriteInfo);
    QCOMPARE(sent.size(), 3);
    QVERIFY(IsStart(sent[0]));
    QCOMPARE(sent[0].size(), FrameSize);
    QCOMPARE(u8(sent[0])[9] | (u8(sent[0])[10] << 8), 257); // announced length
    QCOMPARE(sent[1].size(), 14 + 256);
    QCOMPARE(u8(sent[1])[11], BoardParam::More);
    QCOMPARE(sent[2].size(), 14 + 1);
    QCOMPARE(u8(sent[2])[11], BoardParam::Last);
    QCOMPARE(sent[1].mid(14) + sent[2].mid(14), block);

    // The board answers with the fields written; it keeps and reads back the block.
    QCOMPARE(int(result.Fields.PCBSolution), 0x21);
    QCOMPARE(int(result.Fields.PCBVersion), int('D'));
    QCOMPARE(result.Fields.ExtLen(), 257);
    QCOMPARE(result.LastReply[3], BoardSub::WriteInfo);
    QCOMPARE(result.LastReply[11], BoardParam::Last); // the acknowledgement of the last packet
    QCOMPARE(boardState(5, 1).block, block);
    BoardInfoResult read;
    QCOMPARE(boards->GetBoardInfoExtData(Board(5, 1), read), block);
    QVERIFY(read.ok());
    QCOMPARE(int(read.Fields.PCBSolution), 0x21);
    QCOMPARE(int(read.Fields.PCBVersion), int('D'));
}

void TestBoardInfoTransfer::failedPacketResendsFromStart_data() {
    QTest::addColumn<int>("refused");
    QTest::addColumn<int>("starts");
    QTest::addColumn<bool>("written");
    QTest::newRow("once") << 1 << 2 << true;
    QTest::newRow("five times") << 5 << 6 << true;
    QTest::newRow("six times") << 6 << 6 << false;
    QTest::newRow("always") << 100 << 6 << false;
}

void TestBoardInfoTransfer::failedPacketResendsFromStart() {
    QFETCH(int, refused);
    QFETCH(int, starts);
    QFETCH(bool, written);
    const QByteArray before = boardState(6, 0).block;
    fx.sim->withState([&](MatrixState &s) { s.unit.board(6, 0)->refuseInfoPackets = refused; });
    const QByteArray block = PatternBytes(300, 2);
    BoardInfoResult result;
    boards->SendBoardInfoExtData(Board(6, 0), block, result);
    QCOMPARE(result.ok(), written);
    QCOMPARE(boardState(6, 0).block, written ? block : before);

    // Every pass begins with the start frame; a refused packet ends its pass.
    int startCount = 0;
    for (const QByteArray &f : boardFrames(BoardSub::WriteInfo))
        startCount += IsStart(f) ? 1 : 0;
    QCOMPARE(startCount, starts);
    QCOMPARE(fx.recorder.count(WM_LINK_INVALID), written ? 0 : 1);
    QCOMPARE(fx.recorder.count(WM_LINK_DONE), written ? 1 : 0);
}

void TestBoardInfoTransfer::blockOf600ReadIntact() {
    const QByteArray block = PatternBytes(600, 3);
    fx.sim->withState([&](MatrixState &s) { s.unit.board(0, 0)->block = block; });
    BoardInfoResult result;
    const QByteArray read = boards->GetBoardInfoExtData(Board(0, 0), result);
    QVERIFY(result.ok());
    QCOMPARE(read, block);
    QCOMPARE(result.Fields.ExtLen(), 600);
    QCOMPARE(int(result.Fields.PCBVersion), int('B'));
    QCOMPARE(fx.recorder.alerts(), QList<int>());
    QCOMPARE(fx.recorder.count(WM_LINK_DONE), 1);

    // 256 + 256 + 88: each request says what the host took from the packet before.
    const QList<QByteArray> sent = boardFrames(BoardSub::ReadInfo);
    QCOMPARE(sent.size(), 4);
    QVERIFY(IsStart(sent[0]));
    QCOMPARE(Taken(sent[1]), 0);
    QCOMPARE(Taken(sent[2]), 256);
    QCOMPARE(Taken(sent[3]), 256);
    // The last valid reply is the header of the last packet.
    QCOMPARE(result.LastReply[11], BoardParam::Last);
}

void TestBoardInfoTransfer::announcedLengthBounded_data() {
    QTest::addColumn<int>("announced");
    QTest::addColumn<bool>("ok");
    QTest::newRow("longer than the block") << 1000 << false;
    QTest::newRow("shorter than a packet") << 100 << false;
    QTest::newRow("empty") << 0 << true;
}

void TestBoardInfoTransfer::announcedLengthBounded() {
    QFETCH(int, announced);
    QFETCH(bool, ok);
    fx.sim->withState([&](MatrixState &s) {
        s.unit.board(5, 0)->block = PatternBytes(600, 4);
        s.unit.board(5, 0)->announcedLength = announced;
    });
    BoardInfoResult result;
    const QByteArray read = boards->GetBoardInfoExtData(Board(5, 0), result);
    QCOMPARE(result.ok(), ok);
    QVERIFY(read.isEmpty());
    QCOMPARE(fx.recorder.count(WM_LINK_INVALID), ok ? 0 : 1);
    if (!ok) // six passes, each from the start of the block
        QVERIFY(boardFrames(BoardSub::ReadInfo).size() >= 1 + 6);
}

void TestBoardInfoTransfer::silentMidReadEndsAfterSixTries() {
    // The card answers the start and the first packet, then nothing more.
    fx.sim->withState([&](MatrixState &s) {
        s.unit.board(6, 1)->block = PatternBytes(600, 5);
        s.unit.board(6, 1)->silentAfter = 2;
    });
    BoardInfoResult result;
    const QByteArray read = boards->GetBoardInfoExtData(Board(6, 1), result);
    QVERIFY(!result.ok());
    QVERIFY(read.isEmpty());
    QCOMPARE(fx.recorder.count(WM_LINK_TIMEOUT), 6);
    QCOMPARE(fx.recorder.count(WM_LINK_INVALID), 1);
    QVERIFY(fx.engine->TimeoutSeen());
    // Start, two requests in the first pass, then one per pass.
    const QList<QByteArray> sent = boardFrames(BoardSub::ReadInfo);
    QCOMPARE(sent.size(), 1 + 2 + 5);
    QCOMPARE(Taken(sent[2]), 256);
    for (int i = 3; i < sent.size(); ++i)
        QCOMPARE(Taken(sent[i]), 0);
}

void TestBoardInfoTransfer::imageFromFirmwareFileKeptPerBoard() {
    // A firmware file with a main part and the part of input card 2.
    const QByteArray mainImage = PatternBytes(700, 6);
    const QByteArray cardImage = PatternBytes(300, 7);
    QByteArray file;
    for (const auto &[partClass, kind, slot, image] :
         {std::tuple{PartClassMain, McuKindMain, uint16_t(0), mainImage},
          std::tuple{PartClassSub, McuKindInputCard, uint16_t(2), cardImage}}) {
        const FirmwarePartHeader header =
            BuildPartHeader(partClass, kind, slot, 4, 9, uint32_t(image.size()));
        QByteArray stored = image;
        QVERIFY(EncipherFirmware(stored));
        file += header.toBytes() + stored;
    }
    QVERIFY(FirmwareFile(file).Valid());
    const auto card = FindPart(file, PartClassSub, McuKindInputCard, uint16_t(2));
    const auto main = FindPart(file, PartClassMain);
    QVERIFY(card && main);
    QCOMPARE(card->Image, cardImage);

    TReplyRecord reply;
    fx.firmware->UploadPart(card->Header.UploadFrame(), card->Image, reply);
    QVERIFY(reply.ok());
    QVERIFY(!fx.firmware->PartRefused());
    fx.sim->withState([](MatrixState &s) { s.rebootMs = 100; });
    fx.firmware->UploadPartPrepared(main->Header.UploadFrame(), main->Image, reply);
    QVERIFY(reply.ok());

    for (const auto &[pcbType, sub, part] : {std::tuple{5, 1, *card}, std::tuple{0, 0, *main}}) {
        const SimBoard board = boardState(pcbType, sub);
        QCOMPARE(board.images.size(), 1);
        const StoredImage &image = board.images.first();
        QCOMPARE(image.image, part.Image);
        // The starting frame carries the part header's bytes 128..137.
        QCOMPARE(image.start.toBytes().mid(2, 10),
                 part.Header.toBytes().mid(PartBannerSize + PartTitleSize, 10));
        QCOMPARE(image.prepared, pcbType == 0);
    }
    QVERIFY(boardState(5, 0).images.isEmpty());
}

void TestBoardInfoTransfer::faultsNeverReportOtherData() {
    FaultSettings faults;
    faults.rate = 0.15;
    faults.kinds = {FaultKind::DropReply,   FaultKind::CorruptChecksum, FaultKind::StatusFF,
                    FaultKind::WrongEcho,   FaultKind::SplitReply,      FaultKind::StrayBytes,
                    FaultKind::CorruptBlock};
    fx.sim->setFaults(faults);
    std::mt19937 rng(7);
    int writes = 0;
    int reads = 0;
    int uploads = 0;
    for (int round = 0; round < 6; ++round) {
        const QByteArray block =
            PatternBytes(std::uniform_int_distribution<int>(1, 700)(rng), 100 + round);
        BoardInfoResult result;
        boards->SendBoardInfoExtData(Board(5, 0), block, result);
        const QByteArray stored = boardState(5, 0).block;
        if (result.ok()) {
            ++writes;
            QCOMPARE(stored, block);
        }
        const QByteArray read = boards->GetBoardInfoExtData(Board(5, 0), result);
        if (result.ok()) {
            ++reads;
            QCOMPARE(read, stored);
        }
        const QByteArray image = PatternBytes(600 + round, 200 + round);
        TReplyRecord reply;
        const FirmwarePartHeader header = BuildPartHeader(
            PartClassSub, McuKindOutputCard, 2, uint16_t(round), 0, uint32_t(image.size()));
        fx.firmware->UploadPart(header.UploadFrame(), image, reply);
        if (reply.ok() && !fx.firmware->PartRefused()) {
            ++uploads;
            QCOMPARE(boardState(6, 1).images.last().image, image);
        }
    }
    QVERIFY(writes > 0 && reads > 0 && uploads > 0);
    QVERIFY(!fx.sim->frameLog().isEmpty());
    int applied = 0;
    fx.sim->withDevice([&](MatrixDevice &d) { applied = int(d.appliedFaults().size()); });
    QVERIFY(applied > 0);
}

void TestBoardInfoTransfer::wrappersShowStatus() {
    PromptService prompts;
    AppContext ctx(fx.engine.get(), &prompts);
    QList<std::tuple<int, QString, bool>> shown;
    ctx.StatusSink = [&](int level, const QString &text, bool blink) {
        shown.append({level, text, blink});
    };
    BoardInfoCommands commands(&ctx);
    BoardInfoResult result;
    QByteArray block;
    QCOMPARE(commands.GetBoardInfoExtData(Board(0, 0), result, block), RunResult::Done);
    QVERIFY(result.ok());
    QCOMPARE(block, boardState(0, 0).block);
    QCOMPARE(shown, (QList<std::tuple<int, QString, bool>>{
                        {3, QString(), false},
                        {2, QStringLiteral("Get Board Info Ext Data ..."), false},
                        {2, QStringLiteral("Done"), false}}));

    // No card with PCB type 9: the start is refused on every try.
    shown.clear();
    QCOMPARE(commands.SendBoardInfoExtData(Board(9, 0), block, result), RunResult::Failed);
    QVERIFY(!result.ok());
    QCOMPARE(shown, (QList<std::tuple<int, QString, bool>>{
                        {3, QString(), false},
                        {2, QStringLiteral("Send Board Info Ext Data ..."), false},
                        {2, QStringLiteral("Send Board Info Failed"), true}}));

    shown.clear();
    QCOMPARE(commands.GetBoardInfoExtData(Board(9, 0), result, block), RunResult::Failed);
    QCOMPARE(std::get<1>(shown.last()), QStringLiteral("Get Board Info Failed"));
    QVERIFY(std::get<2>(shown.last()));
}

void TestBoardInfoTransfer::wrappersRefuseWhenBusy() {
    PromptService prompts;
    AppContext ctx(fx.engine.get(), &prompts);
    QList<std::tuple<int, QString, bool>> shown;
    ctx.StatusSink = [&](int level, const QString &text, bool blink) {
        shown.append({level, text, blink});
    };
    BoardInfoCommands commands(&ctx);
    BoardInfoResult result;
    result.Success = 1;
    QByteArray block("left over");
    {
        OperationScope other(&ctx);
        QVERIFY(other);
        QCOMPARE(commands.GetBoardInfoExtData(Board(0, 0), result, block), RunResult::Refused);
        QCOMPARE(commands.SendBoardInfoExtData(Board(0, 0), block, result), RunResult::Refused);
    }
    QCOMPARE(result.Success, uint8_t(0));
    QVERIFY(block.isEmpty());
    const auto refusal = std::tuple{3, AppContext::InProcessing, false};
    QCOMPARE(shown, (QList<std::tuple<int, QString, bool>>{refusal, refusal}));
    QVERIFY(fx.frames().isEmpty());

    // A closing window runs nothing and says nothing.
    shown.clear();
    fx.engine->SetClosing(true);
    QCOMPARE(commands.GetBoardInfoExtData(Board(0, 0), result, block), RunResult::Refused);
    fx.engine->SetClosing(false);
    QVERIFY(shown.isEmpty());
    QVERIFY(fx.frames().isEmpty());
}

QTEST_GUILESS_MAIN(TestBoardInfoTransfer)
#include "tst_boardinfotransfer.moc"
