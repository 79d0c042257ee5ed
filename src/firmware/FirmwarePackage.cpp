#include "firmware/FirmwarePackage.h"

#include "boardinfo/BoardInfoBlock.h"
#include "firmware/FirmwareCipher.h"

namespace {
constexpr qsizetype FixedHeadSize =
    FirmwarePartHeaderSize + BoardInfoRecordSize + BoardInfoHeaderSize;
}

FirmwarePackage::FirmwarePackage(const QByteArray &bytes, const bool *closing) : FBytes(bytes) {
    const qsizetype size = FBytes.size();
    qsizetype at = 0;
    while (at < size) {
        if (closing && *closing) {
            FMalformed = true;
            break;
        }
        if (size - at < FixedHeadSize) {
            FMalformed = true;
            break;
        }
        const char *p = FBytes.constData() + at;
        const FirmwarePartHeader header = FirmwarePartHeader::fromBytes(p, FirmwarePartHeaderSize);
        const BoardInfoHeader info =
            BoardInfoHeader::fromBytes(p + FirmwarePartHeaderSize + BoardInfoRecordSize);
        Span span;
        span.Start = at;
        span.BlockAt = at + FixedHeadSize;
        const qint64 blockLength = info.BlockLength();
        const qint64 imageLength = header.ImageLength();
        // 64-bit sums: an image length near 4 GiB cannot wrap.
        if (qint64(size) - qint64(span.BlockAt) < blockLength + imageLength + PackageTrailerSize) {
            FMalformed = true;
            break;
        }
        span.ImageAt = span.BlockAt + qsizetype(blockLength);
        span.End = span.ImageAt + qsizetype(imageLength) + PackageTrailerSize;
        FItems.append(span);
        at = span.End;
    }
}

PackageItem FirmwarePackage::Item(int k) const {
    PackageItem item;
    if (k < 1 || k > FItems.size())
        return item;
    const Span &s = FItems.at(k - 1);
    const char *p = FBytes.constData() + s.Start;
    item.Header = FirmwarePartHeader::fromBytes(p, FirmwarePartHeaderSize);
    item.Record = BoardInfoRecord::fromBytes(p + FirmwarePartHeaderSize);
    item.InfoHeader = BoardInfoHeader::fromBytes(p + FirmwarePartHeaderSize + BoardInfoRecordSize);
    item.Block = FBytes.mid(s.BlockAt, s.ImageAt - s.BlockAt);
    item.Image = FBytes.mid(s.ImageAt, s.End - PackageTrailerSize - s.ImageAt);
    DecipherFirmware(item.Image);

    TVCUpgradeCheckPoint &c = item.CheckPoint;
    c.PCBType = item.InfoHeader.PCBType();
    c.MCUType = item.InfoHeader.MCUType();
    c.Solution = item.InfoHeader.Solution();
    c.PCBVersion = item.InfoHeader.PCBVersion();
    c.PCBVersionFrom = item.InfoHeader.PCBVersionFrom();
    c.PCBVersionTo = item.InfoHeader.PCBVersionTo();
    BoardInfoBoardEntry board;
    BoardInfoSpecialEntry special;
    ParseBoardInfoBlock(item.Block, 1, board, special);
    c.SpecialCode = special.Text;
    c.Ver1 = item.Record.Ver1();
    c.Ver2 = item.Record.Ver2();
    c.IncludeBoardInfo = item.Record.IncludeBoardInfo();
    c.OverwriteSpecialCode = item.Record.OverwriteSpecialCode();
    c.DefaultFirmware = item.Record.DefaultFirmware();
    return item;
}

QByteArray FirmwarePackage::StoredItem(int k) const {
    if (k < 1 || k > FItems.size())
        return QByteArray();
    const Span &s = FItems.at(k - 1);
    return FBytes.mid(s.Start, s.End - s.Start);
}

QByteArray FirmwarePackage::ItemBytes(const FirmwarePartHeader &header,
                                      const BoardInfoRecord &record,
                                      const BoardInfoHeader &infoHeader, const QByteArray &block,
                                      const QByteArray &plainImage) {
    QByteArray image = plainImage;
    EncipherFirmware(image);
    return header.toBytes() + record.toBytes() + infoHeader.toBytes() + block + image +
           QByteArray(PackageTrailerSize, PackageTrailerByte);
}

int ReadPackageItem(const QByteArray &package, int k, PackageItem &item, bool *malformed,
                    const bool *closing) {
    item = PackageItem();
    const FirmwarePackage walk(package, closing);
    if (malformed)
        *malformed = walk.Malformed();
    if (k == -1) {
        item = walk.Item(walk.Count());
        return walk.Count();
    }
    if (k < 1)
        return 0;
    if (k > walk.Count())
        return walk.Count();
    item = walk.Item(k);
    return k;
}
