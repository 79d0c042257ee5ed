#pragma once
// The check tree of the Upgrade Firmware page, built from the opened package
// or firmware file. Every node carries a BoardInfoNode; the upgrade reads
// these fields of it:
//   PCBType  the board number: a package node's PCB type, a firmware-file
//            node's MCU kind (0 for the main MCU), a child's index from 0
//   MCUType, Solution, Quantity, PCBVersion, PCBVersionFrom/To, Ver1, Ver2,
//   IncludeBoardInfo, OverwriteSpecialCode, DefaultFirmware of the item.
// Captions() holds every node's caption in tree order, as it was built; the
// page restores the captions from it before each run.

#include "boardinfo/BoardInfoTree.h"

#include <QByteArray>
#include <QStringList>

class UpgradeTree {
public:
    UpgradeTree() = default;
    UpgradeTree(const UpgradeTree &) = delete;
    UpgradeTree &operator=(const UpgradeTree &) = delete;

    BoardInfoTree &Tree() { return FTree; }
    const BoardInfoTree &Tree() const { return FTree; }
    const QStringList &Captions() const { return FCaptions; }
    // The caption a node was built with, by its absolute index.
    QString SavedCaption(int absoluteIndex) const;

    // Every item that carries an image or asks for board information becomes
    // a board node; a board fitted more than once gets one child per slot.
    void BuildTreeFromPackage(const QByteArray &package, const bool *closing = nullptr);
    // One node per main or sub MCU kind, one child per card slot.
    void BuildTreeFromFirmwareFile(const QByteArray &file);
    void Clear();

    // After the check box of `node` changed: a board passes its state to its
    // children; a checked child checks its board; an unchecked child
    // unchecks its board when no sibling stays checked.
    static void CascadeTreeCheck(BoardInfoTreeNode *node);

    // The node a failure mark belongs to: the board whose number is `partId`,
    // and its child `subId` when it has children (the board itself when none
    // fits). Null when no board has that number.
    BoardInfoTreeNode *MarkTarget(int partId, int subId) const;
    // Appends " ->" + text to that node's caption; false when there is none.
    bool MarkPackageNode(int partId, int subId, const QString &text);
    // Every caption as it was built.
    void RestoreCaptions();

    // Checked nodes without children, in tree order.
    QList<BoardInfoTreeNode *> CheckedLeaves() const;
    bool AnyChecked() const;

    // The caption of a sub MCU kind (MAIN, SLAVE, ..., OUTPUT); kinds the
    // tool has no name for are shown by number.
    static QString McuKindName(int kind);

private:
    void saveCaptions();

    BoardInfoTree FTree;
    QStringList FCaptions;
};
