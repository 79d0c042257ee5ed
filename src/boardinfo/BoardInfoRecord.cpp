#include "boardinfo/BoardInfoRecord.h"

#include <QFile>
#include <cstring>

namespace {
constexpr int PathAt = 82;
}

int32_t BoardInfoRecord::int32(int at) const {
    const uint32_t v = uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
                       (uint32_t(b[at + 3]) << 24);
    return int32_t(v);
}

void BoardInfoRecord::setInt32(int at, int32_t value) {
    const uint32_t v = uint32_t(value);
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

QByteArray BoardInfoRecord::bytes(int at, int size) const {
    return QByteArray(reinterpret_cast<const char *>(b + at), size);
}

void BoardInfoRecord::setBytes(int at, int size, const QByteArray &value) {
    std::memset(b + at, 0, std::size_t(size));
    std::memcpy(b + at, value.constData(), std::size_t(qMin<qsizetype>(value.size(), size)));
}

QString BoardInfoRecord::FirmwarePath() const {
    const char *p = reinterpret_cast<const char *>(b + PathAt);
    return QFile::decodeName(QByteArray(p, qstrnlen(p, BoardInfoPathSize)));
}

void BoardInfoRecord::setFirmwarePath(const QString &path) {
    setBytes(PathAt, BoardInfoPathSize, QFile::encodeName(path).left(BoardInfoPathSize - 1));
}

QByteArray BoardInfoRecord::toBytes() const {
    return QByteArray(reinterpret_cast<const char *>(b), BoardInfoRecordSize);
}

BoardInfoRecord BoardInfoRecord::fromBytes(const char *data) {
    BoardInfoRecord r;
    std::memcpy(r.b, data, BoardInfoRecordSize);
    return r;
}
