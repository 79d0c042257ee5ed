#include "ModuleInfo.h"

#include "protocol/LdcdPacket.h"
#include "protocol/ModuleConfigRecord.h"

#include <QStringList>

#include <cstring>

const uint8_t *const ModuleInfo::LdcdSignature = LdcdPacket::Signature;

namespace {

void putAddress(QByteArray &record, int at, const QHostAddress &address) {
    const quint32 v = address.toIPv4Address();
    record[at] = static_cast<char>((v >> 24) & 0xFF);
    record[at + 1] = static_cast<char>((v >> 16) & 0xFF);
    record[at + 2] = static_cast<char>((v >> 8) & 0xFF);
    record[at + 3] = static_cast<char>(v & 0xFF);
}

QHostAddress takeAddress(const QByteArray &record, int at) {
    const auto *b = reinterpret_cast<const uint8_t *>(record.constData()) + at;
    return QHostAddress((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) |
                        quint32(b[3]));
}

void putTag(QByteArray &record, int at, const QString &tag) {
    const QByteArray text = tag.toLatin1().left(32);
    std::memcpy(record.data() + at, text.constData(), static_cast<size_t>(text.size()));
}

uint8_t lowSum(const QByteArray &bytes, int count) {
    unsigned sum = 0;
    for (int i = 0; i < count && i < bytes.size(); ++i)
        sum += static_cast<uint8_t>(bytes[i]);
    return static_cast<uint8_t>(sum & 0xFF);
}

} // namespace

QString ModuleInfo::macText() const {
    QStringList parts;
    for (int i = 0; i < 6; ++i)
        parts << QStringLiteral("%1")
                     .arg(i < mac.size() ? static_cast<uint8_t>(mac[i]) : 0, 2, 16,
                          QLatin1Char('0'))
                     .toUpper();
    return parts.join(QLatin1Char('-'));
}

bool ModuleInfo::setMacText(const QString &text) {
    QString hex = text.trimmed();
    hex.remove(QLatin1Char('-')).remove(QLatin1Char(':'));
    if (hex.size() != 12)
        return false;
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    if (bytes.size() != 6)
        return false;
    mac = bytes;
    return true;
}

QByteArray ModuleInfo::discoveryRecord() const {
    QByteArray record(DiscoveryRecordSize, '\0');
    std::memcpy(record.data(), mac.leftJustified(6, '\0').constData(), 6);
    putAddress(record, 6, ip);
    putAddress(record, 10, gateway);
    putAddress(record, 14, mask);
    record[18] = static_cast<char>(port1 >> 8);
    record[19] = static_cast<char>(port1 & 0xFF);
    record[20] = static_cast<char>(port2 >> 8);
    record[21] = static_cast<char>(port2 & 0xFF);
    // The tag field is 32 bytes; keep a terminating zero inside it.
    const QByteArray text = tag.toLatin1().left(31);
    std::memcpy(record.data() + 22, text.constData(), static_cast<size_t>(text.size()));
    record[54] = static_cast<char>(dhcp ? 1 : 0);
    return record;
}

QByteArray ModuleInfo::applyConfig(const QByteArray &request, uint8_t status) {
    ++configCount;
    if (status == 0x00 && request.size() >= ConfigRecordSize) {
        dhcp = static_cast<uint8_t>(request[18]) == 1;
        if (dhcp) {
            ip = dhcpIp;
            gateway = dhcpGateway;
            mask = dhcpMask;
        } else {
            ip = takeAddress(request, 6);
            gateway = takeAddress(request, 10);
            mask = takeAddress(request, 14);
        }
        const QByteArray tagField = request.mid(42, 32);
        const int end = tagField.indexOf('\0');
        tag = QString::fromLatin1(end < 0 ? tagField : tagField.left(end));
    }
    QByteArray reply(ConfigRecordSize, '\0');
    std::memcpy(reply.data(), mac.leftJustified(6, '\0').constData(), 6);
    putAddress(reply, 6, ip);
    putAddress(reply, 10, gateway);
    putAddress(reply, 14, mask);
    reply[18] = static_cast<char>(dhcp ? 1 : 0);
    std::memcpy(reply.data() + 19, mac.leftJustified(6, '\0').constData(), 6);
    reply[25] = request.size() > 25 ? request[25]
                                    : static_cast<char>(dhcp ? ModuleConfigRecord::SelectAutoIP
                                                             : ModuleConfigRecord::SelectStaticIP);
    putTag(reply, 42, tag);
    reply[74] = static_cast<char>(status);
    reply[75] = static_cast<char>(configChecksum(reply));
    return reply;
}

bool ModuleInfo::isLdcdRequest(const QByteArray &packet) {
    return packet.size() == LdcdSize &&
           std::memcmp(packet.constData(), LdcdSignature, sizeof(LdcdPacket::Signature)) == 0 &&
           static_cast<uint8_t>(packet[31]) == ldcdChecksum(packet);
}

QByteArray ModuleInfo::answerLdcd(const QByteArray &request) {
    if (!isLdcdRequest(request))
        return QByteArray();
    const uint8_t command = static_cast<uint8_t>(request[16]);
    QByteArray reply(LdcdSize, '\0');
    std::memcpy(reply.data(), LdcdSignature, sizeof(LdcdPacket::Signature));
    reply[16] = static_cast<char>(command);
    uint8_t taken = 0x00;
    if (command == LdcdPacket::CommandReset) {
        // Reset to defaults: the request carries the addressing to return to.
        dhcp = static_cast<uint8_t>(request[19]) != 0;
        ip = takeAddress(request, 20);
        const quint32 v = ip.toIPv4Address();
        gateway = QHostAddress((v & 0xFFFFFF00u) | 1u);
        mask = QHostAddress(QStringLiteral("255.255.255.0"));
        tag = QStringLiteral("TCP Module");
    } else if (command != LdcdPacket::CommandQuery) {
        taken = LdcdPacket::StatusNotTaken; // not a command this module knows
    }
    reply[17] = static_cast<char>(versionMajor);
    reply[18] = static_cast<char>(versionMinor);
    reply[19] = static_cast<char>(dhcp ? 1 : 0);
    putAddress(reply, 20, ip);
    reply[30] = static_cast<char>(taken);
    reply[31] = static_cast<char>(ldcdChecksum(reply));
    return reply;
}

uint8_t ModuleInfo::configChecksum(const QByteArray &record) {
    return lowSum(record, 75);
}

uint8_t ModuleInfo::ldcdChecksum(const QByteArray &packet) {
    return lowSum(packet, 31);
}
