#include "FuzzTargets.h"

const std::vector<FuzzTarget> &FuzzTargetTable() {
    static const std::vector<FuzzTarget> table = {
        {"rxassembler", FuzzRxAssembler},
        {"blockpacket", FuzzBlockPacket},
        {"inifile", FuzzIniFile},
        {"deviceentry", FuzzDeviceEntry},
        {"moduledatagram", FuzzModuleDatagram},
        {"ldcdpacket", FuzzLdcdPacket},
        {"edid", FuzzEdid},
        {"firmwarefile", FuzzFirmwareFile},
        {"firmwarepackage", FuzzFirmwarePackage},
        {"boardinfofile", FuzzBoardInfoFile},
        {"boardinfoblock", FuzzBoardInfoBlock},
        {"packageinfo", FuzzPackageInfo},
    };
    return table;
}
