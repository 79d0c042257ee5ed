#pragma once
// One 55-byte discovery reply record of a TCP control module.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

struct DiscoveryRecord {
    static constexpr int Size = 55;
    static constexpr int TagSize = 32;

    uint8_t MAC[6] = {};
    uint8_t IP[4] = {};
    uint8_t Gateway[4] = {};
    uint8_t SubnetMask[4] = {};
    quint16 Port1 = 0; // big-endian on the wire
    quint16 Port2 = 0;
    QString Tag;      // up to the first zero byte
    uint8_t DHCP = 0; // 0 = static IP, other = Auto IP

    static DiscoveryRecord fromBytes(const uint8_t *bytes);
    QByteArray toBytes() const;

    // The eight strings one module takes in the engine's device list:
    // MAC, IP, gateway, subnet mask, port 1, port 2, tag, DHCP flag.
    QStringList deviceListStrings() const;
};
