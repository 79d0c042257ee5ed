#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoNode.h"

// Input: a control byte (bit 0: replace the special code, else the board
// entries), the length and bytes of the new entry's payload, then the block as
// a unit or a file holds it. Every board entry is parsed; a replaced entry
// must be what the block then reads as.
int FuzzBoardInfoBlock(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const QByteArray payload = in.bytes(in.byte());
    const QByteArray block = in.rest();

    BoardInfoBoardEntry board;
    BoardInfoSpecialEntry special;
    bool malformed = false;
    const int count = ParseBoardInfoBlock(block, 0, board, special, &malformed);
    FUZZ_CHECK(count >= -1);
    FUZZ_CHECK((count == -1) == block.isEmpty());
    FUZZ_CHECK(count <= block.size() / BoardEntryHeadSize);
    for (int n = 1; n <= count + 1; ++n) {
        bool m = false;
        FUZZ_CHECK(ParseBoardInfoBlock(block, n, board, special, &m) == count);
        FUZZ_CHECK(m == malformed);
        if (n <= count) {
            FUZZ_CHECK(board.EntryType == EntryTypeBoard);
            FUZZ_CHECK(board.Name.size() == board.NameLength);
            FUZZ_CHECK(board.NameLength <= BoardNameSize);
            FUZZ_CHECK(BoardEntryHeadSize + board.NameLength <= board.EntryLength);
            (void)board.NameText();
        } else {
            FUZZ_CHECK(board.EntryType == 0 && board.Name.isEmpty());
        }
    }
    if (special.EntryType == EntryTypeSpecialCode)
        FUZZ_CHECK(special.Bytes.size() == special.EntryLength - EntryHeadSize);

    const bool replaceSpecial = control & 1;
    const QByteArray entry = replaceSpecial
                                 ? SpecialCodeEntryBytes(payload)
                                 : BoardEntryBytes(uint8_t(control >> 1), uint8_t(control >> 4),
                                                   payload.left(BoardNameSize));
    bool ok = false;
    const QByteArray replaced = ReplaceBoardInfoEntry(
        block, replaceSpecial ? EntryTypeSpecialCode : EntryTypeBoard, entry, &ok);
    if (!ok) {
        FUZZ_CHECK(replaced == block);
        FUZZ_CHECK(malformed || block.size() < BlockHeadSize);
        return 0;
    }
    FUZZ_CHECK(!malformed);
    // The whole block sums to 0 and reads back with the new entry in force.
    unsigned sum = 0;
    for (const char c : replaced)
        sum += uint8_t(c);
    FUZZ_CHECK(sum % 256 == 0);
    bool m = true;
    const int after = ParseBoardInfoBlock(replaced, 1, board, special, &m);
    FUZZ_CHECK(!m);
    if (replaceSpecial) {
        FUZZ_CHECK(special.EntryType == EntryTypeSpecialCode);
        FUZZ_CHECK(entry.mid(EntryHeadSize) == special.Bytes);
        FUZZ_CHECK(after == (count < 0 ? 0 : count));
    } else {
        FUZZ_CHECK(after == 1);
        FUZZ_CHECK(entry.mid(BoardEntryHeadSize) == board.Name);
    }
    return 0;
}
