#include "firmware/FileUpgrade.h"

#include "app/AppContext.h"
#include "app/OperationScope.h"
#include "app/PromptService.h"
#include "firmware/FirmwareTransfer.h"
#include "link/LinkWait.h"
#include "link/TSCOMControl.h"
#include "protocol/Requests.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr int PartTries = 6; // the first try and five retries
const QString UpgradeSucceeded = QStringLiteral("Firmware upgrade successfully");
const QString UpgradeFailed = QStringLiteral("Firmware upgrade failed");
const QString LanQuestion = QStringLiteral(
    "The Matrix is under TCP/IP control mode. It is strongly recommended to upgrade the Matrix "
    "firmware under COM mode (serial connection).\r\nAre you sure you wish to continue upgrading "
    "the firmware under TCP/IP mode?");

bool isCardKind(uint16_t kind) {
    return kind == McuKindInputCard || kind == McuKindOutputCard;
}

} // namespace

const QString FileUpgrade::InvalidFileText =
    QStringLiteral("Get firmware part(s) error, invalid firmware file!");

bool FileUpgradeContents::Usable() const {
    if (Invalid)
        return false;
    for (bool present : Present)
        if (present)
            return true;
    return false;
}

FileUpgrade::FileUpgrade(AppContext *ctx, QObject *parent) : QObject(parent), FCtx(ctx) {}

int FileUpgrade::BoxOf(const FirmwarePartHeader &h) {
    if (h.PartClass() == PartClassMain)
        return FileBox::Main;
    if (h.PartClass() != PartClassSub)
        return -1;
    const int slot = h.Slot();
    switch (h.MCUKind()) {
    case McuKindSlave:
        return FileBox::Slave;
    case McuKindIrMatrix:
        return FileBox::IrMatrix;
    case McuKindFrontPanel:
        return FileBox::FrontPanel;
    case McuKindIdir:
        return FileBox::Idir;
    case McuKindInputCard:
        return slot >= 1 && slot <= FileBox::CardSlots ? FileBox::Input1 + slot - 1 : -1;
    case McuKindOutputCard:
        return slot >= 1 && slot <= FileBox::CardSlots ? FileBox::Output1 + slot - 1 : -1;
    default:
        return -1;
    }
}

void FileUpgrade::LookupOf(int box, uint8_t &partClass, uint16_t &mcuKind, int &slot) {
    partClass = PartClassSub;
    slot = -1;
    if (box == FileBox::Main) {
        partClass = PartClassMain;
        mcuKind = McuKindMain;
    } else if (box >= FileBox::Input1 && box < FileBox::Input1 + FileBox::CardSlots) {
        mcuKind = McuKindInputCard;
        slot = box - FileBox::Input1 + 1;
    } else if (box >= FileBox::Output1 && box < FileBox::Output1 + FileBox::CardSlots) {
        mcuKind = McuKindOutputCard;
        slot = box - FileBox::Output1 + 1;
    } else if (box == FileBox::FrontPanel) {
        mcuKind = McuKindFrontPanel;
    } else if (box == FileBox::IrMatrix) {
        mcuKind = McuKindIrMatrix;
    } else if (box == FileBox::Slave) {
        mcuKind = McuKindSlave;
    } else {
        mcuKind = McuKindIdir;
    }
}

QString FileUpgrade::PartName(const FirmwarePartHeader &h) {
    QString name = QStringLiteral("Part_%1.%2").arg(h.PartClass()).arg(h.MCUKind());
    if (h.PartClass() == PartClassSub && isCardKind(h.MCUKind()))
        name += QStringLiteral(".%1").arg(h.Slot());
    return name + QStringLiteral(" ver%1.%2").arg(h.Ver1()).arg(h.Ver2());
}

FileUpgradeContents FileUpgrade::ReadContents(const QByteArray &file) {
    FileUpgradeContents contents;
    const FirmwareWalkEnd end = FirmwareFile::Walk(file, [&](const FirmwarePartEntry &part) {
        const FirmwarePartHeader &h = part.Header;
        const int box = BoxOf(h);
        if (box >= 0) {
            contents.Present[size_t(box)] = true;
            return true;
        }
        QString why;
        if (h.PartClass() != PartClassMain && h.PartClass() != PartClassSub)
            why = QStringLiteral("unknown part class");
        else if (h.MCUKind() < McuKindSlave || h.MCUKind() > McuKindOutputCard)
            why = QStringLiteral("unknown MCU kind");
        else
            why = QStringLiteral("card slot outside 1..8");
        contents.Unusable << PartName(h) + QStringLiteral(" is not usable (") + why +
                                 QStringLiteral("), ignored");
        return true;
    });
    contents.Invalid = end != FirmwareWalkEnd::Complete;
    return contents;
}

bool FileUpgrade::CollectParts(const QByteArray &file, const FileBoxSet &picked,
                               QList<FoundPart> &parts, QList<int> &boxes) {
    parts.clear();
    boxes.clear();
    for (int box = 0; box < FileBox::Count; ++box) {
        if (!picked[size_t(box)])
            continue;
        uint8_t partClass = 0;
        uint16_t kind = 0;
        int slot = -1;
        LookupOf(box, partClass, kind, slot);
        const std::optional<FoundPart> found =
            slot < 0 ? FindPart(file, partClass, kind)
                     : FindPart(file, partClass, kind, uint16_t(slot));
        if (!found) {
            parts.clear();
            boxes.clear();
            return false;
        }
        parts << *found;
        boxes << box;
    }
    return true;
}

FileUpgrade::Outcome FileUpgrade::UpgradeFromFile(const QString &path, const FileBoxSet &picked) {
    FNotWritten.clear();
    FRebootSent = false;
    PromptService *prompts = FCtx->Prompts;
    if (path.isEmpty()) {
        prompts->Information(QStringLiteral("Please open firmware file first."));
        return Outcome::NotRun;
    }
    if (!QFileInfo(path).isFile()) {
        prompts->Information(QStringLiteral("Firmware file:\r\n") + path +
                             QStringLiteral("\r\ndoes not exist."));
        return Outcome::NotRun;
    }
    bool any = false;
    for (bool p : picked)
        any = any || p;
    if (!any) {
        prompts->Information(QStringLiteral("Please select firmware part(s) to upgrade."));
        return Outcome::NotRun;
    }
    if (FCtx->Closing())
        return Outcome::NotRun;
    if (FCtx->Engine->ControlMode() == cmLAN && !prompts->Question(LanQuestion))
        return Outcome::NotRun;

    OperationScope op(FCtx);
    if (!op)
        return Outcome::NotRun; // busy (already said), closing, or the link did not open
    op.askBeforeStop(QStringLiteral("Stop the firmware upgrade? A board stopped in the middle of "
                                    "an upload may not start until it is upgraded again."));

    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        prompts->Error(QStringLiteral("Cannot open ") + path + QStringLiteral(": ") +
                       source.errorString());
        return Outcome::NotRun;
    }
    const QByteArray file = source.readAll();
    source.close();

    emit running(true);
    FCtx->ShowStatus(3, QString());
    const Outcome outcome = run(file, picked);
    FCtx->ShowStatus(3, QString());
    emit running(false);
    return outcome;
}

FileUpgrade::Outcome FileUpgrade::run(const QByteArray &file, const FileBoxSet &picked) {
    TTSCOMControl *engine = FCtx->Engine;
    FirmwareTransfer *firmware = FCtx->Firmware;

    QList<FoundPart> parts;
    QList<int> boxes;
    if (!CollectParts(file, picked, parts, boxes)) {
        FCtx->Prompts->Error(InvalidFileText);
        return Outcome::Failed;
    }

    int r = 0;
    int written = 0;
    bool unanswered = false;
    bool lastRefused = false; // the last part sent ended refused six times
    for (int i = 0; i < parts.size(); ++i) {
        LinkWait::serve();
        if (engine->Closing())
            break;
        emit gaugeChanged(QStringLiteral("Upgrade progress"), 0);
        const FirmwarePartHeader &h = parts[i].Header;
        const int box = boxes[i];
        const QString name = PartName(h);
        if (!PartHeaderValid(h)) {
            log(QStringLiteral("Bad FW file!"));
            emit boxMarked(box, true);
            FNotWritten << name;
            continue;
        }
        if (h.ImageLength() == 0) {
            // Nothing to carry: an empty image is not sent.
            log(name + QStringLiteral(" is empty, skipped"));
            continue;
        }
        FCtx->ShowStatus(2, QStringLiteral("Upgrading ") + name + QStringLiteral(" ..."));
        log(QStringLiteral("Upgrading ") + name + QStringLiteral(" ...") +
            (r > 0 ? QStringLiteral(" Retry time: %1").arg(r) : QString()));
        TReplyRecord reply;
        if (FCtx->ReopenLink()) {
            if (h.PartClass() == PartClassMain)
                firmware->UploadPartPrepared(h.UploadFrame(), parts[i].Image, reply);
            else
                firmware->UploadPart(h.UploadFrame(), parts[i].Image, reply);
        }
        if (engine->Closing())
            break;
        if (!reply.ok()) {
            log(QStringLiteral("Upgrading ") + name + QStringLiteral(" failed"));
            emit boxMarked(box, true);
            FNotWritten << name;
            unanswered = true;
            // The parts after it are not sent either.
            for (int j = i + 1; j < parts.size(); ++j)
                if (parts[j].Header.ImageLength() != 0)
                    FNotWritten << PartName(parts[j].Header);
            break;
        }
        if (firmware->PartRefused()) {
            FCtx->ShowStatus(2, QStringLiteral("Write ") + name + QStringLiteral(" failed"), true);
            emit boxMarked(box, true);
            if (r >= PartTries - 1) {
                // Given up: the run goes on with the next part.
                log(QStringLiteral("Upgrading ") + name + QStringLiteral(" failed"));
                FNotWritten << name;
                lastRefused = true;
                r = 0;
            } else {
                ++r;
                --i; // the same part again
            }
            continue;
        }
        log(name + QStringLiteral(" upgrading complete"));
        FCtx->ShowStatus(2, QStringLiteral("Done"));
        emit boxMarked(box, false);
        ++written;
        lastRefused = false;
        r = 0;
    }

    if (engine->Closing()) {
        log(QStringLiteral("Upgrading stopped"));
        return Outcome::Stopped;
    }

    // The unit restarts into what was written, unless the run broke off or
    // its last part was refused to the end.
    bool rebootOk = true;
    if (written > 0 && !unanswered && !lastRefused) {
        FRebootSent = true;
        TReplyRecord reply;
        if (FCtx->RunHeldCommand(QStringLiteral("Reboot system ..."), Requests::rebootSystem(),
                                 reply) != RunResult::Done) {
            if (!engine->Closing())
                log(QStringLiteral("Reboot system failed, the unit did not restart"));
            rebootOk = false;
        } else {
            firmware->WaitReboot(reply);
            rebootOk = reply.ok();
        }
        if (engine->Closing()) {
            log(QStringLiteral("Upgrading stopped"));
            return Outcome::Stopped;
        }
    }

    if (written > 0 && FNotWritten.isEmpty() && !unanswered && rebootOk) {
        log(UpgradeSucceeded + QStringLiteral("!"));
        FCtx->ShowStatus(2, UpgradeSucceeded);
        return Outcome::Succeeded;
    }
    if (!FNotWritten.isEmpty())
        log(QStringLiteral("Firmware part(s) not written: ") +
            FNotWritten.join(QStringLiteral(", ")));
    else if (written == 0 && !unanswered)
        log(QStringLiteral("No firmware part was sent"));
    log(UpgradeFailed);
    FCtx->ShowStatus(2, UpgradeFailed, true);
    return Outcome::Failed;
}
