#pragma once
// Typed readers of the replies the tool acts on. Each takes the reply record
// of an accepted reply; callers never pick parameter bytes themselves.

#include "protocol/BoardInfoFields.h"
#include "protocol/BootCodeInfo.h"
#include "protocol/Frames.h"

#include <cstdint>

namespace Replies {
// Power query and set: the matrix is on.
bool powerOn(const TReplyRecord &reply);
// Option query and set: the option is on (enabled, unlocked).
bool optionOn(const TReplyRecord &reply);

struct DeviceId {
    uint8_t id = 0;
    bool singleBoardModel = false; // the one model that reports its own name
};
DeviceId deviceId(const TReplyRecord &reply);

struct PortCounts {
    int inputs = 0;
    int outputs = 0;
};
PortCounts portCounts(const TReplyRecord &reply);

struct FirmwareVersion {
    int major = 0;
    int minor = 0;
};
FirmwareVersion firmwareVersion(const TReplyRecord &reply);

// Output sink connection query: a sink is connected.
bool outputConnected(const TReplyRecord &reply);

// Output EDID source: true for HDBaseT, false for HDMI; `known` false when the
// matrix answered with neither.
bool outputSourceIsHdbt(const TReplyRecord &reply, bool *known);
// Boot-code information of a board (its success flag is the reply's).
BootCodeInfo bootCodeInfo(const TReplyRecord &reply);
// The eight board-information fields a board-information reply carries.
BoardInfoFields boardInfoFields(const TReplyRecord &reply);
} // namespace Replies
