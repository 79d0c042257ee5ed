#pragma once
// What a board reports about its boot code: which board it is, its MCU type,
// the boot-code version, whether it runs its boot code (instead of its
// firmware) and whether its board information is valid.

#include <cstdint>

struct BootCodeInfo {
    uint8_t PCBType = 0;
    uint8_t SubIndex = 0;
    uint8_t MCUType = 0;
    uint8_t BCVersion = 0;
    uint8_t BCRunning = 0;
    uint8_t BoardInfoValid = 0;
    uint8_t Success = 0; // the board answered
};
