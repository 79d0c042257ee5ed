#pragma once
// The serial link: 57600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control; DTR and RTS low. On every open the driver is asked for its
// low-latency mode (USB adapters otherwise hold received bytes for up to
// 16 ms); drivers without it (pseudo-terminals) are left as they are, and a
// note says which it was.

#include "link/Transport.h"

class QSerialPort;

class SerialTransport : public Transport {
    Q_OBJECT
public:
    explicit SerialTransport(QObject *parent = nullptr);
    ~SerialTransport() override;

    QString portName() const { return FPortName; }
    // Takes effect at the next open. A name starting with '/' is a device
    // path (pseudo-terminals included); anything else is a system port name.
    void setPortName(const QString &name) { FPortName = name; }

    void open(int timeoutMs) override;
    void close() override;
    bool isOpen() const override;
    void discard() override;
    int write(const QByteArray &bytes) override;
    bool isSerial() const override { return true; }
    QString peerName() const override { return FPortName; }
    QString openAdvice() const override { return FAdviceFix; }
    QString openAdviceSummary() const override { return FAdviceSummary; }

    enum class LowLatency { TurnedOn, AlreadyOn, Unsupported };
    // Asks the driver of the open descriptor `fd` for low-latency mode.
    static LowLatency RequestLowLatency(int fd);
    static QString LowLatencyNote(LowLatency result, const QString &port);

private:
    void onReadyRead();
    QSerialPort *FPort = nullptr;
    QString FPortName = QStringLiteral("COM1");
    QString FAdviceSummary;
    QString FAdviceFix;
};
