#include "link/ModuleLink.h"

#include "link/TSCOMControl.h"
#include "protocol/DiscoveryRecord.h"
#include "protocol/LdcdPacket.h"
#include "protocol/ModuleBytes.h"
#include "protocol/ModuleConfigRecord.h"

#include "link/LinkError.h"
#include "link/LinkWait.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <cstring>
#include <sys/socket.h>

namespace {
const QString CRLF = QStringLiteral("\r\n");
constexpr int ConfigSecondSendDelayMs = 50;
} // namespace

ModuleLink::ModuleLink(TTSCOMControl *engine, QObject *parent)
    : QObject(parent), FEngine(engine), FSocket(new QUdpSocket(this)) {
    connect(FSocket, &QUdpSocket::readyRead, this, &ModuleLink::readPending);
}

ModuleLink::~ModuleLink() {
    FSocket->abort();
}

// ---- Helpers --------------------------------------------------------------

QString ModuleLink::LocalAddress() const {
    return FLocalOverride.isEmpty() ? FLocalAddress : FLocalOverride;
}

bool ModuleLink::IsOwnAddress(const QString &address) const {
    if (address.isEmpty() || address == QLatin1String("0.0.0.0"))
        return false;
    if (!FLocalOverride.isEmpty())
        return address == FLocalOverride;
    return FLocalAddresses.contains(address);
}

void ModuleLink::refreshLocalAddress() {
    if (FLocalOverride.isEmpty()) {
        FLocalAddresses = TTSCOMControl::LocalAddresses();
        FLocalAddress =
            FLocalAddresses.isEmpty() ? QStringLiteral("0.0.0.0") : FLocalAddresses.first();
    }
}

void ModuleLink::log(const QString &text) {
    emit FEngine->diagnostic(WM_LINK_FRAMELOG, text);
}

bool ModuleLink::waitForAnswer(int ms) {
    LinkWait::until(
        ms, [this] { return FAnswerReceived; },
        [this] { return FEngine->Closing() || FEngine->StopRequested(); });
    return FAnswerReceived;
}

bool ModuleLink::openSocket(quint16 port) {
    FSocket->abort();
    if (FSocket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::ReuseAddressHint))
        return true;
    const QString reason = QStringLiteral("UDP port %1: %2").arg(port).arg(FSocket->errorString());
    log(reason);
    FEngine->reportFailure(LinkFailure::Exception, reason);
    return false;
}

void ModuleLink::setBroadcastOption(bool on) {
    // The socket is opened with broadcasts allowed; a directed exchange turns
    // that off so that it only ever reaches the one address.
    const qintptr fd = FSocket->socketDescriptor();
    if (fd < 0)
        return;
    const int value = on ? 1 : 0;
    ::setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_BROADCAST, &value, sizeof value);
}

bool ModuleLink::sendDatagram(const QByteArray &data, const QString &host, quint16 port,
                              bool broadcast) {
    const QHostAddress address(host);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol ||
        address == QHostAddress(QHostAddress::AnyIPv4) ||
        (!broadcast && address == QHostAddress(QHostAddress::Broadcast))) {
        log(QStringLiteral("Send to [%1] skipped: not a usable address").arg(host));
        return false;
    }
    if (FSocket->writeDatagram(data, address, port) != data.size()) {
        log(QStringLiteral("Send to [%1] : Port[%2] failed: %3")
                .arg(host)
                .arg(port)
                .arg(FSocket->errorString()));
        return false;
    }
    ++FDatagramsSent;
    return true;
}

void ModuleLink::readPending() {
    while (FSocket->hasPendingDatagrams()) {
        const QNetworkDatagram d = FSocket->receiveDatagram();
        QHostAddress sender = d.senderAddress();
        bool mapped = false;
        const quint32 v4 = sender.toIPv4Address(&mapped);
        if (mapped)
            sender = QHostAddress(v4);
        const int port = d.senderPort();
        OnDatagram(sender.isNull() ? QString() : sender.toString(),
                   static_cast<quint16>(port < 0 ? 0 : port), d.data());
    }
}

// ---- Datagram receive -----------------------------------------------------

void ModuleLink::OnDatagram(const QString &senderAddress, quint16 senderPort,
                            const QByteArray &datagram) {
    if (FLocalOverride.isEmpty() && FLocalAddress.isEmpty())
        refreshLocalAddress();
    const QString local = LocalAddress();
    const int size = static_cast<int>(datagram.size());
    if (!senderAddress.isEmpty())
        log(QStringLiteral("Remote: [") + senderAddress + QStringLiteral("] : Port[") +
            QString::number(senderPort) + QStringLiteral("]") + CRLF + QStringLiteral("Local: [") +
            local + QStringLiteral("]") + CRLF + QStringLiteral("Number of bytes: ") +
            QString::number(size));
    if (!FDatagramBusy)
        return;
    // Whatever comes from the PC's own address (its own broadcast) never counts.
    if (IsOwnAddress(senderAddress) || size <= 0)
        return;
    const auto *bytes = reinterpret_cast<const uint8_t *>(datagram.constData());

    if (senderPort == FDiscoveryPort) {
        if (size % DiscoveryRecord::Size != 0)
            return;
        for (int off = 0; off < size; off += DiscoveryRecord::Size) {
            const QStringList strings = DiscoveryRecord::fromBytes(bytes + off).deviceListStrings();
            if (!FKnownMacs.contains(strings.at(0))) {
                FKnownMacs.insert(strings.at(0));
                FDeviceList << strings;
            }
        }
        FAnswerReceived = true;
        return;
    }

    if (senderPort == FConfigPort && size % ModuleConfigRecord::Size == 0) {
        for (int off = 0; off < size; off += ModuleConfigRecord::Size) {
            const uint8_t *record = bytes + off;
            // Status 0xFF marks a request, e.g. from another PC configuring a module.
            if (record[ModuleConfigRecord::StatusOffset] == ModuleConfigRecord::StatusRequest)
                continue;
            std::memcpy(FModuleConfig, record, ModuleConfigRecord::Size);
            FAnswerReceived = true;
            return;
        }
    }
}

// ---- Discovery -------------------------------------------------------------

bool ModuleLink::SearchModules() {
    TTSCOMControl *e = FEngine;
    if (FSearching)
        return false;
    FSearching = true;
    FDatagramBusy = true;
    FDatagramsSent = 0;
    refreshLocalAddress();

    const bool broadcast = e->UDPMode() == umBROADCAST;
    const QString remote = broadcast ? FBroadcast : e->DeviceIP();
    // Closing, the search dialog's Stop and the status bar's Stop end the wait.
    const auto stopped = [this, e] { return e->Closing() || e->StopRequested() || !FSearching; };
    bool answered = false;
    if (openSocket(FDiscoveryPort)) {
        setBroadcastOption(broadcast);
        const QByteArray request(1, '#');
        const int tickMs = LinkTiming::current().rebootTickMs;
        int t = 0;
        for (int attempt = 0; attempt < SearchAttempts; ++attempt) {
            if (!e->Closing()) {
                FAnswerReceived = false;
                sendDatagram(request, remote, FDiscoveryPort, broadcast);
                for (int i = 0; i < TicksPerAttempt; ++i) {
                    emit searchText(QStringLiteral("Searching TCP control device ...") +
                                        SpinnerChars[t % 4],
                                    SearchTextTarget::SearchDialog);
                    LinkWait::pause(tickMs, stopped);
                    ++t;
                    if (stopped())
                        break;
                }
            }
            if (FSearching && !e->Closing())
                answered = waitForAnswer(AnswerWaitTicks * LinkTiming::current().tickMs);
            if (answered || stopped())
                break;
        }
    }
    if (!e->Closing()) {
        FSearching = false;
        FDatagramBusy = false;
    }
    return answered;
}

int ModuleLink::FoundDeviceCount() const {
    return static_cast<int>(FDeviceList.size() / 8);
}

QString ModuleLink::FoundDeviceField(int device, int field) const {
    if (field < 0 || field > 7)
        return QString();
    if (device >= 1 && device <= FoundDeviceCount())
        return FDeviceList.at((device - 1) * 8 + field);
    switch (field) {
    case 0:
        return QStringLiteral("00-00-00-00-00-00");
    case 1:
    case 2:
    case 3:
        return QStringLiteral("0.0.0.0");
    case 6:
        return QStringLiteral("TCP Module");
    case 7:
        return QStringLiteral("0");
    default:
        return QString();
    }
}

// ---- Configuration ---------------------------------------------------------

uint8_t ModuleLink::ModuleConfigChecksum(const uint8_t *record) {
    return ModuleConfigRecord::Checksum(record);
}

int ModuleLink::ConfigureModule(const uint8_t *record) {
    TTSCOMControl *e = FEngine;
    refreshLocalAddress();
    // A static address equal to the PC's own is a conflict; nothing is sent.
    // (An unknown own address, 0.0.0.0, must not turn every Auto IP request
    // into a conflict.)
    if (IsOwnAddress(ModuleBytes::dotted(record + 6)))
        return ModuleConfigRecord::Conflict;
    if (FConfiguring)
        return ModuleConfigRecord::Failed;
    FConfiguring = true;
    FDatagramsSent = 0;
    if (!openSocket(FConfigPort)) {
        FConfiguring = false;
        return ModuleConfigRecord::Failed;
    }
    std::memcpy(FModuleConfig, record, ModuleConfigRecord::Size);
    FModuleConfig[ModuleConfigRecord::StatusOffset] = ModuleConfigRecord::StatusRequest;
    FModuleConfig[ModuleConfigRecord::ChecksumOffset] = ModuleConfigChecksum(FModuleConfig);
    FAnswerReceived = false;
    FDatagramBusy = true;
    const auto stopped = [this, e] { return e->Closing() || e->StopRequested() || !FConfiguring; };

    const QByteArray request(reinterpret_cast<const char *>(FModuleConfig),
                             ModuleConfigRecord::Size);
    setBroadcastOption(true);
    sendDatagram(request, FBroadcast, FConfigPort, true);
    LinkWait::pause(ConfigSecondSendDelayMs, stopped);
    sendDatagram(request, e->DeviceIP(), FConfigPort, true);

    const int tickMs = LinkTiming::current().rebootTickMs;
    bool answered = false;
    bool cancelled = false;
    int t = 0;
    for (int cycle = 0; cycle < ConfigWaitCycles; ++cycle) {
        if (!e->Closing()) {
            for (int i = 0; i < TicksPerAttempt; ++i) {
                emit searchText(QStringLiteral("Setting TCP control configuration ...") +
                                    SpinnerChars[t % 4],
                                SearchTextTarget::StatusBar);
                LinkWait::pause(tickMs, stopped);
                ++t;
                if (stopped())
                    break;
            }
        }
        if (stopped()) {
            cancelled = true;
            break;
        }
        if (waitForAnswer(AnswerWaitTicks * LinkTiming::current().tickMs)) {
            answered = true;
            break;
        }
    }
    if (cancelled) {
        // The exchange is over: later datagrams are only logged.
        if (!e->Closing())
            FDatagramBusy = false;
        FConfiguring = false;
        return ModuleConfigRecord::Failed;
    }
    FDatagramBusy = false;
    FConfiguring = false;
    if (!answered)
        return ModuleConfigRecord::Failed;
    return ModuleConfigRecord::resultForStatus(FModuleConfig[ModuleConfigRecord::StatusOffset]);
}

// ---- LDCD exchange --------------------------------------------------------

uint8_t ModuleLink::LDCDChecksum(const uint8_t *packet) {
    return LdcdPacket::Checksum(packet);
}

void ModuleLink::ModuleCommand(const uint8_t *request, TModuleReply &reply) {
    TTSCOMControl *e = FEngine;
    if (e->Closing())
        return;
    std::memset(reply.Bytes, 0, sizeof reply.Bytes);
    reply.Bytes[LdcdPacket::StatusOffset] = LdcdPacket::StatusNotTaken;
    reply.Success = 0;
    LdcdPacket sent;
    std::memcpy(sent.b, request, LdcdPacket::Size);
    sent.sealRequest();
    const QByteArray wire(reinterpret_cast<const char *>(sent.b), LdcdPacket::Size);

    bool lastChecksumBad = false;
    ExchangeSpec plan;
    plan.mode = RxModuleCommand;
    plan.request = [&wire](int) { return wire; };
    plan.logSent = [this, &sent](int, const QByteArray &) {
        log(LdcdPacket::logText(QStringLiteral("send LDCD:   "), sent.b));
    };
    plan.replyCaption.clear(); // the packet is logged whole below
    plan.reportInvalid = false;
    plan.check = [&](const uint8_t *bytes, int length) {
        LdcdPacket got;
        std::memcpy(got.b, bytes, static_cast<size_t>(std::min(length, LdcdPacket::Size)));
        std::memcpy(reply.Bytes, got.b, LdcdPacket::Size);
        log(LdcdPacket::logText(QStringLiteral("rcv LDCD:   "), got.b));
        if (got.acceptedReplyTo(sent.b))
            return Verdict::Accept;
        lastChecksumBad = !got.checksumOk();
        return Verdict::Reject;
    };
    TReplyRecord frameReply;
    const ExchangeOutcome outcome = e->Exchange(plan, frameReply);
    reply.Success = outcome == ExchangeOutcome::Accepted ? 1 : 0;
    if (outcome == ExchangeOutcome::Invalid && lastChecksumBad)
        e->reportFailure(LinkFailure::Invalid);
}
