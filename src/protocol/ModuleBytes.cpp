#include "protocol/ModuleBytes.h"

#include <QStringList>

QString ModuleBytes::dotted(const uint8_t *bytes) {
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}

QString ModuleBytes::macText(const uint8_t *bytes) {
    QStringList parts;
    for (int i = 0; i < 6; ++i)
        parts << QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char('-'));
}

bool ModuleBytes::parseDotted(const QString &text, uint8_t bytes[4]) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    uint8_t out[4];
    for (int i = 0; i < 4; ++i) {
        const QString &p = parts[i];
        if (p.isEmpty() || p.size() > 3)
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        const int v = p.toInt();
        if (v > 255)
            return false;
        out[i] = static_cast<uint8_t>(v);
    }
    for (int i = 0; i < 4; ++i)
        bytes[i] = out[i];
    return true;
}
