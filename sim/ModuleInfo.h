#pragma once
// What one simulated TCP control module knows about itself, and the records it
// answers with: the 55-byte discovery record, the 76-byte configuration reply
// and the 32-byte LDCD reply.

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <cstdint>

struct ModuleInfo {
    static constexpr int DiscoveryRecordSize = 55;
    static constexpr int ConfigRecordSize = 76;
    static constexpr int LdcdSize = 32;
    static const uint8_t *const LdcdSignature; // the protocol's 16 bytes

    QByteArray mac = QByteArray::fromHex("189866000001"); // 6 bytes
    QHostAddress ip = QHostAddress(QStringLiteral("192.168.0.100"));
    QHostAddress gateway = QHostAddress(QStringLiteral("192.168.0.1"));
    QHostAddress mask = QHostAddress(QStringLiteral("255.255.255.0"));
    quint16 port1 = 8000;
    quint16 port2 = 8001;
    QString tag = QStringLiteral("TCP Module");
    bool dhcp = false;
    uint8_t versionMajor = 2; // LDCD query: "Ver2.07"
    uint8_t versionMinor = 7;
    // The addresses a DHCP server hands out when Auto IP is configured.
    QHostAddress dhcpIp = QHostAddress(QStringLiteral("192.168.0.150"));
    QHostAddress dhcpGateway = QHostAddress(QStringLiteral("192.168.0.1"));
    QHostAddress dhcpMask = QHostAddress(QStringLiteral("255.255.255.0"));

    // Configuration behaviour: status of the reply (0x00 accepted, bit 0x20 IP
    // conflict, bit 0x10 failure) and whether the module answers at all.
    uint8_t configStatus = 0x00;
    bool answerConfig = true;
    bool answerDiscovery = true;
    int configCount = 0; // configuration requests applied or refused

    // "18-98-66-00-00-01"
    QString macText() const;
    bool setMacText(const QString &text);

    QByteArray discoveryRecord() const;
    // Applies a 76-byte request addressed to this module (when the status
    // allows) and returns the 76-byte reply. `status` overrides configStatus.
    QByteArray applyConfig(const QByteArray &request, uint8_t status);
    // Answers a 32-byte LDCD request (query 0x01, reset 0xFF); an empty result
    // means the packet is not a valid LDCD request and gets no answer.
    QByteArray answerLdcd(const QByteArray &request);

    // Signature and checksum of a 32-byte LDCD packet are right.
    static bool isLdcdRequest(const QByteArray &packet);
    static uint8_t configChecksum(const QByteArray &record); // low byte of the sum of 0..74
    static uint8_t ldcdChecksum(const QByteArray &packet);   // low byte of the sum of 0..30
};
