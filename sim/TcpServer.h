#pragma once
// The matrix's TCP side (what the TCP control module forwards on port 8000):
// a server whose every client is a device session. Lives in the simulator's
// server thread; replies leave in order, each after its delay.

#include "MatrixDevice.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>

class QTcpServer;
class QTcpSocket;
class QTimer;

class TcpServer : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<int()> openSession;
        std::function<void(int)> closeSession;
        std::function<QList<SimOutput>(int, const QByteArray &)> feed;
    };

    explicit TcpServer(Hooks hooks);
    ~TcpServer() override;

    // Call in the server's thread.
    bool listen(const QString &host, quint16 port, QString *error);
    quint16 port() const { return m_port; }
    void closeClients();
    void shutdown();
    int clientCount() const { return int(m_clients.size()); }

private:
    struct Client {
        QTcpSocket *socket = nullptr;
        QTimer *timer = nullptr;
        int session = 0;
        std::deque<SimOutput> pending;
    };

    void accept();
    void readFrom(QTcpSocket *socket);
    void pump(QTcpSocket *socket);
    void drop(QTcpSocket *socket);

    Hooks m_hooks;
    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;
    QHash<QTcpSocket *, Client> m_clients;
};
