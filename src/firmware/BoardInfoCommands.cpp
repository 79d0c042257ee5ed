#include "firmware/BoardInfoCommands.h"

#include "app/OperationScope.h"

BoardInfoCommands::BoardInfoCommands(AppContext *ctx, QObject *parent)
    : QObject(parent), FCtx(ctx), FTransfer(new BoardInfoTransfer(ctx->Engine, this)) {}

RunResult BoardInfoCommands::run(const QString &caption, const QString &failed,
                                 BoardInfoResult &result, const std::function<void()> &transfer,
                                 const QString &stopQuestion) {
    result.Success = 0;
    OperationScope op(FCtx);
    if (!op) {
        if (op.refused())
            return RunResult::Refused;
        FCtx->ShowStatus(2, failed, true); // the link could not be opened
        return RunResult::Failed;
    }
    if (!stopQuestion.isEmpty())
        op.askBeforeStop(stopQuestion);
    FCtx->ShowStatus(3, QString());
    FCtx->ShowStatus(2, caption);
    transfer();
    if (result.ok()) {
        FCtx->ShowStatus(2, QStringLiteral("Done"));
        return RunResult::Done;
    }
    FCtx->ShowStatus(2, failed, true);
    return RunResult::Failed;
}

RunResult BoardInfoCommands::GetBoardInfoExtData(const BoardInfoFields &fields,
                                                 BoardInfoResult &result, QByteArray &block) {
    block.clear();
    return run(QStringLiteral("Get Board Info Ext Data ..."),
               QStringLiteral("Get Board Info Failed"), result,
               [&] { block = FTransfer->GetBoardInfoExtData(fields, result); });
}

RunResult BoardInfoCommands::SendBoardInfoExtData(const BoardInfoFields &fields,
                                                  const QByteArray &block,
                                                  BoardInfoResult &result) {
    return run(
        QStringLiteral("Send Board Info Ext Data ..."), QStringLiteral("Send Board Info Failed"),
        result, [&] { FTransfer->SendBoardInfoExtData(fields, block, result); },
        QStringLiteral("Stop writing the board information? The board may be left "
                       "without valid board information."));
}
