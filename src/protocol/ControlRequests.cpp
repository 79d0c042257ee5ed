#include "protocol/ControlRequests.h"

#include "protocol/CommandCodes.h"

namespace ControlRequests {

namespace {
uint16_t u16(int v) {
    return static_cast<uint16_t>(v);
}
uint16_t rowParam(uint8_t mask) {
    return static_cast<uint16_t>(mask << IrRouteParam::RowShift);
}
} // namespace

Frame workModeQuery() {
    return Frame::make(Cmd::View, ViewSub::GetMode);
}

Frame setMatrixMode() {
    return Frame::make(Cmd::View, ViewSub::SetMode, ViewParam::ModeMatrix, 0);
}

Frame switchOutput(int input, int output) {
    return Frame::make(Cmd::Switch, SwitchSub::Set, u16(input), u16(output));
}

Frame outputInputQuery(int output) {
    return Frame::make(Cmd::Switch, SwitchSub::GetOutput, u16(output));
}

Frame setMultiViewLayout(int layoutCode) {
    return Frame::make(Cmd::View, ViewSub::SetMode, ViewParam::ModeMultiView, u16(layoutCode));
}

Frame setVideoWallLayout(int layoutCode) {
    return Frame::make(Cmd::View, ViewSub::SetMode, ViewParam::ModeVideoWall, u16(layoutCode));
}

Frame videoWallQuery() {
    return Frame::make(Cmd::View, ViewSub::GetWall);
}

Frame multiViewAudioSet(int source) {
    return Frame::make(Cmd::View, ViewSub::SetMvAudio, u16(source));
}

Frame multiViewAudioQuery() {
    return Frame::make(Cmd::View, ViewSub::GetMvAudio);
}

Frame multiViewMainPictureSet(int source) {
    return Frame::make(Cmd::View, ViewSub::SetMvMainPicture, u16(source));
}

Frame multiViewQuery() {
    return Frame::make(Cmd::View, ViewSub::GetMv);
}

Frame videoWallSourceSet(int source) {
    return Frame::make(Cmd::View, ViewSub::SetWallSource, u16(source));
}

Frame borderSet(int output, int side, int value) {
    return Frame::make(Cmd::View, ViewSub::SetBorder, u16(output), u16(side), u16(value));
}

Frame bordersQuery(int output) {
    return Frame::make(Cmd::View, ViewSub::GetBorders, u16(output));
}

Frame videoSourceSet(int input, bool autoOn, bool hdbt) {
    return Frame::make(Cmd::Input, InputSub::SetSource, u16(input),
                       autoOn ? InputParam::AutoOn : InputParam::AutoOff,
                       hdbt ? InputParam::SourceHdbt : InputParam::SourceHdmi);
}

Frame inputTypeSet(int input, bool vga) {
    return Frame::make(Cmd::Input, InputSub::SetSource, u16(input), InputParam::AutoOff,
                       vga ? InputParam::TypeVga : InputParam::TypeHdmi);
}

Frame inputSourceQuery(int input) {
    return Frame::make(Cmd::Input, InputSub::GetSource, u16(input));
}

Frame inputAudioSet(int input, int item) {
    return Frame::make(Cmd::Audio, AudioSub::SetInput, u16(input), u16(item + 1));
}

Frame inputAudioQuery(int input) {
    return Frame::make(Cmd::Audio, AudioSub::GetInput, u16(input));
}

Frame outputAudioSet(int output, int code) {
    return Frame::make(Cmd::Audio, AudioSub::SetOutput, u16(output), u16(code));
}

Frame outputAudioQuery(int output) {
    return Frame::make(Cmd::Audio, AudioSub::GetOutput, u16(output));
}

Frame audioDelaySet(int output, int item) {
    return Frame::make(Cmd::Audio, AudioSub::SetDelay, u16(output), u16(item));
}

Frame audioDelayQuery(int output) {
    return Frame::make(Cmd::Audio, AudioSub::GetDelay, u16(output));
}

Frame pohTransmittersSet(uint8_t mask) {
    return Frame::make(Cmd::Power, PohSub::Set, 0, u16(PohParam::SetFlag + mask), 0);
}

Frame pohReceiversSet(uint8_t mask) {
    return Frame::make(Cmd::Power, PohSub::Set, 0, 0, u16(PohParam::SetFlag + mask));
}

Frame pohQuery() {
    return Frame::make(Cmd::Power, PohSub::Get);
}

Frame remoteRxIrOutputSet(int receiver, int item) {
    return Frame::make(Cmd::Ir, IrRouteSub::SetRemoteRxOutput, u16(receiver), u16(item + 1));
}

Frame remoteRxIrOutputQuery(int receiver) {
    return Frame::make(Cmd::Ir, IrRouteSub::GetRemoteRxOutput, u16(receiver));
}

Frame globalIrInSet(const IrRows &rows) {
    return Frame::make(Cmd::Ir, IrRouteSub::SetAllIn, rowParam(rows.remoteRx), rowParam(rows.local),
                       rowParam(rows.remoteTx));
}

Frame globalIrInQuery() {
    return Frame::make(Cmd::Ir, IrRouteSub::GetAllIn);
}

Frame globalIrOutSet(const IrRows &rows, bool loop) {
    return Frame::make(Cmd::Ir, IrRouteSub::SetAllOut, rowParam(rows.remoteRx),
                       rowParam(rows.local), rowParam(rows.remoteTx),
                       loop ? IrRouteParam::Loop : 0);
}

Frame globalIrOutQuery() {
    return Frame::make(Cmd::Ir, IrRouteSub::GetAllOut);
}

Frame rs232RouteSet(int port, int item) {
    return Frame::make(Cmd::Rs232, Rs232Sub::Set, u16(port), u16(item));
}

Frame rs232RouteQuery(int port) {
    return Frame::make(Cmd::Rs232, Rs232Sub::Get, u16(port));
}

} // namespace ControlRequests
