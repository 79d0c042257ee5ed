#include "protocol/CommandNames.h"

#include "protocol/CommandCodes.h"
#include "protocol/Frames.h"

#include <initializer_list>

namespace {

struct SubName {
    uint8_t code;
    const char *name;
};

struct CommandEntry {
    uint8_t code;
    const char *name;
    std::initializer_list<SubName> subs;
};

// clang-format off
const CommandEntry Table[] = {
    {Cmd::Device, "Device", {
        {DeviceSub::Id, "Id"}, {DeviceSub::PortCounts, "PortCounts"},
        {DeviceSub::Version, "Version"}, {DeviceSub::HdmiConnection, "HdmiConnection"},
        {DeviceSub::HdbtConnection, "HdbtConnection"}, {DeviceSub::GetApm, "GetApm"},
        {DeviceSub::SetApm, "SetApm"}, {DeviceSub::GetBeeper, "GetBeeper"},
        {DeviceSub::SetBeeper, "SetBeeper"}, {DeviceSub::GetKeys, "GetKeys"},
        {DeviceSub::SetKeys, "SetKeys"}}},
    {Cmd::Switch, "Switch", {{SwitchSub::GetOutput, "GetOutput"}, {SwitchSub::Set, "Set"}}},
    {Cmd::Edid, "Edid", {
        {EdidSub::SetModeAll, "SetModeAll"}, {EdidSub::SetModeOne, "SetModeOne"},
        {EdidSub::CopyAll, "CopyAll"}, {EdidSub::CopyOne, "CopyOne"}, {EdidSub::Read, "Read"},
        {EdidSub::DownloadAll, "DownloadAll"}, {EdidSub::DownloadOne, "DownloadOne"},
        {EdidSub::Prelude, "Prelude"}, {EdidSub::DefaultAll, "DefaultAll"},
        {EdidSub::DefaultOne, "DefaultOne"}, {EdidSub::SetOutputSource, "SetOutputSource"},
        {EdidSub::GetOutputSource, "GetOutputSource"}}},
    {Cmd::Ir, "Ir", {
        {IrSub::SetControl, "SetControl"}, {IrSub::GetControl, "GetControl"},
        {IrRouteSub::SetRemoteRxOutput, "SetRemoteRxOutput"},
        {IrRouteSub::GetRemoteRxOutput, "GetRemoteRxOutput"},
        {IrRouteSub::SetAllIn, "SetAllIn"}, {IrRouteSub::GetAllIn, "GetAllIn"},
        {IrRouteSub::SetAllOut, "SetAllOut"}, {IrRouteSub::GetAllOut, "GetAllOut"}}},
    {Cmd::Rs232, "Rs232", {{Rs232Sub::Set, "Set"}, {Rs232Sub::Get, "Get"}}},
    {Cmd::Audio, "Audio", {
        {AudioSub::SetOutput, "SetOutput"}, {AudioSub::GetOutput, "GetOutput"},
        {AudioSub::SetDelay, "SetDelay"}, {AudioSub::GetDelay, "GetDelay"},
        {AudioSub::SetInput, "SetInput"}, {AudioSub::GetInput, "GetInput"}}},
    {Cmd::Input, "Input", {{InputSub::SetSource, "SetSource"}, {InputSub::GetSource, "GetSource"}}},
    {Cmd::Power, "Power", {
        {PowerSub::Get, "Get"}, {PowerSub::Set, "Set"}, {PohSub::Set, "SetPoh"},
        {PohSub::Get, "GetPoh"}}},
    {Cmd::Mcu, "Mcu", {
        {McuSub::UploadWithReboot, "UploadWithReboot"}, {McuSub::UploadNoReboot, "UploadNoReboot"},
        {McuSub::ResetSlaves, "ResetSlaves"}, {BoardSub::BootCodeInfo, "BootCodeInfo"},
        {BoardSub::WriteInfo, "WriteBoardInfo"}, {BoardSub::ReadInfo, "ReadBoardInfo"}}},
    {Cmd::View, "View", {
        {ViewSub::SetMode, "SetMode"}, {ViewSub::GetMode, "GetMode"},
        {ViewSub::SetWallSource, "SetWallSource"}, {ViewSub::GetWall, "GetWall"},
        {ViewSub::SetMvAudio, "SetMvAudio"}, {ViewSub::GetMvAudio, "GetMvAudio"},
        {ViewSub::SetMvMainPicture, "SetMvMainPicture"}, {ViewSub::GetMv, "GetMv"},
        {ViewSub::SetBorder, "SetBorder"}, {ViewSub::GetBorders, "GetBorders"}}},
    {Cmd::Reboot, "Reboot", {{RebootSub::System, "System"}}},
};
// clang-format on

QString hex2(uint8_t b) {
    return QStringLiteral("0x%1")
        .arg(b, 2, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

} // namespace

QString CommandName(uint8_t command, uint8_t subCode) {
    for (const CommandEntry &c : Table) {
        if (c.code != command)
            continue;
        for (const SubName &s : c.subs)
            if (s.code == subCode)
                return QLatin1String(c.name) + QLatin1Char('/') + QLatin1String(s.name);
        return QLatin1String(c.name) + QLatin1Char('/') + QString::number(subCode);
    }
    return QStringLiteral("Cmd ") + hex2(command) + QLatin1Char('/') + QString::number(subCode);
}

QString StatusName(uint8_t status) {
    switch (status) {
    case StatusOK:
        return QStringLiteral("OK");
    case StatusMore:
        return QStringLiteral("More");
    case StatusLast:
        return QStringLiteral("Last");
    case StatusRejected:
        return QStringLiteral("Rejected");
    case StatusRefused:
        return QStringLiteral("Refused");
    default:
        return hex2(status);
    }
}
