#include "MatrixDevice.h"

#include "BoardResponder.h"

#include "protocol/CommandCodes.h"
#include "protocol/Frames.h"

#include <QDir>
#include <chrono>
#include <cstring>

namespace {

constexpr uint16_t AllInputs = Param::EdidAllInputs;
constexpr uint16_t UserMemory1 = Param::EdidUserMemory1;
constexpr uint16_t UserMemory2 = Param::EdidUserMemory2;

const uint8_t *u8(const QByteArray &bytes) {
    return reinterpret_cast<const uint8_t *>(bytes.constData());
}

uint16_t paramOf(const QByteArray &frame, int n) {
    const int at = 2 + 2 * n;
    return static_cast<uint16_t>(u8(frame)[at] | (u8(frame)[at + 1] << 8));
}

QByteArray reply(uint8_t command, uint8_t subCode, uint16_t p1 = 0, uint16_t p2 = 0,
                 uint16_t p3 = 0, uint16_t p4 = 0) {
    return Frame::make(command, subCode, p1, p2, p3, p4).toBytes();
}

QByteArray rejected(const QByteArray &frame) {
    return reply(u8(frame)[2], u8(frame)[3], StatusRejected);
}

void reseal(QByteArray &bytes) {
    bytes[12] = static_cast<char>(FrameChecksum(u8(bytes)));
}

bool frameValid(const QByteArray &bytes) {
    return bytes.size() >= FrameSize && u8(bytes)[0] == FrameStart1 &&
           u8(bytes)[1] == FrameStart2 && FrameChecksum(u8(bytes)) == u8(bytes)[12];
}

bool optionByte(uint16_t p1, bool *on) {
    const uint8_t value = static_cast<uint8_t>(p1 & 0xFF);
    if (value != Param::OptionOn && value != Param::OptionOff)
        return false;
    *on = value == Param::OptionOn;
    return true;
}

uint16_t optionReply(bool on) {
    return on ? Param::ReplyOn : 0;
}

bool validOutput(uint16_t n) {
    return n >= 1 && n <= MatrixState::PortCount;
}

} // namespace

struct MatrixDevice::Session {
    enum class Mode { Idle, BlockRead, BlockWrite, Upload };

    bool serial = false;
    QByteArray rx;
    Mode mode = Mode::Idle;
    // Starting frame of the running transfer.
    uint8_t cmd = 0;
    uint8_t sub = 0;
    uint16_t p1 = 0;
    uint16_t p2 = 0;
    uint16_t p3 = 0;
    uint16_t p4 = 0;
    // Block read.
    QByteArray readData;
    int lastSent = -1;
    // Block write and upload.
    QByteArray staging;
    QByteArray lastAccepted; // wire bytes of the last accepted packet
    bool lastAckFailed = false;
    qint64 lastAckAt = 0; // when the last acknowledgement leaves
    bool complete = false;
    // Upload.
    int prepareStep = 0;
    uint16_t nextBlock = 0;
    int blocks = 0;
    // Board information.
    BoardTransfer boards;
    // Replies leave in order, each piece after the one before it: when the
    // output queued so far has left (the transport honours the same delays).
    qint64 outputFreeAt = 0;
    // The pieces of the feed being processed are queued from this moment.
    qint64 queueFrom = 0;

    void endTransfer() {
        mode = Mode::Idle;
        readData.clear();
        staging.clear();
        lastAccepted.clear();
        lastSent = -1;
        lastAckFailed = false;
        complete = false;
        prepareStep = 0;
        nextBlock = 0;
        blocks = 0;
        boards.clear();
    }
};

MatrixDevice::MatrixDevice(const SimOptions &options)
    : m_rng(options.seed), m_processingDelayMs(options.processingDelayMs) {
    QString dir = options.edidDir;
    if (dir.isEmpty()) {
#ifdef MATRIXSIM_DEFAULT_EDID_DIR
        dir = QStringLiteral(MATRIXSIM_DEFAULT_EDID_DIR);
#endif
    }
    if (!dir.isEmpty() && dir != QLatin1String("-"))
        m_state.loadOutputEdids(dir);
    auto first = std::make_shared<Session>();
    first->serial = true;
    m_sessions.insert(0, first);
}

MatrixDevice::~MatrixDevice() = default;

int MatrixDevice::openSession(bool serial) {
    const int id = m_nextSession++;
    auto s = std::make_shared<Session>();
    s->serial = serial;
    m_sessions.insert(id, s);
    return id;
}

void MatrixDevice::closeSession(int session) {
    if (session != 0)
        m_sessions.remove(session);
    else
        resetSession(0);
}

void MatrixDevice::resetSession(int session) {
    if (Session *s = this->session(session)) {
        s->rx.clear();
        s->endTransfer();
    }
}

MatrixDevice::Session *MatrixDevice::session(int id) {
    auto it = m_sessions.find(id);
    return it == m_sessions.end() ? nullptr : it->get();
}

void MatrixDevice::setFaults(const FaultSettings &faults) {
    m_faults = faults;
}

void MatrixDevice::queueFault(FaultKind kind, int count) {
    for (int i = 0; i < count; ++i)
        m_queued.push_back(kind);
}

void MatrixDevice::clearFaults() {
    m_faults = FaultSettings();
    m_queued.clear();
}

void MatrixDevice::setClock(std::function<qint64()> clock) {
    m_clock = std::move(clock);
}

qint64 MatrixDevice::now() const {
    if (m_clock)
        return m_clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool MatrixDevice::rebooting() const {
    return m_rebootUntil != 0 && now() < m_rebootUntil;
}

void MatrixDevice::reboot(int ms) {
    ++m_state.rebootCount;
    m_rebootUntil = now() + std::max(ms, 1);
    for (auto &s : m_sessions) {
        s->rx.clear();
        s->endTransfer();
    }
}

void MatrixDevice::log(const QByteArray &bytes) {
    // A long-running simulator keeps the most recent frames only.
    if (m_frameLog.size() >= 200000)
        m_frameLog.remove(0, 100000);
    m_frameLog.append(bytes);
}

QByteArray MatrixDevice::transact(const QByteArray &bytes) {
    QByteArray joined;
    for (const SimOutput &piece : feed(0, bytes))
        joined += piece.bytes;
    return joined;
}

QList<SimOutput> MatrixDevice::feed(int id, const QByteArray &bytes) {
    QList<SimOutput> out;
    Session *s = session(id);
    if (!s)
        return out;
    s->rx += bytes;
    if (rebooting()) {
        // Nothing is carried out or answered; the frames still show in the log.
        logSilently(*s);
        return out;
    }
    // What this feed answers leaves after whatever is still queued.
    s->queueFrom = std::max(now(), s->outputFreeAt);
    process(*s, out);
    qint64 at = s->queueFrom;
    for (const SimOutput &piece : out)
        at += piece.delayMs;
    s->outputFreeAt = at;
    return out;
}

void MatrixDevice::logSilently(Session &s) {
    while (s.rx.size() >= FrameSize) {
        const QByteArray frame = s.rx.left(FrameSize);
        if (frameValid(frame)) {
            log(frame);
            s.rx.remove(0, FrameSize);
        } else {
            s.rx.remove(0, 1);
        }
    }
}

void MatrixDevice::process(Session &s, QList<SimOutput> &out) {
    while (!s.rx.isEmpty()) {
        if (!out.isEmpty() && out.last().hangUp) {
            s.rx.clear();
            return;
        }
        const uint8_t first = u8(s.rx)[0];
        if (first == FrameStart1) {
            if (s.rx.size() < 2)
                return;
            if (u8(s.rx)[1] != FrameStart2) {
                s.rx.remove(0, 1);
                continue;
            }
            if (s.rx.size() < FrameSize)
                return;
            const int boardPacket = BoardResponder::writePacketLength(s.rx);
            if (boardPacket < 0)
                return;
            if (boardPacket > 0) {
                const QByteArray packet = s.rx.left(boardPacket);
                s.rx.remove(0, boardPacket);
                handleBoardPacket(s, packet, out);
                continue;
            }
            bool needMore = false;
            if (takeDataPacket(s, out, &needMore))
                continue;
            if (needMore)
                return;
            const QByteArray frame = s.rx.left(FrameSize);
            if (!frameValid(frame)) {
                // Not a frame: look for the next start byte.
                s.rx.remove(0, 1);
                continue;
            }
            s.rx.remove(0, FrameSize);
            handleFrame(s, frame, out);
            continue;
        }
        if (s.serial && first == ModuleInfo::LdcdSignature[0]) {
            if (s.rx.size() < 2)
                return;
            if (u8(s.rx)[1] != ModuleInfo::LdcdSignature[1]) {
                s.rx.remove(0, 1);
                continue;
            }
            if (s.rx.size() < ModuleInfo::LdcdSize)
                return;
            const QByteArray packet = s.rx.left(ModuleInfo::LdcdSize);
            if (!ModuleInfo::isLdcdRequest(packet)) {
                s.rx.remove(0, 1);
                continue;
            }
            s.rx.remove(0, ModuleInfo::LdcdSize);
            handleLdcd(s, packet, out);
            continue;
        }
        s.rx.remove(0, 1);
    }
}

// A data packet of the running block write or upload: same command code and
// sub-code as the starting frame, 0x00AA or 0x0056 in P1. Its wire length is
// fixed (270) for EDID downloads and prepared uploads, 14 + n otherwise.
bool MatrixDevice::takeDataPacket(Session &s, QList<SimOutput> &out, bool *needMore) {
    *needMore = false;
    if (s.mode != Session::Mode::BlockWrite && s.mode != Session::Mode::Upload)
        return false;
    const uint8_t *h = u8(s.rx);
    const uint16_t flag = static_cast<uint16_t>(h[4] | (h[5] << 8));
    if (h[2] != s.cmd || h[3] != s.sub || (flag != StatusMore && flag != StatusLast))
        return false;
    int wire = PacketWireSize;
    if (s.mode == Session::Mode::Upload && s.prepareStep < 2) {
        const int n = h[6] | (h[7] << 8);
        const bool headerOk = FrameChecksum(h) == h[12] && n >= 1 && n <= BlockDataMax;
        wire = headerOk ? FrameSize + 1 + n : FrameSize;
    }
    if (s.rx.size() < wire) {
        *needMore = true;
        return false;
    }
    const QByteArray packet = s.rx.left(wire);
    s.rx.remove(0, wire);
    log(packet);
    if (s.mode == Session::Mode::BlockWrite)
        handleEdidPacket(s, packet, out);
    else
        handleUploadPacket(s, packet, out);
    return true;
}

void MatrixDevice::handleFrame(Session &s, const QByteArray &frame, QList<SimOutput> &out) {
    log(frame);
    if (BoardResponder::isBoardFrame(frame)) {
        handleBoardFrame(s, frame, out);
        return;
    }
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    const bool requestValue = p1 == RequestFirst || p1 == RequestNext || p1 == RequestRepeat;

    if (s.mode == Session::Mode::BlockRead && cmd == s.cmd && sub == s.sub && p2 == 0 &&
        requestValue) {
        handleBlockRequest(s, frame, out);
        return;
    }
    if (cmd == Cmd::Edid && sub == EdidSub::Read && requestValue) {
        // A block request without a running read: a 270-byte refusal.
        s.endTransfer();
        QByteArray packet(PacketWireSize, '\0');
        packet.replace(0, FrameSize, reply(cmd, sub, StatusRejected));
        sendReply(packet, nextFault(true, false), s, out, true);
        return;
    }
    const bool prepareStep = s.mode == Session::Mode::Upload && cmd == s.cmd && sub == s.sub &&
                             (p1 == Param::PrepareStep1 || p1 == Param::PrepareStep2);
    if (!prepareStep)
        s.endTransfer();
    if (SimBoard *board = uploadBoard(s, frame, prepareStep); board && !BoardUnit::answers(*board))
        return;

    const FaultKind fault = nextFault(false, false);
    bool reboot = false;
    // A reply that says "rejected" must mean it: the command is not carried out.
    const QByteArray answer =
        fault == FaultKind::StatusFF ? rejected(frame) : execute(s, frame, &reboot);
    sendReply(answer, fault, s, out);
    if (reboot)
        this->reboot(m_state.rebootMs);
}

QByteArray MatrixDevice::execute(Session &s, const QByteArray &frame, bool *reboot) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p3 = paramOf(frame, 3);
    const uint16_t p4 = paramOf(frame, 4);
    MatrixState &st = m_state;
    bool on = false;

    if (st.refusedCommands.contains(MatrixState::commandKey(cmd, sub)))
        return refuse(frame,
                      QStringLiteral("command 0x%1/%2").arg(cmd, 2, 16, QLatin1Char('0')).arg(sub));

    switch (cmd) {
    case Cmd::Switch:
        return executeSwitch(frame);
    case Cmd::View:
        return executeView(frame);
    case Cmd::Audio:
        return executeAudio(frame);
    case Cmd::Input:
        return executeInput(frame);
    case Cmd::Rs232:
        return executeRs232(frame);
    case Cmd::Device:
        switch (sub) {
        case DeviceSub::Id: // also the reboot probe
            return reply(cmd, sub, st.deviceId);
        case DeviceSub::PortCounts:
            return reply(cmd, sub, st.inputCount, st.outputCount);
        case DeviceSub::Version:
            return reply(cmd, sub, st.firmwareMajor, st.firmwareMinor);
        case DeviceSub::HdmiConnection:
        case DeviceSub::HdbtConnection:
            if (!validOutput(p1))
                return rejected(frame);
            return reply(
                cmd, sub, p1,
                st.sinkConnected(p1, sub == DeviceSub::HdmiConnection ? SinkHDMI : SinkHDBT) ? 0
                                                                                             : 1);
        case DeviceSub::GetApm:
            return reply(cmd, sub, StatusOK, optionReply(st.apm));
        case DeviceSub::GetBeeper:
            return reply(cmd, sub, StatusOK, optionReply(st.beeper));
        case DeviceSub::GetKeys:
            return reply(cmd, sub, StatusOK, optionReply(st.keysUnlocked));
        case DeviceSub::SetApm:
        case DeviceSub::SetBeeper:
        case DeviceSub::SetKeys:
            if (!optionByte(p1, &on))
                return rejected(frame);
            (sub == DeviceSub::SetApm      ? st.apm
             : sub == DeviceSub::SetBeeper ? st.beeper
                                           : st.keysUnlocked) = on;
            return reply(cmd, sub, StatusOK, optionReply(on));
        default:
            return rejected(frame);
        }
    case Cmd::Ir:
        if (sub >= IrRouteSub::SetRemoteRxOutput && sub <= IrRouteSub::GetAllOut)
            return executeIrRoute(frame);
        if (sub == IrSub::GetControl)
            return reply(cmd, sub, StatusOK, optionReply(st.irControl));
        if (sub == IrSub::SetControl) {
            if (!optionByte(p1, &on))
                return rejected(frame);
            st.irControl = on;
            return reply(cmd, sub, StatusOK, optionReply(on));
        }
        return rejected(frame);
    case Cmd::Power:
        if (sub == PohSub::Set || sub == PohSub::Get)
            return executePoh(frame);
        if (p3 != Param::PowerGuard3 || p4 != Param::PowerGuard4)
            return rejected(frame);
        if (sub == PowerSub::Get)
            return reply(cmd, sub, StatusOK, optionReply(st.powerOn), p3, p4);
        if (sub == PowerSub::Set) {
            if (!optionByte(p1, &on))
                return rejected(frame);
            st.powerOn = on;
            return reply(cmd, sub, StatusOK, optionReply(st.powerOn), p3, p4);
        }
        return rejected(frame);
    case Cmd::Edid:
        return executeEdid(s, frame);
    case Cmd::Mcu:
        if (sub == McuSub::UploadWithReboot || sub == McuSub::UploadNoReboot)
            return executeUpload(s, frame);
        if (sub == McuSub::ResetSlaves) {
            ++st.slaveResetCount;
            st.unit.slaveResets.append(p1);
            return reply(cmd, sub, StatusOK);
        }
        return rejected(frame);
    case Cmd::Reboot:
        if (sub != RebootSub::System)
            return rejected(frame);
        *reboot = true;
        return reply(cmd, sub, StatusOK);
    default:
        return rejected(frame);
    }
}

// ---- Matrix control ---------------------------------------------------------

void MatrixDevice::logControl(const QString &line) {
    m_state.controlLog.append(line);
    // Bounded: a long session keeps its last lines.
    if (m_state.controlLog.size() > 10000) {
        m_state.controlLog.removeFirst();
        ++m_state.controlLogDropped;
    }
}

QByteArray MatrixDevice::refuse(const QByteArray &frame, const QString &what) {
    logControl(QStringLiteral("refused: ") + what);
    return rejected(frame);
}

QByteArray MatrixDevice::executeSwitch(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    MatrixState &st = m_state;
    switch (sub) {
    case SwitchSub::GetOutput:
        if (!validOutput(p1))
            return refuse(frame, QStringLiteral("read input of output %1").arg(p1));
        return reply(cmd, sub, p1, st.routing[p1 - 1]);
    case SwitchSub::Set: {
        const QString what = QStringLiteral("switch output %1 <- input %2").arg(p2).arg(p1);
        if (!validOutput(p1) || !validOutput(p2) || st.refuseSwitchOutputs.contains(p2))
            return refuse(frame, what);
        st.routing[p2 - 1] = static_cast<uint8_t>(p1);
        logControl(what);
        return reply(cmd, sub, p1, p2);
    }
    default:
        return rejected(frame);
    }
}

QByteArray MatrixDevice::executeView(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    const uint16_t p3 = paramOf(frame, 3);
    MatrixState &st = m_state;
    auto validSource = [](uint16_t v) { return v >= 1 && v <= ViewParam::Sources; };
    switch (sub) {
    case ViewSub::GetMode:
        return reply(cmd, sub, st.workMode);
    case ViewSub::SetMode: {
        const QString what = QStringLiteral("work mode %1, layout %2").arg(p1).arg(p2);
        if (p1 == ViewParam::ModeMatrix) {
            st.workMode = p1;
        } else if (p1 == ViewParam::ModeMultiView && p2 < ViewParam::MvLayouts) {
            st.workMode = p1;
            st.mvLayout = p2;
        } else if (p1 == ViewParam::ModeVideoWall && p2 < ViewParam::WallLayouts) {
            st.workMode = p1;
            st.wallLayout = p2;
        } else {
            return refuse(frame, what);
        }
        logControl(what);
        return reply(cmd, sub, StatusOK, p2);
    }
    case ViewSub::SetWallSource:
        if (!validSource(p1))
            return refuse(frame, QStringLiteral("video-wall source %1").arg(p1));
        st.wallSource = p1;
        logControl(QStringLiteral("video-wall source %1").arg(p1));
        return reply(cmd, sub, p1);
    case ViewSub::GetWall:
        return reply(cmd, sub, st.wallSource, st.wallLayout);
    case ViewSub::SetMvAudio:
        if (p1 > ViewParam::Sources)
            return refuse(frame, QStringLiteral("multi-view audio source %1").arg(p1));
        st.mvAudioSource = p1;
        logControl(QStringLiteral("multi-view audio source %1").arg(p1));
        return reply(cmd, sub, StatusOK);
    case ViewSub::GetMvAudio:
        return reply(cmd, sub, st.mvAudioSource);
    case ViewSub::SetMvMainPicture:
        if (!validSource(p1))
            return refuse(frame, QStringLiteral("multi-view main picture %1").arg(p1));
        st.mvMainPicture = p1;
        logControl(QStringLiteral("multi-view main picture %1").arg(p1));
        return reply(cmd, sub, p1);
    case ViewSub::GetMv:
        return reply(cmd, sub, st.mvMainPicture, st.mvLayout);
    case ViewSub::SetBorder: {
        const QString what =
            QStringLiteral("border output %1 side %2 = %3").arg(p1).arg(p2).arg(p3);
        if (!validOutput(p1) || p2 >= ViewParam::BorderSides || p3 > ViewParam::BorderMax)
            return refuse(frame, what);
        st.borders[p1 - 1][p2] = static_cast<uint8_t>(p3);
        logControl(what);
        return reply(cmd, sub, p1, p2, p3);
    }
    case ViewSub::GetBorders: {
        if (!validOutput(p1))
            return refuse(frame, QStringLiteral("read borders of output %1").arg(p1));
        const auto &b = st.borders[p1 - 1];
        return reply(cmd, sub, p1, uint16_t(b[0] << 8 | b[1]), uint16_t(b[2] << 8 | b[3]));
    }
    default:
        return rejected(frame);
    }
}

QByteArray MatrixDevice::executeAudio(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    MatrixState &st = m_state;
    if (!validOutput(p1))
        return refuse(frame, QStringLiteral("audio 0x06/%1 port %2").arg(sub).arg(p1));
    switch (sub) {
    case AudioSub::SetInput:
        if (p2 < 1 || p2 > AudioParam::InputItems)
            return refuse(frame, QStringLiteral("input %1 audio %2").arg(p1).arg(p2));
        st.inputAudio[p1 - 1] = static_cast<uint8_t>(p2);
        logControl(QStringLiteral("input %1 audio %2").arg(p1).arg(p2));
        return reply(cmd, sub, p1, p2);
    case AudioSub::GetInput:
        return reply(cmd, sub, p1, st.inputAudio[p1 - 1]);
    case AudioSub::SetOutput:
        if (p2 < AudioParam::AnalogBase || p2 > AudioParam::ExtractedFollow)
            return refuse(frame, QStringLiteral("output %1 audio source %2").arg(p1).arg(p2));
        st.outputAudio[p1 - 1] = p2;
        logControl(QStringLiteral("output %1 audio source %2").arg(p1).arg(p2));
        return reply(cmd, sub, p1, p2);
    case AudioSub::GetOutput:
        return reply(cmd, sub, p1, st.outputAudio[p1 - 1]);
    case AudioSub::SetDelay:
        if (p2 >= AudioParam::DelayItems)
            return refuse(frame, QStringLiteral("output %1 audio delay %2").arg(p1).arg(p2));
        st.audioDelay[p1 - 1] = static_cast<uint8_t>(p2);
        logControl(QStringLiteral("output %1 audio delay %2").arg(p1).arg(p2));
        return reply(cmd, sub, p1, p2);
    case AudioSub::GetDelay:
        return reply(cmd, sub, p1, st.audioDelay[p1 - 1]);
    default:
        return rejected(frame);
    }
}

QByteArray MatrixDevice::executeInput(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    const uint16_t p3 = paramOf(frame, 3);
    MatrixState &st = m_state;
    if (!validOutput(p1))
        return refuse(frame, QStringLiteral("input 0x07/%1 port %2").arg(sub).arg(p1));
    switch (sub) {
    case InputSub::SetSource: {
        const QString what = QStringLiteral("input %1 source %2, auto %3").arg(p1).arg(p3).arg(p2);
        if ((p2 != InputParam::AutoOn && p2 != InputParam::AutoOff) || p3 < 1 ||
            p3 > InputParam::TypeVgaLast)
            return refuse(frame, what);
        st.inputAuto[p1 - 1] = p2 == InputParam::AutoOn;
        st.inputSource[p1 - 1] = p3;
        logControl(what);
        return reply(cmd, sub, p1, p2, p3);
    }
    case InputSub::GetSource:
        return reply(cmd, sub, p1, st.inputAuto[p1 - 1] ? InputParam::AutoOn : InputParam::AutoOff,
                     st.inputSource[p1 - 1]);
    default:
        return rejected(frame);
    }
}

QByteArray MatrixDevice::executePoh(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p2 = paramOf(frame, 2);
    const uint16_t p3 = paramOf(frame, 3);
    MatrixState &st = m_state;
    if (sub == PohSub::Get)
        return reply(cmd, sub, StatusOK, st.pohTransmitters, st.pohReceivers);
    const bool tx = (p2 & 0xFF00) == PohParam::SetFlag;
    const bool rx = (p3 & 0xFF00) == PohParam::SetFlag;
    if ((!tx && p2 != 0) || (!rx && p3 != 0) || (!tx && !rx))
        return refuse(frame, QStringLiteral("POH P2 0x%1 P3 0x%2")
                                 .arg(p2, 4, 16, QLatin1Char('0'))
                                 .arg(p3, 4, 16, QLatin1Char('0')));
    if (tx) {
        st.pohTransmitters = static_cast<uint8_t>(p2 & 0xFF);
        logControl(QStringLiteral("POH transmitters 0x%1")
                       .arg(st.pohTransmitters, 2, 16, QLatin1Char('0')));
    }
    if (rx) {
        st.pohReceivers = static_cast<uint8_t>(p3 & 0xFF);
        logControl(
            QStringLiteral("POH receivers 0x%1").arg(st.pohReceivers, 2, 16, QLatin1Char('0')));
    }
    return reply(cmd, sub, StatusOK, st.pohTransmitters, st.pohReceivers);
}

QByteArray MatrixDevice::executeIrRoute(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    const uint16_t p3 = paramOf(frame, 3);
    const uint16_t p4 = paramOf(frame, 4);
    MatrixState &st = m_state;
    auto row = [](uint8_t mask) { return uint16_t(mask << IrRouteParam::RowShift); };
    auto rowsText = [](const MatrixState::IrRoute &r) {
        return QStringLiteral("TX 0x%1, local 0x%2, RX 0x%3")
            .arg(r.remoteTx, 2, 16, QLatin1Char('0'))
            .arg(r.local, 2, 16, QLatin1Char('0'))
            .arg(r.remoteRx, 2, 16, QLatin1Char('0'));
    };
    switch (sub) {
    case IrRouteSub::SetRemoteRxOutput:
        if (!validOutput(p1) || !validOutput(p2))
            return refuse(frame,
                          QStringLiteral("remote RX %1 IR out <- local IR in %2").arg(p1).arg(p2));
        st.remoteRxIr[p1 - 1] = static_cast<uint8_t>(p2);
        logControl(QStringLiteral("remote RX %1 IR out <- local IR in %2").arg(p1).arg(p2));
        return reply(cmd, sub, p1, p2);
    case IrRouteSub::GetRemoteRxOutput:
        if (!validOutput(p1))
            return refuse(frame, QStringLiteral("read remote RX %1 IR out").arg(p1));
        return reply(cmd, sub, p1, st.remoteRxIr[p1 - 1]);
    case IrRouteSub::SetAllIn:
    case IrRouteSub::SetAllOut: {
        const bool in = sub == IrRouteSub::SetAllIn;
        // Row masks travel in the high bytes; a low byte is not the unit's.
        if ((p1 | p2 | p3) & 0x00FF || (in ? p4 != 0 : (p4 != 0 && p4 != IrRouteParam::Loop)))
            return refuse(frame,
                          in ? QStringLiteral("global IR in") : QStringLiteral("global IR out"));
        MatrixState::IrRoute &r = in ? st.irIn : st.irOut;
        r.remoteRx = uint8_t(p1 >> 8);
        r.local = uint8_t(p2 >> 8);
        r.remoteTx = uint8_t(p3 >> 8);
        if (!in)
            st.irLoop = p4 == IrRouteParam::Loop;
        logControl((in ? QStringLiteral("global IR in: ") : QStringLiteral("global IR out: ")) +
                   rowsText(r) +
                   (in          ? QString()
                    : st.irLoop ? QStringLiteral(", loop")
                                : QString()));
        return reply(cmd, sub, StatusOK);
    }
    case IrRouteSub::GetAllIn:
        return reply(cmd, sub, row(st.irIn.remoteRx), row(st.irIn.local), row(st.irIn.remoteTx));
    case IrRouteSub::GetAllOut:
        return reply(cmd, sub, row(st.irOut.remoteRx), row(st.irOut.local), row(st.irOut.remoteTx),
                     st.irLoop ? IrRouteParam::Loop : 0);
    default:
        return rejected(frame);
    }
}

QByteArray MatrixDevice::executeRs232(const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    MatrixState &st = m_state;
    const bool validPort = p1 >= 1 && p1 <= Rs232Param::GlobalPort;
    switch (sub) {
    case Rs232Sub::Set:
        if (!validPort || p2 >= Rs232Param::Items)
            return refuse(frame, QStringLiteral("RS-232 port %1 route %2").arg(p1).arg(p2));
        st.rs232Route[p1 - 1] = static_cast<uint8_t>(p2);
        logControl(QStringLiteral("RS-232 port %1 route %2").arg(p1).arg(p2));
        return reply(cmd, sub, p1, p2);
    case Rs232Sub::Get:
        if (!validPort)
            return refuse(frame, QStringLiteral("read RS-232 port %1").arg(p1));
        return reply(cmd, sub, p1, st.rs232Route[p1 - 1]);
    default:
        return rejected(frame);
    }
}

void MatrixDevice::setInputMode(int input, uint16_t mode) {
    MatrixState &st = m_state;
    if (mode == UserMemory1 || mode == UserMemory2)
        st.inputEdid[input - 1] = st.userEdid[mode == UserMemory1 ? 0 : 1];
    else if ((mode & 0xFF) == Param::EdidModeAuto)
        st.inputEdid[input - 1] = st.outputEdidAsRead(input); // auto: follow the output
    else
        st.inputEdid[input - 1] = MatrixState::builtInEdid(mode & 0xFF);
    st.inputEdidMode[input - 1] = mode;
}

QByteArray MatrixDevice::executeEdid(Session &s, const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    const uint16_t p2 = paramOf(frame, 2);
    MatrixState &st = m_state;
    const bool modeOk =
        p1 == UserMemory1 || p1 == UserMemory2 ||
        ((p1 & 0xFF00) == Param::EdidAddressBase && MatrixState::isBuiltInModeIndex(p1 & 0xFF));
    auto copyFrom = [&](int output, int input) {
        st.inputEdid[input - 1] = st.outputEdid[output - 1];
        st.inputEdidMode[input - 1] = 0;
    };

    switch (sub) {
    case EdidSub::SetModeAll:
        if (!modeOk)
            return rejected(frame);
        for (int i = 1; i <= MatrixState::PortCount; ++i)
            setInputMode(i, p1);
        return reply(cmd, sub, StatusOK);
    case EdidSub::SetModeOne:
        if (!modeOk || !validOutput(p2))
            return rejected(frame);
        setInputMode(p2, p1);
        return reply(cmd, sub, StatusOK, p2);
    case EdidSub::CopyAll:
    case EdidSub::CopyOne:
        if (!validOutput(p1) || (sub == EdidSub::CopyOne && !validOutput(p2)))
            return rejected(frame);
        if (!st.sinkConnected(p1, st.outputEdidSource[p1 - 1]))
            return rejected(frame); // nothing to copy
        if (sub == EdidSub::CopyAll) {
            for (int i = 1; i <= MatrixState::PortCount; ++i)
                copyFrom(p1, i);
        } else {
            copyFrom(p1, p2);
        }
        return reply(cmd, sub, p1, p2);
    case EdidSub::Read: { // block read: start
        QByteArray data;
        if ((p1 & 0xFF00) == Param::EdidAddressBase && validOutput(p1 & 0xFF))
            data = st.outputEdidAsRead(p1 & 0xFF);
        else if (p1 == UserMemory1 || p1 == UserMemory2)
            data = st.userEdid[p1 == UserMemory1 ? 0 : 1];
        else
            return rejected(frame);
        s.endTransfer();
        s.mode = Session::Mode::BlockRead;
        s.cmd = cmd;
        s.sub = sub;
        s.p1 = p1;
        s.p3 = paramOf(frame, 3);
        s.p4 = paramOf(frame, 4);
        s.readData = data;
        return reply(cmd, sub, StatusOK,
                     static_cast<uint16_t>(std::min<qsizetype>(data.size(), 0xFFFF)));
    }
    case EdidSub::DownloadAll:
    case EdidSub::DownloadOne:
        if (sub == EdidSub::DownloadAll
                ? p1 != AllInputs
                : !(((p1 & 0xFF00) == Param::EdidAddressBase && validOutput(p1 & 0xFF)) ||
                    p1 == UserMemory1 || p1 == UserMemory2))
            return rejected(frame);
        s.endTransfer();
        s.mode = Session::Mode::BlockWrite;
        s.cmd = cmd;
        s.sub = sub;
        s.p1 = p1;
        s.p3 = paramOf(frame, 3);
        s.p4 = paramOf(frame, 4);
        return reply(cmd, sub, StatusMore);
    case EdidSub::Prelude:
        if (p1 != Param::EdidPrelude)
            return rejected(frame);
        ++st.edidPreludeCount;
        return reply(cmd, sub, StatusOK);
    case EdidSub::DefaultAll:
        if (p1 != Param::EdidDefaultAll)
            return rejected(frame);
        for (int i = 1; i <= MatrixState::PortCount; ++i)
            setInputMode(i, MatrixState::DefaultEdidMode);
        return reply(cmd, sub, StatusOK);
    case EdidSub::DefaultOne:
        if (!validOutput(p1))
            return rejected(frame);
        setInputMode(p1, MatrixState::DefaultEdidMode);
        return reply(cmd, sub, p1);
    case EdidSub::SetOutputSource:
        if (!validOutput(p1) || (p2 != SinkHDMI && p2 != SinkHDBT))
            return rejected(frame);
        st.outputEdidSource[p1 - 1] = static_cast<uint8_t>(p2);
        return reply(cmd, sub, p1, p2);
    case EdidSub::GetOutputSource:
        if (!validOutput(p1))
            return rejected(frame);
        return reply(cmd, sub, p1, st.outputEdidSource[p1 - 1]);
    default:
        return rejected(frame);
    }
}

void MatrixDevice::handleBlockRequest(Session &s, const QByteArray &frame, QList<SimOutput> &out) {
    const uint16_t request = paramOf(frame, 1);
    const int count = std::max(1, int((s.readData.size() + BlockDataMax - 1) / BlockDataMax));
    int index = 0;
    if (request == RequestNext)
        index = s.lastSent + 1;
    else if (request == RequestRepeat)
        index = std::max(s.lastSent, 0);
    QByteArray packet(PacketWireSize, '\0');
    const FaultKind fault = nextFault(true, false);
    if (index >= count) {
        packet.replace(0, FrameSize, reply(s.cmd, s.sub, StatusRejected, 0, s.p3, s.p4));
        sendReply(packet, fault == FaultKind::CorruptBlock ? FaultKind::None : fault, s, out, true);
        return;
    }
    const int offset = index * BlockDataMax;
    const int n = std::min<int>(BlockDataMax, s.readData.size() - offset);
    const bool last = index == count - 1;
    packet.replace(
        0, FrameSize,
        reply(s.cmd, s.sub, last ? StatusLast : StatusMore, static_cast<uint16_t>(n), s.p3, s.p4));
    if (n > 0) {
        packet[FrameSize] =
            static_cast<char>(BlockChecksum(u8(s.readData) + offset, static_cast<std::size_t>(n)));
        std::memcpy(packet.data() + FrameSize + 1, s.readData.constData() + offset,
                    static_cast<std::size_t>(n));
    }
    s.lastSent = index;
    sendReply(packet, fault, s, out, true);
}

// Host data packet of an EDID download. A block is taken when header, flags,
// length and block checksum are right; the memory is written when the last
// block has arrived. A packet equal to the last accepted one, sent again
// because its acknowledgement never reached the host, is acknowledged again
// without being stored twice.
void MatrixDevice::handleEdidPacket(Session &s, const QByteArray &packet, QList<SimOutput> &out) {
    const uint8_t *h = u8(packet);
    const uint16_t flag = paramOf(packet, 1);
    const int n = paramOf(packet, 2);
    const FaultKind fault = nextFault(false, false);

    const bool resend = !s.lastAccepted.isEmpty() && packet == s.lastAccepted &&
                        (s.lastAckFailed || now() < s.lastAckAt);
    bool ok = false;
    if (resend) {
        ok = true;
    } else if (!s.complete) {
        ok = FrameChecksum(h) == h[12] && n >= 1 && n <= BlockDataMax &&
             (flag == StatusLast || n == BlockDataMax) && paramOf(packet, 3) == s.p3 &&
             paramOf(packet, 4) == s.p4 &&
             BlockChecksum(h + FrameSize + 1, static_cast<std::size_t>(n)) == h[FrameSize] &&
             s.staging.size() + n <= MatrixState::MemoryMax;
    }
    if (fault == FaultKind::StatusFF)
        ok = false; // the host is told the block failed, so it is not taken
    if (ok && !resend) {
        s.staging.append(packet.constData() + FrameSize + 1, n);
        if (flag == StatusLast) {
            commitDownload(s);
            s.complete = true;
        }
    }
    const QByteArray answer =
        reply(s.cmd, s.sub, ok ? StatusOK : StatusRejected, static_cast<uint16_t>(n));
    const bool seen = sendReply(answer, fault, s, out);
    if (ok || resend) {
        // Remember whether the host will take this acknowledgement, and when it
        // leaves: an equal packet arriving before then is the host's re-send.
        s.lastAccepted = packet;
        s.lastAckFailed = !seen || !ok;
        // Behind a held-back reply the acknowledgement leaves late too.
        qint64 at = s.queueFrom;
        for (int i = 0; i < out.size(); ++i)
            at += out[i].delayMs;
        s.lastAckAt = at;
    }
}

void MatrixDevice::commitDownload(Session &s) {
    MatrixState &st = m_state;
    if (s.p1 == AllInputs) {
        for (int i = 0; i < MatrixState::PortCount; ++i) {
            st.inputEdid[i] = s.staging;
            st.inputEdidMode[i] = 0;
        }
    } else if (s.p1 == UserMemory1 || s.p1 == UserMemory2) {
        st.userEdid[s.p1 == UserMemory1 ? 0 : 1] = s.staging;
    } else {
        st.inputEdid[(s.p1 & 0xFF) - 1] = s.staging;
        st.inputEdidMode[(s.p1 & 0xFF) - 1] = 0;
    }
}

QByteArray MatrixDevice::executeUpload(Session &s, const QByteArray &frame) {
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    const uint16_t p1 = paramOf(frame, 1);
    MatrixState &st = m_state;

    if (s.mode == Session::Mode::Upload && cmd == s.cmd && sub == s.sub &&
        (p1 == Param::PrepareStep1 || p1 == Param::PrepareStep2)) {
        if (st.refuseAtPrepare)
            return reply(cmd, sub, StatusRefused);
        // Steps come in order; a repeated step (its answer was lost) is fine.
        if (s.nextBlock != 0)
            return rejected(frame);
        if (p1 == Param::PrepareStep1 && s.prepareStep <= 1)
            s.prepareStep = 1;
        else if (p1 == Param::PrepareStep2 && s.prepareStep >= 1)
            s.prepareStep = 2;
        else
            return rejected(frame);
        return reply(cmd, sub, StatusOK);
    }
    if (p1 == Param::PrepareStep1 || p1 == Param::PrepareStep2)
        return rejected(frame); // a preparation step without an upload
    const int slot = paramOf(frame, 2);
    const SimBoard *board = uploadBoard(s, frame, false);
    if (st.refuseUploads || st.refusedParts.contains(MatrixState::partKey(sub, p1, slot)) ||
        (board && board->refuseParts)) {
        s.endTransfer();
        return reply(cmd, sub, StatusRefused);
    }
    s.endTransfer();
    s.mode = Session::Mode::Upload;
    s.cmd = cmd;
    s.sub = sub;
    s.p1 = p1;
    s.p2 = paramOf(frame, 2);
    s.p3 = paramOf(frame, 3);
    s.p4 = paramOf(frame, 4);
    return reply(cmd, sub, StatusMore);
}

// Host data packet of a firmware part. Packets carry their block number, so a
// block sent again after a lost acknowledgement is recognised exactly.
void MatrixDevice::handleUploadPacket(Session &s, const QByteArray &packet, QList<SimOutput> &out) {
    const uint8_t *h = u8(packet);
    const uint16_t flag = paramOf(packet, 1);
    const int n = paramOf(packet, 2);
    const uint16_t block = paramOf(packet, 4);
    SimBoard *board = uploadBoard(s, packet, true);
    if (board && !BoardUnit::answers(*board))
        return;
    const FaultKind fault = nextFault(false, false);
    MatrixState &st = m_state;

    const bool wellFormed =
        FrameChecksum(h) == h[12] && n >= 1 && n <= BlockDataMax &&
        packet.size() >= FrameSize + 1 + n && (flag == StatusLast || n == BlockDataMax) &&
        paramOf(packet, 3) == s.p1 &&
        BlockChecksum(h + FrameSize + 1, static_cast<std::size_t>(n)) == h[FrameSize];
    const bool resend = wellFormed && !s.lastAccepted.isEmpty() && block + 1 == s.nextBlock &&
                        packet == s.lastAccepted;
    uint8_t status = StatusRejected;
    bool reboot = false;
    if (resend) {
        status = StatusOK;
    } else if (wellFormed && !s.complete && block == s.nextBlock &&
               s.staging.size() + n <= 16 * 1024 * 1024) {
        if (st.refuseBlocks > 0 && fault != FaultKind::StatusFF) {
            --st.refuseBlocks;
            status = StatusRefused;
        } else {
            status = StatusOK;
        }
    }
    if (fault == FaultKind::StatusFF)
        status = StatusRejected;
    if (status == StatusOK && !resend) {
        s.staging.append(packet.constData() + FrameSize + 1, n);
        ++s.nextBlock;
        ++s.blocks;
        s.lastAccepted = packet;
        if (flag == StatusLast) {
            UploadedPart part;
            part.partClass = s.sub;
            part.kind = s.p1;
            part.slot = s.p2;
            part.ver1 = s.p3;
            part.ver2 = s.p4;
            part.prepared = s.prepareStep == 2;
            part.blocks = s.blocks;
            part.data = s.staging;
            st.uploads.append(part);
            if (board) {
                // The board keeps the image with its header, and runs the new firmware.
                StoredImage image;
                image.start = Frame::make(s.cmd, s.sub, s.p1, s.p2, s.p3, s.p4);
                image.image = s.staging;
                image.prepared = part.prepared;
                image.blocks = s.blocks;
                board->images.append(image);
                board->bcRunning = false;
            }
            s.complete = true;
            reboot =
                s.sub == McuSub::UploadWithReboot; // the main MCU restarts into its new firmware
        }
    }
    sendReply(reply(s.cmd, s.sub, status, static_cast<uint16_t>(n), s.p1, block), fault, s, out);
    if (reboot)
        this->reboot(st.rebootMs);
}

SimBoard *MatrixDevice::uploadBoard(const Session &s, const QByteArray &frame, bool running) {
    if (running)
        return s.mode == Session::Mode::Upload ? m_state.unit.boardForPart(s.sub, s.p1, s.p2)
                                               : nullptr;
    const uint8_t cmd = u8(frame)[2];
    const uint8_t sub = u8(frame)[3];
    if (cmd != Cmd::Mcu || (sub != McuSub::UploadWithReboot && sub != McuSub::UploadNoReboot))
        return nullptr;
    return m_state.unit.boardForPart(sub, paramOf(frame, 1), paramOf(frame, 2));
}

void MatrixDevice::handleBoardFrame(Session &s, const QByteArray &frame, QList<SimOutput> &out) {
    // A board command ends any other transfer of the session.
    const BoardTransfer boards = s.boards;
    s.endTransfer();
    s.boards = boards;
    SimBoard *board = BoardResponder::addressee(m_state.unit, frame);
    if (board && !BoardUnit::answers(*board))
        return;
    const bool packet = BoardResponder::answersWithPacket(frame);
    const FaultKind fault = nextFault(packet, false);
    const QByteArray answer =
        BoardResponder::answerFrame(m_state.unit, s.boards, frame, fault == FaultKind::StatusFF);
    sendReply(answer, fault, s, out, packet);
}

void MatrixDevice::handleBoardPacket(Session &s, const QByteArray &packet, QList<SimOutput> &out) {
    log(packet);
    SimBoard *board = BoardResponder::addressee(m_state.unit, packet);
    if (board && !BoardUnit::answers(*board))
        return;
    const FaultKind fault = nextFault(false, false);
    const QByteArray answer = BoardResponder::answerWritePacket(m_state.unit, s.boards, packet,
                                                                fault == FaultKind::StatusFF);
    sendReply(answer, fault, s, out);
}

void MatrixDevice::handleLdcd(Session &s, const QByteArray &packet, QList<SimOutput> &out) {
    log(packet);
    const FaultKind fault = nextFault(false, true);
    QByteArray answer;
    if (fault == FaultKind::StatusFF) {
        ModuleInfo probe = m_state.module; // answer without taking the packet
        answer = probe.answerLdcd(packet);
    } else {
        answer = m_state.module.answerLdcd(packet);
    }
    sendReply(answer, fault, s, out, false, true);
}

FaultKind MatrixDevice::nextFault(bool blockPacket, bool ldcd) {
    // A corrupted block checksum needs a data packet; everything else fits any reply.
    auto applicable = [&](FaultKind kind) {
        return kind != FaultKind::CorruptBlock || blockPacket;
    };
    Q_UNUSED(ldcd);
    FaultKind chosen = FaultKind::None;
    if (!m_queued.empty()) {
        if (applicable(m_queued.front())) {
            chosen = m_queued.front();
            m_queued.pop_front();
        }
    } else if (m_faults.rate > 0.0) {
        std::uniform_real_distribution<double> draw(0.0, 1.0);
        if (draw(m_rng) < m_faults.rate) {
            QList<FaultKind> kinds = m_faults.kinds;
            if (kinds.isEmpty()) {
                kinds = allFaultKinds();
                kinds.removeAll(FaultKind::CloseConnection);
            }
            QList<FaultKind> usable;
            for (FaultKind kind : kinds)
                if (kind != FaultKind::None && applicable(kind))
                    usable << kind;
            if (!usable.isEmpty()) {
                std::uniform_int_distribution<int> pick(0, int(usable.size()) - 1);
                chosen = usable[pick(m_rng)];
            }
        }
    }
    if (chosen != FaultKind::None)
        m_applied << chosen;
    return chosen;
}

bool MatrixDevice::sendReply(QByteArray answer, FaultKind fault, Session &s, QList<SimOutput> &out,
                             bool blockPacket, bool ldcd) {
    const int delay = m_processingDelayMs;
    auto resealLdcd = [&answer] {
        answer[31] = static_cast<char>(ModuleInfo::ldcdChecksum(answer));
    };
    switch (fault) {
    case FaultKind::None:
        break;
    case FaultKind::DropReply:
        return false;
    case FaultKind::CorruptChecksum:
        if (ldcd)
            answer[31] = static_cast<char>(u8(answer)[31] ^ 0xFF);
        else
            answer[12] = static_cast<char>(u8(answer)[12] ^ 0xFF);
        out.append({answer, delay, false});
        return false;
    case FaultKind::StatusFF:
        if (ldcd) {
            answer[30] = static_cast<char>(0xFF);
            resealLdcd();
        } else {
            answer[4] = static_cast<char>(StatusRejected);
            answer[5] = 0;
            reseal(answer);
        }
        out.append({answer, delay, false});
        return false;
    case FaultKind::WrongEcho:
        if (ldcd) {
            answer[0] = static_cast<char>(u8(answer)[0] ^ 0xFF);
            resealLdcd();
        } else {
            answer[2] = static_cast<char>(u8(answer)[2] == Cmd::Device ? Cmd::Power : Cmd::Device);
            reseal(answer);
        }
        out.append({answer, delay, false});
        return false;
    case FaultKind::SplitReply: {
        const int size = int(answer.size());
        std::uniform_int_distribution<int> cutAt(1, std::max(1, size - 1));
        int a = cutAt(m_rng);
        int b = cutAt(m_rng);
        if (a > b)
            std::swap(a, b);
        out.append({answer.left(a), delay, false});
        if (b > a)
            out.append({answer.mid(a, b - a), m_faults.splitGapMs, false});
        out.append({answer.mid(b), m_faults.splitGapMs, false});
        return true;
    }
    case FaultKind::StrayBytes: {
        std::uniform_int_distribution<int> count(1, 8);
        std::uniform_int_distribution<int> value(0, 255);
        const int extra = count(m_rng);
        for (int i = 0; i < extra; ++i)
            answer.append(static_cast<char>(value(m_rng)));
        break;
    }
    case FaultKind::DelayReply:
        out.append({answer, delay + m_faults.delayMs, false});
        return true;
    case FaultKind::CloseConnection:
        out.append({QByteArray(), delay, true});
        s.rx.clear();
        s.endTransfer();
        return false;
    case FaultKind::CorruptBlock:
        if (blockPacket && answer.size() > FrameSize)
            answer[FrameSize] = static_cast<char>(u8(answer)[FrameSize] ^ 0xFF);
        out.append({answer, delay, false});
        return false;
    }
    out.append({answer, delay, false});
    return true;
}
