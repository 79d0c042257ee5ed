#pragma once
// The 32-byte LDCD packet the TCP control module answers on the matrix's
// serial link: version and addressing query, and reset to defaults.

#include <QString>
#include <cstdint>

struct LdcdPacket {
    static constexpr int Size = 32;
    static const uint8_t Signature[16];
    static constexpr uint8_t CommandQuery = 0x01;
    static constexpr uint8_t CommandReset = 0xFF;
    static constexpr int StatusOffset = 30;
    static constexpr uint8_t StatusNotTaken = 0xFF;

    uint8_t b[Size] = {};

    // Low byte of the sum of bytes 0..30.
    static uint8_t Checksum(const uint8_t *packet);

    // Requests (bytes 16..29; the sender adds signature, status and checksum).
    static LdcdPacket queryRequest();
    static LdcdPacket resetRequest(); // DHCP 1, the default module address

    // The packet as sent: signature in 0..15, status 0xFF, checksum.
    void sealRequest();

    // A reply counts when the module took it (status not 0xFF), its checksum
    // is right and its header equals the sent signature.
    bool acceptedReplyTo(const uint8_t *sent) const;
    bool checksumOk() const { return b[31] == Checksum(b); }

    // Reply fields for the module information labels.
    QString versionText() const; // "Ver" + major + "." + minor (two digits)
    bool autoIP() const { return b[19] != 0; }
    QString ipText() const;

    // Diagnostic text of a packet, at most 511 characters.
    static QString logText(const QString &prefix, const uint8_t *packet);
};
