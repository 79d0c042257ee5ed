#pragma once
// The one place where matrix-cli opens the engine for a command: the link
// engine, the prompt service with the non-interactive answers, and the
// application context with the same RunCommand / OperationScope the window
// uses. It records what the engine reports, so that a step's RunResult can be
// told apart as a refusal by the unit, a time-out, a link that could not be
// opened or another failure; progress goes to standard error.

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "cli/CliCommand.h"
#include "cli/CliReport.h"
#include "link/LinkEvents.h"
#include "link/TSCOMControl.h"

#include <QObject>
#include <QString>
#include <memory>

class CliSession : public QObject {
    Q_OBJECT
public:
    CliSession(const CliOptions &options, CliStreams &io);
    ~CliSession() override;

    // Opens the link the options name (after attaching the trace). False:
    // the link could not be opened; FailureExit() and FailureText() say why.
    bool Open();

    AppContext *Context() const { return FContext.get(); }
    TTSCOMControl *Engine() const { return FEngine.get(); }

    // Forget what earlier steps reported (a step's outcome is judged on what
    // it reported itself).
    void BeginStep();
    // The exit a step that did not give RunResult::Done stands for, and the
    // words for it. `reply` is the step's reply record (its last reply bytes
    // tell a refusal from garbage).
    CliExit ExitOf(RunResult result, const TReplyRecord &reply);
    // ExitOf() (or ReportedExit()) with its words, ended through `report`.
    CliExit Finish(CliReport &report, RunResult result, const TReplyRecord &reply);
    CliExit FinishReported(CliReport &report);
    CliExit FailureExit() const { return FExit; }
    QString FailureText() const { return FText; }
    // A time-out was reported since BeginStep().
    bool TimedOut() const { return FSawTimeout; }
    // The last status text of the running step (the status bar's panel 2).
    QString LastStatus() const { return FLastLevel2; }
    void ClearLastStatus() { FLastLevel2.clear(); }
    // The engine's failure since BeginStep() as an exit (Failed when none).
    CliExit ReportedExit(bool unitRefused = false);

    // Reads the power state (commands that need the unit on refuse while it
    // is off, as the window does). Success when on; PoweredOff when off;
    // otherwise the read's failure. FailureText() says why.
    CliExit EnsurePoweredOn();

    // Progress lines on standard error.
    void Progress(const QString &line);
    // A gauge: caption and percent, printed when either changed.
    void Gauge(const QString &caption, int percent);
    // A text that rewrites itself (a spinner at its end): printed once per stem.
    void RepeatingProgress(const QString &text);

    // LinkTiming from MATRIX_LINK_TIMING ("fast" and/or key=value pairs,
    // comma-separated; keys are LinkTiming's field names). For tests and
    // for slow bridges. False with `error` set when the text is not understood.
    static bool ApplyTiming(const QString &text, QString *error);

    // SIGINT and SIGTERM end the running operation at its next check, as
    // closing the window does (the engine's Closing); installed once.
    static void InstallStopSignals(TTSCOMControl *engine);

private:
    // --trace FILE: the frame trace attaches to the engine here, before the
    // link opens, so that the first frame is in it.
    bool AttachTrace();
    void linkFailed(LinkFailure failure, const QString &detail);

    enum class Failure { None, TimedOut, Invalid, BadStatus, Exception };

    const CliOptions &FOptions;
    CliStreams &FIo;
    std::unique_ptr<TTSCOMControl> FEngine;
    PromptService FPrompts;
    std::unique_ptr<AppContext> FContext;
    Failure FFailure = Failure::None;
    bool FSawTimeout = false;
    QString FLastLevel2;
    QString FFailureWords;
    bool FConnectFailed = false;
    QString FConnectWords;
    bool FTraceAttached = false;
    CliExit FExit = CliExit::Failed;
    QString FText;
    QString FLastStatus;
    QString FGaugeCaption;
    int FGaugePercent = -1;
    QString FRepeatingStem;
};
