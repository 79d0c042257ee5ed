#pragma once
// Reads which boards a unit holds and what each reports about itself into a
// board-information tree: the main board's block lists every board of the
// unit; each is asked for its boot-code information and, when it has valid
// board information, for its block. Boards fitted more than once become a
// group with one child per slot. Memo lines and gauge moves leave through
// signals; questions and boxes go through the prompt service.
//
// What a node's BoardInfoNode holds here: PCBType, MCUType, Solution,
// Quantity, PCBVersion, SpecialCode as read; Ver1 = the board runs its boot
// code; Ver2 = its board information is valid. The sub index is SubIndex().

#include "boardinfo/BoardInfoTree.h"
#include "protocol/BoardInfoFields.h"
#include "protocol/BootCodeInfo.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>

class AppContext;
class BoardInfoTransfer;

class ProductInfoReader : public QObject {
    Q_OBJECT
public:
    // What one board answered.
    struct BoardRead {
        bool InfoRead = false; // its board information was read
        BootCodeInfo BootCode;
        BoardInfoFields Fields;
        QByteArray Block;
    };

    explicit ProductInfoReader(AppContext *ctx, QObject *parent = nullptr);

    BoardInfoTree &Tree() { return FTree; }
    uint8_t SubIndex(const BoardInfoTreeNode *node) const { return FSubIndex.value(node); }

    bool ReadingPI = false;
    bool PIFailed = false;

    // The whole read, after the user confirmed. False when it could not start.
    bool ReadProductInformation();
    // One board inside the read's operation.
    BoardRead ReadBoardPI(uint8_t pcbType, uint8_t subIndex);
    // Places and fills one node; count > 1 puts it under its board's group.
    void AddPINode(const QString &name, uint8_t pcbType, uint8_t subIndex, const BoardRead &read,
                   int count);

    // The detail lines of a node.
    QStringList NodeLines(const BoardInfoTreeNode *node) const;
    // The report of the whole tree (asks the unit for its firmware version);
    // empty when the tree is empty.
    QStringList DisplayAllLines();

    // The name of a board kind by PCB type (by number outside the table).
    static QString BoardKindName(int pcbType);

signals:
    void memoLine(const QString &line);
    // A new caption (unchanged when null) and position.
    void gaugeChanged(const QString &caption, int position);
    void treeChanged();

private:
    void fillNode(BoardInfoTreeNode *node, uint8_t pcbType, const BoardRead &read, bool own,
                  uint8_t quantity);
    void gauge(const QString &caption, int position);

    AppContext *FCtx;
    BoardInfoTransfer *FTransfer;
    BoardInfoTree FTree;
    QHash<const BoardInfoTreeNode *, uint8_t> FSubIndex;
    int FGauge = 0;
};
