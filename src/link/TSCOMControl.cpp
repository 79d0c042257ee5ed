#include "link/TSCOMControl.h"

#include "link/LinkError.h"
#include "link/LinkWait.h"
#include "link/ModuleLink.h"
#include "link/SerialTransport.h"
#include "link/TcpTransport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString Hex2(uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

QByteArray Sealed(const Frame &frame) {
    Frame sent;
    PrepareFrame(sent);
    std::memcpy(sent.b + 2, frame.b + 2, FrameSize - 3);
    SealFrame(sent);
    return sent.toBytes();
}

} // namespace

TTSCOMControl::TTSCOMControl(QObject *owner)
    : QObject(owner), FSerial(new SerialTransport(this)), FLan(new TcpTransport(this)) {
    qRegisterMetaType<LinkFailure>();
    qRegisterMetaType<SearchTextTarget>();
    for (Transport *t : {static_cast<Transport *>(FSerial), static_cast<Transport *>(FLan)}) {
        connect(t, &Transport::bytesReceived, this, [this, t](const QByteArray &bytes) {
            if (t == FActive)
                onBytes(bytes);
        });
        connect(t, &Transport::linkLost, this, [this, t](const QString &reason) {
            if (t == FActive)
                onLinkLost(reason);
        });
        connect(t, &Transport::note, this, &TTSCOMControl::linkNote);
    }
}

TTSCOMControl::~TTSCOMControl() {
    FClosing = true;
    delete FModules; // closes the datagram socket
    FModules = nullptr;
    FLan->cancel();
    blockSignals(true);
    if (FActive)
        FActive->close();
}

// ---- Properties -----------------------------------------------------------

QString TTSCOMControl::ComPort() const {
    return FSerial->portName();
}

void TTSCOMControl::setComPort(const QString &name) {
    FSerial->setPortName(name);
}

bool TTSCOMControl::setControlMode(TControlMode mode) {
    if (FOperationActive && mode != FControlMode)
        return false;
    FControlMode = mode;
    if (FModules) {
        FModules->StopSearch();
        FModules->StopConfigure();
    }
    return true;
}

Transport *TTSCOMControl::transportFor(TControlMode mode) const {
    return mode == cmCOM ? static_cast<Transport *>(FSerial) : static_cast<Transport *>(FLan);
}

bool TTSCOMControl::Connected() const {
    Transport *t = transportFor(FControlMode);
    return t == FActive && t->isOpen();
}

QString TTSCOMControl::ConnectAdvice() const {
    return FActive ? FActive->openAdvice() : QString();
}

QString TTSCOMControl::ConnectAdviceSummary() const {
    return FActive ? FActive->openAdviceSummary() : QString();
}

bool TTSCOMControl::serialInUse() const {
    return FActive && FActive->isSerial();
}

void TTSCOMControl::StopWaiting() {
    FStopRequested = true;
    LinkWait::wake();
}

void TTSCOMControl::SetClosing(bool closing) {
    FClosing = closing;
    if (closing) {
        FLan->cancel();
        LinkWait::wake();
    }
}

// ---- Link -----------------------------------------------------------------

bool TTSCOMControl::Connect() {
    if (Connected())
        return true;
    if (FConnecting)
        return false;
    Transport *t = transportFor(FControlMode);
    // The other kind of link is closed before this one opens.
    if (FActive && FActive != t && FActive->isOpen())
        FActive->close();
    FActive = t;
    FLan->setHost(FDeviceIP);
    FLan->setPort(FTcpPort);
    FConnecting = true;
    FOwedAnswers = 0; // a new link carries nothing of the old one
    try {
        t->open(LinkTiming::current().connectTimeoutMs);
        FConnecting = false;
        FWasConnected = true;
        emit connectionChanged(true);
        return true;
    } catch (const LinkError &e) {
        FLastLinkError = e.message();
        t->close();
        FConnecting = false;
        emit connectFailed(Connected(), FLastLinkError);
        return false;
    }
}

bool TTSCOMControl::Disconnect() {
    // Never under a running operation: its exchange would end as a failure.
    if (FOperationActive)
        return false;
    if (Connected()) {
        FActive->close();
        FWasConnected = false;
        emit connectionChanged(false);
    }
    return true;
}

void TTSCOMControl::onLinkLost(const QString &reason) {
    FLastLinkError = reason;
    FLinkLost = true;
    FWasConnected = false;
    LinkWait::wake();
    emit connectionLost(reason);
    emit connectionChanged(false);
}

// ---- Receiving ------------------------------------------------------------

void TTSCOMControl::onBytes(const QByteArray &bytes) {
    if (FClosing)
        return;
    const int oldPos = FRx.Pos;
    const bool wasComplete = FRx.Complete;
    if (FReceiving) {
        FRx.feed(reinterpret_cast<const uint8_t *>(bytes.constData()),
                 static_cast<int>(bytes.size()), FActive->isSerial());
        if (FRx.Complete && !wasComplete)
            emit wireReplyReceived(QByteArray(
                reinterpret_cast<const char *>(FRx.Buffer),
                std::min(RxAssembler::BufferSize, FRx.expectedLength(FActive->isSerial()))));
    } else {
        emit wireStrayReceived(bytes);
    }
    emit diagnostic(WM_LINK_RXCOUNT, QString::number(bytes.size()));
    // Bytes nobody waits for are counted, not dumped: a peer that floods the
    // link must not flood the log.
    if (FReceiving)
        emit diagnostic(WM_LINK_DATALOG, dumpReceived(bytes, oldPos));
}

QString TTSCOMControl::dumpReceived(const QByteArray &bytes, int oldPos) const {
    const int count = static_cast<int>(std::min<qsizetype>(bytes.size(), MaxLoggedBytes));
    const auto *b = reinterpret_cast<const uint8_t *>(bytes.constData());
    QString text;
    if (FActive->isSerial()) {
        text = QStringLiteral("CopyDataPosition = %1").arg(oldPos) + CRLF +
               QStringLiteral("{{{{{{{{{{{{{") + CRLF + HexDump(b, count) + CRLF +
               QStringLiteral("}}}}}}}}}}}}}");
    } else {
        const QString stars(48, QLatin1Char('*'));
        text = QStringLiteral("cmLAN:::") + CRLF + stars + CRLF;
        for (int i = 0; i < count; ++i) {
            if (i > 0 && i % 16 == 0)
                text += CRLF;
            const QChar shown =
                (b[i] >= 0x20 && b[i] < 0x7F) ? QLatin1Char(char(b[i])) : QLatin1Char('.');
            text += QStringLiteral("0x") + Hex2(b[i]) + shown + QStringLiteral(", ");
        }
        text += CRLF + stars;
    }
    if (bytes.size() > count)
        text += CRLF + QStringLiteral("... %1 more bytes").arg(bytes.size() - count);
    return text;
}

void TTSCOMControl::Pause(int ms) {
    LinkWait::pause(ms, [this] { return FClosing || FStopRequested; });
}

// ---- Diagnostics ----------------------------------------------------------

QString TTSCOMControl::HexDump(const uint8_t *bytes, int count) {
    QString text;
    text.reserve(count * 6 + count / 16 * 2);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && i % 16 == 0)
            text += CRLF;
        text += QStringLiteral("0x") + Hex2(bytes[i]) + QStringLiteral(", ");
    }
    return text;
}

void TTSCOMControl::LogFrame(const QString &caption, const uint8_t *frame, int number) {
    const uint8_t *f = frame;
    const QString text = caption + CRLF +
                         QStringLiteral("%1 %2 %3 %4 [%5 UU %6] [%7 %8] [%9 %10] [%11 %12] %13")
                             .arg(Hex2(f[0]), Hex2(f[1]), Hex2(f[2]), Hex2(f[3]), Hex2(f[4]),
                                  Hex2(f[5]), Hex2(f[6]), Hex2(f[7]), Hex2(f[8]))
                             .arg(Hex2(f[9]), Hex2(f[10]), Hex2(f[11]), Hex2(f[12])) +
                         QStringLiteral(", RC=%1").arg(number);
    emit diagnostic(WM_LINK_FRAMELOG, text);
}

void TTSCOMControl::LogBytes(const QString &caption, const uint8_t *bytes, int count) {
    QString text = caption;
    const int shown = std::min(count, PacketWireSize);
    for (int i = 0; i < shown; ++i) {
        if (i > 0 && i % 16 == 0)
            text += CRLF;
        if (i == 4 || i == 6 || i == 8 || i == 10 || i == 12)
            text += QLatin1Char('|');
        text += QStringLiteral("0x") + Hex2(bytes[i]) + QStringLiteral(", ");
    }
    emit diagnostic(WM_LINK_DATALOG, text);
}

QString TTSCOMControl::LocalAddress() {
    const QStringList all = LocalAddresses();
    return all.isEmpty() ? QStringLiteral("0.0.0.0") : all.first();
}

QStringList TTSCOMControl::LocalAddresses() {
    // The interfaces' own addresses: no name lookup (which on most machines
    // gives a loopback address), nothing that can block.
    QStringList out;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                out << entry.ip().toString();
        }
    }
    return out;
}

void TTSCOMControl::reportFailure(LinkFailure failure, const QString &detail) {
    if (failure == LinkFailure::TimedOut)
        FTimeoutSeen = true;
    if (!detail.isEmpty())
        FLastLinkError = detail;
    emit linkFailed(failure, detail);
}

// ---- The exchange step ----------------------------------------------------

// A reply held back past its try arrives while a later try waits, and one
// acknowledgement looks like the next: taken for the next block's, it would
// put the engine one acknowledgement behind the device. The answers still
// owed to timed-out tries come right behind the one that was taken (a device
// answers in order), so they are waited for here and dropped. Whatever has
// not come within its time (a try time, or as late as the answer that was
// taken) is lost.
void TTSCOMControl::settleOwedAnswers() {
    if (FOwedAnswers <= 0 || !FActive)
        return;
    const auto closing = [this] { return FClosing || FStopRequested; };
    while (FOwedAnswers > 0 && Connected() && !closing()) {
        // Each owed answer comes in its own time after the one before it.
        const QDeadlineTimer deadline(std::max(1, FOwedWaitMs), Qt::PreciseTimer);
        FRx.clear();
        FLinkLost = false;
        FReceiving = true;
        const LinkWait::Result r = LinkWait::until(
            deadline.remainingTime(), [this] { return FRx.Complete || FLinkLost; }, closing);
        FReceiving = false;
        if (r != LinkWait::Result::Done || !FRx.Complete)
            break;
        LogFrame(QStringLiteral("late answer dropped:   "), FRx.Buffer, FOwedAnswers);
        --FOwedAnswers;
    }
    FRx.clear();
    FOwedAnswers = 0;
}

ExchangeOutcome TTSCOMControl::Exchange(const ExchangeSpec &plan, TReplyRecord &reply) {
    if (FClosing)
        return ExchangeOutcome::Cancelled;
    const LinkTiming &timing = LinkTiming::current();
    const qint64 tryMs =
        plan.tryMs >= 0 ? plan.tryMs : qint64(timing.ticksPerTry) * std::max(1, timing.tickMs);
    const int pauseMs = plan.retryPauseMs >= 0 ? plan.retryPauseMs : timing.retryPauseMs;
    const auto closing = [this] { return FClosing || FStopRequested; };
    // Stop ends the exchange as a time-out of its own: reported, the link kept.
    const auto stopped = [&] {
        reply.Success = 0;
        FReceiving = false;
        if (plan.reportTimeout)
            reportFailure(LinkFailure::TimedOut);
        return ExchangeOutcome::TimedOut;
    };
    struct ReceivingGuard {
        bool &flag;
        ~ReceivingGuard() { flag = false; }
    } guard{FReceiving};

    // Wait for the reply until the try is over (or, with wantReply false,
    // only until it is over). With ticks the try lasts tryMs / tickMs whole
    // ticks, counted by `ticks`. False when Closing ended it.
    const int tickCount = plan.tickMs > 0 ? int(std::max<qint64>(1, tryMs / plan.tickMs)) : 0;
    const auto waitTry = [&](const QDeadlineTimer &deadline, int &ticks, bool wantReply) {
        const auto replied = [&] { return wantReply && (FRx.Complete || FLinkLost); };
        if (plan.tickMs <= 0) {
            const LinkWait::Result r = LinkWait::until(deadline.remainingTime(), replied, closing);
            return r != LinkWait::Result::Cancelled;
        }
        while (ticks < tickCount) {
            const LinkWait::Result r = LinkWait::until(plan.tickMs, replied, closing);
            if (r == LinkWait::Result::Cancelled)
                return false;
            if (r == LinkWait::Result::Done)
                return true;
            ++ticks;
            if (plan.onTick) {
                plan.onTick();
                if (FClosing)
                    return false;
            }
        }
        return true;
    };

    // Waits with ticks (the reboot probes) go to a unit that may be silent by
    // design: their unanswered tries owe nothing.
    const bool owesLateAnswers = plan.tickMs <= 0 && !plan.waitOutTry;
    int answered = 0; // replies this exchange has judged
    int sent = 0;
    bool accepted = false;
    QElapsedTimer sinceFirstSend;
    const auto noteOwed = [&] {
        if (owesLateAnswers && sent > answered) {
            FOwedAnswers = sent - answered;
            // An answer that was taken late tells how late this unit answers
            // now: the ones behind it come as late again after it.
            const qint64 late =
                accepted ? std::max<qint64>(tryMs, sinceFirstSend.elapsed()) + tryMs / 2 : tryMs;
            FOwedWaitMs = int(std::min<qint64>(late, INT_MAX));
        }
    };
    struct OwedGuard {
        const std::function<void()> note;
        ~OwedGuard() { note(); }
    } owedGuard{noteOwed};

    bool lastRefused = false;
    try {
        for (int t = 1; t <= plan.tries; ++t) {
            if (FClosing) {
                reply.Success = 0;
                return ExchangeOutcome::Cancelled;
            }
            if (FStopRequested)
                return stopped();
            if (!Connected())
                throw LinkError(FLinkLost && !FLastLinkError.isEmpty()
                                    ? FLastLinkError
                                    : QStringLiteral("Link not open"));
            settleOwedAnswers();
            const QByteArray wire = plan.request(t);
            FRx.Mode = plan.mode;
            FRx.clear();
            FLinkLost = false;
            FTimeoutSeen = false;
            FActive->discard();
            FReceiving = true;
            FActive->write(wire);
            emit wireSent(wire);
            if (sent++ == 0)
                sinceFirstSend.start();
            if (plan.logSent)
                plan.logSent(t, wire);
            const QDeadlineTimer deadline(tryMs, Qt::PreciseTimer);
            int ticks = 0;
        awaitAnswer:
            if (!waitTry(deadline, ticks, true)) {
                if (FStopRequested && !FClosing)
                    return stopped();
                reply.Success = 0;
                return ExchangeOutcome::Cancelled;
            }
            if (FLinkLost && !FRx.Complete)
                throw LinkError(FLastLinkError.isEmpty() ? QStringLiteral("Link lost")
                                                         : FLastLinkError);
            if (!FRx.Complete) {
                FReceiving = false;
                lastRefused = false;
                if (t == plan.tries) {
                    reply.Success = 0;
                    if (plan.reportTimeout)
                        reportFailure(LinkFailure::TimedOut);
                    return ExchangeOutcome::TimedOut;
                }
                if (plan.pauseAfterTimeout)
                    Pause(pauseMs);
                continue;
            }
            FReceiving = false;
            if (!plan.replyCaption.isEmpty())
                LogFrame(plan.replyCaption, FRx.Buffer, plan.replyNumber ? plan.replyNumber : t);
            const Verdict verdict =
                plan.check ? plan.check(FRx.Buffer, FRx.expectedLength(FActive->isSerial()))
                           : (ReplyAccepted(FRx.Buffer,
                                            reinterpret_cast<const uint8_t *>(wire.constData()))
                                  ? Verdict::Accept
                                  : Verdict::Reject);
            if (verdict == Verdict::Stale) {
                // Not this frame's answer: drop it and wait on for the real one.
                if (answered < sent - 1)
                    ++answered;
                FRx.clear();
                FReceiving = true;
                goto awaitAnswer;
            }
            ++answered;
            std::memcpy(reply.Bytes, FRx.Buffer, FrameSize);
            if (verdict == Verdict::Accept) {
                reply.Success = 1;
                accepted = true;
                return ExchangeOutcome::Accepted;
            }
            if (verdict == Verdict::Refused) {
                reply.Success = 1;
                lastRefused = true;
                if (plan.onRefused)
                    plan.onRefused();
            } else {
                reply.Success = 0;
                lastRefused = false;
            }
            Pause(pauseMs);
            if (plan.waitOutTry && !waitTry(deadline, ticks, false)) {
                reply.Success = 0;
                return ExchangeOutcome::Cancelled;
            }
        }
        if (lastRefused)
            return ExchangeOutcome::Refused;
        reply.Success = 0;
        if (plan.reportInvalid)
            reportFailure(LinkFailure::Invalid);
        return ExchangeOutcome::Invalid;
    } catch (const LinkError &e) {
        FLastLinkError = e.message();
        reply.Success = 0;
        reportFailure(LinkFailure::Exception, FLastLinkError);
        return ExchangeOutcome::Failed;
    }
}

// ---- Operations -----------------------------------------------------------

void TTSCOMControl::Transact(const Frame &frame, TReplyRecord &reply) {
    if (FClosing)
        return;
    const QByteArray wire = Sealed(frame);
    ExchangeSpec plan;
    plan.request = [&wire](int) { return wire; };
    plan.logSent = [this](int t, const QByteArray &w) {
        LogFrame(QStringLiteral("[%1] snd cmd PPP:   ").arg(t),
                 reinterpret_cast<const uint8_t *>(w.constData()), t);
    };
    Exchange(plan, reply);
}

QByteArray TTSCOMControl::ReadBlocks(const Frame &start, TReplyRecord &reply) {
    QByteArray data;
    if (FClosing)
        return data;
    Transact(start, reply);
    if (reply.Success == 0)
        return data;
    bool firstBlock = true;
    bool last = false;
    int packets = 0;
    Frame request = BlockReadRequest(start, RequestFirst);
    ExchangeSpec plan;
    plan.mode = RxBlockRead;
    plan.request = [&](int t) {
        // After a failed try the device may have sent the block and lost it:
        // ask for the same block again, never for the next one.
        if (t > 1)
            request = BlockReadRequest(start, firstBlock ? RequestFirst : RequestRepeat);
        return request.toBytes();
    };
    plan.logSent = [this, &request](int t, const QByteArray &) {
        LogFrame(QStringLiteral("[%1] snd cmd PPP:   ").arg(t), request.b, t);
    };
    plan.check = [&](const uint8_t *packet, int) {
        const int n = CheckReadBlock(packet, request.b);
        // A read ends when its last block came or its tries give up; a peer
        // that never sends a last block cannot keep it going.
        if (n < 0 || data.size() + n > MaxBlockReadBytes || packets >= MaxBlockReadPackets)
            return Verdict::Reject;
        ++packets;
        data.append(reinterpret_cast<const char *>(packet + FrameSize + 1), n);
        firstBlock = false;
        last = packet[4] == StatusLast;
        return Verdict::Accept;
    };
    while (!last) {
        const ExchangeOutcome outcome = Exchange(plan, reply);
        if (outcome != ExchangeOutcome::Accepted) {
            reply.Success = 0;
            return data;
        }
        Pause(LinkTiming::current().retryPauseMs);
        request = BlockReadRequest(start, RequestNext);
    }
    emit blockTransferDone();
    return data;
}

void TTSCOMControl::WriteBlocks(const Frame &start, const QByteArray &data, TReplyRecord &reply) {
    if (FClosing)
        return;
    Transact(start, reply);
    if (reply.Success == 0)
        return;
    if (reply.status() != StatusMore) {
        reportFailure(LinkFailure::BadStatus);
        reply.Success = 0;
        return;
    }
    const QByteArray sentStart = Sealed(start);
    const Frame sent = Frame::fromBytes(reinterpret_cast<const uint8_t *>(sentStart.constData()));
    const int size = static_cast<int>(data.size());
    int position = 0;
    do {
        const int remaining = size - position;
        const int n = PacketDataLength(remaining);
        const QByteArray packet = BuildHostPacket(
            PacketKind::EdidDownload, sent,
            reinterpret_cast<const uint8_t *>(data.constData()) + position, remaining, 0);
        ExchangeSpec plan;
        plan.request = [&packet](int) { return packet; };
        plan.logSent = [this, n](int, const QByteArray &w) {
            LogBytes(QStringLiteral("send data:") + CRLF,
                     reinterpret_cast<const uint8_t *>(w.constData()), n + 14);
        };
        plan.replyCaption = QStringLiteral("rcv cmd PPP:   ");
        plan.check = [&sent](const uint8_t *r, int) {
            const bool valid = FrameChecksum(r) == r[12] && ReplyMatches(r, sent.b);
            // "Ready" during the transfer is the late answer to the start.
            if (valid && r[4] == StatusMore)
                return Verdict::Stale;
            return valid && r[4] == StatusOK ? Verdict::Accept : Verdict::Reject;
        };
        if (Exchange(plan, reply) != ExchangeOutcome::Accepted) {
            reply.Success = 0;
            return;
        }
        position += n;
    } while (position < size);
    emit blockTransferDone();
}

// ---- TCP control module ---------------------------------------------------

ModuleLink *TTSCOMControl::Modules() {
    if (!FModules)
        FModules = new ModuleLink(this, this);
    return FModules;
}
