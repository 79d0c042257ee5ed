#pragma once
// The fuzz targets: one per parser of outside input. Each takes any bytes,
// runs the parser and checks what must hold for every input (FUZZ_CHECK), and
// returns 0. The folder names under fuzz/corpus and fuzz/crashes are the names
// in FuzzTargetTable().

#include <cstddef>
#include <cstdint>
#include <vector>

using FuzzFunction = int (*)(const uint8_t *data, size_t size);

struct FuzzTarget {
    const char *name;
    FuzzFunction run;
};

// Reply assembly of both links in every receive mode and the reply checks on
// what it collects (protocol/RxAssembler, Frames, LdcdPacket).
int FuzzRxAssembler(const uint8_t *data, size_t size);
// One 270-byte data packet with any length field against any request, and the
// host packets built for any remaining count (protocol/Frames, Replies).
int FuzzBlockPacket(const uint8_t *data, size_t size);
// "Settings.ini" text: every read, and writes that must read back (settings/IniFile).
int FuzzIniFile(const uint8_t *data, size_t size);
// Device-list entries as the settings file keeps them (lanmodule/DeviceEntry).
int FuzzDeviceEntry(const uint8_t *data, size_t size);
// Discovery and configuration datagrams: the records and the module link's
// receive side (protocol/DiscoveryRecord, ModuleConfigRecord, link/ModuleLink).
int FuzzModuleDatagram(const uint8_t *data, size_t size);
// LDCD packets (protocol/LdcdPacket).
int FuzzLdcdPacket(const uint8_t *data, size_t size);
// EDID bytes: decoder, its text and JSON, the display check and the hex grid
// (control/EdidDecoder, EdidJson, EdidCheck).
int FuzzEdid(const uint8_t *data, size_t size);
// ".fw" files: the part walk, images, FindPart (firmware/FirmwareFile).
int FuzzFirmwareFile(const uint8_t *data, size_t size);
// ".fw2" packages: the item walk and ReadPackageItem (firmware/FirmwarePackage).
int FuzzFirmwarePackage(const uint8_t *data, size_t size);
// ".bif" files read into a tree and written back (boardinfo/BoardInfoFile).
int FuzzBoardInfoFile(const uint8_t *data, size_t size);
// Board-information blocks: ParseBoardInfoBlock, ReplaceBoardInfoEntry
// (boardinfo/BoardInfoBlock).
int FuzzBoardInfoBlock(const uint8_t *data, size_t size);
// The Firmware Package Information report (firmware/PackageInfoReport).
int FuzzPackageInfo(const uint8_t *data, size_t size);

const std::vector<FuzzTarget> &FuzzTargetTable();
