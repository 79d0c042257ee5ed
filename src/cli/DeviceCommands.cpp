#include "cli/DeviceCommands.h"

#include "cli/CliReport.h"
#include "cli/CliSession.h"
#include "control/DeviceStatus.h"

namespace {
QString powerWord(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}
QString powerText(bool on) {
    return on ? QStringLiteral("Power: On") : QStringLiteral("Power: Off");
}
} // namespace

CliExit RunStatus(CliOptions &options, const QStringList &, CliStreams &io) {
    CliReport report(QStringLiteral("status"), options.json, io.out, io.err);
    CliSession session(options, io);
    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());
    AppContext *ctx = session.Context();

    session.BeginStep();
    bool on = false;
    TReplyRecord reply;
    RunResult r = DeviceStatus::ReadPower(ctx, on, &reply);
    if (r != RunResult::Done) {
        report.set(QStringLiteral("power"), QStringLiteral("unknown"));
        return session.Finish(report, r, reply);
    }
    report.set(QStringLiteral("power"), powerWord(on));
    report.line(powerText(on));
    if (!on) {
        // The window stops here too: the device information needs the unit on.
        session.Progress(QStringLiteral("note: ") + DeviceStatus::PowerOffNote);
        return report.Finish(CliExit::Success);
    }

    session.BeginStep();
    DeviceStatus::Info info;
    r = DeviceStatus::ReadInfo(ctx, info, &reply);
    if (r != RunResult::Done)
        return session.Finish(report, r, reply);
    report.set(QStringLiteral("kind"), DeviceStatus::KindName(info));
    report.set(QStringLiteral("deviceId"), info.deviceId);
    report.set(QStringLiteral("inputs"), info.inputs);
    report.set(QStringLiteral("outputs"), info.outputs);
    report.set(QStringLiteral("version"), DeviceStatus::VersionNumber(info));
    report.set(QStringLiteral("device"), DeviceStatus::DeviceText(info));
    report.line(DeviceStatus::DeviceText(info).trimmed());
    report.line(DeviceStatus::VersionText(info));
    return report.Finish(CliExit::Success);
}

CliExit RunPower(CliOptions &options, const QStringList &arguments, CliStreams &io) {
    CliReport report(QStringLiteral("power"), options.json, io.out, io.err);
    const QString word = arguments.at(0).toLower();
    if (word != QLatin1String("on") && word != QLatin1String("off"))
        return report.Finish(
            CliExit::BadInput,
            QStringLiteral("power takes on or off, not \"%1\"").arg(arguments.at(0)));
    const bool wanted = word == QLatin1String("on");
    CliSession session(options, io);
    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());
    AppContext *ctx = session.Context();

    session.BeginStep();
    TReplyRecord reply;
    RunResult r = DeviceStatus::SendPower(ctx, wanted, &reply);
    if (r != RunResult::Done)
        return session.Finish(report, r, reply);
    // Every setting is followed by a read-back: the unit's word is what counts.
    session.BeginStep();
    bool on = false;
    r = DeviceStatus::ReadPower(ctx, on, &reply);
    if (r != RunResult::Done) {
        report.set(QStringLiteral("power"), QStringLiteral("unknown"));
        return session.Finish(report, r, reply);
    }
    report.set(QStringLiteral("power"), powerWord(on));
    report.line(powerText(on));
    if (on != wanted)
        return report.Finish(CliExit::Failed,
                             QStringLiteral("the unit reports power %1 after power %2")
                                 .arg(powerWord(on), powerWord(wanted)));
    return report.Finish(CliExit::Success);
}
