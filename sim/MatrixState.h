#pragma once
// The state of the simulated matrix: identity, power, front-panel options,
// EDID memories, sinks, firmware parts and the built-in TCP control module.
// Plain data; the simulator guards it with its lock (MatrixSimulator::withState).

#include "BoardUnit.h"
#include "ModuleInfo.h"
#include "protocol/CommandCodes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// Sink kinds as the matrix numbers them.
enum SinkKind : uint8_t { SinkHDMI = 1, SinkHDBT = 2 };

// One finished firmware part upload.
struct UploadedPart {
    uint8_t partClass = 0; // sub-code of the starting command: 1 main MCU, 2 sub MCU
    uint16_t kind = 0;     // P1 of the starting command
    uint16_t slot = 0;     // P2
    uint16_t ver1 = 0;     // P3 (major version, MCU type in the high byte)
    uint16_t ver2 = 0;     // P4 (minor version)
    bool prepared = false; // sent after the two preparation steps (270-byte packets)
    int blocks = 0;
    QByteArray data;
};

class MatrixState {
public:
    static constexpr int PortCount = 8;
    static constexpr int UserMemoryCount = 2;
    static constexpr int EdidSize = 256;
    static constexpr int MemoryMax = 65536; // largest download a memory takes
    static constexpr uint16_t PowerGuardP3 = Param::PowerGuard3;
    static constexpr uint16_t PowerGuardP4 = Param::PowerGuard4;
    // "Default EDID" (1080p, 2CH PCM)
    static constexpr uint16_t DefaultEdidMode = Param::EdidAddressBase + 4;

    MatrixState();

    // Identity (device-info queries).
    uint8_t deviceId = 0x01; // 0xAE would be the "Kestrel" model
    uint8_t inputCount = 8;
    uint8_t outputCount = 8;
    uint8_t firmwareMajor = 2;
    uint8_t firmwareMinor = 3;

    // Power and the four front-panel options (true = ON).
    bool powerOn = true;
    bool irControl = true;
    bool keysUnlocked = true;
    bool beeper = true;
    bool apm = false;

    // EDID memories. Inputs and user memories hold whatever was last written
    // (a download may be longer than 256 bytes); outputs hold the EDID the
    // connected sink supplies.
    std::array<QByteArray, PortCount> inputEdid;
    std::array<QByteArray, PortCount> outputEdid;
    std::array<QByteArray, UserMemoryCount> userEdid; // 0xFF-filled until written
    // Last EDID mode value set per input (0xF000 + table index, 0xF100, 0xF200,
    // 0xF0FF for auto); 0 after a download or a copy.
    std::array<uint16_t, PortCount> inputEdidMode{};
    std::array<uint8_t, PortCount> outputEdidSource{}; // SinkHDMI or SinkHDBT
    std::array<bool, PortCount> hdmiSinkConnected{};
    std::array<bool, PortCount> hdbtSinkConnected{};
    int edidPreludeCount = 0; // EDID write preludes (0x03/8) received

    // Firmware. Refusals answer 0x44 ("D").
    bool refuseUploads = false;   // every upload start is refused
    QStringList refusedParts;     // partKey()s whose upload start is refused
    bool refuseAtPrepare = false; // the preparation steps are refused
    int refuseBlocks = 0;         // the next n data blocks are refused
    int rebootMs = 3000;          // silence after a reboot
    int rebootCount = 0;
    QList<UploadedPart> uploads; // finished uploads, oldest first
    int slaveResetCount = 0;     // "Reset All Slave MCU" commands received

    // The boards of the unit (boot-code and board information, images per board).
    BoardUnit unit = BoardUnit::defaultUnit();

    // The built-in TCP control module as seen through LDCD on the serial port.
    ModuleInfo module;

    // Output n (1-based): is a sink of this kind connected?
    bool sinkConnected(int output, int kind) const;
    // What a block read of output n delivers: its EDID when a sink is connected
    // on the output's EDID source, else 256 zero bytes.
    QByteArray outputEdidAsRead(int output) const;
    // Data of the last finished upload of this part; empty when there was none.
    QByteArray uploadedPart(int partClass, int kind, int slot = 0) const;
    static QString partKey(int partClass, int kind, int slot = 0);

    // Loads the outputs from the 256-byte *.bin files of `dir`, sorted by name;
    // outputs without a file keep the built-in EDID. Returns the files used.
    int loadOutputEdids(const QString &dir);

    // A valid 256-byte EDID (base block and CTA-861 extension) for a built-in
    // mode; the table index shows in the product code and the display name.
    static QByteArray builtInEdid(int modeIndex = 4);
    // True for the table indexes of the built-in EDID modes (and 255, auto).
    static bool isBuiltInModeIndex(int index);
};
