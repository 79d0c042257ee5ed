#include "app/AppContext.h"

#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "firmware/FirmwareTransfer.h"
#include "link/ModuleLink.h"
#include "settings/SettingsData.h"

const QString AppContext::InProcessing = QStringLiteral("In processing, command ignored");

AppContext::AppContext(TTSCOMControl *engine, PromptService *prompts, QObject *parent)
    : QObject(parent), Engine(engine), Prompts(prompts),
      Firmware(new FirmwareTransfer(engine, this)) {}

AppContext::~AppContext() = default;

bool AppContext::Busy() const {
    if (FOperation || Engine->IsConnecting())
        return true;
    ModuleLink *modules = Engine->Modules();
    return modules->Searching() || modules->Configuring();
}

bool AppContext::RefuseWhenBusy() {
    if (!Busy())
        return false;
    ShowStatus(3, InProcessing);
    return true;
}

RunResult AppContext::RunCommand(const QString &caption, const Frame &request,
                                 TReplyRecord &reply) {
    OperationScope scope(this);
    if (!scope) {
        reply.Success = 0;
        return scope.refused() ? RunResult::Refused : RunResult::Failed;
    }
    ShowStatus(2, caption);
    Engine->Transact(request, reply);
    if (reply.Success == 1)
        ShowStatus(2, QStringLiteral("Done"));
    ShowStatus(3, QString());
    return reply.Success == 1 ? RunResult::Done : RunResult::Failed;
}

bool AppContext::ReopenLink() {
    if (Engine->Connected())
        return true;
    if (Engine->Closing())
        return false;
    return Engine->Connect();
}

RunResult AppContext::RunHeldCommand(const QString &caption, const Frame &request,
                                     TReplyRecord &reply) {
    reply.clear();
    if (Engine->Closing())
        return RunResult::Refused;
    if (!ReopenLink())
        return RunResult::Failed;
    ShowStatus(2, caption);
    Engine->Transact(request, reply);
    if (reply.Success == 1)
        ShowStatus(2, QStringLiteral("Done"));
    ShowStatus(3, QString());
    return reply.Success == 1 ? RunResult::Done : RunResult::Failed;
}

RunResult AppContext::RunPoweredCommand(const QString &caption, const Frame &request,
                                        TReplyRecord &reply) {
    if (PowerOn)
        return RunCommand(caption, request, reply);
    Prompts->Information(QStringLiteral(
        "System is Power Off, please turn it on first.\r\nOr click [Display Status] button on "
        "[General] page to refresh Power Status if unit is Power On."));
    reply.Success = 0;
    return RunResult::Failed;
}

void AppContext::ShowStatus(int level, const QString &text, bool blink) {
    if (StatusSink)
        StatusSink(level, text, blink);
}

void AppContext::setPowerOn(bool on) {
    PowerOn = on;
    emit powerChanged(on);
}

void AppContext::notifyModuleBusy(bool busy) {
    emit busyChanged(busy);
}

void AppContext::LoadSettings(const SettingsData &data) {
    MacIdB1 = data.macId[0];
    MacIdB2 = data.macId[1];
    MacIdB3 = data.macId[2];
    AfterRebootDelay = data.AfterRebootDelay;
    BeforeBIDelay = data.BeforeBIDelay;
    Firmware->AfterRebootDelay = data.AfterRebootDelay;
}

void AppContext::SaveSettings(SettingsData &data) const {
    data.macId = {MacIdB1, MacIdB2, MacIdB3};
    data.AfterRebootDelay = AfterRebootDelay;
    data.BeforeBIDelay = BeforeBIDelay;
}

bool AppContext::StopOperation() {
    if (!FOperation || Engine->StopRequested())
        return false;
    if (!FStopQuestion.isEmpty()) {
        const QString question = FStopQuestion;
        if (!Prompts->Question(question))
            return false;
        // The operation may have ended while the question was open.
        if (!FOperation)
            return false;
    }
    Engine->StopWaiting();
    return true;
}
