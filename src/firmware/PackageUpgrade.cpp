#include "firmware/PackageUpgrade.h"

#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "boardinfo/BoardInfoBlock.h"
#include "boardinfo/SpecialCode.h"
#include "firmware/BoardInfoTransfer.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareTransfer.h"
#include "firmware/UpgradeTree.h"
#include "link/LinkWait.h"
#include "link/TSCOMControl.h"
#include "protocol/CommandCodes.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Done = QStringLiteral("Done");
const QString MainBoardWarning = QStringLiteral(
    "1. Main Board's firmware MUST be upgraded first.\r\n2. Now to upgrade Main Board's firmware "
    "ONLY if it's included in the firmware package and check box has been selected.\r\n3. After "
    "Main Board's firmware being upgraded, you must click [Upgrade] button again to upgrade "
    "firmware entirely.");
const QString PackageNotCorrect = QStringLiteral("Firmware package not correct\r\n");
const QString PackageNotCorrectMain =
    QStringLiteral("Firmware package not correct or Main Board firmware not selected\r\n");
const QString UpgradeSucceeded = QStringLiteral("Firmware upgrade successfully");

constexpr int PartTries = 6; // the first try and five retries
constexpr int SettleSteps = 40;
constexpr int SettleStepTicks = 100;

QString hex2(int v) {
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString letter(uint8_t code) {
    return code ? QString(QLatin1Char(char(code))) : QString();
}

// The special-code text of a board's own block.
QString BlockSpecialCode(const QByteArray &block) {
    BoardInfoBoardEntry board;
    BoardInfoSpecialEntry special;
    ParseBoardInfoBlock(block, 1, board, special);
    return special.Text;
}

} // namespace

PackageUpgrade::PackageUpgrade(AppContext *ctx, UpgradeTree *tree, QObject *parent)
    : QObject(parent), FCtx(ctx), FTree(tree), FTransfer(new BoardInfoTransfer(ctx->Engine, this)) {
    connect(ctx->Engine, &TTSCOMControl::connectFailed, this, [this] { FLinkOK = false; });
}

void PackageUpgrade::SetFile(const QByteArray &bytes, bool isPackage) {
    FFile = bytes;
    FIsPackage = isPackage;
    FPrepared.clear();
    FWorkList.clear();
}

QString PackageUpgrade::PartName(const FirmwarePartHeader &h) {
    QString name = QStringLiteral("Part_%1.%2").arg(h.PartClass()).arg(h.MCUKind());
    if (h.MCUKind() != 1)
        name += QStringLiteral(".%1").arg(h.Slot());
    name += QStringLiteral(" ver%1.%2").arg(h.Ver1() & 0xFF).arg(h.Ver2(), 2, 10, QLatin1Char('0'));
    return name;
}

const QString PackageUpgrade::LanQuestion = QStringLiteral(
    "The Matrix is under TCP/IP control mode. It is strongly recommended to upgrade the Matrix "
    "firmware under COM mode (serial connection).\r\nAre you sure you wish to continue upgrading "
    "the firmware under TCP/IP mode?");

bool PackageUpgrade::OpenFile(const QString &path, QString *error) {
    const bool isPackage = QFileInfo(path).suffix().toLower() == QStringLiteral("fw2");
    QFile file(path);
    QByteArray bytes;
    bool ok = file.open(QIODevice::ReadOnly);
    if (ok)
        bytes = file.readAll();
    if (ok && file.error() != QFileDevice::NoError) {
        ok = false;
        bytes.clear();
    }
    if (!ok && error)
        *error = QStringLiteral("Cannot open ") + path + QStringLiteral(": ") + file.errorString();
    if (isPackage)
        FTree->BuildTreeFromPackage(bytes, FCtx->Engine->closingFlag());
    else
        FTree->BuildTreeFromFirmwareFile(bytes);
    SetFile(bytes, isPackage);
    return ok;
}

bool PackageUpgrade::ConfirmStart() {
    if (!FTree->AnyChecked()) {
        FCtx->Prompts->Information(QStringLiteral("No item selected."));
        return false;
    }
    return FCtx->Engine->ControlMode() != cmLAN || FCtx->Prompts->Question(LanQuestion);
}

// ---- Steps on the held link ---------------------------------------------

bool PackageUpgrade::ensureLink() {
    return FCtx->ReopenLink();
}

bool PackageUpgrade::command(const QString &caption, const Frame &request, TReplyRecord &reply) {
    return FCtx->RunHeldCommand(caption, request, reply) == RunResult::Done;
}

BootCodeInfo PackageUpgrade::ReadBootCodeInfo(uint8_t pcbType, uint8_t subIndex) {
    TReplyRecord reply;
    if (!command(QStringLiteral("Read Boot Code Info ..."),
                 Requests::readBootCodeInfo(pcbType, subIndex), reply))
        return BootCodeInfo();
    return Replies::bootCodeInfo(reply);
}

bool PackageUpgrade::ResetAllSlaveMCU(bool beforeUpgrade) {
    TReplyRecord reply;
    return command(QStringLiteral("Reset All Slave MCU"),
                   Requests::resetSlaves(beforeUpgrade ? BoardParam::SlaveResetForUpgrade
                                                       : BoardParam::SlaveResetForBoardInfo),
                   reply);
}

QByteArray PackageUpgrade::getBoardInfo(const BoardInfoFields &fields, BoardInfoResult &result) {
    result = BoardInfoResult();
    if (!ensureLink())
        return QByteArray();
    FCtx->ShowStatus(3, QString());
    FCtx->ShowStatus(2, QStringLiteral("Get Board Info Ext Data ..."));
    const QByteArray block = FTransfer->GetBoardInfoExtData(fields, result);
    if (result.ok())
        FCtx->ShowStatus(2, Done);
    else
        FCtx->ShowStatus(2, QStringLiteral("Get Board Info Failed"), true);
    return block;
}

void PackageUpgrade::sendBoardInfo(const BoardInfoFields &fields, const QByteArray &block,
                                   BoardInfoResult &result) {
    result = BoardInfoResult();
    if (!ensureLink())
        return;
    FCtx->ShowStatus(3, QString());
    FCtx->ShowStatus(2, QStringLiteral("Send Board Info Ext Data ..."));
    FTransfer->SendBoardInfoExtData(fields, block, result);
    if (result.ok())
        FCtx->ShowStatus(2, Done);
    else
        FCtx->ShowStatus(2, QStringLiteral("Send Board Info Failed"), true);
}

void PackageUpgrade::gauge(const QString &caption, int position) {
    emit gaugeChanged(caption, position);
}

// ---- The run ------------------------------------------------------------

PackageUpgrade::Outcome PackageUpgrade::RunUpgrade() {
    FLinkOK = true;
    FPrepared.clear();
    FWorkList.clear();
    OperationScope op(FCtx);
    if (op.refused())
        return Outcome::NotRun;
    op.askBeforeStop(QStringLiteral("Stop the firmware upgrade? A board stopped in the middle of "
                                    "an upload may not start until it is upgraded again."));
    if (!op) {
        // The link could not be opened.
        FLinkOK = false;
        log(QStringLiteral("Upgrading failed"));
        return Outcome::Failed;
    }
    TTSCOMControl *engine = FCtx->Engine;

    const bool wasQuiet = FCtx->QuietStatus;
    FCtx->QuietStatus = true;
    const bool prepared = FIsPackage ? PreparePackageParts() : PrepareFileParts();
    FCtx->QuietStatus = wasQuiet;

    bool firmwareOk = true;
    if (prepared) {
        if (!BoardInfoOnly)
            firmwareOk = SendPreparedParts();
    } else if (!engine->Closing()) {
        FCtx->ShowStatus(2, FProblemText, true);
    }

    bool boardInfoOk = true;
    const bool needsBoardInfo = FIsPackage && prepared && NeedsBoardInfoWrite();
    if (needsBoardInfo && !engine->Closing()) {
        FCtx->QuietStatus = true;
        boardInfoOk = WriteBoardInfo();
        FCtx->QuietStatus = wasQuiet;
    }

    if (engine->Closing()) {
        log(QStringLiteral("Upgrading stopped"));
        return Outcome::Stopped;
    }
    if (!FLinkOK) {
        log(QStringLiteral("Upgrading failed"));
        return Outcome::Failed;
    }
    if (!prepared)
        return Outcome::Failed;
    const auto fail = [this](const QString &text) {
        log(text);
        FCtx->ShowStatus(2, text, true);
        return Outcome::Failed;
    };
    const auto succeed = [this] {
        log(UpgradeSucceeded + QStringLiteral("!"));
        FCtx->ShowStatus(2, UpgradeSucceeded);
        return Outcome::Succeeded;
    };
    if (FIsPackage) {
        if (firmwareOk && boardInfoOk) {
            if (!needsBoardInfo && BoardInfoOnly)
                return fail(QStringLiteral("No Board Info in the Package to upgrade"));
            return succeed();
        }
        if (firmwareOk)
            return fail(QStringLiteral("Board Info upgrade failed"));
        if (boardInfoOk)
            return fail(QStringLiteral("Firmware upgrade failed"));
        return fail(QStringLiteral("Firmware/Board Info upgrade failed"));
    }
    if (BoardInfoOnly) {
        log(QStringLiteral("No Firmware upgraded, [Board Info Only] should not be checked"));
        FCtx->ShowStatus(2, QStringLiteral("No Firmware upgraded"), true);
        return Outcome::Failed;
    }
    if (firmwareOk)
        return succeed();
    FCtx->ShowStatus(2, QStringLiteral("Firmware upgrade failed"), true);
    return Outcome::Failed;
}

// ---- Preparation ----------------------------------------------------------

QString PackageUpgrade::problemDump(const BoardInfoTreeNode *node, const BootCodeInfo &bc,
                                    bool infoValid, bool infoRead, const BoardInfoFields &f,
                                    const QString &specialCode) {
    const QString caption = node->Text;
    QString t;
    const auto line = [&t](const QString &s) { t += s + CrLf; };
    line(caption + QStringLiteral(": Firmware not found"));
    line(QStringLiteral("Boot Code Info as below:"));
    line(QStringLiteral("ReadBootCodeInfo"));
    line(QStringLiteral("rBCI.PCBType=%1").arg(bc.PCBType));
    line(QStringLiteral("rBCI.SubIndex=%1").arg(bc.SubIndex));
    line(QStringLiteral("rBCI.MCUType=%1######").arg(bc.MCUType));
    line(QStringLiteral("rBCI.BCVersion=%1").arg(bc.BCVersion));
    line(QStringLiteral("rBCI.BCRunning=%1").arg(bc.BCRunning));
    line(QStringLiteral("rBCI.BoardInfoValid=%1").arg(bc.BoardInfoValid));
    if (!infoValid) {
        line(QStringLiteral("Board Info Invalid"));
    } else if (!infoRead) {
        line(QStringLiteral("Board Info Valid but read failed"));
    } else {
        line(QStringLiteral("Board Info as below:"));
        line(QStringLiteral("ReadBoardInfo"));
        line(QStringLiteral("rwBI.PCBType=%1").arg(f.PCBType));
        line(QStringLiteral("rwBI.SubIndex=%1").arg(f.SubIndex));
        line(QStringLiteral("rwBI.PCBTypeForCheck=%1").arg(f.PCBTypeForCheck));
        line(QStringLiteral("rwBI.PCBSolution=") + hex2(f.PCBSolution) + QStringLiteral("######"));
        line(QStringLiteral("rwBI.PCBVersion=") + letter(f.PCBVersion) + QStringLiteral("######"));
        line(QStringLiteral("rwBI.ExtLenLSB=%1").arg(f.ExtLenLSB));
        line(QStringLiteral("rwBI.ExtLenMSB=%1").arg(f.ExtLenMSB));
        line(QStringLiteral("rwBI.TransmiteState=%1").arg(f.TransmiteState));
        line(QStringLiteral("Special Code=") + specialCode + QStringLiteral("######"));
    }
    line(caption + QStringLiteral(": Part in package Info as below:"));
    const FirmwarePackage pkg(FFile, FCtx->Engine->closingFlag());
    int listed = 0;
    for (int k = 1; k <= pkg.Count(); ++k) {
        const PackageItem item = pkg.Item(k);
        const QString board = BoardNameText(item.Record.BoardName());
        if (board.isEmpty() || !caption.contains(board))
            continue;
        const TVCUpgradeCheckPoint &cp = item.CheckPoint;
        line(QStringLiteral("%1.").arg(++listed));
        line(QStringLiteral("fw2 vcp.BaseData.MCUType=%1******").arg(cp.MCUType));
        line(QStringLiteral("fw2 vcp.BaseData.Solution=") + hex2(cp.Solution) +
             QStringLiteral("******"));
        line(QStringLiteral("fw2 vcp.BaseData.PCB_Ver_From=") + letter(cp.PCBVersionFrom) +
             QStringLiteral("******"));
        line(QStringLiteral("fw2 vcp.BaseData.PCB_Ver_To=") + letter(cp.PCBVersionTo) +
             QStringLiteral("******"));
        line(QStringLiteral("fw2 Special code=") + cp.SpecialCode + QStringLiteral("******"));
    }
    if (listed == 0) {
        line(caption + QStringLiteral(": No firwmare part found in package"));
        line(QString());
    }
    return t;
}

bool PackageUpgrade::PreparePackageParts() {
    TTSCOMControl *engine = FCtx->Engine;
    const FirmwarePackage pkg(FFile, engine->closingFlag());
    FPrepared.clear();
    FWorkList.clear();
    log(QStringLiteral("Preparing firmware, please wait ..."));
    gauge(QStringLiteral("Preparing firmware"), 0);
    FProblemText.clear();
    QString problems;
    bool mainInBootCode = false;
    bool warned = false;
    bool started = false;
    bool result = false;

    const QList<BoardInfoTreeNode *> nodes = FTree->Tree().Nodes();
    int shown = 0;
    for (int i = 0; i < nodes.size(); ++i) {
        if (engine->Closing())
            return false;
        const int position = int((i + 1) * 100 / nodes.size());
        if (position != shown) {
            shown = position;
            gauge(QString(), position);
        }
        BoardInfoTreeNode *node = nodes[i];
        if (!node->Checked || node->ChildCount() > 0)
            continue;
        const bool child = node->Parent() != nullptr;
        const uint8_t v = child ? node->Parent()->Data.PCBType : node->Data.PCBType;
        const uint8_t w = child ? node->Data.PCBType : 0;

        // The main board first: until it answers without a time-out. A read
        // that fails without waiting (no link, a send error) is not repeated.
        BootCodeInfo main;
        do {
            engine->ClearTimeoutSeen();
            main = ReadBootCodeInfo(PCBTypeMainBoard, 0);
            if (engine->TimeoutSeen() && !engine->Closing()) {
                log(QStringLiteral(
                    "Time out! Please power up the unit and check connection of the cable."));
                FCtx->ShowStatus(2, QStringLiteral("Time out!"), true);
            }
        } while (engine->TimeoutSeen() && !engine->Closing());
        if (engine->Closing())
            return false;
        if (main.Success) {
            if (main.BCRunning) {
                mainInBootCode = true;
                if (!warned) {
                    warned = true;
                    FCtx->Prompts->Information(MainBoardWarning);
                }
            } else {
                ResetAllSlaveMCU(true);
            }
        }
        if (mainInBootCode && v != PCBTypeMainBoard)
            continue;
        if (!started) {
            started = true;
            result = true;
        }

        BootCodeInfo bc = ReadBootCodeInfo(v, w);
        if (Force)
            bc.BoardInfoValid = 0;
        BoardInfoFields fields;
        QString boardSpecial;
        bool infoRead = false;
        if (bc.Success && bc.BoardInfoValid) {
            BoardInfoFields ask;
            ask.PCBType = v;
            ask.SubIndex = w;
            ask.PCBTypeForCheck = v;
            BoardInfoResult read;
            const QByteArray block = getBoardInfo(ask, read);
            infoRead = read.ok();
            if (infoRead) {
                fields = read.Fields;
                boardSpecial = BlockSpecialCode(block);
                if (fields.PCBTypeForCheck != v)
                    log(QStringLiteral("%1.%2:Board not installed in right socket").arg(v).arg(w));
            }
        }

        int fit = 0;
        for (int k = 1; k <= pkg.Count() && !fit; ++k) {
            if (engine->Closing())
                return false;
            const PackageItem item = pkg.Item(k);
            const uint8_t h = item.Header.PartClass();
            const uint16_t kind = item.Header.MCUKind();
            const TVCUpgradeCheckPoint &cp = item.CheckPoint;
            bool fits;
            if (bc.BoardInfoValid) {
                fits = ((h == PartClassMain && v == PCBTypeMainBoard) ||
                        (h == PartClassSub && fields.PCBTypeForCheck == v && v == kind)) &&
                       bc.MCUType == cp.MCUType && fields.PCBSolution == cp.Solution &&
                       cp.PCBVersionFrom <= fields.PCBVersion &&
                       fields.PCBVersion <= cp.PCBVersionTo &&
                       (cp.SpecialCode == boardSpecial || cp.OverwriteSpecialCode);
            } else {
                fits = ((h == PartClassMain && v == PCBTypeMainBoard) ||
                        (h == PartClassSub && v == kind)) &&
                       cp.DefaultFirmware;
            }
            if (!fits)
                continue;
            fit = k;
            PreparedPart part;
            part.Header = item.Header;
            part.Header.setSlot(uint16_t(w + 1));
            const uint8_t mcuType = bc.BoardInfoValid ? bc.MCUType : 0;
            part.Header.setVer1(uint16_t((item.Header.Ver1() & 0xFF) | (mcuType << 8)));
            part.Header.Seal();
            if (item.Header.ImageLength() != 0)
                part.Image = item.Image;
            FPrepared << part;
            FWorkList << BoardInfoWorkEntry{bc.Success == 1, k, w,
                                            FTree->Tree().AbsoluteIndex(node)};
        }
        if (!fit) {
            result = false;
            if (bc.Success)
                problems +=
                    problemDump(node, bc, bc.BoardInfoValid, infoRead, fields, boardSpecial);
        }
    }

    if (result) {
        log(QStringLiteral("Preparing firmware complete"));
        return true;
    }
    FPrepared.clear();
    FProblemText = mainInBootCode ? PackageNotCorrectMain : PackageNotCorrect;
    QStringList lines =
        (problems.isEmpty() ? FProblemText : problems + CrLf + FProblemText).split(CrLf);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : lines)
        log(line);
    return false;
}

bool PackageUpgrade::PrepareFileParts() {
    FPrepared.clear();
    FWorkList.clear();
    FProblemText.clear();
    if (FFile.isEmpty() || FTree->Tree().IsEmpty()) {
        FProblemText = PackageNotCorrect;
        return false;
    }
    log(QStringLiteral("Preparing firmware, please wait ..."));
    gauge(QStringLiteral("Preparing firmware"), 0);
    const QList<BoardInfoTreeNode *> nodes = FTree->Tree().Nodes();
    int shown = 0;
    for (int i = 0; i < nodes.size(); ++i) {
        if (FCtx->Closing())
            return false;
        const int position = int((i + 1) * 100 / nodes.size());
        if (position != shown) {
            shown = position;
            gauge(QString(), position);
        }
        const BoardInfoTreeNode *node = nodes[i];
        if (!node->Checked || node->ChildCount() > 0)
            continue;
        std::optional<FoundPart> found;
        if (!node->Parent()) {
            const uint8_t kind = node->Data.PCBType;
            found =
                kind == 0 ? FindPart(FFile, PartClassMain) : FindPart(FFile, PartClassSub, kind);
        } else {
            found = FindPart(FFile, PartClassSub, node->Parent()->Data.PCBType,
                             uint16_t(node->Data.PCBType + 1));
        }
        if (!found) {
            FPrepared.clear();
            FProblemText = PackageNotCorrect;
            log(QStringLiteral("Firmware package not correct"));
            return false;
        }
        FPrepared << PreparedPart{found->Header, found->Image};
    }
    log(QStringLiteral("Preparing firmware complete"));
    return true;
}

// ---- Sending --------------------------------------------------------------

bool PackageUpgrade::SendPreparedParts() {
    TTSCOMControl *engine = FCtx->Engine;
    FirmwareTransfer *firmware = FCtx->Firmware;
    if (engine->Closing())
        return false;
    bool result = true;
    bool subSent = false;
    int r = 0;
    for (int i = 0; i < FPrepared.size(); ++i) {
        LinkWait::serve();
        if (engine->Closing())
            return false;
        gauge(QStringLiteral("Upgrade progress"), 0);
        const PreparedPart &part = FPrepared[i];
        const FirmwarePartHeader &h = part.Header;
        if (!PartHeaderValid(h)) {
            log(QStringLiteral("Bad FW file!"));
            result = false;
            break;
        }
        if (h.ImageLength() == 0)
            continue;
        const QString name = PartName(h);
        FCtx->ShowStatus(2, QStringLiteral("Upgrading ") + name + QStringLiteral(" ..."));
        log(QStringLiteral("Upgrading ") + name + QStringLiteral(" ...") +
            (r > 0 ? QStringLiteral(" Retry time: %1").arg(r) : QString()));
        TReplyRecord reply;
        if (ensureLink()) {
            if (h.PartClass() == PartClassMain) {
                firmware->UploadPartPrepared(h.UploadFrame(), part.Image, reply);
            } else {
                subSent = true;
                firmware->UploadPart(h.UploadFrame(), part.Image, reply);
            }
        }
        if (engine->Closing())
            return false;
        const bool refused = firmware->PartRefused();
        if (reply.ok() && !refused) {
            log(name + QStringLiteral(" upgrading complete"));
            FCtx->ShowStatus(2, Done);
            r = 0;
            continue;
        }
        if (r >= PartTries - 1) {
            log(QStringLiteral("Upgrading ") + name + QStringLiteral(" failed"));
            const bool main = h.PartClass() == PartClassMain;
            emit treeMark(QStringLiteral("FMFail"), main ? 0 : h.MCUKind(),
                          main ? 0 : h.Slot() - 1);
            result = false;
        }
        if (reply.ok())
            FCtx->ShowStatus(2, QStringLiteral("Write ") + name + QStringLiteral(" failed"), true);
        else if (!engine->TimeoutSeen())
            FCtx->ShowStatus(2, QStringLiteral("Send data ") + name + QStringLiteral(" failed"),
                             true);
        if (r < PartTries - 1) {
            --i; // the same part again
            ++r;
        } else {
            r = 0;
        }
    }

    if (subSent && result && !firmware->PartRefused() && !engine->Closing()) {
        TReplyRecord reply;
        if (!command(QStringLiteral("Reboot system ..."), Requests::rebootSystem(), reply)) {
            // The parts are in, but the unit did not restart into them.
            if (!engine->Closing())
                log(QStringLiteral("Reboot system failed, the unit did not restart"));
            result = false;
        } else {
            firmware->WaitReboot(reply);
            result = reply.ok();
        }
    }
    FCtx->ShowStatus(3, QString());
    return result && !engine->Closing();
}

// ---- Board information ------------------------------------------------------

bool PackageUpgrade::NeedsBoardInfoWrite() const {
    const FirmwarePackage pkg(FFile);
    for (const BoardInfoWorkEntry &e : FWorkList) {
        if (!e.BootCodeRead)
            continue;
        const TVCUpgradeCheckPoint cp = pkg.Item(e.Item).CheckPoint;
        if (cp.IncludeBoardInfo || cp.OverwriteSpecialCode)
            return true;
    }
    return false;
}

bool PackageUpgrade::WriteBoardInfo() {
    TTSCOMControl *engine = FCtx->Engine;
    const BootCodeInfo main = ReadBootCodeInfo(PCBTypeMainBoard, 0);
    if (main.Success && main.BCRunning == 0) {
        ResetAllSlaveMCU(false);
        TReplyRecord reply;
        FCtx->Firmware->WaitReboot(reply);
        gauge(QStringLiteral("Please wait ..."), 0);
        const int stepMs = SettleStepTicks * LinkTiming::current().tickMs;
        for (int step = 1; step <= SettleSteps && !engine->Closing(); ++step) {
            engine->Pause(stepMs);
            gauge(QString(), step * 100 / SettleSteps);
        }
    }
    if (engine->Closing())
        return false;

    gauge(QStringLiteral("Upgrade Board Info"), 0);
    const FirmwarePackage pkg(FFile, engine->closingFlag());
    bool result = true;
    const int n = int(FWorkList.size());
    for (int e = 1; e <= n; ++e) {
        gauge(QString(), e * 100 / n);
        LinkWait::serve();
        if (engine->Closing())
            return false;
        const BoardInfoWorkEntry &entry = FWorkList[e - 1];
        if (!entry.BootCodeRead)
            continue;
        const PackageItem item = pkg.Item(entry.Item);
        const TVCUpgradeCheckPoint &cp = item.CheckPoint;
        const QString caption = FTree->SavedCaption(entry.NodeIndex);
        const uint8_t s = uint8_t(entry.SubIndex);
        const int markKind = item.Header.PartClass() == PartClassMain ? 0 : item.Header.MCUKind();
        const auto failed = [&](const QString &text) {
            log(caption + text);
            emit treeMark(QStringLiteral("BIFail"), markKind, s);
            result = false;
        };

        if (cp.IncludeBoardInfo) {
            BoardInfoFields fields;
            fields.PCBType = cp.PCBType;
            fields.SubIndex = s;
            fields.PCBTypeForCheck = cp.PCBType;
            fields.PCBSolution = cp.Solution;
            fields.PCBVersion = cp.PCBVersion;
            fields.setExtLen(int(item.Block.size()));
            BoardInfoResult written;
            sendBoardInfo(fields, item.Block, written);
            if (written.ok())
                log(caption + QStringLiteral(":Set Board Info okay"));
            else
                failed(QStringLiteral(":Set Board Info failed"));
        } else if (cp.OverwriteSpecialCode) {
            BoardInfoFields ask;
            ask.PCBType = cp.PCBType;
            ask.SubIndex = s;
            ask.PCBTypeForCheck = cp.PCBType;
            BoardInfoResult read;
            const QByteArray block = getBoardInfo(ask, read);
            if (!read.ok()) {
                failed(QStringLiteral(":Get Board Info for SC replacement failed"));
                continue;
            }
            log(caption + QStringLiteral(":Get Board Info for SC replacement okay"));
            QByteArray code;
            bool replaced = SpecialCodeToBytes(cp.SpecialCode, code) >= 0;
            QByteArray newBlock;
            if (replaced)
                newBlock = ReplaceBoardInfoEntry(block, EntryTypeSpecialCode,
                                                 SpecialCodeEntryBytes(code), &replaced);
            BoardInfoResult written;
            if (replaced) {
                BoardInfoFields fields = read.Fields;
                fields.setExtLen(int(newBlock.size()));
                fields.TransmiteState = 0;
                sendBoardInfo(fields, newBlock, written);
            }
            if (written.ok())
                log(caption + QStringLiteral(":Set Board Info for SC replacement okay"));
            else
                failed(QStringLiteral(":Set Board Info for SC replacement failed"));
        }
    }
    return result && !engine->Closing();
}
