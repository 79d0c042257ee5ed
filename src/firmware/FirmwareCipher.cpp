#include "firmware/FirmwareCipher.h"

static_assert(sizeof(FirmwareKey) == FirmwareKeySize + 1, "the key has 32 characters");

namespace {
inline uint8_t keyByte(std::size_t i) {
    return uint8_t(FirmwareKey[i % FirmwareKeySize]);
}
} // namespace

bool EncipherFirmware(uint8_t *buffer, std::size_t length) {
    if (!buffer)
        return length == 0;
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t k = keyByte(i);
        buffer[i] = uint8_t((buffer[i] ^ k) + k);
    }
    return true;
}

bool DecipherFirmware(uint8_t *buffer, std::size_t length) {
    if (!buffer)
        return length == 0;
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t k = keyByte(i);
        buffer[i] = uint8_t(uint8_t(buffer[i] - k) ^ k);
    }
    return true;
}

bool EncipherFirmware(QByteArray &buffer) {
    return EncipherFirmware(reinterpret_cast<uint8_t *>(buffer.data()), std::size_t(buffer.size()));
}

bool DecipherFirmware(QByteArray &buffer) {
    return DecipherFirmware(reinterpret_cast<uint8_t *>(buffer.data()), std::size_t(buffer.size()));
}
