#include "shell/AppContext.h"

#include "shell/PromptService.h"

AppContext::AppContext(TTSCOMControl *engine, PromptService *prompts, QObject *parent)
    : QObject(parent), Engine(engine), Prompts(prompts) {}

bool AppContext::ReadyForCommand() {
    if (Closing())
        return false;
    if (!Engine->Connected() && ConnectAction)
        ConnectAction();
    if (!Engine->Connected())
        return false;
    if (!Idle) {
        ShowStatus(3, QStringLiteral("In processing, command ignored"));
        return false;
    }
    return true;
}

void AppContext::RunCommand(const QString &caption, uint8_t code, uint8_t sub, uint16_t p1,
                            uint16_t p2, uint16_t p3, uint16_t p4, TReplyRecord &reply) {
    if (!ReadyForCommand()) {
        reply.Success = 0;
        return;
    }
    Idle = false;
    ShowStatus(2, caption);
    const Frame frame = Frame::make(code, sub, p1, p2, p3, p4);
    Engine->Transact(frame, reply);
    if (reply.Success == 1)
        ShowStatus(2, QStringLiteral("Done"));
    Idle = true;
    ShowStatus(3, QString());
}

void AppContext::RunPoweredCommand(const QString &caption, uint8_t code, uint8_t sub, uint16_t p1,
                                   uint16_t p2, uint16_t p3, uint16_t p4, TReplyRecord &reply) {
    if (PowerOn) {
        RunCommand(caption, code, sub, p1, p2, p3, p4, reply);
        return;
    }
    Prompts->Information(QStringLiteral(
        "System is Power Off, please turn it on first.\r\nOr click [Display Status] button on "
        "[General] page to refresh Power Status if unit is Power On."));
    reply.Success = 0;
}

void AppContext::ShowStatus(int level, const QString &text, bool blink) {
    if (StatusSink)
        StatusSink(level, text, blink);
}

bool AppContext::EngineFree() const {
    return Idle && !Engine->Searching && !Engine->Connecting && !Engine->Configuring;
}

void AppContext::setPowerOn(bool on) {
    PowerOn = on;
    emit powerChanged(on);
}
