#pragma once
// The board-information block: a format byte, a checksum byte that makes all
// bytes sum to 0 modulo 256, then entries of (length, type, payload), the
// length counting its own two head bytes. Type 1 is a board entry (PCB type,
// quantity, name length, name bytes), type 2 the special code.

#include <QByteArray>
#include <QString>
#include <cstdint>

constexpr uint8_t BoardInfoFormat = 1;
constexpr uint8_t EntryTypeBoard = 1;
constexpr uint8_t EntryTypeSpecialCode = 2;
constexpr int BlockHeadSize = 2; // format byte and checksum
constexpr int EntryHeadSize = 2;
constexpr int BoardEntryHeadSize = 5;

struct BoardInfoBoardEntry {
    uint8_t EntryLength = 0;
    uint8_t EntryType = 0;
    uint8_t PCBType = 0;
    uint8_t Quantity = 0;
    uint8_t NameLength = 0;
    QByteArray Name; // NameLength bytes, normally ending with a zero

    QString NameText() const;
};

struct BoardInfoSpecialEntry {
    uint8_t EntryLength = 0;
    uint8_t EntryType = 0;
    QByteArray Bytes;
    QString Text; // SpecialCodeToText of Bytes
};

// Walks the block: returns the number of board entries, -1 for an empty
// block. `board` receives the n-th board entry (n from 1), `special` the
// special-code entry; both are cleared first. An entry shorter than its head,
// longer than what is left, or with a name over 32 bytes ends the walk: the
// count so far is returned and `malformed` is set. Entries of other types are
// stepped over by their length.
int ParseBoardInfoBlock(const QByteArray &block, int n, BoardInfoBoardEntry &board,
                        BoardInfoSpecialEntry &special, bool *malformed = nullptr);

// Entries as a node serialises them. Names over 32 bytes and special codes
// over 252 bytes are cut so that the entry length fits in its byte.
QByteArray BoardEntryBytes(uint8_t pcbType, uint8_t quantity, const QByteArray &name);
QByteArray SpecialCodeEntryBytes(const QByteArray &code);

// Sets byte 1 so that the whole block sums to 0 modulo 256.
void FixBoardInfoChecksum(QByteArray &block);

// The block with its entries of type `type` replaced by `entry` (placed where
// the first of them was; later ones, also apart from the first, are dropped),
// checksum fixed. A block without such an entry gets
// `entry` appended; an empty block becomes a new block holding only `entry`.
// A malformed block is returned unchanged with `ok` cleared.
QByteArray ReplaceBoardInfoEntry(const QByteArray &block, uint8_t type, const QByteArray &entry,
                                 bool *ok = nullptr);
