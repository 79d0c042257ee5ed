#pragma once
// Typed builders of every request the tool sends: one function per command,
// each returning the unsealed frame (the engine seals it). Callers never
// handle command codes, sub-codes or parameter positions.

#include "protocol/BoardInfoFields.h"
#include "protocol/Frames.h"

#include <QByteArray>

#include <cstdint>

// Front-panel and control options that are read and set alike.
enum class PanelOption { Ir, Keys, Apm, Beeper };

// Where an EDID setting applies: one input (1..8) or every input.
struct EdidTarget {
    bool all = false;
    int input = 0;
    static EdidTarget allInputs() { return {true, 0}; }
    static EdidTarget one(int input) { return {false, input}; }
};

namespace Requests {
// Device status.
Frame deviceId();
Frame portCounts();
Frame firmwareVersion();
// Sink connection of an output, on its HDMI or its HDBaseT side.
Frame outputConnection(int output, bool hdbt);

// Power.
Frame powerQuery();
Frame powerSet(bool on);

// Panel options: the query and the set (on: enable, unlock, on).
Frame optionQuery(PanelOption option);
Frame optionSet(PanelOption option, bool on);

// EDID. `address` values come from EdidAddress* below.
Frame edidPrelude();
Frame edidRead(uint16_t address);
Frame edidDownload(uint16_t address, bool allInputs);
Frame edidSetMode(uint16_t mode, EdidTarget target);
Frame edidDefault(EdidTarget target);
Frame edidCopy(int output, EdidTarget target);
Frame edidSetOutputSource(int output, bool hdbt);
Frame edidGetOutputSource(int output);
// Block addresses: an output's (or input's) EDID, every input, a user memory (1, 2).
uint16_t EdidAddressOfPort(int port);
uint16_t EdidAddressAllInputs();
uint16_t EdidAddressUserMemory(int memory);
// An EDID mode value for a built-in EDID number, a user memory or "follow the output".
uint16_t EdidModeBuiltIn(int number);
uint16_t EdidModeUserMemory(int memory);

// MCU maintenance and reboot.
Frame resetSlaves();
Frame rebootSystem();
// The probe the reboot wait sends until the matrix answers.
Frame rebootProbe();
// The preparation steps of a prepared upload: the starting frame's command
// code and sub-code with the step value in P1 (step 1 or 2).
Frame uploadPrepareStep(const Frame &start, int step);
// True when a prepared upload of `start` ends with the reboot wait.
bool uploadEndsWithReboot(const Frame &start);
// Boards. Every frame names the board in P1 (PCB type + 256 × sub index).
Frame readBootCodeInfo(uint8_t pcbType, uint8_t subIndex);
// "Reset All Slave MCU" with its P1 (BoardParam::SlaveResetFor*).
Frame resetSlaves(uint16_t mode);
// Board-information read: the start frame (P1 board, P2 PCB type for check
// and solution, P3 PCB version), and the request for the next packet after
// `taken` bytes came in the last one (0: from the start of the block).
Frame boardInfoReadStart(const BoardInfoFields &fields);
Frame boardInfoReadRequest(const BoardInfoFields &fields, int taken);
// Board-information write: the start frame announcing the block length of
// `fields`, and one data packet of `n` bytes (1..256), 14 + n bytes on the
// wire; `last` marks the packet that ends the block.
Frame boardInfoWriteStart(const BoardInfoFields &fields);
QByteArray boardInfoWritePacket(const BoardInfoFields &fields, const uint8_t *data, int n,
                                bool last);
} // namespace Requests
