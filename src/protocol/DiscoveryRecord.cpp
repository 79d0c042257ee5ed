#include "protocol/DiscoveryRecord.h"

#include "protocol/ModuleBytes.h"

#include <cstring>

DiscoveryRecord DiscoveryRecord::fromBytes(const uint8_t *bytes) {
    DiscoveryRecord r;
    std::memcpy(r.MAC, bytes, 6);
    std::memcpy(r.IP, bytes + 6, 4);
    std::memcpy(r.Gateway, bytes + 10, 4);
    std::memcpy(r.SubnetMask, bytes + 14, 4);
    r.Port1 = static_cast<quint16>((bytes[18] << 8) | bytes[19]);
    r.Port2 = static_cast<quint16>((bytes[20] << 8) | bytes[21]);
    int len = 0;
    while (len < TagSize && bytes[22 + len] != 0)
        ++len;
    r.Tag = QString::fromLatin1(reinterpret_cast<const char *>(bytes + 22), len);
    r.DHCP = bytes[54];
    return r;
}

QByteArray DiscoveryRecord::toBytes() const {
    QByteArray out(Size, '\0');
    auto *b = reinterpret_cast<uint8_t *>(out.data());
    std::memcpy(b, MAC, 6);
    std::memcpy(b + 6, IP, 4);
    std::memcpy(b + 10, Gateway, 4);
    std::memcpy(b + 14, SubnetMask, 4);
    b[18] = static_cast<uint8_t>(Port1 >> 8);
    b[19] = static_cast<uint8_t>(Port1 & 0xFF);
    b[20] = static_cast<uint8_t>(Port2 >> 8);
    b[21] = static_cast<uint8_t>(Port2 & 0xFF);
    const QByteArray tag = Tag.toLatin1().left(TagSize);
    std::memcpy(b + 22, tag.constData(), static_cast<size_t>(tag.size()));
    b[54] = DHCP;
    return out;
}

QStringList DiscoveryRecord::deviceListStrings() const {
    return {ModuleBytes::macText(MAC),
            ModuleBytes::dotted(IP),
            ModuleBytes::dotted(Gateway),
            ModuleBytes::dotted(SubnetMask),
            QString::number(Port1),
            QString::number(Port2),
            Tag,
            QString::number(DHCP)};
}
