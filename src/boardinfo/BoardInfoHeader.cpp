#include "boardinfo/BoardInfoHeader.h"

#include <cstring>

QByteArray BoardInfoHeader::toBytes() const {
    return QByteArray(reinterpret_cast<const char *>(b), BoardInfoHeaderSize);
}

BoardInfoHeader BoardInfoHeader::fromBytes(const char *data) {
    BoardInfoHeader h;
    std::memcpy(h.b, data, BoardInfoHeaderSize);
    return h;
}
