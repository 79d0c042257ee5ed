#pragma once
// The eight header fields that travel with a board's board-information block,
// in wire order: the bytes of P1..P4 of the board-information frames, low
// byte first. ExtLenLSB/ExtLenMSB give the length of the block.

#include <cstdint>

struct BoardInfoFields {
    uint8_t PCBType = 0;
    uint8_t SubIndex = 0;
    uint8_t PCBTypeForCheck = 0;
    uint8_t PCBSolution = 0;
    uint8_t PCBVersion = 0; // character code of "A".."Z"
    uint8_t ExtLenLSB = 0;
    uint8_t ExtLenMSB = 0;
    uint8_t TransmiteState = 0;

    int ExtLen() const { return ExtLenLSB | (ExtLenMSB << 8); }
    void setExtLen(int length) {
        ExtLenLSB = static_cast<uint8_t>(length & 0xFF);
        ExtLenMSB = static_cast<uint8_t>((length >> 8) & 0xFF);
    }

    // From bytes 4..11 of a frame.
    static BoardInfoFields fromFrame(const uint8_t *frame) {
        const uint8_t *p = frame + 4;
        return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
    }
    // Into bytes 4..11 of a frame (the checksum is the caller's).
    void toFrame(uint8_t *frame) const {
        uint8_t *p = frame + 4;
        p[0] = PCBType;
        p[1] = SubIndex;
        p[2] = PCBTypeForCheck;
        p[3] = PCBSolution;
        p[4] = PCBVersion;
        p[5] = ExtLenLSB;
        p[6] = ExtLenMSB;
        p[7] = TransmiteState;
    }

    bool operator==(const BoardInfoFields &o) const {
        return PCBType == o.PCBType && SubIndex == o.SubIndex &&
               PCBTypeForCheck == o.PCBTypeForCheck && PCBSolution == o.PCBSolution &&
               PCBVersion == o.PCBVersion && ExtLenLSB == o.ExtLenLSB && ExtLenMSB == o.ExtLenMSB &&
               TransmiteState == o.TransmiteState;
    }
    bool operator!=(const BoardInfoFields &o) const { return !(*this == o); }
};
