#include "cli/RouteCommand.h"

#include "cli/CliReport.h"
#include "cli/CliSession.h"
#include "control/RoutingModel.h"

#include <QJsonArray>

namespace {
int portNumber(const QString &text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && RoutingModel::ValidPort(n) ? n : 0;
}
} // namespace

CliExit RunRoute(CliOptions &options, const QStringList &arguments, CliStreams &io) {
    CliReport report(QStringLiteral("route"), options.json, io.out, io.err);
    const int output = portNumber(arguments.at(0));
    const int input = portNumber(arguments.at(1));
    if (!output || !input)
        return report.Finish(
            CliExit::BadInput,
            QStringLiteral("route takes OUTPUT and INPUT, each 1..%1").arg(RoutingModel::Ports));
    report.set(QStringLiteral("output"), output);
    report.set(QStringLiteral("input"), input);

    CliSession session(options, io);
    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());
    const CliExit power = session.EnsurePoweredOn();
    if (power != CliExit::Success)
        return report.Finish(power, session.FailureText());

    // The last command's result and reply, to tell a refused switch apart.
    const RoutingModel::Runner run = RoutingModel::RunnerOf(session.Context());
    RunResult lastResult = RunResult::Done;
    TReplyRecord lastReply;
    RoutingModel model(
        [&](const QString &caption, const Frame &request, TReplyRecord &reply, bool powered) {
            lastResult = run(caption, request, reply, powered);
            lastReply = reply;
            return lastResult;
        });

    session.BeginStep();
    if (!model.SingleSwitch(output, input))
        return session.Finish(report, lastResult, lastReply);

    session.BeginStep();
    const int read = model.ReadRouting();
    if (read < RoutingModel::Ports) {
        report.set(QStringLiteral("switched"), true);
        const CliExit exit = session.ExitOf(lastResult, lastReply);
        return report.Finish(exit, QStringLiteral("switched, but the routing could not be read "
                                                  "back: ") +
                                       session.FailureText());
    }
    QJsonArray routing;
    for (int o = 1; o <= RoutingModel::Ports; ++o)
        routing.append(model.CurrentInput(o));
    report.set(QStringLiteral("routing"), routing);
    report.line(
        QStringLiteral("Output %1 from Input %2").arg(output).arg(model.CurrentInput(output)));
    if (model.CurrentInput(output) != input)
        return report.Finish(CliExit::Failed,
                             QStringLiteral("the unit reports input %1 on output %2")
                                 .arg(model.CurrentInput(output))
                                 .arg(output));
    return report.Finish(CliExit::Success);
}
