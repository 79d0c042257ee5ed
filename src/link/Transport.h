#pragma once
// One way of moving bytes to and from the matrix. The engine picks one when it
// connects and never asks which kind it has: received bytes arrive through
// bytesReceived as they come, a link that goes away reports linkLost once,
// and writes never wait for the bytes to leave. Failures to open or write are
// raised as LinkError.

#include <QByteArray>
#include <QObject>
#include <QString>

class Transport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Transport() override = default;

    // Open the link; a transport that must wait (a TCP connect) pumps events
    // through LinkWait until it is open, timed out or cancelled.
    virtual void open(int timeoutMs) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Drop whatever the link holds in either direction.
    virtual void discard() = 0;
    // Queue all bytes for sending; returns the count queued.
    virtual int write(const QByteArray &bytes) = 0;
    // True for a serial line (the module's LDCD replies are 32 bytes there).
    virtual bool isSerial() const = 0;
    // End a waiting open.
    virtual void cancel() {}
    // Where the link goes, for status texts: the port name or the address.
    virtual QString peerName() const = 0;
    // After a failed open: what the person can do about it (empty when
    // nothing but the failure itself can be said), and its few words.
    virtual QString openAdvice() const { return QString(); }
    virtual QString openAdviceSummary() const { return QString(); }

signals:
    void bytesReceived(const QByteArray &bytes);
    // The link went away on its own (peer closed, adapter pulled).
    void linkLost(const QString &reason);
    // A remark for the diagnostic log (how the line was set up).
    void note(const QString &text);
};
