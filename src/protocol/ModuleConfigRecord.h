#pragma once
// The 76-byte configuration record of a TCP control module, sent and received
// alike (MAC, addresses, DHCP flag, update selector, tag, status, checksum).

#include <QString>
#include <cstdint>

struct ModuleConfigRecord {
    static constexpr int Size = 76;
    static constexpr int TagOffset = 42;
    static constexpr int TagSize = 32;
    static constexpr int StatusOffset = 74;
    static constexpr int ChecksumOffset = 75;
    static constexpr uint8_t StatusRequest = 0xFF;
    static constexpr uint8_t StatusConflict = 0x20;
    static constexpr uint8_t StatusFailure = 0x10;
    static constexpr uint8_t SelectAutoIP = 0x14;
    static constexpr uint8_t SelectStaticIP = 0x15;

    // Configuration results.
    enum Result { Accepted = 0, Failed = 1, Conflict = 2 };

    uint8_t b[Size] = {};

    // Low byte of the sum of bytes 0..74.
    static uint8_t Checksum(const uint8_t *record);

    // A request for the module with `mac`: the tag (at most 32 characters,
    // zero-terminated when shorter) and either Auto IP (zero addresses) or the
    // three static addresses. Status and checksum are left for the sender.
    static ModuleConfigRecord build(const uint8_t mac[6], const QString &tag, bool autoIP,
                                    const uint8_t ip[4], const uint8_t gateway[4],
                                    const uint8_t mask[4]);

    QString ipText() const;       // bytes 6..9
    QString gatewayText() const;  // bytes 10..13
    QString maskText() const;     // bytes 14..17
    QString replyMacText() const; // bytes 19..24 of a reply
    uint8_t status() const { return b[StatusOffset]; }

    // The result a reply status stands for: 0 accepted; the conflict bit wins
    // over the failure bit; any other non-zero status is a failure.
    static Result resultForStatus(uint8_t status);
};
