#pragma once
// The serial link: 57600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control. Received bytes are handed over as whole buffers, synchronously, on
// the thread that owns the link (through dataArrived). Errors are raised as
// LinkError.

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    QString portName() const { return FPortName; }
    // Takes effect at the next open. A name starting with '/' is a device
    // path (pseudo-terminals included); anything else is a system port name.
    void setPortName(const QString &name) { FPortName = name; }

    void open();
    void close();
    bool isOpen() const;
    // Discard whatever the driver holds in both directions.
    void purge();
    // Write all bytes; returns the count written.
    int write(const QByteArray &bytes);

signals:
    // Every batch of received bytes, delivered as one buffer.
    void dataArrived(const QByteArray &bytes);
    // The device went away (the port was closed because of it).
    void portLost(const QString &reason);

private:
    void onReadyRead();
    QSerialPort *FPort = nullptr;
    QString FPortName = QStringLiteral("COM1");
};
