#include "app/OperationScope.h"

#include "app/AppContext.h"

OperationScope::OperationScope(AppContext *ctx, Link link) : FCtx(ctx) {
    if (ctx->Closing()) {
        FRefused = true;
        return;
    }
    if (ctx->RefuseWhenBusy()) {
        FRefused = true;
        return;
    }
    if (link == Link::Needed) {
        if (!ctx->Engine->Connected() && ctx->ConnectAction)
            ctx->ConnectAction();
        if (!ctx->Engine->Connected())
            return;
        // Connecting pumps events: another operation may have started meanwhile.
        if (ctx->RefuseWhenBusy()) {
            FRefused = true;
            return;
        }
    }
    FActive = true;
    ctx->FOperation = true;
    ctx->FStopQuestion.clear();
    ctx->Engine->ClearStop();
    ctx->Engine->setOperationActive(true);
    emit ctx->busyChanged(true);
}

OperationScope::~OperationScope() {
    if (!FActive)
        return;
    FCtx->FOperation = false;
    FCtx->FStopQuestion.clear();
    FCtx->Engine->ClearStop();
    FCtx->Engine->setOperationActive(false);
    emit FCtx->busyChanged(false);
}

void OperationScope::askBeforeStop(const QString &question) {
    if (FActive)
        FCtx->FStopQuestion = question;
}
