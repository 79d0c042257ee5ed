#include "protocol/LdcdPacket.h"

#include "protocol/Commands.h"
#include "protocol/ModuleBytes.h"

#include <cstring>

const uint8_t LdcdPacket::Signature[16] = {0x5E, 0x21, 0x9C, 0x47, 0xD0, 0x3A, 0x88, 0xF1,
                                           0x6B, 0x12, 0xE7, 0xA4, 0x39, 0xC5, 0x0D, 0x72};

uint8_t LdcdPacket::Checksum(const uint8_t *packet) {
    unsigned sum = 0;
    for (int i = 0; i <= StatusOffset; ++i)
        sum += packet[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

LdcdPacket LdcdPacket::queryRequest() {
    LdcdPacket p;
    p.b[16] = CommandQuery;
    return p;
}

LdcdPacket LdcdPacket::resetRequest() {
    LdcdPacket p;
    p.b[16] = CommandReset;
    p.b[19] = 1;
    std::memcpy(p.b + 20, DefaultModuleIP, 4);
    return p;
}

void LdcdPacket::sealRequest() {
    std::memcpy(b, Signature, sizeof Signature);
    b[StatusOffset] = StatusNotTaken;
    b[31] = Checksum(b);
}

bool LdcdPacket::acceptedReplyTo(const uint8_t *sent) const {
    return b[StatusOffset] != StatusNotTaken && checksumOk() && std::memcmp(b, sent, 16) == 0;
}

QString LdcdPacket::versionText() const {
    return QStringLiteral("Ver%1.%2").arg(b[17]).arg(b[18], 2, 10, QLatin1Char('0'));
}

QString LdcdPacket::ipText() const {
    return ModuleBytes::dotted(b + 20);
}

QString LdcdPacket::logText(const QString &prefix, const uint8_t *p) {
    auto hex = [](uint8_t v) {
        return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
    };
    const QString crlf = QStringLiteral("\r\n");
    QString s = prefix + crlf + QStringLiteral("header:");
    for (int i = 0; i < 16; ++i)
        s += hex(p[i]) + QLatin1Char(' ');
    s += crlf + QStringLiteral("command:") + hex(p[16]);
    s += crlf + QStringLiteral("param1:") + hex(p[17]) + QStringLiteral("; param2:") + hex(p[18]);
    s += crlf + QStringLiteral("DHCP:") + hex(p[19]);
    s += crlf + QStringLiteral("IPAddr:") + hex(p[20]) + QLatin1Char(' ') + hex(p[21]) +
         QLatin1Char(' ') + hex(p[22]) + QLatin1Char(' ') + hex(p[23]);
    s += crlf + QStringLiteral("ReveiveOK:") + hex(p[30]);
    s += crlf + QStringLiteral("CheckSum:") + hex(p[31]);
    s += crlf + QStringLiteral("///////////////////////////////////////");
    return s.left(511);
}
