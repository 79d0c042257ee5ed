#pragma once
// The board-information transfers as the pages run them: one operation at a
// time (refused with "In processing, command ignored" while another holds the
// link), connecting first when needed, with the running text and the outcome
// in the status bar.

#include "app/AppContext.h"
#include "firmware/BoardInfoTransfer.h"

#include <QByteArray>
#include <QObject>

class BoardInfoCommands : public QObject {
    Q_OBJECT
public:
    explicit BoardInfoCommands(AppContext *ctx, QObject *parent = nullptr);

    BoardInfoTransfer *Transfer() const { return FTransfer; }

    // Refused: nothing was sent. Failed: result.Success is 0. Done: the block
    // was read (into `block`) or written.
    RunResult GetBoardInfoExtData(const BoardInfoFields &fields, BoardInfoResult &result,
                                  QByteArray &block);
    RunResult SendBoardInfoExtData(const BoardInfoFields &fields, const QByteArray &block,
                                   BoardInfoResult &result);

private:
    // `stopQuestion`: asked before Stop ends a write (empty for a read).
    RunResult run(const QString &caption, const QString &failed, BoardInfoResult &result,
                  const std::function<void()> &transfer, const QString &stopQuestion = QString());

    AppContext *FCtx;
    BoardInfoTransfer *FTransfer;
};
