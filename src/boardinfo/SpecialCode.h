#pragma once
// The text form of a special code: parts of four hexadecimal digits separated
// by ";", each part giving two bytes in the order of its digits
// ("12AB;0003" is 12 AB 00 03).

#include <QByteArray>
#include <QString>

// More parts would not fit in a special-code entry, whose length is one byte.
constexpr int SpecialCodeMaxParts = 126;

// Byte count (twice the number of parts), or -1 for a malformed text: a part
// that is not four hexadecimal digits, an empty part or too many parts. Blanks
// also separate parts. An empty text gives 0.
int SpecialCodeToBytes(const QString &text, QByteArray &bytes);

// Each byte as two upper-case hexadecimal digits, ";" after every second
// byte except the last.
QString SpecialCodeToText(const QByteArray &bytes);
QString SpecialCodeToText(const uint8_t *bytes, int count);
