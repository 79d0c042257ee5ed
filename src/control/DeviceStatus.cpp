#include "control/DeviceStatus.h"

#include "protocol/Replies.h"
#include "protocol/Requests.h"

const QString DeviceStatus::PowerOffNote =
    QStringLiteral("System is Power Off, please turn it on first to refresh more status.");

RunResult DeviceStatus::ReadPower(AppContext *ctx, bool &on, TReplyRecord *last) {
    TReplyRecord reply;
    const RunResult result =
        ctx->RunCommand(QStringLiteral("Getting Power status ..."), Requests::powerQuery(), reply);
    if (last)
        *last = reply;
    // A refusal (another command is running) says nothing about the unit.
    if (result == RunResult::Refused)
        return result;
    on = result == RunResult::Done && Replies::powerOn(reply);
    ctx->setPowerOn(on);
    return result;
}

RunResult DeviceStatus::SendPower(AppContext *ctx, bool on, TReplyRecord *last) {
    TReplyRecord reply;
    const RunResult result =
        ctx->RunCommand(on ? QStringLiteral("Matrix booting ...") : QStringLiteral("Power off ..."),
                        Requests::powerSet(on), reply);
    if (last)
        *last = reply;
    return result;
}

RunResult DeviceStatus::ReadInfo(AppContext *ctx, Info &info, TReplyRecord *last) {
    const QString caption = QStringLiteral("Getting device info ...");
    TReplyRecord id, ports, version;
    const auto run = [&](const Frame &request, TReplyRecord &reply) {
        const RunResult r = ctx->RunPoweredCommand(caption, request, reply);
        if (last)
            *last = reply;
        return r;
    };
    RunResult r = run(Requests::deviceId(), id);
    if (r != RunResult::Done)
        return r;
    r = run(Requests::portCounts(), ports);
    if (r != RunResult::Done)
        return r;
    r = run(Requests::firmwareVersion(), version);
    if (r != RunResult::Done)
        return r;
    const Replies::DeviceId device = Replies::deviceId(id);
    info.deviceId = device.id;
    info.singleBoardModel = device.singleBoardModel;
    const Replies::PortCounts counts = Replies::portCounts(ports);
    info.inputs = counts.inputs;
    info.outputs = counts.outputs;
    const Replies::FirmwareVersion v = Replies::firmwareVersion(version);
    info.major = v.major;
    info.minor = v.minor;
    return RunResult::Done;
}

QString DeviceStatus::KindName(const Info &info) {
    return info.singleBoardModel ? QStringLiteral("Kestrel-Matrix") : QStringLiteral("Matrix");
}

QString DeviceStatus::DeviceText(const Info &info) {
    if (info.singleBoardModel)
        return QStringLiteral("Device: Kestrel-Matrix");
    return QStringLiteral("Device: Matrix, %1x%2").arg(info.inputs).arg(info.outputs);
}

QString DeviceStatus::VersionNumber(const Info &info) {
    return QStringLiteral("%1.%2").arg(info.major).arg(info.minor, 2, 10, QLatin1Char('0'));
}

QString DeviceStatus::VersionText(const Info &info) {
    return QStringLiteral("Version: ") + VersionNumber(info);
}
