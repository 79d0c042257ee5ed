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

// ---- Matrix control pages ----------------------

// Sub-codes of Cmd::Switch.
namespace SwitchSub {
constexpr uint8_t GetOutput = 1; // P1 output; reply P2 low byte = input
constexpr uint8_t Set = 3;       // P1 input, P2 output
} // namespace SwitchSub

// Sub-codes of Cmd::View (work mode, multi-view, video wall).
namespace ViewSub {
constexpr uint8_t SetMode = 1;          // P1 work mode, P2 layout code
constexpr uint8_t GetMode = 2;          // reply P1 = work mode
constexpr uint8_t SetWallSource = 3;    // P1 source 1-4
constexpr uint8_t GetWall = 4;          // reply P1 source, P2 layout code
constexpr uint8_t SetMvAudio = 5;       // P1 source 0-4 (0: follow the main picture)
constexpr uint8_t GetMvAudio = 6;       // reply P1 source
constexpr uint8_t SetMvMainPicture = 7; // P1 source 1-4
constexpr uint8_t GetMv = 8;            // reply P1 main picture source, P2 layout code
constexpr uint8_t SetBorder = 9;        // P1 output, P2 side 0-3, P3 value 0-100
constexpr uint8_t GetBorders = 10;      // reply P2 left<<8|right, P3 top<<8|bottom
} // namespace ViewSub

// Work modes and ranges of Cmd::View.
namespace ViewParam {
constexpr uint16_t ModeMatrix = 0;
constexpr uint16_t ModeMultiView = 1;
constexpr uint16_t ModeVideoWall = 2;
constexpr int MvLayouts = 4;   // layout codes 0..3
constexpr int WallLayouts = 3; // layout codes 0..2
constexpr int Sources = 4;     // sources 1..4
constexpr uint16_t MvAudioFollowsMain = 0;
constexpr int BorderSides = 4; // 0 left, 1 right, 2 top, 3 bottom
constexpr uint16_t BorderMax = 100;
} // namespace ViewParam

// Sub-codes of Cmd::Audio.
namespace AudioSub {
constexpr uint8_t SetOutput = 1; // P1 output, P2 output audio source code
constexpr uint8_t GetOutput = 2; // reply P2 = code
constexpr uint8_t SetDelay = 3;  // P1 output, P2 delay item 0-10
constexpr uint8_t GetDelay = 4;  // reply P2 = item
constexpr uint8_t SetInput = 5;  // P1 input, P2 item + 1
constexpr uint8_t GetInput = 6;  // reply P2 = item + 1
} // namespace AudioSub

// Output audio source codes and ranges of Cmd::Audio.
namespace AudioParam {
constexpr uint16_t AnalogBase = 1;    // + port index 0-7
constexpr uint16_t ExtractedBase = 9; // + port index 0-7
constexpr uint16_t ArcBase = 17;      // + port index 0-7
constexpr uint16_t AnalogFollow = 25; // analogue L/R follows the output's input
constexpr uint16_t ExtractedFollow = 26;
constexpr int InputItems = 3;  // input audio items 0..2 (sent as 1..3)
constexpr int DelayItems = 11; // delays 0..500 ms in 50 ms steps
} // namespace AudioParam

// Sub-codes of Cmd::Input.
namespace InputSub {
constexpr uint8_t SetSource = 1; // P1 input, P2 auto (2 on, 1 off) or 1 for a type, P3 source
constexpr uint8_t GetSource = 2; // reply P2 auto, P3 source / type
} // namespace InputSub

// Values of Cmd::Input.
namespace InputParam {
constexpr uint16_t AutoOn = 2;
constexpr uint16_t AutoOff = 1;
constexpr uint16_t SourceHdmi = 1;
constexpr uint16_t SourceHdbt = 2;
constexpr uint16_t TypeHdmi = 1; // 1..64 read as HDMI
constexpr uint16_t TypeHdmiLast = 64;
constexpr uint16_t TypeVga = 65; // 65..80 read as VGA
constexpr uint16_t TypeVgaLast = 80;
} // namespace InputParam

// Power over HDBaseT: sub-codes of Cmd::Power.
namespace PohSub {
constexpr uint8_t Set = 3; // P2 = 0x0800 + transmitter mask, or P3 = 0x0800 + receiver mask
constexpr uint8_t Get = 4; // reply P2 transmitter mask, P3 receiver mask
} // namespace PohSub

namespace PohParam {
constexpr uint16_t SetFlag = 0x0800; // high byte of a POH mask parameter that sets
} // namespace PohParam

// IR routing: further sub-codes of Cmd::Ir.
namespace IrRouteSub {
constexpr uint8_t SetRemoteRxOutput = 5; // P1 receiver, P2 local IR in 1-8
constexpr uint8_t GetRemoteRxOutput = 6; // reply P2 = local IR in 1-8
constexpr uint8_t SetAllIn = 7;          // P1 remote RX, P2 local, P3 remote TX rows (x 256)
constexpr uint8_t GetAllIn = 8;
constexpr uint8_t SetAllOut = 9; // as SetAllIn; P4 = 256 with the loop
constexpr uint8_t GetAllOut = 10;
} // namespace IrRouteSub

namespace IrRouteParam {
constexpr uint16_t Loop = 0x0100; // P4 of SetAllOut: "Global All IR In loop to Global All IR Out"
constexpr int RowShift = 8;       // a row mask travels in the high byte
} // namespace IrRouteParam

// Sub-codes of Cmd::Rs232.
namespace Rs232Sub {
constexpr uint8_t Set = 1; // P1 port 1-8 or 9 (global), P2 item
constexpr uint8_t Get = 2; // reply P2 = item
} // namespace Rs232Sub

namespace Rs232Param {
constexpr uint16_t GlobalPort = 9;
constexpr int Items = 17; // 0: "Matrix only" / "Not Connect", 1-8 transmitters, 9-16 receivers
} // namespace Rs232Param

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
