#include "protocol/Frames.h"

#include <cstring>

uint16_t Frame::param(int n) const {
    const int at = 2 + 2 * n;
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

void Frame::setParam(int n, uint16_t value) {
    const int at = 2 + 2 * n;
    b[at] = static_cast<uint8_t>(value & 0xFF);
    b[at + 1] = static_cast<uint8_t>(value >> 8);
}

QByteArray Frame::toBytes() const {
    return QByteArray(reinterpret_cast<const char *>(b), FrameSize);
}

Frame Frame::fromBytes(const uint8_t *bytes) {
    Frame f;
    std::memcpy(f.b, bytes, FrameSize);
    return f;
}

Frame Frame::make(uint8_t command, uint8_t subCode, uint16_t p1, uint16_t p2, uint16_t p3,
                  uint16_t p4) {
    Frame f;
    PrepareFrame(f);
    f.b[2] = command;
    f.b[3] = subCode;
    f.setParam(1, p1);
    f.setParam(2, p2);
    f.setParam(3, p3);
    f.setParam(4, p4);
    SealFrame(f);
    return f;
}

uint16_t TReplyRecord::param(int n) const {
    const int at = 2 + 2 * n;
    return static_cast<uint16_t>(Bytes[at] | (Bytes[at + 1] << 8));
}

void PrepareFrame(uint8_t *frame) {
    std::memset(frame, 0, FrameSize);
    frame[0] = FrameStart1;
    frame[1] = FrameStart2;
}

uint8_t FrameChecksum(const uint8_t *frame) {
    unsigned sum = 0;
    for (int i = 0; i < FrameSize - 1; ++i)
        sum += frame[i];
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

void SealFrame(uint8_t *frame) {
    frame[12] = FrameChecksum(frame);
}

bool ReplyMatches(const uint8_t *reply, const uint8_t *sent) {
    return reply[0] == FrameStart1 && reply[1] == FrameStart2 && reply[2] == sent[2] &&
           reply[3] == sent[3];
}

uint8_t BlockChecksum(const uint8_t *data, std::size_t length) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

bool ReplyAccepted(const uint8_t *reply, const uint8_t *sent) {
    return reply[4] != StatusRejected && FrameChecksum(reply) == reply[12] &&
           ReplyMatches(reply, sent);
}

QByteArray BuildHostPacket(PacketKind kind, const Frame &start, const uint8_t *data, int remaining,
                           uint16_t blockNumber, bool padTo270) {
    const int n = PacketDataLength(remaining);
    Frame header;
    PrepareFrame(header);
    header.b[2] = start.b[2];
    header.b[3] = start.b[3];
    header.setParam(1, remaining > BlockDataMax ? StatusMore : StatusLast);
    header.setParam(2, static_cast<uint16_t>(n));
    if (kind == PacketKind::EdidDownload) {
        header.setParam(3, start.param(3));
        header.setParam(4, start.param(4));
    } else {
        header.setParam(3, start.param(1));
        header.setParam(4, blockNumber);
    }
    SealFrame(header);

    const bool full = kind == PacketKind::EdidDownload || padTo270;
    QByteArray packet(full ? PacketWireSize : FrameSize + 1 + n, '\0');
    std::memcpy(packet.data(), header.b, FrameSize);
    packet[FrameSize] = static_cast<char>(BlockChecksum(data, static_cast<std::size_t>(n)));
    if (n > 0)
        std::memcpy(packet.data() + FrameSize + 1, data, static_cast<std::size_t>(n));
    return packet;
}

Frame BlockReadRequest(const Frame &start, uint16_t request) {
    Frame f;
    PrepareFrame(f);
    std::memcpy(f.b + 2, start.b + 2, FrameSize - 3);
    f.setParam(1, request);
    f.setParam(2, 0);
    SealFrame(f);
    return f;
}

int CheckReadBlock(const uint8_t *packet, const uint8_t *sent) {
    if (!ReplyAccepted(packet, sent))
        return -1;
    if (packet[4] != StatusMore && packet[4] != StatusLast)
        return -1;
    const int n = packet[6] | (packet[7] << 8);
    if (n > BlockDataMax)
        return -1;
    if (BlockChecksum(packet + FrameSize + 1, static_cast<std::size_t>(n)) != packet[FrameSize])
        return -1;
    return n;
}
