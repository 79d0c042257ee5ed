#include "firmware/FirmwarePartHeader.h"

#include <cstring>

namespace {
const char PartBanner[] = "DON'T MODIFY THIS FILE MANNUALLY!";
const char PartTitle[] = "FIRMWARE FOR MergedFW";
constexpr int ImageLengthAt = 138;
constexpr int ChecksumAt = 142;
constexpr int FrameFieldsAt = 128; // header bytes 128..137 are frame bytes 2..11
constexpr int FrameFieldsSize = 10;
} // namespace

uint32_t FirmwarePartHeader::ImageLength() const {
    return uint32_t(b[ImageLengthAt]) | (uint32_t(b[ImageLengthAt + 1]) << 8) |
           (uint32_t(b[ImageLengthAt + 2]) << 16) | (uint32_t(b[ImageLengthAt + 3]) << 24);
}

void FirmwarePartHeader::setWord(int at, uint16_t value) {
    b[at] = uint8_t(value & 0xFF);
    b[at + 1] = uint8_t(value >> 8);
}

void FirmwarePartHeader::Seal() {
    b[ChecksumAt] = BlockChecksum(b, ChecksumAt);
}

Frame FirmwarePartHeader::UploadFrame() const {
    Frame f;
    PrepareFrame(f);
    std::memcpy(f.b + 2, b + FrameFieldsAt, FrameFieldsSize);
    SealFrame(f);
    return f;
}

QByteArray FirmwarePartHeader::toBytes() const {
    return QByteArray(reinterpret_cast<const char *>(b), FirmwarePartHeaderSize);
}

FirmwarePartHeader FirmwarePartHeader::fromBytes(const char *data, qsizetype available) {
    FirmwarePartHeader h;
    if (data && available > 0)
        std::memcpy(h.b, data, std::size_t(qMin<qsizetype>(available, FirmwarePartHeaderSize)));
    return h;
}

FirmwarePartHeader BuildPartHeader(uint8_t partClass, uint16_t mcuKind, uint16_t slot,
                                   uint16_t ver1, uint16_t ver2, uint32_t imageLength) {
    FirmwarePartHeader h;
    std::memcpy(h.b, PartBanner, sizeof(PartBanner) - 1);
    std::memcpy(h.b + PartBannerSize, PartTitle, sizeof(PartTitle) - 1);
    h.b[128] = PartCommandCode;
    h.b[129] = partClass;
    h.b[130] = uint8_t(mcuKind & 0xFF);
    h.b[131] = uint8_t(mcuKind >> 8);
    h.setSlot(slot);
    h.setVer1(ver1);
    h.setVer2(ver2);
    for (int i = 0; i < 4; ++i)
        h.b[ImageLengthAt + i] = uint8_t(imageLength >> (8 * i));
    h.Seal();
    return h;
}

bool PartHeaderValid(const FirmwarePartHeader &header) {
    return BlockChecksum(header.b, ChecksumAt) == header.b[ChecksumAt];
}
