#include "protocol/RxAssembler.h"

#include "protocol/Frames.h"

#include <algorithm>
#include <cstring>

int RxAssembler::ExpectedLength(uint8_t mode, bool serialLink) {
    if (mode == RxBlockRead)
        return PacketWireSize;
    if (mode == RxModuleCommand && serialLink)
        return ModuleReplySize;
    return FrameSize;
}

void RxAssembler::clear() {
    std::memset(Buffer, 0, sizeof Buffer);
    Pos = 0;
    Complete = false;
}

int RxAssembler::feed(const uint8_t *bytes, int count, bool serialLink) {
    // A complete reply stays as it is until it has been taken.
    if (Complete || count <= 0)
        return 0;
    const int expected = ExpectedLength(Mode, serialLink);
    if (Pos < 0 || Pos > expected)
        Pos = 0;
    int i = 0;
    if (Mode != RxModuleCommand) {
        // Every reply of the frame kinds starts with A5 5B: bytes in front of
        // that (the tail of an earlier answer, line noise) are not a reply.
        while (i < count && Pos < 2) {
            const uint8_t b = bytes[i++];
            if (Pos == 1 && b == FrameStart2) {
                Buffer[1] = b;
                Pos = 2;
            } else if (b == FrameStart1) {
                Buffer[0] = b;
                Pos = 1;
            } else {
                Pos = 0;
            }
        }
    }
    const int n = std::min(count - i, expected - Pos);
    if (n > 0)
        std::memcpy(Buffer + Pos, bytes + i, static_cast<std::size_t>(n));
    Pos += n;
    Complete = Pos >= expected;
    if (Complete)
        Pos = 0;
    return i + n;
}
