#include "lanmodule/DeviceEntry.h"

#include "protocol/Commands.h"

DeviceEntry::DeviceEntry() {
    for (int n = 0; n < FieldCount; ++n)
        Fields[n] = defaultField(n);
}

QString DeviceEntry::defaultField(int n) {
    switch (n) {
    case Tag:
        return QString();
    case IPMode:
        return IPModeNames[0];
    case IPAddress:
    case Gateway:
    case SubnetMask:
        return QStringLiteral("0.0.0.0");
    case MAC:
        return QStringLiteral("00-00-00-00-00-00");
    case Subnet:
        return SubnetModeNames[0];
    default:
        return QString();
    }
}

QString DeviceEntry::text() const {
    QString tag = Fields[Tag];
    tag.replace(QLatin1Char('['), QLatin1Char('(')).replace(QLatin1Char(']'), QLatin1Char(')'));
    QString out;
    for (int n = 0; n < FieldCount; ++n) {
        if (n > 0)
            out += QStringLiteral(" - ");
        out += QLatin1Char('[') + (n == Tag ? tag : Fields[n]) + QLatin1Char(']');
    }
    return out;
}

DeviceEntry DeviceEntry::fromText(const QString &entry) {
    DeviceEntry e;
    for (int n = 0; n < FieldCount; ++n)
        e.Fields[n] = field(entry, n);
    return e;
}

QString DeviceEntry::field(const QString &entry, int n) {
    if (n < 0 || n >= FieldCount)
        return QString();
    if (entry.isEmpty())
        return defaultField(n);
    int open = -1;
    for (int k = 0; k <= n; ++k) {
        open = entry.indexOf(QLatin1Char('['), open + 1);
        if (open < 0)
            return QString();
    }
    const int start = open + 1;
    const int close = entry.indexOf(QLatin1Char(']'), start);
    return close < 0 ? entry.mid(start) : entry.mid(start, close - start);
}
