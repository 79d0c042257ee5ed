#include "firmware/FirmwareFile.h"

#include "firmware/FirmwareCipher.h"

FirmwareFile::FirmwareFile(const QByteArray &bytes) : FBytes(bytes) {
    FEnd = Walk(FBytes, [this](const FirmwarePartEntry &part) {
        FParts.append(part);
        return true;
    });
}

FirmwareWalkEnd FirmwareFile::Walk(const QByteArray &bytes,
                                   const std::function<bool(const FirmwarePartEntry &)> &visit) {
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size) {
        const qsizetype left = size - at;
        if (left < FirmwarePartHeaderSize)
            return FirmwareWalkEnd::Truncated;
        FirmwarePartEntry part;
        part.Header = FirmwarePartHeader::fromBytes(bytes.constData() + at, left);
        if (!PartHeaderValid(part.Header))
            return FirmwareWalkEnd::BadHeader;
        part.HeaderOffset = at;
        part.ImageOffset = at + FirmwarePartHeaderSize;
        const qsizetype imageLeft = size - part.ImageOffset;
        if (qint64(part.Header.ImageLength()) > qint64(imageLeft))
            return FirmwareWalkEnd::Truncated;
        at = part.ImageOffset + qsizetype(part.Header.ImageLength());
        if (!visit(part))
            break;
    }
    return FirmwareWalkEnd::Complete;
}

QByteArray FirmwareFile::StoredImage(int index) const {
    if (index < 0 || index >= FParts.size())
        return QByteArray();
    const FirmwarePartEntry &part = FParts.at(index);
    return FBytes.mid(part.ImageOffset, qsizetype(part.Header.ImageLength()));
}

QByteArray FirmwareFile::PlainImage(int index) const {
    QByteArray image = StoredImage(index);
    DecipherFirmware(image);
    return image;
}

std::optional<FoundPart> FindPart(const QByteArray &file, uint8_t partClass, uint16_t mcuKind,
                                  std::optional<uint16_t> slot) {
    std::optional<FoundPart> found;
    FirmwareFile::Walk(file, [&](const FirmwarePartEntry &part) {
        const FirmwarePartHeader &h = part.Header;
        bool match = false;
        if (partClass == PartClassMain)
            match = h.PartClass() == PartClassMain;
        else if (partClass == PartClassSub)
            match = h.PartClass() == PartClassSub && h.MCUKind() == mcuKind &&
                    (!slot || h.Slot() == *slot);
        if (!match)
            return true;
        FoundPart result;
        result.Header = h;
        result.Image = file.mid(part.ImageOffset, qsizetype(h.ImageLength()));
        DecipherFirmware(result.Image);
        found = result;
        return false;
    });
    return found;
}
