#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/DiscoveryRecord.h"
#include "protocol/ModuleConfigRecord.h"

#include <cstring>

namespace {

// The module link's receive side runs without a socket: datagrams are handed
// to OnDatagram as the socket would hand them over. One engine for the whole
// run (it lives until the process ends).
ModuleLink &moduleLink() {
    static TTSCOMControl *engine = new TTSCOMControl;
    static ModuleLink *link = [] {
        ModuleLink *l = engine->Modules();
        l->setLocalAddressOverride(QStringLiteral("10.9.8.7"));
        return l;
    }();
    return *link;
}

void checkDiscoveryRecord(const uint8_t *bytes) {
    const DiscoveryRecord r = DiscoveryRecord::fromBytes(bytes);
    FUZZ_CHECK(r.Tag.size() <= DiscoveryRecord::TagSize);
    const QStringList strings = r.deviceListStrings();
    FUZZ_CHECK(strings.size() == 8);
    // Written and read again, a record gives the same fields.
    const QByteArray again = r.toBytes();
    FUZZ_CHECK(again.size() == DiscoveryRecord::Size);
    const DiscoveryRecord back =
        DiscoveryRecord::fromBytes(reinterpret_cast<const uint8_t *>(again.constData()));
    FUZZ_CHECK(back.deviceListStrings() == strings);
}

void checkConfigRecord(const uint8_t *bytes) {
    ModuleConfigRecord r;
    std::memcpy(r.b, bytes, ModuleConfigRecord::Size);
    (void)r.ipText();
    (void)r.gatewayText();
    (void)r.maskText();
    FUZZ_CHECK(r.replyMacText().size() == 17);
    const ModuleConfigRecord::Result result = ModuleConfigRecord::resultForStatus(r.status());
    FUZZ_CHECK(result == ModuleConfigRecord::Accepted || result == ModuleConfigRecord::Failed ||
               result == ModuleConfigRecord::Conflict);
    FUZZ_CHECK((result == ModuleConfigRecord::Accepted) == (r.status() == 0));
    FUZZ_CHECK(ModuleConfigRecord::Checksum(r.b) == ModuleLink::ModuleConfigChecksum(r.b));
}

} // namespace

// Input: a control byte (bits 0-1: sent from the discovery port, the
// configuration port or another one; bit 2: sent from the PC's own address;
// bit 3: no exchange waiting), then the datagram.
int FuzzModuleDatagram(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t control = in.byte();
    const QByteArray datagram = in.rest();
    const auto *bytes = reinterpret_cast<const uint8_t *>(datagram.constData());

    for (qsizetype at = 0; at + DiscoveryRecord::Size <= datagram.size();
         at += DiscoveryRecord::Size)
        checkDiscoveryRecord(bytes + at);
    for (qsizetype at = 0; at + ModuleConfigRecord::Size <= datagram.size();
         at += ModuleConfigRecord::Size)
        checkConfigRecord(bytes + at);

    ModuleLink &link = moduleLink();
    link.ClearDevices();
    link.resetAnswerForTests();
    link.setListeningForTests(!(control & 8));
    uint8_t configBefore[ModuleConfigRecord::Size];
    std::memcpy(configBefore, link.ModuleConfig(), sizeof configBefore);
    const quint16 ports[] = {link.DiscoveryPort(), link.ConfigPort(), 4001, 0};
    const quint16 port = ports[control & 3];
    const QString sender = (control & 4) ? QStringLiteral("10.9.8.7") : QStringLiteral("10.9.8.20");
    link.OnDatagram(sender, port, datagram);

    const int records = int(datagram.size() / DiscoveryRecord::Size);
    FUZZ_CHECK(link.DeviceList().size() % 8 == 0);
    FUZZ_CHECK(link.FoundDeviceCount() == link.DeviceList().size() / 8);
    FUZZ_CHECK(link.FoundDeviceCount() <= records);
    for (int d = 0; d <= link.FoundDeviceCount() + 1; ++d)
        for (int f = -1; f <= 8; ++f)
            (void)link.FoundDeviceField(d, f);
    const bool ignored = (control & 8) || (control & 4) || datagram.isEmpty();
    if (ignored) {
        FUZZ_CHECK(!link.AnswerReceived());
        FUZZ_CHECK(link.DeviceList().isEmpty());
    }
    if (!ignored && port == link.DiscoveryPort() && datagram.size() % DiscoveryRecord::Size == 0) {
        // One entry per module: a module that answers twice is listed once.
        QStringList macs;
        for (int r = 0; r < records; ++r) {
            const QString mac = DiscoveryRecord::fromBytes(bytes + r * DiscoveryRecord::Size)
                                    .deviceListStrings()[0];
            if (!macs.contains(mac))
                macs << mac;
        }
        FUZZ_CHECK(link.FoundDeviceCount() == macs.size());
        FUZZ_CHECK(link.AnswerReceived());
    }
    if (port != link.ConfigPort() || ignored)
        FUZZ_CHECK(std::memcmp(configBefore, link.ModuleConfig(), sizeof configBefore) == 0);
    link.setListeningForTests(false);
    return 0;
}
