#include "boardinfo/ProductInfoReader.h"

#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/SpecialCode.h"
#include "firmware/BoardInfoTransfer.h"
#include "protocol/Commands.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"

#include <QDateTime>
#include <QLocale>
#include <iterator>

namespace {

const QString UpgradeMainHint =
    QStringLiteral("Please upgrade Main Board firmware to read unit's all information, now to read "
                   "Main Board Information only.");
const QString NotRunningHint =
    QStringLiteral("Please make sure the unit is running normally. Otherwise, unit firmware needs "
                   "to be upgraded.");
const QString PowerUpHint = QStringLiteral(
    "Please power up the unit to read all information, now to read Main Board Information only.");
const QString VcNotSupport = QStringLiteral("VC not support");
const QString Rule = QStringLiteral("=============================================");
const QString EndRule = QStringLiteral("=====================End=====================");

// Without a board-information reader: the kinds asked one by one, and how
// many slots the card kinds have.
constexpr int LegacyReads = 20;
constexpr int LegacyCardSlots = 8;
constexpr uint8_t InputCardType = 5;
constexpr uint8_t OutputCardType = 6;

// The n-th board entry of a block (n from 1), with the special code.
struct Entries {
    QList<BoardInfoBoardEntry> Boards;
    BoardInfoSpecialEntry Special;
};

Entries ReadEntries(const QByteArray &block) {
    Entries e;
    BoardInfoBoardEntry board;
    const int count = ParseBoardInfoBlock(block, 1, board, e.Special);
    for (int n = 1; n <= count; ++n) {
        BoardInfoSpecialEntry special;
        ParseBoardInfoBlock(block, n, board, special);
        e.Boards << board;
    }
    return e;
}

// A board's own entry: for the main board the first entry with PCB type 0
// (its block lists the whole unit), else the first entry. Null when none.
const BoardInfoBoardEntry *OwnEntry(const Entries &e, bool mainBoard) {
    for (const BoardInfoBoardEntry &b : e.Boards)
        if (!mainBoard || b.PCBType == PCBTypeMainBoard)
            return &b;
    return nullptr;
}

} // namespace

ProductInfoReader::ProductInfoReader(AppContext *ctx, QObject *parent)
    : QObject(parent), FCtx(ctx), FTransfer(new BoardInfoTransfer(ctx->Engine, this)) {}

QString ProductInfoReader::BoardKindName(int pcbType) {
    if (pcbType >= 0 && pcbType < int(std::size(MCUPartNames)))
        return MCUPartNames[pcbType];
    return QStringLiteral("PCB%1_").arg(pcbType);
}

void ProductInfoReader::gauge(const QString &caption, int position) {
    FGauge = position;
    emit gaugeChanged(caption, position);
}

ProductInfoReader::BoardRead ProductInfoReader::ReadBoardPI(uint8_t pcbType, uint8_t subIndex) {
    BoardRead read;
    const bool wasQuiet = FCtx->QuietStatus;
    FCtx->QuietStatus = true;
    TReplyRecord reply;
    if (FCtx->RunHeldCommand(QStringLiteral("Read Boot Code Info ..."),
                             Requests::readBootCodeInfo(pcbType, subIndex),
                             reply) == RunResult::Done)
        read.BootCode = Replies::bootCodeInfo(reply);
    if (read.BootCode.Success && read.BootCode.BoardInfoValid && FCtx->ReopenLink()) {
        BoardInfoFields ask;
        ask.PCBType = pcbType;
        ask.SubIndex = subIndex;
        ask.PCBTypeForCheck = pcbType;
        BoardInfoResult result;
        FCtx->ShowStatus(2, QStringLiteral("Get Board Info Ext Data ..."));
        const QByteArray block = FTransfer->GetBoardInfoExtData(ask, result);
        read.InfoRead = result.ok();
        if (read.InfoRead) {
            FCtx->ShowStatus(2, QStringLiteral("Done"));
            read.Fields = result.Fields;
            read.Block = block;
        } else {
            FCtx->ShowStatus(2, QStringLiteral("Get Board Info Failed"), true);
            PIFailed = true;
            emit memoLine(QStringLiteral("Read PI:PCBType.SubIndex[%1.%2] Failed")
                              .arg(pcbType)
                              .arg(subIndex));
        }
    }
    FCtx->QuietStatus = wasQuiet;
    return read;
}

void ProductInfoReader::fillNode(BoardInfoTreeNode *node, uint8_t pcbType, const BoardRead &read,
                                 bool own, uint8_t quantity) {
    BoardInfoNode &d = node->Data;
    d.PCBType = pcbType;
    FSubIndex[node] = read.BootCode.SubIndex;
    d.MCUType = read.BootCode.MCUType;
    d.Ver1 = read.BootCode.BCRunning;
    d.Ver2 = read.BootCode.BoardInfoValid;
    d.Solution = read.Fields.PCBSolution;
    d.PCBVersion = read.Fields.PCBVersion;
    const Entries e = ReadEntries(read.Block);
    d.SpecialCode = e.Special.Bytes;
    const BoardInfoBoardEntry *entry = OwnEntry(e, own && pcbType == PCBTypeMainBoard);
    d.Quantity = quantity ? quantity : (entry ? entry->Quantity : 0);
}

void ProductInfoReader::AddPINode(const QString &name, uint8_t pcbType, uint8_t subIndex,
                                  const BoardRead &read, int count) {
    if (count <= 1) {
        BoardInfoTreeNode *node = FTree.AddTop();
        if (read.InfoRead) {
            node->Text = name;
            fillNode(node, pcbType, read, true, 0);
        } else {
            node->Text = name + QStringLiteral(" => ") + VcNotSupport;
            node->Data.PCBType = pcbType;
            FSubIndex[node] = subIndex;
            node->Data.SpecialCode.clear();
        }
        emit treeChanged();
        return;
    }
    BoardInfoTreeNode *group = nullptr;
    for (int i = 0; i < FTree.TopCount() && !group; ++i)
        if (FTree.Top(i)->Data.PCBType == pcbType && FTree.Top(i)->Parent() == nullptr &&
            !FTree.Top(i)->Text.contains(VcNotSupport) && FTree.Top(i)->Data.Quantity > 1)
            group = FTree.Top(i);
    if (!group) {
        group = FTree.AddTop();
        group->Text = name;
        if (read.InfoRead) {
            fillNode(group, pcbType, read, false, uint8_t(count));
        } else {
            group->Data.PCBType = pcbType;
            group->Data.Quantity = uint8_t(count);
            group->Data.SpecialCode.clear();
        }
    }
    BoardInfoTreeNode *slot = FTree.AddChild(group);
    if (read.InfoRead) {
        const Entries e = ReadEntries(read.Block);
        const BoardInfoBoardEntry *entry = OwnEntry(e, false);
        const QString entryName = entry ? entry->NameText() : QString();
        slot->Text =
            group->Text + QString::number(subIndex + 1) + QStringLiteral(" => ") + entryName;
        fillNode(slot, entry ? entry->PCBType : pcbType, read, false, 1);
        if (!entry || entry->PCBType != pcbType) {
            slot->Text += QStringLiteral(" [Failed]");
            PIFailed = true;
            FCtx->ShowStatus(2, QStringLiteral("Data Not Matched"), true);
        }
    } else {
        slot->Text = BoardKindName(pcbType) + QString::number(subIndex + 1) +
                     QStringLiteral(" => ") + VcNotSupport;
        slot->Data.PCBType = pcbType;
        FSubIndex[slot] = subIndex;
        slot->Data.SpecialCode.clear();
    }
    emit treeChanged();
}

bool ProductInfoReader::ReadProductInformation() {
    FTree.Clear();
    FSubIndex.clear();
    emit treeChanged();
    OperationScope op(FCtx);
    if (!op) {
        if (!op.refused())
            FCtx->ShowStatus(2, QStringLiteral("Read Product Information Failed"), true);
        return false;
    }
    ReadingPI = true;
    gauge(QStringLiteral("Preparing ..."), 0);
    emit memoLine(QStringLiteral("Preparing before reading ..."));
    const BoardRead main = ReadBoardPI(PCBTypeMainBoard, 0);
    gauge(QStringLiteral("Ready"), FGauge);
    emit memoLine(QStringLiteral("Start to read"));
    PIFailed = false;
    gauge(QStringLiteral("Reading ..."), FGauge);
    emit memoLine(QStringLiteral("Reading, please wait ..."));

    bool mainOnly = false;
    bool readMore = true;
    if (main.BootCode.Success && main.BootCode.BCRunning == 1) {
        mainOnly = true;
        FCtx->Prompts->Information(UpgradeMainHint);
    } else {
        TReplyRecord reply;
        const bool wasQuiet = FCtx->QuietStatus;
        FCtx->QuietStatus = true;
        const RunResult power = FCtx->RunHeldCommand(QStringLiteral("Getting Power status ..."),
                                                     Requests::powerQuery(), reply);
        FCtx->QuietStatus = wasQuiet;
        if (power != RunResult::Done) {
            PIFailed = true;
            FCtx->Prompts->Information(NotRunningHint);
            FCtx->ShowStatus(2, QStringLiteral("Get Power Status Failed"), true);
            readMore = false;
        } else {
            FCtx->setPowerOn(Replies::powerOn(reply));
            if (!FCtx->PowerOn) {
                mainOnly = true;
                FCtx->Prompts->Information(PowerUpHint);
            }
        }
    }

    TTSCOMControl *engine = FCtx->Engine;
    if (readMore && main.InfoRead) {
        const Entries e = ReadEntries(main.Block);
        if (mainOnly) {
            const BoardInfoBoardEntry *own = OwnEntry(e, true);
            AddPINode(own ? own->NameText() : BoardKindName(PCBTypeMainBoard), PCBTypeMainBoard, 0,
                      main, 1);
            gauge(QString(), 100);
        } else {
            int total = 0;
            for (const BoardInfoBoardEntry &b : e.Boards)
                total += b.Quantity;
            int done = 0;
            const auto advance = [&] { gauge(QString(), total > 0 ? done * 100 / total : 100); };
            for (const BoardInfoBoardEntry &b : e.Boards) {
                if (engine->Closing())
                    break;
                if (b.Quantity == 1) {
                    AddPINode(b.NameText(), b.PCBType, 0, ReadBoardPI(b.PCBType, 0), 1);
                    ++done;
                } else {
                    for (int s = 0; s < b.Quantity && !engine->Closing(); ++s) {
                        AddPINode(b.NameText(), b.PCBType, uint8_t(s),
                                  ReadBoardPI(b.PCBType, uint8_t(s)), b.Quantity);
                        ++done;
                        advance();
                    }
                }
                advance();
            }
            if (total == 0)
                gauge(QString(), 100);
        }
    } else if (readMore) {
        AddPINode(BoardKindName(PCBTypeMainBoard), PCBTypeMainBoard, 0, main, 1);
        if (mainOnly) {
            gauge(QString(), 100);
        } else {
            int done = 0;
            for (uint8_t t = 1; t <= OutputCardType && !engine->Closing(); ++t) {
                if (t == InputCardType || t == OutputCardType) {
                    for (int s = 0; s < LegacyCardSlots && !engine->Closing(); ++s) {
                        AddPINode(BoardKindName(t), t, uint8_t(s), ReadBoardPI(t, uint8_t(s)),
                                  LegacyCardSlots);
                        gauge(QString(), ++done * 100 / LegacyReads);
                    }
                    continue;
                }
                const BoardRead r = ReadBoardPI(t, 0);
                QString name = BoardKindName(t);
                if (r.InfoRead) {
                    const BoardInfoBoardEntry *first = OwnEntry(ReadEntries(r.Block), false);
                    if (first)
                        name = first->NameText();
                }
                AddPINode(name, t, 0, r, 1);
                gauge(QString(), ++done * 100 / LegacyReads);
            }
        }
    }

    if (FGauge >= 100)
        gauge(QStringLiteral("Done"), 100);
    if (PIFailed || engine->Closing()) {
        FCtx->ShowStatus(2, QStringLiteral("Read Product Information Failed"), true);
        emit memoLine(QStringLiteral("Please try to read Product Information again"));
    } else {
        FCtx->ShowStatus(2, QStringLiteral("Done"));
        emit memoLine(QStringLiteral("Done"));
    }
    ReadingPI = false;
    return true;
}

QStringList ProductInfoReader::NodeLines(const BoardInfoTreeNode *node) const {
    if (!node)
        return {};
    if (node->Text.contains(VcNotSupport))
        return {VcNotSupport};
    const BoardInfoNode &d = node->Data;
    const int arrow = node->Text.indexOf(QStringLiteral("=>"));
    QStringList lines;
    lines << QStringLiteral("Name=") +
                 (arrow >= 0 ? node->Text.mid(arrow + 2).trimmed() : node->Text);
    lines << QStringLiteral("PCBType=%1").arg(d.PCBType);
    const bool leaf = node->ChildCount() == 0;
    if (leaf) {
        lines << QStringLiteral("SubIndex=%1").arg(SubIndex(node));
        lines << QStringLiteral("MCUType=%1").arg(d.MCUType);
        lines << QStringLiteral("Solution=$") +
                     QStringLiteral("%1").arg(d.Solution, 2, 16, QLatin1Char('0')).toUpper();
    }
    lines << QStringLiteral("Quantity=%1").arg(d.Quantity);
    if (!leaf)
        return lines;
    lines << QStringLiteral("PCBVersion=") +
                 (d.PCBVersion ? QString(QLatin1Char(char(d.PCBVersion))) : QString());
    if (!d.SpecialCode.isEmpty())
        lines << QStringLiteral("SpecialCode=$") + SpecialCodeToText(d.SpecialCode);
    lines << QStringLiteral("BCRunning=%1").arg(d.Ver1);
    lines << QStringLiteral("BIValid=%1").arg(d.Ver2);
    return lines;
}

QStringList ProductInfoReader::DisplayAllLines() {
    if (FTree.IsEmpty())
        return {};
    const bool wasQuiet = FCtx->QuietStatus;
    FCtx->QuietStatus = true;
    TReplyRecord reply;
    const RunResult result = FCtx->RunCommand(QStringLiteral("Getting device info ..."),
                                              Requests::firmwareVersion(), reply);
    FCtx->QuietStatus = wasQuiet;
    FCtx->ShowStatus(2, QStringLiteral("Done"));
    QStringList lines;
    if (result == RunResult::Done) {
        const Replies::FirmwareVersion v = Replies::firmwareVersion(reply);
        lines << QStringLiteral("Firmware Version: %1.%2")
                     .arg(v.major)
                     .arg(v.minor, 2, 10, QLatin1Char('0'));
    } else {
        lines << QStringLiteral("Firmware Version: Unknown.Unknown");
    }
    lines << QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    lines << Rule << QString();
    const QList<BoardInfoTreeNode *> nodes = FTree.Nodes();
    for (int i = 0; i < nodes.size(); ++i) {
        const BoardInfoTreeNode *node = nodes[i];
        lines << (node->Parent() ? node->Parent()->Text + QStringLiteral(": ") + node->Text
                                 : node->Text + QStringLiteral(":"));
        lines << NodeLines(node);
        if (i == nodes.size() - 1)
            lines << EndRule;
        else
            lines << Rule << QString();
    }
    return lines;
}
