#pragma once
// Every command code, sub-code and fixed parameter value of the matrix
// protocol. Nothing outside this folder writes one of these numbers as a
// literal: requests are built by the functions of Requests.h, replies read by
// those of Replies.h, and the simulator decodes with the same names.

#include <cstdint>

namespace Cmd {
constexpr uint8_t Device = 0x01; // device and panel status
constexpr uint8_t Switch = 0x02; // input-to-output switching
constexpr uint8_t Edid = 0x03;   // EDID settings, copy, read and download
constexpr uint8_t Ir = 0x04;     // IR settings and routing
constexpr uint8_t Rs232 = 0x05;  // RS-232 routing
constexpr uint8_t Audio = 0x06;  // audio source and delay
constexpr uint8_t Input = 0x07;  // input source type
constexpr uint8_t Power = 0x10;  // power state
constexpr uint8_t Mcu = 0x20;    // MCU maintenance and firmware parts
constexpr uint8_t View = 0x60;   // work mode, multi-view, video wall
constexpr uint8_t Reboot = 0x80; // reboot the system
} // namespace Cmd

// Sub-codes of Cmd::Device.
namespace DeviceSub {
constexpr uint8_t Id = 1;             // P1 low byte of the reply: device id
constexpr uint8_t PortCounts = 2;     // inputs, outputs
constexpr uint8_t Version = 3;        // major, minor
constexpr uint8_t HdmiConnection = 5; // output sink connected on HDMI
constexpr uint8_t HdbtConnection = 9; // output sink connected on HDBaseT
constexpr uint8_t GetApm = 10;
constexpr uint8_t SetApm = 11;
constexpr uint8_t GetBeeper = 12;
constexpr uint8_t SetBeeper = 13;
constexpr uint8_t GetKeys = 14;
constexpr uint8_t SetKeys = 15;
} // namespace DeviceSub

// Sub-codes of Cmd::Ir.
namespace IrSub {
constexpr uint8_t SetControl = 3;
constexpr uint8_t GetControl = 4;
} // namespace IrSub

// Sub-codes of Cmd::Power.
namespace PowerSub {
constexpr uint8_t Get = 1;
constexpr uint8_t Set = 2;
} // namespace PowerSub

// Sub-codes of Cmd::Edid.
namespace EdidSub {
constexpr uint8_t SetModeAll = 1;
constexpr uint8_t SetModeOne = 2;
constexpr uint8_t CopyAll = 3;
constexpr uint8_t CopyOne = 4;
constexpr uint8_t Read = 5;        // block read
constexpr uint8_t DownloadAll = 6; // block write to every input
constexpr uint8_t DownloadOne = 7; // block write to one input or a user memory
constexpr uint8_t Prelude = 8;     // before a download
constexpr uint8_t DefaultAll = 9;
constexpr uint8_t DefaultOne = 10;
constexpr uint8_t SetOutputSource = 12;
constexpr uint8_t GetOutputSource = 13;
} // namespace EdidSub

// Sub-codes of Cmd::Mcu.
namespace McuSub {
constexpr uint8_t UploadWithReboot = 1; // main-board part: the matrix reboots after it
constexpr uint8_t UploadNoReboot = 2;   // a part after which the matrix does not reboot
constexpr uint8_t ResetSlaves = 9;      // "Reset All Slave MCU"
} // namespace McuSub

// Sub-codes of Cmd::Reboot.
namespace RebootSub {
constexpr uint8_t System = 2;
} // namespace RebootSub

// Fixed parameter values.
namespace Param {
constexpr uint16_t Query = 0x00FE;       // P1 of every status query
constexpr uint16_t OptionOn = 0x000F;    // P1 of a set: on, enable, unlock
constexpr uint16_t OptionOff = 0x00F0;   // P1 of a set: off, disable, lock
constexpr uint8_t ReplyOn = 0xFF;        // P2 low byte of an option reply: on
constexpr uint16_t PowerGuard3 = 0x9B41; // P3 and P4 of every power command
constexpr uint16_t PowerGuard4 = 0x64C7;
constexpr uint16_t EdidPrelude = 0x00F0;
constexpr uint16_t EdidDefaultAll = 0x00FE;
constexpr uint16_t EdidAddressBase = 0xF000; // + output or input number
constexpr uint16_t EdidAllInputs = 0xF0FE;
constexpr uint16_t EdidUserMemory1 = 0xF100;
constexpr uint16_t EdidUserMemory2 = 0xF200;
constexpr uint16_t EdidModeAuto = 0x00FF; // low byte of an EDID mode: follow the output
constexpr uint16_t SourceHdmi = 1;        // output EDID source as the matrix numbers it
constexpr uint16_t SourceHdbt = 2;
constexpr uint16_t PrepareStep1 = 0x0080; // the two preparation steps of a prepared upload
constexpr uint16_t PrepareStep2 = 0x0010;
constexpr uint8_t DeviceIdKestrel = 0xAE; // device id of the single-board model
constexpr uint16_t RebootSystem = 0x000F; // P1 of "Reboot system ..."
} // namespace Param

// Per-board commands of Cmd::Mcu. P1 names the board: PCB type + 256 × sub index.
namespace BoardSub {
constexpr uint8_t BootCodeInfo = 6; // "Read Boot Code Info ..."
constexpr uint8_t WriteInfo = 7;    // board-information write: start frame, then data packets
constexpr uint8_t ReadInfo = 8;     // board-information read: start frame, then packet requests
} // namespace BoardSub

// Byte 11 of board-information traffic: 0 in both start frames; a read
// request and a write packet with more to follow carry More, the last write
// packet Last. The unit marks its read packets the same way.
namespace BoardParam {
constexpr uint8_t Start = 0x00;
constexpr uint8_t More = 0xAA;
constexpr uint8_t Last = 0x56;
// P1 of "Reset All Slave MCU": before the parts of an upgrade are sent, and
// before board information is written.
constexpr uint16_t SlaveResetForUpgrade = 0x0001;
constexpr uint16_t SlaveResetForBoardInfo = 0x0000;
} // namespace BoardParam
