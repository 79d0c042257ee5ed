#include "link/TcpTransport.h"

#include "link/LinkError.h"
#include "link/LinkWait.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

#include <memory>

TcpTransport::TcpTransport(QObject *parent) : Transport(parent), FSocket(new QTcpSocket(this)) {
    connect(FSocket, &QTcpSocket::readyRead, this, &TcpTransport::onReadyRead);
    connect(FSocket, &QTcpSocket::disconnected, this, [this] {
        if (!FOpening)
            emit linkLost(QStringLiteral("Connection closed by the peer"));
    });
}

TcpTransport::~TcpTransport() {
    FCancel = true;
    FSocket->disconnect(this);
    FSocket->abort();
}

void TcpTransport::open(int timeoutMs) {
    if (isOpen())
        throw LinkError(QStringLiteral("Already connected"));
    FCancel = false;
    FOpening = true;
    struct OpeningGuard {
        bool &flag;
        ~OpeningGuard() { flag = false; }
    } guard{FOpening};
    FSocket->abort();
    QElapsedTimer clock;
    clock.start();
    const auto cancelled = [this] { return FCancel; };

    const QString name = FHost.trimmed();
    if (name.isEmpty())
        throw LinkError(QStringLiteral("Null Remote Address"));
    QHostAddress address;
    if (!address.setAddress(name)) {
        // A name: look it up without blocking the window.
        struct Lookup {
            bool finished = false;
            QHostInfo info;
        };
        auto lookup = std::make_shared<Lookup>();
        const int id = QHostInfo::lookupHost(name, this, [lookup](const QHostInfo &result) {
            lookup->info = result;
            lookup->finished = true;
        });
        const LinkWait::Result r = LinkWait::until(
            timeoutMs, [&] { return lookup->finished; }, cancelled);
        if (r != LinkWait::Result::Done) {
            QHostInfo::abortHostLookup(id);
            throw LinkError(r == LinkWait::Result::TimedOut
                                ? QStringLiteral("Host Lookup Timed Out")
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
    // 0.0.0.0 would reach this machine itself on Linux.
    if (address.isNull() || address == QHostAddress::AnyIPv4 ||
        address.protocol() != QAbstractSocket::IPv4Protocol)
        throw LinkError(QStringLiteral("Null Remote Address"));

    bool failed = false;
    const QMetaObject::Connection onError =
        connect(FSocket, &QAbstractSocket::errorOccurred, this, [&] { failed = true; });
    FSocket->connectToHost(address, FPort);
    const LinkWait::Result r = LinkWait::until(
        qMax<qint64>(0, timeoutMs - clock.elapsed()),
        [&] { return failed || FSocket->state() == QAbstractSocket::ConnectedState; }, cancelled);
    disconnect(onError);
    if (r == LinkWait::Result::Done && !failed) {
        FSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return;
    }
    FSocket->abort();
    if (r == LinkWait::Result::TimedOut)
        throw LinkError(QStringLiteral("Connection Timed out"));
    if (r == LinkWait::Result::Cancelled)
        throw LinkError(QStringLiteral("Connection Canceled"));
    throw LinkError(QStringLiteral("Connection Failed"));
}

void TcpTransport::close() {
    // A close we asked for is not a lost link.
    const bool was = FOpening;
    FOpening = true;
    FSocket->abort();
    FOpening = was;
}

bool TcpTransport::isOpen() const {
    return FSocket->state() == QAbstractSocket::ConnectedState;
}

void TcpTransport::discard() {
    if (FSocket->bytesAvailable() > 0)
        FSocket->readAll();
}

int TcpTransport::write(const QByteArray &bytes) {
    if (!isOpen())
        throw LinkError(QStringLiteral("Socket send aborted"));
    const qint64 written = FSocket->write(bytes);
    if (written != bytes.size())
        throw LinkError(QStringLiteral("Socket send aborted"));
    FSocket->flush();
    return static_cast<int>(written);
}

void TcpTransport::cancel() {
    FCancel = true;
    LinkWait::wake();
}

void TcpTransport::onReadyRead() {
    const QByteArray bytes = FSocket->readAll();
    if (!bytes.isEmpty())
        emit bytesReceived(bytes);
}
