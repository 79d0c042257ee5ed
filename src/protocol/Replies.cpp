#include "protocol/Replies.h"

#include "protocol/CommandCodes.h"

namespace Replies {

bool powerOn(const TReplyRecord &reply) {
    return reply.paramLo(2) == Param::ReplyOn;
}

bool optionOn(const TReplyRecord &reply) {
    return reply.paramLo(2) == Param::ReplyOn;
}

DeviceId deviceId(const TReplyRecord &reply) {
    DeviceId d;
    d.id = reply.paramLo(1);
    d.singleBoardModel = d.id == Param::DeviceIdKestrel;
    return d;
}

PortCounts portCounts(const TReplyRecord &reply) {
    return {reply.paramLo(1), reply.paramLo(2)};
}

FirmwareVersion firmwareVersion(const TReplyRecord &reply) {
    return {reply.paramLo(1), reply.paramLo(2)};
}

bool outputConnected(const TReplyRecord &reply) {
    // The matrix answers 0 in the low byte of P2 when a sink is connected.
    return reply.paramLo(2) == 0;
}

bool outputSourceIsHdbt(const TReplyRecord &reply, bool *known) {
    const uint16_t value = reply.param(2);
    if (known)
        *known = value == Param::SourceHdmi || value == Param::SourceHdbt;
    return value == Param::SourceHdbt;
}

BootCodeInfo bootCodeInfo(const TReplyRecord &reply) {
    BootCodeInfo info;
    info.PCBType = reply.paramLo(1);
    info.SubIndex = static_cast<uint8_t>(reply.param(1) >> 8);
    info.MCUType = reply.paramLo(2);
    info.BCVersion = static_cast<uint8_t>(reply.param(2) >> 8);
    info.BCRunning = reply.paramLo(3);
    info.BoardInfoValid = static_cast<uint8_t>(reply.param(3) >> 8);
    info.Success = reply.Success;
    return info;
}

BoardInfoFields boardInfoFields(const TReplyRecord &reply) {
    return BoardInfoFields::fromFrame(reply.Bytes);
}

} // namespace Replies
