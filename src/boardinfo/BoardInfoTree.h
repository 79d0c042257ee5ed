#pragma once
// A tree of board-information nodes without any widget: boards at level 0,
// MCU groups at level 1, firmware items at level 2. The editor, the upgrade
// tree and the product-information view each keep one and show it.

#include "boardinfo/BoardInfoTreeNode.h"

#include <QList>
#include <memory>
#include <vector>

class BoardInfoTree {
public:
    BoardInfoTree() = default;
    BoardInfoTree(const BoardInfoTree &) = delete;
    BoardInfoTree &operator=(const BoardInfoTree &) = delete;

    bool IsEmpty() const { return FTop.empty(); }
    int TopCount() const { return int(FTop.size()); }
    BoardInfoTreeNode *Top(int i) const { return FTop.at(std::size_t(i)).get(); }

    // New nodes start with the values of a new BoardInfoNode.
    BoardInfoTreeNode *AddTop();
    BoardInfoTreeNode *AddChild(BoardInfoTreeNode *parent);
    // The last sibling of `node` (a top-level node for a top-level `node`).
    BoardInfoTreeNode *AddSibling(BoardInfoTreeNode *node);
    // Removes the node with its children; clears the selection when it was
    // among them.
    void Remove(BoardInfoTreeNode *node);
    void Clear();

    // Every node in depth-first order.
    QList<BoardInfoTreeNode *> Nodes() const;
    int Count() const { return int(Nodes().size()); }
    // Position in depth-first order from 0, -1 for a node not in this tree.
    int AbsoluteIndex(const BoardInfoTreeNode *node) const;
    BoardInfoTreeNode *NodeAt(int absoluteIndex) const;

    BoardInfoTreeNode *Selected() const { return FSelected; }
    void Select(BoardInfoTreeNode *node) { FSelected = node; }

private:
    std::vector<std::unique_ptr<BoardInfoTreeNode>> FTop;
    BoardInfoTreeNode *FSelected = nullptr;
};
