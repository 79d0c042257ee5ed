#include "firmware/FirmwareMerge.h"

#include "firmware/FirmwareCipher.h"
#include "firmware/FirmwarePartHeader.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

struct RowTraits {
    uint8_t partClass;
    uint16_t mcuKind;
    const char *nameWord;
    const char *logName;
};

constexpr RowTraits Traits[MergeRowCount] = {
    {PartClassMain, McuKindMain, " main", "Main MCU"},
    {PartClassSub, McuKindSlave, " slave", "Slave MCU"},
    {PartClassSub, McuKindIrMatrix, " irmx", "IRMX MCU"},
    {PartClassSub, McuKindFrontPanel, " panel", "Panel MCU"},
    {PartClassSub, McuKindIdir, " idir", "IDIR MCU"},
    {PartClassSub, McuKindInputCard, " inputcard", "Input Card MCU"},
    {PartClassSub, McuKindOutputCard, " outputcard", "Output Card MCU"},
};

const RowTraits &traits(MergeRowKind row) {
    return Traits[int(row)];
}

QByteArray storedPart(MergeRowKind row, uint16_t slot, uint8_t ver1, uint8_t ver2,
                      const QByteArray &plain) {
    const RowTraits &t = traits(row);
    QByteArray image = plain;
    EncipherFirmware(image);
    return BuildPartHeader(t.partClass, t.mcuKind, slot, ver1, ver2, uint32_t(plain.size()))
               .toBytes() +
           image;
}

// A file name never leads into another folder: separators become '_'.
QString safeFileName(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name;
}

} // namespace

ParsedVersion ParseVersionText(const QString &text) {
    ParsedVersion v;
    if (text.isEmpty())
        return v;
    const QString digits = text.left(3);
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    if (!ok || value < 0) {
        v.Ok = false;
        return v;
    }
    v.Value = uint8_t(value > 255 ? 255 : value);
    return v;
}

uint8_t FirmwareMerge::RowPartClass(MergeRowKind row) {
    return traits(row).partClass;
}

uint16_t FirmwareMerge::RowMcuKind(MergeRowKind row) {
    return traits(row).mcuKind;
}

bool FirmwareMerge::IsCardRow(MergeRowKind row) {
    return row == MergeRowKind::InputCard || row == MergeRowKind::OutputCard;
}

QString FirmwareMerge::RowNameWord(MergeRowKind row) {
    return QString::fromLatin1(traits(row).nameWord);
}

QString FirmwareMerge::RowLogName(MergeRowKind row) {
    return QString::fromLatin1(traits(row).logName);
}

QString FirmwareMerge::VersionText(uint8_t ver1, uint8_t ver2) {
    return QStringLiteral("%1.%2").arg(ver1).arg(ver2, 2, 10, QLatin1Char('0'));
}

QString FirmwareMerge::JoinPath(const QString &folder, const QString &fileName) {
    if (folder.isEmpty())
        return fileName;
    QString f = folder;
    if (!f.endsWith(QLatin1Char('/')) && !f.endsWith(QLatin1Char('\\')))
        f += QLatin1Char('/');
    return f + fileName;
}

MergeResult FirmwareMerge::Merge(const std::array<MergeRow, MergeRowCount> &rows,
                                 const QString &productName, const QString &dateStamp) {
    MergeResult result;
    QString suffix;
    for (int i = 0; i < MergeRowCount; ++i) {
        const MergeRowKind row = MergeRowKind(i);
        const MergeRow &in = rows[size_t(i)];
        MergeRowResult &out = result.Rows[size_t(i)];
        out.FilePath = in.FilePath.trimmed();
        out.PcbText = in.PcbText;
        if (out.FilePath.isEmpty())
            continue;
        const QString path = out.FilePath;
        const QString logName = RowLogName(row);
        const QString fileText = logName + QStringLiteral(" firmware file: ");
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile()) {
            result.Log << fileText + path + QStringLiteral(" does not exist");
            continue;
        }
        if (result.FirstSourceFolder.isEmpty())
            result.FirstSourceFolder = info.absolutePath();
        if (info.size() > MaxMergeImageSize) {
            result.Log << fileText + path + QStringLiteral(" is too large");
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            result.Log << fileText + path + QStringLiteral(" cannot be read");
            continue;
        }
        const QByteArray plain = file.read(MaxMergeImageSize + 1);
        if (plain.size() > MaxMergeImageSize) {
            result.Log << fileText + path + QStringLiteral(" is too large");
            continue;
        }
        out.Ver1 = ParseVersionText(in.Ver1Text);
        out.Ver2 = ParseVersionText(in.Ver2Text);
        const uint8_t v1 = out.Ver1.Value;
        const uint8_t v2 = out.Ver2.Value;
        const QString version = VersionText(v1, v2);

        if (!IsCardRow(row)) {
            result.Log << logName + QStringLiteral(" firmware: ") + path +
                              QStringLiteral(" loaded");
            result.Bytes += storedPart(row, 0, v1, v2, plain);
            result.Log << logName + QStringLiteral(" firmware merged, ver") + version;
        } else {
            // The output row's text carries two colons.
            const QString loaded = row == MergeRowKind::InputCard ? QStringLiteral(" firmware: ")
                                                                  : QStringLiteral(" firmware:: ");
            for (int n = 1; n <= MergeCardSlots; ++n) {
                result.Log << logName + QString::number(n) + loaded + path +
                                  QStringLiteral(" loaded");
                result.Bytes += storedPart(row, uint16_t(n), v1, v2, plain);
                result.Log << logName + QString::number(n) +
                                  QStringLiteral(" firmware merged, ver") + version;
            }
        }
        out.Merged = true;

        out.PcbText = in.PcbText.trimmed();
        suffix += RowNameWord(row);
        if (!out.PcbText.isEmpty())
            suffix += QStringLiteral("(") + out.PcbText + QStringLiteral(")");
        suffix += version;
    }
    if (suffix.isEmpty()) {
        result.Bytes.clear();
        return result;
    }
    QString name = (productName.isEmpty() ? QStringLiteral("MergedFW") : productName) + suffix;
    name += dateStamp.isEmpty() ? QStringLiteral(".fw")
                                : QStringLiteral(" ") + dateStamp + QStringLiteral(".fw");
    result.FileName = safeFileName(name).toUpper();
    return result;
}

bool FirmwareMerge::SaveFile(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
