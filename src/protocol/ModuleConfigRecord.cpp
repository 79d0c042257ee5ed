#include "protocol/ModuleConfigRecord.h"

#include "protocol/ModuleBytes.h"

#include <QByteArray>
#include <cstring>

uint8_t ModuleConfigRecord::Checksum(const uint8_t *record) {
    unsigned sum = 0;
    for (int i = 0; i < StatusOffset + 1; ++i)
        sum += record[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

ModuleConfigRecord ModuleConfigRecord::build(const uint8_t mac[6], const QString &tag, bool autoIP,
                                             const uint8_t ip[4], const uint8_t gateway[4],
                                             const uint8_t mask[4]) {
    ModuleConfigRecord r;
    std::memcpy(r.b, mac, 6);
    const QByteArray t = tag.toLatin1().left(TagSize);
    std::memcpy(r.b + TagOffset, t.constData(), static_cast<size_t>(t.size()));
    r.b[25] = SelectAutoIP;
    if (autoIP) {
        r.b[18] = 1;
    } else {
        r.b[18] = 0;
        std::memcpy(r.b + 6, ip, 4);
        std::memcpy(r.b + 10, gateway, 4);
        std::memcpy(r.b + 14, mask, 4);
        r.b[25] = SelectStaticIP;
    }
    return r;
}

QString ModuleConfigRecord::ipText() const {
    return ModuleBytes::dotted(b + 6);
}
QString ModuleConfigRecord::gatewayText() const {
    return ModuleBytes::dotted(b + 10);
}
QString ModuleConfigRecord::maskText() const {
    return ModuleBytes::dotted(b + 14);
}
QString ModuleConfigRecord::replyMacText() const {
    return ModuleBytes::macText(b + 19);
}

ModuleConfigRecord::Result ModuleConfigRecord::resultForStatus(uint8_t status) {
    if (status == 0)
        return Accepted;
    if (status & StatusConflict)
        return Conflict;
    return Failed;
}
