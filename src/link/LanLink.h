#pragma once
// The LAN link: one TCP connection to the matrix's control module. Reads never
// block: the socket buffers what arrives and the engine takes it in its wait
// loop. Failures are raised as LinkError with the link's error words.

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

class LanLink : public QObject {
    Q_OBJECT
public:
    explicit LanLink(QObject *parent = nullptr);
    ~LanLink() override;

    // Resolve `host` (a dotted address is used directly), connect and wait,
    // pumping events, until connected, timed out, cancelled or failed.
    void connectTo(const QString &host, quint16 port, int timeoutMs);
    // Close the connection; the link is ready for a new connect at once.
    void disconnectFromHost();
    bool isConnected() const;
    // Discard whatever input is pending.
    void clearInput();
    // Send all bytes; returns the count written.
    int write(const QByteArray &bytes);
    // Take exactly the bytes that are buffered, without waiting.
    QByteArray readAvailable();
    // Wake and end a waiting connect ("Connection Canceled").
    void cancel();

private:
    enum class WaitResult { Done, TimedOut, Canceled };
    template <typename Pred> WaitResult waitFor(Pred done, qint64 deadlineMs);

    QTcpSocket *FSocket = nullptr;
    bool FCancel = false;
    bool FWaiting = false;
};
