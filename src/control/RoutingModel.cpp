#include "control/RoutingModel.h"

#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"

RoutingModel::RoutingModel(Runner runner) : FRun(std::move(runner)) {
    for (QString &d : FDisplay)
        d = QStringLiteral("0");
}

RoutingModel::Runner RoutingModel::RunnerOf(AppContext *ctx) {
    return [ctx](const QString &caption, const Frame &request, TReplyRecord &reply, bool powered) {
        return powered ? ctx->RunPoweredCommand(caption, request, reply)
                       : ctx->RunCommand(caption, request, reply);
    };
}

void RoutingModel::changed(int output) {
    if (Changed)
        Changed(output);
}

QString RoutingModel::Display(int output) const {
    return ValidPort(output) ? FDisplay[output - 1] : QString();
}

void RoutingModel::SetDisplay(int output, const QString &text) {
    if (!ValidPort(output))
        return;
    FDisplay[output - 1] = text;
    changed(output);
}

int RoutingModel::CurrentInput(int output) const {
    bool ok = false;
    const int n = Display(output).trimmed().toInt(&ok);
    return ok ? n : 0;
}

int RoutingModel::Pressed(int output) const {
    return ValidPort(output) ? FPressed[output - 1] : 0;
}

void RoutingModel::Press(int output, int input) {
    if (!ValidPort(output) || !ValidPort(input))
        return;
    FPressed[output - 1] = input;
    changed(output);
}

bool RoutingModel::SingleSwitch(int output, int input) {
    if (!ValidPort(output) || !ValidPort(input))
        return false;
    TReplyRecord reply;
    FRun(QStringLiteral("Get Work Mode..."), ControlRequests::workModeQuery(), reply, false);
    if (ControlReplies::workMode(reply) != 0) {
        TReplyRecord setMode;
        FRun(QStringLiteral("Set Matrix mode..."), ControlRequests::setMatrixMode(), setMode, true);
    }
    const QString before = Display(output);
    const int c = CurrentInput(output);

    Press(output, input);
    SetDisplay(output, QString::number(input));

    TReplyRecord switched;
    if (FRun(QStringLiteral("Setting..."), ControlRequests::switchOutput(input, output), switched,
             true) == RunResult::Done)
        return true;
    // Restore: the button (o, c) only when c is an input.
    if (ValidPort(c))
        Press(output, c);
    SetDisplay(output, before);
    BatchAbort = true;
    return false;
}

int RoutingModel::StepInput(int current, bool previous) {
    if (previous) {
        const int n = current - 1;
        return ValidPort(n) ? n : Ports;
    }
    const int n = current + 1;
    return ValidPort(n) ? n : 1;
}

bool RoutingModel::Step(int tag) {
    const int output = OutputOfStepTag(tag);
    if (!ValidPort(output))
        return false;
    return SingleSwitch(output, StepInput(CurrentInput(output), tag % 2 == 1));
}

QList<QPair<int, int>> RoutingModel::MultiTargets(int menuTag, int output, int input) {
    QList<QPair<int, int>> targets;
    int first, last;
    if (menuTag == MenuAllOutputs || menuTag == MenuPortToPort) {
        first = 1;
        last = Ports;
    } else {
        first = output;
        last = std::min(output + menuTag - 1, Ports);
    }
    if (last < first || !ValidPort(first))
        return targets;
    for (int k = first; k <= last; ++k)
        targets.append({k, menuTag == MenuPortToPort ? k : input});
    return targets;
}

int RoutingModel::MultiSwitch(int menuTag, int output, int input) {
    BatchAbort = false;
    int done = 0;
    for (const auto &t : MultiTargets(menuTag, output, input)) {
        if (!ValidPort(t.second))
            break;
        if (!SingleSwitch(t.first, t.second) || BatchAbort)
            break;
        ++done;
    }
    return done;
}

int RoutingModel::ReadRouting() {
    for (int n = 1; n <= Ports; ++n) {
        TReplyRecord reply;
        if (FRun(QStringLiteral("Getting Output") + QString::number(n) + QStringLiteral(" ..."),
                 ControlRequests::outputInputQuery(n), reply, true) != RunResult::Done)
            return n - 1;
        const int input = ControlReplies::outputInput(reply);
        SetDisplay(n, QString::number(input));
        Press(n, input); // outside 1..8: the row is left as it is
    }
    return Ports;
}

int RoutingModel::PresetInput(const QString &column) {
    bool ok = false;
    const int n = column.trimmed().toInt(&ok);
    return ok && ValidPort(n) ? n : 0;
}

RoutingModel::PresetResult RoutingModel::ApplyPreset(const QStringList &columns) {
    BatchAbort = false;
    for (int i = 1; i <= Ports; ++i) {
        const int n = PresetInput(columns.value(i - 1));
        if (n == 0)
            return {PresetOutcome::Malformed, i};
        if (!SingleSwitch(i, n) || BatchAbort)
            return {PresetOutcome::Aborted, i};
    }
    return {PresetOutcome::Applied, 0};
}

QString RoutingModel::Describe(int output, int input, const LabelLookup &label) {
    const QString outLabel = label ? label(40 + output) : QString();
    const QString inLabel = label ? label(input) : QString();
    QString text = QStringLiteral("Output ") + QString::number(output);
    text += outLabel.isEmpty() ? QStringLiteral(" from ")
                               : QStringLiteral(" - [") + outLabel + QStringLiteral("] from ");
    text += QStringLiteral("Input ") + QString::number(input);
    if (!inLabel.isEmpty())
        text += QStringLiteral(" - [") + inLabel + QStringLiteral("]");
    return text;
}

QStringList RoutingModel::PopupLines(const LabelLookup &label, bool *anyLabel) {
    QStringList lines;
    bool any = false;
    auto line = [&](const QString &kind, int n, int tag) {
        const QString text = label ? label(tag) : QString();
        any = any || !text.isEmpty();
        lines << (text.isEmpty() ? kind + QString::number(n) + QStringLiteral(" - No Label")
                                 : kind + QString::number(n) + QStringLiteral(" - [") + text +
                                       QStringLiteral("]"));
    };
    for (int n = 1; n <= Ports; ++n)
        line(QStringLiteral("Output "), n, 40 + n);
    for (int n = 1; n <= Ports; ++n)
        line(QStringLiteral("Input "), n, n);
    if (anyLabel)
        *anyLabel = any;
    return lines;
}
