#pragma once
// Typed readers of the replies of the matrix control pages. They read the fields as the matrix
// sends them; whether a value is in range for a control is decided by the pages' logic
// (src/control).

#include "protocol/ControlRequests.h"
#include "protocol/Frames.h"

#include <array>
#include <cstdint>

namespace ControlReplies {
// Work mode: 0 matrix, 1 multi-view, 2 video wall; -1 (unknown) for a failed
// read or any other value.
int workMode(const TReplyRecord &reply);
// Input routed to the output that was asked for (low byte of reply P2).
int outputInput(const TReplyRecord &reply);

struct InputSource {
    bool autoOn = false; // reply P2 = 2
    int source = 0;      // reply P3: 1 HDMI, 2 HDBT; as a type 1-64 HDMI, 65-80 VGA
};
InputSource inputSource(const TReplyRecord &reply);
int inputAudioItem(const TReplyRecord &reply);  // reply P2 - 1
int outputAudioCode(const TReplyRecord &reply); // reply P2
int audioDelayItem(const TReplyRecord &reply);  // reply P2

struct PohMasks {
    uint8_t transmitters = 0; // reply P2
    uint8_t receivers = 0;    // reply P3
};
PohMasks poh(const TReplyRecord &reply);

int remoteRxIrItem(const TReplyRecord &reply); // reply P2 - 1
// High bytes of reply P1, P2, P3: remote RX, local, remote TX rows.
ControlRequests::IrRows irRows(const TReplyRecord &reply);
bool irLoop(const TReplyRecord &reply);   // high byte of reply P4 is 1
int rs232Item(const TReplyRecord &reply); // reply P2

struct SourceAndLayout {
    int source = 0;     // reply P1
    int layoutCode = 0; // reply P2
};
SourceAndLayout multiView(const TReplyRecord &reply);
SourceAndLayout videoWall(const TReplyRecord &reply);
int multiViewAudio(const TReplyRecord &reply); // reply P1 (0 = follow the main picture)
// Borders of one output: left, right, top, bottom.
std::array<int, 4> borders(const TReplyRecord &reply);
} // namespace ControlReplies
