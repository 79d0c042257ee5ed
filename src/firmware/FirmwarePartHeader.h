#pragma once
// The 143-byte header in front of every firmware part image. Bytes 128..137
// are the parameters of the command that starts the upload of the part, so a
// part can be sent without knowing what its image contains.

#include "protocol/CommandCodes.h"
#include "protocol/Frames.h"

#include <QByteArray>
#include <cstdint>

constexpr int FirmwarePartHeaderSize = 143;
constexpr int PartBannerSize = 64;
constexpr int PartTitleSize = 64;
constexpr uint8_t PartCommandCode = Cmd::Mcu; // MCU maintenance

// Part classes (the upload frame's sub-code).
constexpr uint8_t PartClassMain = 1;
constexpr uint8_t PartClassSub = 2;

// MCU kinds of sub parts (the upload frame's P1).
constexpr uint16_t McuKindMain = 1;
constexpr uint16_t McuKindSlave = 1;
constexpr uint16_t McuKindIrMatrix = 2;
constexpr uint16_t McuKindFrontPanel = 3;
constexpr uint16_t McuKindIdir = 4;
constexpr uint16_t McuKindInputCard = 5;
constexpr uint16_t McuKindOutputCard = 6;

struct FirmwarePartHeader {
    uint8_t b[FirmwarePartHeaderSize] = {};

    uint8_t CommandCode() const { return b[128]; }
    uint8_t PartClass() const { return b[129]; }
    uint16_t MCUKind() const { return word(130); }
    uint16_t Slot() const { return word(132); }
    uint16_t Ver1() const { return word(134); }
    uint16_t Ver2() const { return word(136); }
    uint32_t ImageLength() const;
    uint8_t Checksum() const { return b[142]; }

    void setSlot(uint16_t slot) { setWord(132, slot); }
    void setVer1(uint16_t ver1) { setWord(134, ver1); }
    void setVer2(uint16_t ver2) { setWord(136, ver2); }
    // Recompute byte 142 after a field was changed.
    void Seal();

    // The 13-byte frame that starts the upload of this part, sealed.
    Frame UploadFrame() const;

    QByteArray toBytes() const;
    // A cleared header filled with the first bytes of `data` (at most 143);
    // bytes beyond `available` stay zero.
    static FirmwarePartHeader fromBytes(const char *data, qsizetype available);

private:
    uint16_t word(int at) const { return uint16_t(b[at] | (b[at + 1] << 8)); }
    void setWord(int at, uint16_t value);
};

// A header with both text fields, the MCU maintenance command code, the given fields and its
// checksum.
FirmwarePartHeader BuildPartHeader(uint8_t partClass, uint16_t mcuKind, uint16_t slot,
                                   uint16_t ver1, uint16_t ver2, uint32_t imageLength);

// True when the 143 bytes sum to 0 modulo 256.
bool PartHeaderValid(const FirmwarePartHeader &header);
