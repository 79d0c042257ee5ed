#include "boardinfo/SpecialCode.h"

#include <QStringList>

namespace {

bool isBlank(QChar c) {
    return c.unicode() <= ' ';
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// Splits like delimited text with ";" as the delimiter: blanks separate parts
// too, blanks around a ";" do not make extra parts, a ";" at the end leaves an
// empty last part.
QStringList splitParts(const QString &text) {
    QStringList parts;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    while (i < n) {
        const qsizetype start = i;
        while (i < n && text[i] != QLatin1Char(';') && !isBlank(text[i]))
            ++i;
        parts << text.mid(start, i - start);
        while (i < n && isBlank(text[i]))
            ++i;
        if (i < n && text[i] == QLatin1Char(';')) {
            ++i;
            while (i < n && isBlank(text[i]))
                ++i;
            if (i == n)
                parts << QString();
        }
    }
    return parts;
}

} // namespace

int SpecialCodeToBytes(const QString &text, QByteArray &bytes) {
    bytes.clear();
    const QStringList parts = splitParts(text);
    if (parts.size() > SpecialCodeMaxParts)
        return -1;
    QByteArray out;
    for (const QString &part : parts) {
        if (part.size() != 4)
            return -1;
        int digits[4];
        for (int i = 0; i < 4; ++i) {
            digits[i] = hexValue(part[i]);
            if (digits[i] < 0)
                return -1;
        }
        out.append(char(digits[0] * 16 + digits[1]));
        out.append(char(digits[2] * 16 + digits[3]));
    }
    bytes = out;
    return int(bytes.size());
}

QString SpecialCodeToText(const uint8_t *bytes, int count) {
    QString text;
    for (int i = 0; i < count; ++i) {
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
        if (i % 2 == 1)
            text += QLatin1Char(';');
    }
    if (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    return text;
}

QString SpecialCodeToText(const QByteArray &bytes) {
    return SpecialCodeToText(reinterpret_cast<const uint8_t *>(bytes.constData()),
                             int(bytes.size()));
}
