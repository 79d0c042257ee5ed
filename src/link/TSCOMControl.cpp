#include "link/TSCOMControl.h"

#include "link/LanLink.h"
#include "link/LinkError.h"
#include "link/ModuleLink.h"
#include "link/SerialLink.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

const QString CRLF = QStringLiteral("\r\n");

constexpr int MaxTries = 5;
constexpr int UploadLogNumber = 8888;

QString ErrorText(const std::exception &e) {
    const LinkError *le = dynamic_cast<const LinkError *>(&e);
    return le ? le->message() : QString::fromLocal8Bit(e.what());
}

QString Hex2(uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TTSCOMControl::TTSCOMControl(QObject *owner)
    : QObject(owner), FSerial(new SerialLink(this)), FLan(new LanLink(this)) {
    connect(FSerial, &SerialLink::dataArrived, this, [this](const QByteArray &bytes) {
        OnSerialData(reinterpret_cast<const uint8_t *>(bytes.constData()),
                     static_cast<int>(bytes.size()));
    });
    connect(FSerial, &SerialLink::portLost, this,
            [this](const QString &reason) { LastLinkError = reason; });
    std::memset(ModuleConfig, 0, sizeof ModuleConfig);
}

TTSCOMControl::~TTSCOMControl() {
    // Cancel a pending connect, close the link; the children go with us.
    FListener = nullptr;
    delete FModules; // closes the datagram socket
    FModules = nullptr;
    FLan->cancel();
    Disconnect();
}

void TTSCOMControl::notify(int message, uint32_t wParam, int32_t lParam, const QString &text) {
    if (FListener)
        FListener->linkMessage(message, wParam, lParam, text);
}

// ---- Properties -----------------------------------------------------------

QString TTSCOMControl::ComPort() const {
    return FSerial->portName();
}

void TTSCOMControl::setComPort(const QString &name) {
    FSerial->setPortName(name);
}

void TTSCOMControl::setControlMode(TControlMode mode) {
    FControlMode = mode;
    Searching = false;
    Configuring = false;
}

bool TTSCOMControl::Connected() const {
    return FControlMode == cmCOM ? FSerial->isOpen() : FLan->isConnected();
}

// ---- Link -----------------------------------------------------------------

bool TTSCOMControl::Connect() {
    if (Connected())
        return true;
    try {
        if (FControlMode == cmCOM) {
            Connecting = true;
            FSerial->open();
            Connecting = false;
            FSerial->purge();
        } else {
            Connecting = true;
            FLan->connectTo(FDeviceIP, FTcpPort, LinkTiming::current().connectTimeoutMs);
            Connecting = false;
        }
        return true;
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        FLan->disconnectFromHost();
        Connecting = false;
        notify(WM_LINK_CONNFAIL, Connected() ? 1 : 0, 0, LastLinkError);
        return false;
    }
}

bool TTSCOMControl::Disconnect() {
    try {
        if (Connected()) {
            if (FControlMode == cmCOM)
                FSerial->close();
            else
                FLan->disconnectFromHost();
        }
        return true;
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        if (FControlMode == cmCOM)
            FSerial->close();
        notify(WM_LINK_CONNFAIL, Connected() ? 1 : 0, 0, LastLinkError);
        return false;
    }
}

int TTSCOMControl::SendBytes(const QByteArray &bytes) {
    if (FControlMode == cmCOM) {
        FSerial->purge();
        return FSerial->write(bytes);
    }
    FLan->clearInput();
    return FLan->write(bytes);
}

// ---- Receiving ------------------------------------------------------------

void TTSCOMControl::ClearReceiveState() {
    Rx.clear();
    std::memset(LastReply, 0, sizeof LastReply);
    BlockLength = 0;
    BlockSum = 0;
}

void TTSCOMControl::OnSerialData(const uint8_t *bytes, int count) {
    if (Flags.Closing)
        return;
    CollectBytes(bytes, count, true);
}

void TTSCOMControl::PollLan() {
    if (FControlMode != cmLAN)
        return;
    const QByteArray bytes = FLan->readAvailable();
    if (!bytes.isEmpty())
        CollectBytes(reinterpret_cast<const uint8_t *>(bytes.constData()),
                     static_cast<int>(bytes.size()), false);
}

void TTSCOMControl::CollectBytes(const uint8_t *bytes, int count, bool serialLink) {
    const int oldPos = RxPos;
    Rx.feed(bytes, count, serialLink);
    if (!FListener)
        return;
    notify(WM_LINK_RXCOUNT, static_cast<uint32_t>(count));
    QString text;
    if (serialLink) {
        text = QStringLiteral("CopyDataPosition = %1").arg(oldPos) + CRLF +
               QStringLiteral("{{{{{{{{{{{{{") + CRLF + HexDump(bytes, count) + CRLF +
               QStringLiteral("}}}}}}}}}}}}}");
    } else {
        const QString stars(48, QLatin1Char('*'));
        text = QStringLiteral("cmLAN:::") + CRLF + stars + CRLF;
        for (int i = 0; i < count; ++i) {
            if (i > 0 && i % 16 == 0)
                text += CRLF;
            const char c = static_cast<char>(bytes[i]);
            const QChar shown =
                (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? QLatin1Char(c) : QLatin1Char('.');
            text += QStringLiteral("0x") + Hex2(bytes[i]) + shown + QStringLiteral(", ");
        }
        text += CRLF + stars;
    }
    notify(WM_LINK_DATALOG, 0, 0, text);
}

bool TTSCOMControl::ReceiveReply() {
    Flags.TimeoutSeen = false;
    TickCount = 0;
    const LinkTiming &timing = LinkTiming::current();
    const int tick = std::max(1, timing.tickMs);
    const int limit = timing.ticksPerTry * tick;
    QElapsedTimer clock;
    clock.start();
    // A link that goes down during the wait cannot bring the reply any more:
    // that is a read error, not something to wait out.
    const bool wasConnected = Connected();
    bool lost = false;
    const bool complete = PumpUntil(limit, [&] {
        TickCount = static_cast<int>(clock.elapsed() / tick);
        if (RxComplete)
            return true;
        lost = wasConnected && !Connected();
        return lost;
    });
    if (Flags.Closing)
        return false;
    if (lost && !RxComplete)
        throw LinkError(FControlMode == cmCOM ? QStringLiteral("Serial port closed")
                                              : QStringLiteral("Connection closed by the peer"));
    if (!complete)
        TickCount = std::max(TickCount, timing.ticksPerTry);
    return true;
}

void TTSCOMControl::WaitTicks(int ticks) {
    const int tick = std::max(1, LinkTiming::current().tickMs);
    const int start = TickCount;
    QElapsedTimer clock;
    clock.start();
    PumpUntil(ticks * tick, [&] {
        TickCount = start + static_cast<int>(clock.elapsed() / tick);
        return false;
    });
}

bool TTSCOMControl::WaitForAnswer(int ticks) {
    const int tick = std::max(1, LinkTiming::current().tickMs);
    PumpUntil(ticks * tick, [this] { return AnswerReceived; });
    return AnswerReceived;
}

void TTSCOMControl::Pause(int ms) {
    PumpUntil(ms, [] { return false; });
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
    if (!FListener)
        return;
    const uint8_t *f = frame;
    const QString text = caption + CRLF +
                         QStringLiteral("%1 %2 %3 %4 [%5 UU %6] [%7 %8] [%9 %10] [%11 %12] %13")
                             .arg(Hex2(f[0]), Hex2(f[1]), Hex2(f[2]), Hex2(f[3]), Hex2(f[4]),
                                  Hex2(f[5]), Hex2(f[6]), Hex2(f[7]), Hex2(f[8]))
                             .arg(Hex2(f[9]), Hex2(f[10]), Hex2(f[11]), Hex2(f[12])) +
                         QStringLiteral(", RC=%1").arg(number);
    notify(WM_LINK_FRAMELOG, 0, 0, text);
}

void TTSCOMControl::LogBytes(const QString &caption, const uint8_t *bytes, int count) {
    if (!FListener)
        return;
    QString text;
    try {
        text = caption + DumpPrefix;
        for (int i = 0; i < count; ++i) {
            if (i > 0 && i % 16 == 0)
                text += CRLF;
            if (i == 4 || i == 6 || i == 8 || i == 10 || i == 12)
                text += QLatin1Char('|');
            text += QStringLiteral("0x") + Hex2(bytes[i]) + QStringLiteral(", ");
        }
    } catch (const std::exception &) {
        notify(WM_LINK_BADSTATUS);
        return;
    }
    notify(WM_LINK_DATALOG, 0, 0, text);
}

QString TTSCOMControl::LocalAddress() {
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress &a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString();
    }
    return QStringLiteral("0.0.0.0");
}

// ---- Exchanges ------------------------------------------------------------

TTSCOMControl::TryOutcome TTSCOMControl::AwaitTry(int attempt, TReplyRecord &reply,
                                                  const QString &caption, int number) {
    if (!ReceiveReply()) {
        reply.Success = 0;
        return TryOutcome::Stop;
    }
    if (ReplyTimedOut()) {
        if (attempt < MaxTries)
            return TryOutcome::TimedOut;
        reply.Success = 0;
        notify(WM_LINK_TIMEOUT);
        return TryOutcome::Stop;
    }
    std::memcpy(LastReply, RxBuffer, FrameSize);
    LogFrame(caption, LastReply, number);
    std::memcpy(reply.Bytes, LastReply, FrameSize);
    return TryOutcome::Received;
}

void TTSCOMControl::Transact(const Frame &frame, TReplyRecord &reply) {
    if (Flags.Closing)
        return;
    try {
        Frame sent;
        PrepareFrame(sent);
        std::memcpy(sent.b + 2, frame.b + 2, FrameSize - 3);
        SealFrame(sent);
        const QByteArray wire = sent.toBytes();
        int tries = 0;
        for (int t = 1; t <= MaxTries; ++t) {
            if (Flags.Closing) {
                reply.Success = 0;
                return;
            }
            tries = t;
            RxMode = RxCommand;
            ClearReceiveState();
            SendBytes(wire);
            LogFrame(QStringLiteral("[%1] snd cmd PPP:   ").arg(t), sent.b, t);
            const TryOutcome outcome = AwaitTry(t, reply, QStringLiteral("rcv cmd PPP:   "), t);
            if (outcome == TryOutcome::Stop)
                return;
            if (outcome == TryOutcome::TimedOut)
                continue;
            if (ReplyAccepted(LastReply, sent.b)) {
                reply.Success = 1;
                break;
            }
            reply.Success = 0;
            Pause(LinkTiming::current().retryPauseMs);
        }
        if (tries == MaxTries && reply.Success == 0)
            notify(WM_LINK_INVALID);
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        reply.Success = 0;
        notify(WM_LINK_EXCEPTION);
    }
}

void TTSCOMControl::ReadBlocks(const Frame &start, TReplyRecord &reply) {
    if (Flags.Closing)
        return;
    Transact(start, reply);
    if (reply.Success == 0)
        return;
    try {
        Frame request = BlockReadRequest(start, RequestFirst);
        FirstBlock = true;
        ReadStream.clear();
        bool last = false;
        while (!last && !Flags.Closing) {
            for (int t = 1; t <= MaxTries; ++t) {
                if (Flags.Closing) {
                    reply.Success = 0;
                    return;
                }
                RxMode = RxBlockRead;
                ClearReceiveState();
                SendBytes(request.toBytes());
                LogFrame(QStringLiteral("[%1] snd cmd PPP:   ").arg(t), request.b, t);
                const TryOutcome outcome = AwaitTry(t, reply, QStringLiteral("rcv cmd PPP:   "), t);
                if (outcome == TryOutcome::Stop)
                    return;
                bool accepted = false;
                if (outcome == TryOutcome::Received) {
                    const int n = CheckReadBlock(RxBuffer, request.b);
                    if (n >= 0) {
                        BlockLength = static_cast<uint32_t>(n);
                        BlockSum = RxBuffer[FrameSize];
                        ReadStream.append(reinterpret_cast<const char *>(RxBuffer + FrameSize + 1),
                                          n);
                        FirstBlock = false;
                        last = RxBuffer[4] == StatusLast;
                        accepted = true;
                    }
                    reply.Success = accepted ? 1 : 0;
                    Pause(LinkTiming::current().retryPauseMs);
                }
                if (accepted) {
                    request = BlockReadRequest(start, RequestNext);
                    break;
                }
                // A failed try, or a try without an answer: the device may have
                // sent the block and lost it, so ask for the same block again
                // rather than the next one.
                request = BlockReadRequest(start, FirstBlock ? RequestFirst : RequestRepeat);
                if (t == MaxTries) {
                    notify(WM_LINK_INVALID);
                    return;
                }
            }
        }
        if (!last) {
            // Ended by Closing: the data is incomplete.
            reply.Success = 0;
            return;
        }
        notify(WM_LINK_DONE);
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        reply.Success = 0;
        notify(WM_LINK_EXCEPTION);
    }
}

void TTSCOMControl::WriteBlocks(const Frame &start, TReplyRecord &reply) {
    if (Flags.Closing)
        return;
    Transact(start, reply);
    if (reply.Success == 0)
        return;
    if (reply.status() != StatusMore) {
        notify(WM_LINK_BADSTATUS);
        reply.Success = 0;
        return;
    }
    try {
        Frame sent;
        PrepareFrame(sent);
        std::memcpy(sent.b + 2, start.b + 2, FrameSize - 3);
        SealFrame(sent);
        FirstBlock = true;
        int position = 0;
        bool finished = false;
        const int size = static_cast<int>(WriteStream.size());
        DumpPrefix = QStringLiteral("send data:") + CRLF;
        while (!finished && !Flags.Closing) {
            if (FirstBlock)
                position = 0;
            const int remaining = size - position;
            const int n = PacketDataLength(remaining);
            const QByteArray packet = BuildHostPacket(
                PacketKind::EdidDownload, sent,
                reinterpret_cast<const uint8_t *>(WriteStream.constData()) + position, remaining,
                0);
            bool accepted = false;
            for (int t = 1; t <= MaxTries && !accepted; ++t) {
                if (Flags.Closing) {
                    reply.Success = 0;
                    return;
                }
                RxMode = RxCommand;
                ClearReceiveState();
                SendBytes(packet);
                LogBytes(QString(), reinterpret_cast<const uint8_t *>(packet.constData()), n + 14);
                const TryOutcome outcome = AwaitTry(t, reply, QStringLiteral("rcv cmd PPP:   "), t);
                if (outcome == TryOutcome::Stop)
                    return;
                if (outcome == TryOutcome::TimedOut)
                    continue;
                if (FrameChecksum(LastReply) == LastReply[12] && ReplyMatches(LastReply, sent.b) &&
                    LastReply[4] == StatusOK) {
                    position += n;
                    FirstBlock = false;
                    finished = position >= size;
                    reply.Success = 1;
                    accepted = true;
                } else {
                    reply.Success = 0;
                    Pause(LinkTiming::current().retryPauseMs);
                }
            }
            if (!accepted) {
                notify(WM_LINK_INVALID);
                return;
            }
        }
        if (!finished) {
            reply.Success = 0;
            return;
        }
        notify(WM_LINK_DONE);
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        reply.Success = 0;
        notify(WM_LINK_EXCEPTION);
    }
}

// ---- Firmware transfer ----------------------------------------------------

uint32_t TTSCOMControl::PartId(const Frame &start, bool withThird) const {
    const uint32_t third = withThird ? start.b[6] : 0u;
    return (third << 24) | (static_cast<uint32_t>(start.b[3]) << 8) | start.b[4];
}

int32_t TTSCOMControl::PartVersion(const Frame &start) {
    return static_cast<int32_t>((start.b[8] << 8) | start.b[10]);
}

bool TTSCOMControl::StartUpload(const Frame &start, TReplyRecord &reply, bool withThird) {
    if (Flags.Closing)
        return false;
    Flags.PartRefused = false;
    Transact(start, reply);
    if (reply.Success == 0)
        return false;
    if (reply.status() == StatusRefused) {
        notify(WM_LINK_PARTREFUSED, PartId(start, withThird), PartVersion(start));
        reply.Success = 1;
        return false;
    }
    if (reply.status() != StatusMore) {
        notify(WM_LINK_BADSTATUS);
        reply.Success = 0;
        return false;
    }
    return true;
}

void TTSCOMControl::UploadPart(const Frame &start, TReplyRecord &reply) {
    if (StartUpload(start, reply, true))
        UploadBlocks(start, reply, false);
}

bool TTSCOMControl::PrepareUploadStep(const Frame &start, uint16_t p1, TReplyRecord &reply) {
    Pause(LinkTiming::current().preparePauseMs);
    if (Flags.Closing) {
        reply.Success = 0;
        return false;
    }
    Transact(Frame::make(start.command(), start.subCode(), p1), reply);
    if (reply.Success == 0)
        return false;
    if (reply.status() == StatusOK)
        return true;
    if (reply.status() == StatusRefused) {
        notify(WM_LINK_PARTREFUSED, PartId(start, false), PartVersion(start));
        reply.Success = 1;
        return false;
    }
    notify(WM_LINK_BADSTATUS);
    reply.Success = 0;
    return false;
}

void TTSCOMControl::UploadPartPrepared(const Frame &start, TReplyRecord &reply) {
    if (!StartUpload(start, reply, false))
        return;
    if (!PrepareUploadStep(start, 0x0080, reply) || !PrepareUploadStep(start, 0x0010, reply))
        return;
    Pause(LinkTiming::current().preparePauseMs);
    UploadBlocks(start, reply, true);
}

void TTSCOMControl::UploadBlocks(const Frame &start, TReplyRecord &reply, bool prepared) {
    const LinkTiming &timing = LinkTiming::current();
    try {
        const uint32_t partId = PartId(start, !prepared);
        const int32_t version = PartVersion(start);
        const int size = static_cast<int>(WriteStream.size());
        FirstBlock = true;
        int position = 0;
        uint16_t blockNumber = 0;
        bool finished = false;
        while (!finished && !Flags.Closing) {
            QCoreApplication::processEvents();
            if (Flags.Closing)
                break;
            if (FirstBlock) {
                position = 0;
                blockNumber = 0;
            }
            const int remaining = size - position;
            const int n = PacketDataLength(remaining);
            const QByteArray packet = BuildHostPacket(
                PacketKind::FirmwarePart, start,
                reinterpret_cast<const uint8_t *>(WriteStream.constData()) + position, remaining,
                blockNumber, prepared);
            bool accepted = false;
            bool refusedLast = false;
            for (int t = 1; t <= MaxTries && !accepted; ++t) {
                if (Flags.Closing) {
                    reply.Success = 0;
                    return;
                }
                refusedLast = false;
                RxMode = prepared ? RxUploadPrepared : RxUpload;
                ClearReceiveState();
                SendBytes(packet);
                DumpPrefix = prepared ? QStringLiteral("[%1]send data:").arg(t) + CRLF
                                      : QStringLiteral("send data:") + CRLF;
                LogBytes(QString(), reinterpret_cast<const uint8_t *>(packet.constData()),
                         static_cast<int>(packet.size()));
                const TryOutcome outcome =
                    AwaitTry(t, reply, QStringLiteral("rcv cmd:   "), UploadLogNumber);
                if (outcome == TryOutcome::Stop)
                    return;
                if (outcome == TryOutcome::Received) {
                    if (FrameChecksum(LastReply) != LastReply[12] ||
                        !ReplyMatches(LastReply, start.b)) {
                        reply.Success = 0;
                    } else if (LastReply[4] == StatusOK) {
                        Flags.PartRefused = false;
                        position += n;
                        FirstBlock = false;
                        ++blockNumber;
                        finished = position >= size;
                        reply.Success = 1;
                        accepted = true;
                        // An empty part is complete at once.
                        const int percent =
                            size > 0 ? static_cast<int>(qint64(position) * 100 / size) : 100;
                        notify(WM_LINK_PROGRESS, partId, percent);
                    } else if (LastReply[4] == StatusRefused) {
                        notify(WM_LINK_PARTREFUSED, partId, version);
                        reply.Success = 1;
                        refusedLast = true;
                    } else {
                        Flags.PartRefused = false;
                        reply.Success = 0;
                    }
                }
                if (!accepted)
                    Pause(timing.uploadRetryPauseMs);
            }
            if (!accepted) {
                if (reply.Success == 1 && refusedLast)
                    return; // the part was refused
                reply.Success = 0;
                notify(WM_LINK_INVALID);
                return;
            }
        }
        if (!finished) {
            reply.Success = 0;
            return;
        }
        if (!prepared) {
            notify(WM_LINK_DONE);
            return;
        }
        notify(WM_LINK_DONE, partId, version);
        if (start.command() == 0x20 && start.subCode() == 1)
            WaitReboot(reply);
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        reply.Success = 0;
        notify(WM_LINK_EXCEPTION);
    }
}

// ---- Reboot wait ----------------------------------------------------------

void TTSCOMControl::RebootLog(const QString &text, int32_t lParam) {
    notify(WM_LINK_UPGRADELOG, 0, lParam, text);
}

bool TTSCOMControl::RebootTicks(int &spinner, bool collect) {
    const LinkTiming &timing = LinkTiming::current();
    const QString waiting = QStringLiteral("System rebooting, please wait ...");
    while (TickCount < timing.rebootTicksPerProbe) {
        if (collect) {
            if (PumpUntil(timing.rebootTickMs, [this] { return RxComplete; }))
                return true;
        } else {
            Pause(timing.rebootTickMs);
        }
        if (Flags.Closing)
            return false;
        ++TickCount;
        spinner = (spinner + 1) % 4;
        RebootLog(waiting + SpinnerChars[spinner], 1);
    }
    return true;
}

void TTSCOMControl::WaitReboot(TReplyRecord &reply) {
    if (Flags.Closing)
        return;
    const LinkTiming &timing = LinkTiming::current();
    reply.clear();
    int spinner = 0;
    RebootLog(QStringLiteral("System rebooting, please wait ...") + SpinnerChars[spinner], 1);
    const Frame probe = Frame::make(0x01, 0x01);
    try {
        bool answered = false;
        for (int p = 1; p <= timing.rebootProbes && !answered; ++p) {
            RxMode = RxCommand;
            ClearReceiveState();
            SendBytes(probe.toBytes());
            LogFrame(QStringLiteral("[%1] snd cmd:   ").arg(p), probe.b, p);
            TickCount = 0;
            if (!RebootTicks(spinner, true)) {
                reply.Success = 0;
                return;
            }
            if (!RxComplete)
                continue;
            std::memcpy(LastReply, RxBuffer, FrameSize);
            LogFrame(QStringLiteral("rcv cmd:   "), LastReply, p);
            std::memcpy(reply.Bytes, LastReply, FrameSize);
            if (ReplyAccepted(LastReply, probe.b)) {
                RebootLog(QStringLiteral("System reboot ok"), 0);
                reply.Success = 1;
                answered = true;
            } else {
                // Not the answer yet: let the probe period run out.
                reply.Success = 0;
                Pause(timing.retryPauseMs);
                if (Flags.Closing || !RebootTicks(spinner, false)) {
                    reply.Success = 0;
                    return;
                }
            }
        }
        if (!answered)
            RebootLog(QStringLiteral("System reboot failed"), 0);
    } catch (const std::exception &e) {
        LastLinkError = ErrorText(e);
        reply.Success = 0;
        notify(WM_LINK_EXCEPTION);
    }
    if (Flags.Closing)
        return;
    if (AfterRebootDelay > 0)
        WaitAfterReboot();
}

void TTSCOMControl::WaitAfterReboot() {
    const LinkTiming &timing = LinkTiming::current();
    const int delay = std::clamp(AfterRebootDelay, 0, 300);
    const QString waiting = QStringLiteral("More delay after system reboot, please wait ...");
    TickCount = 0;
    int i = 0;
    while (!Flags.Closing) {
        Pause(timing.rebootTickMs);
        ++TickCount;
        RebootLog(waiting + SpinnerChars[(i + 1) % 4], 1);
        if (TickCount >= delay * 10 || Flags.Closing)
            break;
        ++i;
    }
}

// ---- TCP control module ---------------------------------------------------

ModuleLink *TTSCOMControl::Modules() {
    if (!FModules)
        FModules = new ModuleLink(this, this);
    return FModules;
}

bool TTSCOMControl::SearchModules() {
    return Modules()->SearchModules();
}

int TTSCOMControl::ConfigureModule(const uint8_t *record) {
    return Modules()->ConfigureModule(record);
}

int TTSCOMControl::FoundDeviceCount() {
    return Modules()->FoundDeviceCount();
}

QString TTSCOMControl::FoundDeviceField(int device, int field) {
    return Modules()->FoundDeviceField(device, field);
}

void TTSCOMControl::ModuleCommand(const uint8_t *request, TModuleReply &reply) {
    Modules()->ModuleCommand(request, reply);
}
