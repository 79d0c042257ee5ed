#include "firmware/BoardInfoTransfer.h"

#include "link/TSCOMControl.h"
#include "protocol/Requests.h"

#include <algorithm>
#include <cstring>

namespace {
const QString CRLF = QStringLiteral("\r\n");

const uint8_t *u8(const QByteArray &bytes) {
    return reinterpret_cast<const uint8_t *>(bytes.constData());
}

bool HeaderValid(const uint8_t *reply, const uint8_t *sent) {
    return FrameChecksum(reply) == reply[12] && ReplyMatches(reply, sent) &&
           reply[4] != StatusRejected;
}
} // namespace

BoardInfoTransfer::BoardInfoTransfer(TTSCOMControl *engine, QObject *parent)
    : QObject(parent), FEngine(engine) {}

// ---- Reading --------------------------------------------------------------

QByteArray BoardInfoTransfer::GetBoardInfoExtData(const BoardInfoFields &fields,
                                                  BoardInfoResult &result) {
    result = BoardInfoResult();
    QByteArray block;
    if (FEngine->Closing())
        return block;
    TReplyRecord reply;
    FEngine->Transact(Requests::boardInfoReadStart(fields), reply);
    if (!reply.ok())
        return block;
    result.Fields = BoardInfoFields::fromFrame(reply.Bytes);
    std::memcpy(result.LastReply, reply.Bytes, FrameSize);
    const int total = result.Fields.ExtLen();
    for (int pass = 0; pass < MaxTries; ++pass) {
        switch (readPass(fields, total, pass, block, result)) {
        case PassEnd::Complete:
            result.Success = 1;
            emit FEngine->blockTransferDone();
            return block;
        case PassEnd::Ended:
            block.clear();
            return block;
        case PassEnd::Failed:
            break;
        }
    }
    block.clear();
    FEngine->reportFailure(LinkFailure::Invalid);
    return block;
}

BoardInfoTransfer::PassEnd BoardInfoTransfer::readPass(const BoardInfoFields &fields, int total,
                                                       int pass, QByteArray &block,
                                                       BoardInfoResult &result) {
    block.clear();
    // The start reply announced the whole length; each packet announces the
    // length of the one after it. A packet is taken only with a length that
    // fits in the packet and in what is still missing of the block.
    int announced = std::min(BlockDataMax, total);
    int taken = 0;
    while (block.size() < total) {
        if (FEngine->Closing())
            return PassEnd::Ended;
        const Frame request = Requests::boardInfoReadRequest(fields, taken);
        ExchangeSpec plan;
        plan.mode = RxBlockRead;
        plan.tries = 1;
        plan.reportInvalid = false;
        plan.request = [&request](int) { return request.toBytes(); };
        plan.logSent = [this, &request, pass](int, const QByteArray &) {
            FEngine->LogFrame(QStringLiteral("[%1]GetBoardInfoExtData").arg(pass), request.b, pass);
        };
        plan.check = [&](const uint8_t *packet, int) {
            const int n = announced;
            const int missing = total - int(block.size());
            if (!HeaderValid(packet, request.b) || n < 1 || n > std::min(BlockDataMax, missing) ||
                BlockChecksum(packet + FrameSize + 1, std::size_t(n)) != packet[FrameSize])
                return Verdict::Reject;
            block.append(reinterpret_cast<const char *>(packet + FrameSize + 1), n);
            std::memcpy(result.LastReply, packet, FrameSize);
            taken = n;
            announced = packet[9] | (packet[10] << 8);
            return Verdict::Accept;
        };
        TReplyRecord reply;
        const ExchangeOutcome outcome = FEngine->Exchange(plan, reply);
        if (outcome == ExchangeOutcome::Cancelled || outcome == ExchangeOutcome::Failed)
            return PassEnd::Ended;
        if (outcome != ExchangeOutcome::Accepted) {
            FEngine->Pause(LinkTiming::current().retryPauseMs);
            return FEngine->Closing() ? PassEnd::Ended : PassEnd::Failed;
        }
        if (block.size() < total)
            FEngine->Pause(LinkTiming::current().retryPauseMs);
    }
    return PassEnd::Complete;
}

// ---- Writing --------------------------------------------------------------

void BoardInfoTransfer::SendBoardInfoExtData(const BoardInfoFields &fields, const QByteArray &block,
                                             BoardInfoResult &result) {
    result = BoardInfoResult();
    if (FEngine->Closing())
        return;
    if (block.size() > MaxBlockSize) {
        FEngine->reportFailure(LinkFailure::Invalid);
        return;
    }
    BoardInfoFields sent = fields;
    sent.setExtLen(int(block.size()));
    sent.TransmiteState = 0;
    for (int pass = 0; pass < MaxTries; ++pass) {
        switch (writePass(sent, block, pass, result)) {
        case PassEnd::Complete:
            result.Success = 1;
            emit FEngine->blockTransferDone();
            return;
        case PassEnd::Ended:
            result.Success = 0;
            return;
        case PassEnd::Failed:
            break;
        }
    }
    result.Success = 0;
    FEngine->reportFailure(LinkFailure::Invalid);
}

BoardInfoTransfer::PassEnd BoardInfoTransfer::writePass(const BoardInfoFields &fields,
                                                        const QByteArray &block, int pass,
                                                        BoardInfoResult &result) {
    TReplyRecord reply;
    FEngine->Transact(Requests::boardInfoWriteStart(fields), reply);
    if (!reply.ok())
        return PassEnd::Ended; // the start has its own tries and is reported
    result.Fields = BoardInfoFields::fromFrame(reply.Bytes);
    std::memcpy(result.LastReply, reply.Bytes, FrameSize);
    const int size = int(block.size());
    int position = 0;
    while (position < size) {
        if (FEngine->Closing())
            return PassEnd::Ended;
        const int n = std::min(BlockDataMax, size - position);
        const bool last = position + n >= size;
        const QByteArray packet =
            Requests::boardInfoWritePacket(fields, u8(block) + position, n, last);
        ExchangeSpec plan;
        plan.mode = RxBoardInfoWrite;
        plan.tries = 1;
        plan.reportInvalid = false;
        plan.request = [&packet](int) { return packet; };
        plan.logSent = [this, pass](int, const QByteArray &wire) {
            FEngine->LogBytes(QStringLiteral("[%1]SendBoardInfoExtData").arg(pass) + CRLF, u8(wire),
                              int(wire.size()));
        };
        plan.check = [&](const uint8_t *ack, int) {
            if (!HeaderValid(ack, u8(packet)))
                return Verdict::Reject;
            // An acknowledgement gives the bytes taken so far and the packet's
            // marker: one that does not is the late answer to an earlier frame
            // (the start, or a packet of an earlier pass).
            if ((ack[9] | (ack[10] << 8)) != position + n || ack[11] != u8(packet)[11])
                return Verdict::Stale;
            result.Fields = BoardInfoFields::fromFrame(ack);
            std::memcpy(result.LastReply, ack, FrameSize);
            return Verdict::Accept;
        };
        const ExchangeOutcome outcome = FEngine->Exchange(plan, reply);
        if (outcome == ExchangeOutcome::Cancelled || outcome == ExchangeOutcome::Failed)
            return PassEnd::Ended;
        if (outcome != ExchangeOutcome::Accepted) {
            FEngine->Pause(LinkTiming::current().retryPauseMs);
            return FEngine->Closing() ? PassEnd::Ended : PassEnd::Failed;
        }
        position += n;
        if (position < size)
            FEngine->Pause(LinkTiming::current().retryPauseMs);
    }
    return PassEnd::Complete;
}
