#pragma once
// A whole unit for upgrade tests: a package with a main part whose block
// lists every board, input cards and output cards fitted `cards` times each,
// and the simulated unit holding those boards.

#include "BoardUnit.h"
#include "PackageSamples.h"
#include "boardinfo/BoardInfoBlock.h"
#include "firmware/FirmwareCipher.h"

#include <QFile>

namespace unitsamples {

constexpr uint8_t InputType = 5;
constexpr uint8_t OutputType = 6;

// The main block as the package builder leaves it: every board of the unit,
// then the special code. `mainFirst` false lists the cards before MAIN.
inline QByteArray mainBlock(int cards, bool mainFirst = true, const QByteArray &special = {}) {
    QByteArray block(BlockHeadSize, '\0');
    block[0] = char(BoardInfoFormat);
    const QByteArray main = BoardEntryBytes(0, 1, QByteArray("MAIN", 5));
    const QByteArray cardsEntries =
        BoardEntryBytes(InputType, uint8_t(cards), QByteArray("INPUT", 6)) +
        BoardEntryBytes(OutputType, uint8_t(cards), QByteArray("OUTPUT", 7));
    block += mainFirst ? main + cardsEntries : cardsEntries + main;
    block += SpecialCodeEntryBytes(special.isEmpty() ? QByteArray("\x00\x01", 2) : special);
    FixBoardInfoChecksum(block);
    return block;
}

inline QList<samples::ItemFields> unitItems(int cards) {
    return {
        {"MAIN", 0, 1, "Main MCU", 3, "Main FW", 0x2C, 'B', 'A', 'C', "0001", 1, 0, 1, 4, 2, 600},
        {"INPUT", InputType, uint8_t(cards), "Card MCU", 7, "Input FW", 0x0A, 'A', 'A', 'Z', "0002",
         1, 0, 1, 2, 17, 300},
        {"OUTPUT", OutputType, uint8_t(cards), "Card MCU", 8, "Output FW", 0x0B, 'A', 'A', 'Z',
         "0003", 1, 0, 1, 3, 9, 280},
    };
}

// The item bytes with the main item's block replaced by the unit's list.
inline QByteArray unitPackageOf(const QList<samples::ItemFields> &items, int cards,
                                bool mainFirst = true) {
    QByteArray bytes;
    for (const samples::ItemFields &s : items) {
        QByteArray item = samples::packageItem(s);
        if (s.pcbType == 0) {
            PackageItem read;
            ReadPackageItem(item, 1, read);
            BoardInfoHeader header = read.InfoHeader;
            const QByteArray block = mainBlock(cards, mainFirst);
            header.setBlockLength(uint16_t(block.size()));
            item = FirmwarePackage::ItemBytes(read.Header, read.Record, header, block, read.Image);
        }
        bytes += item;
    }
    return bytes;
}

inline QByteArray unitPackage(int cards = 4, bool mainFirst = true) {
    return unitPackageOf(unitItems(cards), cards, mainFirst);
}

// The plain image of item `pcbType` as the package carries it.
inline QByteArray imageOf(uint8_t pcbType, int cards = 4) {
    for (const samples::ItemFields &s : unitItems(cards))
        if (s.pcbType == pcbType)
            return samples::image(s.imageSize, s.pcbType);
    return {};
}

inline SimBoard board(uint8_t type, uint8_t sub, const QByteArray &block) {
    SimBoard b;
    b.pcbType = type;
    b.subIndex = sub;
    b.pcbTypeForCheck = type;
    b.mcuType = type == 0 ? 3 : type + 2;
    b.pcbSolution = type == 0 ? 0x2C : 0x0A;
    b.pcbVersion = 'B';
    b.block = block;
    return b;
}

inline QByteArray cardBlock(uint8_t type, const char *name) {
    QByteArray block(BlockHeadSize, '\0');
    block[0] = char(BoardInfoFormat);
    block += BoardEntryBytes(type, 1, QByteArray(name, int(qstrlen(name)) + 1));
    block += SpecialCodeEntryBytes(QByteArray("\x00\x09", 2));
    FixBoardInfoChecksum(block);
    return block;
}

// The unit the package is for, with its boards' old board information.
inline BoardUnit unit(int cards = 4) {
    BoardUnit u;
    u.boards << board(0, 0, mainBlock(cards, true, QByteArray("\x00\x07", 2)));
    for (int s = 0; s < cards; ++s)
        u.boards << board(InputType, uint8_t(s), cardBlock(InputType, "INPUT-OLD"));
    for (int s = 0; s < cards; ++s)
        u.boards << board(OutputType, uint8_t(s), cardBlock(OutputType, "OUTPUT-OLD"));
    return u;
}

// The plain image of a ".fw" file's part, and the part as the file holds it.
inline QByteArray fileImage(uint16_t kind, uint16_t slot) {
    return samples::image(40 + 8 * slot, uint8_t(kind * 16 + slot));
}
inline QByteArray filePart(uint8_t partClass, uint16_t kind, uint16_t slot) {
    const QByteArray plain = fileImage(kind, slot);
    QByteArray image = plain;
    EncipherFirmware(image);
    return BuildPartHeader(partClass, kind, slot, 3, 4, uint32_t(plain.size())).toBytes() + image;
}

// A ".fw" file for the unit: the main part, then a part per card slot.
inline QByteArray unitFirmwareFile(int cards) {
    QByteArray file = filePart(PartClassMain, McuKindMain, 0);
    for (uint16_t type : {InputType, OutputType})
        for (int n = 1; n <= cards; ++n)
            file += filePart(PartClassSub, type, uint16_t(n));
    return file;
}

inline bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace unitsamples
