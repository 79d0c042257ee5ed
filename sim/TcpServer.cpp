#include "TcpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

TcpServer::TcpServer(Hooks hooks) : m_hooks(std::move(hooks)) {}

TcpServer::~TcpServer() {
    shutdown();
}

bool TcpServer::listen(const QString &host, quint16 port, QString *error) {
    m_server = new QTcpServer(this);
    QHostAddress address;
    if (host.isEmpty() || host == QLatin1String("*"))
        address = QHostAddress::Any;
    else if (host == QLatin1String("localhost"))
        address = QHostAddress::LocalHost;
    else if (!address.setAddress(host)) {
        if (error)
            *error = QStringLiteral("not an address: %1").arg(host);
        return false;
    }
    if (!m_server->listen(address, port)) {
        if (error)
            *error = QStringLiteral("cannot listen on %1:%2: %3")
                         .arg(host)
                         .arg(port)
                         .arg(m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_port = m_server->serverPort();
    connect(m_server, &QTcpServer::newConnection, this, &TcpServer::accept);
    return true;
}

void TcpServer::accept() {
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        Client client;
        client.socket = socket;
        client.session = m_hooks.openSession();
        client.timer = new QTimer(socket);
        client.timer->setSingleShot(true);
        client.timer->setTimerType(Qt::PreciseTimer);
        m_clients.insert(socket, client);
        connect(client.timer, &QTimer::timeout, this, [this, socket] { pump(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void TcpServer::readFrom(QTcpSocket *socket) {
    auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty())
        return;
    const QList<SimOutput> pieces = m_hooks.feed(it->session, bytes);
    for (const SimOutput &piece : pieces)
        it->pending.push_back(piece);
    if (!it->timer->isActive())
        pump(socket);
}

// Sends what is due, in order; a piece with a delay starts the timer and waits.
// Writing to a peer that has reset the connection fails, and the socket then
// aborts and reports `disconnected` at once, which drops the client: so the
// client is looked up again after every call into the socket.
void TcpServer::pump(QTcpSocket *socket) {
    for (;;) {
        auto it = m_clients.find(socket);
        if (it == m_clients.end() || it->pending.empty())
            return;
        SimOutput &piece = it->pending.front();
        if (piece.delayMs > 0) {
            const int delay = piece.delayMs;
            piece.delayMs = 0;
            it->timer->start(delay);
            return;
        }
        if (piece.hangUp) {
            it->pending.clear();
            socket->flush();
            if (m_clients.contains(socket))
                socket->disconnectFromHost();
            return;
        }
        const QByteArray bytes = piece.bytes;
        it->pending.pop_front();
        socket->write(bytes);
        socket->flush();
    }
}

void TcpServer::drop(QTcpSocket *socket) {
    auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    m_hooks.closeSession(it->session);
    m_clients.erase(it);
    socket->deleteLater();
}

void TcpServer::closeClients() {
    const auto sockets = m_clients.keys();
    for (QTcpSocket *socket : sockets) {
        auto it = m_clients.find(socket);
        if (it == m_clients.end())
            continue;
        m_hooks.closeSession(it->session);
        m_clients.erase(it);
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

void TcpServer::shutdown() {
    closeClients();
    delete m_server;
    m_server = nullptr;
}
