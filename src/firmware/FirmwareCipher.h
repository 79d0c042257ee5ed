#pragma once
// The keyed byte cipher of firmware images. Images are stored enciphered and
// deciphered just before they are sent. The position restarts at 0 for every
// buffer, so each part image is enciphered on its own.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// The key bytes are the character codes of these 32 characters.
constexpr char FirmwareKey[] = "3C7E19B0D25A48F6A1E0C97B54D23F8E";
constexpr int FirmwareKeySize = 32;

// In place: b[i] = ((b[i] XOR k) + k) mod 256 with k = key[i mod 32].
// False only for a null buffer with a nonzero length.
bool EncipherFirmware(uint8_t *buffer, std::size_t length);
// In place, the inverse: b[i] = ((b[i] - k) mod 256) XOR k.
bool DecipherFirmware(uint8_t *buffer, std::size_t length);

bool EncipherFirmware(QByteArray &buffer);
bool DecipherFirmware(QByteArray &buffer);
