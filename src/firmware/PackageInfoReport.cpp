#include "firmware/PackageInfoReport.h"

#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoNode.h"
#include "firmware/FirmwarePackage.h"

#include <QFileInfo>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString letter(uint8_t code) {
    return code ? QString(QChar(code)) : QString();
}

QString twoHex(uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString twoDigits(uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString PackageInfoText(const QByteArray &package, const QString &filePath, const QString &stamp,
                        const bool *closing) {
    const FirmwarePackage walk(package, closing);
    const int count = walk.Count();
    QString text;
    text += QStringLiteral("Firmware Package File: ") + QFileInfo(filePath).fileName() + CrLf;
    text += QStringLiteral("Part Count: ") + QString::number(count) + CrLf + CrLf;
    for (int i = 1; i <= count; ++i) {
        const PackageItem item = walk.Item(i);
        const TVCUpgradeCheckPoint &c = item.CheckPoint;
        BoardInfoBoardEntry board;
        BoardInfoSpecialEntry special;
        ParseBoardInfoBlock(item.Block, 1, board, special);
        const QString name = BoardNameText(item.Record.BoardName()) + QStringLiteral("->") +
                             BoardNameText(item.Record.GroupName()) + QStringLiteral("->") +
                             board.NameText();
        const QStringList lines = {
            QStringLiteral("Part: ") + QString::number(i),
            QStringLiteral("Name: ") + name,
            QStringLiteral("PCB Type: ") + QString::number(c.PCBType),
            QStringLiteral("MCU Type: ") + QString::number(c.MCUType),
            QStringLiteral("Solution: ") + twoHex(c.Solution),
            QStringLiteral("Quantity: ") + QString::number(board.Quantity),
            QStringLiteral("PCB Version: ") + letter(c.PCBVersion),
            QStringLiteral("PCB Version From: ") + letter(c.PCBVersionFrom),
            QStringLiteral("PCB Version To: ") + letter(c.PCBVersionTo),
            QStringLiteral("Include Board Info: ") + QString::number(c.IncludeBoardInfo),
            QStringLiteral("Overwrite Special Code: ") + QString::number(c.OverwriteSpecialCode),
            QStringLiteral("Special Code: ") + c.SpecialCode,
            QStringLiteral("Default Firmware: ") + QString::number(c.DefaultFirmware),
            QStringLiteral("Version: ") + QString::number(c.Ver1) + QLatin1Char('.') +
                twoDigits(c.Ver2),
            QString(),
        };
        for (const QString &line : lines)
            text += line + CrLf;
    }
    text += stamp + CrLf + QStringLiteral("******End******");
    return text;
}
