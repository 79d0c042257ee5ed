#pragma once
// The serial link: 57600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control; DTR and RTS low.

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

private:
    void onReadyRead();
    QSerialPort *FPort = nullptr;
    QString FPortName = QStringLiteral("COM1");
};
