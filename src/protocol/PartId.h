#pragma once
// Which firmware part a transfer is about, and its version, as the starting
// frame of an upload carries them: the sub-code is the part number, P1's low
// byte the sub-number, P2's low byte a third number (only some uploads carry
// it), P3/P4's low bytes the major and minor version.

#include "protocol/Frames.h"

#include <QMetaType>
#include <QString>
#include <cstdint>

struct PartId {
    uint8_t part = 0;
    uint8_t sub = 0;
    uint8_t third = 0;

    static PartId ofStart(const Frame &start, bool withThird) {
        return {start.subCode(), start.b[4], withThird ? start.b[6] : uint8_t(0)};
    }
    // "part.sub", with ".third" when the third number is not 0.
    QString text() const {
        QString s = QStringLiteral("%1.%2").arg(part).arg(sub);
        if (third != 0)
            s += QStringLiteral(".%1").arg(third);
        return s;
    }
    // The packed form of the diagnostic log: third << 24 | part << 8 | sub.
    uint32_t packed() const { return (uint32_t(third) << 24) | (uint32_t(part) << 8) | sub; }
    bool operator==(const PartId &o) const {
        return part == o.part && sub == o.sub && third == o.third;
    }
};

struct PartVersion {
    uint8_t major = 0;
    uint8_t minor = 0;

    static PartVersion ofStart(const Frame &start) { return {start.b[8], start.b[10]}; }
    QString text() const { return QStringLiteral("%1.%2").arg(major).arg(minor); }
    uint16_t packed() const { return uint16_t((major << 8) | minor); }
    bool operator==(const PartVersion &o) const { return major == o.major && minor == o.minor; }
};

Q_DECLARE_METATYPE(PartId)
Q_DECLARE_METATYPE(PartVersion)
