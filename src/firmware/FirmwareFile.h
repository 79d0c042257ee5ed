#pragma once
// A firmware file (".fw"): parts back to back, each a part header followed by
// its enciphered image. The walk stops at the first header with a wrong
// checksum and at the first part that does not fit in what is left of the
// file; the parts before it stay usable.

#include "firmware/FirmwarePartHeader.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <optional>

// Where a part sits in the file.
struct FirmwarePartEntry {
    FirmwarePartHeader Header;
    qsizetype HeaderOffset = 0;
    qsizetype ImageOffset = 0;
};

enum class FirmwareWalkEnd {
    Complete,  // every byte belongs to a valid part
    BadHeader, // a header with a wrong checksum
    Truncated, // a header or an image runs past the end of the file
};

// A part found by FindPart: its header unchanged and its deciphered image.
struct FoundPart {
    FirmwarePartHeader Header;
    QByteArray Image;
};

class FirmwareFile {
public:
    explicit FirmwareFile(const QByteArray &bytes);

    // Calls `visit` for every valid part in file order until it returns false.
    // Returns how the walk ended (Complete also when `visit` stopped it).
    static FirmwareWalkEnd Walk(const QByteArray &bytes,
                                const std::function<bool(const FirmwarePartEntry &)> &visit);

    const QList<FirmwarePartEntry> &Parts() const { return FParts; }
    FirmwareWalkEnd End() const { return FEnd; }
    bool Valid() const { return FEnd == FirmwareWalkEnd::Complete; }

    // The image of part `index` as stored (enciphered) and deciphered.
    QByteArray StoredImage(int index) const;
    QByteArray PlainImage(int index) const;

private:
    QByteArray FBytes;
    QList<FirmwarePartEntry> FParts;
    FirmwareWalkEnd FEnd = FirmwareWalkEnd::Complete;
};

// The first part that matches: class 1 → the first main part; class 2 → the
// first sub part of that MCU kind, and with `slot` also of that slot. Nothing
// when the walk ends (end of file, bad header, truncated part) before a match.
std::optional<FoundPart> FindPart(const QByteArray &file, uint8_t partClass, uint16_t mcuKind = 0,
                                  std::optional<uint16_t> slot = std::nullopt);
