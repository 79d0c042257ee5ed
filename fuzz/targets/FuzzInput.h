#pragma once
// Reads a fuzz input piece by piece: control bytes first, the rest as data.
// Reading past the end gives zeros and empty pieces, never an error.

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : p(data), left(size) {}

    bool empty() const { return left == 0; }
    size_t remaining() const { return left; }

    uint8_t byte() {
        if (left == 0)
            return 0;
        --left;
        return *p++;
    }
    uint16_t word() { return uint16_t(byte() | (byte() << 8)); }
    uint32_t dword() { return uint32_t(word()) | (uint32_t(word()) << 16); }

    // Up to n bytes (fewer at the end of the input).
    QByteArray bytes(size_t n) {
        n = std::min(n, left);
        QByteArray out(reinterpret_cast<const char *>(p), qsizetype(n));
        p += n;
        left -= n;
        return out;
    }
    // Exactly n bytes into `out`, zero-filled past the end of the input.
    void fill(uint8_t *out, size_t n) {
        const size_t k = std::min(n, left);
        std::copy(p, p + k, out);
        std::fill(out + k, out + n, uint8_t(0));
        p += k;
        left -= k;
    }
    QByteArray rest() { return bytes(left); }

private:
    const uint8_t *p;
    size_t left;
};
