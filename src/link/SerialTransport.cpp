#include "link/SerialTransport.h"

#include "link/LinkError.h"
#include "link/SerialOpenAdvice.h"

#include <QSerialPort>

#include <linux/serial.h>
#include <sys/ioctl.h>

SerialTransport::SerialTransport(QObject *parent)
    : Transport(parent), FPort(new QSerialPort(this)) {
    connect(FPort, &QSerialPort::readyRead, this, &SerialTransport::onReadyRead);
    connect(FPort, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // A resource, read or write error on an open port means the device went
        // away (an adapter pulled, a pseudo-terminal hung up); the port would
        // report it again and again, so it is closed at once.
        if (!FPort->isOpen() ||
            (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
             error != QSerialPort::WriteError))
            return;
        const QString reason = FPort->errorString();
        FPort->close();
        FPort->clearError();
        emit linkLost(reason);
    });
}

SerialTransport::~SerialTransport() {
    close();
}

void SerialTransport::open(int) {
    if (FPort->isOpen())
        throw LinkError(QStringLiteral("Port already open"));
    FPort->setPortName(FPortName);
    FPort->setBaudRate(QSerialPort::Baud57600);
    FPort->setDataBits(QSerialPort::Data8);
    FPort->setParity(QSerialPort::NoParity);
    FPort->setStopBits(QSerialPort::OneStop);
    FPort->setFlowControl(QSerialPort::NoFlowControl);
    FPort->setReadBufferSize(0);
    FAdviceSummary.clear();
    FAdviceFix.clear();
    if (!FPort->open(QIODevice::ReadWrite)) {
        const QString reason = FPort->errorString();
        const bool permission = FPort->error() == QSerialPort::PermissionError;
        FPort->clearError();
        if (permission) {
            // The same error stands for "in use"; only the system can tell.
            const SerialOpenAdvice::Advice advice = SerialOpenAdvice::Probe(FPortName);
            FAdviceSummary = advice.summary;
            FAdviceFix = advice.fix;
        }
        throw LinkError(reason);
    }
    emit note(LowLatencyNote(RequestLowLatency(int(FPort->handle())), FPortName));
    // Pseudo-terminals have no modem lines: their refusal is ignored.
    FPort->setDataTerminalReady(false);
    FPort->setRequestToSend(false);
    FPort->clearError();
    discard();
}

void SerialTransport::close() {
    if (FPort->isOpen())
        FPort->close();
    FPort->clearError();
}

bool SerialTransport::isOpen() const {
    return FPort->isOpen();
}

void SerialTransport::discard() {
    if (!FPort->isOpen())
        throw LinkError(QStringLiteral("Port not open"));
    if (!FPort->clear(QSerialPort::AllDirections)) {
        const QString reason = FPort->errorString();
        FPort->clearError();
        throw LinkError(reason);
    }
}

int SerialTransport::write(const QByteArray &bytes) {
    if (!FPort->isOpen())
        throw LinkError(QStringLiteral("Port not open"));
    // The port sends from its own buffer as the line takes the bytes; the
    // exchange waits for the reply, not for the write.
    const qint64 queued = FPort->write(bytes);
    if (queued != bytes.size()) {
        const QString reason = FPort->errorString();
        FPort->clearError();
        throw LinkError(reason);
    }
    return static_cast<int>(queued);
}

void SerialTransport::onReadyRead() {
    const QByteArray bytes = FPort->readAll();
    if (!bytes.isEmpty())
        emit bytesReceived(bytes);
}

SerialTransport::LowLatency SerialTransport::RequestLowLatency(int fd) {
    struct serial_struct serial = {};
    if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return LowLatency::Unsupported;
    if (serial.flags & ASYNC_LOW_LATENCY)
        return LowLatency::AlreadyOn;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd, TIOCSSERIAL, &serial) != 0)
        return LowLatency::Unsupported;
    return LowLatency::TurnedOn;
}

QString SerialTransport::LowLatencyNote(LowLatency result, const QString &port) {
    switch (result) {
    case LowLatency::TurnedOn:
        return QStringLiteral("Serial line %1: low-latency mode on").arg(port);
    case LowLatency::AlreadyOn:
        return QStringLiteral("Serial line %1: low-latency mode was already on").arg(port);
    case LowLatency::Unsupported:
        break;
    }
    return QStringLiteral("Serial line %1: the driver has no low-latency mode (left as it is)")
        .arg(port);
}
