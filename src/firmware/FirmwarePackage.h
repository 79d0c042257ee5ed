#pragma once
// A version-controlled firmware package (".fw2"): items back to back, each a
// part header, a board-information record, a board-information header, the
// block, the enciphered part image and sixteen bytes 0x88. Every length read
// from the data is checked against what is left; an item that does not fit
// ends the walk and is not counted.

#include "boardinfo/BoardInfoHeader.h"
#include "boardinfo/BoardInfoRecord.h"
#include "firmware/FirmwarePartHeader.h"
#include "firmware/TVCUpgradeCheckPoint.h"

#include <QByteArray>
#include <QList>

constexpr int PackageTrailerSize = 16;
constexpr char PackageTrailerByte = char(0x88);

// One item as read: the image deciphered.
struct PackageItem {
    FirmwarePartHeader Header;
    BoardInfoRecord Record;
    BoardInfoHeader InfoHeader;
    QByteArray Block;
    QByteArray Image;
    TVCUpgradeCheckPoint CheckPoint;
};

class FirmwarePackage {
public:
    // Walks the items of `bytes`, stopping early when `*closing` becomes set.
    explicit FirmwarePackage(const QByteArray &bytes, const bool *closing = nullptr);

    // Complete items found.
    int Count() const { return int(FItems.size()); }
    // True when the data end inside an item (or the walk was stopped).
    bool Malformed() const { return FMalformed; }
    // Item k, 1..Count(); a cleared item outside that range.
    PackageItem Item(int k) const;
    // The item as stored, header to trailer.
    QByteArray StoredItem(int k) const;

    // One item as a package writer lays it out: the plain image is
    // enciphered from position 0 and the trailer appended.
    static QByteArray ItemBytes(const FirmwarePartHeader &header, const BoardInfoRecord &record,
                                const BoardInfoHeader &infoHeader, const QByteArray &block,
                                const QByteArray &plainImage);

private:
    struct Span {
        qsizetype Start = 0;
        qsizetype BlockAt = 0;
        qsizetype ImageAt = 0;
        qsizetype End = 0; // after the trailer
    };
    QByteArray FBytes;
    QList<Span> FItems;
    bool FMalformed = false;
};

// Reads the package from its start. k = -1: all items, returns their number
// and leaves the last one in `item`. k >= 1: stops after item k, leaves it in
// `item` and returns k; when the package has fewer complete items it returns
// their number and `item` is cleared. `malformed` tells whether the walk met
// an item that does not fit in the data.
int ReadPackageItem(const QByteArray &package, int k, PackageItem &item, bool *malformed = nullptr,
                    const bool *closing = nullptr);
