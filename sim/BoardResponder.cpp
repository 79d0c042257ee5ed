#include "BoardResponder.h"

#include "protocol/CommandCodes.h"

#include <algorithm>

namespace {

const uint8_t *u8(const QByteArray &bytes) {
    return reinterpret_cast<const uint8_t *>(bytes.constData());
}

uint16_t word(uint8_t low, uint8_t high) {
    return static_cast<uint16_t>(low | (high << 8));
}

QByteArray refusal(const QByteArray &frame) {
    return Frame::make(u8(frame)[2], u8(frame)[3], StatusRejected).toBytes();
}

QByteArray refusedPacket(const QByteArray &frame) {
    QByteArray packet(PacketWireSize, '\0');
    packet.replace(0, FrameSize, refusal(frame));
    return packet;
}

// A board-information frame of the unit: the board's fields with P3's high
// byte and P4's low byte carrying `length`, byte 11 `marker`.
Frame boardFrame(uint8_t sub, const BoardInfoFields &f, int length, uint8_t marker) {
    return Frame::make(
        Cmd::Mcu, sub, word(f.PCBType, f.SubIndex), word(f.PCBTypeForCheck, f.PCBSolution),
        word(f.PCBVersion, uint8_t(length & 0xFF)), word(uint8_t((length >> 8) & 0xFF), marker));
}

} // namespace

bool BoardResponder::isBoardFrame(const QByteArray &frame) {
    if (frame.size() < FrameSize || u8(frame)[2] != Cmd::Mcu)
        return false;
    const uint8_t sub = u8(frame)[3];
    return sub == BoardSub::BootCodeInfo || sub == BoardSub::WriteInfo || sub == BoardSub::ReadInfo;
}

bool BoardResponder::answersWithPacket(const QByteArray &frame) {
    return isBoardFrame(frame) && u8(frame)[3] == BoardSub::ReadInfo &&
           u8(frame)[11] == BoardParam::More;
}

int BoardResponder::writePacketLength(const QByteArray &rx) {
    if (rx.size() < FrameSize)
        return -1;
    const uint8_t *h = u8(rx);
    if (h[2] != Cmd::Mcu || h[3] != BoardSub::WriteInfo ||
        (h[11] != BoardParam::More && h[11] != BoardParam::Last) || FrameChecksum(h) != h[12])
        return 0;
    const int n = word(h[9], h[10]);
    if (n < 1 || n > BlockDataMax)
        return FrameSize;
    const int wire = FrameSize + 1 + n;
    return rx.size() < wire ? -1 : wire;
}

SimBoard *BoardResponder::addressee(BoardUnit &unit, const QByteArray &frame) {
    if (frame.size() < FrameSize)
        return nullptr;
    return unit.board(u8(frame)[4], u8(frame)[5]);
}

QByteArray BoardResponder::answerFrame(BoardUnit &unit, BoardTransfer &t, const QByteArray &frame,
                                       bool rejected) {
    const uint8_t *f = u8(frame);
    const uint8_t sub = f[3];
    const uint8_t marker = f[11];
    const bool request = sub == BoardSub::ReadInfo && marker == BoardParam::More;
    SimBoard *board = addressee(unit, frame);
    const SimBoard *main = unit.mainBoard();
    // A main board that runs its boot code does not reach the other boards.
    const bool reachable = board && (board == main || !main || !main->bcRunning);
    if (!reachable || rejected) {
        if (!request)
            t.clear();
        return request ? refusedPacket(frame) : refusal(frame);
    }
    if (sub == BoardSub::BootCodeInfo) {
        t.clear();
        const BootCodeInfo info = board->bootCodeInfo();
        return Frame::make(Cmd::Mcu, sub, word(info.PCBType, info.SubIndex),
                           word(info.MCUType, info.BCVersion),
                           word(info.BCRunning, info.BoardInfoValid))
            .toBytes();
    }
    if (sub == BoardSub::ReadInfo && marker == BoardParam::Start) {
        t.clear();
        t.mode = BoardTransfer::Mode::Read;
        t.pcbType = board->pcbType;
        t.subIndex = board->subIndex;
        t.data = board->block;
        const int length = board->announcedLength >= 0
                               ? std::min(board->announcedLength, 0xFFFF)
                               : int(std::min<qsizetype>(board->block.size(), 0xFFFF));
        return boardFrame(sub, board->fields(), length, BoardParam::Start).toBytes();
    }
    if (request) {
        // The host says how many bytes it took from the last packet: 0 starts
        // the block again, the last packet's length asks for the next one.
        const int taken = word(f[9], f[10]);
        if (t.mode != BoardTransfer::Mode::Read || t.pcbType != board->pcbType ||
            t.subIndex != board->subIndex)
            return refusedPacket(frame);
        int at = 0;
        if (taken != 0) {
            if (t.sentLength == 0 || taken != t.sentLength)
                return refusedPacket(frame);
            at = t.sentAt + t.sentLength;
        }
        const int size = int(t.data.size());
        if (at >= size)
            return refusedPacket(frame);
        const int n = std::min(BlockDataMax, size - at);
        const int next = std::min(BlockDataMax, size - at - n);
        const bool last = next == 0;
        QByteArray packet(PacketWireSize, '\0');
        packet.replace(
            0, FrameSize,
            boardFrame(sub, board->fields(), next, last ? BoardParam::Last : BoardParam::More)
                .toBytes());
        packet[FrameSize] = static_cast<char>(BlockChecksum(u8(t.data) + at, std::size_t(n)));
        packet.replace(FrameSize + 1, n, t.data.mid(at, n));
        t.sentAt = at;
        t.sentLength = n;
        return packet;
    }
    if (sub == BoardSub::WriteInfo && marker == BoardParam::Start) {
        t.clear();
        t.mode = BoardTransfer::Mode::Write;
        t.pcbType = board->pcbType;
        t.subIndex = board->subIndex;
        t.fields = BoardInfoFields::fromFrame(f);
        t.fields.TransmiteState = 0;
        t.total = t.fields.ExtLen();
        if (t.total == 0) {
            // Nothing follows: the board now holds an empty block.
            board->block.clear();
            board->pcbTypeForCheck = t.fields.PCBTypeForCheck;
            board->pcbSolution = t.fields.PCBSolution;
            board->pcbVersion = t.fields.PCBVersion;
            board->boardInfoValid = false;
            ++board->boardInfoWrites;
            t.complete = true;
        }
        return boardFrame(sub, t.fields, t.total, BoardParam::Start).toBytes();
    }
    t.clear();
    return refusal(frame);
}

QByteArray BoardResponder::answerWritePacket(BoardUnit &unit, BoardTransfer &t,
                                             const QByteArray &packet, bool rejected) {
    const uint8_t *h = u8(packet);
    SimBoard *board = addressee(unit, packet);
    const int n = word(h[9], h[10]);
    const bool last = h[11] == BoardParam::Last;
    const BoardInfoFields got = BoardInfoFields::fromFrame(h);
    const int received = int(t.staging.size());
    const bool ok = !rejected && board && t.mode == BoardTransfer::Mode::Write && !t.complete &&
                    board->pcbType == t.pcbType && board->subIndex == t.subIndex &&
                    got.PCBTypeForCheck == t.fields.PCBTypeForCheck &&
                    got.PCBSolution == t.fields.PCBSolution &&
                    got.PCBVersion == t.fields.PCBVersion && FrameChecksum(h) == h[12] && n >= 1 &&
                    n <= BlockDataMax && packet.size() == FrameSize + 1 + n &&
                    received + n <= t.total && last == (received + n == t.total) &&
                    BlockChecksum(h + FrameSize + 1, std::size_t(n)) == h[FrameSize];
    const bool refused = ok && board->refuseInfoPackets > 0;
    if (refused)
        --board->refuseInfoPackets;
    if (!ok || refused) {
        // The host starts the whole block again from its start frame.
        t.clear();
        return refusal(packet);
    }
    t.staging.append(packet.constData() + FrameSize + 1, n);
    if (last) {
        board->block = t.staging;
        board->pcbTypeForCheck = t.fields.PCBTypeForCheck;
        board->pcbSolution = t.fields.PCBSolution;
        board->pcbVersion = t.fields.PCBVersion;
        board->boardInfoValid = true;
        ++board->boardInfoWrites;
        t.complete = true;
    }
    return boardFrame(BoardSub::WriteInfo, t.fields, int(t.staging.size()),
                      last ? BoardParam::Last : BoardParam::More)
        .toBytes();
}
