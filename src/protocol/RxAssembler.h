#pragma once
// Collects the bytes of one expected reply, whatever link they come from.
// The expected length follows from the receive mode; bytes beyond it in the
// same delivery are dropped. Replies of the frame kinds (every mode but 6)
// begin with the start bytes A5 5B: bytes in front of them are dropped. When
// the reply is complete the position goes back to 0, and further bytes are
// dropped until the owner takes the reply and clears the state (or resets
// Complete to wait for another reply).

#include <cstdint>

// Receive modes: the kind of reply an exchange expects.
enum RxModes : uint8_t {
    RxCommand = 0,        // 13 bytes
    RxBlockRead = 1,      // a 270-byte data packet
    RxBoardInfoWrite = 2, // 13 bytes
    RxUpload = 3,         // 13 bytes
    RxUploadPrepared = 4, // 13 bytes
    RxModuleCommand = 6,  // 32 bytes on a serial line, 13 otherwise
};

class RxAssembler {
public:
    static constexpr int BufferSize = 540;

    // Bytes expected for a receive mode: 270 for block reads (1), 32 for
    // module replies (6, serial link only), 13 for everything else.
    static int ExpectedLength(uint8_t mode, bool serialLink);
    int expectedLength(bool serialLink) const { return ExpectedLength(Mode, serialLink); }

    // Zero the buffer, position 0, not complete (the mode stays).
    void clear();
    // Take one delivery; returns the number of bytes consumed (the rest lay
    // beyond the end of the reply and was dropped).
    int feed(const uint8_t *bytes, int count, bool serialLink);

    uint8_t Buffer[BufferSize] = {};
    int Pos = 0;
    bool Complete = false;
    uint8_t Mode = 0;
};
