#include "boardinfo/BoardInfoFile.h"

#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoTree.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr int MarkerSize = 4;
constexpr char RecordMarker = 0x17;
constexpr char HeaderMarker = 0x18;
constexpr char BlockMarker = 0x19;
constexpr int MaxLevel = 2;
constexpr qsizetype FixedEntrySize =
    BoardInfoRecordSize + MarkerSize + BoardInfoHeaderSize + MarkerSize + MarkerSize;

// Where a node of `level` goes, relative to `previous`; nullptr when the level
// cannot follow it (a jump of more than one level down).
BoardInfoTreeNode *placeNode(BoardInfoTree &tree, BoardInfoTreeNode *previous, int level) {
    if (tree.IsEmpty() || !previous)
        return level == 0 ? tree.AddTop() : nullptr;
    const int previousLevel = previous->Level();
    if (level == previousLevel + 1)
        return tree.AddChild(previous);
    if (level > previousLevel)
        return nullptr;
    BoardInfoTreeNode *anchor = previous;
    for (int up = previousLevel - level; up > 0; --up)
        anchor = anchor->Parent();
    return tree.AddSibling(anchor);
}

} // namespace

QByteArray BoardInfoFileBytes(const BoardInfoTree &tree) {
    QByteArray image;
    for (const BoardInfoTreeNode *node : tree.Nodes()) {
        const BoardInfo info = BuildBoardInfo(tree, *node);
        image += info.Record.toBytes();
        image += QByteArray(MarkerSize, RecordMarker);
        image += info.Header.toBytes();
        image += QByteArray(MarkerSize, HeaderMarker);
        image += info.Block;
        image += QByteArray(MarkerSize, BlockMarker);
    }
    return image;
}

BoardInfoFileResult SaveBoardInfoFile(const BoardInfoTree &tree, const QString &path) {
    if (tree.IsEmpty())
        return BoardInfoFileResult::Empty;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return BoardInfoFileResult::WriteError;
    const QByteArray image = BoardInfoFileBytes(tree);
    if (file.write(image) != image.size()) {
        file.cancelWriting();
        return BoardInfoFileResult::WriteError;
    }
    return file.commit() ? BoardInfoFileResult::Ok : BoardInfoFileResult::WriteError;
}

BoardInfoFileResult ReadBoardInfoFileBytes(BoardInfoTree &tree, const QByteArray &bytes) {
    BoardInfoTreeNode *previous = tree.Selected();
    if (!previous && !tree.IsEmpty())
        previous = tree.Nodes().constLast();
    BoardInfoFileResult result = BoardInfoFileResult::Ok;
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size) {
        if (size - at < FixedEntrySize) {
            result = BoardInfoFileResult::Malformed;
            break;
        }
        const char *p = bytes.constData() + at;
        const BoardInfoRecord record = BoardInfoRecord::fromBytes(p);
        const BoardInfoHeader header =
            BoardInfoHeader::fromBytes(p + BoardInfoRecordSize + MarkerSize);
        const qsizetype blockAt =
            at + BoardInfoRecordSize + MarkerSize + BoardInfoHeaderSize + MarkerSize;
        const qsizetype blockLength = header.BlockLength();
        if (size - blockAt < blockLength + MarkerSize) {
            result = BoardInfoFileResult::Malformed;
            break;
        }
        const QByteArray block = bytes.mid(blockAt, blockLength);
        BoardInfoBoardEntry board;
        BoardInfoSpecialEntry special;
        bool malformedBlock = false;
        ParseBoardInfoBlock(block, 1, board, special, &malformedBlock);
        const int level = record.Level();
        if (malformedBlock || level < 0 || level > MaxLevel) {
            result = BoardInfoFileResult::Malformed;
            break;
        }
        BoardInfoTreeNode *node = placeNode(tree, previous, level);
        if (!node) {
            result = BoardInfoFileResult::Malformed;
            break;
        }
        node->Checked = record.Checked() != 0;
        BoardInfoNode &d = node->Data;
        d.IncludeBoardInfo = record.IncludeBoardInfo();
        d.OverwriteSpecialCode = record.OverwriteSpecialCode();
        d.DefaultFirmware = record.DefaultFirmware();
        d.Ver1 = record.Ver1();
        d.Ver2 = record.Ver2();
        d.FirmwareFile = record.FirmwarePath();
        d.Name = board.Name;
        d.PCBType = board.PCBType;
        d.Quantity = board.Quantity;
        d.MCUType = header.MCUType();
        d.Solution = header.Solution();
        d.PCBVersion = header.PCBVersion();
        d.PCBVersionFrom = header.PCBVersionFrom();
        d.PCBVersionTo = header.PCBVersionTo();
        d.SpecialCode = special.Bytes;
        node->Text = d.NameText();
        previous = node;
        at = blockAt + blockLength + MarkerSize;
    }
    tree.Select(tree.IsEmpty() ? nullptr : tree.Top(0));
    return result;
}

BoardInfoFileResult LoadBoardInfoFile(BoardInfoTree &tree, const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return BoardInfoFileResult::ReadError;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return BoardInfoFileResult::ReadError;
    return ReadBoardInfoFileBytes(tree, bytes);
}
