#pragma once
// The link engine: the one object through which the tool talks to a matrix.
// It runs every exchange synchronously on the caller's (window) thread, pumping
// the event loop while it waits, and reports through ILinkListener.

#include "link/Commands.h"
#include "link/Frames.h"
#include "link/LinkMessages.h"

#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

class SerialLink;
class LanLink;
class QUdpSocket;

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

    // Firmware transfer and reboot wait.
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

    // Receive state (read by tests and diagnostics)
    uint8_t LastReply[FrameSize] = {};
    uint32_t BlockLength = 0;
    uint8_t BlockSum = 0;
    uint8_t RxBuffer[540] = {};
    uint8_t RxMode = 0;
    bool RxComplete = false;
    int TickCount = 0;
    int RxPos = 0;
    bool FirstBlock = true;

    SerialLink *serialLink() const { return FSerial; }
    LanLink *lanLink() const { return FLan; }

protected:
    void notify(int message, uint32_t wParam = 0, int32_t lParam = 0,
                const QString &text = QString());

private:
    ILinkListener *FListener = nullptr;
    SerialLink *FSerial = nullptr;
    LanLink *FLan = nullptr;
    QUdpSocket *FUdp = nullptr;
    TControlMode FControlMode = cmLAN;
    QString FDeviceIP = QStringLiteral("0.0.0.0");
    TUDPMode FUDPMode = umBROADCAST;
    quint16 FTcpPort = 8000;
};
