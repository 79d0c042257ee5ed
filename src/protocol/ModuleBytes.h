#pragma once
// Address bytes of the TCP control module records as text and back.

#include <QString>
#include <cstdint>

struct ModuleBytes {
    // Four bytes, first octet first, as dotted decimal text.
    static QString dotted(const uint8_t *bytes);
    // Six bytes as upper-case two-digit hex joined by "-".
    static QString macText(const uint8_t *bytes);
    // Strict dotted IPv4 text (four decimal octets 0..255) into four bytes.
    static bool parseDotted(const QString &text, uint8_t bytes[4]);
};
