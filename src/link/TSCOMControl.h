#pragma once
// The link engine: the one object through which the tool talks to a matrix.
// Every operation is a sequence of exchanges (send, wait, accept or reject,
// retry) run by Exchange() on the caller's (window) thread; waiting serves
// events through LinkWait. The engine reports through typed signals,
// emitted synchronously: a handler has finished before the engine goes on.

#include "link/LinkEvents.h"
#include "link/LinkMessages.h"
#include "link/LinkTiming.h"
#include "protocol/Commands.h"
#include "protocol/Frames.h"
#include "protocol/PartId.h"
#include "protocol/RxAssembler.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class SerialTransport;
class TcpTransport;
class Transport;
class ModuleLink;

// How a reply of one try is judged.
enum class Verdict {
    Accept,  // the exchange is over, success 1
    Reject,  // a failed try: pause, then the next try
    Refused, // the device refused (firmware part): success 1, try again
    // The answer to an earlier frame (a late one): dropped, and the try goes
    // on waiting for its own answer until its time is up.
    Stale,
};

// The outcome of one exchange: exactly one of these.
enum class ExchangeOutcome {
    Accepted,  // a try was accepted
    Refused,   // the last try was refused by the device
    Invalid,   // every try failed (reported as LinkFailure::Invalid)
    TimedOut,  // the last try got no reply (reported as LinkFailure::TimedOut)
    Cancelled, // the window is closing: nothing reported
    Failed,    // the link failed or went away (reported as LinkFailure::Exception)
};

// One exchange: what to send on each try, what reply to expect, how to judge
// it and how often to try. Defaults are those of an ordinary command.
struct ExchangeSpec {
    // The bytes of try t (1-based); most exchanges send the same each time.
    std::function<QByteArray(int t)> request;
    uint8_t mode = RxCommand; // expected reply kind
    std::function<Verdict(const uint8_t *reply, int length)> check;
    int tries = 5;
    int retryPauseMs = -1; // after a failed try; -1: LinkTiming's retry pause
    bool pauseAfterTimeout = false;
    int tryMs = -1; // wait of one try; -1: LinkTiming's ticks per try
    // Called every `tickMs` while waiting (reboot spinner); 0: no ticks.
    int tickMs = 0;
    std::function<void()> onTick;
    // A rejected reply does not end the try: the wait runs to its end.
    bool waitOutTry = false;
    // Whether the engine reports a last try that timed out, and tries that
    // all failed (some callers report in their own words).
    bool reportTimeout = true;
    bool reportInvalid = true;
    // Diagnostics: the caption of the sent bytes (given the try) and of the
    // reply, and the number the reply log line carries (0: the try number).
    std::function<void(int t, const QByteArray &wire)> logSent;
    QString replyCaption = QStringLiteral("rcv cmd PPP:   ");
    int replyNumber = 0;
    // Called for every refused try.
    std::function<void()> onRefused;
};

class TTSCOMControl : public QObject {
    Q_OBJECT
public:
    explicit TTSCOMControl(QObject *owner = nullptr);
    ~TTSCOMControl() override;

    // ---- The link ----
    bool Connect();
    bool Disconnect();
    bool Connected() const;
    bool IsConnecting() const { return FConnecting; }

    QString ComPort() const;
    void setComPort(const QString &name);
    TControlMode ControlMode() const { return FControlMode; }
    // Refused (false) while an operation runs.
    bool setControlMode(TControlMode mode);
    QString DeviceIP() const { return FDeviceIP; }
    void setDeviceIP(const QString &ip) { FDeviceIP = ip; }
    TUDPMode UDPMode() const { return FUDPMode; }
    void setUDPMode(TUDPMode mode) { FUDPMode = mode; }
    quint16 TcpPort() const { return FTcpPort; } // 8000
    void setTcpPort(quint16 port) { FTcpPort = port; }
    QString LastLinkError() const { return FLastLinkError; }
    // After a failed connect: the link's advice to the person (the serial
    // group to join) and its few words; empty when there is none.
    QString ConnectAdvice() const;
    QString ConnectAdviceSummary() const;

    // An operation is running on the link (set by the application's operation
    // scope): nothing may close the link or change its kind meanwhile.
    void setOperationActive(bool active) { FOperationActive = active; }
    bool OperationActive() const { return FOperationActive; }

    // The window is closing: every wait ends at its next check and nothing
    // new starts. Cancel() is SetClosing(true).
    void Cancel() { SetClosing(true); }
    // Ends the wait of the running exchange (the person pressed Stop): it and
    // every exchange after it end as timed out, with the time-out report,
    // until ClearStop() (the operation is over). The link stays open.
    void StopWaiting();
    void ClearStop() { FStopRequested = false; }
    bool StopRequested() const { return FStopRequested; }
    void SetClosing(bool closing);
    bool Closing() const { return FClosing; }
    // The flag itself, for widgets that look at it while painting.
    const bool *closingFlag() const { return &FClosing; }

    // ---- Operations ----
    // The one exchange step under every operation.
    ExchangeOutcome Exchange(const ExchangeSpec &plan, TReplyRecord &reply);
    // One ordinary command, five tries.
    void Transact(const Frame &frame, TReplyRecord &reply);
    // Block read: the data read (complete only when reply.ok()).
    QByteArray ReadBlocks(const Frame &start, TReplyRecord &reply);
    // Block write of `data`.
    void WriteBlocks(const Frame &start, const QByteArray &data, TReplyRecord &reply);
    // A pause of `ms` with the window alive; Closing ends it.
    void Pause(int ms);

    // The longest data a block read collects before it gives up.
    static constexpr int MaxBlockReadBytes = 65535;
    static constexpr int MaxBlockReadPackets = MaxBlockReadBytes / BlockDataMax + 2;

    // State read by the upgrade workflows and the window.
    bool TimeoutSeen() const { return FTimeoutSeen; }
    // A caller that repeats an operation until no time-out is seen clears the
    // flag first: an operation that fails before it waits leaves it untouched.
    void ClearTimeoutSeen() { FTimeoutSeen = false; }

    // ---- Diagnostics ----
    void LogFrame(const QString &caption, const uint8_t *frame, int number);
    void LogBytes(const QString &caption, const uint8_t *bytes, int count);
    // Longest dump of received bytes logged per delivery.
    static constexpr int MaxLoggedBytes = 256;

    // The PC's own IPv4 address: the first address of an interface that is
    // up and not the loopback; "0.0.0.0" when there is none.
    static QString LocalAddress();
    // Every IPv4 address of the PC's interfaces that are up, loopback left
    // out (the first of them is LocalAddress()).
    static QStringList LocalAddresses();

    // ---- The TCP control module ----
    ModuleLink *Modules();
    // The transport in use (serial or TCP), or null before the first connect.
    Transport *transport() const { return FActive; }
    bool serialInUse() const;

    // Report a failure the way every operation does (for operations built
    // outside the engine on Exchange: firmware uploads, module commands).
    void reportFailure(LinkFailure failure, const QString &detail = QString());

signals:
    // An operation failed; `detail` carries the link's words for exceptions.
    void linkFailed(LinkFailure failure, const QString &detail);
    // Opening or closing the link failed; `connected` is the state now.
    void connectFailed(bool connected, const QString &reason);
    // The link went away by itself (peer closed, adapter pulled).
    void connectionLost(const QString &reason);
    // Connected state changed (connect, disconnect or loss).
    void connectionChanged(bool connected);
    // A block transfer finished.
    void blockTransferDone();
    // Diagnostics: a frame or bytes logged, or the count of bytes received.
    void diagnostic(LinkMessage kind, const QString &text);
    // The wire as it is (for a frame trace): every write of an exchange, the
    // reply or data packet an exchange collected, and bytes that arrived
    // while no exchange waited.
    void wireSent(const QByteArray &bytes);
    void wireReplyReceived(const QByteArray &bytes);
    void wireStrayReceived(const QByteArray &bytes);
    // A remark of the link for the diagnostic log (the serial line's
    // low-latency mode, asked for on every open).
    void linkNote(const QString &text);

private:
    Transport *transportFor(TControlMode mode) const;
    void onBytes(const QByteArray &bytes);
    void onLinkLost(const QString &reason);
    QString dumpReceived(const QByteArray &bytes, int oldPos) const;
    static QString HexDump(const uint8_t *bytes, int count);

    // The receive state of the exchange that is waiting.
    RxAssembler FRx;
    bool FReceiving = false;
    bool FLinkLost = false;

    SerialTransport *FSerial = nullptr;
    TcpTransport *FLan = nullptr;
    Transport *FActive = nullptr;
    ModuleLink *FModules = nullptr;
    TControlMode FControlMode = cmLAN;
    QString FDeviceIP = QStringLiteral("0.0.0.0");
    TUDPMode FUDPMode = umBROADCAST;
    quint16 FTcpPort = 8000;
    QString FLastLinkError;
    bool FConnecting = false;
    bool FClosing = false;
    bool FStopRequested = false;
    bool FTimeoutSeen = false;
    bool FOperationActive = false;
    bool FWasConnected = false;
    // Answers that may still come to tries that timed out: the protocol has
    // no sequence numbers, so before the next exchange sends anything they
    // are waited for (up to one try time) and dropped.
    int FOwedAnswers = 0;
    int FOwedWaitMs = 0;
    void settleOwedAnswers();
};
