#include "MatrixState.h"

#include <QDir>
#include <QFile>

namespace {

void seal(QByteArray &block, int start) {
    unsigned sum = 0;
    for (int i = start; i < start + 127; ++i)
        sum += static_cast<uint8_t>(block[i]);
    block[start + 127] = static_cast<char>((0x100 - (sum & 0xFF)) & 0xFF);
}

void put(QByteArray &block, int at, std::initializer_list<int> bytes) {
    for (int b : bytes)
        block[at++] = static_cast<char>(b);
}

// 1920x1080 at 60 Hz, 800 x 450 mm.
const std::initializer_list<int> Timing1080p = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38,
                                                0x2D, 0x40, 0x58, 0x2C, 0x45, 0x00,
                                                0x20, 0xC2, 0x31, 0x00, 0x00, 0x1E};

enum class Audio { None, Stereo, Surround51, Surround71 };

Audio audioOf(int index) {
    switch (index) {
    case 1:
    case 4:
    case 7:
    case 10:
    case 18:
    case 21:
        return Audio::Stereo;
    case 2:
    case 5:
    case 8:
    case 11:
    case 19:
    case 22:
        return Audio::Surround51;
    case 3:
    case 6:
    case 9:
    case 12:
    case 20:
    case 23:
        return Audio::Surround71;
    default:
        return Audio::None;
    }
}

} // namespace

MatrixState::MatrixState() {
    const QByteArray edid = builtInEdid(4);
    for (int i = 0; i < PortCount; ++i) {
        inputEdid[i] = edid;
        outputEdid[i] = edid;
        inputEdidMode[i] = DefaultEdidMode;
        outputEdidSource[i] = SinkHDMI;
        hdmiSinkConnected[i] = true;
        hdbtSinkConnected[i] = true;
    }
    for (auto &memory : userEdid)
        memory = QByteArray(EdidSize, '\xFF');
}

bool MatrixState::sinkConnected(int output, int kind) const {
    if (output < 1 || output > PortCount)
        return false;
    if (kind == SinkHDMI)
        return hdmiSinkConnected[output - 1];
    if (kind == SinkHDBT)
        return hdbtSinkConnected[output - 1];
    return false;
}

QByteArray MatrixState::outputEdidAsRead(int output) const {
    if (output < 1 || output > PortCount)
        return QByteArray();
    if (!sinkConnected(output, outputEdidSource[output - 1]))
        return QByteArray(EdidSize, '\0');
    return outputEdid[output - 1];
}

QByteArray MatrixState::uploadedPart(int partClass, int kind, int slot) const {
    for (auto it = uploads.crbegin(); it != uploads.crend(); ++it)
        if (it->partClass == partClass && it->kind == kind && it->slot == slot)
            return it->data;
    return QByteArray();
}

QString MatrixState::partKey(int partClass, int kind, int slot) {
    return QStringLiteral("%1.%2.%3").arg(partClass).arg(kind).arg(slot);
}

int MatrixState::loadOutputEdids(const QString &dir) {
    const QStringList names =
        QDir(dir).entryList({QStringLiteral("*.bin")}, QDir::Files | QDir::Readable, QDir::Name);
    int used = 0;
    for (const QString &name : names) {
        if (used == PortCount)
            break;
        QFile file(QDir(dir).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        if (bytes.size() != EdidSize)
            continue; // the matrix keeps base block + one extension only
        outputEdid[used++] = bytes;
    }
    return used;
}

bool MatrixState::isBuiltInModeIndex(int index) {
    return (index >= 1 && index <= 12) || (index >= 14 && index <= 16) ||
           (index >= 18 && index <= 23) || index == 255;
}

QByteArray MatrixState::builtInEdid(int modeIndex) {
    QByteArray e(EdidSize, '\0');
    const int index = modeIndex & 0xFF;
    // Base block.
    put(e, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
    // Manufacturer "MXS": three 5-bit letters, big-endian.
    const int id = (('M' - '@') << 10) | (('X' - '@') << 5) | ('S' - '@');
    put(e, 8, {id >> 8, id & 0xFF, 0x00 + index, 0x10, 0x01, 0x00, 0x00, 0x00, 1, 30, 1, 3});
    put(e, 20, {0x80, 0x50, 0x2D, 0x78, 0x0A});
    put(e, 25, {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54});
    put(e, 35, {0x21, 0x08, 0x00});
    put(e, 38,
        {0xD1, 0xC0, 0x81, 0x80, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
         0x01});
    put(e, 54, Timing1080p);
    // Display name descriptor.
    put(e, 72, {0x00, 0x00, 0x00, 0xFC, 0x00});
    const QByteArray name =
        QStringLiteral("SIM EDID %1").arg(index, 3, 10, QLatin1Char('0')).toLatin1();
    for (int i = 0; i < 13; ++i)
        e[77 + i] = i < name.size() ? name[i] : (i == name.size() ? '\n' : ' ');
    // Range limits: 24-75 Hz, 15-81 kHz, 170 MHz.
    put(e, 90,
        {0x00, 0x00, 0x00, 0xFD, 0x00, 0x18, 0x4B, 0x0F, 0x51, 0x11, 0x00, 0x0A, 0x20, 0x20, 0x20,
         0x20, 0x20, 0x20});
    put(e, 108, {0x00, 0x00, 0x00, 0x10, 0x00});
    e[126] = 1;
    seal(e, 0);

    // CTA-861 extension.
    QByteArray blocks;
    auto add = [&blocks](std::initializer_list<int> bytes) {
        for (int b : bytes)
            blocks.append(static_cast<char>(b));
    };
    const bool uhd = (index >= 10 && index <= 12) || (index >= 18 && index <= 23);
    if (uhd)
        add({0x40 | 7, 0x90, 0x04, 0x1F, 0x13, 0x5F, 0x61, 0x60});
    else
        add({0x40 | 5, 0x90, 0x04, 0x1F, 0x13, 0x05});
    switch (audioOf(index)) {
    case Audio::Stereo:
        add({0x20 | 3, 0x09, 0x07, 0x07});
        add({0x80 | 3, 0x01, 0x00, 0x00});
        break;
    case Audio::Surround51:
        add({0x20 | 9, 0x09, 0x07, 0x07, 0x15, 0x07, 0x50, 0x3D, 0x07, 0xC0});
        add({0x80 | 3, 0x0F, 0x00, 0x00});
        break;
    case Audio::Surround71:
        add({0x20 | 12, 0x0F, 0x7F, 0x07, 0x15, 0x07, 0x50, 0x3D, 0x07, 0xC0, 0x57, 0x06, 0x03});
        add({0x80 | 3, 0x4F, 0x00, 0x00});
        break;
    case Audio::None:
        break;
    }
    if (audioOf(index) != Audio::None)
        add({0x60 | 7, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, uhd ? 0x78 : 0x3C});
    put(e, 128, {0x02, 0x03, 4 + int(blocks.size()), audioOf(index) != Audio::None ? 0xF1 : 0xB1});
    for (int i = 0; i < blocks.size(); ++i)
        e[132 + i] = blocks[i];
    put(e, 132 + int(blocks.size()), Timing1080p);
    seal(e, 128);
    return e;
}
