#pragma once
// Audio and video source settings without widgets: item lists,
// the output audio source code, POH masks and the decoding of read-backs.
// Every decoder returns "unknown" (-1, or valid false) for a value outside
// the control's items: such a read-back leaves the control as it is.

#include "protocol/ControlReplies.h"

#include <QStringList>
#include <array>
#include <cstdint>

namespace SourceSettings {
constexpr int Ports = 8;

QStringList VideoSourceItems(); // "HDBT", "HDMI"
QStringList InputAudioItems();  // "Original", ...
QStringList OutputAudioItems(); // "Analog L/R In", ... (5 items)
QStringList AudioPortItems();   // "1" .. "8"
QStringList AudioDelayItems();  // "No delay", "50ms" .. "500ms"
QStringList PohItems();         // "Off", "On"
constexpr int VideoItemHdbt = 0;
constexpr int VideoItemHdmi = 1;

// True when `index` selects an item of a list of `count` items.
inline bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

// Video source read-back: combo item for reply P3 (1 HDMI, 2 HDBT), -1 otherwise.
int VideoSourceItem(int source);

// Output audio source code of an output audio item (0..4) and port item
// (0..7); -1 when either is out of range.
int OutputAudioCode(int item, int portItem);
// Whether the port combo is enabled for an output audio item (items 0..2).
bool PortComboEnabled(int item);
struct OutputAudio {
    bool valid = false;
    int item = -1;
    int portItem = -1; // -1: the port combo keeps its item (codes 25, 26)
    bool portEnabled = false;
};
// a reply code 1-26 decoded; other codes are not valid.
OutputAudio DecodeOutputAudio(int code);

// Input source type read-back (reply P3): 1-64 HDMI, 65-80 VGA, else unknown.
enum class InputType { Unknown, Hdmi, Vga };
InputType TypeOfSource(int source);
// Input type radio tags: 10n + 1 (HDMI), 10n + 2 (VGA).
inline int TypeInputOfTag(int tag) {
    return tag / 10;
}
inline bool TypeTagIsVga(int tag) {
    return tag % 2 == 0;
}

// POH mask: bit k-1 set when port k is "On" (item 1).
uint8_t PohMask(const std::array<int, Ports> &items);
// The item (0 Off, 1 On) of port k (1..8) in a mask.
inline int PohItem(uint8_t mask, int port) {
    return (mask >> (port - 1)) & 1;
}
} // namespace SourceSettings
