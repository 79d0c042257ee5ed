#pragma once
// Command frames, reply checks and data packets shared by both ends of the
// matrix protocol: 13-byte frames, negated-sum checksums, 270-byte packets.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

constexpr int FrameSize = 13;
constexpr int BlockDataMax = 256;
constexpr int PacketWireSize = 270; // header + block checksum + 256 data bytes
constexpr int ModuleReplySize = 32; // LDCD packet on the serial link

constexpr uint8_t FrameStart1 = 0xA5;
constexpr uint8_t FrameStart2 = 0x5B;

// Status byte values (reply byte 4).
constexpr uint8_t StatusRejected = 0xFF;
constexpr uint8_t StatusMore = 0xAA;
constexpr uint8_t StatusLast = 0x56;
constexpr uint8_t StatusOK = 0x00;
constexpr uint8_t StatusRefused = 0x44;

// One 13-byte frame; P1..P4 are 16-bit little-endian at bytes 4..11.
struct Frame {
    uint8_t b[FrameSize] = {};

    uint8_t command() const { return b[2]; }
    uint8_t subCode() const { return b[3]; }
    uint16_t param(int n) const; // n = 1..4
    void setParam(int n, uint16_t value);
    uint8_t status() const { return b[4]; }
    QByteArray toBytes() const;
    static Frame fromBytes(const uint8_t *bytes);
    static Frame make(uint8_t command, uint8_t subCode, uint16_t p1 = 0, uint16_t p2 = 0,
                      uint16_t p3 = 0, uint16_t p4 = 0);
};

// The 13 reply bytes as received followed by the success flag.
struct TReplyRecord {
    uint8_t Bytes[FrameSize] = {};
    uint8_t Success = 0;

    uint8_t status() const { return Bytes[4]; }
    uint16_t param(int n) const; // n = 1..4, little-endian
    uint8_t paramLo(int n) const { return static_cast<uint8_t>(param(n) & 0xFF); }
    bool ok() const { return Success == 1; }
    void clear() { *this = TReplyRecord(); }
};

// Zero the frame and set the two start bytes.
void PrepareFrame(uint8_t *frame);
inline void PrepareFrame(Frame &f) {
    PrepareFrame(f.b);
}
// Negated sum of bytes 0..11.
uint8_t FrameChecksum(const uint8_t *frame);
inline uint8_t FrameChecksum(const Frame &f) {
    return FrameChecksum(f.b);
}
// Set byte 12 to the frame checksum.
void SealFrame(uint8_t *frame);
inline void SealFrame(Frame &f) {
    SealFrame(f.b);
}
// Start bytes right and bytes 2-3 echo the sent frame.
bool ReplyMatches(const uint8_t *reply, const uint8_t *sent);
// Negated sum of the data bytes.
uint8_t BlockChecksum(const uint8_t *data, std::size_t length);
// Checks 1 to 4 of an ordinary reply, in order.
bool ReplyAccepted(const uint8_t *reply, const uint8_t *sent);

// Host data packet for a block write (EDID download: 270 bytes on the wire)
// or a firmware part upload (14 + n bytes). `remaining` is the number of bytes
// left from `data`; at most 256 go into this packet.
enum class PacketKind { EdidDownload, FirmwarePart };
QByteArray BuildHostPacket(PacketKind kind, const Frame &start, const uint8_t *data, int remaining,
                           uint16_t blockNumber, bool padTo270 = false);
// Data length of the packet built for `remaining` bytes.
inline int PacketDataLength(int remaining) {
    return remaining > BlockDataMax ? BlockDataMax : (remaining < 0 ? 0 : remaining);
}

// Request values (P1) of a block read.
constexpr uint16_t RequestFirst = 0x00AA;  // first block, or again while none was accepted
constexpr uint16_t RequestNext = 0x0000;   // next block
constexpr uint16_t RequestRepeat = 0x00FF; // the same block again

// Block read request: the starting frame with P1 = `request`, P2 = 0, sealed.
Frame BlockReadRequest(const Frame &start, uint16_t request);

// Checks a 270-byte data packet sent by the device in answer to `sent`:
// header checks (checksum, start bytes, echo), status 0xAA or 0x56, a data
// length of at most 256 and the block checksum. Returns the data length, or
// -1 when the block is not valid.
int CheckReadBlock(const uint8_t *packet, const uint8_t *sent);
