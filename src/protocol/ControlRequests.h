#pragma once
// Typed builders of the requests of the matrix control pages: one function per command, each
// returning the unsealed frame. Callers never handle command codes, sub-codes or parameter
// positions.

#include "protocol/Frames.h"

#include <cstdint>

namespace ControlRequests {
// Routing and work mode.
Frame workModeQuery();
Frame setMatrixMode();
Frame switchOutput(int input, int output);
Frame outputInputQuery(int output);

// Multi-view and video wall.
Frame setMultiViewLayout(int layoutCode);
Frame setVideoWallLayout(int layoutCode);
Frame videoWallQuery();
Frame multiViewAudioSet(int source); // 0 = follow the main picture
Frame multiViewAudioQuery();
Frame multiViewMainPictureSet(int source);
Frame multiViewQuery();
Frame videoWallSourceSet(int source);
Frame borderSet(int output, int side, int value);
Frame bordersQuery(int output);

// Audio and video source settings.
Frame videoSourceSet(int input, bool autoOn, bool hdbt);
Frame inputTypeSet(int input, bool vga);
Frame inputSourceQuery(int input);
Frame inputAudioSet(int input, int item);
Frame inputAudioQuery(int input);
Frame outputAudioSet(int output, int code);
Frame outputAudioQuery(int output);
Frame audioDelaySet(int output, int item);
Frame audioDelayQuery(int output);
Frame pohTransmittersSet(uint8_t mask);
Frame pohReceiversSet(uint8_t mask);
Frame pohQuery();

// IR and RS-232 routing. Row masks: bit k-1 = box k.
struct IrRows {
    uint8_t remoteTx = 0;
    uint8_t local = 0;
    uint8_t remoteRx = 0;
};
Frame remoteRxIrOutputSet(int receiver, int item);
Frame remoteRxIrOutputQuery(int receiver);
Frame globalIrInSet(const IrRows &rows);
Frame globalIrInQuery();
Frame globalIrOutSet(const IrRows &rows, bool loop);
Frame globalIrOutQuery();
Frame rs232RouteSet(int port, int item); // port 1-8, or 9 for the global route
Frame rs232RouteQuery(int port);
} // namespace ControlRequests
