#include "BoardUnit.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QTextStream>

namespace {

const char *const DefaultUnit =
    R"(# The built-in unit: a main board, two input cards and two output cards.
[Board MAIN]
PCBType = 0
SubIndex = 0
MCUType = 1
BCVersion = 3
BCRunning = 0
BoardInfoValid = 1
PCBTypeForCheck = 0
PCBSolution = 0x01
PCBVersion = B
Block = 01 0C 0A 01 00 01 05 4D 41 49 4E 00 0B 01 05 02 06 49 4E 50 55 54 00 0C 01 06 02 07 4F 55 54 50 55 54 00 04 02 00 01

[Board INPUT 1]
PCBType = 5
SubIndex = 0
MCUType = 2
BCVersion = 2
PCBTypeForCheck = 5
PCBSolution = 0x01
PCBVersion = A
Block = 01 50 0B 01 05 01 06 49 4E 50 55 54 00 04 02 00 01

[Board INPUT 2]
PCBType = 5
SubIndex = 1
MCUType = 2
BCVersion = 2
PCBTypeForCheck = 5
PCBSolution = 0x01
PCBVersion = A
Block = 01 50 0B 01 05 01 06 49 4E 50 55 54 00 04 02 00 01

[Board OUTPUT 1]
PCBType = 6
SubIndex = 0
MCUType = 3
BCVersion = 2
PCBTypeForCheck = 6
PCBSolution = 0x02
PCBVersion = A
Block = 01 EC 0C 01 06 01 07 4F 55 54 50 55 54 00 04 02 00 01

[Board OUTPUT 2]
PCBType = 6
SubIndex = 1
MCUType = 3
BCVersion = 2
PCBTypeForCheck = 6
PCBSolution = 0x02
PCBVersion = A
Block = 01 EC 0C 01 06 01 07 4F 55 54 50 55 54 00 04 02 00 01
)";

// The longest block a board can announce (two length bytes).
constexpr int MaxBlockSize = 0xFFFF;

bool parseNumber(const QString &text, int low, int high, int *value) {
    bool ok = false;
    const QString t = text.trimmed();
    int v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toInt(&ok, 16);
    else
        v = t.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

bool parseFlag(const QString &text, bool *value) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes")) {
        *value = true;
        return true;
    }
    if (t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("no")) {
        *value = false;
        return true;
    }
    return false;
}

// A letter "A".."Z" or its character code as a number.
bool parseVersion(const QString &text, uint8_t *value) {
    const QString t = text.trimmed();
    if (t.size() == 1 && t[0].isLetter() && t[0].unicode() < 0x80) {
        *value = static_cast<uint8_t>(t[0].toUpper().unicode());
        return true;
    }
    int v = 0;
    if (!parseNumber(t, 0, 255, &v))
        return false;
    *value = static_cast<uint8_t>(v);
    return true;
}

// Hex digits, blanks allowed between bytes.
bool parseHex(const QString &text, QByteArray *bytes) {
    QString digits = text;
    digits.remove(QRegularExpression(QStringLiteral("\\s")));
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!hex.match(digits).hasMatch() || digits.size() / 2 > MaxBlockSize)
        return false;
    *bytes = QByteArray::fromHex(digits.toLatin1());
    return true;
}

QString hexText(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString versionText(uint8_t version) {
    if (version >= 'A' && version <= 'Z')
        return QString(QLatin1Char(char(version)));
    return QString::number(version);
}

} // namespace

BoardInfoFields SimBoard::fields() const {
    BoardInfoFields f;
    f.PCBType = pcbType;
    f.SubIndex = subIndex;
    f.PCBTypeForCheck = pcbTypeForCheck;
    f.PCBSolution = pcbSolution;
    f.PCBVersion = pcbVersion;
    f.setExtLen(int(block.size()));
    return f;
}

BootCodeInfo SimBoard::bootCodeInfo() const {
    BootCodeInfo info;
    info.PCBType = pcbType;
    info.SubIndex = subIndex;
    info.MCUType = mcuType;
    info.BCVersion = bcVersion;
    info.BCRunning = bcRunning ? 1 : 0;
    info.BoardInfoValid = boardInfoValid ? 1 : 0;
    info.Success = 1;
    return info;
}

bool SimBoard::sameDescription(const SimBoard &o) const {
    return pcbType == o.pcbType && subIndex == o.subIndex && mcuType == o.mcuType &&
           bcVersion == o.bcVersion && bcRunning == o.bcRunning &&
           boardInfoValid == o.boardInfoValid && pcbTypeForCheck == o.pcbTypeForCheck &&
           pcbSolution == o.pcbSolution && pcbVersion == o.pcbVersion && block == o.block &&
           refuseParts == o.refuseParts && silentAfter == o.silentAfter;
}

BoardUnit BoardUnit::defaultUnit() {
    BoardUnit unit;
    QString error;
    fromText(defaultUnitText(), &unit, &error);
    return unit;
}

QString BoardUnit::defaultUnitText() {
    return QString::fromLatin1(DefaultUnit);
}

bool BoardUnit::fromText(const QString &text, BoardUnit *unit, QString *error) {
    BoardUnit read;
    QList<QSet<QString>> seen; // keys given per board
    const QStringList lines = text.split(QLatin1Char('\n'));
    auto fail = [error](int line, const QString &why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return false;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')) ||
                !line.mid(1).startsWith(QLatin1String("Board"), Qt::CaseInsensitive))
                return fail(lineNo, QStringLiteral("expected a [Board ...] section"));
            read.boards.append(SimBoard());
            seen.append(QSet<QString>());
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            return fail(lineNo, QStringLiteral("expected Key = value"));
        if (read.boards.isEmpty())
            return fail(lineNo, QStringLiteral("a value before the first [Board] section"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        SimBoard &b = read.boards.last();
        if (seen.last().contains(key))
            return fail(lineNo, QStringLiteral("%1 given twice").arg(line.left(eq).trimmed()));
        seen.last().insert(key);
        int n = 0;
        bool ok = true;
        auto byte = [&](uint8_t *into) {
            ok = parseNumber(value, 0, 255, &n);
            if (ok)
                *into = static_cast<uint8_t>(n);
        };
        if (key == QLatin1String("pcbtype"))
            byte(&b.pcbType);
        else if (key == QLatin1String("subindex"))
            byte(&b.subIndex);
        else if (key == QLatin1String("mcutype"))
            byte(&b.mcuType);
        else if (key == QLatin1String("bcversion"))
            byte(&b.bcVersion);
        else if (key == QLatin1String("bcrunning"))
            ok = parseFlag(value, &b.bcRunning);
        else if (key == QLatin1String("boardinfovalid"))
            ok = parseFlag(value, &b.boardInfoValid);
        else if (key == QLatin1String("pcbtypeforcheck"))
            byte(&b.pcbTypeForCheck);
        else if (key == QLatin1String("pcbsolution"))
            byte(&b.pcbSolution);
        else if (key == QLatin1String("pcbversion"))
            ok = parseVersion(value, &b.pcbVersion);
        else if (key == QLatin1String("block"))
            ok = parseHex(value, &b.block);
        else if (key == QLatin1String("refuseparts"))
            ok = parseFlag(value, &b.refuseParts);
        else if (key == QLatin1String("silentafter")) {
            ok = parseNumber(value, -1, 1 << 30, &n);
            if (ok)
                b.silentAfter = n;
        } else
            return fail(lineNo, QStringLiteral("unknown key %1").arg(line.left(eq).trimmed()));
        if (!ok)
            return fail(lineNo,
                        QStringLiteral("bad value for %1: %2").arg(line.left(eq).trimmed(), value));
    }
    for (int i = 0; i < read.boards.size(); ++i) {
        SimBoard &b = read.boards[i];
        // Defaults that follow from other values.
        if (!seen[i].contains(QStringLiteral("pcbtypeforcheck")))
            b.pcbTypeForCheck = b.pcbType;
        if (!seen[i].contains(QStringLiteral("boardinfovalid")))
            b.boardInfoValid = !b.block.isEmpty();
        for (int j = 0; j < i; ++j) {
            if (read.boards[j].pcbType == b.pcbType && read.boards[j].subIndex == b.subIndex) {
                if (error)
                    *error = QStringLiteral("two boards with PCB type %1 and sub index %2")
                                 .arg(b.pcbType)
                                 .arg(b.subIndex);
                return false;
            }
        }
    }
    if (!read.board(0, 0)) {
        if (error)
            *error = QStringLiteral("no main board (PCBType = 0, SubIndex = 0)");
        return false;
    }
    *unit = read;
    return true;
}

QString BoardUnit::toText() const {
    QString text;
    QTextStream out(&text);
    out << "# Simulated unit: one [Board] section per board.\n";
    for (const SimBoard &b : boards) {
        out << "\n[Board " << int(b.pcbType) << "." << int(b.subIndex) << "]\n"
            << "PCBType = " << int(b.pcbType) << "\n"
            << "SubIndex = " << int(b.subIndex) << "\n"
            << "MCUType = " << int(b.mcuType) << "\n"
            << "BCVersion = " << int(b.bcVersion) << "\n"
            << "BCRunning = " << (b.bcRunning ? 1 : 0) << "\n"
            << "BoardInfoValid = " << (b.boardInfoValid ? 1 : 0) << "\n"
            << "PCBTypeForCheck = " << int(b.pcbTypeForCheck) << "\n"
            << "PCBSolution = 0x"
            << QStringLiteral("%1").arg(b.pcbSolution, 2, 16, QLatin1Char('0')).toUpper() << "\n"
            << "PCBVersion = " << versionText(b.pcbVersion) << "\n"
            << "Block = " << hexText(b.block) << "\n";
        if (b.refuseParts)
            out << "RefuseParts = 1\n";
        if (b.silentAfter >= 0)
            out << "SilentAfter = " << b.silentAfter << "\n";
    }
    out.flush();
    return text;
}

bool BoardUnit::load(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    // A unit file is a few kilobytes; anything far larger is not one.
    constexpr qint64 MaxUnitFile = 16 * 1024 * 1024;
    if (file.size() > MaxUnitFile) {
        if (error)
            *error = QStringLiteral("%1: too large for a unit file").arg(path);
        return false;
    }
    QString why;
    if (!fromText(QString::fromUtf8(file.readAll()), this, &why)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    return true;
}

bool BoardUnit::save(const QString &path, QString *error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toText().toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

SimBoard *BoardUnit::board(int pcbType, int subIndex) {
    for (SimBoard &b : boards) {
        if (b.pcbType == pcbType && b.subIndex == subIndex)
            return &b;
    }
    return nullptr;
}

const SimBoard *BoardUnit::board(int pcbType, int subIndex) const {
    return const_cast<BoardUnit *>(this)->board(pcbType, subIndex);
}

SimBoard *BoardUnit::boardForPart(int partClass, int kind, int slot) {
    if (partClass == 1)
        return mainBoard();
    if (partClass != 2)
        return nullptr;
    return board(kind, slot > 0 ? slot - 1 : 0);
}

const StoredImage *BoardUnit::lastImage(int pcbType, int subIndex) const {
    const SimBoard *b = board(pcbType, subIndex);
    return b && !b->images.isEmpty() ? &b->images.last() : nullptr;
}

QByteArray BoardUnit::storedImage(int pcbType, int subIndex) const {
    const StoredImage *image = lastImage(pcbType, subIndex);
    return image ? image->image : QByteArray();
}

QByteArray BoardUnit::storedBlock(int pcbType, int subIndex) const {
    const SimBoard *b = board(pcbType, subIndex);
    return b ? b->block : QByteArray();
}

bool BoardUnit::answers(SimBoard &board) {
    if (board.silentAfter < 0)
        return true;
    if (board.silentAfter == 0)
        return false;
    --board.silentAfter;
    return true;
}

bool BoardUnit::sameDescription(const BoardUnit &other) const {
    if (boards.size() != other.boards.size())
        return false;
    for (int i = 0; i < boards.size(); ++i) {
        if (!boards[i].sameDescription(other.boards[i]))
            return false;
    }
    return true;
}
