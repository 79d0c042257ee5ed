#include "cli/CliSession.h"
#include "cli/CliTrace.h"

#include "cli/CliPrompts.h"
#include "control/DeviceStatus.h"
#include "link/LinkAlerts.h"
#include "link/LinkTiming.h"
#include "protocol/Frames.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int StopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 1;
    // Only async-signal-safe calls here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(StopPipe[1], &byte, 1);
}
} // namespace

void CliSession::InstallStopSignals(TTSCOMControl *engine) {
    static QPointer<TTSCOMControl> target;
    target = engine;
    if (StopPipe[0] >= 0 || ::pipe(StopPipe) != 0)
        return;
    for (int fd : StopPipe)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto *notifier = new QSocketNotifier(StopPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char buffer[16];
        while (::read(StopPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (target)
            target->Cancel();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

CliSession::CliSession(const CliOptions &options, CliStreams &io)
    : FOptions(options), FIo(io), FEngine(std::make_unique<TTSCOMControl>()) {
    FPrompts.setResponder(CliPrompts::Responder(io.err));
    FContext = std::make_unique<AppContext>(FEngine.get(), &FPrompts);
    TTSCOMControl *engine = FEngine.get();
    if (!options.serialDevice.isEmpty()) {
        engine->setControlMode(cmCOM);
        engine->setComPort(options.serialDevice);
    } else {
        engine->setControlMode(cmLAN);
        engine->setDeviceIP(options.tcpHost);
        engine->setTcpPort(quint16(options.tcpPort));
    }
    // A command whose link went away opens it again, as the window's
    // Connect button would.
    FContext->ConnectAction = [engine] { engine->Connect(); };
    FContext->StatusSink = [this](int level, const QString &text, bool) {
        // The running step's caption and the alerts; "Done" and the short
        // notes say nothing a script does not learn from the result.
        if (level == 2)
            FLastLevel2 = text;
        if (level != 2 || text.isEmpty() || text == QLatin1String("Done") || text == FLastStatus)
            return;
        FLastStatus = text;
        Progress(text.trimmed());
    };
    InstallStopSignals(engine);
    connect(engine, &TTSCOMControl::linkFailed, this, &CliSession::linkFailed);
    connect(engine, &TTSCOMControl::connectFailed, this,
            [this](bool connected, const QString &reason) {
                FConnectFailed = true;
                FConnectWords = LinkAlerts::ConnectFailureText(
                    FEngine->ControlMode(), connected, FEngine->ComPort(), FEngine->DeviceIP());
                if (!reason.isEmpty())
                    FConnectWords += QStringLiteral(": ") + reason;
            });
    connect(engine, &TTSCOMControl::connectionLost, this,
            [this](const QString &reason) { Progress(QStringLiteral("link lost: ") + reason); });
}

CliSession::~CliSession() {
    // The context's firmware transfer refers to the engine.
    FContext.reset();
    FEngine.reset();
}

bool CliSession::AttachTrace() {
    if (FOptions.traceFile.isEmpty() || FTraceAttached)
        return true;
    if (AttachFrameTrace(*FEngine, FOptions.traceFile, FIo.err) != CliExit::Success)
        return false;
    FTraceAttached = true;
    return true;
}

bool CliSession::Open() {
    BeginStep();
    if (!AttachTrace()) {
        FExit = CliExit::BadInput;
        return false;
    }
    if (FEngine->Connect())
        return true;
    FExit = CliExit::NoLink;
    FText =
        FConnectWords.isEmpty() ? QStringLiteral("the link could not be opened") : FConnectWords;
    return false;
}

void CliSession::BeginStep() {
    FFailure = Failure::None;
    FSawTimeout = false;
    FFailureWords.clear();
    FConnectFailed = false;
    FConnectWords.clear();
    FExit = CliExit::Failed;
    FText.clear();
}

void CliSession::linkFailed(LinkFailure failure, const QString &detail) {
    switch (failure) {
    case LinkFailure::TimedOut:
        FFailure = Failure::TimedOut;
        FSawTimeout = true;
        break;
    case LinkFailure::Invalid:
        FFailure = Failure::Invalid;
        break;
    case LinkFailure::BadStatus:
        FFailure = Failure::BadStatus;
        break;
    case LinkFailure::Exception:
        FFailure = Failure::Exception;
        break;
    }
    FFailureWords = LinkAlerts::FailureText(failure, FEngine->ControlMode());
    if (!detail.isEmpty())
        FFailureWords += QStringLiteral(" (") + detail + QStringLiteral(")");
    Progress(FFailureWords);
}

CliExit CliSession::ExitOf(RunResult result, const TReplyRecord &reply) {
    if (result == RunResult::Done) {
        FExit = CliExit::Success;
        FText.clear();
        return FExit;
    }
    if (result == RunResult::Refused) {
        // The tool itself did not run the step: nothing was asked.
        FExit = CliExit::Failed;
        FText = FEngine->Closing() ? QStringLiteral("stopped") : AppContext::InProcessing;
        return FExit;
    }
    // A reply that arrived and carries the refusal status: the unit said no.
    const bool answered = reply.Bytes[0] == FrameStart1 && reply.Bytes[1] == FrameStart2;
    const bool unitRefused =
        answered && (reply.status() == StatusRejected || reply.status() == StatusRefused);
    return ReportedExit(unitRefused);
}

CliExit CliSession::Finish(CliReport &report, RunResult result, const TReplyRecord &reply) {
    const CliExit exit = ExitOf(result, reply);
    return report.Finish(exit, FText);
}

CliExit CliSession::FinishReported(CliReport &report) {
    const CliExit exit = ReportedExit();
    return report.Finish(exit, FText);
}

CliExit CliSession::ReportedExit(bool unitRefused) {
    if (FConnectFailed && !FEngine->Connected()) {
        FExit = CliExit::NoLink;
        FText = FConnectWords;
        return FExit;
    }
    switch (FFailure) {
    case Failure::TimedOut:
        FExit = CliExit::TimedOut;
        FText = FFailureWords + QStringLiteral(" The unit did not answer.");
        break;
    case Failure::BadStatus:
        FExit = CliExit::Refused;
        FText = FFailureWords + QStringLiteral(" The unit refused the transfer.");
        break;
    case Failure::Invalid:
        FExit = unitRefused ? CliExit::Refused : CliExit::Failed;
        FText = FFailureWords + (unitRefused ? QStringLiteral(" The unit refused the command.")
                                             : QStringLiteral(" The replies were not valid."));
        break;
    case Failure::Exception:
        FExit = CliExit::Failed;
        FText = FFailureWords;
        break;
    case Failure::None:
        FExit = unitRefused ? CliExit::Refused : CliExit::Failed;
        FText = unitRefused ? QStringLiteral("The unit refused the command.")
                            : QStringLiteral("No valid reply.");
        break;
    }
    return FExit;
}

CliExit CliSession::EnsurePoweredOn() {
    BeginStep();
    bool on = false;
    TReplyRecord reply;
    const RunResult r = DeviceStatus::ReadPower(FContext.get(), on, &reply);
    if (r != RunResult::Done)
        return ExitOf(r, reply);
    if (on)
        return FExit = CliExit::Success;
    FText = QStringLiteral("System is Power Off, please turn it on first.");
    return FExit = CliExit::PoweredOff;
}

void CliSession::Progress(const QString &line) {
    FIo.err << line << Qt::endl;
}

void CliSession::Gauge(const QString &caption, int percent) {
    if (!caption.isNull())
        FGaugeCaption = caption;
    if (percent == FGaugePercent && caption.isNull())
        return;
    FGaugePercent = percent;
    Progress(QStringLiteral("%1: %2%").arg(FGaugeCaption).arg(percent));
}

void CliSession::RepeatingProgress(const QString &text) {
    // The last character is the spinner.
    const QString stem = text.left(text.size() - 1).trimmed();
    if (stem == FRepeatingStem)
        return;
    FRepeatingStem = stem;
    Progress(stem);
}

bool CliSession::ApplyTiming(const QString &text, QString *error) {
    LinkTiming &t = LinkTiming::current();
    const QHash<QString, int *> fields = {
        {QStringLiteral("tickMs"), &t.tickMs},
        {QStringLiteral("ticksPerTry"), &t.ticksPerTry},
        {QStringLiteral("retryPauseMs"), &t.retryPauseMs},
        {QStringLiteral("uploadRetryPauseMs"), &t.uploadRetryPauseMs},
        {QStringLiteral("preparePauseMs"), &t.preparePauseMs},
        {QStringLiteral("rebootTickMs"), &t.rebootTickMs},
        {QStringLiteral("rebootTicksPerProbe"), &t.rebootTicksPerProbe},
        {QStringLiteral("rebootProbes"), &t.rebootProbes},
        {QStringLiteral("connectTimeoutMs"), &t.connectTimeoutMs},
    };
    for (const QString &raw : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString item = raw.trimmed();
        if (item == QLatin1String("fast")) {
            LinkTiming::shrinkForTests();
            continue;
        }
        const int eq = item.indexOf(QLatin1Char('='));
        bool ok = false;
        const int value = eq > 0 ? item.mid(eq + 1).toInt(&ok) : 0;
        int *field = eq > 0 ? fields.value(item.left(eq)) : nullptr;
        // Every wait is at least a millisecond and at most a minute a step.
        if (!field || !ok || value < 1 || value > 60000) {
            if (error)
                *error = QStringLiteral("MATRIX_LINK_TIMING: cannot use \"%1\"").arg(item);
            return false;
        }
        *field = value;
    }
    return true;
}
