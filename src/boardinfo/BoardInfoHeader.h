#pragma once
// The 16-byte header in front of a board-information block: the mark
// 0xAA 0x55, the version-control fields of a firmware item and the block
// length. Kept as its bytes.

#include <QByteArray>
#include <cstdint>

constexpr int BoardInfoHeaderSize = 16;

struct BoardInfoHeader {
    uint8_t b[BoardInfoHeaderSize] = {};

    bool MarkValid() const { return b[0] == 0xAA && b[1] == 0x55; }
    uint8_t PCBType() const { return b[2]; }
    uint8_t MCUType() const { return b[3]; }
    uint8_t Solution() const { return b[4]; }
    uint8_t PCBVersion() const { return b[5]; }
    uint8_t PCBVersionFrom() const { return b[6]; }
    uint8_t PCBVersionTo() const { return b[7]; }
    uint16_t BlockLength() const { return uint16_t(b[8] | (b[9] << 8)); }

    void setBlockLength(uint16_t length) {
        b[8] = uint8_t(length & 0xFF);
        b[9] = uint8_t(length >> 8);
    }

    QByteArray toBytes() const;
    // The first 16 bytes of `data` (the caller makes sure they exist).
    static BoardInfoHeader fromBytes(const char *data);
};
