#include "protocol/Requests.h"

#include "protocol/CommandCodes.h"

namespace Requests {

namespace {
uint16_t u16(int v) {
    return static_cast<uint16_t>(v);
}

struct OptionCodes {
    uint8_t command;
    uint8_t get;
    uint8_t set;
};

OptionCodes codesOf(PanelOption option) {
    switch (option) {
    case PanelOption::Ir:
        return {Cmd::Ir, IrSub::GetControl, IrSub::SetControl};
    case PanelOption::Keys:
        return {Cmd::Device, DeviceSub::GetKeys, DeviceSub::SetKeys};
    case PanelOption::Apm:
        return {Cmd::Device, DeviceSub::GetApm, DeviceSub::SetApm};
    case PanelOption::Beeper:
        break;
    }
    return {Cmd::Device, DeviceSub::GetBeeper, DeviceSub::SetBeeper};
}
} // namespace

Frame deviceId() {
    return Frame::make(Cmd::Device, DeviceSub::Id, Param::Query);
}

Frame portCounts() {
    return Frame::make(Cmd::Device, DeviceSub::PortCounts, Param::Query);
}

Frame firmwareVersion() {
    return Frame::make(Cmd::Device, DeviceSub::Version, Param::Query);
}

Frame outputConnection(int output, bool hdbt) {
    return Frame::make(Cmd::Device, hdbt ? DeviceSub::HdbtConnection : DeviceSub::HdmiConnection,
                       u16(output));
}

Frame powerQuery() {
    return Frame::make(Cmd::Power, PowerSub::Get, Param::Query, 0, Param::PowerGuard3,
                       Param::PowerGuard4);
}

Frame powerSet(bool on) {
    return Frame::make(Cmd::Power, PowerSub::Set, on ? Param::OptionOn : Param::OptionOff, 0,
                       Param::PowerGuard3, Param::PowerGuard4);
}

Frame optionQuery(PanelOption option) {
    const OptionCodes c = codesOf(option);
    return Frame::make(c.command, c.get, Param::Query);
}

Frame optionSet(PanelOption option, bool on) {
    const OptionCodes c = codesOf(option);
    return Frame::make(c.command, c.set, on ? Param::OptionOn : Param::OptionOff);
}

Frame edidPrelude() {
    return Frame::make(Cmd::Edid, EdidSub::Prelude, Param::EdidPrelude);
}

Frame edidRead(uint16_t address) {
    return Frame::make(Cmd::Edid, EdidSub::Read, address);
}

Frame edidDownload(uint16_t address, bool allInputs) {
    return Frame::make(Cmd::Edid, allInputs ? EdidSub::DownloadAll : EdidSub::DownloadOne, address);
}

Frame edidSetMode(uint16_t mode, EdidTarget target) {
    if (target.all)
        return Frame::make(Cmd::Edid, EdidSub::SetModeAll, mode);
    return Frame::make(Cmd::Edid, EdidSub::SetModeOne, mode, u16(target.input));
}

Frame edidDefault(EdidTarget target) {
    if (target.all)
        return Frame::make(Cmd::Edid, EdidSub::DefaultAll, Param::EdidDefaultAll);
    return Frame::make(Cmd::Edid, EdidSub::DefaultOne, u16(target.input));
}

Frame edidCopy(int output, EdidTarget target) {
    if (target.all)
        return Frame::make(Cmd::Edid, EdidSub::CopyAll, u16(output));
    return Frame::make(Cmd::Edid, EdidSub::CopyOne, u16(output), u16(target.input));
}

Frame edidSetOutputSource(int output, bool hdbt) {
    return Frame::make(Cmd::Edid, EdidSub::SetOutputSource, u16(output),
                       hdbt ? Param::SourceHdbt : Param::SourceHdmi);
}

Frame edidGetOutputSource(int output) {
    return Frame::make(Cmd::Edid, EdidSub::GetOutputSource, u16(output));
}

uint16_t EdidAddressOfPort(int port) {
    return u16(Param::EdidAddressBase + port);
}

uint16_t EdidAddressAllInputs() {
    return Param::EdidAllInputs;
}

uint16_t EdidAddressUserMemory(int memory) {
    return memory == 2 ? Param::EdidUserMemory2 : Param::EdidUserMemory1;
}

uint16_t EdidModeBuiltIn(int number) {
    return u16(Param::EdidAddressBase + (number & 0xFF));
}

uint16_t EdidModeUserMemory(int memory) {
    return EdidAddressUserMemory(memory);
}

Frame resetSlaves() {
    return Frame::make(Cmd::Mcu, McuSub::ResetSlaves);
}

Frame rebootSystem() {
    return Frame::make(Cmd::Reboot, RebootSub::System, Param::RebootSystem);
}

Frame rebootProbe() {
    return Frame::make(Cmd::Device, DeviceSub::Id);
}

Frame uploadPrepareStep(const Frame &start, int step) {
    return Frame::make(start.command(), start.subCode(),
                       step == 1 ? Param::PrepareStep1 : Param::PrepareStep2);
}

bool uploadEndsWithReboot(const Frame &start) {
    return start.command() == Cmd::Mcu && start.subCode() == McuSub::UploadWithReboot;
}

Frame readBootCodeInfo(uint8_t pcbType, uint8_t subIndex) {
    return Frame::make(Cmd::Mcu, BoardSub::BootCodeInfo, u16(pcbType | (subIndex << 8)));
}

Frame resetSlaves(uint16_t mode) {
    return Frame::make(Cmd::Mcu, McuSub::ResetSlaves, mode);
}

namespace {
uint16_t boardOf(const BoardInfoFields &f) {
    return u16(f.PCBType | (f.SubIndex << 8));
}

uint16_t checkOf(const BoardInfoFields &f) {
    return u16(f.PCBTypeForCheck | (f.PCBSolution << 8));
}
} // namespace

Frame boardInfoReadStart(const BoardInfoFields &fields) {
    return Frame::make(Cmd::Mcu, BoardSub::ReadInfo, boardOf(fields), checkOf(fields),
                       fields.PCBVersion, BoardParam::Start);
}

Frame boardInfoReadRequest(const BoardInfoFields &fields, int taken) {
    return Frame::make(Cmd::Mcu, BoardSub::ReadInfo, boardOf(fields), checkOf(fields),
                       u16(fields.PCBVersion | ((taken & 0xFF) << 8)),
                       u16(((taken >> 8) & 0xFF) | (BoardParam::More << 8)));
}

Frame boardInfoWriteStart(const BoardInfoFields &fields) {
    // The transmit state is not sent.
    return Frame::make(Cmd::Mcu, BoardSub::WriteInfo, boardOf(fields), checkOf(fields),
                       u16(fields.PCBVersion | (fields.ExtLenLSB << 8)), fields.ExtLenMSB);
}

QByteArray boardInfoWritePacket(const BoardInfoFields &fields, const uint8_t *data, int n,
                                bool last) {
    const uint8_t marker = last ? BoardParam::Last : BoardParam::More;
    const Frame header = Frame::make(Cmd::Mcu, BoardSub::WriteInfo, boardOf(fields),
                                     checkOf(fields), u16(fields.PCBVersion | ((n & 0xFF) << 8)),
                                     u16(((n >> 8) & 0xFF) | (marker << 8)));
    QByteArray packet = header.toBytes();
    packet.append(static_cast<char>(BlockChecksum(data, static_cast<std::size_t>(n))));
    packet.append(reinterpret_cast<const char *>(data), n);
    return packet;
}

} // namespace Requests
