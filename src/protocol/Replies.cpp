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

} // namespace Replies
