#pragma once
// Summary of one item of a version-controlled firmware package: what the
// upgrade compares with a board to decide whether the item's part fits it.

#include <QString>
#include <cstdint>

struct TVCUpgradeCheckPoint {
    uint8_t PCBType = 0;
    uint8_t MCUType = 0;
    uint8_t Solution = 0;
    uint8_t PCBVersion = 0;
    uint8_t PCBVersionFrom = 0;
    uint8_t PCBVersionTo = 0;
    QString SpecialCode;
    uint8_t Ver1 = 0;
    uint8_t Ver2 = 0;
    uint8_t IncludeBoardInfo = 0;
    uint8_t OverwriteSpecialCode = 0;
    uint8_t DefaultFirmware = 0;
};
