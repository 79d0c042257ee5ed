#include "firmware/UpgradeTree.h"

#include "boardinfo/BoardInfoBlock.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePackage.h"
#include "protocol/Commands.h"

#include <iterator>

namespace {

// The board entry an item describes itself by: the main board's item lists
// every board of the unit, so its own entry is the first with PCB type 0;
// every other item's is its first entry.
BoardInfoBoardEntry OwnBoardEntry(const PackageItem &item) {
    BoardInfoBoardEntry entry;
    BoardInfoSpecialEntry special;
    const int count = ParseBoardInfoBlock(item.Block, 1, entry, special);
    if (item.InfoHeader.PCBType() != PCBTypeMainBoard)
        return entry;
    for (int n = 1; n <= count; ++n) {
        BoardInfoBoardEntry candidate;
        ParseBoardInfoBlock(item.Block, n, candidate, special);
        if (candidate.PCBType == PCBTypeMainBoard)
            return candidate;
    }
    return entry;
}

void FillFromItem(BoardInfoNode &d, const PackageItem &item, uint8_t quantity) {
    const TVCUpgradeCheckPoint &cp = item.CheckPoint;
    d.IncludeBoardInfo = cp.IncludeBoardInfo;
    d.PCBType = cp.PCBType;
    d.MCUType = cp.MCUType;
    d.Solution = cp.Solution;
    d.Quantity = quantity;
    d.PCBVersion = cp.PCBVersion;
    d.OverwriteSpecialCode = cp.OverwriteSpecialCode;
    d.PCBVersionFrom = cp.PCBVersionFrom;
    d.PCBVersionTo = cp.PCBVersionTo;
    d.DefaultFirmware = cp.DefaultFirmware;
    d.Ver1 = cp.Ver1;
    d.Ver2 = cp.Ver2;
}

} // namespace

QString UpgradeTree::McuKindName(int kind) {
    if (kind >= 0 && kind < int(std::size(MCUPartNames)))
        return MCUPartNames[kind];
    return QStringLiteral("MCU%1_").arg(kind);
}

QString UpgradeTree::SavedCaption(int absoluteIndex) const {
    return FCaptions.value(absoluteIndex);
}

void UpgradeTree::Clear() {
    FTree.Clear();
    FCaptions.clear();
}

void UpgradeTree::saveCaptions() {
    FCaptions.clear();
    for (BoardInfoTreeNode *node : FTree.Nodes())
        FCaptions << node->Text;
}

void UpgradeTree::BuildTreeFromPackage(const QByteArray &package, const bool *closing) {
    Clear();
    const FirmwarePackage pkg(package, closing);
    for (int k = 1; k <= pkg.Count(); ++k) {
        const PackageItem item = pkg.Item(k);
        const TVCUpgradeCheckPoint &cp = item.CheckPoint;
        if (item.Header.ImageLength() == 0 && !cp.IncludeBoardInfo && !cp.OverwriteSpecialCode)
            continue;
        const QString name = BoardNameText(item.Record.BoardName());
        const uint8_t quantity = OwnBoardEntry(item).Quantity;
        if (quantity < 2) {
            bool exists = false;
            for (int i = 0; i < FTree.TopCount() && !exists; ++i)
                exists = FTree.Top(i)->Text == name;
            if (exists)
                continue;
            BoardInfoTreeNode *node = FTree.AddTop();
            node->Text = name;
            node->Checked = true;
            FillFromItem(node->Data, item, quantity);
            continue;
        }
        bool covered = false;
        for (int i = 0; i < FTree.TopCount() && !covered; ++i) {
            const BoardInfoTreeNode *top = FTree.Top(i);
            covered = top->Data.PCBType == cp.PCBType && top->ChildCount() >= quantity;
        }
        if (covered)
            continue;
        BoardInfoTreeNode *board = FTree.AddTop();
        board->Text = name;
        board->Checked = true;
        board->Data.PCBType = cp.PCBType;
        board->Data.MCUType = cp.MCUType;
        for (int n = 1; n <= quantity; ++n) {
            BoardInfoTreeNode *child = FTree.AddChild(board);
            child->Text = name + QStringLiteral(" ") + QString::number(n);
            child->Checked = true;
            FillFromItem(child->Data, item, quantity);
            child->Data.PCBType = uint8_t(n - 1);
        }
    }
    if (!FTree.IsEmpty())
        FTree.Select(FTree.Top(0));
    saveCaptions();
}

void UpgradeTree::BuildTreeFromFirmwareFile(const QByteArray &file) {
    Clear();
    FirmwareFile::Walk(file, [this](const FirmwarePartEntry &part) {
        const FirmwarePartHeader &h = part.Header;
        if (h.PartClass() == PartClassMain) {
            BoardInfoTreeNode *node = FTree.AddTop();
            node->Text = McuKindName(0);
            node->Data.PCBType = 0;
            node->Checked = true;
        } else if (h.PartClass() == PartClassSub) {
            const uint8_t kind = uint8_t(h.MCUKind() & 0xFF);
            BoardInfoTreeNode *board = nullptr;
            for (int i = 0; i < FTree.TopCount() && !board; ++i)
                if (FTree.Top(i)->Data.PCBType == kind)
                    board = FTree.Top(i);
            if (!board) {
                board = FTree.AddTop();
                board->Text = McuKindName(kind);
                board->Data.PCBType = kind;
                board->Checked = true;
            }
            if (h.Slot() != 0) {
                BoardInfoTreeNode *child = FTree.AddChild(board);
                child->Text = McuKindName(kind) + QString::number(h.Slot());
                child->Data.PCBType = uint8_t(h.Slot() - 1);
                child->Checked = true;
            }
        }
        return true;
    });
    if (!FTree.IsEmpty())
        FTree.Select(FTree.Top(0));
    saveCaptions();
}

void UpgradeTree::CascadeTreeCheck(BoardInfoTreeNode *node) {
    if (!node)
        return;
    if (node->Level() == 0) {
        for (int c = 0; c < node->ChildCount(); ++c)
            node->Child(c)->Checked = node->Checked;
        return;
    }
    if (node->Level() != 1)
        return;
    BoardInfoTreeNode *parent = node->Parent();
    if (node->Checked) {
        parent->Checked = true;
        return;
    }
    bool sibling = false;
    for (int c = 0; c < parent->ChildCount() && !sibling; ++c)
        sibling = parent->Child(c)->Checked;
    if (!sibling)
        parent->Checked = false;
}

BoardInfoTreeNode *UpgradeTree::MarkTarget(int partId, int subId) const {
    for (int i = 0; i < FTree.TopCount(); ++i) {
        BoardInfoTreeNode *top = FTree.Top(i);
        if (top->Data.PCBType != partId)
            continue;
        for (int c = 0; c < top->ChildCount(); ++c)
            if (top->Child(c)->Data.PCBType == subId)
                return top->Child(c);
        return top;
    }
    return nullptr;
}

bool UpgradeTree::MarkPackageNode(int partId, int subId, const QString &text) {
    BoardInfoTreeNode *node = MarkTarget(partId, subId);
    if (!node)
        return false;
    node->Text += QStringLiteral(" ->") + text;
    return true;
}

void UpgradeTree::RestoreCaptions() {
    const QList<BoardInfoTreeNode *> nodes = FTree.Nodes();
    for (int i = 0; i < nodes.size() && i < FCaptions.size(); ++i)
        nodes[i]->Text = FCaptions[i];
}

QList<BoardInfoTreeNode *> UpgradeTree::CheckedLeaves() const {
    QList<BoardInfoTreeNode *> leaves;
    for (BoardInfoTreeNode *node : FTree.Nodes())
        if (node->Checked && node->ChildCount() == 0)
            leaves << node;
    return leaves;
}

bool UpgradeTree::AnyChecked() const {
    for (BoardInfoTreeNode *node : FTree.Nodes())
        if (node->Checked)
            return true;
    return false;
}
