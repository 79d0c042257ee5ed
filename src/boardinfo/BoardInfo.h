#pragma once
// The serialised form of one board-information node, as firmware packages and
// ".bif" files carry it: record, header and block.

#include "boardinfo/BoardInfoHeader.h"
#include "boardinfo/BoardInfoRecord.h"

#include <QByteArray>
#include <QString>

class BoardInfoTree;
class BoardInfoTreeNode;

struct BoardInfo {
    BoardInfoRecord Record;
    BoardInfoHeader Header;
    QByteArray Block; // one board entry and one special-code entry

    QByteArray toBytes() const { return Record.toBytes() + Header.toBytes() + Block; }
};

// Record, header and block of `node`, a node of `tree`.
BoardInfo BuildBoardInfo(const BoardInfoTree &tree, const BoardInfoTreeNode &node);

// The warning a caller shows when CountMainBoards is above 1.
inline const QString OnlyOneMainBoardText =
    QStringLiteral("Only one main board is allowed in the list, please check.");

// Number of top-level nodes with PCB type 0.
int CountMainBoards(const BoardInfoTree &tree);
