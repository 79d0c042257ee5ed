#include "protocol/ControlReplies.h"

#include "protocol/CommandCodes.h"

namespace ControlReplies {

int workMode(const TReplyRecord &reply) {
    if (!reply.ok())
        return -1;
    const uint16_t mode = reply.param(1);
    if (mode == ViewParam::ModeMatrix || mode == ViewParam::ModeMultiView ||
        mode == ViewParam::ModeVideoWall)
        return mode;
    return -1;
}

int outputInput(const TReplyRecord &reply) {
    return reply.paramLo(2);
}

InputSource inputSource(const TReplyRecord &reply) {
    InputSource s;
    s.autoOn = reply.param(2) == InputParam::AutoOn;
    s.source = reply.param(3);
    return s;
}

int inputAudioItem(const TReplyRecord &reply) {
    return int(reply.param(2)) - 1;
}

int outputAudioCode(const TReplyRecord &reply) {
    return reply.param(2);
}

int audioDelayItem(const TReplyRecord &reply) {
    return reply.param(2);
}

PohMasks poh(const TReplyRecord &reply) {
    PohMasks m;
    m.transmitters = reply.paramLo(2);
    m.receivers = reply.paramLo(3);
    return m;
}

int remoteRxIrItem(const TReplyRecord &reply) {
    return int(reply.param(2)) - 1;
}

ControlRequests::IrRows irRows(const TReplyRecord &reply) {
    ControlRequests::IrRows rows;
    rows.remoteRx = static_cast<uint8_t>(reply.param(1) >> IrRouteParam::RowShift);
    rows.local = static_cast<uint8_t>(reply.param(2) >> IrRouteParam::RowShift);
    rows.remoteTx = static_cast<uint8_t>(reply.param(3) >> IrRouteParam::RowShift);
    return rows;
}

bool irLoop(const TReplyRecord &reply) {
    return (reply.param(4) >> IrRouteParam::RowShift) == 1;
}

int rs232Item(const TReplyRecord &reply) {
    return reply.param(2);
}

SourceAndLayout multiView(const TReplyRecord &reply) {
    return {reply.param(1), reply.param(2)};
}

SourceAndLayout videoWall(const TReplyRecord &reply) {
    return {reply.param(1), reply.param(2)};
}

int multiViewAudio(const TReplyRecord &reply) {
    return reply.param(1);
}

std::array<int, 4> borders(const TReplyRecord &reply) {
    const uint16_t lr = reply.param(2);
    const uint16_t tb = reply.param(3);
    return {lr >> 8, lr & 0xFF, tb >> 8, tb & 0xFF};
}

} // namespace ControlReplies
