#pragma once
// Firmware packages made in the test: one board-information tree, one package
// item per firmware item, laid out as the package builder lays them out.

#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoTree.h"
#include "boardinfo/SpecialCode.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwarePartHeader.h"

#include <QByteArray>
#include <QString>

namespace samples {

inline QByteArray image(int size, uint8_t seed) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char(uint8_t(seed * 31 + i));
    return b;
}

struct ItemFields {
    QString board;
    uint8_t pcbType;
    uint8_t quantity;
    QString group;
    uint8_t mcuType;
    QString item;
    uint8_t solution;
    char version, from, to;
    QString specialCode;
    uint8_t include, overwrite, isDefault;
    uint8_t ver1, ver2;
    int imageSize;
};

// The three items of the sample package: the main board, an input card
// fitted eight times, and a front panel item without an image.
inline QList<ItemFields> threeItems() {
    return {
        {"MAIN", 0, 1, "Main MCU", 3, "Main FW", 0x2C, 'B', 'A', 'C', "0001", 1, 0, 1, 1, 5, 300},
        {"INPUT", 5, 8, "Card MCU", 7, "Input FW", 0x0A, 'A', 'A', 'Z', "12AB;0003", 0, 1, 0, 2, 17,
         70},
        {"PANEL", 3, 1, "Panel MCU", 1, "Panel FW", 0xFF, 'C', 'C', 'D', "", 0, 0, 1, 0, 0, 0},
    };
}

inline QByteArray packageItem(const ItemFields &s) {
    BoardInfoTree tree;
    BoardInfoTreeNode *board = tree.AddTop();
    board->Data.setNameText(s.board);
    board->Data.PCBType = s.pcbType;
    board->Data.Quantity = s.quantity;
    BoardInfoTreeNode *group = tree.AddChild(board);
    group->Data.setNameText(s.group);
    group->Data.MCUType = s.mcuType;
    BoardInfoTreeNode *item = tree.AddChild(group);
    item->Checked = true;
    BoardInfoNode &d = item->Data;
    d.setNameText(s.item);
    d.PCBType = s.pcbType;
    d.Quantity = s.quantity;
    d.MCUType = s.mcuType;
    d.Solution = s.solution;
    d.PCBVersion = uint8_t(s.version);
    d.PCBVersionFrom = uint8_t(s.from);
    d.PCBVersionTo = uint8_t(s.to);
    SpecialCodeToBytes(s.specialCode, d.SpecialCode);
    d.IncludeBoardInfo = s.include;
    d.OverwriteSpecialCode = s.overwrite;
    d.DefaultFirmware = s.isDefault;
    d.Ver1 = s.ver1;
    d.Ver2 = s.ver2;
    const BoardInfo info = BuildBoardInfo(tree, *item);
    const bool main = s.pcbType == 0;
    const FirmwarePartHeader header =
        BuildPartHeader(main ? PartClassMain : PartClassSub, main ? McuKindMain : s.pcbType, 0,
                        s.ver1, s.ver2, uint32_t(s.imageSize));
    return FirmwarePackage::ItemBytes(header, info.Record, info.Header, info.Block,
                                      image(s.imageSize, s.pcbType));
}

inline QByteArray package(const QList<ItemFields> &items = threeItems()) {
    QByteArray bytes;
    for (const ItemFields &s : items)
        bytes += packageItem(s);
    return bytes;
}

} // namespace samples
