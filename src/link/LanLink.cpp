#include "link/LanLink.h"

#include "link/LinkError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

LanLink::LanLink(QObject *parent) : QObject(parent), FSocket(new QTcpSocket(this)) {}

LanLink::~LanLink() {
    cancel();
    FSocket->abort();
}

template <typename Pred> LanLink::WaitResult LanLink::waitFor(Pred done, qint64 deadlineMs) {
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    FWaiting = true;
    WaitResult result = WaitResult::Done;
    for (;;) {
        if (done())
            break;
        if (FCancel) {
            result = WaitResult::Canceled;
            break;
        }
        const qint64 left = deadlineMs - clock.elapsed();
        if (left <= 0) {
            result = WaitResult::TimedOut;
            break;
        }
        if (!timer.isActive())
            timer.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    FWaiting = false;
    return result;
}

void LanLink::connectTo(const QString &host, quint16 port, int timeoutMs) {
    if (isConnected())
        throw LinkError(QStringLiteral("Already connected"));
    FCancel = false;
    FSocket->abort();
    QElapsedTimer clock;
    clock.start();

    const QString name = host.trimmed();
    if (name.isEmpty())
        throw LinkError(QStringLiteral("Null Remote Address"));
    QHostAddress address;
    if (!address.setAddress(name)) {
        // Not an address: look the name up without blocking the window.
        struct Lookup {
            bool finished = false;
            QHostInfo info;
        };
        auto lookup = std::make_shared<Lookup>();
        const int id = QHostInfo::lookupHost(name, this, [lookup](const QHostInfo &result) {
            lookup->info = result;
            lookup->finished = true;
        });
        const WaitResult r = waitFor([&] { return lookup->finished; }, timeoutMs);
        if (r != WaitResult::Done) {
            QHostInfo::abortHostLookup(id);
            throw LinkError(r == WaitResult::TimedOut ? QStringLiteral("Host Lookup Timed Out")
                                                      : QStringLiteral("Host Lookup Canceled"));
        }
        if (lookup->info.error() != QHostInfo::NoError)
            throw LinkError(QStringLiteral("Host Lookup Failed"));
        for (const QHostAddress &a : lookup->info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
        }
        if (address.isNull())
            throw LinkError(QStringLiteral("Host Lookup Failed"));
    }
    if (address.isNull() || address == QHostAddress::AnyIPv4 ||
        address.protocol() != QAbstractSocket::IPv4Protocol)
        throw LinkError(QStringLiteral("Null Remote Address"));

    bool failed = false;
    const QMetaObject::Connection onError =
        connect(FSocket, &QAbstractSocket::errorOccurred, this, [&] { failed = true; });
    FSocket->connectToHost(address, port);
    const WaitResult r =
        waitFor([&] { return failed || FSocket->state() == QAbstractSocket::ConnectedState; },
                qMax<qint64>(0, timeoutMs - clock.elapsed()));
    disconnect(onError);
    if (r == WaitResult::Done && !failed) {
        FSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return;
    }
    FSocket->abort();
    if (r == WaitResult::TimedOut)
        throw LinkError(QStringLiteral("Connection Timed out"));
    if (r == WaitResult::Canceled)
        throw LinkError(QStringLiteral("Connection Canceled"));
    throw LinkError(QStringLiteral("Connection Failed"));
}

void LanLink::disconnectFromHost() {
    FSocket->abort();
}

bool LanLink::isConnected() const {
    return FSocket->state() == QAbstractSocket::ConnectedState;
}

void LanLink::clearInput() {
    if (FSocket->bytesAvailable() > 0)
        FSocket->readAll();
}

int LanLink::write(const QByteArray &bytes) {
    if (!isConnected())
        throw LinkError(QStringLiteral("Socket send aborted"));
    const qint64 written = FSocket->write(bytes);
    if (written != bytes.size())
        throw LinkError(QStringLiteral("Socket send aborted"));
    FSocket->flush();
    return static_cast<int>(written);
}

QByteArray LanLink::readAvailable() {
    if (FSocket->bytesAvailable() <= 0)
        return QByteArray();
    return FSocket->readAll();
}

void LanLink::cancel() {
    FCancel = true;
    // Let a pumping wait see the flag at once.
    if (FWaiting)
        QMetaObject::invokeMethod(
            this, [] {}, Qt::QueuedConnection);
}
