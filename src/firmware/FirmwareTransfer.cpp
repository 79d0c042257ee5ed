#include "firmware/FirmwareTransfer.h"

#include "link/TSCOMControl.h"
#include "protocol/Commands.h"
#include "protocol/Requests.h"

#include <algorithm>

namespace {
const QString CRLF = QStringLiteral("\r\n");
constexpr int UploadLogNumber = 8888;
const QString Rebooting = QStringLiteral("System rebooting, please wait ...");
} // namespace

FirmwareTransfer::FirmwareTransfer(TTSCOMControl *engine, QObject *parent)
    : QObject(parent), FEngine(engine) {
    qRegisterMetaType<PartId>();
    qRegisterMetaType<PartVersion>();
}

bool FirmwareTransfer::startUpload(const Frame &start, TReplyRecord &reply, bool withThird) {
    if (FEngine->Closing())
        return false;
    FPartRefused = false;
    FEngine->Transact(start, reply);
    if (reply.Success == 0)
        return false;
    if (reply.status() == StatusRefused) {
        FPartRefused = true;
        emit partRefused(PartId::ofStart(start, withThird), PartVersion::ofStart(start));
        reply.Success = 1;
        return false;
    }
    if (reply.status() != StatusMore) {
        FEngine->reportFailure(LinkFailure::BadStatus);
        reply.Success = 0;
        return false;
    }
    return true;
}

void FirmwareTransfer::UploadPart(const Frame &start, const QByteArray &data, TReplyRecord &reply) {
    if (!startUpload(start, reply, true))
        return;
    if (sendBlocks(start, data, reply, false))
        emit partDone(PartId(), PartVersion());
}

bool FirmwareTransfer::prepareStep(const Frame &start, int step, TReplyRecord &reply) {
    FEngine->Pause(LinkTiming::current().preparePauseMs);
    if (FEngine->Closing()) {
        reply.Success = 0;
        return false;
    }
    FEngine->Transact(Requests::uploadPrepareStep(start, step), reply);
    if (reply.Success == 0)
        return false;
    if (reply.status() == StatusOK)
        return true;
    if (reply.status() == StatusRefused) {
        FPartRefused = true;
        emit partRefused(PartId::ofStart(start, false), PartVersion::ofStart(start));
        reply.Success = 1;
        return false;
    }
    FEngine->reportFailure(LinkFailure::BadStatus);
    reply.Success = 0;
    return false;
}

void FirmwareTransfer::UploadPartPrepared(const Frame &start, const QByteArray &data,
                                          TReplyRecord &reply) {
    if (!startUpload(start, reply, false))
        return;
    if (!prepareStep(start, 1, reply) || !prepareStep(start, 2, reply))
        return;
    FEngine->Pause(LinkTiming::current().preparePauseMs);
    if (!sendBlocks(start, data, reply, true))
        return;
    emit partDone(PartId::ofStart(start, false), PartVersion::ofStart(start));
    if (Requests::uploadEndsWithReboot(start))
        WaitReboot(reply);
}

bool FirmwareTransfer::sendBlocks(const Frame &start, const QByteArray &data, TReplyRecord &reply,
                                  bool prepared) {
    const PartId part = PartId::ofStart(start, !prepared);
    const PartVersion version = PartVersion::ofStart(start);
    const int size = static_cast<int>(data.size());
    int position = 0;
    uint16_t blockNumber = 0;
    do {
        if (FEngine->Closing()) {
            reply.Success = 0;
            return false;
        }
        const int remaining = size - position;
        const int n = PacketDataLength(remaining);
        const QByteArray packet =
            BuildHostPacket(PacketKind::FirmwarePart, start,
                            reinterpret_cast<const uint8_t *>(data.constData()) + position,
                            remaining, blockNumber, prepared);
        ExchangeSpec plan;
        plan.mode = prepared ? RxUploadPrepared : RxUpload;
        plan.request = [&packet](int) { return packet; };
        plan.logSent = [this, prepared](int t, const QByteArray &w) {
            const QString prefix = prepared ? QStringLiteral("[%1]send data:").arg(t) + CRLF
                                            : QStringLiteral("send data:") + CRLF;
            FEngine->LogBytes(prefix, reinterpret_cast<const uint8_t *>(w.constData()),
                              static_cast<int>(w.size()));
        };
        plan.replyCaption = QStringLiteral("rcv cmd:   ");
        plan.replyNumber = UploadLogNumber;
        plan.retryPauseMs = LinkTiming::current().uploadRetryPauseMs;
        plan.pauseAfterTimeout = true;
        plan.check = [&](const uint8_t *r, int) {
            if (FrameChecksum(r) != r[12] || !ReplyMatches(r, start.b))
                return Verdict::Reject;
            // The acknowledgement of a block echoes its number (P4): another
            // number, or the ready answer of the start, is a late answer.
            if (r[4] == StatusMore || (r[10] | (r[11] << 8)) != blockNumber)
                return Verdict::Stale;
            if (r[4] == StatusOK)
                return Verdict::Accept;
            if (r[4] == StatusRefused)
                return Verdict::Refused;
            FPartRefused = false;
            return Verdict::Reject;
        };
        plan.onRefused = [&] {
            FPartRefused = true;
            emit partRefused(part, version);
        };
        const ExchangeOutcome outcome = FEngine->Exchange(plan, reply);
        if (outcome == ExchangeOutcome::Refused)
            return false; // the part was refused: success 1, PartRefused set
        if (outcome != ExchangeOutcome::Accepted) {
            reply.Success = 0;
            return false;
        }
        FPartRefused = false;
        position += n;
        ++blockNumber;
        // An empty part is complete at once.
        const int percent = size > 0 ? static_cast<int>(qint64(position) * 100 / size) : 100;
        emit partProgress(part, percent);
    } while (position < size);
    return true;
}

// ---- Reboot wait ----------------------------------------------------------

void FirmwareTransfer::WaitReboot(TReplyRecord &reply) {
    if (FEngine->Closing())
        return;
    const LinkTiming &timing = LinkTiming::current();
    reply.clear();
    int spinner = 0;
    emit upgradeLog(Rebooting + SpinnerChars[spinner], true);
    Frame sealed = Requests::rebootProbe();
    SealFrame(sealed);
    const QByteArray wire = sealed.toBytes();

    ExchangeSpec plan;
    plan.request = [&wire](int) { return wire; };
    plan.logSent = [this, &sealed](int t, const QByteArray &) {
        FEngine->LogFrame(QStringLiteral("[%1] snd cmd:   ").arg(t), sealed.b, t);
    };
    plan.replyCaption = QStringLiteral("rcv cmd:   ");
    plan.tries = timing.rebootProbes;
    plan.tryMs = qint64(timing.rebootTicksPerProbe) * timing.rebootTickMs;
    plan.tickMs = timing.rebootTickMs;
    plan.onTick = [&] {
        spinner = (spinner + 1) % 4;
        emit upgradeLog(Rebooting + SpinnerChars[spinner], true);
    };
    plan.waitOutTry = true;
    plan.reportTimeout = false;
    plan.reportInvalid = false;
    const ExchangeOutcome outcome = FEngine->Exchange(plan, reply);
    if (outcome == ExchangeOutcome::Cancelled)
        return;
    if (outcome == ExchangeOutcome::Accepted)
        emit upgradeLog(QStringLiteral("System reboot ok"), false);
    else if (outcome != ExchangeOutcome::Failed)
        emit upgradeLog(QStringLiteral("System reboot failed"), false);
    if (FEngine->Closing())
        return;
    if (AfterRebootDelay > 0)
        WaitAfterReboot();
}

void FirmwareTransfer::WaitAfterReboot() {
    const LinkTiming &timing = LinkTiming::current();
    const int delay = std::clamp(AfterRebootDelay, 0, 300);
    const QString waiting = QStringLiteral("More delay after system reboot, please wait ...");
    int ticks = 0;
    int i = 0;
    while (!FEngine->Closing()) {
        FEngine->Pause(timing.rebootTickMs);
        ++ticks;
        emit upgradeLog(waiting + SpinnerChars[(i + 1) % 4], true);
        if (ticks >= delay * 10 || FEngine->Closing())
            break;
        ++i;
    }
}
