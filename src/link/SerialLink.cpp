#include "link/SerialLink.h"

#include "link/LinkError.h"

#include <QDeadlineTimer>
#include <QSerialPort>

SerialLink::SerialLink(QObject *parent) : QObject(parent), FPort(new QSerialPort(this)) {
    connect(FPort, &QSerialPort::readyRead, this, &SerialLink::onReadyRead);
    connect(FPort, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::ResourceError || !FPort->isOpen())
            return;
        const QString reason = FPort->errorString();
        FPort->close();
        emit portLost(reason);
    });
}

SerialLink::~SerialLink() {
    close();
}

void SerialLink::open() {
    if (FPort->isOpen())
        throw LinkError(QStringLiteral("Port already open"));
    FPort->setPortName(FPortName);
    FPort->setBaudRate(QSerialPort::Baud57600);
    FPort->setDataBits(QSerialPort::Data8);
    FPort->setParity(QSerialPort::NoParity);
    FPort->setStopBits(QSerialPort::OneStop);
    FPort->setFlowControl(QSerialPort::NoFlowControl);
    FPort->setReadBufferSize(0);
    if (!FPort->open(QIODevice::ReadWrite)) {
        const QString reason = FPort->errorString();
        FPort->clearError();
        throw LinkError(reason);
    }
    // DTR and RTS stay low. Pseudo-terminals have no modem lines: ignore
    // the refusal there.
    FPort->setDataTerminalReady(false);
    FPort->setRequestToSend(false);
    FPort->clearError();
}

void SerialLink::close() {
    if (FPort->isOpen())
        FPort->close();
    FPort->clearError();
}

bool SerialLink::isOpen() const {
    return FPort->isOpen();
}

void SerialLink::purge() {
    if (!FPort->isOpen())
        throw LinkError(QStringLiteral("Port not open"));
    if (!FPort->clear(QSerialPort::AllDirections)) {
        const QString reason = FPort->errorString();
        FPort->clearError();
        throw LinkError(reason);
    }
}

int SerialLink::write(const QByteArray &bytes) {
    if (!FPort->isOpen())
        throw LinkError(QStringLiteral("Port not open"));
    const qint64 queued = FPort->write(bytes);
    if (queued != bytes.size()) {
        const QString reason = FPort->errorString();
        FPort->clearError();
        throw LinkError(reason);
    }
    // Hand the bytes to the driver now; allow 100 ms a byte plus one second,
    // like the write time-out of the port.
    FPort->flush();
    QDeadlineTimer deadline(1000 + 100 * static_cast<qint64>(bytes.size()));
    while (FPort->isOpen() && FPort->bytesToWrite() > 0) {
        if (deadline.hasExpired() ||
            !FPort->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            const QString reason = FPort->error() == QSerialPort::NoError
                                       ? QStringLiteral("Write timed out")
                                       : FPort->errorString();
            FPort->clearError();
            throw LinkError(reason);
        }
    }
    if (!FPort->isOpen())
        throw LinkError(QStringLiteral("Port closed while writing"));
    return static_cast<int>(bytes.size());
}

void SerialLink::onReadyRead() {
    const QByteArray bytes = FPort->readAll();
    if (!bytes.isEmpty())
        emit dataArrived(bytes);
}
