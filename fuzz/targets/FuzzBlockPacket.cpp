#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "protocol/Frames.h"
#include "protocol/Replies.h"

#include <cstring>

// Input: the 13 bytes of the request, 270 bytes of the device's packet (zero-
// filled when the input is shorter: the assembler always hands over 270), then
// a remaining count and block number for a host packet built from the start
// of the same bytes.
int FuzzBlockPacket(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    Frame sent;
    in.fill(sent.b, FrameSize);
    uint8_t packet[PacketWireSize];
    in.fill(packet, sizeof packet);

    const int n = CheckReadBlock(packet, sent.b);
    FUZZ_CHECK(n >= -1 && n <= BlockDataMax);
    if (n >= 0) {
        FUZZ_CHECK(ReplyAccepted(packet, sent.b));
        FUZZ_CHECK(packet[4] == StatusMore || packet[4] == StatusLast);
        FUZZ_CHECK(BlockChecksum(packet + FrameSize + 1, size_t(n)) == packet[FrameSize]);
    }

    // The typed readers take any accepted 13-byte reply.
    TReplyRecord reply;
    std::memcpy(reply.Bytes, packet, FrameSize);
    reply.Success = ReplyAccepted(packet, sent.b) ? 1 : 0;
    (void)Replies::bootCodeInfo(reply);
    (void)Replies::boardInfoFields(reply);
    (void)Replies::portCounts(reply);
    (void)Replies::firmwareVersion(reply);
    bool known = false;
    (void)Replies::outputSourceIsHdbt(reply, &known);

    // A host packet for any remaining count reads back as the block it holds.
    const int remaining = int(in.dword());
    const uint16_t blockNumber = in.word();
    const uint8_t *blockData = packet + FrameSize + 1; // 256 bytes: enough for any packet
    const int length = PacketDataLength(remaining);
    FUZZ_CHECK(length >= 0 && length <= BlockDataMax);
    const QByteArray edid =
        BuildHostPacket(PacketKind::EdidDownload, sent, blockData, remaining, blockNumber);
    FUZZ_CHECK(edid.size() == PacketWireSize);
    const auto *built = reinterpret_cast<const uint8_t *>(edid.constData());
    FUZZ_CHECK(CheckReadBlock(built, sent.b) == length);
    FUZZ_CHECK(built[4] == (remaining > BlockDataMax ? StatusMore : StatusLast));
    const QByteArray part =
        BuildHostPacket(PacketKind::FirmwarePart, sent, blockData, remaining, blockNumber);
    FUZZ_CHECK(part.size() == FrameSize + 1 + length);
    FUZZ_CHECK(std::memcmp(part.constData() + FrameSize + 1, blockData, size_t(length)) == 0);
    const QByteArray padded =
        BuildHostPacket(PacketKind::FirmwarePart, sent, blockData, remaining, blockNumber, true);
    FUZZ_CHECK(padded.size() == PacketWireSize);

    // A block read request keeps the start frame's command and parameters 3, 4.
    const Frame request = BlockReadRequest(sent, RequestRepeat);
    FUZZ_CHECK(FrameChecksum(request) == request.b[12]);
    FUZZ_CHECK(request.command() == sent.command() && request.param(3) == sent.param(3) &&
               request.param(4) == sent.param(4));
    return 0;
}
