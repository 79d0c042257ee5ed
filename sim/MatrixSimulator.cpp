#include "MatrixSimulator.h"

#include "MatrixDevice.h"
#include "PtyPort.h"
#include "TcpServer.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThread>

struct MatrixSimulator::Impl {
    explicit Impl(const SimOptions &o) : options(o), device(o) {}

    SimOptions options;
    mutable QRecursiveMutex mutex; // recursive: a withState() callback may call back in
    MatrixDevice device;
    QThread *thread = nullptr;
    TcpServer *server = nullptr; // lives in `thread`
    std::unique_ptr<PtyPort> pty;
    int ptySession = -1;
    quint16 port = 0;
    bool started = false;

    QList<SimOutput> feed(int session, const QByteArray &bytes) {
        QMutexLocker lock(&mutex);
        return device.feed(session, bytes);
    }
};

MatrixSimulator::MatrixSimulator(const SimOptions &options) : d(new Impl(options)) {}

MatrixSimulator::~MatrixSimulator() {
    stop();
}

const SimOptions &MatrixSimulator::options() const {
    return d->options;
}

bool MatrixSimulator::start(QString *error) {
    if (d->started)
        return true;
    Impl *impl = d.get();
    if (d->options.tcp) {
        TcpServer::Hooks hooks;
        hooks.openSession = [impl] {
            QMutexLocker lock(&impl->mutex);
            return impl->device.openSession(false);
        };
        hooks.closeSession = [impl](int session) {
            QMutexLocker lock(&impl->mutex);
            impl->device.closeSession(session);
        };
        hooks.feed = [impl](int session, const QByteArray &bytes) {
            return impl->feed(session, bytes);
        };
        d->thread = new QThread;
        d->thread->setObjectName(QStringLiteral("matrix-sim"));
        d->server = new TcpServer(hooks);
        d->server->moveToThread(d->thread);
        d->thread->start();
        bool listening = false;
        QString why;
        QMetaObject::invokeMethod(
            d->server,
            [impl, &listening, &why] {
                listening =
                    impl->server->listen(impl->options.tcpHost, impl->options.tcpPort, &why);
            },
            Qt::BlockingQueuedConnection);
        if (!listening) {
            if (error)
                *error = why;
            stop();
            return false;
        }
        d->port = d->server->port();
    }
    if (d->options.pty) {
        {
            QMutexLocker lock(&d->mutex);
            d->ptySession = d->device.openSession(true);
        }
        const int session = d->ptySession;
        d->pty.reset(
            new PtyPort(d->options.baud, d->options.pace, [impl, session](const QByteArray &bytes) {
                return impl->feed(session, bytes);
            }));
        QString why;
        if (!d->pty->open(d->options.ptyLink, &why)) {
            if (error)
                *error = why;
            stop();
            return false;
        }
    }
    d->started = true;
    return true;
}

void MatrixSimulator::stop() {
    if (d->pty) {
        d->pty->close();
        d->pty.reset();
    }
    if (d->thread) {
        if (d->server) {
            TcpServer *server = d->server;
            QMetaObject::invokeMethod(
                server, [server] { server->shutdown(); }, Qt::BlockingQueuedConnection);
        }
        d->thread->quit();
        d->thread->wait();
        delete d->server;
        d->server = nullptr;
        delete d->thread;
        d->thread = nullptr;
    }
    d->started = false;
}

quint16 MatrixSimulator::tcpPort() const {
    return d->port;
}

QString MatrixSimulator::ptyPath() const {
    return d->pty ? d->pty->path() : QString();
}

void MatrixSimulator::withState(const std::function<void(MatrixState &)> &fn) {
    QMutexLocker lock(&d->mutex);
    fn(d->device.state());
}

void MatrixSimulator::withDevice(const std::function<void(MatrixDevice &)> &fn) {
    QMutexLocker lock(&d->mutex);
    fn(d->device);
}

void MatrixSimulator::setProcessingDelay(int ms) {
    QMutexLocker lock(&d->mutex);
    d->device.setProcessingDelay(ms);
}

void MatrixSimulator::setFaults(const FaultSettings &faults) {
    QMutexLocker lock(&d->mutex);
    d->device.setFaults(faults);
}

void MatrixSimulator::queueFault(FaultKind kind, int count) {
    QMutexLocker lock(&d->mutex);
    d->device.queueFault(kind, count);
}

QList<QByteArray> MatrixSimulator::frameLog() const {
    QMutexLocker lock(&d->mutex);
    return d->device.frameLog();
}

void MatrixSimulator::clearFrameLog() {
    QMutexLocker lock(&d->mutex);
    d->device.clearFrameLog();
}

void MatrixSimulator::closeClients() {
    if (!d->server)
        return;
    TcpServer *server = d->server;
    QMetaObject::invokeMethod(
        server, [server] { server->closeClients(); }, Qt::BlockingQueuedConnection);
}

int MatrixSimulator::clientCount() const {
    if (!d->server)
        return 0;
    int count = 0;
    TcpServer *server = d->server;
    QMetaObject::invokeMethod(
        server, [server, &count] { count = server->clientCount(); }, Qt::BlockingQueuedConnection);
    return count;
}
