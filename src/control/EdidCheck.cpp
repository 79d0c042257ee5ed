#include "control/EdidCheck.h"

namespace {

const uchar EdidHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

int HexDigitValue(QChar ch) {
    const ushort u = ch.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// Value of the first one or two characters of a non-empty cell, -1 when they
// are not hex digits.
int CellByte(const QString &text) {
    const int digits = text.size() < 2 ? int(text.size()) : 2;
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigitValue(text.at(i));
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

} // namespace

bool EdidBufferShowable(const QByteArray &buffer) {
    if (buffer.size() != EdidSize && buffer.size() != EdidSize + 1)
        return false;
    const auto *b = reinterpret_cast<const uchar *>(buffer.constData());
    unsigned sum = 0;
    for (int i = 0; i < EdidSize - 1; ++i)
        sum += b[i];
    if (b[EdidSize - 1] != uchar((0u - sum) & 0xFF))
        return false;
    for (int i = 0; i < 8; ++i) {
        if (b[i] != EdidHeader[i])
            return false;
    }
    return true;
}

QString EdidRefusalReason(const QByteArray &buffer, qint64 fileSize) {
    if (buffer.size() != EdidSize && buffer.size() != EdidSize + 1) {
        const qint64 size = fileSize >= 0 ? fileSize : buffer.size();
        return QStringLiteral("File is %1 byte%2; a 256-byte EDID is needed.")
            .arg(size)
            .arg(size == 1 ? QString() : QStringLiteral("s"));
    }
    const auto *b = reinterpret_cast<const uchar *>(buffer.constData());
    for (int i = 0; i < 8; ++i) {
        if (b[i] != EdidHeader[i])
            return QStringLiteral("The header is not 00 FF FF FF FF FF FF 00.");
    }
    unsigned sum = 0;
    for (int i = 0; i < EdidSize - 1; ++i)
        sum += b[i];
    const uchar wanted = uchar((0u - sum) & 0xFF);
    const auto hex = [](uchar v) {
        return QStringLiteral("0x") +
               QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
    };
    if (b[EdidSize - 1] != wanted)
        return QStringLiteral("Block 1 checksum is %1, it must be %2.")
            .arg(hex(b[EdidSize - 1]), hex(wanted));
    return QString();
}

void EdidWriteGridHeaders(QStringList &cells) {
    while (cells.size() < EdidGridCells)
        cells.append(QString());
    while (cells.size() > EdidGridCells)
        cells.removeLast();
    cells[EdidGridIndex(0, 0)] = QString();
    for (int i = 1; i < EdidGridDim; ++i) {
        cells[EdidGridIndex(0, i)] = QString::number(i - 1, 16).toUpper();
        cells[EdidGridIndex(i, 0)] =
            QStringLiteral("%1").arg((i - 1) * 16, 2, 16, QLatin1Char('0')).toUpper();
    }
}

QStringList EdidEmptyGrid() {
    QStringList cells;
    EdidWriteGridHeaders(cells);
    return cells;
}

void EdidClearGrid(QStringList &cells) {
    EdidWriteGridHeaders(cells);
    for (int r = 1; r < EdidGridDim; ++r) {
        for (int c = 1; c < EdidGridDim; ++c)
            cells[EdidGridIndex(r, c)].clear();
    }
}

bool EdidBytesToGrid(const QByteArray *buffer, QStringList &cells) {
    EdidWriteGridHeaders(cells);
    if (!buffer || !EdidBufferShowable(*buffer))
        return false;
    const auto *b = reinterpret_cast<const uchar *>(buffer->constData());
    for (int i = 0; i < EdidSize; ++i) {
        cells[EdidGridIndex(i / 16 + 1, i % 16 + 1)] =
            QStringLiteral("%1").arg(b[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return true;
}

bool EdidGridToBytes(const QStringList &cells, QByteArray &bytes) {
    bytes.clear();
    for (int r = 1; r < EdidGridDim; ++r) {
        for (int c = 1; c < EdidGridDim; ++c) {
            const int index = EdidGridIndex(r, c);
            if (index >= cells.size())
                continue; // a short list reads as empty cells
            const QString &text = cells.at(index);
            if (text.isEmpty())
                continue;
            const int value = CellByte(text);
            if (value < 0) {
                bytes.clear();
                return false;
            }
            bytes.append(char(value));
        }
    }
    if (bytes.size() != EdidSize) {
        bytes.clear();
        return false;
    }
    return true;
}
