#pragma once
// The link engine: the one object through which the tool talks to a matrix.
// It runs every exchange synchronously on the caller's (window) thread, pumping
// the event loop while it waits, and reports through ILinkListener.

#include "link/Commands.h"
#include "link/Frames.h"
#include "link/LinkMessages.h"
#include "link/LinkTiming.h"
#include "link/RxAssembler.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>

class SerialLink;
class LanLink;
class ModuleLink;
struct TModuleReply;

// Flags shared between the engine and the window.
struct LinkFlags {
    bool Closing = false;     // the user agreed to close; every wait ends at its next check
    bool TimeoutSeen = false; // cleared at the start of every wait; set by the window on 2026
    bool PartRefused = false; // set by the window on 2034
};

// Receive modes: expected reply kinds.
enum RxModes : uint8_t {
    RxCommand = 0,
    RxBlockRead = 1,
    RxBoardInfoWrite = 2,
    RxUpload = 3,
    RxUploadPrepared = 4,
    RxModuleCommand = 6,
};

class TTSCOMControl : public QObject {
    Q_OBJECT
public:
    explicit TTSCOMControl(QObject *owner = nullptr);
    ~TTSCOMControl() override;

    void setListener(ILinkListener *listener) { FListener = listener; }
    ILinkListener *listener() const { return FListener; }

    // Link
    bool Connect();
    bool Disconnect();
    bool Connected() const;

    // Exchanges
    void Transact(const Frame &frame, TReplyRecord &reply);
    void ReadBlocks(const Frame &start, TReplyRecord &reply);
    void WriteBlocks(const Frame &start, TReplyRecord &reply);
    int SendBytes(const QByteArray &bytes);
    bool ReceiveReply();
    void OnSerialData(const uint8_t *bytes, int count);
    void WaitTicks(int ticks);
    bool WaitForAnswer(int ticks);
    // SendBytes raises LinkError when the link fails, and ReceiveReply when
    // the link goes down while it waits; the exchanges above catch it and
    // report WM_LINK_EXCEPTION.

    // Prepare the receive state for a new try: receive area, LastReply,
    // BlockLength and BlockSum zeroed, position 0, not complete.
    void ClearReceiveState();
    // After ReceiveReply returned true: the wait ended without a complete reply.
    bool ReplyTimedOut() const { return !RxComplete; }
    // Pump events for `ms` milliseconds; Closing ends it early.
    void Pause(int ms);
    // Pump events until `done()` holds, `Closing` is set or `ms` have passed.
    // Bytes arriving on the active link are collected as they come and end
    // the current batch, so `done()` is checked as soon as they are in.
    // Returns true when `done()` held.
    template <typename Pred> bool PumpUntil(int ms, Pred done);

    // Firmware transfer and reboot wait. The starting frame carries the part
    // (command code, sub-code, P1 low byte: sub-number, P2 low byte: third
    // number, P3/P4 low bytes: version); the data is in WriteStream.
    void UploadPart(const Frame &start, TReplyRecord &reply);
    void UploadPartPrepared(const Frame &start, TReplyRecord &reply);
    void WaitReboot(TReplyRecord &reply);
    void WaitAfterReboot();
    int AfterRebootDelay = 0; // "Wait After Checking Reboot", seconds 0..300

    // Diagnostics
    void LogFrame(const QString &caption, const uint8_t *frame, int number);
    void LogBytes(const QString &caption, const uint8_t *bytes, int count);
    QString DumpPrefix; // set by the firmware uploads

    static QString LocalAddress();
    QString LastLinkError; // text of the last error raised by a link

    // Properties
    QString ComPort() const;
    void setComPort(const QString &name);
    TControlMode ControlMode() const { return FControlMode; }
    void setControlMode(TControlMode mode);
    QString DeviceIP() const { return FDeviceIP; }
    void setDeviceIP(const QString &ip) { FDeviceIP = ip; }
    TUDPMode UDPMode() const { return FUDPMode; }
    void setUDPMode(TUDPMode mode) { FUDPMode = mode; }
    quint16 TcpPort() const { return FTcpPort; } // 8000
    void setTcpPort(quint16 port) { FTcpPort = port; }

    // Streams
    QByteArray ReadStream;  // filled by block reads
    QByteArray WriteStream; // filled by the caller before block writes and uploads

    // Shared flags and state
    LinkFlags Flags;
    bool Searching = false;
    bool Connecting = false;
    bool Configuring = false;
    bool AnswerReceived = false;
    bool DatagramBusy = false;
    QStringList DeviceList; // eight strings per discovered module
    uint8_t ModuleConfig[76] = {};

    // Receive state. The assembler collects the bytes of the current reply
    // from either link; the names below are views of its state.
    RxAssembler Rx;
    uint8_t LastReply[FrameSize] = {};
    uint32_t BlockLength = 0;
    uint8_t BlockSum = 0;
    uint8_t (&RxBuffer)[RxAssembler::BufferSize] = Rx.Buffer;
    uint8_t &RxMode = Rx.Mode;
    bool &RxComplete = Rx.Complete;
    int TickCount = 0;
    int &RxPos = Rx.Pos;
    bool FirstBlock = true;

    // The TCP control module side: discovery and configuration by datagrams,
    // and the LDCD exchange on the serial link.
    ModuleLink *Modules();
    bool SearchModules();
    int ConfigureModule(const uint8_t *record);
    int FoundDeviceCount();
    QString FoundDeviceField(int device, int field);
    void ModuleCommand(const uint8_t *request, TModuleReply &reply);

    SerialLink *serialLink() const { return FSerial; }
    LanLink *lanLink() const { return FLan; }

    // Send a notification to the listener (synchronously).
    void notify(int message, uint32_t wParam = 0, int32_t lParam = 0,
                const QString &text = QString());

private:
    // Take the bytes buffered on the LAN link into the receive state.
    void PollLan();
    // Collect one delivery (the byte-collection rule plus its diagnostics).
    void CollectBytes(const uint8_t *bytes, int count, bool serialLink);
    void UploadBlocks(const Frame &start, TReplyRecord &reply, bool prepared);
    // The wait of one try after its request went out. Stop: the exchange is
    // over (Closing, or the last try timed out, which is reported); TimedOut:
    // an earlier try timed out; Received: LastReply holds the reply, logged
    // with caption and number and copied into the reply record.
    enum class TryOutcome { Stop, TimedOut, Received };
    TryOutcome AwaitTry(int attempt, TReplyRecord &reply, const QString &caption, int number);
    // The starting command of an upload: true when the matrix is ready for data.
    bool StartUpload(const Frame &start, TReplyRecord &reply, bool withThird);
    bool PrepareUploadStep(const Frame &start, uint16_t p1, TReplyRecord &reply);
    // One probe period of the reboot wait; returns false when Closing ended it.
    bool RebootTicks(int &spinner, bool collect);
    void RebootLog(const QString &text, int32_t lParam);
    uint32_t PartId(const Frame &start, bool withThird) const;
    static int32_t PartVersion(const Frame &start);
    static QString HexDump(const uint8_t *bytes, int count);

    // The datagram side (discovery and configuration of the TCP control
    // module) and the module command on the serial link live in ModuleLink.

    ILinkListener *FListener = nullptr;
    SerialLink *FSerial = nullptr;
    LanLink *FLan = nullptr;
    ModuleLink *FModules = nullptr;
    TControlMode FControlMode = cmLAN;
    QString FDeviceIP = QStringLiteral("0.0.0.0");
    TUDPMode FUDPMode = umBROADCAST;
    quint16 FTcpPort = 8000;
};

template <typename Pred> bool TTSCOMControl::PumpUntil(int ms, Pred done) {
    const LinkTiming &timing = LinkTiming::current();
    QElapsedTimer clock;
    clock.start();
    if (timing.plainSleepWaits) {
        // Whole ticks: pump, sleep, look.
        const int tick = qMax(1, timing.tickMs);
        for (;;) {
            QCoreApplication::processEvents();
            const qint64 left = ms - clock.elapsed();
            if (left > 0)
                QThread::msleep(static_cast<unsigned long>(qMin<qint64>(tick, left)));
            PollLan();
            if (done())
                return true;
            if (Flags.Closing || clock.elapsed() >= ms)
                return false;
        }
    }
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    for (;;) {
        PollLan();
        if (done())
            return true;
        if (Flags.Closing)
            return false;
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return false;
        if (!timer.isActive())
            timer.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
