#pragma once
// IR and RS-232 routing without widgets: item lists, row masks,
// the "All" boxes with their one shared saved row, and read-back checks.

#include "protocol/ControlReplies.h"

#include <QStringList>
#include <array>
#include <cstdint>

namespace IrRs232Routing {
constexpr int Ports = 8;

QStringList RemoteRxIrItems();  // "Local IR In 1" .. "Local IR In 8"
QStringList GlobalRs232Items(); // "Matrix only", 8 transmitters, 8 receivers
QStringList LocalRs232Items();  // "Not Connect", 8 transmitters, 8 receivers

// The three rows of a global IR group, by box tag: 1-8 remote TX, 11-18
// local, 21-28 remote RX; the "All" boxes are 9, 19, 29.
enum class Row { RemoteTx = 0, Local = 1, RemoteRx = 2 };
inline Row RowOfTag(int tag) {
    return static_cast<Row>(tag / 10);
}
inline bool IsAllTag(int tag) {
    return tag % 10 == 9;
}
inline int BoxTag(Row row, int box) { // box 1..8, or 9 for "All"
    return int(row) * 10 + box;
}
constexpr int LoopTag = 31;

uint8_t Mask(const std::array<bool, Ports> &boxes);
std::array<bool, Ports> Boxes(uint8_t mask);
inline bool AllChecked(uint8_t mask) {
    return mask == 0xFF;
}
uint8_t &RowMask(ControlRequests::IrRows &rows, Row row);
uint8_t RowMask(const ControlRequests::IrRows &rows, Row row);

// The "All" boxes of both groups share one saved row.
struct AllBoxes {
    uint8_t saved = 0;
    // Checked: remember the row and return 0xFF; cleared: return the saved row.
    uint8_t Toggle(bool checked, uint8_t current) {
        if (checked) {
            saved = current;
            return 0xFF;
        }
        return saved;
    }
};
} // namespace IrRs232Routing
