#include "boardinfo/BoardInfo.h"

#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoTree.h"

namespace {
constexpr int ItemLevel = 2;
}

BoardInfo BuildBoardInfo(const BoardInfoTree &tree, const BoardInfoTreeNode &node) {
    BoardInfo info;
    const BoardInfoNode &d = node.Data;

    BoardInfoRecord &r = info.Record;
    const int level = node.Level();
    r.setLevel(level);
    r.setAbsoluteIndex(tree.AbsoluteIndex(&node));
    r.setParentIndex(node.Parent() ? tree.AbsoluteIndex(node.Parent()) : -1);
    r.setChecked(node.Checked);
    if (level == ItemLevel) {
        const BoardInfoTreeNode *group = node.Parent();
        r.setBoardName(group->Parent()->Data.Name);
        r.setGroupName(group->Data.Name);
    }
    r.setIncludeBoardInfo(d.IncludeBoardInfo);
    r.setOverwriteSpecialCode(d.OverwriteSpecialCode);
    r.setDefaultFirmware(d.DefaultFirmware);
    r.setVer1(d.Ver1);
    r.setVer2(d.Ver2);
    r.setFirmwarePath(d.FirmwareFile);

    uint8_t *h = info.Header.b;
    h[0] = 0xAA;
    h[1] = 0x55;
    h[2] = d.PCBType;
    h[3] = d.MCUType;
    h[4] = d.Solution;
    h[5] = d.PCBVersion;
    h[6] = d.PCBVersionFrom;
    h[7] = d.PCBVersionTo;

    info.Block.append(char(BoardInfoFormat));
    info.Block.append('\0');
    info.Block.append(BoardEntryBytes(d.PCBType, d.Quantity, d.Name));
    info.Block.append(SpecialCodeEntryBytes(d.SpecialCode));
    FixBoardInfoChecksum(info.Block);
    info.Header.setBlockLength(uint16_t(info.Block.size()));
    return info;
}

int CountMainBoards(const BoardInfoTree &tree) {
    int count = 0;
    for (int i = 0; i < tree.TopCount(); ++i)
        if (tree.Top(i)->Data.PCBType == PCBTypeMainBoard)
            ++count;
    return count;
}
