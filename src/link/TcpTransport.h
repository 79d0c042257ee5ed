#pragma once
// The LAN link: one TCP connection to the matrix's control module (port 8000
// by default). Open resolves a host name without blocking, connects and waits
// through LinkWait; failures are raised with the link's error words.

#include "link/Transport.h"

class QTcpSocket;

class TcpTransport : public Transport {
    Q_OBJECT
public:
    explicit TcpTransport(QObject *parent = nullptr);
    ~TcpTransport() override;

    void setHost(const QString &host) { FHost = host; }
    QString host() const { return FHost; }
    void setPort(quint16 port) { FPort = port; }
    quint16 port() const { return FPort; }

    void open(int timeoutMs) override;
    void close() override;
    bool isOpen() const override;
    void discard() override;
    int write(const QByteArray &bytes) override;
    bool isSerial() const override { return false; }
    void cancel() override;
    QString peerName() const override { return FHost; }

private:
    void onReadyRead();
    QTcpSocket *FSocket = nullptr;
    QString FHost = QStringLiteral("0.0.0.0");
    quint16 FPort = 8000;
    bool FCancel = false;
    bool FOpening = false;
};
