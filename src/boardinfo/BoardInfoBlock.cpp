#include "boardinfo/BoardInfoBlock.h"

#include "boardinfo/BoardInfoNode.h"
#include "boardinfo/SpecialCode.h"
#include "protocol/Frames.h"

namespace {

constexpr int SpecialCodeMaxBytes = 2 * SpecialCodeMaxParts;

uint8_t byteAt(const QByteArray &a, qsizetype i) {
    return uint8_t(a.at(i));
}

// Length of the entry at `at` when it is well formed, else 0.
int entryLengthAt(const QByteArray &block, qsizetype at) {
    const qsizetype left = block.size() - at;
    if (left < EntryHeadSize)
        return 0;
    const int length = byteAt(block, at);
    const uint8_t type = byteAt(block, at + 1);
    if (length < EntryHeadSize || length > left)
        return 0;
    if (type == EntryTypeBoard) {
        if (length < BoardEntryHeadSize)
            return 0;
        const int nameLength = byteAt(block, at + 4);
        if (nameLength > BoardNameSize || BoardEntryHeadSize + nameLength > length)
            return 0;
    }
    return length;
}

} // namespace

QString BoardInfoBoardEntry::NameText() const {
    return BoardNameText(Name);
}

int ParseBoardInfoBlock(const QByteArray &block, int n, BoardInfoBoardEntry &board,
                        BoardInfoSpecialEntry &special, bool *malformed) {
    board = BoardInfoBoardEntry();
    special = BoardInfoSpecialEntry();
    if (malformed)
        *malformed = false;
    if (block.isEmpty())
        return -1;
    if (block.size() < BlockHeadSize) {
        if (malformed)
            *malformed = true;
        return 0;
    }
    int count = 0;
    qsizetype at = BlockHeadSize;
    while (at < block.size()) {
        const int length = entryLengthAt(block, at);
        if (length == 0) {
            if (malformed)
                *malformed = true;
            break;
        }
        const uint8_t type = byteAt(block, at + 1);
        if (type == EntryTypeBoard) {
            ++count;
            if (count == n) {
                board.EntryLength = uint8_t(length);
                board.EntryType = type;
                board.PCBType = byteAt(block, at + 2);
                board.Quantity = byteAt(block, at + 3);
                board.NameLength = byteAt(block, at + 4);
                board.Name = block.mid(at + BoardEntryHeadSize, board.NameLength);
            }
        } else if (type == EntryTypeSpecialCode) {
            special.EntryLength = uint8_t(length);
            special.EntryType = type;
            special.Bytes = block.mid(at + EntryHeadSize, length - EntryHeadSize);
            special.Text = SpecialCodeToText(special.Bytes);
        }
        at += length;
    }
    return count;
}

QByteArray BoardEntryBytes(uint8_t pcbType, uint8_t quantity, const QByteArray &name) {
    const QByteArray n = name.left(BoardNameSize);
    QByteArray e;
    e.append(char(n.size() + BoardEntryHeadSize));
    e.append(char(EntryTypeBoard));
    e.append(char(pcbType));
    e.append(char(quantity));
    e.append(char(n.size()));
    e.append(n);
    return e;
}

QByteArray SpecialCodeEntryBytes(const QByteArray &code) {
    const QByteArray c = code.left(SpecialCodeMaxBytes);
    QByteArray e;
    e.append(char(c.size() + EntryHeadSize));
    e.append(char(EntryTypeSpecialCode));
    e.append(c);
    return e;
}

void FixBoardInfoChecksum(QByteArray &block) {
    if (block.size() < BlockHeadSize)
        return;
    block[1] = 0;
    block[1] = char(BlockChecksum(reinterpret_cast<const uint8_t *>(block.constData()),
                                  std::size_t(block.size())));
}

QByteArray ReplaceBoardInfoEntry(const QByteArray &block, uint8_t type, const QByteArray &entry,
                                 bool *ok) {
    if (ok)
        *ok = true;
    QByteArray result;
    if (block.isEmpty()) {
        result.append(char(BoardInfoFormat));
        result.append('\0');
        result.append(entry);
        FixBoardInfoChecksum(result);
        return result;
    }
    if (block.size() < BlockHeadSize) {
        if (ok)
            *ok = false;
        return block;
    }
    // The whole block is walked before anything is replaced: a block that
    // does not walk to its end is malformed and stays as it is. Every entry of
    // `type` goes, wherever it stands (the block reads as its last one), and
    // `entry` takes the place of the first.
    result = block.left(BlockHeadSize);
    bool placed = false;
    qsizetype at = BlockHeadSize;
    while (at < block.size()) {
        const int length = entryLengthAt(block, at);
        if (length == 0) {
            if (ok)
                *ok = false;
            return block;
        }
        if (byteAt(block, at + 1) == type) {
            if (!placed)
                result += entry;
            placed = true;
        } else {
            result += block.mid(at, length);
        }
        at += length;
    }
    if (!placed)
        result += entry;
    FixBoardInfoChecksum(result);
    return result;
}
