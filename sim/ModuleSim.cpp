#include "ModuleSim.h"

#include "MatrixSimulator.h"
#include "protocol/ModuleConfigRecord.h"

#include <QMutex>
#include <QMutexLocker>
#include <QNetworkDatagram>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <deque>

namespace {

using Access = std::function<void(const std::function<void(ModuleInfo &)> &)>;

constexpr uint8_t DiscoveryRequest = 0x23; // "#"
constexpr uint8_t StatusRequest = ModuleConfigRecord::StatusRequest;
constexpr uint8_t StatusConflict = ModuleConfigRecord::StatusConflict;

} // namespace

struct ModuleSim::Impl {
    explicit Impl(const ModuleSimOptions &o) : options(o) {}

    ModuleSimOptions options;
    mutable QRecursiveMutex mutex; // guards the owned modules, the access list and the request log
    std::deque<ModuleInfo> owned;
    QList<Access> modules;
    QList<ModuleRequest> requests;
    QThread *thread = nullptr;
    QObject *context = nullptr; // lives in `thread`; parent of the sockets
    QUdpSocket *discovery = nullptr;
    QUdpSocket *config = nullptr;

    QList<Access> accessList() const {
        QMutexLocker lock(&mutex);
        return modules;
    }

    void record(quint16 port, const QNetworkDatagram &datagram) {
        ModuleRequest request;
        request.port = port;
        request.sender = datagram.senderAddress();
        request.senderPort = quint16(datagram.senderPort());
        request.destination = datagram.destinationAddress();
        request.bytes = datagram.data();
        QMutexLocker lock(&mutex);
        requests.append(request);
    }

    void send(QUdpSocket *socket, const QByteArray &bytes, const QNetworkDatagram &to) {
        const QHostAddress address =
            options.replyBroadcast ? QHostAddress(QHostAddress::Broadcast) : to.senderAddress();
        const quint16 port = quint16(to.senderPort());
        auto write = [socket, bytes, address, port] {
            socket->writeDatagram(bytes, address, port);
        };
        if (options.replyDelayMs > 0)
            QTimer::singleShot(options.replyDelayMs, socket, write);
        else
            write();
    }

    void onDiscovery() {
        while (discovery->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = discovery->receiveDatagram();
            record(options.discoveryPort, datagram);
            const QByteArray bytes = datagram.data();
            if (bytes.size() != 1 || uint8_t(bytes[0]) != DiscoveryRequest)
                continue;
            // A request sent to one module's address is answered by that module
            // only; a broadcast (or a request to the bound address) by all.
            const QList<Access> all = accessList();
            QList<ModuleInfo> answering;
            QList<ModuleInfo> addressed;
            for (const Access &access : all) {
                access([&](ModuleInfo &m) {
                    if (!m.answerDiscovery)
                        return;
                    answering << m;
                    if (!datagram.destinationAddress().isNull() &&
                        m.ip.isEqual(datagram.destinationAddress(),
                                     QHostAddress::ConvertV4MappedToIPv4))
                        addressed << m;
                });
            }
            const QList<ModuleInfo> &reply = addressed.isEmpty() ? answering : addressed;
            QByteArray packed;
            for (const ModuleInfo &m : reply) {
                if (options.packRecords)
                    packed += m.discoveryRecord();
                else
                    send(discovery, m.discoveryRecord(), datagram);
            }
            if (!packed.isEmpty())
                send(discovery, packed, datagram);
        }
    }

    void onConfig() {
        while (config->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = config->receiveDatagram();
            record(options.configPort, datagram);
            const QByteArray bytes = datagram.data();
            if (bytes.size() != ModuleInfo::ConfigRecordSize ||
                uint8_t(bytes[74]) != StatusRequest ||
                uint8_t(bytes[75]) != ModuleInfo::configChecksum(bytes))
                continue;
            const QByteArray mac = bytes.left(6);
            const QList<Access> all = accessList();
            // Addresses of the other modules: a static address already in use
            // is reported as a conflict.
            QList<QHostAddress> others;
            for (const Access &access : all)
                access([&](ModuleInfo &m) {
                    if (m.mac != mac)
                        others << m.ip;
                });
            const QHostAddress wanted(
                (quint32(uint8_t(bytes[6])) << 24) | (quint32(uint8_t(bytes[7])) << 16) |
                (quint32(uint8_t(bytes[8])) << 8) | quint32(uint8_t(bytes[9])));
            const bool staticIp = uint8_t(bytes[18]) != 1;
            for (const Access &access : all) {
                QByteArray reply;
                access([&](ModuleInfo &m) {
                    if (m.mac != mac || !m.answerConfig)
                        return;
                    uint8_t status = m.configStatus;
                    if (status == 0 && staticIp && others.contains(wanted))
                        status = StatusConflict;
                    reply = m.applyConfig(bytes, status);
                });
                if (!reply.isEmpty())
                    send(config, reply, datagram);
            }
        }
    }
};

ModuleSim::ModuleSim(const ModuleSimOptions &options) : d(new Impl(options)) {}

ModuleSim::~ModuleSim() {
    stop();
}

int ModuleSim::addModule(const ModuleInfo &info) {
    QMutexLocker lock(&d->mutex);
    d->owned.push_back(info);
    ModuleInfo *stored = &d->owned.back();
    Impl *impl = d.get();
    d->modules.append([impl, stored](const std::function<void(ModuleInfo &)> &fn) {
        QMutexLocker inner(&impl->mutex);
        fn(*stored);
    });
    return int(d->modules.size()) - 1;
}

int ModuleSim::addMatrixModule(MatrixSimulator *simulator) {
    QMutexLocker lock(&d->mutex);
    d->modules.append([simulator](const std::function<void(ModuleInfo &)> &fn) {
        simulator->withState([&fn](MatrixState &s) { fn(s.module); });
    });
    return int(d->modules.size()) - 1;
}

int ModuleSim::moduleCount() const {
    QMutexLocker lock(&d->mutex);
    return int(d->modules.size());
}

void ModuleSim::withModule(int index, const std::function<void(ModuleInfo &)> &fn) {
    Access access;
    {
        QMutexLocker lock(&d->mutex);
        if (index < 0 || index >= d->modules.size())
            return;
        access = d->modules[index];
    }
    access(fn);
}

ModuleInfo ModuleSim::module(int index) const {
    ModuleInfo copy;
    const_cast<ModuleSim *>(this)->withModule(index, [&copy](ModuleInfo &m) { copy = m; });
    return copy;
}

bool ModuleSim::start(QString *error) {
    if (d->thread)
        return true;
    d->thread = new QThread;
    d->thread->setObjectName(QStringLiteral("module-sim"));
    d->context = new QObject;
    d->context->moveToThread(d->thread);
    d->thread->start();
    QString why;
    Impl *impl = d.get();
    QMetaObject::invokeMethod(
        d->context,
        [impl, &why] {
            const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
            impl->discovery = new QUdpSocket(impl->context);
            impl->config = new QUdpSocket(impl->context);
            if (!impl->discovery->bind(impl->options.bindAddress, impl->options.discoveryPort,
                                       mode) ||
                !impl->config->bind(impl->options.bindAddress, impl->options.configPort, mode)) {
                why = QStringLiteral("cannot bind %1 (ports %2, %3): %4")
                          .arg(impl->options.bindAddress.toString())
                          .arg(impl->options.discoveryPort)
                          .arg(impl->options.configPort)
                          .arg(impl->discovery->state() == QAbstractSocket::BoundState
                                   ? impl->config->errorString()
                                   : impl->discovery->errorString());
                return;
            }
            QObject::connect(impl->discovery, &QUdpSocket::readyRead, impl->discovery,
                             [impl] { impl->onDiscovery(); });
            QObject::connect(impl->config, &QUdpSocket::readyRead, impl->config,
                             [impl] { impl->onConfig(); });
        },
        Qt::BlockingQueuedConnection);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        stop();
        return false;
    }
    return true;
}

void ModuleSim::stop() {
    if (!d->thread)
        return;
    QObject *context = d->context;
    QMetaObject::invokeMethod(
        context, [context] { qDeleteAll(context->children()); }, Qt::BlockingQueuedConnection);
    d->discovery = nullptr;
    d->config = nullptr;
    d->thread->quit();
    d->thread->wait();
    delete d->context;
    d->context = nullptr;
    delete d->thread;
    d->thread = nullptr;
}

QList<ModuleRequest> ModuleSim::requests() const {
    QMutexLocker lock(&d->mutex);
    return d->requests;
}

void ModuleSim::clearRequests() {
    QMutexLocker lock(&d->mutex);
    d->requests.clear();
}
