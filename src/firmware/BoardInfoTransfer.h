#pragma once
// Reads and writes the board-information block of one board, with its eight
// header fields. Both directions run packet by packet on the engine's
// exchange step; a failed packet (a bad or refused reply, or none in time)
// starts the whole block again, at most MaxTries times in all. Failures are
// reported through the engine's own signals, a finished transfer through the
// engine's blockTransferDone.

#include "protocol/BoardInfoFields.h"
#include "protocol/Frames.h"

#include <QByteArray>
#include <QObject>

class TTSCOMControl;

// The outcome of one transfer: the eight fields as the board returned them,
// the last valid reply frame (a packet header for a read) and the success flag.
struct BoardInfoResult {
    BoardInfoFields Fields;
    uint8_t LastReply[FrameSize] = {};
    uint8_t Success = 0;

    bool ok() const { return Success == 1; }
};

class BoardInfoTransfer : public QObject {
    Q_OBJECT
public:
    explicit BoardInfoTransfer(TTSCOMControl *engine, QObject *parent = nullptr);

    TTSCOMControl *engine() const { return FEngine; }

    // Reads the block of the board named by `fields` (PCB type, sub index,
    // PCB type for check, solution, PCB version). Returns the block; it is
    // complete only when result.ok().
    QByteArray GetBoardInfoExtData(const BoardInfoFields &fields, BoardInfoResult &result);
    // Writes `block` with `fields` to the board. The length announced is the
    // block's own; the transmit state is not sent.
    void SendBoardInfoExtData(const BoardInfoFields &fields, const QByteArray &block,
                              BoardInfoResult &result);

    // Passes over a block (a failed packet starts the next one).
    static constexpr int MaxTries = 6;
    // The longest block a board can announce.
    static constexpr int MaxBlockSize = 0xFFFF;

private:
    enum class PassEnd { Complete, Failed, Ended };
    PassEnd readPass(const BoardInfoFields &fields, int total, int pass, QByteArray &block,
                     BoardInfoResult &result);
    PassEnd writePass(const BoardInfoFields &fields, const QByteArray &block, int pass,
                      BoardInfoResult &result);

    TTSCOMControl *FEngine;
};
