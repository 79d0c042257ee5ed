#include "protocol/Commands.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

const TEDIDItemInfo EDIDItems[EDIDItemCount] = {
    {QStringLiteral("1080p, 2CH PCM"), 4},
    {QStringLiteral("1080p, 5.1CH DTS/DOLBY"), 5},
    {QStringLiteral("1080p, 7.1CH DTS/DOLBY/HD"), 6},
    {QStringLiteral("1080i, 2CH PCM"), 1},
    {QStringLiteral("1080i, 5.1CH DTS/DOLBY"), 2},
    {QStringLiteral("1080i, 7.1CH DTS/DOLBY/HD"), 3},
    {QStringLiteral("1080p 3D, 2CH PCM"), 7},
    {QStringLiteral("1080p 3D, 5.1CH DTS/DOLBY"), 8},
    {QStringLiteral("1080p 3D, 7.1CH DTS/DOLBY/HD"), 9},
    {QStringLiteral("4K@30Hz 4:4:4, 2CH PCM"), 10},
    {QStringLiteral("4K@30Hz 4:4:4, 5.1CH DTS/DOLBY"), 11},
    {QStringLiteral("4K@30Hz 4:4:4, 7.1CH DTS/DOLBY/HD"), 12},
    {QStringLiteral("DVI 1280x1024, No Audio"), 16},
    {QStringLiteral("DVI 1920x1080, No Audio"), 14},
    {QStringLiteral("DVI 1920x1200, No Audio"), 15},
    {QStringLiteral("4K@60Hz 4:2:0, 2CH PCM"), 18},
    {QStringLiteral("4K@60Hz 4:2:0, 5.1CH DTS/DOLBY"), 19},
    {QStringLiteral("4K@60Hz 4:2:0, 7.1CH DTS/DOLBY/HD"), 20},
    {QStringLiteral("4K@60Hz 4:4:4, 2CH PCM"), 21},
    {QStringLiteral("4K@60Hz 4:4:4, 5.1CH DTS/DOLBY"), 22},
    {QStringLiteral("4K@60Hz 4:4:4, 7.1CH DTS/DOLBY/HD"), 23},
    {QStringLiteral("User EDID 1"), 0},
    {QStringLiteral("User EDID 2"), 0},
    {QStringLiteral("Default EDID"), 4},
    {QStringLiteral("Auto EDID"), 255},
};

int EDIDItemIndex(const QString &name) {
    for (const TEDIDItemInfo &item : EDIDItems) {
        if (item.Name == name)
            return item.Index;
    }
    return 255;
}

namespace {

bool OnlyChars(const QString &text, const QString &allowed) {
    for (const QChar c : text) {
        if (!allowed.contains(c))
            return false;
    }
    return true;
}

} // namespace

bool SplitIPText(const QString &text, QStringList &octets) {
    octets = QStringList{QString(), QString(), QString(), QString()};
    if (!OnlyChars(text, QStringLiteral("0123456789.")))
        return false;
    const QStringList parts = text.split(QLatin1Char('.'));
    const int used = qMin(4, static_cast<int>(parts.size()));
    for (int i = 0; i < used; ++i) {
        const QString &part = parts.at(i);
        if (part.isEmpty()) {
            octets[i] = QStringLiteral("0");
            return false;
        }
        // Only digits remain, so a failed conversion means a number too
        // large for the integer type: clamp it like any other large value.
        bool ok = false;
        const qlonglong value = part.toLongLong(&ok);
        if (!ok || value >= 256)
            octets[i] = QStringLiteral("255");
        else
            octets[i] = QString::number(value);
    }
    return parts.size() == 4;
}

bool ParseMACText(const QString &text, uint8_t bytes[6]) {
    for (int i = 0; i < 6; ++i)
        bytes[i] = 0;
    const QString mac = text.trimmed().toUpper();
    if (!OnlyChars(mac, QStringLiteral("0123456789ABCDEF-")))
        return false;
    const QStringList parts = mac.split(QLatin1Char('-'));
    const int used = qMin(6, static_cast<int>(parts.size()));
    for (int i = 0; i < used; ++i) {
        QString part = parts.at(i);
        if (part.isEmpty())
            part = QStringLiteral("00");
        else if (part.size() == 1)
            part.prepend(QLatin1Char('0'));
        bool ok = false;
        const uint value = part.left(2).toUInt(&ok, 16);
        if (!ok) {
            bytes[i] = 0;
            return false;
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    return parts.size() == 6;
}

bool SplitMACText(const QString &text, QStringList &parts) {
    uint8_t bytes[6];
    const bool ok = ParseMACText(text, bytes);
    parts.clear();
    for (const uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return ok;
}

void ClampOctetEdit(QString &text) {
    if (text.isEmpty()) {
        text = QStringLiteral("0");
        return;
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok) {
        // All digits but too long for the integer type counts as large;
        // anything else is not an octet at all.
        const bool digits = OnlyChars(text, QStringLiteral("0123456789"));
        text = digits ? QStringLiteral("255") : QStringLiteral("0");
        return;
    }
    if (value >= 255)
        text = QStringLiteral("255");
    else if (value <= 0)
        text = QStringLiteral("0");
}

bool TextToWord(const QString &text, uint16_t &value) {
    value = 0;
    const QString t = text.trimmed();
    bool ok = false;
    qlonglong v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < 0 || v > 0xFFFF)
        return false;
    value = static_cast<uint16_t>(v);
    return true;
}

bool FolderIsWritable(const QString &folder) {
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')) && !base.endsWith(QDir::separator()))
        base += QLatin1Char('/');
    QRandomGenerator *rng = QRandomGenerator::global();
    QString path;
    do {
        path = base;
        while (path.size() < 240)
            path += QChar(QLatin1Char('A').unicode() + rng->bounded(26));
        path += QLatin1String(".tmp");
    } while (QFile::exists(path));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    file.remove();
    return true;
}
