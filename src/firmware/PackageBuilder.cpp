#include "firmware/PackageBuilder.h"

#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/BoardInfoTree.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwarePartHeader.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

constexpr int BoardLevel = 0;
constexpr int GroupLevel = 1;
constexpr int ItemLevel = 2;
constexpr int MaxFileNameBytes = 255;
const QString PackageExtension = QStringLiteral(".fw2");

QString versionText(uint8_t ver1, uint8_t ver2) {
    return QString::number(ver1) + QLatin1Char('.') +
           QStringLiteral("%1").arg(ver2, 2, 10, QLatin1Char('0'));
}

QString letter(uint8_t code) {
    return code ? QString(QChar(code)) : QString();
}

bool complete(const BoardInfoTreeNode &node) {
    const BoardInfoNode &d = node.Data;
    if (d.Name.isEmpty())
        return false;
    switch (node.Level()) {
    case BoardLevel:
        return d.PCBType != PCBTypeNotSelected && d.Quantity != 0;
    case GroupLevel:
        return d.MCUType != 0;
    default:
        return d.Solution != SolutionNotSet && d.PCBVersion != 0 && d.PCBVersionFrom != 0 &&
               d.PCBVersionTo != 0 &&
               (d.FirmwareFile.isEmpty() || (d.Ver1 != VersionNotSet && d.Ver2 != VersionNotSet));
    }
}

PackageTreeCheck refuse(const QString &message, BoardInfoTreeNode *node = nullptr,
                        bool focusFileName = false) {
    PackageTreeCheck check;
    check.Message = message;
    check.Node = node;
    check.FocusFileName = focusFileName;
    return check;
}

// Checked firmware items below `board` (any of its groups), in tree order.
QList<BoardInfoTreeNode *> checkedItems(const BoardInfoTreeNode *board) {
    QList<BoardInfoTreeNode *> items;
    for (int g = 0; g < board->ChildCount(); ++g) {
        const BoardInfoTreeNode *group = board->Child(g);
        for (int i = 0; i < group->ChildCount(); ++i)
            if (group->Child(i)->Checked)
                items << group->Child(i);
    }
    return items;
}

} // namespace

QString PackageNodePath(const BoardInfoTreeNode &node) {
    QStringList names;
    for (const BoardInfoTreeNode *n = &node; n; n = n->Parent())
        names.prepend(n->Data.NameText());
    return names.join(QStringLiteral(" -> "));
}

PackageTreeCheck ValidatePackageTree(const BoardInfoTree &tree) {
    if (tree.IsEmpty())
        return refuse(QString());
    if (CountMainBoards(tree) > 1)
        return refuse(OnlyOneMainBoardText);
    const QList<BoardInfoTreeNode *> nodes = tree.Nodes();
    if (std::none_of(nodes.cbegin(), nodes.cend(),
                     [](const BoardInfoTreeNode *n) { return n->Checked; }))
        return refuse(QStringLiteral("No item selected."));
    for (BoardInfoTreeNode *node : nodes)
        if (!complete(*node))
            return refuse(QStringLiteral("Setting of item [") + PackageNodePath(*node) +
                              QStringLiteral("] not complete, please check."),
                          node);
    for (int b = 0; b < tree.TopCount(); ++b) {
        BoardInfoTreeNode *board = tree.Top(b);
        if (!board->Checked)
            continue;
        const QList<BoardInfoTreeNode *> items = checkedItems(board);
        const auto defaults =
            std::count_if(items.cbegin(), items.cend(),
                          [](const BoardInfoTreeNode *n) { return n->Data.DefaultFirmware != 0; });
        if (defaults > 1)
            return refuse(QStringLiteral("Item [") + board->Data.NameText() +
                              QStringLiteral("] more than 1 default firmware has been set"),
                          board);
    }
    for (BoardInfoTreeNode *node : nodes) {
        if (node->Level() != ItemLevel)
            continue;
        const QString &file = node->Data.FirmwareFile;
        if (file.isEmpty() || !QFileInfo(file).isFile())
            return refuse(QStringLiteral("Item [") + PackageNodePath(*node) +
                              QStringLiteral("] FW file does not exist, please check."),
                          node, true);
    }
    PackageTreeCheck ok;
    ok.Ok = true;
    return ok;
}

QByteArray WritePackageItem(const BoardInfoTree &tree, BoardInfoTreeNode &node,
                            const QByteArray &image) {
    const BoardInfoTreeNode *group = node.Parent();
    const BoardInfoTreeNode *board = group ? group->Parent() : nullptr;
    if (!board)
        return QByteArray();
    node.Data.PCBType = board->Data.PCBType;
    node.Data.Quantity = board->Data.Quantity;
    node.Data.MCUType = group->Data.MCUType;

    const BoardInfo info = BuildBoardInfo(tree, node);
    const bool main = node.Data.PCBType == PCBTypeMainBoard;
    const FirmwarePartHeader header =
        BuildPartHeader(main ? PartClassMain : PartClassSub, main ? McuKindMain : node.Data.PCBType,
                        0, info.Record.Ver1(), info.Record.Ver2(), uint32_t(image.size()));
    return FirmwarePackage::ItemBytes(header, info.Record, info.Header, info.Block, image);
}

bool FinishPackage(QByteArray &package, const BoardInfoTree &tree) {
    const FirmwarePackage walk(package);
    if (walk.Malformed())
        return false;
    int mainItem = 0;
    for (int k = 1; k <= walk.Count() && !mainItem; ++k)
        if (walk.Item(k).InfoHeader.PCBType() == PCBTypeMainBoard)
            mainItem = k;
    if (!mainItem)
        return true;

    const PackageItem main = walk.Item(mainItem);
    QByteArray block(BlockHeadSize, '\0');
    block[0] = main.Block.isEmpty() ? char(BoardInfoFormat) : main.Block.at(0);
    for (int b = 0; b < tree.TopCount(); ++b) {
        const BoardInfoTreeNode *board = tree.Top(b);
        if (board->Checked)
            block += BoardEntryBytes(board->Data.PCBType, board->Data.Quantity, board->Data.Name);
    }
    BoardInfoBoardEntry first;
    BoardInfoSpecialEntry special;
    ParseBoardInfoBlock(main.Block, 1, first, special);
    // The entry is rebuilt from its bytes, so its length always matches them.
    if (special.EntryType == EntryTypeSpecialCode)
        block += SpecialCodeEntryBytes(special.Bytes);
    if (block.size() > 0xFFFF)
        return false;
    FixBoardInfoChecksum(block);

    BoardInfoHeader infoHeader = main.InfoHeader;
    infoHeader.setBlockLength(uint16_t(block.size()));
    QByteArray finished;
    for (int k = 1; k <= walk.Count(); ++k)
        finished += k == mainItem ? FirmwarePackage::ItemBytes(main.Header, main.Record, infoHeader,
                                                               block, main.Image)
                                  : walk.StoredItem(k);
    package = finished;
    return true;
}

QString SafeFileNamePart(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
            c.unicode() == 0x7F)
            out += QLatin1Char('_');
        else
            out += c;
    }
    while (out.contains(QStringLiteral("..")))
        out.replace(QStringLiteral(".."), QStringLiteral("_"));
    return out;
}

QString PackageNamePiece(const BoardInfoNode &item) {
    return SafeFileNamePart(item.NameText() + QLatin1Char('_') + letter(item.PCBVersionFrom) +
                            letter(item.PCBVersionTo) + QLatin1Char('_') +
                            versionText(item.Ver1, item.Ver2));
}

QString PackageDateStamp(const QDate &date, const QLocale &locale) {
    QString stamp = locale.toString(date, QLocale::ShortFormat);
    stamp.replace(QLatin1Char('/'), QLatin1Char('-'));
    stamp.replace(QLatin1Char('\\'), QLatin1Char('-'));
    for (QChar &c : stamp)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('-');
    stamp.replace(QStringLiteral(".."), QStringLiteral("-"));
    return stamp;
}

PackageBuild BuildPackage(BoardInfoTree &tree, const QString &dateStamp) {
    PackageBuild build;
    build.Check = ValidatePackageTree(tree);
    if (!build.Check.Ok)
        return build;

    QByteArray package;
    for (BoardInfoTreeNode *node : tree.Nodes()) {
        if (node->Level() != ItemLevel || !node->Checked || !node->Parent()->Parent()->Checked)
            continue;
        QFile file(node->Data.FirmwareFile);
        if (file.size() > MaxPackageImageSize || !file.open(QIODevice::ReadOnly)) {
            build.Message = QStringLiteral("Cannot read firmware file: ") +
                            node->Data.FirmwareFile + QStringLiteral(", please check.");
            build.Check.Node = node;
            build.Check.FocusFileName = true;
            return build;
        }
        const QByteArray image = file.read(MaxPackageImageSize + 1);
        if (file.error() != QFileDevice::NoError || image.size() > MaxPackageImageSize) {
            build.Message = QStringLiteral("Cannot read firmware file: ") +
                            node->Data.FirmwareFile + QStringLiteral(", please check.");
            build.Check.Node = node;
            build.Check.FocusFileName = true;
            return build;
        }
        const QString piece = PackageNamePiece(node->Data);
        package += WritePackageItem(tree, *node, image);
        build.Pieces << piece;
        build.Log << QStringLiteral("Firmware part: [") + piece + QStringLiteral("] merged");
    }
    if (build.Pieces.isEmpty()) {
        build.Message = QStringLiteral("No firmware merged, please check.");
        return build;
    }
    if (!FinishPackage(package, tree)) {
        build.Message = QStringLiteral("Too many boards for the main board's information, "
                                       "please check.");
        return build;
    }
    build.Bytes = package;

    const QString tail = SafeFileNamePart(dateStamp) + PackageExtension;
    QString pieces;
    for (const QString &piece : build.Pieces)
        pieces += piece + QLatin1Char(' ');
    while (!pieces.isEmpty() && (pieces + tail).toUtf8().size() > MaxFileNameBytes)
        pieces.chop(1);
    build.FileName = pieces + tail;
    return build;
}

QString PackagePath(const QString &folder, const QString &fileName) {
    const QString name = SafeFileNamePart(fileName);
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool SavePackageFile(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
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
